// Seams of the SNMP layer for the tests, the benchmarks and the fuzz targets, defined in the
// testing library (okapel_testing), which they link and the program does not.
#pragma once

#include "snmpapi/SnmpApi.h"
#include "snmpapi/TrapDecode.h"  // SnmpTrapRecord
#include "snmpapi/TrapService.h" // SnmpTrapServiceCounters

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Blocks handed out by SnmpUtilMemAlloc/ReAlloc (and the layer's own allocations of
// identifiers, texts and lists) minus those given back: a leak shows as a positive
// balance, a double release as a negative one (or as a sanitizer report).
std::int64_t SnmpUtilLiveBlocks();

// Hands `text` to net-snmp's own logging at error priority, as the library does when a
// datagram or a socket displeases it.
void SnmpLibraryLogForTesting(const char* text);

// Called by SnmpMgrOpen with the texts it was given, before it looks at them.
void SnmpMgrSetOpenObserver(std::function<void(const char* agent, const char* community)> observer);

// Points the trap service at another UDP port (0 restores 162) and binds it to loopback
// only. Takes effect at the next SnmpMgrTrapListen.
void SnmpMgrSetTrapPortForTesting(std::uint16_t port);
// Stops the trap service started by SnmpMgrTrapListen and empties its queue, so that a
// later test can listen again.
void SnmpMgrTrapServiceStopForTesting();

// Since the last successful SnmpMgrTrapListen (see TrapService.h).
SnmpTrapServiceCounters SnmpMgrGetTrapServiceCounters();
SnmpTrapServiceEngines SnmpMgrGetTrapServiceEngines();

// Sets the digest of an SNMPv3 message at authNoPriv with HMAC-SHA-96 (RFC 3414, 6.3.1) made
// with `passphrase`'s key localised for `engine`: the 12 bytes of its
// msgAuthenticationParameters begin at `digestAt`. False when no key can be made.
bool SnmpSignV3ForTesting(std::vector<std::uint8_t>* message, std::size_t digestAt,
                          const std::string& passphrase, const std::vector<std::uint8_t>& engine);

// Bounds the trap queue at `limit` datagrams (0 restores 100,000), from the next listen on.
void SnmpMgrSetTrapQueueLimitForTesting(std::size_t limit);
// Bounds the trap queue at `bytes` of queued datagrams and their records (0 restores
// 64 MiB), from the next listen on.
void SnmpMgrSetTrapQueueByteLimitForTesting(std::size_t bytes);
// Called by SnmpMgrTrapListen on the listening thread before it does anything else.
void SnmpMgrSetTrapListenObserver(std::function<void()> observer);

// Okapel's own SNMPv3 engine id, to which informs are sent (RFC 3414, 1.5.1).
std::vector<std::uint8_t> SnmpMgrOwnEngineIdForTesting();
// Which of net-snmp's buckets of engine time records `engine`'s record falls in.
int SnmpEngineTimeBucketForTesting(const std::vector<std::uint8_t>& engine);

// Decodes one datagram exactly as the trap service does. `sender` holds the sender's
// address as it arrived (4 bytes, or 16 for IPv6). False for every datagram the service
// drops, with *trap left empty; on true the caller releases it with SnmpTrapRecordFree.
bool SnmpTrapDecodeForTesting(const std::uint8_t* data, std::size_t size,
                              const std::uint8_t* sender, std::size_t senderLength,
                              SnmpTrapRecord* trap);

// What one datagram arriving for a Get of a session of `sessionVersion` gives the request
// flows, without the network: the session's reading of it as the answer to the request
// `requestId`, then the hand-over into `list`, `errorStatus` and `errorIndex` exactly as
// SnmpMgrRequest makes it. Returns -1 when the session ignores the datagram (the request
// would go on waiting), -2 when net-snmp would not take the bare response that stands for it
// in its place, and otherwise what SnmpMgrRequest returns for it.
int SnmpAnswerForTesting(const std::uint8_t* data, std::size_t size, std::int32_t requestId,
                         SnmpVarBindList* list, AsnInteger* errorStatus, AsnInteger* errorIndex,
                         int sessionVersion = SNMP_MGR_VERSION_1);

// The SNMPv3 request that SnmpUsmAnswerForTesting hands a datagram to: a Get of sysDescr.0
// by the user kUsmTestingUser at authNoPriv (SHA), or kUsmTestingPrivUser at authPriv (SHA
// and AES), with these passphrases, whose agent's engine is kUsmTestingEngine at these boots
// and time, just learnt.
inline constexpr char kUsmTestingUser[] = "fuzzer";
inline constexpr char kUsmTestingPrivUser[] = "fuzzer-priv";
inline constexpr char kUsmTestingAuthPassphrase[] = "fuzz-auth-passphrase";
inline constexpr char kUsmTestingPrivPassphrase[] = "fuzz-priv-passphrase";
inline constexpr std::uint8_t kUsmTestingEngine[] = {0x80, 0x00, 0x1F, 0x88, 0x04,
                                                     'f',  'u',  'z',  'z'};
inline constexpr std::int32_t kUsmTestingBoots = 5;
inline constexpr std::int32_t kUsmTestingTime = 2000000;
inline constexpr std::int32_t kUsmTestingMsgId = 4660;
inline constexpr std::int32_t kUsmTestingRequestId = 22136;

// What the one datagram did to the request.
struct SnmpUsmAnswerOutcome {
    bool sent = false;           // the request was made and sent (into nothing)
    bool answered = false;       // the datagram was taken as its answer
    int handedOver = 0;          // then, what SnmpMgrRequest returns for it
    UINT bindings = 0;           // and on 1, the bindings handed over
    bool endedAtOnce = false;    // the datagram ended the request at once
    bool engineReported = false; // a discovery Report answered the request
    UINT error = 0; // the error the request fails with; 0 unanswered: it would go again
};

// Hands one datagram to an SNMPv3 session's answer path as if it arrived on the session's
// socket for a Get under way (an authNoPriv session, or with `privacy` an authPriv one): the
// USM's processing, the session's hooks, net-snmp's matching and the session's judging of
// what came, and, where nothing answered, the request's end as at its last time-out. Nothing
// goes on the network.
SnmpUsmAnswerOutcome SnmpUsmAnswerForTesting(bool privacy, const std::uint8_t* data,
                                             std::size_t size);

// net-snmp's own parser beside the layer's reading of a whole datagram that the layer reads
// as a message: the first field that both read but read differently (the version, the
// community, the PDU type, the request id, the error status and index, the SNMPv1 trap's
// enterprise, agent address, generic and specific trap and time-stamp, each binding's name,
// type and value), as "request id: 5, net-snmp 7"; the empty text when they agree wherever
// both read, and for a datagram that the layer does not read. What net-snmp does not reach
// (it stops at a value it cannot read) is not compared, nor what the two read differently
// by design (SnmpCrossCheck.cpp lists it where the comparison is made): a status or index
// beyond 32 bits, a value or a binding that the layer keeps as ASN_UNFIT_ELEMENT, values
// of tags that net-snmp does not read, and what follows an Opaque that net-snmp unwraps.
std::string SnmpReadingDisagreement(const std::uint8_t* data, std::size_t size);
// The same for an SNMPv3 message's header and USM security parameters as ReadV3Header reads
// them, and for a plaintext scopedPDU as DecodeScopedPdu reads it.
std::string SnmpV3HeaderDisagreement(const std::uint8_t* data, std::size_t size);
std::string SnmpScopedReadingDisagreement(const std::uint8_t* data, std::size_t size);

// Waits up to `milliseconds` for the MIB module load of SnmpMgrLoadMibModules to end
// (published or dropped); true when no load is under way.
bool SnmpMgrWaitMibModulesForTesting(int milliseconds);
// Makes the readers of the next MIB module loads wait once, before they read the module in
// `beforeFile` (the first module they read when it is empty), until the named pipe `fifo`
// is opened for writing. An empty `fifo` ends the hold for the loads after.
void SnmpMgrHoldMibReaderForTesting(const std::string& fifo, const std::string& beforeFile);
// Ends a MIB module load under way and puts the built-in names back in force.
void SnmpMgrMibModulesStopForTesting();

// net-snmp's own reading of the MIB modules that the MIB reader reads (MibReadModulesHere),
// parsed in this process with their descriptions for as long as it lives; one at a time.
// What net-snmp's tools print from them, beside which the cross-checks below put Okapel's.
class CMibParserForTesting {
public:
    CMibParserForTesting();
    ~CMibParserForTesting();
    CMibParserForTesting(const CMibParserForTesting&) = delete;
    CMibParserForTesting& operator=(const CMibParserForTesting&) = delete;

    // snprint_value's text of the binding's value as net-snmp's decoder reads it off the wire
    // ("INTEGER: up(1)"); nullopt for a value that net-snmp cannot read or encode.
    std::optional<std::string> ValueText(const SnmpVarBind& binding) const;
    // What snmptranslate -Td prints after the name for the node at `ids`.
    std::string DescriptionText(const std::vector<UINT>& ids) const;
};

struct MibCrossCheckCounts {
    int compared = 0;
    // Not compared: what rests on a definition that only the built-in names give (net-snmp,
    // without the module, has none), and values that net-snmp cannot read (a SEQUENCE, a tag
    // that no SNMP type has, an element that does not fit its type).
    int notCompared = 0;
    std::vector<std::string> notComparedWhere; // of the values that net-snmp cannot read
    std::vector<std::string> disagreements;    // each: where, Okapel's text and net-snmp's
};

// Okapel's text of each value (values::DescribedValueWithType, with the names in force)
// beside snprint_value's.
MibCrossCheckCounts CrossCheckValues(const CMibParserForTesting& parser,
                                     const std::vector<const SnmpVarBind*>& bindings);
// Okapel's definition text of every node of the names in force that a module defines
// (values::DefinitionText) beside snmptranslate -Td's.
MibCrossCheckCounts CrossCheckDefinitions(const CMibParserForTesting& parser);
