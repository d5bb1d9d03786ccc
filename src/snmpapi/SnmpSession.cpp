// Sessions with an agent: opening (reading the agent address), closing, and the
// synchronous request with the session's version, time-out and retries, all over net-snmp.
// What an SNMPv3 session adds is in UsmSession.cpp.
#include "snmpapi/SnmpSession.h"
#include "snmpapi/LibraryInternals.h"
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpMessage.h"
#include "snmpapi/UsmSession.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// net-snmp's tree for its own MIB reader, which defines it without declaring it.
extern "C" tree* Mib;

std::mutex& SnmpLibraryLock() {
    static std::mutex lock;
    return lock;
}

void SnmpLibraryQuiet() {
    snmp_disable_log();
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 0);
}

void SnmpLibraryInit() {
    static bool started = false;
    if (started)
        return;
    started = true;
    // Okapel has no configuration files and no persistent state, and its names come from
    // its own table (MibModules.cpp reads MIB modules in another process); nothing the library
    // would print belongs on the operator's terminal. With every handler disabled net-snmp falls
    // back to stderr, so its output goes to a handler that discards it, at every priority.
    SnmpLibraryQuiet();
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    // No MIB module is parsed in this process: net-snmp's MIB reader starts only where its
    // tree is not there yet, so a tree that stands there already keeps it from reading the
    // MIBDIRS, MIBS and MIBFILES of the environment; the settings are left as they are for
    // the MIB module load.
    static tree noModules{};
    if (!Mib)
        Mib = &noModules;
    init_snmp("okapel");
    // Whatever holders still hold when the program ends, its keys do not outlive it.
    std::atexit([] {
        SnmpTrapServiceShutdown();
        UsmWipeAtExit();
    });
}

SnmpOpenObserver& SnmpOpenObserverSlot() {
    static SnmpOpenObserver observer;
    return observer;
}

// --- Agent addresses ---------------------------------------------------------------------

namespace {

bool ReadPort(const std::string& text, unsigned* port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *port = static_cast<unsigned>(std::stoul(text));
    return *port >= 1 && *port <= 65535;
}

// The agent as a socket address, for the session's socket, and as net-snmp's peer name
// ("udp:a.b.c.d:port" or "udp6:[address]:port"), both made from the same numeric address.
struct AgentAddress {
    sockaddr_storage socket{};
    socklen_t socketLength = 0;
    std::string peer;
};

void SetAgentAddress(int family, const void* address, unsigned port, AgentAddress* agent) {
    char numeric[INET6_ADDRSTRLEN] = "";
    inet_ntop(family, address, numeric, sizeof numeric);
    agent->socket = sockaddr_storage{};
    if (family == AF_INET) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&agent->socket);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        std::memcpy(&v4->sin_addr, address, sizeof v4->sin_addr);
        agent->socketLength = sizeof *v4;
        agent->peer = "udp:" + std::string(numeric) + ":" + std::to_string(port);
    } else {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&agent->socket);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        std::memcpy(&v6->sin6_addr, address, sizeof v6->sin6_addr);
        agent->socketLength = sizeof *v6;
        agent->peer = "udp6:[" + std::string(numeric) + "]:" + std::to_string(port);
    }
}

// Splits the operator's agent text into its host and port (161 where none is given): a
// bracketed IPv6 address with an optional ":port", a bare IPv6 address, or a host or IPv4
// address with an optional ":port". 0, or the layer's error code for what cannot be split.
UINT SplitHostAndPort(const std::string& text, std::string* host, unsigned* port) {
    *host = text;
    *port = 161;
    if (host->empty())
        return SNMP_MGMTAPI_NO_ADDRESS;
    in6_addr v6{};
    if (host->front() == '[') {
        const size_t close = host->find(']');
        if (close == std::string::npos)
            return SNMP_MGMTAPI_BAD_ADDRESS;
        const std::string rest = host->substr(close + 1);
        *host = host->substr(1, close - 1);
        if (!rest.empty() && (rest[0] != ':' || !ReadPort(rest.substr(1), port)))
            return SNMP_MGMTAPI_BAD_PORT;
        if (inet_pton(AF_INET6, host->c_str(), &v6) != 1)
            return SNMP_MGMTAPI_BAD_ADDRESS;
    } else if (inet_pton(AF_INET6, host->c_str(), &v6) != 1) {
        // Not a bare IPv6 address: a host or IPv4 address, perhaps with ":port".
        const size_t colon = host->rfind(':');
        if (colon != std::string::npos) {
            if (!ReadPort(host->substr(colon + 1), port))
                return SNMP_MGMTAPI_BAD_PORT;
            host->resize(colon);
        }
    }
    return 0;
}

