#include "support/Ber.h"

namespace ber {

Bytes Tlv(std::uint8_t tag, const Bytes& contents) {
    Bytes out{tag};
    std::size_t n = contents.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else {
        Bytes digits;
        for (; n != 0; n >>= 8)
            digits.insert(digits.begin(), static_cast<std::uint8_t>(n & 0xFF));
        out.push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
        out.insert(out.end(), digits.begin(), digits.end());
    }
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

Bytes IntegerContents(std::int64_t value) {
    Bytes bytes;
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> shift));
    // Drop leading bytes that only repeat the sign (X.690, 8.3.2).
    std::size_t start = 0;
    while (start + 1 < bytes.size() && ((bytes[start] == 0x00 && !(bytes[start + 1] & 0x80)) ||
                                        (bytes[start] == 0xFF && (bytes[start + 1] & 0x80))))
        ++start;
    return Bytes(bytes.begin() + static_cast<long>(start), bytes.end());
}

Bytes OidContents(const std::vector<std::uint32_t>& ids) {
    std::vector<std::uint64_t> values;
    if (ids.size() >= 2) {
        values.push_back(std::uint64_t{ids[0]} * 40 + ids[1]);
        values.insert(values.end(), ids.begin() + 2, ids.end());
    } else {
        values.push_back(ids.empty() ? 0 : std::uint64_t{ids[0]} * 40);
    }
    Bytes contents;
    for (std::uint64_t v : values) {
        Bytes groups{static_cast<std::uint8_t>(v & 0x7F)};
        for (v >>= 7; v != 0; v >>= 7)
            groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
        contents.insert(contents.end(), groups.begin(), groups.end());
    }
    return contents;
}

Bytes Integer(std::int64_t value, std::uint8_t tag) {
    return Tlv(tag, IntegerContents(value));
}

Bytes Unsigned(std::uint64_t value, std::uint8_t tag) {
    Bytes bytes;
    do {
        bytes.insert(bytes.begin(), static_cast<std::uint8_t>(value));
        value >>= 8;
    } while (value != 0);
    if (bytes.front() & 0x80)
        bytes.insert(bytes.begin(), 0x00);
    return Tlv(tag, bytes);
}

Bytes Oid(const std::vector<std::uint32_t>& ids) {
    return Tlv(0x06, OidContents(ids));
}

Bytes String(const std::string& text, std::uint8_t tag) {
    return Tlv(tag, Bytes(text.begin(), text.end()));
}

Bytes Null() {
    return Tlv(0x05, {});
}

Bytes Concat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Binding(const std::vector<std::uint32_t>& name, const Bytes& value) {
    return Tlv(0x30, Concat({Oid(name), value}));
}

Bytes Message(std::int64_t version, const std::string& community, const Bytes& pdu) {
    return Tlv(0x30, Concat({Integer(version), String(community), pdu}));
}

Bytes V1TrapPdu(const std::vector<std::uint32_t>& enterprise, const Bytes& agentAddress,
                std::int64_t generic, std::int64_t specific, std::uint32_t timeStamp,
                const std::vector<Bytes>& bindings) {
    return Tlv(0xA4,
               Concat({Oid(enterprise), Tlv(0x40, agentAddress), Integer(generic),
                       Integer(specific), Unsigned(timeStamp, 0x43), Tlv(0x30, Concat(bindings))}));
}

Bytes V1Trap(const std::string& community, const std::vector<std::uint32_t>& enterprise,
             const Bytes& agentAddress, std::int64_t generic, std::int64_t specific,
             std::uint32_t timeStamp, const std::vector<Bytes>& bindings) {
    return Message(0, community,
                   V1TrapPdu(enterprise, agentAddress, generic, specific, timeStamp, bindings));
}

Bytes V2Trap(const std::string& community, const std::vector<Bytes>& bindings, std::uint8_t pduTag,
             std::int64_t requestId) {
    const Bytes pdu = Tlv(
        pduTag, Concat({Integer(requestId), Integer(0), Integer(0), Tlv(0x30, Concat(bindings))}));
    return Message(1, community, pdu);
}

Bytes WithPduTag(Bytes message, std::uint8_t tag) {
    std::size_t end = 0;
    Element whole;
    if (!ReadElement(message, &end, &whole))
        return message;
    // Past the version and the community, inside the outer SEQUENCE.
    std::size_t at = end - whole.contents.size();
    Element field;
    for (int i = 0; i < 2; ++i) {
        if (!ReadElement(message, &at, &field))
            return message;
    }
    if (at < end)
        message[at] = tag;
    return message;
}

Bytes WithLongLengths(const Bytes& encoding, std::size_t octets) {
    Bytes out;
    for (const Element& e : Inside(encoding)) {
        // Constructed elements (bit 0x20 of the tag) have their parts rewritten too.
        const Bytes contents = (e.tag & 0x20) ? WithLongLengths(e.contents, octets) : e.contents;
        out.push_back(e.tag);
        out.push_back(static_cast<std::uint8_t>(0x80 | octets));
        for (std::size_t i = octets; i-- > 0;)
            out.push_back(i >= sizeof(std::size_t)
                              ? 0
                              : static_cast<std::uint8_t>(contents.size() >> (8 * i)));
        out.insert(out.end(), contents.begin(), contents.end());
    }
    return out;
}

bool ReadElement(const Bytes& data, std::size_t* pos, Element* out) {
    if (*pos + 2 > data.size())
        return false;
    out->tag = data[(*pos)++];
    std::size_t length = data[(*pos)++];
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || *pos + count > data.size())
            return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = (length << 8) | data[(*pos)++];
    }
    if (length > data.size() - *pos)
        return false;
    out->contents.assign(data.begin() + static_cast<long>(*pos),
                         data.begin() + static_cast<long>(*pos + length));
    *pos += length;
    return true;
}

std::vector<Element> Inside(const Bytes& contents, bool* whole) {
    std::vector<Element> elements;
    std::size_t pos = 0;
    Element e;
    bool read = true;
    while (pos < contents.size() && (read = ReadElement(contents, &pos, &e)))
        elements.push_back(e);
    if (whole)
        *whole = read;
    return elements;
}

std::int64_t ReadInteger(const Bytes& contents) {
    std::int64_t v = (!contents.empty() && (contents[0] & 0x80)) ? -1 : 0;
    for (std::uint8_t byte : contents)
        v = static_cast<std::int64_t>((static_cast<std::uint64_t>(v) << 8) | byte);
    return v;
}

std::vector<std::uint32_t> ReadOid(const Bytes& contents) {
    std::vector<std::uint32_t> ids;
    std::uint64_t v = 0;
    for (std::uint8_t byte : contents) {
        v = (v << 7) | (byte & 0x7F);
        if (byte & 0x80)
            continue;
        if (ids.empty()) {
            const std::uint64_t first = v < 80 ? v / 40 : 2;
            ids.push_back(static_cast<std::uint32_t>(first));
            ids.push_back(static_cast<std::uint32_t>(v - 40 * first));
        } else {
            ids.push_back(static_cast<std::uint32_t>(v));
        }
        v = 0;
    }
    return ids;
}

} // namespace ber
