// Open and Close: the one session with an agent that every request is sent on, and the
// settings that the next Open takes.
#include "ui/DialogTemplate.h"
#include "ui/ManagerDlg.h"
#include "ui/TableViewDlg.h"
#include "ui/Resource.h"
#include "ui/SessionSettingsDlg.h"
#include "ui/WatchDlg.h"

#include <memory>
#include <mutex>
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

// An Open on its own thread: looking a host name up may take seconds, and nothing can cut
// it short, so a Cancel leaves the attempt to end unseen and close what it opened.
struct OpenAttempt {
    std::string agent;
    std::string community;
    SnmpMgrSessionSettings settings;
    LPSNMP_MGR_SESSION session = nullptr;
    UINT error = 0;
};

} // namespace

void CManagerDlg::OnOpen() {
    if (RequestUnderWay())
        return;
    auto attempt = std::make_shared<OpenAttempt>();
    attempt->agent = GetDlgItemText(IDC_IPADDRESS);
    attempt->community = GetDlgItemText(IDC_COMMUNITY);
    attempt->settings = m_sessionSettings;
    const auto progress = [](qint64) { return QStringLiteral("Open: finding the agent..."); };
    const bool kept = m_request->RunAbandonable(progress, [attempt](const auto& keep) {
        LPSNMP_MGR_SESSION session = SnmpMgrOpenSession(
            attempt->agent.c_str(), attempt->community.c_str(), &attempt->settings);
        const UINT error = session ? 0 : GetLastError(); // taken straight after the failed call
        if (!keep()) {
            if (session)
                SnmpMgrClose(session); // cancelled: nobody uses it
            return;
        }
        attempt->session = session;
        attempt->error = error;
    });
    AfterRequest();
    if (!kept)
        return; // cancelled: no session, and nothing to tell
    m_hSession = attempt->session;
    if (m_hSession) {
        EnableDlgItem(IDC_OPEN, false);
        EnableDlgItem(IDC_CLOSE, true);
        setWindowTitle(SessionTitle(m_sessionSettings.version));
        return;
    }
    Report(Outcome{OutcomeKind::OpenRefused, attempt->error});
}

void CManagerDlg::OnClose() {
    // The windows that show what the session fetched go with it.
    if (m_pTableView)
        m_pTableView->close();
    if (m_pWatch)
        m_pWatch->SessionClosing();
    SnmpMgrClose(m_hSession);
    m_hSession = nullptr;
    EnableDlgItem(IDC_OPEN, true);
    EnableDlgItem(IDC_CLOSE, false);
    setWindowTitle(SessionTitle(SNMP_MGR_VERSION_1));
}

void CManagerDlg::OnSessionSettings() {
    CSessionSettingsDlg dlg(m_sessionSettings, m_lineTexts, this);
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    m_sessionSettings = dlg.Settings();
    SetLineTexts(dlg.LineTexts());
    // The SNMPv3 user serves the notifications from now on, whatever the version of the
    // requests; the dialog accepts no user that cannot.
    SnmpMgrTrapSetUser(&m_sessionSettings);
}

void CManagerDlg::SetLineTexts(const values::LineTexts& texts) {
    m_lineTexts = texts;
    SetTrapLineTexts(texts);
}
