#include "snmp/RequestSupport.h"

#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/Values.h"

#include <QApplication>
#include <QCursor>

#include <cstdlib>

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
    MessageBox("Invalid Oid", "Error", MB_OK | MB_ICONERROR);
    return false;
}

std::string StatusLine(AsnInteger errorStatus, AsnInteger errorIndex) {
    char* name = nullptr;
    values::ErrorStatusName(errorStatus, &name);
    std::string line = "ErrorStatus: ";
    line += name ? name : "";
    line += "  ErrorIndex: ";
    line += std::to_string(errorIndex);
    std::free(name);
    return line;
}

std::string UsmFailureLine() {
    const UINT error = GetLastError();
    if (error < SNMP_MGMTAPI_USM_UNKNOWN_USER || error > SNMP_MGMTAPI_USM_REPORT)
        return {};
    return SystemErrorText(error);
}

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor() {
    QApplication::restoreOverrideCursor();
}
