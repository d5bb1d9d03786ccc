// Open and Close: the one session with an agent that every request is sent on.
#include "snmp/RequestSupport.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"

#include <string>

void CManagerDlg::OnOpen() {
    const std::string agent = GetDlgItemText(IDC_IPADDRESS);
    const std::string community = GetDlgItemText(IDC_COMMUNITY);
    LPSNMP_MGR_SESSION session = nullptr;
    UINT error = 0;
    {
        CWaitCursor wait;
        session = SnmpMgrOpen(agent.c_str(), community.c_str(), kSessionTimeoutMs, kSessionRetries);
        error = session ? 0 : GetLastError(); // taken straight after the failed call
    }
    m_hSession = session;
    if (m_hSession) {
        EnableDlgItem(IDC_OPEN, false);
        EnableDlgItem(IDC_CLOSE, true);
        return;
    }
    std::string text = SystemErrorText(error);
    if (text.empty())
        text =
            "The session with the agent could not be opened (error " + std::to_string(error) + ").";
    MessageBox(text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

void CManagerDlg::OnClose() {
    SnmpMgrClose(m_hSession);
    m_hSession = nullptr;
    EnableDlgItem(IDC_OPEN, true);
    EnableDlgItem(IDC_CLOSE, false);
}
