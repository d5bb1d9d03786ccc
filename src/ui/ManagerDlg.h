// The main dialog, CManagerDlg: every control of the window, its boxes, the handlers its
// message table routes notifications to, the request flows, and its state, part of which
// the trap listener's thread procedure shares.
//
// Its members are defined in eight files, and are declared below in groups, one group per
// file, in the order: ui/ManagerDlg.cpp, ui/SystemMenu.cpp, snmp/Session.cpp,
// snmp/GetRequest.cpp, snmp/SetRequest.cpp, snmp/Walk.cpp, snmp/RequestSupport.cpp,
// traps/TrapListener.cpp. The members that the dialog class gives (m_hIcon, m_hSession and
// the listener's three) close the class.
#pragma once

#include "outcome/Outcome.h"
#include "snmpapi/SnmpApi.h"
#include "traps/DialogCall.h"
#include "traps/ThreadHandle.h"
#include "ui/DialogTemplate.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QMenu;
class CComboBox;
class CMibBrowser;
class CListBox;

class CManagerDlg : public QDialog {
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
    // The box of an outcome (ui/OutcomeBox.cpp); none for Done.
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
    // The listener thread while one runs or has not yet been joined; null otherwise.
    const CThreadHandle* TrapThread() const { return m_hTrapThread ? &m_hTrapThread : nullptr; }
    // Whether the dialog has asked the listener to stop and has not yet had its
    // acknowledgement.
    bool TrapStopRequested() const { return m_bStopTrapThread.load() != 0; }
    // The trap event while the listener holds it open; null before and after.
    HANDLE TrapEvent() const { return m_hTrapEvent.load(); }

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

    // --- ui/SystemMenu.cpp: the system menu and its Session Settings, MIB Browser and About
    //     entries, the minimized window's icon ---------------------------------------------
public:
    void OnSysCommand(unsigned nID, long lParam);
    // The MIB browser, from the system menu and Ctrl+B: one window beside this one, shown
    // again and raised when it is open already.
    void OnMibBrowser();
    CMibBrowser* MibBrowser() const; // null until first opened
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

    // --- snmp/Session.cpp: Open, Close and the settings of the next Open -----------------
public:
    void OnOpen();
    void OnClose();
    // The Session Settings dialog, from the system menu and Ctrl+Comma: what it accepts is
    // what the next Open uses.
    void OnSessionSettings();

private:
    // The settings of the next Open, as the operator last accepted them; never stored.
    SnmpMgrSessionSettings m_sessionSettings;

    // --- snmp/GetRequest.cpp: Get -------------------------------------------------------
public:
    void OnGet();
    // Get of the object named by an identifier text: "Invalid Oid" when the text cannot be
    // converted, DoGet otherwise. OnGet passes the OID box's text, the walk list's
    // double-click the whole identifier of its line.
    void GetObjectOfText(const std::string& text);
    // 0 when the value is shown, 1 for a failure already reported.
    int DoGet(const AsnObjectIdentifier* oid);

private:
    // The value in the Value box and its type selected in the type list.
    void ShowValue(const AsnAny& value);

    // --- snmp/SetRequest.cpp: Set -------------------------------------------------------
public:
    void OnSet();
    // 0 when the agent accepted the Set, 1 for a failure already reported.
    int DoSet(const AsnObjectIdentifier* oid);

private:
    // The Set of the typed value and chosen type, and what came of it.
    Outcome SetObject(const AsnObjectIdentifier* oid);

    // --- snmp/Walk.cpp: Get All and the walk list's notifications -------------------------
public:
    void OnGetAll();
    void OnWalkListDblClk();
    void OnWalkListSelChange();

    // --- snmp/RequestSupport.cpp: what the flows share -------------------------------------
public:
    // The identifier of an OID text, which the caller then owns; false, after the "Invalid
    // Oid" box, for a text that is none.
    bool ConvertOid(const std::string& text, AsnObjectIdentifier* oid);

    // --- traps/TrapListener.cpp: the listener's start and stop, Clear ----------------------
public:
    void OnClear();
    // Runs `call` on the dialog's thread and returns when it has run: the blocking
    // cross-thread call through which the trap listener adds its lines and shows its box.
    // Called from other threads only.
    void SendMessageToDialog(const std::function<void()>& call);

private:
    void StartTrapListener();
    void StopTrapListener();

    // The listener's blocking calls onto the dialog's thread. Declared before the listener
    // thread, which wakes it as it ends, so that it outlives the thread.
    CDialogCall m_dialogCall{this};
    // The listener's thread procedure is the one other user of the stop flag, the trap
    // event and its lock: it publishes and closes the event and acknowledges a stop, under
    // the rules written there.
    friend unsigned TrapListenerThread(CManagerDlg* dlg);
    // Keeps the dialog's signalling of the trap event apart from the listener's closing
    // of it, so that a released event is never signalled.
    std::mutex m_trapEventLock;

    // --- The members the dialog class gives, in its order ----------------------------------
private:
    QIcon m_hIcon; // the application icon
    LPSNMP_MGR_SESSION m_hSession = nullptr;
    CThreadHandle m_hTrapThread; // the trap listener thread (traps/TrapListener.cpp)
    std::atomic<std::int32_t> m_bStopTrapThread{0};
    std::atomic<HANDLE> m_hTrapEvent{nullptr};
};
