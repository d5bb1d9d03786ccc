// The table view over a scripted agent's table of 10,000 rows by 10 columns (SNMPv2c,
// GetBulk of the session's bulk size): the fetch through the real dialog, the time from the
// walk's last answer to the filled model, to the first frame of the window drawn, and the
// longest frame of the view scrolled a page at a time (offscreen). Prints its figures and
// asserts nothing.
//
//   bench_table [rows [columns]]
//   bench_table --agent HOST:PORT COMMUNITY [rounds]
//                   another agent's ifTable (an snmpsim recording, say) fetched by the table
//                   view in SNMPv2c beside snmptable -Cb at the same bulk size, alternating,
//                   best and median of the rounds (5 by default)
#include "support/ScriptedAgent.h"

#include "testing/SnmpTesting.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "ui/TableModel.h"
#include "ui/TableViewDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The table view's fetch of ifTable (its walk of ifEntry, column after column, by GetBulk)
// beside snmptable's (every column in each GetBulk), both at the session's bulk size. The
// interfaces columns come from a module written for the benchmarks, since Debian ships no
// IF-MIB and snmptable reads a table's columns from its module.
int AgentTable(CManagerDlg& dlg, const std::string& address, const std::string& community,
               int rounds) {
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    dlg.SetSessionSettings(settings);
    dlg.SetDlgItemText(IDC_IPADDRESS, address.c_str());
    dlg.SetDlgItemText(IDC_COMMUNITY, community.c_str());
    dlg.OnOpen();
    if (!dlg.Session()) {
        std::fprintf(stderr, "no session\n");
        return 1;
    }
    const std::string bulk = std::to_string(settings.bulkSize);
    const std::string tool = "exec snmptable -v2c -c '" + community + "' -Cb -Cr " + bulk +
                             " -M " OKAPEL_SOURCE_DIR "/bench/mibs:" OKAPEL_SOURCE_DIR
                             "/mibs -m OKAPEL-BENCH-IF-MIB:OKAPEL-BASE-MIB " +
                             address + " OKAPEL-BENCH-IF-MIB::ifTable 2>/dev/null";
    dlg.SetDlgItemText(IDC_OID, ".1.3.6.1.2.1.2.2");
    std::vector<double> ours;
    std::vector<double> theirs;
    int rows = 0;
    int toolRows = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (round == 0)
            dlg.OnSysCommand(IDM_TABLEVIEW, 0);
        else
            dlg.TableView()->findChild<QPushButton*>(QStringLiteral("IDC_TABLE_REFRESH"))->click();
        ours.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        rows = dlg.TableView()->Model()->rowCount();

        timer.start();
        FILE* out = popen(tool.c_str(), "r");
        char line[16384];
        int lines = 0;
        while (out && std::fgets(line, sizeof line, out))
            ++lines;
        if (out)
            pclose(out);
        theirs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        toolRows = std::max(0, lines - 3); // a title line, a blank line and the headers
    }
    std::printf("ifTable of %s, SNMPv2c, bulk size %s, %d rounds alternating\n", address.c_str(),
                bulk.c_str(), rounds);
    std::printf("  %-34s %6s %10s %10s\n", "fetcher", "rows", "best ms", "median ms");
    std::printf("  %-34s %6d %10.1f %10.1f\n", "okapel table view", rows,
                *std::min_element(ours.begin(), ours.end()), Median(ours));
    const std::string name = "snmptable -Cb -Cr " + bulk;
    std::printf("  %-34s %6d %10.1f %10.1f\n", name.c_str(), toolRows,
                *std::min_element(theirs.begin(), theirs.end()), Median(theirs));
    std::printf("  ratio (snmptable's median / Okapel's): %.2fx\n", Median(theirs) / Median(ours));
    dlg.done(QDialog::Rejected);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 3 && std::strcmp(argv[1], "--agent") == 0) {
        QApplication app(argc, argv);
        CManagerDlg::SetMessageHook([](const CManagerDlg::MessageRecord& m) {
            std::fprintf(stderr, "box: %s: %s\n", m.caption.c_str(), m.text.c_str());
        });
        CManagerDlg dlg(nullptr);
        dlg.show();
        QApplication::processEvents();
        return AgentTable(dlg, argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 5);
    }
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int columns = argc > 2 ? std::atoi(argv[2]) : 10;
    QApplication app(argc, argv);
    CManagerDlg::SetMessageHook([](const CManagerDlg::MessageRecord& m) {
        std::fprintf(stderr, "box: %s: %s\n", m.caption.c_str(), m.text.c_str());
    });

    using namespace scripted;
    TableAgent table;
    const std::string entry = ".1.3.6.1.4.1.99981.9.1.1";
    for (int c = 1; c <= columns; ++c) {
        for (int r = 1; r <= rows; ++r) {
            const Oid name = ParseOid(entry + "." + std::to_string(c) + "." + std::to_string(r));
            table.objects[name] = c % 2 ? Unsigned(0x41, static_cast<std::uint32_t>(r * c))
                                        : Octets(0x04, "row " + std::to_string(r));
        }
    }
    table.objects[ParseOid(".1.3.6.1.4.1.99981.9.2.0")] = Integer(0); // past the table
    ScriptedAgent agent(table);
    agent.KeepRequests(false);
    if (!agent.Start()) {
        std::fprintf(stderr, "the scripted agent did not start\n");
        return 1;
    }

    CManagerDlg dlg(nullptr);
    dlg.show();
    QApplication::processEvents();
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    dlg.SetSessionSettings(settings);
    dlg.SetDlgItemText(IDC_IPADDRESS, agent.Address().c_str());
    dlg.SetDlgItemText(IDC_COMMUNITY, "public");
    dlg.OnOpen();
    if (!dlg.Session()) {
        std::fprintf(stderr, "no session\n");
        return 1;
    }
    dlg.SetDlgItemText(IDC_OID, entry.c_str());
    QElapsedTimer whole;
    whole.start();
    dlg.OnSysCommand(IDM_TABLEVIEW, 0);
    const double fetchMs = static_cast<double>(whole.nsecsElapsed()) / 1e6;
    CTableViewDlg* view = dlg.TableView();
    QElapsedTimer paint;
    paint.start();
    view->View()->viewport()->repaint();
    const double firstFrameMs = static_cast<double>(paint.nsecsElapsed()) / 1e6;

    // A page at a time, each page drawn at once.
    QScrollBar* bar = view->View()->verticalScrollBar();
    double longestMs = 0;
    double totalMs = 0;
    int frames = 0;
    for (int step = 0; step < 200 && bar->value() < bar->maximum(); ++step) {
        QElapsedTimer frame;
        frame.start();
        bar->setValue(bar->value() + bar->pageStep());
        view->View()->viewport()->repaint();
        const double ms = static_cast<double>(frame.nsecsElapsed()) / 1e6;
        longestMs = std::max(longestMs, ms);
        totalMs += ms;
        ++frames;
    }
    std::printf("table of %d rows x %d columns (%d objects), SNMPv2c, bulk size %d\n",
                view->Model()->rowCount(), columns, rows * columns, settings.bulkSize);
    std::printf("  status: %s\n", view->StatusText().toUtf8().constData());
    std::printf("  fetch and fill through the dialog: %.0f ms\n", fetchMs);
    std::printf("  model filled after the last answer: %.1f ms\n", view->LastFillMs());
    std::printf("  first frame of the view: %.1f ms\n", firstFrameMs);
    std::printf("  scrolled a page at a time: %d frames, longest %.1f ms, mean %.1f ms\n", frames,
                longestMs, frames ? totalMs / frames : 0.0);
    dlg.done(QDialog::Rejected);
    return 0;
}
