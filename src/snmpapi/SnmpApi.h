// Okapel's SNMP Management API: the records, constants and operations through which the
// dialog and the trap listener do all their SNMP work. The surface is C-shaped because
// the request flows are written against it; the implementation sits on net-snmp, which no
// file outside src/snmpapi includes.
//
// Ownership rules every caller relies on:
//  - Every block that a record owns (an identifier's ids, an octet string's stream when
//    `dynamic` is set, a list's array) comes from SnmpUtilMemAlloc/SnmpUtilMemReAlloc
//    and goes back through SnmpUtilMemFree, directly or through the SnmpUtil*Free calls.
//  - Texts from SnmpMgrOidToStr are released with SnmpUtilMemFree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

using BOOL = int;
using BYTE = unsigned char;
using UINT = std::uint32_t;
using AsnInteger = std::int32_t;
using AsnInteger32 = std::int32_t;
using AsnUnsigned32 = std::uint32_t;
using AsnCounter32 = std::uint32_t;
using AsnGauge32 = std::uint32_t;
using AsnTimeticks = std::uint32_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct AsnOctetString {
    BYTE* stream;
    UINT length;
    BOOL dynamic; // nonzero when `stream` belongs to this record
};

struct AsnObjectIdentifier {
    UINT idLength;
    UINT* ids; // sub-identifiers, unsigned 32-bit
};

struct AsnAny {
    BYTE asnType; // the value's ASN.1 tag (value type code)
    union {
        AsnInteger32 number;
        AsnUnsigned32 unsigned32;
        AsnCounter32 counter;
        AsnGauge32 gauge;
        AsnTimeticks ticks;
        AsnOctetString string;
        AsnOctetString sequence;
        AsnOctetString address;
        AsnOctetString arbitrary;
        AsnObjectIdentifier object;
    } asnValue;
};

struct SnmpVarBind {
    AsnObjectIdentifier name;
    AsnAny value;
};

struct SnmpVarBindList {
    SnmpVarBind* list;
    UINT len;
};

// Value type codes: the tags of RFC 1155 and RFC 2578 as they travel on the wire.
inline constexpr BYTE ASN_INTEGER = 0x02;
inline constexpr BYTE ASN_INTEGER32 = 0x02;
inline constexpr BYTE ASN_BITS = 0x03;
inline constexpr BYTE ASN_OCTETSTRING = 0x04;
inline constexpr BYTE ASN_NULL = 0x05;
inline constexpr BYTE ASN_OBJECTIDENTIFIER = 0x06;
inline constexpr BYTE ASN_SEQUENCE = 0x30;
inline constexpr BYTE ASN_IPADDRESS = 0x40;
inline constexpr BYTE ASN_COUNTER32 = 0x41;
inline constexpr BYTE ASN_GAUGE32 = 0x42;
inline constexpr BYTE ASN_UNSIGNED32 = 0x42;
inline constexpr BYTE ASN_TIMETICKS = 0x43;
inline constexpr BYTE ASN_OPAQUE = 0x44;
inline constexpr BYTE ASN_COUNTER64 = 0x46;
inline constexpr BYTE ASN_UINTEGER32 = 0x47;
// Not a tag of the wire: what arrived in a binding but cannot be read as a value of its
// type (a number beyond its record, a NULL with contents, a malformed identifier, elements
// after the value), kept as the bytes that arrived from the value's tag on, as an octet
// string; when the binding's name cannot be read either, the whole binding element. 0x1F
// opens a tag of several bytes, which no SNMP type has and which the layer never reads, so
// no value that arrives bears it.
inline constexpr BYTE ASN_UNFIT_ELEMENT = 0x1F;
// The SNMPv2 exceptions (RFC 3416, 3): a tag without contents in place of a value.
inline constexpr BYTE SNMP_EXCEPTION_NOSUCHOBJECT = 0x80;
inline constexpr BYTE SNMP_EXCEPTION_NOSUCHINSTANCE = 0x81;
inline constexpr BYTE SNMP_EXCEPTION_ENDOFMIBVIEW = 0x82;

