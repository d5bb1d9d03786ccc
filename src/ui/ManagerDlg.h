// The main dialog, CManagerDlg: every control of the window, its boxes, the handlers its
// message table routes notifications to, and its state. The handlers read the controls,
// call the request flows (snmp/Flows.h) off the dialog's thread and show what came of them;
// the trap listener (traps/TrapListener.h) hands its lines to the dialog through the window
// interface that the dialog derives from, which also holds the state that the two share
// (m_hTrapThread, m_bStopTrapThread, m_hTrapEvent).
//
// Its members are defined in four files, all in src/ui, and are declared below in groups,
// one group per file, in the order: ui/ManagerDlg.cpp, ui/SystemMenu.cpp,
// ui/SessionCommands.cpp, ui/RequestCommands.cpp. The members that the dialog class gives
// (m_hIcon, m_hSession) close the class.
#pragma once

#include "outcome/Outcome.h"
#include "snmpapi/SnmpApi.h"
#include "traps/TrapListener.h"
#include "ui/DialogTemplate.h"
#include "ui/RequestRun.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QMenu;
class CComboBox;
class CMibBrowser;
class CListBox;
class CNotificationLog;
class CNotificationsDlg;
class CTableViewDlg;
class CWatchDlg;

namespace flows {
class CWalkSink;
}

class CManagerDlg : public QDialog, public CTrapWindow {
    Q_OBJECT

    // --- ui/ManagerDlg.cpp: construction, initialisation, destruction, window placement,
    //     control access by identifier and the boxes ---------------------------------------
public:
    explicit CManagerDlg(QWidget* pParent = nullptr);
    ~CManagerDlg() override;

    // Runs the dialog modally; returns when it has ended and OnDestroy has run.
    int DoModal();
    void OnDestroy();

    // Value and status text: the dialog's names for values::FormatValue and
    // values::ErrorStatusName.
    static char* FormatValue(const AsnAny* value);
    static void ErrorStatusName(AsnInteger status, char** name);

    QWidget* GetDlgItem(int id) const;
    // The control's text as UTF-8 bytes, at most 254 of them (DialogText.h).
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const char* text);
    void EnableDlgItem(int id, bool enable);
    CListBox* ListBox(int id) const;
    CComboBox* ComboBox(int id) const;

    // Every box of the dialog goes through here: modal over the dialog, plain text, an OK
    // button only, the error or information icon from `type`.
    void MessageBox(const char* text, const char* caption, unsigned type);
    // The box of an outcome (ui/OutcomeBox.cpp); none for Done, and none once the window is
    // closing.
    void Report(const Outcome& outcome);

    struct MessageRecord {
        std::string text;
        std::string caption;
        unsigned type;
    };
    // An observer that takes every box in the real box's place; with none set the real box
    // is shown. SetMessageHook is a seam of the testing library (src/testing), which the
    // tests link and the program does not.
    using MessageHook = std::function<void(const MessageRecord&)>;
    static void SetMessageHook(MessageHook hook);

    void setVisible(bool visible) override;
    void done(int result) override;

    // State read by the trap listener, the tests and the benchmarks.
    const QIcon& Icon() const { return m_hIcon; }
    LPSNMP_MGR_SESSION Session() const { return m_hSession; }
    // What the next Open uses; an open session keeps what it was opened with until Close.
    const SnmpMgrSessionSettings& SessionSettings() const { return m_sessionSettings; }
    void SetSessionSettings(const SnmpMgrSessionSettings& settings) {
        m_sessionSettings = settings;
    }

    // The trap window's side of the trap listener (TrapListener.h), on the dialog's thread.
    void AddTrapLine(const char* line, const SnmpVarBind* binding) override;
    void ShowListenFailure(UINT code) override;
    void OnClear();
    // Every notification that the trap window was handed since the dialog was made.
    CNotificationLog* NotificationLog() const { return m_pNotificationLog; }

