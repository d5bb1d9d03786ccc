// libFuzzer target: any bytes, as a datagram from an IPv4 or an IPv6 sender, through the
// trap service's decoding and its answer to an inform. A crash, a sanitizer report, a record
// that does not hold together, a block of the utility allocator left over, a message that
// net-snmp's own parser reads otherwise where both read it, or an inform shown without an
// answer that reads back as its Response, is a finding.
#include "FuzzSupport.h"
#include "snmpapi/SnmpMessage.h"
#include "snmpapi/TrapDecode.h"
#include "testing/SnmpTesting.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

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

// An inform that the service shows must have its answer: no longer than the inform (the
// buffer is exactly that long, so a longer one shows as an overflow), a whole Response of
// the inform's version, community, request id and bindings, with status and index 0.
void ExpectInformAnswered(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> response(size);
    const std::size_t length = EncodeInformResponse(data, size, response.data());
    std::int32_t requestId = 0;
    if (!ReadShownInform(data, size, &requestId))
        return;
    SnmpMessage inform;
    SnmpMessage answer;
    if (length == 0 || !DecodeSnmpMessage(data, size, &inform) ||
        !DecodeSnmpMessage(response.data(), length, &answer))
        std::abort();
    if (answer.pduType != SNMP_PDU_RESPONSE || answer.version != inform.version ||
        answer.requestId != requestId || answer.errorStatus != 0 || answer.errorIndex != 0 ||
        answer.communityLength != inform.communityLength ||
        answer.bindings.len != inform.bindings.len)
        std::abort();
    SnmpMessageFree(&inform);
    SnmpMessageFree(&answer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::int64_t liveBlocks = SnmpUtilLiveBlocks();
    ExpectNetSnmpReadsTheSame(data, size);
    ExpectInformAnswered(data, size);
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
