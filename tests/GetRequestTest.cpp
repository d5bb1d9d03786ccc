// Get, driven through the dialog against scripted agents: what the operator sees for every
// kind of answer, and that each path releases what it made.
#include "support/DialogDriver.h"
#include "support/RowName.h"
#include "support/ScriptedAgent.h"

#include "testing/SnmpTesting.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QLineEdit>

using namespace scripted;

namespace {

using rows::PrintTo;

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

class GetShows : public ::testing::TestWithParam<ShownCase> {};

TEST_P(GetShows, TheValueTextAndSelectsItsType) {
    ScriptedAgent agent(Answer(GetParam().value));
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    d.SetText(IDC_VALUE, "old");
    d.SetText(IDC_OID, kSysName);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_GET);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(d.Text(IDC_VALUE), GetParam().text);
    // What the operator reads: text as its characters (UTF-8), not as its bytes.
    EXPECT_EQ(qobject_cast<QLineEdit*>(d.dlg().GetDlgItem(IDC_VALUE))->text(),
              QString::fromUtf8(GetParam().text));
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
        // The number that an Opaque wraps, and the bytes of one that wraps nothing known.
        ShownCase{"OpaqueWithAFloatInside", Value{0x44, {0x9F, 0x78, 0x04, 0x3E, 0xEB, 0x85, 0x1F}},
                  "0.46", "Opaque"},
        ShownCase{"OpaqueWithAShortWrapper", Value{0x44, {0x9F, 0x78, 0x09, 0x01}}, "9F 78 09 01",
                  "Opaque"},
        // Text as it is, and bytes that are no text in hex, a zero byte in front included.
        ShownCase{"Utf8Text", Octets(0x04, "Z\xC3\xBCrich"), "Z\xC3\xBCrich", "Octet"},
        ShownCase{"MacAddressBeginningWithAZeroByte",
                  Octets(0x04, std::string("\x00\x12\x79\x62\xF9\x40", 6)), "00 12 79 62 F9 40",
                  "Octet"},
        ShownCase{"IpAddressOfThreeBytes", Value{0x40, {10, 0, 1}}, "10.0.1", "IpAddr"},
        // Without the zero byte in front, the first bit is no sign: the numbers the bytes
        // carry, never 4294967168 and the like.
        ShownCase{"Counter32WithItsTopBitSet", Value{0x41, {0x80}}, "128", "Count32"},
        ShownCase{"Gauge32WithItsTopBitSet", Value{0x42, {0x80, 0x00}}, "32768", "Gauge32"},
        ShownCase{"TimeTicksWithItsTopBitSet", Value{0x43, {0xC3, 0x50}}, "50000", "Ticks"}),
    RowName{});

// Values of a type that the type list lacks, down to tags that no standard gives and
// elements that do not fit their type: their text, no type selected (never the type shown
// before), and at once (a single request, no time-out).
struct UnlistedCase {
    const char* name;
    Value value;
    const char* text;
};

class GetOfAnUnlistedType : public ::testing::TestWithParam<UnlistedCase> {};

TEST_P(GetOfAnUnlistedType, ShowsItsTextAndNoType) {
    ScriptedAgent agent(Answer(GetParam().value));
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    d.ChooseType("Octet");
    d.SetText(IDC_VALUE, "old");
    d.SetText(IDC_OID, kSysName);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_GET);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(d.Text(IDC_VALUE), GetParam().text);
    EXPECT_EQ(d.TypeText(), "");
    EXPECT_EQ(agent.RequestCount(), 1u);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

INSTANTIATE_TEST_SUITE_P(
    Types, GetOfAnUnlistedType,
    ::testing::Values(
        UnlistedCase{"Counter64", Value{0x46, {0x01, 0x00}}, "256"},
        UnlistedCase{"Counter64WithItsTopBitSet", Value{0x46, {0x80}}, "128"},
        UnlistedCase{"Counter64Largest",
                     Value{0x46, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                     "18446744073709551615"},
        UnlistedCase{"UInteger32", Value{0x47, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}}, "4294967295"},
        UnlistedCase{"UnknownTag49", Value{0x49, {0x01}}, "49 01 01"},
        UnlistedCase{"UnknownConstructedTag", Value{0xA9, {0x05, 0x00}}, "A9 02 05 00"},
        UnlistedCase{"NullWithContents", Value{0x05, {0x00}}, "05 01 00"},
        UnlistedCase{"IntegerBeyond32Bits", Value{0x02, {0x01, 0, 0, 0, 0}},
                     "02 05 01 00 00 00 00"},
        UnlistedCase{"EmptyCounter64", Value{0x46, {}}, "46 00"}),
    RowName{});

// The failures of a Get: one box; the Value box and the type list kept; what it made
// released; and requests only where one is due, from a silent agent's time-out and retries
// down to none where the OID cannot be sent or no session is open.
enum class Session { Open, None, Closed }; // Closed: opened, then closed before the Get

