#include "ui/SessionSettingsDlg.h"

#include "ui/ComboBox.h"
#include "ui/DialogTemplate.h"
#include "ui/DialogText.h"
#include "ui/Resource.h"
#include "ui/ScreenFit.h"
#include "ui/SecretEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

namespace {

// The entries of a list, in the order shown, with their numbers.
struct Entry {
    int number;
    const char* name;
};
constexpr Entry kVersions[] = {
    {SNMP_MGR_VERSION_1, "SNMPv1"},
    {SNMP_MGR_VERSION_2C, "SNMPv2c"},
    {SNMP_MGR_VERSION_3, "SNMPv3"},
};
constexpr Entry kLevels[] = {
    {SNMP_MGR_NOAUTH_NOPRIV, "noAuthNoPriv"},
    {SNMP_MGR_AUTH_NOPRIV, "authNoPriv"},
    {SNMP_MGR_AUTH_PRIV, "authPriv"},
};
constexpr Entry kAuthProtocols[] = {
    {SNMP_MGR_AUTH_MD5, "MD5"},        {SNMP_MGR_AUTH_SHA, "SHA"},
    {SNMP_MGR_AUTH_SHA224, "SHA-224"}, {SNMP_MGR_AUTH_SHA256, "SHA-256"},
    {SNMP_MGR_AUTH_SHA384, "SHA-384"}, {SNMP_MGR_AUTH_SHA512, "SHA-512"},
};
// How lines write values and identifiers: 1 for as the MIB describes them, by name.
constexpr Entry kLineValues[] = {
    {0, "as sent"},
    {1, "as the MIB describes them"},
};
constexpr Entry kLineNames[] = {
    {0, "as numbers"},
    {1, "as names"},
};
constexpr Entry kPrivProtocols[] = {
    {SNMP_MGR_PRIV_DES, "DES"},
    {SNMP_MGR_PRIV_AES, "AES"},
    {SNMP_MGR_PRIV_AES192, "AES-192"},
    {SNMP_MGR_PRIV_AES256, "AES-256"},
};

struct ListOfEntries {
    int id;
    const Entry* entries;
    std::size_t count;
    const char* name; // for screen readers
};
const ListOfEntries kLists[] = {
    {IDC_SNMP_VERSION, kVersions, std::size(kVersions), "SNMP version"},
    {IDC_SECURITY_LEVEL, kLevels, std::size(kLevels), "Security level"},
    {IDC_AUTH_PROTOCOL, kAuthProtocols, std::size(kAuthProtocols), "Authentication protocol"},
    {IDC_PRIV_PROTOCOL, kPrivProtocols, std::size(kPrivProtocols), "Privacy protocol"},
    {IDC_LIST_VALUES, kLineValues, std::size(kLineValues), "Walk and trap values"},
    {IDC_LIST_NAMES, kLineNames, std::size(kLineNames), "Walk and trap identifiers"},
};

// Each number's box and its range.
struct NumberBox {
    int id;
    int min;
    int max;
    const char* name; // for screen readers, the label without its range
};
constexpr NumberBox kNumbers[] = {
    {IDC_TIMEOUT, kTimeoutMsMin, kTimeoutMsMax, "Time-out in ms"},
    {IDC_RETRIES, kRetriesMin, kRetriesMax, "Retries"},
    {IDC_BULK_SIZE, kBulkSizeMin, kBulkSizeMax, "Bulk size"},
};

// How often the notifications not shown are read again while the dialog is open.
constexpr int kDropsRefreshMs = 1000;

bool KeyFor(const SnmpMgrUsmKeyRef& key, int authProtocol) {
    return key && SnmpMgrUsmKeyProtocol(key.get()) == authProtocol;
}

} // namespace

const char* SnmpVersionName(int version) {
    for (const Entry& entry : kVersions) {
        if (entry.number == version)
            return entry.name;
    }
    return nullptr;
}

QString TrapDropsText(const SnmpMgrTrapDrops& drops) {
    return QStringLiteral("unknown user %1, wrong digest %2, decryption %3, time window %4, "
                          "security level %5, malformed %6, trap queue full %7")
        .arg(drops.unknownUser)
        .arg(drops.wrongDigest)
        .arg(drops.decryption)
        .arg(drops.timeWindow)
        .arg(drops.securityLevel)
        .arg(drops.malformed)
        .arg(drops.queueFull);
}

CSessionSettingsDlg::CSessionSettingsDlg(const SnmpMgrSessionSettings& settings,
                                         const values::LineTexts& lineTexts, QWidget* pParent)
    : QDialog(pParent), m_authKey(settings.authKey), m_privKey(settings.privKey) {
    // Caption and close box, no minimize or maximize box, fixed in size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kSessionSettingsTemplate.caption));
    setObjectName(QStringLiteral("IDD_SESSION_SETTINGS"));
    KeepOutOfMaximized(this);
    CreateControls();
    ConnectControls();
    Show(settings, lineTexts);
}

