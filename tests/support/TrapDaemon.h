// net-snmp's snmptrapd as a peer of the notification log's tests: started in the foreground
// on a loopback port of its own (-f -Lo), with a configuration of its own and no MIB module,
// printing one line per notification in a form the tests read (numeric identifiers), and
// stopped by its process id.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// One notification as snmptrapd printed it.
struct DaemonNotification {
    std::string address;    // the sender's address, from "UDP: [127.0.0.1]:40000->..."
    std::string security;   // "TRAP2, SNMP v2c, community public", "INFORM, SNMP v3, user ..."
    std::string enterprise; // an SNMPv1 trap's, dotted without a leading dot; "" for others
    int generic = 0;        // an SNMPv1 trap's
    std::uint32_t specific = 0;
    // Each binding as "1.3.6.1.2.1.1.5.0 = STRING: \"x\"" (the identifier without its dot).
    std::vector<std::string> bindings;
};

class CTrapDaemon {
public:
    // `moreConf`: further lines of its configuration (SNMPv3 users).
    explicit CTrapDaemon(const std::string& moreConf = "");
    ~CTrapDaemon();
    CTrapDaemon(const CTrapDaemon&) = delete;
    CTrapDaemon& operator=(const CTrapDaemon&) = delete;

    // Whether it started and listens; false also where snmptrapd is not installed.
    bool Started() const { return m_started; }
    std::uint16_t Port() const { return m_port; }
    // The notifications printed so far, in the order printed.
    std::vector<DaemonNotification> Notifications() const;

private:
    std::string ReadOutput() const;

    pid_t m_pid = 0;
    bool m_started = false;
    std::uint16_t m_port = 0;
    std::string m_dir;
    std::string m_output;
};
