// values::ParseValue: the text the operator typed, read into the value a Set carries.
#include "values/Values.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// Reads a decimal number by the rules of atoi (leading white space, an optional sign, the
// digits up to the first other character, none giving 0), without atoi's undefined
// behaviour for numbers it cannot hold: the result is clamped to -2147483648 ...
// 4294967295, the union of the signed and the unsigned 32-bit ranges.
std::int64_t TypedNumber(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    constexpr std::int64_t kMax = std::numeric_limits<std::uint32_t>::max();
    constexpr std::int64_t kMinMagnitude = 2147483648LL;
    std::int64_t magnitude = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
        if (magnitude <= kMax)
            magnitude = magnitude * 10 + (*text - '0');
    }
    return negative ? -std::min(magnitude, kMinMagnitude) : std::min(magnitude, kMax);
}

// The 32 bits stored for a number typed for INTEGER: beyond the signed range it stops at
// the nearest end, -2147483648 or 2147483647.
std::uint32_t ClampedToInt32(std::int64_t n) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(n, INT32_MIN, INT32_MAX));
}

// ... and for Counter32, Gauge32 and TimeTicks: 0 to 4294967295 is stored as itself, a
// negative number from -2147483648 on as its 32-bit two's complement (so -1 gives
// 4294967295, as atoi and a cast would), and beyond either end the nearest end.
std::uint32_t UnsignedBits(std::int64_t n) {
    return static_cast<std::uint32_t>(n);
}

// A value block from the utility allocator, so that the list's release frees it.
bool StoreBytes(AsnOctetString* s, const char* text, UINT length) {
    const UINT characters = static_cast<UINT>(std::strlen(text));
    s->stream = static_cast<BYTE*>(SnmpUtilMemAlloc(characters + 1));
    if (!s->stream)
        return false;
    std::memcpy(s->stream, text, characters + 1);
    s->length = length;
    s->dynamic = TRUE;
    return true;
}

// IpAddress from dotted text: four parts, each read as a number and cut to its low eight
// bits. A text with fewer than three dots gives 0 for each missing part; nothing past the
// text's end is read.
bool StoreAddress(AsnOctetString* s, char* text) {
    s->stream = static_cast<BYTE*>(SnmpUtilMemAlloc(4));
    if (!s->stream)
        return false;
    s->length = 4;
    s->dynamic = TRUE;
    char* part = text;
    for (int i = 0; i < 4; ++i) {
        if (!part) {
            s->stream[i] = 0;
            continue;
        }
        char* dot = std::strchr(part, '.');
        if (dot)
            *dot = '\0';
        s->stream[i] = static_cast<BYTE>(UnsignedBits(TypedNumber(part)) & 0xFF);
        part = dot ? dot + 1 : nullptr;
    }
    return true;
}

} // namespace

Outcome values::ParseValue(SnmpVarBind* vb, char* text) {
    AsnAny& value = vb->value;
    bool stored = true;
    switch (value.asnType) {
    case ASN_INTEGER:
        value.asnValue.unsigned32 = ClampedToInt32(TypedNumber(text));
        return {};
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
        value.asnValue.unsigned32 = UnsignedBits(TypedNumber(text));
        return {};
    case ASN_OCTETSTRING:
        stored = StoreBytes(&value.asnValue.string, text, static_cast<UINT>(std::strlen(text)));
        break;
    case ASN_SEQUENCE:
    case ASN_OPAQUE:
        // These forms carry the text's terminating zero as their last byte.
        stored = StoreBytes(&value.asnValue.string, text, static_cast<UINT>(std::strlen(text)) + 1);
        break;
    case ASN_OBJECTIDENTIFIER:
        if (!SnmpMgrStrToOid(text, &value.asnValue.object))
            return Outcome{OutcomeKind::SetInvalidValue};
        return {};
    case ASN_IPADDRESS:
        stored = StoreAddress(&value.asnValue.address, text);
        break;
    default:
        return Outcome{OutcomeKind::SetUnsupportedType};
    }
    return stored ? Outcome{} : Outcome{OutcomeKind::SetNoValueMemory};
}
