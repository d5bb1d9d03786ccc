// What the Get, Set and walk flows share (RequestSupport.h), and CManagerDlg::ConvertOid, by
// which each of them turns an OID text into an identifier or shows "Invalid Oid".
#include "snmp/RequestSupport.h"

#include "ui/ManagerDlg.h"

#include <QApplication>
#include <QCursor>

bool CRequestList::Build(const AsnObjectIdentifier* oid) {
    SnmpUtilVarBindListFree(&m_list);
    m_list.list = static_cast<SnmpVarBind*>(SnmpUtilMemReAlloc(nullptr, sizeof(SnmpVarBind)));
    if (!m_list.list)
        return false;
    m_list.len = 1;
    SnmpVarBind& vb = m_list.list[0];
    vb.value.asnType = ASN_NULL;
    if (!SnmpUtilOidCpy(&vb.name, oid)) {
        SnmpUtilVarBindListFree(&m_list);
        return false;
    }
    return true;
}

bool CManagerDlg::ConvertOid(const std::string& text, AsnObjectIdentifier* oid) {
    if (SnmpMgrStrToOid(text.c_str(), oid))
        return true;
    Report(Outcome{OutcomeKind::InvalidOid});
    return false;
}

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor() {
    QApplication::restoreOverrideCursor();
}
