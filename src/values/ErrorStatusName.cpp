// values::ErrorStatusName: the names of the error statuses of RFC 1157 and RFC 3416.
#include "values/Values.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// Error status names by value: 0-5 from RFC 1157, 6-18 from RFC 3416.
constexpr const char* kStatusNames[] = {
    "SNMP_ERRORSTATUS_NOERROR",
    "SNMP_ERRORSTATUS_TOOBIG",
    "SNMP_ERRORSTATUS_NOSUCHNAME",
    "SNMP_ERRORSTATUS_BADVALUE",
    "SNMP_ERRORSTATUS_READONLY",
    "SNMP_ERRORSTATUS_GENERR",
    "SNMP_ERRORSTATUS_NOACCESS",
    "SNMP_ERRORSTATUS_WRONGTYPE",
    "SNMP_ERRORSTATUS_WRONGLENGTH",
    "SNMP_ERRORSTATUS_WRONGENCODING",
    "SNMP_ERRORSTATUS_WRONGVALUE",
    "SNMP_ERRORSTATUS_NOCREATION",
    "SNMP_ERRORSTATUS_INCONSISTENTVALUE",
    "SNMP_ERRORSTATUS_RESOURCEUNAVAILABLE",
    "SNMP_ERRORSTATUS_COMMITFAILED",
    "SNMP_ERRORSTATUS_UNDOFAILED",
    "SNMP_ERRORSTATUS_AUTHORIZATIONERROR",
    "SNMP_ERRORSTATUS_NOTWRITABLE",
    "SNMP_ERRORSTATUS_INCONSISTENTNAME",
};

constexpr size_t kNameBlock = 64;

} // namespace

void values::ErrorStatusName(AsnInteger status, char** name) {
    // Compared as unsigned, so that every negative status lies outside the table.
    const auto index = static_cast<std::uint32_t>(status);
    const char* text = index < std::size(kStatusNames) ? kStatusNames[index] : "Unknown Error";
    char* block = static_cast<char*>(std::malloc(kNameBlock));
    if (!block) {
        // No block: the out-parameter is still set, to null, which every caller shows as
        // the empty name and which free accepts.
        *name = nullptr;
        return;
    }
    std::strncpy(block, text, kNameBlock - 1);
    block[kNameBlock - 1] = '\0';
    *name = block;
}
