// The trap listener in the real dialog on the offscreen platform: traps sent with net-snmp's
// snmptrap and as raw datagrams to a loopback test port, lines read from the trap window.
#include "traps/TrapListener.h"
#include "support/BindingText.h"
#include "support/DialogDriver.h"
#include "support/Identifiers.h"
#include "support/MibDirectory.h"
#include "support/Ports.h"
#include "support/ScriptedAgent.h"
#include "support/TrapFlood.h"
#include "support/TrapTraffic.h"
#include "support/Wait.h"
#include "testing/SnmpTesting.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/NotificationLog.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const Ids kEnterprise = {1, 3, 6, 1, 4, 1, 8072, 2, 3};
const Ids kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Ids kSysUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const Ids kSnmpTrapOid = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
const Ids kIfIndex2 = {1, 3, 6, 1, 2, 1, 2, 2, 1, 1, 2};
const Ids kLinkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
const Ids kPrivate = {1, 3, 6, 1, 4, 1, 99, 1};

std::string Line(const std::string& address, const Ids& name, const std::string& value) {
    return "Trap: IP:" + address + " OID:" + OidName(name) + " Value:" + value;
}

// A trap of one binding whose INTEGER value numbers it, with `extra` bindings after it.
Bytes NumberedTrap(int number, int extra = 0) {
    std::vector<Bytes> bindings{ber::Binding(kPrivate, ber::Integer(number))};
    for (int i = 0; i < extra; ++i)
        bindings.push_back(ber::Binding(kSysName, ber::String("burst")));
    return ber::V1Trap("public", kEnterprise, {10, 0, 0, 7}, 6, 1, 0, bindings);
}

std::string NumberedLine(int number) {
    return Line("10.0.0.7", kPrivate, std::to_string(number));
}

// Every trap's lines begin with its sysUpTime.0 and snmpTrapOID.0 (for an SNMPv1 trap, made
// of its time-stamp and its identity).
constexpr int kHeaderLines = 2;

// The lines of the traps of NumberedTrap and StormTrap from 10.0.0.7 (time-stamp 0,
// enterprise-specific trap 1) before their bindings' lines.
std::vector<std::string> HeaderLines() {
    return {Line("10.0.0.7", kSysUpTime, "0"),
            Line("10.0.0.7", kSnmpTrapOid, Dotted(kEnterprise) + ".0.1")};
}

// All the lines of NumberedTrap(number) without extra bindings.
std::vector<std::string> NumberedLines(int number) {
    std::vector<std::string> lines = HeaderLines();
    lines.push_back(NumberedLine(number));
    return lines;
}

std::vector<std::string> Joined(const std::vector<std::vector<std::string>>& traps) {
    std::vector<std::string> lines;
    for (const auto& trap : traps)
        lines.insert(lines.end(), trap.begin(), trap.end());
    return lines;
}

// A trap of `bindings` bindings; the first INTEGER numbers it, the others are NULL.
Bytes StormTrap(int number, int bindings) {
    std::vector<Bytes> list{ber::Binding(kPrivate, ber::Integer(number))};
    for (int i = 1; i < bindings; ++i)
        list.push_back(ber::Binding({1, 3}, ber::Null()));
    return ber::V1Trap("", kEnterprise, {10, 0, 0, 7}, 6, 1, 0, list);
}

// Waits, without serving the dialog's thread (so that no line is added meanwhile), until
// `count` traps in all have been queued since the listen.
bool QueuedWithoutServing(std::uint64_t count) {
    return WaitUntil([count] { return SnmpMgrGetTrapServiceCounters().queued >= count; });
}

// Waits, without serving, until `count` traps in all have been queued and the listener has
// taken every one of them: it is then in the drain of the last, and goes no further than the
// addition of its first line. The queue is looked at after the count, so that an empty queue
// is one that all of them have left.
bool TakenWithoutServing(std::uint64_t count) {
    return WaitUntil([count] {
        return SnmpMgrGetTrapServiceCounters().queued >= count &&
               SnmpMgrGetTrapServiceCounters().queueBytes == 0;
    });
}

class TrapListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_port = FreeTrapTestPort();
        ASSERT_NE(m_port, 0);
    }

    void TearDown() override {
        m_driver.reset();
        SnmpMgrSetTrapListenObserver(nullptr);
        SnmpMgrTrapServiceStopForTesting();
        SnmpMgrSetTrapPortForTesting(0);
    }

    // The dialog with its trap service on the test's port, shown unless Later.
    void Show(DialogDriver::Shown shown = DialogDriver::Shown::Now) {
        m_driver = std::make_unique<DialogDriver>(shown, m_port);
        m_dlg = &m_driver->dlg();
    }

    void ShowListening() {
        Show();
        ASSERT_TRUE(ServeUntil([this] { return m_dlg->TrapEvent() != nullptr; }));
    }

    CListBox* TrapList() { return m_driver->trapList(); }
    std::vector<std::string> Lines() { return m_driver->TrapLines(); }
    // Every box shown, the listener's "Listen Error" included.
    const std::vector<CManagerDlg::MessageRecord>& Boxes() { return m_driver->Boxes(); }

    bool ServeUntilLines(int count) {
        return ServeUntil([this, count] { return TrapList()->GetCount() >= count; });
    }

    std::string Target() const { return "127.0.0.1:" + std::to_string(m_port); }

    // The service is free again only when the dialog's listener has closed its event.
    void ExpectServiceReleased() {
        HANDLE event = nullptr;
        EXPECT_TRUE(SnmpMgrTrapListen(&event)) << SystemErrorText(GetLastError());
        if (event)
            CloseHandle(event);
        SnmpMgrTrapServiceStopForTesting();
    }

    void ExpectAcknowledgedStop() {
        EXPECT_FALSE(m_dlg->TrapStopRequested());
        EXPECT_EQ(m_dlg->TrapEvent(), nullptr);
        EXPECT_EQ(m_dlg->TrapThread(), nullptr);
    }

    std::uint16_t m_port = 0;
    std::unique_ptr<DialogDriver> m_driver;
    CManagerDlg* m_dlg = nullptr; // the driver's
};

TEST_F(TrapListenerTest, SnmpV1TrapAddsOneLinePerBindingInOrder) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    // The agent field names 192.168.1.200 although the datagram comes from loopback: its
    // bytes of 128 and above must print unsigned. A NULL value has no text.
    ASSERT_EQ(RunSnmpTrap({"-v", "1", "-c", "public", Target(), Dotted(kEnterprise),
                           "192.168.1.200", "6", "17", "1234", Dotted(kSysName), "s", "hello",
                           Dotted(kIfIndex2), "i", "-5", Dotted(kPrivate), "n", ""}),
              0);
    ASSERT_TRUE(ServeUntilLines(5));
    // Its time-stamp and its identity (RFC 3584, 3.1) first, as an SNMPv2c trap has them.
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{
                  Line("192.168.1.200", kSysUpTime, "1234"),
                  Line("192.168.1.200", kSnmpTrapOid, Dotted(kEnterprise) + ".0.17"),
                  Line("192.168.1.200", kSysName, "hello"), Line("192.168.1.200", kIfIndex2, "-5"),
                  Line("192.168.1.200", kPrivate, "")}));
    EXPECT_TRUE(Lines().back().ends_with(" Value:"));
    EXPECT_TRUE(Boxes().empty());
}

