// The live counters driven beside the real main dialog: a scripted agent whose counter wraps
// and whose sysUpTime goes back, read through one Get per round with sysUpTime.0 in it; an
// object that an SNMPv1 agent refuses left out while the others go on; a round under way
// ended by the session's close; and the demo agent's ifInOctets.1 from the table view, then
// its 64-bit counterpart.
#include "ui/WatchDlg.h"

#include "snmpapi/MibNames.h"
#include "ui/MibBrowser.h"
#include "ui/Resource.h"
#include "ui/TableModel.h"
#include "ui/TableViewDlg.h"
#include "ui/WatchGraph.h"
#include "ui/WatchModel.h"

#include "support/DemoAgent.h"
#include "support/DialogDriver.h"
#include "support/ScriptedAgent.h"
#include "support/TestModules.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace {

using scripted::Oid;
using scripted::ParseOid;

const char* const kUpTime = ".1.3.6.1.2.1.1.3.0";
const char* const kCounter = ".1.3.6.1.4.1.99981.7.1.0";
const char* const kGauge = ".1.3.6.1.4.1.99981.7.2.0";

std::vector<UINT> Ids(const char* dotted) {
    const Oid oid = ParseOid(dotted);
    return std::vector<UINT>(oid.begin(), oid.end());
}

// An agent whose answers follow a script of rounds: the n-th Get is answered with the n-th
// round's sysUpTime, counter and gauge (the last round again after the script's end). An
// object it does not know is noSuchName, as an SNMPv1 agent answers.
struct RoundAgent {
    struct Round {
        std::uint32_t upTime;
        std::uint32_t counter;
        std::uint32_t gauge;
        bool silent = false;
    };
    std::vector<Round> rounds;
    std::shared_ptr<std::atomic<std::size_t>> answered =
        std::make_shared<std::atomic<std::size_t>>(0);

    scripted::Reply operator()(const scripted::Request& request) const {
        using namespace scripted;
        const std::size_t n = std::min(answered->load(), rounds.size() - 1);
        const Round& round = rounds[n];
        if (round.silent)
            return Silence();
        Reply reply;
        for (std::size_t i = 0; i < request.bindings.size(); ++i) {
            const Oid& name = request.bindings[i].name;
            if (name == ParseOid(kUpTime))
                reply.bindings.push_back({name, Unsigned(0x43, round.upTime)});
            else if (name == ParseOid(kCounter))
                reply.bindings.push_back({name, Unsigned(0x41, round.counter)});
            else if (name == ParseOid(kGauge))
                reply.bindings.push_back({name, Unsigned(0x42, round.gauge)});
            else
                return ErrorReply(request, 2, static_cast<std::int64_t>(i) + 1);
        }
        ++*answered;
        return reply;
    }
};

class WatchTest : public ::testing::Test {
protected:
    // Runs one round now and serves the window until it has ended.
    void Round(CWatchDlg* watch) {
        const int before = watch->Rounds();
        ASSERT_TRUE(watch->RunRound());
        ASSERT_TRUE(ServeUntil([watch, before] { return watch->Rounds() > before; }));
    }
    std::string Text(CWatchDlg* watch, int row, int column) {
        return watch->Model()->Text(row, column).toStdString();
    }
    DialogDriver m_driver;
};

