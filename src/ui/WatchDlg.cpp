#include "ui/WatchDlg.h"

#include "ui/ManagerDlg.h"
#include "ui/OutcomeBox.h"
#include "ui/ScreenFit.h"
#include "ui/WatchGraph.h"
#include "ui/WatchModel.h"
#include "values/CounterRate.h"
#include "values/Values.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMetaObject>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTime>
#include <QVBoxLayout>

#include <memory>

struct CWatchDlg::RoundResult {
    Outcome outcome;
    flows::PollAnswer answer;
    std::uint64_t generation = 0;
};

namespace {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString StatusName(AsnInteger status) {
    char* name = nullptr;
    values::ErrorStatusName(status, &name);
    const QString text = name ? QString::fromLatin1(name) : QString::number(status);
    std::free(name);
    return text;
}

} // namespace

CWatchDlg::CWatchDlg(CManagerDlg* dlg) : QDialog(dlg), m_dlg(dlg) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("IDD_WATCH"));
    setWindowTitle(QStringLiteral("Watch"));
    m_clock.start();
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, [this] { RunRound(); });
    CreateControls();
    FitToScreen(this, QSize(760, 520), dlg->screen());
}

CWatchDlg::~CWatchDlg() {
    m_next.stop();
    if (m_worker.joinable()) {
        // The window goes before its round's end: that round ends now, and the session
        // serves the next request as usual.
        SnmpMgrCancelRequests(m_roundSession);
        m_worker.join();
        if (m_dlg->Session() == m_roundSession && !m_dlg->RequestUnderWay())
            SnmpMgrResumeRequests(m_roundSession);
    }
}

void CWatchDlg::CreateControls() {
    m_model = new CWatchModel(this);
    auto* listLabel = new QLabel(QStringLiteral("&Objects:"), this);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("IDC_WATCH_LIST"));
    m_list->setAccessibleName(QStringLiteral("Watched objects"));
    m_list->setModel(m_model);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setWordWrap(false);
    m_list->setTabKeyNavigation(false);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    listLabel->setBuddy(m_list);

    m_graph = new CWatchGraph(this);

    auto* intervalLabel = new QLabel(QStringLiteral("&Interval:"), this);
    m_interval = new QSpinBox(this);
    m_interval->setObjectName(QStringLiteral("IDC_WATCH_INTERVAL"));
    m_interval->setAccessibleName(QStringLiteral("Interval"));
    m_interval->setRange(1, kLongestIntervalS);
    m_interval->setValue(kDefaultIntervalS);
    m_interval->setSuffix(QStringLiteral(" s"));
    intervalLabel->setBuddy(m_interval);

    const auto button = [this](const char* text, const char* id) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(id));
        b->setAutoDefault(false);
        return b;
    };
    m_remove = button("&Remove", "IDC_WATCH_REMOVE");
    m_pause = button("&Pause", "IDC_WATCH_PAUSE");
    m_use64 = button("Use &64-bit counter", "IDC_WATCH_USE64");
    m_use64->setToolTip(QStringLiteral("Watch the 64-bit counter of the same interface, "
                                       "which does not wrap within years"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("IDC_WATCH_STATUS"));
    m_status->setAccessibleName(QStringLiteral("Status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setText(QStringLiteral("Add objects from the main window's system menu, the MIB "
                                     "browser or the table view."));

    auto* split = new QSplitter(Qt::Vertical, this);
    auto* top = new QWidget(split);
    auto* topColumn = new QVBoxLayout(top);
    topColumn->setContentsMargins(0, 0, 0, 0);
    topColumn->addWidget(listLabel);
    topColumn->addWidget(m_list, 1);
    split->addWidget(top);
    split->addWidget(m_graph);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);

    auto* controls = new QHBoxLayout;
    controls->addWidget(intervalLabel);
    controls->addWidget(m_interval);
    controls->addWidget(m_pause);
    controls->addWidget(m_remove);
    controls->addWidget(m_use64);
    controls->addStretch(1);
    controls->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addWidget(m_status);
    layout->addLayout(controls);
    setTabOrder(m_list, m_graph);
    setTabOrder(m_graph, m_interval);
    setTabOrder(m_interval, m_pause);
    setTabOrder(m_pause, m_remove);
    setTabOrder(m_remove, m_use64);
    setTabOrder(m_use64, buttons->button(QDialogButtonBox::Close));

    connect(m_remove, &QPushButton::clicked, this, &CWatchDlg::OnRemove);
    connect(m_pause, &QPushButton::clicked, this, &CWatchDlg::OnPause);
    connect(m_use64, &QPushButton::clicked, this, &CWatchDlg::OnUse64);
    connect(m_interval, &QSpinBox::valueChanged, this, [this] {
        // A round due later than the new interval allows comes sooner, and one due sooner
        // later; the round under way goes on.
        if (m_next.isActive())
            ScheduleNext();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        ShowGraph();
        UpdateButtons();
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (SelectedRow() < 0)
            return;
        QMenu menu(this);
        menu.addAction(m_use64->text(), this, &CWatchDlg::OnUse64)
            ->setEnabled(m_use64->isEnabled());
        menu.addAction(m_remove->text(), this, &CWatchDlg::OnRemove);
        menu.exec(m_list->viewport()->mapToGlobal(at));
    });
    UpdateButtons();
}

