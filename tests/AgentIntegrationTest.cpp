// The dialog against the real agent (the demo snmpd), side by side with net-snmp's own
// tools on the same agent: Get, Set and Get All as the operator runs them.
#include "support/DemoAgent.h"
#include "support/DialogDriver.h"

#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

const char* kSysName = ".1.3.6.1.2.1.1.5.0";
const char* kDemoInteger = ".1.3.6.1.4.1.15.0.0.1";
const char* kDemoString = ".1.3.6.1.4.1.15.0.0.2";

class AgentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(agent.Start());
        ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    }
    std::string Get(const char* oid) {
        d.SetText(IDC_OID, oid);
        d.Click(IDC_GET);
        return d.Text(IDC_VALUE);
    }
    void Set(const char* oid, const char* type, const std::string& text) {
        d.SetText(IDC_OID, oid);
        d.ChooseType(type);
        d.SetText(IDC_VALUE, text);
        d.Click(IDC_SET);
    }
    // Get All of `root`, which must end without a box, and the lines it gave.
    std::vector<std::string> GetAll(const char* root) {
        d.SetText(IDC_OID, root);
        d.Click(IDC_GETALL);
        EXPECT_TRUE(d.TakeBoxes().empty());
        return d.WalkLines();
    }

    DemoAgent agent;
    DialogDriver d;
};

TEST_F(AgentTest, GetShowsTheAgentsNameAsSnmpgetDoes) {
    EXPECT_EQ(Get(kSysName), agent.ToolValue(kSysName));
    EXPECT_FALSE(d.Text(IDC_VALUE).empty());
    EXPECT_EQ(d.TypeText(), "Octet");
    EXPECT_TRUE(d.TakeBoxes().empty());
}

TEST_F(AgentTest, GetOfAMissingObjectNamesNoSuchNameAndKeepsTheValueBox) {
    d.SetText(IDC_VALUE, "kept");
    Get(".1.3.6.1.2.1.1.99.0");
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1");
    EXPECT_EQ(boxes[0].caption, "Snmp Error");
    EXPECT_EQ(d.Text(IDC_VALUE), "kept");
}

TEST_F(AgentTest, SetAnIntegerAndAStringThenReadThemBack) {
    Set(kDemoInteger, "int32", "-1234");
    Set(kDemoString, "Octet", "written by the test");
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Successfully Set");
    EXPECT_EQ(boxes[1].text, "Successfully Set");

    EXPECT_EQ(Get(kDemoInteger), "-1234");
    EXPECT_EQ(d.TypeText(), "int32");
    EXPECT_EQ(Get(kDemoString), "written by the test");
    EXPECT_EQ(d.TypeText(), "Octet");
    EXPECT_EQ(agent.ToolValue(kDemoInteger), "-1234");
    EXPECT_EQ(agent.ToolValue(kDemoString), "written by the test");
}

TEST_F(AgentTest, GetEditSetGetCarriesTheEditWithTheTypeGetSelected) {
    Get(kDemoString);
    d.SetText(IDC_VALUE, d.Text(IDC_VALUE) + " edited");
    const std::string edited = d.Text(IDC_VALUE);
    d.Click(IDC_SET);
    ASSERT_EQ(d.TakeBoxes().size(), 1u);
    d.SetText(IDC_VALUE, "");
    EXPECT_EQ(Get(kDemoString), edited);
}

TEST_F(AgentTest, SetOnAReadOnlyObjectNamesTheAgentsStatus) {
    Set(".1.3.6.1.2.1.1.1.0", "Octet", "no");
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Snmp Error");
    // An SNMPv1 agent refuses with noSuchName or readOnly, index 1.
    EXPECT_TRUE(
        boxes[0].text ==
            "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOSUCHNAME  ErrorIndex: 1" ||
        boxes[0].text ==
            "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_READONLY  ErrorIndex: 1")
        << boxes[0].text;
}

