// SNMPv3 notifications for the configured user (see TrapUsm.h).
#include "snmpapi/TrapUsm.h"

#include "snmpapi/SnmpMessage.h"
#include "snmpapi/TrapDecode.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The results of the USM that net-snmp answers with a Report, as RFC 3414, 3.2 says, when
// the message asked for one (informs and probes; never traps, RFC 3412 7.1 (3)).
bool Reported(int result) {
    switch (result) {
    case SNMPERR_USM_UNKNOWNENGINEID:
    case SNMPERR_USM_NOTINTIMEWINDOW:
    case SNMPERR_USM_UNKNOWNSECURITYNAME:
    case SNMPERR_USM_AUTHENTICATIONFAILURE:
    case SNMPERR_USM_UNSUPPORTEDSECURITYLEVEL:
    case SNMPERR_USM_DECRYPTIONERROR:
        return true;
    default:
        return false;
    }
}

UsmNotificationFate FateOf(int result) {
    switch (result) {
    case SNMPERR_USM_UNKNOWNSECURITYNAME:
        return UsmNotificationFate::UnknownUser;
    case SNMPERR_USM_AUTHENTICATIONFAILURE:
        return UsmNotificationFate::WrongDigest;
    case SNMPERR_USM_DECRYPTIONERROR:
        return UsmNotificationFate::Decryption;
    case SNMPERR_USM_NOTINTIMEWINDOW:
        return UsmNotificationFate::TimeWindow;
    case SNMPERR_USM_UNSUPPORTEDSECURITYLEVEL:
        return UsmNotificationFate::SecurityLevel; // beyond the user's level
    case SNMPERR_USM_UNKNOWNENGINEID:
        return UsmNotificationFate::Discovery;
    default:
        return UsmNotificationFate::Malformed;
    }
}

// Seconds of a clock that no change of the system's time moves.
std::int64_t SteadySeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct PduDeleter {
    void operator()(netsnmp_pdu* pdu) const { snmp_free_pdu(pdu); }
};
using PduHolder = std::unique_ptr<netsnmp_pdu, PduDeleter>;

} // namespace

CUsmReceiver::CUsmReceiver() {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    snmp_sess_init(&m_session);
    m_session.version = SNMP_VERSION_3;
    // A notification receiver is authoritative for what asks for an answer (informs and
    // probes) and not for traps (RFC 3412, 7.2 (5)).
    m_session.isAuthoritative = SNMP_SESS_UNKNOWNAUTH;
    UsmSetHook(&m_session, this);
}

CUsmReceiver::~CUsmReceiver() {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    ForgetUsers();
    UsmSetHook(&m_session, nullptr);
}

void CUsmReceiver::SetUser(const UsmUser& user) {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    ForgetUsers();
    m_user = user;
    if (m_user.name.empty())
        return;
    // Informs come to Okapel's own engine: net-snmp made its id when it started (a new one at
    // every start, with boots 1, as no state is kept), and its time runs from then.
    u_char own[USM_MAX_ID_LENGTH];
    const std::size_t length = snmpv3_get_engineID(own, sizeof own);
    EngineId engine(own, own + length);
    if (length > 0 && UsmHoldUser(engine, m_user))
        m_ownEngine = std::move(engine);
}

void CUsmReceiver::ForgetUsers() {
    for (const EngineId& engine : m_engines)
        ForgetEngine(engine);
    m_engines.clear();
    m_engineIndex.clear();
    if (!m_ownEngine.empty())
        UsmReleaseUser(m_ownEngine, m_user.name);
    m_ownEngine.clear();
}

void CUsmReceiver::ForgetEngine(const EngineId& engine) {
    // What net-snmp learnt of the engine's clock is kept beyond the user: made again for a
    // later notification, the user finds it (RestoreEngineTime).
    u_int boots = 0;
    u_int time = 0;
    if (get_enginetime(engine.data(), static_cast<u_int>(engine.size()), &boots, &time, TRUE) ==
            SNMPERR_SUCCESS &&
        (boots != 0 || time != 0))
        m_times.Keep(engine, boots, time, SteadySeconds());
    UsmReleaseUser(engine, m_user.name);
    // The time record that net-snmp keeps for an engine goes with its last user, so that a
    // sender of made-up engine ids leaves nothing behind.
    if (!UsmEngineHeld(engine))
        UsmForgetEngineTime(engine);
}

