// Set against a scripted agent that records what reaches it: the tag and bytes of every
// type on the wire, each outcome's single box, and what is never sent.
#include "support/DialogDriver.h"
#include "support/RowName.h"
#include "support/ScriptedAgent.h"

#include "testing/SnmpTesting.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

using namespace scripted;

namespace {

using rows::PrintTo;

const char* kObject = ".1.3.6.1.4.1.15.0.0.2";

// An agent that stores what it is set to and answers Get with it.
ScriptedAgent::Script Store() {
    auto table = std::make_shared<TableAgent>();
    table->objects[ParseOid(kObject)] = Octets(0x04, "initial");
    return [table](const Request& r) {
        const Reply reply = (*table)(r);
        if (r.pduType == 0xA3 && reply.errorStatus == 0)
            table->objects[r.bindings[0].name] = r.bindings[0].value;
        return reply;
    };
}

// A dialog with a session to a storing agent, the object in the OID box.
class SetRequest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(agent.Start());
        ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
        d.SetText(IDC_OID, kObject);
    }

    ScriptedAgent agent{Store()};
    DialogDriver d;
};

struct WireCase {
    const char* name;
    const char* type; // the type list's entry
    const char* text;
    Value wire;
};

class SetSends : public SetRequest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(SetSends, EachTypeWithItsOwnTagAndContents) {
    d.ChooseType(GetParam().type);
    d.SetText(IDC_VALUE, GetParam().text);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_SET);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);

    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Successfully Set");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, MB_ICONINFORMATION);
    ASSERT_EQ(agent.Received().size(), 1u);
    const Request sent = agent.Received()[0];
    EXPECT_EQ(sent.pduType, 0xA3);
    ASSERT_EQ(sent.bindings.size(), 1u);
    EXPECT_EQ(OidText(sent.bindings[0].name), kObject);
    EXPECT_EQ(sent.bindings[0].value.tag, GetParam().wire.tag);
    EXPECT_EQ(sent.bindings[0].value.contents, GetParam().wire.contents);
    // A Set shows nothing of the answer.
    EXPECT_EQ(d.Text(IDC_VALUE), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Types, SetSends,
    ::testing::Values(WireCase{"Integer", "int32", "42", Value{0x02, {0x2A}}},
                      WireCase{"IntegerNegative", "int32", "-129", Value{0x02, {0xFF, 0x7F}}},
                      WireCase{"Counter32Largest", "Count32", "4294967295",
                               Value{0x41, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}}},
                      WireCase{"Gauge32MinusOne", "Gauge32", "-1",
                               Value{0x42, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}}},
                      WireCase{"TimeTicks", "Ticks", "100", Value{0x43, {0x64}}},
                      WireCase{"OctetStringWithoutTerminator", "Octet", "hello",
                               Value{0x04, {'h', 'e', 'l', 'l', 'o'}}},
                      WireCase{"OctetStringEmpty", "Octet", "", Value{0x04, {}}},
                      WireCase{"SequenceWithTerminator", "Seq", "ab", Value{0x30, {'a', 'b', 0}}},
                      WireCase{"IpAddress", "IpAddr", "10.1.2.3", Value{0x40, {10, 1, 2, 3}}},
                      WireCase{"IpAddressFewerDots", "IpAddr", "10.1", Value{0x40, {10, 1, 0, 0}}},
                      WireCase{"OpaqueWithTerminator", "Opaque", "ab", Value{0x44, {'a', 'b', 0}}},
                      WireCase{"ObjectIdentifier", "Oid", ".1.3.6.1.2.1.1.5.0",
                               Value{0x06, {0x2B, 6, 1, 2, 1, 1, 5, 0}}}),
    RowName{});

TEST_F(SetRequest, AnOpaqueValueSetFromTextReadsBackAsThatText) {
    d.ChooseType("Opaque");
    d.SetText(IDC_VALUE, "opaque text");
    d.Click(IDC_SET);
    d.TakeBoxes();
    d.SetText(IDC_VALUE, "");
    d.ChooseType("");
    d.Click(IDC_GET);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(d.Text(IDC_VALUE), "opaque text");
    EXPECT_EQ(d.TypeText(), "Opaque");
}

// The box is read as UTF-8, at most 254 bytes, and never cut inside a character.
TEST_F(SetRequest, AValueTextReachesTheAgentCutTo254Bytes) {
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "\xC3\xBC";
    const struct {
        std::string typed;
        std::string sent;
    } cases[] = {
        {std::string(300, 'v'), std::string(254, 'v')},
        {"Z\xC3\xBCrich", "Z\xC3\xBCrich"},
        {umlauts, umlauts.substr(0, 254)},
        {"v" + umlauts, "v" + umlauts.substr(0, 252)},
    };
    d.ChooseType("Octet");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        d.SetText(IDC_VALUE, cases[i].typed);
        d.Click(IDC_SET);
        d.TakeBoxes();
        ASSERT_EQ(agent.Received().size(), i + 1);
        const Bytes contents = agent.Received()[i].bindings[0].value.contents;
        EXPECT_EQ(std::string(contents.begin(), contents.end()), cases[i].sent);
    }
}

