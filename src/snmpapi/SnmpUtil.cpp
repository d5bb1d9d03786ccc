// The utility half of the layer: the allocator every record's blocks come from, the
// record copies and releases, events, and the calling thread's last error.
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpMessage.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

thread_local UINT t_lastError = 0;

} // namespace

// --- Allocator ---------------------------------------------------------------------------

void* SnmpUtilMemAlloc(UINT bytes) {
    void* block = std::calloc(1, bytes ? bytes : 1);
    if (!block) {
        SetLastError(SNMP_MGMTAPI_NO_MEMORY);
        return nullptr;
    }
    SnmpCountAlloc();
    return block;
}

void* SnmpUtilMemReAlloc(void* block, UINT bytes) {
    if (!block)
        return SnmpUtilMemAlloc(bytes);
    void* moved = std::realloc(block, bytes ? bytes : 1);
    if (!moved)
        SetLastError(SNMP_MGMTAPI_NO_MEMORY);
    return moved;
}

void SnmpUtilMemFree(void* block) {
    if (!block)
        return;
    SnmpCountFree();
    std::free(block);
}

// --- Identifiers -------------------------------------------------------------------------

int SnmpUtilOidCpy(AsnObjectIdentifier* dst, const AsnObjectIdentifier* src) {
    *dst = AsnObjectIdentifier{};
    if (!src || src->idLength == 0)
        return TRUE;
    if (src->idLength > 0xFFFFFFFFu / sizeof(UINT))
        return FALSE;
    auto* ids = static_cast<UINT*>(SnmpUtilMemAlloc(src->idLength * sizeof(UINT)));
    if (!ids)
        return FALSE;
    std::memcpy(ids, src->ids, src->idLength * sizeof(UINT));
    dst->ids = ids;
    dst->idLength = src->idLength;
    return TRUE;
}

int SnmpUtilOidAppend(AsnObjectIdentifier* dst, const AsnObjectIdentifier* src) {
    if (!src || src->idLength == 0)
        return TRUE;
    const std::uint64_t total = std::uint64_t{dst->idLength} + src->idLength;
    if (total > 0xFFFFFFFFu / sizeof(UINT))
        return FALSE;
    auto* ids =
        static_cast<UINT*>(SnmpUtilMemReAlloc(dst->ids, static_cast<UINT>(total * sizeof(UINT))));
    if (!ids)
        return FALSE;
    std::memcpy(ids + dst->idLength, src->ids, src->idLength * sizeof(UINT));
    dst->ids = ids;
    dst->idLength = static_cast<UINT>(total);
    return TRUE;
}

void SnmpUtilOidFree(AsnObjectIdentifier* oid) {
    if (!oid)
        return;
    SnmpUtilMemFree(oid->ids);
    oid->ids = nullptr;
    oid->idLength = 0;
}

int SnmpUtilOidNCmp(const AsnObjectIdentifier* a, const AsnObjectIdentifier* b, UINT n) {
    const UINT common = std::min({a->idLength, b->idLength, n});
    for (UINT i = 0; i < common; ++i) {
        if (a->ids[i] != b->ids[i])
            return a->ids[i] < b->ids[i] ? -1 : 1;
    }
    // Within the first n, a shorter identifier comes first.
    const UINT la = std::min(a->idLength, n);
    const UINT lb = std::min(b->idLength, n);
    return la == lb ? 0 : (la < lb ? -1 : 1);
}

int SnmpUtilOidCmp(const AsnObjectIdentifier* a, const AsnObjectIdentifier* b) {
    return SnmpUtilOidNCmp(a, b, std::max(a->idLength, b->idLength));
}

// --- Values and bindings -----------------------------------------------------------------

namespace {

// Every value that is neither a number, nor NULL or an SNMPv2 exception, nor an identifier
// is held as bytes: OCTET STRING, IpAddress, Opaque, SEQUENCE, BITS, Counter64 (its eight
// bytes), NsapAddress, and a tag that an agent sent and no standard gives, kept as it came.
bool IsOctetForm(BYTE type) {
    switch (type) {
    case ASN_INTEGER:
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
    case ASN_NULL:
    case ASN_OBJECTIDENTIFIER:
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return false;
    default:
        return true;
    }
}

} // namespace

