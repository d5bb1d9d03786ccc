// Bindings as text, so that a whole list of them compares in one assertion.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string>
#include <vector>

// "name=type:contents": the name dotted, the type code in decimal, and the contents as the
// number, the dotted identifier, or the bytes each followed by ",".
std::string Describe(const SnmpVarBind& vb);
std::vector<std::string> Describe(const SnmpVarBindList& list);

// SnmpMgrOidToStr's text for `ids`, or "<refused>".
std::string OidName(std::vector<UINT> ids);
