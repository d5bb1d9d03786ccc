#include "support/UsmUsers.h"

#include <cstring>
#include <stdexcept>

namespace {

const char* LevelName(int level) {
    switch (level) {
    case SNMP_MGR_AUTH_NOPRIV:
        return "authNoPriv";
    case SNMP_MGR_AUTH_PRIV:
        return "authPriv";
    default:
        return "noAuthNoPriv";
    }
}

SnmpMgrUsmKeyRef MakeKey(int protocol, const char* passphrase) {
    std::string copy = passphrase; // cleared by the maker
    SnmpMgrUsmKeyRef key;
    SnmpMgrMakeUsmKey(protocol, copy.data(), copy.size(), &key);
    return key;
}

} // namespace

const std::vector<UsmTestUser>& UsmTestUsers() {
    static const std::vector<UsmTestUser> users = {
        {"okNoAuth", SNMP_MGR_NOAUTH_NOPRIV, 0, nullptr, 0, nullptr},
        {"okMd5", SNMP_MGR_AUTH_NOPRIV, SNMP_MGR_AUTH_MD5, "md5-passphrase", 0, nullptr},
        {"okSha", SNMP_MGR_AUTH_NOPRIV, SNMP_MGR_AUTH_SHA, "sha-passphrase", 0, nullptr},
        {"okMd5Des", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_MD5, "md5-passphrase", SNMP_MGR_PRIV_DES,
         "des-passphrase"},
        {"okShaAes", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_SHA, "sha-passphrase", SNMP_MGR_PRIV_AES,
         "aes-passphrase"},
        {"okSha224Aes192", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_SHA224, "sha224-passphrase",
         SNMP_MGR_PRIV_AES192, "aes192-passphrase"},
        {"okSha256Aes", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_SHA256, "sha256-passphrase",
         SNMP_MGR_PRIV_AES, "aes-passphrase"},
        {"okSha384Aes", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_SHA384, "sha384-passphrase",
         SNMP_MGR_PRIV_AES, "aes-passphrase"},
        {"okSha512Aes256", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_SHA512, "sha512-passphrase",
         SNMP_MGR_PRIV_AES256, "aes256-passphrase"},
        {"okShaAes256", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_SHA, "sha-passphrase",
         SNMP_MGR_PRIV_AES256, "aes256-passphrase"},
        // Passphrases beyond ASCII, as UTF-8 bytes: the agent's configuration, the tools'
        // command line and Okapel's keys all take the same bytes.
        {"okUtf8", SNMP_MGR_AUTH_PRIV, SNMP_MGR_AUTH_SHA256, "p\u00e4ssw\u00f6rd-\u00fcn\u00efcode",
         SNMP_MGR_PRIV_AES, "priv\u00e9-\u043a\u043b\u044e\u0447-\u5bc6\u94a5"},
    };
    return users;
}

const UsmTestUser& UsmDemoUser() {
    static const UsmTestUser user = {"ops",
                                     SNMP_MGR_AUTH_PRIV,
                                     SNMP_MGR_AUTH_SHA256,
                                     "auth passphrase",
                                     SNMP_MGR_PRIV_AES,
                                     "priv passphrase"};
    return user;
}

const UsmTestUser& UsmTestUserNamed(const std::string& name) {
    if (name == UsmDemoUser().name)
        return UsmDemoUser();
    for (const UsmTestUser& user : UsmTestUsers()) {
        if (name == user.name)
            return user;
    }
    throw std::invalid_argument("no test user " + name);
}

const char* AuthProtocolName(int protocol) {
    static const char* const names[] = {"",        "MD5",     "SHA",    "SHA-224",
                                        "SHA-256", "SHA-384", "SHA-512"};
    return protocol >= 1 && protocol <= 6 ? names[protocol] : "";
}

const char* PrivProtocolName(int protocol) {
    static const char* const names[] = {"", "DES", "AES", "AES-192", "AES-256"};
    return protocol >= 1 && protocol <= 4 ? names[protocol] : "";
}

std::vector<std::string> UsmAgentLines() {
    std::vector<std::string> lines;
    for (const UsmTestUser& user : UsmTestUsers()) {
        std::string line = std::string("createUser ") + user.name;
        if (user.level >= SNMP_MGR_AUTH_NOPRIV)
            line += std::string(" ") + AuthProtocolName(user.authProtocol) + " \"" +
                    user.authPassphrase + "\"";
        if (user.level == SNMP_MGR_AUTH_PRIV)
            line += std::string(" ") + PrivProtocolName(user.privProtocol) + " \"" +
                    user.privPassphrase + "\"";
        lines.push_back(line);
        const char* level = user.level == SNMP_MGR_AUTH_PRIV     ? "priv"
                            : user.level == SNMP_MGR_AUTH_NOPRIV ? "auth"
                                                                 : "noauth";
        lines.push_back(std::string("rwuser ") + user.name + " " + level);
    }
    return lines;
}

SnmpMgrSessionSettings UsmSettings(const UsmTestUser& user, const char* authPassphrase,
                                   const char* privPassphrase) {
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_3;
    settings.userName = user.name;
    settings.securityLevel = user.level;
    if (user.level >= SNMP_MGR_AUTH_NOPRIV) {
        settings.authProtocol = user.authProtocol;
        settings.authKey =
            MakeKey(user.authProtocol, authPassphrase ? authPassphrase : user.authPassphrase);
    }
    if (user.level == SNMP_MGR_AUTH_PRIV) {
        settings.privProtocol = user.privProtocol;
        settings.privKey =
            MakeKey(user.authProtocol, privPassphrase ? privPassphrase : user.privPassphrase);
    }
    return settings;
}

std::vector<std::string> UsmToolOptions(const UsmTestUser& user) {
    std::vector<std::string> options = {"-v3", "-l", LevelName(user.level), "-u", user.name};
    if (user.level >= SNMP_MGR_AUTH_NOPRIV)
        options.insert(options.end(),
                       {"-a", AuthProtocolName(user.authProtocol), "-A", user.authPassphrase});
    if (user.level == SNMP_MGR_AUTH_PRIV)
        options.insert(options.end(),
                       {"-x", PrivProtocolName(user.privProtocol), "-X", user.privPassphrase});
    return options;
}
