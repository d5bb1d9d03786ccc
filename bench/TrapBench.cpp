// Trap reception under bursts, side by side with net-snmp's snmptrapd in the same run.
//
// First the floor: what a bare blocking cross-thread call from a worker thread to a widget
// costs on this machine (a queued functor that appends to a vector and calls update()),
// beside what Okapel's dialog takes per trap line when the traps are already queued.
// Then, for each N (10,000 and 50,000 by default) and each pace (10,000 traps per second,
// and as fast as loopback takes them), N pre-encoded SNMPv1 traps with three bindings each
// go to Okapel's real dialog (offscreen) and then to snmptrapd on another loopback port.
// Printed for each: the share of traps shown (Okapel: lines / 5, the three bindings after the
// trap's sysUpTime.0 and snmpTrapOID.0) or logged (snmptrapd), the
// time from the first datagram until the last line appeared, and from the last datagram.
// Then the CPU time an idle dialog uses over 10 seconds and the time closing it takes; the
// time closing takes during a continuous flood; and the resident memory while a sender
// blasts the largest SNMPv1 traps (65,437 bytes, 9,342 bindings) for a minute, first at a
// busy dialog, then at one that shows them.
// Informs: a sender that waits for each answer measures the time from sending an inform to
// its answer (median and 99th percentile); then 10,000 informs from eight senders at once,
// each waiting for each answer and sending again after 1 s without one, are counted as
// answered and as shown (lines / 3) or logged. Okapel and snmptrapd side by side.
//
// SNMPv3 ("--v3"): N authPriv traps (SHA-256, AES; 10,000 by default) at 10,000 a second,
// each authenticated and decrypted, to Okapel with that user configured and to snmptrapd with
// the same user: the share shown or logged, and the time from the last datagram to the last
// line. The traps are a hundred distinct ones that snmptrap encoded from one engine, sent
// in turn.
//
// The notification log ("--log" alone, and after the cost per line in the whole run): the cost
// of one notification row, to make on the listener's thread and to take into a log whose
// window filters, beside the trap line's and the floor, and the memory a row takes; then
// 50,000 traps (linkDown and linkUp from two agents) at 10,000 a second to the dialog with
// its log window open and a filter set: the share in the log, the time from the last arrival
// until its row is in the table, and the window's answer to a key press meanwhile.
//
// SNMPv3 senders' engines ("--engines [N]"): authenticated traps from N engines (100,000 by
// default), one each: what the trap service keeps of them, the memory that takes, and whether
// the first engine's earlier trap stays refused once its user has gone.
//
// Usage: bench_traps [--per-line | --log | --informs | --v3 | --engines] [N...]     (snmptrapd from the Debian
// package of that name, if found; the MIB modules of MIBDIRS, or else of the machine, are
// read first)
#include "support/ResourceUse.h"
#include "support/TrapTraffic.h"
#include "support/UsmUsers.h"
#include "support/V3Messages.h"
#include "support/Wait.h"
#include "testing/SnmpTesting.h"
#include "traps/Notification.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/NotificationLog.h"
#include "ui/NotificationModel.h"
#include "ui/NotificationsDlg.h"
#include "ui/Resource.h"
#include "values/MibValues.h"
#include "values/Values.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace {

// The lines of one trap of three bindings: its sysUpTime.0 and snmpTrapOID.0, then the three.
constexpr int kLinesPerTrap = 5;

using Clock = std::chrono::steady_clock;
using Ids = std::vector<std::uint32_t>;

// How long nothing new may appear after the last datagram before a run counts as done.
constexpr auto kQuiet = std::chrono::seconds(3);

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::vector<Bytes> MakeTraps(int n) {
    const Ids enterprise = {1, 3, 6, 1, 4, 1, 8072, 2, 3};
    std::vector<Bytes> traps;
    traps.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        traps.push_back(
            ber::V1Trap("public", enterprise, {10, 0, 0, 7}, 6, 1, static_cast<std::uint32_t>(i),
                        {ber::Binding({1, 3, 6, 1, 4, 1, 99, 1}, ber::Integer(i)),
                         ber::Binding({1, 3, 6, 1, 2, 1, 1, 5, 0}, ber::String("bench-agent")),
                         ber::Binding({1, 3, 6, 1, 2, 1, 1, 6, 0}, ber::String("loopback"))}));
    }
    return traps;
}

// Sends the traps from a thread of its own, paced or not.
class CBurst {
public:
    CBurst(unsigned short port, const std::vector<Bytes>& traps, int perSecond)
        : m_thread([this, port, &traps, perSecond] {
              CUdpSender sender(port);
              const Clock::time_point start = Clock::now();
              for (std::size_t i = 0; i < traps.size(); ++i) {
                  if (perSecond > 0)
                      std::this_thread::sleep_until(
                          start + std::chrono::microseconds(i * 1000000 / perSecond));
                  if (sender.Send(traps[i]))
                      ++m_sent;
              }
              m_end = Clock::now();
              m_done = true;
          }) {}
    ~CBurst() { m_thread.join(); }

    bool Done() const { return m_done.load(); }
    Clock::time_point End() const { return m_end; }
    int Sent() const { return m_sent.load(); }

private:
    std::atomic<int> m_sent{0};
    std::atomic<bool> m_done{false};
    Clock::time_point m_end;
    std::thread m_thread;
};

struct Result {
    int shown = 0;       // traps shown or logged
    double lastLine = 0; // seconds from the first datagram to the last line
    double lastSent = 0; // seconds from the first datagram to the last
    int sent = 0;
    std::string note;
};

// Watches a count until it reaches `target`, or stays unchanged for kQuiet after the burst.
Result Watch(CBurst& burst, Clock::time_point start, int target, const std::function<int()>& count,
             const std::function<void()>& serve) {
    Result result;
    Clock::time_point lastChange = start;
    for (;;) {
        serve();
        const int now = count();
        if (now != result.shown) {
            result.shown = now;
            lastChange = Clock::now();
        }
        if (result.shown >= target)
            break;
        if (burst.Done() && Clock::now() - std::max(lastChange, burst.End()) > kQuiet)
            break;
    }
    result.lastLine = Seconds(lastChange - start);
    result.lastSent = Seconds(burst.End() - start);
    result.sent = burst.Sent();
    return result;
}

