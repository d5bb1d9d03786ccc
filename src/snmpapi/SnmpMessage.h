// The layer's own reading of SNMPv1 and SNMPv2c messages (RFC 1157, RFC 1901, RFC 3416):
// one decoder for the answers to our requests and for the traps that reach the trap
// service, so that every value arrives in our records exactly as the agent sent it. Nothing
// outside src/snmpapi sees it, and it needs nothing of net-snmp.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Message versions of RFC 1157 (0) and RFC 1901 (1).
inline constexpr std::int32_t kSnmpVersion1 = 0;
inline constexpr std::int32_t kSnmpVersion2c = 1;

// The longest community that any agent sends, and that net-snmp reads; a longer one marks a
// datagram that no agent made.
inline constexpr std::size_t kMaxCommunityLength = 256;

// RFC 2578, 3.5: an object identifier has at most 128 sub-identifiers.
inline constexpr UINT kMaxSubIdentifiers = 128;

// One message as it arrived. Every block that it owns (the enterprise, the bindings) comes
// from the utility allocator and goes back with SnmpMessageFree.
struct SnmpMessage {
    std::int32_t version = 0;
    const std::uint8_t* community = nullptr; // inside the datagram, not owned
    std::size_t communityLength = 0;
    BYTE pduType = 0;

    // Every PDU but the SNMPv1 Trap-PDU. The error status and index are read whatever their
    // length; outcomeFits says whether both are signed 32-bit numbers, as the records have
    // them, and only then do errorStatus and errorIndex hold them.
    std::int32_t requestId = 0;
    bool outcomeFits = true;
    AsnInteger errorStatus = 0;
    AsnInteger errorIndex = 0;

    // The SNMPv1 Trap-PDU (RFC 1157, 4.1.6) only.
    AsnObjectIdentifier enterprise{};
    std::uint8_t agentAddress[4] = {};
    AsnInteger genericTrap = 0;
    AsnInteger specificTrap = 0;
    AsnTimeticks timeStamp = 0;

    SnmpVarBindList bindings{};
    // Whether every binding's name could be read. A binding that cannot be read as a name
    // and a value of its type is kept all the same, with an ASN_UNFIT_ELEMENT value (see
    // DecodeSnmpMessage); one whose name cannot be read has an empty name.
    bool namesRead = true;
};

// Reads a whole datagram as one message. False, with *message empty, for anything that is
// not a well-formed SNMPv1 or SNMPv2c message down to its list of bindings (every length
// within what arrived, in up to eight octets), and when memory runs out. Inside the list,
// a value of a tag that the layer does not know, a SEQUENCE, an Opaque and an IpAddress of
// any length are kept as their tag and their contents bytes; a binding that cannot be read
// (a NULL with contents, a malformed identifier, a number beyond its record, an element
// after the value) keeps its bytes from the value on, or its whole element when its name
// cannot be read, as an ASN_UNFIT_ELEMENT value.
bool DecodeSnmpMessage(const std::uint8_t* data, std::size_t size, SnmpMessage* message);
void SnmpMessageFree(SnmpMessage* message);

// The PDU tag of a datagram that begins as an SNMPv1 or SNMPv2c message does (its version
// and community read, the PDU's header whole), without reading the PDU; 0 for any other.
// Costs no allocation, so that the trap service's receiver can look at every datagram.
BYTE PeekPduType(const std::uint8_t* data, std::size_t size);

// The Response to an InformRequest (RFC 3416, 4.2.7): the inform's version, community,
// request id and variable bindings, byte for byte as they arrived, with error status and
// index 0, written at `out`, which has room for `size` bytes; its length, never more than
// `size`. 0 for a datagram that is no whole message with an InformRequest-PDU.
std::size_t EncodeInformResponse(const std::uint8_t* data, std::size_t size, std::uint8_t* out);

// Where each binding's value tag lies in a whole message, in binding order; none for what
// is no SNMP message. The layer sets SEQUENCE tags there, which net-snmp cannot encode.
std::vector<std::size_t> ValueTagOffsets(const std::uint8_t* data, std::size_t size);

// The shortest response with the message's version, community and request id, error
// status and index 0 and no bindings, written at `out`. Never longer than the message it
// was decoded from. Returns its length. `message.community` must still be readable and
// may lie inside `out`.
std::size_t EncodeBareResponse(const SnmpMessage& message, std::uint8_t* out);

// Whether the bytes are exactly one BER element, as DecodeSnmpMessage reads elements.
bool IsOneElement(const std::uint8_t* data, std::size_t size);

// Bytes as an octet string owning its copy (`dynamic` set) from the utility allocator;
// none give the empty record. False when memory cannot be had.
bool OctetsFromBytes(const std::uint8_t* data, std::size_t length, AsnOctetString* out);

