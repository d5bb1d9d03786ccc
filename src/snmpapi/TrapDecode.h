// Decoding of one trap datagram into the record that SnmpMgrGetTrap hands out. Shared by
// the trap service's receiver and its test seam; nothing outside src/snmpapi sees it.
#pragma once

#include "snmpapi/SnmpTesting.h"

#include <cstddef>
#include <cstdint>

// Zero bytes that must follow a datagram handed to DecodeTrapDatagram: net-snmp peeks a
// few bytes ahead of what it has checked in some encodings, and this keeps such a peek
// inside our own buffer.
inline constexpr std::size_t kTrapDatagramPadding = 16;

// Decodes an SNMPv1 Trap-PDU or an SNMPv2c SNMPv2-Trap-PDU with any community. `sender` is
// the sender's address as it arrived (4 bytes, or 16 for IPv6); an SNMPv2c trap takes it
// as its agent address. False, with *trap empty, for everything else: other versions, other
// PDU types (informs included), and any datagram that is not wholly well formed.
// The caller holds no lock; the decoder takes SnmpLibraryLock around net-snmp itself.
bool DecodeTrapDatagram(std::uint8_t* data, std::size_t size, const std::uint8_t* sender,
                        std::size_t senderLength, SnmpTrapRecord* trap);
