// Trap datagrams: a structural check of the whole message first, so that net-snmp only
// ever decodes a datagram whose every length and tag has been checked against what
// arrived; then net-snmp's own decoding, and the conversion into our records.
#include "snmpapi/TrapDecode.h"

#include "snmpapi/SnmpInternal.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Message versions of RFC 1157 (0) and RFC 1901 (1).
constexpr long kVersion1 = 0;
constexpr long kVersion2c = 1;

constexpr std::uint8_t kTagInteger = 0x02;
constexpr std::uint8_t kTagOctetString = 0x04;
constexpr std::uint8_t kTagNull = 0x05;
constexpr std::uint8_t kTagObjectIdentifier = 0x06;
constexpr std::uint8_t kTagSequence = 0x30;
constexpr std::uint8_t kTagIpAddress = 0x40;
constexpr std::uint8_t kTagCounter32 = 0x41;
constexpr std::uint8_t kTagGauge32 = 0x42;
constexpr std::uint8_t kTagTimeTicks = 0x43;
constexpr std::uint8_t kTagOpaque = 0x44;
constexpr std::uint8_t kTagNsapAddress = 0x45;
constexpr std::uint8_t kTagCounter64 = 0x46;
constexpr std::uint8_t kTagUInteger32 = 0x47;
constexpr std::uint8_t kTagNoSuchObject = 0x80;
constexpr std::uint8_t kTagNoSuchInstance = 0x81;
constexpr std::uint8_t kTagEndOfMibView = 0x82;
constexpr std::uint8_t kTagTrapPdu = 0xA4;    // RFC 1157 Trap-PDU
constexpr std::uint8_t kTagTrap2Pdu = 0xA7;   // RFC 3416 SNMPv2-Trap-PDU
constexpr std::uint8_t kOpaqueWrapper = 0x9F; // net-snmp's typed values inside an Opaque

// One BER element (tag, length, contents) lying inside a datagram already in memory.
struct Element {
    std::uint8_t tag = 0;
    const std::uint8_t* contents = nullptr;
    std::size_t length = 0;
};

// Reads the elements of one level of a BER encoding one after another. An element is
// accepted only with a one-byte tag and a definite length (RFC 1157, 4) whose contents lie
// wholly inside the level being read.
class ElementReader {
public:
    ElementReader(const std::uint8_t* data, std::size_t size) : m_next(data), m_end(data + size) {}
    explicit ElementReader(const Element& element)
        : ElementReader(element.contents, element.length) {}

    bool AtEnd() const { return m_next == m_end; }

    bool Read(Element* element) {
        const std::size_t left = static_cast<std::size_t>(m_end - m_next);
        if (left < 2 || (m_next[0] & 0x1F) == 0x1F)
            return false; // no room for a header, or a multi-byte tag: no SNMP type has one
        std::size_t header = 2;
        std::size_t length = m_next[1];
        if (length & 0x80) {
            const std::size_t count = length & 0x7F;
            if (count == 0 || count > 4 || left < header + count)
                return false; // the indefinite form, or more length than any datagram needs
            length = 0;
            for (std::size_t i = 0; i < count; ++i)
                length = (length << 8) | m_next[header + i];
            header += count;
        }
        if (length > left - header)
            return false;
        element->tag = m_next[0];
        element->contents = m_next + header;
        element->length = length;
        m_next += header + length;
        return true;
    }

    bool Read(std::uint8_t tag, Element* element) { return Read(element) && element->tag == tag; }

private:
    const std::uint8_t* m_next;
    const std::uint8_t* m_end;
};

// BER integers are minimal (X.690, 8.3.2), so an Integer32 takes 1 to 4 bytes and an
// unsigned 32-bit (64-bit) number 1 to 5 (9), the extra byte being a leading zero.
bool SizedInteger(const Element& e, std::size_t maxLength) {
    if (e.length < 1 || e.length > maxLength)
        return false;
    // At its longest, an unsigned number starts with the zero byte that keeps it positive.
    return maxLength == 4 || e.length < maxLength || e.contents[0] == 0;
}

