// libFuzzer target: any bytes, as a datagram arriving for a session's Get of sysName.0 with
// request id 1, through the session's reading of answers and the hand-over to the records
// that the request flows receive. A crash, a sanitizer report, a bare response that net-snmp
// would not take, records that do not hold together, a failure that touched the request, a
// block of the utility allocator left over, or a message that net-snmp's own parser reads
// otherwise where both read it, is a finding.
#include "FuzzSupport.h"
#include "testing/SnmpTesting.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr AsnInteger kUntouched = -7;

UINT kSysName[] = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const AsnObjectIdentifier kRequested{9, kSysName};

bool IsTheRequest(const SnmpVarBindList& list) {
    return list.len == 1 && SnmpUtilOidCmp(&list.list[0].name, &kRequested) == 0 &&
           list.list[0].value.asnType == ASN_NULL;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::int64_t liveBlocks = SnmpUtilLiveBlocks();
    ExpectNetSnmpReadsTheSame(data, size);
    SnmpVarBindList list{};
    list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(sizeof(SnmpVarBind)));
    list.len = 1;
    SnmpUtilOidCpy(&list.list[0].name, &kRequested);
    list.list[0].value.asnType = ASN_NULL;

    AsnInteger status = kUntouched;
    AsnInteger index = kUntouched;
    const int result = SnmpAnswerForTesting(data, size, 1, &list, &status, &index);
    if (result == -2)
        std::abort(); // net-snmp would refuse the bare response: the request would time out
    if (result == 1) {
        // One binding asked for, so one comes back: the answer's, or the request's beside an
        // error status.
        if (list.len != 1)
            std::abort();
        volatile unsigned sink = TouchBindings(list);
        (void)sink;
    } else if (!IsTheRequest(list) || status != kUntouched || index != kUntouched) {
        std::abort(); // a failed or ignored answer leaves the request as it was
    }
    SnmpUtilVarBindListFree(&list);
    if (SnmpUtilLiveBlocks() != liveBlocks)
        std::abort();
    return 0;
}