// An inform (snmptrap -Ci, which fails without an answer within 5 s) shows as the trap does.
TEST_F(TrapListenerTest, SnmpV2cTrapAndInformShowSysUpTimeAndTrapOidLines) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    const std::vector<std::string> lines = {Line("127.0.0.1", kSysUpTime, "4242"),
                                            Line("127.0.0.1", kSnmpTrapOid, Dotted(kLinkDown)),
                                            Line("127.0.0.1", kIfIndex2, "2")};
    for (const std::vector<std::string>& kind :
         {std::vector<std::string>{}, std::vector<std::string>{"-Ci", "-r", "0", "-t", "5"}}) {
        SCOPED_TRACE(kind.empty() ? "trap" : "inform");
        std::vector<std::string> arguments = kind;
        arguments.insert(arguments.end(), {"-v", "2c", "-c", "anything", Target(), "4242",
                                           Dotted(kLinkDown), Dotted(kIfIndex2), "i", "2"});
        ASSERT_EQ(RunSnmpTrap(arguments), 0);
        ASSERT_TRUE(ServeUntilLines(3));
        EXPECT_EQ(Lines(), lines);
        m_driver->dlg().OnClear();
    }
}

// A retransmitted inform is answered again but its lines are shown once: the trap sent after
// it follows its lines at once.
TEST_F(TrapListenerTest, ARetransmittedInformIsShownOnce) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    const Bytes inform =
        ber::V2Trap("public", {ber::Binding(kIfIndex2, ber::Integer(5))}, 0xA6, 77);
    CUdpSender sender(m_port);
    for (int sending = 0; sending < 3; ++sending) {
        ASSERT_TRUE(sender.Send(inform));
        EXPECT_FALSE(sender.Receive(10000).empty()) << "sending " << sending;
    }
    ASSERT_TRUE(sender.Send(NumberedTrap(1)));
    ASSERT_TRUE(ServeUntilLines(1 + kHeaderLines + 1));
    EXPECT_EQ(Lines(), Joined({{Line("127.0.0.1", kIfIndex2, "5")}, NumberedLines(1)}));
}

TEST_F(TrapListenerTest, SnmpV2cTrapFromIpv6ShowsTheIpv6Sender) {
    if (!HasIpv6Loopback())
        GTEST_SKIP() << "no IPv6 loopback";
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    ASSERT_EQ(RunSnmpTrap({"-v", "2c", "-c", "public", "udp6:[::1]:" + std::to_string(m_port), "7",
                           Dotted(kLinkDown)}),
              0);
    ASSERT_TRUE(ServeUntilLines(2));
    EXPECT_EQ(Lines().front(), Line("::1", kSysUpTime, "7"));
}

// A linkDown and a linkUp of the same interface tell themselves apart, and a coldStart
// without bindings shows its time and identity.
TEST_F(TrapListenerTest, SnmpV1TrapsShowTheirTimeAndIdentity) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    const std::vector<std::string> common = {
        "-v", "1", "-c", "public", Target(), Dotted(kEnterprise), "10.0.0.7"};
    const auto send = [&common](std::vector<std::string> rest) {
        std::vector<std::string> args = common;
        args.insert(args.end(), rest.begin(), rest.end());
        return RunSnmpTrap(args);
    };
    ASSERT_EQ(send({"0", "0", "555"}), 0);
    ASSERT_TRUE(ServeUntilLines(2));
    ASSERT_EQ(send({"2", "0", "4242", Dotted(kIfIndex2), "i", "2"}), 0);
    ASSERT_TRUE(ServeUntilLines(5));
    ASSERT_EQ(send({"3", "0", "4343", Dotted(kIfIndex2), "i", "2"}), 0);
    ASSERT_TRUE(ServeUntilLines(8));
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Line("10.0.0.7", kSysUpTime, "555"),
                           Line("10.0.0.7", kSnmpTrapOid, "1.3.6.1.6.3.1.1.5.1"),
                           Line("10.0.0.7", kSysUpTime, "4242"),
                           Line("10.0.0.7", kSnmpTrapOid, Dotted(kLinkDown)),
                           Line("10.0.0.7", kIfIndex2, "2"), Line("10.0.0.7", kSysUpTime, "4343"),
                           Line("10.0.0.7", kSnmpTrapOid, "1.3.6.1.6.3.1.1.5.4"),
                           Line("10.0.0.7", kIfIndex2, "2")}));
}

