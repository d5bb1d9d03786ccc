// The MIB browser: a window beside the main window in which the operator finds an object
// by a part of its name, its MODULE::name or its number, reads what the modules say of it
// (its names in both forms and its definition as snmptranslate -Td shows it), puts its
// identifier into the main window's OID box or runs Get or Get All on it there, follows the
// line selected in the walk list or the trap window (its node, and its value as sent and as
// the MIB describes it), and reads what became of every module the MIB reader read or
// tried. It grows as the modules are read.
#pragma once

#include "values/LineBinding.h"

#include <QDialog>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

class CManagerDlg;
class CMibModuleModel;
class CMibTreeModel;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

class CMibBrowser : public QDialog {
    Q_OBJECT

public:
    // A window of its own, owned by `dlg`, whose OID box, Get and Get All its buttons use.
    explicit CMibBrowser(CManagerDlg* dlg);

    // Selects the node in the tree (its parents opened) and shows what the modules say of it.
    void ShowNode(int node);
    // Shows the node of a line's binding and the binding's value in both texts.
    void FollowLine(const CLineBinding& line);
    int CurrentNode() const { return m_node; }
    // What Use puts into the OID box: the followed line's identifier while its node is the
    // one shown, else the node's own, with ".0" for a scalar.
    std::string Identifier() const;
    // The text of the definition pane.
    QString DetailsText() const;

    // The find box's search: the first node (after the one shown when `next`) whose name
    // holds the text, or the node that a MODULE::name, a name path or a number reaches.
    void Find(bool next);
    void OnUse();
    void OnGet();
    void OnGetAll();
    // "&Table": the table view of the table or entry node shown.
    void OnTable();
    // "&Watch": the live counters of the object shown (a scalar's instance, the line's).
    void OnWatch();

    // Takes the names and the module report in force when they changed since the last look
    // (the window looks every quarter of a second).
    void Refresh();

private:
    void CreateControls();
    void ConnectSignals();
    void FollowSelection(int listId);
    void ShowDetails();
    std::vector<std::vector<UINT>> ExpandedPaths() const;

    CManagerDlg* m_dlg;
    CMibTreeModel* m_tree = nullptr;
    CMibModuleModel* m_modules = nullptr;
    QLineEdit* m_find = nullptr;
    QLabel* m_findResult = nullptr;
    QTreeView* m_treeView = nullptr;
    QPlainTextEdit* m_details = nullptr;
    QPushButton* m_use = nullptr;
    QPushButton* m_get = nullptr;
    QPushButton* m_getAll = nullptr;
    QPushButton* m_table = nullptr;
    QPushButton* m_watch = nullptr;
    QLabel* m_modulesLabel = nullptr;
    QTreeView* m_modulesView = nullptr;
    QTimer m_refresh;
    int m_node = -1;
    std::optional<CLineBinding> m_line; // the followed line, while its node is shown
    int m_lineNode = -1;
};
