// What an SNMPv3 session adds to a session (RFC 3414): the agent's engine learnt with the
// first request and its time synchronised at the session's level, the user held in net-snmp's
// table for that engine, the plaintext of each answer taken for the layer's own decoder once
// net-snmp has authenticated and decrypted it, and each failure of the User-based Security
// Model named. Nothing outside src/snmpapi sees it.
//
// The engine is learnt without net-snmp's own probe, which would wait for the agent with the
// library lock held: the probe (RFC 3414, 4) is an ordinary request of the session, waited
// for as every request is. Then, from authNoPriv on, an empty Get at the session's own level
// and with boots and time 0 draws the agent's authenticated notInTimeWindow Report, with
// which net-snmp synchronises and sends the Get again (RFC 3414, 4): the Report proves the
// user and its authentication key, and the answer to the Get the privacy key, the one key
// that a wrong value of shows as silence.
//
// What a Report may decide. A Report authenticated with the user's key says what the agent
// found; an unauthenticated one, to a request above noAuthNoPriv, could have come from anyone
// who saw the request, whose msgID travels in clear. Such a Report is refused: the request
// waits on for its answer and ends in its own time, telling the Report only as what it is, a
// hint that could not be verified. The one exception is RFC 3414's discovery Report
// (usmStatsUnknownEngineIDs), never authenticated by its nature: it makes the session learn
// the engine again at once and send the request anew, which gives an attacker nothing that
// discovery does not already give, and yields no box by itself.
#pragma once

#include "snmpapi/SnmpSession.h"
#include "snmpapi/Usm.h"

#include <mutex>
#include <vector>

class CUsmSession : private UsmMessageHook {
public:
    // Attaches to `owner`, opened as an SNMPv3 session with net-snmp's session handle.
    explicit CUsmSession(SnmpMgrSession* owner);
    ~CUsmSession() override; // under the library lock
    CUsmSession(const CUsmSession&) = delete;
    CUsmSession& operator=(const CUsmSession&) = delete;

    // Begins a request of the operator's, which may learn the agent's engine anew once.
    void BeginRequest() { m_relearnt = false; }
    // Makes the session ready for a request: learns the agent's engine and synchronises with
    // its time where that has not been done. 0, or the layer's error code of what failed.
    UINT Ready(std::unique_lock<std::mutex>& lock);

    // After a request that got no answer: the error code to fail it with, or 0 when the
    // session has been made to learn the engine or its time again and the request is worth
    // one more try (`mayRetry`).
    UINT Failure(const PendingRequest& pending, bool mayRetry);
    // Whether the request that just ended drew a Report that the agent's engine is another
    // one (usmStatsUnknownEngineIDs, with the request's msgID), the first of the operator's
    // request: Failure then learns the engine anew, and the request goes again.
    bool EngineReported() const { return m_engineReported; }

private:
    // The testing library's seam that hands a datagram to the answer path without the network.
    friend class CUsmSessionSeam;

    int Decoded(snmp_secmod_incoming_params* p, int result) override;
    void Encoding(snmp_secmod_outgoing_params* p) override;

    bool Exchange(netsnmp_pdu* pdu, PendingRequest* pending, bool* sent,
                  std::unique_lock<std::mutex>& lock);
    UINT Discover(std::unique_lock<std::mutex>& lock);
    UINT Synchronise(std::unique_lock<std::mutex>& lock);
    void ForgetEngine();
    netsnmp_session* Library() const;
    void StartExchange(int level);
    bool Sent(std::int32_t msgId) const;
    UINT WhyUnsynchronised(const PendingRequest& pending) const;

    SnmpMgrSession* m_owner;
    UsmUser m_user;
    EngineId m_engine; // the agent's, with the user held for it; empty until learnt
    bool m_synchronised = false;
    bool m_relearnt = false; // the operator's request under way learnt the engine anew

    // What the hook saw of the messages of the exchange under way.
    int m_level = 0;                    // the exchange's level (SNMP_SEC_LEVEL_*)
    std::vector<std::int32_t> m_msgIds; // of each of its sendings
    bool m_authenticatedReport = false; // a Report at authNoPriv or above: the user's keys work
    int m_timeReports = 0;              // authenticated notInTimeWindow Reports
    bool m_bootLimit = false;           // an authenticated answer at snmpEngineBoots 2^31 - 1
    bool m_engineReported = false;      // a discovery Report that answers the exchange
    UINT m_unverified = 0;              // the hint of the last Report refused as unverified
    bool m_unverifiedAnswer = false;    // any Report refused as unverified
    int m_decodeFailure = 0;            // the USM's last refusal of a message, 0 for none
    EngineId m_refusedEngine;           // whose message that was
    std::vector<std::uint8_t> m_bare;
};
