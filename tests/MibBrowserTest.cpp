// The MIB browser, driven through its real widgets beside the real main dialog: opened from
// the system menu and Ctrl+B, its find box (a part of a name, MODULE::name, a name path, a
// number; Enter and F3 for the next match), the definition of the node shown, Use, Get and
// Get All on the demo agent, the walk list's and the trap window's lines followed with their
// values in both texts (every value of the walks beside net-snmp's snprint_value), the module
// list with its root causes first, and the tree growing while the modules are read.
#include "ui/MibBrowser.h"
#include "snmpapi/MibNames.h"
#include "testing/SnmpTesting.h"
#include "values/LineBinding.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"
#include "values/MibValues.h"

#include "support/DemoAgent.h"
#include "support/DialogDriver.h"
#include "support/MibDirectory.h"
#include "support/Ports.h"
#include "support/TestModules.h"
#include "support/TrapTraffic.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <string>
#include <vector>

namespace {

// The name of the browser's node.
std::string Shown(const CMibBrowser& browser) {
    const auto names = mibnames::Current();
    const int node = browser.CurrentNode();
    return node == mibnames::kNone ? "" : std::string(names->Name(node));
}

template <typename T> T* Control(CMibBrowser& browser, const char* id) {
    T* control = browser.findChild<T*>(QString::fromLatin1(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
}

class MibBrowserTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_modules.Loaded()); }

    CMibBrowser& Open() {
        QTest::keyClick(m_driver.dlg().windowHandle(), Qt::Key_B, Qt::ControlModifier);
        QApplication::processEvents();
        EXPECT_NE(m_driver.dlg().MibBrowser(), nullptr);
        return *m_driver.dlg().MibBrowser();
    }

    // Types into the find box with the keyboard, then presses `key` (none: 0) there.
    void Type(CMibBrowser& browser, const std::string& text, int key = 0) {
        auto* find = Control<QLineEdit>(browser, "IDC_MIB_FIND");
        find->setFocus();
        find->selectAll();
        QTest::keyClick(find, Qt::Key_Backspace);
        QTest::keyClicks(find, QString::fromStdString(text));
        if (key)
            QTest::keyClick(find, static_cast<Qt::Key>(key));
    }

    CTestModules m_modules;
    DialogDriver m_driver;
};

TEST_F(MibBrowserTest, OpensOnceBesideTheMainWindow) {
    CMibBrowser& browser = Open();
    EXPECT_TRUE(browser.isVisible());
    EXPECT_EQ(browser.objectName(), "IDD_MIB_BROWSER");
    EXPECT_EQ(browser.windowTitle(), "MIB Browser");
    EXPECT_FALSE(browser.isModal());
    EXPECT_TRUE(m_driver.dlg().isEnabled()); // the main window stays usable beside it
    // Within a laptop's 1280 x 720.
    EXPECT_LE(browser.width(), 1280);
    EXPECT_LE(browser.height(), 720 - 48);
    browser.close();
    m_driver.dlg().OnSysCommand(IDM_MIBBROWSER, 0);
    EXPECT_EQ(m_driver.dlg().MibBrowser(), &browser);
    EXPECT_TRUE(browser.isVisible());
}

TEST_F(MibBrowserTest, FindsANodeByEveryFormOfItsName) {
    CMibBrowser& browser = Open();
    struct Case {
        const char* text;
        int key; // 0: as typed; Enter or F3: the next match
        const char* node;
    };
    const Case cases[] = {
        {"operst", 0, "ifOperStatus"},
        {"OPERST", 0, "ifOperStatus"},
        {"IF-MIB::ifDescr", 0, "ifDescr"},
        {"OKAPEL-TEST-VALUES-MIB::tvMacName", 0, "tvMacName"},
        {".1.3.6.1.2.1.2.2.1.8", 0, "ifOperStatus"},
        {"1.3.6.1.2.1.2.2.1.8.7", 0, "ifOperStatus"}, // an instance: its object
        {"system.sysName", 0, "sysName"},
        {"tvint", 0, "tvInteger"},
        {"tvint", Qt::Key_Return, "tvIntTable"},
        {"tvint", Qt::Key_F3, "tvIntTable"},
    };
    for (const Case& c : cases) {
        Type(browser, c.text, c.key);
        EXPECT_EQ(Shown(browser), c.node) << c.text;
        EXPECT_EQ(Control<QTreeView>(browser, "IDC_MIB_TREE")
                      ->currentIndex()
                      .data()
                      .toString()
                      .toStdString(),
                  std::string(c.node) + "(" +
                      std::to_string(mibnames::Current()->Arc(browser.CurrentNode())) + ")");
    }
    // The next match goes on from the node shown, round to the first.
    Type(browser, "tvint");
    std::vector<std::string> seen;
    for (int i = 0; i < 6; ++i) {
        seen.push_back(Shown(browser));
        QTest::keyClick(Control<QLineEdit>(browser, "IDC_MIB_FIND"), Qt::Key_F3);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"tvInteger", "tvIntTable", "tvIntEntry", "tvIntIndex",
                                              "tvIntValue", "tvInteger"}));
    // No match leaves the node shown, and says so. (Typed key by key, its first letters
    // would find nodes of their own.)
    auto* find = Control<QLineEdit>(browser, "IDC_MIB_FIND");
    find->setText("noSuchNodeAnywhere");
    browser.Find(false);
    EXPECT_EQ(Shown(browser), "tvIntTable");
    bool said = false;
    for (QLabel* label : browser.findChildren<QLabel*>())
        said = said || label->text() == "No node matches";
    EXPECT_TRUE(said);
}

