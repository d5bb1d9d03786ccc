#include "ui/NotificationsDlg.h"

#include "traps/NotificationText.h"
#include "ui/DialogText.h"
#include "ui/NotificationLog.h"
#include "ui/NotificationModel.h"
#include "ui/Resource.h"
#include "ui/ScreenFit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <vector>

namespace {

// The choice's entries carry what they choose.
enum class Chosen { All, Source, Name };
constexpr int kChosenRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;

const char* const kCsvFilter = "CSV files (*.csv)";
const char* const kJsonFilter = "JSON lines (*.jsonl)";

// The widths the columns start with, in characters of the window's font.
constexpr int kColumnChars[CNotificationModel::ColumnCount] = {23, 22, 10, 18, 7, 28, 60};

bool RealFileChooser(QWidget* parent, std::string* path, ExportFormat* format) {
    QFileDialog dialog(parent, QStringLiteral("Export Notifications"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QString::fromLatin1(kCsvFilter), QString::fromLatin1(kJsonFilter)});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QStringLiteral("notifications.csv"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f == QLatin1String(kJsonFilter) ? QStringLiteral("jsonl")
                                                                : QStringLiteral("csv"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString chosen = dialog.selectedFiles().first();
    // The name's ending decides; a name without a known one takes the filter chosen.
    const bool json = chosen.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive) ||
                      chosen.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) ||
                      (!chosen.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) &&
                       dialog.selectedNameFilter() == QLatin1String(kJsonFilter));
    *format = json ? ExportFormat::JsonLines : ExportFormat::Csv;
    *path = chosen.toStdString();
    return true;
}

} // namespace

CNotificationsDlg::FileChooser& CNotificationsDlg::FileChooserSlot() {
    static FileChooser chooser;
    return chooser;
}

CNotificationsDlg::CNotificationsDlg(CNotificationLog* log, BoxFunction box, QWidget* parent)
    : QDialog(parent), m_log(log), m_box(std::move(box)) {
    // A window of its own, which can be sized, minimized and maximized.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Notifications"));
    setObjectName(QStringLiteral("IDD_NOTIFICATIONS"));
    m_model = new CNotificationModel(log, this);
    CreateControls();
    ConnectControls();
    OnChoicesGrew();
    ShowCounts();
}

CNotificationsDlg::~CNotificationsDlg() {
    m_cancelExport = true;
    if (m_exportThread.joinable())
        m_exportThread.join();
}

