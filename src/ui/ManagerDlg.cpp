// CManagerDlg: construction, initialisation, destruction, the message table, the window's
// fitting and placing on its screen, and the helpers through which every handler reaches
// the controls and shows its boxes.
#include "ui/ManagerDlg.h"

#include "ui/AboutDlg.h"
#include "ui/ComboBox.h"
#include "ui/DialogTemplate.h"
#include "ui/DialogText.h"
#include "ui/FrameExtents.h"
#include "ui/ListBox.h"
#include "ui/NotificationLog.h"
#include "ui/NotificationsDlg.h"
#include "ui/OutcomeBox.h"
#include "ui/Resource.h"
#include "ui/WatchDlg.h"
#include "ui/ScreenFit.h"
#include "values/Values.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

// The value type list, by index: the text shown and the value type code as item data.
struct TypeEntry {
    const char* text;
    BYTE code;
};
constexpr TypeEntry kTypeList[] = {
    {"int32", ASN_INTEGER},    {"Count32", ASN_COUNTER32}, {"Gauge32", ASN_GAUGE32},
    {"Ticks", ASN_TIMETICKS},  {"Octet", ASN_OCTETSTRING}, {"Seq", ASN_SEQUENCE},
    {"IpAddr", ASN_IPADDRESS}, {"Opaque", ASN_OPAQUE},     {"Oid", ASN_OBJECTIDENTIFIER},
    {"Null", ASN_NULL},
};

// The names by which assistive technology announces the boxes and lists: each box's label
// without its colon, and names of their own for the controls that have no label. A
// labelled box is also tied to its label (the label's buddy), which screen readers read
// with it.
struct AccessibleName {
    int id;
    const char* name;
    const char* label; // the template text of the box's label, or null
};
constexpr AccessibleName kAccessibleNames[] = {
    {IDC_IPADDRESS, "IPAddress", "IPAddress: "},
    {IDC_COMMUNITY, "Community", "Community :"},
    {IDC_OID, "OID", "OID :"},
    {IDC_VALUE, "Value", "Value :"},
    {IDC_TYPE, "Type", nullptr},
    {IDC_OID_NAME, "OID Name", nullptr},
    {IDC_WALK_LIST, "Walk List", nullptr},
    {IDC_TRAP_LIST, "Trap Window", "Trap Window"},
};

enum class Notification { Clicked, DblClk, SelChange };

// The message table: each control notification and the one handler it reaches. The
// window messages reach their handlers through the toolkit instead: the system command
// through the dialog's own system menu, paint and destroy through its virtual functions,
// and the drag icon is the window's icon, which initialisation takes from its handler.
struct MessageEntry {
    int id;
    Notification code;
    void (CManagerDlg::*handler)();
};
const MessageEntry kMessageMap[] = {
    {IDC_GET, Notification::Clicked, &CManagerDlg::OnGet},
    {IDC_OPEN, Notification::Clicked, &CManagerDlg::OnOpen},
    {IDC_CLOSE, Notification::Clicked, &CManagerDlg::OnClose},
    {IDC_SET, Notification::Clicked, &CManagerDlg::OnSet},
    {IDC_GETALL, Notification::Clicked, &CManagerDlg::OnGetAll},
    {IDC_WALK_LIST, Notification::DblClk, &CManagerDlg::OnWalkListDblClk},
    {IDC_WALK_LIST, Notification::SelChange, &CManagerDlg::OnWalkListSelChange},
    {IDC_CLEAR, Notification::Clicked, &CManagerDlg::OnClear},
};

} // namespace

CManagerDlg::CManagerDlg(QWidget* pParent) : QDialog(pParent), CTrapWindow(this) {
    // A window of its own (own task bar entry), fixed in size: it can be minimized but
    // neither resized nor maximized.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kManagerDialogTemplate.caption));
    setObjectName(QStringLiteral("IDD_MANAGER_DIALOG"));
    KeepOutOfMaximized(this);
    m_hIcon = LoadResourceIcon(IDR_MAINFRAME);
    m_hSession = nullptr;
    m_pNotificationLog = new CNotificationLog(this);
    SetNotificationInbox(m_pNotificationLog->Inbox());
    CreateControls();
    m_request = std::make_unique<CRequestRun>(this);
    CreateSystemMenu();
    ConnectMessageMap();
}

