#include "ui/TableViewDlg.h"

#include "snmp/Flows.h"
#include "snmpapi/MibNames.h"
#include "ui/ManagerDlg.h"
#include "ui/OutcomeBox.h"
#include "ui/Resource.h"
#include "ui/ScreenFit.h"
#include "ui/TableModel.h"
#include "values/TableIndex.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

namespace {

// The most objects one fetch keeps: a table larger than this is shown as far as it came.
constexpr std::size_t kMaxObjects = 2'000'000;

// The walk's bindings, kept as they came: the walk's thread hands them over, the window's
// thread takes them all once the walk has ended.
class CTableSink : public flows::CWalkSink {
public:
    std::size_t TakeLines(std::vector<flows::WalkLine>& lines) override {
        std::lock_guard<std::mutex> guard(m_lock);
        std::size_t kept = 0;
        while (kept < lines.size() && m_bindings.size() < kMaxObjects)
            m_bindings.push_back(std::move(lines[kept++].binding));
        m_count = m_bindings.size();
        return kept;
    }
    std::size_t LineCount() const override { return m_count; }
    bool Full() const { return m_count >= kMaxObjects; }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> guard(m_lock);
        return std::move(m_bindings);
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_bindings; // under m_lock
    std::atomic<std::size_t> m_count{0};
};

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<UINT> PathOf(const mibnames::Table& names, int node) {
    std::vector<UINT> path;
    for (; node != mibnames::kNone; node = names.Parent(node))
        path.insert(path.begin(), names.Arc(node));
    return path;
}

// A cell as one field of the copied text: its tabs and line ends would start another.
QString Field(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

CTableViewDlg::CTableViewDlg(CManagerDlg* dlg) : QDialog(dlg), m_dlg(dlg) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("IDD_TABLE_VIEW"));
    setWindowTitle(QStringLiteral("Table View"));
    CreateControls();
    // Room for a dozen columns, within a 1280 x 720 screen, and less on a screen with less
    // room: the window is whole on its screen, title bar included.
    FitToScreen(this, QSize(1000, 560), dlg->screen());
}

