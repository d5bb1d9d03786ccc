// How the walk lines and the trap lines write what they hold, as the operator chooses in the
// Session Settings: values as sent (FormatValue, the default) or as the MIB describes them
// (as snmpwalk prints them, MibValues.h), and identifiers as numbers (the default) or by name.
// With the defaults every line is what it has always been.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <string>

namespace values {

struct LineTexts {
    bool valuesAsDescribed = false;
    bool identifiersAsNames = false;

    bool operator==(const LineTexts&) const = default;
};

// A line's value: as sent or as described; an OBJECT IDENTIFIER value by name
// ("IF-MIB::linkDown") or as its numbers (as sent "1.3.6.1.6.3.1.1.5.3"; described as
// snmpwalk -On writes it, ".1.3.6.1.6.3.1.1.5.3"). On one line: where a described text of
// many bytes in hex breaks its lines, a space stands in their place.
std::string LineValueText(const SnmpVarBind& binding, const LineTexts& texts);

// A walk line's identifier: ".1.3.6.1.2.1.2.2.1.8.1", or by name, as snmpwalk writes it
// ("IF-MIB::ifOperStatus.1").
std::string LineIdentifierText(const AsnObjectIdentifier& name, const LineTexts& texts);

} // namespace values
