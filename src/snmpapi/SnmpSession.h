// A session with an agent as the layer keeps it, and the wait for one request's end: shared by
// SnmpSession.cpp (every version's road) and UsmSession.cpp (what an SNMPv3 session adds).
// Nothing outside src/snmpapi sees it.
#pragma once

#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpMessage.h"

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
};

// How one request ended, as net-snmp's callback told it.
struct PendingRequest {
    bool done = false;
    bool answered = false; // a Response came
    int reportType = 0;    // the SNMPERR_ code of the Report that ended it, 0 for none
};

// net-snmp's callback for a request, with a PendingRequest as its `magic`.
int OnResponse(int operation, netsnmp_session* session, int requestId, netsnmp_pdu* pdu,
               void* magic);

// Lets the library wait for the answer, resend and time out until the request has ended,
// holding the library lock only while the library works.
void AwaitRequestEnd(SnmpMgrSession* session, const PendingRequest& pending,
                     std::unique_lock<std::mutex>& lock);

// Sends `pdu` on the session and waits for its end; the PDU is the library's from here, even
// when sending fails. False when it could not be sent at all. Under the library lock.
bool SendAndAwait(SnmpMgrSession* session, netsnmp_pdu* pdu, PendingRequest* pending,
                  std::unique_lock<std::mutex>& lock);