// A host that is a numeric IPv4 or IPv6 address, which needs no look-up.
bool ReadNumericAddress(const std::string& host, unsigned port, AgentAddress* agent) {
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        SetAgentAddress(AF_INET, &v4, port, agent);
        return true;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        SetAgentAddress(AF_INET6, &v6, port, agent);
        return true;
    }
    return false;
}

// Digits and dots that are no IPv4 address, and characters that no host name has (a second
// ":" among them), are a typing error, not a name to look up.
bool IsMistypedAddress(const std::string& host) {
    return host.empty() || host.find_first_not_of("0123456789.") == std::string::npos ||
           host.find_first_of(" \t[]/:") != std::string::npos;
}

// Looks the host name up, taking its first IPv4 address where it has one, as most agents
// listen on IPv4.
bool ResolveHostName(const std::string& host, unsigned port, AgentAddress* agent) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    const addrinfo* chosen = found;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            chosen = a;
            break;
        }
    }
    if (chosen->ai_family == AF_INET)
        SetAgentAddress(AF_INET, &reinterpret_cast<const sockaddr_in*>(chosen->ai_addr)->sin_addr,
                        port, agent);
    else
        SetAgentAddress(AF_INET6,
                        &reinterpret_cast<const sockaddr_in6*>(chosen->ai_addr)->sin6_addr, port,
                        agent);
    freeaddrinfo(found);
    return true;
}

// Turns the operator's agent text into the agent's address, resolving a host name here so
// that each failure has its own reason. Sets the last error and returns false for what
// cannot be used.
bool ReadAgentAddress(const char* text, AgentAddress* agent) {
    std::string host;
    unsigned port = 0;
    if (const UINT error = SplitHostAndPort(text ? text : "", &host, &port)) {
        SetLastError(error);
        return false;
    }
    if (ReadNumericAddress(host, port, agent))
        return true;
    if (IsMistypedAddress(host)) {
        SetLastError(SNMP_MGMTAPI_BAD_ADDRESS);
        return false;
    }
    if (!ResolveHostName(host, port, agent)) {
        SetLastError(SNMP_MGMTAPI_UNKNOWN_HOST);
        return false;
    }
    return true;
}

} // namespace

// --- The session and its transport -------------------------------------------------------
//
// net-snmp keeps the transport, the request ids, the time-outs and the retries; the layer
// reads what arrives itself. The session's receive function is wrapped: a datagram that is
// the answer to the request under way (a well-formed Response-PDU of the session's version
// with its request id) is decoded into our records and kept here, and net-snmp is handed in its
// place the bare response of the same version, community and request id, which it always
// accepts, so that its matching and its ending of the request work as ever. Anything else
// is ignored: net-snmp gets nothing that it can use, as for an answer with a wrong request
// id. So every value arrives exactly as the agent sent it, whatever net-snmp would have
// made of it.
//
// net-snmp's encoder has no SEQUENCE value: such a value goes to the library as an OCTET
// STRING and its tag is set to SEQUENCE (0x30) in the finished message, just before the
// transport sends it. All of this runs on the thread that holds the library lock.

SnmpMgrSession::SnmpMgrSession() = default;
SnmpMgrSession::~SnmpMgrSession() = default;

void SnmpMgrSession::TagSequenceValues(u_char* message,
                                       const std::vector<std::size_t>& valueTags) const {
    for (UINT wanted : sequenceBindings) {
        if (wanted < valueTags.size() && message[valueTags[wanted]] == ASN_OCTET_STR)
            message[valueTags[wanted]] = ASN_SEQUENCE;
    }
}

