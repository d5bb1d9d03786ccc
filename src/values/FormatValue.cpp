#include "values/Values.h"

#include <cstdio>
#include <cstring>

namespace {

// Room for any 32-bit number in decimal with its sign and terminator.
constexpr UINT kNumberBlock = 33;

char* FormatNumber(const char* format, std::int64_t number) {
    char* text = static_cast<char*>(SnmpUtilMemAlloc(kNumberBlock));
    if (text)
        std::snprintf(text, kNumberBlock, format, static_cast<long long>(number));
    return text;
}

// OCTET STRING and Opaque: the bytes up to `count` or the first zero byte, copied as they
// are into a block of `blockSize` bytes.
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

} // namespace

char* values::FormatValue(const AsnAny* value) {
    switch (value->asnType) {
    case ASN_INTEGER:
        return FormatNumber("%lld", value->asnValue.number);
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
        // Unsigned: the largest Counter32 is 4294967295, never a negative number.
        return FormatNumber("%lld", value->asnValue.unsigned32);
    case ASN_OCTETSTRING: {
        const AsnOctetString& s = value->asnValue.string;
        return CopyBytes(s, s.length, s.length + 2);
    }
    case ASN_OPAQUE: {
        // The last byte of an Opaque value is its terminator and is never shown.
        const AsnOctetString& s = value->asnValue.arbitrary;
        if (s.length == 0)
            return nullptr;
        return CopyBytes(s, s.length - 1, s.length + 1);
    }
    case ASN_IPADDRESS:
        return FormatAddress(value->asnValue.address);
    case ASN_OBJECTIDENTIFIER:
        return FormatObjectIdentifier(value->asnValue.object);
    default:
        return nullptr; // NULL, SEQUENCE and every other type have no text form
    }
}
