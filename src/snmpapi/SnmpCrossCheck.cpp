// The layer's own reading of a datagram beside net-snmp's parser, for the fuzz targets: a
// field that both read but read differently is a finding against one of them.
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpMessage.h"
#include "snmpapi/SnmpTesting.h"

#include <climits>
#include <string>
#include <vector>

namespace {

// net-snmp writes a field only once it has read it whole; a field it never reached keeps
// this, which no field that it reads can hold (it reads them into 32 bits).
constexpr long kUnread = LONG_MIN;

// Ours (UINT) and net-snmp's (oid) sub-identifiers alike.
template <typename Id> std::string Dotted(const Id* ids, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += "." + std::to_string(ids[i]);
    return text;
}

// "field: ours, net-snmp theirs" where the two differ, else nothing.
std::string Compare(const char* field, const std::string& ours, const std::string& theirs) {
    if (ours == theirs)
        return {};
    return std::string(field) + ": " + ours + ", net-snmp " + theirs;
}

// An Opaque that begins with the wrapper of net-snmp's special types (0x9F and a type) is
// read by net-snmp as the wrapped value, whose own length then decides where the next
// binding starts. By X.690 an Opaque is an OCTET STRING whatever it holds, and the layer
// keeps it whole; past it the two readings part by design.
bool WrappedOpaque(const AsnAny& value) {
    return value.asnType == ASN_OPAQUE && value.asnValue.string.length > 0 &&
           value.asnValue.string.stream[0] == 0x9F;
}

// Compares the PDU that net-snmp parsed with ours, field by field, as far as net-snmp read.
std::string ComparePdu(const SnmpMessage& ours, const netsnmp_pdu& theirs) {
    if (theirs.command == 0)
        return {};
    std::string difference =
        Compare("PDU type", std::to_string(ours.pduType), std::to_string(theirs.command));
    if (ours.pduType != SNMP_PDU_V1TRAP) {
        if (difference.empty() && theirs.reqid != kUnread)
            difference =
                Compare("request id", std::to_string(ours.requestId), std::to_string(theirs.reqid));
        // A status or index beyond 32 bits is no number for the layer, and net-snmp cuts it
        // to 32 bits: not compared.
        if (difference.empty() && ours.outcomeFits && theirs.errstat != kUnread)
            difference = Compare("error status", std::to_string(ours.errorStatus),
                                 std::to_string(theirs.errstat));
        if (difference.empty() && ours.outcomeFits && theirs.errindex != kUnread)
            difference = Compare("error index", std::to_string(ours.errorIndex),
                                 std::to_string(theirs.errindex));
    }
    UINT index = 0;
    for (const netsnmp_variable_list* var = theirs.variables; var && difference.empty();
         var = var->next_variable, ++index) {
        if (!var->name)
            break; // net-snmp stopped inside this binding's name
        const std::string field = "name of binding " + std::to_string(index + 1);
        if (index >= ours.bindings.len)
            return Compare(field.c_str(), "none", Dotted(var->name, var->name_length));
        const SnmpVarBind& vb = ours.bindings.list[index];
        difference = Compare(field.c_str(), Dotted(vb.name.ids, vb.name.idLength),
                             Dotted(var->name, var->name_length));
        if (WrappedOpaque(vb.value))
            break;
    }
    return difference;
}

} // namespace

std::string SnmpReadingDisagreement(const std::uint8_t* data, std::size_t size) {
    SnmpMessage ours;
    if (!DecodeSnmpMessage(data, size, &ours))
        return {};
    std::string difference;
    {
        std::lock_guard<std::mutex> guard(SnmpLibraryLock());
        SnmpLibraryInit();
        // net-snmp parses in place and writes a terminator after the community: room for the
        // longest, so that it reads every community the layer reads as it is.
        std::vector<u_char> copy(data, data + size);
        std::vector<u_char> community(size + 1);
        std::size_t communityLength = size + 1;
        long version = -1;
        std::size_t length = size;
        u_char* pduStart =
            snmp_comstr_parse(copy.data(), &length, community.data(), &communityLength, &version);
        if (pduStart) {
            difference = Compare("version", std::to_string(ours.version), std::to_string(version));
            if (difference.empty())
                difference = Compare(
                    "community",
                    std::string(reinterpret_cast<const char*>(ours.community),
                                ours.communityLength),
                    std::string(reinterpret_cast<const char*>(community.data()), communityLength));
            netsnmp_pdu* pdu = difference.empty() ? snmp_pdu_create(0) : nullptr;
            if (pdu) {
                pdu->version = version;
                pdu->reqid = kUnread;
                pdu->errstat = kUnread;
                pdu->errindex = kUnread;
                snmp_pdu_parse(pdu, pduStart, &length); // what it read before any failure counts
                difference = ComparePdu(ours, *pdu);
                snmp_free_pdu(pdu);
            }
        }
    }
    SnmpMessageFree(&ours);
    return difference;
}
