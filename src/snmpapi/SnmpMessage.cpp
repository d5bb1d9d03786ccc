// The BER reading of a whole SNMPv1 or SNMPv2c message into our records. Every length is
// checked against what arrived before anything is read or copied, and every block comes
// from the utility allocator, so a release of the bindings gives back exactly what this
// made.
#include "snmpapi/SnmpMessage.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One BER element (tag, length, contents) lying inside a datagram already in memory.
struct Element {
    const std::uint8_t* start = nullptr; // the tag byte
    std::uint8_t tag = 0;
    const std::uint8_t* contents = nullptr;
    std::size_t length = 0;
};

// Reads the elements of one level of a BER encoding one after another. An element is
// accepted only with a one-byte tag and a definite length (RFC 1157, 4) whose contents lie
// wholly inside the level being read.
class ElementReader {
public:
    ElementReader(const std::uint8_t* data, std::size_t size) : m_next(data), m_end(data + size) {}
    explicit ElementReader(const Element& element)
        : ElementReader(element.contents, element.length) {}

    bool AtEnd() const { return m_next == m_end; }

    bool Read(Element* element) {
        const std::size_t left = static_cast<std::size_t>(m_end - m_next);
        if (left < 2 || (m_next[0] & 0x1F) == 0x1F)
            return false; // no room for a header, or a multi-byte tag: no SNMP type has one
        std::size_t header = 2;
        std::size_t length = m_next[1];
        if (length & 0x80) {
            // The long form (X.690, 8.1.3.5) in up to eight octets, leading zeros allowed;
            // whatever it says must still fit what arrived.
            const std::size_t count = length & 0x7F;
            if (count == 0 || count > 8 || left < header + count)
                return false; // the indefinite form, or a length beyond 64 bits
            length = 0;
            for (std::size_t i = 0; i < count; ++i)
                length = (length << 8) | m_next[header + i];
            header += count;
        }
        if (length > left - header)
            return false;
        element->start = m_next;
        element->tag = m_next[0];
        element->contents = m_next + header;
        element->length = length;
        m_next += header + length;
        return true;
    }

    bool Read(std::uint8_t tag, Element* element) { return Read(element) && element->tag == tag; }

private:
    const std::uint8_t* m_next;
    const std::uint8_t* m_end;
};

// The two's complement number of an INTEGER's contents, of any length, with its redundant
// leading bytes skipped. False when it does not fit in 32 bits signed or has no bytes.
bool FitInteger32(const Element& e, std::int32_t* value) {
    if (e.length == 0)
        return false;
    const std::uint8_t* p = e.contents;
    std::size_t n = e.length;
    while (n > 1 && ((p[0] == 0x00 && !(p[1] & 0x80)) || (p[0] == 0xFF && (p[1] & 0x80)))) {
        ++p;
        --n;
    }
    if (n > 4)
        return false;
    std::int64_t number = static_cast<signed char>(p[0]);
    for (std::size_t i = 1; i < n; ++i)
        number = number * 256 + p[i];
    *value = static_cast<std::int32_t>(number);
    return true;
}

// BER integers are minimal (X.690, 8.3.2), so an unsigned 64-bit number takes 1 to 9 bytes,
// the ninth being a zero in front; a Counter64 is held to that (its record has eight bytes).
bool FitsCounter64(const Element& e) {
    return e.length >= 1 && (e.length < 9 || (e.length == 9 && e.contents[0] == 0));
}

// The contents of a sized unsigned number (Counter64). A first bit that is set is no sign
// here: agents that leave out the zero byte in front mean the unsigned number their bytes
// carry, and net-snmp reads them so.
std::uint64_t UnsignedContents(const Element& e) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < e.length; ++i)
        bits = (bits << 8) | e.contents[i];
    return bits;
}

bool ReadInteger32(ElementReader& reader, std::int32_t* value) {
    Element e;
    return reader.Read(ASN_INTEGER, &e) && FitInteger32(e, value);
}

// Reads an INTEGER of any length (the error status and index): false only for one that is
// no INTEGER at all.
bool ReadAnyInteger(ElementReader& reader, std::int32_t* value, bool* fits) {
    Element e;
    if (!reader.Read(ASN_INTEGER, &e) || e.length == 0)
        return false;
    *fits = FitInteger32(e, value) && *fits;
    return true;
}

