// What an SNMPv3 session adds (see UsmSession.h).
#include "snmpapi/UsmSession.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// The error code of a Report that ended a request (RFC 3414, 3.2; RFC 3412, 7.2), 0 for none.
UINT ReportError(int reportType) {
    switch (reportType) {
    case 0:
        return 0;
    case SNMPERR_UNKNOWN_USER_NAME:
        return SNMP_MGMTAPI_USM_UNKNOWN_USER;
    case SNMPERR_AUTHENTICATION_FAILURE:
        return SNMP_MGMTAPI_USM_WRONG_DIGEST;
    case SNMPERR_DECRYPTION_ERR:
        return SNMP_MGMTAPI_USM_DECRYPTION;
    case SNMPERR_UNSUPPORTED_SEC_LEVEL:
        return SNMP_MGMTAPI_USM_UNSUPPORTED_LEVEL;
    case SNMPERR_NOT_IN_TIME_WINDOW:
        return SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW;
    case SNMPERR_UNKNOWN_ENG_ID:
        return SNMP_MGMTAPI_USM_UNKNOWN_ENGINE;
    case SNMPERR_BAD_CONTEXT:
        return SNMP_MGMTAPI_USM_UNKNOWN_CONTEXT;
    default:
        return SNMP_MGMTAPI_USM_REPORT;
    }
}

// usmStats (RFC 3414, 5): 1.3.6.1.6.3.15.1.1.<counter>.0.
constexpr UINT kUsmStats[] = {1, 3, 6, 1, 6, 3, 15, 1, 1};
constexpr UINT kUnsupportedSecLevels = 1;
constexpr UINT kNotInTimeWindows = 2;
constexpr UINT kUnknownUserNames = 3;
constexpr UINT kUnknownEngineIds = 4;
constexpr UINT kWrongDigests = 5;
constexpr UINT kDecryptionErrors = 6;

// snmpUnknownContexts (RFC 3413, 4.1.3): 1.3.6.1.6.3.12.1.5.0.
constexpr UINT kUnknownContexts[] = {1, 3, 6, 1, 6, 3, 12, 1, 5, 0};

// The usmStats counter that a Report's first binding names, 0 for another.
UINT UsmStatsCounter(const std::vector<UINT>& name) {
    constexpr std::size_t prefix = std::size(kUsmStats);
    if (name.size() != prefix + 2 || !std::equal(kUsmStats, kUsmStats + prefix, name.begin()) ||
        name.back() != 0)
        return 0;
    return name[prefix];
}

// The hint for an unauthenticated Report of `counter`, 0 for a counter that has none.
UINT UnverifiedError(UINT counter) {
    switch (counter) {
    case kUnsupportedSecLevels:
        return SNMP_MGMTAPI_USM_UNVERIFIED_UNSUPPORTED_LEVEL;
    case kNotInTimeWindows:
        return SNMP_MGMTAPI_USM_UNVERIFIED_NOT_IN_TIME_WINDOW;
    case kUnknownUserNames:
        return SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_USER;
    case kWrongDigests:
        return SNMP_MGMTAPI_USM_UNVERIFIED_WRONG_DIGEST;
    case kDecryptionErrors:
        return SNMP_MGMTAPI_USM_UNVERIFIED_DECRYPTION;
    default:
        return 0;
    }
}

// The boots of an engine that must be reconfigured before it takes an authenticated message
// again (RFC 3414, 2.2.2).
constexpr std::int32_t kBootLimit = 2147483647;

} // namespace

CUsmSession::CUsmSession(SnmpMgrSession* owner)
    : m_owner(owner), m_user(UsmUser::FromSettings(owner->settings)) {
    // Opening clears the flag on net-snmp's copy of the session; without it the first request
    // would wait for net-snmp's own probe with the library lock held.
    Library()->flags |= SNMP_FLAGS_DONT_PROBE;
    UsmSetHook(Library(), this);
}

CUsmSession::~CUsmSession() {
    UsmSetHook(Library(), nullptr);
    if (!m_engine.empty())
        UsmReleaseUser(m_engine, m_user.name);
}

netsnmp_session* CUsmSession::Library() const {
    return snmp_sess_session(m_owner->sessp);
}

void CUsmSession::StartExchange(int level) {
    m_level = level;
    m_msgIds.clear();
    m_authenticatedReport = false;
    m_timeReports = 0;
    m_bootLimit = false;
    m_engineReported = false;
    m_unverified = 0;
    m_unverifiedAnswer = false;
    m_decodeFailure = 0;
    m_refusedEngine.clear();
}