// Makes the configured user for `engine` unless there is one; `made` says whether it was made
// now. The oldest engine goes when there are too many.
bool CUsmReceiver::KeepEngine(const EngineId& engine, bool* made) {
    *made = false;
    if (engine == m_ownEngine || m_engineIndex.count(engine) != 0)
        return true;
    if (m_engines.size() >= kEngineLimit) {
        ForgetEngine(m_engines.front());
        m_engineIndex.erase(m_engines.front());
        m_engines.pop_front();
    }
    if (!UsmHoldUser(engine, m_user))
        return false;
    RestoreEngineTime(engine);
    m_engines.push_back(engine);
    m_engineIndex[engine] = std::prev(m_engines.end());
    *made = true;
    return true;
}

// Gives net-snmp the engine's boots and time as they were kept when its user went, unless what
// net-snmp knows of the engine (from a request session's user) is as recent.
void CUsmReceiver::RestoreEngineTime(const EngineId& engine) {
    std::uint32_t boots = 0;
    std::uint32_t time = 0;
    if (!m_times.Find(engine, SteadySeconds(), &boots, &time))
        return;
    u_int knownBoots = 0;
    u_int knownTime = 0;
    if (get_enginetime(engine.data(), static_cast<u_int>(engine.size()), &knownBoots, &knownTime,
                       TRUE) == SNMPERR_SUCCESS &&
        (knownBoots > boots || (knownBoots == boots && knownTime >= time)))
        return;
    set_enginetime(engine.data(), static_cast<u_int>(engine.size()), boots, time, TRUE);
}

std::size_t CUsmReceiver::EngineTimesKept() const {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    return m_times.Size();
}

std::size_t CUsmReceiver::EngineTimesFootprint() const {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    return m_times.Footprint();
}

std::size_t CUsmReceiver::EnginesKept() const {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    return m_engines.size() + (m_ownEngine.empty() ? 0 : 1);
}

int CUsmReceiver::Decoded(snmp_secmod_incoming_params* p, int result) {
    if (!m_processing || result != SNMPERR_SUCCESS)
        return result;
    const std::size_t length = ScopedPduLength(*p->scopedPdu, *p->scopedPduLen);
    if (length == 0) {
        // Authenticated, but what was decrypted is no scopedPDU: the privacy key or protocol
        // is not the sender's. net-snmp is kept off the bytes.
        *p->scopedPduLen = 0;
        return p->secLevel == SNMP_SEC_LEVEL_AUTHPRIV ? SNMPERR_USM_DECRYPTIONERROR
                                                      : SNMPERR_USM_PARSEERROR;
    }
    m_plain.assign(*p->scopedPdu, *p->scopedPdu + length);
    m_bare = EncodeBareScopedPdu(m_plain.data(), m_plain.size());
    if (m_bare.empty()) {
        *p->scopedPduLen = 0;
        return SNMPERR_USM_PARSEERROR;
    }
    // net-snmp parses the bare form (the same context, PDU type and request id, no
    // bindings): no value of the notification goes through its parser, which would refuse
    // some that the layer reads, and the bindings of a Response go back as they came.
    *p->scopedPdu = m_bare.data();
    *p->scopedPduLen = m_bare.size();
    return result;
}

UsmNotification CUsmReceiver::Process(const std::uint8_t* data, std::size_t size) {
    UsmNotification out;
    SnmpV3Header header;
    if (!ReadV3Header(data, size, &header))
        return out;
    const EngineId engine(header.engineId, header.engineId + header.engineIdLength);
    const std::string name(reinterpret_cast<const char*>(header.userName), header.userNameLength);
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    // The user must be in net-snmp's table before the message is processed, since the USM
    // looks it up meanwhile (RFC 3411: an engine id has 5 to 32 bytes).
    bool made = false;
    if (!m_user.name.empty() && name == m_user.name && engine.size() >= 5 && engine.size() <= 32 &&
        !KeepEngine(engine, &made))
        return out;
    PduHolder pdu(snmp_pdu_create(0));
    if (!pdu)
        return out;
    // net-snmp reads the datagram in place without changing it.
    std::vector<std::uint8_t> copy(data, data + size);
    std::size_t length = size;
    m_processing = true;
    m_plain.clear();
    const int result = snmpv3_parse(pdu.get(), copy.data(), &length, nullptr, &m_session);
    m_processing = false;
    Judge(pdu.get(), result, &out);
    if (out.fate != UsmNotificationFate::Shown) {
        if (made) {
            m_engines.pop_back();
            m_engineIndex.erase(engine);
        }
        if (made ||
            (engine != m_ownEngine && m_engineIndex.count(engine) == 0 && !UsmEngineHeld(engine)))
            ForgetEngine(engine);
    } else if (const auto kept = m_engineIndex.find(engine); kept != m_engineIndex.end()) {
        m_engines.splice(m_engines.end(), m_engines, kept->second);
    }
    m_plain.clear();
    m_bare.clear();
    return out;
}