TEST_F(WatchTest, CountsAWrapAndShowsARestartAsABreak) {
    RoundAgent script;
    // Hundredths of the agent's time and the counter at each round. The counter wraps between
    // the first two; the agent restarts between the third and the fourth.
    script.rounds = {
        {1000, 4294967000u, 10}, {1500, 200, 7}, // 496 in 5 s across the wrap
        {2500, 1200, 7},                         // 1000 in 10 s
        {100, 50, 12},                           // restarted: sysUpTime went back
        {600, 550, 12},                          // 500 in 5 s
    };
    scripted::ScriptedAgent agent(script);
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    const std::size_t sentBefore = agent.RequestCount();

    // From the OID box and the system menu: the window opens and polls at once.
    m_driver.SetText(IDC_OID, kCounter);
    m_driver.dlg().OnSysCommand(IDM_WATCH, 0);
    CWatchDlg* watch = m_driver.dlg().WatchWindow();
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->objectName(), "IDD_WATCH");
    EXPECT_TRUE(watch->isVisible());
    ASSERT_NE(watch->findChild<QTableView*>(QStringLiteral("IDC_WATCH_LIST")), nullptr);
    auto* interval = watch->findChild<QSpinBox*>(QStringLiteral("IDC_WATCH_INTERVAL"));
    ASSERT_NE(interval, nullptr);
    EXPECT_EQ(interval->value(), 5);
    EXPECT_EQ(interval->minimum(), 1);
    EXPECT_EQ(interval->maximum(), 3600);
    // The next rounds only when the test runs them.
    watch->SetInterval(CWatchDlg::kLongestIntervalS);
    ASSERT_TRUE(ServeUntil([watch] { return watch->Rounds() == 1; }));
    EXPECT_EQ(Text(watch, 0, CWatchModel::kValue), "4294967000");
    EXPECT_EQ(Text(watch, 0, CWatchModel::kRate), "");
    // An object added between rounds is polled at once, with the others.
    watch->AddObjects({Ids(kGauge)});
    ASSERT_TRUE(ServeUntil([watch] { return watch->Rounds() == 2; }));
    EXPECT_EQ(Text(watch, 0, CWatchModel::kChange), "496 (wrapped)");
    EXPECT_EQ(Text(watch, 0, CWatchModel::kRate), "99.20");
    EXPECT_EQ(Text(watch, 1, CWatchModel::kValue), "7");

    struct Expected {
        const char* counterChange;
        const char* counterRate;
        const char* gaugeChange;
    };
    const Expected expected[] = {
        {"1000", "100.00", "0"},
        {"break: the agent restarted", "", "+5"},
        {"500", "100.00", "0"},
    };
    for (const Expected& e : expected) {
        ASSERT_NO_FATAL_FAILURE(Round(watch));
        EXPECT_EQ(Text(watch, 0, CWatchModel::kChange), e.counterChange);
        EXPECT_EQ(Text(watch, 0, CWatchModel::kRate), e.counterRate);
        EXPECT_EQ(Text(watch, 1, CWatchModel::kChange), e.gaugeChange);
        EXPECT_EQ(Text(watch, 1, CWatchModel::kRate), "");
    }
    EXPECT_EQ(Text(watch, 0, CWatchModel::kValue), "550");
    EXPECT_EQ(Text(watch, 1, CWatchModel::kValue), "12");
    EXPECT_TRUE(m_driver.TakeBoxes().empty());

    // One Get per round, sysUpTime.0 first, then every object watched then.
    const std::vector<scripted::Request> received = agent.Received();
    ASSERT_EQ(received.size() - sentBefore, 5u);
    for (std::size_t i = sentBefore; i < received.size(); ++i) {
        const scripted::Request& request = received[i];
        EXPECT_EQ(request.pduType, 0xA0);
        EXPECT_EQ(request.version, 0); // the session's SNMPv1
        std::vector<std::string> names;
        for (const scripted::Binding& b : request.bindings)
            names.push_back(scripted::OidText(b.name));
        const std::vector<std::string> expectedNames =
            i == sentBefore ? std::vector<std::string>{kUpTime, kCounter}
                            : std::vector<std::string>{kUpTime, kCounter, kGauge};
        EXPECT_EQ(names, expectedNames) << i;
    }

    // The graph: the counter's three rates, the restart a gap between them; read as words.
    watch->View()->selectRow(0);
    CWatchGraph* graph = watch->Graph();
    EXPECT_EQ(graph->PointCount(), 3u);
    ASSERT_TRUE(watch->Model()->History(0).back().isBreak);
    EXPECT_TRUE(graph->accessibleDescription().contains(QStringLiteral("latest 100.00 per second")))
        << graph->accessibleDescription().toStdString();
    EXPECT_TRUE(graph->accessibleDescription().contains(QStringLiteral("lowest 99.20")));
    EXPECT_EQ(graph->objectName(), "IDC_WATCH_GRAPH");
}