namespace {

static_assert(kMaxCommunityLength == COMMUNITY_MAX_LEN);

std::map<netsnmp_transport*, SnmpMgrSession*> g_sessions;

int SendWithSequenceTags(netsnmp_transport* t, const void* buf, int size, void** opaque,
                         int* olength) {
    SnmpMgrSession& session = *g_sessions.at(t);
    session.sendings.fetch_add(1);
    // An SNMPv3 session's values are tagged in the plaintext, before the digest and the
    // encryption (UsmSession.cpp); what goes out here is the finished message.
    if (session.usm || session.sequenceBindings.empty() || size <= 0)
        return session.send(t, buf, size, opaque, olength);
    std::vector<u_char> copy(static_cast<const u_char*>(buf),
                             static_cast<const u_char*>(buf) + size);
    session.TagSequenceValues(copy.data(), ValueTagOffsets(copy.data(), copy.size()));
    return session.send(t, copy.data(), size, opaque, olength);
}

} // namespace

int TakeAnswer(SnmpMgrSession& session, u_char* datagram, int size) {
    SnmpMessage message;
    if (size <= 0 || !DecodeSnmpMessage(datagram, static_cast<size_t>(size), &message))
        return -1;
    // The bare response carries the answer's community, which net-snmp reads up to its
    // limit only: a longer one, which no agent sends, is no answer.
    if (!session.waiting || message.pduType != SNMP_PDU_RESPONSE ||
        message.version != session.settings.version || message.requestId != session.requestId ||
        message.communityLength > kMaxCommunityLength) {
        SnmpMessageFree(&message);
        return -1;
    }
    std::vector<u_char> bare(static_cast<size_t>(size));
    const size_t bareLength = EncodeBareResponse(message, bare.data());
    std::memcpy(datagram, bare.data(), bareLength);
    message.community = nullptr; // it pointed into the datagram, now rewritten
    message.communityLength = 0;
    SnmpMessageFree(&session.answer);
    session.answer = message;
    session.answered = true;
    return static_cast<int>(bareLength);
}

namespace {

int ReceiveAnswer(netsnmp_transport* t, void* buf, int size, void** opaque, int* olength) {
    SnmpMgrSession& session = *g_sessions.at(t);
    const int got = session.receive(t, buf, size, opaque, olength);
    if (got <= 0)
        return got;
    return TakeAnswer(session, static_cast<u_char*>(buf), got);
}

} // namespace

// --- The request ------------------------------------------------------------------------

namespace {

// net-snmp's callback for a request, with a PendingRequest as its `magic`.
int OnResponse(int operation, netsnmp_session*, int, netsnmp_pdu* pdu, void* magic) {
    // net-snmp also calls back on each retry (RESEND) while the request stays queued; ending
    // the wait there would leave `pending` to a later callback after SnmpMgrRequest has
    // returned. Only an answer, the last time-out or a failure ends the request.
    if (operation == NETSNMP_CALLBACK_OP_RESEND || operation == NETSNMP_CALLBACK_OP_CONNECT)
        return 1;
    auto* pending = static_cast<PendingRequest*>(magic);
    // A Report that ends an SNMPv3 request comes twice, in one call of the library (as
    // SEC_ERROR and as RECEIVED_MESSAGE, in an order that differs between builds of it): the
    // first ends the request.
    if (pending->done)
        return 1;
    const bool report = pdu && pdu->command == SNMP_MSG_REPORT;
    const int reportType = report ? snmpv3_get_report_type(pdu) : 0;
    // A notInTimeWindow Report handed over as a message is net-snmp's to act on: it sends
    // the request again with the agent's time, and only the end of that tells.
    if (operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE &&
        reportType == SNMPERR_NOT_IN_TIME_WINDOW)
        return 1;
    pending->done = true;
    pending->reportType = reportType;
    pending->answered = operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu && !report;
    return 1;
}

// Every name, and every OBJECT IDENTIFIER value, must be one that BER can carry: net-snmp
// would otherwise send another identifier in its place (".1.40" as 2.0, ".1" as 0.1).
bool IdentifiersEncodable(const SnmpVarBindList& list) {
    for (UINT i = 0; i < list.len; ++i) {
        const SnmpVarBind& vb = list.list[i];
        if (!EncodableIdentifier(vb.name) || (vb.value.asnType == ASN_OBJECTIDENTIFIER &&
                                              !EncodableIdentifier(vb.value.asnValue.object)))
            return false;
    }
    return true;
}

} // namespace