bool ReadInteger32(ElementReader& reader, long* value) {
    Element e;
    if (!reader.Read(kTagInteger, &e) || !SizedInteger(e, 4))
        return false;
    long number = static_cast<signed char>(e.contents[0]);
    for (std::size_t i = 1; i < e.length; ++i)
        number = number * 256 + e.contents[i];
    *value = number;
    return true;
}

// Every sub-identifier fits in 32 bits and is encoded in its fewest bytes (X.690, 8.19.2),
// and there are at most as many as net-snmp keeps (MAX_OID_LEN).
bool WellFormedIdentifier(const Element& e) {
    if (e.tag != kTagObjectIdentifier || e.length == 0)
        return false;
    std::size_t encoded = 0;
    std::size_t i = 0;
    while (i < e.length) {
        if (e.contents[i] == 0x80)
            return false; // a leading zero group
        std::uint64_t value = 0;
        std::size_t bytes = 0;
        bool more = true;
        while (more) {
            if (i >= e.length || ++bytes > 5)
                return false; // the last byte still says "more", or too many bytes
            value = (value << 7) | (e.contents[i] & 0x7F);
            more = (e.contents[i] & 0x80) != 0;
            ++i;
        }
        if (value > 0xFFFFFFFFu)
            return false;
        ++encoded;
    }
    // The first encoded value holds the first two sub-identifiers.
    return encoded + 1 <= MAX_OID_LEN;
}

bool WellFormedValue(const Element& v) {
    switch (v.tag) {
    case kTagInteger:
        return SizedInteger(v, 4);
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks:
    case kTagUInteger32:
        return SizedInteger(v, 5);
    case kTagCounter64:
        return SizedInteger(v, 9);
    case kTagIpAddress:
        return v.length == 4; // RFC 2578, 7.1.5: exactly four bytes
    case kTagOctetString:
    case kTagNsapAddress:
        return true;
    case kTagOpaque:
        // net-snmp reads a value wrapped in an Opaque (0x9F, type, length, contents) as
        // that value, so the wrapper must fit the Opaque exactly.
        if (v.length > 0 && v.contents[0] == kOpaqueWrapper)
            return v.length >= 3 && v.contents[2] < 0x80 &&
                   static_cast<std::size_t>(v.contents[2]) + 3 == v.length;
        return true;
    case kTagObjectIdentifier:
        return WellFormedIdentifier(v);
    case kTagNull:
    case kTagNoSuchObject:
    case kTagNoSuchInstance:
    case kTagEndOfMibView:
        return v.length == 0;
    default:
        return false;
    }
}

// VarBindList ::= SEQUENCE OF SEQUENCE { name ObjectName, value ObjectSyntax }, and
// nothing after it in the PDU.
bool WellFormedBindings(ElementReader& pdu) {
    Element list;
    if (!pdu.Read(kTagSequence, &list) || !pdu.AtEnd())
        return false;
    ElementReader bindings(list);
    while (!bindings.AtEnd()) {
        Element binding;
        Element name;
        Element value;
        if (!bindings.Read(kTagSequence, &binding))
            return false;
        ElementReader parts(binding);
        if (!parts.Read(&name) || !WellFormedIdentifier(name) || !parts.Read(&value) ||
            !WellFormedValue(value) || !parts.AtEnd())
            return false;
    }
    return true;
}

// What the structural check learns of a well-formed trap message.
struct TrapShape {
    long version = 0;
    std::uint8_t agentAddress[4] = {}; // SNMPv1 only
};

