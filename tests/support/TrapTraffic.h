// Trap traffic for the trap tests and the trap benchmark: net-snmp's snmptrap run against
// a loopback port and a raw UDP sender for datagrams of our own encoding (support/Ber.h),
// which also reads the answers to the informs it sends.
// Nothing here depends on the test framework, so that bench/ can use it too.
#pragma once

#include "support/Ber.h"
#include "support/Ports.h"

#include <string>
#include <vector>

// --- Senders -------------------------------------------------------------------------------

// Runs `snmptrap` (or `program`, snmpinform for one) with `arguments` and waits for it; the
// process is killed by its id if it has not ended after a generous limit. It reads no
// configuration of the machine's and keeps what it would keep (an SNMPv3 sender's boots) in a
// temporary directory of its own. Its exit status, or -1.
int RunSnmpTrap(const std::vector<std::string>& arguments, const std::string& program = "snmptrap");

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
    // The next datagram that comes back to the sender's port (an inform's answer) within
    // `timeoutMs`; empty when none came.
    Bytes Receive(int timeoutMs);
    bool Usable() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_ipv6 = false;
    unsigned short m_port = 0;
};
