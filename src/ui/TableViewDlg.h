// The table view (IDD_TABLE_VIEW): a conceptual table of the agent of the main window's open
// session as rows and columns (IDC_TABLE), one row per index with its INDEX objects first
// and one column per columnar object, sortable by any column; "&Refresh" fetches it again,
// "&Copy" puts the selected cells (or the whole table) on the clipboard as tab-separated
// text under a line of headers, and a status line tells how many rows and columns came and
// how the fetch ended. The fetch is the walk of Get All under the table's entry, on the
// main window's session, with the main window's progress line and Cancel.
//
// A window of its own beside the main one, laid out by Qt's layouts; every control has a
// name for screen readers and is reached by Tab and by its mnemonic. It closes when the
// session closes.
#pragma once

#include "outcome/Outcome.h"
#include "snmpapi/SnmpApi.h"

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class CManagerDlg;
class CTableModel;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

class CTableViewDlg : public QDialog {
    Q_OBJECT

public:
    explicit CTableViewDlg(CManagerDlg* dlg);

    // Shows the table that `oid` names (a table, its entry, or any identifier as an entry
    // whose INDEX is unknown) and fetches it.
    void ShowTable(const std::vector<UINT>& oid);
    // "&Refresh": fetches the table again; nothing while a request is under way.
    void OnRefresh();
    // "&Copy": the selected cells, or the whole table when none is selected, on the clipboard.
    void OnCopy();
    // "&Watch": the objects of the selected cells in the live counters.
    void OnWatch();
    // What Copy puts on the clipboard, in the order shown: a header line, then a line per row,
    // cells separated by tabs.
    QString CopyText() const;

    CTableModel* Model() const { return m_model; }
    QTableView* View() const { return m_table; }
    QString StatusText() const;
    // The identifier of the entry shown, and those walked: the entry's, after its base's where
    // it AUGMENTS another.
    const std::vector<UINT>& Entry() const { return m_entry; }
    const std::vector<std::vector<UINT>>& Entries() const { return m_entries; }
    // How long the table took from the walk's end to a model filled and columns sized, in
    // milliseconds.
    double LastFillMs() const { return m_fillMs; }

private:
    void CreateControls();
    void ShowStatus(const Outcome& end, std::size_t objects, bool full);

    CManagerDlg* m_dlg;
    CTableModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_watch = nullptr;
    std::vector<UINT> m_entry;
    std::vector<std::vector<UINT>> m_entries;
    QString m_name; // the table's name, or its numbers
    double m_fillMs = 0;
};
