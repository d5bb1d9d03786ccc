#include "ui/TableModel.h"

#include "values/LineBinding.h"
#include "values/TableIndex.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A value's sort key: its number where it is one (whatever the text says of it: "up(1)",
// "(12345) 0:02:03.45"), else its text.
QVariant SortKey(const AsnAny& value, const QString& text) {
    switch (value.asnType) {
    case ASN_INTEGER:
        return QVariant::fromValue<qlonglong>(value.asnValue.number);
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        return QVariant::fromValue<qulonglong>(value.asnValue.unsigned32);
    case ASN_IPADDRESS:
        if (value.asnValue.address.length == 4) {
            qulonglong number = 0;
            for (UINT i = 0; i < 4; ++i)
                number = (number << 8) | value.asnValue.address.stream[i];
            return QVariant::fromValue(number);
        }
        break;
    default:
        break;
    }
    // A Counter64, or a number as text: the first word, where it is a number.
    bool ok = false;
    const qulonglong number = text.section(QLatin1Char(' '), 0, 0).toULongLong(&ok);
    if (ok)
        return QVariant::fromValue(number);
    return text;
}

bool Readable(const mibnames::Definition* d) {
    return d && d->kind == mibnames::Kind::Value && d->syntax != mibnames::Syntax::None &&
           d->access != mibnames::Access::None && d->access != mibnames::Access::NotAccessible &&
           d->access != mibnames::Access::AccessibleForNotify;
}

} // namespace

CTableModel::CTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void CTableModel::Clear() {
    beginResetModel();
    m_headers.clear();
    m_columns.clear();
    m_cells.clear();
    m_indexColumns = 0;
    m_rows = 0;
    m_unfitRows = 0;
    m_entries.clear();
    m_indexes.clear();
    endResetModel();
}

