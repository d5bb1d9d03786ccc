// Open and Close: the one session with an agent that every request is sent on, and the
// settings that the next Open takes.
#include "snmp/RequestSupport.h"
#include "ui/DialogTemplate.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "ui/SessionSettingsDlg.h"

#include <string>

namespace {

// The window's title while a session is open: the dialog's caption, and the session's
// version where it is not SNMPv1, which every request of the window would otherwise seem
// to speak.
QString SessionTitle(int version) {
    QString title = QString::fromLatin1(kManagerDialogTemplate.caption);
    if (version != SNMP_MGR_VERSION_1)
        title += QStringLiteral(" - ") + QString::fromLatin1(SnmpVersionName(version));
    return title;
}

} // namespace

void CManagerDlg::OnOpen() {
    const std::string agent = GetDlgItemText(IDC_IPADDRESS);
    const std::string community = GetDlgItemText(IDC_COMMUNITY);
    LPSNMP_MGR_SESSION session = nullptr;
    UINT error = 0;
    {
        CWaitCursor wait;
        session = SnmpMgrOpenSession(agent.c_str(), community.c_str(), &m_sessionSettings);
        error = session ? 0 : GetLastError(); // taken straight after the failed call
    }
    m_hSession = session;
    if (m_hSession) {
        EnableDlgItem(IDC_OPEN, false);
        EnableDlgItem(IDC_CLOSE, true);
        setWindowTitle(SessionTitle(m_sessionSettings.version));
        return;
    }
    Report(Outcome{OutcomeKind::OpenRefused, error});
}

void CManagerDlg::OnClose() {
    SnmpMgrClose(m_hSession);
    m_hSession = nullptr;
    EnableDlgItem(IDC_OPEN, true);
    EnableDlgItem(IDC_CLOSE, false);
    setWindowTitle(SessionTitle(SNMP_MGR_VERSION_1));
}

void CManagerDlg::OnSessionSettings() {
    CSessionSettingsDlg dlg(m_sessionSettings, this);
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    m_sessionSettings = dlg.Settings();
    // The SNMPv3 user serves the notifications from now on, whatever the version of the
    // requests; the dialog accepts no user that cannot.
    SnmpMgrTrapSetUser(&m_sessionSettings);
}
