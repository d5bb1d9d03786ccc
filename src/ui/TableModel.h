// The rows of a conceptual table as the table view shows them: one row per index, the
// index's INDEX objects as the first columns, then one column per columnar object (its name
// from the modules, or its number where no module names it), a cell that the agent did not
// answer left empty. Made at once from the bindings that a walk under the entry brought.
#pragma once

#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"
#include "values/LineText.h"

#include <QAbstractTableModel>
#include <QString>
#include <QVariant>

#include <memory>
#include <string>
#include <vector>

class CTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The role by which the view's proxy sorts: numbers as numbers, the rest as texts.
    static constexpr int kSortRole = Qt::UserRole;

    explicit CTableModel(QObject* parent = nullptr);

    // The table of the entry `entry` (its identifier) from `bindings` (each as
    // EncodeLineBinding wrote it, in the agent's order), values written as `texts` says.
    // Bindings outside the entry's columns are left out.
    void Fill(const mibnames::Table& names, const std::vector<UINT>& entry,
              const std::vector<std::string>& bindings, const values::LineTexts& texts) {
        Fill(names, std::vector<std::vector<UINT>>{entry}, bindings, texts);
    }
    // The same for entries of the same rows (a base and the entries that augment it), their
    // columns in the order of `entries`; the first entry's INDEX reads the rows' indexes.
    void Fill(const mibnames::Table& names, const std::vector<std::vector<UINT>>& entries,
              const std::vector<std::string>& bindings, const values::LineTexts& texts);
    void Clear();

    int IndexColumnCount() const { return m_indexColumns; }
    // The rows whose index fits no INDEX of the entry, shown by their numbers.
    int UnfitRowCount() const { return m_unfitRows; }
    // The sub-identifier of a column of objects (0 for an index column), and the entry that
    // the column is of (the place in `entries` of Fill; 0 for an index column).
    UINT ColumnArc(int column) const;
    std::size_t ColumnEntry(int column) const;
    QString Header(int column) const;
    QString Cell(int row, int column) const;
    // The identifier of the object in a cell of a column of objects (entry, column, the
    // row's index), answered or not; empty for an index column.
    std::vector<UINT> CellObject(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct CellData {
        QString text;
        QVariant key; // the sort key; a number where the value is one
    };
    const CellData& At(int row, int column) const {
        return m_cells[static_cast<size_t>(row) * m_headers.size() + static_cast<size_t>(column)];
    }

    std::vector<QString> m_headers;
    struct Column {
        std::size_t entry; // its place in the entries filled
        UINT arc;
        auto operator<=>(const Column&) const = default;
    };
    std::vector<Column> m_columns; // per column of objects, in the order shown
    int m_indexColumns = 0;
    int m_rows = 0;
    int m_unfitRows = 0;
    std::vector<CellData> m_cells; // row by row
    std::vector<std::vector<UINT>> m_entries; // as filled: a column's entry is its place here
    std::vector<std::vector<UINT>> m_indexes; // per row
};
