#include "support/TestModules.h"

#include "testing/SnmpTesting.h"

#include <cstdlib>

CTestModules::CTestModules(bool load, std::string directories)
    : m_directories(std::move(directories)) {
    if (const char* old = std::getenv("MIBDIRS"))
        m_oldMibDirs = old;
    setenv("MIBDIRS", m_directories.c_str(), 1);
    if (load) {
        SnmpMgrLoadMibModules();
        m_loaded = SnmpMgrWaitMibModulesForTesting(60000);
    }
}

CTestModules::~CTestModules() {
    SnmpMgrMibModulesStopForTesting();
    if (m_oldMibDirs)
        setenv("MIBDIRS", m_oldMibDirs->c_str(), 1);
    else
        unsetenv("MIBDIRS");
}

std::vector<UINT> TestValuesOid(std::vector<UINT> rest) {
    std::vector<UINT> ids = {1, 3, 6, 1, 4, 1, 99981};
    ids.insert(ids.end(), rest.begin(), rest.end());
    return ids;
}