CManagerDlg::~CManagerDlg() {
    // A dialog that is deleted without having ended still stops its listener first.
    if (m_bInitialised && !m_bDestroyed)
        OnDestroy();
    // The log's window goes before the log it views.
    delete m_pNotificationsDlg.data();
    // The live counters' round ends while the session it uses is still the dialog's.
    delete m_pWatch.data();
}

void CManagerDlg::CreateControls() {
    m_layout = CreateDialogControls(this, kManagerDialogTemplate);
    const QList<QLabel*> labels = findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (const AccessibleName& entry : kAccessibleNames) {
        QWidget* control = GetDlgItem(entry.id);
        control->setAccessibleName(QString::fromLatin1(entry.name));
        for (QLabel* label : labels) {
            if (entry.label && label->text() == QLatin1String(entry.label))
                label->setBuddy(control);
        }
    }
}

void CManagerDlg::ConnectMessageMap() {
    for (const MessageEntry& entry : kMessageMap) {
        QWidget* control = GetDlgItem(entry.id);
        const auto handler = entry.handler;
        switch (entry.code) {
        case Notification::Clicked:
            connect(static_cast<QAbstractButton*>(control), &QAbstractButton::clicked, this,
                    [this, handler] { (this->*handler)(); });
            break;
        case Notification::DblClk:
            connect(static_cast<CListBox*>(control), &CListBox::dblClk, this,
                    [this, handler] { (this->*handler)(); });
            break;
        case Notification::SelChange:
            connect(static_cast<CListBox*>(control), &CListBox::selChange, this,
                    [this, handler] { (this->*handler)(); });
            break;
        }
    }
    // Not in the table: the Exit button's command IDCANCEL reaches the dialog's default
    // Cancel handling.
    connect(static_cast<QAbstractButton*>(GetDlgItem(IDCANCEL)), &QAbstractButton::clicked, this,
            &QDialog::reject);
}

int CManagerDlg::DoModal() {
    return exec();
}

void CManagerDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
}

BOOL CManagerDlg::OnInitDialog() {
    AddPresets();
    AddSessionSettingsMenuEntry();
    AddMibBrowserMenuEntry();
    AddTableViewMenuEntry();
    AddWatchMenuEntry();
    AddNotificationsMenuEntry();
    AddAboutMenuEntry();
    // The window's icon, large and small: the window system asks nothing and is told once,
    // and shows it wherever it shows the window as an icon, minimized or dragged.
    setWindowIcon(OnQueryDragIcon());
    m_hTrapThread.Close();
    m_bStopTrapThread = 0;
    m_hTrapEvent = nullptr;
    EnableDlgItem(IDC_CLOSE, false);
    ListBox(IDC_WALK_LIST)->SetHorizontalExtent(5000);
    ListBox(IDC_TRAP_LIST)->SetHorizontalExtent(5000);
    StartTrapListener();
    FillTypeList();
    // The window is placed before it is mapped, with the frame the window manager will give
    // where it says so in advance, so that it appears once, at its place. Where the window
    // system tells nothing of panels, the compositor may still give it less height.
    m_bHeightOpen = !WindowSystemReportsPanels();
    if (QWindow* window = windowHandle()) {
        m_promisedFrame = RequestFrameExtents(window);
        if (m_bHeightOpen)
            window->installEventFilter(this);
    }
    FitAndPlace(FrameMargins());
    PlaceOnceFramed();
    // The focused button shows its focus ring from the start, as the platform's dialogs
    // show their default button's, not only once the keyboard has moved the focus.
    setAttribute(Qt::WA_KeyboardFocusChange);
    GetDlgItem(IDCANCEL)->setFocus(Qt::OtherFocusReason);
    return TRUE;
}

void CManagerDlg::AddPresets() {
    for (const DlgPreset& preset : kManagerDialogPresets)
        ComboBox(preset.id)->AddString(preset.text);
}

