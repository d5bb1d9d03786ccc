#include "ui/MibTreeModel.h"

#include <algorithm>
#include <cctype>

CMibTreeModel::CMibTreeModel(QObject* parent) : QAbstractItemModel(parent) {
    SetTable(mibnames::Current());
}

void CMibTreeModel::SetTable(std::shared_ptr<const mibnames::Table> table) {
    beginResetModel();
    m_table = std::move(table);
    m_names.clear();
    m_starts.clear();
    m_order.clear();
    m_placeOf.assign(static_cast<size_t>(m_table->Count()), 0);
    // The tree's order, depth first: the roots and each node's children by their numbers.
    std::vector<int> pending;
    for (int i = m_table->ChildCount(mibnames::kNone) - 1; i >= 0; --i)
        pending.push_back(m_table->ChildAt(mibnames::kNone, i));
    while (!pending.empty()) {
        const int node = pending.back();
        pending.pop_back();
        m_placeOf[static_cast<size_t>(node)] = static_cast<int>(m_order.size());
        m_order.push_back(node);
        m_starts.push_back(static_cast<std::uint32_t>(m_names.size()));
        for (char c : m_table->Name(node))
            m_names += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        m_names += '\n';
        for (int i = m_table->ChildCount(node) - 1; i >= 0; --i)
            pending.push_back(m_table->ChildAt(node, i));
    }
    endResetModel();
}

int CMibTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<int>(index.internalId()) : mibnames::kNone;
}

QModelIndex CMibTreeModel::IndexOf(int node) const {
    if (node == mibnames::kNone || node >= m_table->Count())
        return {};
    return createIndex(m_table->RowOf(node), 0, static_cast<quintptr>(node));
}

std::vector<UINT> CMibTreeModel::PathOf(int node) const {
    std::vector<UINT> ids;
    for (int n = node; n != mibnames::kNone; n = m_table->Parent(n))
        ids.insert(ids.begin(), m_table->Arc(n));
    return ids;
}

int CMibTreeModel::NodeAt(const std::vector<UINT>& ids) const {
    UINT covered = 0;
    return m_table->Deepest(ids.data(), static_cast<UINT>(ids.size()), &covered);
}

int CMibTreeModel::FindName(const std::string& text, int after) const {
    if (text.empty() || m_order.empty() || text.find('\n') != std::string::npos)
        return mibnames::kNone;
    std::string wanted;
    for (char c : text)
        wanted += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t from =
        after == mibnames::kNone
            ? 0
            : m_starts[static_cast<size_t>(m_placeOf[static_cast<size_t>(after)])] + 1;
    // One search of all names from there, then from the start: the place found is in the
    // name that begins last before it.
    for (size_t start : {from, size_t{0}}) {
        const size_t at = m_names.find(wanted, start);
        if (at != std::string::npos) {
            const auto name = std::upper_bound(m_starts.begin(), m_starts.end(), at) - 1;
            return m_order[static_cast<size_t>(name - m_starts.begin())];
        }
    }
    return mibnames::kNone;
}

QModelIndex CMibTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const int node = NodeOf(parent);
    if (column != 0 || row < 0 || row >= m_table->ChildCount(node))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(m_table->ChildAt(node, row)));
}

QModelIndex CMibTreeModel::parent(const QModelIndex& child) const {
    const int node = NodeOf(child);
    return node == mibnames::kNone ? QModelIndex() : IndexOf(m_table->Parent(node));
}

int CMibTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.column() > 0 ? 0 : m_table->ChildCount(NodeOf(parent));
}

int CMibTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool CMibTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant CMibTreeModel::data(const QModelIndex& index, int role) const {
    const int node = NodeOf(index);
    if (node == mibnames::kNone || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const QString number = QString::number(m_table->Arc(node));
    if (!m_table->Named(node))
        return number;
    const std::string_view name = m_table->Name(node);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) + '(' + number + ')';
}