// Request types (PDU tags of RFC 1157).
inline constexpr BYTE SNMP_PDU_GET = 0xA0;
inline constexpr BYTE SNMP_PDU_GETNEXT = 0xA1;
inline constexpr BYTE SNMP_PDU_RESPONSE = 0xA2;
inline constexpr BYTE SNMP_PDU_SET = 0xA3;
inline constexpr BYTE SNMP_PDU_V1TRAP = 0xA4;
// RFC 3416, 3: the SNMPv2 PDUs that the layer sends or answers.
inline constexpr BYTE SNMP_PDU_GETBULK = 0xA5;
inline constexpr BYTE SNMP_PDU_INFORM = 0xA6;
inline constexpr BYTE SNMP_PDU_TRAP = 0xA7;

// Error status values of SNMP responses: 0-5 from RFC 1157, 6-18 from RFC 3416.
inline constexpr AsnInteger SNMP_ERRORSTATUS_NOERROR = 0;
inline constexpr AsnInteger SNMP_ERRORSTATUS_TOOBIG = 1;
inline constexpr AsnInteger SNMP_ERRORSTATUS_NOSUCHNAME = 2;
inline constexpr AsnInteger SNMP_ERRORSTATUS_BADVALUE = 3;
inline constexpr AsnInteger SNMP_ERRORSTATUS_READONLY = 4;
inline constexpr AsnInteger SNMP_ERRORSTATUS_GENERR = 5;
inline constexpr AsnInteger SNMP_ERRORSTATUS_NOACCESS = 6;
inline constexpr AsnInteger SNMP_ERRORSTATUS_WRONGTYPE = 7;
inline constexpr AsnInteger SNMP_ERRORSTATUS_WRONGLENGTH = 8;
inline constexpr AsnInteger SNMP_ERRORSTATUS_WRONGENCODING = 9;
inline constexpr AsnInteger SNMP_ERRORSTATUS_WRONGVALUE = 10;
inline constexpr AsnInteger SNMP_ERRORSTATUS_NOCREATION = 11;
inline constexpr AsnInteger SNMP_ERRORSTATUS_INCONSISTENTVALUE = 12;
inline constexpr AsnInteger SNMP_ERRORSTATUS_RESOURCEUNAVAILABLE = 13;
inline constexpr AsnInteger SNMP_ERRORSTATUS_COMMITFAILED = 14;
inline constexpr AsnInteger SNMP_ERRORSTATUS_UNDOFAILED = 15;
inline constexpr AsnInteger SNMP_ERRORSTATUS_AUTHORIZATIONERROR = 16;
inline constexpr AsnInteger SNMP_ERRORSTATUS_NOTWRITABLE = 17;
inline constexpr AsnInteger SNMP_ERRORSTATUS_INCONSISTENTNAME = 18;

struct SnmpMgrSession;
using LPSNMP_MGR_SESSION = SnmpMgrSession*;

struct SnmpEvent;
using HANDLE = SnmpEvent*;

// --- Management operations -------------------------------------------------------------

// The message versions a session may speak: the version field of RFC 1157, RFC 1901 and
// RFC 3412.
inline constexpr int SNMP_MGR_VERSION_1 = 0;
inline constexpr int SNMP_MGR_VERSION_2C = 1;
inline constexpr int SNMP_MGR_VERSION_3 = 3;

// The security levels of an SNMPv3 message (RFC 3411, SnmpSecurityLevel), weakest first.
inline constexpr int SNMP_MGR_NOAUTH_NOPRIV = 1;
inline constexpr int SNMP_MGR_AUTH_NOPRIV = 2;
inline constexpr int SNMP_MGR_AUTH_PRIV = 3;

// The User-based Security Model's authentication protocols: HMAC-MD5-96 and HMAC-SHA-96
// (RFC 3414) and the HMAC-SHA-2 ones (RFC 7860).
inline constexpr int SNMP_MGR_AUTH_MD5 = 1;
inline constexpr int SNMP_MGR_AUTH_SHA = 2;
inline constexpr int SNMP_MGR_AUTH_SHA224 = 3;
inline constexpr int SNMP_MGR_AUTH_SHA256 = 4;
inline constexpr int SNMP_MGR_AUTH_SHA384 = 5;
inline constexpr int SNMP_MGR_AUTH_SHA512 = 6;
// Its privacy protocols: CBC-DES (RFC 3414), CFB128-AES-128 (RFC 3826), and AES-192 and
// AES-256 with their keys extended as net-snmp's tools extend them.
inline constexpr int SNMP_MGR_PRIV_DES = 1;
inline constexpr int SNMP_MGR_PRIV_AES = 2;
inline constexpr int SNMP_MGR_PRIV_AES192 = 3;
inline constexpr int SNMP_MGR_PRIV_AES256 = 4;

