// SNMPv3 sessions of the SNMP layer against the real snmpd with a user for each security level
// and a few protocol pairs: Get, Set and the GetBulk walk beside net-snmp's own tools with the
// same user, each failure of the User-based Security Model with its own code, an agent that
// comes back with another engine, and no passphrase left in memory.
#include "snmpapi/SnmpApi.h"
#include "support/BindingText.h"
#include "support/DemoAgent.h"
#include "support/DialogDriver.h"
#include "support/ModalRun.h"
#include "support/Ports.h"
#include "support/RowName.h"
#include "support/UsmScriptedAgent.h"
#include "support/UsmUsers.h"
#include "testing/SnmpTesting.h"
#include "ui/OutcomeBox.h"
#include "ui/Resource.h"
#include "ui/SecretEdit.h"
#include "ui/SessionSettingsDlg.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using rows::PrintTo;
using Ids = std::vector<UINT>;

const Ids kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Ids kDemoText = {1, 3, 6, 1, 4, 1, 15, 0, 0, 2}; // the demo agent's writable string

SnmpVarBindList ListOf(const Ids& name, const AsnAny& value) {
    SnmpVarBindList list{};
    list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(sizeof(SnmpVarBind)));
    list.len = 1;
    Ids copy = name;
    const AsnObjectIdentifier view{static_cast<UINT>(copy.size()), copy.data()};
    SnmpUtilOidCpy(&list.list[0].name, &view);
    SnmpUtilAsnAnyCpy(&list.list[0].value, &value);
    return list;
}

AsnAny Null() {
    AsnAny value{};
    value.asnType = ASN_NULL;
    return value;
}

// One request on `session`: its outcome, or "failed: <code>".
std::string Ask(LPSNMP_MGR_SESSION session, BYTE type, const Ids& name, const AsnAny& value) {
    SnmpVarBindList list = ListOf(name, value);
    AsnInteger status = -1;
    AsnInteger index = -1;
    std::string outcome;
    if (SnmpMgrRequest(session, type, &list, &status, &index) == 0)
        outcome = "failed: " + std::to_string(GetLastError() - SNMP_MGMTAPI_ERROR_BASE);
    else
        outcome = "status " + std::to_string(status) + ": " + Describe(list.list[0]);
    SnmpUtilVarBindListFree(&list);
    return outcome;
}

std::string Get(LPSNMP_MGR_SESSION session, const Ids& name) {
    return Ask(session, SNMP_PDU_GET, name, Null());
}

std::string Failed(UINT code) {
    return "failed: " + std::to_string(code - SNMP_MGMTAPI_ERROR_BASE);
}

// What a net-snmp tool prints with -Oqv, without the line's end and the string's quotes.
std::string Printed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string joined;
    for (const std::string& word : words)
        joined += (joined.empty() ? "'" : " '") + word + "'";
    return joined;
}

class UsmAgent : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_agent = new DemoAgent;
        ASSERT_TRUE(s_agent->Start({}, UsmAgentLines()));
    }
    static void TearDownTestSuite() {
        delete s_agent;
        s_agent = nullptr;
    }

    static LPSNMP_MGR_SESSION Open(const SnmpMgrSessionSettings& settings) {
        return SnmpMgrOpenSession(s_agent->Address().c_str(), "", &settings);
    }

    static DemoAgent* s_agent;
};

DemoAgent* UsmAgent::s_agent = nullptr;

// --- Every level and protocol pair ---------------------------------------------------------

class UsmUserRequests : public UsmAgent, public ::testing::WithParamInterface<UsmTestUser> {};

