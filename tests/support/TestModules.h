// The MIB modules written for the tests (tests/mibs: textual conventions, values of every
// type and hint, tables with every kind of INDEX, notifications, two modules whose import is
// missing, a broken one and a file that is no module) beside the net-snmp modules that
// Debian ships, loaded as the program loads them while the object lives; the built-in names
// come back in force after. Nothing here depends on the test framework.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <optional>
#include <string>
#include <vector>

inline constexpr char kTestModulesDir[] = OKAPEL_SOURCE_DIR "/tests/mibs";
inline constexpr char kMachineModulesDir[] = "/usr/share/snmp/mibs";

class CTestModules {
public:
    // Points MIBDIRS at the directories (the test modules and the machine's, unless told
    // otherwise) and, unless `load` is false, loads them and waits for the load's end.
    explicit CTestModules(bool load = true, std::string directories = std::string(kTestModulesDir) +
                                                                      ":" + kMachineModulesDir);
    ~CTestModules();
    CTestModules(const CTestModules&) = delete;
    CTestModules& operator=(const CTestModules&) = delete;

    bool Loaded() const { return m_loaded; }
    const std::string& Directories() const { return m_directories; }

private:
    std::string m_directories;
    std::optional<std::string> m_oldMibDirs;
    bool m_loaded = false;
};

// An identifier of the test module OKAPEL-TEST-VALUES-MIB: .1.3.6.1.4.1.99981 and `rest`.
std::vector<UINT> TestValuesOid(std::vector<UINT> rest);
