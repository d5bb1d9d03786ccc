// The Session Settings dialog as the operator meets it: reached from the system menu and by
// Ctrl+Comma, modal, its numbers kept in their ranges, and what it accepts taken by the next
// Open alone, with the window's title naming a session's version other than SNMPv1.
#include "support/DialogDriver.h"
#include "support/ModalRun.h"
#include "support/RowName.h"
#include "support/ScriptedAgent.h"

#include "ui/ComboBox.h"
#include "ui/Resource.h"
#include "ui/SessionSettingsDlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <string>

namespace {

using rows::PrintTo;

QSpinBox* Spin(CSessionSettingsDlg* box, const char* name) {
    return box->findChild<QSpinBox*>(QString::fromLatin1(name));
}

CComboBox* VersionBox(CSessionSettingsDlg* box) {
    return box->findChild<CComboBox*>(QStringLiteral("IDC_SNMP_VERSION"));
}

// Types `text` into the spin box as the operator would, over what it held.
void Type(QSpinBox* spin, const QString& text) {
    spin->setFocus(Qt::OtherFocusReason);
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_Delete);
    QTest::keyClicks(spin, text);
}

void Click(CSessionSettingsDlg* box, const char* name) {
    QTest::mouseClick(box->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

CComboBox* List(CSessionSettingsDlg* box, const char* name) {
    return box->findChild<CComboBox*>(QString::fromLatin1(name));
}

// Chooses SNMPv2c, a time-out of 2500 ms, 1 retry and a bulk size of 20, and lines with
// values as the MIB describes them and identifiers by name.
void ChooseOthers(CSessionSettingsDlg* box) {
    VersionBox(box)->SetCurSel(1);
    List(box, "IDC_LIST_VALUES")->SetCurSel(1);
    List(box, "IDC_LIST_NAMES")->SetCurSel(1);
    Type(Spin(box, "IDC_TIMEOUT"), "2500");
    Type(Spin(box, "IDC_RETRIES"), "1");
    Type(Spin(box, "IDC_BULK_SIZE"), "20");
}

struct OpeningCase {
    const char* name;
    std::function<void(CManagerDlg&)> open;
    std::function<void(CSessionSettingsDlg*)> end;
    bool accepted;
};

class SessionSettingsOpened : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(SessionSettingsOpened, ShowsTheSettingsAndKeepsWhatOkAccepts) {
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    const SnmpMgrSessionSettings before = dlg.SessionSettings();
    bool shown = false;
    bool blocked = false;
    const ModalRun run = RunWithModal<CSessionSettingsDlg>(
        [&] { GetParam().open(dlg); },
        [&](CSessionSettingsDlg* box) {
            // The defaults: SNMPv1, 1000 ms, 3 retries; the bulk size only for SNMPv2c.
            shown = box->windowTitle() == "Session Settings" &&
                    VersionBox(box)->currentText() == "SNMPv1" &&
                    Spin(box, "IDC_TIMEOUT")->value() == 1000 &&
                    Spin(box, "IDC_RETRIES")->value() == 3 &&
                    Spin(box, "IDC_BULK_SIZE")->value() == before.bulkSize &&
                    !Spin(box, "IDC_BULK_SIZE")->isEnabled() &&
                    List(box, "IDC_LIST_VALUES")->currentText() == "as sent" &&
                    List(box, "IDC_LIST_NAMES")->currentText() == "as numbers";
            blocked = box->windowModality() == Qt::ApplicationModal;
            ChooseOthers(box);
            EXPECT_TRUE(Spin(box, "IDC_BULK_SIZE")->isEnabled());
            GetParam().end(box);
        });
    EXPECT_FALSE(run.watchdogFired);
    EXPECT_EQ(run.boxesSeen, 1);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(blocked);
    const SnmpMgrSessionSettings after = dlg.SessionSettings();
    if (GetParam().accepted) {
        EXPECT_EQ(after.version, SNMP_MGR_VERSION_2C);
        EXPECT_EQ(after.timeoutMs, 2500);
        EXPECT_EQ(after.retries, 1);
        EXPECT_EQ(after.bulkSize, 20);
        EXPECT_EQ(dlg.LineTexts(), (values::LineTexts{true, true}));
    } else {
        EXPECT_EQ(after.version, before.version);
        EXPECT_EQ(after.timeoutMs, before.timeoutMs);
        EXPECT_EQ(after.retries, before.retries);
        EXPECT_EQ(after.bulkSize, before.bulkSize);
        EXPECT_EQ(dlg.LineTexts(), values::LineTexts{});
    }
    EXPECT_TRUE(d.TakeBoxes().empty());
}

void ChooseMenuEntry(CManagerDlg& dlg) {
    for (QAction* action : dlg.GetSystemMenu(false)->actions()) {
        if (action->data().toUInt() == IDM_SESSIONSETTINGS)
            action->trigger();
    }
}

void PressCtrlComma(CManagerDlg& dlg) {
    dlg.activateWindow();
    if (QTest::qWaitForWindowActive(&dlg))
        QTest::keyClick(dlg.windowHandle(), Qt::Key_Comma, Qt::ControlModifier);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, SessionSettingsOpened,
    ::testing::Values(OpeningCase{"MenuEntryAndOk", ChooseMenuEntry,
                                  [](auto* box) { Click(box, "IDOK"); }, true},
                      OpeningCase{"CtrlCommaAndEnter", PressCtrlComma,
                                  [](auto* box) { QTest::keyClick(box, Qt::Key_Return); }, true},
                      OpeningCase{"MenuEntryAndCancel", ChooseMenuEntry,
                                  [](auto* box) { Click(box, "IDCANCEL"); }, false},
                      OpeningCase{"CtrlCommaAndEscape", PressCtrlComma,
                                  [](auto* box) { QTest::keyClick(box, Qt::Key_Escape); }, false}),
    RowName{});

// Whatever is typed, OK accepts numbers within their ranges only: a digit that would leave
// the range is refused as it is typed, a number short of it becomes the range's end, and a
// box left empty keeps its number.
struct RangeCase {
    const char* name;
    const char* box;
    const char* typed;
    int accepted;
};

class SessionSettingsRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SessionSettingsRange, HoldsEveryNumberInItsRange) {
    SnmpMgrSessionSettings initial;
    initial.version = SNMP_MGR_VERSION_2C;
    CSessionSettingsDlg box(initial);
    box.show();
    Type(Spin(&box, GetParam().box), QString::fromLatin1(GetParam().typed));
    Click(&box, "IDOK");
    const SnmpMgrSessionSettings settings = box.Settings();
    const int got = GetParam().box == std::string("IDC_TIMEOUT")   ? settings.timeoutMs
                    : GetParam().box == std::string("IDC_RETRIES") ? settings.retries
                                                                   : settings.bulkSize;
    EXPECT_EQ(got, GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, SessionSettingsRange,
    ::testing::Values(RangeCase{"TimeOutBelowItsLeast", "IDC_TIMEOUT", "50", kTimeoutMsMin},
                      RangeCase{"TimeOutAtItsLeast", "IDC_TIMEOUT", "100", 100},
                      RangeCase{"TimeOutAtItsMost", "IDC_TIMEOUT", "60000", kTimeoutMsMax},
                      RangeCase{"TimeOutBeyondItsMost", "IDC_TIMEOUT", "60001", 6000},
                      RangeCase{"NoRetries", "IDC_RETRIES", "0", 0},
                      RangeCase{"RetriesBeyondTheirMost", "IDC_RETRIES", "11", 1},
                      RangeCase{"BulkSizeOfNone", "IDC_BULK_SIZE", "0", kBulkSizeMin},
                      RangeCase{"BulkSizeAtItsMost", "IDC_BULK_SIZE", "1000", kBulkSizeMax},
                      RangeCase{"BulkSizeBeyondItsMost", "IDC_BULK_SIZE", "1001", 100},
                      RangeCase{"NotANumber", "IDC_RETRIES", "x", 3}),
    RowName{});

// What the settings hold is taken by the next Open and kept by its session until Close: its
// version on the wire and in the window's title, its time-out and retries.
TEST(SessionSettings, TheNextOpenTakesThemAndTheOpenSessionKeepsItsOwn) {
    scripted::TableAgent table;
    table.objects[{1, 3, 6, 1, 2, 1, 1, 5, 0}] = scripted::Octets(0x04, "agent");
    scripted::ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    CManagerDlg& dlg = d.dlg();
    EXPECT_EQ(dlg.windowTitle(), "Okapel");
    const auto getVersion = [&] {
        d.SetText(IDC_OID, ".1.3.6.1.2.1.1.5.0");
        d.Click(IDC_GET);
        return agent.Received().back().version;
    };
    SnmpMgrSessionSettings v2c;
    v2c.version = SNMP_MGR_VERSION_2C;
    dlg.SetSessionSettings(v2c);
    EXPECT_EQ(dlg.windowTitle(), "Okapel"); // no session yet
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    EXPECT_EQ(dlg.windowTitle(), "Okapel - SNMPv2c");
    EXPECT_EQ(getVersion(), 1);
    EXPECT_EQ(d.Text(IDC_VALUE), "agent");

    dlg.SetSessionSettings(SnmpMgrSessionSettings{}); // SNMPv1, for the next Open
    EXPECT_EQ(getVersion(), 1);
    EXPECT_EQ(dlg.windowTitle(), "Okapel - SNMPv2c");
    d.Click(IDC_CLOSE);
    EXPECT_EQ(dlg.windowTitle(), "Okapel");
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    EXPECT_EQ(dlg.windowTitle(), "Okapel");
    EXPECT_EQ(getVersion(), 0);
    EXPECT_TRUE(d.TakeBoxes().empty());
}

// The retries and time-out chosen hold for a Get, a Set and a walk alike, in both versions.
struct SilenceCase {
    const char* name;
    int version;
    int control; // the button pressed
    int retries;
};

class SessionSettingsSilentAgent : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(SessionSettingsSilentAgent, SendsEachRequestAsOftenAsTheRetriesSay) {
    scripted::ScriptedAgent agent([](const scripted::Request&) { return scripted::Silence(); });
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    SnmpMgrSessionSettings settings;
    settings.version = GetParam().version;
    settings.timeoutMs = 100;
    settings.retries = GetParam().retries;
    d.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    d.SetText(IDC_OID, ".1.3.6.1.2.1.1.5.0");
    d.ChooseType("Octet");
    d.SetText(IDC_VALUE, "x");
    d.Click(GetParam().control);
    EXPECT_EQ(agent.RequestCount(), static_cast<std::size_t>(GetParam().retries + 1));
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetParam().control == IDC_SET ? "Snmp Request Failed" : kFailedCall);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SessionSettingsSilentAgent,
    ::testing::Values(SilenceCase{"SnmpV1GetWithoutRetries", SNMP_MGR_VERSION_1, IDC_GET, 0},
                      SilenceCase{"SnmpV1GetAllWithTwoRetries", SNMP_MGR_VERSION_1, IDC_GETALL, 2},
                      SilenceCase{"SnmpV2cGetWithOneRetry", SNMP_MGR_VERSION_2C, IDC_GET, 1},
                      SilenceCase{"SnmpV2cSetWithoutRetries", SNMP_MGR_VERSION_2C, IDC_SET, 0},
                      SilenceCase{"SnmpV2cGetAllWithFiveRetries", SNMP_MGR_VERSION_2C, IDC_GETALL,
                                  5}),
    RowName{});

// --- SNMPv3 ---------------------------------------------------------------------------------

struct UserCase {
    const char* name;
    const char* user;
    int level;
    const char* auth;    // typed into the authentication passphrase box
    const char* priv;    // typed into the privacy passphrase box
    const char* refusal; // the box that refuses OK, or null when OK takes the user
};

class SessionSettingsUser : public ::testing::TestWithParam<UserCase> {};

// OK takes an SNMPv3 user with a name and a passphrase of at least 8 characters for each key
// its level needs, and says what is missing otherwise. A passphrase is never in its box's
// text, not even while it is typed, and is gone from the box once OK has read it.
TEST_P(SessionSettingsUser, OkTakesAUserWithTheKeysOfItsLevel) {
    const UserCase& row = GetParam();
    SnmpMgrSessionSettings initial;
    initial.version = SNMP_MGR_VERSION_3;
    CSessionSettingsDlg box(initial);
    box.show();
    box.findChild<QLineEdit*>(QStringLiteral("IDC_USER_NAME"))
        ->setText(QString::fromUtf8(row.user));
    box.findChild<CComboBox*>(QStringLiteral("IDC_SECURITY_LEVEL"))->SetCurSel(row.level - 1);
    QLineEdit* auth = box.findChild<QLineEdit*>(QStringLiteral("IDC_AUTH_PASSPHRASE"));
    QLineEdit* priv = box.findChild<QLineEdit*>(QStringLiteral("IDC_PRIV_PASSPHRASE"));
    for (auto [secret, typed] : {std::pair{auth, row.auth}, std::pair{priv, row.priv}}) {
        QTest::keyClicks(secret, typed);
        EXPECT_EQ(secret->echoMode(), QLineEdit::Password);
        if (*typed != '\0') {
            EXPECT_FALSE(secret->text().contains(QString::fromLatin1(typed)));
        }
    }
    std::string refusal;
    RunWithModal<QMessageBox>([&] { Click(&box, "IDOK"); },
                              [&](QMessageBox* shown) { refusal = shown->text().toStdString(); });
    EXPECT_EQ(refusal, row.refusal ? row.refusal : "");
    EXPECT_EQ(box.result() == QDialog::Accepted, row.refusal == nullptr);
    if (row.refusal)
        return;
    const SnmpMgrSessionSettings settings = box.Settings();
    EXPECT_EQ(settings.userName, row.user);
    EXPECT_EQ(settings.securityLevel, row.level);
    EXPECT_EQ(settings.authKey != nullptr, row.level >= SNMP_MGR_AUTH_NOPRIV);
    EXPECT_EQ(settings.privKey != nullptr, row.level == SNMP_MGR_AUTH_PRIV);
    EXPECT_TRUE(auth->text().isEmpty());
    EXPECT_TRUE(priv->text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Users, SessionSettingsUser,
    ::testing::Values(
        UserCase{"AuthPriv", "ops", SNMP_MGR_AUTH_PRIV, "auth-passphrase", "priv-passphrase",
                 nullptr},
        UserCase{"AuthNoPrivNeedsNoPrivacyPassphrase", "ops", SNMP_MGR_AUTH_NOPRIV, "12345678", "",
                 nullptr},
        UserCase{"NoAuthNoPrivNeedsNoPassphrase", "ops", SNMP_MGR_NOAUTH_NOPRIV, "", "", nullptr},
        UserCase{"NameInUtf8", "op\xC3\xA9rateur", SNMP_MGR_NOAUTH_NOPRIV, "", "", nullptr},
        UserCase{"NoUserName", "", SNMP_MGR_NOAUTH_NOPRIV, "", "",
                 "An SNMPv3 session needs a user name."},
        UserCase{"AuthenticationPassphraseOfSeven", "ops", SNMP_MGR_AUTH_PRIV, "1234567",
                 "priv-passphrase", "The authentication passphrase needs at least 8 characters."},
        UserCase{"PrivacyPassphraseOfSeven", "ops", SNMP_MGR_AUTH_PRIV, "auth-passphrase",
                 "1234567", "The privacy passphrase needs at least 8 characters."}),
    RowName{});

} // namespace

// The notes below the boxes wrap in their own rectangle of the template: in each font and size
// of today's desktops they show whole, their last sentence included, with counts of seven digits.
TEST(SessionSettings, EveryNoteShowsWholeInTheFontsOfTodaysDesktops) {
    InEachDesktopFont([] {
        SnmpMgrSessionSettings initial;
        initial.version = SNMP_MGR_VERSION_3;
        CSessionSettingsDlg box(initial);
        box.show();
        QLabel* drops = box.findChild<QLabel*>(QStringLiteral("IDC_TRAP_DROPS"));
        ASSERT_NE(drops, nullptr);
        const std::uint64_t many = 9'999'999; // a storm of millions
        drops->setText(TrapDropsText({many, many, many, many, many, many, many}));
        for (QLabel* label : box.findChildren<QLabel*>()) {
            if (!label->wordWrap())
                continue;
            SCOPED_TRACE(label->text().left(40).toStdString());
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
        }
    });
}