TEST_P(UsmUserRequests, GetSetAndWalkGiveWhatTheToolsGive) {
    const UsmTestUser& user = GetParam();
    const std::string tool = Joined(UsmToolOptions(user));
    const std::string name =
        Printed(s_agent->Tool("snmpget", tool + " -On -Oqv .1.3.6.1.2.1.1.5.0"));
    ASSERT_FALSE(name.empty());

    LPSNMP_MGR_SESSION session = Open(UsmSettings(user));
    ASSERT_NE(session, nullptr) << SystemErrorText(GetLastError());
    std::string bytes;
    for (unsigned char c : name)
        bytes += std::to_string(c) + ",";
    EXPECT_EQ(Get(session, kSysName), "status 0: 1.3.6.1.2.1.1.5.0=4:" + bytes);
    AsnAny text{};
    text.asnType = ASN_OCTETSTRING;
    std::string written = std::string("set by ") + user.name;
    text.asnValue.string = {reinterpret_cast<BYTE*>(written.data()),
                            static_cast<UINT>(written.size()), FALSE};
    EXPECT_EQ(Ask(session, SNMP_PDU_SET, kDemoText, text).substr(0, 8), "status 0");
    EXPECT_EQ(Printed(s_agent->Tool("snmpget", tool + " -On -Oqv .1.3.6.1.4.1.15.0.0.2")), written);

    // The system group by GetBulk, as snmpbulkwalk lists it.
    const std::string walked = s_agent->Tool("snmpbulkwalk", tool + " -On -Oq .1.3.6.1.2.1.1");
    const long expected = std::count(walked.begin(), walked.end(), '\n');
    Ids next = {1, 3, 6, 1, 2, 1, 1};
    long objects = 0;
    for (bool more = true; more;) {
        SnmpVarBindList list = ListOf(next, Null());
        AsnInteger status = -1;
        AsnInteger index = -1;
        ASSERT_EQ(SnmpMgrBulkRequest(session, 0, 5, &list, &status, &index), 1)
            << SystemErrorText(GetLastError());
        ASSERT_EQ(status, 0);
        more = list.len > 0;
        for (UINT i = 0; i < list.len && more; ++i) {
            const SnmpVarBind& vb = list.list[i];
            more = vb.name.idLength > 7 && vb.name.ids[6] == 1 && vb.name.ids[5] == 1 &&
                   vb.value.asnType != SNMP_EXCEPTION_ENDOFMIBVIEW;
            if (more) {
                ++objects;
                next.assign(vb.name.ids, vb.name.ids + vb.name.idLength);
            }
        }
        SnmpUtilVarBindListFree(&list);
    }
    EXPECT_EQ(objects, expected);
    SnmpMgrClose(session);
}

// A passphrase beyond ASCII typed into the Session Settings' boxes gives the keys that
// net-snmp's tools make of the same passphrase on their command line: both take its UTF-8
// bytes. The authentication passphrase is typed key by key, the privacy one committed by an
// input method, as a keyboard that composes characters gives them.
TEST_F(UsmAgent, PassphrasesBeyondAsciiTypedInTheBoxesGiveTheToolsKeys) {
    const UsmTestUser& user = UsmTestUserNamed("okUtf8");
    const std::string tool = Joined(UsmToolOptions(user));
    const std::string described =
        Printed(s_agent->Tool("snmpget", tool + " -On -Oqv .1.3.6.1.2.1.1.5.0"));
    ASSERT_FALSE(described.empty()) << "snmpget " << tool;

    SnmpMgrSessionSettings initial;
    initial.version = SNMP_MGR_VERSION_3;
    initial.userName = user.name;
    initial.securityLevel = user.level;
    initial.authProtocol = user.authProtocol;
    initial.privProtocol = user.privProtocol;
    CSessionSettingsDlg box(initial);
    box.show();
    auto* auth = box.findChild<CSecretEdit*>(QStringLiteral("IDC_AUTH_PASSPHRASE"));
    auto* priv = box.findChild<CSecretEdit*>(QStringLiteral("IDC_PRIV_PASSPHRASE"));
    ASSERT_NE(auth, nullptr);
    ASSERT_NE(priv, nullptr);
    const QString authTyped = QString::fromUtf8(user.authPassphrase);
    const QString privTyped = QString::fromUtf8(user.privPassphrase);
    auth->setFocus();
    // One key press per character, with the key code that the platform gives a letter key
    // (the character's capital) and the character as its text, as QTest::keyClicks does for
    // ASCII alone.
    for (const QChar c : authTyped)
        QTest::sendKeyEvent(QTest::Click, auth, static_cast<Qt::Key>(c.toUpper().unicode()),
                            QString(c), Qt::NoModifier);
    priv->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(privTyped);
    QCoreApplication::sendEvent(priv, &commit);
    EXPECT_EQ(auth->Count(), authTyped.toUcs4().size());
    EXPECT_EQ(priv->Count(), privTyped.toUcs4().size());
    std::string refusal;
    RunWithModal<QMessageBox>(
        [&] {
            QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("IDOK")), Qt::LeftButton);
        },
        [&](QMessageBox* shown) { refusal = shown->text().toStdString(); });
    ASSERT_EQ(refusal, "");
    ASSERT_EQ(box.result(), QDialog::Accepted);

    LPSNMP_MGR_SESSION session = Open(box.Settings());
    ASSERT_NE(session, nullptr) << SystemErrorText(GetLastError());
    std::string bytes;
    for (unsigned char c : described)
        bytes += std::to_string(c) + ",";
    EXPECT_EQ(Get(session, kSysName), "status 0: 1.3.6.1.2.1.1.5.0=4:" + bytes);
    SnmpMgrClose(session);
}

