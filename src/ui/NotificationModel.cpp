#include "ui/NotificationModel.h"

#include "traps/NotificationText.h"
#include "ui/DialogText.h"
#include "ui/NotificationLog.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace {

// How long one slice of applying a filter may hold the window's thread.
constexpr qint64 kSliceMs = 8;

constexpr const char* kHeaders[CNotificationModel::ColumnCount] = {
    "Time", "Source", "Version", "Community or user", "Type", "Name", "Bindings",
};

} // namespace

std::size_t CNotificationModel::s_sliceRows = 0;

CNotificationModel::CNotificationModel(CNotificationLog* log, QObject* parent)
    : QAbstractTableModel(parent), m_log(log) {
    m_scanTimer.setSingleShot(true);
    connect(&m_scanTimer, &QTimer::timeout, this, &CNotificationModel::ScanSlice);
    connect(log, &CNotificationLog::rowsRemoved, this, &CNotificationModel::OnRowsRemoved);
    connect(log, &CNotificationLog::rowsAppended, this, &CNotificationModel::OnRowsAppended);
    SetFilter(CNotificationFilter());
}

void CNotificationModel::SetFilter(CNotificationFilter filter) {
    beginResetModel();
    m_filter = std::move(filter);
    m_shown.clear();
    m_scanned = m_log->First();
    m_scanEnd = m_log->End();
    endResetModel();
    ScanSlice();
}

void CNotificationModel::ScanSlice() {
    QElapsedTimer slice;
    slice.start();
    std::size_t tested = 0;
    while (m_scanned < m_scanEnd) {
        std::uint64_t end = std::min(m_scanEnd, m_scanned + 4096);
        if (s_sliceRows != 0)
            end = std::min<std::uint64_t>(end, m_scanned + (s_sliceRows - tested));
        AddMatching(m_scanned, end);
        tested += end - m_scanned;
        m_scanned = end;
        if (slice.elapsed() >= kSliceMs || (s_sliceRows != 0 && tested >= s_sliceRows))
            break;
    }
    if (Filtering())
        m_scanTimer.start(0);
    emit countsChanged();
}

void CNotificationModel::AddMatching(std::uint64_t from, std::uint64_t end) {
    std::vector<std::uint64_t> matching;
    if (m_filter.ShowsAll()) {
        for (std::uint64_t number = from; number < end; ++number)
            matching.push_back(number);
    } else {
        for (std::uint64_t number = from; number < end; ++number) {
            if (m_filter.Matches(*m_log->At(number)))
                matching.push_back(number);
        }
    }
    if (matching.empty())
        return;
    const int first = static_cast<int>(m_shown.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(matching.size()) - 1);
    m_shown.insert(m_shown.end(), matching.begin(), matching.end());
    endInsertRows();
}

void CNotificationModel::OnRowsRemoved(std::uint64_t first) {
    m_scanned = std::max(m_scanned, first);
    m_scanEnd = std::max(m_scanEnd, first);
    const auto gone =
        static_cast<int>(std::lower_bound(m_shown.begin(), m_shown.end(), first) - m_shown.begin());
    if (gone > 0) {
        beginRemoveRows(QModelIndex(), 0, gone - 1);
        m_shown.erase(m_shown.begin(), m_shown.begin() + gone);
        endRemoveRows();
    }
    emit countsChanged();
}

void CNotificationModel::OnRowsAppended(std::uint64_t from) {
    if (Filtering()) {
        // The slices go on to the new end, so that the rows stay in the order they came.
        m_scanEnd = m_log->End();
        return;
    }
    AddMatching(std::max(from, m_scanned), m_log->End());
    m_scanned = m_scanEnd = m_log->End();
    emit countsChanged();
}

int CNotificationModel::RowOf(std::uint64_t number) const {
    const auto at = std::lower_bound(m_shown.begin(), m_shown.end(), number);
    return at != m_shown.end() && *at == number ? static_cast<int>(at - m_shown.begin()) : -1;
}

int CNotificationModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int CNotificationModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

std::string CNotificationModel::CellText(const CNotification& n, int column) {
    switch (column) {
    case Time:
        return ArrivalText(n.ArrivalMs());
    case Source:
        return SourceText(n);
    case Version:
        return NotificationVersionText(n.Version());
    case User:
        return CommunityText(n);
    case Kind:
        return NotificationKindText(n);
    case Name:
        return std::string(n.NameText());
    case Bindings:
        return std::string(n.BindingsShort());
    default:
        return {};
    }
}

QVariant CNotificationModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_shown.size()))
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (role == Qt::ToolTipRole && index.column() != Bindings && index.column() != Name)
        return {};
    return DialogTextOf(CellText(*m_log->At(NumberAt(index.row())), index.column()));
}

QVariant CNotificationModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}
