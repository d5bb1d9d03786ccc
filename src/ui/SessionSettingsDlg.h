// The Session Settings dialog: the SNMP version, the time-out and retries of every request,
// the bulk size of a GetBulk walk, and the SNMPv3 user (its name, security level, protocols,
// passphrases and context), for the next Open; how walk and trap lines are written; and the notifications that the trap service
// has not shown. Built from its template table as the other dialogs are; it keeps nothing of
// its own once it has ended. Passphrases become keys when OK is pressed and are cleared
// there; a key already made is kept until its passphrase is typed anew, and never shown.
#pragma once

#include "snmpapi/SnmpApi.h"
#include "values/LineText.h"

#include <QDialog>

class CComboBox;
class CSecretEdit;
class QLineEdit;
class QScrollArea;
class QSpinBox;

// "SNMPv1", "SNMPv2c", "SNMPv3"; null for a version the layer does not speak.
const char* SnmpVersionName(int version);

// The ranges the operator may choose from.
inline constexpr int kTimeoutMsMin = 100;
inline constexpr int kTimeoutMsMax = 60000;
inline constexpr int kRetriesMin = 0;
inline constexpr int kRetriesMax = 10;
inline constexpr int kBulkSizeMin = 1;
inline constexpr int kBulkSizeMax = 1000;

// The notifications not shown, as the dialog words them: "unknown user 2, wrong digest 0, ...".
QString TrapDropsText(const SnmpMgrTrapDrops& drops);

class CSessionSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // Shows `settings`, each number brought into its range; their keys are kept unless the
    // operator types new passphrases or changes the authentication protocol.
    // `lineTexts` is how the walk and trap lines are written now.
    explicit CSessionSettingsDlg(const SnmpMgrSessionSettings& settings,
                                 const values::LineTexts& lineTexts = {},
                                 QWidget* pParent = nullptr);

    // Runs the dialog modally over its parent: QDialog::Accepted for OK and Enter,
    // QDialog::Rejected for Cancel, Escape and the close box.
    int DoModal();

    // What the controls hold, with the keys made at OK: the settings that OK accepted.
    SnmpMgrSessionSettings Settings() const;
    // How the lines added after OK are written.
    values::LineTexts LineTexts() const;

    // OK: refuses, in a box, SNMPv3 settings that cannot be used (an SNMPv3 session without a
    // user name, a passphrase shorter than 8 characters, a level without its passphrase) and
    // otherwise makes the keys of the passphrases typed, which are then cleared.
    void accept() override;

    // Fits the dialog, with `frame` around it, to `workArea` and centres it there. Where the
    // whole template does not fit, its boxes and notes scroll, and OK and Cancel stay below
    // them, always in view. DoModal fits it to its screen's work area.
    void FitTo(const QRect& workArea, const QMargins& frame);
    // The boxes and notes, which scroll where the dialog lacks the room for them.
    QScrollArea* ScrollArea() const { return m_scroll; }

private:
    void CreateControls();
    // OK and Cancel in their row at `top`, `shift` right of their place in the template.
    void PlaceButtons(int top, int shift);
    QWidget* Item(int id) const;
    void FillLists();
    void ConnectControls();
    void Show(const SnmpMgrSessionSettings& settings, const values::LineTexts& lineTexts);
    void OnVersionChange();
    void OnSecurityChange();
    void ShowDrops();
    bool Refuse(const char* text, int focus);
    bool MakeKey(CSecretEdit* box, SnmpMgrUsmKeyRef* key, const char* what);
    int Chosen(int id) const;
    CComboBox* List(int id) const;
    QSpinBox* SpinBox(int id) const;
    QLineEdit* Edit(int id) const;
    CSecretEdit* Secret(int id) const;

    // The keys of the settings shown, and then those made at OK.
    SnmpMgrUsmKeyRef m_authKey;
    SnmpMgrUsmKeyRef m_privKey;
    // The template's controls but OK and Cancel, on a page of their own in the scroll area.
    QScrollArea* m_scroll = nullptr;
    QWidget* m_page = nullptr;
    // The template's client size, and where its OK and Cancel stand in it.
    QSize m_client;
    QRect m_okRect;
    QRect m_cancelRect;
};
