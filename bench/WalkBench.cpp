// Get All through the real dialog (offscreen), measured side by side with net-snmp's tools
// on the same agent: an SNMPv1 session beside snmpwalk, an SNMPv2c one (GetBulk) beside
// snmpbulkwalk, an SNMPv3 one at authPriv (SHA-256, AES) beside snmpbulkwalk -v3 with the
// same user, the SNMPv2c walk's rate at bulk sizes from 5 to 1,000, and the SNMPv1 walk
// against scripted agents of 10,000 and 100,000 objects; and the SNMPv1 walk with its values
// as the MIB describes them (the machine's modules read) beside the same walk as sent.
// Prints figures; asserts nothing.
//
//   bench_walk [rounds]     (default 5 rounds of each walk, alternating)
//   bench_walk --v3 [rounds]
//                           the SNMPv3 comparison alone
//   bench_walk --cancel     the time from Cancel to the window taking commands again
//   bench_walk --described [rounds]
//                           the walk with values as the MIB describes them alone
//   bench_walk --agent HOST:PORT COMMUNITY [ROOT]
//                           one walk of another agent in each version beside the tools: SNMPv2c
//                           with the default settings, SNMPv1 with a time-out of 5,000 ms
#include "support/DemoAgent.h"
#include "support/ResourceUse.h"
#include "support/ScriptedAgent.h"
#include "support/UsmUsers.h"

#include "snmp/RequestList.h"
#include "snmpapi/SnmpApi.h"
#include "testing/SnmpTesting.h"
#include "values/LineBinding.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/MibValues.h"
#include "values/Values.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

// This thread's processor time: the cost of a text on a machine that other work keeps busy.
double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct WalkFigure {
    int lines = 0;
    double seconds = 0;
    double cpuSeconds = 0; // the walker's processor time: ours, or the tool's process's
};

// One Get All from `root` as the operator runs it.
WalkFigure DialogWalk(CManagerDlg& dlg, const char* root) {
    dlg.SetDlgItemText(IDC_OID, root);
    const double cpu = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    dlg.OnGetAll();
    WalkFigure figure;
    figure.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    figure.cpuSeconds = CpuSeconds(RUSAGE_SELF) - cpu;
    figure.lines = dlg.ListBox(IDC_WALK_LIST)->GetCount();
    QApplication::processEvents();
    return figure;
}

// A net-snmp tool's walk ("snmpwalk -v1", "snmpbulkwalk -v2c -Cr50") of the same subtree
// with -On, its output counted but not kept: one line per object, and the line that says the
// agent's view ends not counted.
WalkFigure ToolWalk(const std::string& tool, const std::string& address, const char* root,
                    const std::string& community = "walnut") {
    const std::string command =
        "exec " + tool + " -c '" + community + "' -On -m '' " + address + " " + root;
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    FILE* out = popen(command.c_str(), "r");
    WalkFigure figure;
    char line[8192];
    while (out && std::fgets(line, sizeof line, out))
        figure.lines += line[0] == '.' && !std::strstr(line, "No more variables left");
    if (out)
        pclose(out);
    figure.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    figure.cpuSeconds = CpuSeconds(RUSAGE_CHILDREN) - cpu;
    return figure;
}

