// What the Get, Set and walk flows share: the one-binding request list, the status line
// of their messages, and the busy pointer while a request holds the window.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string>

// The session's fixed parameters.
inline constexpr int kSessionTimeoutMs = 1000;
inline constexpr int kSessionRetries = 3;

// A list of one binding whose name is a copy of `oid` and whose value is NULL, its array
// from the utility allocator so that SnmpUtilVarBindListFree releases it. False when
// memory cannot be had (the list is then empty and needs no release).
bool BuildRequestList(const AsnObjectIdentifier* oid, SnmpVarBindList* list);

// "ErrorStatus: <name>  ErrorIndex: <index>".
std::string StatusLine(AsnInteger errorStatus, AsnInteger errorIndex);

// Shows the busy pointer from construction to destruction and pushes it to the screen at
// once, since a synchronous request handles no events until it ends.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
