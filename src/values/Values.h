// The value conversions of the dialog's flows: a value's text for the operator, an error
// status's name, and the typed text read into the value a Set carries. They use no window:
// the dialog shows the texts they give, and the box of an outcome they report.
#pragma once

#include "outcome/Outcome.h"
#include "snmpapi/SnmpApi.h"

#include <cstddef>
#include <cstdint>

namespace values {

// The value's text in a block of the utility allocator, which the caller frees; null for
// NULL, which has no text form, and for an Opaque, IpAddress or OBJECT IDENTIFIER of no
// bytes. An OCTET STRING or Opaque whose bytes are no text is shown as its bytes in hex; a
// SEQUENCE, a tag that no SNMP type has and an element that does not fit its type as their
// whole element in hex.
char* FormatValue(const AsnAny* value);

// The numbers that net-snmp wraps in an Opaque: 0x9F, the wrapped type (0x30 plus its
// application tag), one length byte and exactly that many contents bytes filling the
// Opaque. Float and double are IEEE 754 in network order; the 64-bit numbers are held to
// their BER form like Counter64 (at most nine bytes, the ninth a zero in front).
inline constexpr BYTE kOpaqueCounter64 = 0x76;
inline constexpr BYTE kOpaqueFloat = 0x78;
inline constexpr BYTE kOpaqueDouble = 0x79;
inline constexpr BYTE kOpaqueI64 = 0x7A;
inline constexpr BYTE kOpaqueU64 = 0x7B;
struct WrappedNumber {
    BYTE type;          // one of the above
    std::uint64_t bits; // a 64-bit number's (an I64's with its sign spread through them)
    double real;        // a float's or a double's
};
// The number the Opaque wraps; false for one that wraps none of them.
bool ReadWrappedNumber(const AsnOctetString& s, WrappedNumber* number);
// Bytes as one number, the first the most significant.
std::uint64_t BigEndian(const BYTE* bytes, std::size_t length);

// The name of an SNMPv2 exception ("noSuchObject", "noSuchInstance", "endOfMibView"), or
// null for any other type.
const char* ExceptionName(BYTE type);

// The status's name in a malloc block of 64 bytes, which the caller frees; "Unknown Error"
// beyond the table. `*name` is always set (null when no block could be had).
void ErrorStatusName(AsnInteger status, char** name);

// Fills in the binding's value from the typed text for the type code already in
// vb->value.asnType. An IpAddress text is cut at its dots in place. Done when the binding
// holds the value; otherwise why it does not (a type that cannot be set, a text that is no
// identifier, no memory), with nothing in the binding to release.
Outcome ParseValue(SnmpVarBind* vb, char* text);

} // namespace values
