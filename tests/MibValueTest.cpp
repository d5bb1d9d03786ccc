// Values as the MIB modules describe them: the built-in definitions of the objects every
// agent serves on a machine without their modules, and values of every textual convention
// and hint form of the test modules (RFC 2579's examples among them) beside net-snmp's own
// snprint_value with the same modules.
#include "snmpapi/MibNames.h"
#include "testing/SnmpTesting.h"
#include "values/MibValues.h"

#include "support/Identifiers.h"
#include "support/RowName.h"
#include "support/TestModules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using rows::PrintTo;

// A binding over its own name and value bytes.
struct Made {
    Ids name;
    BYTE type;
    std::int64_t number = 0;
    std::vector<BYTE> bytes = {};
    Ids ids = {}; // an OBJECT IDENTIFIER value

    SnmpVarBind Binding() {
        SnmpVarBind vb{};
        vb.name = {static_cast<UINT>(name.size()), name.data()};
        vb.value.asnType = type;
        if (type == ASN_OBJECTIDENTIFIER)
            vb.value.asnValue.object = {static_cast<UINT>(ids.size()), ids.data()};
        else if (type == ASN_INTEGER)
            vb.value.asnValue.number = static_cast<AsnInteger>(number);
        else if (type == ASN_COUNTER32 || type == ASN_GAUGE32 || type == ASN_TIMETICKS ||
                 type == ASN_UINTEGER32)
            vb.value.asnValue.unsigned32 = static_cast<UINT>(number);
        else
            vb.value.asnValue.string = {bytes.data(), static_cast<UINT>(bytes.size()), FALSE};
        return vb;
    }
};

std::vector<BYTE> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

Ids Mib2(Ids rest) {
    Ids ids = {1, 3, 6, 1, 2, 1};
    ids.insert(ids.end(), rest.begin(), rest.end());
    return ids;
}

struct BuiltInCase {
    const char* name;
    Made made;
    const char* text;
};

class BuiltInValues : public ::testing::TestWithParam<BuiltInCase> {
protected:
    void SetUp() override { SnmpMgrMibModulesStopForTesting(); } // the built-in names alone
};

TEST_P(BuiltInValues, ReadAsSnmpwalkPrintsThemWithTheModules) {
    BuiltInCase c = GetParam();
    const SnmpVarBind vb = c.made.Binding();
    EXPECT_EQ(values::DescribedValue(mibnames::BuiltIn(), vb.name, vb.value), c.text);
}

const Ids kLinkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};

