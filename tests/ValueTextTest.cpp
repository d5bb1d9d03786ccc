// Value text: FormatValue over every type and its boundaries, and ErrorStatusName.
#include "testing/SnmpTesting.h"
#include "ui/ManagerDlg.h"

#include "support/RowName.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using rows::PrintTo;

// A value record over borrowed bytes or sub-identifiers.
struct ValueCase {
    const char* name;
    BYTE type;
    std::int64_t number = 0;
    std::vector<BYTE> bytes = {};
    std::vector<UINT> ids = {};
    std::optional<std::string> text; // nullopt: FormatValue gives nothing
};
AsnAny MakeValue(ValueCase& c) {
    AsnAny any{};
    any.asnType = c.type;
    if (c.type == ASN_OBJECTIDENTIFIER)
        any.asnValue.object = {static_cast<UINT>(c.ids.size()), c.ids.data()};
    else if (!c.bytes.empty() || c.type == ASN_OCTETSTRING || c.type == ASN_OPAQUE ||
             c.type == ASN_IPADDRESS)
        any.asnValue.string = {c.bytes.data(), static_cast<UINT>(c.bytes.size()), FALSE};
    else
        any.asnValue.unsigned32 = static_cast<UINT>(c.number);
    return any;
}

class FormatValueCases : public ::testing::TestWithParam<ValueCase> {};

TEST_P(FormatValueCases, GivesTheOperatorsText) {
    ValueCase c = GetParam();
    const AsnAny any = MakeValue(c);
    const std::int64_t before = SnmpUtilLiveBlocks();
    char* text = CManagerDlg::FormatValue(&any);
    if (!c.text) {
        EXPECT_EQ(text, nullptr);
    } else {
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::string(text), *c.text);
    }
    SnmpUtilMemFree(text);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before); // the text is the caller's, released once
}

