// values::DescribedValue and values::DescribedIdentifier: a value's text as net-snmp's tools
// print it with the modules of the name table. The printing follows net-snmp's own rules
// (its value printers in mib.c) case by case, including those that look odd, so that the
// operator reads what snmpwalk prints; the cross-check of the testing library holds the two
// side by side.
#include "values/MibValues.h"

#include "values/Values.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace values {
namespace {

using mibnames::Definition;
using mibnames::NamedNumber;
using mibnames::Syntax;
using mibnames::Table;

// The value types as net-snmp's decoder gives them: the wire's tags, and for an Opaque that
// wraps one of net-snmp's numbers (Values.h) the wrapped type.
constexpr BYTE kNsapAddress = 0x45;

// A value as net-snmp's printers see it, and the table that its identifiers are named from.
struct Var {
    const Table* names = nullptr;
    BYTE type = 0;
    long integer = 0;            // the numbers of 32 bits, as net-snmp keeps them in a long
    const BYTE* bytes = nullptr; // strings, addresses, Opaque
    UINT length = 0;
    const UINT* ids = nullptr; // OBJECT IDENTIFIER
    std::uint64_t u64 = 0;     // Counter64 and the 64-bit numbers of an Opaque
    double real = 0;           // the float and the double of an Opaque
};

// The number an Opaque wraps, read as net-snmp's decoder reads it; false when it wraps none.
bool Unwrap(const AsnOctetString& s, Var* var) {
    WrappedNumber number;
    if (!ReadWrappedNumber(s, &number))
        return false;
    var->type = number.type;
    var->u64 = number.bits;
    var->real = number.real;
    return true;
}

// The value in net-snmp's terms; false for what snmpwalk cannot show (a SEQUENCE, a tag of
// no SNMP type, an element that does not fit its type).
bool VarOf(const AsnAny& value, Var* var) {
    var->type = value.asnType;
    switch (value.asnType) {
    case ASN_INTEGER:
        var->integer = value.asnValue.number;
        return true;
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        var->integer = static_cast<long>(value.asnValue.unsigned32);
        return true;
    case ASN_COUNTER64:
        var->u64 = BigEndian(value.asnValue.string.stream, value.asnValue.string.length);
        return value.asnValue.string.length <= 8;
    case ASN_OBJECTIDENTIFIER:
        var->ids = value.asnValue.object.ids;
        var->length = value.asnValue.object.idLength;
        return true;
    case ASN_OPAQUE:
        if (Unwrap(value.asnValue.arbitrary, var))
            return true;
        [[fallthrough]];
    case ASN_OCTETSTRING:
    case ASN_BITS:
    case ASN_IPADDRESS:
    case kNsapAddress:
        var->bytes = value.asnValue.string.stream;
        var->length = value.asnValue.string.length;
        // An IpAddress of another length than four is no address for net-snmp's printer.
        return value.asnType != ASN_IPADDRESS || var->length == 4;
    case ASN_NULL:
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return true;
    default:
        return false;
    }
}

// What the modules say of the printed object: its labels, hint and units.
struct Said {
    std::span<const NamedNumber> enums;
    std::string_view hint;
    std::string_view units;
};

void Append(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string* out, const char* format, ...) {
    char text[64];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0)
        out->append(text, static_cast<size_t>(std::min<int>(n, sizeof text - 1)));
}

void AppendUnits(std::string* out, std::string_view units) {
    if (!units.empty()) {
        *out += ' ';
        *out += units;
    }
}

const NamedNumber* Label(std::span<const NamedNumber> enums, long value) {
    for (const NamedNumber& e : enums)
        if (e.value == value)
            return &e;
    return nullptr;
}

// Bytes as net-snmp's hex strings write them: "XX " each, a line break after each sixteen
// that more follow.
void AppendHex(std::string* out, const BYTE* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        Append(out, "%02X ", bytes[i]);
        if (i % 16 == 15 && i + 1 < length)
            *out += '\n';
    }
}

