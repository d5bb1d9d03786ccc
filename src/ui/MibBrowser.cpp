#include "ui/MibBrowser.h"

#include "snmpapi/MibNames.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/MibModuleModel.h"
#include "ui/MibTreeModel.h"
#include "ui/Resource.h"
#include "ui/ScreenFit.h"
#include "values/MibValues.h"
#include "values/TableIndex.h"
#include "values/Values.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTreeView>

#include <memory>

namespace {

// How often the window looks for names and reports that a load has put in force.
constexpr int kRefreshMs = 250;

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Dotted(const UINT* ids, UINT length) {
    std::string text;
    for (UINT i = 0; i < length; ++i)
        text += "." + std::to_string(ids[i]);
    return text;
}

// The identifier's text in the OID box's name form.
std::string NameForm(const UINT* ids, UINT length) {
    AsnObjectIdentifier oid{length, const_cast<UINT*>(ids)};
    char* text = nullptr;
    std::string name;
    if (SnmpMgrOidToStr(&oid, &text))
        name = text;
    SnmpUtilMemFree(text);
    return name;
}

// An object of a single instance: an object with a syntax that can be read, outside a row.
bool IsScalar(const mibnames::Table& names, int node) {
    const mibnames::Definition* d = names.DefinitionOf(node);
    if (!d || d->kind != mibnames::Kind::Value || d->syntax == mibnames::Syntax::None ||
        d->access == mibnames::Access::None || d->access == mibnames::Access::NotAccessible)
        return false;
    const int parent = names.Parent(node);
    const mibnames::Definition* row =
        parent == mibnames::kNone ? nullptr : names.DefinitionOf(parent);
    return !row || (row->index.empty() && row->augments.empty());
}

QPushButton* Button(const char* text, const char* id, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(id));
    // Enter in the find box looks for the next node; it clicks no button.
    button->setAutoDefault(false);
    return button;
}

} // namespace

CMibBrowser::CMibBrowser(CManagerDlg* dlg) : QDialog(dlg), m_dlg(dlg) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("IDD_MIB_BROWSER"));
    setWindowTitle(QStringLiteral("MIB Browser"));
    CreateControls();
    ConnectSignals();
    // Room for a tree, a definition and the module list, within a 1280 x 720 screen, and less
    // on a screen with less room: the window is whole on its screen, title bar included.
    FitToScreen(this, QSize(960, 600), dlg->screen());
    m_refresh.start(kRefreshMs);
}

