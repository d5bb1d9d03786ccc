// One command's request flow, run off the dialog's thread so that the window goes on while
// the agent is awaited: it paints, moves, shows trap lines and takes no other command. The
// controls that start a command are disabled meanwhile; a request that has taken 300 ms
// shows its progress (IDC_PROGRESS) and a Cancel button (IDC_CANCEL_REQUEST) over the OID
// name box and the Get All button, which the walk does not need while it runs.
#pragma once

#include "outcome/Outcome.h"
#include "snmpapi/SnmpApi.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QEventLoop;
class QLabel;
class QPushButton;
class QWidget;

class CRequestRun : public QObject {
    Q_OBJECT

public:
    // The progress line, made on the dialog's thread from the time the request has taken.
    using ProgressText = std::function<QString(qint64 elapsedMs)>;

    // Makes the progress line and the Cancel button in `dialog`, hidden.
    explicit CRequestRun(QWidget* dialog);
    ~CRequestRun() override; // waits for the flows that Cancel left to end on their own

    // Runs `flow` on a thread of its own and returns its outcome once it has ended, serving
    // the dialog's events meanwhile. Cancel ends the requests of `session` under way
    // (SnmpMgrCancelRequests), so that the flow ends within milliseconds; the session's
    // requests go again at the next run.
    Outcome Run(LPSNMP_MGR_SESSION session, const ProgressText& progress,
                std::function<Outcome()> flow);
    // Runs `flow`, which no cancellation can shorten (the look-up of a host name), as Run
    // does; Cancel stops the wait at once, and the flow goes on to its end unseen. The flow
    // asks `keep` once it has its result: true, and the result is the caller's (no Cancel
    // takes it away any more); false, and the run was cancelled, so the flow releases what it
    // made. Returns whether the result was kept.
    bool RunAbandonable(const ProgressText& progress,
                        std::function<void(const std::function<bool()>& keep)> flow);

    bool UnderWay() const { return m_loop != nullptr; }
    // Ends the request under way; nothing when none is.
    void Cancel();
    // Whether the run under way, or the last one, was cancelled.
    bool Cancelled() const { return m_bCancelled; }

private:
    struct Shared;
    using Body = std::function<void(const std::function<bool()>& keep)>;
    // Starts the thread of `body`, waits for its end or for a cancellation that abandons it,
    // and puts the window back. False when it was abandoned.
    bool Await(const ProgressText& progress, Body body, bool abandonable);
    void Begin(const ProgressText& progress);
    void End();
    void ShowProgress();
    void UpdateProgress();

    QWidget* m_dialog;
    QLabel* m_progress;
    QPushButton* m_cancel;
    QTimer m_showTimer;
    QTimer m_updateTimer;
    QElapsedTimer m_started;
    ProgressText m_progressText;
    LPSNMP_MGR_SESSION m_session = nullptr;
    QEventLoop* m_loop = nullptr;
    std::shared_ptr<Shared> m_current; // the run under way
    bool m_bCancelled = false;
    bool m_bAbandonable = false;
    // The command controls as they were before the run, to be put back after it.
    std::vector<std::pair<QPointer<QWidget>, bool>> m_disabled;
    QPointer<QWidget> m_focus;      // the command's button, where the keyboard was on it
    QPointer<QWidget> m_movedFocus; // where the toolkit moved the keyboard from it
    // Flows that a cancellation abandoned, joined when the dialog goes.
    std::vector<std::thread> m_abandoned;
};