INSTANTIATE_TEST_SUITE_P(
    FreshMachine, BuiltInValues,
    ::testing::Values(
        BuiltInCase{"OperStatusLabel", {Mib2({2, 2, 1, 8, 1}), ASN_INTEGER, 1}, "up(1)"},
        BuiltInCase{"OperStatusWithoutLabel", {Mib2({2, 2, 1, 8, 1}), ASN_INTEGER, 9}, "9"},
        BuiltInCase{"AdminStatus", {Mib2({2, 2, 1, 7, 3}), ASN_INTEGER, 2}, "down(2)"},
        BuiltInCase{"InterfaceType", {Mib2({2, 2, 1, 3, 1}), ASN_INTEGER, 6}, "ethernetCsmacd(6)"},
        BuiltInCase{"PhysAddress",
                    {Mib2({2, 2, 1, 6, 2}), ASN_OCTETSTRING, 0, {0, 0x12, 0x79, 0x62, 0xF9, 0x40}},
                    "0:12:79:62:f9:40"},
        BuiltInCase{"DisplayStringWithoutQuotes",
                    {Mib2({1, 1, 0}), ASN_OCTETSTRING, 0, Text("Linux \"box\"")},
                    "Linux \"box\""},
        BuiltInCase{"HighCapacityCounter",
                    {Mib2({31, 1, 1, 1, 6, 1}), ASN_COUNTER64, 0, {0, 0, 0, 1, 0, 0, 0, 0}},
                    "4294967296"},
        BuiltInCase{"TruthValue", {Mib2({31, 1, 1, 1, 16, 1}), ASN_INTEGER, 2}, "false(2)"},
        BuiltInCase{"InterfaceAlias",
                    {Mib2({31, 1, 1, 1, 18, 1}), ASN_OCTETSTRING, 0, Text("uplink")},
                    "uplink"},
        BuiltInCase{
            "MemorySizeInKBytes", {Mib2({25, 2, 2, 0}), ASN_INTEGER, 24683772}, "24683772 KBytes"},
        BuiltInCase{
            "AllocationUnitsInBytes", {Mib2({25, 2, 3, 1, 4, 1}), ASN_INTEGER, 4096}, "4096 Bytes"},
        BuiltInCase{
            "SystemDate",
            {Mib2({25, 1, 2, 0}), ASN_OCTETSTRING, 0, {0x07, 0xEA, 12, 9, 2, 6, 8, 0, '+', 0, 0}},
            "2026-12-9,2:6:8.0,+0:0"},
        BuiltInCase{"StorageTypeByName",
                    {Mib2({25, 2, 3, 1, 2, 1}), ASN_OBJECTIDENTIFIER, 0, {}, Mib2({25, 2, 1, 2})},
                    "HOST-RESOURCES-TYPES-MIB::hrStorageRam"},
        BuiltInCase{"ProcessorFirmwareOfNoIdentifier",
                    {Mib2({25, 3, 3, 1, 1, 196608}), ASN_OBJECTIDENTIFIER, 0, {}, {0, 0}},
                    "SNMPv2-SMI::zeroDotZero"},
        BuiltInCase{"ProcessorLoad", {Mib2({25, 3, 3, 1, 2, 196608}), ASN_INTEGER, 7}, "7"},
        BuiltInCase{"DeviceStatus", {Mib2({25, 3, 2, 1, 5, 196608}), ASN_INTEGER, 2}, "running(2)"},
        BuiltInCase{"UpTime", {Mib2({1, 3, 0}), ASN_TIMETICKS, 12345}, "(12345) 0:02:03.45"},
        BuiltInCase{"UpTimeOfDays",
                    {Mib2({1, 3, 0}), ASN_TIMETICKS, 25920001},
                    "(25920001) 3 days, 0:00:00.01"},
        BuiltInCase{"UpTimeOfOneDay",
                    {Mib2({1, 3, 0}), ASN_TIMETICKS, 8640000},
                    "(8640000) 1 day, 0:00:00.00"},
        BuiltInCase{"TrapIdentifierByName",
                    {{1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}, ASN_OBJECTIDENTIFIER, 0, {}, kLinkDown},
                    "IF-MIB::linkDown"},
        BuiltInCase{"ColdStartByName",
                    {{1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0},
                     ASN_OBJECTIDENTIFIER,
                     0,
                     {},
                     {1, 3, 6, 1, 6, 3, 1, 1, 5, 1}},
                    "SNMPv2-MIB::coldStart"},
        // An identifier below the names: the last name and its module, the rest as numbers.
        BuiltInCase{
            "IdentifierBelowTheNames",
            {Mib2({1, 2, 0}), ASN_OBJECTIDENTIFIER, 0, {}, {1, 3, 6, 1, 4, 1, 8072, 3, 2, 10}},
            "SNMPv2-SMI::enterprises.8072.3.2.10"},
        // A row's identifier with its INDEX read as the index's object says.
        BuiltInCase{"IdentifierOfARow",
                    {Mib2({1, 2, 0}), ASN_OBJECTIDENTIFIER, 0, {}, Mib2({2, 2, 1, 1, 3})},
                    "IF-MIB::ifIndex.3"},
        BuiltInCase{"AddressStatus",
                    {Mib2({4, 34, 1, 7, 1, 4, 127, 0, 0, 1}), ASN_INTEGER, 1},
                    "preferred(1)"},
        BuiltInCase{"Counter", {Mib2({11, 1, 0}), ASN_COUNTER32, 4294967295u}, "4294967295"},
        // Objects no definition describes: snmpwalk's own forms.
        BuiltInCase{"UnknownText",
                    {{1, 3, 6, 1, 4, 1, 99, 1}, ASN_OCTETSTRING, 0, Text("a\"b")},
                    "\"a\\\"b\""},
        BuiltInCase{
            "UnknownBytes", {{1, 3, 6, 1, 4, 1, 99, 1}, ASN_OCTETSTRING, 0, {0, 0xC3}}, "00 C3 "},
        BuiltInCase{"UnknownEmptyString", {{1, 3, 6, 1, 4, 1, 99, 1}, ASN_OCTETSTRING}, "\"\""},
        BuiltInCase{"UnknownInteger", {{1, 3, 6, 1, 4, 1, 99, 1}, ASN_INTEGER, -7}, "-7"},
        BuiltInCase{"UnknownAddress",
                    {{1, 3, 6, 1, 4, 1, 99, 1}, ASN_IPADDRESS, 0, {10, 0, 0, 255}},
                    "10.0.0.255"},
        BuiltInCase{"OtherTypeThanTheObjects",
                    {Mib2({2, 2, 1, 8, 1}), ASN_GAUGE32, 1},
                    "Wrong Type (should be INTEGER): Gauge32: 1"},
        BuiltInCase{"NoSuchInstance",
                    {Mib2({2, 2, 1, 8, 9}), SNMP_EXCEPTION_NOSUCHINSTANCE},
                    "No Such Instance currently exists at this OID"},
        // What snmpwalk cannot show keeps its bytes, as in the as-sent form.
        BuiltInCase{"Sequence", {Mib2({2, 2, 1, 8, 1}), ASN_SEQUENCE, 0, {'a', 0}}, "30 02 61 00"},
        BuiltInCase{"UnknownTag", {Mib2({2, 2, 1, 8, 1}), 0x49, 0, {1, 2}}, "49 02 01 02"},
        BuiltInCase{"UnfitElement",
                    {Mib2({2, 2, 1, 8, 1}), ASN_UNFIT_ELEMENT, 0, {0x05, 0x01, 0x00}},
                    "05 01 00"}),
    RowName{});