// The sub-identifiers of an OBJECT IDENTIFIER's contents, at most kMaxSubIdentifiers of
// them, into `ids`. Each fits in 32 bits and is encoded in its fewest bytes (X.690,
// 8.19.2); the first encoded value holds the first two sub-identifiers (8.19.4), so under 2
// it may reach 2^32 - 1 + 80.
bool DecodeSubIdentifiers(const Element& e, UINT (&ids)[kMaxSubIdentifiers], UINT* count) {
    *count = 0;
    if (e.length == 0)
        return false;
    std::size_t i = 0;
    while (i < e.length) {
        if (e.contents[i] == 0x80)
            return false; // a leading zero group
        std::uint64_t value = 0;
        std::size_t bytes = 0;
        bool more = true;
        while (more) {
            if (i >= e.length || ++bytes > 5)
                return false; // the last byte still says "more", or too many bytes
            value = (value << 7) | (e.contents[i] & 0x7F);
            more = (e.contents[i] & 0x80) != 0;
            ++i;
        }
        if (*count == 0) {
            const std::uint64_t first = value < 40 ? 0 : (value < 80 ? 1 : 2);
            if (value - 40 * first > 0xFFFFFFFFu)
                return false;
            ids[(*count)++] = static_cast<UINT>(first);
            ids[(*count)++] = static_cast<UINT>(value - 40 * first);
        } else {
            if (value > 0xFFFFFFFFu || *count == kMaxSubIdentifiers)
                return false;
            ids[(*count)++] = static_cast<UINT>(value);
        }
    }
    return true;
}

} // namespace

bool OctetsFromBytes(const std::uint8_t* data, std::size_t length, AsnOctetString* out) {
    *out = AsnOctetString{};
    if (length == 0)
        return true;
    out->stream = static_cast<BYTE*>(SnmpUtilMemAlloc(static_cast<UINT>(length)));
    if (!out->stream)
        return false;
    std::memcpy(out->stream, data, length);
    out->length = static_cast<UINT>(length);
    out->dynamic = TRUE;
    return true;
}