protected:
    BOOL OnInitDialog();
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void AddPresets();
    void ConnectMessageMap();
    void FillTypeList();
    // Fits the window with `frame` around it to its screen's usable area (the lists give up
    // height where the template does not fit) and centres it there, frame included.
    void FitAndPlace(const QMargins& frame);
    // The template's layout with a client area at most `height` tall, applied.
    void FitToHeight(int height);
    QRect WorkArea() const;
    // The frame as the window system knows it, as the window manager promised it, or a
    // frame like the common desktops' where neither is known.
    QMargins FrameMargins() const;
    void PlaceOnceFramed();
    static MessageHook& MessageHookSlot();

    // The template's layout in the dialog's font, before any fitting to the screen.
    DialogLayout m_layout;
    // The client height the layout was last fitted to.
    int m_fittedHeight = 0;
    // The frame an X11 window manager said, before the window was mapped, that it will give.
    QMargins m_promisedFrame;
    // The frame the window was last placed with.
    QMargins m_placedFrame;
    // Whether the window system may still choose a smaller height for the window: where it
    // tells nothing of panels, until the window is first exposed.
    bool m_bHeightOpen = false;
    bool m_bInitialised = false;
    bool m_bDestroyed = false;
    // The notification log, a child of the dialog: it outlives the listener, which posts to
    // it until the stop handshake has ended.
    CNotificationLog* m_pNotificationLog = nullptr;

    // --- ui/SystemMenu.cpp: the system menu and its Session Settings, MIB Browser,
    //     Notifications and About entries, the minimized window's icon ------------------------
public:
    void OnSysCommand(unsigned nID, long lParam);
    // The MIB browser, from the system menu and Ctrl+B: one window beside this one, shown
    // again and raised when it is open already.
    void OnMibBrowser();
    CMibBrowser* MibBrowser() const; // null until first opened
    // The table view, from the system menu for the identifier in the OID box and from the
    // MIB browser for a table or entry node: one window beside this one, shown, raised and
    // fetching the table it is given.
    void OnTableView();
    void OpenTableView(const std::vector<UINT>& oid);
    CTableViewDlg* TableView() const; // null until first opened
    // The live counters, from the system menu for the selected walk line's object (or the
    // identifier in the OID box when no line is selected), from the MIB browser and from the
    // table view: one window beside this one, shown, raised and watching what it is given
    // beside what it watches already.
    void OnWatch();
    void OpenWatch(const std::vector<std::vector<UINT>>& objects);
    CWatchDlg* WatchWindow() const; // null until first opened
    // The notification log's window, from the system menu: one window beside this one,
    // shown again and raised when it is open already.
    void OnNotifications();
    CNotificationsDlg* NotificationsWindow() const; // null until first opened
    void OnPaint();
    // The icon the window system shows for the window, minimized or dragged; the window
    // takes it as its own when it is initialised.
    QIcon OnQueryDragIcon() const;
    // The dialog's own system menu (Minimize, Close and what OnInitDialog adds), or null
    // for a window without one. With bRevert the menu goes back to its standard entries
    // and null is returned.
    QMenu* GetSystemMenu(bool bRevert);
    // The icon's place in a minimized client area of the given size.
    static void IconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight,
                             int* x, int* y);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateSystemMenu();
    void AddSessionSettingsMenuEntry();
    void AddMibBrowserMenuEntry();
    void AddTableViewMenuEntry();
    void AddWatchMenuEntry();
    void AddNotificationsMenuEntry();
    void AddAboutMenuEntry();
    void ShowSystemMenu(const QPoint& globalPos, bool fromKeyboard);

    // The system menu; each entry's data is its system command id. A window of its own,
    // like the platform's menus, and not one of the dialog's controls.
    struct SystemMenuDeleter {
        void operator()(QMenu* menu) const;
    };
    std::unique_ptr<QMenu, SystemMenuDeleter> m_pSystemMenu;
    // The paint event being handled, for OnPaint's default painting.
    QPaintEvent* m_pCurrentPaint = nullptr;
    // The MIB browser once opened; a child window, gone with the dialog.
    QPointer<CMibBrowser> m_pMibBrowser;
    // The table view once opened; a child window, gone with the dialog.
    QPointer<CTableViewDlg> m_pTableView;
    // The live counters once opened; a child window, gone with the dialog.
    QPointer<CWatchDlg> m_pWatch;
    // The notification log's window once opened; a child window, gone with the dialog.
    QPointer<CNotificationsDlg> m_pNotificationsDlg;

    // --- ui/SessionCommands.cpp: Open, Close and the settings of the next Open -----------
