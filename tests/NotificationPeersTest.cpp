// The notification log against real peers: each notification that net-snmp's snmptrap (SNMPv1,
// SNMPv2c, SNMPv3) and snmpinform and pysnmp send reaches the log once, from the same trap
// service as the trap window's lines, with the name, source and bindings that snmptrapd prints
// for the same notification sent to it.
#include "support/DialogDriver.h"
#include "support/Identifiers.h"
#include "support/Ports.h"
#include "support/ToolRun.h"
#include "support/TrapDaemon.h"
#include "support/TrapTraffic.h"
#include "support/UsmUsers.h"
#include "support/Wait.h"
#include "testing/SnmpTesting.h"
#include "traps/NotificationText.h"
#include "ui/ListBox.h"
#include "ui/NotificationLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr const char* kV3User = "okSha256Aes";
constexpr const char* kV3Engine = "0x80001f8804b0bcbeef38";

// What both receivers say of one notification, in the words snmptrapd uses.
struct Seen {
    std::string address;
    std::string kind;      // TRAP, TRAP2 (an SNMPv2 trap) or INFORM
    std::string version;   // v1, v2c, v3
    std::string community; // or the SNMPv3 user
    std::string trapOid;
    std::vector<std::string> bindings; // "oid|type|value", those snmptrapd prints
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    out << s.address << " " << s.kind << " " << s.version << " " << s.community << " " << s.trapOid;
    for (const std::string& b : s.bindings)
        out << "\n  " << b;
    return out;
}

bool operator==(const Seen& a, const Seen& b) {
    return a.address == b.address && a.kind == b.kind && a.version == b.version &&
           a.community == b.community && a.trapOid == b.trapOid && a.bindings == b.bindings;
}

// "STRING: \"a \\\"b\\\"\"" as "STRING|a \"b\"", "Timeticks: (42) 0:00:00.42" as
// "Timeticks|42", "OID: .1.3" as "OID|1.3".
std::string DaemonValue(const std::string& typed) {
    const std::size_t colon = typed.find(": ");
    if (colon == std::string::npos)
        return typed;
    const std::string type = typed.substr(0, colon);
    std::string value = typed.substr(colon + 2);
    if (type == "STRING" && value.size() >= 2 && value.front() == '"') {
        std::string plain;
        for (std::size_t i = 1; i + 1 < value.size(); ++i) {
            if (value[i] == '\\' && i + 2 < value.size())
                ++i;
            plain += value[i];
        }
        value = plain;
    } else if (type == "Timeticks") {
        value = value.substr(1, value.find(')') - 1);
    } else if (type == "OID" && !value.empty() && value[0] == '.') {
        value.erase(0, 1);
    }
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    return type + "|" + value;
}

Seen FromDaemon(const DaemonNotification& d) {
    Seen seen;
    seen.address = d.address;
    const std::size_t comma = d.security.find(", SNMP ");
    seen.kind = d.security.substr(0, comma);
    const std::string rest = d.security.substr(comma + 7);
    seen.version = rest.substr(0, rest.find(','));
    for (const char* word : {"community ", "user "}) {
        const std::size_t at = rest.find(word);
        if (at != std::string::npos) {
            const std::size_t start = at + std::char_traits<char>::length(word);
            seen.community = rest.substr(start, rest.find(',', start) - start);
            break;
        }
    }
    // RFC 3584, 3.1: an SNMPv1 trap's identity in SNMPv2 terms.
    if (seen.version == "v1")
        seen.trapOid = d.generic == 6 ? d.enterprise + ".0." + std::to_string(d.specific)
                                      : "1.3.6.1.6.3.1.1.5." + std::to_string(d.generic + 1);
    for (const std::string& binding : d.bindings) {
        const std::size_t equals = binding.find(" = ");
        const std::string oid = binding.substr(0, equals);
        const std::string value = DaemonValue(binding.substr(equals + 3));
        if (oid == "1.3.6.1.6.3.1.1.4.1.0")
            seen.trapOid = value.substr(value.find('|') + 1);
        seen.bindings.push_back(oid + "|" + value);
    }
    return seen;
}

