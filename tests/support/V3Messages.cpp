#include "support/V3Messages.h"

#include "testing/SnmpTesting.h"

#include <algorithm>

Bytes V3Message(const V3MessageFields& f, const Bytes& pdu) {
    const bool auth = !f.authPassphrase.empty();
    // A mark where the digest goes, found again once the message is whole.
    const Bytes mark = {0xD1, 0x6E, 0x57, 0x00, 0xA7, 0x3C, 0x99, 0x10, 0x5B, 0xE2, 0x04, 0x7F};
    const Bytes usm =
        ber::Tlv(0x30, ber::Concat({ber::Tlv(0x04, f.engine), ber::Integer(f.boots),
                                    ber::Integer(f.time), ber::String(f.user),
                                    ber::Tlv(0x04, auth ? mark : Bytes{}), ber::String("")}));
    const std::uint8_t flags = static_cast<std::uint8_t>((auth ? 0x01 : 0) | (f.reportable ? 0x04 : 0));
    const Bytes header = ber::Tlv(0x30, ber::Concat({ber::Integer(f.msgId), ber::Integer(f.maxSize),
                                                     ber::Tlv(0x04, {flags}), ber::Integer(3)}));
    const Bytes scoped =
        ber::Tlv(0x30, ber::Concat({ber::Tlv(0x04, f.contextEngine.empty() ? f.engine : f.contextEngine),
                                    ber::String(""), pdu}));
    Bytes message = ber::Tlv(0x30, ber::Concat({ber::Integer(3), header, ber::Tlv(0x04, usm), scoped}));
    if (!auth)
        return message;
    const auto at = std::search(message.begin(), message.end(), mark.begin(), mark.end());
    if (at == message.end() ||
        !SnmpSignV3ForTesting(&message, static_cast<std::size_t>(at - message.begin()),
                              f.authPassphrase, f.engine))
        return {};
    return message;
}

bool ReadClearV3Pdu(const Bytes& message, std::int64_t* msgId, ber::Element* pdu) {
    std::size_t at = 0;
    ber::Element whole;
    if (!ber::ReadElement(message, &at, &whole) || whole.tag != 0x30)
        return false;
    const std::vector<ber::Element> parts = ber::Inside(whole.contents);
    if (parts.size() != 4 || parts[3].tag != 0x30)
        return false;
    const std::vector<ber::Element> header = ber::Inside(parts[1].contents);
    const std::vector<ber::Element> scoped = ber::Inside(parts[3].contents);
    if (header.empty() || scoped.size() != 3)
        return false;
    *msgId = ber::ReadInteger(header[0].contents);
    *pdu = scoped[2];
    return true;
}