TEST(DescribeValue, GivesAUtilityBlockFromAnyThreadWhileTablesArePublished) {
    SnmpMgrMibModulesStopForTesting();
    Made made{Mib2({2, 2, 1, 8, 1}), ASN_INTEGER, 2};
    const SnmpVarBind vb = made.Binding();
    const std::int64_t before = SnmpUtilLiveBlocks();
    std::atomic<bool> stop{false};
    std::thread publisher([&stop] {
        while (!stop)
            mibnames::Publish(mibnames::TableBuilder().Finish());
    });
    std::vector<std::thread> readers;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 2; ++t) {
        readers.emplace_back([&vb, &wrong] {
            for (int i = 0; i < 2000; ++i) {
                char* text = values::DescribeValue(&vb);
                if (!text || std::strcmp(text, "down(2)") != 0)
                    ++wrong;
                SnmpUtilMemFree(text);
            }
        });
    }
    for (std::thread& reader : readers)
        reader.join();
    stop = true;
    publisher.join();
    mibnames::Publish(nullptr);
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// --- Beside net-snmp, with the test modules -------------------------------------------------

Ids Scalar(UINT object) {
    return TestValuesOid({1, object, 0});
}

// A value of every textual convention and hint form of OKAPEL-TEST-TC-MIB, every base type,
// RFC 2579's own examples (DateAndTime's "1992-5-26,13:30:15.0,-4:0", "d-2"'s 12.34), and
// the odd cases of net-snmp's printing (a hint's last part serving the rest, a
// width past the string's end, negative numbers with decimal places, BITS without a label).
std::vector<Made> MadeValues() {
    const Ids row = TestValuesOid({2});
    return {
        {Scalar(1), ASN_INTEGER, 7},
        {Scalar(1), ASN_INTEGER, -5},
        {Scalar(2), ASN_GAUGE32, 5},
        {Scalar(3), ASN_COUNTER32, 99},
        {Scalar(4), ASN_GAUGE32, 24683772},
        {Scalar(5), ASN_TIMETICKS, 12345},
        {Scalar(5), ASN_TIMETICKS, 25920001},
        {Scalar(6), ASN_COUNTER64, 0, {0, 0, 0, 1, 0, 0, 0, 0}},
        {Scalar(7), ASN_IPADDRESS, 0, {10, 0, 0, 1}},
        {Scalar(8), ASN_OPAQUE, 0, {0x9F, 0x78, 0x04, 0x3F, 0xC0, 0, 0}},
        {Scalar(8),
         ASN_OPAQUE,
         0,
         {0x9F, 0x79, 0x08, 0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18}},
        {Scalar(8), ASN_OPAQUE, 0, {0x9F, 0x7A, 0x01, 0xFF}},
        {Scalar(8), ASN_OPAQUE, 0, {0x9F, 0x7B, 0x02, 0x01, 0x00}},
        {Scalar(8), ASN_OPAQUE, 0, {1, 2, 3}},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({1, 3})},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({2, 1, 1, 2, 7})},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({2, 2, 1, 3, 2, 3, 'a', 'b', 'c'})},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({2, 2, 1, 3, 7, 0})},
        {Scalar(9),
         ASN_OBJECTIDENTIFIER,
         0,
         {},
         TestValuesOid({2, 3, 1, 3, 0, 0x12, 0x79, 0x62, 0xF9, 0x40, 'x', 'y'})},
        {Scalar(9),
         ASN_OBJECTIDENTIFIER,
         0,
         {},
         TestValuesOid({2, 4, 1, 3, 3, 1, 3, 6, 10, 0, 0, 1})},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({2, 4, 1, 3, 9, 1})},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({2, 5, 1, 1, 9})},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({3, 0, 1})},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, {1, 3, 6, 1, 4, 1, 99981, 77, 5}},
        {Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, {1, 3, 6, 1, 4, 1, 8072, 3, 2, 10}},
        {Scalar(10), ASN_OCTETSTRING, 0, Text("hi\"\\")},
        {Scalar(10), ASN_OCTETSTRING},
        {Scalar(10), ASN_OCTETSTRING, 0, {0, 1, 2}},
        {Scalar(10), ASN_OCTETSTRING, 0, std::vector<BYTE>(20, 0xAB)},
        {Scalar(11), ASN_INTEGER, 2},
        {Scalar(11), ASN_INTEGER, 9},
        {Scalar(11), ASN_GAUGE32, 2},
        {Scalar(12), ASN_OCTETSTRING, 0, Text("ab")},
        {Scalar(12), ASN_INTEGER, 5},
        {Scalar(13), ASN_OCTETSTRING, 0, {'Z', 0xC3, 0xBC, 'r'}},
        {Scalar(14), ASN_OCTETSTRING, 0, {0, 0x12, 0x79, 0x62, 0xF9, 0x40}},
        {Scalar(15), ASN_OCTETSTRING, 0, {0x07, 0xEA, 12, 9, 13, 42, 7, 0, '+', 1, 0}},
        {Scalar(15), ASN_OCTETSTRING, 0, {0x07, 0xC8, 5, 26, 13, 30, 15, 0, '-', 4, 0}},
        {Scalar(15), ASN_OCTETSTRING, 0, {0x07, 0xEA, 12, 9, 2, 6, 8, 0}},
        {Scalar(16), ASN_OCTETSTRING, 0, {192, 168, 1, 2}},
        {Scalar(17), ASN_OCTETSTRING, 0, {2, 0xAA, 0xBB, 1, 2, 3}},
        {Scalar(17), ASN_OCTETSTRING, 0, {0}},
        {Scalar(18), ASN_OCTETSTRING, 0, {0x12, 0x34, 0, 0, 0, 5, 0, 0, 1, 0}},
        {Scalar(18), ASN_OCTETSTRING, 0, {0x12}},
        {Scalar(19), ASN_OCTETSTRING, 0, {8, 9, 255}},
        {Scalar(20), ASN_OCTETSTRING, 0, {'a', 'b', 'c', 1, 2, 0xFF}},
        {Scalar(21), ASN_INTEGER, 1234},
        {Scalar(21), ASN_INTEGER, 5},
        {Scalar(21), ASN_INTEGER, -5},
        {Scalar(21), ASN_INTEGER, -1234},
        {Scalar(21), ASN_INTEGER, 0},
        {Scalar(22), ASN_INTEGER, 255},
        {Scalar(22), ASN_INTEGER, -1},
        {Scalar(23), ASN_GAUGE32, 8},
        {Scalar(23), ASN_GAUGE32, 4000000000u},
        {Scalar(24), ASN_INTEGER, 5},
        {Scalar(24), ASN_INTEGER, -1},
        {Scalar(25), ASN_INTEGER, 42},
        {Scalar(26), ASN_INTEGER, 1},
        {Scalar(27), ASN_INTEGER, -1},
        {Scalar(27), ASN_INTEGER, 5},
        {Scalar(28), ASN_OCTETSTRING, 0, {0xC1, 0x81}},
        {Scalar(28), ASN_OCTETSTRING, 0, {0xA1, 0x01}},
        {Scalar(28), ASN_OCTETSTRING, 0, {0x21, 0x80}},
        {Scalar(29), ASN_GAUGE32, 3},
        {Scalar(30), ASN_INTEGER, 3}, // no such object: the scalars' group says nothing
        {TestValuesOid({2, 1, 1, 2, 7}), ASN_OCTETSTRING, 0, Text("row seven")},
        {TestValuesOid({2, 2, 1, 3, 2, 3, 'a', 'b', 'c'}), ASN_INTEGER, 12},
        {TestValuesOid({2, 5, 1, 1, 7}), ASN_INTEGER, 2},
        {{1, 3, 6, 1, 4, 1, 2021, 10, 1, 6, 1},
         ASN_OPAQUE,
         0,
         {0x9F, 0x78, 0x04, 0x3F, 0x80, 0, 0}},
        {{1, 3, 6, 1, 4, 1, 2021, 4, 5, 0}, ASN_INTEGER, 8039592},
        {{1, 3, 6, 1, 4, 1, 2021, 9, 1, 100, 1}, ASN_INTEGER, 1},
        {{1, 3, 6, 1, 4, 1, 99, 1}, ASN_OCTETSTRING, 0, Text("q")},
        {Scalar(2), ASN_UINTEGER32, 5},
        {{1, 3, 6, 1, 4, 1, 99, 1}, ASN_UINTEGER32, 4294967295u},
        {Scalar(10), 0x45, 0, {1, 2}},
        {Scalar(28), ASN_BITS, 0, {0x80}},
        {Scalar(1), ASN_NULL},
        {Scalar(1), SNMP_EXCEPTION_NOSUCHOBJECT},
        {Scalar(1), SNMP_EXCEPTION_ENDOFMIBVIEW},
        {Scalar(6), ASN_COUNTER64, 0, std::vector<BYTE>(8, 0xFF)},
    };
}