struct FailureCase {
    const char* name;
    ScriptedAgent::Script script;
    Session session;
    const char* oid;
    const char* box;
    const char* caption;
    size_t requests;
};

class GetFails : public ::testing::TestWithParam<FailureCase> {};

TEST_P(GetFails, WithOneBoxAndNothingChanged) {
    ScriptedAgent agent(GetParam().script);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    if (GetParam().session != Session::None) {
        ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    }
    if (GetParam().session == Session::Closed) {
        d.Click(IDC_CLOSE);
        EXPECT_EQ(d.dlg().Session(), nullptr);
    }
    d.SetText(IDC_VALUE, "kept");
    d.ChooseType("Gauge32");
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
    EXPECT_EQ(agent.RequestCount(), GetParam().requests);
}

Reply Silent(const Request&) {
    return Silence();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GetFails,
    ::testing::Values(
        FailureCase{"InvalidOid", Answer(Integer(1)), Session::Open, "1.3.x", "Invalid Oid",
                    "Error", 0},
        FailureCase{"EmptyOid", Answer(Integer(1)), Session::Open, "", "Invalid Oid", "Error", 0},
        FailureCase{"NoSuchName", Answer(Null(), 2, 1), Session::Open, kSysName,
                    "ErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1", "Snmp Error", 1},
        FailureCase{"GenErrWithIndexZero", Answer(Null(), 5, 0), Session::Open, kSysName,
                    "ErrorStatus: SNMP_ERRORSTATUS_GENERR  ErrorIndex: 0", "Snmp Error", 1},
        FailureCase{"StatusOutsideTheTable", Answer(Null(), 99, -3), Session::Open, kSysName,
                    "ErrorStatus: Unknown Error  ErrorIndex: -3", "Snmp Error", 1},
        // A negative status is the agent's error, never a value shown as read.
        FailureCase{"StatusMinusOne", Answer(Integer(1), -1, 0), Session::Open, kSysName,
                    "ErrorStatus: Unknown Error  ErrorIndex: 0", "Snmp Error", 1},
        // An exception in place of the value is the agent's answer that it has none.
        FailureCase{"NoSuchObject", Answer(Value{0x80, {}}), Session::Open, kSysName,
                    "The agent answered noSuchObject: it has no value for this object.",
                    "Snmp Error", 1},
        FailureCase{"NoSuchInstance", Answer(Value{0x81, {}}), Session::Open, kSysName,
                    "The agent answered noSuchInstance: it has no value for this object.",
                    "Snmp Error", 1},
        FailureCase{"EndOfMibView", Answer(Value{0x82, {}}), Session::Open, kSysName,
                    "The agent answered endOfMibView: it has no value for this object.",
                    "Snmp Error", 1},
        FailureCase{"StatusOfTheSmallestInteger", Answer(Integer(1), -2147483648LL, 1),
                    Session::Open, kSysName, "ErrorStatus: Unknown Error  ErrorIndex: 1",
                    "Snmp Error", 1},
        FailureCase{"NoSessionOpen", Answer(Integer(1)), Session::None, kSysName, kFailedCall,
                    "Snmp Error", 0},
        FailureCase{"AnswerWithoutBindings", [](const Request&) { return Reply{}; }, Session::Open,
                    kSysName, kFailedCall, "Snmp Error", 1},
        // The agent's error, even without the bindings RFC 1157 wants echoed.
        FailureCase{"NoSuchNameWithoutBindings", [](const Request&) { return StatusOnly(2, 1); },
                    Session::Open, kSysName,
                    "ErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1", "Snmp Error", 1},
        // Statuses that are no signed 32-bit number: neither a value shown as a success
        // (2^31 wrapped to a negative number) nor noSuchName (2^32 + 2 wrapped to 2).
        FailureCase{"Status2To31", Answer(Integer(1), 2147483648LL, 0), Session::Open, kSysName,
                    kFailedCall, "Snmp Error", 1},
        FailureCase{"Status2To32Plus2", Answer(Null(), 4294967298LL, 1), Session::Open, kSysName,
                    kFailedCall, "Snmp Error", 1},
        // No answer at all: the failed call, after the time-out and the retries.
        FailureCase{"SilentAgentAfterTheTimeOutAndRetries", Silent, Session::Open, kSysName,
                    kFailedCall, "Snmp Error", 4},
        FailureCase{"AfterCloseNothingIsSent", Silent, Session::Closed, kSysName, kFailedCall,
                    "Snmp Error", 0},
        // BER cannot carry them: never sent as another object
        FailureCase{"OneFortyIsNeverSent", Silent, Session::Open, ".1.40", kFailedCall,
                    "Snmp Error", 0},
        FailureCase{"OneSubIdentifierIsNeverSent", Silent, Session::Open, ".1", kFailedCall,
                    "Snmp Error", 0}),
    RowName{});

} // namespace
