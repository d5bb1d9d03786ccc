// A seam of the testing library (okapel_testing) over what the SNMP layer relies on inside
// net-snmp (snmpapi/LibraryInternals.h).
#pragma once

#include <string>

// What the layer relies on inside net-snmp and the library that runs does otherwise: the
// first difference found, as a sentence; the empty text when it behaves as the layer was
// written for. Checks the release, the USM's registration whose places the layer's hooks
// take, and how net-snmp forgets an engine's time record.
std::string SnmpLibraryInternalsDisagreement();

// Whether the layer takes `version`, as netsnmp_get_version() would give it, for a release
// whose internals it was written for.
bool SnmpLibraryVersionKnownForTesting(const char* version);