void CMibBrowser::CreateControls() {
    m_tree = new CMibTreeModel(this);
    m_modules = new CMibModuleModel(this);

    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("IDC_MIB_FIND"));
    m_find->setAccessibleName(QStringLiteral("Find"));
    m_find->setPlaceholderText(QStringLiteral("part of a name, MODULE::name or 1.3.6.1..."));
    m_find->setClearButtonEnabled(true);
    findLabel->setBuddy(m_find);
    m_findResult = new QLabel(this);
    m_findResult->setAccessibleName(QStringLiteral("Found"));

    m_treeView = new QTreeView(this);
    m_treeView->setObjectName(QStringLiteral("IDC_MIB_TREE"));
    m_treeView->setAccessibleName(QStringLiteral("MIB tree"));
    m_treeView->setModel(m_tree);
    m_treeView->setHeaderHidden(true);
    m_treeView->setUniformRowHeights(true); // a million nodes are drawn as fast as ten
    // Long names are scrolled to, not cut: a column wider than the view (measuring the
    // contents would cost each opening of a branch a look at every row shown).
    m_treeView->header()->setStretchLastSection(false);
    m_treeView->header()->resizeSection(0, 100 * m_treeView->fontMetrics().averageCharWidth());

    m_details = new QPlainTextEdit(this);
    m_details->setObjectName(QStringLiteral("IDC_MIB_DETAILS"));
    m_details->setAccessibleName(QStringLiteral("Definition"));
    m_details->setReadOnly(true);
    m_details->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The keyboard moves on from it, as from every read-only box; in the desktop's fixed
    // font with tabs at every eight characters, as snmptranslate's text is laid out.
    m_details->setTabChangesFocus(true);
    m_details->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_details->setTabStopDistance(8 * m_details->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_use = Button("&Use", "IDC_MIB_USE", this);
    m_use->setToolTip(QStringLiteral("Put the identifier into the OID box"));
    m_get = Button("&Get", "IDC_MIB_GET", this);
    m_getAll = Button("Get &All", "IDC_MIB_GETALL", this);
    m_table = Button("&Table", "IDC_MIB_TABLE", this);
    m_table->setToolTip(QStringLiteral("Show the table as rows and columns"));
    m_watch = Button("&Watch", "IDC_MIB_WATCH", this);
    m_watch->setToolTip(QStringLiteral("Poll the object and show its changes and rates"));
    auto* close = Button("&Close", "IDCANCEL", this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    m_modulesLabel = new QLabel(QStringLiteral("&Modules:"), this);
    m_modulesView = new QTreeView(this);
    m_modulesView->setObjectName(QStringLiteral("IDC_MIB_MODULES"));
    m_modulesView->setAccessibleName(QStringLiteral("Modules"));
    m_modulesView->setModel(m_modules);
    m_modulesView->setHeaderHidden(true);
    m_modulesLabel->setBuddy(m_modulesView);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_find, 1);
    findRow->addWidget(m_findResult);

    auto* right = new QWidget(this);
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(0, 0, 0, 0);
    rightColumn->addWidget(m_details, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_use);
    buttons->addWidget(m_get);
    buttons->addWidget(m_getAll);
    buttons->addWidget(m_table);
    buttons->addWidget(m_watch);
    buttons->addStretch(1);
    buttons->addWidget(close);
    rightColumn->addLayout(buttons);

    auto* nodes = new QSplitter(Qt::Horizontal, this);
    nodes->addWidget(m_treeView);
    nodes->addWidget(right);
    nodes->setStretchFactor(0, 2);
    nodes->setStretchFactor(1, 3);

    auto* bottom = new QWidget(this);
    auto* bottomColumn = new QVBoxLayout(bottom);
    bottomColumn->setContentsMargins(0, 0, 0, 0);
    bottomColumn->addWidget(m_modulesLabel);
    bottomColumn->addWidget(m_modulesView, 1);

    auto* parts = new QSplitter(Qt::Vertical, this);
    parts->addWidget(nodes);
    parts->addWidget(bottom);
    parts->setStretchFactor(0, 3);
    parts->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(parts, 1);
    setTabOrder(m_find, m_treeView);
    setTabOrder(m_treeView, m_details);
    setTabOrder(m_details, m_use);
    setTabOrder(m_use, m_get);
    setTabOrder(m_get, m_getAll);
    setTabOrder(m_getAll, m_table);
    setTabOrder(m_table, m_watch);
    setTabOrder(m_watch, close);
    setTabOrder(close, m_modulesView);
    ShowDetails();
    Refresh();
}

void CMibBrowser::ConnectSignals() {
    connect(m_find, &QLineEdit::textEdited, this, [this] { Find(false); });
    connect(m_find, &QLineEdit::returnPressed, this, [this] { Find(true); });
    auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(next, &QShortcut::activated, this, [this] { Find(true); });
    connect(m_treeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                m_node = m_tree->NodeOf(current);
                ShowDetails();
            });
    connect(m_use, &QPushButton::clicked, this, &CMibBrowser::OnUse);
    connect(m_get, &QPushButton::clicked, this, &CMibBrowser::OnGet);
    connect(m_getAll, &QPushButton::clicked, this, &CMibBrowser::OnGetAll);
    connect(m_table, &QPushButton::clicked, this, &CMibBrowser::OnTable);
    connect(m_watch, &QPushButton::clicked, this, &CMibBrowser::OnWatch);
    connect(&m_refresh, &QTimer::timeout, this, &CMibBrowser::Refresh);
    for (const int id : {IDC_WALK_LIST, IDC_TRAP_LIST}) {
        if (CListBox* list = m_dlg->ListBox(id))
            connect(list, &CListBox::selectedByOperator, this, [this, id] { FollowSelection(id); });
    }
}