TEST_F(MibBrowserTest, ShowsTheNamesInBothFormsAndTheDefinition) {
    CMibBrowser& browser = Open();
    Type(browser, "tvHundredths");
    const auto names = mibnames::Current();
    const std::string details = browser.DetailsText().toStdString();
    EXPECT_EQ(details, "OKAPEL-TEST-VALUES-MIB::tvHundredths\n"
                       "iso.org.dod.internet.private.enterprises.okapelTestValues.tvScalars."
                       "tvHundredths\n.1.3.6.1.4.1.99981.1.21\n\n" +
                           values::DefinitionText(*names, browser.CurrentNode()));
    EXPECT_NE(details.find("  DISPLAY-HINT\t\"d-2\"\n  UNITS\t\t\"degrees\""), std::string::npos);
    // A built-in object: the browser says why there is no description.
    Type(browser, "ifOperStatus");
    EXPECT_NE(browser.DetailsText().toStdString().find(
                  "Built into Okapel: IF-MIB is not on this machine, so there is no description."),
              std::string::npos);
    EXPECT_NE(browser.DetailsText().toStdString().find("up(1), down(2)"), std::string::npos);
}

TEST_F(MibBrowserTest, UsePutsTheIdentifierAScalarWithItsInstance) {
    CMibBrowser& browser = Open();
    struct Case {
        const char* find;
        const char* identifier;
    } cases[] = {
        {"tvInteger", ".1.3.6.1.4.1.99981.1.1.0"},
        {"tvIntValue", ".1.3.6.1.4.1.99981.2.1.1.2"}, // a column: no instance of its own
        {"tvIntTable", ".1.3.6.1.4.1.99981.2.1"},
        {"sysName", ".1.3.6.1.2.1.1.5.0"},
        {"tvAlarm", ".1.3.6.1.4.1.99981.3.0.1"},
    };
    for (const Case& c : cases) {
        Type(browser, c.find);
        QTest::mouseClick(Control<QPushButton>(browser, "IDC_MIB_USE"), Qt::LeftButton);
        EXPECT_EQ(m_driver.Text(IDC_OID), c.identifier) << c.find;
    }
}

TEST_F(MibBrowserTest, GetAndGetAllRunInTheMainWindow) {
    DemoAgent agent;
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    CMibBrowser& browser = Open();
    Type(browser, "sysName");
    QTest::mouseClick(Control<QPushButton>(browser, "IDC_MIB_GET"), Qt::LeftButton);
    EXPECT_EQ(m_driver.Text(IDC_OID), ".1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(m_driver.Text(IDC_VALUE), agent.ToolValue(".1.3.6.1.2.1.1.5.0"));
    Type(browser, "system");
    QTest::mouseClick(Control<QPushButton>(browser, "IDC_MIB_GETALL"), Qt::LeftButton);
    EXPECT_EQ(m_driver.Text(IDC_OID), ".1.3.6.1.2.1.1");
    const std::vector<std::string> lines = m_driver.WalkLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.front().starts_with(".1.3.6.1.2.1.1.1.0 : "));
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
}

