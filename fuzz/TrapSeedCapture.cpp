// Writes the seed corpus of the trap decoding fuzz target: datagrams that net-snmp's
// snmptrap really sends, for SNMPv1 and SNMPv2c traps with values of every type, and the
// SNMPv2c ones again as the informs that snmptrap -Ci sends (which differ in the PDU's tag).
// Usage: trap_seed_capture DIRECTORY
#include "FuzzSupport.h"
#include "support/TrapTraffic.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string values[] = {"1.3.6.1.2.1.1.5.0",     "s", "a name",
                                  "1.3.6.1.2.1.2.2.1.1.2", "i", "-2147483648",
                                  "1.3.6.1.4.1.99.1",      "c", "4294967295",
                                  "1.3.6.1.4.1.99.2",      "u", "7",
                                  "1.3.6.1.4.1.99.3",      "t", "123456",
                                  "1.3.6.1.4.1.99.4",      "a", "192.168.1.200",
                                  "1.3.6.1.4.1.99.5",      "o", "1.3.6.1.4.1.8072",
                                  "1.3.6.1.4.1.99.6",      "x", "00FF80",
                                  "1.3.6.1.4.1.99.7",      "n", ""};
    const std::vector<std::string> bindings(std::begin(values), std::end(values));
    struct Seed {
        const char* name;
        std::vector<std::string> arguments;
    };
    std::vector<Seed> seeds = {
        {"v1-none",
         {"-v", "1", "-c", "public", "{target}", "1.3.6.1.4.1.8072.2.3", "10.0.0.1", "0", "0",
          "1"}},
        {"v1-three",
         {"-v", "1", "-c", "public", "{target}", "1.3.6.1.4.1.8072.2.3", "192.168.1.200", "6", "17",
          "1234", "1.3.6.1.2.1.1.5.0", "s", "hello", "1.3.6.1.2.1.2.2.1.1.2", "i", "-5",
          "1.3.6.1.4.1.99.1", "n", ""}},
        {"v2c-linkdown",
         {"-v", "2c", "-c", "public", "{target}", "4242", "1.3.6.1.6.3.1.1.5.3",
          "1.3.6.1.2.1.2.2.1.1.2", "i", "2"}},
    };
    Seed v1All{"v1-all",
               {"-v", "1", "-c", "a-longer-community", "{target}", "1.3.6.1.4.1.8072.2.3",
                "10.0.0.1", "6", "1", "99"}};
    Seed v2All{"v2c-all", {"-v", "2c", "-c", "c", "{target}", "", "1.3.6.1.4.1.8072.2.3.0.1"}};
    v1All.arguments.insert(v1All.arguments.end(), bindings.begin(), bindings.end());
    v2All.arguments.insert(v2All.arguments.end(), bindings.begin(), bindings.end());
    seeds.push_back(v1All);
    seeds.push_back(v2All);

    int written = 0;
    int wanted = 0;
    for (const Seed& seed : seeds) {
        const bool v2c = seed.arguments[1] == "2c";
        wanted += v2c ? 2 : 1;
        const Bytes datagram = CaptureSnmpTrap(seed.arguments);
        if (datagram.empty()) {
            std::fprintf(stderr, "no datagram from snmptrap for %s\n", seed.name);
            continue;
        }
        written += WriteSeed(argv[1], seed.name, datagram);
        const std::string inform = std::string(seed.name) + "-inform";
        if (v2c)
            written += WriteSeed(argv[1], inform.c_str(), ber::WithPduTag(datagram, 0xA6));
    }
    std::printf("%d seeds written to %s\n", written, argv[1]);
    return written == wanted ? 0 : 1;
}
