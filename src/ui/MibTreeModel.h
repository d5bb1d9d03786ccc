// The tree of every node of a name table, for the MIB browser's view: each node as
// "name(number)" (its number alone where no module names it), its children in the order of
// their numbers, and a search over every node's name in the tree's order.
#pragma once

#include "snmpapi/MibNames.h"

#include <QAbstractItemModel>

#include <memory>
#include <string>
#include <vector>

class CMibTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit CMibTreeModel(QObject* parent = nullptr);

    // Shows `table` from now on; the views' indexes of the table before are gone.
    void SetTable(std::shared_ptr<const mibnames::Table> table);
    const std::shared_ptr<const mibnames::Table>& Table() const { return m_table; }

    int NodeOf(const QModelIndex& index) const; // kNone for the invisible root
    QModelIndex IndexOf(int node) const;
    // The node's identifier from the root.
    std::vector<UINT> PathOf(int node) const;
    // The node of that identifier, or the deepest one on its way; kNone for none.
    int NodeAt(const std::vector<UINT>& ids) const;

    // The next node after `after` in the tree's order (from the first when kNone), round to
    // the start, whose name holds `text` without regard to case; kNone when none does.
    int FindName(const std::string& text, int after) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;

private:
    std::shared_ptr<const mibnames::Table> m_table;
    // Every node's name in lower case, in the tree's order, each ended by a line break;
    // where each starts, and the node of each.
    std::string m_names;
    std::vector<std::uint32_t> m_starts;
    std::vector<int> m_order;
    std::vector<int> m_placeOf; // a node's place in m_order
};
