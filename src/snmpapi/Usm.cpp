// The User-based Security Model's keys, users and message hooks (see Usm.h).
#include "snmpapi/Usm.h"

#include "snmpapi/LibraryInternals.h"
#include "snmpapi/SnmpMessage.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <utility>

void SnmpMgrWipe(void* data, std::size_t size) {
    explicit_bzero(data, size);
}

namespace {

// Clears the stack below the caller's frame, where the net-snmp calls that it has just made
// had theirs: generate_kul returns with the master key, twice, still in a 4 KB buffer of its
// frame. Called from the frame that made those calls, after them.
[[gnu::noinline]] void WipeStackBelow() {
    unsigned char below[16384];
    SnmpMgrWipe(below, sizeof below);
}

} // namespace

// --- Master keys ---------------------------------------------------------------------------

namespace {

// Every key alive, so that the end of the program clears those that their holders never let
// go (the trap service's, a session still open). Never destroyed: a key may be released by a
// static destructor after everything else has gone.
std::mutex& KeysLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::set<SnmpMgrUsmKey*>& LiveKeys() {
    static auto* keys = new std::set<SnmpMgrUsmKey*>;
    return *keys;
}

struct Protocol {
    int number;
    const oid* ids;
    std::size_t length;
};

const Protocol kAuthProtocols[] = {
    {SNMP_MGR_AUTH_MD5, usmHMACMD5AuthProtocol, 10},
    {SNMP_MGR_AUTH_SHA, usmHMACSHA1AuthProtocol, 10},
    {SNMP_MGR_AUTH_SHA224, usmHMAC128SHA224AuthProtocol, 10},
    {SNMP_MGR_AUTH_SHA256, usmHMAC192SHA256AuthProtocol, 10},
    {SNMP_MGR_AUTH_SHA384, usmHMAC256SHA384AuthProtocol, 10},
    {SNMP_MGR_AUTH_SHA512, usmHMAC384SHA512AuthProtocol, 10},
};

// AES-192 and AES-256 have no IETF identifier: these are the ones of the draft that net-snmp
// follows (9 sub-identifiers), whose keys are extended as net-snmp's tools extend them.
const Protocol kPrivProtocols[] = {
    {SNMP_MGR_PRIV_DES, usmDESPrivProtocol, 10},
    {SNMP_MGR_PRIV_AES, usmAESPrivProtocol, 10},
    {SNMP_MGR_PRIV_AES192, usmAES192PrivProtocol, 9},
    {SNMP_MGR_PRIV_AES256, usmAES256PrivProtocol, 9},
};

template <std::size_t N>
const oid* FindProtocol(const Protocol (&table)[N], int number, std::size_t* length) {
    for (const Protocol& protocol : table) {
        if (protocol.number == number) {
            *length = protocol.length;
            return protocol.ids;
        }
    }
    *length = 0;
    return nullptr;
}

} // namespace

SnmpMgrUsmKey::SnmpMgrUsmKey() {
    std::lock_guard<std::mutex> guard(KeysLock());
    LiveKeys().insert(this);
}

SnmpMgrUsmKey::~SnmpMgrUsmKey() {
    std::lock_guard<std::mutex> guard(KeysLock());
    Wipe();
    LiveKeys().erase(this);
}

void SnmpMgrUsmKey::Wipe() {
    SnmpMgrWipe(bytes, sizeof bytes);
    length = 0;
}

const oid* UsmAuthProtocol(int protocol, std::size_t* length) {
    return FindProtocol(kAuthProtocols, protocol, length);
}

const oid* UsmPrivProtocol(int protocol, std::size_t* length) {
    return FindProtocol(kPrivProtocols, protocol, length);
}

int UsmLibraryLevel(int level) {
    switch (level) {
    case SNMP_MGR_AUTH_NOPRIV:
        return SNMP_SEC_LEVEL_AUTHNOPRIV;
    case SNMP_MGR_AUTH_PRIV:
        return SNMP_SEC_LEVEL_AUTHPRIV;
    default:
        return SNMP_SEC_LEVEL_NOAUTH;
    }
}