TEST_F(WatchTest, SpreadsACachedCounterOverTheTimeItStoodStill) {
    RoundAgent script;
    // An agent that refreshes its counter every 3 s, polled every second; then an idle one.
    script.rounds = {
        {0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {300, 3000, 0}, {400, 3000, 0}, {1500, 3000, 0},
    };
    scripted::ScriptedAgent agent(script);
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    m_driver.dlg().OpenWatch({Ids(kCounter)});
    CWatchDlg* watch = m_driver.dlg().WatchWindow();
    ASSERT_NE(watch, nullptr);
    watch->SetInterval(CWatchDlg::kLongestIntervalS);
    ASSERT_TRUE(ServeUntil([watch] { return watch->Rounds() == 1; }));
    const char* const rates[] = {"", "", "1000.00", "1000.00", "0.00"};
    for (const char* rate : rates) {
        ASSERT_NO_FATAL_FAILURE(Round(watch));
        EXPECT_EQ(Text(watch, 0, CWatchModel::kRate), rate);
    }
    // Neither a nought nor a step of three seconds' worth: the rate of the span, then the
    // idle counter's nought.
    std::vector<double> figures;
    for (const CWatchModel::Point& p : watch->Model()->History(0))
        figures.push_back(p.figure);
    EXPECT_EQ(figures, (std::vector<double>{1000, 0}));
}

TEST_F(WatchTest, LeavesOutAnObjectTheAgentRefusesAndPollsTheOthers) {
    RoundAgent script;
    script.rounds = {{1000, 10, 1}, {1100, 20, 1}, {1200, 30, 1}};
    scripted::ScriptedAgent agent(script);
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    m_driver.dlg().OpenWatch({Ids(kCounter), Ids(".1.3.6.1.4.1.99981.7.9.0"), Ids(kGauge)});
    CWatchDlg* watch = m_driver.dlg().WatchWindow();
    ASSERT_NE(watch, nullptr);
    watch->SetInterval(CWatchDlg::kLongestIntervalS);
    // The refusal, then at once a round without the refused object.
    ASSERT_TRUE(ServeUntil([watch] { return watch->Rounds() == 2 && !watch->RoundUnderWay(); }));
    EXPECT_TRUE(
        watch->Model()->Text(1, CWatchModel::kValue).startsWith(QStringLiteral("not polled")))
        << Text(watch, 1, CWatchModel::kValue);
    EXPECT_EQ(Text(watch, 0, CWatchModel::kValue), "10");
    ASSERT_NO_FATAL_FAILURE(Round(watch));
    EXPECT_EQ(Text(watch, 0, CWatchModel::kRate), "10.00");
    EXPECT_EQ(agent.Received().back().bindings.size(), 3u);
    // Removed, the first object is asked for no more; the gauge's figures go on.
    watch->View()->selectRow(0);
    watch->findChild<QPushButton*>(QStringLiteral("IDC_WATCH_REMOVE"))->click();
    ASSERT_EQ(watch->Model()->rowCount(), 2);
    ASSERT_NO_FATAL_FAILURE(Round(watch));
    ASSERT_EQ(agent.Received().back().bindings.size(), 2u);
    EXPECT_EQ(scripted::OidText(agent.Received().back().bindings[1].name), kGauge);
    EXPECT_EQ(Text(watch, 1, CWatchModel::kChange), "0");
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
}

TEST_F(WatchTest, StopsPollingWhenTheSessionCloses) {
    RoundAgent script;
    script.rounds = {{1000, 10, 1}, {0, 0, 0, true}}; // silent from the second round on
    scripted::ScriptedAgent agent(script);
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    m_driver.dlg().OpenWatch({Ids(kCounter)});
    CWatchDlg* watch = m_driver.dlg().WatchWindow();
    watch->SetInterval(1);
    ASSERT_TRUE(ServeUntil([watch] { return watch->Rounds() == 1; }));
    // The next round comes by itself a second later, and waits for an answer.
    ASSERT_TRUE(ServeUntil([&agent] { return agent.RequestCount() >= 2; }));
    ASSERT_TRUE(watch->RoundUnderWay());

    QElapsedTimer closing;
    closing.start();
    m_driver.Click(IDC_CLOSE);
    // Ended at once, not after the session's time-outs (4 s).
    EXPECT_LT(closing.elapsed(), 2000);
    EXPECT_FALSE(watch->RoundUnderWay());
    EXPECT_FALSE(watch->isVisible());
    EXPECT_FALSE(watch->Polling());
    EXPECT_FALSE(watch->RunRound());
    const std::size_t sent = agent.RequestCount();
    QElapsedTimer served;
    served.start();
    ServeUntil([&served] { return served.elapsed() > 1500; });
    EXPECT_EQ(agent.RequestCount(), sent);
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
}

TEST_F(WatchTest, WaitsForASessionWithoutSendingOrSpinning) {
    m_driver.SetText(IDC_OID, kCounter);
    m_driver.dlg().OnSysCommand(IDM_WATCH, 0);
    CWatchDlg* watch = m_driver.dlg().WatchWindow();
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->Model()->rowCount(), 1);
    EXPECT_TRUE(watch->StatusText().startsWith(QStringLiteral("No session is open")));
    // Asked again an interval later, not in a loop that takes the processor meanwhile.
    EXPECT_GT(watch->NextRoundInMs(), 4000);
    QElapsedTimer served;
    served.start();
    ServeUntil([&served] { return served.elapsed() > 300; });
    EXPECT_GT(watch->NextRoundInMs(), 3000);
    EXPECT_EQ(watch->Rounds(), 0);
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
}