// The C library's classes in the "C" locale, in which net-snmp's tools run.
bool Printable(unsigned c) {
    return c >= 0x20 && c < 0x7F;
}
bool Space(unsigned c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void ByType(std::string* out, const Var& var, const Said& said);

void WrongType(std::string* out, const char* should, const Var& var) {
    *out += "Wrong Type (should be ";
    *out += should;
    *out += "): ";
    ByType(out, var, Said{});
}

// RFC 2579, 3.1: an integer's hint, "d" with an optional "-n" of decimal places (the sign
// before them, ".05" for 5 with two), "x" and "o" through the C library's conversions of
// the whole long, and "b" as the 32 bits of the number.
void HintedInteger(std::string* out, long value, char decimal, std::string_view hint) {
    int shift = 0;
    bool negative = false;
    char text[256];
    if (!hint.empty() && hint[0] == 'd') {
        if (hint.size() > 1 && hint[1] == '-')
            shift = std::atoi(std::string(hint.substr(2)).c_str());
        if (value < 0) {
            negative = true;
            value = -value;
        }
    }
    if (!hint.empty() && hint[0] == 'b') {
        char* bit = text;
        for (unsigned long mask = 0x80000000ul; mask; mask >>= 1)
            *bit++ = (static_cast<unsigned long>(value) & mask) ? '1' : '0';
        *bit = '\0';
    } else {
        const char conversion = hint.empty() || hint[0] == 'd' ? decimal : hint[0];
        const char format[] = {'%', 'l', conversion, '\0'};
        std::snprintf(text, sizeof text - 2, format, value);
    }
    if (shift > 0 && shift < 200) {
        int length = static_cast<int>(std::strlen(text));
        if (shift <= length) {
            text[length + 1] = '\0';
            for (int s = shift; s > 0; --s, --length)
                text[length] = text[length - 1];
            text[length] = '.';
        } else {
            text[shift + 1] = '\0';
            for (int s = shift; s > 0; --s)
                text[s] = length-- > 0 ? text[length] : '0';
            text[0] = '.';
        }
    }
    if (negative)
        *out += '-';
    *out += text;
}

void Integer(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_INTEGER)
        return WrongType(out, "INTEGER", var);
    *out += "INTEGER: ";
    const NamedNumber* label = Label(said.enums, var.integer);
    if (!label) {
        if (!said.hint.empty())
            HintedInteger(out, var.integer, 'd', said.hint);
        else
            Append(out, "%ld", var.integer);
    } else {
        *out += label->label;
        Append(out, "(%ld)", var.integer);
    }
    AppendUnits(out, said.units);
}

void UInteger(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_UINTEGER32)
        return WrongType(out, "UInteger32", var);
    const NamedNumber* label = Label(said.enums, var.integer);
    if (!label) {
        if (!said.hint.empty())
            HintedInteger(out, var.integer, 'u', said.hint);
        else
            Append(out, "%lu", static_cast<unsigned long>(var.integer));
    } else {
        *out += label->label;
        Append(out, "(%lu)", static_cast<unsigned long>(var.integer));
    }
    AppendUnits(out, said.units);
}

void Gauge(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_GAUGE32)
        return WrongType(out, "Gauge32 or Unsigned32", var);
    *out += "Gauge32: ";
    if (!said.hint.empty())
        HintedInteger(out, var.integer, 'u', said.hint);
    else
        Append(out, "%lu", static_cast<unsigned long>(var.integer));
    AppendUnits(out, said.units);
}

void Counter(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_COUNTER32)
        return WrongType(out, "Counter32", var);
    Append(out, "Counter32: %lu", static_cast<unsigned long>(var.integer));
    AppendUnits(out, said.units);
}

void TimeTicks(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_TIMETICKS)
        return WrongType(out, "Timeticks", var);
    unsigned long ticks = static_cast<unsigned long>(var.integer);
    Append(out, "Timeticks: (%lu) ", ticks);
    const int centiseconds = static_cast<int>(ticks % 100);
    ticks /= 100;
    const int days = static_cast<int>(ticks / 86400);
    ticks %= 86400;
    const int hours = static_cast<int>(ticks / 3600);
    ticks %= 3600;
    const int minutes = static_cast<int>(ticks / 60);
    const int seconds = static_cast<int>(ticks % 60);
    if (days == 0)
        Append(out, "%d:%02d:%02d.%02d", hours, minutes, seconds, centiseconds);
    else
        Append(out, days == 1 ? "%d day, %d:%02d:%02d.%02d" : "%d days, %d:%02d:%02d.%02d", days,
               hours, minutes, seconds, centiseconds);
    AppendUnits(out, said.units);
}