// Values that are no text, and bindings that cannot be read, show as their bytes; the other
// bindings of their trap show as ever.
TEST_F(TrapListenerTest, BinaryAndUnreadableValuesShowAsTheirBytes) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    CUdpSender sender(m_port);
    ASSERT_TRUE(sender.Send(
        ber::V1Trap("public", kEnterprise, {10, 0, 0, 7}, 6, 1, 0,
                    {ber::Binding(kSysName, ber::Tlv(0x04, {0x00, 0x12, 0x79, 0x62, 0xF9, 0x40})),
                     ber::Binding(kPrivate, ber::Tlv(0x05, {0x00})),
                     ber::Binding(kIfIndex2, ber::String("Z\xC3\xBCrich")),
                     ber::Binding(kSysUpTime, ber::Tlv(0x46, {0x80}))})));
    ASSERT_TRUE(ServeUntilLines(6));
    EXPECT_EQ(Lines(), Joined({HeaderLines(),
                               {Line("10.0.0.7", kSysName, "00 12 79 62 F9 40"),
                                Line("10.0.0.7", kPrivate, "05 01 00"),
                                Line("10.0.0.7", kIfIndex2, "Z\xC3\xBCrich"),
                                Line("10.0.0.7", kSysUpTime, "128")}}));
}

TEST_F(TrapListenerTest, TrapsQueuedDuringADrainAreTakenInTheSameDrainInOrder) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    CUdpSender sender(m_port);
    ASSERT_TRUE(sender.Send(NumberedTrap(0)));
    // Once trap 0 has been taken, the listener is held in the addition of its line, which
    // waits for this thread. Traps 1 and 2 are queued behind it before this thread serves
    // anything, with the event set again; a listener that took one trap per wake-up would
    // lose trap 2.
    ASSERT_TRUE(TakenWithoutServing(1));
    ASSERT_TRUE(sender.Send(NumberedTrap(1)));
    ASSERT_TRUE(sender.Send(NumberedTrap(2)));
    ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == 3; }));
    ASSERT_TRUE(ServeUntilLines(9));
    EXPECT_EQ(Lines(), Joined({NumberedLines(0), NumberedLines(1), NumberedLines(2)}));
}

TEST_F(TrapListenerTest, EventSignalledWithAnEmptyQueueAddsNothing) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    HANDLE event = m_dlg->TrapEvent();
    SetEvent(event);
    // The listener resets the event before it drains: once reset, the empty drain is done.
    ASSERT_TRUE(ServeUntil([event] { return WaitForSingleObject(event, 0) == WAIT_TIMEOUT; }));
    CUdpSender sender(m_port);
    ASSERT_TRUE(sender.Send(NumberedTrap(5)));
    ASSERT_TRUE(ServeUntilLines(3));
    EXPECT_EQ(Lines(), NumberedLines(5));
    EXPECT_FALSE(m_dlg->TrapThread()->HasEnded());
}

