// The project's demo agent for tests: net-snmp's snmpd with the configuration and the
// enterprise objects of scripts/demo-agent, on 127.0.0.1 and a free high UDP port, in a
// fresh temporary state directory. Each test that starts one stops it (the destructor does,
// by the agent's process id).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class DemoAgent {
public:
    DemoAgent();  // does not start
    ~DemoAgent(); // stops if running
    DemoAgent(const DemoAgent&) = delete;
    DemoAgent& operator=(const DemoAgent&) = delete;

    // Starts snmpd and waits until it answers; false (with the reason on stderr) when it
    // cannot. A started agent is stopped first. `moreCommunities` are read-write as well as
    // "walnut" (blanks and quotes excluded); `moreLines` are further lines of its
    // configuration (the SNMPv3 users of support/UsmUsers.h, for one).
    bool Start(const std::vector<std::string>& moreCommunities = {},
               const std::vector<std::string>& moreLines = {});
    // Stops the running agent and starts it again on the same port. With `keepState` it
    // comes back as an agent that rebooted: the same engine id, its boots one more and its
    // time begun anew; without, as one that lost its state: with another engine id. False
    // when it cannot start there again.
    bool Restart(bool keepState, const std::vector<std::string>& moreCommunities = {},
                 const std::vector<std::string>& moreLines = {});
    // Stops the agent by its process id, waits until it is gone and removes its state
    // directory. Does nothing when it is not running.
    void Stop();

    std::uint16_t Port() const { return m_port; }
    std::string Address() const;    // "127.0.0.1:<port>"
    static const char* Community(); // "walnut", read-write
    // The process id of the running agent, 0 when none.
    pid_t Pid() const { return m_pid; }
    // Whether the process with this id still runs (a zombie counts as gone).
    static bool ProcessRunning(pid_t pid);

    // Runs a net-snmp command-line tool (snmpget, snmpwalk, snmpset, ...) against this
    // agent and returns its standard output, e.g. Tool("snmpget", "-v1 -On
    // .1.3.6.1.2.1.1.5.0"). The options at the front of `args` come before the agent's
    // address, the rest after it; "-v1", the community and "no MIB files" are given
    // first, so that `args` may override them. Words are split at blanks; '...' and "..."
    // keep blanks inside one word. No shell is involved.
    std::string Tool(const std::string& tool, const std::string& args) const;
    // The value of `oid` alone, as snmpget prints it with -Oqv (a string without its quotes,
    // time ticks as their count), without the line's end.
    std::string ToolValue(const std::string& oid) const;

private:
    bool StartOn(std::uint16_t port, const std::vector<std::string>& moreCommunities,
                 const std::vector<std::string>& moreLines);

    void StopProcess();

    std::string m_stateDir;
    std::uint16_t m_port = 0;
    pid_t m_pid = 0;
};
