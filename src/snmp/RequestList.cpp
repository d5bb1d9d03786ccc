#include "snmp/RequestList.h"

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
