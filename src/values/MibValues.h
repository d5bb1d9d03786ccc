// Values and definitions as the MIB modules describe them: the texts that net-snmp's tools
// print, made by Okapel's own code from the name table (MibNames.h), since Okapel's process
// holds no parser tree.
//
// DescribedValue is what snmpwalk prints for a binding with the same modules, after the
// value's type: enumeration labels ("up(1)"), BITS labels, the DISPLAY-HINTs of RFC 2579
// for strings and integers ("0:12:79:62:f9:40", "2026-12-9,13:42:7.0,+1:0", "12.34"),
// units ("8039592 KBytes"), TimeTicks ("(12345) 0:02:03.45"), identifiers by name
// ("IF-MIB::linkDown"), and snmpwalk's own forms where the modules say nothing (a string in
// quotes, or "Hex-STRING" bytes); a value of another type than its object's keeps
// snmpwalk's "Wrong Type (should be ...)" words before the value's own text. A SEQUENCE, a
// tag that no SNMP type has and an element that does not fit its type, which snmpwalk
// cannot show, are their whole element in hex as FormatValue writes them.
//
// Every function reads only the table it is given (or takes the table in force once) and
// its own locals: any thread may call them at any time, the trap listener's included.
#pragma once

#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"

#include <string>

namespace values {

// The value's text after its type, as snmpwalk prints it, with `names`.
std::string DescribedValue(const mibnames::Table& names, const AsnObjectIdentifier& name,
                           const AsnAny& value);

// The same, with the type's words in front as net-snmp's snprint_value writes them
// ("INTEGER: up(1)", "Timeticks: (12345) 0:02:03.45").
std::string DescribedValueWithType(const mibnames::Table& names, const AsnObjectIdentifier& name,
                                   const AsnAny& value);

// One binding's value as the modules in force describe it, in a block of the utility
// allocator that the caller frees with SnmpUtilMemFree; null only when no block can be had.
// The walk lines and trap lines call it once per binding, in FormatValue's place, from the
// dialog's thread or the listener's: it takes the table in force once and costs a lookup of
// the binding's name and the forming of the text (a fifth of a microsecond). As snmpwalk's,
// the text of bytes in hex breaks its line after each 16 bytes that more follow, and ends
// with a space; a one-line list may put a space in place of each break.
char* DescribeValue(const SnmpVarBind* binding);

// An identifier as snmpwalk writes an OBJECT IDENTIFIER value: the module and the name of
// the deepest node that the modules name, then the rest, an INDEX read as its objects say
// ("IF-MIB::linkDown", "IF-MIB::ifIndex.3", "SNMPv2-SMI::zeroDotZero").
std::string DescribedIdentifier(const mibnames::Table& names, const UINT* ids, UINT length);

// What the modules say of a node, as snmptranslate -Td writes it after the name: the macro,
// "-- FROM" the modules, the textual convention, SYNTAX with its ranges and labels,
// DISPLAY-HINT, UNITS, MAX-ACCESS, STATUS, AUGMENTS, INDEX, OBJECTS, DESCRIPTION, DEFVAL
// and the path of "::= { iso(1) ... }". Two of snmptranslate's words are put plainly: a
// node that only an OBJECT IDENTIFIER assignment names is an "OBJECT IDENTIFIER", not an
// OBJECT-TYPE, and a NOTIFICATION-GROUP is one, not "type_23".
std::string DefinitionText(const mibnames::Table& names, int node);

} // namespace values