// Whether BER can carry the identifier (X.690, 8.19.4): at least two sub-identifiers, a
// first of 0, 1 or 2, and under 0 or 1 a second below 40.
bool EncodableIdentifier(const AsnObjectIdentifier& oid);

// --- SNMPv3 (RFC 3412, 6; RFC 3414, 2.4) ---------------------------------------------------

inline constexpr std::int32_t kSnmpVersion3 = 3;

// msgFlags (RFC 3412, 6.4).
inline constexpr std::uint8_t kMsgFlagAuth = 0x01;
inline constexpr std::uint8_t kMsgFlagPriv = 0x02;
inline constexpr std::uint8_t kMsgFlagReportable = 0x04;

// What the layer reads of an SNMPv3 message before net-snmp does: the header and the USM
// security parameters. The spans point into the datagram.
struct SnmpV3Header {
    std::int32_t msgId = 0;
    std::uint8_t flags = 0;
    std::int32_t securityModel = 0;
    const std::uint8_t* engineId = nullptr; // msgAuthoritativeEngineID
    std::size_t engineIdLength = 0;
    const std::uint8_t* userName = nullptr; // msgUserName
    std::size_t userNameLength = 0;
};

// The message version of a datagram that is one SEQUENCE beginning with an INTEGER that fits
// 32 bits; -1 for any other. Costs no allocation.
std::int32_t PeekMessageVersion(const std::uint8_t* data, std::size_t size);

// Reads an SNMPv3 message's header and USM security parameters (RFC 3414, 2.4). False for
// what is not one whole SNMPv3 message of the User-based Security Model (security model 3)
// with its parts in their places.
bool ReadV3Header(const std::uint8_t* data, std::size_t size, SnmpV3Header* header);

// ScopedPDU ::= SEQUENCE { contextEngineID OCTET STRING, contextName OCTET STRING, data PDU }
// (RFC 3412, 6.8). The length of the scopedPDU that begins `data`, without what follows it
// (DES pads the plaintext to its block size); 0 when `data` does not begin with one whose PDU
// begins with its request id, as after decryption with a wrong key.
std::size_t ScopedPduLength(const std::uint8_t* data, std::size_t size);

// The PDU tag of a whole scopedPDU, with its request id; 0 for what is no scopedPDU.
BYTE PeekScopedPdu(const std::uint8_t* data, std::size_t size, std::int32_t* requestId);

// Reads a whole scopedPDU as DecodeSnmpMessage reads a message's PDU: the version is
// kSnmpVersion3 and `community` holds the contextName, inside `data`. False, with *message
// empty, for anything that is not exactly one well-formed scopedPDU with a PDU other than
// the SNMPv1 Trap-PDU.
bool DecodeScopedPdu(const std::uint8_t* data, std::size_t size, SnmpMessage* message);

// The bare form of a scopedPDU: its contextEngineID, its contextName and its PDU's tag and
// request id as they arrived, with error status and index 0 and no bindings. Empty when the
// bytes are no scopedPDU.
std::vector<std::uint8_t> EncodeBareScopedPdu(const std::uint8_t* data, std::size_t size);

// The Response-PDU to the InformRequest-PDU of a scopedPDU (RFC 3416, 4.2.7): its request id
// and bindings byte for byte, error status and index 0. Empty when the scopedPDU carries no
// well-formed InformRequest-PDU.
std::vector<std::uint8_t> EncodeInformResponsePdu(const std::uint8_t* data, std::size_t size);

// Where each binding's value tag lies in a scopedPDU, in binding order.
std::vector<std::size_t> ScopedPduValueTagOffsets(const std::uint8_t* data, std::size_t size);

// What a session reads of a Report before it trusts it (RFC 3412, 7.2; RFC 3414, 3.2): the
// message's msgID and flags, the authoritative engine's id, boots and time as the sender
// wrote them, and, where the message is not encrypted, the name of the first binding of its
// Report-PDU (the counter that says why). The engine id points into the datagram.
struct SnmpV3Report {
    std::int32_t msgId = 0;
    std::uint8_t flags = 0;
    const std::uint8_t* engineId = nullptr;
    std::size_t engineIdLength = 0;
    std::int32_t boots = 0;
    std::int32_t time = 0;
    std::vector<UINT> counter; // empty when the PDU is encrypted or no Report
};

// Reads an SNMPv3 message of the User-based Security Model as a Report; false for what is no
// such message. A message whose scopedPDU is in clear and is no Report-PDU with a binding
// leaves `counter` empty.
bool ReadV3Report(const std::uint8_t* data, std::size_t size, SnmpV3Report* report);
