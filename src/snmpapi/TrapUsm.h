// SNMPv3 notifications at the trap service: each datagram authenticated, checked against
// its time window and decrypted by net-snmp's User-based Security Model as it arrives, for
// the one user that the operator configured, with that user's keys localised for the
// sender's engine; the plaintext read by the layer's own decoder when the trap is handed out.
// For informs Okapel is the authoritative engine (RFC 3414, 1.5.1): they are sent to its
// engine id, discovered with a Report of ours, and answered with a Response at the inform's
// own level.
//
// No net-snmp session or transport is involved: the trap service reads the datagrams on its
// own sockets and hands each to snmpv3_parse with a session record that says only "a
// notification receiver"; the answers are built with net-snmp's message builder and sent by
// the trap service. Nothing outside src/snmpapi sees this.
#pragma once

#include "snmpapi/EngineTimes.h"
#include "snmpapi/Usm.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <vector>

// What became of one SNMPv3 datagram.
enum class UsmNotificationFate {
    Shown,         // a notification of the configured user at its level: `scopedPdu` holds it
    UnknownUser,   // another user name, or none configured
    WrongDigest,   // not authenticated
    Decryption,    // authenticated, not decrypted
    TimeWindow,    // outside the time window
    SecurityLevel, // below (or beyond) the configured user's level
    Malformed,     // no SNMPv3 message, or no notification
    Discovery,     // a probe for our engine id or time, or an inform for an old engine id of
                   // ours: answered with a Report, nothing to show or count
};

struct UsmNotification {
    UsmNotificationFate fate = UsmNotificationFate::Malformed;
    std::vector<std::uint8_t> scopedPdu; // the plaintext, when shown
    BYTE pduType = 0;                    // SNMP_PDU_TRAP or SNMP_PDU_INFORM, when shown
    std::int32_t requestId = 0;
    std::vector<std::uint8_t> contextEngine; // the scopedPDU's contextEngineID, when shown
    std::vector<std::uint8_t> answer; // a Response (to a shown inform) or a Report to send back
};

class CUsmReceiver : private UsmMessageHook {
public:
    // The engines, other than Okapel's own, for which a user is kept: the ones that
    // authenticated last. A sender of made-up engine ids gets no more than this.
    static constexpr std::size_t kEngineLimit = 1024;

    CUsmReceiver();
    ~CUsmReceiver() override;
    CUsmReceiver(const CUsmReceiver&) = delete;
    CUsmReceiver& operator=(const CUsmReceiver&) = delete;

    // Takes notifications of `user` from now on; an empty name takes none. The users made for
    // the former user go.
    void SetUser(const UsmUser& user);

    // One SNMPv3 datagram as it arrived.
    UsmNotification Process(const std::uint8_t* data, std::size_t size);

    // The engines for which a user is kept now, Okapel's own included.
    std::size_t EnginesKept() const;
    // The engines whose boots and time are kept beyond their users, and the bytes they take.
    std::size_t EngineTimesKept() const;
    std::size_t EngineTimesFootprint() const;

private:
    int Decoded(snmp_secmod_incoming_params* p, int result) override;

    void ForgetUsers();
    bool KeepEngine(const EngineId& engine, bool* made);
    void ForgetEngine(const EngineId& engine);
    void RestoreEngineTime(const EngineId& engine);
    void Judge(netsnmp_pdu* pdu, int result, UsmNotification* out);
    void Answer(netsnmp_pdu* pdu, UsmNotification* out);
    void Report(netsnmp_pdu* pdu, int result, UsmNotification* out);
    bool Build(netsnmp_pdu* pdu, const std::vector<std::uint8_t>& pduBytes,
               std::vector<std::uint8_t>* out);

    netsnmp_session m_session{}; // what snmpv3_parse and the builder are handed
    UsmUser m_user;
    EngineId m_ownEngine; // Okapel's engine id, for which the user is kept while configured
    std::list<EngineId> m_engines; // senders' engines with a user, least recently shown first
    std::map<EngineId, std::list<EngineId>::iterator> m_engineIndex;
    CEngineTimes m_times; // kept across users: the engines' clocks are not the user's

    // The datagram being processed, as the decode hook leaves it.
    bool m_processing = false;
    std::vector<std::uint8_t> m_plain;
    std::vector<std::uint8_t> m_bare;
};