TEST_F(TrapListenerTest, ClearWhileTrapsArriveEmptiesTheListAndLaterLinesFollow) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    constexpr int kTraps = 50000;
    // The first traps are let through while the window shows lines; the rest is held back
    // until then, and queued while this thread serves nothing: the window is far from the
    // last when Clear is clicked, however quick the machine.
    CTrapFlood flood(m_port, 100, [](int number) { return NumberedTrap(number); });
    ASSERT_TRUE(ServeUntilLines(10));
    flood.Allow(kTraps);
    ASSERT_TRUE(QueuedWithoutServing(kTraps));
    m_driver->Click(IDC_CLEAR);
    EXPECT_EQ(TrapList()->GetCount(), 0);
    // The list is read whole only at the end: copying it at every turn of a storm costs
    // time in proportion to its length, turn after turn.
    const std::string lastLine = NumberedLine(kTraps - 1);
    ASSERT_TRUE(ServeUntil([this, &lastLine] {
        CListBox* list = TrapList();
        std::string line;
        const int count = list->GetCount();
        return count > 0 && list->GetText(count - 1, &line) != LB_ERR && line == lastLine;
    }));
    // What follows the Clear is the rest of the traps, each once, in order (the first perhaps
    // without the head that came before the Clear): read from the last line back.
    const std::vector<std::string> lines = Lines();
    const int perTrap = kHeaderLines + 1;
    ASSERT_LT(lines.size(), static_cast<std::size_t>(kTraps * perTrap));
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int trap = kTraps - 1 - static_cast<int>(k) / perTrap;
        const std::size_t place =
            static_cast<std::size_t>(perTrap - 1 - static_cast<int>(k) % perTrap);
        ASSERT_EQ(lines[lines.size() - 1 - k], NumberedLines(trap)[place]) << k;
    }
}

// The notification log takes every trap the trap window shows, one row each and in order,
// and keeps them when the trap window is cleared.
TEST_F(TrapListenerTest, StormKeepsEveryTrapInTheLogAsInTheTrapWindow) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    constexpr int kTraps = 50000;
    CTrapFlood flood(m_port, kTraps, [](int number) { return NumberedTrap(number); });
    const CNotificationLog* log = m_dlg->NotificationLog();
    ASSERT_TRUE(ServeUntil([log] { return log->Count() >= kTraps / 2; }));
    m_driver->Click(IDC_CLEAR);
    ASSERT_TRUE(ServeUntil([log] { return log->Count() >= kTraps; }));
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().queued, static_cast<std::uint64_t>(kTraps));
    EXPECT_EQ(log->Count(), static_cast<std::size_t>(kTraps));
    EXPECT_EQ(log->Removed(), 0u);
    for (int i = 0; i < kTraps; ++i) {
        ASSERT_EQ(log->At(static_cast<std::uint64_t>(i) + 1)->BindingsShort(),
                  "enterprises.99.1=" + std::to_string(i))
            << i;
    }
    // The trap window's lines end with the last trap's.
    ASSERT_TRUE(ServeUntil([this] {
        std::string line;
        const int count = TrapList()->GetCount();
        return count > 0 && TrapList()->GetText(count - 1, &line) != LB_ERR &&
               line == NumberedLine(kTraps - 1);
    }));
}

TEST_F(TrapListenerTest, ClosingWhileIdleEndsTheListenerAndReleasesTheEvent) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    m_dlg->done(QDialog::Rejected);
    ExpectAcknowledgedStop();
    ExpectServiceReleased();
}

TEST_F(TrapListenerTest, ClosingDuringABurstEndsAfterTheTrapBeingShown) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    constexpr int kTraps = 2000;
    // Trap 0 goes first, alone. Once the listener has taken it, it waits in the addition of
    // trap 0's first line, since this thread serves nothing until it closes the dialog; the
    // rest of the burst is queued behind it meanwhile.
    CTrapFlood flood(m_port, 1, [](int number) { return NumberedTrap(number, 2); });
    ASSERT_TRUE(TakenWithoutServing(1));
    flood.Allow(kTraps);
    ASSERT_TRUE(QueuedWithoutServing(kTraps));
    m_dlg->done(QDialog::Rejected);
    ExpectAcknowledgedStop();
    // The drain stops between traps: the trap being shown comes whole, and what was still
    // queued went with the trap event.
    const std::string burst = Line("10.0.0.7", kSysName, "burst");
    EXPECT_EQ(Lines(), Joined({NumberedLines(0), {burst, burst}}));
    ExpectServiceReleased();
}

