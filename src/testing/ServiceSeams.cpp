// The seams of the layer's two background services (SnmpTesting.h): the trap service's port,
// bounds, observer, counters, stop and SNMPv3 engine, and the MIB module load's wait, hold and
// stop.
#include "testing/SnmpTesting.h"

#include "snmpapi/MibModules.h"
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/TrapService.h"

#include <vector>

void SnmpMgrSetTrapPortForTesting(std::uint16_t port) {
    TrapServiceSettingsInForce().port = port;
}

void SnmpMgrSetTrapQueueLimitForTesting(std::size_t limit) {
    TrapServiceSettingsInForce().queueLimit = limit;
}

void SnmpMgrSetTrapQueueByteLimitForTesting(std::size_t bytes) {
    TrapServiceSettingsInForce().queueByteLimit = bytes;
}

void SnmpMgrSetTrapListenObserver(std::function<void()> observer) {
    TrapServiceSettingsInForce().listenObserver = std::move(observer);
}

void SnmpMgrTrapServiceStopForTesting() {
    SnmpTrapServiceShutdown();
}

SnmpTrapServiceCounters SnmpMgrGetTrapServiceCounters() {
    return TrapServiceCounters();
}

bool SnmpMgrWaitMibModulesForTesting(int milliseconds) {
    return MibModulesWait(milliseconds);
}

void SnmpMgrHoldMibReaderForTesting(const std::string& fifo, const std::string& beforeFile) {
    SetMibReaderHold(fifo, beforeFile);
}

void SnmpMgrMibModulesStopForTesting() {
    MibModulesStop();
}

std::vector<std::uint8_t> SnmpMgrOwnEngineIdForTesting() {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    u_char own[USM_MAX_ID_LENGTH];
    const std::size_t length = snmpv3_get_engineID(own, sizeof own);
    return {own, own + length};
}

int SnmpEngineTimeBucketForTesting(const std::vector<std::uint8_t>& engine) {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    return hash_engineID(engine.data(), static_cast<u_int>(engine.size()));
}

SnmpTrapServiceEngines SnmpMgrGetTrapServiceEngines() {
    return TrapServiceEngines();
}
