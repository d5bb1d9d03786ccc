// Value text: FormatValue over every type and its boundaries, and ErrorStatusName.
#include "snmpapi/SnmpTesting.h"
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
        ValueCase{"OctetStringStopsAtZero", ASN_OCTETSTRING, 0, {'a', 'b', 0, 'c', 'd'}, {}, "ab"},
        ValueCase{"OctetStringBytesUnchanged",
                  ASN_OCTETSTRING,
                  0,
                  {0x01, 0x41, 0xFF},
                  {},
                  "\x01\x41\xFF"},
        ValueCase{"OpaqueDropsItsLastByte", ASN_OPAQUE, 0, {'a', 'b', 'c'}, {}, "ab"},
        ValueCase{"OpaqueSetFromText", ASN_OPAQUE, 0, {'h', 'i', 0}, {}, "hi"},
        ValueCase{"OpaqueOfOneByteIsEmpty", ASN_OPAQUE, 0, {'x'}, {}, ""},
        ValueCase{"OpaqueOfNoBytesIsNothing", ASN_OPAQUE, 0, {}, {}, std::nullopt},
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
        ValueCase{"OpaqueWithAFloatInside",
                  ASN_OPAQUE,
                  0,
                  {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00},
                  {},
                  "\x9F\x78\x04\x3F\x80"},
        ValueCase{"UnknownTagIsNothing", 0x49, 0, {1, 2}, {}, std::nullopt},
        ValueCase{"SequenceIsNothing", ASN_SEQUENCE, 0, {'a', 0}, {}, std::nullopt},
        ValueCase{"NullIsNothing", ASN_NULL, 0, {}, {}, std::nullopt},
        ValueCase{"BitsCodeIsNothing", ASN_BITS, 0, {}, {}, std::nullopt},
        ValueCase{
            "Counter64IsNothing", ASN_COUNTER64, 0, {0, 0, 0, 0, 0, 0, 0, 1}, {}, std::nullopt}),
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