namespace {

// An unsigned 32-bit number's contents. Zero bytes in front that BER would not write
// (X.690, 8.3.2) are skipped, since some agents pad their numbers; a first bit that is set
// (`41 01 80`, the zero byte in front left out) is no sign: the number is the unsigned one
// its bytes carry (128), as net-snmp reads it. False for one that does not fit in 32 bits.
bool FitUnsigned32(const Element& e, std::uint32_t* value) {
    std::size_t first = 0;
    while (first + 1 < e.length && e.contents[first] == 0)
        ++first;
    if (e.length - first > 4)
        return false;
    std::uint32_t bits = 0;
    for (std::size_t i = first; i < e.length; ++i)
        bits = (bits << 8) | e.contents[i];
    *value = bits;
    return true;
}

// How one part of a message was read into its record: whole, not as its type has it (the
// record is left empty), or not for want of memory.
enum class Reading { Read, Unfit, NoMemory };

Reading ReadIdentifier(const Element& e, AsnObjectIdentifier* out) {
    *out = AsnObjectIdentifier{};
    UINT ids[kMaxSubIdentifiers];
    UINT count = 0;
    if (e.tag != ASN_OBJECTIDENTIFIER || !DecodeSubIdentifiers(e, ids, &count))
        return Reading::Unfit;
    const AsnObjectIdentifier decoded{count, ids};
    return SnmpUtilOidCpy(out, &decoded) ? Reading::Read : Reading::NoMemory;
}

Reading Kept(bool stored) {
    return stored ? Reading::Read : Reading::NoMemory;
}

// One binding's value. The numbers, NULL and the SNMPv2 exceptions are held to their BER
// form, and the numbers to what their records hold (an INTEGER within 32 bits signed, a
// Counter32 within 32 bits, a Counter64 within 64): one that is not is Unfit. Every other
// tag (OCTET STRING, IpAddress of any length, Opaque, SEQUENCE, BITS, NsapAddress and tags
// no standard gives) is kept as its tag and its contents, untouched: what they mean is the
// reader's business, not the decoder's.
Reading ValueFromElement(const Element& v, AsnAny* out) {
    *out = AsnAny{};
    out->asnType = v.tag;
    switch (v.tag) {
    case ASN_INTEGER:
        return v.length > 0 && FitInteger32(v, &out->asnValue.number) ? Reading::Read
                                                                      : Reading::Unfit;
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        return v.length > 0 && FitUnsigned32(v, &out->asnValue.unsigned32) ? Reading::Read
                                                                           : Reading::Unfit;
    case ASN_COUNTER64: {
        // No 64-bit field in the record: kept as its eight bytes, most significant first.
        if (!FitsCounter64(v))
            return Reading::Unfit;
        const std::uint64_t bits = UnsignedContents(v);
        std::uint8_t bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
        return Kept(OctetsFromBytes(bytes, sizeof bytes, &out->asnValue.string));
    }
    case ASN_OBJECTIDENTIFIER:
        return ReadIdentifier(v, &out->asnValue.object);
    case ASN_NULL:
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return v.length == 0 ? Reading::Read : Reading::Unfit;
    default:
        return Kept(OctetsFromBytes(v.contents, v.length, &out->asnValue.string));
    }
}

// Bytes of the message that cannot be read as what they should be, kept as they arrived in
// the value's place, so that the operator sees them and the rest of the message still
// arrives.
bool UnfitValue(const std::uint8_t* from, const std::uint8_t* to, AsnAny* out) {
    *out = AsnAny{};
    out->asnType = ASN_UNFIT_ELEMENT;
    return OctetsFromBytes(from, static_cast<std::size_t>(to - from), &out->asnValue.string);
}

// VarBind ::= SEQUENCE { name ObjectName, value ObjectSyntax } (RFC 1157, 4.1.1). A binding
// that cannot be read so is kept all the same: with its name, when that can be read and a
// value element follows it, and in the value's place the bytes from the value on (the value
// and whatever follows it inside the binding); otherwise with no name and the whole binding
// element in the value's place, and *namesRead cleared. False only when memory runs out.
bool ReadBinding(const Element& binding, SnmpVarBind* vb, bool* namesRead) {
    const std::uint8_t* end = binding.contents + binding.length;
    if (binding.tag == ASN_SEQUENCE) {
        ElementReader parts(binding);
        Element name;
        Element value;
        if (parts.Read(&name)) {
            const Reading named = ReadIdentifier(name, &vb->name);
            if (named == Reading::NoMemory)
                return false;
            if (named == Reading::Read && parts.Read(&value)) {
                if (parts.AtEnd()) {
                    const Reading read = ValueFromElement(value, &vb->value);
                    if (read != Reading::Unfit)
                        return read == Reading::Read;
                }
                return UnfitValue(value.start, end, &vb->value);
            }
            SnmpUtilOidFree(&vb->name);
        }
    }
    *namesRead = false;
    return UnfitValue(binding.start, end, &vb->value);
}

// VarBindList ::= SEQUENCE OF VarBind, and nothing after it in the PDU. Every element of the
// list is a binding, read as ReadBinding reads it. The list's array is sized by a first pass
// over the headers, so that a hostile count costs no more than the datagram that carries it.
bool DecodeBindings(ElementReader& pdu, SnmpVarBindList* out, bool* namesRead) {
    *out = SnmpVarBindList{};
    Element list;
    if (!pdu.Read(ASN_SEQUENCE, &list) || !pdu.AtEnd())
        return false;
    UINT count = 0;
    for (ElementReader counting(list); !counting.AtEnd(); ++count) {
        Element binding;
        if (!counting.Read(&binding))
            return false;
    }
    if (count == 0)
        return true;
    if (count > 0xFFFFFFFFu / sizeof(SnmpVarBind))
        return false; // more than any datagram can carry
    out->list =
        static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(static_cast<UINT>(count * sizeof(SnmpVarBind))));
    if (!out->list)
        return false;
    ElementReader bindings(list);
    while (!bindings.AtEnd()) {
        Element binding;
        bindings.Read(&binding); // read once already
        SnmpVarBind& vb = out->list[out->len];
        ++out->len; // counted first, so that a failure below releases what was made
        if (!ReadBinding(binding, &vb, namesRead)) {
            SnmpUtilVarBindListFree(out);
            return false;
        }
    }
    return true;
}

