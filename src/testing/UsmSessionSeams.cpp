// An SNMPv3 session's answer path without the network (SnmpTesting.h): a session whose agent's
// engine is known, a Get sent into nothing, and one datagram handed to net-snmp's reading as if
// it had arrived on the session's socket, so that the USM, the session's hooks, net-snmp's
// matching of the answer and the session's judging of what came all run as they do for a
// request under way.
#include "testing/SnmpTesting.h"

#include "snmpapi/LibraryInternals.h"
#include "snmpapi/SnmpSession.h"
#include "snmpapi/Usm.h"
#include "snmpapi/UsmSession.h"

#include <sys/select.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The datagram that the session's socket "receives" next.
const std::uint8_t* g_datagram = nullptr;
std::size_t g_datagramSize = 0;

int DiscardSending(netsnmp_transport*, const void*, int size, void**, int*) {
    return size;
}

int ReceiveHandedDatagram(netsnmp_transport*, void* buf, int size, void** opaque, int* olength) {
    *opaque = nullptr;
    *olength = 0;
    if (!g_datagram)
        return -1;
    const int length = static_cast<int>(std::min<std::size_t>(g_datagramSize, size));
    std::memcpy(buf, g_datagram, static_cast<std::size_t>(length));
    g_datagram = nullptr;
    return length;
}

SnmpMgrUsmKeyRef MakeKey(const char* passphrase) {
    std::string copy = passphrase; // cleared by the maker
    SnmpMgrUsmKeyRef key;
    SnmpMgrMakeUsmKey(SNMP_MGR_AUTH_SHA, copy.data(), copy.size(), &key);
    return key;
}

LPSNMP_MGR_SESSION OpenSession(bool privacy) {
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_3;
    // Users of one name share their entry in net-snmp's table: each level has its own.
    settings.userName = privacy ? kUsmTestingPrivUser : kUsmTestingUser;
    settings.securityLevel = privacy ? SNMP_MGR_AUTH_PRIV : SNMP_MGR_AUTH_NOPRIV;
    settings.authProtocol = SNMP_MGR_AUTH_SHA;
    settings.authKey = MakeKey(kUsmTestingAuthPassphrase);
    if (privacy) {
        settings.privProtocol = SNMP_MGR_PRIV_AES;
        settings.privKey = MakeKey(kUsmTestingPrivPassphrase);
    }
    settings.timeoutMs = 1000;
    settings.retries = 0;
    // The discard port: nothing is ever sent there, the transport's sending being replaced.
    LPSNMP_MGR_SESSION session = SnmpMgrOpenSession("127.0.0.1:9", "", &settings);
    if (!session)
        return nullptr;
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    session->send = DiscardSending;
    session->transport->f_recv = ReceiveHandedDatagram;
    return session;
}

} // namespace

class CUsmSessionSeam {
public:
    // Makes the session's agent the one of kUsmTestingEngine, its time just learnt. Under
    // the library lock.
    static bool KnowEngine(SnmpMgrSession* session) {
        CUsmSession& usm = *session->usm;
        const EngineId engine(kUsmTestingEngine, kUsmTestingEngine + sizeof kUsmTestingEngine);
        if (usm.m_engine != engine) {
            if (!usm.m_engine.empty())
                usm.ForgetEngine();
            if (!UsmHoldUser(engine, usm.m_user))
                return false;
            usm.m_engine = engine;
            netsnmp_session* library = usm.Library();
            SNMP_FREE(library->securityEngineID);
            SNMP_FREE(library->contextEngineID);
            library->securityEngineID =
                static_cast<u_char*>(netsnmp_memdup(engine.data(), engine.size()));
            library->securityEngineIDLen = engine.size();
            library->contextEngineID =
                static_cast<u_char*>(netsnmp_memdup(engine.data(), engine.size()));
            library->contextEngineIDLen = engine.size();
        }
        UsmForgetEngineTime(engine);
        if (set_enginetime(engine.data(), static_cast<u_int>(engine.size()), kUsmTestingBoots,
                           kUsmTestingTime, TRUE) != SNMPERR_SUCCESS)
            return false;
        usm.m_synchronised = true;
        return true;
    }
};

SnmpUsmAnswerOutcome SnmpUsmAnswerForTesting(bool privacy, const std::uint8_t* data,
                                             std::size_t size) {
    static LPSNMP_MGR_SESSION sessions[2] = {OpenSession(false), OpenSession(true)};
    SnmpMgrSession* session = sessions[privacy ? 1 : 0];
    SnmpUsmAnswerOutcome outcome;
    if (!session || size == 0 || size > 0x7FFFFFFF)
        return outcome;
    std::unique_lock<std::mutex> lock(SnmpLibraryLock());
    if (!LibraryInternalsKnown() || !CUsmSessionSeam::KnowEngine(session))
        return outcome;
    session->usm->BeginRequest();
    if (session->usm->Ready(lock) != 0)
        return outcome; // the engine is known and its time learnt: nothing is asked for
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
    if (!pdu)
        return outcome;
    static const oid kSysDescr[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
    snmp_add_null_var(pdu, kSysDescr, OID_LENGTH(kSysDescr));
    pdu->reqid = kUsmTestingRequestId;
    pdu->msgid = kUsmTestingMsgId;
    StartRequest(session, pdu->reqid);
    PendingRequest pending;
    if (!SendRequest(session, pdu, &pending))
        return outcome;
    outcome.sent = true;

    g_datagram = data;
    g_datagramSize = size;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(session->transport->sock, &readable);
    snmp_sess_read(session->sessp, &readable);
    g_datagram = nullptr;
    outcome.endedAtOnce = session->endRequest;
    // What is still waiting ends as its last time-out would.
    if (!pending.done)
        LibraryEndRequests(session->sessp);

    SnmpMessage answer;
    if (TakeRequestAnswer(session, pending, &answer)) {
        outcome.answered = true;
        SnmpVarBindList list{};
        list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(sizeof(SnmpVarBind)));
        list.len = 1;
        static UINT sysDescr[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
        const AsnObjectIdentifier name{9, sysDescr};
        SnmpUtilOidCpy(&list.list[0].name, &name);
        list.list[0].value.asnType = ASN_NULL;
        AsnInteger status = 0;
        AsnInteger index = 0;
        lock.unlock();
        outcome.handedOver = HandOver(&answer, RequestShape{SNMP_PDU_GET}, &list, &status, &index);
        if (outcome.handedOver == 1)
            outcome.bindings = list.len;
        else
            outcome.error = GetLastError();
        SnmpUtilVarBindListFree(&list);
        return outcome;
    }
    outcome.engineReported = session->usm->EngineReported();
    outcome.error = session->usm->Failure(pending, true);
    return outcome;
}
