// SNMPv3 users for the tests and benchmarks: one per security level and a few protocol pairs,
// as createUser lines of the demo agent's configuration, as the session settings that reach
// them, and as the options by which net-snmp's tools (snmpget, snmptrap, snmpinform) reach
// them. Passphrases are test values only.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string>
#include <vector>

struct UsmTestUser {
    const char* name;
    int level;
    int authProtocol;
    const char* authPassphrase;
    int privProtocol;
    const char* privPassphrase;
};

// Every user the agent knows, read-write.
const std::vector<UsmTestUser>& UsmTestUsers();
// The demo agent's own user, whatever lines a test adds: the README's SNMPv3 example.
const UsmTestUser& UsmDemoUser();
// The user of `name` among them, the demo agent's own included.
const UsmTestUser& UsmTestUserNamed(const std::string& name);
// The agent's configuration lines for all of them (DemoAgent::Start's `moreLines`).
std::vector<std::string> UsmAgentLines();

// net-snmp's tools' names of a protocol: "SHA-256", "AES-192".
const char* AuthProtocolName(int protocol);
const char* PrivProtocolName(int protocol);

// Session settings for `user`, with its keys made from its passphrases, or from these
// passphrases where given.
SnmpMgrSessionSettings UsmSettings(const UsmTestUser& user, const char* authPassphrase = nullptr,
                                   const char* privPassphrase = nullptr);

// The options of net-snmp's tools for `user` at its level: "-v3 -l authPriv -u ... -a ...".
std::vector<std::string> UsmToolOptions(const UsmTestUser& user);