bool CUsmSession::Sent(std::int32_t msgId) const {
    return std::find(m_msgIds.begin(), m_msgIds.end(), msgId) != m_msgIds.end();
}

UINT CUsmSession::Ready(std::unique_lock<std::mutex>& lock) {
    UINT error = 0;
    // An engine that a Report says is another one, while its time is being learnt, is
    // learnt again, once in a request.
    for (;;) {
        error = 0;
        if (m_engine.empty())
            error = Discover(lock);
        if (error == 0 && !m_synchronised)
            error = Synchronise(lock);
        if (error == 0 || !m_engineReported)
            break;
        m_relearnt = true;
        ForgetEngine();
    }
    StartExchange(UsmLibraryLevel(m_user.level));
    return error;
}

bool CUsmSession::Exchange(netsnmp_pdu* pdu, PendingRequest* pending, bool* sent,
                           std::unique_lock<std::mutex>& lock) {
    StartExchange(pdu->securityLevel ? pdu->securityLevel : UsmLibraryLevel(m_user.level));
    StartRequest(m_owner, pdu->reqid);
    *sent = SendAndAwait(m_owner, pdu, pending, lock);
    // The probe and the synchronising Get are asked for what the USM learns of them, not for
    // their answers.
    SnmpMessage answer;
    const bool answered = TakeRequestAnswer(m_owner, *pending, &answer);
    SnmpMessageFree(&answer);
    return answered;
}

// RFC 3414, 4: a message at noAuthNoPriv with no user name and no engine id, to which the
// agent answers with an unknownEngineID Report that carries its engine id; net-snmp keeps
// it in the session. It names no object and no user.
UINT CUsmSession::Discover(std::unique_lock<std::mutex>& lock) {
    netsnmp_pdu* probe = snmp_pdu_create(SNMP_MSG_GET);
    char* noName = probe ? strdup("") : nullptr;
    if (!noName) {
        snmp_free_pdu(probe);
        return SNMP_MGMTAPI_NO_MEMORY;
    }
    probe->version = SNMP_VERSION_3;
    probe->securityModel = SNMP_SEC_MODEL_USM;
    probe->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
    probe->securityName = noName;
    probe->securityNameLen = 0;
    PendingRequest pending;
    bool sent = false;
    Exchange(probe, &pending, &sent, lock);
    const netsnmp_session* library = Library();
    if (!sent)
        return SNMP_MGMTAPI_INVALID_BUFFER;
    if (library->securityEngineIDLen == 0)
        return SNMP_MGMTAPI_TIMEOUT;
    EngineId engine(library->securityEngineID,
                    library->securityEngineID + library->securityEngineIDLen);
    if (!UsmHoldUser(engine, m_user))
        return SNMP_MGMTAPI_NO_MEMORY;
    m_engine = std::move(engine);
    // Without authentication there is no time to keep (RFC 3414, 3.1 (1)).
    m_synchronised = m_user.level == SNMP_MGR_NOAUTH_NOPRIV;
    return 0;
}

// RFC 3414, 4: an empty Get at the session's level with boots and time 0 (the probe's time,
// which anyone could have sent, is forgotten first). The agent answers with its
// authenticated notInTimeWindow Report, from which net-snmp takes the time and sends the Get
// again, and then with a Response. A Report names what is wrong with the user or its
// authentication key; silence after the authenticated Report, at authPriv, can only be the
// privacy key or protocol, since the agent answered a moment before and could not read what
// followed. The Get asks the agent's default context (the empty name, RFC 3411, 3.3.1),
// which every agent has, not the session's: an agent that drops a request to a context it
// does not know, as snmpd does, would otherwise be silent for the context's sake and the
// silence taken for a wrong privacy key.
UINT CUsmSession::Synchronise(std::unique_lock<std::mutex>& lock) {
    UsmForgetEngineTime(m_engine);
    netsnmp_pdu* get = snmp_pdu_create(SNMP_MSG_GET);
    char* defaultContext = get ? strdup("") : nullptr;
    if (!defaultContext) {
        snmp_free_pdu(get);
        return SNMP_MGMTAPI_NO_MEMORY;
    }
    get->contextName = defaultContext;
    get->contextNameLen = 0;
    PendingRequest pending;
    bool sent = false;
    if (Exchange(get, &pending, &sent, lock)) {
        m_synchronised = true;
        return 0;
    }
    if (!sent)
        return SNMP_MGMTAPI_INVALID_BUFFER;
    return WhyUnsynchronised(pending);
}

