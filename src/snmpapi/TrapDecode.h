// Decoding of one trap datagram into the record that SnmpMgrGetTrap hands out: the trap
// service decodes each queued datagram when it hands it out, and its receiver reads an
// inform's request id to answer it. For the layer's own files and the testing library;
// nothing else in Okapel sees it.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One trap as SnmpMgrGetTrap hands it out; every block comes from the utility allocator.
// The message's version, PDU type and community (an SNMPv3 scopedPDU's contextName) go to
// SnmpMgrGetTrapWithOrigin's origin.
struct SnmpTrapRecord {
    AsnObjectIdentifier enterprise;
    AsnOctetString agentAddress;
    AsnInteger genericTrap;
    AsnInteger specificTrap;
    AsnTimeticks timeStamp;
    SnmpVarBindList variableBindings;
    std::int32_t version = 0;
    BYTE pduType = 0;
    std::string community;
};
void SnmpTrapRecordFree(SnmpTrapRecord* trap);

// Decodes an SNMPv1 Trap-PDU, or an SNMPv2c SNMPv2-Trap-PDU or InformRequest-PDU, with any
// community. `sender` is the sender's address as it arrived (4 bytes, or 16 for IPv6); an
// SNMPv2c notification takes it as its agent address. The bindings are in the SNMPv2 form:
// an SNMPv1 trap's own follow the sysUpTime.0 and snmpTrapOID.0 bindings that RFC 3584, 3.1
// makes of its header. False, with *trap empty, for everything else: other versions, other
// PDU types, and any datagram that is not well formed down to its list of bindings. A
// binding that cannot be read is kept as SnmpMessage.h says. The decoding needs no lock and
// no part of net-snmp.
bool DecodeTrapDatagram(const std::uint8_t* data, std::size_t size, const std::uint8_t* sender,
                        std::size_t senderLength, SnmpTrapRecord* trap);

// Decodes the plaintext scopedPDU of an SNMPv3 notification (an SNMPv2-Trap-PDU or an
// InformRequest-PDU) as DecodeTrapDatagram decodes an SNMPv2c one; false for anything else.
bool DecodeScopedTrap(const std::uint8_t* data, std::size_t size, const std::uint8_t* sender,
                      std::size_t senderLength, SnmpTrapRecord* trap);

// Whether the datagram is an SNMPv2c InformRequest that DecodeTrapDatagram reads, so that
// the service shows it, with its request id.
bool ReadShownInform(const std::uint8_t* data, std::size_t size, std::int32_t* requestId);

// The Response-PDU that tells an inform's sender that the Response would not fit what it
// receives (RFC 3416, 4.2.7): from the Response-PDU that EncodeInformResponsePdu made, its
// request id as it came, error status tooBig, error index 0 and no bindings. Empty when the
// bytes do not begin with a Response-PDU and its request id.
std::vector<std::uint8_t> EncodeTooBigResponsePdu(const std::uint8_t* data, std::size_t size);