void CNotificationsDlg::CreateControls() {
    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("IDC_NOTIFICATION_FILTER"));
    m_filter->setAccessibleName(QStringLiteral("Filter"));
    m_filter->setAccessibleDescription(
        QStringLiteral("Text in any column, or source:, name:, version:, user: or type: and a "
                       "value; terms separated by spaces must all match"));
    m_filter->setPlaceholderText(QStringLiteral("text, or source:  name:  version:  user:  type:"));
    m_filter->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filter);

    auto* choiceLabel = new QLabel(QStringLiteral("&Show:"), this);
    m_choice = new QComboBox(this);
    m_choice->setObjectName(QStringLiteral("IDC_NOTIFICATION_CHOICE"));
    m_choice->setAccessibleName(QStringLiteral("Show"));
    m_choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_choice->setMinimumContentsLength(24);
    m_choice->addItem(QStringLiteral("All sources and names"));
    m_choice->setItemData(0, static_cast<int>(Chosen::All), kChosenRole);
    choiceLabel->setBuddy(m_choice);

    m_export = new QPushButton(QStringLiteral("&Export..."), this);
    m_export->setObjectName(QStringLiteral("IDC_NOTIFICATION_EXPORT"));
    m_export->setAutoDefault(false);
    auto* exportMenu = new QMenu(m_export);
    exportMenu->addAction(QStringLiteral("&All notifications..."), this,
                          [this] { OnExport(false); });
    exportMenu->addAction(QStringLiteral("&Shown notifications..."), this,
                          [this] { OnExport(true); });
    m_export->setMenu(exportMenu);

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("IDC_NOTIFICATION_LIST"));
    m_list->setAccessibleName(QStringLiteral("Notifications"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->setAlternatingRowColors(true);
    m_list->setTabKeyNavigation(false);
    // Rows of one height, set once: the table never measures its hundreds of thousands.
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->setHighlightSections(false);
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int column = 0; column < CNotificationModel::ColumnCount; ++column)
        m_list->setColumnWidth(column, kColumnChars[column] * charWidth);

    auto* detailsLabel = new QLabel(QStringLiteral("&Details:"), this);
    m_details = new QPlainTextEdit(this);
    m_details->setObjectName(QStringLiteral("IDC_NOTIFICATION_DETAILS"));
    m_details->setAccessibleName(QStringLiteral("Details"));
    m_details->setReadOnly(true);
    m_details->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_details->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_details->setTabChangesFocus(true);
    detailsLabel->setBuddy(m_details);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("IDC_NOTIFICATION_COUNT"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("IDC_NOTIFICATION_STATUS"));
    m_status->setTextFormat(Qt::PlainText);
    m_count->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(m_filter, 1);
    top->addWidget(choiceLabel);
    top->addWidget(m_choice);
    top->addWidget(m_export);

    auto* detailsPane = new QWidget(this);
    auto* detailsLayout = new QVBoxLayout(detailsPane);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->addWidget(detailsLabel);
    detailsLayout->addWidget(m_details);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_list);
    split->addWidget(detailsPane);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_status, 1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addLayout(bottom);

    setTabOrder(m_filter, m_choice);
    setTabOrder(m_choice, m_export);
    setTabOrder(m_export, m_list);
    setTabOrder(m_list, m_details);

    // As large as its columns want, within the screen's usable area, title bar included.
    int width = 0;
    for (int chars : kColumnChars)
        width += chars * charWidth;
    const QSize wanted(width + 40, 40 * (fontMetrics().height() + 6));
    FitToScreen(this, wanted,
                parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen());
}

void CNotificationsDlg::ConnectControls() {
    connect(m_filter, &QLineEdit::textChanged, this, &CNotificationsDlg::OnFilterChange);
    connect(m_choice, &QComboBox::currentIndexChanged, this, &CNotificationsDlg::OnFilterChange);
    connect(m_log, &CNotificationLog::choicesGrew, this, &CNotificationsDlg::OnChoicesGrew);
    connect(m_model, &CNotificationModel::countsChanged, this, &CNotificationsDlg::ShowCounts);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CNotificationsDlg::OnCurrentRowChange);
    // The table follows the newest rows while its last row is in view, as a log is read; an
    // operator who scrolled up or picked a row keeps the place.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* bar = m_list->verticalScrollBar();
        m_followNewest =
            bar->value() >= bar->maximum() && !m_list->selectionModel()->hasSelection();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_followNewest)
            m_list->scrollToBottom();
    });
}

void CNotificationsDlg::OnFilterChange() {
    CNotificationFilter filter = CNotificationFilter::Parse(m_filter->text().toStdString());
    const auto chosen = static_cast<Chosen>(m_choice->currentData(kChosenRole).toInt());
    const std::string value = m_choice->currentData(kValueRole).toString().toStdString();
    if (chosen == Chosen::Source)
        filter.ChooseSource(value);
    else if (chosen == Chosen::Name)
        filter.ChooseName(value);
    // The selected notification stays selected where the new filter shows it.
    const QModelIndex current = m_list->currentIndex();
    const std::uint64_t selected = current.isValid() ? m_model->NumberAt(current.row()) : 0;
    m_model->SetFilter(std::move(filter));
    const int row = selected ? m_model->RowOf(selected) : -1;
    if (row >= 0) {
        m_list->setCurrentIndex(m_model->index(row, 0));
        m_list->scrollTo(m_model->index(row, 0));
    } else {
        m_details->clear();
    }
}