// snmpwalk's typed output (-On -Ot -Oe -Ox), turned into our walk lines.
std::vector<std::string> SnmpwalkLines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    std::string row;
    std::vector<std::string> rows;
    while (std::getline(in, row)) {
        if (!row.empty() && row[0] != '.' && !rows.empty())
            rows.back() += " " + row; // a hex string continued on the next line
        else if (!row.empty())
            rows.push_back(row);
    }
    for (const std::string& r : rows) {
        const size_t eq = r.find(" = ");
        const std::string name = r.substr(0, eq);
        std::string value = r.substr(eq + 3);
        const size_t colon = value.find(": ");
        const std::string type = colon == std::string::npos ? "" : value.substr(0, colon);
        if (colon != std::string::npos)
            value = value.substr(colon + 2);
        if (type == "Hex-STRING" || type == "STRING") {
            // Printable ASCII (with one zero byte at the end at most) is text; anything else
            // stays in hex, as Okapel writes bytes that are no text.
            std::istringstream hex(value);
            std::string byte, spaced;
            std::vector<int> bytes;
            while (hex >> byte) {
                bytes.push_back(std::stoi(byte, nullptr, 16));
                spaced += (spaced.empty() ? "" : " ") + byte;
            }
            if (!bytes.empty() && bytes.back() == 0)
                bytes.pop_back();
            std::string text;
            bool printable = true;
            for (int c : bytes) {
                printable =
                    printable && ((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n');
                text += static_cast<char>(c);
            }
            value = printable ? text : spaced;
        } else if (type == "OID") {
            value = value.substr(1);
        } else if (value == "\"\"") {
            value.clear();
        }
        lines.push_back(name + " : " + value);
    }
    return lines;
}

TEST_F(AgentTest, GetAllOfTheSystemGroupMatchesSnmpwalkLineByLine) {
    const auto ours = GetAll(".1.3.6.1.2.1.1");
    const auto theirs = SnmpwalkLines(agent.Tool("snmpwalk", "-On -Ot -Oe -Ox .1.3.6.1.2.1.1"));
    ASSERT_EQ(ours.size(), theirs.size());
    ASSERT_GT(ours.size(), 8u);
    for (size_t i = 0; i < ours.size(); ++i) {
        if (ours[i].rfind(".1.3.6.1.2.1.1.3.0 : ", 0) == 0) { // sysUpTime moves on
            EXPECT_EQ(theirs[i].rfind(".1.3.6.1.2.1.1.3.0 : ", 0), 0u);
            continue;
        }
        EXPECT_EQ(ours[i], theirs[i]) << "line " << i;
    }
    const std::string nameLine = std::string(kSysName) + " : " + agent.ToolValue(kSysName);
    EXPECT_NE(std::find(ours.begin(), ours.end(), nameLine), ours.end());
}

// The root that operators type to walk a whole agent: the walk goes through every object, as
// snmpwalk's does (the values of some move on between the two walks, and so may the rows of
// a few tables).
TEST_F(AgentTest, GetAllOfOneWalksTheWholeAgentAsSnmpwalkDoes) {
    const auto ours = GetAll(".1");
    const auto theirs = SnmpwalkLines(agent.Tool("snmpwalk", "-v1 -On -Ot -Oe -Ox .1"));
    ASSERT_GT(theirs.size(), 1000u);
    EXPECT_NEAR(static_cast<double>(ours.size()), static_cast<double>(theirs.size()),
                theirs.size() * 0.05);
    const auto identifier = [](const std::string& line) { return line.substr(0, line.find(' ')); };
    for (size_t i = 0; i < 20; ++i)
        EXPECT_EQ(identifier(ours.at(i)), identifier(theirs.at(i))) << "line " << i;
    EXPECT_EQ(identifier(ours.front()), ".1.3.6.1.2.1.1.1.0");
}

TEST_F(AgentTest, GetAllOfALeafOrPastTheLastObjectEndsEmptyAndQuiet) {
    for (const char* root : {kSysName, ".1.3.6.1.9.9.9", ".2.1"}) {
        d.walkList()->AddString("a line of an earlier walk"); // which Get All takes away
        d.SetText(IDC_OID, root);
        d.Click(IDC_GETALL);
        EXPECT_TRUE(d.WalkLines().empty()) << root;
        EXPECT_TRUE(d.TakeBoxes().empty()) << root;
    }
}

// An SNMPv2c session: Set and Get as in SNMPv1, a 64-bit counter read, the agent's SNMPv2
// refusals named, and a walk of the whole agent by GetBulk that lists the objects
// snmpbulkwalk lists, in its order, the 64-bit counters that SNMPv1 cannot carry among them.
TEST(AgentSnmpV2c, SetGetAndGetAllAsTheToolsSeeThem) {
    DemoAgent agent;
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    d.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    const auto set = [&](const char* oid, const char* text) {
        d.SetText(IDC_OID, oid);
        d.ChooseType("Octet");
        d.SetText(IDC_VALUE, text);
        d.Click(IDC_SET);
    };
    set(kDemoString, "set in SNMPv2c");
    set(".1.3.6.1.2.1.1.1.0", "no");
    const auto get = [&](const char* oid) {
        d.SetText(IDC_VALUE, "");
        d.SetText(IDC_OID, oid);
        d.Click(IDC_GET);
        return d.Text(IDC_VALUE);
    };
    EXPECT_EQ(get(kDemoString), "set in SNMPv2c");
    // A 64-bit counter, which SNMPv1 cannot read, as snmpget reads it (or a little later).
    const std::string counter = get(".1.3.6.1.2.1.31.1.1.1.6.1");
    const std::string read = agent.Tool("snmpget", "-v2c -On -Oqv .1.3.6.1.2.1.31.1.1.1.6.1");
    ASSERT_FALSE(counter.empty());
    EXPECT_GE(std::stoull(counter), std::stoull(read));
    get(".1.3.6.1.2.1.1.99.0");
    get(".1.3.6.1.2.1.1.5.1");
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "Successfully Set");
    EXPECT_EQ(boxes[1].text,
              "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOTWRITABLE  ErrorIndex: 1");
    EXPECT_EQ(boxes[2].text, "The agent answered noSuchObject: it has no value for this object.");
    EXPECT_EQ(boxes[3].text, "The agent answered noSuchInstance: it has no value for this object.");

    d.SetText(IDC_OID, ".1.3.6.1");
    d.Click(IDC_GETALL);
    EXPECT_TRUE(d.TakeBoxes().empty());
    std::vector<std::string> ours;
    for (const std::string& line : d.WalkLines())
        ours.push_back(line.substr(0, line.find(" : ")));
    std::vector<std::string> theirs;
    std::istringstream tool(agent.Tool(
        "snmpbulkwalk", "-v2c -On -Cr" + std::to_string(settings.bulkSize) + " .1.3.6.1"));
    for (std::string row; std::getline(tool, row);) {
        // The tool's last line says that the agent's view ends; it names no object.
        if (row.starts_with(".") && row.find(" = ") != std::string::npos &&
            row.find("No more variables left") == std::string::npos)
            theirs.push_back(row.substr(0, row.find(" = ")));
    }
    EXPECT_GT(ours.size(), 1000u);
    EXPECT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 0; i < std::min(ours.size(), theirs.size()); ++i)
        ASSERT_EQ(ours[i], theirs[i]) << "line " << i;
    const std::string ifHCInOctets = ".1.3.6.1.2.1.31.1.1.1.6.";
    EXPECT_TRUE(std::any_of(ours.begin(), ours.end(),
                            [&](const std::string& n) { return n.starts_with(ifHCInOctets); }));
}