// What a storm must not break: every line shown once and in order, Clear at once, a Get
// between two lines, and the stop handshake.
TEST_F(TrapListenerTest, AStormLosesNoLineAndLeavesTheWindowUsable) {
    scripted::ScriptedAgent agent([](const scripted::Request& request) {
        scripted::Reply reply;
        reply.bindings = {{request.bindings.at(0).name, scripted::Octets(0x04, "calm")}};
        return reply;
    });
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    ASSERT_NO_FATAL_FAILURE(m_driver->Open(agent.Address(), "public"));

    constexpr int kTraps = 4000;
    constexpr int kBindings = 3;
    constexpr int kLinesPerTrap = kHeaderLines + kBindings;
    // The number of the last trap begun, once the lines are found to be traps that follow
    // each other without a gap, each with all its lines (a Clear may have cut the head of
    // the first, and the last may still be arriving); -1 when they are not.
    const auto lastOfTrapsInOrder = [this] {
        const std::vector<std::string> lines = Lines();
        const std::vector<std::string> header = HeaderLines();
        const std::string tail = Line("10.0.0.7", {1, 3}, "");
        std::size_t head = 0;
        while (head < lines.size() && lines[head] != header[0])
            ++head;
        if (head >= kLinesPerTrap || head + kHeaderLines >= lines.size()) {
            ADD_FAILURE() << head << " leading lines of " << lines.size();
            return -1;
        }
        const std::string& firstLine = lines[head + kHeaderLines];
        const int first = std::atoi(firstLine.c_str() + firstLine.rfind(':') + 1);
        for (std::size_t i = head; i < lines.size(); ++i) {
            const int trap = first + static_cast<int>(i - head) / kLinesPerTrap;
            const std::size_t place = (i - head) % kLinesPerTrap;
            const std::string expected = place < kHeaderLines    ? header[place]
                                         : place == kHeaderLines ? NumberedLine(trap)
                                                                 : tail;
            if (lines[i] != expected) {
                ADD_FAILURE() << "line " << i << ": " << lines[i] << "\nexpected " << expected;
                return -1;
            }
        }
        return first + static_cast<int>(lines.size() - head - 1) / kLinesPerTrap;
    };
    {
        // The storm is let out in steps. Each step is held back until the window has done
        // what must happen during the storm, and queued while this thread serves nothing, so
        // that the Clear and the Get fall in the middle of the storm however quick the
        // machine, and the storm goes on after the Get.
        constexpr int kStep = 200;
        CTrapFlood flood(m_port, kStep, [](int number) { return StormTrap(number, kBindings); });
        ASSERT_TRUE(ServeUntilLines(300));
        flood.Allow(2 * kStep);
        ASSERT_TRUE(QueuedWithoutServing(2 * kStep));
        m_driver->Click(IDC_CLEAR);
        EXPECT_EQ(TrapList()->GetCount(), 0);
        ASSERT_TRUE(ServeUntilLines(300));
        ASSERT_LT(lastOfTrapsInOrder(), 2 * kStep); // in order, and the rest held back
        flood.Allow(3 * kStep);
        ASSERT_TRUE(QueuedWithoutServing(3 * kStep));
        m_driver->SetText(IDC_OID, ".1.3.6.1.2.1.1.5.0");
        m_driver->Click(IDC_GET);
        EXPECT_EQ(m_driver->Text(IDC_VALUE), "calm");
        flood.Allow(kTraps);
        ASSERT_TRUE(ServeUntilLines(600));
        EXPECT_GE(lastOfTrapsInOrder(), 0);
        ASSERT_TRUE(ServeUntil([&flood] { return flood.Sent() == kTraps; }));
    }
    ASSERT_TRUE(ServeUntil([this] {
        std::string line;
        TrapList()->GetText(TrapList()->GetCount() - kBindings, &line);
        return line == NumberedLine(kTraps - 1);
    }));
    EXPECT_EQ(lastOfTrapsInOrder(), kTraps - 1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().overflow, 0u);

    // A second storm, ended by the stop handshake in its middle.
    CTrapFlood flood(m_port, CTrapFlood::kEndless,
                     [](int number) { return StormTrap(kTraps + number, kBindings); });
    ASSERT_TRUE(ServeUntilLines(TrapList()->GetCount() + 300));
    m_dlg->done(QDialog::Rejected);
    ExpectAcknowledgedStop();
    // The second storm's traps follow the first's, and the last one shown is whole.
    EXPECT_GE(lastOfTrapsInOrder(), kTraps);
    EXPECT_EQ(Lines()[Lines().size() - kBindings].find("Trap: IP:10.0.0.7 OID:iso."), 0u);
    EXPECT_EQ(Lines().back(), Line("10.0.0.7", {1, 3}, ""));
}

