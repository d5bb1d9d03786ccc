// Requests that do not hold the window, through the real dialog against scripted agents: the
// progress and Cancel of a request that takes long, Cancel and Escape ending it at once with
// the session still usable and the late answer ignored, a walk cancelled midway, the trap
// window alive during a walk, and the window closed while a walk runs.
#include "support/DialogDriver.h"
#include "support/Ports.h"
#include "support/ScriptedAgent.h"
#include "support/TrapTraffic.h"
#include "support/Wait.h"

#include "testing/SnmpTesting.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

using namespace scripted;

namespace {

const char* kObject = ".1.3.6.1.4.1.99.1.0";

QPushButton* CancelButton(DialogDriver& d) {
    return d.dlg().findChild<QPushButton*>(QStringLiteral("IDC_CANCEL_REQUEST"));
}

QLabel* ProgressLine(DialogDriver& d) {
    return d.dlg().findChild<QLabel*>(QStringLiteral("IDC_PROGRESS"));
}

// Runs `during` from within the dialog's events once the request that the next command
// starts shows its Cancel: the command's handler is then waiting for its flow.
void WhenCancelShows(DialogDriver& d, std::function<void()> during) {
    QTimer::singleShot(0, &d.dlg(), [&d, during = std::move(during)] {
        ASSERT_TRUE(ServeUntil([&d] { return CancelButton(d)->isVisible(); }));
        during();
    });
}

// An agent that answers `kObject` with the text "fresh", but stays silent to the first
// request and keeps it, so that a test can answer it late.
class LateFirstAnswer {
public:
    LateFirstAnswer()
        : m_agent([this](const Request& request) {
              std::lock_guard<std::mutex> guard(m_lock);
              if (!m_first) {
                  m_first = request;
                  return Silence();
              }
              return Answer(request, "fresh");
          }) {}

    ScriptedAgent& Agent() { return m_agent; }
    // Answers the first request now, with the text "late".
    bool AnswerLate() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_first &&
               m_agent.SendToManager(*m_first, EncodeResponse(*m_first, Answer(*m_first, "late")));
    }

private:
    static Reply Answer(const Request& request, const char* text) {
        Reply reply;
        reply.bindings = {{request.bindings.at(0).name, Octets(0x04, text)}};
        return reply;
    }

    std::mutex m_lock;
    std::optional<Request> m_first;
    ScriptedAgent m_agent;
};

void OpenWith(DialogDriver& d, const ScriptedAgent& agent, int timeoutMs, int version) {
    SnmpMgrSessionSettings settings;
    settings.version = version;
    settings.timeoutMs = timeoutMs;
    d.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
}

// How the operator ends the request under way.
enum class EndedBy { CancelButton, Escape };

struct CancelCase {
    const char* name;
    int version;
    EndedBy endedBy;
};
void PrintTo(const CancelCase& c, std::ostream* os) {
    *os << c.name;
}

class CancelledGet : public ::testing::TestWithParam<CancelCase> {};

