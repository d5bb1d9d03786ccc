// Trap datagrams: the layer's own decoding of the whole message (SnmpMessage.cpp), the same
// that reads the answers to our requests, the SNMPv1 view of every trap (its enterprise,
// generic and specific trap and time-stamp) and the SNMPv2 form of its bindings, which the
// trap listener shows.
#include "snmpapi/TrapDecode.h"

#include "snmpapi/SnmpMessage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// An SNMPv2c trap's agent is its sender: four bytes for IPv4, and for an IPv6 sender its
// sixteen, except that an IPv4-mapped sender (::ffff:a.b.c.d) is the IPv4 agent it is.
bool SenderAddress(const std::uint8_t* sender, std::size_t length, AsnOctetString* out) {
    static constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (length == 16 && std::memcmp(sender, kMappedPrefix, sizeof kMappedPrefix) == 0)
        return OctetsFromBytes(sender + 12, 4, out);
    if (length == 4 || length == 16)
        return OctetsFromBytes(sender, length, out);
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

// RFC 3584, 3.1: the identity of an SNMPv1 trap in SNMPv2 terms. A generic trap of 0 to 5
// is snmpTraps.(generic + 1) (coldStart ... egpNeighborLoss), an enterpriseSpecific (6) one
// the enterprise, 0 and the specific trap. Generic numbers that RFC 1157 does not give
// follow the first rule, taken as 32-bit unsigned like every sub-identifier, as net-snmp's
// translation does, so that any trap still says what it carried.
bool TrapOidOfV1Trap(const SnmpTrapRecord& trap, AsnObjectIdentifier* out) {
    static const std::vector<UINT> kSnmpTraps = {1, 3, 6, 1, 6, 3, 1, 1, 5};
    std::vector<UINT> ids;
    if (trap.genericTrap == 6) {
        ids.assign(trap.enterprise.ids, trap.enterprise.ids + trap.enterprise.idLength);
        ids.push_back(0);
        ids.push_back(static_cast<UINT>(trap.specificTrap));
    } else {
        ids = kSnmpTraps;
        ids.push_back(static_cast<UINT>(trap.genericTrap) + 1);
    }
    const AsnObjectIdentifier oid{static_cast<UINT>(ids.size()), ids.data()};
    return SnmpUtilOidCpy(out, &oid);
}

// The SNMPv2 form of an SNMPv1 trap's bindings (RFC 3584, 3.1; RFC 3416, 4.2.6):
// sysUpTime.0 with the time-stamp and snmpTrapOID.0 with the trap's identity ahead of the
// trap's own bindings, so that every trap, whatever its version, says when and what it
// was in its first two bindings.
bool PutV2HeaderBindings(SnmpTrapRecord* trap) {
    static UINT kSysUpTime[] = {1, 3, 6, 1, 2, 1, 1, 3, 0};
    static UINT kSnmpTrapOid[] = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
    const SnmpVarBindList& own = trap->variableBindings;
    SnmpVarBindList all{};
    all.list = static_cast<SnmpVarBind*>(
        SnmpUtilMemAlloc(static_cast<UINT>((own.len + 2) * sizeof(SnmpVarBind))));
    if (!all.list)
        return false;
    all.len = 2;
    const AsnObjectIdentifier sysUpTime{9, kSysUpTime};
    const AsnObjectIdentifier snmpTrapOid{11, kSnmpTrapOid};
    all.list[0].value.asnType = ASN_TIMETICKS;
    all.list[0].value.asnValue.ticks = trap->timeStamp;
    all.list[1].value.asnType = ASN_OBJECTIDENTIFIER;
    if (!SnmpUtilOidCpy(&all.list[0].name, &sysUpTime) ||
        !SnmpUtilOidCpy(&all.list[1].name, &snmpTrapOid) ||
        !TrapOidOfV1Trap(*trap, &all.list[1].value.asnValue.object)) {
        SnmpUtilVarBindListFree(&all);
        return false;
    }
    // The trap's own bindings move over whole; only their old array is given back.
    for (UINT i = 0; i < own.len; ++i)
        all.list[all.len++] = own.list[i];
    SnmpUtilMemFree(own.list);
    trap->variableBindings = all;
    return true;
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

namespace {

// The trap record of a decoded message, whose blocks it takes: an SNMPv1 Trap-PDU, or the
// SNMPv2-Trap-PDU or InformRequest-PDU of an SNMPv2c message or an SNMPv3 scopedPDU.
bool TrapFromMessage(SnmpMessage& message, const std::uint8_t* sender, std::size_t senderLength,
                     SnmpTrapRecord* trap) {
    // An SNMPv1 message carries a Trap-PDU and an SNMPv2c message an SNMPv2-Trap-PDU or an
    // InformRequest-PDU (RFC 3584, 2.1; RFC 3416, 4.2.7), whose bindings have the same form;
    // requests and responses are no notifications for this service.
    const bool v1 = message.version == kSnmpVersion1 && message.pduType == SNMP_PDU_V1TRAP;
    const bool v2 = (message.version == kSnmpVersion2c || message.version == kSnmpVersion3) &&
                    (message.pduType == SNMP_PDU_TRAP || message.pduType == SNMP_PDU_INFORM);
    // A binding that cannot be read arrives as an odd value (ASN_UNFIT_ELEMENT), and its
    // trap with all its other bindings.
    bool decoded = (v1 || v2) && message.communityLength <= kMaxCommunityLength;
    if (decoded) {
        trap->version = message.version;
        trap->pduType = message.pduType;
        trap->community.assign(reinterpret_cast<const char*>(message.community),
                               message.communityLength);
        trap->variableBindings = message.bindings;
        message.bindings = SnmpVarBindList{};
        if (v1) {
            trap->enterprise = message.enterprise;
            message.enterprise = AsnObjectIdentifier{};
            trap->genericTrap = message.genericTrap;
            trap->specificTrap = message.specificTrap;
            trap->timeStamp = message.timeStamp;
            // RFC 1157, 4.1.6: an SNMPv1 trap names its agent in agent-addr, whoever sent it.
            decoded = OctetsFromBytes(message.agentAddress, 4, &trap->agentAddress) &&
                      PutV2HeaderBindings(trap);
        } else {
            decoded = SenderAddress(sender, senderLength, &trap->agentAddress) &&
                      FillFromTrap2Bindings(trap);
        }
    }
    SnmpMessageFree(&message);
    if (!decoded)
        SnmpTrapRecordFree(trap);
    return decoded;
}

} // namespace

bool DecodeTrapDatagram(const std::uint8_t* data, std::size_t size, const std::uint8_t* sender,
                        std::size_t senderLength, SnmpTrapRecord* trap) {
    *trap = SnmpTrapRecord{};
    SnmpMessage message;
    return DecodeSnmpMessage(data, size, &message) &&
           TrapFromMessage(message, sender, senderLength, trap);
}

bool DecodeScopedTrap(const std::uint8_t* data, std::size_t size, const std::uint8_t* sender,
                      std::size_t senderLength, SnmpTrapRecord* trap) {
    *trap = SnmpTrapRecord{};
    SnmpMessage message;
    return DecodeScopedPdu(data, size, &message) &&
           TrapFromMessage(message, sender, senderLength, trap);
}

bool ReadShownInform(const std::uint8_t* data, std::size_t size, std::int32_t* requestId) {
    SnmpMessage message;
    if (!DecodeSnmpMessage(data, size, &message))
        return false;
    const bool shown = message.version == kSnmpVersion2c && message.pduType == SNMP_PDU_INFORM &&
                       message.communityLength <= kMaxCommunityLength;
    *requestId = message.requestId;
    SnmpMessageFree(&message);
    return shown;
}

namespace {

// The header of the BER element at `data` (its tag and its length in the short form or in
// up to eight octets, as the layer's decoder reads them): the header's own length, and the
// contents' in *length; 0 when no whole element begins there.
std::size_t ElementHeader(const std::uint8_t* data, std::size_t size, std::size_t* length) {
    if (size < 2)
        return 0;
    std::size_t header = 2;
    std::size_t contents = data[1];
    if (data[1] & 0x80) {
        const std::size_t octets = data[1] & 0x7F;
        if (octets == 0 || octets > 8 || size < 2 + octets)
            return 0;
        contents = 0;
        for (std::size_t i = 0; i < octets; ++i) {
            if (contents > (SIZE_MAX >> 8))
                return 0;
            contents = (contents << 8) | data[2 + i];
        }
        header += octets;
    }
    if (contents > size - header)
        return 0;
    *length = contents;
    return header;
}

} // namespace

std::vector<std::uint8_t> EncodeTooBigResponsePdu(const std::uint8_t* data, std::size_t size) {
    std::size_t pduLength = 0;
    const std::size_t pduHeader = ElementHeader(data, size, &pduLength);
    if (pduHeader == 0 || data[0] != SNMP_PDU_RESPONSE)
        return {};
    const std::uint8_t* requestId = data + pduHeader;
    std::size_t idLength = 0;
    const std::size_t idHeader = ElementHeader(requestId, pduLength, &idLength);
    if (idHeader == 0 || requestId[0] != ASN_INTEGER || idLength == 0)
        return {};
    // error-status tooBig (1), error-index 0, and an empty list of bindings.
    static constexpr std::uint8_t kRest[] = {ASN_INTEGER, 1, 1, ASN_INTEGER, 1, 0, ASN_SEQUENCE, 0};
    const std::size_t contents = idHeader + idLength + sizeof kRest;
    std::vector<std::uint8_t> pdu{SNMP_PDU_RESPONSE};
    if (contents < 0x80) {
        pdu.push_back(static_cast<std::uint8_t>(contents));
    } else { // a request id as long as its sender wrote it
        std::size_t octets = 0;
        for (std::size_t n = contents; n > 0; n >>= 8)
            ++octets;
        pdu.push_back(static_cast<std::uint8_t>(0x80 | octets));
        for (std::size_t i = octets; i-- > 0;)
            pdu.push_back(static_cast<std::uint8_t>(contents >> (8 * i)));
    }
    pdu.insert(pdu.end(), requestId, requestId + idHeader + idLength);
    pdu.insert(pdu.end(), std::begin(kRest), std::end(kRest));
    return pdu;
}