std::vector<BYTE> Bytes(const std::string& text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

std::vector<UINT> LongOid() {
    std::vector<UINT> ids(128, 1);
    ids[5] = 4294967295u;
    ids[127] = 4294967295u;
    return ids;
}

std::string LongOidText() {
    std::string text;
    const auto ids = LongOid();
    for (size_t i = 0; i < ids.size(); ++i)
        text += (i ? "." : "") + std::to_string(ids[i]);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Types, FormatValueCases,
    ::testing::Values(
        ValueCase{"IntegerZero", ASN_INTEGER, 0, {}, {}, "0"},
        ValueCase{"IntegerSmallest", ASN_INTEGER, INT32_MIN, {}, {}, "-2147483648"},
        ValueCase{"IntegerLargest", ASN_INTEGER, INT32_MAX, {}, {}, "2147483647"},
        ValueCase{"IntegerMinusOne", ASN_INTEGER, -1, {}, {}, "-1"},
        ValueCase{"Counter32Largest", ASN_COUNTER32, 4294967295u, {}, {}, "4294967295"},
        ValueCase{"Gauge32HighBitSet", ASN_GAUGE32, 2147483648u, {}, {}, "2147483648"},
        ValueCase{"TimeTicksAreABareCount", ASN_TIMETICKS, 100, {}, {}, "100"},
        ValueCase{"OctetStringEmptyIsAText", ASN_OCTETSTRING, 0, {}, {}, ""},
        // Text is shown as it is; bytes that are no text (a zero byte inside, a control
        // character, no UTF-8) in hex, a zero byte in front included.
        ValueCase{"OctetStringWithAZeroInsideIsBytes",
                  ASN_OCTETSTRING,
                  0,
                  {'a', 'b', 0, 'c', 'd'},
                  {},
                  "61 62 00 63 64"},
        ValueCase{"OctetStringOfControlAndHighBytesIsBytes",
                  ASN_OCTETSTRING,
                  0,
                  {0x01, 0x41, 0xFF},
                  {},
                  "01 41 FF"},
        ValueCase{"MacAddressBeginningWithAZeroByte",
                  ASN_OCTETSTRING,
                  0,
                  {0x00, 0x12, 0x79, 0x62, 0xF9, 0x40},
                  {},
                  "00 12 79 62 F9 40"},
        ValueCase{"Utf8TextAsItIs",
                  ASN_OCTETSTRING,
                  0,
                  Bytes("Z\xC3\xBCrich \xF0\x9F\x98\x80"),
                  {},
                  "Z\xC3\xBCrich \xF0\x9F\x98\x80"},
        ValueCase{"TabCrAndLfAreText", ASN_OCTETSTRING, 0, Bytes("a\tb\r\n"), {}, "a\tb\r\n"},
        ValueCase{
            "OneZeroByteAtTheEndEndsTheText", ASN_OCTETSTRING, 0, {'a', 'b', 'c', 0}, {}, "abc"},
        ValueCase{"TwoZeroBytesAtTheEndAreBytes",
                  ASN_OCTETSTRING,
                  0,
                  {'a', 'b', 0, 0},
                  {},
                  "61 62 00 00"},
        ValueCase{"OnlyAZeroByteIsTheEmptyText", ASN_OCTETSTRING, 0, {0}, {}, ""},
        ValueCase{"DeleteIsNoText", ASN_OCTETSTRING, 0, {'a', 0x7F}, {}, "61 7F"},
        ValueCase{"C1ControlIsNoText", ASN_OCTETSTRING, 0, {0xC2, 0x85}, {}, "C2 85"},
        ValueCase{"OverlongUtf8IsNoText", ASN_OCTETSTRING, 0, {0xC0, 0xAF}, {}, "C0 AF"},
        ValueCase{"SurrogateIsNoText", ASN_OCTETSTRING, 0, {0xED, 0xA0, 0x80}, {}, "ED A0 80"},
        ValueCase{"Utf8CutShortIsNoText", ASN_OCTETSTRING, 0, {'a', 0xE2, 0x82}, {}, "61 E2 82"},
        ValueCase{"BeyondU10FFFFIsNoText",
                  ASN_OCTETSTRING,
                  0,
                  {0xF4, 0x90, 0x80, 0x80},
                  {},
                  "F4 90 80 80"},
        ValueCase{"OpaqueDropsItsLastByte", ASN_OPAQUE, 0, {'a', 'b', 'c'}, {}, "ab"},
        ValueCase{"OpaqueSetFromText", ASN_OPAQUE, 0, {'h', 'i', 0}, {}, "hi"},
        ValueCase{"OpaqueOfOneByteIsEmpty", ASN_OPAQUE, 0, {'x'}, {}, ""},
        ValueCase{"OpaqueOfNoBytesIsNothing", ASN_OPAQUE, 0, {}, {}, std::nullopt},
        ValueCase{"OpaqueOfBinaryBytes", ASN_OPAQUE, 0, {0x01, 0x02, 0xFE}, {}, "01 02 FE"},
        // Its last byte would cut the character in two: bytes.
        ValueCase{"OpaqueWhoseTextEndsInsideACharacter", ASN_OPAQUE, 0, {0xC3, 0xA9}, {}, "C3 A9"},
        ValueCase{"ObjectIdentifierWithoutLeadingDot",
                  ASN_OBJECTIDENTIFIER,
                  0,
                  {},
                  {1, 3, 6, 1, 2, 1, 1, 5, 0},
                  "1.3.6.1.2.1.1.5.0"},
        ValueCase{"ObjectIdentifierSingleZero", ASN_OBJECTIDENTIFIER, 0, {}, {0}, "0"},
        ValueCase{"ObjectIdentifierSixDigits", ASN_OBJECTIDENTIFIER, 0, {}, {123456}, "123456"},
        ValueCase{"ObjectIdentifierLargestComponent",
                  ASN_OBJECTIDENTIFIER,
                  0,
                  {},
                  {4294967295u},
                  "4294967295"},
        ValueCase{
            "ObjectIdentifier128Components", ASN_OBJECTIDENTIFIER, 0, {}, LongOid(), LongOidText()},
        ValueCase{"ObjectIdentifierEmptyIsNothing", ASN_OBJECTIDENTIFIER, 0, {}, {}, std::nullopt},
        ValueCase{"IpAddress", ASN_IPADDRESS, 0, {10, 0, 0, 255}, {}, "10.0.0.255"},
        ValueCase{"IpAddressHighBytesUnsigned",
                  ASN_IPADDRESS,
                  0,
                  {192, 168, 1, 200},
                  {},
                  "192.168.1.200"},
        ValueCase{"IpAddressOfSixBytes",
                  ASN_IPADDRESS,
                  0,
                  {255, 255, 255, 255, 255, 255},
                  {},
                  "255.255.255.255.255.255"},
        ValueCase{"IpAddressEmptyIsNothing", ASN_IPADDRESS, 0, {}, {}, std::nullopt},
        ValueCase{"IpAddressOfThreeBytes", ASN_IPADDRESS, 0, {1, 2, 3}, {}, "1.2.3"},
        // The numbers net-snmp wraps in an Opaque, in the fewest digits that are the number.
        ValueCase{
            "OpaqueFloatOne", ASN_OPAQUE, 0, {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00}, {}, "1"},
        ValueCase{
            "OpaqueFloat", ASN_OPAQUE, 0, {0x9F, 0x78, 0x04, 0x3E, 0xEB, 0x85, 0x1F}, {}, "0.46"},
        ValueCase{"OpaqueFloatNegative",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x78, 0x04, 0xC2, 0x28, 0x00, 0x00},
                  {},
                  "-42"},
        ValueCase{"OpaqueDouble",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x79, 0x08, 0x3F, 0xB9, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9A},
                  {},
                  "0.1"},
        ValueCase{"OpaqueCounter64Largest",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x76, 0x09, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                  {},
                  "18446744073709551615"},
        ValueCase{"OpaqueU64TopBitIsNoSign", ASN_OPAQUE, 0, {0x9F, 0x7B, 0x01, 0x80}, {}, "128"},
        ValueCase{"OpaqueI64MinusOne", ASN_OPAQUE, 0, {0x9F, 0x7A, 0x01, 0xFF}, {}, "-1"},
        ValueCase{"OpaqueI64Smallest",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x7A, 0x08, 0x80, 0, 0, 0, 0, 0, 0, 0},
                  {},
                  "-9223372036854775808"},
        // A wrapper that does not fill the Opaque exactly wraps nothing known.
        ValueCase{"OpaqueFloatOfTheWrongLength",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x78, 0x03, 0x3F, 0x80, 0x00},
                  {},
                  "9F 78 03 3F 80 00"},
        ValueCase{"OpaqueWrapperLongerThanTheOpaque",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x78, 0x09, 0x01},
                  {},
                  "9F 78 09 01"},
        ValueCase{"OpaqueOfAnUnknownWrappedType",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x70, 0x01, 0x05},
                  {},
                  "9F 70 01 05"},
        ValueCase{"Counter64One", ASN_COUNTER64, 0, {0, 0, 0, 0, 0, 0, 0, 1}, {}, "1"},
        ValueCase{"Counter64Largest",
                  ASN_COUNTER64,
                  0,
                  {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                  {},
                  "18446744073709551615"},
        ValueCase{"UInteger32Largest", ASN_UINTEGER32, 4294967295u, {}, {}, "4294967295"},
        ValueCase{"NoSuchObject", SNMP_EXCEPTION_NOSUCHOBJECT, 0, {}, {}, "noSuchObject"},
        ValueCase{"NoSuchInstance", SNMP_EXCEPTION_NOSUCHINSTANCE, 0, {}, {}, "noSuchInstance"},
        ValueCase{"EndOfMibView", SNMP_EXCEPTION_ENDOFMIBVIEW, 0, {}, {}, "endOfMibView"},
        // A tag that no SNMP type has: its whole element, the length in its shortest form.
        ValueCase{"UnknownTagIsItsElement", 0x49, 0, {1, 2}, {}, "49 02 01 02"},
        ValueCase{"UnknownTagOfNoBytes", ASN_BITS, 0, {}, {}, "03 00"},
        ValueCase{"UnknownTagOf128Bytes",
                  0x49,
                  0,
                  Bytes(std::string(128, '\xAA')),
                  {},
                  "49 81 80" + Repeated(" AA", 128)},
        // What arrived but does not fit its type is kept whole as it arrived.
        ValueCase{"UnfitElementIsItsBytes",
                  ASN_UNFIT_ELEMENT,
                  0,
                  {0x02, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00},
                  {},
                  "02 05 01 00 00 00 00"},
        // No SMI type is a SEQUENCE: its bytes are kept as those of a tag that none has.
        ValueCase{"SequenceIsItsElement", ASN_SEQUENCE, 0, {'a', 0}, {}, "30 02 61 00"},
        ValueCase{"EmptySequenceIsItsElement", ASN_SEQUENCE, 0, {}, {}, "30 00"},
        ValueCase{"NullIsNothing", ASN_NULL, 0, {}, {}, std::nullopt}),
    RowName{});