BOOL SnmpMgrMakeUsmKey(int authProtocol, char* passphrase, std::size_t length,
                       SnmpMgrUsmKeyRef* key) {
    std::size_t protocolLength = 0;
    const oid* protocol = UsmAuthProtocol(authProtocol, &protocolLength);
    UINT error = 0;
    if (!passphrase || !key)
        error = SNMP_MGMTAPI_INVALID_BUFFER;
    else if (!protocol)
        error = SNMP_MGMTAPI_BAD_SETTINGS;
    else if (length < SNMP_MGR_PASSPHRASE_MIN)
        error = SNMP_MGMTAPI_SHORT_PASSPHRASE;
    auto made = std::make_shared<SnmpMgrUsmKey>();
    if (error == 0) {
        made->authProtocol = authProtocol;
        // net-snmp's OpenSSL hashing wants room for the largest digest, whatever the hash.
        made->length = sizeof made->bytes;
        std::lock_guard<std::mutex> guard(SnmpLibraryLock());
        SnmpLibraryInit();
        if (generate_Ku(protocol, static_cast<u_int>(protocolLength),
                        reinterpret_cast<const u_char*>(passphrase), length, made->bytes,
                        &made->length) != SNMPERR_SUCCESS)
            error = SNMP_MGMTAPI_NO_MEMORY;
    }
    if (passphrase)
        SnmpMgrWipe(passphrase, length);
    if (error != 0) {
        SetLastError(error);
        return FALSE;
    }
    *key = std::move(made);
    return TRUE;
}

int SnmpMgrUsmKeyProtocol(const SnmpMgrUsmKey* key) {
    return key ? key->authProtocol : 0;
}

// --- Users -------------------------------------------------------------------------------

UsmUser UsmUser::FromSettings(const SnmpMgrSessionSettings& settings) {
    UsmUser user;
    user.name = settings.userName;
    user.level = settings.securityLevel;
    user.authProtocol = settings.authProtocol;
    user.privProtocol = settings.privProtocol;
    if (user.level >= SNMP_MGR_AUTH_NOPRIV)
        user.authKey = settings.authKey;
    if (user.level == SNMP_MGR_AUTH_PRIV)
        user.privKey = settings.privKey;
    return user;
}