class ModuleValues : public ::testing::Test {
protected:
    CTestModules m_modules;
};

TEST_F(ModuleValues, ReadAsNetSnmpPrintsThem) {
    ASSERT_TRUE(m_modules.Loaded());
    CMibParserForTesting parser;
    std::vector<Made> made = MadeValues();
    std::vector<SnmpVarBind> bindings;
    std::vector<const SnmpVarBind*> list;
    for (Made& m : made)
        bindings.push_back(m.Binding());
    for (const SnmpVarBind& vb : bindings)
        list.push_back(&vb);
    const MibCrossCheckCounts counts = CrossCheckValues(parser, list);
    for (const std::string& disagreement : counts.disagreements)
        ADD_FAILURE() << disagreement;
    EXPECT_EQ(counts.compared, static_cast<int>(made.size()))
        << ::testing::PrintToString(counts.notComparedWhere);
    RecordProperty("compared", counts.compared);

    // A few by their texts, as the issue and RFC 2579 give them.
    const auto names = mibnames::Current();
    struct Named {
        Made made;
        const char* text;
    } named[] = {
        {{Scalar(15), ASN_OCTETSTRING, 0, {0x07, 0xC8, 5, 26, 13, 30, 15, 0, '-', 4, 0}},
         "1992-5-26,13:30:15.0,-4:0"},
        {{Scalar(21), ASN_INTEGER, 1234}, "12.34 degrees"},
        {{Scalar(27), ASN_INTEGER, -1}, "below(-1)"},
        {{Scalar(28), ASN_OCTETSTRING, 0, {0xC1, 0x81}},
         "C1 81 zero(0) one(1) seven(7) eight(8) fifteen(15) "},
        {{Scalar(9), ASN_OBJECTIDENTIFIER, 0, {}, TestValuesOid({2, 2, 1, 3, 2, 3, 'a', 'b', 'c'})},
         "OKAPEL-TEST-VALUES-MIB::tvNameValue.high.\"abc\""},
        {{{1, 3, 6, 1, 4, 1, 2021, 4, 5, 0}, ASN_INTEGER, 8039592}, "8039592 kB"},
    };
    for (Named& n : named) {
        const SnmpVarBind vb = n.made.Binding();
        EXPECT_EQ(values::DescribedValue(*names, vb.name, vb.value), n.text);
    }
}

// What the modules say of a node is what snmptranslate -Td says, for every node that the
// test modules and net-snmp's modules define.
TEST_F(ModuleValues, DefinitionsReadAsSnmptranslatePrintsThem) {
    ASSERT_TRUE(m_modules.Loaded());
    CMibParserForTesting parser;
    const MibCrossCheckCounts counts = CrossCheckDefinitions(parser);
    for (const std::string& disagreement : counts.disagreements)
        ADD_FAILURE() << disagreement;
    EXPECT_GT(counts.compared, 500);
    RecordProperty("compared", counts.compared);
}

} // namespace