TEST_F(TrapListenerTest, ClosingDuringAContinuousFloodEndsPromptly) {
    struct Case {
        const char* name;
        int bindings;
    };
    const Case cases[] = {
        {"traps of three bindings", 3},
        {"the largest traps, 9,342 bindings each", 9342},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(ShowListening());
        CTrapFlood flood(m_port, CTrapFlood::kEndless, [bindings = c.bindings](int number) {
            return StormTrap(number, bindings);
        });
        ASSERT_TRUE(ServeUntilLines(kHeaderLines + c.bindings + 1));
        const auto start = std::chrono::steady_clock::now();
        m_dlg->done(QDialog::Rejected);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(m_dlg->isVisible());
        ExpectAcknowledgedStop();
        // The close waits for the trap being shown at most (68 ms for the largest on an idle
        // machine, some seconds when its 9,342 calls between threads wait on busy cores),
        // never for the sender, whose flood has no end: a bound far above the one trap.
        EXPECT_LT(took, std::chrono::seconds(60));
        EXPECT_GT(flood.Sent(), 0);
        m_driver.reset(); // and the service with it
    }
}

TEST_F(TrapListenerTest, ListenFailureShowsOneBoxAndTheDialogStaysUsable) {
    std::uint16_t held = 0;
    const int holder = BindLoopback(false, m_port, &held);
    ASSERT_GE(holder, 0);

    Show();
    ASSERT_TRUE(ServeUntil([this] { return m_dlg->TrapThread()->HasEnded(); }));
    ASSERT_TRUE(ServeUntil([this] { return !Boxes().empty(); }));
    EXPECT_EQ(m_dlg->TrapThread()->ExitCode(), 1u);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes().front().caption, "Listen Error");
    EXPECT_EQ(Boxes().front().text, SystemErrorText(SNMP_MGMTAPI_TRAP_PORT_IN_USE));
    EXPECT_TRUE(Boxes().front().type & MB_ICONERROR);

    // The dialog goes on without traps: its controls still work.
    m_driver->SetText(IDC_OID, ".1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(m_driver->Text(IDC_OID), ".1.3.6.1.2.1.1.5.0");
    m_driver->Click(IDC_CLEAR);
    EXPECT_EQ(TrapList()->GetCount(), 0);

    m_dlg->done(QDialog::Rejected); // the thread has ended: nothing to wait for
    EXPECT_EQ(m_dlg->TrapThread(), nullptr);
    EXPECT_EQ(Boxes().size(), 1u);
    close(holder);
}

TEST_F(TrapListenerTest, StopRequestedWhileRegisteringEndsAtTheFirstFlagTest) {
    std::atomic<bool> registering{false};
    Show(DialogDriver::Shown::Later);
    CManagerDlg* dlg = m_dlg;
    // Holds the listener inside SnmpMgrTrapListen until the stop has been requested.
    SnmpMgrSetTrapListenObserver([&] {
        registering = true;
        WaitUntil([&] { return dlg->TrapStopRequested(); });
    });
    m_driver->Show();
    ASSERT_TRUE(ServeUntil([&] { return registering.load(); }));
    EXPECT_EQ(m_dlg->TrapEvent(), nullptr); // nothing to signal yet
    m_dlg->done(QDialog::Rejected);
    ExpectAcknowledgedStop();
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(Boxes().empty());
    SnmpMgrSetTrapListenObserver(nullptr);
    ExpectServiceReleased(); // the listener listened, then closed its event at once
}