void CTableModel::Fill(const mibnames::Table& names, const std::vector<std::vector<UINT>>& entries,
                       const std::vector<std::string>& bindings, const values::LineTexts& texts) {
    beginResetModel();
    m_headers.clear();
    m_columns.clear();
    m_cells.clear();
    m_rows = 0;
    m_unfitRows = 0;
    m_entries = entries;
    m_indexes.clear();

    std::vector<int> entryNodes;
    for (const std::vector<UINT>& entry : entries) {
        UINT covered = 0;
        const int deepest = names.Deepest(entry.data(), static_cast<UINT>(entry.size()), &covered);
        entryNodes.push_back(covered == entry.size() ? deepest : mibnames::kNone);
    }
    const std::vector<values::IndexPartSyntax> parts =
        values::IndexPartsOf(names, entryNodes.empty() ? mibnames::kNone : entryNodes[0]);

    // Every answer under one of the entries' columns, by index in the agent's order: the
    // order of an SNMP index is the order of its sub-identifiers.
    struct Answer {
        Column column;
        QString text;
        QVariant key;
    };
    std::map<std::vector<UINT>, std::vector<Answer>> rows;
    std::set<Column> columns;
    CLineBinding line;
    for (const std::string& bytes : bindings) {
        if (!line.Decode(bytes))
            continue;
        const SnmpVarBind vb = line.View();
        for (std::size_t e = 0; e < entries.size(); ++e) {
            const std::vector<UINT>& entry = entries[e];
            const std::size_t prefix = entry.size();
            if (vb.name.idLength < prefix + 2 ||
                !std::equal(entry.begin(), entry.end(), vb.name.ids))
                continue;
            const Column column{e, vb.name.ids[prefix]};
            std::vector<UINT> index(vb.name.ids + prefix + 1, vb.name.ids + vb.name.idLength);
            const QString text = Utf8(values::LineValueText(vb, texts));
            rows[std::move(index)].push_back({column, text, SortKey(vb.value, text)});
            columns.insert(column);
            break;
        }
    }
    // The columns that the modules define as readable, answered or not, beside those
    // answered.
    for (std::size_t e = 0; e < entryNodes.size(); ++e) {
        if (entryNodes[e] == mibnames::kNone)
            continue;
        for (int i = 0; i < names.ChildCount(entryNodes[e]); ++i) {
            const int child = names.ChildAt(entryNodes[e], i);
            if (Readable(names.DefinitionOf(child)))
                columns.insert({e, names.Arc(child)});
        }
    }

    m_indexColumns = parts.empty() ? 1 : static_cast<int>(parts.size());
    if (parts.empty())
        m_headers.push_back(QStringLiteral("Index"));
    for (const values::IndexPartSyntax& part : parts)
        m_headers.push_back(Utf8(part.name));
    for (const Column& column : columns) {
        const int entryNode = entryNodes[column.entry];
        const int child = entryNode == mibnames::kNone ? mibnames::kNone
                                                       : names.ChildByArc(entryNode, column.arc);
        m_columns.push_back(column);
        m_headers.push_back(child != mibnames::kNone && names.Named(child)
                                ? Utf8(std::string(names.Name(child)))
                                : QString::number(column.arc));
    }

    const std::size_t width = m_headers.size();
    m_rows = static_cast<int>(rows.size());
    m_cells.resize(rows.size() * width);
    std::size_t row = 0;
    m_indexes.reserve(rows.size());
    for (auto& [index, answers] : rows) {
        m_indexes.push_back(index);
        CellData* cells = &m_cells[row * width];
        const auto decoded =
            values::DecodeIndex(parts, index.data(), static_cast<UINT>(index.size()));
        if (decoded) {
            for (std::size_t i = 0; i < decoded->size(); ++i) {
                const values::IndexValue& value = (*decoded)[i];
                cells[i].text = Utf8(value.text);
                cells[i].key = value.numeric ? QVariant::fromValue<qulonglong>(value.number)
                                             : QVariant(cells[i].text);
            }
        } else {
            // Shown by its numbers, which sort after one another as texts do.
            if (!parts.empty())
                ++m_unfitRows;
            cells[0].text =
                Utf8(values::RawIndexText(index.data(), static_cast<UINT>(index.size())));
            cells[0].key = index.size() == 1 ? QVariant::fromValue<qulonglong>(index[0])
                                             : QVariant(cells[0].text);
        }
        for (Answer& answer : answers) {
            const auto at = std::lower_bound(m_columns.begin(), m_columns.end(), answer.column);
            CellData& cell = cells[static_cast<size_t>(m_indexColumns) +
                                   static_cast<size_t>(at - m_columns.begin())];
            cell.text = std::move(answer.text);
            cell.key = std::move(answer.key);
        }
        ++row;
    }
    endResetModel();
}

std::vector<UINT> CTableModel::CellObject(int row, int column) const {
    const UINT arc = ColumnArc(column);
    if (arc == 0 || row < 0 || row >= m_rows)
        return {};
    std::vector<UINT> oid = m_entries[ColumnEntry(column)];
    oid.push_back(arc);
    const std::vector<UINT>& index = m_indexes[static_cast<size_t>(row)];
    oid.insert(oid.end(), index.begin(), index.end());
    return oid;
}

UINT CTableModel::ColumnArc(int column) const {
    if (column < m_indexColumns || column >= static_cast<int>(m_headers.size()))
        return 0;
    return m_columns[static_cast<size_t>(column - m_indexColumns)].arc;
}

std::size_t CTableModel::ColumnEntry(int column) const {
    if (column < m_indexColumns || column >= static_cast<int>(m_headers.size()))
        return 0;
    return m_columns[static_cast<size_t>(column - m_indexColumns)].entry;
}

QString CTableModel::Header(int column) const {
    return m_headers[static_cast<size_t>(column)];
}

QString CTableModel::Cell(int row, int column) const {
    return At(row, column).text;
}

int CTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int CTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant CTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows ||
        index.column() >= static_cast<int>(m_headers.size()))
        return {};
    const CellData& cell = At(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cell.text;
    case kSortRole:
        return cell.key;
    case Qt::TextAlignmentRole:
        // Numbers line up on their right, as in a sheet.
        if (cell.key.typeId() == QMetaType::ULongLong || cell.key.typeId() == QMetaType::LongLong)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant CTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= static_cast<int>(m_headers.size()))
        return {};
    return m_headers[static_cast<size_t>(section)];
}