// Trap-PDU ::= enterprise, agent-addr, generic-trap, specific-trap, time-stamp,
// variable-bindings (RFC 1157, 4.1.6). The numbers may carry zero bytes in front that BER
// would not write, as some agents pad them; each must still fit its record.
bool DecodeTrapPdu(ElementReader& body, SnmpMessage* m) {
    Element enterprise;
    Element agent;
    Element timeStamp;
    if (!body.Read(&enterprise) || !body.Read(ASN_IPADDRESS, &agent) || agent.length != 4 ||
        !ReadInteger32(body, &m->genericTrap) || !ReadInteger32(body, &m->specificTrap) ||
        !body.Read(ASN_TIMETICKS, &timeStamp) || timeStamp.length == 0 ||
        !FitUnsigned32(timeStamp, &m->timeStamp))
        return false;
    std::memcpy(m->agentAddress, agent.contents, 4);
    return ReadIdentifier(enterprise, &m->enterprise) == Reading::Read &&
           DecodeBindings(body, &m->bindings, &m->namesRead);
}

// Every other PDU: request-id, error-status, error-index, variable-bindings (RFC 3416, 3).
bool DecodeCommonPdu(ElementReader& body, SnmpMessage* m) {
    m->outcomeFits = true;
    return ReadInteger32(body, &m->requestId) &&
           ReadAnyInteger(body, &m->errorStatus, &m->outcomeFits) &&
           ReadAnyInteger(body, &m->errorIndex, &m->outcomeFits) &&
           DecodeBindings(body, &m->bindings, &m->namesRead);
}

// The tag, and the length in its shortest form (X.690, 8.1.3.5): one byte below 128, else a
// count byte and as many bytes as the length needs, without leading zeros.
std::size_t HeaderLength(std::size_t length) {
    std::size_t bytes = 2;
    if (length > 0x7F) {
        for (std::size_t n = length; n > 0; n >>= 8)
            ++bytes;
    }
    return bytes;
}

std::uint8_t* PutHeader(std::uint8_t* out, std::uint8_t tag, std::size_t length) {
    *out++ = tag;
    if (length < 0x80) {
        *out++ = static_cast<std::uint8_t>(length);
        return out;
    }
    const std::size_t count = HeaderLength(length) - 2;
    *out++ = static_cast<std::uint8_t>(0x80 | count);
    for (std::size_t i = count; i-- > 0;)
        *out++ = static_cast<std::uint8_t>(length >> (8 * i));
    return out;
}

// A minimal INTEGER's contents, most significant byte first.
std::vector<std::uint8_t> IntegerContents(std::int32_t number) {
    std::vector<std::uint8_t> bytes;
    for (int i = 3; i >= 0; --i)
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(number) >> (8 * i)));
    while (bytes.size() > 1 &&
           ((bytes[0] == 0x00 && !(bytes[1] & 0x80)) || (bytes[0] == 0xFF && (bytes[1] & 0x80))))
        bytes.erase(bytes.begin());
    return bytes;
}

} // namespace

bool DecodeSnmpMessage(const std::uint8_t* data, std::size_t size, SnmpMessage* message) {
    *message = SnmpMessage{};
    // Message ::= SEQUENCE { version INTEGER, community OCTET STRING, data PDU } filling the
    // whole datagram (RFC 1157, 4.1; RFC 1901).
    ElementReader datagram(data, size);
    Element whole;
    Element community;
    Element pdu;
    if (!datagram.Read(ASN_SEQUENCE, &whole) || !datagram.AtEnd())
        return false;
    ElementReader fields(whole);
    if (!ReadInteger32(fields, &message->version) ||
        (message->version != kSnmpVersion1 && message->version != kSnmpVersion2c) ||
        !fields.Read(ASN_OCTETSTRING, &community) || !fields.Read(&pdu) || !fields.AtEnd() ||
        pdu.tag < SNMP_PDU_GET || pdu.tag > 0xA8)
        return false;
    message->community = community.contents;
    message->communityLength = community.length;
    message->pduType = pdu.tag;
    ElementReader body(pdu);
    const bool decoded =
        pdu.tag == SNMP_PDU_V1TRAP ? DecodeTrapPdu(body, message) : DecodeCommonPdu(body, message);
    if (!decoded)
        SnmpMessageFree(message);
    return decoded;
}

void SnmpMessageFree(SnmpMessage* message) {
    SnmpUtilOidFree(&message->enterprise);
    SnmpUtilVarBindListFree(&message->bindings);
    *message = SnmpMessage{};
}

