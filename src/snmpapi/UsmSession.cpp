// What an SNMPv3 session adds (see UsmSession.h).
#include "snmpapi/UsmSession.h"

#include <cstdlib>
#include <cstring>

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

void CUsmSession::StartExchange() {
    m_authenticatedReport = false;
    m_decodeFailure = 0;
    m_refusedEngine.clear();
}

UINT CUsmSession::Ready(std::unique_lock<std::mutex>& lock) {
    UINT error = 0;
    if (m_engine.empty())
        error = Discover(lock);
    if (error == 0 && !m_synchronised)
        error = Synchronise(lock);
    StartExchange();
    return error;
}

bool CUsmSession::Exchange(netsnmp_pdu* pdu, PendingRequest* pending, bool* sent,
                           std::unique_lock<std::mutex>& lock) {
    StartExchange();
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
// followed.
UINT CUsmSession::Synchronise(std::unique_lock<std::mutex>& lock) {
    UsmForgetEngineTime(m_engine);
    netsnmp_pdu* get = snmp_pdu_create(SNMP_MSG_GET);
    if (!get)
        return SNMP_MGMTAPI_NO_MEMORY;
    PendingRequest pending;
    bool sent = false;
    if (Exchange(get, &pending, &sent, lock)) {
        m_synchronised = true;
        return 0;
    }
    if (!sent)
        return SNMP_MGMTAPI_INVALID_BUFFER;
    if (const UINT reported = ReportError(pending.reportType))
        return reported;
    if (m_authenticatedReport && m_user.level == SNMP_MGR_AUTH_PRIV)
        return SNMP_MGMTAPI_USM_DECRYPTION;
    return SNMP_MGMTAPI_TIMEOUT;
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
    UINT error = ReportError(pending.reportType);
    bool engineChanged = error == SNMP_MGMTAPI_USM_UNKNOWN_ENGINE;
    bool timeChanged = error == SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW;
    if (error == 0) {
        // No answer. What the USM refused meanwhile tells why: an authenticated Report from
        // a time before the one learnt (the agent's boots or its clock went back), or a
        // Report from another engine, for which the user has no keys (the agent's engine id
        // changed, as when another agent took its address).
        timeChanged = m_decodeFailure == SNMPERR_USM_NOTINTIMEWINDOW;
        engineChanged = m_decodeFailure == SNMPERR_USM_UNKNOWNSECURITYNAME &&
                        !m_refusedEngine.empty() && m_refusedEngine != m_engine;
        error = timeChanged     ? SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW
                : engineChanged ? SNMP_MGMTAPI_USM_UNKNOWN_ENGINE
                                : SNMP_MGMTAPI_TIMEOUT;
    }
    if (!mayRetry || (!timeChanged && !engineChanged))
        return error;
    if (engineChanged)
        ForgetEngine();
    m_synchronised = false;
    return 0;
}

int CUsmSession::Decoded(snmp_secmod_incoming_params* p, int result) {
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
    if (type == SNMP_MSG_REPORT && p->secLevel != SNMP_SEC_LEVEL_NOAUTH)
        m_authenticatedReport = true;
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
    if (m_owner->sequenceBindings.empty() || !p->pdu || p->pdu->reqid != m_owner->requestId)
        return;
    m_owner->TagSequenceValues(p->scopedPdu,
                               ScopedPduValueTagOffsets(p->scopedPdu, p->scopedPduLen));
}
