// Sessions with an agent: opening (reading the agent address), closing, and the
// synchronous request with the session's time-out and retries, all over net-snmp.
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpTesting.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/select.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

struct SnmpMgrSession {
    void* sessp; // net-snmp's single-session handle
};

namespace {

std::function<void(const char*, const char*)>& OpenObserver() {
    static std::function<void(const char*, const char*)> observer;
    return observer;
}

} // namespace

std::mutex& SnmpLibraryLock() {
    static std::mutex lock;
    return lock;
}

void SnmpLibraryInit() {
    static bool started = false;
    if (started)
        return;
    started = true;
    // Okapel has no configuration files and no persistent state, and its names come from
    // its own table, not from MIB files; nothing the library would print belongs on the
    // operator's terminal.
    snmp_disable_log();
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
    setenv("MIBS", "", 0);
    setenv("MIBDIRS", "", 0);
    init_snmp("okapel");
}

void SnmpMgrSetOpenObserver(std::function<void(const char*, const char*)> observer) {
    OpenObserver() = std::move(observer);
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

// Turns the operator's agent text into net-snmp's peer name ("udp:a.b.c.d:port" or
// "udp6:[address]:port"), resolving a host name here so that each failure has its own
// reason. Sets the last error and returns false for what cannot be used.
bool AgentPeerName(const char* agent, std::string* peer) {
    std::string host = agent ? agent : "";
    unsigned port = 161;
    if (host.empty()) {
        SetLastError(SNMP_MGMTAPI_NO_ADDRESS);
        return false;
    }
    in6_addr v6{};
    if (host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string::npos) {
            SetLastError(SNMP_MGMTAPI_BAD_ADDRESS);
            return false;
        }
        const std::string rest = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (!rest.empty() && (rest[0] != ':' || !ReadPort(rest.substr(1), &port))) {
            SetLastError(SNMP_MGMTAPI_BAD_PORT);
            return false;
        }
        if (inet_pton(AF_INET6, host.c_str(), &v6) != 1) {
            SetLastError(SNMP_MGMTAPI_BAD_ADDRESS);
            return false;
        }
    } else if (inet_pton(AF_INET6, host.c_str(), &v6) != 1) {
        // Not a bare IPv6 address: a host or IPv4 address, perhaps with ":port".
        const size_t colon = host.rfind(':');
        if (colon != std::string::npos) {
            if (!ReadPort(host.substr(colon + 1), &port)) {
                SetLastError(SNMP_MGMTAPI_BAD_PORT);
                return false;
            }
            host.resize(colon);
        }
    }

    char numeric[INET6_ADDRSTRLEN] = "";
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        inet_ntop(AF_INET, &v4, numeric, sizeof numeric);
        *peer = "udp:" + std::string(numeric) + ":" + std::to_string(port);
        return true;
    }
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        inet_ntop(AF_INET6, &v6, numeric, sizeof numeric);
        *peer = "udp6:[" + std::string(numeric) + "]:" + std::to_string(port);
        return true;
    }
    // Digits and dots that are no IPv4 address, and characters that no host name has (a
    // second ":" among them), are a typing error, not a name to look up.
    if (host.empty() || host.find_first_not_of("0123456789.") == std::string::npos ||
        host.find_first_of(" \t[]/:") != std::string::npos) {
        SetLastError(SNMP_MGMTAPI_BAD_ADDRESS);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
        SetLastError(SNMP_MGMTAPI_UNKNOWN_HOST);
        return false;
    }
    // The first IPv4 address where there is one, as most agents listen on IPv4.
    const addrinfo* chosen = found;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            chosen = a;
            break;
        }
    }
    if (chosen->ai_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(chosen->ai_addr)->sin_addr,
                  numeric, sizeof numeric);
        *peer = "udp:" + std::string(numeric) + ":" + std::to_string(port);
    } else {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(chosen->ai_addr)->sin6_addr,
                  numeric, sizeof numeric);
        *peer = "udp6:[" + std::string(numeric) + "]:" + std::to_string(port);
    }
    freeaddrinfo(found);
    return true;
}

// --- SEQUENCE values on the wire ---------------------------------------------------------
//
// net-snmp neither encodes nor decodes a SEQUENCE value in a binding. Such a value goes to
// the library as an OCTET STRING and its tag is set to SEQUENCE (0x30) in the finished
// message, just before the transport sends it; in an answer, a SEQUENCE value's tag is
// set to OCTET STRING right after the transport has received it, and the record gets its
// own type back afterwards. The message's shape is fixed by RFC 1157: SEQUENCE { version,
// community, PDU { request-id, error-status, error-index, SEQUENCE OF SEQUENCE { name,
// value } } }. All of this runs on the thread that holds the library lock.

