// libFuzzer target: any bytes as what the agent's address sends an SNMPv3 session for a Get
// under way, through the session's whole answer path (SnmpUsmAnswerForTesting): the USM's
// processing with the session's hooks, net-snmp's matching of answers and Reports, and the
// session's judging of what came. The first byte chooses the session and whether the target
// signs the rest: bit 0 an authPriv session (SHA, AES) rather than an authNoPriv one (SHA);
// bit 1 the digest set with the user's key wherever the message has a place of 12 bytes for
// one, so that mutations reach what follows authentication (the time window, the decryption,
// the scopedPDU, the Reports the user's key proves). A crash, a sanitizer report, a request
// that could not be made, a block of the utility allocator left over, an answer of other than
// the one binding asked for, or a message without the user's digest (which no one without
// the key can make) that is taken as the answer or yields a failure that only the agent's
// authenticated word could prove, or a header that net-snmp's BER primitives read
// otherwise where both read it, is a finding.
#include "testing/SnmpTesting.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A BER element's header at `pos`: its tag and the span of its contents. False when it does
// not fit.
bool ReadHeader(const std::vector<std::uint8_t>& data, std::size_t* pos, std::uint8_t* tag,
                std::size_t* length) {
    if (*pos + 2 > data.size())
        return false;
    *tag = data[(*pos)++];
    std::size_t first = data[(*pos)++];
    if (first < 0x80) {
        *length = first;
    } else {
        const std::size_t bytes = first & 0x7F;
        if (bytes == 0 || bytes > 3 || *pos + bytes > data.size())
            return false;
        *length = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            *length = (*length << 8) | data[(*pos)++];
    }
    return *length <= data.size() - *pos;
}

bool Skip(const std::vector<std::uint8_t>& data, std::size_t* pos) {
    std::uint8_t tag = 0;
    std::size_t length = 0;
    if (!ReadHeader(data, pos, &tag, &length))
        return false;
    *pos += length;
    return true;
}

// Where msgAuthenticationParameters' 12 bytes begin (RFC 3414, 2.4), 0 for a message that has
// no such place.
std::size_t DigestPlace(const std::vector<std::uint8_t>& data) {
    std::size_t pos = 0;
    std::uint8_t tag = 0;
    std::size_t length = 0;
    if (!ReadHeader(data, &pos, &tag, &length) || tag != 0x30) // the message
        return 0;
    if (!Skip(data, &pos) || !Skip(data, &pos)) // msgVersion, msgGlobalData
        return 0;
    if (!ReadHeader(data, &pos, &tag, &length) || tag != 0x04) // msgSecurityParameters
        return 0;
    if (!ReadHeader(data, &pos, &tag, &length) || tag != 0x30)
        return 0;
    for (int field = 0; field < 4; ++field) // engine id, boots, time, user name
        if (!Skip(data, &pos))
            return 0;
    if (!ReadHeader(data, &pos, &tag, &length) || tag != 0x04 || length != 12)
        return 0;
    return pos;
}

bool OnlyTheAgentsWordProves(UINT error) {
    switch (error) {
    case SNMP_MGMTAPI_USM_UNKNOWN_USER:
    case SNMP_MGMTAPI_USM_WRONG_DIGEST:
    case SNMP_MGMTAPI_USM_DECRYPTION:
    case SNMP_MGMTAPI_USM_UNSUPPORTED_LEVEL:
    case SNMP_MGMTAPI_USM_NOT_IN_TIME_WINDOW:
    case SNMP_MGMTAPI_USM_UNKNOWN_ENGINE:
    case SNMP_MGMTAPI_USM_UNKNOWN_CONTEXT:
    case SNMP_MGMTAPI_USM_REPORT:
    case SNMP_MGMTAPI_USM_BOOT_LIMIT:
    case SNMP_MGMTAPI_USM_TIME_WENT_BACK:
        return true;
    default:
        return false;
    }
}

// Whether the message's msgFlags claim authentication, read as net-snmp would find them.
bool ClaimsAuthentication(const std::vector<std::uint8_t>& data) {
    std::size_t pos = 0;
    std::uint8_t tag = 0;
    std::size_t length = 0;
    if (!ReadHeader(data, &pos, &tag, &length) || tag != 0x30 || !Skip(data, &pos))
        return false;
    if (!ReadHeader(data, &pos, &tag, &length) || tag != 0x30) // msgGlobalData
        return false;
    if (!Skip(data, &pos) || !Skip(data, &pos)) // msgID, msgMaxSize
        return false;
    if (!ReadHeader(data, &pos, &tag, &length) || tag != 0x04 || length != 1)
        return false;
    return data[pos] & 0x01;
}

[[noreturn]] void Finding(const char* what, const SnmpUsmAnswerOutcome& outcome) {
    std::fprintf(stderr,
                 "%s (answered %d, handed over %d with %u bindings, ended at once %d, engine "
                 "reported %d, error %u)\n",
                 what, outcome.answered, outcome.handedOver, outcome.bindings, outcome.endedAtOnce,
                 outcome.engineReported, outcome.error);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const bool privacy = data[0] & 1;
    const bool sign = data[0] & 2;
    std::vector<std::uint8_t> datagram(data + 1, data + size);
    // Whether the message carries the user's digest: signed here, or by the fuzzer itself,
    // which learns the digest that net-snmp compares with (libFuzzer watches memcmp), as no
    // one on the network can.
    bool authentic = false;
    if (const std::size_t at = DigestPlace(datagram)) {
        const std::vector<std::uint8_t> engine(kUsmTestingEngine,
                                               kUsmTestingEngine + sizeof kUsmTestingEngine);
        std::vector<std::uint8_t> signedCopy = datagram;
        if (SnmpSignV3ForTesting(&signedCopy, at, kUsmTestingAuthPassphrase, engine)) {
            authentic = sign || signedCopy == datagram;
            if (sign)
                datagram = std::move(signedCopy);
        }
    }
    // The header and security parameters that the session reads before it trusts a Report,
    // beside net-snmp's reading of the same bytes.
    const std::string difference = SnmpV3HeaderDisagreement(datagram.data(), datagram.size());
    if (!difference.empty()) {
        std::fprintf(stderr, "net-snmp reads it otherwise: %s\n", difference.c_str());
        std::abort();
    }
    const std::int64_t liveBlocks = SnmpUtilLiveBlocks();
    const SnmpUsmAnswerOutcome outcome =
        SnmpUsmAnswerForTesting(privacy, datagram.data(), datagram.size());
    if (!outcome.sent)
        Finding("the request could not be made", outcome);
    if (SnmpUtilLiveBlocks() != liveBlocks)
        Finding("blocks left over", outcome);
    if (outcome.answered && outcome.handedOver == 1 && outcome.bindings != 1)
        Finding("one binding asked for, another number handed over", outcome);
    if (outcome.answered && outcome.engineReported)
        Finding("answered and reported as another engine", outcome);
    // Only a message with the user's digest and the authentication flag can be authentic:
    // any other is no answer, and what it says is at most a hint.
    if (!(authentic && ClaimsAuthentication(datagram)) &&
        (outcome.answered || OnlyTheAgentsWordProves(outcome.error)))
        Finding("a message that cannot be authentic decided the request", outcome);
    return 0;
}
