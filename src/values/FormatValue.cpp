// values::FormatValue and values::ExceptionName: a value's text, as the Value box, the walk
// lines and the trap lines show it.
#include "values/Utf8.h"
#include "values/Values.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

// Room for any 32-bit or 64-bit number in decimal with its sign and terminator.
constexpr UINT kNumberBlock = 33;

// The number in decimal, signed or not as its type is.
template <typename Number> char* FormatNumber(Number number) {
    char* text = static_cast<char*>(SnmpUtilMemAlloc(kNumberBlock));
    if (text)
        *std::to_chars(text, text + kNumberBlock - 1, number).ptr = '\0';
    return text;
}

char* CopyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* block = static_cast<char*>(SnmpUtilMemAlloc(static_cast<UINT>(size)));
    if (block)
        std::memcpy(block, text, size);
    return block;
}

// Whether the bytes read as text to the operator: valid UTF-8 (ASCII included) without
// control characters, but for tab, CR and LF, and with at most one zero byte, at the very
// end (where agents that count the C terminator put it). Overlong forms, surrogates and
// code points beyond U+10FFFF are no UTF-8; DEL and the C1 controls are control characters.
bool IsText(const BYTE* bytes, UINT length) {
    if (length > 0 && bytes[length - 1] == 0)
        --length;
    for (std::size_t i = 0; i < length;) {
        char32_t code = 0;
        if (!values::ReadUtf8(bytes, length, &i, &code))
            return false;
        if ((code < 0x20 && code != '\t' && code != '\r' && code != '\n') ||
            (code >= 0x7F && code <= 0x9F))
            return false;
    }
    return true;
}

// The bytes up to `count` or the first zero byte, copied as they are into a block of
// `blockSize` bytes.
char* CopyBytes(const AsnOctetString& s, UINT count, UINT blockSize) {
    if (blockSize <= count)
        return nullptr; // a length so large that the block size wrapped
    char* text = static_cast<char*>(SnmpUtilMemAlloc(blockSize));
    if (!text)
        return nullptr;
    UINT n = 0;
    while (n < count && s.stream[n] != 0) {
        text[n] = static_cast<char>(s.stream[n]);
        ++n;
    }
    text[n] = '\0';
    return text;
}

// Bytes as network operators write them: two upper-case hexadecimal digits each, separated
// by single spaces ("00 12 79 62 F9 40"), the header's bytes (`head`, if any) first.
char* HexBytes(const BYTE* head, std::size_t headLength, const BYTE* bytes, std::size_t length) {
    const std::size_t count = headLength + length;
    if (count > 0xFFFFFFFFu / 3)
        return nullptr;
    char* text =
        static_cast<char*>(SnmpUtilMemAlloc(static_cast<UINT>(count == 0 ? 1 : 3 * count)));
    if (!text)
        return nullptr;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char* out = text;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE b = i < headLength ? head[i] : bytes[i - headLength];
        if (i > 0)
            *out++ = ' ';
        *out++ = kDigits[b >> 4];
        *out++ = kDigits[b & 0x0F];
    }
    *out = '\0';
    return text;
}

char* HexBytes(const AsnOctetString& s) {
    return HexBytes(nullptr, 0, s.stream, s.length);
}

// A value of a tag that no SNMP type has, kept as its tag and contents: its whole element,
// the length in its shortest form (X.690, 8.1.3).
char* HexElement(BYTE tag, const AsnOctetString& contents) {
    BYTE header[6] = {tag};
    std::size_t headerLength = 2;
    if (contents.length < 0x80) {
        header[1] = static_cast<BYTE>(contents.length);
    } else {
        std::size_t bytes = 0;
        for (UINT n = contents.length; n > 0; n >>= 8)
            ++bytes;
        header[1] = static_cast<BYTE>(0x80 | bytes);
        for (std::size_t i = 0; i < bytes; ++i)
            header[2 + i] = static_cast<BYTE>(contents.length >> (8 * (bytes - 1 - i)));
        headerLength += bytes;
    }
    return HexBytes(header, headerLength, contents.stream, contents.length);
}

// OCTET STRING: text as it is when its bytes are text, else the bytes in hex.
char* FormatOctets(const AsnOctetString& s) {
    if (IsText(s.stream, s.length))
        return CopyBytes(s, s.length, s.length + 2);
    return HexBytes(s);
}

std::uint64_t BigEndian(const BYTE* bytes, std::size_t length) {
    return values::BigEndian(bytes, length);
}

// Fixed notation in the fewest digits that read back to the same number (0.46, not
// 0.460000011920929).
template <typename Real> char* FormatReal(Real number) {
    char digits[512];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits - 1, number, std::chars_format::fixed);
    if (error != std::errc())
        return nullptr;
    *end = '\0';
    return CopyText(digits);
}

// The wrapped number's text, or null (with *known false) for an Opaque that wraps nothing
// known.
char* FormatWrappedNumber(const AsnOctetString& s, bool* known) {
    values::WrappedNumber number;
    *known = values::ReadWrappedNumber(s, &number);
    if (!*known)
        return nullptr;
    switch (number.type) {
    case values::kOpaqueFloat:
        return FormatReal(static_cast<float>(number.real));
    case values::kOpaqueDouble:
        return FormatReal(number.real);
    case values::kOpaqueI64:
        return FormatNumber(static_cast<std::int64_t>(number.bits));
    default:
        return FormatNumber(number.bits);
    }
}