namespace {

using UserKey = std::pair<EngineId, std::string>;

// How many holders each user that the layer put in net-snmp's table has.
std::map<UserKey, int> g_holders;
bool g_usersCleared = false; // net-snmp's table was emptied at the end of the program

void FreeUser(usmUser* user) {
    // usm_remove_user returns the list's head, not the user; usm_free_user mends the
    // neighbours it is given, so it is given none.
    usm_remove_user(user);
    user->next = nullptr;
    user->prev = nullptr;
    usm_free_user(user); // clears the localised keys before it frees them
}

// The user's localised key (RFC 3414, 2.6) in a block of net-snmp's, extended where the
// privacy protocol needs more than the hash gives; false when it cannot be made.
bool LocaliseKey(const oid* hash, std::size_t hashLength, const EngineId& engine,
                 const SnmpMgrUsmKey& key, u_char** out, std::size_t* outLength,
                 std::size_t capacity) {
    *out = static_cast<u_char*>(calloc(1, capacity));
    *outLength = capacity;
    return *out && generate_kul(hash, static_cast<u_int>(hashLength), engine.data(), engine.size(),
                                key.bytes, key.length, *out, outLength) == SNMPERR_SUCCESS;
}

// A user for `engine` made of `user`, not yet in the table; null when it cannot be made.
usmUser* MakeUser(const EngineId& engine, const UsmUser& user) {
    usmUser* made = usm_create_user();
    if (!made)
        return nullptr;
    // usm_create_user fills in net-snmp's default protocols, which are not ours.
    SNMP_FREE(made->authProtocol);
    SNMP_FREE(made->privProtocol);
    made->name = strdup(user.name.c_str());
    made->secName = strdup(user.name.c_str());
    made->engineID = static_cast<u_char*>(netsnmp_memdup(engine.data(), engine.size()));
    made->engineIDLen = engine.size();
    std::size_t authLength = 10;
    const oid* auth = usmNoAuthProtocol;
    std::size_t privLength = 10;
    const oid* priv = usmNoPrivProtocol;
    if (user.level >= SNMP_MGR_AUTH_NOPRIV)
        auth = UsmAuthProtocol(user.authProtocol, &authLength);
    if (user.level == SNMP_MGR_AUTH_PRIV)
        priv = UsmPrivProtocol(user.privProtocol, &privLength);
    bool madeOk = made->name && made->secName && made->engineID && auth && priv;
    if (madeOk) {
        made->authProtocol = snmp_duplicate_objid(auth, authLength);
        made->authProtocolLen = authLength;
        made->privProtocol = snmp_duplicate_objid(priv, privLength);
        made->privProtocolLen = privLength;
        madeOk = made->authProtocol && made->privProtocol;
    }
    if (madeOk && user.level >= SNMP_MGR_AUTH_NOPRIV)
        madeOk = user.authKey && LocaliseKey(auth, authLength, engine, *user.authKey,
                                             &made->authKey, &made->authKeyLen, USM_AUTH_KU_LEN);
    // The privacy key is localised with the authentication protocol's hash (RFC 3414, A.2).
    if (madeOk && user.level == SNMP_MGR_AUTH_PRIV)
        madeOk = user.privKey &&
                 LocaliseKey(auth, authLength, engine, *user.privKey, &made->privKey,
                             &made->privKeyLen, USM_PRIV_KU_LEN) &&
                 usm_extend_user_kul(made, USM_PRIV_KU_LEN) == SNMPERR_SUCCESS;
    if (!madeOk) {
        usm_free_user(made);
        return nullptr;
    }
    made->userStatus = RS_ACTIVE;
    made->userStorageType = ST_VOLATILE;
    return made;
}

bool SameBytes(const u_char* a, std::size_t aLength, const u_char* b, std::size_t bLength) {
    return aLength == bLength && (aLength == 0 || std::memcmp(a, b, aLength) == 0);
}

// Whether two users of one name and engine are the same: protocols and localised keys.
bool SameUser(const usmUser& a, const usmUser& b) {
    return snmp_oid_compare(a.authProtocol, a.authProtocolLen, b.authProtocol, b.authProtocolLen) ==
               0 &&
           snmp_oid_compare(a.privProtocol, a.privProtocolLen, b.privProtocol, b.privProtocolLen) ==
               0 &&
           SameBytes(a.authKey, a.authKeyLen, b.authKey, b.authKeyLen) &&
           SameBytes(a.privKey, a.privKeyLen, b.privKey, b.privKeyLen);
}

} // namespace

bool UsmHoldUser(const EngineId& engine, const UsmUser& user) {
    if (g_usersCleared || engine.empty())
        return false;
    usmUser* made = MakeUser(engine, user);
    WipeStackBelow(); // the localisation's frames, whether the user was made or not
    if (!made)
        return false;
    usmUser* present = usm_get_user(engine.data(), engine.size(), user.name.c_str());
    if (present && SameUser(*present, *made)) {
        usm_free_user(made);
    } else {
        // Another holder's keys for the same user of the same engine: the newer win, since a
        // user of one agent has one set of keys, and what the operator typed last is meant.
        if (present)
            FreeUser(present);
        usm_add_user(made);
    }
    ++g_holders[{engine, user.name}];
    return true;
}

void UsmReleaseUser(const EngineId& engine, const std::string& name) {
    const auto held = g_holders.find({engine, name});
    if (held == g_holders.end() || --held->second > 0)
        return;
    g_holders.erase(held);
    if (g_usersCleared)
        return;
    if (usmUser* user = usm_get_user(engine.data(), engine.size(), name.c_str()))
        FreeUser(user);
}