void CUsmReceiver::Judge(netsnmp_pdu* pdu, int result, UsmNotification* out) {
    if (result != SNMPERR_SUCCESS) {
        out->fate = FateOf(result);
        if ((pdu->flags & SNMP_MSG_FLAG_RPRT_BIT) && Reported(result))
            Report(pdu, result, out);
        return;
    }
    if (m_plain.empty() || (pdu->command != SNMP_MSG_TRAP2 && pdu->command != SNMP_MSG_INFORM)) {
        out->fate = UsmNotificationFate::Malformed; // a request or an answer sent to the trap port
        return;
    }
    const std::string name = pdu->securityName ? pdu->securityName : "";
    if (m_user.name.empty() || name != m_user.name) {
        // Authenticated as a user of a request session's, not as the configured one.
        out->fate = UsmNotificationFate::UnknownUser;
        return;
    }
    if (pdu->securityLevel < UsmLibraryLevel(m_user.level)) {
        out->fate = UsmNotificationFate::SecurityLevel; // never shown, never answered
        return;
    }
    out->fate = UsmNotificationFate::Shown;
    out->pduType = static_cast<BYTE>(pdu->command);
    out->requestId = static_cast<std::int32_t>(pdu->reqid);
    if (pdu->contextEngineID)
        out->contextEngine.assign(pdu->contextEngineID,
                                  pdu->contextEngineID + pdu->contextEngineIDLen);
    if (pdu->command == SNMP_MSG_INFORM)
        Answer(pdu, out);
    out->scopedPdu = std::move(m_plain);
}

// The Response to a shown inform (RFC 3416, 4.2.7), at the inform's level with its user and
// keys (the parsed PDU's security state), around the inform's own PDU: the bindings go back
// byte for byte. A Response longer than the inform's msgMaxSize (which net-snmp has lowered
// to what Okapel can send, where that is less) would not reach its sender, so it gets the one
// with tooBig and no bindings instead, which it can take whatever it sent.
void CUsmReceiver::Answer(netsnmp_pdu* pdu, UsmNotification* out) {
    const std::vector<std::uint8_t> response =
        EncodeInformResponsePdu(m_plain.data(), m_plain.size());
    if (response.empty())
        return;
    const auto answered = [&](const std::vector<std::uint8_t>& pduBytes) {
        // A clone each time: the builder may use up the security state it is given.
        PduHolder answer(snmp_clone_pdu(pdu));
        if (!answer)
            return false;
        answer->command = SNMP_MSG_RESPONSE;
        answer->flags &= ~UCD_MSG_FLAG_EXPECT_RESPONSE;
        return Build(answer.get(), pduBytes, &out->answer);
    };
    if (!answered(response))
        return;
    if (pdu->msgMaxSize > 0 && out->answer.size() > static_cast<std::size_t>(pdu->msgMaxSize)) {
        out->answer.clear();
        const std::vector<std::uint8_t> tooBig =
            EncodeTooBigResponsePdu(response.data(), response.size());
        if (!tooBig.empty())
            answered(tooBig);
    }
}

// The Report that tells a sender why its inform or probe failed: unknownEngineID with
// Okapel's engine id, boots and time for a discovery, notInTimeWindow (authenticated) with
// its time, and the others (RFC 3414, 3.2).
void CUsmReceiver::Report(netsnmp_pdu* pdu, int result, UsmNotification* out) {
    PduHolder report(snmp_clone_pdu(pdu));
    if (!report || snmpv3_make_report(report.get(), result) != SNMPERR_SUCCESS)
        return;
    report->flags &= ~UCD_MSG_FLAG_EXPECT_RESPONSE;
    Build(report.get(), {}, &out->answer);
}

bool CUsmReceiver::Build(netsnmp_pdu* pdu, const std::vector<std::uint8_t>& pduBytes,
                         std::vector<std::uint8_t>* out) {
    std::size_t capacity = 2048;
    std::size_t offset = 0;
    auto* packet = static_cast<u_char*>(malloc(capacity));
    if (!packet)
        return false;
    // net-snmp builds from the end of its buffer backwards and grows it as it needs.
    const bool built = snmpv3_packet_realloc_rbuild(
                           &packet, &capacity, &offset, &m_session, pdu,
                           const_cast<u_char*>(pduBytes.empty() ? nullptr : pduBytes.data()),
                           pduBytes.size()) == 0;
    if (built)
        out->assign(packet + capacity - offset, packet + capacity);
    free(packet);
    return built;
}

