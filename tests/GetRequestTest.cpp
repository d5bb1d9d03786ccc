// Get, driven through the dialog against scripted agents: what the operator sees for every
// kind of answer, and that each path releases what it made.
#include "support/DialogDriver.h"
#include "support/ScriptedAgent.h"

#include "snmpapi/SnmpTesting.h"
#include "ui/ComboBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

using namespace scripted;

namespace {

const char* kSysName = ".1.3.6.1.2.1.1.5.0";

// An agent that answers every Get with one fixed binding and status.
ScriptedAgent::Script Answer(Value value, std::int64_t status = 0, std::int64_t index = 0) {
    return [=](const Request& request) {
        Reply reply;
        reply.errorStatus = status;
        reply.errorIndex = index;
        reply.bindings = {{request.bindings.at(0).name, value}};
        return reply;
    };
}

struct ShownCase {
    const char* name;
    Value value;
    const char* text; // the Value box afterwards
    const char* type; // the type selected afterwards ("" for none)
};
void PrintTo(const ShownCase& c, std::ostream* os) {
    *os << c.name;
}

class GetShows : public ::testing::TestWithParam<ShownCase> {};

TEST_P(GetShows, TheValueTextAndSelectsItsType) {
    ScriptedAgent agent(Answer(GetParam().value));
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    d.Open(agent.Address());
    d.SetText(IDC_VALUE, "old");
    d.SetText(IDC_OID, kSysName);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_GET);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(d.Text(IDC_VALUE), GetParam().text);
    EXPECT_EQ(d.TypeText(), GetParam().type);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
    ASSERT_EQ(agent.Received().size(), 1u);
    EXPECT_EQ(agent.Received()[0].pduType, 0xA0);
    EXPECT_EQ(agent.Received()[0].community, "walnut");
    EXPECT_EQ(agent.Received()[0].version, 0); // SNMPv1
    EXPECT_EQ(agent.Received()[0].bindings.at(0).value.tag, 0x05);
}

INSTANTIATE_TEST_SUITE_P(
    Types, GetShows,
    ::testing::Values(
        ShownCase{"Integer", Integer(-42), "-42", "int32"},
        ShownCase{"Counter32", Unsigned(0x41, 4294967295u), "4294967295", "Count32"},
        ShownCase{"Gauge32", Unsigned(0x42, 7), "7", "Gauge32"},
        ShownCase{"TimeTicks", Unsigned(0x43, 8640000), "8640000", "Ticks"},
        ShownCase{"OctetString", Octets(0x04, "agent one"), "agent one", "Octet"},
        ShownCase{"IpAddress", Octets(0x40, "\xC0\xA8\x01\xC8"), "192.168.1.200", "IpAddr"},
        ShownCase{"Opaque", Octets(0x44, std::string("hi\0", 3)), "hi", "Opaque"},
        ShownCase{"ObjectIdentifier", ObjectId({1, 3, 6, 1, 4, 1, 15}), "1.3.6.1.4.1.15", "Oid"},
        ShownCase{"NullEmptiesTheBox", Null(), "", "Null"},
        // Opaque values arrive with their bytes as sent, whatever they begin with.
        ShownCase{"OpaqueWithAFloatInside", Value{0x44, {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00}},
                  "\x9F\x78\x04\x3F\x80", "Opaque"},
        ShownCase{"OpaqueWithAShortWrapper", Value{0x44, {0x9F, 0x78, 0x09, 0x01}}, "\x9F\x78\x09",
                  "Opaque"},
        ShownCase{"IpAddressOfThreeBytes", Value{0x40, {10, 0, 1}}, "10.0.1", "IpAddr"},
        // Without the zero byte in front, the first bit is no sign: the numbers the bytes
        // carry, never 4294967168 and the like.
        ShownCase{"Counter32WithItsTopBitSet", Value{0x41, {0x80}}, "128", "Count32"},
        ShownCase{"Gauge32WithItsTopBitSet", Value{0x42, {0x80, 0x00}}, "32768", "Gauge32"},
        ShownCase{"TimeTicksWithItsTopBitSet", Value{0x43, {0xC3, 0x50}}, "50000", "Ticks"}),
    [](const auto& info) { return std::string(info.param.name); });

// Values of a type that the type list lacks, down to tags that no standard gives: no text,
// the type selection as it was, and at once (a single request, no time-out).
struct UnlistedCase {
    const char* name;
    Value value;
};
void PrintTo(const UnlistedCase& c, std::ostream* os) {
    *os << c.name;
}

class GetOfAnUnlistedType : public ::testing::TestWithParam<UnlistedCase> {};

TEST_P(GetOfAnUnlistedType, ShowsNothingAndKeepsTheTypeSelection) {
    ScriptedAgent agent(Answer(GetParam().value));
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    d.Open(agent.Address());
    d.dlg().ComboBox(IDC_TYPE)->SetCurSel(4);
    d.SetText(IDC_VALUE, "old");
    d.SetText(IDC_OID, kSysName);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_GET);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(d.Text(IDC_VALUE), "");
    EXPECT_EQ(d.TypeText(), "Octet");
    EXPECT_EQ(agent.RequestCount(), 1u);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