// Runs `body(dlg, port)` with a dialog shown and listening on a free test port; false when
// its listener did not start. The trap service is stopped again afterwards.
template <typename Body> bool WithListeningDialog(Body body) {
    const unsigned short port = FreeTrapTestPort();
    SnmpMgrSetTrapPortForTesting(port);
    bool started = false;
    {
        CManagerDlg dlg(nullptr);
        dlg.show();
        started = ServeUntil([&] { return dlg.TrapEvent() != nullptr; }, std::chrono::seconds(60));
        if (started)
            body(dlg, port);
    }
    SnmpMgrTrapServiceStopForTesting();
    return started;
}

// The dialog's thread blocks for its events as in the program's own loop while `more`;
// the timer only lets it look at the clock while nothing arrives.
void ServeWhile(const std::function<bool()>& more) {
    QTimer tick;
    tick.start(50);
    while (more())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void ServeFor(Clock::duration duration) {
    const Clock::time_point until = Clock::now() + duration;
    ServeWhile([until] { return Clock::now() < until; });
}

Result RunOkapel(const std::vector<Bytes>& traps, int perSecond) {
    Result result;
    const bool started = WithListeningDialog([&](CManagerDlg& dlg, unsigned short port) {
        CListBox* list = dlg.ListBox(IDC_TRAP_LIST);
        // The dialog's thread blocks for its events as in the program's own loop; the
        // timer only lets the watch look at the clock while nothing arrives.
        QTimer tick;
        tick.start(50);
        const Clock::time_point start = Clock::now();
        {
            CBurst burst(port, traps, perSecond);
            result = Watch(
                burst, start, static_cast<int>(traps.size()),
                [list] { return list->GetCount() / kLinesPerTrap; },
                [] { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); });
        }
        const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
        // The window is still usable: Clear empties it at once.
        QTest::mouseClick(qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_CLEAR)),
                          Qt::LeftButton);
        const bool usable = list->GetCount() == 0;
        const Clock::time_point closing = Clock::now();
        dlg.done(0);
        char note[160];
        std::snprintf(note, sizeof note, "received %llu, overflow %llu, %s, closed in %.0f ms",
                      static_cast<unsigned long long>(counters.received),
                      static_cast<unsigned long long>(counters.overflow),
                      usable ? "window usable" : "WINDOW NOT USABLE",
                      Seconds(Clock::now() - closing) * 1000);
        result.note = note;
    });
    if (!started)
        result.note = "listener did not start";
    return result;
}

// Resident memory now and at its peak since the last ResetPeakRss, in MiB.
double StatusMiB(const char* field) {
    return static_cast<double>(StatusKiB(field)) / 1024.0;
}

// The floor: a worker thread makes `n` blocking calls into the dialog's thread, each a
// queued functor that appends to a vector and asks the widget for a repaint.
double FloorPerCall(int n) {
    QWidget widget;
    widget.show();
    std::vector<int> appended;
    std::atomic<bool> done{false};
    const Clock::time_point start = Clock::now();
    std::thread worker([&] {
        for (int i = 0; i < n; ++i)
            QMetaObject::invokeMethod(
                &widget,
                [&, i] {
                    appended.push_back(i);
                    widget.update();
                },
                Qt::BlockingQueuedConnection);
        done = true;
        QMetaObject::invokeMethod(
            &widget, [] {}, Qt::QueuedConnection); // a last wake-up
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double perCall = Seconds(Clock::now() - start) / n;
    worker.join();
    return perCall;
}

// The cost per line of each value text, as sent and as the MIB describes it, over the
// bindings of `traps` as the trap service decodes them: the best of five passes, in this
// thread's processor time, in seconds.
std::pair<double, double> ValueTextPerLine(const std::vector<Bytes>& traps) {
    std::vector<SnmpTrapRecord> records;
    const std::uint8_t sender[4] = {127, 0, 0, 1};
    for (const Bytes& datagram : traps) {
        SnmpTrapRecord record{};
        if (SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), sender, 4, &record))
            records.push_back(record);
    }
    const auto cpu = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    };
    double sent = 1e9, described = 1e9;
    size_t lines = 0;
    for (int pass = 0; pass < 5; ++pass) {
        lines = 0;
        double start = cpu();
        for (const SnmpTrapRecord& r : records)
            for (UINT i = 0; i < r.variableBindings.len; ++i, ++lines)
                SnmpUtilMemFree(values::FormatValue(&r.variableBindings.list[i].value));
        sent = std::min(sent, (cpu() - start) / static_cast<double>(lines));
        start = cpu();
        for (const SnmpTrapRecord& r : records)
            for (UINT i = 0; i < r.variableBindings.len; ++i)
                SnmpUtilMemFree(values::DescribeValue(&r.variableBindings.list[i]));
        described = std::min(described, (cpu() - start) / static_cast<double>(lines));
    }
    for (SnmpTrapRecord& r : records)
        SnmpTrapRecordFree(&r);
    return {sent, described};
}