public:
    void OnOpen();
    void OnClose();
    // The Session Settings dialog, from the system menu and Ctrl+Comma: what it accepts is
    // what the next Open uses.
    void OnSessionSettings();

    // How the walk lines and trap lines added from now on write values and identifiers, as
    // the operator last chose in the Session Settings; never stored.
    const values::LineTexts& LineTexts() const { return m_lineTexts; }
    void SetLineTexts(const values::LineTexts& texts);

private:
    // The settings of the next Open, as the operator last accepted them; never stored.
    SnmpMgrSessionSettings m_sessionSettings;
    values::LineTexts m_lineTexts;

    // --- ui/RequestCommands.cpp: Get, Set, Get All, the walk list's notifications, and the
    //     request under way -----------------------------------------------------------------
public:
    void OnGet();
    // Get of the object named by an identifier text: "Invalid Oid" when the text cannot be
    // converted, DoGet otherwise. OnGet passes the OID box's text, the walk list's
    // double-click the whole identifier of its line.
    void GetObjectOfText(const std::string& text);
    // 0 when the value is shown, 1 for a failure already reported.
    int DoGet(const AsnObjectIdentifier* oid);

    void OnSet();
    // 0 when the agent accepted the Set, 1 for a failure already reported.
    int DoSet(const AsnObjectIdentifier* oid);

    void OnGetAll();
    void OnWalkListDblClk();
    void OnWalkListSelChange();
    // The whole identifier of the walk list's selected line, in numbers; false with none.
    bool SelectedWalkIdentifier(std::string* identifier) const;

    // The identifier of an OID text, which the caller then owns; false, after the "Invalid
    // Oid" box, for a text that is none.
    bool ConvertOid(const std::string& text, AsnObjectIdentifier* oid);

    // A walk under `root` into `sink` for another window (the table view), on the open
    // session, as Get All runs its own: off the dialog's thread, with this window's progress
    // line (from `progress`) and Cancel, its commands disabled meanwhile. Nothing is sent
    // while another request is under way (WalkFailed then, as for no session).
    Outcome RunWalk(const AsnObjectIdentifier& root, flows::CWalkSink* sink,
                    const CRequestRun::ProgressText& progress);

    // Whether a command's request is under way; the window takes no other command meanwhile.
    bool RequestUnderWay() const { return m_request->UnderWay(); }
    // Cancel, Escape: ends the request under way; nothing when none is.
    void CancelRequest() { m_request->Cancel(); }

private:
    // Runs a command's flow off the dialog's thread while the window goes on (RequestRun.h),
    // and returns what came of it. A window closed meanwhile ends once the flow has ended.
    Outcome RunRequest(const CRequestRun::ProgressText& progress, std::function<Outcome()> flow);
    // After a command's request has ended: a close asked for meanwhile is carried out, once
    // the command's handler has returned.
    void AfterRequest();
    // The progress line of a Get or a Set (`what`) on the open session.
    CRequestRun::ProgressText RequestProgress(const char* what) const;
    // The value in the Value box and its type selected in the type list.
    void ShowValue(const AsnAny& value);

    // Made after the template's controls, so that its Cancel follows them in the tab order.
    std::unique_ptr<CRequestRun> m_request;
    // A close asked for while a request ran, carried out once it has ended, with its result.
    bool m_bCloseAfterRequest = false;
    int m_closeResult = 0;

    // --- The members the dialog class gives, in its order (the trap listener's three are
    //     CTrapWindow's) ----------------------------------------------------------------------
private:
    QIcon m_hIcon; // the application icon
    LPSNMP_MGR_SESSION m_hSession = nullptr;
};