INSTANTIATE_TEST_SUITE_P(Types, GetOfAnUnlistedType,
                         ::testing::Values(UnlistedCase{"Counter64", Value{0x46, {0x01, 0x00}}},
                                           UnlistedCase{"UnknownTag49", Value{0x49, {0x01}}},
                                           UnlistedCase{"UnknownConstructedTag",
                                                        Value{0xA9, {0x05, 0x00}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The failures of a Get: (agent script, the box's text); every one keeps the Value box
// and the type list and releases what it made.
struct FailureCase {
    const char* name;
    ScriptedAgent::Script script;
    bool open; // whether a session is open
    const char* oid;
    const char* box;
    const char* caption;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class GetFails : public ::testing::TestWithParam<FailureCase> {};

TEST_P(GetFails, WithOneBoxAndNothingChanged) {
    ScriptedAgent agent(GetParam().script);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    if (GetParam().open)
        d.Open(agent.Address());
    d.SetText(IDC_VALUE, "kept");
    d.dlg().ComboBox(IDC_TYPE)->SetCurSel(2);
    d.SetText(IDC_OID, GetParam().oid);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_GET);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetParam().box);
    EXPECT_EQ(boxes[0].caption, GetParam().caption);
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_EQ(d.Text(IDC_VALUE), "kept");
    EXPECT_EQ(d.TypeText(), "Gauge32");
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GetFails,
    ::testing::Values(
        FailureCase{"InvalidOid", Answer(Integer(1)), true, "1.3.x", "Invalid Oid", "Error"},
        FailureCase{"EmptyOid", Answer(Integer(1)), true, "", "Invalid Oid", "Error"},
        FailureCase{"NoSuchName", Answer(Null(), 2, 1), true, kSysName,
                    "ErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1", "Snmp Error"},
        FailureCase{"GenErrWithIndexZero", Answer(Null(), 5, 0), true, kSysName,
                    "ErrorStatus: SNMP_ERRORSTATUS_GENERR  ErrorIndex: 0", "Snmp Error"},
        FailureCase{"StatusOutsideTheTable", Answer(Null(), 99, -3), true, kSysName,
                    "ErrorStatus: Unknown Error  ErrorIndex: -3", "Snmp Error"},
        // A negative status is the agent's error, never a value shown as read.
        FailureCase{"StatusMinusOne", Answer(Integer(1), -1, 0), true, kSysName,
                    "ErrorStatus: Unknown Error  ErrorIndex: 0", "Snmp Error"},
        FailureCase{"StatusOfTheSmallestInteger", Answer(Integer(1), -2147483648LL, 1), true,
                    kSysName, "ErrorStatus: Unknown Error  ErrorIndex: 1", "Snmp Error"},
        FailureCase{"NoSessionOpen", Answer(Integer(1)), false, kSysName,
                    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0",
                    "Snmp Error"},
        FailureCase{"AnswerWithoutBindings", [](const Request&) { return Reply{}; }, true, kSysName,
                    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0",
                    "Snmp Error"},
        // The agent's error, even without the bindings RFC 1157 wants echoed.
        FailureCase{"NoSuchNameWithoutBindings", [](const Request&) { return StatusOnly(2, 1); },
                    true, kSysName, "ErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1",
                    "Snmp Error"},
        // Statuses that are no signed 32-bit number: neither a value shown as a success
        // (2^31 wrapped to a negative number) nor noSuchName (2^32 + 2 wrapped to 2).
        FailureCase{"Status2To31", Answer(Integer(1), 2147483648LL, 0), true, kSysName,
                    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0",
                    "Snmp Error"},
        FailureCase{"Status2To32Plus2", Answer(Null(), 4294967298LL, 1), true, kSysName,
                    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0",
                    "Snmp Error"}),
    [](const auto& info) { return std::string(info.param.name); });

// A Get that no answer ends: the failed-call report, and how many requests went out.
struct NoAnswerCase {
    const char* name;
    bool closeFirst; // Close before the Get: the closed session is never used
    size_t requests;
    const char* oid = kSysName;
};
void PrintTo(const NoAnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class GetWithoutAnswer : public ::testing::TestWithParam<NoAnswerCase> {};

TEST_P(GetWithoutAnswer, IsAFailedCall) {
    ScriptedAgent agent([](const Request&) { return Silence(); });
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    d.Open(agent.Address());
    if (GetParam().closeFirst) {
        d.Click(IDC_CLOSE);
        EXPECT_EQ(d.dlg().Session(), nullptr);
    }
    d.SetText(IDC_OID, GetParam().oid);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_GET);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0");
    EXPECT_EQ(agent.RequestCount(), GetParam().requests);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GetWithoutAnswer,
    ::testing::Values(NoAnswerCase{"SilentAgentAfterTheTimeOutAndRetries", false, 4},
                      NoAnswerCase{"AfterCloseNothingIsSent", true, 0},
                      // BER cannot carry them: never sent as another object
                      NoAnswerCase{"OneFortyIsNeverSent", false, 0, ".1.40"},
                      NoAnswerCase{"OneSubIdentifierIsNeverSent", false, 0, ".1"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