std::size_t EncodeBareResponse(const SnmpMessage& message, std::uint8_t* out) {
    // Every part is written in its shortest form and the arrived message held each of them
    // (and its bindings besides), so the result is never the longer of the two.
    const std::vector<std::uint8_t> version = IntegerContents(message.version);
    const std::vector<std::uint8_t> requestId = IntegerContents(message.requestId);
    const std::vector<std::uint8_t> community(message.community,
                                              message.community + message.communityLength);
    const std::size_t pduLength = HeaderLength(requestId.size()) + requestId.size() + 3 + 3 + 2;
    const std::size_t messageLength = HeaderLength(version.size()) + version.size() +
                                      HeaderLength(community.size()) + community.size() +
                                      HeaderLength(pduLength) + pduLength;
    std::uint8_t* p = PutHeader(out, ASN_SEQUENCE, messageLength);
    p = PutHeader(p, ASN_INTEGER, version.size());
    p = std::copy(version.begin(), version.end(), p);
    p = PutHeader(p, ASN_OCTETSTRING, community.size());
    p = std::copy(community.begin(), community.end(), p);
    p = PutHeader(p, SNMP_PDU_RESPONSE, pduLength);
    p = PutHeader(p, ASN_INTEGER, requestId.size());
    p = std::copy(requestId.begin(), requestId.end(), p);
    for (std::uint8_t byte : {ASN_INTEGER, std::uint8_t{1}, std::uint8_t{0}, ASN_INTEGER,
                              std::uint8_t{1}, std::uint8_t{0}, ASN_SEQUENCE, std::uint8_t{0}})
        *p++ = byte;
    return static_cast<std::size_t>(p - out);
}

namespace {

// The three parts of a message (RFC 1157, 4.1; RFC 1901): version, community and PDU, each
// a whole element of the datagram, which they fill.
struct MessageParts {
    Element version;
    Element community;
    Element pdu;
};

bool ReadMessageParts(const std::uint8_t* data, std::size_t size, MessageParts* parts) {
    ElementReader datagram(data, size);
    Element whole;
    if (!datagram.Read(ASN_SEQUENCE, &whole) || !datagram.AtEnd())
        return false;
    ElementReader fields(whole);
    return fields.Read(ASN_INTEGER, &parts->version) &&
           fields.Read(ASN_OCTETSTRING, &parts->community) && fields.Read(&parts->pdu) &&
           fields.AtEnd();
}

// An element's bytes as they arrived: its tag, its length and its contents.
std::size_t ElementSize(const Element& e) {
    return static_cast<std::size_t>(e.contents + e.length - e.start);
}

std::uint8_t* PutElement(std::uint8_t* out, const Element& e) {
    return std::copy(e.start, e.start + ElementSize(e), out);
}

} // namespace

BYTE PeekPduType(const std::uint8_t* data, std::size_t size) {
    MessageParts parts;
    return ReadMessageParts(data, size, &parts) ? parts.pdu.tag : 0;
}

namespace {

// An InformRequest-PDU's four parts (RFC 3416, 3): request-id, error-status, error-index,
// variable-bindings.
struct InformParts {
    Element requestId;
    Element status;
    Element index;
    Element bindings;
};

bool ReadInformParts(const Element& pdu, InformParts* parts) {
    if (pdu.tag != SNMP_PDU_INFORM)
        return false;
    ElementReader body(pdu);
    return body.Read(ASN_INTEGER, &parts->requestId) && body.Read(ASN_INTEGER, &parts->status) &&
           body.Read(ASN_INTEGER, &parts->index) && body.Read(ASN_SEQUENCE, &parts->bindings) &&
           body.AtEnd() && parts->status.length != 0 && parts->index.length != 0;
}

constexpr std::uint8_t kZeroInteger[] = {ASN_INTEGER, 1, 0};

// The Response-PDU's contents: the inform's request id and bindings, error status and index
// 0. The status and index were at least as long as their zeros, and every header is written
// in its shortest form, so the Response-PDU is never longer than the inform's.
std::size_t ResponseContentsLength(const InformParts& inform) {
    return ElementSize(inform.requestId) + 2 * sizeof kZeroInteger + ElementSize(inform.bindings);
}

std::uint8_t* PutResponsePdu(std::uint8_t* out, const InformParts& inform) {
    std::uint8_t* p = PutHeader(out, SNMP_PDU_RESPONSE, ResponseContentsLength(inform));
    p = PutElement(p, inform.requestId);
    p = std::copy(std::begin(kZeroInteger), std::end(kZeroInteger), p);
    p = std::copy(std::begin(kZeroInteger), std::end(kZeroInteger), p);
    return PutElement(p, inform.bindings);
}

// Where each binding's value tag lies in the PDU, as offsets from `base`.
std::vector<std::size_t> PduValueTagOffsets(const Element& pdu, const std::uint8_t* base) {
    // PDU { request-id, error-status, error-index, SEQUENCE OF SEQUENCE { name, value } }
    std::vector<std::size_t> offsets;
    Element skipped;
    Element list;
    ElementReader body(pdu);
    if (!body.Read(&skipped) || !body.Read(&skipped) || !body.Read(&skipped) ||
        !body.Read(ASN_SEQUENCE, &list))
        return offsets;
    for (ElementReader bindings(list); !bindings.AtEnd();) {
        Element binding;
        Element name;
        Element value;
        if (!bindings.Read(&binding))
            break;
        ElementReader parts(binding);
        if (!parts.Read(&name) || !parts.Read(&value))
            break;
        offsets.push_back(static_cast<std::size_t>(value.start - base));
    }
    return offsets;
}

} // namespace

