// The live counters watching 100 objects of the demo agent (snmpd, SNMPv2c): the processor
// time of a round of the window (the poll's request, its answer read, the rows and the graph
// brought up to date), driven one round after another and at the 1 s interval, beside one
// snmpget of the same 100 objects from the same agent in the same run (its process's
// processor time). Prints its figures and asserts nothing.
//
//   bench_watch [rounds]
#include "support/DemoAgent.h"
#include "support/ResourceUse.h"

#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "ui/WatchDlg.h"
#include "ui/WatchModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kObjects = 100;

// Serves the window's events, asleep while there are none: the round's end arrives as one.
void ServeUntil(const std::function<bool()>& done) {
    QTimer wake; // a waiting that no event ends still looks at `done` now and then
    wake.start(100);
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::vector<UINT> Ids(const std::string& dotted) {
    std::vector<UINT> ids;
    std::istringstream parts(dotted);
    for (std::string part; std::getline(parts, part, '.');) {
        if (!part.empty())
            ids.push_back(static_cast<UINT>(std::stoul(part)));
    }
    return ids;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 50;
    QApplication app(argc, argv);
    CManagerDlg::SetMessageHook([](const CManagerDlg::MessageRecord& m) {
        std::fprintf(stderr, "box: %s: %s\n", m.caption.c_str(), m.text.c_str());
    });
    DemoAgent agent;
    if (!agent.Start()) {
        std::fprintf(stderr, "the demo agent did not start\n");
        return 1;
    }
    // The first 100 instances of MIB-II that the agent serves, by their numbers.
    std::vector<std::string> names;
    {
        std::istringstream lines(agent.Tool("snmpwalk", "-v2c -On -Oq .1.3.6.1.2.1"));
        for (std::string line; std::getline(lines, line) && names.size() < kObjects;) {
            const std::string name = line.substr(0, line.find(' '));
            if (!name.empty() && name[0] == '.')
                names.push_back(name);
        }
    }
    std::vector<std::vector<UINT>> objects;
    for (const std::string& name : names)
        objects.push_back(Ids(name));

    CManagerDlg dlg(nullptr);
    dlg.show();
    QApplication::processEvents();
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    dlg.SetSessionSettings(settings);
    dlg.SetDlgItemText(IDC_IPADDRESS, agent.Address().c_str());
    dlg.SetDlgItemText(IDC_COMMUNITY, DemoAgent::Community());
    dlg.OnOpen();
    if (!dlg.Session()) {
        std::fprintf(stderr, "no session\n");
        return 1;
    }
    dlg.OpenWatch(objects);
    CWatchDlg* watch = dlg.WatchWindow();
    watch->SetInterval(CWatchDlg::kLongestIntervalS);
    ServeUntil([watch] { return watch->Rounds() >= 1 && !watch->RoundUnderWay(); });

    // One round after another.
    double cpu = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < rounds; ++i) {
        const int before = watch->Rounds();
        watch->RunRound();
        ServeUntil([watch, before] { return watch->Rounds() > before; });
    }
    const double backToBackCpuMs = (CpuSeconds(RUSAGE_SELF) - cpu) * 1000.0 / rounds;
    const double backToBackWallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6 / rounds;

    // At the 1 s interval for ten seconds, the idle time between the rounds included.
    watch->SetInterval(1);
    const int startRounds = watch->Rounds();
    cpu = CpuSeconds(RUSAGE_SELF);
    wall.restart();
    ServeUntil([&wall] { return wall.elapsed() >= 10000; });
    const int timed = watch->Rounds() - startRounds;
    const double intervalCpuMs = (CpuSeconds(RUSAGE_SELF) - cpu) * 1000.0 / std::max(1, timed);

    // snmpget of the same objects, the same number of times.
    std::string args = "-v2c -On";
    for (const std::string& name : names)
        args += " " + name;
    const int toolRuns = std::min(rounds, 20);
    const double toolCpu = CpuSeconds(RUSAGE_CHILDREN);
    wall.restart();
    std::size_t toolLines = 0;
    for (int i = 0; i < toolRuns; ++i) {
        const std::string out = agent.Tool("snmpget", args);
        toolLines = static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n'));
    }
    const double toolCpuMs = (CpuSeconds(RUSAGE_CHILDREN) - toolCpu) * 1000.0 / toolRuns;
    const double toolWallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6 / toolRuns;

    int answered = 0;
    for (int r = 0; r < watch->Model()->rowCount(); ++r)
        answered += !watch->Model()->Text(r, CWatchModel::kValue).isEmpty();
    std::printf("Live counters, %zu objects of snmpd (SNMPv2c), %d rows with a value\n",
                objects.size(), answered);
    std::printf(
        "  window, round after round: %.2f ms processor, %.2f ms wall per round (%d rounds)\n",
        backToBackCpuMs, backToBackWallMs, rounds);
    std::printf("  window at 1 s for 10 s:    %.2f ms processor per round (%d rounds)\n",
                intervalCpuMs, timed);
    std::printf("  snmpget of the same:       %.2f ms processor, %.2f ms wall per run "
                "(%d runs, %zu lines)\n",
                toolCpuMs, toolWallMs, toolRuns, toolLines);
    std::printf("  ratio (snmpget / window round): %.1fx\n", toolCpuMs / backToBackCpuMs);
    dlg.OnClose();
    dlg.done(QDialog::Rejected);
    return 0;
}