// The same walk through the layer alone, one GetNext after another without formatting or
// the list: the network round trips and the library's work.
double RoundTripsOnly(LPSNMP_MGR_SESSION session, const char* root, int* steps) {
    AsnObjectIdentifier oid{};
    SnmpMgrStrToOid(root, &oid);
    CRequestList request;
    request.Build(&oid);
    AsnInteger status = 0, index = 0;
    QElapsedTimer timer;
    timer.start();
    *steps = 0;
    while (SnmpMgrRequest(session, SNMP_PDU_GETNEXT, request.List(), &status, &index) &&
           status == 0 && SnmpUtilOidNCmp(&request.Binding().name, &oid, oid.idLength) == 0) {
        ++*steps;
        SnmpUtilAsnAnyFree(&request.Binding().value);
        request.Binding().value.asnType = ASN_NULL;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    SnmpUtilOidFree(&oid);
    return seconds;
}

// Opens a session with `settings`; SNMPv1 with the defaults when none are given.
void OpenSession(CManagerDlg& dlg, const std::string& address,
                 const SnmpMgrSessionSettings& settings = {},
                 const std::string& community = "walnut") {
    if (dlg.Session())
        dlg.OnClose();
    dlg.SetSessionSettings(settings);
    dlg.SetDlgItemText(IDC_IPADDRESS, address.c_str());
    dlg.SetDlgItemText(IDC_COMMUNITY, community.c_str());
    dlg.OnOpen();
}

SnmpMgrSessionSettings Version2c(int bulkSize = SnmpMgrSessionSettings{}.bulkSize) {
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    settings.bulkSize = bulkSize;
    return settings;
}

// The SNMPv3 user of the comparison, and net-snmp's tools' options for it.
constexpr const char* kV3User = "okSha256Aes";

SnmpMgrSessionSettings Version3() {
    return UsmSettings(UsmTestUserNamed(kV3User));
}

std::string V3ToolOptions() {
    std::string options;
    for (const std::string& option : UsmToolOptions(UsmTestUserNamed(kV3User)))
        options += " '" + option + "'";
    return options;
}

std::string SessionName(const SnmpMgrSessionSettings& settings) {
    const std::string bulk = ", bulk size " + std::to_string(settings.bulkSize);
    if (settings.version == SNMP_MGR_VERSION_1)
        return "SNMPv1";
    if (settings.version == SNMP_MGR_VERSION_2C)
        return "SNMPv2c" + bulk;
    return "SNMPv3 authPriv SHA-256/AES" + bulk;
}

// Our walk and the tool's of the whole agent, alternating: the totals' rates, the best
// round's of each, which a shared machine disturbs least, and the least processor time per
// object of each walker, which the machine's other work disturbs less still.
struct SideBySide {
    double ourRate = 0;
    double theirRate = 0;
    int objects = 0;
    double ourBest = 0;
    double theirBest = 0;
    double ourCpu = 1e9; // microseconds per object
    double theirCpu = 1e9;
};

SideBySide Alternate(CManagerDlg& dlg, const std::string& tool, const std::string& address,
                     int rounds, bool print) {
    double ourTotal = 0, theirTotal = 0;
    int ourLines = 0, theirLines = 0;
    double ourBest = 0, theirBest = 0;
    double ourCpu = 1e9, theirCpu = 1e9;
    DialogWalk(dlg, ".1.3.6.1"); // warm both agent and caches once
    for (int i = 0; i < rounds; ++i) {
        const WalkFigure ours = DialogWalk(dlg, ".1.3.6.1");
        const WalkFigure theirs = ToolWalk(tool, address, ".1.3.6.1");
        ourTotal += ours.seconds;
        theirTotal += theirs.seconds;
        ourLines += ours.lines;
        theirLines += theirs.lines;
        ourBest = std::max(ourBest, ours.lines / ours.seconds);
        theirBest = std::max(theirBest, theirs.lines / theirs.seconds);
        ourCpu = std::min(ourCpu, ours.cpuSeconds * 1e6 / std::max(1, ours.lines));
        theirCpu = std::min(theirCpu, theirs.cpuSeconds * 1e6 / std::max(1, theirs.lines));
        if (print)
            std::printf("%-6d %10d %10d %12.0f %12.0f %10.3f\n", i + 1, ours.lines, theirs.lines,
                        ours.lines / ours.seconds, theirs.lines / theirs.seconds,
                        (ours.lines / ours.seconds) / (theirs.lines / theirs.seconds));
    }
    return {ourLines / ourTotal,
            theirLines / theirTotal,
            ourLines / rounds,
            ourBest,
            theirBest,
            ourCpu,
            theirCpu};
}

void CompareWithTool(CManagerDlg& dlg, const std::string& address,
                     const SnmpMgrSessionSettings& settings, const std::string& tool, int rounds,
                     const char* goal) {
    OpenSession(dlg, address, settings);
    std::printf("\nGet All of .1.3.6.1 on the demo agent (snmpd), %s, against %s -On, %d rounds "
                "alternating\n",
                SessionName(settings).c_str(), tool.c_str(), rounds);
    std::printf("%-6s %10s %10s %12s %12s %10s\n", "round", "objects", "tool's", "okapel/s",
                "tool/s", "ratio");
    const SideBySide all = Alternate(dlg, tool, address, rounds, true);
    std::printf("all    %10d %10s %12.0f %12.0f %10.3f   (goal: ratio >= %s)\n", all.objects, "",
                all.ourRate, all.theirRate, all.ourRate / all.theirRate, goal);
    std::printf("best   %10s %10s %12.0f %12.0f %10.3f\n", "", "", all.ourBest, all.theirBest,
                all.ourBest / all.theirBest);
    std::printf("processor time per object, least of the rounds: okapel %.2f us, the tool %.2f us "
                "(the agent's own not counted)\n",
                all.ourCpu, all.theirCpu);
}

// The SNMPv2c walk's rate by its bulk size, beside snmpbulkwalk asking for as many: what
// the default bulk size is chosen by.
void BulkSizes(CManagerDlg& dlg, const std::string& address, int rounds) {
    std::printf("\nGet All of .1.3.6.1 by GetBulk, by bulk size, beside snmpbulkwalk -Cr of the "
                "same size (best of %d rounds alternating)\n",
                rounds);
    std::printf("%10s %10s %12s %14s %10s %12s %12s\n", "bulk size", "objects", "okapel/s",
                "snmpbulkwalk/s", "ratio", "okapel us/o", "tool us/o");
    for (int size : {5, 10, 25, 50, 100, 200, 500, 1000}) {
        OpenSession(dlg, address, Version2c(size));
        const SideBySide all =
            Alternate(dlg, "snmpbulkwalk -v2c -Cr" + std::to_string(size), address, rounds, false);
        std::printf("%10d %10d %12.0f %14.0f %10.3f %12.2f %12.2f\n", size, all.objects,
                    all.ourBest, all.theirBest, all.ourBest / all.theirBest, all.ourCpu,
                    all.theirCpu);
        std::fflush(stdout);
    }
}

// The SNMPv3 walk at authPriv beside snmpbulkwalk -v3 with the same user, at the tool's own
// bulk size and at ours.
void CompareV3(CManagerDlg& dlg, const std::string& address, int rounds) {
    const std::string tool = "snmpbulkwalk" + V3ToolOptions();
    CompareWithTool(dlg, address, Version3(), tool, rounds, "1.0; the tool's own bulk size, 10");
    CompareWithTool(dlg, address, Version3(), tool + " -Cr" + std::to_string(Version3().bulkSize),
                    rounds, "1.0");
}

// The SNMPv1 walk of the demo agent with its values as the MIB describes them beside the same
// walk as sent: the walk as the operator runs it, and the cost per line of each value text,
// the best of five passes over the walk's own bindings, in processor time; the rate with the
// described text is the walk's with the difference added to each line.
void DescribedWalk(CManagerDlg& dlg, const std::string& address, int rounds) {
    SnmpMgrLoadMibModules();
    SnmpMgrWaitMibModulesForTesting(600000);
    OpenSession(dlg, address, SnmpMgrSessionSettings{});
    std::vector<double> seconds;
    int lines = 0;
    for (int round = 0; round < rounds; ++round) {
        const WalkFigure figure = DialogWalk(dlg, ".1.3.6.1");
        seconds.push_back(figure.seconds);
        lines = figure.lines;
    }
    std::sort(seconds.begin(), seconds.end());
    const double walk = seconds[seconds.size() / 2];
    CListBox* list = dlg.ListBox(IDC_WALK_LIST);
    std::vector<CLineBinding> kept(static_cast<size_t>(list->GetCount()));
    std::vector<SnmpVarBind> bindings;
    for (int i = 0; i < list->GetCount(); ++i)
        if (list->GetBinding(i, &kept[static_cast<size_t>(i)]))
            bindings.push_back(kept[static_cast<size_t>(i)].View());
    double sent = 1e9, described = 1e9;
    for (int pass = 0; pass < 5; ++pass) {
        double start = ThreadCpuSeconds();
        for (const SnmpVarBind& vb : bindings)
            SnmpUtilMemFree(values::FormatValue(&vb.value));
        sent = std::min(sent, (ThreadCpuSeconds() - start) / static_cast<double>(bindings.size()));
        start = ThreadCpuSeconds();
        for (const SnmpVarBind& vb : bindings)
            SnmpUtilMemFree(values::DescribeValue(&vb));
        described = std::min(described,
                             (ThreadCpuSeconds() - start) / static_cast<double>(bindings.size()));
    }
    const double describedWalk = walk + static_cast<double>(lines) * (described - sent);
    std::printf("\nGet All of .1.3.6.1 on the demo agent, SNMPv1, the machine's MIB modules read, "
                "%d objects:\n",
                lines);
    std::printf("value text per line: as sent %.2f us, as the MIB describes it %.2f us\n",
                sent * 1e6, described * 1e6);
    std::printf("walk as sent %.0f objects/s; with values as the MIB describes them %.0f objects/s "
                "(ratio %.3f; goal: at least 0.95)\n",
                lines / walk, lines / describedWalk, walk / describedWalk);
    std::fflush(stdout);
    dlg.OnClose();
    SnmpMgrMibModulesStopForTesting();
}

void CompareWithTheTools(CManagerDlg& dlg, int rounds, bool v3Only) {
    DemoAgent agent;
    if (!agent.Start({}, UsmAgentLines())) {
        std::printf("demo agent did not start; skipping the comparison with the tools\n");
        return;
    }
    if (!v3Only) {
        const int bulk = SnmpMgrSessionSettings{}.bulkSize;
        CompareWithTool(dlg, agent.Address(), SnmpMgrSessionSettings{}, "snmpwalk -v1", rounds,
                        "0.95");
        CompareWithTool(dlg, agent.Address(), Version2c(), "snmpbulkwalk -v2c", rounds,
                        "1.0; the tool's own bulk size, 10");
        CompareWithTool(dlg, agent.Address(), Version2c(),
                        "snmpbulkwalk -v2c -Cr" + std::to_string(bulk), rounds, "1.0");
    }
    CompareV3(dlg, agent.Address(), rounds);
    if (!v3Only) {
        BulkSizes(dlg, agent.Address(), rounds);
        DescribedWalk(dlg, agent.Address(), rounds);
    }
    dlg.OnClose();
}

// One walk of another agent (an snmpsim recording, say) in each version beside the tools.
void WalkAnotherAgent(CManagerDlg& dlg, const std::string& address, const std::string& community,
                      const char* root) {
    const auto print = [](const char* who, const WalkFigure& figure) {
        std::printf("%-44s %8d objects %9.1f s %9.0f objects/s\n", who, figure.lines,
                    figure.seconds, figure.lines / figure.seconds);
        std::fflush(stdout);
    };
    OpenSession(dlg, address, Version2c(), community);
    const std::string v2c = "okapel SNMPv2c, bulk size " + std::to_string(Version2c().bulkSize);
    print(v2c.c_str(), DialogWalk(dlg, root));
    print("snmpbulkwalk -v2c", ToolWalk("snmpbulkwalk -v2c", address, root, community));
    const std::string same = "snmpbulkwalk -v2c -Cr" + std::to_string(Version2c().bulkSize);
    print(same.c_str(), ToolWalk(same, address, root, community));
    SnmpMgrSessionSettings v1;
    v1.timeoutMs = 5000;
    OpenSession(dlg, address, v1, community);
    print("okapel SNMPv1, time-out 5,000 ms, 3 retries", DialogWalk(dlg, root));
    print("snmpwalk -v1 -t 5 -r 3", ToolWalk("snmpwalk -v1 -t 5 -r 3", address, root, community));
    dlg.OnClose();
}

// From Cancel to the window taking commands again (the command's handler has returned and
// its button is enabled), for a Get and a walk that wait on an agent that has fallen
// silent at the longest time-out; Cancel is pressed half a second into each request.
void CancelTimes(CManagerDlg& dlg, int count) {
    std::printf("\nFrom Cancel to the window taking commands again (%d of each, time-out "
                "60,000 ms)\n",
                count);
    std::printf("%-34s %10s %10s\n", "request", "median ms", "worst ms");
    auto answered = std::make_shared<std::atomic<int>>(0);
    scripted::TableAgent table;
    for (std::uint32_t i = 1; i <= 100; ++i)
        table.objects[{1, 3, 6, 1, 4, 1, 99, i, 0}] = scripted::Integer(i);
    // Answers the first three requests of each walk (none of a Get), then falls silent.
    scripted::ScriptedAgent agent([&table, answered](const scripted::Request& request) {
        if (request.pduType == 0xA1 && ++*answered <= 3)
            return table(request);
        return scripted::Silence();
    });
    agent.KeepRequests(false);
    agent.Start();
    SnmpMgrSessionSettings settings;
    settings.timeoutMs = 60000;
    OpenSession(dlg, agent.Address(), settings);
    for (const bool walk : {false, true}) {
        std::vector<double> ms;
        for (int i = 0; i < count; ++i) {
            *answered = 0;
            QElapsedTimer sinceCancel;
            QTimer::singleShot(500, &dlg, [&dlg, &sinceCancel] {
                sinceCancel.start();
                dlg.findChild<QAbstractButton*>(QStringLiteral("IDC_CANCEL_REQUEST"))->click();
            });
            dlg.SetDlgItemText(IDC_OID, walk ? ".1.3.6.1.4.1.99" : ".1.3.6.1.4.1.99.1.0");
            walk ? dlg.OnGetAll() : dlg.OnGet();
            ms.push_back(static_cast<double>(sinceCancel.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-34s %10.2f %10.2f\n", walk ? "Get All, after three lines" : "Get",
                    ms[ms.size() / 2], ms.back());
    }
    std::fflush(stdout);
    dlg.OnClose();
}

// The walk's own cost per line is the walk's time less that of the same round trips made
// without formatting or the list; both are the best of a few alternating rounds, since the
// machine is shared. Memory: what the first walk's peak adds to the resident memory that the
// agent's table and everything else already take, per line, beside the lines' own text.
void ScaleWalks(CManagerDlg& dlg, int rounds) {
    std::printf("\nGet All against a scripted agent: growth with the number of objects "
                "(best of %d rounds)\n",
                rounds);
    std::printf("%10s %10s %14s %10s %16s %18s %16s\n", "objects", "walk s", "round trips s",
                "lines/s", "us/line outside", "peak RSS added", "bytes/line (text)");
    double firstOutside = 0;
    for (int count : {10000, 100000}) {
        scripted::TableAgent table;
        for (int i = 1; i <= count; ++i)
            table.objects[{1, 3, 6, 1, 4, 1, 99, 1, static_cast<std::uint32_t>(i)}] =
                scripted::Octets(0x04, "value of object " + std::to_string(i));
        scripted::ScriptedAgent agent(table);
        agent.KeepRequests(false);
        agent.Start();
        OpenSession(dlg, agent.Address());
        dlg.ListBox(IDC_WALK_LIST)->ResetContent();
        double walkBest = 1e9;
        double tripsBest = 1e9;
        int lines = 0;
        double peakAdded = 0;
        double textPerLine = 0;
        for (int round = 0; round < rounds; ++round) {
            const long before = StatusKiB("VmRSS:");
            ResetPeakRss();
            const WalkFigure walk = DialogWalk(dlg, ".1.3.6.1.4.1.99");
            if (round == 0) {
                peakAdded = static_cast<double>(StatusKiB("VmHWM:") - before) * 1024.0;
                CListBox* list = dlg.ListBox(IDC_WALK_LIST);
                double text = 0;
                std::string line;
                for (int i = 0; i < list->GetCount(); ++i)
                    text += list->GetText(i, &line);
                textPerLine = text / std::max(1, list->GetCount());
            }
            lines = walk.lines;
            walkBest = std::min(walkBest, walk.seconds);
            int steps = 0;
            tripsBest =
                std::min(tripsBest, RoundTripsOnly(dlg.Session(), ".1.3.6.1.4.1.99", &steps));
        }
        const double outside = (walkBest - tripsBest) * 1e6 / std::max(1, lines);
        if (firstOutside == 0)
            firstOutside = outside;
        std::printf("%10d %10.2f %14.2f %10.0f %16.2f %14.1f MiB %9.0f (%.0f)\n", lines, walkBest,
                    tripsBest, lines / walkBest, outside, peakAdded / 1048576.0,
                    peakAdded / std::max(1, lines), textPerLine);
        if (count == 100000)
            std::printf("per line outside at 100,000 / at 10,000: %.2f (goal: at most 1.5); "
                        "peak bytes per line / text: %.2f (goal: at most 2)\n",
                        outside / firstOutside, peakAdded / std::max(1, lines) / textPerLine);
        dlg.ListBox(IDC_WALK_LIST)->ResetContent();
        dlg.OnClose();
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const bool v3Only = argc > 1 && std::strcmp(argv[1], "--v3") == 0;
    const int roundsAt = v3Only ? 2 : 1;
    const int rounds = argc > roundsAt ? std::max(1, std::atoi(argv[roundsAt])) : 5;
    CManagerDlg::SetMessageHook([](const CManagerDlg::MessageRecord& box) {
        if (box.caption != "Listen Error")
            std::printf("box: %s: %s\n", box.caption.c_str(), box.text.c_str());
    });
    CManagerDlg dlg(nullptr);
    dlg.show();
    QApplication::processEvents();
    if (argc > 1 && std::strcmp(argv[1], "--described") == 0) {
        DemoAgent agent;
        if (agent.Start())
            DescribedWalk(dlg, agent.Address(), argc > 2 ? std::max(1, std::atoi(argv[2])) : 5);
        dlg.done(QDialog::Rejected);
        return 0;
    }
    if (argc > 3 && std::strcmp(argv[1], "--agent") == 0) {
        WalkAnotherAgent(dlg, argv[2], argv[3], argc > 4 ? argv[4] : ".1.3.6.1");
        dlg.done(QDialog::Rejected);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--cancel") == 0) {
        CancelTimes(dlg, 20);
        dlg.done(QDialog::Rejected);
        return 0;
    }
    CompareWithTheTools(dlg, rounds, v3Only);
    if (!v3Only) {
        ScaleWalks(dlg, 3);
        CancelTimes(dlg, 20);
    }
    dlg.done(QDialog::Rejected);
    return 0;
}
