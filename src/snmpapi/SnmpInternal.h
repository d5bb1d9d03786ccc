// What the layer's own files share, and no other part of Okapel but the testing library
// sees: the library lock, the one-time start of net-snmp, the allocator's bookkeeping, the
// events' extra holds, and the conversion of our request records into net-snmp's types
// (which lives in SnmpConvert.cpp alone).
#pragma once

#include "snmpapi/SnmpApi.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

// net-snmp's asn1.h defines ASN_SEQUENCE as the bare universal tag number 0x10, without the
// constructed bit, and the macro would silently replace our value type code (the whole tag
// 0x30, SnmpApi.h) in every file of the layer: SEQUENCE values would be neither copied nor
// released, encoded nor tagged. The layer means the whole tag wherever it names it.
#undef ASN_SEQUENCE
static_assert(ASN_SEQUENCE == 0x30);

#include <atomic>
#include <cstdint>
#include <mutex>

// net-snmp is built here without its reentrant locks, so every call into it from any of
// our threads holds this lock. No one holds it while waiting on the network.
std::mutex& SnmpLibraryLock();

// Makes net-snmp print nothing (every log priority goes to a handler that discards it; with
// none, the library would fall back to stderr), warn of nothing in MIB modules, and keep no
// persistent state.
void SnmpLibraryQuiet();

// Starts net-snmp once per process (no configuration files, no MIB files, no logging to
// the terminal). Callers hold SnmpLibraryLock.
void SnmpLibraryInit();

// Stops the trap service's receiver, if the service was ever made, and empties its queue, so
// that the service can listen again and nothing of the USM is in use when the program ends
// (TrapService.cpp).
void SnmpTrapServiceShutdown();

// Bookkeeping of the utility allocator: the blocks handed out (SnmpUtilMemAlloc/ReAlloc and
// the layer's own allocations of identifiers, texts and lists) minus those given back. The
// testing library reads it to find leaks and double releases.
inline std::atomic<std::int64_t> g_snmpLiveBlocks{0};
inline void SnmpCountAlloc() {
    g_snmpLiveBlocks.fetch_add(1, std::memory_order_relaxed);
}
inline void SnmpCountFree() {
    g_snmpLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

// Event holds beyond the creator's (see SnmpUtil.cpp): SnmpEventRetain adds a hold that
// the holder gives back with CloseHandle; the event lives until every hold is given back.
HANDLE SnmpEventRetain(HANDLE event);
int SnmpEventHolders(HANDLE event);
// `hook(context)` runs whenever a holder closes the event and another hold remains. It runs
// under the event's own lock, so it must not call the event's functions; once this call
// has replaced it, no call of the old hook is under way.
void SnmpEventSetReleaseHook(HANDLE event, void (*hook)(void*), void* context);

// Identifier conversion for requests: writes at most `capacity` sub-identifiers; false when
// the identifier does not fit.
bool OidToLibrary(const AsnObjectIdentifier& in, oid* ids, size_t capacity, size_t* length);

// Adds every binding of `list` to `pdu` with its own tag and contents. False for a binding
// that cannot be encoded (an identifier too long, a malformed value record).
bool VarBindsToLibrary(const SnmpVarBindList& list, netsnmp_pdu* pdu);