bool UsmEngineHeld(const EngineId& engine) {
    const auto first = g_holders.lower_bound({engine, std::string()});
    return first != g_holders.end() && first->first.first == engine;
}

void UsmForgetEngineTime(const EngineId& engine) {
    // The records that forgetting `engine` must keep: those of the engines that some holder
    // holds, and Okapel's own, which informs are checked against.
    std::vector<EngineId> kept;
    for (const auto& [held, count] : g_holders) {
        if (kept.empty() || kept.back() != held.first)
            kept.push_back(held.first);
    }
    u_char own[USM_MAX_ID_LENGTH];
    const std::size_t ownLength = snmpv3_get_engineID(own, sizeof own);
    kept.emplace_back(own, own + ownLength);
    LibraryForgetEngineTime(engine, kept);
}

// --- Message hooks -----------------------------------------------------------------------

namespace {

bool g_wrapped = false;
LibraryUsmFunctions g_usm; // the USM's own
std::map<const netsnmp_session*, UsmMessageHook*> g_hooks;

UsmMessageHook* HookOf(const netsnmp_session* session) {
    const auto found = g_hooks.find(session);
    return found == g_hooks.end() ? nullptr : found->second;
}

int DecodeWithHook(snmp_secmod_incoming_params* p) {
    const int result = g_usm.decode(p);
    UsmMessageHook* hook = HookOf(p->sess);
    return hook ? hook->Decoded(p, result) : result;
}

int EncodeReverseWithHook(snmp_secmod_outgoing_params* p) {
    if (UsmMessageHook* hook = HookOf(p->session))
        hook->Encoding(p);
    return g_usm.encodeReverse(p);
}

int EncodeForwardWithHook(snmp_secmod_outgoing_params* p) {
    if (UsmMessageHook* hook = HookOf(p->session))
        hook->Encoding(p);
    return g_usm.encodeForward(p);
}

void InstallHooks() {
    if (!g_wrapped)
        g_wrapped =
            LibraryWrapUsm({DecodeWithHook, EncodeReverseWithHook, EncodeForwardWithHook}, &g_usm);
}

} // namespace

void UsmSetHook(const netsnmp_session* session, UsmMessageHook* hook) {
    InstallHooks();
    if (hook)
        g_hooks[session] = hook;
    else
        g_hooks.erase(session);
}

void UsmWipeAtExit() {
    {
        std::lock_guard<std::mutex> guard(KeysLock());
        for (SnmpMgrUsmKey* key : LiveKeys())
            key->Wipe();
    }
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    if (g_usersCleared)
        return;
    g_usersCleared = true;
    shutdown_usm(); // every user freed, its localised keys cleared; the time records gone
}

bool SnmpMgrUsmSettingsUsable(const SnmpMgrSessionSettings& settings) {
    std::size_t length = 0;
    const auto keyFits = [&settings](const SnmpMgrUsmKeyRef& key) {
        return key && key->authProtocol == settings.authProtocol && key->length > 0;
    };
    if (settings.userName.empty() || settings.userName.size() > SNMP_MGR_USM_NAME_MAX ||
        settings.contextName.size() > SNMP_MGR_USM_NAME_MAX)
        return false;
    switch (settings.securityLevel) {
    case SNMP_MGR_NOAUTH_NOPRIV:
        return true;
    case SNMP_MGR_AUTH_NOPRIV:
        return UsmAuthProtocol(settings.authProtocol, &length) && keyFits(settings.authKey);
    case SNMP_MGR_AUTH_PRIV:
        return UsmAuthProtocol(settings.authProtocol, &length) &&
               UsmPrivProtocol(settings.privProtocol, &length) && keyFits(settings.authKey) &&
               keyFits(settings.privKey);
    default:
        return false;
    }
}