// Okapel's cost per line: `n` traps of three bindings are queued while the dialog's thread
// is busy, then shown; the time from the dialog's return to its loop until the last line,
// per line.
double OkapelPerLine(const std::vector<Bytes>& traps) {
    double perLine = 0;
    WithListeningDialog([&](CManagerDlg& dlg, unsigned short port) {
        CListBox* list = dlg.ListBox(IDC_TRAP_LIST);
        {
            CBurst burst(port, traps, 0);
            while (!burst.Done() ||
                   SnmpMgrGetTrapServiceCounters().received < static_cast<unsigned>(burst.Sent()))
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const int lines = static_cast<int>(SnmpMgrGetTrapServiceCounters().queued) * kLinesPerTrap;
        const Clock::time_point start = Clock::now();
        ServeWhile([&] { return list->GetCount() < lines; });
        perLine = Seconds(Clock::now() - start) / std::max(1, lines);
        dlg.done(0);
    });
    return perLine;
}

// The largest SNMPv1 trap: 65,437 bytes, 9,342 bindings of a NULL value.
Bytes LargestTrap(std::uint32_t number) {
    return ber::V1Trap("", {1, 3, 6, 1, 4, 1, 8072, 2, 3}, {10, 0, 0, 7}, 6, 1, number,
                       std::vector<Bytes>(9342, ber::Binding({1, 3}, ber::Null())));
}

// Sends from a thread of its own until destroyed, `perSecond` datagrams a second or, with
// 0, as fast as the kernel takes them.
class CFlood {
public:
    CFlood(unsigned short port, std::vector<Bytes> traps, int perSecond = 0)
        : m_traps(std::move(traps)), m_thread([this, port, perSecond] {
              CUdpSender sender(port);
              const Clock::time_point start = Clock::now();
              for (std::size_t i = 0; !m_stop; ++i) {
                  if (perSecond > 0)
                      std::this_thread::sleep_until(
                          start + std::chrono::microseconds(i * 1000000 / perSecond));
                  if (sender.Send(m_traps[i % m_traps.size()]))
                      ++m_sent;
                  else
                      std::this_thread::sleep_for(std::chrono::microseconds(100));
              }
          }) {}
    ~CFlood() {
        m_stop = true;
        m_thread.join();
    }
    long Sent() const { return m_sent.load(); }

private:
    std::vector<Bytes> m_traps;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_sent{0};
    std::thread m_thread;
};

// Closing the dialog three seconds into a flood that goes on: the time done() takes.
void RunFloodClose(const char* what, std::vector<Bytes> traps, int perSecond) {
    WithListeningDialog([&](CManagerDlg& dlg, unsigned short port) {
        CFlood flood(port, std::move(traps), perSecond);
        ServeFor(std::chrono::seconds(3));
        const Clock::time_point closing = Clock::now();
        dlg.done(0);
        std::printf("closing 3 s into a flood of %s: %.0f ms (%ld sent, %d lines shown)\n", what,
                    Seconds(Clock::now() - closing) * 1000, flood.Sent(),
                    dlg.ListBox(IDC_TRAP_LIST)->GetCount());
    });
}

// Resident memory while the largest traps arrive for `busySeconds` at a dialog whose thread
// is busy, then for `showSeconds` at one that shows them.
void RunBlast(int busySeconds, int showSeconds) {
    WithListeningDialog([&](CManagerDlg& dlg, unsigned short port) {
        const double before = StatusMiB("VmRSS:");
        ResetPeakRss();
        std::vector<Bytes> traps;
        for (std::uint32_t i = 0; i < 8; ++i)
            traps.push_back(LargestTrap(i));
        std::printf("largest traps (%zu bytes, 9,342 bindings) blasted for %d s: RSS before %.0f "
                    "MiB\n",
                    traps[0].size(), busySeconds + showSeconds, before);
        CFlood flood(port, traps);
        // Busy: the dialog's thread does not look at its events, as during a long walk.
        std::this_thread::sleep_for(std::chrono::seconds(busySeconds));
        SnmpTrapServiceCounters c = SnmpMgrGetTrapServiceCounters();
        std::printf("  after %2d s at a busy dialog: RSS %.0f MiB, peak %.0f MiB; %llu received, "
                    "%llu queued, %llu dropped, queue %.1f MiB\n",
                    busySeconds, StatusMiB("VmRSS:"), StatusMiB("VmHWM:"),
                    static_cast<unsigned long long>(c.received),
                    static_cast<unsigned long long>(c.queued),
                    static_cast<unsigned long long>(c.overflow), c.queueBytes / 1048576.0);
        ServeFor(std::chrono::seconds(showSeconds));
        c = SnmpMgrGetTrapServiceCounters();
        std::printf("  then %2d s showing them: RSS %.0f MiB, peak %.0f MiB; %d lines shown, "
                    "%llu received, %llu dropped, queue %.1f MiB\n",
                    showSeconds, StatusMiB("VmRSS:"), StatusMiB("VmHWM:"),
                    dlg.ListBox(IDC_TRAP_LIST)->GetCount(),
                    static_cast<unsigned long long>(c.received),
                    static_cast<unsigned long long>(c.overflow), c.queueBytes / 1048576.0);
        const Clock::time_point closing = Clock::now();
        dlg.done(0);
        std::printf("  closing then: %.0f ms\n", Seconds(Clock::now() - closing) * 1000);
    });
}

std::string FindProgram(const char* name) {
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/", "/usr/local/sbin/"}) {
        const std::string path = std::string(dir) + name;
        if (access(path.c_str(), X_OK) == 0)
            return path;
    }
    return "";
}