std::size_t EncodeInformResponse(const std::uint8_t* data, std::size_t size, std::uint8_t* out) {
    MessageParts parts;
    InformParts inform;
    if (!ReadMessageParts(data, size, &parts) || !ReadInformParts(parts.pdu, &inform))
        return 0;
    const std::size_t pduLength = ResponseContentsLength(inform);
    const std::size_t messageLength = ElementSize(parts.version) + ElementSize(parts.community) +
                                      HeaderLength(pduLength) + pduLength;
    std::uint8_t* p = PutHeader(out, ASN_SEQUENCE, messageLength);
    p = PutElement(p, parts.version);
    p = PutElement(p, parts.community);
    p = PutResponsePdu(p, inform);
    return static_cast<std::size_t>(p - out);
}

std::vector<std::size_t> ValueTagOffsets(const std::uint8_t* data, std::size_t size) {
    // SEQUENCE { version, community, PDU } (RFC 1157, 4.1).
    ElementReader datagram(data, size);
    Element whole;
    Element skipped;
    Element pdu;
    if (!datagram.Read(ASN_SEQUENCE, &whole))
        return {};
    ElementReader fields(whole);
    if (!fields.Read(&skipped) || !fields.Read(&skipped) || !fields.Read(&pdu))
        return {};
    return PduValueTagOffsets(pdu, data);
}

bool IsOneElement(const std::uint8_t* data, std::size_t size) {
    ElementReader reader(data, size);
    Element element;
    return reader.Read(&element) && reader.AtEnd();
}

bool EncodableIdentifier(const AsnObjectIdentifier& oid) {
    if (oid.idLength < 2 || !oid.ids || oid.ids[0] > 2)
        return false;
    return oid.ids[0] == 2 || oid.ids[1] < 40;
}

// --- SNMPv3 ------------------------------------------------------------------------------

namespace {

// ScopedPDU ::= SEQUENCE { contextEngineID, contextName, PDU } (RFC 3412, 6.8), read from the
// scopedPDU element itself.
struct ScopedParts {
    Element contextEngineId;
    Element contextName;
    Element pdu;
};

bool ReadScopedParts(const Element& scoped, ScopedParts* parts) {
    if (scoped.tag != ASN_SEQUENCE)
        return false;
    ElementReader fields(scoped);
    return fields.Read(ASN_OCTETSTRING, &parts->contextEngineId) &&
           fields.Read(ASN_OCTETSTRING, &parts->contextName) && fields.Read(&parts->pdu) &&
           fields.AtEnd() && parts->pdu.tag >= SNMP_PDU_GET && parts->pdu.tag <= 0xA8;
}

// The scopedPDU that `data` is, whole and alone.
bool ReadWholeScopedPdu(const std::uint8_t* data, std::size_t size, ScopedParts* parts) {
    ElementReader reader(data, size);
    Element scoped;
    return reader.Read(&scoped) && reader.AtEnd() && ReadScopedParts(scoped, parts);
}

} // namespace