void CSessionSettingsDlg::CreateControls() {
    // The template's controls are made on a page that scrolls where the screen is too low for
    // the whole dialog; OK and Cancel then move out of it, below the scroll area, so that
    // they are always in view. The page ends where their row begins.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("SessionSettingsScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_page = new QWidget;
    m_page->setObjectName(QStringLiteral("SessionSettingsPage"));
    // In the dialog before its controls are made, so that they join the dialog's focus chain
    // in the template's order.
    m_scroll->setWidget(m_page);
    const DialogLayout layout = CreateDialogControls(m_page, kSessionSettingsTemplate);
    setFont(m_page->font());
    m_client = layout.client;
    for (int id : {IDOK, IDCANCEL}) {
        QWidget* button = FindDlgItem(m_page, id);
        (id == IDOK ? m_okRect : m_cancelRect) = button->geometry();
        // Within one window, the focus chain keeps its order across the move.
        button->setParent(this);
        button->show();
    }
    m_page->setFixedSize(m_client.width(), m_okRect.top());
    // Each control that takes the focus, by Tab, a mnemonic or a refused OK, is scrolled to.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && m_page->isAncestorOf(now))
            m_scroll->ensureWidgetVisible(now);
    });
    FitTo(QRect(), QMargins());
    FillLists();
    for (const NumberBox& number : kNumbers) {
        QSpinBox* box = SpinBox(number.id);
        box->setRange(number.min, number.max);
        box->setAccessibleName(QString::fromLatin1(number.name));
    }
    // SnmpAdminString (RFC 3411): a user name and a context name are UTF-8 of at most 32
    // bytes; the box takes 32 characters and Settings cuts them between characters.
    for (int id : {IDC_USER_NAME, IDC_CONTEXT_NAME})
        Edit(id)->setMaxLength(static_cast<int>(SNMP_MGR_USM_NAME_MAX));
    // Each label's mnemonic moves the focus to the box after it in the template.
    QWidget* previous = nullptr;
    for (QObject* child : m_page->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (auto* label = qobject_cast<QLabel*>(previous); label && !label->wordWrap())
            label->setBuddy(widget);
        previous = widget;
    }
}

void CSessionSettingsDlg::FillLists() {
    for (const ListOfEntries& list : kLists) {
        CComboBox* box = List(list.id);
        for (std::size_t i = 0; i < list.count; ++i)
            box->SetItemData(box->AddString(list.entries[i].name), list.entries[i].number);
        box->setAccessibleName(QString::fromLatin1(list.name));
    }
}

void CSessionSettingsDlg::ConnectControls() {
    for (auto* button : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        const int id = button->property("dlgId").toInt();
        if (id == IDOK)
            connect(button, &QAbstractButton::clicked, this, &QDialog::accept);
        else if (id == IDCANCEL)
            connect(button, &QAbstractButton::clicked, this, &QDialog::reject);
    }
    connect(List(IDC_SNMP_VERSION), &QComboBox::currentIndexChanged, this,
            &CSessionSettingsDlg::OnVersionChange);
    for (int id : {IDC_SECURITY_LEVEL, IDC_AUTH_PROTOCOL})
        connect(List(id), &QComboBox::currentIndexChanged, this,
                &CSessionSettingsDlg::OnSecurityChange);
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &CSessionSettingsDlg::ShowDrops);
    refresh->start(kDropsRefreshMs);
}

void CSessionSettingsDlg::Show(const SnmpMgrSessionSettings& settings,
                               const values::LineTexts& lineTexts) {
    const std::pair<int, int> chosen[] = {
        {IDC_SNMP_VERSION, settings.version},
        {IDC_SECURITY_LEVEL, settings.securityLevel},
        {IDC_AUTH_PROTOCOL, settings.authProtocol},
        {IDC_PRIV_PROTOCOL, settings.privProtocol},
        {IDC_LIST_VALUES, lineTexts.valuesAsDescribed ? 1 : 0},
        {IDC_LIST_NAMES, lineTexts.identifiersAsNames ? 1 : 0},
    };
    for (const auto& [id, number] : chosen) {
        CComboBox* box = List(id);
        box->SetCurSel(0);
        for (int i = 0; i < box->GetCount(); ++i) {
            if (box->GetItemData(i) == number)
                box->SetCurSel(i);
        }
    }
    // QSpinBox keeps every value within its range.
    SpinBox(IDC_TIMEOUT)->setValue(settings.timeoutMs);
    SpinBox(IDC_RETRIES)->setValue(settings.retries);
    SpinBox(IDC_BULK_SIZE)->setValue(settings.bulkSize);
    Edit(IDC_USER_NAME)->setText(DialogTextOf(settings.userName));
    Edit(IDC_CONTEXT_NAME)->setText(DialogTextOf(settings.contextName));
    OnVersionChange();
    OnSecurityChange();
    ShowDrops();
}

