// A command's request flow off the dialog's thread (RequestRun.h).
#include "ui/RequestRun.h"

#include "ui/DialogTemplate.h"
#include "ui/Resource.h"

#include <QAccessible>
#include <QEventLoop>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

// A request that ends this fast needs no word about it: only one that takes longer shows
// its progress and its Cancel.
constexpr int kShowAfterMs = 300;
constexpr int kUpdateEveryMs = 200;

// The controls that start a command; none takes another command while one runs. Exit stays,
// and ends the request first, as the window's close command does. Clear stays too: it
// empties the trap window, which goes on while the request runs.
constexpr int kCommandControls[] = {IDC_OPEN, IDC_CLOSE, IDC_GET, IDC_SET, IDC_GETALL};

} // namespace

// What the run and its thread share: whether the flow has ended, and whether a Cancel has
// given it up.
struct CRequestRun::Shared {
    std::mutex lock;
    bool ended = false;     // the flow has ended, or has said that its result is kept
    bool abandoned = false; // a Cancel gave it up before that
};

CRequestRun::CRequestRun(QWidget* dialog) : QObject(dialog), m_dialog(dialog) {
    m_progress = new QLabel(dialog);
    m_progress->setObjectName(QStringLiteral("IDC_PROGRESS"));
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_progress->setIndent(4);
    m_progress->setTextFormat(Qt::PlainText);
    m_progress->hide();
    m_cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    m_cancel->setObjectName(QStringLiteral("IDC_CANCEL_REQUEST"));
    m_cancel->setAutoDefault(false);
    // The window shows the busy pointer while a request runs; the button that ends it does
    // not.
    m_cancel->setCursor(Qt::ArrowCursor);
    m_cancel->hide();
    // In the tab order where the button it covers stands, which is disabled meanwhile.
    if (QWidget* getAll = FindDlgItem(dialog, IDC_GETALL))
        QWidget::setTabOrder(getAll, m_cancel);
    connect(m_cancel, &QPushButton::clicked, this, &CRequestRun::Cancel);
    m_showTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &CRequestRun::ShowProgress);
    connect(&m_updateTimer, &QTimer::timeout, this, &CRequestRun::UpdateProgress);
}

CRequestRun::~CRequestRun() {
    for (std::thread& thread : m_abandoned)
        thread.join();
}

Outcome CRequestRun::Run(LPSNMP_MGR_SESSION session, const ProgressText& progress,
                         std::function<Outcome()> flow) {
    Outcome outcome;
    m_session = session;
    // A Cancel of the run before ended that one's requests only.
    if (session)
        SnmpMgrResumeRequests(session);
    // The run waits for the flow's end, so the flow may use what lives here.
    Await(
        progress, [&outcome, &flow](const std::function<bool()>&) { outcome = flow(); }, false);
    m_session = nullptr;
    return outcome;
}

bool CRequestRun::RunAbandonable(const ProgressText& progress,
                                 std::function<void(const std::function<bool()>& keep)> flow) {
    return Await(progress, std::move(flow), true);
}

bool CRequestRun::Await(const ProgressText& progress, Body body, bool abandonable) {
    auto shared = std::make_shared<Shared>();
    m_current = shared;
    m_bCancelled = false;
    m_bAbandonable = abandonable;
    const auto keep = [shared] {
        std::lock_guard<std::mutex> guard(shared->lock);
        if (!shared->abandoned)
            shared->ended = true;
        return !shared->abandoned;
    };
    std::thread thread([this, shared, keep, body = std::move(body)] {
        body(keep);
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->ended = true;
        }
        // The run's wait ends on the dialog's thread; a run that was given up has already
        // ended its wait, and the dialog joins this thread when it goes.
        QMetaObject::invokeMethod(
            this,
            [this, shared] {
                if (m_current == shared && m_loop)
                    m_loop->quit();
            },
            Qt::QueuedConnection);
    });
    Begin(progress);
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    m_current.reset();
    End();
    bool abandoned = false;
    {
        std::lock_guard<std::mutex> guard(shared->lock);
        abandoned = shared->abandoned;
    }
    if (abandoned) {
        m_abandoned.push_back(std::move(thread));
        return false;
    }
    thread.join();
    return true;
}

void CRequestRun::Cancel() {
    if (!m_current)
        return;
    m_bCancelled = true;
    if (m_session)
        SnmpMgrCancelRequests(m_session);
    if (!m_bAbandonable)
        return;
    bool abandoned = false;
    {
        std::lock_guard<std::mutex> guard(m_current->lock);
        if (!m_current->ended)
            m_current->abandoned = true;
        abandoned = m_current->abandoned;
    }
    if (abandoned && m_loop)
        m_loop->quit();
}

void CRequestRun::Begin(const ProgressText& progress) {
    m_progressText = progress;
    m_started.start();
    m_disabled.clear();
    m_focus = m_dialog->focusWidget();
    for (int id : kCommandControls) {
        if (QWidget* control = FindDlgItem(m_dialog, id)) {
            m_disabled.emplace_back(control, control->isEnabled());
            control->setEnabled(false);
        }
    }
    // Where the toolkit moved the keyboard from a command button that it disabled; null when
    // the keyboard was elsewhere and stays there.
    m_movedFocus = m_focus && !m_focus->isEnabled() ? m_dialog->focusWidget() : nullptr;
    if (!m_movedFocus)
        m_focus.clear();
    m_dialog->setCursor(Qt::BusyCursor);
    m_showTimer.start(kShowAfterMs);
}

void CRequestRun::End() {
    m_showTimer.stop();
    m_updateTimer.stop();
    const bool cancelHadFocus = m_cancel->hasFocus();
    m_progress->hide();
    m_cancel->hide();
    m_dialog->unsetCursor();
    for (const auto& [control, enabled] : m_disabled) {
        if (control)
            control->setEnabled(enabled);
    }
    m_disabled.clear();
    // A keyboard that was on the command's button goes back to it, unless the operator has
    // taken it elsewhere meanwhile.
    QWidget* focus = m_dialog->focusWidget();
    if (m_focus && m_focus->isEnabled() && (cancelHadFocus || !focus || focus == m_movedFocus))
        m_focus->setFocus(Qt::OtherFocusReason);
    m_focus.clear();
    m_movedFocus.clear();
}

void CRequestRun::ShowProgress() {
    // Over the OID name box and the Get All button, in the places the window's layout gives
    // them now.
    if (QWidget* name = FindDlgItem(m_dialog, IDC_OID_NAME))
        m_progress->setGeometry(name->geometry());
    if (QWidget* getAll = FindDlgItem(m_dialog, IDC_GETALL))
        m_cancel->setGeometry(getAll->geometry());
    UpdateProgress();
    m_progress->show();
    m_progress->raise();
    m_cancel->show();
    m_cancel->raise();
    // A keyboard that was on the command's button, now disabled, goes to Cancel.
    if (m_focus && m_dialog->focusWidget() == m_movedFocus)
        m_cancel->setFocus(Qt::OtherFocusReason);
    m_updateTimer.start(kUpdateEveryMs);
}

void CRequestRun::UpdateProgress() {
    const QString text = m_progressText ? m_progressText(m_started.elapsed()) : QString();
    if (text == m_progress->text())
        return;
    m_progress->setText(text);
    m_progress->setToolTip(text);
    // Screen readers hear the line change as the request goes on.
    QAccessibleEvent event(m_progress, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}