// Message ::= SEQUENCE { version INTEGER, community OCTET STRING, data PDU } filling the
// whole datagram (RFC 1157, 4.1; RFC 1901), whose PDU is a Trap-PDU in an SNMPv1 message
// or an SNMPv2-Trap-PDU in an SNMPv2c one (RFC 3584, 2.1).
bool CheckTrapMessage(const std::uint8_t* data, std::size_t size, TrapShape* shape) {
    ElementReader datagram(data, size);
    Element message;
    if (!datagram.Read(kTagSequence, &message) || !datagram.AtEnd())
        return false;
    ElementReader fields(message);
    Element community;
    Element pdu;
    if (!ReadInteger32(fields, &shape->version) || !fields.Read(kTagOctetString, &community) ||
        community.length > COMMUNITY_MAX_LEN || !fields.Read(&pdu) || !fields.AtEnd())
        return false;

    ElementReader body(pdu);
    long number = 0;
    if (shape->version == kVersion1 && pdu.tag == kTagTrapPdu) {
        // enterprise, agent-addr, generic-trap, specific-trap, time-stamp, variable-bindings
        Element enterprise;
        Element agent;
        Element timeStamp;
        if (!body.Read(&enterprise) || !WellFormedIdentifier(enterprise) ||
            !body.Read(kTagIpAddress, &agent) || agent.length != 4 ||
            !ReadInteger32(body, &number) || !ReadInteger32(body, &number) ||
            !body.Read(kTagTimeTicks, &timeStamp) || !SizedInteger(timeStamp, 5))
            return false;
        std::memcpy(shape->agentAddress, agent.contents, 4);
        return WellFormedBindings(body);
    }
    if (shape->version == kVersion2c && pdu.tag == kTagTrap2Pdu) {
        // request-id, error-status, error-index, variable-bindings
        return ReadInteger32(body, &number) && ReadInteger32(body, &number) &&
               ReadInteger32(body, &number) && WellFormedBindings(body);
    }
    return false;
}

// An SNMPv2c trap's agent is its sender: four bytes for IPv4, and for an IPv6 sender its
// sixteen, except that an IPv4-mapped sender (::ffff:a.b.c.d) is the IPv4 agent it is.
bool SenderAddress(const std::uint8_t* sender, std::size_t length, AsnOctetString* out) {
    static constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (length == 16 && std::memcmp(sender, kMappedPrefix, sizeof kMappedPrefix) == 0)
        return OctetsFromLibrary(sender + 12, 4, out);
    if (length == 4 || length == 16)
        return OctetsFromLibrary(sender, length, out);
    *out = AsnOctetString{};
    return true;
}

bool NameIs(const AsnObjectIdentifier& name, const std::vector<UINT>& ids) {
    return name.idLength == ids.size() && std::equal(ids.begin(), ids.end(), name.ids);
}

// The SNMPv1 view of an SNMPv2c trap: the enterprise is the snmpTrapOID.0 value, the time
// stamp the sysUpTime.0 value, and generic and specific trap as RFC 3584, 3.2 maps them.
bool FillFromTrap2Bindings(SnmpTrapRecord* trap) {
    static const std::vector<UINT> kSysUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
    static const std::vector<UINT> kSnmpTrapOid = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
    static const std::vector<UINT> kSnmpTraps = {1, 3, 6, 1, 6, 3, 1, 1, 5};
    for (UINT i = 0; i < trap->variableBindings.len; ++i) {
        const SnmpVarBind& vb = trap->variableBindings.list[i];
        if (NameIs(vb.name, kSysUpTime) && vb.value.asnType == ASN_TIMETICKS)
            trap->timeStamp = vb.value.asnValue.ticks;
        if (NameIs(vb.name, kSnmpTrapOid) && vb.value.asnType == ASN_OBJECTIDENTIFIER &&
            trap->enterprise.idLength == 0) {
            if (!SnmpUtilOidCpy(&trap->enterprise, &vb.value.asnValue.object))
                return false;
        }
    }
    const AsnObjectIdentifier& trapOid = trap->enterprise;
    trap->genericTrap = 6; // enterpriseSpecific
    trap->specificTrap = 0;
    if (trapOid.idLength == kSnmpTraps.size() + 1 &&
        std::equal(kSnmpTraps.begin(), kSnmpTraps.end(), trapOid.ids) &&
        trapOid.ids[kSnmpTraps.size()] >= 1 && trapOid.ids[kSnmpTraps.size()] <= 6) {
        trap->genericTrap = static_cast<AsnInteger>(trapOid.ids[kSnmpTraps.size()] - 1);
    } else if (trapOid.idLength > 0) {
        trap->specificTrap = static_cast<AsnInteger>(trapOid.ids[trapOid.idLength - 1]);
    }
    return true;
}

