// Names from many MIB modules: generated modules (1,000 of 50 objects each by default) in a
// directory given through MIBDIRS. Prints, each as the median of alternating rounds: the
// time to a shown window (offscreen) with no load against one with the load running beside
// it; the time from the start of a load until its names are in force; the resident memory
// that the names add to a fresh process (a child started for it: the figure of a program
// that has loaded nothing before); then the cost of one name written and read with the
// names in force. Then the MIB browser, with the machine's modules and the tests' own alone
// and with the generated ones beside them: the window opened and drawn, each key typed into
// the find box (over every node), a node's details, and the memory that the definitions take
// (descriptions included) beside snmptranslate -m ALL -Td of every node. Asserts nothing.
//
//   bench_mibs [modules [objects [rounds]]] [--keep DIRECTORY]
//   bench_mibs --large MEGABYTES
//
// With --keep the modules are written to DIRECTORY and left there, for instance for
// `MIBDIRS=DIRECTORY bench_traps --per-line`, which loads them as the program does.
// With --large, one generated module of about that size beside the machine's modules: the
// time until the machine's modules' names are in force and until the large module's are,
// with its directory first in MIBDIRS (where net-snmp's list has ~/.snmp/mibs, whose modules
// it reads last) and last (read first), and snmptranslate's time on the same modules.
#include "support/MibDirectory.h"
#include "support/ResourceUse.h"
#include "support/TestModules.h"

#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"
#include "testing/SnmpTesting.h"
#include "ui/ManagerDlg.h"
#include "ui/MibBrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QWindow>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// This thread's processor time: the cost of a name on a machine that other work keeps busy.
double ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool Named(const std::vector<UINT>& ids, const char* name) {
    AsnObjectIdentifier oid{static_cast<UINT>(ids.size()), const_cast<UINT*>(ids.data())};
    char* text = nullptr;
    if (!SnmpMgrOidToStr(&oid, &text))
        return false;
    const bool named = std::strstr(text, name) != nullptr;
    SnmpUtilMemFree(text);
    return named;
}

// In the child that --memory starts: the resident memory before a load, after it and at the
// peak, with nothing else done in the process.
int MemoryChild() {
    Named({1, 3, 6, 1}, "iso"); // the built-in table, as the program has it from the start
    const long before = StatusKiB("VmRSS:");
    SnmpMgrLoadMibModules();
    while (!SnmpMgrWaitMibModulesForTesting(1)) {
    }
    std::printf("%ld %ld %ld\n", before, StatusKiB("VmRSS:"), StatusKiB("VmHWM:"));
    return 0;
}

void PrintFreshMemory() {
    // popen's shell would be /proc/self/exe to the child: the program's own path instead.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    FILE* child = popen(("'" + self + "' --memory-child").c_str(), "r");
    long before = 0, after = 0, peak = 0;
    if (!child || std::fscanf(child, "%ld %ld %ld", &before, &after, &peak) != 3) {
        std::printf("the memory child did not answer\n");
    } else {
        std::printf("resident memory, fresh process:  %8.1f MiB before the load, %.1f MiB after "
                    "(%+.1f MiB; peak %+.1f MiB)\n",
                    static_cast<double>(before) / 1024, static_cast<double>(after) / 1024,
                    static_cast<double>(after - before) / 1024,
                    static_cast<double>(peak - before) / 1024);
    }
    if (child)
        pclose(child);
}

double SecondsSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// One generated module of about `megabytes` beside the machine's modules.
int LargeModule(int megabytes) {
    CMibDirectory directory;
    const int objects = megabytes * 6350; // about 165 bytes an object
    directory.WriteGenerated(1, objects);
    std::ifstream file(directory.Path() + "/GENERATED-0-MIB.txt", std::ios::ate);
    std::printf("one generated module of %d objects, %.1f MB, beside the machine's modules\n",
                objects, static_cast<double>(file.tellg()) / 1e6);
    const std::string machine = "/usr/share/snmp/mibs:/usr/share/snmp/mibs/iana:"
                                "/usr/share/snmp/mibs/ietf";
    const std::vector<UINT> machineObject{1, 3, 6, 1, 4, 1, 8072, 1}; // NET-SNMP-MIB
    const std::vector<UINT> largeObject{1, 3, 6, 1, 4, 1, 50000, 1, static_cast<UINT>(objects)};
    for (const bool largeFirstInList : {true, false}) {
        const std::string dirs =
            largeFirstInList ? directory.Path() + ":" + machine : machine + ":" + directory.Path();
        setenv("MIBDIRS", dirs.c_str(), 1);
        SnmpMgrMibModulesStopForTesting();
        QElapsedTimer timer;
        timer.start();
        SnmpMgrLoadMibModules();
        double machineNamed = -1, largeNamed = -1;
        while (!SnmpMgrWaitMibModulesForTesting(1)) {
            if (machineNamed < 0 && Named(machineObject, "netSnmpObjects"))
                machineNamed = SecondsSince(timer);
            if (largeNamed < 0 && Named(largeObject, "Object"))
                largeNamed = SecondsSince(timer);
        }
        const double ended = SecondsSince(timer);
        if (machineNamed < 0 && Named(machineObject, "netSnmpObjects"))
            machineNamed = ended;
        if (largeNamed < 0 && Named(largeObject, "Object"))
            largeNamed = ended;
        std::printf("large module's directory %s in MIBDIRS: the machine's names after %.2f s, "
                    "the large module's after %.2f s, load ended after %.2f s\n",
                    largeFirstInList ? "first" : "last ", machineNamed, largeNamed, ended);
    }
    QElapsedTimer timer;
    timer.start();
    const std::string command = "snmptranslate -M '" + std::string(getenv("MIBDIRS")) + ":" +
                                OKAPEL_SOURCE_DIR "/mibs' -m ALL .1.3.6.1.4.1.50000.1.1 "
                                                  ">/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        std::printf("(snmptranslate failed)\n");
    std::printf("snmptranslate -m ALL on the same modules: %.2f s\n", SecondsSince(timer));
    return 0;
}

// From construction until the window is shown and exposed.
double ShowWindowMs() {
    QElapsedTimer timer;
    timer.start();
    double ms = 0;
    {
        CManagerDlg dlg(nullptr);
        dlg.show();
        while (!(dlg.windowHandle() && dlg.windowHandle()->isExposed()))
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        dlg.done(QDialog::Rejected);
    }
    QApplication::processEvents();
    return ms;
}