// Communities up to the 254 characters that the box takes: Get, Set and Get All each reach
// the agent and come back at once (a length of 234 and more once failed every request
// after the full time-out).
class AgentWithALongCommunity : public ::testing::TestWithParam<std::size_t> {};

TEST_P(AgentWithALongCommunity, AnswersGetSetAndGetAll) {
    std::string community;
    for (std::size_t i = 0; i < GetParam(); ++i)
        community += static_cast<char>('a' + i % 26);
    DemoAgent agent;
    ASSERT_TRUE(agent.Start({community}));
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address(), community));
    ASSERT_EQ(d.Text(IDC_COMMUNITY), community); // the box keeps every character

    d.SetText(IDC_OID, kDemoString);
    d.ChooseType("Octet");
    d.SetText(IDC_VALUE, "set with a long community");
    d.Click(IDC_SET);
    d.SetText(IDC_VALUE, "");
    d.Click(IDC_GET);
    d.SetText(IDC_OID, ".1.3.6.1.4.1.15");
    d.Click(IDC_GETALL);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u) << boxes.back().text;
    EXPECT_EQ(boxes[0].text, "Successfully Set");
    EXPECT_EQ(d.Text(IDC_VALUE), "set with a long community");
    EXPECT_EQ(d.WalkLines(), (std::vector<std::string>{std::string(kDemoInteger) + " : 42",
                                                       std::string(kDemoString) +
                                                           " : set with a long community"}));
}

INSTANTIATE_TEST_SUITE_P(Lengths, AgentWithALongCommunity, ::testing::Values(240, 254),
                         [](const auto& info) { return std::to_string(info.param); });

} // namespace
