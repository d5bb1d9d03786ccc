// The trap service: placeholder until the receiver lands.
#include "snmp/SnmpInternal.h"
#include "snmp/SnmpTesting.h"

BOOL SnmpMgrTrapListen(HANDLE* trapEvent) {
    *trapEvent = nullptr;
    SetLastError(SNMP_MGMTAPI_TRAP_PORT_DENIED);
    return FALSE;
}

BOOL SnmpMgrGetTrap(AsnObjectIdentifier*, AsnOctetString*, AsnInteger*, AsnInteger*,
                    AsnTimeticks*, SnmpVarBindList*) {
    SetLastError(SNMP_MGMTAPI_NOTRAPS);
    return FALSE;
}

void SnmpMgrSetTrapPortForTesting(std::uint16_t) {}
void SnmpMgrTrapServiceStopForTesting() {}
SnmpTrapServiceCounters SnmpMgrGetTrapServiceCounters() { return {}; }
