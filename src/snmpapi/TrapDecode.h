// Decoding of one trap datagram into the record that SnmpMgrGetTrap hands out. Shared by
// the trap service's receiver and its test seam; nothing outside src/snmpapi sees it.
#pragma once

#include "snmpapi/SnmpTesting.h"

#include <cstddef>
#include <cstdint>

// Decodes an SNMPv1 Trap-PDU, or an SNMPv2c SNMPv2-Trap-PDU or InformRequest-PDU, with any
// community. `sender` is the sender's address as it arrived (4 bytes, or 16 for IPv6); an
// SNMPv2c notification takes it as its agent address. False, with *trap empty, for
// everything else: other versions, other PDU types, and any datagram that is not wholly well
// formed. A binding whose value is of an unknown tag, a SEQUENCE or an IpAddress of any
// length is kept as it arrived. The decoding needs no lock and no part of net-snmp.
bool DecodeTrapDatagram(const std::uint8_t* data, std::size_t size, const std::uint8_t* sender,
                        std::size_t senderLength, SnmpTrapRecord* trap);

// Whether the datagram is an SNMPv2c InformRequest that DecodeTrapDatagram reads, so that
// the service shows it, with its request id.
bool ReadShownInform(const std::uint8_t* data, std::size_t size, std::int32_t* requestId);