int HandOver(SnmpMessage* answer, const RequestShape& shape, SnmpVarBindList* list,
             AsnInteger* errorStatus, AsnInteger* errorIndex) {
    if (!answer->outcomeFits || !answer->namesRead) {
        // A status of 2^31 read as a signed number would be taken for success, and 2^32 + 2
        // for noSuchName: no number that the flows can judge stands for it. Likewise a
        // binding without a name is no object that a walk can go on from. (A value that
        // cannot be read as its type arrives as its bytes, and is shown so.)
        SnmpMessageFree(answer);
        SetLastError(SNMP_MGMTAPI_BAD_ANSWER);
        return 0;
    }
    if (answer->errorStatus == 0 && !shape.Carries(answer->bindings.len, list->len)) {
        // A success that does not carry what was asked for cannot be matched to the request.
        // Any other status, a negative one too, is the agent's error, whatever it carries.
        SnmpMessageFree(answer);
        SetLastError(SNMP_MGMTAPI_BAD_ANSWER);
        return 0;
    }
    *errorStatus = answer->errorStatus;
    *errorIndex = answer->errorIndex;
    if (answer->errorStatus == 0 || answer->bindings.len == list->len) {
        SnmpUtilVarBindListFree(list);
        *list = answer->bindings;
        answer->bindings = SnmpVarBindList{};
    }
    SnmpMessageFree(answer);
    return 1;
}

namespace {

// The caller's arguments, checked before anything is sent: 0, or the layer's error code.
UINT CheckRequest(LPSNMP_MGR_SESSION session, const SnmpVarBindList* list,
                  const AsnInteger* errorStatus, const AsnInteger* errorIndex) {
    if (!session)
        return SNMP_MGMTAPI_INVALID_SESSION;
    if (!list || !errorStatus || !errorIndex || (list->len > 0 && !list->list))
        return SNMP_MGMTAPI_INVALID_BUFFER;
    if (!IdentifiersEncodable(*list))
        return SNMP_MGMTAPI_BAD_IDENTIFIER;
    return 0;
}

// The request's PDU, with the session made ready for its answer; null for bindings the
// library cannot take. Under the library lock.
netsnmp_pdu* PrepareRequest(SnmpMgrSession* session, const RequestShape& shape,
                            const SnmpVarBindList& list) {
    netsnmp_pdu* pdu = snmp_pdu_create(shape.type);
    if (!pdu || !VarBindsToLibrary(list, pdu)) {
        snmp_free_pdu(pdu);
        return nullptr;
    }
    if (shape.type == SNMP_PDU_GETBULK) {
        pdu->non_repeaters = static_cast<long>(shape.nonRepeaters);
        pdu->max_repetitions = static_cast<long>(shape.maxRepetitions);
    }
    session->sequenceBindings.clear();
    for (UINT i = 0; i < list.len; ++i) {
        if (list.list[i].value.asnType == ASN_SEQUENCE)
            session->sequenceBindings.push_back(i);
    }
    StartRequest(session, pdu->reqid);
    return pdu;
}

} // namespace

void StartRequest(SnmpMgrSession* session, long requestId) {
    session->sendings = 0;
    session->endRequest = false;
    SnmpMessageFree(&session->answer);
    session->answered = false;
    session->requestId = requestId;
    session->waiting = true;
}

namespace {

// Lets the library wait for the answer, resend and time out until the request has ended,
// holding the library lock only while the library works, so that the trap service is never
// held up.
void AwaitRequestEnd(SnmpMgrSession* session, const PendingRequest& pending,
                     std::unique_lock<std::mutex>& lock) {
    bool ending = false; // the library has been told to end the request
    while (!pending.done) {
        int fds = 0;
        int block = 1;
        fd_set readable;
        FD_ZERO(&readable);
        timeval timeout{};
        snmp_sess_select_info(session->sessp, &fds, &readable, &timeout, &block);
        if (block)
            break; // the library holds no request any more: nothing would ever wake us
        if ((session->cancelled || session->endRequest) && !ending) {
            // Cancelled, or answered by what ends it at once: ended as its last time-out would
            // end it, so that the library sends nothing more for it and its callback ends the
            // wait. A library whose internals are unknown keeps its request to the end, and
            // the wait with it.
            ending = LibraryEndRequests(session->sessp);
            continue;
        }
        FD_SET(session->cancelFd, &readable);
        fds = std::max(fds, session->cancelFd + 1);
        lock.unlock();
        const int ready = select(fds, &readable, nullptr, nullptr, block ? nullptr : &timeout);
        lock.lock();
        FD_CLR(session->cancelFd, &readable);
        if (ready > 0)
            snmp_sess_read(session->sessp, &readable);
        // Resends, or ends the request with a time-out, once its time has come, whatever
        // arrived meanwhile: a stream of datagrams that are no answer keeps select from ever
        // coming back empty, and must not stretch the time-out. Before its time this does
        // nothing.
        if (!pending.done)
            snmp_sess_timeout(session->sessp);
    }
}

} // namespace