// Why the synchronising Get got no answer, from what came instead, the surest first: an
// engine at its boot limit; an authenticated Report of why; the time window failed again
// after the agent's time was learnt from its first Report; silence at authPriv after an
// authenticated Report, which only the privacy key explains (a Report that could not be
// verified is no silence: the agent may have read the request); and last what could not be
// verified.
UINT CUsmSession::WhyUnsynchronised(const PendingRequest& pending) const {
    if (m_bootLimit)
        return SNMP_MGMTAPI_USM_BOOT_LIMIT;
    if (const UINT reported = ReportError(pending.reportType))
        return reported == SNMP_MGMTAPI_USM_UNKNOWN_ENGINE ? SNMP_MGMTAPI_TIMEOUT : reported;
    if (m_timeReports >= 2 || m_decodeFailure == SNMPERR_USM_NOTINTIMEWINDOW)
        return SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW;
    if (m_authenticatedReport && !m_unverifiedAnswer && m_user.level == SNMP_MGR_AUTH_PRIV)
        return SNMP_MGMTAPI_USM_DECRYPTION;
    return m_unverified ? m_unverified : SNMP_MGMTAPI_TIMEOUT;
}

void CUsmSession::ForgetEngine() {
    UsmReleaseUser(m_engine, m_user.name);
    m_engine.clear();
    m_synchronised = false;
    netsnmp_session* library = Library();
    SNMP_FREE(library->securityEngineID);
    library->securityEngineIDLen = 0;
    SNMP_FREE(library->contextEngineID);
    library->contextEngineIDLen = 0;
}

UINT CUsmSession::Failure(const PendingRequest& pending, bool mayRetry) {
    if (m_bootLimit)
        return SNMP_MGMTAPI_USM_BOOT_LIMIT; // no new time makes it take the request
    UINT error = ReportError(pending.reportType);
    bool engineChanged = error == SNMP_MGMTAPI_USM_UNKNOWN_ENGINE || m_engineReported;
    bool timeChanged = error == SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW;
    if (error == 0) {
        // No answer. What came meanwhile tells why: an authenticated message from a time
        // before the one learnt, which RFC 3414 (3.2 (7)(b)) refuses as it would a replay
        // and which learning the time afresh must not make acceptable; authenticated
        // notInTimeWindow Reports after which net-snmp's own resending with the agent's new
        // time got none; or a Report from another engine, for which the user has no keys
        // (the agent's engine id changed, as when another agent took its address).
        if (m_decodeFailure == SNMPERR_USM_NOTINTIMEWINDOW)
            return SNMP_MGMTAPI_USM_TIME_WENT_BACK;
        timeChanged = m_timeReports > 0;
        engineChanged = engineChanged || (m_decodeFailure == SNMPERR_USM_UNKNOWNSECURITYNAME &&
                                          !m_refusedEngine.empty() && m_refusedEngine != m_engine);
        error = timeChanged                          ? SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW
                : engineChanged && !m_engineReported ? SNMP_MGMTAPI_USM_UNKNOWN_ENGINE
                : m_unverified                       ? m_unverified
                                                     : SNMP_MGMTAPI_TIMEOUT;
    }
    if (!mayRetry || (!timeChanged && !engineChanged))
        return error;
    if (m_engineReported)
        m_relearnt = true;
    if (engineChanged)
        ForgetEngine();
    m_synchronised = false;
    return 0;
}