void CMibBrowser::ShowNode(int node) {
    const QModelIndex index = m_tree->IndexOf(node);
    if (!index.isValid())
        return;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        m_treeView->expand(up);
    // A new current node shows its details through the view's signal; the one shown already
    // shows them again here (a followed line's value).
    const bool shown = m_treeView->currentIndex() == index;
    m_node = node;
    m_treeView->setCurrentIndex(index);
    m_treeView->scrollTo(index);
    if (shown)
        ShowDetails();
}

void CMibBrowser::FollowSelection(int listId) {
    CListBox* list = m_dlg->ListBox(listId);
    CLineBinding line;
    if (list && list->GetBinding(list->GetCurSel(), &line))
        FollowLine(line);
}

void CMibBrowser::FollowLine(const CLineBinding& line) {
    const SnmpVarBind vb = line.View();
    const int node = m_tree->NodeAt({vb.name.ids, vb.name.ids + vb.name.idLength});
    m_line = line;
    m_lineNode = node;
    if (node == mibnames::kNone) {
        m_node = node;
        m_treeView->setCurrentIndex({});
        ShowDetails();
        return;
    }
    ShowNode(node);
}

std::string CMibBrowser::Identifier() const {
    if (m_line && m_lineNode == m_node) {
        const SnmpVarBind vb = m_line->View();
        return Dotted(vb.name.ids, vb.name.idLength);
    }
    if (m_node == mibnames::kNone)
        return {};
    const std::vector<UINT> path = m_tree->PathOf(m_node);
    std::string text = Dotted(path.data(), static_cast<UINT>(path.size()));
    if (IsScalar(*m_tree->Table(), m_node))
        text += ".0";
    return text;
}

QString CMibBrowser::DetailsText() const {
    return m_details->toPlainText();
}

void CMibBrowser::ShowDetails() {
    const mibnames::Table& names = *m_tree->Table();
    std::string text;
    if (m_line && m_lineNode == m_node) {
        const SnmpVarBind vb = m_line->View();
        std::unique_ptr<char, void (*)(void*)> sent(values::FormatValue(&vb.value),
                                                    SnmpUtilMemFree);
        text += "Line:\t\t" + Dotted(vb.name.ids, vb.name.idLength) + "\n";
        text +=
            "Name:\t\t" + values::DescribedIdentifier(names, vb.name.ids, vb.name.idLength) + "\n";
        text += "Value as sent:\t" + std::string(sent ? sent.get() : "") + "\n";
        text += "Value as the MIB describes it:\n\t\t" +
                values::DescribedValue(names, vb.name, vb.value) + "\n\n";
    }
    const bool any = m_node != mibnames::kNone;
    m_use->setEnabled(any || m_line);
    m_get->setEnabled(any || m_line);
    m_getAll->setEnabled(any || m_line);
    m_watch->setEnabled(any || m_line);
    m_table->setEnabled(any && values::EntryOf(names, m_node) != mibnames::kNone);
    if (!any) {
        if (text.empty())
            text = "Select a node of the tree, find one by its name or number, or select a line "
                   "of the walk list or the trap window.";
        m_details->setPlainText(Utf8(text));
        return;
    }
    const std::vector<UINT> path = m_tree->PathOf(m_node);
    const UINT length = static_cast<UINT>(path.size());
    text += values::DescribedIdentifier(names, path.data(), length) + "\n";
    text += NameForm(path.data(), length) + "\n";
    text += Dotted(path.data(), length) + "\n\n";
    const mibnames::Definition* d = names.DefinitionOf(m_node);
    if (d && d->builtIn) {
        const auto modules = names.ModulesOf(m_node);
        const std::string module =
            modules.empty() ? std::string("its module") : std::string(names.ModuleName(modules[0]));
        text += "Built into Okapel: " + module +
                " is not on this machine, so there is no description.\nPut the module into "
                "~/.snmp/mibs to read it.\n\n";
    }
    text += values::DefinitionText(names, m_node);
    m_details->setPlainText(Utf8(text));
}