void CSessionSettingsDlg::OnVersionChange() {
    // SNMPv1 has no GetBulk: its walks ask for one object at a time.
    SpinBox(IDC_BULK_SIZE)->setEnabled(Chosen(IDC_SNMP_VERSION) != SNMP_MGR_VERSION_1);
}

void CSessionSettingsDlg::OnSecurityChange() {
    const int level = Chosen(IDC_SECURITY_LEVEL);
    const int auth = Chosen(IDC_AUTH_PROTOCOL);
    for (int id : {IDC_AUTH_PROTOCOL, IDC_AUTH_PASSPHRASE})
        Item(id)->setEnabled(level >= SNMP_MGR_AUTH_NOPRIV);
    for (int id : {IDC_PRIV_PROTOCOL, IDC_PRIV_PASSPHRASE})
        Item(id)->setEnabled(level == SNMP_MGR_AUTH_PRIV);
    // A key made before is never shown, only said to be there; one made with another
    // authentication protocol's hash cannot serve, and its passphrase must be typed again.
    const QString kept = QStringLiteral("kept: type to replace");
    const QString wanted = QStringLiteral("at least 8 characters");
    Secret(IDC_AUTH_PASSPHRASE)->setPlaceholderText(KeyFor(m_authKey, auth) ? kept : wanted);
    Secret(IDC_PRIV_PASSPHRASE)->setPlaceholderText(KeyFor(m_privKey, auth) ? kept : wanted);
}

void CSessionSettingsDlg::ShowDrops() {
    auto* label = qobject_cast<QLabel*>(Item(IDC_TRAP_DROPS));
    label->setText(TrapDropsText(SnmpMgrGetTrapDrops()) + QLatin1Char('.'));
}

bool CSessionSettingsDlg::Refuse(const char* text, int focus) {
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("Error"));
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromLatin1(text));
    box.setIcon(QMessageBox::Critical);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    Item(focus)->setFocus(Qt::OtherFocusReason);
    return false;
}

// Makes the key of the passphrase typed into `box`, if any, and clears it.
bool CSessionSettingsDlg::MakeKey(CSecretEdit* box, SnmpMgrUsmKeyRef* key, const char* what) {
    if (box->Count() == 0)
        return true;
    char passphrase[CSecretEdit::kMaxBytes];
    const std::size_t length = box->Take(passphrase);
    if (SnmpMgrMakeUsmKey(Chosen(IDC_AUTH_PROTOCOL), passphrase, length, key))
        return true;
    const std::string text = std::string("The ") + what + " key could not be made.";
    return Refuse(text.c_str(), box->property("dlgId").toInt());
}

void CSessionSettingsDlg::accept() {
    const int level = Chosen(IDC_SECURITY_LEVEL);
    const int auth = Chosen(IDC_AUTH_PROTOCOL);
    const bool named = !Edit(IDC_USER_NAME)->text().isEmpty();
    CSecretEdit* authBox = Secret(IDC_AUTH_PASSPHRASE);
    CSecretEdit* privBox = Secret(IDC_PRIV_PASSPHRASE);
    const bool authNeeded = named && level >= SNMP_MGR_AUTH_NOPRIV;
    const bool privNeeded = named && level == SNMP_MGR_AUTH_PRIV;
    if (Chosen(IDC_SNMP_VERSION) == SNMP_MGR_VERSION_3 && !named) {
        Refuse("An SNMPv3 session needs a user name.", IDC_USER_NAME);
        return;
    }
    // USM makes no key of a passphrase shorter than 8 octets (RFC 3414, 11.2).
    const auto tooShort = [](const CSecretEdit* box) {
        return box->Count() > 0 && box->Count() < static_cast<int>(SNMP_MGR_PASSPHRASE_MIN);
    };
    if (authNeeded && tooShort(authBox)) {
        Refuse("The authentication passphrase needs at least 8 characters.", IDC_AUTH_PASSPHRASE);
        return;
    }
    if (privNeeded && tooShort(privBox)) {
        Refuse("The privacy passphrase needs at least 8 characters.", IDC_PRIV_PASSPHRASE);
        return;
    }
    if (authNeeded && authBox->Count() == 0 && !KeyFor(m_authKey, auth)) {
        Refuse("Type the authentication passphrase: the security level needs it, and a key "
               "made before serves only the authentication protocol it was made with.",
               IDC_AUTH_PASSPHRASE);
        return;
    }
    if (privNeeded && privBox->Count() == 0 && !KeyFor(m_privKey, auth)) {
        Refuse("Type the privacy passphrase: the security level needs it, and a key made "
               "before serves only the authentication protocol it was made with.",
               IDC_PRIV_PASSPHRASE);
        return;
    }
    // A passphrase typed where the level does not use it is dropped as it is: nothing typed
    // outlives the dialog.
    if (!authNeeded)
        authBox->Clear();
    if (!privNeeded)
        privBox->Clear();
    if (!MakeKey(authBox, &m_authKey, "authentication") || !MakeKey(privBox, &m_privKey, "privacy"))
        return;
    QDialog::accept();
}