// snmptrapd's word for a value's type, where its text differs from the type's name.
std::string DaemonType(const SnmpVarBind& vb, const std::string& sent) {
    switch (vb.value.asnType) {
    case ASN_OCTETSTRING: {
        // Text as it is, other bytes in hex: the trap window's own rule.
        const AsnOctetString& s = vb.value.asnValue.string;
        const bool text = sent.size() == s.length;
        return text ? "STRING" : "Hex-STRING";
    }
    case ASN_TIMETICKS:
        return "Timeticks";
    case ASN_OBJECTIDENTIFIER:
        return "OID";
    default:
        return ValueTypeName(vb.value.asnType);
    }
}

Seen FromLog(const CNotification& n) {
    Seen seen;
    seen.address = std::string(n.SenderText());
    seen.kind = n.IsInform() ? "INFORM" : n.Version() == SNMP_MGR_VERSION_1 ? "TRAP" : "TRAP2";
    seen.version = n.Version() == SNMP_MGR_VERSION_1    ? "v1"
                   : n.Version() == SNMP_MGR_VERSION_2C ? "v2c"
                                                        : "v3";
    seen.community = std::string(n.Community());
    seen.trapOid = std::string(n.TrapOidText());
    CNotificationBindings bindings;
    n.Unpack(&bindings);
    // snmptrapd prints an SNMPv1 trap's own bindings, not the two its header makes.
    for (std::size_t i = n.Version() == SNMP_MGR_VERSION_1 ? 2 : 0; i < bindings.Count(); ++i) {
        const std::string sent = SentValueText(bindings[i].value);
        seen.bindings.push_back(DottedOid(bindings[i].name) + "|" + DaemonType(bindings[i], sent) +
                                "|" + sent);
    }
    return seen;
}

// A sender: sends the notification to the port it is given; its exit status.
struct Sender {
    const char* name;
    std::function<int(std::uint16_t port)> send;
};

std::string Target(std::uint16_t port) {
    return "127.0.0.1:" + std::to_string(port);
}

std::vector<std::string> V3Options(bool trap) {
    std::vector<std::string> options = UsmToolOptions(UsmTestUserNamed(kV3User));
    if (trap)
        options.insert(options.end(), {"-e", kV3Engine}); // the sender is authoritative
    return options;
}

int Pysnmp(const char* kind, std::uint16_t port) {
    const ToolRun run = RunTool(QStringLiteral("/usr/bin/python3"),
                                {QStringLiteral(OKAPEL_SOURCE_DIR "/tests/peers/pysnmp_notify.py"),
                                 QString::fromLatin1(kind), QString::number(port)});
    return run.exitCode;
}

const Sender kSenders[] = {
    {"SnmpTrapV1EnterpriseSpecific",
     [](std::uint16_t port) {
         return RunSnmpTrap({"-v", "1", "-c", "public", Target(port), "1.3.6.1.4.1.8072.2.3",
                             "192.168.1.200", "6", "17", "1234", "1.3.6.1.2.1.1.5.0", "s",
                             "core-sw1, \"rack 4\"", "1.3.6.1.2.1.2.2.1.1.2", "i", "-5"});
     }},
    {"SnmpTrapV1LinkDown",
     [](std::uint16_t port) {
         return RunSnmpTrap({"-v", "1", "-c", "ops", Target(port), "1.3.6.1.4.1.8072", "127.0.0.1",
                             "2", "0", "77", "1.3.6.1.2.1.2.2.1.1.2", "i", "2"});
     }},
    {"SnmpTrapV2cOfManyTypes",
     [](std::uint16_t port) {
         return RunSnmpTrap({"-v",
                             "2c",
                             "-c",
                             "public",
                             Target(port),
                             "4242",
                             "1.3.6.1.6.3.1.1.5.3",
                             "1.3.6.1.2.1.2.2.1.1.2",
                             "i",
                             "2",
                             "1.3.6.1.2.1.2.2.1.2.2",
                             "s",
                             "eth0",
                             "1.3.6.1.4.1.99.1",
                             "x",
                             "00FF80",
                             "1.3.6.1.4.1.99.2",
                             "a",
                             "10.0.0.1",
                             "1.3.6.1.4.1.99.3",
                             "c",
                             "5",
                             "1.3.6.1.4.1.99.4",
                             "u",
                             "7",
                             "1.3.6.1.4.1.99.5",
                             "o",
                             "1.3.6.1.4.1"});
     }},
    {"SnmpInformV2c",
     [](std::uint16_t port) {
         return RunSnmpTrap({"-v", "2c", "-c", "ops", "-r", "1", "-t", "5", Target(port), "99",
                             "1.3.6.1.6.3.1.1.5.4", "1.3.6.1.2.1.2.2.1.1.3", "i", "3"},
                            "snmpinform");
     }},
    {"SnmpTrapV3AuthPriv",
     [](std::uint16_t port) {
         std::vector<std::string> arguments = V3Options(true);
         arguments.insert(arguments.end(), {Target(port), "77", "1.3.6.1.6.3.1.1.5.3",
                                            "1.3.6.1.2.1.2.2.1.1.2", "i", "2"});
         return RunSnmpTrap(arguments);
     }},
    {"SnmpInformV3AuthPriv",
     [](std::uint16_t port) {
         std::vector<std::string> arguments = V3Options(false);
         arguments.insert(arguments.end(),
                          {"-r", "1", "-t", "5", Target(port), "78", "1.3.6.1.6.3.1.1.5.4",
                           "1.3.6.1.2.1.2.2.1.1.5", "i", "5"});
         return RunSnmpTrap(arguments, "snmpinform");
     }},
    {"PysnmpV1Trap", [](std::uint16_t port) { return Pysnmp("v1-trap", port); }},
    {"PysnmpV2cTrap", [](std::uint16_t port) { return Pysnmp("v2c-trap", port); }},
    {"PysnmpV2cInform", [](std::uint16_t port) { return Pysnmp("v2c-inform", port); }},
};