struct StatusCase {
    AsnInteger status;
    const char* name;
};
void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << "status " << c.status;
}

class ErrorStatusNames : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ErrorStatusNames, NamesTheStatusInAMallocBlockOf64Bytes) {
    char* name = reinterpret_cast<char*>(1);
    CManagerDlg::ErrorStatusName(GetParam().status, &name);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, GetParam().name);
    name[63] = '\0'; // the whole 64-byte block is the caller's
    std::free(name);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ErrorStatusNames,
    ::testing::Values(
        StatusCase{0, "SNMP_ERRORSTATUS_NOERROR"}, StatusCase{1, "SNMP_ERRORSTATUS_TOOBIG"},
        StatusCase{2, "SNMP_ERRORSTATUS_NOSUCHNAME"}, StatusCase{4, "SNMP_ERRORSTATUS_READONLY"},
        StatusCase{5, "SNMP_ERRORSTATUS_GENERR"}, StatusCase{6, "SNMP_ERRORSTATUS_NOACCESS"},
        StatusCase{13, "SNMP_ERRORSTATUS_RESOURCEUNAVAILABLE"},
        StatusCase{17, "SNMP_ERRORSTATUS_NOTWRITABLE"},
        StatusCase{18, "SNMP_ERRORSTATUS_INCONSISTENTNAME"}, StatusCase{19, "Unknown Error"},
        StatusCase{-1, "Unknown Error"}, StatusCase{INT32_MIN, "Unknown Error"},
        StatusCase{static_cast<AsnInteger>(0xFFFFFFFFu), "Unknown Error"}));

} // namespace
