// A session with an agent as the layer keeps it, its reading of the answers to its requests,
// and the wait for one request's end: shared by SnmpSession.cpp (every version's road),
// UsmSession.cpp (what an SNMPv3 session adds) and the testing library. No other part of
// Okapel sees them.
#pragma once

#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpMessage.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CUsmSession;

using SendFunction = int (*)(netsnmp_transport*, const void*, int, void**, int*);
using ReceiveFunction = int (*)(netsnmp_transport*, void*, int, void**, int*);

struct SnmpMgrSession {
    SnmpMgrSession();
    ~SnmpMgrSession();

    void* sessp = nullptr; // net-snmp's single-session handle
    SnmpMgrSessionSettings settings;
    netsnmp_transport* transport = nullptr;
    SendFunction send = nullptr;
    ReceiveFunction receive = nullptr;
    // The request under way: the SEQUENCE bindings to tag on every sending (each retry
    // included), its request id, and its answer once one has come.
    std::vector<UINT> sequenceBindings;
    bool waiting = false;
    long requestId = 0;
    bool answered = false;
    SnmpMessage answer;
    // What an SNMPv3 session adds: its engine, user and security; null for the others.
    std::unique_ptr<CUsmSession> usm;
    // Held for the whole of each request, so that the windows that share the session (the
    // main window's commands, the live counters' rounds) send one request at a time: a
    // request from a second thread waits for the first's end.
    std::mutex requestLock;
    // SnmpMgrCancelRequests: the flag that refuses requests, and an eventfd that wakes the
    // wait of the one under way; both set from any thread.
    std::atomic<bool> cancelled{false};
    int cancelFd = -1;
    // The sendings of the request under way (its first and its retries), for its progress.
    std::atomic<UINT> sendings{0};
    // Set while the library reads a datagram when what came ends the request under way
    // at once (a Report of another engine, learnt anew before the request goes again); the
    // wait then ends it as its last time-out would.
    bool endRequest = false;

    // Sets to SEQUENCE the tag of each value of `sequenceBindings`, which net-snmp's encoder
    // wrote as an OCTET STRING; `valueTags` are where the values' tags lie in `message`.
    void TagSequenceValues(u_char* message, const std::vector<std::size_t>& valueTags) const;
};

// How one request ended, as net-snmp's callback told it.
struct PendingRequest {
    bool done = false;
    bool answered = false; // a Response came
    int reportType = 0;    // the SNMPERR_ code of the Report that ended it, 0 for none
};

// Makes the session wait for the answer to the request `requestId`, none taken yet. Under
// the library lock.
void StartRequest(SnmpMgrSession* session, long requestId);

// Ends the request's state in the session and takes its answer, which the caller then owns;
// false, with nothing to own, when none came. Under the library lock.
bool TakeRequestAnswer(SnmpMgrSession* session, const PendingRequest& pending, SnmpMessage* answer);

// Sends `pdu` on the session, with `pending` to be told of its end, and returns at once; the
// PDU is the library's from here, even when sending fails. False when it could not be sent
// at all. Under the library lock.
bool SendRequest(SnmpMgrSession* session, netsnmp_pdu* pdu, PendingRequest* pending);

// Sends `pdu` on the session and waits for its end; the PDU is the library's from here, even
// when sending fails. False when it could not be sent at all. Under the library lock.
bool SendAndAwait(SnmpMgrSession* session, netsnmp_pdu* pdu, PendingRequest* pending,
                  std::unique_lock<std::mutex>& lock);

// What one request asks for: its PDU type and, for a GetBulk, its two counts (RFC 3416,
// 4.2.3), which net-snmp carries in the places of the error status and index.
struct RequestShape {
    BYTE type = SNMP_PDU_GET;
    UINT nonRepeaters = 0;
    UINT maxRepetitions = 0;

    // The most bindings a successful answer may carry: the request's own number, or for a
    // GetBulk the non-repeaters and every repetition of the others.
    std::uint64_t MostBindings(UINT asked) const {
        if (type != SNMP_PDU_GETBULK)
            return asked;
        const UINT repeaters = asked - std::min(asked, nonRepeaters);
        return std::uint64_t{nonRepeaters} + std::uint64_t{maxRepetitions} * repeaters;
    }
    // Whether a successful answer of `got` bindings carries what was asked for.
    bool Carries(UINT got, UINT asked) const {
        return type == SNMP_PDU_GETBULK ? got <= MostBindings(asked) : got == asked;
    }
};

// Takes the answer to the request under way out of `datagram` (`size` bytes, in a buffer
// that net-snmp reads afterwards) and leaves the bare response in its place. Returns the
// bare response's length, or -1 when the datagram is no such answer.
int TakeAnswer(SnmpMgrSession& session, u_char* datagram, int size);

// What the request flows receive of an answer (RFC 1157, 4.1; RFC 3416, 4.2.3): the
// answer's bindings in place of the request's, or, for an error answer that does not carry
// them all, the request's bindings as they were sent beside the agent's status and index.
// Releases `answer`'s blocks or hands them to `list`. What SnmpMgrRequest returns.
int HandOver(SnmpMessage* answer, const RequestShape& shape, SnmpVarBindList* list,
             AsnInteger* errorStatus, AsnInteger* errorIndex);

// Called by SnmpMgrOpenSession with the texts it was given, before it looks at them, when
// one is set.
using SnmpOpenObserver = std::function<void(const char* agent, const char* community)>;
SnmpOpenObserver& SnmpOpenObserverSlot();