// The fewest bytes of a passphrase from which a USM key is made (RFC 3414, 11.2).
inline constexpr std::size_t SNMP_MGR_PASSPHRASE_MIN = 8;
// The longest user name and context name (SnmpAdminString, RFC 3411 and RFC 3414).
inline constexpr std::size_t SNMP_MGR_USM_NAME_MAX = 32;

// A master key (Ku, RFC 3414 2.6) made from a passphrase with an authentication protocol's
// hash: good for every engine, so it is as secret as the passphrase. The layer keeps its
// bytes where nothing else sees them, clears them when the last holder lets go, and clears
// every key still held when the program ends.
struct SnmpMgrUsmKey;
using SnmpMgrUsmKeyRef = std::shared_ptr<const SnmpMgrUsmKey>;

// Clears secret bytes (a passphrase, a key) with stores that no optimisation removes: the one
// wiping function of the program.
void SnmpMgrWipe(void* data, std::size_t size);

// Makes the master key of `length` bytes of `passphrase` with the hash of `authProtocol`;
// a privacy key is made with the authentication protocol's hash too (RFC 3414, A.2). The
// passphrase's bytes are cleared whatever the outcome. FALSE, with the last error, for a
// passphrase shorter than SNMP_MGR_PASSPHRASE_MIN (SNMP_MGMTAPI_SHORT_PASSPHRASE) or an
// unknown protocol (SNMP_MGMTAPI_BAD_SETTINGS).
BOOL SnmpMgrMakeUsmKey(int authProtocol, char* passphrase, std::size_t length,
                       SnmpMgrUsmKeyRef* key);
// The authentication protocol whose hash made the key; 0 for none.
int SnmpMgrUsmKeyProtocol(const SnmpMgrUsmKey* key);

// What a session is opened with and keeps until it is closed. The defaults are those of
// SnmpMgrOpen's callers before the operator chose any: SNMPv1, 1000 ms and 3 retries.
struct SnmpMgrSessionSettings {
    int version = SNMP_MGR_VERSION_1;
    int timeoutMs = 1000; // the wait for an answer to each sending of a request
    int retries = 3;      // the sendings after the first, each with the full time-out
    // The max-repetitions of the GetBulk requests by which an SNMPv2c or SNMPv3 walk reads
    // objects (RFC 3416, 4.2.3). Measured on snmpd's whole tree, the walk's rate grows
    // steeply up to 25 and slowly beyond (a fifth more at 100), while every answer grows with
    // it: at 25 nearly every answer still fits one Ethernet frame, at 50 two in five of
    // snmpd's do not and go out in fragments (see the README).
    int bulkSize = 25;

    // SNMPv3 with the User-based Security Model (RFC 3414): the user, its security level and
    // protocols, its keys (never its passphrases) and the context of every request of an
    // SNMPv3 session. The trap service takes SNMPv3 notifications for the same user once it
    // is handed these settings (SnmpMgrTrapSetUser). SHA-256 and AES, the strongest pair
    // that every current agent offers, unless chosen otherwise.
    std::string userName; // 1 to 32 bytes
    int securityLevel = SNMP_MGR_AUTH_PRIV;
    int authProtocol = SNMP_MGR_AUTH_SHA256;
    int privProtocol = SNMP_MGR_PRIV_AES;
    SnmpMgrUsmKeyRef authKey; // made with authProtocol; needed from authNoPriv on
    SnmpMgrUsmKeyRef privKey; // made with authProtocol's hash; needed at authPriv
    std::string contextName;  // up to 32 bytes; empty: the default context
};

// Opens an SNMPv1 session. `agent` is an IPv4 address or a host name, either with an
// optional ":port", or an IPv6 address in brackets with an optional port; 161 when no
// port is given. Returns null, with the reason in GetLastError(), for what cannot be used.
LPSNMP_MGR_SESSION SnmpMgrOpen(const char* agent, const char* community, int timeoutMs,
                               int retries);