std::int32_t PeekMessageVersion(const std::uint8_t* data, std::size_t size) {
    ElementReader datagram(data, size);
    Element whole;
    std::int32_t version = -1;
    if (!datagram.Read(ASN_SEQUENCE, &whole) || !datagram.AtEnd())
        return -1;
    ElementReader fields(whole);
    return ReadInteger32(fields, &version) ? version : -1;
}

bool ReadV3Header(const std::uint8_t* data, std::size_t size, SnmpV3Header* header) {
    // SNMPv3Message ::= SEQUENCE { msgVersion, msgGlobalData HeaderData, msgSecurityParameters
    // OCTET STRING, msgData } with HeaderData ::= SEQUENCE { msgID, msgMaxSize, msgFlags
    // OCTET STRING (SIZE(1)), msgSecurityModel } (RFC 3412, 6).
    *header = SnmpV3Header{};
    ElementReader datagram(data, size);
    Element whole;
    Element global;
    Element flags;
    Element security;
    Element msgData;
    std::int32_t version = 0;
    std::int32_t maxSize = 0;
    if (!datagram.Read(ASN_SEQUENCE, &whole) || !datagram.AtEnd())
        return false;
    ElementReader fields(whole);
    if (!ReadInteger32(fields, &version) || version != kSnmpVersion3 ||
        !fields.Read(ASN_SEQUENCE, &global) || !fields.Read(ASN_OCTETSTRING, &security) ||
        !fields.Read(&msgData) || !fields.AtEnd())
        return false;
    ElementReader globals(global);
    if (!ReadInteger32(globals, &header->msgId) || !ReadInteger32(globals, &maxSize) ||
        !globals.Read(ASN_OCTETSTRING, &flags) || flags.length != 1 ||
        !ReadInteger32(globals, &header->securityModel) || !globals.AtEnd())
        return false;
    header->flags = flags.contents[0];
    // UsmSecurityParameters ::= SEQUENCE { msgAuthoritativeEngineID, msgAuthoritativeEngineBoots,
    // msgAuthoritativeEngineTime, msgUserName, msgAuthenticationParameters,
    // msgPrivacyParameters } (RFC 3414, 2.4).
    ElementReader parameters(security.contents, security.length);
    Element usm;
    Element engineId;
    Element userName;
    Element skipped;
    std::int32_t number = 0;
    if (header->securityModel != 3 || !parameters.Read(ASN_SEQUENCE, &usm) || !parameters.AtEnd())
        return false;
    ElementReader usmFields(usm);
    if (!usmFields.Read(ASN_OCTETSTRING, &engineId) || !ReadInteger32(usmFields, &number) ||
        !ReadInteger32(usmFields, &number) || !usmFields.Read(ASN_OCTETSTRING, &userName) ||
        !usmFields.Read(ASN_OCTETSTRING, &skipped) || !usmFields.Read(ASN_OCTETSTRING, &skipped) ||
        !usmFields.AtEnd())
        return false;
    header->engineId = engineId.contents;
    header->engineIdLength = engineId.length;
    header->userName = userName.contents;
    header->userNameLength = userName.length;
    return true;
}

std::size_t ScopedPduLength(const std::uint8_t* data, std::size_t size) {
    ElementReader reader(data, size);
    Element scoped;
    ScopedParts parts;
    Element requestId;
    if (!reader.Read(&scoped) || !ReadScopedParts(scoped, &parts))
        return 0;
    ElementReader body(parts.pdu);
    return body.Read(ASN_INTEGER, &requestId) ? ElementSize(scoped) : 0;
}

BYTE PeekScopedPdu(const std::uint8_t* data, std::size_t size, std::int32_t* requestId) {
    ScopedParts parts;
    if (!ReadWholeScopedPdu(data, size, &parts))
        return 0;
    ElementReader body(parts.pdu);
    return ReadInteger32(body, requestId) ? parts.pdu.tag : 0;
}

bool DecodeScopedPdu(const std::uint8_t* data, std::size_t size, SnmpMessage* message) {
    *message = SnmpMessage{};
    ScopedParts parts;
    if (!ReadWholeScopedPdu(data, size, &parts) || parts.pdu.tag == SNMP_PDU_V1TRAP)
        return false;
    message->version = kSnmpVersion3;
    message->community = parts.contextName.contents;
    message->communityLength = parts.contextName.length;
    message->pduType = parts.pdu.tag;
    ElementReader body(parts.pdu);
    if (!DecodeCommonPdu(body, message)) {
        SnmpMessageFree(message);
        return false;
    }
    return true;
}