void IpAddress(std::string* out, const Var& var, const Said&) {
    if (var.type != ASN_IPADDRESS)
        return WrongType(out, "IpAddress", var);
    Append(out, "IpAddress: %d.%d.%d.%d", var.bytes[0], var.bytes[1], var.bytes[2], var.bytes[3]);
}

void NetworkAddress(std::string* out, const Var& var, const Said&) {
    if (var.type != ASN_IPADDRESS)
        return WrongType(out, "NetworkAddress", var);
    *out += "Network Address: ";
    for (UINT i = 0; i < var.length; ++i)
        Append(out, i + 1 < var.length ? "%02X:" : "%02X", var.bytes[i]);
}

void Null(std::string* out, const Var& var, const Said&) {
    if (var.type != ASN_NULL)
        return WrongType(out, "NULL", var);
    *out += "NULL";
}

// BITS: the bytes in hex, then each set bit by its label. net-snmp looks each bit's label
// up from the label it found for the bit before, and from the first bit without a label
// on finds none.
void Bits(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_BITS && var.type != ASN_OCTETSTRING)
        return WrongType(out, "BITS", var);
    *out += "BITS: ";
    AppendHex(out, var.bytes, var.length);
    std::span<const NamedNumber> enums = said.enums;
    for (UINT byte = 0; byte < var.length; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            if (!(var.bytes[byte] & (0x80 >> bit)))
                continue;
            const long number = static_cast<long>(byte) * 8 + bit;
            while (!enums.empty() && enums.front().value != number)
                enums = enums.subspan(1);
            if (enums.empty())
                Append(out, "%ld ", number);
            else
                Append(out, "%.*s(%ld) ", static_cast<int>(enums.front().label.size()),
                       enums.front().label.data(), number);
        }
    }
}

void NsapAddress(std::string* out, const Var& var, const Said&) {
    if (var.type != kNsapAddress)
        return WrongType(out, "NsapAddress", var);
    *out += "NsapAddress: ";
    AppendHex(out, var.bytes, var.length);
}

void Counter64(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_COUNTER64 && var.type != kOpaqueCounter64 && var.type != kOpaqueI64 &&
        var.type != kOpaqueU64)
        return WrongType(out, "Counter64", var);
    if (var.type != ASN_COUNTER64)
        *out += "Opaque: ";
    *out += var.type == kOpaqueU64   ? "UInt64: "
            : var.type == kOpaqueI64 ? "Int64: "
                                     : "Counter64: ";
    if (var.type == kOpaqueI64)
        Append(out, "%" PRId64, static_cast<std::int64_t>(var.u64));
    else
        Append(out, "%" PRIu64, var.u64);
    AppendUnits(out, said.units);
}

void Real(std::string* out, const Var& var, const Said& said, BYTE type, const char* should) {
    if (var.type != type)
        return WrongType(out, should, var);
    char text[512];
    std::snprintf(text, sizeof text, "Opaque: Float: %f", var.real);
    *out += text;
    AppendUnits(out, said.units);
}

void Opaque(std::string* out, const Var& var, const Said& said) {
    switch (var.type) {
    case kOpaqueCounter64:
    case kOpaqueU64:
    case kOpaqueI64:
        return Counter64(out, var, said);
    case kOpaqueFloat:
        return Real(out, var, said, kOpaqueFloat, "Float");
    case kOpaqueDouble:
        return Real(out, var, said, kOpaqueDouble, "Double");
    case ASN_OPAQUE:
        *out += "OPAQUE: ";
        AppendHex(out, var.bytes, var.length);
        AppendUnits(out, said.units);
        return;
    default:
        return WrongType(out, "Opaque", var);
    }
}