bool SendRequest(SnmpMgrSession* session, netsnmp_pdu* pdu, PendingRequest* pending) {
    if (!snmp_sess_async_send(session->sessp, pdu, OnResponse, pending)) {
        // A request the library refused is still ours to release.
        snmp_free_pdu(pdu);
        return false;
    }
    return true; // from here the PDU belongs to the library
}

bool SendAndAwait(SnmpMgrSession* session, netsnmp_pdu* pdu, PendingRequest* pending,
                  std::unique_lock<std::mutex>& lock) {
    if (!SendRequest(session, pdu, pending))
        return false;
    AwaitRequestEnd(session, *pending, lock);
    return true;
}

bool TakeRequestAnswer(SnmpMgrSession* session, const PendingRequest& pending,
                       SnmpMessage* answer) {
    session->waiting = false;
    session->sequenceBindings.clear();
    *answer = session->answer;
    session->answer = SnmpMessage{};
    const bool answered = pending.answered && session->answered;
    session->answered = false;
    if (!answered)
        SnmpMessageFree(answer);
    return answered;
}

LPSNMP_MGR_SESSION SnmpMgrOpen(const char* agent, const char* community, int timeoutMs,
                               int retries) {
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_1;
    settings.timeoutMs = timeoutMs;
    settings.retries = retries;
    return SnmpMgrOpenSession(agent, community, &settings);
}

namespace {

bool SettingsUsable(const SnmpMgrSessionSettings* settings) {
    return settings &&
           (settings->version == SNMP_MGR_VERSION_1 || settings->version == SNMP_MGR_VERSION_2C ||
            (settings->version == SNMP_MGR_VERSION_3 && SnmpMgrUsmSettingsUsable(*settings))) &&
           settings->timeoutMs >= 1 && settings->retries >= 0 && settings->bulkSize >= 1;
}

// An SNMPv3 session's user, level, protocols and context (RFC 3414), in `library`, which
// points into `settings`. No key goes to net-snmp's session: the layer puts the user, with
// its keys localised for the agent's engine, in net-snmp's table itself.
void SetUsm(const SnmpMgrSessionSettings& settings, netsnmp_session* library) {
    library->version = SNMP_VERSION_3;
    library->securityModel = SNMP_SEC_MODEL_USM;
    library->securityName = const_cast<char*>(settings.userName.c_str());
    library->securityNameLen = settings.userName.size();
    library->securityLevel = UsmLibraryLevel(settings.securityLevel);
    std::size_t length = 0;
    if (settings.securityLevel >= SNMP_MGR_AUTH_NOPRIV) {
        library->securityAuthProto =
            const_cast<oid*>(UsmAuthProtocol(settings.authProtocol, &length));
        library->securityAuthProtoLen = length;
    }
    if (settings.securityLevel == SNMP_MGR_AUTH_PRIV) {
        library->securityPrivProto =
            const_cast<oid*>(UsmPrivProtocol(settings.privProtocol, &length));
        library->securityPrivProtoLen = length;
    }
    library->contextName = const_cast<char*>(settings.contextName.c_str());
    library->contextNameLen = settings.contextName.size();
    // net-snmp would learn the engine itself with the first request, waiting for the agent
    // with the library lock held; the session learns it with requests of its own.
    library->flags |= SNMP_FLAGS_DONT_PROBE;
}

} // namespace