INSTANTIATE_TEST_SUITE_P(EveryUser, UsmUserRequests, ::testing::ValuesIn(UsmTestUsers()),
                         [](const ::testing::TestParamInfo<UsmTestUser>& info) {
                             return std::string(info.param.name);
                         });
// The user that the README's SNMPv3 steps open a session with is the demo agent's own.
INSTANTIATE_TEST_SUITE_P(DemoAgentsOwnUser, UsmUserRequests, ::testing::Values(UsmDemoUser()),
                         [](const ::testing::TestParamInfo<UsmTestUser>& info) {
                             return std::string(info.param.name);
                         });

// --- Each failure with its own code ---------------------------------------------------------

struct UsmFailure {
    const char* name;
    std::function<SnmpMgrSessionSettings()> settings;
    UINT code;
    const char* named; // how the box of each flow names it, after "Snmp Request Failed\n";
                       // null for a request that got no answer, which the box names no more
};

SnmpMgrSessionSettings Renamed(const char* user, const char* name) {
    SnmpMgrSessionSettings settings = UsmSettings(UsmTestUserNamed(user));
    settings.userName = name;
    return settings;
}

SnmpMgrSessionSettings AtLevel(const char* user, int level, int auth = SNMP_MGR_AUTH_SHA,
                               int priv = SNMP_MGR_PRIV_AES) {
    UsmTestUser other = UsmTestUserNamed(user);
    other.level = level;
    if (!other.authPassphrase) {
        other.authProtocol = auth;
        other.authPassphrase = "any-passphrase";
    }
    if (!other.privPassphrase) {
        other.privProtocol = priv;
        other.privPassphrase = "any-passphrase";
    }
    return UsmSettings(other);
}

SnmpMgrSessionSettings WithProtocols(const char* user, int auth, int priv) {
    UsmTestUser other = UsmTestUserNamed(user);
    other.authProtocol = auth;
    other.privProtocol = priv;
    return UsmSettings(other);
}

SnmpMgrSessionSettings InContext(const char* user, const char* context) {
    SnmpMgrSessionSettings settings = UsmSettings(UsmTestUserNamed(user));
    settings.contextName = context;
    return settings;
}

class UsmFailures : public UsmAgent, public ::testing::WithParamInterface<UsmFailure> {};