// The text of a string without a hint: in quotes when every byte is printable or a space in
// the C locale (a backslash before each quote and backslash), else its bytes in hex.
void PlainString(std::string* out, const Var& var, const Said& said) {
    bool hex = false;
    for (UINT i = 0; i < var.length; ++i)
        hex = hex || (!Printable(var.bytes[i]) && !Space(var.bytes[i]));
    if (var.length == 0) {
        *out += "\"\"";
        return;
    }
    if (hex) {
        *out += "Hex-STRING: ";
        AppendHex(out, var.bytes, var.length);
    } else {
        *out += "STRING: \"";
        for (UINT i = 0; i < var.length; ++i) {
            const BYTE c = var.bytes[i];
            if (c == '\\' || c == '"')
                *out += '\\';
            *out += Printable(c) || Space(c) ? static_cast<char>(c) : '.';
        }
        *out += '"';
    }
    AppendUnits(out, said.units);
}

// RFC 2579, 3.1: an octet string's hint, a run of parts, each an optional "*" (the next byte
// repeats it), a width, a format ("d", "x", "o", "a" or "t"), an optional separator and
// an optional terminator; the last one serves the rest of the string.
void HintedString(std::string* out, const Var& var, const Said& said) {
    const std::size_t start = out->size();
    *out += "STRING: ";
    const BYTE* cp = var.bytes;
    const BYTE* end = var.bytes + var.length;
    std::string_view hint = said.hint;
    int width = 1;
    char code = 'd', separator = 0, terminator = 0;
    // The marks that may follow a format: anything but a repeat, a digit, and (after a
    // width of 0) the formats themselves.
    const auto mark = [&width](std::string_view h) {
        const char c = h.empty() ? '\0' : h[0];
        return c && c != '*' && (c < '0' || c > '9') &&
               (width != 0 || (c != 'x' && c != 'd' && c != 'o'));
    };
    while (cp < end) {
        int repeat = 1;
        if (!hint.empty()) {
            if (hint[0] == '*') {
                repeat = *cp++;
                hint.remove_prefix(1);
            }
            width = 0;
            while (!hint.empty() && hint[0] >= '0' && hint[0] <= '9') {
                width = width * 10 + (hint[0] - '0');
                hint.remove_prefix(1);
            }
            code = hint.empty() ? '\0' : hint[0];
            if (!hint.empty())
                hint.remove_prefix(1);
            separator = mark(hint) ? hint[0] : 0;
            if (separator)
                hint.remove_prefix(1);
            terminator = mark(hint) ? hint[0] : 0;
            if (terminator)
                hint.remove_prefix(1);
            if (width == 0)
                width = 1;
        }
        for (; repeat > 0 && cp < end; --repeat) {
            long value = 0;
            if (code != 'a' && code != 't') {
                // A number wider than what is left reads zeros for the bytes that are not there.
                for (int x = 0; x < width; ++x)
                    value = value * 256 + (cp < end ? *cp++ : 0);
            }
            switch (code) {
            case 'x':
                // Bytes in hex one by one with nothing between them, two digits each, so that
                // they read back.
                Append(out, width == 1 && !separator ? "%02lx" : "%lx", value);
                break;
            case 'd':
                Append(out, "%ld", value);
                break;
            case 'o':
                Append(out, "%lo", value);
                break;
            case 't':
            case 'a':
                for (int x = 0; x < width && cp < end; ++x)
                    *out += static_cast<char>(*cp++);
                break;
            default:
                out->resize(start);
                *out += "(Bad hint ignored: ";
                *out += said.hint;
                *out += ") ";
                return PlainString(out, var, Said{said.enums, {}, {}});
            }
            if (cp < end && separator)
                *out += separator;
        }
        if (terminator && cp < end)
            *out += terminator;
    }
    AppendUnits(out, said.units);
}

void OctetString(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_OCTETSTRING)
        return WrongType(out, "OCTET STRING", var);
    if (!said.hint.empty())
        return HintedString(out, var, said);
    PlainString(out, var, said);
}

