// The Session Settings dialog: the SNMP version, the time-out and retries of every request,
// and the bulk size of an SNMPv2c walk, for the next Open. Built from its template table as
// the other dialogs are; it keeps nothing of its own once it has ended.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <QDialog>

class CComboBox;
class QSpinBox;

// "SNMPv1", "SNMPv2c"; null for a version the layer does not speak.
const char* SnmpVersionName(int version);

// The ranges the operator may choose from.
inline constexpr int kTimeoutMsMin = 100;
inline constexpr int kTimeoutMsMax = 60000;
inline constexpr int kRetriesMin = 0;
inline constexpr int kRetriesMax = 10;
inline constexpr int kBulkSizeMin = 1;
inline constexpr int kBulkSizeMax = 1000;

class CSessionSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // Shows `settings`, each number brought into its range.
    explicit CSessionSettingsDlg(const SnmpMgrSessionSettings& settings,
                                 QWidget* pParent = nullptr);

    // Runs the dialog modally over its parent: QDialog::Accepted for OK and Enter,
    // QDialog::Rejected for Cancel, Escape and the close box.
    int DoModal();

    // What the controls hold: the settings that OK accepts.
    SnmpMgrSessionSettings Settings() const;

private:
    void CreateControls();
    void ConnectControls();
    void Show(const SnmpMgrSessionSettings& settings);
    void OnVersionChange();
    CComboBox* VersionBox() const;
    QSpinBox* SpinBox(int id) const;
};