TEST_P(UsmFailures, EachHasItsOwnCode) {
    SnmpMgrSessionSettings settings = GetParam().settings();
    settings.timeoutMs = 300;
    settings.retries = 1;
    LPSNMP_MGR_SESSION session = Open(settings);
    ASSERT_NE(session, nullptr) << SystemErrorText(GetLastError());
    EXPECT_EQ(Get(session, kSysName), Failed(GetParam().code));
    // The same again: the session learnt nothing wrong from the first.
    EXPECT_EQ(Get(session, kSysName), Failed(GetParam().code));
    SnmpMgrClose(session);

    // Get, Set and Get All of the dialog each say so in the same words.
    DialogDriver d;
    d.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(d.Open(s_agent->Address(), ""));
    d.SetText(IDC_OID, ".1.3.6.1.2.1.1.5.0");
    d.Click(IDC_GET);
    d.ChooseType("Octet");
    d.SetText(IDC_VALUE, "not set");
    d.Click(IDC_SET);
    d.SetText(IDC_OID, ".1.3.6.1.2.1.1");
    d.Click(IDC_GETALL);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "Snmp Error");
        if (GetParam().named) {
            EXPECT_TRUE(
                box.text.starts_with(std::string("Snmp Request Failed\n") + GetParam().named))
                << box.text;
        } else { // each flow's box of a request without an answer, no reason named
            EXPECT_TRUE(box.text == "Snmp Request Failed" ||
                        box.text.starts_with("Snmp Request Failed\nErrorStatus: "))
                << box.text;
        }
    }
    EXPECT_TRUE(d.WalkLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Usm, UsmFailures,
    ::testing::Values(
        // The agent tells these with Reports that it cannot authenticate, having no key that
        // the request proved: hints, never its verdict.
        UsmFailure{"UnknownUserName", [] { return Renamed("okShaAes", "nobody"); },
                   SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_USER,
                   "No answer: the agent answered with an unauthenticated Report of "
                   "usmStatsUnknownUserNames; it could not be verified"},
        UsmFailure{"WrongAuthenticationPassphrase",
                   [] { return UsmSettings(UsmTestUserNamed("okShaAes"), "wrong-passphrase"); },
                   SNMP_MGMTAPI_USM_UNVERIFIED_WRONG_DIGEST,
                   "No answer: the agent answered with an unauthenticated Report of "
                   "usmStatsWrongDigests; it could not be verified"},
        UsmFailure{"WrongAuthenticationProtocol",
                   [] { return WithProtocols("okShaAes", SNMP_MGR_AUTH_MD5, SNMP_MGR_PRIV_AES); },
                   SNMP_MGMTAPI_USM_UNVERIFIED_WRONG_DIGEST,
                   "No answer: the agent answered with an unauthenticated Report of "
                   "usmStatsWrongDigests; it could not be verified"},
        UsmFailure{"WrongPrivacyPassphrase",
                   [] {
                       return UsmSettings(UsmTestUserNamed("okSha256Aes"), nullptr,
                                          "wrong-passphrase");
                   },
                   SNMP_MGMTAPI_USM_DECRYPTION, "Decryption error: "},
        UsmFailure{
            "WrongPrivacyPassphraseDes",
            [] { return UsmSettings(UsmTestUserNamed("okMd5Des"), nullptr, "wrong-passphrase"); },
            SNMP_MGMTAPI_USM_DECRYPTION, "Decryption error: "},
        UsmFailure{"WrongPrivacyProtocol",
                   [] { return WithProtocols("okShaAes", SNMP_MGR_AUTH_SHA, SNMP_MGR_PRIV_DES); },
                   SNMP_MGMTAPI_USM_DECRYPTION, "Decryption error: "},
        UsmFailure{"PrivacyForAnAuthenticationUser",
                   [] { return AtLevel("okMd5", SNMP_MGR_AUTH_PRIV); },
                   SNMP_MGMTAPI_USM_UNVERIFIED_UNSUPPORTED_LEVEL,
                   "No answer: the agent answered with an unauthenticated Report of "
                   "usmStatsUnsupportedSecLevels; it could not be verified"},
        UsmFailure{"AuthenticationForANoAuthUser",
                   [] { return AtLevel("okNoAuth", SNMP_MGR_AUTH_NOPRIV); },
                   SNMP_MGMTAPI_USM_UNVERIFIED_UNSUPPORTED_LEVEL,
                   "No answer: the agent answered with an unauthenticated Report of "
                   "usmStatsUnsupportedSecLevels; it could not be verified"},
        // A context that the agent does not have: snmpd drops the request without a Report,
        // so the request times out, at authPriv too, where the silence is no sign of a wrong
        // privacy key: the keys were proved in the default context.
        UsmFailure{"UnknownContext", [] { return InContext("okShaAes", "no-such-context"); },
                   SNMP_MGMTAPI_TIMEOUT, nullptr},
        UsmFailure{"UnknownContextAtAuthNoPriv",
                   [] { return InContext("okSha", "no-such-context"); }, SNMP_MGMTAPI_TIMEOUT,
                   nullptr},
        UsmFailure{"UnknownContextAtNoAuth",
                   [] { return InContext("okNoAuth", "no-such-context"); }, SNMP_MGMTAPI_TIMEOUT,
                   nullptr},
        // At noAuthNoPriv nothing is authenticated, the answer neither: the Report is the
        // request's own level.
        UsmFailure{"UnknownUserNameAtNoAuth", [] { return Renamed("okNoAuth", "nobody"); },
                   SNMP_MGMTAPI_USM_UNKNOWN_USER, "Unknown user name: "}),
    RowName());