void ObjectIdentifier(std::string* out, const Var& var, const Said& said);

// net-snmp's printer by the value's own type, with what the modules said.
void ByType(std::string* out, const Var& var, const Said& said) {
    switch (var.type) {
    case ASN_INTEGER:
        return Integer(out, var, said);
    case ASN_OCTETSTRING:
        return OctetString(out, var, said);
    case ASN_BITS:
        return Bits(out, var, said);
    case ASN_OPAQUE:
        return Opaque(out, var, said);
    case ASN_OBJECTIDENTIFIER:
        return ObjectIdentifier(out, var, said);
    case ASN_TIMETICKS:
        return TimeTicks(out, var, said);
    case ASN_GAUGE32:
        return Gauge(out, var, said);
    case ASN_COUNTER32:
        return Counter(out, var, said);
    case ASN_IPADDRESS:
        return IpAddress(out, var, said);
    case ASN_NULL:
        return Null(out, var, said);
    case ASN_UINTEGER32:
        return UInteger(out, var, said);
    case ASN_COUNTER64:
    case kOpaqueU64:
    case kOpaqueI64:
    case kOpaqueCounter64:
        return Counter64(out, var, said);
    case kOpaqueFloat:
        return Real(out, var, said, kOpaqueFloat, "Float");
    case kOpaqueDouble:
        return Real(out, var, said, kOpaqueDouble, "Double");
    default:
        *out += "Variable has bad type";
    }
}

// --- Identifiers ---------------------------------------------------------------------------

int FirstModule(const Table& names, int node) {
    const std::span<const int> modules = names.ModulesOf(node);
    return modules.empty() ? -1 : modules.front();
}

// The INDEX of a row, or of the row it AUGMENTS.
std::span<const mibnames::IndexPart> IndexOf(const Table& names, int node) {
    const Definition* d = names.DefinitionOf(node);
    if (!d)
        return {};
    if (!d->index.empty())
        return d->index;
    if (!d->augments.empty()) {
        const int row = names.Find(d->augments, FirstModule(names, node));
        if (row != mibnames::kNone && names.DefinitionOf(row))
            return names.DefinitionOf(row)->index;
    }
    return {};
}

// Sub-identifiers as a quoted string, each that is no printable character a ".".
void AppendQuoted(std::string* out, const UINT* ids, std::size_t count, char quote) {
    if (count == 0)
        return;
    *out += quote;
    for (std::size_t i = 0; i < count; ++i)
        *out += ids[i] <= 254 && Printable(ids[i]) ? static_cast<char>(ids[i]) : '.';
    *out += quote;
}

void AppendRest(std::string* out, const UINT* ids, std::size_t count) {
    if (out->empty() || out->back() != '.')
        *out += '.';
    for (std::size_t i = 0; i < count; ++i)
        Append(out, "%u.", ids[i]);
    out->pop_back();
}