// Opens a session with `settings` (SnmpMgrOpen's agent and community, which an SNMPv3
// session does not use): null, with the reason in GetLastError(), for an unknown version, a
// time-out below 1 ms, retries below 0, a bulk size below 1, SNMPv3 settings that do not
// hold together (SnmpMgrUsmSettingsUsable), and all that SnmpMgrOpen refuses. Opening sends
// nothing: an SNMPv3 session learns its agent's engine (RFC 3414, 4) with its first request.
LPSNMP_MGR_SESSION SnmpMgrOpenSession(const char* agent, const char* community,
                                      const SnmpMgrSessionSettings* settings);
// The settings the session was opened with; FALSE for a null session.
BOOL SnmpMgrGetSessionSettings(LPSNMP_MGR_SESSION session, SnmpMgrSessionSettings* settings);
// Whether the SNMPv3 part of `settings` holds together: a user name of 1 to 32 bytes, a
// context name of at most 32, a known level and protocols, and the keys that the level
// needs, made with the authentication protocol chosen.
bool SnmpMgrUsmSettingsUsable(const SnmpMgrSessionSettings& settings);
BOOL SnmpMgrClose(LPSNMP_MGR_SESSION session);

// Sends one request and waits for its answer from the session's agent (its address and
// port) with the session's time-out and retries. Returns 0, with the list, status and index
// untouched, for a null session, no answer, a send error, a list that cannot be encoded (an
// identifier that BER cannot carry among them: nothing is sent), and an answer whose error
// status or index is no signed 32-bit number. Otherwise fills in the error status and index
// and replaces the list's bindings with the answer's; an error answer (any status but 0,
// a negative one included) whose bindings do not match the request's in number leaves the
// request's bindings as they were sent, and a success that does not carry them returns 0.
// An answer with a binding whose name cannot be read returns 0 too; a value that cannot be
// read as its type arrives as ASN_UNFIT_ELEMENT.
// An SNMPv3 session's request goes at the session's security level and never below it;
// the first one learns the agent's engine and its time first (RFC 3414, 4), and a failure of
// the User-based Security Model has a code of its own (SNMP_MGMTAPI_USM_*).
// Any thread may send on a session: its requests go one at a time, a second one waiting
// (unbounded by its own time-out) for the end of the one under way.
int SnmpMgrRequest(LPSNMP_MGR_SESSION session, BYTE requestType, SnmpVarBindList* list,
                   AsnInteger* errorStatus, AsnInteger* errorIndex);
// A GetBulk request (RFC 3416, 4.2.3) on an SNMPv2c or SNMPv3 session, by the same road as
// SnmpMgrRequest and with the same outcomes, but for the answer's bindings: a success carries
// from none up to nonRepeaters + maxRepetitions * (the rest of the list) of them, the
// repetitions in the agent's order, and more fails the call (SNMP_MGMTAPI_BAD_ANSWER). An
// SNMPv1 session sends nothing and fails with SNMP_MGMTAPI_WRONG_VERSION, and so do
// nonRepeaters beyond the list and maxRepetitions of 0 or beyond 2^31 - 1 with
// SNMP_MGMTAPI_INVALID_BUFFER.
int SnmpMgrBulkRequest(LPSNMP_MGR_SESSION session, UINT nonRepeaters, UINT maxRepetitions,
                       SnmpVarBindList* list, AsnInteger* errorStatus, AsnInteger* errorIndex);

// Ends the request under way on `session` at once, as if its time-outs were spent, and
// refuses every request after it until SnmpMgrResumeRequests: each fails with
// SNMP_MGMTAPI_CANCELLED, the one under way within milliseconds, the later ones before
// anything is sent. Nothing more is sent for a request that it ended, and an answer that
// comes for it later is ignored as any answer to an earlier request is. Any thread may call
// it, while another waits in a request of the session.
BOOL SnmpMgrCancelRequests(LPSNMP_MGR_SESSION session);
// Lets the session's requests go again after SnmpMgrCancelRequests. Called while no request
// of the session is under way.
BOOL SnmpMgrResumeRequests(LPSNMP_MGR_SESSION session);

// How far the request under way on a session has come, for a window that shows it: the
// sendings of its message so far (the first and each retry; 0 before the first), and the
// session's retries and time-out, which bound them.
struct SnmpMgrRequestProgress {
    UINT sendings = 0;
    int retries = 0;
    int timeoutMs = 0;
};
// Any thread, while another waits in a request of the session. FALSE for a null session.
BOOL SnmpMgrGetRequestProgress(LPSNMP_MGR_SESSION session, SnmpMgrRequestProgress* progress);

