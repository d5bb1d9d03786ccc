// libFuzzer target: any bytes, as a datagram arriving for a session's Get of sysName.0 with
// request id 1, through the session's reading of answers and the hand-over to the records
// that the request flows receive. A crash, a sanitizer report, a bare response that net-snmp
// would not take, records that do not hold together, a failure that touched the request or
// a block of the utility allocator left over is a finding.
#include "snmpapi/SnmpTesting.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr AsnInteger kUntouched = -7;

// Reads every byte the records claim to own, so that a wrong length shows as an overflow.
unsigned Touch(const SnmpVarBindList& list) {
    unsigned sum = 0;
    for (UINT b = 0; b < list.len; ++b) {
        const SnmpVarBind& vb = list.list[b];
        for (UINT i = 0; i < vb.name.idLength; ++i)
            sum += vb.name.ids[i];
        const AsnAny& value = vb.value;
        if (value.asnType == ASN_OBJECTIDENTIFIER) {
            for (UINT i = 0; i < value.asnValue.object.idLength; ++i)
                sum += value.asnValue.object.ids[i];
        } else if (value.asnValue.string.dynamic) {
            for (UINT i = 0; i < value.asnValue.string.length; ++i)
                sum += value.asnValue.string.stream[i];
        }
    }
    return sum;
}

bool IsTheRequest(const SnmpVarBindList& list) {
    static const UINT kSysName[] = {1, 3, 6, 1, 2, 1, 1, 5, 0};
    const AsnObjectIdentifier name{9, const_cast<UINT*>(kSysName)};
    return list.len == 1 && SnmpUtilOidCmp(&list.list[0].name, &name) == 0 &&
           list.list[0].value.asnType == ASN_NULL;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::int64_t liveBlocks = SnmpUtilLiveBlocks();
    static UINT sysName[] = {1, 3, 6, 1, 2, 1, 1, 5, 0};
    SnmpVarBindList list{};
    list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(sizeof(SnmpVarBind)));
    list.len = 1;
    const AsnObjectIdentifier name{9, sysName};
    SnmpUtilOidCpy(&list.list[0].name, &name);
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
        volatile unsigned sink = Touch(list);
        (void)sink;
    } else if (!IsTheRequest(list) || status != kUntouched || index != kUntouched) {
        std::abort(); // a failed or ignored answer leaves the request as it was
    }
    SnmpUtilVarBindListFree(&list);
    if (SnmpUtilLiveBlocks() != liveBlocks)
        std::abort();
    return 0;
}