int SnmpUtilAsnAnyCpy(AsnAny* dst, const AsnAny* src) {
    *dst = AsnAny{};
    dst->asnType = src->asnType;
    if (src->asnType == ASN_OBJECTIDENTIFIER)
        return SnmpUtilOidCpy(&dst->asnValue.object, &src->asnValue.object);
    if (!IsOctetForm(src->asnType)) {
        dst->asnValue = src->asnValue;
        return TRUE;
    }
    const AsnOctetString& s = src->asnValue.string;
    return OctetsFromBytes(s.stream, s.length, &dst->asnValue.string);
}

void SnmpUtilAsnAnyFree(AsnAny* any) {
    if (any->asnType == ASN_OBJECTIDENTIFIER) {
        SnmpUtilOidFree(&any->asnValue.object);
    } else if (IsOctetForm(any->asnType)) {
        AsnOctetString& s = any->asnValue.string;
        if (s.dynamic)
            SnmpUtilMemFree(s.stream);
        s = AsnOctetString{};
    }
    any->asnType = ASN_NULL;
}

int SnmpUtilVarBindCpy(SnmpVarBind* dst, const SnmpVarBind* src) {
    *dst = SnmpVarBind{};
    if (!SnmpUtilOidCpy(&dst->name, &src->name))
        return FALSE;
    if (!SnmpUtilAsnAnyCpy(&dst->value, &src->value)) {
        SnmpUtilOidFree(&dst->name);
        return FALSE;
    }
    return TRUE;
}

void SnmpUtilVarBindFree(SnmpVarBind* vb) {
    if (!vb)
        return;
    SnmpUtilOidFree(&vb->name);
    SnmpUtilAsnAnyFree(&vb->value);
}

void SnmpUtilVarBindListFree(SnmpVarBindList* list) {
    if (!list)
        return;
    for (UINT i = 0; i < list->len; ++i)
        SnmpUtilVarBindFree(&list->list[i]);
    SnmpUtilMemFree(list->list);
    list->list = nullptr;
    list->len = 0;
}

// --- Events ------------------------------------------------------------------------------

// An event is reference-counted: CreateEvent gives its caller one hold, SnmpEventRetain
// another, and each CloseHandle gives one back; the object goes with the last hold. So a
// holder that closes its handle can never make another holder (the trap service, which
// keeps signalling the event it handed out) touch freed memory.
struct SnmpEvent {
    std::mutex lock;
    std::condition_variable signalled;
    bool state;
    bool manualReset;
    int holders;                          // guarded by `lock`
    void (*releaseHook)(void*) = nullptr; // guarded by `lock`
    void* releaseContext = nullptr;
};

HANDLE CreateEvent(bool manualReset, bool initialState) {
    auto* event = new (std::nothrow) SnmpEvent{{}, {}, initialState, manualReset, 1};
    if (!event)
        SetLastError(SNMP_MGMTAPI_NO_MEMORY);
    return event;
}

BOOL SetEvent(HANDLE event) {
    if (!event)
        return FALSE;
    std::lock_guard<std::mutex> guard(event->lock);
    event->state = true;
    event->signalled.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    if (!event)
        return FALSE;
    std::lock_guard<std::mutex> guard(event->lock);
    event->state = false;
    return TRUE;
}

