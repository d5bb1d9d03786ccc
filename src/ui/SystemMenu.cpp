// The dialog's system menu, its Session Settings, MIB Browser, Table View, Notifications
// and About entries, and the icon of the minimized window.
//
// Window managers on Linux keep the title bar's menu to themselves, so the dialog offers
// a system menu of its own: a popup on a right-click on its background, on Alt+Space, and
// on the context-menu key or Shift+F10 where the focused control has no menu of its own;
// its entries reach OnSysCommand with the system command ids. Ctrl+Comma opens the Session
// Settings as its entry does, Ctrl+B the MIB browser.
#include "ui/AboutDlg.h"
#include "ui/ManagerDlg.h"
#include "ui/MibBrowser.h"
#include "ui/MibModuleModel.h"
#include "ui/NotificationsDlg.h"
#include "ui/PopupMenu.h"
#include "ui/Resource.h"
#include "ui/TableViewDlg.h"
#include "ui/WatchDlg.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyle>

namespace {

// The standard entries of the menu: the window can be minimized and closed, but neither
// moved by the keyboard, sized nor maximized.
struct SystemMenuEntry {
    const char* text;
    unsigned id;
};
constexpr SystemMenuEntry kStandardEntries[] = {
    {"Mi&nimize", SC_MINIMIZE},
    {"&Close", SC_CLOSE},
};

// System commands keep their low four bits for the platform's own use; the command itself
// is in the rest.
constexpr unsigned kCommandMask = 0xFFF0;

// The key of the Session Settings, as desktop programs open their settings.
const QKeySequence kSessionSettingsKey(Qt::CTRL | Qt::Key_Comma);
// The key of the MIB browser.
const QKeySequence kMibBrowserKey(Qt::CTRL | Qt::Key_B);

} // namespace

void CManagerDlg::SystemMenuDeleter::operator()(QMenu* menu) const {
    delete menu;
}

void CManagerDlg::CreateSystemMenu() {
    m_pSystemMenu.reset(new QMenu);
    m_pSystemMenu->setObjectName(QStringLiteral("SystemMenu"));
    GetSystemMenu(true);
    // Every entry, the standard ones and those added later, is a command to OnSysCommand.
    connect(m_pSystemMenu.get(), &QMenu::triggered, this,
            [this](QAction* action) { OnSysCommand(action->data().toUInt(), 0); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(shortcut, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, 0)), true); });
    auto* settings = new QShortcut(kSessionSettingsKey, this);
    connect(settings, &QShortcut::activated, this,
            [this] { OnSysCommand(IDM_SESSIONSETTINGS, 0); });
    auto* browser = new QShortcut(kMibBrowserKey, this);
    connect(browser, &QShortcut::activated, this, [this] { OnSysCommand(IDM_MIBBROWSER, 0); });
    // Shift+F10 is the context-menu key for keyboards without one: it asks the focused
    // control for its menu, and a control without one passes the request on to the dialog.
    auto* shiftF10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    connect(shiftF10, &QShortcut::activated, this, [this] {
        QWidget* target = focusWidget() ? focusWidget() : this;
        QContextMenuEvent request(QContextMenuEvent::Keyboard, target->rect().center(),
                                  target->mapToGlobal(target->rect().center()));
        QApplication::sendEvent(target, &request);
    });
}

QMenu* CManagerDlg::GetSystemMenu(bool bRevert) {
    if (bRevert) {
        m_pSystemMenu->clear();
        for (const SystemMenuEntry& entry : kStandardEntries)
            m_pSystemMenu->addAction(QString::fromLatin1(entry.text))->setData(entry.id);
        return nullptr;
    }
    // A window without the system menu style has no menu to offer.
    if (!(windowFlags() & Qt::WindowSystemMenuHint))
        return nullptr;
    return m_pSystemMenu.get();
}

void CManagerDlg::AddSessionSettingsMenuEntry() {
    QMenu* pSysMenu = GetSystemMenu(false);
    if (pSysMenu == nullptr)
        return;
    pSysMenu->addSeparator();
    QAction* entry = pSysMenu->addAction(LoadResourceString(IDS_SESSIONSETTINGS));
    entry->setData(IDM_SESSIONSETTINGS);
    // Shown beside the entry; the dialog's own shortcut is the one that works in the window.
    entry->setShortcut(kSessionSettingsKey);
}