// Every other outcome: one box, and a request only where one is due.
struct OutcomeCase {
    const char* name;
    ScriptedAgent::Script script;
    bool open;
    const char* oid;
    const char* type;
    const char* box;
    const char* caption;
    size_t requests;
    const char* value = "42"; // typed in the Value box
};

class SetOutcomes : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(SetOutcomes, ShowExactlyOneBox) {
    ScriptedAgent agent(GetParam().script);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    if (GetParam().open) {
        ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    }
    d.SetText(IDC_OID, GetParam().oid);
    d.ChooseType(GetParam().type);
    d.SetText(IDC_VALUE, GetParam().value);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    d.Click(IDC_SET);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetParam().box);
    EXPECT_EQ(boxes[0].caption, GetParam().caption);
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_EQ(agent.RequestCount(), GetParam().requests);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

ScriptedAgent::Script Refuse(std::int64_t status, std::int64_t index) {
    return [=](const Request& r) { return ErrorReply(r, status, index); };
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SetOutcomes,
    ::testing::Values(
        OutcomeCase{"InvalidOid", Store(), true, "x.1", "int32", "Invalid Oid", "Error", 0},
        OutcomeCase{"NoTypeChosen", Store(), true, kObject, "", "Error Unsupported Type", "Error",
                    0},
        OutcomeCase{"NullType", Store(), true, kObject, "Null", "Error Unsupported Type", "Error",
                    0},
        OutcomeCase{"NoSession", Store(), false, kObject, "int32", "Snmp Request Failed",
                    "Snmp Error", 0},
        OutcomeCase{"ReadOnly", Refuse(4, 1), true, kObject, "int32",
                    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_READONLY  ErrorIndex: 1",
                    "Snmp Error", 1},
        OutcomeCase{"NoSuchName", Refuse(2, 1), true, kObject, "int32",
                    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1",
                    "Snmp Error", 1},
        OutcomeCase{"NoSuchNameWithoutBindings", [](const Request&) { return StatusOnly(2, 1); },
                    true, kObject, "int32",
                    "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1",
                    "Snmp Error", 1},
        // A refusal whose status is no signed 32-bit number is never "Successfully Set".
        OutcomeCase{"Status2To31", Refuse(2147483648LL, 1), true, kObject, "int32",
                    "Snmp Request Failed", "Snmp Error", 1},
        OutcomeCase{"Status2To32Plus2", Refuse(4294967298LL, 1), true, kObject, "int32",
                    "Snmp Request Failed", "Snmp Error", 1},
        // Nor is a negative status, -1 or 80 00 00 00: the agent's refusal.
        OutcomeCase{"StatusMinusOne", Refuse(-1, 1), true, kObject, "int32",
                    "Snmp Request Failed\nErrorStatus: Unknown Error  ErrorIndex: 1", "Snmp Error",
                    1},
        OutcomeCase{"StatusOfTheSmallestInteger", Refuse(-2147483648LL, 0), true, kObject, "int32",
                    "Snmp Request Failed\nErrorStatus: Unknown Error  ErrorIndex: 0", "Snmp Error",
                    1},
        OutcomeCase{"NegativeStatusWithoutBindings",
                    [](const Request&) { return StatusOnly(-1, 0); }, true, kObject, "int32",
                    "Snmp Request Failed\nErrorStatus: Unknown Error  ErrorIndex: 0", "Snmp Error",
                    1},
        // Identifiers that BER cannot carry, as the name or as the value: nothing is sent.
        OutcomeCase{"OneFortyIsNeverSent", Store(), true, ".1.40", "int32", "Snmp Request Failed",
                    "Snmp Error", 0},
        OutcomeCase{"OneSubIdentifierIsNeverSent", Store(), true, ".1", "int32",
                    "Snmp Request Failed", "Snmp Error", 0},
        OutcomeCase{"OidValueOfOneSubIdentifierIsNeverSent", Store(), true, kObject, "Oid",
                    "Snmp Request Failed", "Snmp Error", 0},
        OutcomeCase{"OidValueTheConversionRefusesIsNeverSent", Store(), true, kObject, "Oid",
                    "Invalid value", "Snmp Value Error", 0, "1.3.six"}),
    RowName{});

} // namespace