// Decodes the checked message with net-snmp and converts it. Called with the library lock.
bool DecodeWithLibrary(std::uint8_t* data, std::size_t size, SnmpTrapRecord* trap) {
    SnmpLibraryInit();
    u_char community[COMMUNITY_MAX_LEN + 1];
    std::size_t communityLength = COMMUNITY_MAX_LEN;
    long version = 0;
    std::size_t length = size;
    u_char* pduStart = snmp_comstr_parse(data, &length, community, &communityLength, &version);
    if (!pduStart)
        return false;
    netsnmp_pdu* pdu = snmp_pdu_create(0);
    if (!pdu)
        return false;
    pdu->version = version;
    bool decoded = snmp_pdu_parse(pdu, pduStart, &length) == 0 &&
                   (pdu->command == SNMP_MSG_TRAP || pdu->command == SNMP_MSG_TRAP2) &&
                   VarBindsFromLibrary(pdu->variables, &trap->variableBindings);
    if (decoded && pdu->command == SNMP_MSG_TRAP) {
        decoded = OidFromLibrary(pdu->enterprise, pdu->enterprise_length, &trap->enterprise);
        trap->genericTrap = static_cast<AsnInteger>(pdu->trap_type);
        trap->specificTrap = static_cast<AsnInteger>(pdu->specific_type);
        trap->timeStamp = static_cast<AsnTimeticks>(pdu->time);
    }
    snmp_free_pdu(pdu);
    return decoded;
}

} // namespace

void SnmpTrapRecordFree(SnmpTrapRecord* trap) {
    if (!trap)
        return;
    SnmpUtilOidFree(&trap->enterprise);
    if (trap->agentAddress.dynamic)
        SnmpUtilMemFree(trap->agentAddress.stream);
    SnmpUtilVarBindListFree(&trap->variableBindings);
    *trap = SnmpTrapRecord{};
}

bool DecodeTrapDatagram(std::uint8_t* data, std::size_t size, const std::uint8_t* sender,
                        std::size_t senderLength, SnmpTrapRecord* trap) {
    *trap = SnmpTrapRecord{};
    TrapShape shape;
    if (!CheckTrapMessage(data, size, &shape))
        return false;
    bool decoded;
    {
        std::lock_guard<std::mutex> guard(SnmpLibraryLock());
        decoded = DecodeWithLibrary(data, size, trap);
    }
    if (decoded) {
        // RFC 1157, 4.1.6: an SNMPv1 trap names its agent in agent-addr, whoever sent it.
        decoded = shape.version == kVersion1
                      ? OctetsFromLibrary(shape.agentAddress, 4, &trap->agentAddress)
                      : SenderAddress(sender, senderLength, &trap->agentAddress) &&
                            FillFromTrap2Bindings(trap);
    }
    if (!decoded)
        SnmpTrapRecordFree(trap);
    return decoded;
}

bool SnmpTrapDecodeForTesting(const std::uint8_t* data, std::size_t size,
                              const std::uint8_t* sender, std::size_t senderLength,
                              SnmpTrapRecord* trap) {
    std::vector<std::uint8_t> copy(size + kTrapDatagramPadding, 0);
    if (size > 0)
        std::memcpy(copy.data(), data, size);
    return DecodeTrapDatagram(copy.data(), size, sender, senderLength, trap);
}
