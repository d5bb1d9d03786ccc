#include "snmp/RequestSupport.h"

#include "ui/ManagerDlg.h"

#include <QApplication>
#include <QCursor>

#include <cstdlib>

bool BuildRequestList(const AsnObjectIdentifier* oid, SnmpVarBindList* list) {
    list->list = static_cast<SnmpVarBind*>(SnmpUtilMemReAlloc(nullptr, sizeof(SnmpVarBind)));
    list->len = 0;
    if (!list->list)
        return false;
    list->len = 1;
    SnmpVarBind& vb = list->list[0];
    vb.value.asnType = ASN_NULL;
    if (!SnmpUtilOidCpy(&vb.name, oid)) {
        SnmpUtilVarBindListFree(list);
        return false;
    }
    return true;
}

std::string StatusLine(AsnInteger errorStatus, AsnInteger errorIndex) {
    char* name = nullptr;
    CManagerDlg::ErrorStatusName(errorStatus, &name);
    std::string line = "ErrorStatus: ";
    line += name ? name : "";
    line += "  ErrorIndex: ";
    line += std::to_string(errorIndex);
    std::free(name);
    return line;
}

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor() {
    QApplication::restoreOverrideCursor();
}