bool HavePysnmp() {
    return RunTool(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"), QStringLiteral("import pysnmp.hlapi")})
               .exitCode == 0;
}

TEST(NotificationPeersTest, EachNotificationShowsOnceAsSnmptrapdPrintsIt) {
    const UsmTestUser& user = UsmTestUserNamed(kV3User);
    const std::string keys = std::string(AuthProtocolName(user.authProtocol)) + " " +
                             user.authPassphrase + " " + PrivProtocolName(user.privProtocol) + " " +
                             user.privPassphrase + "\n";
    // The trap's user is the sender's engine's; the inform's, snmptrapd's own.
    CTrapDaemon daemon(std::string("createUser -e ") + kV3Engine + " " + user.name + " " + keys +
                       "createUser " + user.name + " " + keys);
    if (!daemon.Started())
        GTEST_SKIP() << "snmptrapd is not installed";
    const bool pysnmp = HavePysnmp();
    const std::uint16_t port = FreeTrapTestPort();
    DialogDriver driver(DialogDriver::Shown::Now, port);
    ASSERT_TRUE(ServeUntil([&] { return driver.dlg().TrapEvent() != nullptr; }));
    const SnmpMgrSessionSettings v3 = UsmSettings(user);
    ASSERT_TRUE(SnmpMgrTrapSetUser(&v3));
    const CNotificationLog* log = driver.dlg().NotificationLog();
    std::size_t sent = 0;
    std::size_t lines = 0;
    for (const Sender& sender : kSenders) {
        SCOPED_TRACE(sender.name);
        if (std::string(sender.name).starts_with("Pysnmp") && !pysnmp)
            continue;
        ASSERT_EQ(sender.send(port), 0);
        ASSERT_EQ(sender.send(daemon.Port()), 0);
        ++sent;
        ASSERT_TRUE(ServeUntil(
            [&] { return log->Count() >= sent && daemon.Notifications().size() >= sent; }));
        ASSERT_EQ(log->Count(), sent);
        const CNotification& n = *log->At(log->End() - 1);
        EXPECT_EQ(FromLog(n), FromDaemon(daemon.Notifications().back()));
        // Its name reads back to the identifier snmptrapd printed.
        AsnObjectIdentifier named{};
        ASSERT_TRUE(SnmpMgrStrToOid(std::string(n.NameText()).c_str(), &named));
        EXPECT_EQ(DottedOid(named), n.TrapOidText());
        SnmpUtilOidFree(&named);
        lines += n.BindingCount();
    }
    // The same notifications as the trap window's, none more, none fewer.
    ASSERT_TRUE(
        ServeUntil([&] { return driver.trapList()->GetCount() >= static_cast<int>(lines); }));
    EXPECT_EQ(driver.trapList()->GetCount(), static_cast<int>(lines));
    EXPECT_EQ(log->Count(), sent);
    const SnmpMgrSessionSettings none;
    SnmpMgrTrapSetUser(&none);
}

} // namespace