int CUsmSession::Decoded(snmp_secmod_incoming_params* p, int result) {
    SnmpV3Report report;
    const bool answersExchange = m_owner->waiting && p->wholeMsg &&
                                 ReadV3Report(p->wholeMsg, p->wholeMsgLen, &report) &&
                                 Sent(report.msgId);
    // Whether the message is unauthenticated is what net-snmp found in its flags, not what the
    // layer's stricter reading of it could tell: a message that the layer cannot read but
    // net-snmp can is no less one that anyone could have sent.
    if (m_owner->waiting && p->secLevel == SNMP_SEC_LEVEL_NOAUTH &&
        m_level != SNMP_SEC_LEVEL_NOAUTH) {
        // An unauthenticated message to an authenticated request: see UsmSession.h. Any such
        // message is refused, a Report that names no counter too, which net-snmp would take
        // for the agent's refusal of the request; only the ones that answer the request are
        // told as hints.
        if (!answersExchange) {
            if (result == SNMPERR_SUCCESS)
                *p->scopedPduLen = 0;
            return SNMPERR_USM_PARSEERROR;
        }
        const UINT counter = UsmStatsCounter(report.counter);
        if (counter == kUnknownEngineIds) {
            // Learnt anew once in a request; after that, another such Report waits with the
            // request for its answer.
            if (!m_relearnt) {
                m_engineReported = true;
                m_owner->endRequest = true;
            }
        } else if (const UINT hint = UnverifiedError(counter)) {
            m_unverified = hint;
        } else if (std::equal(report.counter.begin(), report.counter.end(),
                              std::begin(kUnknownContexts), std::end(kUnknownContexts))) {
            m_unverified = SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_CONTEXT;
        }
        m_unverifiedAnswer = true;
        if (result == SNMPERR_SUCCESS)
            *p->scopedPduLen = 0;
        return SNMPERR_USM_PARSEERROR;
    }
    // An authenticated message that the agent's engine sent at its boot limit, whether or not
    // the USM took it.
    if (answersExchange && (report.flags & kMsgFlagAuth) && report.boots == kBootLimit &&
        (result == SNMPERR_SUCCESS || result == SNMPERR_USM_NOTINTIMEWINDOW))
        m_bootLimit = true;
    if (result != SNMPERR_SUCCESS) {
        m_decodeFailure = result;
        if (p->secEngineID && p->secEngineIDLen)
            m_refusedEngine.assign(p->secEngineID, p->secEngineID + *p->secEngineIDLen);
        return result;
    }
    const u_char* plain = *p->scopedPdu;
    const std::size_t length = ScopedPduLength(plain, *p->scopedPduLen);
    if (length == 0) {
        // Authenticated, but no scopedPDU came of the decryption: the agent's privacy key is
        // not ours. net-snmp is kept off the bytes.
        *p->scopedPduLen = 0;
        m_decodeFailure = p->secLevel == SNMP_SEC_LEVEL_AUTHPRIV ? SNMPERR_USM_DECRYPTIONERROR
                                                                 : SNMPERR_USM_PARSEERROR;
        return m_decodeFailure;
    }
    std::int32_t requestId = 0;
    const BYTE type = PeekScopedPdu(plain, length, &requestId);
    if (type == SNMP_MSG_REPORT && p->secLevel != SNMP_SEC_LEVEL_NOAUTH) {
        m_authenticatedReport = true;
        if (answersExchange && UsmStatsCounter(report.counter) == kNotInTimeWindows)
            ++m_timeReports;
    }
    // Reports are net-snmp's to act on, and an answer to an earlier request is dropped as it
    // would drop it.
    if (type != SNMP_MSG_RESPONSE || !m_owner->waiting || requestId != m_owner->requestId)
        return result;
    SnmpMessage message;
    m_bare = EncodeBareScopedPdu(plain, length);
    if (m_bare.empty() || !DecodeScopedPdu(plain, length, &message)) {
        // Not well formed down to its bindings: no answer, as for SNMPv1 and SNMPv2c.
        *p->scopedPduLen = 0;
        return SNMPERR_USM_PARSEERROR;
    }
    message.community = nullptr; // the context name, in a buffer that goes with the parse
    message.communityLength = 0;
    SnmpMessageFree(&m_owner->answer);
    m_owner->answer = message;
    m_owner->answered = true;
    // net-snmp parses the bare form (the same context and request id, no bindings), which
    // it matches to the request as ever; the values are read by the layer alone.
    *p->scopedPdu = m_bare.data();
    *p->scopedPduLen = m_bare.size();
    return result;
}

void CUsmSession::Encoding(snmp_secmod_outgoing_params* p) {
    // net-snmp's encoder has no SEQUENCE value: such a value goes to the library as an OCTET
    // STRING and its tag is set here in the plaintext, before the digest and the encryption.
    if (!p->pdu || !m_owner->waiting || p->pdu->reqid != m_owner->requestId)
        return;
    // Each sending has a msgID of its own (net-snmp gives every retry a new one), by which
    // a Report is known to answer it.
    m_msgIds.push_back(static_cast<std::int32_t>(p->pdu->msgid));
    if (m_owner->sequenceBindings.empty())
        return;
    m_owner->TagSequenceValues(p->scopedPdu,
                               ScopedPduValueTagOffsets(p->scopedPdu, p->scopedPduLen));
}
