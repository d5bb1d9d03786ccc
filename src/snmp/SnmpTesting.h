// Seams of the SNMP layer for the test suite and the benchmarks. The program itself never
// calls anything declared here.
#pragma once

#include "snmp/SnmpApi.h"

#include <cstdint>
#include <functional>

// Blocks handed out by SnmpUtilMemAlloc/ReAlloc (and the layer's own allocations of
// identifiers, texts and lists) minus those given back: a leak shows as a positive
// balance, a double release as a negative one (or as a sanitizer report).
std::int64_t SnmpUtilLiveBlocks();

// Called by SnmpMgrOpen with the texts it was given, before it looks at them.
void SnmpMgrSetOpenObserver(std::function<void(const char* agent, const char* community)> observer);

// Points the trap service at another UDP port (0 restores 162) and binds it to loopback
// only. Takes effect at the next SnmpMgrTrapListen.
void SnmpMgrSetTrapPortForTesting(std::uint16_t port);
// Stops the trap service started by SnmpMgrTrapListen and empties its queue, so that a
// later test can listen again.
void SnmpMgrTrapServiceStopForTesting();

struct SnmpTrapServiceCounters {
    std::uint64_t received;  // datagrams read from the trap sockets
    std::uint64_t queued;    // traps decoded and queued
    std::uint64_t malformed; // datagrams that were not SNMPv1 or SNMPv2c traps
    std::uint64_t overflow;  // traps dropped because the queue was full
};
SnmpTrapServiceCounters SnmpMgrGetTrapServiceCounters();