// A Get to an agent that does not answer, at the longest time-out the settings allow: its
// progress shows, Cancel (or Escape) ends it at once with nothing more sent and no box, and
// the next Get on the same session shows its own answer, not the late one of the first.
TEST_P(CancelledGet, EndsAtOnceAndTheSessionGoesOn) {
    LateFirstAnswer late;
    ASSERT_TRUE(late.Agent().Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(OpenWith(d, late.Agent(), 60000, GetParam().version));
    d.SetText(IDC_OID, kObject);
    QString progress;
    bool commandsDisabled = false;
    QElapsedTimer sinceCancel;
    WhenCancelShows(d, [&] {
        progress = ProgressLine(d)->text();
        commandsDisabled = !d.Enabled(IDC_GET) && !d.Enabled(IDC_SET) && !d.Enabled(IDC_GETALL) &&
                           !d.Enabled(IDC_CLOSE);
        sinceCancel.start();
        if (GetParam().endedBy == EndedBy::CancelButton)
            QTest::mouseClick(CancelButton(d), Qt::LeftButton);
        else
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    d.Click(IDC_GET);
    // Ended by the Cancel, not by the time-out a minute away.
    EXPECT_LT(sinceCancel.elapsed(), 30000);
    EXPECT_TRUE(progress.startsWith(QStringLiteral("Get: attempt 1 of 4, time-out 60")))
        << progress.toStdString();
    EXPECT_TRUE(commandsDisabled);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_TRUE(d.dlg().isVisible());
    EXPECT_FALSE(CancelButton(d)->isVisible());
    EXPECT_TRUE(d.Enabled(IDC_GET));
    EXPECT_EQ(late.Agent().RequestCount(), 1u);

    ASSERT_TRUE(late.AnswerLate());
    d.Click(IDC_GET);
    EXPECT_EQ(d.Text(IDC_VALUE), "fresh");
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(late.Agent().RequestCount(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Requests, CancelledGet,
                         ::testing::Values(CancelCase{"SnmpV1ByTheCancelButton", SNMP_MGR_VERSION_1,
                                                      EndedBy::CancelButton},
                                           CancelCase{"SnmpV1ByEscape", SNMP_MGR_VERSION_1,
                                                      EndedBy::Escape},
                                           CancelCase{"SnmpV2cByTheCancelButton",
                                                      SNMP_MGR_VERSION_2C, EndedBy::CancelButton}),
                         [](const auto& info) { return std::string(info.param.name); });

// The objects of a walk: kRoot.1.0 to kRoot.<count>.0, answered as a table; after `answered`
// requests the agent falls silent.
ScriptedAgent::Script AnsweringThenSilent(std::size_t answered) {
    auto table = std::make_shared<TableAgent>();
    for (std::uint32_t i = 1; i <= 50; ++i)
        table->objects[ParseOid(".1.3.6.1.4.1.99." + std::to_string(i) + ".0")] =
            Integer(static_cast<std::int64_t>(i));
    auto count = std::make_shared<std::atomic<std::size_t>>(0);
    return [table, count, answered](const Request& request) {
        return ++*count <= answered ? (*table)(request) : Silence();
    };
}

// A walk whose agent falls silent after three answers, cancelled while it waits: the three
// lines stay, one box says so, and nothing more was sent.
TEST(RequestRun, ACancelledWalkKeepsItsLinesWithOneBox) {
    ScriptedAgent agent(AnsweringThenSilent(3));
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(OpenWith(d, agent, 60000, SNMP_MGR_VERSION_1));
    d.SetText(IDC_OID, ".1.3.6.1.4.1.99");
    QString progress;
    WhenCancelShows(d, [&] {
        ASSERT_TRUE(ServeUntil([&d] { return d.walkList()->GetCount() == 3; }));
        ASSERT_TRUE(ServeUntil([&d] { return ProgressLine(d)->text().contains("3 lines"); }));
        progress = ProgressLine(d)->text();
        QTest::mouseClick(CancelButton(d), Qt::LeftButton);
    });
    d.Click(IDC_GETALL);
    EXPECT_TRUE(progress.startsWith(QStringLiteral("Get All: 3 lines"))) << progress.toStdString();
    EXPECT_EQ(d.WalkLines(),
              (std::vector<std::string>{".1.3.6.1.4.1.99.1.0 : 1", ".1.3.6.1.4.1.99.2.0 : 2",
                                        ".1.3.6.1.4.1.99.3.0 : 3"}));
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "The walk was cancelled: the walk list keeps the 3 lines received before.");
    EXPECT_EQ(agent.RequestCount(), 4u);
}

// Trap lines go on arriving while a walk waits for its agent, and the walk's lines stay in
// the order the agent gave them.
TEST(RequestRun, TrapLinesArriveWhileAWalkRuns) {
    ScriptedAgent agent(AnsweringThenSilent(2));
    ASSERT_TRUE(agent.Start());
    const std::uint16_t trapPort = FreeTrapTestPort();
    DialogDriver d(DialogDriver::Shown::Now, trapPort);
    ASSERT_TRUE(ServeUntil([&d] { return d.dlg().TrapEvent() != nullptr; }));
    ASSERT_NO_FATAL_FAILURE(OpenWith(d, agent, 60000, SNMP_MGR_VERSION_1));
    d.SetText(IDC_OID, ".1.3.6.1.4.1.99");
    bool stillWalking = false;
    WhenCancelShows(d, [&] {
        ASSERT_EQ(RunSnmpTrap({"-v2c", "-c", "public", "127.0.0.1:" + std::to_string(trapPort), "",
                               ".1.3.6.1.6.3.1.1.5.1"}),
                  0);
        ASSERT_TRUE(ServeUntil([&d] { return d.trapList()->GetCount() >= 2; }));
        stillWalking = d.dlg().RequestUnderWay();
        QTest::mouseClick(CancelButton(d), Qt::LeftButton);
    });
    d.Click(IDC_GETALL);
    EXPECT_TRUE(stillWalking);
    const std::vector<std::string> traps = d.TrapLines();
    ASSERT_EQ(traps.size(), 2u);
    EXPECT_NE(traps[1].find("Value:1.3.6.1.6.3.1.1.5.1"), std::string::npos) << traps[1];
    EXPECT_EQ(d.WalkLines(),
              (std::vector<std::string>{".1.3.6.1.4.1.99.1.0 : 1", ".1.3.6.1.4.1.99.2.0 : 2"}));
}

// The close box while a walk waits: the window goes at once, the walk ends, no box is
// shown, and the dialog ends as ever, its listener stopped.
TEST(RequestRun, ClosingTheWindowEndsTheWalkFirst) {
    ScriptedAgent agent(AnsweringThenSilent(2));
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(OpenWith(d, agent, 60000, SNMP_MGR_VERSION_1));
    d.SetText(IDC_OID, ".1.3.6.1.4.1.99");
    bool hiddenAtOnce = false;
    WhenCancelShows(d, [&] {
        d.dlg().close();
        hiddenAtOnce = !d.dlg().isVisible();
    });
    d.Click(IDC_GETALL);
    EXPECT_TRUE(hiddenAtOnce);
    ASSERT_TRUE(ServeUntil([&d] { return d.dlg().TrapThread() == nullptr; }));
    EXPECT_EQ(d.dlg().result(), QDialog::Rejected);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(agent.RequestCount(), 3u);
}

} // namespace
