// The value conversions of the dialog's flows: a value's text for the operator, an error
// status's name, and the typed text read into the value a Set carries. They use no window:
// the dialog shows the texts they give, and the box of an outcome they report.
#pragma once

#include "outcome/Outcome.h"
#include "snmpapi/SnmpApi.h"

namespace values {

// The value's text in a block of the utility allocator, which the caller frees; null for
// NULL, which has no text form, and for an Opaque, IpAddress or OBJECT IDENTIFIER of no
// bytes. An OCTET STRING or Opaque whose bytes are no text is shown as its bytes in hex; a
// SEQUENCE, a tag that no SNMP type has and an element that does not fit its type as their
// whole element in hex.
char* FormatValue(const AsnAny* value);

// The name of an SNMPv2 exception ("noSuchObject", "noSuchInstance", "endOfMibView"), or
// null for any other type.
const char* ExceptionName(BYTE type);

// The status's name in a malloc block of 64 bytes, which the caller frees; "Unknown Error"
// beyond the table. `*name` is always set (null when no block could be had).
void ErrorStatusName(AsnInteger status, char** name);

// Fills in the binding's value from the typed text for the type code already in
// vb->value.asnType. An IpAddress text is cut at its dots in place. Done when the binding
// holds the value; otherwise why it does not (a type that cannot be set, a text that is no
// identifier, no memory), with nothing in the binding to release.
Outcome ParseValue(SnmpVarBind* vb, char* text);

} // namespace values
