// The one-binding request list that the Get, Set and walk flows send.
#pragma once

#include "snmpapi/SnmpApi.h"

// A request list of the flows, given back to the utility allocator once, on whichever path
// the flow leaves by.
class CRequestList {
public:
    CRequestList() = default;
    ~CRequestList() { SnmpUtilVarBindListFree(&m_list); }
    CRequestList(const CRequestList&) = delete;
    CRequestList& operator=(const CRequestList&) = delete;

    // Makes the list one binding whose name is a copy of `oid` and whose value is NULL.
    // False when memory cannot be had (the list is then empty).
    bool Build(const AsnObjectIdentifier* oid);

    SnmpVarBindList* List() { return &m_list; }
    // The one binding: the request's, or the answer's once SnmpMgrRequest has filled it in.
    SnmpVarBind& Binding() { return m_list.list[0]; }

private:
    SnmpVarBindList m_list{};
};