void CSessionSettingsDlg::PlaceButtons(int top, int shift) {
    FindDlgItem(this, IDOK)->setGeometry(m_okRect.translated(shift, top - m_okRect.top()));
    FindDlgItem(this, IDCANCEL)->setGeometry(m_cancelRect.translated(shift, top - m_okRect.top()));
}

void CSessionSettingsDlg::FitTo(const QRect& workArea, const QMargins& frame) {
    const int pageHeight = m_page->height();
    const int buttonsHeight = m_client.height() - pageHeight; // their row and the margin below
    const QSize fitted = FitClientSize(m_client, workArea, frame);
    if (fitted.height() >= m_client.height()) {
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scroll->setGeometry(0, 0, m_client.width(), pageHeight);
        PlaceButtons(pageHeight, 0);
        setFixedSize(m_client);
    } else {
        // The page scrolls within what is left above the buttons (a few lines at least), and
        // the dialog grows by the scroll bar rather than cut the page's right edge.
        const int lines = 3 * fontMetrics().height();
        const int scrollHeight = std::max(fitted.height() - buttonsHeight, lines);
        const int bar = m_scroll->verticalScrollBar()->sizeHint().width();
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_scroll->setGeometry(0, 0, m_client.width() + bar, scrollHeight);
        PlaceButtons(scrollHeight, bar);
        setFixedSize(m_client.width() + bar, scrollHeight + buttonsHeight);
    }
    // Over the window it was opened from, as far as the work area lets it.
    const QWidget* owner = parentWidget();
    if (owner && owner->isVisible())
        CentreInWorkArea(this, workArea, frame, owner->window()->frameGeometry().center());
    else
        CentreInWorkArea(this, workArea, frame);
}

int CSessionSettingsDlg::DoModal() {
    setWindowModality(Qt::ApplicationModal);
    // On the screen of the window it was opened from, whole, title bar and buttons included.
    if (const QWidget* owner = parentWidget(); owner && owner->isVisible())
        setScreen(owner->window()->screen());
    FitTo(WorkAreaOf(screen()), WindowFrame(this));
    return exec();
}

SnmpMgrSessionSettings CSessionSettingsDlg::Settings() const {
    SnmpMgrSessionSettings settings;
    settings.version = Chosen(IDC_SNMP_VERSION);
    settings.timeoutMs = SpinBox(IDC_TIMEOUT)->value();
    settings.retries = SpinBox(IDC_RETRIES)->value();
    settings.bulkSize = SpinBox(IDC_BULK_SIZE)->value();
    settings.userName = DialogBytesOf(Edit(IDC_USER_NAME)->text(), SNMP_MGR_USM_NAME_MAX);
    settings.securityLevel = Chosen(IDC_SECURITY_LEVEL);
    settings.authProtocol = Chosen(IDC_AUTH_PROTOCOL);
    settings.privProtocol = Chosen(IDC_PRIV_PROTOCOL);
    settings.authKey = m_authKey;
    settings.privKey = m_privKey;
    settings.contextName = DialogBytesOf(Edit(IDC_CONTEXT_NAME)->text(), SNMP_MGR_USM_NAME_MAX);
    return settings;
}

values::LineTexts CSessionSettingsDlg::LineTexts() const {
    return values::LineTexts{Chosen(IDC_LIST_VALUES) == 1, Chosen(IDC_LIST_NAMES) == 1};
}

int CSessionSettingsDlg::Chosen(int id) const {
    const CComboBox* box = List(id);
    return static_cast<int>(box->GetItemData(box->GetCurSel()));
}

CComboBox* CSessionSettingsDlg::List(int id) const {
    return qobject_cast<CComboBox*>(Item(id));
}

QSpinBox* CSessionSettingsDlg::SpinBox(int id) const {
    return qobject_cast<QSpinBox*>(Item(id));
}

QLineEdit* CSessionSettingsDlg::Edit(int id) const {
    return qobject_cast<QLineEdit*>(Item(id));
}

CSecretEdit* CSessionSettingsDlg::Secret(int id) const {
    return qobject_cast<CSecretEdit*>(Item(id));
}

QWidget* CSessionSettingsDlg::Item(int id) const {
    if (QWidget* item = FindDlgItem(m_page, id))
        return item;
    return FindDlgItem(this, id);
}
