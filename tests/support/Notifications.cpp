#include "support/Notifications.h"

#include "testing/SnmpTesting.h"

#include <arpa/inet.h>

#include <vector>

NotificationRef NotificationOf(const Bytes& datagram, const TestOrigin& test) {
    SnmpMgrTrapOrigin origin;
    origin.arrivalMs = test.arrivalMs;
    origin.senderPort = test.port;
    const bool v6 = test.sender.find(':') != std::string::npos;
    origin.senderLength = v6 ? 16 : 4;
    inet_pton(v6 ? AF_INET6 : AF_INET, test.sender.c_str(), origin.sender);
    // Message ::= SEQUENCE { version, community, pdu }
    std::size_t pos = 0;
    ber::Element message;
    if (!ber::ReadElement(datagram, &pos, &message))
        return nullptr;
    const std::vector<ber::Element> parts = ber::Inside(message.contents);
    if (parts.size() != 3)
        return nullptr;
    origin.version =
        ber::ReadInteger(parts[0].contents) == 0 ? SNMP_MGR_VERSION_1 : SNMP_MGR_VERSION_2C;
    origin.community.assign(parts[1].contents.begin(), parts[1].contents.end());
    origin.pduType = parts[2].tag;

    SnmpTrapRecord trap{};
    if (!SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), origin.sender,
                                  origin.senderLength, &trap))
        return nullptr;
    NotificationRef made;
    {
        const CBindingTexts texts(trap.variableBindings);
        made = CNotification::Make(origin, trap.agentAddress, trap.variableBindings, texts);
    }
    SnmpTrapRecordFree(&trap);
    return made;
}

Bytes V2TrapOf(const std::vector<std::uint32_t>& trapOid, const std::vector<Bytes>& bindings,
               const std::string& community) {
    std::vector<Bytes> all = {ber::Binding({1, 3, 6, 1, 2, 1, 1, 3, 0}, ber::Unsigned(4242, 0x43)),
                              ber::Binding({1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}, ber::Oid(trapOid))};
    all.insert(all.end(), bindings.begin(), bindings.end());
    return ber::V2Trap(community, all);
}