double LoadMs() {
    QElapsedTimer timer;
    timer.start();
    SnmpMgrLoadMibModules();
    while (!SnmpMgrWaitMibModulesForTesting(1)) {
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

std::vector<UINT> ObjectInstance(int module, int object) {
    return {1, 3, 6, 1, 4, 1, static_cast<UINT>(50000 + module), 1, static_cast<UINT>(object), 0};
}

double MsSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// The value that 95 of each 100 stay within.
double Percentile95(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * 95 / 100];
}

// snmptranslate -m ALL -Td of every node (every label matches "."), on the same modules: its
// time and its peak of resident memory.
void PrintTranslateAll(const std::string& directories) {
    const std::string dirs = directories + ":" OKAPEL_SOURCE_DIR "/mibs";
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("snmptranslate", "snmptranslate", "-M", dirs.c_str(), "-m", "ALL", "-TB", ".", "-Td",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::printf("  (snmptranslate -Td of every node failed)\n");
        return;
    }
    std::printf("  snmptranslate -m ALL -Td of every node: %.2f s, peak resident memory %.1f MiB\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e9,
                static_cast<double>(usage.ru_maxrss) / 1024);
}

// The browser with the names in force.
void BrowserFigures(const std::string& directories, int rounds) {
    setenv("MIBDIRS", directories.c_str(), 1);
    SnmpMgrMibModulesStopForTesting();
    LoadMs();
    const auto table = mibnames::Current();
    std::printf("  %d nodes; the table takes %.1f MiB, of which the definitions %.1f MiB\n",
                table->Count(), static_cast<double>(table->Bytes()) / (1 << 20),
                static_cast<double>(table->DefinitionBytes()) / (1 << 20));
    CManagerDlg dlg(nullptr);
    dlg.show();
    QApplication::processEvents();
    // Opened and drawn: from the command until the window is exposed and painted whole.
    std::vector<double> open;
    for (int round = 0; round < rounds; ++round) {
        delete dlg.MibBrowser();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        dlg.OnMibBrowser();
        CMibBrowser* browser = dlg.MibBrowser();
        while (!(browser->windowHandle() && browser->windowHandle()->isExposed()))
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        browser->grab();
        open.push_back(MsSince(timer));
    }
    CMibBrowser* browser = dlg.MibBrowser();
    auto* find = browser->findChild<QLineEdit*>("IDC_MIB_FIND");
    // Each key: the prefixes of words as they are typed, and one that no name holds, which
    // looks at every node for every key.
    std::vector<double> keys;
    for (int round = 0; round < rounds; ++round) {
        for (const char* word : {"operst", "genM999Object50", "tvHundredths", "zqzqzqzqzq"}) {
            std::string typed;
            for (const char* c = word; *c; ++c) {
                typed += *c;
                QElapsedTimer timer;
                timer.start();
                find->setText(QString::fromStdString(typed));
                browser->Find(false);
                QApplication::processEvents();
                keys.push_back(MsSince(timer));
            }
        }
    }
    // A node's details: nodes across the whole tree.
    std::vector<double> details;
    for (int node = 0; node < table->Count(); node += std::max(1, table->Count() / 500)) {
        QElapsedTimer timer;
        timer.start();
        browser->ShowNode(node);
        QApplication::processEvents();
        details.push_back(MsSince(timer));
    }
    std::printf("  browser opened and drawn:  %7.1f ms median, %.1f ms at most (goal: within "
                "100 ms)\n",
                Median(open), Max(open));
    std::printf("  each key in the find box:  %7.2f ms median, %.2f ms for 95 in 100, %.2f ms at "
                "most over %zu keys (goal: within 20 ms)\n",
                Median(keys), Percentile95(keys), Max(keys), keys.size());
    std::printf("  a node's details:          %7.2f ms median, %.2f ms for 95 in 100, %.2f ms at "
                "most over %zu nodes (goal: within 5 ms)\n",
                Median(details), Percentile95(details), Max(details), details.size());
    dlg.done(QDialog::Rejected);
    SnmpMgrMibModulesStopForTesting();
    PrintTranslateAll(directories);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is measured
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc > 1 && std::strcmp(argv[1], "--memory-child") == 0)
        return MemoryChild();
    if (argc > 2 && std::strcmp(argv[1], "--large") == 0)
        return LargeModule(std::atoi(argv[2]));
    std::vector<int> numbers;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc)
            keep = argv[++i];
        else
            numbers.push_back(std::atoi(argv[i]));
    }
    const int modules = numbers.size() > 0 ? numbers[0] : 1000;
    const int objects = numbers.size() > 1 ? numbers[1] : 50;
    const int rounds = numbers.size() > 2 ? numbers[2] : 7;

    CMibDirectory directory;
    directory.WriteGenerated(modules, objects);
    if (!keep.empty()) {
        std::string command =
            "mkdir -p '" + keep + "' && cp " + directory.Path() + "/* '" + keep + "'";
        if (std::system(command.c_str()) != 0)
            std::printf("could not copy the modules to %s\n", keep.c_str());
    }
    std::printf("%d generated modules of %d objects each in MIBDIRS\n", modules, objects);

    QApplication app(argc, argv);
    ShowWindowMs(); // the first window pays for fonts and styles once

    // Each round shows a window with no load and one with a load started just before it,
    // in alternating order, then times a load on its own.
    std::vector<double> windowNone, windowLoading, ready, startCall;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            SnmpMgrMibModulesStopForTesting();
            if ((round + turn) % 2 == 0) {
                windowNone.push_back(ShowWindowMs());
                continue;
            }
            QElapsedTimer timer;
            timer.start();
            SnmpMgrLoadMibModules();
            startCall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            windowLoading.push_back(ShowWindowMs());
            if (SnmpMgrWaitMibModulesForTesting(0))
                std::printf("  (round %d: the load ended before the window showed)\n", round);
            while (!SnmpMgrWaitMibModulesForTesting(1)) {
            }
        }
        SnmpMgrMibModulesStopForTesting();
        ready.push_back(LoadMs());
    }
    const double none = Median(windowNone), loading = Median(windowLoading);
    const double bestNone = *std::min_element(windowNone.begin(), windowNone.end());
    const double bestLoading = *std::min_element(windowLoading.begin(), windowLoading.end());
    std::printf("shown window, no load:           %8.1f ms  (best %.1f ms)\n", none, bestNone);
    std::printf("shown window, load beside it:    %8.1f ms  (best %.1f ms; %+.1f%%, best %+.1f%%; "
                "goal: within 10%%)\n",
                loading, bestLoading, (loading / none - 1) * 100,
                (bestLoading / bestNone - 1) * 100);
    std::printf("starting a load (the call):      %8.2f ms\n", Median(startCall));
    std::printf("load until the names are ready:  %8.1f ms\n", Median(ready));

    SnmpMgrMibModulesStopForTesting();
    PrintFreshMemory();
    LoadMs();

    // The names are in force: every object's instance, written and read.
    std::vector<std::vector<UINT>> ids;
    for (int m = 0; m < modules; ++m)
        for (int k = 1; k <= objects; ++k)
            ids.push_back(ObjectInstance(m, k));
    // Each pass over every object's instance, in processor time; the best of five passes.
    std::vector<std::string> texts;
    int named = 0;
    double writeNs = 1e18, readNs = 1e18;
    int readBack = 0;
    for (int pass = 0; pass < 5; ++pass) {
        texts.clear();
        named = 0;
        double start = ThreadCpuNs();
        for (auto& id : ids) {
            AsnObjectIdentifier oid{static_cast<UINT>(id.size()), id.data()};
            char* text = nullptr;
            if (SnmpMgrOidToStr(&oid, &text)) {
                texts.emplace_back(text);
                named += std::strstr(text, "Object") != nullptr;
                SnmpUtilMemFree(text);
            }
        }
        writeNs = std::min(writeNs, (ThreadCpuNs() - start) / static_cast<double>(ids.size()));
        start = ThreadCpuNs();
        readBack = 0;
        for (const std::string& text : texts) {
            AsnObjectIdentifier oid{};
            readBack += SnmpMgrStrToOid(text.c_str(), &oid) != FALSE;
            SnmpUtilOidFree(&oid);
        }
        readNs = std::min(readNs, (ThreadCpuNs() - start) / static_cast<double>(texts.size()));
    }
    std::printf(
        "one name written (OidToStr):     %8.0f ns  (goal: at most 1000; %d of %zu named)\n",
        writeNs, named, ids.size());
    std::printf("one name read (StrToOid):        %8.0f ns  (%d read back)\n", readNs, readBack);
    std::printf("example: %s\n", texts.empty() ? "" : texts.back().c_str());

    const std::string machine = std::string(kTestModulesDir) + ":" + kMachineModulesDir;
    std::printf("\nMIB browser, the machine's modules and the tests' own (%s):\n", machine.c_str());
    BrowserFigures(machine, rounds);
    std::printf("\nMIB browser, with the %d generated modules beside them:\n", modules);
    BrowserFigures(directory.Path() + ":" + machine, rounds);
    setenv("MIBDIRS", directory.Path().c_str(), 1);
    return 0;
}
