// Writes the seed corpus of the answer fuzz target: responses to request id 1, as the
// scripted test agents encode them, with values of every type, the odd ones that hostile
// agents send, and outcomes out of range.
// Usage: answer_seed_write DIRECTORY
#include "FuzzSupport.h"
#include "support/ScriptedAgent.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace scripted;

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
    std::printf("%d seeds written to %s\n", written, argv[1]);
    return written == static_cast<int>(seeds.size()) ? 0 : 1;
}