// The sub-identifiers after the known nodes, read as the INDEX's objects say, each with a
// "." after it, and the rest as numbers (net-snmp's symbol printer past the tree).
void AppendIndexes(std::string* out, const Table& names, std::span<const mibnames::IndexPart> index,
                   int module, const UINT* ids, std::size_t count) {
    for (; !index.empty() && count > 0; index = index.subspan(1)) {
        const int object = names.Find(index.front().name, module);
        const Definition* d = object == mibnames::kNone ? nullptr : names.DefinitionOf(object);
        if (!d)
            break;
        std::size_t taken = 0;
        switch (d->syntax) {
        case Syntax::OctetString: {
            if (index.front().implied) {
                taken = count;
                AppendQuoted(out, ids, taken, '\'');
            } else if (d->ranges.size() == 1 && d->ranges[0].low == d->ranges[0].high) {
                taken = static_cast<std::size_t>(std::max(0, d->ranges[0].low));
                if (taken > count)
                    return AppendRest(out, ids, count);
                AppendQuoted(out, ids, taken, '\'');
            } else {
                taken = static_cast<std::size_t>(ids[0]) + 1;
                if (ids[0] >= count)
                    return AppendRest(out, ids, count);
                if (taken == 1)
                    *out += "\"\"";
                else
                    AppendQuoted(out, ids + 1, taken - 1, '"');
            }
            break;
        }
        case Syntax::Integer32:
        case Syntax::UInteger32:
        case Syntax::Unsigned32:
        case Syntax::Gauge32:
        case Syntax::Integer: {
            const NamedNumber* label = Label(d->enums, static_cast<int>(ids[0]));
            if (label)
                *out += label->label;
            else
                Append(out, "%u", ids[0]);
            taken = 1;
            break;
        }
        case Syntax::ObjectIdentifier: {
            taken = index.front().implied ? count : static_cast<std::size_t>(ids[0]) + 1;
            if (!index.front().implied && ids[0] >= count)
                return AppendRest(out, ids, count);
            AppendRest(out, ids, taken);
            break;
        }
        case Syntax::IpAddress:
            if (count < 4)
                return AppendRest(out, ids, count);
            Append(out, "%u.%u.%u.%u", ids[0], ids[1], ids[2], ids[3]);
            taken = 4;
            break;
        case Syntax::NetworkAddress:
            Append(out, "%u.", ids[0]);
            if (ids[0] != 1 || count < 5)
                return AppendRest(out, ids + 1, count - 1);
            Append(out, "%u.%u.%u.%u", ids[1], ids[2], ids[3], ids[4]);
            taken = 5;
            break;
        default:
            return AppendRest(out, ids, count);
        }
        ids += taken;
        count -= taken;
        *out += '.';
    }
    AppendRest(out, ids, count);
}

// The full symbolic form that net-snmp writes first (".iso.org...ifIndex.3"), the node
// that it reached and where the known nodes end in it (0 when every sub-identifier was a
// node).
struct FullName {
    std::string text;
    int node = mibnames::kNone;
    std::size_t endOfKnown = 0;
};

FullName Full(const Table& names, const UINT* ids, UINT length) {
    FullName full;
    full.text = ".";
    std::span<const mibnames::IndexPart> index;
    int module = -1;
    int parent = mibnames::kNone;
    for (UINT depth = 0; depth < length; ++depth) {
        const int node = names.ChildByArc(parent, ids[depth]);
        if (node == mibnames::kNone) {
            full.endOfKnown = full.text.size();
            if (!index.empty())
                AppendIndexes(&full.text, names, index, module, ids + depth, length - depth);
            else
                AppendRest(&full.text, ids + depth, length - depth);
            return full;
        }
        if (const auto own = IndexOf(names, node); !own.empty()) {
            index = own;
            module = FirstModule(names, node);
        }
        if (names.Named(node))
            full.text += names.Name(node);
        else
            Append(&full.text, "%u", names.Arc(node));
        full.node = node;
        if (depth + 1 < length)
            full.text += '.';
        parent = node;
    }
    return full;
}

void ObjectIdentifier(std::string* out, const Var& var, const Said& said) {
    if (var.type != ASN_OBJECTIDENTIFIER)
        return WrongType(out, "OBJECT IDENTIFIER", var);
    *out += "OID: ";
    *out += DescribedIdentifier(*var.names, var.ids, var.length);
    AppendUnits(out, said.units);
}

// The printer that net-snmp's parser gives an object of the syntax.
void ByObject(std::string* out, const Var& var, Syntax syntax, const Said& said) {
    switch (syntax) {
    case Syntax::ObjectIdentifier:
        return ObjectIdentifier(out, var, said);
    case Syntax::OctetString:
        return OctetString(out, var, said);
    case Syntax::Integer:
    case Syntax::Integer32:
        return Integer(out, var, said);
    case Syntax::NetworkAddress:
        return NetworkAddress(out, var, said);
    case Syntax::IpAddress:
        return IpAddress(out, var, said);
    case Syntax::Counter32:
        return Counter(out, var, said);
    case Syntax::Gauge32:
    case Syntax::Unsigned32:
        return Gauge(out, var, said);
    case Syntax::TimeTicks:
        return TimeTicks(out, var, said);
    case Syntax::Opaque:
        return Opaque(out, var, said);
    case Syntax::Null:
        return Null(out, var, said);
    case Syntax::Bits:
        return Bits(out, var, said);
    case Syntax::NsapAddress:
        return NsapAddress(out, var, said);
    case Syntax::Counter64:
        return Counter64(out, var, said);
    case Syntax::UInteger32:
        return UInteger(out, var, said);
    case Syntax::None:
        break;
    }
    ByType(out, var, said);
}

