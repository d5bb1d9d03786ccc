// The digest of an SNMPv3 message at authNoPriv (SnmpTesting.h), with net-snmp's key
// functions, for tests and benchmarks that send authenticated notifications from many
// engines: one snmptrap run per engine would take minutes.
#include "testing/SnmpTesting.h"

#include "snmpapi/Usm.h"

#include <net-snmp/library/scapi.h>
#include <net-snmp/library/transform_oids.h>

#include <map>
#include <string>
#include <vector>

bool SnmpSignV3ForTesting(std::vector<std::uint8_t>* message, std::size_t digestAt,
                          const std::string& passphrase, const std::vector<std::uint8_t>& engine) {
    static std::map<std::string, std::vector<u_char>> masterKeys; // one per passphrase
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    if (digestAt + 12 > message->size() || engine.empty())
        return false;
    std::vector<u_char>& ku = masterKeys[passphrase];
    if (ku.empty()) {
        u_char key[USM_AUTH_KU_LEN];
        std::size_t length = sizeof key;
        if (generate_Ku(usmHMACSHA1AuthProtocol, OID_LENGTH(usmHMACSHA1AuthProtocol),
                        reinterpret_cast<const u_char*>(passphrase.data()), passphrase.size(), key,
                        &length) != SNMPERR_SUCCESS) {
            masterKeys.erase(passphrase);
            return false;
        }
        ku.assign(key, key + length);
    }
    u_char kul[USM_AUTH_KU_LEN];
    std::size_t kulLength = sizeof kul;
    if (generate_kul(usmHMACSHA1AuthProtocol, OID_LENGTH(usmHMACSHA1AuthProtocol), engine.data(),
                     engine.size(), ku.data(), ku.size(), kul, &kulLength) != SNMPERR_SUCCESS)
        return false;
    // HMAC-SHA-96 (RFC 3414, 7.3.1): over the whole message with the digest's place zeroed,
    // the first 12 bytes.
    std::fill(message->begin() + static_cast<std::ptrdiff_t>(digestAt),
              message->begin() + static_cast<std::ptrdiff_t>(digestAt + 12), 0);
    u_char mac[64];
    std::size_t macLength = 12;
    if (sc_generate_keyed_hash(usmHMACSHA1AuthProtocol, OID_LENGTH(usmHMACSHA1AuthProtocol), kul,
                               static_cast<u_int>(kulLength), message->data(),
                               static_cast<u_int>(message->size()), mac,
                               &macLength) != SNMPERR_SUCCESS ||
        macLength < 12)
        return false;
    std::copy(mac, mac + 12, message->begin() + static_cast<std::ptrdiff_t>(digestAt));
    return true;
}
