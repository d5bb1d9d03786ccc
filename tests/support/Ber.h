// BER for the tests' own side of the wire (RFC 1157, RFC 3416, X.690): an encoder and a
// reader of their own, independent of the code under test and of net-snmp, so that both
// sides of every exchange are checked. Nothing here depends on the test framework, so that
// bench/ and fuzz/ can use it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

namespace ber {

// --- Encoding ----------------------------------------------------------------------------

// An element: its tag, its length in the shortest form, its contents.
Bytes Tlv(std::uint8_t tag, const Bytes& contents);
// Contents octets: two's complement in the fewest bytes; base-128 sub-identifiers with the
// first two joined (an identifier of fewer than two is encoded as its first times 40).
Bytes IntegerContents(std::int64_t value);
Bytes OidContents(const std::vector<std::uint32_t>& ids);

Bytes Integer(std::int64_t value, std::uint8_t tag = 0x02);
Bytes Unsigned(std::uint64_t value, std::uint8_t tag = 0x41); // with the leading zero if needed
Bytes Oid(const std::vector<std::uint32_t>& ids);
Bytes String(const std::string& text, std::uint8_t tag = 0x04);
Bytes Null();
Bytes Concat(const std::vector<Bytes>& parts);
Bytes Binding(const std::vector<std::uint32_t>& name, const Bytes& value);

// Message ::= SEQUENCE { version, community, pdu }
Bytes Message(std::int64_t version, const std::string& community, const Bytes& pdu);
// A Trap-PDU, and an SNMPv1 message holding one.
Bytes V1TrapPdu(const std::vector<std::uint32_t>& enterprise, const Bytes& agentAddress,
                std::int64_t generic, std::int64_t specific, std::uint32_t timeStamp,
                const std::vector<Bytes>& bindings);
Bytes V1Trap(const std::string& community, const std::vector<std::uint32_t>& enterprise,
             const Bytes& agentAddress, std::int64_t generic, std::int64_t specific,
             std::uint32_t timeStamp, const std::vector<Bytes>& bindings);
// An SNMPv2c message with an SNMPv2-Trap-PDU (or another PDU of the same shape).
Bytes V2Trap(const std::string& community, const std::vector<Bytes>& bindings,
             std::uint8_t pduTag = 0xA7, std::int64_t requestId = 1);

// The message with its PDU's tag replaced by `tag` (0xA6 makes an SNMPv2c trap the inform
// that snmptrap -Ci sends); a datagram that is no message comes back as it was.
Bytes WithPduTag(Bytes message, std::uint8_t tag);

// The same elements with every length, at every level, in the long form of `octets`
// octets (X.690, 8.1.3.5, leading zeros included), as some agents write them.
Bytes WithLongLengths(const Bytes& encoding, std::size_t octets);

// --- Reading -----------------------------------------------------------------------------

struct Element {
    std::uint8_t tag = 0;
    Bytes contents;
};

// Reads the element at `*pos` of `data` and moves past it; false, with `*pos` undefined,
// when what is there is no whole element (a length of more than four bytes included).
bool ReadElement(const Bytes& data, std::size_t* pos, Element* out);
// The elements inside a constructed element's contents, up to the first that is not whole;
// with `whole`, whether they were all whole.
std::vector<Element> Inside(const Bytes& contents, bool* whole = nullptr);

std::int64_t ReadInteger(const Bytes& contents); // two's complement, up to eight bytes
std::vector<std::uint32_t> ReadOid(const Bytes& contents);

} // namespace ber
