#include "ui/WatchModel.h"

#include "values/LineText.h"

#include <QLocale>

#include <cmath>

namespace {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A change in whole units: a counter's count, a gauge's step with its sign.
QString ChangeText(long double change, bool signedChange) {
    const long double whole = std::round(change);
    QString text = QString::number(static_cast<double>(whole), 'f', 0);
    if (signedChange && whole > 0)
        text.prepend(QLatin1Char('+'));
    return text;
}

QString RateText(double rate) {
    return QString::number(rate, 'f', 2);
}

} // namespace

CWatchModel::CWatchModel(QObject* parent) : QAbstractTableModel(parent) {}

QString CWatchModel::NameOf(const std::vector<UINT>& oid) {
    const AsnObjectIdentifier name{static_cast<UINT>(oid.size()), const_cast<UINT*>(oid.data())};
    // By the modules' names where they have one, as the table view heads its columns.
    return Utf8(values::LineIdentifierText(name, values::LineTexts{false, true}));
}

int CWatchModel::AddObject(const std::vector<UINT>& oid) {
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].oid == oid)
            return static_cast<int>(r);
    }
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    Row added;
    added.oid = oid;
    added.name = NameOf(oid);
    m_rows.push_back(std::move(added));
    endInsertRows();
    return row;
}

void CWatchModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void CWatchModel::ReplaceObject(int row, const std::vector<UINT>& oid) {
    if (row < 0 || row >= rowCount())
        return;
    Row fresh;
    fresh.oid = oid;
    fresh.name = NameOf(oid);
    m_rows[static_cast<size_t>(row)] = std::move(fresh);
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

void CWatchModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

std::vector<std::vector<UINT>> CWatchModel::PolledObjects(std::vector<int>* rows) const {
    std::vector<std::vector<UINT>> objects;
    rows->clear();
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].leftOut)
            continue;
        objects.push_back(m_rows[r].oid);
        rows->push_back(static_cast<int>(r));
    }
    return objects;
}

void CWatchModel::AddPoint(Row& row, Point point) {
    if (row.breakNext) {
        point.isBreak = true;
        row.breakNext = false;
    }
    row.history.push_back(point);
    while (!row.history.empty() && row.history.front().atMs < point.atMs - kHistoryMs)
        row.history.pop_front();
}

void CWatchModel::TakeAnswer(const flows::PollAnswer& answer, const std::vector<int>& rows,
                             qint64 atMs) {
    for (std::size_t i = 0; i < rows.size() && i < answer.values.size(); ++i) {
        if (rows[i] < 0 || rows[i] >= rowCount())
            continue;
        Row& row = m_rows[static_cast<size_t>(rows[i])];
        const flows::PolledValue& polled = answer.values[i];
        row.value = polled.otherName ? QStringLiteral("(the agent answered another object)")
                                     : Utf8(polled.text);
        row.change.clear();
        row.rate.clear();
        const std::optional<values::CounterSample>& sample = polled.sample;
        if (!sample) {
            // An exception, another object, or a value that is no number: nothing to compare
            // the next one with.
            if (row.last)
                row.breakNext = true;
            row.last.reset();
            continue;
        }
        row.counter = sample->type == ASN_COUNTER32 || sample->type == ASN_COUNTER64;
        if (row.last && values::HeldByCache(*row.last, *sample)) {
            // Most likely the agent's cache: the rate shown stays until the counter moves, and
            // is then counted from its last change.
            row.change = QStringLiteral("0 (unchanged)");
            row.rate = row.heldRate;
            continue;
        }
        row.heldRate.clear();
        if (row.last) {
            const values::CounterStep step = values::StepBetween(
                *row.last, *sample,
                static_cast<std::uint64_t>(std::max<qint64>(0, atMs - row.lastAtMs)));
            switch (step.kind) {
            case values::StepKind::None:
                row.breakNext = true;
                break;
            case values::StepKind::Change:
                row.change = ChangeText(step.change, true);
                break;
            case values::StepKind::Rate:
                row.change = ChangeText(step.change, false);
                row.rate = RateText(step.ratePerSecond);
                row.heldRate = row.rate;
                if (step.wrapped)
                    row.change += QStringLiteral(" (wrapped)");
                AddPoint(row, {atMs, step.ratePerSecond, false});
                break;
            case values::StepKind::NoTime:
                row.change = ChangeText(step.change, false);
                row.rate = QStringLiteral("(no time passed on the agent)");
                break;
            case values::StepKind::Restart:
                row.change = QStringLiteral("break: the agent restarted");
                row.breakNext = true;
                break;
            case values::StepKind::Reset:
                row.change = QStringLiteral("break: the counter went back");
                row.breakNext = true;
                break;
            }
        }
        if (!row.counter) {
            const double figure = sample->type == ASN_INTEGER
                                      ? static_cast<double>(sample->signedValue)
                                      : static_cast<double>(sample->unsignedValue);
            AddPoint(row, {atMs, figure, false});
        }
        row.last = sample;
        row.lastAtMs = atMs;
    }
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

void CWatchModel::LeaveOut(int row, const QString& why) {
    if (row < 0 || row >= rowCount())
        return;
    Row& r = m_rows[static_cast<size_t>(row)];
    r.leftOut = true;
    r.value = why;
    r.change.clear();
    r.rate.clear();
    r.last.reset();
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

void CWatchModel::BreakAll(qint64 /*atMs*/) {
    for (Row& row : m_rows) {
        if (row.last)
            row.breakNext = true;
    }
}

QString CWatchModel::Text(int row, int column) const {
    const Row& r = m_rows[static_cast<size_t>(row)];
    switch (column) {
    case kName:
        return r.name;
    case kValue:
        return r.value;
    case kChange:
        return r.change;
    case kRate:
        return r.rate;
    default:
        return QString();
    }
}

int CWatchModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CWatchModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CWatchModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return Text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() != kName)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant CWatchModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case kName:
        return QStringLiteral("Object");
    case kValue:
        return QStringLiteral("Value");
    case kChange:
        return QStringLiteral("Change");
    case kRate:
        return QStringLiteral("Rate/s");
    default:
        return QVariant();
    }
}
