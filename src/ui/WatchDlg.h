// The live counters (IDD_WATCH): chosen objects polled on the main window's open session
// every 1 to 3,600 seconds, one Get per round with sysUpTime.0 in the same request, each
// shown in IDC_WATCH_LIST with its value, its change and a counter's rate per second on the
// agent's own time, and the selected one's last hour in a graph.
//
// A round runs on a thread of its own, so the window's thread never waits for the agent;
// rounds never overlap: the next one is due an interval after the last one began, or at its
// end when it took longer. The session's requests go one at a time, so a round and the main
// window's commands take turns. Polling stops when the window closes or the session closes;
// nothing is stored.
#pragma once

#include "outcome/Outcome.h"
#include "snmp/Flows.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>
#include <thread>
#include <vector>

class CManagerDlg;
class CWatchGraph;
class CWatchModel;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;

class CWatchDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDefaultIntervalS = 5;
    static constexpr int kLongestIntervalS = 3600;

    explicit CWatchDlg(CManagerDlg* dlg);
    ~CWatchDlg() override; // ends the round under way first

    // Watches `objects` beside those watched already, and polls at once when no round is
    // under way.
    void AddObjects(const std::vector<std::vector<UINT>>& objects);
    // Starts a round now: false when one is under way, polling is paused, no session is
    // open or nothing is watched.
    bool RunRound();
    bool RoundUnderWay() const { return m_worker.joinable(); }
    // The main window's session is closing: the round under way ends first, then the window
    // closes.
    void SessionClosing();

    void OnRemove();
    void OnPause();
    // "Use &64-bit counter": the selected row watches the Counter64 counterpart of its object.
    void OnUse64();

    CWatchModel* Model() const { return m_model; }
    QTableView* View() const { return m_list; }
    CWatchGraph* Graph() const { return m_graph; }
    QString StatusText() const;
    int Rounds() const { return m_rounds; }
    void SetInterval(int seconds);
    bool Polling() const { return m_polling; }
    // When the next round is due, in milliseconds from now; -1 for none.
    int NextRoundInMs() const { return m_next.isActive() ? m_next.remainingTime() : -1; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct RoundResult;
    void CreateControls();
    void EndRound(const std::shared_ptr<RoundResult>& result);
    void ScheduleNext();
    void StopPolling();
    void JoinRound();
    void ShowGraph();
    void UpdateButtons();
    int SelectedRow() const;

    CManagerDlg* m_dlg;
    CWatchModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    CWatchGraph* m_graph = nullptr;
    QSpinBox* m_interval = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_use64 = nullptr;
    QLabel* m_status = nullptr;
    QTimer m_next;         // the next round's start
    QElapsedTimer m_clock; // the local clock of the rounds, since the window was made
    qint64 m_roundStartMs = 0;
    bool m_polling = false; // rounds follow one another
    bool m_paused = false;
    int m_rounds = 0;                            // rounds ended since the window was made
    std::thread m_worker;                        // the round under way
    LPSNMP_MGR_SESSION m_roundSession = nullptr; // its session
    std::vector<int> m_roundRows;                // the rows it polls
    std::uint64_t m_generation = 0;              // a round's answer for rows gone since is dropped
};
