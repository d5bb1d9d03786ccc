// Get All against scripted agents: the walk lines by GetNext (SNMPv1) and by GetBulk
// (SNMPv2c), the endings in their order, the guard against answers that do not advance, the
// smaller requests after tooBig, and the two list notifications.
#include "support/DialogDriver.h"
#include "support/RowName.h"
#include "support/ScriptedAgent.h"

#include "snmp/Flows.h"
#include "testing/SnmpTesting.h"
#include "ui/ListBox.h"
#include "ui/OutcomeBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace scripted;

namespace {

using rows::PrintTo;

const char* kRoot = ".1.3.6.1.4.1.99";

TableAgent EveryType() {
    TableAgent table;
    const Oid base = ParseOid(kRoot);
    const std::vector<Value> values = {
        Integer(-2147483648LL),
        Unsigned(0x41, 4294967295u),
        Unsigned(0x42, 1),
        Unsigned(0x43, 100),
        Octets(0x04, "text"),
        Octets(0x40, std::string("\x0A\x00\x00\xFF", 4)),
        Octets(0x44, "abc"),
        ObjectId({1, 3, 6, 1, 2, 1, 1, 5, 0}),
        Null(),
        Octets(0x04, ""),
    };
    for (size_t i = 0; i < values.size(); ++i) {
        Oid name = base;
        name.push_back(static_cast<std::uint32_t>(i + 1));
        name.push_back(0);
        table.objects[name] = values[i];
    }
    table.objects[ParseOid(".1.3.6.1.4.1.100.1.0")] = Integer(7); // past the subtree
    return table;
}

std::vector<std::string> ExpectedEveryTypeLines() {
    return {".1.3.6.1.4.1.99.1.0 : -2147483648",
            ".1.3.6.1.4.1.99.2.0 : 4294967295",
            ".1.3.6.1.4.1.99.3.0 : 1",
            ".1.3.6.1.4.1.99.4.0 : 100",
            ".1.3.6.1.4.1.99.5.0 : text",
            ".1.3.6.1.4.1.99.6.0 : 10.0.0.255",
            ".1.3.6.1.4.1.99.7.0 : ab",
            ".1.3.6.1.4.1.99.8.0 : 1.3.6.1.2.1.1.5.0",
            ".1.3.6.1.4.1.99.9.0 : ",
            ".1.3.6.1.4.1.99.10.0 : "};
}

void Walk(DialogDriver& d, const std::string& root) {
    d.SetText(IDC_OID, root);
    d.Click(IDC_GETALL);
}

// Opens a session of `version` (with `bulkSize` for SNMPv2c) with the agent.
void OpenVersion(DialogDriver& d, const ScriptedAgent& agent, int version, int bulkSize = 50) {
    SnmpMgrSessionSettings settings;
    settings.version = version;
    settings.bulkSize = bulkSize;
    d.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
}

// Selects line `index` and double-clicks it as the operator would, with the mouse.
void ClickLine(CListBox* list, int index, bool twice) {
    const QPoint at = list->ItemRect(index).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The same lines whatever the version: SNMPv1 by one GetNext per object, SNMPv2c by
// GetBulk of the bulk size, each request after the last object of the answer before.
struct VersionCase {
    const char* name;
    int version;
    int bulkSize;
    std::uint8_t pduType;
    std::size_t requests;
    std::size_t fourthAsksAfter; // the object whose successor the fourth request asks for
};

class WalkOfEveryType : public ::testing::TestWithParam<VersionCase> {};

TEST_P(WalkOfEveryType, WritesOneLinePerObjectOfTheSubtree) {
    const VersionCase& c = GetParam();
    ScriptedAgent agent(EveryType());
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(OpenVersion(d, agent, c.version, c.bulkSize));
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    Walk(d, kRoot);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(d.WalkLines(), ExpectedEveryTypeLines());
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
    // Every request of one binding with a NULL value, each after the previous answer.
    const auto requests = agent.Received();
    ASSERT_EQ(requests.size(), c.requests);
    EXPECT_EQ(OidText(requests[0].bindings[0].name), kRoot);
    if (c.requests > 3) {
        EXPECT_EQ(OidText(requests[3].bindings[0].name),
                  ".1.3.6.1.4.1.99." + std::to_string(c.fourthAsksAfter) + ".0");
    }
    for (const Request& r : requests) {
        EXPECT_EQ(r.version, c.version);
        EXPECT_EQ(r.pduType, c.pduType);
        ASSERT_EQ(r.bindings.size(), 1u);
        EXPECT_EQ(r.bindings[0].value.tag, 0x05);
        EXPECT_EQ(r.nonRepeaters, 0);
        EXPECT_EQ(r.maxRepetitions, c.pduType == 0xA5 ? c.bulkSize : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WalkOfEveryType,
    ::testing::Values(VersionCase{"SnmpV1ByGetNext", SNMP_MGR_VERSION_1, 50, 0xA1, 11, 3},
                      VersionCase{"SnmpV2cByGetBulkOfThree", SNMP_MGR_VERSION_2C, 3, 0xA5, 4, 9},
                      VersionCase{"SnmpV2cByOneGetBulk", SNMP_MGR_VERSION_2C, 50, 0xA5, 1, 0},
                      VersionCase{"SnmpV2cByGetBulkOfOne", SNMP_MGR_VERSION_2C, 1, 0xA5, 11, 3}),
    RowName{});

// Walks that end early: the lines before the end stay, and at most one box is shown.
struct EndingCase {
    const char* name;
    ScriptedAgent::Script script;
    std::vector<std::string> lines;
    const char* box; // nullptr: no box
    int version = SNMP_MGR_VERSION_1;
    int bulkSize = 3;
};
// Answers from EveryType() for the first `good` requests, then `then`.
ScriptedAgent::Script AfterGood(size_t good, std::function<Reply(const Request&)> then) {
    auto table = std::make_shared<TableAgent>(EveryType());
    auto count = std::make_shared<size_t>(0);
    return [=](const Request& r) { return ++*count <= good ? (*table)(r) : then(r); };
}

// An agent whose subtree holds `values` in turn (kRoot.1.0, kRoot.2.0, ...), with one
// object past it.
ScriptedAgent::Script Serving(std::vector<Value> values) {
    TableAgent table;
    for (size_t i = 0; i < values.size(); ++i)
        table.objects[ParseOid(std::string(kRoot) + "." + std::to_string(i + 1) + ".0")] =
            values[i];
    table.objects[ParseOid(".1.3.6.1.4.1.100.1.0")] = Integer(7);
    return table;
}

// An agent that answers every request with `bindings`, whose names lie under kRoot (".1.0"
// for kRoot.1.0) unless they begin with ".1.3.6".
ScriptedAgent::Script Answering(std::vector<std::pair<std::string, Value>> bindings) {
    return [=](const Request&) {
        Reply reply;
        for (const auto& [name, value] : bindings) {
            const bool whole = name.starts_with(".1.3.6");
            reply.bindings.push_back({ParseOid(whole ? name : std::string(kRoot) + name), value});
        }
        return reply;
    };
}

class WalkEnds : public ::testing::TestWithParam<EndingCase> {};

TEST_P(WalkEnds, KeepingTheLinesSoFar) {
    ScriptedAgent agent(GetParam().script);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(OpenVersion(d, agent, GetParam().version, GetParam().bulkSize));
    d.walkList()->AddString("a line of an earlier walk");
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    Walk(d, kRoot);
    EXPECT_EQ(d.WalkLines(), GetParam().lines);
    const auto boxes = d.TakeBoxes();
    if (!GetParam().box) {
        EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    } else {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, GetParam().box);
        EXPECT_EQ(boxes[0].caption, "Snmp Error");
    }
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

// The same endings from the walk's own code, without a window: the lines its sink takes and
// the outcome it ends with.
class VectorSink : public flows::CWalkSink {
public:
    std::size_t TakeLines(std::vector<flows::WalkLine>& lines) override {
        const std::size_t kept = std::min(lines.size(), m_room - std::min(m_room, m_lines.size()));
        for (std::size_t i = 0; i < kept; ++i)
            m_lines.push_back(lines[i].text);
        return kept;
    }
    std::size_t LineCount() const override { return m_lines.size(); }

    std::vector<std::string> m_lines;
    std::size_t m_room = static_cast<std::size_t>(-1);
};

TEST_P(WalkEnds, KeepingTheLinesSoFarWithoutAWindow) {
    ScriptedAgent agent(GetParam().script);
    ASSERT_TRUE(agent.Start());
    SnmpMgrSessionSettings settings;
    settings.version = GetParam().version;
    settings.bulkSize = GetParam().bulkSize;
    LPSNMP_MGR_SESSION session = SnmpMgrOpenSession(agent.Address().c_str(), "walnut", &settings);
    ASSERT_NE(session, nullptr);
    AsnObjectIdentifier root{};
    ASSERT_TRUE(SnmpMgrStrToOid(kRoot, &root));
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    VectorSink sink;
    const Outcome end = flows::Walk(session, root, &sink);
    EXPECT_EQ(sink.m_lines, GetParam().lines);
    const OutcomeBox box = BoxOfOutcome(end);
    EXPECT_EQ(box.text, GetParam().box ? GetParam().box : "");
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
    SnmpUtilOidFree(&root);
    SnmpMgrClose(session);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, WalkEnds,
    ::testing::Values(
        EndingCase{"NoSuchNameAtOnceIsQuiet",
                   [](const Request& r) { return ErrorReply(r, 2, 1); },
                   {},
                   nullptr},
        EndingCase{"AnErrorInTheMiddle",
                   AfterGood(2, [](const Request& r) { return ErrorReply(r, 5, 1); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295"},
                   "ErrorStatus: SNMP_ERRORSTATUS_GENERR  ErrorIndex: 1"},
        EndingCase{"AnAgentThatStopsAnswering",
                   AfterGood(2, [](const Request&) { return Silence(); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295"},
                   kFailedCall},
        // The status is judged before the place: an error answer's binding says nothing of
        // where the subtree ends.
        EndingCase{"AnErrorOutsideTheRootIsTheAgentsError",
                   AfterGood(1,
                             [](const Request& r) {
                                 Reply reply = ErrorReply(r, 5, 1);
                                 reply.bindings[0].name = ParseOid(".1.3.6.1.4.1.100");
                                 return reply;
                             }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648"},
                   "ErrorStatus: SNMP_ERRORSTATUS_GENERR  ErrorIndex: 1"},
        EndingCase{"ANegativeStatusOutsideTheRootAtOnce",
                   [](const Request& r) {
                       Reply reply = ErrorReply(r, -1, 0);
                       reply.bindings[0].name = ParseOid(".1.3.6.1.4.1.100");
                       return reply;
                   },
                   {},
                   "ErrorStatus: Unknown Error  ErrorIndex: 0"},
        EndingCase{"AShorterNameThanTheRootIsOutside",
                   [](const Request& r) {
                       Reply reply;
                       reply.bindings = {{ParseOid(".1.3.6.1.4.1"), Integer(1)}};
                       (void)r;
                       return reply;
                   },
                   {},
                   nullptr},
        EndingCase{"AnswersThatDoNotAdvance",
                   AfterGood(1,
                             [](const Request& r) {
                                 Reply reply; // the same name again
                                 reply.bindings = {{r.bindings[0].name, Integer(3)}};
                                 return reply;
                             }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648"},
                   "The agent's answers do not advance: it answered .1.3.6.1.4.1.99.1.0 to a "
                   "request for the object after it."},
        EndingCase{"AnswersThatGoBackwards",
                   AfterGood(2,
                             [](const Request&) {
                                 Reply reply;
                                 reply.bindings = {{ParseOid(".1.3.6.1.4.1.99.1.5"), Integer(3)}};
                                 return reply;
                             }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295"},
                   "The agent's answers do not advance: it answered .1.3.6.1.4.1.99.1.5 to a "
                   "request for the object after it."},
        // Values that a decoder of SNMP types does not expect, bytes that are no text, and
        // elements that do not fit their type: each its line, and on.
        EndingCase{"OddValuesEachGiveTheirLine",
                   Serving({
                       Integer(1),
                       Value{0x49, {0x01}},
                       Value{0x44, {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00}},
                       Value{0x44, {0x9F, 0x78, 0x09, 0x01}},
                       Value{0x30, {0x02, 0x01, 0x05}},
                       Octets(0x40, std::string("\x0A\x00\x01", 3)),
                       Octets(0x04, std::string("\x00\x12\x79\x62\xF9\x40", 6)),
                       Octets(0x04, "Z\xC3\xBCrich"),
                       Value{0x46, {0x01, 0x00}},
                       Value{0x05, {0x00}},
                       Value{0x81, {}},
                   }),
                   {".1.3.6.1.4.1.99.1.0 : 1", ".1.3.6.1.4.1.99.2.0 : 49 01 01",
                    ".1.3.6.1.4.1.99.3.0 : 1", ".1.3.6.1.4.1.99.4.0 : 9F 78 09 01",
                    ".1.3.6.1.4.1.99.5.0 : 30 03 02 01 05", ".1.3.6.1.4.1.99.6.0 : 10.0.1",
                    ".1.3.6.1.4.1.99.7.0 : 00 12 79 62 F9 40",
                    ".1.3.6.1.4.1.99.8.0 : Z\xC3\xBCrich", ".1.3.6.1.4.1.99.9.0 : 256",
                    ".1.3.6.1.4.1.99.10.0 : 05 01 00", ".1.3.6.1.4.1.99.11.0 : noSuchInstance"},
                   nullptr},
        // Without the zero byte in front, the first bit of an unsigned number is no sign.
        EndingCase{
            "UnsignedNumbersWithTheirTopBitSet",
            Serving({Value{0x41, {0x80}}, Value{0x42, {0x80, 0x00}}, Value{0x43, {0xC3, 0x50}}}),
            {".1.3.6.1.4.1.99.1.0 : 128", ".1.3.6.1.4.1.99.2.0 : 32768",
             ".1.3.6.1.4.1.99.3.0 : 50000"},
            nullptr},
        // A negative status is the agent's error, not a line read.
        EndingCase{"ANegativeStatusInTheMiddle",
                   AfterGood(2, [](const Request& r) { return ErrorReply(r, -1, 1); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295"},
                   "ErrorStatus: Unknown Error  ErrorIndex: 1"},
        EndingCase{"ANegativeStatusWithoutBindings",
                   AfterGood(1, [](const Request&) { return StatusOnly(-2147483648LL, 0); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648"},
                   "ErrorStatus: Unknown Error  ErrorIndex: 0"},
        EndingCase{"NoSuchNameWithoutBindingsIsQuiet",
                   AfterGood(2, [](const Request&) { return StatusOnly(2, 1); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295"},
                   nullptr},
        EndingCase{"AnErrorWithoutBindings",
                   AfterGood(2, [](const Request&) { return StatusOnly(5, 1); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295"},
                   "ErrorStatus: SNMP_ERRORSTATUS_GENERR  ErrorIndex: 1"},
        // 2^32 + 2 is no noSuchName that ends the walk quietly: a failed call.
        EndingCase{"AStatusOf2To32Plus2",
                   AfterGood(2, [](const Request& r) { return ErrorReply(r, 4294967298LL, 1); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295"},
                   kFailedCall},
        // GetBulk walks (three objects a request): the agent's end, its errors and the
        // answers that cannot be taken, in and between answers.
        EndingCase{
            "SnmpV2cEndOfMibViewIsQuiet",
            Answering({{".1.0", Integer(1)}, {".2.0", Integer(2)}, {".2.0", EndOfMibView()}}),
            {".1.3.6.1.4.1.99.1.0 : 1", ".1.3.6.1.4.1.99.2.0 : 2"},
            nullptr,
            SNMP_MGR_VERSION_2C},
        EndingCase{
            "SnmpV2cEndOfMibViewAtOnceIsQuiet", TableAgent{}, {}, nullptr, SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cABindingThatDoesNotAdvanceInsideAnAnswer",
                   Answering({{".1.0", Integer(1)}, {".2.0", Integer(2)}, {".2.0", Integer(3)}}),
                   {".1.3.6.1.4.1.99.1.0 : 1", ".1.3.6.1.4.1.99.2.0 : 2"},
                   "The agent's answers do not advance: it answered .1.3.6.1.4.1.99.2.0 to a "
                   "request for the object after it.",
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cAnAnswerThatGoesBackwards",
                   Answering({{".2.0", Integer(2)}, {".1.0", Integer(1)}}),
                   {".1.3.6.1.4.1.99.2.0 : 2"},
                   "The agent's answers do not advance: it answered .1.3.6.1.4.1.99.1.0 to a "
                   "request for the object after it.",
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cTheNextAnswerDoesNotAdvance",
                   Answering({{".1.0", Integer(1)}, {".2.0", Integer(2)}}),
                   {".1.3.6.1.4.1.99.1.0 : 1", ".1.3.6.1.4.1.99.2.0 : 2"},
                   "The agent's answers do not advance: it answered .1.3.6.1.4.1.99.1.0 to a "
                   "request for the object after it.",
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cAnAnswerThatLeavesTheSubtreeMidway",
                   Answering({{".1.0", Integer(1)},
                              {".1.3.6.1.4.1.100.1.0", Integer(7)},
                              {".2.0", Integer(2)}}),
                   {".1.3.6.1.4.1.99.1.0 : 1"},
                   nullptr,
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cAnswersWithoutBindings",
                   Answering({}),
                   {},
                   "The agent's answers do not advance: it answered no object to a request for "
                   "the objects after .1.3.6.1.4.1.99.",
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cAnAnswerWithMoreObjectsThanAskedFor",
                   Answering({{".1.0", Integer(1)},
                              {".2.0", Integer(2)},
                              {".3.0", Integer(3)},
                              {".4.0", Integer(4)}}),
                   {},
                   kFailedCall,
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cNoSuchNameIsQuiet",
                   AfterGood(1, [](const Request& r) { return ErrorReply(r, 2, 1); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295",
                    ".1.3.6.1.4.1.99.3.0 : 1"},
                   nullptr,
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cAnErrorInTheMiddle",
                   AfterGood(1, [](const Request& r) { return ErrorReply(r, 5, 1); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295",
                    ".1.3.6.1.4.1.99.3.0 : 1"},
                   "ErrorStatus: SNMP_ERRORSTATUS_GENERR  ErrorIndex: 1",
                   SNMP_MGR_VERSION_2C},
        EndingCase{"SnmpV2cAnAgentThatStopsAnswering",
                   AfterGood(1, [](const Request&) { return Silence(); }),
                   {".1.3.6.1.4.1.99.1.0 : -2147483648", ".1.3.6.1.4.1.99.2.0 : 4294967295",
                    ".1.3.6.1.4.1.99.3.0 : 1"},
                   kFailedCall,
                   SNMP_MGR_VERSION_2C}),
    RowName{});

// An agent whose answers do not fit its messages (tooBig) is asked for half as many objects,
// and from then on for no more, down to one; tooBig to a request for one object is the
// agent's error.
TEST(BulkWalk, TooBigAsksForHalfAsManyObjectsDownToOne) {
    struct Case {
        const char* name;
        std::size_t mostBindings; // what the agent's answers hold; 0: not even one
        std::vector<std::int64_t> repetitions;
        std::vector<std::string> lines;
        const char* box;
    };
    const Case cases[] = {
        {"TwoFit", 2, {10, 5, 2, 2, 2, 2, 2, 2}, ExpectedEveryTypeLines(), nullptr},
        {"NoneFits", 0, {10, 5, 2, 1}, {}, "ErrorStatus: SNMP_ERRORSTATUS_TOOBIG  ErrorIndex: 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableAgent table = EveryType();
        table.mostBindings = c.mostBindings;
        ScriptedAgent agent(c.mostBindings != 0 ? ScriptedAgent::Script(table)
                                                : [](const Request&) { return StatusOnly(1, 0); });
        ASSERT_TRUE(agent.Start());
        DialogDriver d;
        ASSERT_NO_FATAL_FAILURE(OpenVersion(d, agent, SNMP_MGR_VERSION_2C, 10));
        Walk(d, kRoot);
        EXPECT_EQ(d.WalkLines(), c.lines);
        const auto boxes = d.TakeBoxes();
        EXPECT_EQ(boxes.size(), c.box ? 1u : 0u);
        if (c.box && !boxes.empty()) {
            EXPECT_EQ(boxes[0].text, c.box);
        }
        std::vector<std::int64_t> repetitions;
        for (const Request& r : agent.Received())
            repetitions.push_back(r.maxRepetitions);
        EXPECT_EQ(repetitions, c.repetitions);
    }
}

// Walks that fail before the first answer: one box, nothing reaches the agent, and the list
// emptied once the walk has begun, or kept when the OID box is refused.
struct EarlyFailureCase {
    const char* name;
    bool open; // whether a session is open
    const char* root;
    std::vector<std::string> lines; // the list afterwards; it held "old"
    const char* box;
    const char* caption;
    int version = SNMP_MGR_VERSION_1; // of the settings, and of the session where one is open
};

class WalkFailsBeforeTheFirstAnswer : public ::testing::TestWithParam<EarlyFailureCase> {};

TEST_P(WalkFailsBeforeTheFirstAnswer, WithOneBoxAndNothingSent) {
    ScriptedAgent agent(EveryType());
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    SnmpMgrSessionSettings settings;
    settings.version = GetParam().version;
    d.dlg().SetSessionSettings(settings);
    if (GetParam().open) {
        ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    }
    d.walkList()->AddString("old");
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    Walk(d, GetParam().root);
    EXPECT_EQ(d.WalkLines(), GetParam().lines);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetParam().box);
    EXPECT_EQ(boxes[0].caption, GetParam().caption);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
    EXPECT_EQ(agent.RequestCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Walk, WalkFailsBeforeTheFirstAnswer,
    ::testing::Values(
        EarlyFailureCase{"WithNoSessionTheListIsEmptiedBeforeTheFailedCallBox",
                         false,
                         kRoot,
                         {},
                         kFailedCall,
                         "Snmp Error"},
        // A root that BER cannot carry would go out as another object (".1.40" as 2.0).
        EarlyFailureCase{
            "ARootOfOneFortyIsNeverSent", true, ".1.40", {}, kFailedCall, "Snmp Error"},
        EarlyFailureCase{
            "ARootBeginningWithThreeIsNeverSent", true, ".3.1", {}, kFailedCall, "Snmp Error"},
        EarlyFailureCase{
            "AnInvalidOidKeepsTheEarlierLines", false, ".1.3..6", {"old"}, "Invalid Oid", "Error"},
        EarlyFailureCase{"WithNoSessionAndSnmpV2cSettingsTheSameFailedCallBox",
                         false,
                         kRoot,
                         {},
                         kFailedCall,
                         "Snmp Error",
                         SNMP_MGR_VERSION_2C},
        EarlyFailureCase{"ARootOfOneFortyIsNeverSentInAGetBulk",
                         true,
                         ".1.40",
                         {},
                         kFailedCall,
                         "Snmp Error",
                         SNMP_MGR_VERSION_2C}),
    RowName{});

// A root of one arc: the walk asks first for the object after the arc followed by 0, the
// smallest identifier BER can carry below it, and keeps to the arc's subtree.
struct OneArcCase {
    const char* name;
    const char* root;
    const char* firstRequest;
    std::vector<std::string> lines;
    int version = SNMP_MGR_VERSION_1;
};

class WalkOfOneArc : public ::testing::TestWithParam<OneArcCase> {};

TEST_P(WalkOfOneArc, StartsAfterTheArcAndZero) {
    ScriptedAgent agent(EveryType());
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(OpenVersion(d, agent, GetParam().version, 4));
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    Walk(d, GetParam().root);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(d.WalkLines(), GetParam().lines);
    ASSERT_GE(agent.Received().size(), 1u);
    EXPECT_EQ(OidText(agent.Received()[0].bindings.at(0).name), GetParam().firstRequest);
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

std::vector<std::string> EveryObjectOfEveryType() {
    std::vector<std::string> lines = ExpectedEveryTypeLines();
    lines.push_back(".1.3.6.1.4.1.100.1.0 : 7");
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Walk, WalkOfOneArc,
    ::testing::Values(OneArcCase{"TheWholeAgent", ".1", ".1.0", EveryObjectOfEveryType()},
                      OneArcCase{"ZeroEndsAtTheFirstAnswer", ".0", ".0.0", {}},
                      OneArcCase{"TwoIsPastTheLastObject", ".2", ".2.0", {}},
                      OneArcCase{"TheWholeAgentByGetBulk", ".1", ".1.0", EveryObjectOfEveryType(),
                                 SNMP_MGR_VERSION_2C}),
    RowName{});

// A sink that takes no more ends the walk right after the answer whose line it refused, by
// GetNext and by GetBulk alike: no request follows it.
TEST(Walk, AFullSinkEndsTheWalkAfterTheAnswerItRefused) {
    struct Case {
        const char* name;
        int version;
        int bulkSize;
        std::size_t room;
        std::size_t requests;
    };
    const Case cases[] = {
        {"SNMPv1, three lines", SNMP_MGR_VERSION_1, 0, 3, 4},
        {"SNMPv1, no line", SNMP_MGR_VERSION_1, 0, 0, 1},
        {"SNMPv2c, two answers of three, room for four", SNMP_MGR_VERSION_2C, 3, 4, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedAgent agent(EveryType());
        ASSERT_TRUE(agent.Start());
        SnmpMgrSessionSettings settings;
        settings.version = c.version;
        settings.bulkSize = c.bulkSize > 0 ? c.bulkSize : 25;
        LPSNMP_MGR_SESSION session =
            SnmpMgrOpenSession(agent.Address().c_str(), "walnut", &settings);
        ASSERT_NE(session, nullptr);
        AsnObjectIdentifier root{};
        ASSERT_TRUE(SnmpMgrStrToOid(kRoot, &root));
        VectorSink sink;
        sink.m_room = c.room;
        const Outcome end = flows::Walk(session, root, &sink);
        const std::vector<std::string> all = ExpectedEveryTypeLines();
        EXPECT_EQ(sink.m_lines, std::vector<std::string>(all.begin(), all.begin() + c.room));
        EXPECT_EQ(end.kind, OutcomeKind::WalkListFull);
        EXPECT_EQ(end.subject, std::to_string(c.room));
        EXPECT_EQ(agent.RequestCount(), c.requests);
        SnmpUtilOidFree(&root);
        SnmpMgrClose(session);
    }
}

TEST(Walk, AFullWalkListEndsTheWalkWithABox) {
    ScriptedAgent agent(EveryType());
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    d.walkList()->SetCapacityForTesting(3, 1 << 20);
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    Walk(d, kRoot);
    const std::vector<std::string> all = ExpectedEveryTypeLines();
    EXPECT_EQ(d.WalkLines(), std::vector<std::string>(all.begin(), all.begin() + 3));
    EXPECT_EQ(agent.RequestCount(), 4u); // no request after the line that did not fit
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "The walk list cannot take more lines: the walk stopped after 3 lines.");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

// An object with 128 sub-identifiers of ten digits: its line's identifier is far longer than
// the 254 characters that the OID box is read with.
std::string LongestIdentifierText() {
    std::string text = kRoot;
    for (int i = 0; i < 121; ++i)
        text += ".4294967295";
    return text;
}

struct LineIdentifierCase {
    const char* name;
    std::string identifier;
};

class LineIdentifier : public ::testing::TestWithParam<LineIdentifierCase> {};

TEST_P(LineIdentifier, SurvivesSelectAndDoubleClickWhole) {
    const Oid name = ParseOid(GetParam().identifier);
    TableAgent table;
    table.objects[name] = Octets(0x04, "far");
    ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    Walk(d, kRoot);
    ASSERT_EQ(d.WalkLines(), std::vector<std::string>{GetParam().identifier + " : far"});

    ClickLine(d.walkList(), 0, false);
    auto* nameBox = qobject_cast<QLineEdit*>(d.dlg().GetDlgItem(IDC_OID_NAME));
    AsnObjectIdentifier shown{};
    ASSERT_TRUE(SnmpMgrStrToOid(nameBox->text().toStdString().c_str(), &shown));
    EXPECT_EQ(Oid(shown.ids, shown.ids + shown.idLength), name);
    SnmpUtilOidFree(&shown);
    // The end of the name (the object's own name and its index) is in view, however long;
    // the whole name is in the box and in its tooltip.
    nameBox->grab(); // painted, as on the screen
    EXPECT_EQ(nameBox->cursorPosition(), nameBox->text().size());
    const QRect cursor = nameBox->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_TRUE(nameBox->rect().contains(cursor.center()));
    EXPECT_EQ(nameBox->toolTip(), nameBox->text());

    const std::int64_t blocks = SnmpUtilLiveBlocks();
    ClickLine(d.walkList(), 0, true);
    const auto* oidBox = qobject_cast<QComboBox*>(d.dlg().GetDlgItem(IDC_OID));
    EXPECT_EQ(oidBox->currentText().toStdString(), GetParam().identifier); // no trailing space
    EXPECT_EQ(d.Text(IDC_VALUE), "far");                                   // and a Get was made
    EXPECT_EQ(d.TypeText(), "Octet");
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_EQ(agent.Received().back().pduType, 0xA0);
    ASSERT_EQ(agent.Received().back().bindings.size(), 1u);
    EXPECT_EQ(agent.Received().back().bindings[0].name, name); // the line's object, whole
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

INSTANTIATE_TEST_SUITE_P(
    WalkList, LineIdentifier,
    ::testing::Values(LineIdentifierCase{"TheLargestSubIdentifier", ".1.3.6.1.4.1.99.4294967295"},
                      LineIdentifierCase{"OneHundredAndTwentyEightSubIdentifiers",
                                         LongestIdentifierText()}),
    RowName{});

TEST(WalkList, LinesLongerThan254CharactersAreReadWhole) {
    TableAgent table;
    table.objects[ParseOid(".1.3.6.1.4.1.99.1.0")] = Octets(0x04, std::string(600, 'x'));
    ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    Walk(d, kRoot);
    ASSERT_EQ(d.WalkLines().size(), 1u);
    EXPECT_EQ(d.WalkLines()[0].size(), std::string(".1.3.6.1.4.1.99.1.0 : ").size() + 600);
    ClickLine(d.walkList(), 0, true);
    EXPECT_EQ(d.Text(IDC_OID), ".1.3.6.1.4.1.99.1.0");
    EXPECT_EQ(d.Text(IDC_VALUE).size(), 254u); // the Value box is read with its limit
}

TEST(WalkList, ALineWhoseIdentifierCannotBeReadLeavesTheNameBoxAsItWas) {
    DialogDriver d;
    d.SetText(IDC_OID_NAME, "earlier name");
    d.walkList()->AddString("not an identifier : 5");
    d.walkList()->AddString(".1.3.6.1.2.1.1.5.0 : host");
    const std::int64_t blocks = SnmpUtilLiveBlocks();
    ClickLine(d.walkList(), 0, false);
    EXPECT_EQ(d.Text(IDC_OID_NAME), "earlier name");
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
    ClickLine(d.walkList(), 1, false);
    EXPECT_EQ(d.Text(IDC_OID_NAME), "system.sysName.0");
    EXPECT_TRUE(d.TakeBoxes().empty()); // selection sends nothing and shows no box
    EXPECT_EQ(SnmpUtilLiveBlocks(), blocks);
}

} // namespace
