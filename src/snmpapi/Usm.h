// The User-based Security Model (RFC 3414) inside the layer: the protocols the operator
// picks, the master keys made from passphrases, the users that the layer puts in net-snmp's
// user table, and the hooks through which the layer's own decoder reads every SNMPv3 message
// once net-snmp has authenticated and decrypted it. Shared by the sessions and the trap
// service; nothing outside src/snmpapi sees it.
//
// What is secret and where it lives. A passphrase lives only in the caller's buffer until its
// key is made, and is cleared then (SnmpMgrMakeUsmKey). A master key (Ku) lives only in its
// SnmpMgrUsmKey, which clears it when the last holder lets go; net-snmp never holds one.
// Localised keys (Kul) live in net-snmp's user table, which clears them when a user is
// removed (usm_free_user); the layer removes each user when its last holder lets go. When
// the program ends, every key still held is cleared and net-snmp's user table emptied.
//
// Every function here but WipeBytes and the key's own life runs under SnmpLibraryLock.
#pragma once

#include "snmpapi/SnmpInternal.h"

#include <net-snmp/library/keytools.h>
#include <net-snmp/library/lcd_time.h>
#include <net-snmp/library/snmp_secmod.h>
#include <net-snmp/library/snmpusm.h>

#include <cstddef>
#include <string>
#include <vector>

struct SnmpMgrUsmKey {
    SnmpMgrUsmKey();
    ~SnmpMgrUsmKey();
    SnmpMgrUsmKey(const SnmpMgrUsmKey&) = delete;
    SnmpMgrUsmKey& operator=(const SnmpMgrUsmKey&) = delete;
    void Wipe();

    int authProtocol = 0;
    u_char bytes[USM_AUTH_KU_LEN] = {};
    std::size_t length = 0;
};

// net-snmp's identifiers of a protocol (transform_oids.h); null for one the layer does not
// know. SNMP_MGR_AUTH_* and SNMP_MGR_PRIV_* numbers.
const oid* UsmAuthProtocol(int protocol, std::size_t* length);
const oid* UsmPrivProtocol(int protocol, std::size_t* length);
// net-snmp's number of a security level (SNMP_SEC_LEVEL_*).
int UsmLibraryLevel(int level);

// One user as the layer puts it in net-snmp's table: its name, level and protocols and its
// master keys, from which the localised keys for each engine are made.
struct UsmUser {
    std::string name;
    int level = SNMP_MGR_NOAUTH_NOPRIV;
    int authProtocol = 0;
    int privProtocol = 0;
    SnmpMgrUsmKeyRef authKey;
    SnmpMgrUsmKeyRef privKey;

    static UsmUser FromSettings(const SnmpMgrSessionSettings& settings);
};

// An engine id as it arrived (RFC 3411, SnmpEngineID: 5 to 32 bytes).
using EngineId = std::vector<u_char>;

// Holds `user` for `engine` in net-snmp's table, with its keys localised for that engine
// (RFC 3414, 2.6): a user of that name and engine already there with the same keys is
// shared, one with other keys is replaced (the newer keys are the operator's). False when
// the user cannot be made. Each hold is given back with UsmReleaseUser.
bool UsmHoldUser(const EngineId& engine, const UsmUser& user);
void UsmReleaseUser(const EngineId& engine, const std::string& name);
// Whether any holder holds a user for `engine`: its time record (lcd_time) is in use.
bool UsmEngineHeld(const EngineId& engine);
// Forgets what net-snmp learnt of `engine`'s boots and time, and nothing of any other engine
// in use.
void UsmForgetEngineTime(const EngineId& engine);

// What the layer does with the SNMPv3 messages of one net-snmp session (a request session's
// copy, or the trap service's receiving one). Both run inside net-snmp's processing of a
// message, under the library lock: they must not take it, nor call out of the layer.
class UsmMessageHook {
public:
    virtual ~UsmMessageHook() = default;
    // After the USM has processed an incoming message with `result` (SNMPERR_SUCCESS once
    // the digest, the time window and the decryption are done, and *p->scopedPdu holds the
    // plaintext): the result net-snmp goes on with.
    virtual int Decoded(snmp_secmod_incoming_params* p, int result) = 0;
    // Before the USM authenticates and encrypts an outgoing message whose plaintext
    // scopedPDU lies at p->scopedPdu, in the packet being built.
    virtual void Encoding(snmp_secmod_outgoing_params*) {}
};
// Routes the messages of `session` to `hook` (null: no longer). Installs the wrappers of
// net-snmp's USM once.
void UsmSetHook(const netsnmp_session* session, UsmMessageHook* hook);

// Clears every master key still held and empties net-snmp's user table (its localised keys
// cleared). Runs once, when the program ends; registered by SnmpLibraryInit.
void UsmWipeAtExit();
