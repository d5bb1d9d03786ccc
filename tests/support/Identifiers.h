// Object identifiers as the tests write them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Ids = std::vector<std::uint32_t>;

// "1.3.6.1", as net-snmp's trap and walk texts write an identifier.
std::string Dotted(const Ids& ids);
// ".1.3.6.1", each sub-identifier after a dot, as the OID box takes it; empty for none.
std::string LeadingDotted(const Ids& ids);
