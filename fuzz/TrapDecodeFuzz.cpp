// libFuzzer target: any bytes, as a datagram from an IPv4 or an IPv6 sender, through the
// trap service's decoding. A crash, a sanitizer report, a record that does not hold
// together, a block of the utility allocator left over, or a message that net-snmp's own
// parser reads otherwise where both read it, is a finding.
#include "FuzzSupport.h"
#include "snmpapi/SnmpTesting.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Reads every byte the record claims to own, so that a wrong length shows as an overflow.
unsigned Touch(const SnmpTrapRecord& trap) {
    unsigned sum = TouchBindings(trap.variableBindings);
    for (UINT i = 0; i < trap.enterprise.idLength; ++i)
        sum += trap.enterprise.ids[i];
    for (UINT i = 0; i < trap.agentAddress.length; ++i)
        sum += trap.agentAddress.stream[i];
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::int64_t liveBlocks = SnmpUtilLiveBlocks();
    ExpectNetSnmpReadsTheSame(data, size);
    static const std::uint8_t kIpv4[4] = {192, 0, 2, 1};
    static const std::uint8_t kMapped[16] = {0, 0, 0,    0,    0,   0, 0, 0,
                                             0, 0, 0xFF, 0xFF, 192, 0, 2, 1};
    const bool ipv6 = size % 2 == 1;
    SnmpTrapRecord trap;
    if (SnmpTrapDecodeForTesting(data, size, ipv6 ? kMapped : kIpv4, ipv6 ? 16 : 4, &trap)) {
        // Every decoded trap has a four-byte agent: its agent-addr, or the IPv4 sender.
        if (trap.agentAddress.length != 4 || !trap.agentAddress.dynamic)
            std::abort();
        volatile unsigned sink = Touch(trap);
        (void)sink;
        SnmpTrapRecordFree(&trap);
    } else if (trap.variableBindings.len != 0 || trap.agentAddress.stream || trap.enterprise.ids) {
        std::abort(); // a refused datagram leaves the record empty
    }
    if (SnmpUtilLiveBlocks() != liveBlocks)
        std::abort();
    return 0;
}