TEST(UsmSession, SilentAgentTimesOutOnceWithoutAnyKeyNeeded) {
    std::uint16_t port = 0;
    const int fd = BindLoopback(false, 0, &port);
    ASSERT_GE(fd, 0);
    SnmpMgrSessionSettings settings = UsmSettings(UsmTestUserNamed("okSha256Aes"));
    settings.timeoutMs = 100;
    settings.retries = 1;
    LPSNMP_MGR_SESSION session =
        SnmpMgrOpenSession(("127.0.0.1:" + std::to_string(port)).c_str(), "", &settings);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(Get(session, kSysName), Failed(SNMP_MGMTAPI_TIMEOUT));
    SnmpMgrClose(session);
    close(fd);
}

// --- Reports that decide only what they prove ---------------------------------------------

struct ReportCase {
    const char* name;
    const char* user;        // the session's
    std::int64_t boots;      // the agent's
    usmagent::Answer answer; // to every request but the discovery probe
    UINT code;
    const char* named; // how the Get's box names it, after "Snmp Request Failed\n"
    bool inItsOwnTime; // refused: the request ends only when its time-outs have passed
};

usmagent::Answer Unnamed(usmagent::Answer answer) {
    answer.named = false;
    return answer;
}

class UsmReports : public ::testing::TestWithParam<ReportCase> {};

TEST_P(UsmReports, DecideOnlyWhatTheyProve) {
    const ReportCase& row = GetParam();
    const UsmTestUser& user = UsmTestUserNamed(row.user);
    usmagent::UsmScriptedAgent agent([&row](const usmagent::Request&) { return row.answer; },
                                     user.authPassphrase, row.boots);
    ASSERT_TRUE(agent.Start());
    SnmpMgrSessionSettings settings = UsmSettings(user);
    settings.timeoutMs = 200;
    settings.retries = 1;
    LPSNMP_MGR_SESSION session = SnmpMgrOpenSession(agent.Address().c_str(), "", &settings);
    ASSERT_NE(session, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Get(session, kSysName), Failed(row.code));
    const auto took = std::chrono::steady_clock::now() - start;
    if (row.inItsOwnTime)
        EXPECT_GE(took, std::chrono::milliseconds(settings.timeoutMs * (settings.retries + 1)));
    const OutcomeBox box = BoxOfOutcome(FailedRequest(OutcomeKind::GetFailed, row.code, 0, 0));
    EXPECT_TRUE(box.text.starts_with(std::string("Snmp Request Failed\n") + row.named)) << box.text;
    SnmpMgrClose(session);
}

constexpr const char* kHint = "No answer: the agent answered with an unauthenticated Report of ";