using SendFunction = int (*)(netsnmp_transport*, const void*, int, void**, int*);
using ReceiveFunction = int (*)(netsnmp_transport*, void*, int, void**, int*);
struct TransportFunctions {
    SendFunction send;
    ReceiveFunction receive;
    // The SEQUENCE bindings of the session's request under way. Kept per session, since a
    // retry is sent while another thread's session may be sending a request of its own.
    std::vector<UINT> sequenceBindings;
};
std::map<netsnmp_transport*, TransportFunctions> g_transports;
std::vector<UINT> g_sequenceAnswers; // in the answer just received

// Reads one BER header at `p`; false when it does not fit in [p, end).
bool ReadHeader(u_char*& p, u_char* end, u_char* tag, size_t* length) {
    if (p >= end)
        return false;
    *tag = *p++;
    if (p >= end)
        return false;
    size_t n = *p++;
    if (n & 0x80) {
        const size_t bytes = n & 0x7F;
        if (bytes == 0 || bytes > sizeof(size_t) || static_cast<size_t>(end - p) < bytes)
            return false;
        n = 0;
        for (size_t i = 0; i < bytes; ++i)
            n = (n << 8) | *p++;
    }
    if (n > static_cast<size_t>(end - p))
        return false;
    *length = n;
    return true;
}

bool Skip(u_char*& p, u_char* end) {
    u_char tag;
    size_t length;
    if (!ReadHeader(p, end, &tag, &length))
        return false;
    p += length;
    return true;
}

// Calls `visit` with the index and the tag byte of each binding's value in `message`.
template <typename Visit> void ForEachValueTag(u_char* message, size_t size, Visit visit) {
    u_char* p = message;
    u_char* end = message + size;
    u_char tag;
    size_t length;
    if (!ReadHeader(p, end, &tag, &length) || !Skip(p, end) || !Skip(p, end) || // version, community
        !ReadHeader(p, end, &tag, &length) ||                                    // PDU
        !Skip(p, end) || !Skip(p, end) || !Skip(p, end) ||                       // id, status, index
        !ReadHeader(p, end, &tag, &length))                                      // bindings
        return;
    for (UINT index = 0; p < end; ++index) {
        if (!ReadHeader(p, end, &tag, &length))
            return;
        u_char* bindingEnd = p + length;
        if (!Skip(p, bindingEnd)) // the name
            return;
        if (p < bindingEnd)
            visit(index, *p);
        p = bindingEnd;
    }
}

int SendWithSequenceTags(netsnmp_transport* t, const void* buf, int size, void** opaque,
                         int* olength) {
    const SendFunction send = g_transports.at(t).send;
    const std::vector<UINT>& sequenceBindings = g_transports.at(t).sequenceBindings;
    if (sequenceBindings.empty() || size <= 0)
        return send(t, buf, size, opaque, olength);
    std::vector<u_char> copy(static_cast<const u_char*>(buf),
                             static_cast<const u_char*>(buf) + size);
    ForEachValueTag(copy.data(), copy.size(), [&sequenceBindings](UINT index, u_char& tag) {
        for (UINT wanted : sequenceBindings) {
            if (wanted == index && tag == ASN_OCTET_STR)
                tag = ASN_SEQUENCE;
        }
    });
    return send(t, copy.data(), size, opaque, olength);
}

int ReceiveWithSequenceTags(netsnmp_transport* t, void* buf, int size, void** opaque,
                            int* olength) {
    const int got = g_transports.at(t).receive(t, buf, size, opaque, olength);
    g_sequenceAnswers.clear(); // the request ends with the last datagram read
    if (got > 0) {
        ForEachValueTag(static_cast<u_char*>(buf), static_cast<size_t>(got),
                        [](UINT index, u_char& tag) {
                            if (tag == ASN_SEQUENCE) {
                                tag = ASN_OCTET_STR;
                                g_sequenceAnswers.push_back(index);
                            }
                        });
    }
    return got;
}

// --- The request ------------------------------------------------------------------------

struct PendingRequest {
    bool done = false;
    bool answered = false;
    netsnmp_pdu* response = nullptr;
};

int OnResponse(int operation, netsnmp_session*, int, netsnmp_pdu* pdu, void* magic) {
    // net-snmp also calls back on each retry (RESEND) while the request stays queued; ending
    // the wait there would leave `pending` to a later callback after SnmpMgrRequest has
    // returned. Only an answer, the last time-out or a failure ends the request.
    if (operation == NETSNMP_CALLBACK_OP_RESEND || operation == NETSNMP_CALLBACK_OP_CONNECT)
        return 1;
    auto* pending = static_cast<PendingRequest*>(magic);
    pending->done = true;
    if (operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu) {
        pending->answered = true;
        pending->response = snmp_clone_pdu(pdu);
    }
    return 1;
}

} // namespace