// Selecting a line of the walk list shows its node and its value in both texts; every
// value of the walk reads as net-snmp's snprint_value prints it with the same modules.
TEST_F(MibBrowserTest, FollowsTheWalkListsLineWithItsValueInBothTexts) {
    DemoAgent agent;
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    CMibBrowser& browser = Open();
    m_driver.SetText(IDC_OID, ".1.3.6.1.2.1.1");
    m_driver.Click(IDC_GETALL);
    CListBox* walk = m_driver.walkList();
    ASSERT_GE(walk->GetCount(), 3);
    // sysUpTime.0, the third line.
    QTest::mouseClick(walk->viewport(), Qt::LeftButton, {}, walk->ItemRect(2).center());
    EXPECT_EQ(Shown(browser), "sysUpTime");
    CLineBinding line;
    ASSERT_TRUE(walk->GetBinding(2, &line));
    const SnmpVarBind vb = line.View();
    ASSERT_EQ(vb.value.asnType, ASN_TIMETICKS);
    const std::string details = browser.DetailsText().toStdString();
    EXPECT_NE(details.find("Line:\t\t.1.3.6.1.2.1.1.3.0\nName:\t\tSNMPv2-MIB::sysUpTime.0\n"
                           "Value as sent:\t" +
                           std::to_string(vb.value.asnValue.ticks) + "\n"),
              std::string::npos)
        << details;
    EXPECT_NE(details.find("Value as the MIB describes it:\n\t\t(" +
                           std::to_string(vb.value.asnValue.ticks) + ") "),
              std::string::npos);
    // Use takes the line's own identifier.
    QTest::mouseClick(Control<QPushButton>(browser, "IDC_MIB_USE"), Qt::LeftButton);
    EXPECT_EQ(m_driver.Text(IDC_OID), ".1.3.6.1.2.1.1.3.0");

    // net-snmp's own objects, which its modules on the machine describe, beside its printing.
    CMibParserForTesting parser;
    int compared = 0;
    for (const char* root : {".1.3.6.1.4.1.2021", ".1.3.6.1.4.1.8072", ".1.3.6.1.2.1"}) {
        m_driver.SetText(IDC_OID, root);
        m_driver.Click(IDC_GETALL);
        std::vector<CLineBinding> kept(static_cast<size_t>(walk->GetCount()));
        std::vector<SnmpVarBind> bindings;
        std::vector<const SnmpVarBind*> list;
        for (int i = 0; i < walk->GetCount(); ++i) {
            ASSERT_TRUE(walk->GetBinding(i, &kept[static_cast<size_t>(i)]));
            bindings.push_back(kept[static_cast<size_t>(i)].View());
        }
        for (const SnmpVarBind& b : bindings)
            list.push_back(&b);
        const MibCrossCheckCounts counts = CrossCheckValues(parser, list);
        for (const std::string& disagreement : counts.disagreements)
            ADD_FAILURE() << disagreement;
        compared += counts.compared;
        RecordProperty(std::string("compared ") + root, counts.compared);
        RecordProperty(std::string("not compared ") + root, counts.notCompared);
    }
    EXPECT_GT(compared, 50);
}

TEST(MibBrowserTraps, FollowsTheTrapWindowsLine) {
    CTestModules modules;
    ASSERT_TRUE(modules.Loaded());
    const std::uint16_t port = FreeTrapTestPort();
    DialogDriver driver(DialogDriver::Shown::Now, port);
    QTest::keyClick(driver.dlg().windowHandle(), Qt::Key_B, Qt::ControlModifier);
    CMibBrowser* browser = driver.dlg().MibBrowser();
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(RunSnmpTrap({"-v2c", "-c", "public", "127.0.0.1:" + std::to_string(port), "12345",
                           ".1.3.6.1.6.3.1.1.5.3", ".1.3.6.1.2.1.2.2.1.8.2", "i", "2"}),
              0);
    CListBox* traps = driver.trapList();
    ASSERT_TRUE(ServeUntil([traps] { return traps->GetCount() >= 3; }));
    traps->Flush();
    struct Case {
        int line;
        const char* node;
        const char* sent;
        const char* described;
    } cases[] = {
        {0, "sysUpTime", "12345", "(12345) 0:02:03.45"},
        {1, "snmpTrapOID", "1.3.6.1.6.3.1.1.5.3", "IF-MIB::linkDown"},
        {2, "ifOperStatus", "2", "down(2)"},
    };
    for (const Case& c : cases) {
        QTest::mouseClick(traps->viewport(), Qt::LeftButton, {}, traps->ItemRect(c.line).center());
        EXPECT_EQ(Shown(*browser), c.node);
        const std::string details = browser->DetailsText().toStdString();
        EXPECT_NE(details.find(std::string("Value as sent:\t") + c.sent + "\n"), std::string::npos)
            << details;
        EXPECT_NE(
            details.find(std::string("Value as the MIB describes it:\n\t\t") + c.described + "\n"),
            std::string::npos)
            << details;
    }
}

