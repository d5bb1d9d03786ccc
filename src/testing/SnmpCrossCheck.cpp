// The layer's own reading of a datagram beside net-snmp's parser, for the fuzz targets: a
// field that both read but read differently is a finding against one of them.
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpMessage.h"
#include "testing/SnmpTesting.h"

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

std::string Hex(const std::uint8_t* bytes, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

// An Opaque that begins with the wrapper of net-snmp's special types (0x9F and a type) is
// read by net-snmp as the wrapped value, whose own length then decides where the next
// binding starts. By X.690 an Opaque is an OCTET STRING whatever it holds, and the layer
// keeps it whole; past it the two readings part by design.
bool WrappedOpaque(const AsnAny& value) {
    return value.asnType == ASN_OPAQUE && value.asnValue.string.length > 0 &&
           value.asnValue.string.stream[0] == 0x9F;
}

// A value as "type:contents" (numbers in decimal, identifiers dotted, bytes in hex), the
// same form for both readings; "" for a value that is not compared. Not compared, by design:
//  - what the layer keeps as ASN_UNFIT_ELEMENT: a number beyond its record, which net-snmp
//    cuts to 32 bits; a NULL or an exception with contents, which net-snmp reads as a NULL
//    or exception all the same; an identifier with a leading 0x80 group, which net-snmp
//    reads as if the group were not there; and what net-snmp refuses outright;
//  - values of the tags that net-snmp does not read (SEQUENCE and every tag no SNMP type
//    has), which the layer keeps as their bytes;
//  - an Opaque that net-snmp unwraps (WrappedOpaque).
std::string OurValue(const AsnAny& v) {
    const std::string type = std::to_string(v.asnType) + ":";
    switch (v.asnType) {
    case ASN_INTEGER:
        return type + std::to_string(v.asnValue.number);
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        return type + std::to_string(v.asnValue.unsigned32);
    case ASN_COUNTER64: {
        std::uint64_t bits = 0;
        for (UINT i = 0; i < v.asnValue.string.length; ++i)
            bits = (bits << 8) | v.asnValue.string.stream[i];
        return type + std::to_string(bits);
    }
    case ASN_OBJECTIDENTIFIER:
        return type + Dotted(v.asnValue.object.ids, v.asnValue.object.idLength);
    case ASN_NULL:
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return type;
    case ASN_OPAQUE:
        if (WrappedOpaque(v))
            return {};
        [[fallthrough]];
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_BITS:
    case ASN_NSAP:
        return type + Hex(v.asnValue.string.stream, v.asnValue.string.length);
    default:
        return {};
    }
}

std::string TheirValue(const netsnmp_variable_list& var) {
    const std::string type = std::to_string(var.type) + ":";
    switch (var.type) {
    case ASN_INTEGER:
        return type + std::to_string(*var.val.integer);
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
        return type + std::to_string(static_cast<unsigned long>(*var.val.integer));
    case ASN_COUNTER64:
        return type + std::to_string((static_cast<std::uint64_t>(var.val.counter64->high) << 32) |
                                     (var.val.counter64->low & 0xFFFFFFFFu));
    case ASN_OBJECT_ID:
        return type + Dotted(var.val.objid, var.val_len / sizeof(oid));
    case ASN_NULL:
    case SNMP_NOSUCHOBJECT:
    case SNMP_NOSUCHINSTANCE:
    case SNMP_ENDOFMIBVIEW:
        return type;
    case ASN_OCTET_STR:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
    case ASN_NSAP:
        return type + Hex(var.val.string, var.val_len);
    case ASN_BIT_STR:
        return type + Hex(var.val.bitstring, var.val_len);
    default:
        return "not read";
    }
}

// net-snmp writes a field only once it has read it whole; a field it never reached keeps
// what it was set to before the parse.
constexpr u_long kUnreadTime = ~0ul;

// The SNMPv1 trap header (RFC 1157, 4.1.6), field by field, as far as net-snmp read it.
std::string CompareTrapHeader(const SnmpMessage& ours, const netsnmp_pdu& theirs) {
    std::string difference;
    if (theirs.enterprise)
        difference = Compare("enterprise", Dotted(ours.enterprise.ids, ours.enterprise.idLength),
                             Dotted(theirs.enterprise, theirs.enterprise_length));
    // The agent address is read just before the generic trap.
    if (difference.empty() && theirs.trap_type != kUnread)
        difference = Compare("agent address", Hex(ours.agentAddress, 4), Hex(theirs.agent_addr, 4));
    if (difference.empty() && theirs.trap_type != kUnread)
        difference = Compare("generic trap", std::to_string(ours.genericTrap),
                             std::to_string(theirs.trap_type));
    if (difference.empty() && theirs.specific_type != kUnread)
        difference = Compare("specific trap", std::to_string(ours.specificTrap),
                             std::to_string(theirs.specific_type));
    if (difference.empty() && theirs.time != kUnreadTime)
        difference =
            Compare("time-stamp", std::to_string(ours.timeStamp), std::to_string(theirs.time));
    return difference;
}

// Compares the PDU that net-snmp parsed with ours, field by field, as far as net-snmp read.
// `complete` says whether net-snmp read the whole PDU: when it did not, its last binding may
// hold a value it did not finish reading, which is not compared.
std::string ComparePdu(const SnmpMessage& ours, const netsnmp_pdu& theirs, bool complete) {
    if (theirs.command == 0)
        return {};
    std::string difference =
        Compare("PDU type", std::to_string(ours.pduType), std::to_string(theirs.command));
    if (ours.pduType == SNMP_PDU_V1TRAP) {
        if (difference.empty())
            difference = CompareTrapHeader(ours, theirs);
    } else {
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
        const std::string field = "binding " + std::to_string(index + 1);
        if (index >= ours.bindings.len)
            return Compare(field.c_str(), "none", Dotted(var->name, var->name_length));
        const SnmpVarBind& vb = ours.bindings.list[index];
        // net-snmp reads a binding as a name and a value from where the binding begins, and
        // the next one right after that value, whatever the binding's own length says; the
        // layer reads each binding within its length. A binding that the layer keeps whole
        // (its name cannot be read) or with more than its value (elements after it) is one
        // whose length and contents disagree, or may be: past it the two readings part.
        if (vb.value.asnType == ASN_UNFIT_ELEMENT &&
            (vb.name.idLength == 0 ||
             !IsOneElement(vb.value.asnValue.string.stream, vb.value.asnValue.string.length)))
            break;
        difference = Compare((field + " name").c_str(), Dotted(vb.name.ids, vb.name.idLength),
                             Dotted(var->name, var->name_length));
        if (WrappedOpaque(vb.value))
            break;
        const bool valueRead = complete || var->next_variable;
        const std::string value = OurValue(vb.value);
        if (difference.empty() && valueRead && !value.empty())
            difference = Compare((field + " value").c_str(), value, TheirValue(*var));
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
                pdu->trap_type = kUnread;
                pdu->specific_type = kUnread;
                pdu->time = kUnreadTime;
                // What it read before any failure counts.
                const bool complete = snmp_pdu_parse(pdu, pduStart, &length) == 0;
                difference = ComparePdu(ours, *pdu, complete);
                snmp_free_pdu(pdu);
            }
        }
    }
    SnmpMessageFree(&ours);
    return difference;
}