LPSNMP_MGR_SESSION SnmpMgrOpenSession(const char* agent, const char* community,
                                      const SnmpMgrSessionSettings* settings) {
    if (const SnmpOpenObserver& observer = SnmpOpenObserverSlot())
        observer(agent, community);
    if (!SettingsUsable(settings)) {
        SetLastError(SNMP_MGMTAPI_BAD_SETTINGS);
        return nullptr;
    }
    AgentAddress address;
    if (!ReadAgentAddress(agent, &address))
        return nullptr;
    const std::string communityText = community ? community : "";

    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    netsnmp_session library;
    snmp_sess_init(&library);
    library.version = settings->version == SNMP_MGR_VERSION_2C ? SNMP_VERSION_2c : SNMP_VERSION_1;
    if (settings->version == SNMP_MGR_VERSION_3)
        SetUsm(*settings, &library);
    library.peername = const_cast<char*>(address.peer.c_str());
    library.community = reinterpret_cast<u_char*>(const_cast<char*>(communityText.c_str()));
    library.community_len = communityText.size();
    library.timeout = static_cast<long>(settings->timeoutMs) * 1000L; // microseconds
    library.retries = settings->retries;
    void* sessp = snmp_sess_open(&library); // copies what it keeps of `library`
    if (!sessp) {
        SetLastError(errno != 0 ? static_cast<UINT>(errno) : SNMP_MGMTAPI_SESSION_FAILED);
        return nullptr;
    }
    auto* session = new SnmpMgrSession;
    session->sessp = sessp;
    session->settings = *settings;
    session->transport = snmp_sess_transport(sessp);
    session->cancelFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // Answers only from the agent: the connected socket takes datagrams from the agent's
    // address and port alone, so no other sender can answer in its name.
    if (session->cancelFd < 0 ||
        connect(session->transport->sock, reinterpret_cast<sockaddr*>(&address.socket),
                address.socketLength) != 0) {
        SetLastError(errno != 0 ? static_cast<UINT>(errno) : SNMP_MGMTAPI_SESSION_FAILED);
        if (session->cancelFd >= 0)
            close(session->cancelFd);
        snmp_sess_close(sessp);
        delete session;
        return nullptr;
    }
    // Every sending is counted for the request's progress.
    session->send = session->transport->f_send;
    session->transport->f_send = SendWithSequenceTags;
    g_sessions[session->transport] = session;
    if (settings->version == SNMP_MGR_VERSION_3) {
        // The USM's hooks take each answer's plaintext and tag SEQUENCE values in it, before
        // the digest and the encryption: the transport sees only the message as it travels.
        session->usm = std::make_unique<CUsmSession>(session);
        return session;
    }
    session->receive = session->transport->f_recv;
    session->transport->f_recv = ReceiveAnswer;
    return session;
}

BOOL SnmpMgrGetSessionSettings(LPSNMP_MGR_SESSION session, SnmpMgrSessionSettings* settings) {
    if (!session || !settings) {
        SetLastError(session ? SNMP_MGMTAPI_INVALID_BUFFER : SNMP_MGMTAPI_INVALID_SESSION);
        return FALSE;
    }
    *settings = session->settings;
    return TRUE;
}