TEST_F(TrapListenerTest, BrokenDatagramsAddNothingAndTheNextTrapShows) {
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    const Bytes good = NumberedTrap(9);
    const std::vector<Bytes> broken = {
        {},
        {0x30, 0x03, 0x02, 0x01},
        Bytes(good.begin(), good.end() - 1),
        Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2)),
        // An inform in an SNMPv1 message, which has none.
        ber::Message(0, "public",
                     ber::Tlv(0xA6, ber::Concat({ber::Integer(1), ber::Integer(0), ber::Integer(0),
                                                 ber::Tlv(0x30, {})}))),
        Bytes(200, 0xFF),
    };
    CUdpSender sender(m_port);
    for (const Bytes& datagram : broken)
        ASSERT_TRUE(sender.Send(datagram));
    ASSERT_TRUE(sender.Send(good));
    ASSERT_TRUE(ServeUntilLines(3));
    EXPECT_EQ(Lines(), NumberedLines(9));
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().malformed, broken.size());
    EXPECT_FALSE(m_dlg->TrapThread()->HasEnded());
}

// The listener names its lines with the built-in names while MIB modules load, and with
// theirs from the moment they are published, traps arriving all the while.
TEST_F(TrapListenerTest, LinesAreNamedWhileTheModulesLoadAndByThemOnceRead) {
    CMibDirectory mibs;
    mibs.WriteGenerated(1, 3);
    mibs.HoldReader();
    SnmpMgrLoadMibModules();
    ASSERT_NO_FATAL_FAILURE(ShowListening());
    const Ids object = {1, 3, 6, 1, 4, 1, 50000, 1, 2, 0};
    const std::string builtIn = "iso.org.dod.internet.private.enterprises.50000.1.2.0";
    const std::string named =
        "iso.org.dod.internet.private.enterprises.genM0.genM0Objects.genM0Object2.0";
    const auto trap = [&object](int number) {
        return ber::V1Trap("public", kEnterprise, {10, 0, 0, 7}, 6, 1, 0,
                           {ber::Binding(object, ber::Integer(number))});
    };
    const auto line = [](const std::string& name, int number) {
        return "Trap: IP:10.0.0.7 OID:" + name + " Value:" + std::to_string(number);
    };
    const int perTrap = kHeaderLines + 1;
    CUdpSender sender(m_port);
    ASSERT_TRUE(sender.Send(trap(0)));
    ASSERT_TRUE(ServeUntilLines(perTrap));
    EXPECT_EQ(Lines()[kHeaderLines], line(builtIn, 0));

    std::atomic<bool> stop{false};
    std::atomic<int> sent{1};
    std::thread traffic([&] {
        CUdpSender flood(m_port);
        for (int i = 1; !stop; ++i) {
            while (!flood.Send(trap(i)) && !stop)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            sent = i + 1;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    ASSERT_TRUE(mibs.Release());
    ASSERT_TRUE(ServeUntil([] { return SnmpMgrWaitMibModulesForTesting(0); }));
    stop = true;
    traffic.join();
    const int last = sent;
    ASSERT_TRUE(sender.Send(trap(last)));
    ASSERT_TRUE(ServeUntilLines((last + 1) * perTrap));

    const std::vector<std::string> lines = Lines();
    bool seenNamed = false;
    for (int i = 0; i <= last; ++i) {
        const std::string& shown = lines[static_cast<size_t>(i * perTrap + kHeaderLines)];
        const bool isNamed = shown == line(named, i);
        EXPECT_TRUE(isNamed || (!seenNamed && shown == line(builtIn, i))) << shown;
        seenNamed = seenNamed || isNamed;
    }
    EXPECT_EQ(lines.back(), line(named, last));
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