TEST_F(WatchTest, WatchesIfInOctetsFromTheTableViewAndItsCounter64) {
    CTestModules modules;
    ASSERT_TRUE(modules.Loaded());
    DemoAgent agent;
    ASSERT_TRUE(agent.Start());
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    m_driver.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    m_driver.SetText(IDC_OID, "1.3.6.1.2.1.2.2"); // ifTable
    m_driver.dlg().OnSysCommand(IDM_TABLEVIEW, 0);
    CTableViewDlg* view = m_driver.dlg().TableView();
    ASSERT_NE(view, nullptr);
    const CTableModel& table = *view->Model();
    int column = -1;
    for (int c = 0; c < table.columnCount(); ++c) {
        if (table.Header(c) == QStringLiteral("ifInOctets"))
            column = c;
    }
    ASSERT_GE(column, 0);
    ASSERT_GE(table.rowCount(), 1);
    QTableView* cells = view->View();
    cells->selectionModel()->select(cells->model()->index(0, column), QItemSelectionModel::Select);
    view->findChild<QPushButton*>(QStringLiteral("IDC_TABLE_WATCH"))->click();

    CWatchDlg* watch = m_driver.dlg().WatchWindow();
    ASSERT_NE(watch, nullptr);
    watch->SetInterval(CWatchDlg::kLongestIntervalS);
    ASSERT_TRUE(ServeUntil([watch] { return watch->Rounds() == 1; }));
    ASSERT_EQ(watch->Model()->rowCount(), 1);
    const std::string index = table.Cell(0, 0).toStdString();
    EXPECT_EQ(Text(watch, 0, CWatchModel::kName), "IF-MIB::ifInOctets." + index);
    auto* use64 = watch->findChild<QPushButton*>(QStringLiteral("IDC_WATCH_USE64"));
    watch->View()->selectRow(0);
    ASSERT_TRUE(use64->isEnabled());
    use64->click();
    ASSERT_TRUE(ServeUntil([watch] { return watch->Rounds() == 2 && !watch->RoundUnderWay(); }));
    EXPECT_EQ(Text(watch, 0, CWatchModel::kName), "IF-MIB::ifHCInOctets." + index);
    EXPECT_FALSE(use64->isEnabled());
    // Against snmpd's own answer: the value polled lies between two reads of the tool's.
    const std::string oid = ".1.3.6.1.2.1.31.1.1.1.6." + index;
    const auto tool = [&agent, &oid] {
        return std::stoull(agent.Tool("snmpget", "-v2c -Oqv " + oid));
    };
    const unsigned long long low = tool();
    ASSERT_NO_FATAL_FAILURE(Round(watch));
    const unsigned long long high = tool();
    const unsigned long long polled = std::stoull(Text(watch, 0, CWatchModel::kValue));
    EXPECT_GE(polled, low);
    EXPECT_LE(polled, high);
    // A rate of the loopback's own traffic: the polls and the tool's requests, some bytes a
    // second, never negative.
    EXPECT_GE(watch->Model()->Text(0, CWatchModel::kRate).toDouble(), 0.0)
        << Text(watch, 0, CWatchModel::kRate);
    EXPECT_FALSE(watch->Model()->Text(0, CWatchModel::kChange).startsWith(QStringLiteral("break")));

    // From the MIB browser: a scalar's instance.
    m_driver.dlg().OnMibBrowser();
    CMibBrowser* browser = m_driver.dlg().MibBrowser();
    browser->ShowNode(mibnames::Current()->InModule("SNMPv2-MIB", "sysUpTime"));
    auto* watchButton = browser->findChild<QPushButton*>(QStringLiteral("IDC_MIB_WATCH"));
    ASSERT_NE(watchButton, nullptr);
    watchButton->click();
    ASSERT_EQ(watch->Model()->rowCount(), 2);
    EXPECT_EQ(Text(watch, 1, CWatchModel::kName), "SNMPv2-MIB::sysUpTime.0");
    ASSERT_TRUE(ServeUntil([watch] { return !watch->RoundUnderWay(); }));
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
}

} // namespace