INSTANTIATE_TEST_SUITE_P(
    Usm, UsmReports,
    ::testing::Values(
        ReportCase{"UnauthenticatedDecryptionErrors", "okShaAes", 1,
                   usmagent::UnauthenticatedReport(usmagent::kDecryptionErrors),
                   SNMP_MGMTAPI_USM_UNVERIFIED_DECRYPTION,
                   "No answer: the agent answered with an unauthenticated Report of "
                   "usmStatsDecryptionErrors; it could not be verified",
                   true},
        ReportCase{"UnauthenticatedUnknownUserNames", "okShaAes", 1,
                   usmagent::UnauthenticatedReport(usmagent::kUnknownUserNames),
                   SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_USER, kHint, true},
        ReportCase{"UnauthenticatedWrongDigests", "okSha", 1,
                   usmagent::UnauthenticatedReport(usmagent::kWrongDigests),
                   SNMP_MGMTAPI_USM_UNVERIFIED_WRONG_DIGEST, kHint, true},
        ReportCase{"UnauthenticatedNotInTimeWindows", "okShaAes", 1,
                   usmagent::UnauthenticatedReport(usmagent::kNotInTimeWindows),
                   SNMP_MGMTAPI_USM_UNVERIFIED_NOT_IN_TIME_WINDOW, kHint, true},
        // A discovery Report to every request: learnt anew, and then the time-out it is.
        ReportCase{"UnauthenticatedUnknownEngineIdsAlways", "okShaAes", 1,
                   usmagent::UnauthenticatedReport(usmagent::kUnknownEngineIds),
                   SNMP_MGMTAPI_TIMEOUT, "ErrorStatus: SNMP_ERRORSTATUS_NOERROR", true},
        // A Report that names no counter, which net-snmp alone would take for the agent's
        // refusal of the request.
        ReportCase{"UnauthenticatedReportNamingNoCounter", "okShaAes", 1,
                   Unnamed(usmagent::UnauthenticatedReport(usmagent::kDecryptionErrors)),
                   SNMP_MGMTAPI_TIMEOUT, "ErrorStatus: SNMP_ERRORSTATUS_NOERROR", true},
        ReportCase{"UnauthenticatedUnknownContexts", "okShaAes", 1,
                   usmagent::UnauthenticatedReport(usmagent::kUnknownContexts),
                   SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_CONTEXT,
                   "No answer: the agent answered with an unauthenticated Report of "
                   "snmpUnknownContexts; it could not be verified",
                   true},
        // What a Report authenticated with the user's key says is the agent's own word.
        ReportCase{"AuthenticatedDecryptionErrors", "okShaAes", 1,
                   usmagent::AuthenticatedReport(usmagent::kDecryptionErrors),
                   SNMP_MGMTAPI_USM_DECRYPTION, "Decryption error: ", false},
        // An agent that tells of a context it does not know, at authPriv: its own box, never
        // the decryption one, though no Response came.
        ReportCase{"AuthenticatedUnknownContexts", "okShaAes", 1,
                   usmagent::AuthenticatedReport(usmagent::kUnknownContexts),
                   SNMP_MGMTAPI_USM_UNKNOWN_CONTEXT,
                   "Unknown context: the agent has no context of this name", false},
        ReportCase{"AuthenticatedUnknownContextsAtAuthNoPriv", "okSha", 1,
                   usmagent::AuthenticatedReport(usmagent::kUnknownContexts),
                   SNMP_MGMTAPI_USM_UNKNOWN_CONTEXT,
                   "Unknown context: the agent has no context of this name", false},
        ReportCase{"AgentAtItsBootLimit", "okShaAes", 2147483647,
                   usmagent::AuthenticatedReport(usmagent::kNotInTimeWindows),
                   SNMP_MGMTAPI_USM_BOOT_LIMIT,
                   "Boot limit: the agent's engine is at its boot limit", false},
        ReportCase{"AgentAtItsBootLimitAtAuthNoPriv", "okSha", 2147483647,
                   usmagent::AuthenticatedReport(usmagent::kNotInTimeWindows),
                   SNMP_MGMTAPI_USM_BOOT_LIMIT,
                   "Boot limit: the agent's engine is at its boot limit", false},
        ReportCase{"TimeWindowFailedAfterTheTimeWasLearnt", "okShaAes", 7,
                   usmagent::AuthenticatedReport(usmagent::kNotInTimeWindows),
                   SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW, "Not in time window: ", false}),
    RowName());

// An authenticated answer from more than the time window before the agent's time learnt,
// with the same boots, is outside the window (RFC 3414, 3.2 (7)(b)), as a replay would be:
// refused, and not made acceptable by learning the time afresh from the same agent.
TEST(UsmSession, AnswerFromAnEarlierEngineTimeIsRefused) {
    std::atomic<bool> wentBack{false};
    const UsmTestUser& user = UsmTestUserNamed("okSha");
    usmagent::UsmScriptedAgent agent(
        [&wentBack](const usmagent::Request& request) {
            usmagent::Answer answer =
                request.boots == 0 ? usmagent::AuthenticatedReport(usmagent::kNotInTimeWindows)
                                   : usmagent::AuthenticatedResponse();
            if (wentBack)
                answer.time = 1000000;
            return answer;
        },
        user.authPassphrase, 1, 2000000);
    ASSERT_TRUE(agent.Start());
    SnmpMgrSessionSettings settings = UsmSettings(user);
    settings.timeoutMs = 200;
    settings.retries = 1;
    LPSNMP_MGR_SESSION session = SnmpMgrOpenSession(agent.Address().c_str(), "", &settings);
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(Get(session, kSysName).substr(0, 8), "status 0");
    wentBack = true;
    EXPECT_EQ(Get(session, kSysName), Failed(SNMP_MGMTAPI_USM_TIME_WENT_BACK));
    SnmpMgrClose(session);
}

// An agent whose engine time jumps while the session is open, its boots the same. Ahead, the
// agent's authenticated notInTimeWindow Report carries a time later than the one learnt,
// which the session takes (RFC 3414, 3.2 (7)(b)) before it sends the request again at once.
// Back by less than the time window, the answer is still within it. Back by more, the
// agent's Report is from before the time learnt, as a replayed one would be: refused, and
// told as such; a session opened anew learns the time afresh.
struct TimeJump {
    const char* name;
    std::int64_t seconds;
    UINT code;                // 0: answered
    std::size_t sendings = 0; // the answered request's sendings to the agent
};

