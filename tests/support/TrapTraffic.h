// Trap traffic for the trap tests and the trap benchmark: net-snmp's snmptrap run against
// a loopback port, datagrams of our own encoding, and a raw UDP sender. Nothing here
// depends on the test framework, so that bench/ can use it too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// --- BER encoding (RFC 1157, RFC 3416) ---------------------------------------------------
namespace ber {
Bytes Tlv(std::uint8_t tag, const Bytes& contents);
Bytes Integer(std::int64_t value, std::uint8_t tag = 0x02);   // two's complement, minimal
Bytes Unsigned(std::uint64_t value, std::uint8_t tag = 0x41); // with the leading zero if needed
Bytes Oid(const std::vector<std::uint32_t>& ids);
Bytes String(const std::string& text, std::uint8_t tag = 0x04);
Bytes Null();
Bytes Concat(const std::vector<Bytes>& parts);
Bytes Binding(const std::vector<std::uint32_t>& name, const Bytes& value);

// Message ::= SEQUENCE { version, community, pdu }
Bytes Message(std::int64_t version, const std::string& community, const Bytes& pdu);
// A Trap-PDU, and an SNMPv1 message holding one.
Bytes V1TrapPdu(const std::vector<std::uint32_t>& enterprise, const Bytes& agentAddress,
                std::int64_t generic, std::int64_t specific, std::uint32_t timeStamp,
                const std::vector<Bytes>& bindings);
Bytes V1Trap(const std::string& community, const std::vector<std::uint32_t>& enterprise,
             const Bytes& agentAddress, std::int64_t generic, std::int64_t specific,
             std::uint32_t timeStamp, const std::vector<Bytes>& bindings);
// An SNMPv2c message with an SNMPv2-Trap-PDU (or another PDU of the same shape).
Bytes V2Trap(const std::string& community, const std::vector<Bytes>& bindings,
             std::uint8_t pduTag = 0xA7, std::int64_t requestId = 1);
} // namespace ber

// --- Senders -------------------------------------------------------------------------------

// Runs `snmptrap` with `arguments` and waits for it; the process is killed by its id if it
// has not ended after a generous limit. Its exit status, or -1.
int RunSnmpTrap(const std::vector<std::string>& arguments);

// The datagram that snmptrap sends for `arguments`, where the text "{target}" in them stands
// for a loopback port of ours: a real encoding. Empty when none arrived.
Bytes CaptureSnmpTrap(const std::vector<std::string>& arguments, bool ipv6 = false);

// A UDP socket on loopback that sends datagrams to one port.
class CUdpSender {
public:
    explicit CUdpSender(unsigned short port, bool ipv6 = false);
    ~CUdpSender();
    CUdpSender(const CUdpSender&) = delete;
    CUdpSender& operator=(const CUdpSender&) = delete;

    bool Send(const Bytes& datagram); // false when the kernel refused it (buffer full)
    bool Usable() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_ipv6 = false;
    unsigned short m_port = 0;
};

// Whether this machine can bind ::1.
bool HasIpv6Loopback();

// A UDP port that was free a moment ago on 127.0.0.1 and, where the machine has it, on ::1.
unsigned short FreeTrapTestPort();
