// What the layer does inside net-snmp beyond its documented calls, all in this one place:
// ending a session's requests early, putting the layer's hooks in the places of the User-based
// Security Model's message functions, and forgetting one engine's time record. Each relies
// on the library as Debian 12's and Debian 13's releases (5.9.3, 5.9.4) have it; the layer's
// tests check that the library that runs still behaves so (SnmpLibraryInternalsDisagreement).
#pragma once

#include "snmpapi/SnmpInternal.h"

#include <net-snmp/library/snmp_secmod.h>

#include <vector>

// Whether `version`, as netsnmp_get_version() gives it, is a release whose internals the
// functions below were written for: 5.9.3 or 5.9.4, with or without a suffix of its own
// ("5.9.4.pre2", "5.9.3.1").
bool LibraryVersionKnown(const char* version);
// Whether the library that runs is one of those.
bool LibraryInternalsKnown();

// Ends every request that net-snmp holds for the single session `sessp` as its time-outs
// would end it: its callback is told of a time-out, the request is removed, and nothing more
// is sent for it. False, with nothing done, where LibraryInternalsKnown() is false. Under the
// library lock.
bool LibraryEndRequests(void* sessp);

// The USM's functions for a message that arrives and for one that goes out.
struct LibraryUsmFunctions {
    SecmodInMsg* decode = nullptr;
    SecmodOutMsg* encodeReverse = nullptr;
    SecmodOutMsg* encodeForward = nullptr;
};
// Puts `wrappers` in the places of the USM's own functions in net-snmp's registration of the
// security model (its snmp_secmod_def, through which the library handles every USM message of
// every session) and gives the USM's own in `own`, for the wrappers to call; a wrapper left
// null, or a function that the USM lacks, stays as it was. False, with nothing done, where
// the USM is not registered. Once, under the library lock.
bool LibraryWrapUsm(const LibraryUsmFunctions& wrappers, LibraryUsmFunctions* own);

// Forgets what net-snmp learnt of `engine`'s boots and time and keeps the records of the
// engines in `kept` as they were. Under the library lock.
void LibraryForgetEngineTime(const std::vector<u_char>& engine,
                             const std::vector<std::vector<u_char>>& kept);
