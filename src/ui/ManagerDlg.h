// The main dialog: every control of the window, its boxes, the handlers its message table
// routes notifications to, the request flows, and its state, part of which the trap
// listener's thread procedure shares.
#pragma once

#include "snmpapi/SnmpApi.h"
#include "traps/DialogCall.h"
#include "ui/DialogTemplate.h"

#include <QDialog>
#include <QIcon>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QMenu;
class CComboBox;
class CListBox;
class CListenerThread;

class CManagerDlg : public QDialog {
    Q_OBJECT

public:
    explicit CManagerDlg(QWidget* pParent = nullptr);
    ~CManagerDlg() override;

    // Runs the dialog modally; returns when it has ended and OnDestroy has run.
    int DoModal();

    // Value and status text: the dialog's names for values::FormatValue and
    // values::ErrorStatusName.
    static char* FormatValue(const AsnAny* value);
    static void ErrorStatusName(AsnInteger status, char** name);

    // --- Control access by identifier ------------------------------------------------
    QWidget* GetDlgItem(int id) const;
    // The control's text as UTF-8 bytes, at most 254 of them (DialogText.h).
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const char* text);
    void EnableDlgItem(int id, bool enable);
    CListBox* ListBox(int id) const;
    CComboBox* ComboBox(int id) const;

    // --- Message boxes --------------------------------------------------------------
    // Every box of the dialog goes through here: modal over the dialog, plain text, an OK
    // button only, the error or information icon from `type`.
    void MessageBox(const char* text, const char* caption, unsigned type);

    struct MessageRecord {
        std::string text;
        std::string caption;
        unsigned type;
    };
    // Tests replace the real box with an observer; with none set the real box is shown.
    using MessageHook = std::function<void(const MessageRecord&)>;
    static void SetMessageHook(MessageHook hook);

    // Runs `call` on the dialog's thread and returns when it has run: the blocking
    // cross-thread call through which the trap listener adds its lines. Called from
    // other threads only.
    void SendMessageToDialog(const std::function<void()>& call);

    // --- Handlers routed by the message table -----------------------------------------
    void OnSysCommand(unsigned nID, long lParam);
    void OnPaint();
    QIcon OnQueryDragIcon() const;
    void OnGet();
    void OnOpen();
    void OnClose();
    void OnSet();
    void OnGetAll();
    void OnDestroy();
    void OnWalkListDblClk();
    void OnWalkListSelChange();
    void OnClear();
    // The Session Settings dialog, from the system menu and Ctrl+Comma: what it accepts is
    // what the next Open uses.
    void OnSessionSettings();

    // Get of the object named by an identifier text: "Invalid Oid" when the text cannot be
    // converted, DoGet otherwise. OnGet passes the OID box's text, the walk list's
    // double-click the whole identifier of its line.
    void GetObjectOfText(const std::string& text);
    // The identifier of an OID text, which the caller then owns; false, after the "Invalid
    // Oid" box, for a text that is none.
    bool ConvertOid(const std::string& text, AsnObjectIdentifier* oid);

    // Request routines: 0 for success, 1 for a failure already reported.
    int DoGet(const AsnObjectIdentifier* oid);
    int DoSet(const AsnObjectIdentifier* oid);

    // The dialog's own system menu (Minimize, Close and what OnInitDialog adds), or null
    // for a window without one. With bRevert the menu goes back to its standard entries
    // and null is returned.
    QMenu* GetSystemMenu(bool bRevert);

    // The icon's place in a minimized client area of the given size.
    static void IconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight,
                             int* x, int* y);

protected:
    BOOL OnInitDialog();

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

public:
    void setVisible(bool visible) override;
    void done(int result) override;

    // --- State read by the trap listener, the tests and the benchmarks -----------------
    const QIcon& Icon() const { return m_hIcon; }
    LPSNMP_MGR_SESSION Session() const { return m_hSession; }
    // What the next Open uses; an open session keeps what it was opened with until Close.
    const SnmpMgrSessionSettings& SessionSettings() const { return m_sessionSettings; }
    void SetSessionSettings(const SnmpMgrSessionSettings& settings) {
        m_sessionSettings = settings;
    }
    // The listener thread while one runs or has not yet been joined; null otherwise.
    const CListenerThread* TrapThread() const { return m_hTrapThread.get(); }
    // Whether the dialog has asked the listener to stop and has not yet had its
    // acknowledgement.
    bool TrapStopRequested() const { return m_bStopTrapThread.load() != 0; }
    // The trap event while the listener holds it open; null before and after.
    HANDLE TrapEvent() const { return m_hTrapEvent.load(); }

private:
    void CreateControls();
    void AddPresets();
    void ConnectMessageMap();
    void AddSessionSettingsMenuEntry();
    void AddAboutMenuEntry();
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
    void StartTrapListener();
    void StopTrapListener();
    void CreateSystemMenu();
    void ShowSystemMenu(const QPoint& globalPos, bool fromKeyboard);

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
    // The system menu; each entry's data is its system command id. A window of its own,
    // like the platform's menus, and not one of the dialog's controls.
    struct SystemMenuDeleter {
        void operator()(QMenu* menu) const;
    };
    std::unique_ptr<QMenu, SystemMenuDeleter> m_pSystemMenu;
    // The paint event being handled, for OnPaint's default painting.
    QPaintEvent* m_pCurrentPaint = nullptr;
    // The listener's blocking calls onto the dialog's thread. Declared before the listener
    // thread, which wakes it as it ends, so that it outlives the thread.
    CDialogCall m_dialogCall{this};

    // --- Members, in the order the dialog class gives them -----------------------------
    // The listener's thread procedure is the one other user of the stop flag, the trap
    // event and its lock: it publishes and closes the event and acknowledges a stop, under
    // the rules written there.
    friend unsigned TrapListenerThread(CManagerDlg* dlg);
    QIcon m_hIcon;
    LPSNMP_MGR_SESSION m_hSession = nullptr;
    std::unique_ptr<CListenerThread> m_hTrapThread;
    std::atomic<std::int32_t> m_bStopTrapThread{0};
    std::atomic<HANDLE> m_hTrapEvent{nullptr};

    // Keeps the dialog's signalling of the trap event apart from the listener's closing
    // of it, so that a released event is never signalled.
    std::mutex m_trapEventLock;

    // The settings of the next Open, as the operator last accepted them; never stored.
    SnmpMgrSessionSettings m_sessionSettings;
};
