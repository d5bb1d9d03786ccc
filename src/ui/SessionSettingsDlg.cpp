#include "ui/SessionSettingsDlg.h"

#include "ui/ComboBox.h"
#include "ui/DialogTemplate.h"
#include "ui/Resource.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSpinBox>

#include <algorithm>

namespace {

// The versions offered, in the order shown, with their names.
struct VersionEntry {
    int version;
    const char* name;
};
constexpr VersionEntry kVersions[] = {
    {SNMP_MGR_VERSION_1, "SNMPv1"},
    {SNMP_MGR_VERSION_2C, "SNMPv2c"},
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

} // namespace

const char* SnmpVersionName(int version) {
    for (const VersionEntry& entry : kVersions) {
        if (entry.version == version)
            return entry.name;
    }
    return nullptr;
}

CSessionSettingsDlg::CSessionSettingsDlg(const SnmpMgrSessionSettings& settings, QWidget* pParent)
    : QDialog(pParent) {
    // Caption and close box, no minimize or maximize box, fixed in size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kSessionSettingsTemplate.caption));
    setObjectName(QStringLiteral("IDD_SESSION_SETTINGS"));
    CreateControls();
    ConnectControls();
    Show(settings);
}

void CSessionSettingsDlg::CreateControls() {
    CreateDialogControls(this, kSessionSettingsTemplate);
    CComboBox* versions = VersionBox();
    for (const VersionEntry& entry : kVersions)
        versions->SetItemData(versions->AddString(entry.name), entry.version);
    versions->setAccessibleName(QStringLiteral("SNMP version"));
    for (const NumberBox& number : kNumbers) {
        QSpinBox* box = SpinBox(number.id);
        box->setRange(number.min, number.max);
        box->setAccessibleName(QString::fromLatin1(number.name));
    }
    // Each label's mnemonic moves the focus to the box after it in the template.
    QWidget* previous = nullptr;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (auto* label = qobject_cast<QLabel*>(previous); label && !label->wordWrap())
            label->setBuddy(widget);
        previous = widget;
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
    connect(VersionBox(), &QComboBox::currentIndexChanged, this,
            &CSessionSettingsDlg::OnVersionChange);
}

void CSessionSettingsDlg::Show(const SnmpMgrSessionSettings& settings) {
    CComboBox* versions = VersionBox();
    versions->SetCurSel(0);
    for (int i = 0; i < versions->GetCount(); ++i) {
        if (versions->GetItemData(i) == settings.version)
            versions->SetCurSel(i);
    }
    // QSpinBox keeps every value within its range.
    SpinBox(IDC_TIMEOUT)->setValue(settings.timeoutMs);
    SpinBox(IDC_RETRIES)->setValue(settings.retries);
    SpinBox(IDC_BULK_SIZE)->setValue(settings.bulkSize);
    OnVersionChange();
}

void CSessionSettingsDlg::OnVersionChange() {
    // SNMPv1 has no GetBulk: its walks ask for one object at a time.
    const int version = static_cast<int>(VersionBox()->GetItemData(VersionBox()->GetCurSel()));
    SpinBox(IDC_BULK_SIZE)->setEnabled(version != SNMP_MGR_VERSION_1);
}

int CSessionSettingsDlg::DoModal() {
    setWindowModality(Qt::ApplicationModal);
    if (const QWidget* owner = parentWidget(); owner && owner->isVisible()) {
        adjustSize();
        move(owner->window()->frameGeometry().center() - rect().center());
    }
    return exec();
}

SnmpMgrSessionSettings CSessionSettingsDlg::Settings() const {
    SnmpMgrSessionSettings settings;
    settings.version = static_cast<int>(VersionBox()->GetItemData(VersionBox()->GetCurSel()));
    settings.timeoutMs = SpinBox(IDC_TIMEOUT)->value();
    settings.retries = SpinBox(IDC_RETRIES)->value();
    settings.bulkSize = SpinBox(IDC_BULK_SIZE)->value();
    return settings;
}

CComboBox* CSessionSettingsDlg::VersionBox() const {
    return qobject_cast<CComboBox*>(FindDlgItem(this, IDC_SNMP_VERSION));
}

QSpinBox* CSessionSettingsDlg::SpinBox(int id) const {
    return qobject_cast<QSpinBox*>(FindDlgItem(this, id));
}