void CManagerDlg::AddMibBrowserMenuEntry() {
    QMenu* pSysMenu = GetSystemMenu(false);
    if (pSysMenu == nullptr)
        return;
    QAction* entry = pSysMenu->addAction(LoadResourceString(IDS_MIBBROWSER));
    entry->setData(IDM_MIBBROWSER);
    entry->setShortcut(kMibBrowserKey);
    // No box at start-up: the entry says how many modules did not read whole, as the menu
    // opens.
    connect(pSysMenu, &QMenu::aboutToShow, entry, [entry] {
        const int errors = ModulesWithErrors(*mibnames::CurrentModuleReport());
        entry->setText(errors == 0 ? LoadResourceString(IDS_MIBBROWSER)
                                   : LoadResourceString(IDS_MIBBROWSER) +
                                         QStringLiteral(" (%1 modules with errors)").arg(errors));
    });
}

namespace {

// A window of the dialog's shown, or brought in front of the others where it was shown, with
// the keyboard in it.
void ShowInFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void CManagerDlg::OnMibBrowser() {
    if (!m_pMibBrowser)
        m_pMibBrowser = new CMibBrowser(this);
    ShowInFront(m_pMibBrowser);
}

CMibBrowser* CManagerDlg::MibBrowser() const {
    return m_pMibBrowser.data();
}

void CManagerDlg::AddTableViewMenuEntry() {
    if (QMenu* pSysMenu = GetSystemMenu(false))
        pSysMenu->addAction(LoadResourceString(IDS_TABLEVIEW))->setData(IDM_TABLEVIEW);
}

void CManagerDlg::OnTableView() {
    if (RequestUnderWay())
        return;
    AsnObjectIdentifier oid{};
    if (!ConvertOid(GetDlgItemText(IDC_OID), &oid))
        return;
    const std::vector<UINT> ids(oid.ids, oid.ids + oid.idLength);
    SnmpUtilOidFree(&oid);
    OpenTableView(ids);
}

void CManagerDlg::OpenTableView(const std::vector<UINT>& oid) {
    if (RequestUnderWay())
        return; // one request at a time: the table shown stays as it is
    if (!m_pTableView)
        m_pTableView = new CTableViewDlg(this);
    ShowInFront(m_pTableView);
    m_pTableView->ShowTable(oid);
}

CTableViewDlg* CManagerDlg::TableView() const {
    return m_pTableView.data();
}

void CManagerDlg::AddWatchMenuEntry() {
    if (QMenu* pSysMenu = GetSystemMenu(false))
        pSysMenu->addAction(LoadResourceString(IDS_WATCH))->setData(IDM_WATCH);
}

void CManagerDlg::OnWatch() {
    // The walk line's whole identifier where one is selected: read back through the OID box
    // it would be cut at the box's 254 characters.
    std::string text;
    if (!SelectedWalkIdentifier(&text))
        text = GetDlgItemText(IDC_OID);
    AsnObjectIdentifier oid{};
    if (!ConvertOid(text, &oid))
        return;
    const std::vector<UINT> ids(oid.ids, oid.ids + oid.idLength);
    SnmpUtilOidFree(&oid);
    OpenWatch({ids});
}

void CManagerDlg::OpenWatch(const std::vector<std::vector<UINT>>& objects) {
    if (!m_pWatch)
        m_pWatch = new CWatchDlg(this);
    ShowInFront(m_pWatch);
    m_pWatch->AddObjects(objects);
}

CWatchDlg* CManagerDlg::WatchWindow() const {
    return m_pWatch.data();
}

void CManagerDlg::AddNotificationsMenuEntry() {
    if (QMenu* pSysMenu = GetSystemMenu(false))
        pSysMenu->addAction(LoadResourceString(IDS_NOTIFICATIONS))->setData(IDM_NOTIFICATIONS);
}

void CManagerDlg::OnNotifications() {
    if (!m_pNotificationsDlg)
        m_pNotificationsDlg = new CNotificationsDlg(
            m_pNotificationLog,
            [this](const char* text, const char* caption, unsigned type) {
                MessageBox(text, caption, type);
            },
            this);
    ShowInFront(m_pNotificationsDlg);
}

CNotificationsDlg* CManagerDlg::NotificationsWindow() const {
    return m_pNotificationsDlg.data();
}

void CManagerDlg::AddAboutMenuEntry() {
    QMenu* pSysMenu = GetSystemMenu(false);
    if (pSysMenu == nullptr)
        return;
    const QString strAboutMenu = LoadResourceString(IDS_ABOUTBOX);
    if (strAboutMenu.isEmpty())
        return;
    pSysMenu->addSeparator();
    pSysMenu->addAction(strAboutMenu)->setData(IDM_ABOUTBOX);
}

void CManagerDlg::ShowSystemMenu(const QPoint& globalPos, bool fromKeyboard) {
    if (QMenu* menu = GetSystemMenu(false))
        OpenPopupMenu(menu, globalPos, fromKeyboard);
}

void CManagerDlg::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard, the request reaches the dialog only when the focused control has
    // no menu of its own: the dialog's is the one to show.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        event->accept();
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)), true);
        return;
    }
    // Right-clicks on the controls arrive here too when the control has no menu of its own
    // (buttons, lists, the closed part of a combo box); those are not the background. The
    // static texts are, as the platform lets clicks pass through them to the dialog.
    QWidget* control = childAt(event->pos());
    while (control && control->parentWidget() != this)
        control = control->parentWidget();
    if (control && !qobject_cast<QLabel*>(control)) {
        event->ignore();
        return;
    }
    event->accept();
    ShowSystemMenu(event->globalPos(), false);
}

