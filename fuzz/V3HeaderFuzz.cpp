// libFuzzer target: any bytes as an SNMPv3 datagram's header and USM security parameters, as
// the trap service reads every SNMPv3 datagram before net-snmp does. A crash, a sanitizer
// report, a span outside the datagram, or a field that net-snmp's BER primitives read
// otherwise where both read it, is a finding.
#include "FuzzSupport.h"
#include "snmpapi/SnmpMessage.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool Inside(const std::uint8_t* span, std::size_t length, const std::uint8_t* data,
            std::size_t size) {
    return span >= data && length <= size && span <= data + size - length;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SnmpV3Header header;
    if (!ReadV3Header(data, size, &header))
        return 0;
    if (PeekMessageVersion(data, size) != kSnmpVersion3 || header.securityModel != 3 ||
        !Inside(header.engineId, header.engineIdLength, data, size) ||
        !Inside(header.userName, header.userNameLength, data, size))
        std::abort();
    unsigned sum = 0;
    for (std::size_t i = 0; i < header.engineIdLength; ++i)
        sum += header.engineId[i];
    for (std::size_t i = 0; i < header.userNameLength; ++i)
        sum += header.userName[i];
    volatile unsigned sink = sum;
    (void)sink;
    const std::string difference = SnmpV3HeaderDisagreement(data, size);
    if (!difference.empty()) {
        std::fprintf(stderr, "net-snmp reads it otherwise: %s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