std::vector<std::uint8_t> EncodeBareScopedPdu(const std::uint8_t* data, std::size_t size) {
    ScopedParts parts;
    Element requestId;
    if (!ReadWholeScopedPdu(data, size, &parts))
        return {};
    ElementReader body(parts.pdu);
    if (!body.Read(ASN_INTEGER, &requestId))
        return {};
    static constexpr std::uint8_t kRest[] = {ASN_INTEGER, 1, 0, ASN_INTEGER, 1, 0, ASN_SEQUENCE, 0};
    const std::size_t pduLength = ElementSize(requestId) + sizeof kRest;
    const std::size_t scopedLength = ElementSize(parts.contextEngineId) +
                                     ElementSize(parts.contextName) + HeaderLength(pduLength) +
                                     pduLength;
    std::vector<std::uint8_t> bare(HeaderLength(scopedLength) + scopedLength);
    std::uint8_t* p = PutHeader(bare.data(), ASN_SEQUENCE, scopedLength);
    p = PutElement(p, parts.contextEngineId);
    p = PutElement(p, parts.contextName);
    p = PutHeader(p, parts.pdu.tag, pduLength);
    p = PutElement(p, requestId);
    std::copy(std::begin(kRest), std::end(kRest), p);
    return bare;
}

std::vector<std::uint8_t> EncodeInformResponsePdu(const std::uint8_t* data, std::size_t size) {
    ScopedParts parts;
    InformParts inform;
    if (!ReadWholeScopedPdu(data, size, &parts) || !ReadInformParts(parts.pdu, &inform))
        return {};
    const std::size_t contents = ResponseContentsLength(inform);
    std::vector<std::uint8_t> response(HeaderLength(contents) + contents);
    PutResponsePdu(response.data(), inform);
    return response;
}

std::vector<std::size_t> ScopedPduValueTagOffsets(const std::uint8_t* data, std::size_t size) {
    ScopedParts parts;
    return ReadWholeScopedPdu(data, size, &parts) ? PduValueTagOffsets(parts.pdu, data)
                                                  : std::vector<std::size_t>{};
}

bool ReadV3Report(const std::uint8_t* data, std::size_t size, SnmpV3Report* report) {
    *report = SnmpV3Report{};
    SnmpV3Header header;
    if (!ReadV3Header(data, size, &header))
        return false;
    report->msgId = header.msgId;
    report->flags = header.flags;
    report->engineId = header.engineId;
    report->engineIdLength = header.engineIdLength;
    // The header has been read whole above; here only the parts that it skips.
    ElementReader datagram(data, size);
    Element whole;
    Element skipped;
    Element security;
    Element msgData;
    datagram.Read(&whole);
    ElementReader fields(whole);
    fields.Read(&skipped);
    fields.Read(&skipped);
    fields.Read(&security);
    fields.Read(&msgData);
    ElementReader parameters(security.contents, security.length);
    Element usm;
    parameters.Read(&usm);
    ElementReader usmFields(usm);
    usmFields.Read(&skipped);
    if (!ReadInteger32(usmFields, &report->boots) || !ReadInteger32(usmFields, &report->time))
        return false;
    if (header.flags & kMsgFlagPriv)
        return true;
    ScopedParts parts;
    if (!ReadScopedParts(msgData, &parts) || parts.pdu.tag != 0xA8)
        return true;
    // Report-PDU ::= SEQUENCE { request-id, error-status, error-index, variable-bindings }
    ElementReader pdu(parts.pdu);
    Element list;
    Element binding;
    Element name;
    if (!pdu.Read(&skipped) || !pdu.Read(&skipped) || !pdu.Read(&skipped) ||
        !pdu.Read(ASN_SEQUENCE, &list))
        return true;
    ElementReader bindings(list);
    if (!bindings.Read(ASN_SEQUENCE, &binding))
        return true;
    ElementReader nameOf(binding);
    UINT ids[kMaxSubIdentifiers];
    UINT count = 0;
    if (nameOf.Read(ASN_OBJECTIDENTIFIER, &name) && DecodeSubIdentifiers(name, ids, &count))
        report->counter.assign(ids, ids + count);
    return true;
}
