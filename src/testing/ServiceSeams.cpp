// The seams of the layer's two background services (SnmpTesting.h): the trap service's port,
// bounds, observer, counters and stop, and the MIB module load's wait, hold and stop.
#include "testing/SnmpTesting.h"

#include "snmpapi/MibModules.h"
#include "snmpapi/TrapService.h"

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
    TrapServiceStop();
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