// Dotted decimal, optionally with a leading "."; also reads every text SnmpMgrOidToStr
// gives. Returns FALSE for anything else, leaving *oid empty.
BOOL SnmpMgrStrToOid(const char* text, AsnObjectIdentifier* oid);
// The MIB name form of an identifier, in a block the caller frees with SnmpUtilMemFree.
BOOL SnmpMgrOidToStr(const AsnObjectIdentifier* oid, char** text);
// Starts reading the machine's MIB modules (net-snmp's MIB directories and settings) in the
// background and returns at once; their names join the built-in ones in the two calls
// above as the modules are read. A load under way is ended first. Best called before any
// thread is started.
void SnmpMgrLoadMibModules();

// Starts the trap service and hands out its event, signalled while traps are queued.
// The caller resets the event and finally closes it with CloseHandle.
BOOL SnmpMgrTrapListen(HANDLE* trapEvent);
// Takes the oldest queued trap; FALSE when none is queued. The enterprise, generic and
// specific trap and time-stamp are the trap's SNMPv1 view (RFC 3584, 3.2 for an SNMPv2c
// trap); the bindings are in the SNMPv2 form, sysUpTime.0 and snmpTrapOID.0 first (made by
// RFC 3584, 3.1 from an SNMPv1 trap's header), so one line per binding shows every trap's
// time and identity. The caller releases the enterprise (SnmpUtilOidFree), the address
// stream when dynamic (SnmpUtilMemFree) and the bindings (SnmpUtilVarBindListFree).
BOOL SnmpMgrGetTrap(AsnObjectIdentifier* enterprise, AsnOctetString* agentAddress,
                    AsnInteger* genericTrap, AsnInteger* specificTrap, AsnTimeticks* timeStamp,
                    SnmpVarBindList* variableBindings);

// Where and how a notification reached the trap service: what its SNMPv1 view does not
// carry. Handed out with each trap by SnmpMgrGetTrapWithOrigin.
struct SnmpMgrTrapOrigin {
    std::int64_t arrivalMs = 0; // when its datagram was read: ms since 1970-01-01 00:00 UTC
    BYTE sender[16] = {};       // the address it came from: 4 bytes for IPv4, 16 for IPv6
    UINT senderLength = 0;
    std::uint16_t senderPort = 0;
    int version = SNMP_MGR_VERSION_1; // its message's version (SNMP_MGR_VERSION_*)
    BYTE pduType = 0;                 // SNMP_PDU_V1TRAP, SNMP_PDU_TRAP or SNMP_PDU_INFORM
    // SNMPv1 and SNMPv2c: the community, as it arrived; SNMPv3: the user name.
    std::string community;
};
// SnmpMgrGetTrap, with `origin` (when not null) (when not null) filled in with where and how the
// trap came.
BOOL SnmpMgrGetTrapWithOrigin(AsnObjectIdentifier* enterprise, AsnOctetString* agentAddress,
                              AsnInteger* genericTrap, AsnInteger* specificTrap,
                              AsnTimeticks* timeStamp, SnmpVarBindList* variableBindings,
                              SnmpMgrTrapOrigin* origin);

// The SNMPv3 user whose notifications the trap service takes, from the SNMPv3 part of
// `settings` (user name, level, protocols, keys); an empty user name takes none. Each
// notification is authenticated and decrypted with the user's keys localised for its
// sender's engine, and Okapel answers informs as their authoritative engine. One below the
// user's level is not shown. FALSE (SNMP_MGMTAPI_BAD_SETTINGS) for settings that do not hold
// together; the user taken before stays.
BOOL SnmpMgrTrapSetUser(const SnmpMgrSessionSettings* settings);

// The notifications that the trap service has not shown since the program started, by
// reason.
struct SnmpMgrTrapDrops {
    std::uint64_t unknownUser;   // SNMPv3: a user name other than the configured one
    std::uint64_t wrongDigest;   // SNMPv3: not authenticated (a wrong key, a changed byte)
    std::uint64_t decryption;    // SNMPv3: not decrypted (a wrong privacy key or protocol)
    std::uint64_t timeWindow;    // SNMPv3: outside the time window (RFC 3414, 3.2 (7))
    std::uint64_t securityLevel; // SNMPv3: below (or beyond) the configured user's level
    std::uint64_t malformed;     // not a readable notification of any version
    std::uint64_t queueFull;     // no room in the trap queue
};
SnmpMgrTrapDrops SnmpMgrGetTrapDrops();