// Opaque: a number that net-snmp wraps in it; otherwise text when its bytes are text, with
// its last byte, the terminator of a value set from text, never part of the text
// (`length` - 1 bytes, up to a zero byte); otherwise all its bytes in hex.
char* FormatOpaque(const AsnOctetString& s) {
    if (s.length == 0)
        return nullptr;
    bool known = false;
    char* number = FormatWrappedNumber(s, &known);
    if (known)
        return number;
    if (IsText(s.stream, s.length) && IsText(s.stream, s.length - 1))
        return CopyBytes(s, s.length - 1, s.length + 1);
    return HexBytes(s);
}

// Dotted decimal of the bytes: up to three digits and a dot per byte, the last byte's dot
// place holding the terminator.
char* FormatAddress(const AsnOctetString& a) {
    if (a.length == 0 || a.length > 0xFFFFFFFFu / 4)
        return nullptr;
    char* text = static_cast<char*>(SnmpUtilMemAlloc(a.length * 4));
    if (!text)
        return nullptr;
    size_t used = 0;
    for (UINT i = 0; i < a.length; ++i)
        used += static_cast<size_t>(std::snprintf(text + used, a.length * 4 - used,
                                                  i + 1 < a.length ? "%u." : "%u",
                                                  static_cast<unsigned>(a.stream[i])));
    return text;
}

// Sub-identifiers without a leading dot: up to ten digits and a dot (or, last, the
// terminator) each.
char* FormatObjectIdentifier(const AsnObjectIdentifier& oid) {
    if (oid.idLength == 0)
        return nullptr;
    const size_t size = static_cast<size_t>(oid.idLength) * 11;
    if (size > 0xFFFFFFFFu)
        return nullptr;
    char* text = static_cast<char*>(SnmpUtilMemAlloc(static_cast<UINT>(size)));
    if (!text)
        return nullptr;
    size_t used = 0;
    for (UINT i = 0; i < oid.idLength; ++i)
        used += static_cast<size_t>(std::snprintf(text + used, size - used,
                                                  i + 1 < oid.idLength ? "%u." : "%u",
                                                  static_cast<unsigned>(oid.ids[i])));
    return text;
}

// Counter64: its eight bytes, most significant first, as an unsigned number.
char* FormatCounter64(const AsnOctetString& s) {
    if (s.length > 8)
        return HexBytes(s);
    return FormatNumber(BigEndian(s.stream, s.length));
}

} // namespace

std::uint64_t values::BigEndian(const BYTE* bytes, std::size_t length) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < length; ++i)
        bits = (bits << 8) | bytes[i];
    return bits;
}

bool values::ReadWrappedNumber(const AsnOctetString& s, WrappedNumber* number) {
    if (s.length < 3 || s.stream[0] != 0x9F || s.stream[2] >= 0x80 || s.length != 3u + s.stream[2])
        return false;
    const BYTE* contents = s.stream + 3;
    const std::size_t length = s.stream[2];
    *number = WrappedNumber{s.stream[1], 0, 0};
    switch (s.stream[1]) {
    case kOpaqueFloat: {
        if (length != 4)
            return false;
        const auto bits = static_cast<std::uint32_t>(BigEndian(contents, 4));
        float real;
        std::memcpy(&real, &bits, sizeof real);
        number->real = real;
        return true;
    }
    case kOpaqueDouble: {
        if (length != 8)
            return false;
        const std::uint64_t bits = BigEndian(contents, 8);
        std::memcpy(&number->real, &bits, sizeof number->real);
        return true;
    }
    case kOpaqueCounter64:
    case kOpaqueU64:
        if (length < 1 || length > 9 || (length == 9 && contents[0] != 0))
            return false;
        number->bits = BigEndian(contents, length);
        return true;
    case kOpaqueI64: {
        if (length < 1 || length > 8)
            return false;
        // Two's complement: the first byte's top bit is the sign.
        number->bits = BigEndian(contents, length);
        if ((contents[0] & 0x80) && length < 8)
            number->bits |= ~std::uint64_t{0} << (8 * length);
        return true;
    }
    default:
        return false;
    }
}

const char* values::ExceptionName(BYTE type) {
    switch (type) {
    case SNMP_EXCEPTION_NOSUCHOBJECT:
        return "noSuchObject";
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
        return "noSuchInstance";
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return "endOfMibView";
    default:
        return nullptr;
    }
}

char* values::FormatValue(const AsnAny* value) {
    switch (value->asnType) {
    case ASN_INTEGER:
        return FormatNumber(value->asnValue.number);
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        // Unsigned: the largest Counter32 is 4294967295, never a negative number.
        return FormatNumber(value->asnValue.unsigned32);
    case ASN_COUNTER64:
        return FormatCounter64(value->asnValue.string);
    case ASN_OCTETSTRING:
        return FormatOctets(value->asnValue.string);
    case ASN_OPAQUE:
        return FormatOpaque(value->asnValue.arbitrary);
    case ASN_IPADDRESS:
        return FormatAddress(value->asnValue.address);
    case ASN_OBJECTIDENTIFIER:
        return FormatObjectIdentifier(value->asnValue.object);
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return CopyText(ExceptionName(value->asnType));
    case ASN_UNFIT_ELEMENT:
        return HexBytes(value->asnValue.string); // the whole element as it arrived
    case ASN_NULL:
        return nullptr;
    default:
        // SEQUENCE too: no SMI type is one, so a binding that carries it is an odd one, and
        // shown as nothing it would lose its bytes.
        return HexElement(value->asnType, value->asnValue.string);
    }
}