void CNotificationsDlg::OnChoicesGrew() {
    const auto add = [this](int at, Chosen chosen, const char* word, const std::string& value) {
        m_choice->insertItem(at, QString::fromLatin1(word) + DialogTextOf(value));
        m_choice->setItemData(at, static_cast<int>(chosen), kChosenRole);
        m_choice->setItemData(at, QString::fromStdString(value), kValueRole);
    };
    const std::vector<std::string>& sources = m_log->Sources();
    for (; m_sourcesOffered < static_cast<int>(sources.size()); ++m_sourcesOffered)
        add(1 + m_sourcesOffered, Chosen::Source, "Source ",
            sources[static_cast<std::size_t>(m_sourcesOffered)]);
    const std::vector<std::string>& names = m_log->Names();
    for (; m_namesOffered < static_cast<int>(names.size()); ++m_namesOffered)
        add(1 + m_sourcesOffered + m_namesOffered, Chosen::Name, "Name ",
            names[static_cast<std::size_t>(m_namesOffered)]);
}

void CNotificationsDlg::OnCurrentRowChange() {
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid()) {
        m_details->clear();
        return;
    }
    const std::uint64_t number = m_model->NumberAt(current.row());
    m_details->setPlainText(DialogTextOf(NotificationDetailsText(*m_log->At(number), number)));
}

void CNotificationsDlg::ShowCounts() {
    QString text =
        QStringLiteral("Showing %1 of %2 notifications").arg(m_model->Shown()).arg(m_log->Count());
    if (m_model->Filtering())
        text += QStringLiteral(" (filtering...)");
    if (m_log->Removed() > 0)
        text += QStringLiteral("; the log is full: the %1 oldest went").arg(m_log->Removed());
    m_count->setText(text);
}

void CNotificationsDlg::OnExport(bool shownOnly) {
    if (ExportUnderWay())
        return;
    std::string path;
    ExportFormat format = ExportFormat::Csv;
    const FileChooser& chooser = FileChooserSlot();
    if (!(chooser ? chooser(this, &path, &format) : RealFileChooser(this, &path, &format)))
        return;
    // What is exported is fixed now; notifications that come meanwhile, or go from a full log,
    // change nothing of it, since each is shared and never changes.
    std::vector<ExportedNotification> chosen;
    if (shownOnly) {
        chosen.reserve(m_model->Shown());
        for (int row = 0; row < static_cast<int>(m_model->Shown()); ++row)
            chosen.push_back({m_model->NumberAt(row), m_log->At(m_model->NumberAt(row))});
    } else {
        chosen.reserve(m_log->Count());
        for (std::uint64_t number = m_log->First(); number < m_log->End(); ++number)
            chosen.push_back({number, m_log->At(number)});
    }
    m_export->setEnabled(false);
    m_status->setText(QStringLiteral("Exporting %1 notifications to %2...")
                          .arg(chosen.size())
                          .arg(DialogTextOf(path)));
    m_cancelExport = false;
    m_exportThread = std::thread([this, chosen = std::move(chosen), format, path] {
        std::string error;
        const ExportResult result =
            ExportNotifications(chosen, format, path, &error, &m_cancelExport);
        const std::size_t count = chosen.size();
        QMetaObject::invokeMethod(
            this, [this, result, path, count, error] { EndExport(result, path, count, error); },
            Qt::QueuedConnection);
    });
}

void CNotificationsDlg::EndExport(ExportResult result, const std::string& path, std::size_t count,
                                  const std::string& error) {
    m_exportThread.join();
    m_export->setEnabled(true);
    switch (result) {
    case ExportResult::Written:
        m_status->setText(
            QStringLiteral("Exported %1 notifications to %2").arg(count).arg(DialogTextOf(path)));
        break;
    case ExportResult::Failed:
        m_status->setText(QStringLiteral("Nothing exported"));
        m_box(error.c_str(), "Export Error", MB_ICONERROR);
        break;
    case ExportResult::Cancelled:
        m_status->clear();
        break;
    }
    emit exportEnded();
}