void CMibBrowser::Find(bool next) {
    const std::string text = m_find->text().trimmed().toStdString();
    if (text.empty()) {
        m_findResult->clear();
        return;
    }
    int found = mibnames::kNone;
    // A MODULE::name, a path of names or a number is an identifier that the OID box reads.
    if (text.find("::") != std::string::npos || text.find('.') != std::string::npos ||
        (text[0] >= '0' && text[0] <= '9')) {
        AsnObjectIdentifier oid{};
        if (SnmpMgrStrToOid(text.c_str(), &oid))
            found = m_tree->NodeAt({oid.ids, oid.ids + oid.idLength});
        SnmpUtilOidFree(&oid);
    }
    if (found == mibnames::kNone)
        found = m_tree->FindName(text, next ? m_node : mibnames::kNone);
    if (found == mibnames::kNone) {
        m_findResult->setText(QStringLiteral("No node matches"));
        return;
    }
    m_findResult->clear();
    ShowNode(found);
}

void CMibBrowser::OnUse() {
    const std::string identifier = Identifier();
    if (!identifier.empty())
        m_dlg->SetDlgItemText(IDC_OID, identifier.c_str());
}

void CMibBrowser::OnGet() {
    OnUse();
    m_dlg->OnGet();
}

void CMibBrowser::OnGetAll() {
    // A walk of the node's subtree: its own identifier, not a scalar's instance.
    std::string identifier = Identifier();
    if (!(m_line && m_lineNode == m_node) && m_node != mibnames::kNone) {
        const std::vector<UINT> path = m_tree->PathOf(m_node);
        identifier = Dotted(path.data(), static_cast<UINT>(path.size()));
    }
    if (identifier.empty())
        return;
    m_dlg->SetDlgItemText(IDC_OID, identifier.c_str());
    m_dlg->OnGetAll();
}

void CMibBrowser::OnTable() {
    if (m_node == mibnames::kNone || values::EntryOf(*m_tree->Table(), m_node) == mibnames::kNone)
        return;
    m_dlg->OpenTableView(m_tree->PathOf(m_node));
}

void CMibBrowser::OnWatch() {
    const std::string identifier = Identifier();
    AsnObjectIdentifier oid{};
    if (identifier.empty() || !SnmpMgrStrToOid(identifier.c_str(), &oid))
        return;
    std::vector<UINT> ids(oid.ids, oid.ids + oid.idLength);
    SnmpUtilOidFree(&oid);
    m_dlg->OpenWatch({std::move(ids)});
}

std::vector<std::vector<UINT>> CMibBrowser::ExpandedPaths() const {
    std::vector<std::vector<UINT>> paths;
    std::vector<QModelIndex> pending = {QModelIndex()};
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        for (int row = 0; row < m_tree->rowCount(parent); ++row) {
            const QModelIndex child = m_tree->index(row, 0, parent);
            if (m_treeView->isExpanded(child)) {
                paths.push_back(m_tree->PathOf(m_tree->NodeOf(child)));
                pending.push_back(child);
            }
        }
    }
    return paths;
}

void CMibBrowser::Refresh() {
    if (auto report = mibnames::CurrentModuleReport(); report != m_modules->Report())
        m_modules->SetReport(std::move(report));
    const int errors = ModulesWithErrors(*m_modules->Report());
    m_modulesLabel->setText(
        errors == 0 ? QStringLiteral("&Modules:")
                    : QStringLiteral("&Modules (%1 with errors, root causes first):").arg(errors));
    auto table = mibnames::Current();
    if (table == m_tree->Table())
        return;
    // The same nodes open and shown in the grown tree.
    const std::vector<std::vector<UINT>> expanded = ExpandedPaths();
    const std::vector<UINT> shown =
        m_node == mibnames::kNone ? std::vector<UINT>() : m_tree->PathOf(m_node);
    m_tree->SetTable(std::move(table));
    for (const std::vector<UINT>& path : expanded)
        m_treeView->expand(m_tree->IndexOf(m_tree->NodeAt(path)));
    if (m_line) {
        const SnmpVarBind vb = m_line->View();
        m_lineNode = m_tree->NodeAt({vb.name.ids, vb.name.ids + vb.name.idLength});
    }
    m_node = shown.empty() ? mibnames::kNone : m_tree->NodeAt(shown);
    if (m_node != mibnames::kNone)
        ShowNode(m_node);
    else
        ShowDetails();
}