void CManagerDlg::FillTypeList() {
    auto* types = ComboBox(IDC_TYPE);
    for (int i = 0; i < static_cast<int>(std::size(kTypeList)); ++i) {
        types->AddString(kTypeList[i].text);
        types->SetItemData(i, kTypeList[i].code);
    }
    types->SetCurSel(-1);
}

QMargins CManagerDlg::FrameMargins() const {
    if (const QWindow* window = windowHandle(); window && !window->frameMargins().isNull())
        return window->frameMargins();
    if (!m_promisedFrame.isNull())
        return m_promisedFrame;
    // Neither known nor promised (a window manager that draws the frame later, or a
    // compositor that draws the title bar itself): a frame like the common desktops' stands
    // in.
    return WindowFrame(this);
}

QRect CManagerDlg::WorkArea() const {
    return WorkAreaOf(screen());
}

void CManagerDlg::FitToHeight(int height) {
    const CListBox* list = ListBox(IDC_WALK_LIST);
    // A list keeps at least one line, its frame and its horizontal scroll bar.
    const int minListHeight = 2 * list->frameWidth() +
                              list->horizontalScrollBar()->sizeHint().height() + list->ItemHeight();
    const DialogLayout layout =
        FitDialogHeight(kManagerDialogTemplate, m_layout, height, minListHeight);
    m_fittedHeight = layout.client.height();
    ApplyDialogLayout(this, layout);
    if (m_bHeightOpen) {
        const DialogLayout least =
            FitDialogHeight(kManagerDialogTemplate, m_layout, 0, minListHeight);
        setMinimumHeight(least.client.height());
    }
}

void CManagerDlg::FitAndPlace(const QMargins& frame) {
    const QRect workArea = WorkArea();
    if (workArea.isEmpty())
        return;
    m_placedFrame = frame;
    FitToHeight(workArea.height() - frame.top() - frame.bottom());
    // The client area is placed inside the frame, as the frame is known (or estimated): the
    // toolkit's own move() takes the frame's size into account only once it has read it. A
    // compositor places its windows itself and ignores the position.
    const QPoint framePos = PlaceFrame(workArea, size().grownBy(frame));
    setGeometry(QRect(framePos + QPoint(frame.left(), frame.top()), size()));
}

void CManagerDlg::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // Where the toolkit draws the title bar itself (a compositor without title bars of its
    // own), the frame is known as soon as the window is, before anything is drawn in it: the
    // window takes its size from it now, so that it maps once, at that size.
    if (visible && m_bInitialised && !m_bDestroyed && windowHandle()) {
        const QMargins known = windowHandle()->frameMargins();
        if (!known.isNull() && known != m_placedFrame)
            FitAndPlace(known);
    }
}

void CManagerDlg::PlaceOnceFramed() {
    // A window manager that does not say in advance which frame it will give frames the
    // window some time after it is shown, and the toolkit learns the frame's size only by
    // asking. Until it is known, for two seconds at most, the dialog asks every 50 ms; a
    // frame other than the one the window was placed with fits and centres it again.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, tries = 0]() mutable {
        const QMargins known = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        if (!known.isNull() && known != m_placedFrame)
            FitAndPlace(known);
        if (!known.isNull() || ++tries >= 40)
            poll->deleteLater();
    });
    poll->start(50);
}

void CManagerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // A height that the window system chose (a compositor's bounds for the window, where the
    // toolkit passes them on): the lists give up what the window lacks.
    if (m_bHeightOpen && event->size().height() != m_fittedHeight)
        FitToHeight(event->size().height());
}

bool CManagerDlg::eventFilter(QObject* watched, QEvent* event) {
    // A window is exposed once the compositor has configured it: the height it has then is
    // the one it keeps.
    if (m_bHeightOpen && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        m_bHeightOpen = false;
        watched->removeEventFilter(this);
        setFixedHeight(height());
    }
    return QDialog::eventFilter(watched, event);
}

void CManagerDlg::done(int result) {
    // Every way of ending the dialog (Exit, the close box, the system menu) comes through
    // here, so the destruction handling runs exactly once before it goes. A request under way
    // is ended first: the window goes off the screen at once, and the dialog ends as soon as
    // the request has (RunRequest).
    if (RequestUnderWay()) {
        m_bCloseAfterRequest = true;
        m_closeResult = result;
        hide();
        CancelRequest();
        return;
    }
    if (m_bInitialised && !m_bDestroyed)
        OnDestroy();
    QDialog::done(result);
}