void CWatchDlg::AddObjects(const std::vector<std::vector<UINT>>& objects) {
    int last = -1;
    for (const std::vector<UINT>& oid : objects) {
        if (!oid.empty())
            last = m_model->AddObject(oid);
    }
    if (last >= 0)
        m_list->selectRow(last);
    m_list->resizeColumnToContents(CWatchModel::kName);
    m_polling = true;
    if (!m_worker.joinable() && !m_paused) {
        m_next.stop();
        RunRound();
    }
    UpdateButtons();
}

bool CWatchDlg::RunRound() {
    const LPSNMP_MGR_SESSION session = m_dlg->Session();
    if (m_worker.joinable() || m_paused || !m_polling)
        return false;
    if (!session) {
        m_status->setText(QStringLiteral("No session is open: open one in the main window; "
                                         "polling goes on once it is."));
        // Looked for again an interval from now, not at once.
        m_roundStartMs = m_clock.elapsed();
        ScheduleNext();
        return false;
    }
    std::vector<int> rows;
    std::vector<std::vector<UINT>> objects = m_model->PolledObjects(&rows);
    if (objects.empty())
        return false;
    // A Cancel of the main window's request before this round ended that request only; while
    // one is under way its Cancel is left as it is.
    if (!m_dlg->RequestUnderWay())
        SnmpMgrResumeRequests(session);
    m_roundSession = session;
    m_roundRows = std::move(rows);
    m_roundStartMs = m_clock.elapsed();
    auto result = std::make_shared<RoundResult>();
    result->generation = m_generation;
    const values::LineTexts texts = m_dlg->LineTexts();
    m_worker = std::thread([this, session, objects = std::move(objects), texts, result] {
        result->outcome = flows::Poll(session, objects, texts, &result->answer);
        // Dropped with the window, which joins this thread before it goes.
        QMetaObject::invokeMethod(
            this, [this, result] { EndRound(result); }, Qt::QueuedConnection);
    });
    return true;
}

void CWatchDlg::JoinRound() {
    if (m_worker.joinable())
        m_worker.join();
    m_roundSession = nullptr;
}

void CWatchDlg::EndRound(const std::shared_ptr<RoundResult>& result) {
    JoinRound();
    ++m_rounds;
    if (!m_polling)
        return; // closed meanwhile: its answer is nobody's
    const qint64 atMs = m_clock.elapsed();
    const Outcome& end = result->outcome;
    const QString at = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    if (result->generation != m_generation) {
        // Rows were removed or changed while it ran: their figures come with the next round.
    } else if (end.IsDone()) {
        m_model->TakeAnswer(result->answer, m_roundRows, atMs);
        const int polled = static_cast<int>(m_roundRows.size());
        QString text = (polled == 1 ? QStringLiteral("%1 object polled at %2.")
                                    : QStringLiteral("%1 objects polled at %2."))
                           .arg(QLocale().toString(polled), at);
        if (!result->answer.upTime)
            text += QStringLiteral(" The agent sent no sysUpTime.0: no rates.");
        m_status->setText(text);
    } else if (end.kind == OutcomeKind::GetAgentError && end.errorIndex >= 2 &&
               static_cast<std::size_t>(end.errorIndex) - 2 < m_roundRows.size() &&
               end.errorStatus != SNMP_ERRORSTATUS_TOOBIG) {
        // The agent refused one object (an SNMPv1 agent's noSuchName, for one): it is left
        // out, and the others are polled on.
        const int row = m_roundRows[static_cast<std::size_t>(end.errorIndex) - 2];
        m_model->LeaveOut(
            row,
            QStringLiteral("not polled: the agent answered %1").arg(StatusName(end.errorStatus)));
        m_model->BreakAll(atMs);
        m_status->setText(QStringLiteral("At %1 the agent refused %2; it is polled no more.")
                              .arg(at, m_model->Text(row, CWatchModel::kName)));
        // The others at once, rather than an interval late.
        m_roundStartMs = atMs - 1000L * m_interval->value();
    } else {
        m_model->BreakAll(atMs);
        QString why;
        if (end.reason == SNMP_MGMTAPI_CANCELLED)
            why = QStringLiteral("it was cancelled");
        else if (end.kind == OutcomeKind::GetAgentError)
            why = QStringLiteral("the agent answered %1").arg(StatusName(end.errorStatus));
        else
            why = Utf8(BoxOfOutcome(end).text).section(QLatin1Char('\n'), 0, 0);
        m_status->setText(QStringLiteral("The round at %1 failed: %2.").arg(at, why));
    }
    ShowGraph();
    ScheduleNext();
}