BOOL SnmpMgrClose(LPSNMP_MGR_SESSION session) {
    if (!session) {
        SetLastError(SNMP_MGMTAPI_INVALID_SESSION);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    g_sessions.erase(session->transport);
    session->usm.reset(); // its user and its hooks go before net-snmp's session
    snmp_sess_close(session->sessp);
    close(session->cancelFd);
    SnmpMessageFree(&session->answer);
    delete session;
    return TRUE;
}

BOOL SnmpMgrCancelRequests(LPSNMP_MGR_SESSION session) {
    if (!session) {
        SetLastError(SNMP_MGMTAPI_INVALID_SESSION);
        return FALSE;
    }
    // The flag first: a wait that the eventfd wakes finds it set.
    session->cancelled = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(session->cancelFd, &one, sizeof one);
    return TRUE;
}

BOOL SnmpMgrResumeRequests(LPSNMP_MGR_SESSION session) {
    if (!session) {
        SetLastError(SNMP_MGMTAPI_INVALID_SESSION);
        return FALSE;
    }
    session->cancelled = false;
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(session->cancelFd, &count, sizeof count);
    return TRUE;
}

BOOL SnmpMgrGetRequestProgress(LPSNMP_MGR_SESSION session, SnmpMgrRequestProgress* progress) {
    if (!session || !progress) {
        SetLastError(session ? SNMP_MGMTAPI_INVALID_BUFFER : SNMP_MGMTAPI_INVALID_SESSION);
        return FALSE;
    }
    progress->sendings = session->sendings.load();
    progress->retries = session->settings.retries;
    progress->timeoutMs = session->settings.timeoutMs;
    return TRUE;
}

namespace {

// One sending of the request and the wait for its end: whether it was answered, with the
// answer in `answer`; `error` says why not. Under the library lock.
bool Exchange(LPSNMP_MGR_SESSION session, const RequestShape& shape, const SnmpVarBindList& list,
              SnmpMessage* answer, PendingRequest* pending, UINT* error,
              std::unique_lock<std::mutex>& lock) {
    netsnmp_pdu* pdu = PrepareRequest(session, shape, list);
    if (!pdu) {
        *error = SNMP_MGMTAPI_INVALID_BUFFER;
        return false;
    }
    // A request that could not be sent ends as one that got no answer, with another reason.
    *error = SendAndAwait(session, pdu, pending, lock) ? SNMP_MGMTAPI_TIMEOUT
                                                       : SNMP_MGMTAPI_INVALID_BUFFER;
    return TakeRequestAnswer(session, *pending, answer);
}

// The one road of every request of every version: checked, prepared, sent, awaited and its
// answer handed over. An SNMPv3 session is made ready first, and a request that it failed for
// an engine or a time that changed goes once more after the session has learnt them anew.
int Request(LPSNMP_MGR_SESSION session, const RequestShape& shape, SnmpVarBindList* list,
            AsnInteger* errorStatus, AsnInteger* errorIndex) {
    if (const UINT error = CheckRequest(session, list, errorStatus, errorIndex)) {
        SetLastError(error);
        return 0;
    }
    const std::lock_guard<std::mutex> oneAtATime(session->requestLock);
    std::unique_lock<std::mutex> lock(SnmpLibraryLock());
    SnmpMessage answer;
    UINT error = 0;
    if (session->usm)
        session->usm->BeginRequest();
    for (int attempt = 0;; ++attempt) {
        if (session->cancelled) {
            error = SNMP_MGMTAPI_CANCELLED;
            break;
        }
        if (session->usm && (error = session->usm->Ready(lock)) != 0)
            break;
        PendingRequest pending;
        if (Exchange(session, shape, *list, &answer, &pending, &error, lock)) {
            error = 0;
            break;
        }
        if (!session->usm || error != SNMP_MGMTAPI_TIMEOUT || session->cancelled)
            break;
        // A Report that the agent's engine is another one costs no attempt: the session
        // learns the engine anew and sends again at once (once in a request).
        const bool engineReported = session->usm->EngineReported();
        if ((error = session->usm->Failure(pending, attempt == 0 || engineReported)) != 0)
            break;
        if (engineReported)
            --attempt;
    }
    // A request that the cancellation ended (in the engine's discovery or its time's
    // synchronisation too) failed for that, whatever the wait took it for.
    if (error != 0 && session->cancelled)
        error = SNMP_MGMTAPI_CANCELLED;
    lock.unlock();

    if (error != 0) {
        SetLastError(error);
        return 0;
    }
    return HandOver(&answer, shape, list, errorStatus, errorIndex);
}

} // namespace

int SnmpMgrRequest(LPSNMP_MGR_SESSION session, BYTE requestType, SnmpVarBindList* list,
                   AsnInteger* errorStatus, AsnInteger* errorIndex) {
    if (requestType == SNMP_PDU_GETBULK) {
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER); // its counts come with SnmpMgrBulkRequest
        return 0;
    }
    return Request(session, RequestShape{requestType}, list, errorStatus, errorIndex);
}

int SnmpMgrBulkRequest(LPSNMP_MGR_SESSION session, UINT nonRepeaters, UINT maxRepetitions,
                       SnmpVarBindList* list, AsnInteger* errorStatus, AsnInteger* errorIndex) {
    if (session && session->settings.version == SNMP_MGR_VERSION_1) {
        SetLastError(SNMP_MGMTAPI_WRONG_VERSION);
        return 0;
    }
    // The two counts travel as INTEGERs of at most 2^31 - 1 (RFC 3416, 3).
    if (list && (nonRepeaters > list->len || maxRepetitions == 0 || maxRepetitions > 0x7FFFFFFFu)) {
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER);
        return 0;
    }
    return Request(session, RequestShape{SNMP_PDU_GETBULK, nonRepeaters, maxRepetitions}, list,
                   errorStatus, errorIndex);
}