// --- Utility operations ------------------------------------------------------------------

void* SnmpUtilMemAlloc(UINT bytes);                // zero-filled; null when none can be had
void* SnmpUtilMemReAlloc(void* block, UINT bytes); // null block: a new one
void SnmpUtilMemFree(void* block);                 // null is accepted
int SnmpUtilOidCpy(AsnObjectIdentifier* dst, const AsnObjectIdentifier* src);
int SnmpUtilOidAppend(AsnObjectIdentifier* dst, const AsnObjectIdentifier* src);
void SnmpUtilOidFree(AsnObjectIdentifier* oid);
int SnmpUtilOidCmp(const AsnObjectIdentifier* a, const AsnObjectIdentifier* b);
int SnmpUtilOidNCmp(const AsnObjectIdentifier* a, const AsnObjectIdentifier* b, UINT n);
int SnmpUtilAsnAnyCpy(AsnAny* dst, const AsnAny* src);
void SnmpUtilAsnAnyFree(AsnAny* any);
int SnmpUtilVarBindCpy(SnmpVarBind* dst, const SnmpVarBind* src);
void SnmpUtilVarBindFree(SnmpVarBind* vb);
void SnmpUtilVarBindListFree(SnmpVarBindList* list);

// --- Events and the last error -----------------------------------------------------------

inline constexpr UINT INFINITE = 0xFFFFFFFFu;
inline constexpr UINT WAIT_OBJECT_0 = 0;
inline constexpr UINT WAIT_TIMEOUT = 258;
inline constexpr UINT WAIT_FAILED = 0xFFFFFFFFu;

HANDLE CreateEvent(bool manualReset, bool initialState); // null when none can be had
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
UINT WaitForSingleObject(HANDLE event, UINT timeoutMs);
BOOL CloseHandle(HANDLE event);

// The calling thread's last error: an errno value for failures of the operating system,
// or one of the layer's own codes below.
UINT GetLastError();
void SetLastError(UINT code);
// The text for an error code, or the empty text when there is none.
const char* SystemErrorText(UINT code);
// Whether the code is the agent's security refusing a request (SNMP_MGMTAPI_USM_*): its text
// then says what the agent said and what the operator can change, in any flow alike.
bool IsSecurityRefusal(UINT code);