void CManagerDlg::OnDestroy() {
    m_bDestroyed = true;
    // Off the screen before the listener is waited for, so that a close never leaves a
    // window on screen that does not answer; the log's window with it.
    hide();
    if (m_pNotificationsDlg)
        m_pNotificationsDlg->hide();
    StopTrapListener();
}

void CManagerDlg::keyPressEvent(QKeyEvent* event) {
    // Enter on a focused push button clicks it (Exit, when the window opens). Anywhere else
    // it does nothing: an operator confirming what was typed in a box must not end the
    // program and lose the trap window with it. Escape, the key for dismissing what is being
    // typed, never ends it either: while a request is under way it presses its Cancel, and
    // otherwise does nothing (an open popup, a list's or a menu's, closes on it before it
    // reaches the dialog). Exit and the window's close command end the dialog.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Escape) {
            if (RequestUnderWay())
                CancelRequest();
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
                button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

char* CManagerDlg::FormatValue(const AsnAny* value) {
    return values::FormatValue(value);
}

void CManagerDlg::ErrorStatusName(AsnInteger status, char** name) {
    values::ErrorStatusName(status, name);
}

QWidget* CManagerDlg::GetDlgItem(int id) const {
    return FindDlgItem(this, id);
}

std::string CManagerDlg::GetDlgItemText(int id) const {
    // Controls are read into a 255-byte buffer with its terminator, so 254 bytes at most.
    constexpr std::size_t kMaxText = 254;
    QWidget* control = GetDlgItem(id);
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(control))
        text = combo->currentText();
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        text = edit->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        text = button->text();
    return DialogBytesOf(text, kMaxText);
}

void CManagerDlg::SetDlgItemText(int id, const char* text) {
    const QString value = DialogTextOf(text);
    QWidget* control = GetDlgItem(id);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        // The operator may type up to 32,767 characters; what the program puts there is
        // kept whole, however long, and the limit grows to it so that nothing is cut.
        edit->setMaxLength(static_cast<int>(std::max<qsizetype>(32767, value.size())));
        edit->setText(value);
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(value);
    }
}

void CManagerDlg::EnableDlgItem(int id, bool enable) {
    if (QWidget* control = GetDlgItem(id))
        control->setEnabled(enable);
}

CListBox* CManagerDlg::ListBox(int id) const {
    return qobject_cast<CListBox*>(GetDlgItem(id));
}

CComboBox* CManagerDlg::ComboBox(int id) const {
    return qobject_cast<CComboBox*>(GetDlgItem(id));
}

CManagerDlg::MessageHook& CManagerDlg::MessageHookSlot() {
    static MessageHook hook;
    return hook;
}

void CManagerDlg::Report(const Outcome& outcome) {
    // A window that the operator closed during the request tells nothing more of it.
    if (outcome.IsDone() || m_bCloseAfterRequest)
        return;
    const OutcomeBox box = BoxOfOutcome(outcome);
    MessageBox(box.text.c_str(), box.caption, box.type);
}

void CManagerDlg::MessageBox(const char* text, const char* caption, unsigned type) {
    if (const MessageHook& hook = MessageHookSlot()) {
        hook(MessageRecord{text, caption, type});
        return;
    }
    QMessageBox box(this);
    box.setWindowTitle(DialogTextOf(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(DialogTextOf(text));
    box.setIcon((type & MB_ICONERROR)         ? QMessageBox::Critical
                : (type & MB_ICONINFORMATION) ? QMessageBox::Information
                                              : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    // A box shown while a request holds the busy pointer gets the ordinary pointer.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

void CManagerDlg::AddTrapLine(const char* line, const SnmpVarBind* binding) {
    ListBox(IDC_TRAP_LIST)->AddString(line, binding);
}

void CManagerDlg::ShowListenFailure(UINT code) {
    Report(Outcome{OutcomeKind::ListenFailed, code});
}

void CManagerDlg::OnClear() {
    ListBox(IDC_TRAP_LIST)->ResetContent();
}
