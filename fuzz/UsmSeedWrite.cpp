// Writes the seed corpus of the SNMPv3 session's answer fuzz target: what an agent sends a
// Get of sysDescr.0 under way (SnmpUsmAnswerForTesting's request), each after the target's
// byte that chooses the session and the signing. Responses and Reports of every counter, in
// the clear and with a place for the digest that the target fills, from the agent's engine
// and from others, at its boots and time, at the boot limit and from an earlier time, and an
// encrypted scopedPDU that the authPriv session decrypts to noise.
// Usage: usm_seed_write DIRECTORY
#include "FuzzSupport.h"
#include "support/Ber.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kAuthPriv = 1; // the target's first byte: the authPriv session
constexpr std::uint8_t kSigned = 2;   // and the digest set by the target

const Bytes kEngine(kUsmTestingEngine, kUsmTestingEngine + sizeof kUsmTestingEngine);
const std::vector<std::uint32_t> kSysDescr = {1, 3, 6, 1, 2, 1, 1, 1, 0};

struct Message {
    std::uint8_t flags = 0x01; // authNoPriv, as a Report or Response comes
    Bytes engine = kEngine;
    std::int64_t boots = kUsmTestingBoots;
    std::int64_t time = kUsmTestingTime;
    std::string user = kUsmTestingUser;
    std::int64_t msgId = kUsmTestingMsgId;
    Bytes privacy; // msgPrivacyParameters
};

Bytes Pdu(std::uint8_t tag, std::int64_t requestId, std::int64_t status, const Bytes& bindings) {
    return ber::Tlv(tag, ber::Concat({ber::Integer(requestId), ber::Integer(status),
                                      ber::Integer(0), ber::Tlv(0x30, bindings)}));
}

Bytes Scoped(const Bytes& pdu, const std::string& context = "") {
    return ber::Tlv(0x30, ber::Concat({ber::Tlv(0x04, kEngine), ber::String(context), pdu}));
}

// The whole message; a place of 12 zero bytes for the digest where its flags authenticate.
Bytes Whole(const Message& m, const Bytes& scopedOrEncrypted) {
    const Bytes usm = ber::Tlv(
        0x30, ber::Concat({ber::Tlv(0x04, m.engine), ber::Integer(m.boots), ber::Integer(m.time),
                           ber::String(m.user), ber::Tlv(0x04, Bytes(m.flags & 1 ? 12 : 0, 0)),
                           ber::Tlv(0x04, m.privacy)}));
    const Bytes header = ber::Tlv(0x30, ber::Concat({ber::Integer(m.msgId), ber::Integer(65507),
                                                     ber::Tlv(0x04, {m.flags}), ber::Integer(3)}));
    return ber::Tlv(0x30,
                    ber::Concat({ber::Integer(3), header, ber::Tlv(0x04, usm), scopedOrEncrypted}));
}

Bytes Report(const std::vector<std::uint32_t>& counter) {
    return Pdu(0xA8, kUsmTestingRequestId, 0, ber::Binding(counter, ber::Unsigned(3, 0x41)));
}

std::vector<std::uint32_t> UsmStats(std::uint32_t counter) {
    return {1, 3, 6, 1, 6, 3, 15, 1, 1, counter, 0};
}