// The layer's own codes lie above every errno value.
inline constexpr UINT SNMP_MGMTAPI_ERROR_BASE = 0x10000;
inline constexpr UINT SNMP_MGMTAPI_NO_ADDRESS = SNMP_MGMTAPI_ERROR_BASE + 1;   // empty text
inline constexpr UINT SNMP_MGMTAPI_BAD_ADDRESS = SNMP_MGMTAPI_ERROR_BASE + 2;  // not readable
inline constexpr UINT SNMP_MGMTAPI_UNKNOWN_HOST = SNMP_MGMTAPI_ERROR_BASE + 3; // no such host
inline constexpr UINT SNMP_MGMTAPI_BAD_PORT = SNMP_MGMTAPI_ERROR_BASE + 4;     // port not 1-65535
inline constexpr UINT SNMP_MGMTAPI_SESSION_FAILED = SNMP_MGMTAPI_ERROR_BASE + 5;
inline constexpr UINT SNMP_MGMTAPI_TIMEOUT = SNMP_MGMTAPI_ERROR_BASE + 6;
inline constexpr UINT SNMP_MGMTAPI_INVALID_SESSION = SNMP_MGMTAPI_ERROR_BASE + 7;
inline constexpr UINT SNMP_MGMTAPI_INVALID_BUFFER = SNMP_MGMTAPI_ERROR_BASE + 8;
inline constexpr UINT SNMP_MGMTAPI_TRAP_PORT_IN_USE = SNMP_MGMTAPI_ERROR_BASE + 9;
inline constexpr UINT SNMP_MGMTAPI_TRAP_PORT_DENIED = SNMP_MGMTAPI_ERROR_BASE + 10;
inline constexpr UINT SNMP_MGMTAPI_TRAP_DUPINIT = SNMP_MGMTAPI_ERROR_BASE + 11;
inline constexpr UINT SNMP_MGMTAPI_NOTRAPS = SNMP_MGMTAPI_ERROR_BASE + 12;
inline constexpr UINT SNMP_MGMTAPI_NO_MEMORY = SNMP_MGMTAPI_ERROR_BASE + 13;
inline constexpr UINT SNMP_MGMTAPI_BAD_IDENTIFIER = SNMP_MGMTAPI_ERROR_BASE + 14;
inline constexpr UINT SNMP_MGMTAPI_BAD_ANSWER = SNMP_MGMTAPI_ERROR_BASE + 15;
inline constexpr UINT SNMP_MGMTAPI_WRONG_VERSION = SNMP_MGMTAPI_ERROR_BASE + 16;
inline constexpr UINT SNMP_MGMTAPI_BAD_SETTINGS = SNMP_MGMTAPI_ERROR_BASE + 17;
inline constexpr UINT SNMP_MGMTAPI_SHORT_PASSPHRASE = SNMP_MGMTAPI_ERROR_BASE + 18;
// The failures of the User-based Security Model that an SNMPv3 request ends with.
inline constexpr UINT SNMP_MGMTAPI_USM_UNKNOWN_USER = SNMP_MGMTAPI_ERROR_BASE + 19;
inline constexpr UINT SNMP_MGMTAPI_USM_WRONG_DIGEST = SNMP_MGMTAPI_ERROR_BASE + 20;
inline constexpr UINT SNMP_MGMTAPI_USM_DECRYPTION = SNMP_MGMTAPI_ERROR_BASE + 21;
inline constexpr UINT SNMP_MGMTAPI_USM_UNSUPPORTED_LEVEL = SNMP_MGMTAPI_ERROR_BASE + 22;
inline constexpr UINT SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW = SNMP_MGMTAPI_ERROR_BASE + 23;
inline constexpr UINT SNMP_MGMTAPI_USM_UNKNOWN_ENGINE = SNMP_MGMTAPI_ERROR_BASE + 24;
inline constexpr UINT SNMP_MGMTAPI_USM_UNKNOWN_CONTEXT = SNMP_MGMTAPI_ERROR_BASE + 25;
inline constexpr UINT SNMP_MGMTAPI_USM_REPORT = SNMP_MGMTAPI_ERROR_BASE + 26; // any other Report
// A request ended by SnmpMgrCancelRequests, or refused after it.
inline constexpr UINT SNMP_MGMTAPI_CANCELLED = SNMP_MGMTAPI_ERROR_BASE + 27;
// An agent whose engine is at its boot limit (RFC 3414, 2.2.2): every authenticated request is
// outside its time window until the engine is reconfigured.
inline constexpr UINT SNMP_MGMTAPI_USM_BOOT_LIMIT = SNMP_MGMTAPI_ERROR_BASE + 28;
// A request that got no answer, where the agent's address sent an unauthenticated Report of
// the User-based Security Model's counter named (RFC 3414, 5) that could not be verified.
inline constexpr UINT SNMP_MGMTAPI_USM_UNVERIFIED_UNSUPPORTED_LEVEL = SNMP_MGMTAPI_ERROR_BASE + 29;
inline constexpr UINT SNMP_MGMTAPI_USM_UNVERIFIED_NOT_IN_TIME_WINDOW = SNMP_MGMTAPI_ERROR_BASE + 30;
inline constexpr UINT SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_USER = SNMP_MGMTAPI_ERROR_BASE + 31;
inline constexpr UINT SNMP_MGMTAPI_USM_UNVERIFIED_WRONG_DIGEST = SNMP_MGMTAPI_ERROR_BASE + 32;
inline constexpr UINT SNMP_MGMTAPI_USM_UNVERIFIED_DECRYPTION = SNMP_MGMTAPI_ERROR_BASE + 33;
// An authenticated answer from before the agent's engine time or boots learnt (RFC 3414, 3.2
// (7)(b)), refused as a replay would be.
inline constexpr UINT SNMP_MGMTAPI_USM_TIME_WENT_BACK = SNMP_MGMTAPI_ERROR_BASE + 34;
// As the unverified ones above, for a Report of snmpUnknownContexts (RFC 3413, 4.1.3).
inline constexpr UINT SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_CONTEXT = SNMP_MGMTAPI_ERROR_BASE + 35;