std::string SnmpScopedReadingDisagreement(const std::uint8_t* data, std::size_t size) {
    SnmpMessage ours;
    if (!DecodeScopedPdu(data, size, &ours))
        return {};
    std::string difference;
    {
        std::lock_guard<std::mutex> guard(SnmpLibraryLock());
        SnmpLibraryInit();
        // ScopedPDU ::= SEQUENCE { contextEngineID, contextName, data } (RFC 3412, 6.8), read
        // with net-snmp's BER primitives as its message processing reads it, then its PDU.
        std::vector<u_char> copy(data, data + size);
        std::vector<u_char> engine(size + 1);
        std::vector<u_char> name(size + 1);
        std::size_t engineLength = engine.size();
        std::size_t nameLength = name.size();
        std::size_t length = size;
        u_char type = 0;
        u_char* p = asn_parse_sequence(copy.data(), &length, &type,
                                       ASN_SEQUENCE | ASN_CONSTRUCTOR, "scopedPDU");
        if (p)
            p = asn_parse_string(p, &length, &type, engine.data(), &engineLength);
        if (p)
            p = asn_parse_string(p, &length, &type, name.data(), &nameLength);
        if (p) {
            difference = Compare(
                "contextName",
                std::string(reinterpret_cast<const char*>(ours.community), ours.communityLength),
                std::string(reinterpret_cast<const char*>(name.data()), nameLength));
            netsnmp_pdu* pdu = difference.empty() ? snmp_pdu_create(0) : nullptr;
            if (pdu) {
                pdu->version = SNMP_VERSION_3;
                pdu->reqid = kUnread;
                pdu->errstat = kUnread;
                pdu->errindex = kUnread;
                pdu->trap_type = kUnread;
                pdu->specific_type = kUnread;
                pdu->time = kUnreadTime;
                const bool complete = snmp_pdu_parse(pdu, p, &length) == 0;
                difference = ComparePdu(ours, *pdu, complete);
                snmp_free_pdu(pdu);
            }
        }
    }
    SnmpMessageFree(&ours);
    return difference;
}