// snmptrapd in the foreground with a configuration of its own (no authorization checks, no
// system configuration, no persistent state outside a directory of ours), logging one line
// per trap to a file; stopped by its process id.
class CTrapDaemon {
public:
    // `moreConf`: further lines of its configuration (an SNMPv3 user, for one).
    explicit CTrapDaemon(unsigned short port, const std::string& moreConf = "") {
        char dir[] = "/tmp/okapel-bench-trapd-XXXXXX";
        if (!mkdtemp(dir))
            return;
        m_dir = dir;
        m_log = m_dir + "/log";
        const std::string conf = m_dir + "/snmptrapd.conf";
        std::ofstream(conf) << "disableAuthorization yes\n" << moreConf;
        const std::string program = FindProgram("snmptrapd");
        std::vector<std::string> words = {program,
                                          "-f",
                                          "-n",
                                          "-Lf",
                                          m_log,
                                          "-C",
                                          "-c",
                                          conf,
                                          "-F",
                                          "trap %w\n",
                                          "udp:127.0.0.1:" + std::to_string(port)};
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {"SNMP_PERSISTENT_DIR=" + m_dir,
                                        "MIBS=", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
        std::vector<char*> envp;
        for (std::string& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        if (program.empty() ||
            posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
            m_pid = 0;
    }

    ~CTrapDaemon() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_dir.empty())
            std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    bool Started() {
        const Clock::time_point limit = Clock::now() + std::chrono::seconds(20);
        while (m_pid > 0 && Clock::now() < limit) {
            if (ReadLog().find("NET-SNMP version") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    int Traps() {
        // Read on from where the last look ended.
        std::ifstream log(m_log);
        log.seekg(m_offset);
        std::string line;
        while (std::getline(log, line)) {
            if (log.eof())
                break; // a line still being written: counted next time
            m_offset += static_cast<std::streamoff>(line.size() + 1);
            if (line.rfind("trap ", 0) == 0)
                ++m_traps;
        }
        return m_traps;
    }

private:
    std::string ReadLog() {
        std::ifstream log(m_log);
        return std::string(std::istreambuf_iterator<char>(log), {});
    }

    pid_t m_pid = 0;
    std::string m_dir;
    std::string m_log;
    std::streamoff m_offset = 0;
    int m_traps = 0;
};

Result RunTrapDaemon(const std::vector<Bytes>& traps, int perSecond,
                     const std::string& moreConf = "") {
    const unsigned short port = FreeTrapTestPort();
    CTrapDaemon daemon(port, moreConf);
    Result result;
    if (!daemon.Started()) {
        result.note = "snmptrapd not started (not installed?)";
        return result;
    }
    const Clock::time_point start = Clock::now();
    CBurst burst(port, traps, perSecond);
    result = Watch(
        burst, start, static_cast<int>(traps.size()), [&daemon] { return daemon.Traps(); },
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
    return result;
}

// --- Informs -----------------------------------------------------------------------------

// An SNMPv2c inform of three bindings (sysUpTime.0, snmpTrapOID.0 and one of its own).
Bytes MakeInform(std::int32_t requestId) {
    return ber::V2Trap(
        "public",
        {ber::Binding({1, 3, 6, 1, 2, 1, 1, 3, 0}, ber::Unsigned(1234, 0x43)),
         ber::Binding({1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}, ber::Oid({1, 3, 6, 1, 6, 3, 1, 1, 5, 3})),
         ber::Binding({1, 3, 6, 1, 4, 1, 99, 1}, ber::Integer(requestId))},
        0xA6, requestId);
}

// The request id of a Response, or -1 for anything else.
std::int64_t AnsweredId(const Bytes& datagram) {
    std::size_t pos = 0;
    ber::Element message;
    if (!ber::ReadElement(datagram, &pos, &message))
        return -1;
    const std::vector<ber::Element> parts = ber::Inside(message.contents);
    if (parts.size() != 3 || parts[2].tag != 0xA2)
        return -1;
    const std::vector<ber::Element> pdu = ber::Inside(parts[2].contents);
    return pdu.empty() ? -1 : ber::ReadInteger(pdu[0].contents);
}

// One sender's informs, each sent when the one before is answered and sent again after 1 s
// without an answer, at most five times.
struct InformSender {
    std::vector<double> answerSeconds; // from the last sending to the answer, per inform
    int answered = 0;                  // informs answered
    int answers = 0;                   // answers received, those to retransmissions included
    int resent = 0;

    void Run(unsigned short port, std::int32_t firstId, int count) {
        CUdpSender sender(port);
        for (std::int32_t id = firstId; id < firstId + count; ++id) {
            const Bytes inform = MakeInform(id);
            bool done = false;
            for (int sending = 0; sending < 6 && !done; ++sending) {
                resent += sending > 0;
                const Clock::time_point sent = Clock::now();
                sender.Send(inform);
                for (Bytes got = sender.Receive(1000); !got.empty() && !done;
                     got = done ? Bytes{} : sender.Receive(1000)) {
                    const std::int64_t answeredId = AnsweredId(got);
                    answers += answeredId >= 0;
                    done = answeredId == id;
                    if (done)
                        answerSeconds.push_back(Seconds(Clock::now() - sent));
                }
            }
            answered += done;
        }
        // Late answers to retransmissions still count.
        for (Bytes got = sender.Receive(200); !got.empty(); got = sender.Receive(200))
            answers += AnsweredId(got) >= 0;
    }
};

// `senders` senders of `count` informs each, at once, to `port`, while `serve` runs on this
// thread; what they saw, and the time from the first sending to the last answer.
std::vector<InformSender> SendInforms(unsigned short port, int senders, int count,
                                      const std::function<void(const std::atomic<int>&)>& serve,
                                      double* seconds) {
    std::vector<InformSender> results(static_cast<std::size_t>(senders));
    std::atomic<int> running{senders};
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < senders; ++i)
        threads.emplace_back([&, i] {
            results[static_cast<std::size_t>(i)].Run(port, 1000000 * (i + 1), count);
            --running;
        });
    serve(running);
    for (std::thread& t : threads)
        t.join();
    *seconds = Seconds(Clock::now() - start);
    return results;
}

void PrintInforms(const char* receiver, const std::vector<InformSender>& results, int sent,
                  double seconds, int shown, const std::string& note) {
    std::vector<double> times;
    int answered = 0, answers = 0, resent = 0;
    for (const InformSender& r : results) {
        times.insert(times.end(), r.answerSeconds.begin(), r.answerSeconds.end());
        answered += r.answered;
        answers += r.answers;
        resent += r.resent;
    }
    std::sort(times.begin(), times.end());
    const auto at = [&times](double share) {
        return times.empty() ? 0.0
                             : times[std::min(times.size() - 1,
                                              static_cast<std::size_t>(share * times.size()))];
    };
    std::printf("%-10s %7zu %6d %9d %8d %8d %8d %9.1f %9.1f %8.2fs  %s\n", receiver, results.size(),
                sent, answered, answers, resent, shown, at(0.5) * 1e6, at(0.99) * 1e6, seconds,
                note.c_str());
    std::fflush(stdout);
}

void RunInforms() {
    std::printf("\ninforms: each sender waits for each answer (1 s, at most five sendings more); "
                "times from sending to answer\n");
    std::printf("%-10s %7s %6s %9s %8s %8s %8s %9s %9s %9s\n", "receiver", "senders", "sent",
                "answered", "answers", "resent", "shown", "median us", "p99 us", "all");
    for (const auto& [senders, each] : {std::pair{1, 2000}, std::pair{8, 1250}}) {
        const int sent = senders * each;
        WithListeningDialog([&](CManagerDlg& dlg, unsigned short port) {
            CListBox* list = dlg.ListBox(IDC_TRAP_LIST);
            double seconds = 0;
            const std::vector<InformSender> results = SendInforms(
                port, senders, each,
                [&](const std::atomic<int>& running) {
                    ServeWhile([&] { return running.load() > 0 || list->GetCount() < 3 * sent; });
                },
                &seconds);
            ServeFor(std::chrono::milliseconds(500)); // a line shown twice would come meanwhile
            const SnmpTrapServiceCounters c = SnmpMgrGetTrapServiceCounters();
            char note[128];
            std::snprintf(note, sizeof note, "lines %d; %llu repeated, answered again, not shown",
                          list->GetCount(), static_cast<unsigned long long>(c.repeated));
            PrintInforms("okapel", results, sent, seconds, list->GetCount() / 3, note);
            dlg.done(0);
        });
        const unsigned short port = FreeTrapTestPort();
        CTrapDaemon daemon(port);
        if (!daemon.Started()) {
            std::printf("snmptrapd  not started (not installed?)\n");
            continue;
        }
        double seconds = 0;
        const std::vector<InformSender> results = SendInforms(
            port, senders, each,
            [](const std::atomic<int>& running) {
                while (running.load() > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            },
            &seconds);
        std::this_thread::sleep_for(kQuiet);
        PrintInforms("snmptrapd", results, sent, seconds, daemon.Traps(), "logged");
    }
}

// --- SNMPv3 traps --------------------------------------------------------------------------

constexpr const char* kV3User = "okSha256Aes";
constexpr const char* kV3Engine = "0x80001f8804b0bcbeef01";

// `n` authPriv traps of three bindings of the user's, made of a hundred distinct ones that
// snmptrap encoded from one engine (each trap's own salt and digest), sent in turn: the USM
// keeps no memory of messages seen, so each is authenticated and decrypted afresh.
std::vector<Bytes> MakeV3Traps(int n) {
    std::vector<Bytes> distinct;
    for (int i = 0; i < 100; ++i) {
        std::vector<std::string> arguments = UsmToolOptions(UsmTestUserNamed(kV3User));
        arguments.insert(arguments.end(),
                         {"-e", kV3Engine, "{target}", "77", "1.3.6.1.6.3.1.1.5.3",
                          "1.3.6.1.4.1.99.1", "i", std::to_string(i), "1.3.6.1.2.1.1.5.0", "s",
                          "bench-agent", "1.3.6.1.2.1.1.6.0", "s", "loopback"});
        Bytes trap = CaptureSnmpTrap(arguments);
        if (trap.empty())
            return {};
        distinct.push_back(std::move(trap));
    }
    std::vector<Bytes> traps;
    for (int i = 0; i < n; ++i)
        traps.push_back(distinct[static_cast<std::size_t>(i) % distinct.size()]);
    return traps;
}

// snmptrapd's line for the same user, made for the senders' engine.
std::string V3TrapDaemonUser() {
    const UsmTestUser& user = UsmTestUserNamed(kV3User);
    return std::string("createUser -e ") + kV3Engine + " " + user.name + " " +
           AuthProtocolName(user.authProtocol) + " " + user.authPassphrase + " " +
           PrivProtocolName(user.privProtocol) + " " + user.privPassphrase + "\n";
}

void RunV3Traps(int n) {
    const std::vector<Bytes> traps = MakeV3Traps(n);
    if (traps.empty()) {
        std::printf("snmptrap -v3 made no trap; skipping the SNMPv3 traps\n");
        return;
    }
    std::printf("SNMPv3 authPriv (SHA-256, AES) traps of %d bytes, user %s\n",
                static_cast<int>(traps.front().size()), kV3User);
    std::printf("%-10s %7s %-9s %7s %9s %10s %13s  %s\n", "receiver", "N", "pace", "sent", "shown",
                "last line", "after last", "notes");
    const auto print = [n](const char* receiver, const Result& r) {
        std::printf("%-10s %7d %-9s %7d %8.1f%% %9.3fs %10.1f ms  %s\n", receiver, n, "10000/s",
                    r.sent, 100.0 * r.shown / n, r.lastLine,
                    std::max(0.0, r.lastLine - r.lastSent) * 1000, r.note.c_str());
        std::fflush(stdout);
    };
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed(kV3User));
    SnmpMgrTrapSetUser(&user);
    const SnmpMgrTrapDrops before = SnmpMgrGetTrapDrops();
    print("okapel", RunOkapel(traps, 10000));
    const SnmpMgrTrapDrops after = SnmpMgrGetTrapDrops();
    std::printf("okapel: not shown by reason: unknown user %llu, wrong digest %llu, decryption "
                "%llu, time window %llu, level %llu, malformed %llu, queue full %llu\n",
                static_cast<unsigned long long>(after.unknownUser - before.unknownUser),
                static_cast<unsigned long long>(after.wrongDigest - before.wrongDigest),
                static_cast<unsigned long long>(after.decryption - before.decryption),
                static_cast<unsigned long long>(after.timeWindow - before.timeWindow),
                static_cast<unsigned long long>(after.securityLevel - before.securityLevel),
                static_cast<unsigned long long>(after.malformed - before.malformed),
                static_cast<unsigned long long>(after.queueFull - before.queueFull));
    const SnmpMgrSessionSettings none;
    SnmpMgrTrapSetUser(&none);
    print("snmptrapd", RunTrapDaemon(traps, 10000, V3TrapDaemonUser()));
}

// --- SNMPv3 senders' engines ------------------------------------------------------------------

// An authNoPriv (SHA) trap of okSha's from engine number `i` at boots 7, time 1000 (or at
// `boots`).
Bytes EngineTrap(std::uint32_t i, std::int64_t boots = 7) {
    V3MessageFields fields;
    fields.engine = {0x80, 0x00, 0x1f, 0x88, 0x04, 0x42, static_cast<std::uint8_t>(i >> 24),
                     static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                     static_cast<std::uint8_t>(i)};
    fields.boots = boots;
    fields.time = 1000;
    fields.user = "okSha";
    fields.authPassphrase = UsmTestUserNamed("okSha").authPassphrase;
    fields.reportable = false;
    const Bytes bindings =
        ber::Concat({ber::Binding({1, 3, 6, 1, 2, 1, 1, 3, 0}, ber::Unsigned(42, 0x43)),
                     ber::Binding({1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0},
                                  ber::Oid({1, 3, 6, 1, 6, 3, 1, 1, 5, 3}))});
    return V3Message(fields, ber::Tlv(0xA7, ber::Concat({ber::Integer(1), ber::Integer(0),
                                                         ber::Integer(0),
                                                         ber::Tlv(0x30, bindings)})));
}

// "--engines [N]": authenticated traps from N engines (100,000 by default), one each, to the
// trap service, the queue emptied as they come; then what the service keeps of the senders'
// engines (users for the last 1,024, boots and time for the rest) and the memory they take,
// and whether an earlier trap of the first engine, whose user went long ago, is still refused.
void RunEngines(std::uint32_t n) {
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed("okSha"));
    SnmpMgrTrapSetUser(&user);
    const unsigned short port = FreeTrapTestPort();
    SnmpMgrSetTrapPortForTesting(port);
    HANDLE event = nullptr;
    if (!SnmpMgrTrapListen(&event)) {
        std::printf("engines: the trap service did not listen\n");
        return;
    }
    const auto drain = [] {
        AsnObjectIdentifier enterprise;
        AsnOctetString agent;
        AsnInteger generic = 0;
        AsnInteger specific = 0;
        AsnTimeticks stamp = 0;
        SnmpVarBindList bindings;
        while (SnmpMgrGetTrap(&enterprise, &agent, &generic, &specific, &stamp, &bindings)) {
            SnmpUtilOidFree(&enterprise);
            if (agent.dynamic)
                SnmpUtilMemFree(agent.stream);
            SnmpUtilVarBindListFree(&bindings);
        }
    };
    CUdpSender sender(port);
    const long rssBefore = StatusKiB("VmRSS:");
    const Clock::time_point start = Clock::now();
    for (std::uint32_t i = 0; i < n; ++i) {
        sender.Send(EngineTrap(i));
        if (i % 512 == 511) {
            WaitUntil([i] {
                const SnmpTrapServiceCounters c = SnmpMgrGetTrapServiceCounters();
                return c.received >= i + 1;
            });
            drain();
        }
    }
    // Every trap queued or counted as dropped.
    const SnmpMgrTrapDrops start0 = SnmpMgrGetTrapDrops();
    const auto settled = [&start0](std::uint64_t count) {
        const SnmpMgrTrapDrops d = SnmpMgrGetTrapDrops();
        const std::uint64_t dropped = (d.unknownUser - start0.unknownUser) +
                                      (d.wrongDigest - start0.wrongDigest) +
                                      (d.decryption - start0.decryption) +
                                      (d.timeWindow - start0.timeWindow) +
                                      (d.securityLevel - start0.securityLevel) +
                                      (d.malformed - start0.malformed) +
                                      (d.queueFull - start0.queueFull);
        return SnmpMgrGetTrapServiceCounters().queued + dropped >= count;
    };
    WaitUntil([&] { return settled(n); });
    drain();
    const double seconds = Seconds(Clock::now() - start);
    const long rssAfter = StatusKiB("VmRSS:");
    const SnmpTrapServiceEngines engines = SnmpMgrGetTrapServiceEngines();
    const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
    std::printf("engines: %u authNoPriv traps, one from each engine, in %.1f s: %llu queued\n", n,
                seconds, static_cast<unsigned long long>(counters.queued));
    std::printf("engines kept with a user: %zu (Okapel's own included); with their boots and time "
                "alone: %zu, in %.2f MB (%.1f bytes each)\n",
                engines.withUser, engines.times, engines.timeBytes / 1e6,
                engines.times ? static_cast<double>(engines.timeBytes) / engines.times : 0.0);
    std::printf("resident memory: %.1f MB before, %.1f MB after (%+.1f MB)\n", rssBefore / 1024.0,
                rssAfter / 1024.0, (rssAfter - rssBefore) / 1024.0);
    const SnmpMgrTrapDrops before = SnmpMgrGetTrapDrops();
    sender.Send(EngineTrap(0, 6));
    WaitUntil([&] { return settled(n + 1); });
    const SnmpMgrTrapDrops after = SnmpMgrGetTrapDrops();
    std::printf("the first engine's trap at earlier boots: %s\n",
                after.timeWindow > before.timeWindow ? "refused (time window)" : "NOT refused");
    drain();
    CloseHandle(event);
    SnmpMgrTrapServiceStopForTesting();
    SnmpMgrSetTrapPortForTesting(0);
    const SnmpMgrSessionSettings none;
    SnmpMgrTrapSetUser(&none);
}

void RunIdle() {
    double used = 0;
    double closeMs = 0;
    const bool started = WithListeningDialog([&](CManagerDlg& dlg, unsigned short) {
        QEventLoop loop;
        const double before = CpuSeconds();
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        used = CpuSeconds() - before;
        const Clock::time_point closing = Clock::now();
        dlg.done(0);
        closeMs = Seconds(Clock::now() - closing) * 1000;
    });
    if (!started) {
        std::printf("idle: listener did not start\n");
        return;
    }
    std::printf("idle dialog, listening: %.1f ms CPU over 10 s (whole process)\n", used * 1000);
    std::printf("closing with an idle listener: %.2f ms\n", closeMs);
}

// --- The notification log -------------------------------------------------------------------

// A linkDown or linkUp (in turn) of three bindings from one of two agents (in turn), as the
// storms of the log's filter come: the filter of RunLogStorm matches a quarter of them.
std::vector<Bytes> MakeLinkTraps(int n) {
    std::vector<Bytes> traps;
    traps.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const auto link = static_cast<std::uint32_t>(3 + i % 2); // linkDown, linkUp
        traps.push_back(ber::V1Trap(
            "public", {1, 3, 6, 1, 4, 1, 8072},
            {10, 0, 0, static_cast<std::uint8_t>(7 + i / 2 % 2)},
            static_cast<std::int64_t>(link - 1), 0, static_cast<std::uint32_t>(i),
            {ber::Binding({1, 3, 6, 1, 2, 1, 2, 2, 1, 1, static_cast<std::uint32_t>(i % 48 + 1)},
                          ber::Integer(i % 48 + 1)),
             ber::Binding({1, 3, 6, 1, 2, 1, 2, 2, 1, 7, static_cast<std::uint32_t>(i % 48 + 1)},
                          ber::Integer(2)),
             ber::Binding({1, 3, 6, 1, 2, 1, 2, 2, 1, 8, static_cast<std::uint32_t>(i % 48 + 1)},
                          ber::Integer(2))}));
    }
    return traps;
}

// The notifications of `traps` as the listener makes them, from a loopback sender.
std::vector<NotificationRef> MakeNotifications(const std::vector<Bytes>& traps) {
    std::vector<NotificationRef> made;
    made.reserve(traps.size());
    SnmpMgrTrapOrigin origin;
    origin.senderLength = 4;
    origin.sender[0] = 127;
    origin.sender[3] = 1;
    origin.senderPort = 40000;
    origin.community = "public";
    for (const Bytes& datagram : traps) {
        SnmpTrapRecord trap{};
        if (!SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), origin.sender, 4, &trap))
            continue;
        const CBindingTexts texts(trap.variableBindings);
        made.push_back(
            CNotification::Make(origin, trap.agentAddress, trap.variableBindings, texts));
        SnmpTrapRecordFree(&trap);
    }
    return made;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The cost of one notification row, beside the floor and a trap line: making the record
// (on the listener's thread), and taking it into a log whose open window has a filter set
// (on the window's thread), each in processor time per row; and the memory a row takes.
void RunLogRowCost(double floor, double perLine) {
    const std::vector<Bytes> traps = MakeLinkTraps(100000);
    double make = 1e9;
    std::vector<NotificationRef> rows;
    for (int pass = 0; pass < 3; ++pass) {
        const double start = ThreadCpuSeconds();
        rows = MakeNotifications(traps);
        make = std::min(make, (ThreadCpuSeconds() - start) / static_cast<double>(rows.size()));
    }
    // Making includes decoding, which the trap line pays for already: take it out.
    double decode = 1e9;
    for (int pass = 0; pass < 3; ++pass) {
        const double start = ThreadCpuSeconds();
        for (const Bytes& datagram : traps) {
            SnmpTrapRecord trap{};
            const std::uint8_t sender[4] = {127, 0, 0, 1};
            if (SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), sender, 4, &trap)) {
                const CBindingTexts texts(trap.variableBindings);
                SnmpTrapRecordFree(&trap);
            }
        }
        decode = std::min(decode, (ThreadCpuSeconds() - start) / static_cast<double>(traps.size()));
    }
    CNotificationLog log;
    CNotificationsDlg window(
        &log, [](const char*, const char*, unsigned) {}, nullptr);
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("IDC_NOTIFICATION_FILTER"))
        ->setText(QStringLiteral("source:127.0.0.1 name:linkDown"));
    QCoreApplication::processEvents();
    // The rows of the passes above given back to the system, so that the rows kept are
    // counted in what becomes resident.
    rows.clear();
    malloc_trim(0);
    const double rssBefore = StatusMiB("VmRSS:");
    rows = MakeNotifications(traps);
    const double start = ThreadCpuSeconds();
    // In batches, as the log takes them every 40 ms at 10,000 a second.
    for (std::size_t i = 0; i < rows.size(); i += 400) {
        log.Append(std::vector<NotificationRef>(
            rows.begin() + static_cast<std::ptrdiff_t>(i),
            rows.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), i + 400))));
        QCoreApplication::processEvents();
    }
    const double take = (ThreadCpuSeconds() - start) / static_cast<double>(rows.size());
    const std::size_t count = log.Count();
    rows.clear();
    const double rssAfter = StatusMiB("VmRSS:");
    std::printf("notification row (traps of three bindings): %.2f us to make (%.2f us with the "
                "texts the lines share), %.2f us to take into a log whose window filters; a trap "
                "line %.1f us, the floor %.1f us\n",
                (make - decode) * 1e6, make * 1e6, take * 1e6, perLine * 1e6, floor * 1e6);
    std::printf("notification row memory: %.0f bytes counted against the log's bound, %.0f bytes "
                "resident (%zu rows, RSS %.0f -> %.0f MiB)\n\n",
                static_cast<double>(log.Bytes()) / static_cast<double>(count),
                (rssAfter - rssBefore) * 1048576.0 / static_cast<double>(count), count, rssBefore,
                rssAfter);
}