void CManagerDlg::OnSysCommand(unsigned nID, long /*lParam*/) {
    if ((nID & kCommandMask) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    if ((nID & kCommandMask) == IDM_SESSIONSETTINGS) {
        OnSessionSettings();
        return;
    }
    if ((nID & kCommandMask) == IDM_MIBBROWSER) {
        OnMibBrowser();
        return;
    }
    if ((nID & kCommandMask) == IDM_TABLEVIEW) {
        OnTableView();
        return;
    }
    if ((nID & kCommandMask) == IDM_WATCH) {
        OnWatch();
        return;
    }
    if ((nID & kCommandMask) == IDM_NOTIFICATIONS) {
        OnNotifications();
        return;
    }
    // The platform's own handling of the commands this window offers. Commands that it
    // does not offer (move, size, maximize, restore...) do nothing, as the platform
    // ignores them for a window without that ability.
    switch (nID & kCommandMask) {
    case SC_MINIMIZE:
        showMinimized();
        break;
    case SC_CLOSE:
        // Closing ends the dialog as Cancel, through done().
        close();
        break;
    default:
        break;
    }
}

void CManagerDlg::paintEvent(QPaintEvent* event) {
    m_pCurrentPaint = event;
    OnPaint();
    m_pCurrentPaint = nullptr;
}

void CManagerDlg::OnPaint() {
    if (!isMinimized()) {
        QDialog::paintEvent(m_pCurrentPaint);
        return;
    }
    QPainter dc(this);
    // The icon's background is the dialog's own.
    dc.fillRect(rect(), palette().window());
    const int cxIcon = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    const int cyIcon = cxIcon;
    int x = 0;
    int y = 0;
    IconPosition(width(), height(), cxIcon, cyIcon, &x, &y);
    m_hIcon.paint(&dc, QRect(x, y, cxIcon, cyIcon));
}

QIcon CManagerDlg::OnQueryDragIcon() const {
    return m_hIcon;
}

void CManagerDlg::IconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight,
                               int* x, int* y) {
    // Integer division truncates toward zero, so a client area smaller than the icon
    // leaves it one pixel further right and down than floor division would.
    *x = (clientWidth - iconWidth + 1) / 2;
    *y = (clientHeight - iconHeight + 1) / 2;
}