std::string SnmpV3HeaderDisagreement(const std::uint8_t* data, std::size_t size) {
    SnmpV3Header ours;
    if (!ReadV3Header(data, size, &ours))
        return {};
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    // The message's fields with net-snmp's BER primitives, in the order of RFC 3412, 6 and
    // RFC 3414, 2.4; compared as far as net-snmp reads them.
    std::vector<u_char> copy(data, data + size);
    std::vector<u_char> buffer(size + 1);
    std::size_t length = size;
    u_char type = 0;
    long number = 0;
    const auto string = [&](u_char* at, std::size_t* left, std::string* out) {
        std::size_t got = buffer.size();
        u_char* next = asn_parse_string(at, left, &type, buffer.data(), &got);
        if (next)
            out->assign(reinterpret_cast<const char*>(buffer.data()), got);
        return next;
    };
    u_char* p = asn_parse_sequence(copy.data(), &length, &type, ASN_SEQUENCE | ASN_CONSTRUCTOR,
                                   "message");
    if (p)
        p = asn_parse_int(p, &length, &type, &number, sizeof number);
    if (!p || number != kSnmpVersion3)
        return p ? "version: 3, net-snmp " + std::to_string(number) : std::string();
    p = asn_parse_sequence(p, &length, &type, ASN_SEQUENCE | ASN_CONSTRUCTOR, "msgGlobalData");
    if (p)
        p = asn_parse_int(p, &length, &type, &number, sizeof number);
    if (!p)
        return {};
    std::string difference = Compare("msgID", std::to_string(ours.msgId), std::to_string(number));
    if (difference.empty())
        p = asn_parse_int(p, &length, &type, &number, sizeof number); // msgMaxSize
    std::string flags;
    if (difference.empty() && p && (p = string(p, &length, &flags)))
        difference = Compare("msgFlags", Hex(&ours.flags, 1),
                             Hex(reinterpret_cast<const std::uint8_t*>(flags.data()), flags.size()));
    if (difference.empty() && p && (p = asn_parse_int(p, &length, &type, &number, sizeof number)))
        difference = Compare("msgSecurityModel", std::to_string(ours.securityModel),
                             std::to_string(number));
    // msgSecurityParameters: an OCTET STRING whose contents are the USM's SEQUENCE.
    std::size_t inside = 0;
    u_char* parameters = nullptr;
    if (difference.empty() && p &&
        (p = asn_parse_header(p, &length, &type)) && type == ASN_OCTET_STR) {
        parameters = p;
        inside = length;
    }
    if (!parameters)
        return difference;
    p = asn_parse_sequence(parameters, &inside, &type, ASN_SEQUENCE | ASN_CONSTRUCTOR, "usm");
    std::string engine;
    if (p && (p = string(p, &inside, &engine)))
        difference = Compare("msgAuthoritativeEngineID", Hex(ours.engineId, ours.engineIdLength),
                             Hex(reinterpret_cast<const std::uint8_t*>(engine.data()), engine.size()));
    if (difference.empty() && p)
        p = asn_parse_int(p, &inside, &type, &number, sizeof number);
    if (difference.empty() && p)
        p = asn_parse_int(p, &inside, &type, &number, sizeof number);
    std::string user;
    if (difference.empty() && p && string(p, &inside, &user))
        difference = Compare(
            "msgUserName",
            std::string(reinterpret_cast<const char*>(ours.userName), ours.userNameLength), user);
    return difference;
}