const std::vector<std::uint32_t> kUnknownContexts = {1, 3, 6, 1, 6, 3, 12, 1, 5, 0};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: usm_seed_write DIRECTORY\n");
        return 2;
    }
    std::vector<std::pair<std::string, Bytes>> seeds;
    auto add = [&seeds](const std::string& name, std::uint8_t mode, const Bytes& message) {
        Bytes seed = {mode};
        seed.insert(seed.end(), message.begin(), message.end());
        seeds.emplace_back(name, seed);
    };
    const Bytes response =
        Pdu(0xA2, kUsmTestingRequestId, 0, ber::Binding(kSysDescr, ber::String("an agent")));
    const Bytes clear{};
    Message authenticated;
    Message inClear;
    inClear.flags = 0x00;
    for (const std::uint8_t mode : {std::uint8_t{0}, kSigned}) {
        const std::string at = mode ? "signed-" : "";
        add(at + "response", mode, Whole(authenticated, Scoped(response)));
        add(at + "response-too-big", mode,
            Whole(authenticated, Scoped(Pdu(0xA2, kUsmTestingRequestId, 1,
                                            ber::Binding(kSysDescr, ber::Null())))));
        add(at + "response-two-bindings", mode,
            Whole(authenticated,
                  Scoped(Pdu(0xA2, kUsmTestingRequestId, 0,
                             ber::Concat({ber::Binding(kSysDescr, ber::Integer(1)),
                                          ber::Binding(kSysDescr, ber::Oid({1, 3}))})))));
        add(at + "response-other-request", mode,
            Whole(authenticated, Scoped(Pdu(0xA2, 1, 0, ber::Binding(kSysDescr, ber::Null())))));
        add(at + "response-context", mode, Whole(authenticated, Scoped(response, "a-context")));
        Message back = authenticated;
        back.time = kUsmTestingTime - 1000000;
        add(at + "response-time-went-back", mode, Whole(back, Scoped(response)));
        Message later = authenticated;
        later.boots = kUsmTestingBoots + 1;
        later.time = 3;
        add(at + "response-rebooted", mode, Whole(later, Scoped(response)));
        Message limit = authenticated;
        limit.boots = 2147483647;
        add(at + "report-boot-limit", mode, Whole(limit, Scoped(Report(UsmStats(2)))));
        Message otherUser = authenticated;
        otherUser.user = "someone";
        add(at + "response-other-user", mode, Whole(otherUser, Scoped(response)));
        Message otherMsgId = authenticated;
        otherMsgId.msgId = 1;
        add(at + "response-other-msgid", mode, Whole(otherMsgId, Scoped(response)));
        for (std::uint32_t counter = 1; counter <= 6; ++counter) {
            const std::string name = "report-" + std::to_string(counter);
            add(at + name, mode, Whole(authenticated, Scoped(Report(UsmStats(counter)))));
            add(at + name + "-clear", mode, Whole(inClear, Scoped(Report(UsmStats(counter)))));
        }
        add(at + "report-unknown-contexts", mode,
            Whole(authenticated, Scoped(Report(kUnknownContexts))));
        add(at + "report-unknown-contexts-clear", mode,
            Whole(inClear, Scoped(Report(kUnknownContexts))));
        add(at + "report-no-binding", mode,
            Whole(inClear, Scoped(Pdu(0xA8, kUsmTestingRequestId, 0, clear))));
        // A Report whose msgSecurityParameters claim more bytes than their SEQUENCE has: the
        // layer reads no SNMPv3 message in it, net-snmp reads a Report.
        Bytes loose = Whole(inClear, Scoped(Report({1, 3, 6, 1, 38, 3, 15, 1, 1, 3, 91})));
        loose[23] = static_cast<std::uint8_t>(loose[23] + 8);
        add(at + "report-read-by-net-snmp-alone", mode, loose);
        // RFC 3414's discovery Report, from another engine.
        Message discovery = inClear;
        discovery.engine = {0x80, 0x00, 0x1F, 0x88, 0x04, 'o', 't', 'h', 'e', 'r'};
        discovery.user = "";
        discovery.boots = 0;
        discovery.time = 0;
        add(at + "report-discovery", mode, Whole(discovery, Scoped(Report(UsmStats(4)))));
    }
    // For the authPriv session: Reports as they come to it, and a Response whose scopedPDU is
    // encrypted (with a salt of 8 bytes) to what the session's key decrypts to noise.
    for (const std::uint8_t mode : {kAuthPriv, static_cast<std::uint8_t>(kAuthPriv | kSigned)}) {
        const std::string at = mode & kSigned ? "priv-signed-" : "priv-";
        Message authenticated;
        authenticated.user = kUsmTestingPrivUser;
        Message inClear = authenticated;
        inClear.flags = 0x00;
        Message encrypted = authenticated;
        encrypted.flags = 0x03;
        encrypted.privacy = Bytes(8, 0x5A);
        Bytes noise(64);
        for (std::size_t i = 0; i < noise.size(); ++i)
            noise[i] = static_cast<std::uint8_t>(i * 37 + 11);
        add(at + "response-encrypted", mode, Whole(encrypted, ber::Tlv(0x04, noise)));
        add(at + "report-time-window", mode, Whole(authenticated, Scoped(Report(UsmStats(2)))));
        for (std::uint32_t counter = 1; counter <= 6; ++counter)
            add(at + "report-" + std::to_string(counter) + "-clear", mode,
                Whole(inClear, Scoped(Report(UsmStats(counter)))));
        add(at + "report-unknown-contexts-clear", mode,
            Whole(inClear, Scoped(Report(kUnknownContexts))));
    }
    for (const auto& [name, seed] : seeds) {
        if (!WriteSeed(argv[1], name.c_str(), seed)) {
            std::fprintf(stderr, "usm_seed_write: cannot write %s in %s\n", name.c_str(), argv[1]);
            return 1;
        }
    }
    return 0;
}
