// Writes the seed corpora of the SNMPv3 fuzz targets from datagrams that net-snmp's snmptrap
// -v3 really sends: whole messages at each security level (the header target's and, to
// Okapel's engine, the receiver's), the noAuthNoPriv ones again as informs, one of them with
// the smallest msgMaxSize, and their plaintext scopedPDUs (the scopedPDU target's).
// Usage: v3_seed_capture MESSAGE-DIRECTORY SCOPED-DIRECTORY
#include "FuzzSupport.h"
#include "support/TrapTraffic.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The engine id that the receiver's target takes as Okapel's (V3InformFuzz.cpp).
constexpr const char* kPlaceholder = "0x80001f88806f6b6170656c2d66757a7a21";

// The message's parts: version, msgGlobalData's four fields, msgSecurityParameters, scopedPDU.
struct Parts {
    std::vector<ber::Element> global;
    ber::Element security;
    ber::Element scoped;
};

bool Split(const Bytes& message, Parts* parts) {
    std::size_t at = 0;
    ber::Element whole;
    if (!ber::ReadElement(message, &at, &whole))
        return false;
    const std::vector<ber::Element> fields = ber::Inside(whole.contents);
    if (fields.size() != 4)
        return false;
    parts->global = ber::Inside(fields[1].contents);
    parts->security = fields[2];
    parts->scoped = fields[3];
    return parts->global.size() == 4 && parts->scoped.tag == 0x30;
}

Bytes Join(const Parts& parts) {
    Bytes global;
    for (const ber::Element& e : parts.global)
        global = ber::Concat({global, ber::Tlv(e.tag, e.contents)});
    return ber::Tlv(0x30, ber::Concat({ber::Integer(3), ber::Tlv(0x30, global),
                                       ber::Tlv(parts.security.tag, parts.security.contents),
                                       ber::Tlv(0x30, parts.scoped.contents)}));
}

// A noAuthNoPriv trap made the inform that snmpinform would send, reportable, with the
// msgMaxSize `maxSize`.
Bytes AsInform(const Bytes& trap, std::int64_t maxSize) {
    Parts parts;
    if (!Split(trap, &parts))
        return {};
    std::vector<ber::Element> scoped = ber::Inside(parts.scoped.contents);
    if (scoped.size() != 3)
        return {};
    scoped[2].tag = 0xA6;
    parts.scoped.contents = ber::Concat({ber::Tlv(scoped[0].tag, scoped[0].contents),
                                         ber::Tlv(scoped[1].tag, scoped[1].contents),
                                         ber::Tlv(scoped[2].tag, scoped[2].contents)});
    parts.global[1].contents = ber::IntegerContents(maxSize);
    if (!parts.global[2].contents.empty())
        parts.global[2].contents[0] |= 0x04;
    return Join(parts);
}

Bytes ScopedOf(const Bytes& message) {
    Parts parts;
    return Split(message, &parts) ? ber::Tlv(0x30, parts.scoped.contents) : Bytes{};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MESSAGE-DIRECTORY SCOPED-DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> noAuth = {"-v", "3", "-l", "noAuthNoPriv", "-u", "fuzz",
                                             "-e", kPlaceholder};
    const std::vector<std::string> values = {
        "1.3.6.1.2.1.1.5.0", "s", "a name",     "1.3.6.1.2.1.2.2.1.1.2", "i", "-2147483648",
        "1.3.6.1.4.1.99.1",  "c", "4294967295", "1.3.6.1.4.1.99.3",      "t", "123456",
        "1.3.6.1.4.1.99.4",  "a", "192.0.2.7",  "1.3.6.1.4.1.99.5",      "o", "1.3.6.1.4.1.8072",
        "1.3.6.1.4.1.99.6",  "x", "00FF80",     "1.3.6.1.4.1.99.7",      "s",
        std::string(600, 'x')};
    struct Seed {
        const char* name;
        std::vector<std::string> arguments;
        bool clear; // noAuthNoPriv: informs and scopedPDUs are made of it
    };
    std::vector<Seed> seeds = {
        {"v3-noauth-linkdown", noAuth, true},
        {"v3-noauth-all", noAuth, true},
        {"v3-authnopriv", {"-v", "3", "-l", "authNoPriv", "-u", "okSha", "-a", "SHA", "-A",
                           "sha-passphrase", "-e", "0x80001f8804aabbccdd"}, false},
        {"v3-authpriv", {"-v", "3", "-l", "authPriv", "-u", "okSha256Aes", "-a", "SHA-256", "-A",
                         "sha256-passphrase", "-x", "AES", "-X", "aes-passphrase", "-e",
                         "0x80001f8804aabbccdd"}, false},
    };
    seeds[0].arguments.insert(seeds[0].arguments.end(),
                              {"{target}", "4242", "1.3.6.1.6.3.1.1.5.3", "1.3.6.1.2.1.2.2.1.1.2",
                               "i", "2"});
    seeds[1].arguments.insert(seeds[1].arguments.end(),
                              {"{target}", "", "1.3.6.1.4.1.8072.2.3.0.1"});
    seeds[1].arguments.insert(seeds[1].arguments.end(), values.begin(), values.end());
    for (std::size_t i = 2; i < seeds.size(); ++i)
        seeds[i].arguments.insert(seeds[i].arguments.end(),
                                  {"{target}", "77", "1.3.6.1.6.3.1.1.5.3"});
    int written = 0;
    int wanted = 0;
    for (const Seed& seed : seeds) {
        wanted += seed.clear ? 5 : 1;
        const Bytes datagram = CaptureSnmpTrap(seed.arguments);
        if (datagram.empty()) {
            std::fprintf(stderr, "no datagram from snmptrap for %s\n", seed.name);
            continue;
        }
        const std::string name = seed.name;
        written += WriteSeed(argv[1], seed.name, datagram);
        if (!seed.clear)
            continue;
        const Bytes inform = AsInform(datagram, 65507);
        written += WriteSeed(argv[1], (name + "-inform").c_str(), inform);
        written += WriteSeed(argv[1], (name + "-inform-484").c_str(), AsInform(datagram, 484));
        written += WriteSeed(argv[2], (name + "-scoped").c_str(), ScopedOf(datagram));
        written += WriteSeed(argv[2], (name + "-inform-scoped").c_str(), ScopedOf(inform));
    }
    std::printf("%d seeds written to %s and %s\n", written, argv[1], argv[2]);
    return written == wanted ? 0 : 1;
}
