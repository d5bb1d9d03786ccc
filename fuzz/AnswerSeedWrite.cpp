// Writes the seed corpus of the answer fuzz target: responses to request id 1, as the
// scripted test agents encode them, with values of every type, the odd ones that hostile
// agents send, outcomes out of range, and every form of length at every level.
// Usage: answer_seed_write DIRECTORY
#include "FuzzSupport.h"
#include "support/ScriptedAgent.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace scripted;

namespace {

// The largest datagram that UDP over IPv4 carries.
constexpr std::size_t kLargestDatagram = 65507;

// Header bytes of an element whose contents take n bytes, its length in the shortest form
// (X.690, 8.1.3): one length byte below 128, else a count byte and one to three more.
std::size_t Header(std::size_t n) {
    return n < 0x80 ? 2 : n < 0x100 ? 3 : n < 0x10000 ? 4 : 5;
}

// The contents lengths at each level of a response to request id 1 with status and index 0
// and one binding (sysName.0) whose value is an OCTET STRING of `value` bytes.
struct Levels {
    std::size_t value, binding, list, pdu, community, message, datagram;
};
Levels LevelsOf(std::size_t community, std::size_t value) {
    Levels l{};
    l.value = value;
    l.binding = 10 + Header(value) + value; // the name's 10 bytes, then the value
    l.list = Header(l.binding) + l.binding;
    l.pdu = 9 + Header(l.list) + l.list; // request id, status and index of 3 bytes each
    l.community = community;
    l.message = 3 + Header(community) + community + Header(l.pdu) + l.pdu;
    l.datagram = Header(l.message) + l.message;
    return l;
}

struct LengthSeed {
    std::string name;
    std::size_t community;
    std::size_t value;
};

// A response whose contents at each level in turn take 127, 128, 255 and 256 bytes, on
// both sides of each change of the length's form; contents of 65,535 and 65,536 bytes do
// not fit in a datagram, and the largest datagram stands for them.
std::vector<LengthSeed> LengthSeeds() {
    using Level = std::size_t Levels::*;
    const std::pair<const char*, Level> levels[] = {
        {"value", &Levels::value}, {"binding", &Levels::binding},     {"list", &Levels::list},
        {"pdu", &Levels::pdu},     {"community", &Levels::community}, {"message", &Levels::message},
    };
    std::vector<LengthSeed> seeds;
    for (const auto& [levelName, level] : levels) {
        for (std::size_t target : {127u, 128u, 255u, 256u}) {
            const std::size_t community = level == &Levels::community ? target : 6;
            for (std::size_t value = 0; value < kLargestDatagram; ++value) {
                if (LevelsOf(community, value).*level == target) {
                    seeds.push_back(
                        {std::string("length-") + levelName + "-" + std::to_string(target),
                         community, value});
                    break;
                }
            }
        }
    }
    std::size_t value = 0;
    while (LevelsOf(6, value + 1).datagram <= kLargestDatagram)
        ++value;
    seeds.push_back({"length-largest-datagram", 6, value});
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    Request request;
    request.version = 0;
    request.community = "public";
    request.pduType = 0xA0;
    request.requestId = 1;
    const Oid name = ParseOid(".1.3.6.1.2.1.1.5.0");
    const auto one = [&](Value value, std::int64_t status = 0, std::int64_t index = 0) {
        Reply reply;
        reply.errorStatus = status;
        reply.errorIndex = index;
        reply.bindings = {{name, value}};
        return reply;
    };
    struct Seed {
        const char* name;
        Reply reply;
    };
    const std::vector<Seed> seeds = {
        {"integer", one(Integer(-2147483648LL))},
        {"counter", one(Unsigned(0x41, 4294967295u))},
        {"ticks", one(Unsigned(0x43, 100))},
        {"octets", one(Octets(0x04, "a name"))},
        {"address", one(Octets(0x40, "\x0A\x00\x00\x01"))},
        {"address-3", one(Octets(0x40, "\x0A\x00\x01"))},
        {"opaque-float", one(Value{0x44, {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00}})},
        {"opaque-short", one(Value{0x44, {0x9F, 0x78, 0x09, 0x01}})},
        {"oid", one(ObjectId({1, 3, 6, 1, 4, 1, 4294967295u}))},
        {"null", one(Null())},
        {"sequence", one(Value{0x30, {0x02, 0x01, 0x05}})},
        {"unknown-tag", one(Value{0x49, {0x01, 0x02}})},
        {"counter64", one(Value{0x46, {0x00, 0xFF, 0, 0, 0, 0, 0, 0, 1}})},
        {"counter-top-bit", one(Value{0x41, {0x80}})},
        {"ticks-top-bit", one(Value{0x43, {0xC3, 0x50}})},
        {"status-negative", one(Null(), -1, 0)},
        {"nosuchname", one(Null(), 2, 1)},
        {"nosuchname-empty", Reply{true, 2, 1, {}}},
        {"status-2-31", one(Null(), 2147483648LL, 0)},
        {"status-2-32-2", one(Null(), 4294967298LL, 1)},
        {"two-bindings", Reply{true, 0, 0, {{name, Integer(1)}, {name, Integer(2)}}}},
    };
    int written = 0;
    for (const Seed& seed : seeds) {
        const Bytes datagram = EncodeResponse(request, seed.reply);
        if (WriteSeed(argv[1], seed.name, datagram))
            ++written;
    }
    const std::vector<LengthSeed> lengthSeeds = LengthSeeds();
    for (const LengthSeed& seed : lengthSeeds) {
        Request sized = request;
        sized.community = std::string(seed.community, 'c');
        const Bytes datagram =
            EncodeResponse(sized, one(Octets(0x04, std::string(seed.value, 'v'))));
        // The sizes above must be the encoder's, or the seed is not the boundary it is named.
        if (datagram.size() != LevelsOf(seed.community, seed.value).datagram) {
            std::fprintf(stderr, "%s: %zu bytes, not the %zu reckoned\n", seed.name.c_str(),
                         datagram.size(), LevelsOf(seed.community, seed.value).datagram);
            continue;
        }
        if (WriteSeed(argv[1], seed.name.c_str(), datagram))
            ++written;
    }
    std::printf("%d seeds written to %s\n", written, argv[1]);
    return written == static_cast<int>(seeds.size() + lengthSeeds.size()) ? 0 : 1;
}