class UsmTimeJumps : public ::testing::TestWithParam<TimeJump> {};

TEST_P(UsmTimeJumps, AreFollowedOrRefusedAsTheWindowSays) {
    const TimeJump& row = GetParam();
    const UsmTestUser& user = UsmTestUserNamed("okSha");
    usmagent::UsmScriptedAgent agent(
        [&agent](const usmagent::Request& request) {
            // The authoritative engine's time window (RFC 3414, 3.2 (7)(a)).
            const bool inWindow =
                request.boots == 1 && std::llabs(request.time - agent.Time()) <= 150;
            return inWindow ? usmagent::AuthenticatedResponse()
                            : usmagent::AuthenticatedReport(usmagent::kNotInTimeWindows);
        },
        user.authPassphrase, 1, 2000000);
    ASSERT_TRUE(agent.Start());
    SnmpMgrSessionSettings settings = UsmSettings(user);
    settings.timeoutMs = 500;
    settings.retries = 1;
    LPSNMP_MGR_SESSION session = SnmpMgrOpenSession(agent.Address().c_str(), "", &settings);
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(Get(session, kSysName).substr(0, 8), "status 0");

    agent.JumpTime(row.seconds);
    const std::size_t before = agent.RequestCount();
    const auto start = std::chrono::steady_clock::now();
    const std::string outcome = Get(session, kSysName);
    const auto took = std::chrono::steady_clock::now() - start;
    if (row.code == 0) {
        EXPECT_EQ(outcome.substr(0, 8), "status 0") << outcome;
        EXPECT_LT(took, std::chrono::milliseconds(settings.timeoutMs));
        EXPECT_EQ(agent.RequestCount() - before, row.sendings);
    } else {
        EXPECT_EQ(outcome, Failed(row.code));
    }
    SnmpMgrClose(session);

    session = SnmpMgrOpenSession(agent.Address().c_str(), "", &settings);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(Get(session, kSysName).substr(0, 8), "status 0");
    SnmpMgrClose(session);
}

INSTANTIATE_TEST_SUITE_P(Usm, UsmTimeJumps,
                         ::testing::Values(TimeJump{"AheadByAMillionSeconds", 1000000, 0, 2},
                                           TimeJump{"AheadBeyondTheWindow", 1000, 0, 2},
                                           TimeJump{"BackWithinTheWindow", -100, 0, 1},
                                           TimeJump{"BackByAMillionSeconds", -1000000,
                                                    SNMP_MGMTAPI_USM_TIME_WENT_BACK}),
                         RowName());

// An agent that comes back on its address, rebooted (its boots one more, its time begun
// anew) or having lost its state (another engine id): the next request learns what changed
// from the agent's Report (an authenticated notInTimeWindow one, the discovery one) and goes
// again at once, well within its first time-out.
class UsmAgentBack : public ::testing::TestWithParam<bool> {};

TEST_P(UsmAgentBack, IsFoundWithinOneTimeOut) {
    const bool keepState = GetParam();
    DemoAgent agent;
    ASSERT_TRUE(agent.Start({}, UsmAgentLines()));
    const std::string engine = agent.ToolValue(".1.3.6.1.6.3.10.2.1.1.0");
    const std::string boots = agent.ToolValue(".1.3.6.1.6.3.10.2.1.2.0");
    SnmpMgrSessionSettings settings = UsmSettings(UsmTestUserNamed("okShaAes"));
    settings.timeoutMs = 1000;
    settings.retries = 3;
    LPSNMP_MGR_SESSION session = SnmpMgrOpenSession(agent.Address().c_str(), "", &settings);
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(Get(session, kSysName).substr(0, 8), "status 0");

    ASSERT_TRUE(agent.Restart(keepState, {}, UsmAgentLines()));
    ASSERT_EQ(agent.ToolValue(".1.3.6.1.6.3.10.2.1.1.0") == engine, keepState);
    if (keepState)
        ASSERT_NE(agent.ToolValue(".1.3.6.1.6.3.10.2.1.2.0"), boots);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Get(session, kSysName).substr(0, 8), "status 0");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(settings.timeoutMs));
    SnmpMgrClose(session);
}

INSTANTIATE_TEST_SUITE_P(Usm, UsmAgentBack, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Rebooted" : "WithAnotherEngine");
                         });

} // namespace