LPSNMP_MGR_SESSION SnmpMgrOpen(const char* agent, const char* community, int timeoutMs,
                               int retries) {
    if (OpenObserver())
        OpenObserver()(agent, community);
    std::string peer;
    if (!AgentPeerName(agent, &peer))
        return nullptr;
    const std::string communityText = community ? community : "";

    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    netsnmp_session settings;
    snmp_sess_init(&settings);
    settings.version = SNMP_VERSION_1;
    settings.peername = const_cast<char*>(peer.c_str());
    settings.community =
        reinterpret_cast<u_char*>(const_cast<char*>(communityText.c_str()));
    settings.community_len = communityText.size();
    settings.timeout = static_cast<long>(timeoutMs) * 1000L; // microseconds
    settings.retries = retries;
    void* sessp = snmp_sess_open(&settings); // copies what it keeps of `settings`
    if (!sessp) {
        SetLastError(errno != 0 ? static_cast<UINT>(errno) : SNMP_MGMTAPI_SESSION_FAILED);
        return nullptr;
    }
    netsnmp_transport* transport = snmp_sess_transport(sessp);
    g_transports[transport] = TransportFunctions{transport->f_send, transport->f_recv, {}};
    transport->f_send = SendWithSequenceTags;
    transport->f_recv = ReceiveWithSequenceTags;
    return new SnmpMgrSession{sessp};
}

BOOL SnmpMgrClose(LPSNMP_MGR_SESSION session) {
    if (!session) {
        SetLastError(SNMP_MGMTAPI_INVALID_SESSION);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    g_transports.erase(snmp_sess_transport(session->sessp));
    snmp_sess_close(session->sessp);
    delete session;
    return TRUE;
}

int SnmpMgrRequest(LPSNMP_MGR_SESSION session, BYTE requestType, SnmpVarBindList* list,
                   AsnInteger* errorStatus, AsnInteger* errorIndex) {
    if (!session) {
        SetLastError(SNMP_MGMTAPI_INVALID_SESSION);
        return 0;
    }
    if (!list || !errorStatus || !errorIndex || (list->len > 0 && !list->list)) {
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER);
        return 0;
    }
    std::unique_lock<std::mutex> lock(SnmpLibraryLock());
    netsnmp_pdu* pdu = snmp_pdu_create(requestType);
    if (!pdu || !VarBindsToLibrary(*list, pdu)) {
        snmp_free_pdu(pdu);
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER);
        return 0;
    }
    std::vector<UINT>& sequenceBindings =
        g_transports.at(snmp_sess_transport(session->sessp)).sequenceBindings;
    sequenceBindings.clear();
    g_sequenceAnswers.clear();
    for (UINT i = 0; i < list->len; ++i) {
        if (list->list[i].value.asnType == ASN_SEQUENCE)
            sequenceBindings.push_back(i);
    }

    PendingRequest pending;
    if (!snmp_sess_async_send(session->sessp, pdu, OnResponse, &pending)) {
        // A request the library refused is still ours to release.
        snmp_free_pdu(pdu);
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER);
        return 0;
    }
    // From here the PDU belongs to the library. Wait for the answer, the time-outs and the
    // retries without holding the lock, so that the trap service is never held up.
    while (!pending.done) {
        int fds = 0;
        int block = 1;
        fd_set readable;
        FD_ZERO(&readable);
        timeval timeout{};
        snmp_sess_select_info(session->sessp, &fds, &readable, &timeout, &block);
        if (block)
            break; // the library holds no request any more: nothing would ever wake us
        lock.unlock();
        const int ready = select(fds, &readable, nullptr, nullptr, block ? nullptr : &timeout);
        const int selectError = errno;
        lock.lock();
        if (ready > 0)
            snmp_sess_read(session->sessp, &readable);
        else if (ready == 0 || selectError != EINTR)
            snmp_sess_timeout(session->sessp); // resends, or ends the request with a time-out
    }
    sequenceBindings.clear();

    if (!pending.answered) {
        SetLastError(SNMP_MGMTAPI_TIMEOUT);
        return 0;
    }
    netsnmp_pdu* response = pending.response;
    SnmpVarBindList answer{};
    UINT answerCount = 0;
    for (const netsnmp_variable_list* v = response ? response->variables : nullptr; v;
         v = v->next_variable)
        ++answerCount;
    // An answer with another number of bindings than asked for cannot be matched to the
    // request; it counts as no answer rather than handing the caller a list it cannot use.
    if (!response || answerCount != list->len || !VarBindsFromLibrary(response->variables, &answer)) {
        snmp_free_pdu(response);
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER);
        return 0;
    }
    for (UINT index : g_sequenceAnswers) {
        if (index < answer.len && answer.list[index].value.asnType == ASN_OCTET_STR)
            answer.list[index].value.asnType = ASN_SEQUENCE;
    }
    *errorStatus = static_cast<AsnInteger>(response->errstat);
    *errorIndex = static_cast<AsnInteger>(response->errindex);
    snmp_free_pdu(response);
    lock.unlock();
    SnmpUtilVarBindListFree(list);
    *list = answer;
    return 1;
}