// Watches the log window's answer to input: a key press posted to its table every 50 ms,
// and the time until the table has it.
class CInputProbe : public QObject {
public:
    explicit CInputProbe(QWidget* target) : m_target(target) {
        target->installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_posted.time_since_epoch().count() != 0)
                return; // the last one is still waiting
            m_posted = Clock::now();
            QCoreApplication::postEvent(
                m_target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier));
        });
        m_timer.start(50);
    }
    std::vector<double> Answers() const { return m_answers; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_target && event->type() == QEvent::KeyPress &&
            m_posted.time_since_epoch().count() != 0) {
            m_answers.push_back(Seconds(Clock::now() - m_posted));
            m_posted = Clock::time_point();
        }
        return false;
    }

private:
    QWidget* m_target;
    QTimer m_timer;
    Clock::time_point m_posted{};
    std::vector<double> m_answers;
};

// Serves the dialog's thread while `more` and the burst is not done, or while what
// `progress` counts still grows: until it has not grown for kQuiet after the burst.
void ServeWhileComing(const CBurst& burst, const std::function<bool()>& more,
                      const std::function<std::size_t()>& progress) {
    std::size_t seen = progress();
    Clock::time_point changed = Clock::now();
    ServeWhile([&] {
        if (const std::size_t now = progress(); now != seen) {
            seen = now;
            changed = Clock::now();
        }
        return more() && !(burst.Done() && Clock::now() - std::max(changed, burst.End()) > kQuiet);
    });
}