void CWatchDlg::ScheduleNext() {
    if (!m_polling || m_paused || m_worker.joinable())
        return;
    const qint64 due = m_roundStartMs + 1000LL * m_interval->value();
    m_next.start(static_cast<int>(std::max<qint64>(0, due - m_clock.elapsed())));
}

void CWatchDlg::SetInterval(int seconds) {
    m_interval->setValue(seconds);
}

void CWatchDlg::StopPolling() {
    m_polling = false;
    m_next.stop();
    ++m_generation;
    m_model->Clear();
    m_graph->Show(QString(), {}, false, 0);
    UpdateButtons();
}

void CWatchDlg::SessionClosing() {
    StopPolling();
    if (m_worker.joinable()) {
        // No command of the main window runs while it closes its session: this round is the
        // session's only request, and it ends within milliseconds.
        SnmpMgrCancelRequests(m_roundSession);
        JoinRound();
    }
    close();
}

void CWatchDlg::closeEvent(QCloseEvent* event) {
    StopPolling();
    QDialog::closeEvent(event);
}

void CWatchDlg::hideEvent(QHideEvent* event) {
    // Hidden by whatever means, the window polls no more; a round under way ends unseen.
    if (!isMinimized())
        StopPolling();
    QDialog::hideEvent(event);
}

int CWatchDlg::SelectedRow() const {
    const QModelIndex current = m_list->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void CWatchDlg::OnRemove() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    ++m_generation;
    m_model->RemoveRow(row);
    if (m_model->rowCount() > 0)
        m_list->selectRow(std::min(row, m_model->rowCount() - 1));
    ShowGraph();
    UpdateButtons();
}

void CWatchDlg::OnPause() {
    m_paused = !m_paused;
    m_pause->setText(m_paused ? QStringLiteral("Res&ume") : QStringLiteral("&Pause"));
    if (m_paused) {
        m_next.stop();
        m_status->setText(QStringLiteral("Paused."));
    } else {
        // Figures across a pause would be an average of it.
        m_model->BreakAll(m_clock.elapsed());
        RunRound();
    }
}

void CWatchDlg::OnUse64() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::optional<std::vector<UINT>> wide = values::Counter64Of(m_model->Object(row));
    if (!wide)
        return;
    ++m_generation;
    m_model->ReplaceObject(row, *wide);
    m_list->resizeColumnToContents(CWatchModel::kName);
    ShowGraph();
    UpdateButtons();
    if (!m_worker.joinable() && m_polling && !m_paused) {
        m_next.stop();
        RunRound();
    }
}

void CWatchDlg::ShowGraph() {
    const int row = SelectedRow();
    if (row < 0 || row >= m_model->rowCount()) {
        m_graph->Show(QString(), {}, false, m_clock.elapsed());
        return;
    }
    m_graph->Show(m_model->Text(row, CWatchModel::kName), m_model->History(row),
                  m_model->ShowsRate(row), m_clock.elapsed());
}

void CWatchDlg::UpdateButtons() {
    const int row = SelectedRow();
    m_remove->setEnabled(row >= 0);
    m_use64->setEnabled(row >= 0 && values::Counter64Of(m_model->Object(row)).has_value());
}

QString CWatchDlg::StatusText() const {
    return m_status->text();
}