void CTableViewDlg::CreateControls() {
    m_model = new CTableModel(this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(CTableModel::kSortRole);

    auto* tableLabel = new QLabel(QStringLiteral("&Table:"), this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("IDC_TABLE"));
    m_table->setAccessibleName(QStringLiteral("Table"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder); // the agent's order until a header is clicked
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(true);
    m_table->setTabKeyNavigation(false);
    // Rows of one height, set once: the view never measures its thousands of rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setHighlightSections(false);
    tableLabel->setBuddy(m_table);

    m_refresh = new QPushButton(QStringLiteral("&Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("IDC_TABLE_REFRESH"));
    m_refresh->setAutoDefault(false);
    m_copy = new QPushButton(QStringLiteral("&Copy"), this);
    m_copy->setObjectName(QStringLiteral("IDC_TABLE_COPY"));
    m_copy->setAutoDefault(false);
    m_copy->setToolTip(
        QStringLiteral("Copy the selected cells, or the whole table, as tab-separated text"));
    m_watch = new QPushButton(QStringLiteral("&Watch"), this);
    m_watch->setObjectName(QStringLiteral("IDC_TABLE_WATCH"));
    m_watch->setAutoDefault(false);
    m_watch->setToolTip(QStringLiteral("Poll the objects of the selected cells"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_refresh, &QPushButton::clicked, this, &CTableViewDlg::OnRefresh);
    connect(m_copy, &QPushButton::clicked, this, &CTableViewDlg::OnCopy);
    connect(m_watch, &QPushButton::clicked, this, &CTableViewDlg::OnWatch);
    auto* copyKey = new QShortcut(QKeySequence::Copy, m_table);
    copyKey->setContext(Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, &CTableViewDlg::OnCopy);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("IDC_TABLE_STATUS"));
    m_status->setAccessibleName(QStringLiteral("Status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_refresh);
    bottom->addWidget(m_copy);
    bottom->addWidget(m_watch);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tableLabel);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    setTabOrder(m_table, m_refresh);
    setTabOrder(m_refresh, m_copy);
    setTabOrder(m_copy, m_watch);
    setTabOrder(m_watch, buttons->button(QDialogButtonBox::Close));
}

void CTableViewDlg::ShowTable(const std::vector<UINT>& oid) {
    const auto names = mibnames::Current();
    UINT covered = 0;
    const int deepest = names->Deepest(oid.data(), static_cast<UINT>(oid.size()), &covered);
    const int entry = covered == oid.size() ? values::EntryOf(*names, deepest) : mibnames::kNone;
    m_entry = entry == mibnames::kNone ? oid : PathOf(*names, entry);
    // An entry that AUGMENTS another extends the base's rows, which its own columns alone
    // cannot name: the base is fetched first and its columns stand before the entry's.
    m_entries.clear();
    const int base = values::AugmentedEntryOf(*names, entry);
    if (base != mibnames::kNone)
        m_entries.push_back(PathOf(*names, base));
    m_entries.push_back(m_entry);
    // The table's name: the entry's parent's, as the modules name it.
    const int table = entry == mibnames::kNone ? mibnames::kNone : names->Parent(entry);
    m_name = table != mibnames::kNone && names->Named(table)
                 ? Utf8(names->Name(table))
                 : Utf8(values::RawIndexText(m_entry.data(), static_cast<UINT>(m_entry.size())));
    setWindowTitle(QStringLiteral("Table View - %1").arg(m_name));
    m_model->Clear();
    OnRefresh();
}

void CTableViewDlg::OnRefresh() {
    if (m_entry.empty())
        return;
    if (m_dlg->RequestUnderWay()) {
        m_status->setText(
            QStringLiteral("Another request is under way: Refresh when it has ended."));
        return;
    }
    if (!m_dlg->Session()) {
        m_status->setText(QStringLiteral("No session is open: open one in the main window, "
                                         "then Refresh."));
        return;
    }
    CTableSink sink;
    const QString name = m_name;
    m_status->setText(QStringLiteral("Fetching %1...").arg(name));
    m_refresh->setEnabled(false);
    m_copy->setEnabled(false);
    Outcome end;
    // One walk per entry, one after the other on the session, as far as the first that does
    // not end well.
    for (const std::vector<UINT>& entry : m_entries) {
        const AsnObjectIdentifier root{static_cast<UINT>(entry.size()),
                                       const_cast<UINT*>(entry.data())};
        end = m_dlg->RunWalk(root, &sink, [&sink, name](qint64) {
            return QStringLiteral("Table %1: %2 objects")
                .arg(name, QLocale().toString(static_cast<qulonglong>(sink.LineCount())));
        });
        if (!end.IsDone() || sink.Full())
            break;
    }
    m_refresh->setEnabled(true);
    m_copy->setEnabled(true);
    const bool full = sink.Full();
    const std::vector<std::string> bindings = sink.Take();
    QElapsedTimer fill;
    fill.start();
    m_model->Fill(*mibnames::Current(), m_entries, bindings, m_dlg->LineTexts());
    // The view's widths from the headers and the first rows, not from every row.
    m_table->horizontalHeader()->setResizeContentsPrecision(50);
    m_table->resizeColumnsToContents();
    m_fillMs = static_cast<double>(fill.nsecsElapsed()) / 1e6;
    ShowStatus(end, bindings.size(), full);
    // A failure is told as Get All tells it; a Cancel or a quiet ending only here.
    if (!end.IsDone() && end.reason != SNMP_MGMTAPI_CANCELLED && !full)
        m_dlg->Report(end);
}

void CTableViewDlg::ShowStatus(const Outcome& end, std::size_t objects, bool full) {
    const QLocale locale;
    QString text = QStringLiteral("%1 rows, %2 columns (%3 objects)")
                       .arg(locale.toString(m_model->rowCount()))
                       .arg(locale.toString(m_model->columnCount()))
                       .arg(locale.toString(static_cast<qulonglong>(objects)));
    if (m_model->UnfitRowCount() > 0)
        text += QStringLiteral("; %1 rows fit no INDEX and show their numbers")
                    .arg(locale.toString(m_model->UnfitRowCount()));
    if (full)
        text += QStringLiteral("; stopped at %1 objects").arg(locale.toString(objects));
    else if (end.IsDone())
        text += QStringLiteral("; complete.");
    else if (end.reason == SNMP_MGMTAPI_CANCELLED)
        text += QStringLiteral("; cancelled: the rows received before are shown.");
    else
        text += QStringLiteral("; the fetch ended early: %1")
                    .arg(Utf8(BoxOfOutcome(end).text).section(QLatin1Char('\n'), 0, 0));
    m_status->setText(text);
}

QString CTableViewDlg::StatusText() const {
    return m_status->text();
}

QString CTableViewDlg::CopyText() const {
    const QModelIndexList selected = m_table->selectionModel()->selectedIndexes();
    std::set<int> rows;
    std::set<int> columns;
    for (const QModelIndex& index : selected) {
        rows.insert(index.row());
        columns.insert(index.column());
    }
    const bool all = selected.isEmpty();
    if (all) {
        for (int r = 0; r < m_sorted->rowCount(); ++r)
            rows.insert(r);
        for (int c = 0; c < m_sorted->columnCount(); ++c)
            columns.insert(c);
    }
    QString text;
    QStringList fields;
    for (const int c : columns)
        fields << Field(m_sorted->headerData(c, Qt::Horizontal).toString());
    text += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    const QItemSelectionModel* selection = m_table->selectionModel();
    for (const int r : rows) {
        fields.clear();
        for (const int c : columns) {
            const QModelIndex index = m_sorted->index(r, c);
            // Of a selection that is no rectangle, the cells left out stay empty.
            fields << (all || selection->isSelected(index) ? Field(index.data().toString())
                                                           : QString());
        }
        text += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

void CTableViewDlg::OnCopy() {
    QGuiApplication::clipboard()->setText(CopyText());
    m_status->setText(m_status->text().section(QStringLiteral(" Copied"), 0, 0) +
                      QStringLiteral(" Copied."));
}

void CTableViewDlg::OnWatch() {
    QModelIndexList selected = m_table->selectionModel()->selectedIndexes();
    // In the order shown, row by row.
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    std::vector<std::vector<UINT>> objects;
    for (const QModelIndex& index : selected) {
        const QModelIndex cell = m_sorted->mapToSource(index);
        std::vector<UINT> oid = m_model->CellObject(cell.row(), cell.column());
        if (!oid.empty() && std::find(objects.begin(), objects.end(), oid) == objects.end())
            objects.push_back(std::move(oid));
    }
    if (objects.empty()) {
        m_status->setText(m_status->text().section(QStringLiteral(" Select"), 0, 0) +
                          QStringLiteral(" Select the cells of the objects to watch."));
        return;
    }
    m_dlg->OpenWatch(objects);
}