// The words of the type that snprint_value writes before the value, as far as they are
// the type's: "Opaque: Float: " is the type of an Opaque float, "Wrong Type" words are not
// taken away.
constexpr std::string_view kTypeWords[] = {
    "INTEGER: ",
    "STRING: ",
    "Hex-STRING: ",
    "OID: ",
    "Timeticks: ",
    "Gauge32: ",
    "Counter32: ",
    "Counter64: ",
    "IpAddress: ",
    "Network Address: ",
    "BITS: ",
    "NsapAddress: ",
    "OPAQUE: ",
    "Opaque: Float: ",
    "Opaque: UInt64: ",
    "Opaque: Int64: ",
    "Opaque: Counter64: ",
};

} // namespace

std::string DescribedIdentifier(const Table& names, const UINT* ids, UINT length) {
    FullName full = Full(names, ids, length);
    const std::string& text = full.text;
    // net-snmp's module form: from the last name that the modules know (the last name in
    // the text where every sub-identifier was a node), and the module of the node reached.
    std::ptrdiff_t cp = static_cast<std::ptrdiff_t>(text.size());
    if (full.endOfKnown != 0) {
        cp = static_cast<std::ptrdiff_t>(full.endOfKnown) - 2;
    } else {
        while (cp >= 0 &&
               !(cp < static_cast<std::ptrdiff_t>(text.size()) &&
                 std::isalpha(static_cast<unsigned char>(text[static_cast<size_t>(cp)]))))
            --cp;
    }
    while (cp >= 0 && text[static_cast<size_t>(cp)] != '.')
        --cp;
    ++cp;
    std::string out;
    if (cp > 0 && full.node != mibnames::kNone) {
        const int module = FirstModule(names, full.node);
        if (module >= 0) {
            out += names.ModuleName(module);
            out += "::";
        }
    }
    out.append(text, static_cast<size_t>(cp), std::string::npos);
    return out;
}

std::string DescribedValueWithType(const Table& names, const AsnObjectIdentifier& name,
                                   const AsnAny& value) {
    switch (value.asnType) {
    case SNMP_EXCEPTION_NOSUCHOBJECT:
        return "No Such Object available on this agent at this OID";
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
        return "No Such Instance currently exists at this OID";
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return "No more variables left in this MIB View (It is past the end of the MIB tree)";
    default:
        break;
    }
    Var var;
    var.names = &names;
    if (!VarOf(value, &var)) {
        std::unique_ptr<char, void (*)(void*)> sent(FormatValue(&value), SnmpUtilMemFree);
        return sent ? std::string(sent.get()) : std::string();
    }
    UINT covered = 0;
    const int node = names.Deepest(name.ids, name.idLength, &covered);
    const Definition* d = node == mibnames::kNone ? nullptr : names.DefinitionOf(node);
    std::string out;
    out.reserve(64);
    if (d)
        ByObject(&out, var, d->syntax, Said{d->enums, d->hint, d->units});
    else
        ByType(&out, var, Said{});
    return out;
}

std::string DescribedValue(const Table& names, const AsnObjectIdentifier& name,
                           const AsnAny& value) {
    std::string text = DescribedValueWithType(names, name, value);
    for (std::string_view words : kTypeWords)
        if (std::string_view(text).starts_with(words))
            return text.substr(words.size());
    return text;
}

char* DescribeValue(const SnmpVarBind* binding) {
    const std::shared_ptr<const Table> names = mibnames::Current();
    const std::string text = DescribedValue(*names, binding->name, binding->value);
    char* block = static_cast<char*>(SnmpUtilMemAlloc(static_cast<UINT>(text.size() + 1)));
    if (block)
        std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

} // namespace values
