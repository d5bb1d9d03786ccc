// libFuzzer target: any bytes as the plaintext scopedPDU of an SNMPv3 notification, as the
// trap service reads it once net-snmp has authenticated and decrypted it: its length, its
// bare form for net-snmp, the trap that SnmpMgrGetTrap hands out, an inform's Response and
// the Response with tooBig. A crash, a sanitizer report, readings that do not agree with each
// other or with net-snmp's parser where both read, a block of the utility allocator left
// over, or an answer that does not read back as the inform's Response, is a finding.
#include "FuzzSupport.h"
#include "snmpapi/SnmpMessage.h"
#include "snmpapi/TrapDecode.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Expect(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "does not hold: %s\n", what);
        std::abort();
    }
}

// A scopedPDU with an empty context around `pdu`.
std::vector<std::uint8_t> Scoped(const std::vector<std::uint8_t>& pdu) {
    const std::size_t contents = 4 + pdu.size();
    std::vector<std::uint8_t> out{0x30, 0x84, static_cast<std::uint8_t>(contents >> 24),
                                  static_cast<std::uint8_t>(contents >> 16),
                                  static_cast<std::uint8_t>(contents >> 8),
                                  static_cast<std::uint8_t>(contents), 0x04, 0, 0x04, 0};
    out.insert(out.end(), pdu.begin(), pdu.end());
    return out;
}

void ExpectAnswers(const std::uint8_t* data, std::size_t size, const SnmpMessage& inform) {
    const std::vector<std::uint8_t> response = EncodeInformResponsePdu(data, size);
    Expect(inform.pduType == SNMP_PDU_INFORM || response.empty(), "only an inform is answered");
    if (response.empty())
        return;
    const std::vector<std::uint8_t> scoped = Scoped(response);
    SnmpMessage answer;
    Expect(DecodeScopedPdu(scoped.data(), scoped.size(), &answer), "the Response reads back");
    Expect(answer.pduType == SNMP_PDU_RESPONSE && answer.requestId == inform.requestId &&
               answer.errorStatus == 0 && answer.errorIndex == 0 &&
               answer.bindings.len == inform.bindings.len,
           "the Response is the inform's");
    SnmpMessageFree(&answer);
    const std::vector<std::uint8_t> tooBig =
        EncodeTooBigResponsePdu(response.data(), response.size());
    const std::vector<std::uint8_t> tooBigScoped = Scoped(tooBig);
    Expect(DecodeScopedPdu(tooBigScoped.data(), tooBigScoped.size(), &answer),
           "the tooBig Response reads back");
    Expect(answer.pduType == SNMP_PDU_RESPONSE && answer.requestId == inform.requestId &&
               answer.errorStatus == SNMP_ERRORSTATUS_TOOBIG && answer.errorIndex == 0 &&
               answer.bindings.len == 0 && tooBig.size() <= response.size(),
           "the tooBig Response says tooBig and nothing more");
    SnmpMessageFree(&answer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::int64_t liveBlocks = SnmpUtilLiveBlocks();
    const std::string difference = SnmpScopedReadingDisagreement(data, size);
    if (!difference.empty()) {
        std::fprintf(stderr, "net-snmp reads it otherwise: %s\n", difference.c_str());
        std::abort();
    }
    const std::size_t length = ScopedPduLength(data, size);
    Expect(length <= size, "the scopedPDU lies within what was decrypted");
    std::int32_t peekedId = 0;
    const BYTE peeked = PeekScopedPdu(data, size, &peekedId);
    const std::vector<std::uint8_t> bare = EncodeBareScopedPdu(data, size);
    if (!bare.empty()) {
        std::int32_t bareId = 0;
        Expect(ScopedPduLength(bare.data(), bare.size()) == bare.size(), "the bare form is whole");
        Expect(PeekScopedPdu(bare.data(), bare.size(), &bareId) == peeked || peeked == 0,
               "the bare form keeps the PDU's tag");
        Expect(peeked == 0 || bareId == peekedId, "the bare form keeps the request id");
    }
    SnmpMessage message;
    if (DecodeScopedPdu(data, size, &message)) {
        Expect(peeked == message.pduType && peekedId == message.requestId,
               "the peek and the decoding agree");
        Expect(length == size, "a whole scopedPDU has its own length");
        volatile unsigned sink = TouchBindings(message.bindings);
        (void)sink;
        ExpectAnswers(data, size, message);
        SnmpMessageFree(&message);
    }
    static const std::uint8_t kIpv4[4] = {192, 0, 2, 1};
    SnmpTrapRecord trap;
    if (DecodeScopedTrap(data, size, kIpv4, 4, &trap)) {
        volatile unsigned sink = TouchBindings(trap.variableBindings);
        (void)sink;
        SnmpTrapRecordFree(&trap);
    }
    Expect(SnmpUtilLiveBlocks() == liveBlocks, "no block is left over");
    return 0;
}