TEST_F(MibBrowserTest, ListsEveryModuleRootCausesFirst) {
    CMibBrowser& browser = Open();
    auto* view = Control<QTreeView>(browser, "IDC_MIB_MODULES");
    const QAbstractItemModel* model = view->model();
    std::vector<std::string> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.push_back(model->index(row, 0).data().toString().toStdString());
    ASSERT_FALSE(rows.empty());
    const auto notHere = [](const std::string& row) {
        return row.find(" is not on this machine; ") != std::string::npos;
    };
    // Every missing module before the modules whose trouble it explains.
    const auto firstOther = std::find_if_not(rows.begin(), rows.end(), notHere);
    EXPECT_NE(firstOther, rows.begin());
    EXPECT_TRUE(std::none_of(firstOther, rows.end(), notHere));
    const auto absent = std::find(rows.begin(), rows.end(),
                                  "OKAPEL-ABSENT-MIB is not on this machine; 2 modules import it");
    ASSERT_NE(absent, rows.end());
    const QModelIndex absentRow = model->index(static_cast<int>(absent - rows.begin()), 0);
    ASSERT_EQ(model->rowCount(absentRow), 2);
    EXPECT_EQ(model->index(0, 0, absentRow).data().toString(),
              "imported by OKAPEL-TEST-ABSENT-A-MIB");
    const auto broken = std::find(rows.begin(), rows.end(),
                                  "OKAPEL-TEST-BROKEN-MIB failed: " OKAPEL_SOURCE_DIR
                                  "/tests/mibs/OKAPEL-TEST-BROKEN-MIB.txt");
    ASSERT_NE(broken, rows.end());
    const QModelIndex brokenRow = model->index(static_cast<int>(broken - rows.begin()), 0);
    EXPECT_TRUE(
        model->index(0, 0, brokenRow).data().toString().startsWith("line 12: Expected \")\""));
    EXPECT_EQ(std::count(rows.begin(), rows.end(),
                         OKAPEL_SOURCE_DIR
                         "/tests/mibs/README-NOT-A-MODULE.txt is not a MIB module"),
              1);
    // The menu entry tells that there are errors, as the menu opens; no box at start-up.
    const int errors =
        static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const std::string& r) {
            return r.find(" failed: ") != std::string::npos ||
                   r.find(" read without ") != std::string::npos;
        }));
    QMenu* menu = m_driver.dlg().GetSystemMenu(false);
    emit menu->aboutToShow();
    bool told = false;
    for (QAction* action : menu->actions())
        told = told || action->text() ==
                           QStringLiteral("MIB &Browser... (%1 modules with errors)").arg(errors);
    EXPECT_TRUE(told);
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
}

// Every control is reached with the keyboard, in order, and has a name for screen readers.
TEST_F(MibBrowserTest, EveryControlIsReachedByKeyboardAndNamed) {
    CMibBrowser& browser = Open();
    Type(browser, "sysName"); // a node shown: the buttons take the focus
    QWidget* find = Control<QWidget>(browser, "IDC_MIB_FIND");
    find->setFocus();
    std::vector<std::string> reached;
    for (int i = 0; i < 9; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        reached.push_back(focus->objectName().toStdString());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(focus);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << reached.back();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(reached, (std::vector<std::string>{"IDC_MIB_FIND", "IDC_MIB_TREE", "IDC_MIB_DETAILS",
                                                 "IDC_MIB_USE", "IDC_MIB_GET", "IDC_MIB_GETALL",
                                                 "IDC_MIB_WATCH", "IDCANCEL", "IDC_MIB_MODULES"}));
}

// The tree grows as the modules are read, the node shown staying shown.
TEST(MibBrowserLoad, TreeGrowsAsTheModulesAreRead) {
    CTestModules modules(false);
    CMibDirectory held;
    setenv("MIBDIRS", (held.Path() + ":" + modules.Directories()).c_str(), 1);
    held.HoldReader();
    SnmpMgrLoadMibModules();
    DialogDriver driver;
    driver.dlg().OnMibBrowser();
    CMibBrowser* browser = driver.dlg().MibBrowser();
    ASSERT_NE(browser, nullptr);
    auto* find = browser->findChild<QLineEdit*>("IDC_MIB_FIND");
    find->setText("ifDescr");
    browser->Find(false);
    EXPECT_EQ(Shown(*browser), "ifDescr");
    find->setText("tvHundredths");
    browser->Find(false);
    EXPECT_EQ(Shown(*browser), "ifDescr"); // not read yet
    ASSERT_TRUE(held.Release());
    ASSERT_TRUE(SnmpMgrWaitMibModulesForTesting(60000));
    ASSERT_TRUE(ServeUntil([browser] {
        browser->Find(false);
        return Shown(*browser) == "tvHundredths";
    }));
    find->setText("ifDescr");
    browser->Find(false);
    browser->Refresh();
    EXPECT_EQ(Shown(*browser), "ifDescr");
    EXPECT_EQ(browser->Identifier(), ".1.3.6.1.2.1.2.2.1.2");
}

} // namespace