// "123 ms" from the burst's last datagram to `when`, or "never".
std::string Since(const CBurst& burst, Clock::time_point when) {
    if (when.time_since_epoch().count() == 0)
        return "never";
    return std::to_string(static_cast<long>(Seconds(when - burst.End()) * 1000)) + " ms";
}

bool Unset(Clock::time_point when) {
    return when.time_since_epoch().count() == 0;
}

// `n` traps at 10,000 a second to the real dialog, first with the log window closed (the
// time from the last arrival to the last trap line and to the last row of the log), then with
// it open and a filter set that matches a quarter of them: the share in the log, the time
// from the last arrival until the last matching row is in the table, and the window's answer
// to input meanwhile.
void RunLogStorm(int n) {
    const std::vector<Bytes> traps = MakeLinkTraps(n);
    WithListeningDialog([&](CManagerDlg& dlg, unsigned short port) {
        CListBox* list = dlg.ListBox(IDC_TRAP_LIST);
        const CNotificationLog* log = dlg.NotificationLog();
        Clock::time_point lastLine{};
        Clock::time_point lastRow{};
        CBurst burst(port, traps, 10000);
        ServeWhileComing(
            burst,
            [&] {
                if (Unset(lastLine) && list->GetCount() >= n * 5)
                    lastLine = Clock::now();
                if (Unset(lastRow) && log->Count() >= static_cast<std::size_t>(n))
                    lastRow = Clock::now();
                return Unset(lastLine) || Unset(lastRow);
            },
            [&] { return static_cast<std::size_t>(list->GetCount()) + log->Count(); });
        std::printf("log window closed, %d traps at 10000/s: %zu in the log, %d trap lines; last "
                    "arrival to its last line: %s, to its row in the log: %s\n",
                    n, log->Count(), list->GetCount(), Since(burst, lastLine).c_str(),
                    Since(burst, lastRow).c_str());
        dlg.done(0);
    });
    WithListeningDialog([&](CManagerDlg& dlg, unsigned short port) {
        dlg.OnSysCommand(IDM_NOTIFICATIONS, 0);
        CNotificationsDlg* window = dlg.NotificationsWindow();
        window->findChild<QLineEdit*>(QStringLiteral("IDC_NOTIFICATION_FILTER"))
            ->setText(QStringLiteral("source:10.0.0.8 name:linkDown"));
        auto* table = window->findChild<QTableView*>(QStringLiteral("IDC_NOTIFICATION_LIST"));
        const CNotificationModel* model = window->Model();
        const CNotificationLog* log = dlg.NotificationLog();
        // The filter matches the linkDown traps (even numbers) of 10.0.0.8 (i / 2 odd).
        int lastMatching = n - 1;
        while (lastMatching >= 0 && !(lastMatching % 2 == 0 && lastMatching / 2 % 2 == 1))
            --lastMatching;
        CInputProbe probe(table);
        Clock::time_point rowShown{};
        CBurst burst(port, traps, 10000);
        ServeWhileComing(
            burst,
            [&] {
                if (Unset(rowShown) && model->Shown() > 0 &&
                    model->NumberAt(static_cast<int>(model->Shown()) - 1) ==
                        static_cast<std::uint64_t>(lastMatching) + 1)
                    rowShown = Clock::now();
                return Unset(rowShown);
            },
            [&] { return log->Count(); });
        std::vector<double> answers = probe.Answers();
        std::sort(answers.begin(), answers.end());
        const auto at = [&answers](double share) {
            return answers.empty()
                       ? 0.0
                       : answers[std::min(answers.size() - 1,
                                          static_cast<std::size_t>(share * answers.size()))];
        };
        std::printf("log window open, filter set, %d traps at 10000/s: %zu in the log (%.1f%%), "
                    "%zu shown, %d trap lines; last arrival to its row: %s; answer to input: "
                    "median %.1f ms, 99th %.1f ms, worst %.1f ms (%zu key presses)\n",
                    n, log->Count(), 100.0 * static_cast<double>(log->Count()) / n, model->Shown(),
                    dlg.ListBox(IDC_TRAP_LIST)->GetCount(), Since(burst, rowShown).c_str(),
                    at(0.5) * 1000, at(0.99) * 1000, answers.empty() ? 0.0 : answers.back() * 1000,
                    answers.size());
        dlg.done(0);
    });
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The machine's MIB modules (MIBDIRS, if set), read as the program reads them, so that
    // the lines are named from the whole name table.
    SnmpMgrLoadMibModules();
    QApplication app(argc, argv);
    if (SnmpMgrWaitMibModulesForTesting(600000))
        std::printf("MIB modules read%s%s\n\n", std::getenv("MIBDIRS") ? " from " : "",
                    std::getenv("MIBDIRS") ? std::getenv("MIBDIRS") : "");
    CManagerDlg::SetMessageHook([](const CManagerDlg::MessageRecord& box) {
        std::printf("box: %s: %s\n", box.caption.c_str(), box.text.c_str());
    });
    // "--per-line": the floor and the cost per line alone, for a profiler; "--informs": the
    // informs alone.
    const bool perLineOnly = argc > 1 && std::strcmp(argv[1], "--per-line") == 0;
    // "--log": the notification log's figures alone.
    const bool logOnly = argc > 1 && std::strcmp(argv[1], "--log") == 0;
    if (argc > 1 && std::strcmp(argv[1], "--v3") == 0) {
        RunV3Traps(argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000);
        CManagerDlg::SetMessageHook(nullptr);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--engines") == 0) {
        RunEngines(argc > 2 ? static_cast<std::uint32_t>(std::max(1, std::atoi(argv[2]))) : 100000);
        CManagerDlg::SetMessageHook(nullptr);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--informs") == 0) {
        RunInforms();
        CManagerDlg::SetMessageHook(nullptr);
        return 0;
    }
    std::vector<int> sizes;
    for (int i = perLineOnly || logOnly ? 2 : 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {10000, 50000};

    {
        const double floor = FloorPerCall(100000);
        const double okapel = OkapelPerLine(MakeTraps(10000));
        std::printf("floor: a bare blocking cross-thread call: %.1f us\n", floor * 1e6);
        std::printf("okapel: per trap line, traps already queued: %.1f us (%.2f times the floor; "
                    "goal: at most 2)\n",
                    okapel * 1e6, okapel / floor);
        // The trap line with its value as the MIB describes it: the line's cost with the
        // difference between the two value texts added.
        const auto [sent, described] = ValueTextPerLine(MakeTraps(10000));
        const double withMeaning = okapel + described - sent;
        std::printf("value text per trap line: as sent %.2f us, as the MIB describes it %.2f us; "
                    "a trap line with it %.1f us (%.2f times the floor; goal: at most 2)\n\n",
                    sent * 1e6, described * 1e6, withMeaning * 1e6, withMeaning / floor);
        RunLogRowCost(floor, okapel);
        if (logOnly) {
            RunLogStorm(argc > 2 ? sizes.front() : 50000);
            return 0;
        }
    }
    if (perLineOnly)
        return 0;
    std::printf("%-10s %7s %-9s %7s %9s %10s %11s  %s\n", "receiver", "N", "pace", "sent", "shown",
                "last line", "after last", "notes");
    for (int n : sizes) {
        const std::vector<Bytes> traps = MakeTraps(n);
        for (int perSecond : {10000, 0}) {
            const char* pace = perSecond ? "10000/s" : "unpaced";
            const auto print = [&](const char* receiver, const Result& r) {
                std::printf("%-10s %7d %-9s %7d %8.1f%% %9.2fs %10.2fs  %s\n", receiver, n, pace,
                            r.sent, 100.0 * r.shown / n, r.lastLine,
                            std::max(0.0, r.lastLine - r.lastSent), r.note.c_str());
                std::fflush(stdout);
            };
            print("okapel", RunOkapel(traps, perSecond));
            print("snmptrapd", RunTrapDaemon(traps, perSecond));
        }
    }
    RunLogStorm(50000);
    RunInforms();
    RunIdle();
    RunFloodClose("8,000 traps/s of three bindings", MakeTraps(1000), 8000);
    RunFloodClose("3-binding traps, unpaced", MakeTraps(1000), 0);
    RunFloodClose("2 largest traps/s", {LargestTrap(0)}, 2);
    RunFloodClose("the largest traps, unpaced", {LargestTrap(0)}, 0);
    RunBlast(30, 30);
    CManagerDlg::SetMessageHook(nullptr);
    return 0;
}