UINT WaitForSingleObject(HANDLE event, UINT timeoutMs) {
    if (!event)
        return WAIT_FAILED;
    std::unique_lock<std::mutex> lock(event->lock);
    const auto isSet = [event] { return event->state; };
    if (timeoutMs == INFINITE)
        event->signalled.wait(lock, isSet);
    else if (!event->signalled.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
        return WAIT_TIMEOUT;
    if (!event->manualReset)
        event->state = false;
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE event) {
    if (!event)
        return FALSE;
    std::unique_lock<std::mutex> lock(event->lock);
    if (--event->holders > 0) {
        // Another holder remains; tell it, under the lock, so that the hook's owner can
        // remove the hook and know that no call of it is under way.
        if (event->releaseHook)
            event->releaseHook(event->releaseContext);
        return TRUE;
    }
    lock.unlock();
    delete event; // the last hold: no one else can reach the event any more
    return TRUE;
}

HANDLE SnmpEventRetain(HANDLE event) {
    if (event) {
        std::lock_guard<std::mutex> guard(event->lock);
        ++event->holders;
    }
    return event;
}

int SnmpEventHolders(HANDLE event) {
    if (!event)
        return 0;
    std::lock_guard<std::mutex> guard(event->lock);
    return event->holders;
}

void SnmpEventSetReleaseHook(HANDLE event, void (*hook)(void*), void* context) {
    if (!event)
        return;
    std::lock_guard<std::mutex> guard(event->lock);
    event->releaseHook = hook;
    event->releaseContext = context;
}

// --- Last error --------------------------------------------------------------------------

UINT GetLastError() {
    return t_lastError;
}

void SetLastError(UINT code) {
    t_lastError = code;
}

namespace {

// The layer's own codes and their texts.
struct ErrorText {
    UINT code;
    const char* text;
    bool refusal = false;
};
constexpr bool kRefusal = true;
constexpr ErrorText kErrorTexts[] = {
    {SNMP_MGMTAPI_NO_ADDRESS,
     "No agent address was given. Type the agent's IP address or host name."},
    {SNMP_MGMTAPI_BAD_ADDRESS, "The agent address is not a valid IPv4 address, host name or "
                               "bracketed IPv6 address."},
    {SNMP_MGMTAPI_UNKNOWN_HOST, "The agent's host name could not be resolved to an address."},
    {SNMP_MGMTAPI_BAD_PORT,
     "The agent address has an invalid port: a port is a number from 1 to 65535."},
    {SNMP_MGMTAPI_SESSION_FAILED,
     "The SNMP session could not be opened: no socket could be had for it."},
    {SNMP_MGMTAPI_TIMEOUT, "The agent did not answer in time."},
    {SNMP_MGMTAPI_INVALID_SESSION, "No session with an agent is open."},
    {SNMP_MGMTAPI_INVALID_BUFFER, "The request cannot be encoded."},
    {SNMP_MGMTAPI_TRAP_PORT_IN_USE,
     "The trap port (UDP 162) is already in use by another program, for instance a system "
     "trap daemon (snmptrapd). Okapel cannot receive traps while it runs."},
    {SNMP_MGMTAPI_TRAP_PORT_DENIED,
     "Permission to listen on the trap port (UDP 162) was refused. Give Okapel the capability "
     "with 'setcap cap_net_bind_service=+ep' or allow unprivileged ports with 'sysctl "
     "net.ipv4.ip_unprivileged_port_start=162'."},
    {SNMP_MGMTAPI_TRAP_DUPINIT, "Trap listening is already active in this program."},
    {SNMP_MGMTAPI_NOTRAPS, "No trap is queued."},
    {SNMP_MGMTAPI_NO_MEMORY, "Not enough memory is available."},
    {SNMP_MGMTAPI_BAD_IDENTIFIER,
     "An object identifier of the request cannot be sent: it needs at least two "
     "sub-identifiers, a first of 0, 1 or 2, and under 0 or 1 a second below 40."},
    {SNMP_MGMTAPI_BAD_ANSWER,
     "The agent's answer cannot be used: its error status or index is out of range, or its "
     "bindings do not match the request."},
    {SNMP_MGMTAPI_WRONG_VERSION,
     "The request needs an SNMPv2c or SNMPv3 session: SNMPv1 has no GetBulk."},
    {SNMP_MGMTAPI_BAD_SETTINGS,
     "The session settings cannot be used: the version is unknown, the time-out, the retries "
     "or the bulk size is out of range, or the SNMPv3 user lacks a name or the keys of its "
     "security level."},
    {SNMP_MGMTAPI_SHORT_PASSPHRASE, "A passphrase needs at least 8 characters."},
    // The agent's security refusing a request: what it said, in the User-based Security
    // Model's own names (RFC 3414, 3.2), and what the operator can change about it. These
    // stand in place of a flow's own words for a failed request.
    {SNMP_MGMTAPI_USM_UNKNOWN_USER,
     "Unknown user name: the agent has no SNMPv3 user of this name. "
     "Check the user name in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_WRONG_DIGEST,
     "Wrong digest: the agent could not authenticate the request. Check the authentication "
     "passphrase and protocol in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_DECRYPTION,
     "Decryption error: the agent authenticated the request but could not decrypt it. Check the "
     "privacy passphrase and protocol in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNSUPPORTED_LEVEL,
     "Unsupported security level: the agent's user does not allow the level chosen. Choose the "
     "user's own level in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW,
     "Not in time window: the agent's engine time does not match what it told a moment ago, even "
     "after Okapel learnt it again. Check the agent's clock and its boot counter.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNKNOWN_ENGINE,
     "Unknown engine id: the agent does not take the engine id "
     "that it told, even after Okapel learnt it again.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNKNOWN_CONTEXT,
     "Unknown context: the agent has no context of this name. "
     "Check the context name in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_REPORT, "The agent refused the request with a Report.", kRefusal},
    {SNMP_MGMTAPI_USM_BOOT_LIMIT,
     "Boot limit: the agent's engine is at its boot limit (snmpEngineBoots 2147483647) and takes "
     "no authenticated request until it is reconfigured. Have the agent given a new engine id "
     "or new keys.",
     kRefusal},
    {SNMP_MGMTAPI_USM_TIME_WENT_BACK,
     "Time went back: the agent answered with an engine time or boot counter earlier than it "
     "told before, as a replayed message would, and the answer was refused. If the agent's clock "
     "or boot counter was set back, open the session again.",
     kRefusal},
    // A Report that anyone who saw the request could have sent: what it says, as a hint only.
    {SNMP_MGMTAPI_USM_UNVERIFIED_UNSUPPORTED_LEVEL,
     "No answer: the agent answered with an unauthenticated Report of "
     "usmStatsUnsupportedSecLevels; it could not be verified, and anyone who sees the request "
     "could have sent it. If it is the agent's, choose the user's own level in the Session "
     "Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNVERIFIED_NOT_IN_TIME_WINDOW,
     "No answer: the agent answered with an unauthenticated Report of usmStatsNotInTimeWindows; "
     "it could not be verified, and anyone who sees the request could have sent it. If it is "
     "the agent's, check the agent's clock and its boot counter.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_USER,
     "No answer: the agent answered with an unauthenticated Report of usmStatsUnknownUserNames; "
     "it could not be verified, and anyone who sees the request could have sent it. If it is "
     "the agent's, check the user name in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNVERIFIED_WRONG_DIGEST,
     "No answer: the agent answered with an unauthenticated Report of usmStatsWrongDigests; it "
     "could not be verified, and anyone who sees the request could have sent it. If it is the "
     "agent's, check the authentication passphrase and protocol in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNVERIFIED_DECRYPTION,
     "No answer: the agent answered with an unauthenticated Report of usmStatsDecryptionErrors; "
     "it could not be verified, and anyone who sees the request could have sent it. If it is "
     "the agent's, check the privacy passphrase and protocol in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_CONTEXT,
     "No answer: the agent answered with an unauthenticated Report of snmpUnknownContexts; it "
     "could not be verified, and anyone who sees the request could have sent it. If it is the "
     "agent's, check the context name in the Session Settings.",
     kRefusal},
    {SNMP_MGMTAPI_CANCELLED, "The request was cancelled."},
};

} // namespace

const char* SystemErrorText(UINT code) {
    if (code == 0)
        return "";
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code)
            return entry.text;
    }
    if (code < SNMP_MGMTAPI_ERROR_BASE) {
        // strerror's texts are fixed in glibc, and the unknown ones say so themselves.
        return std::strerror(static_cast<int>(code));
    }
    return "";
}

bool IsSecurityRefusal(UINT code) {
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code)
            return entry.refusal;
    }
    return false;
}
