// Open and Close as the operator sees them: the buttons in turn, the "Error" box of a
// refused Open, and what reaches the layer from the two boxes.
#include "support/DemoAgent.h"
#include "support/DialogDriver.h"
#include "support/RowName.h"
#include "support/ScriptedAgent.h"

#include "testing/SnmpTesting.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

namespace {

using rows::PrintTo;

// A successful Open swaps the buttons without a box, and Close swaps them back: against a
// scripted agent and against the real one.
struct AgentCase {
    const char* name;
    bool real; // the demo agent, else a scripted one
};

class OpenAndClose : public ::testing::TestWithParam<AgentCase> {};

TEST_P(OpenAndClose, SwapTheButtonsWithoutABox) {
    scripted::ScriptedAgent scripted(scripted::TableAgent{});
    DemoAgent real;
    ASSERT_TRUE(GetParam().real ? real.Start() : scripted.Start());
    DialogDriver d;
    d.SetText(IDC_IPADDRESS, GetParam().real ? real.Address() : scripted.Address());
    d.SetText(IDC_COMMUNITY, DemoAgent::Community());
    d.Click(IDC_OPEN);
    EXPECT_TRUE(d.TakeBoxes().empty());
    EXPECT_NE(d.dlg().Session(), nullptr);
    EXPECT_FALSE(d.Enabled(IDC_OPEN));
    EXPECT_TRUE(d.Enabled(IDC_CLOSE));
    d.Click(IDC_CLOSE);
    EXPECT_EQ(d.dlg().Session(), nullptr);
    EXPECT_TRUE(d.Enabled(IDC_OPEN));
    EXPECT_FALSE(d.Enabled(IDC_CLOSE));
    EXPECT_TRUE(d.TakeBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Agents, OpenAndClose,
                         ::testing::Values(AgentCase{"Scripted", false}, AgentCase{"Demo", true}),
                         RowName{});

// An address the layer refuses, and the reason it gives.
struct RefusedCase {
    const char* address;
    UINT reason;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << '"' << c.address << '"';
}

class RefusedOpen : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedOpen, ShowsOneErrorBoxWithTheReasonAndLeavesTheButtons) {
    DialogDriver d;
    d.SetText(IDC_IPADDRESS, GetParam().address);
    d.SetText(IDC_COMMUNITY, "walnut");
    d.Click(IDC_OPEN);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    // The text is the system's own for the reason the layer gives for this address (the box
    // shows nothing of its own).
    EXPECT_NE(std::string(SystemErrorText(GetParam().reason)), "");
    EXPECT_EQ(boxes[0].text, SystemErrorText(GetParam().reason));
    EXPECT_EQ(d.dlg().Session(), nullptr);
    EXPECT_TRUE(d.Enabled(IDC_OPEN));
    EXPECT_FALSE(d.Enabled(IDC_CLOSE));
    // The operator can try again at once.
    d.Click(IDC_OPEN);
    EXPECT_EQ(d.TakeBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Addresses, RefusedOpen,
                         ::testing::Values(RefusedCase{"", SNMP_MGMTAPI_NO_ADDRESS},
                                           RefusedCase{"1.2.3", SNMP_MGMTAPI_BAD_ADDRESS},
                                           RefusedCase{"300.1.1.1", SNMP_MGMTAPI_BAD_ADDRESS},
                                           RefusedCase{"127.0.0.1:0", SNMP_MGMTAPI_BAD_PORT},
                                           RefusedCase{"127.0.0.1:65536", SNMP_MGMTAPI_BAD_PORT},
                                           RefusedCase{"127.0.0.1:port", SNMP_MGMTAPI_BAD_PORT},
                                           RefusedCase{"[::1", SNMP_MGMTAPI_BAD_ADDRESS},
                                           RefusedCase{"[fe80::zz]:161", SNMP_MGMTAPI_BAD_ADDRESS},
                                           RefusedCase{"two words", SNMP_MGMTAPI_BAD_ADDRESS}));

TEST(OpenSession, TextsLongerThan254CharactersReachTheLayerCut) {
    std::string agent, community;
    SnmpMgrSetOpenObserver([&](const char* a, const char* c) {
        agent = a;
        community = c;
    });
    DialogDriver d;
    d.SetText(IDC_IPADDRESS, std::string(300, '1'));
    d.SetText(IDC_COMMUNITY, std::string(300, 'c'));
    d.Click(IDC_OPEN);
    SnmpMgrSetOpenObserver(nullptr);
    EXPECT_EQ(agent, std::string(254, '1'));
    EXPECT_EQ(community, std::string(254, 'c'));
    EXPECT_EQ(d.TakeBoxes().size(), 1u); // no such address
}

TEST(OpenSession, TheCommunityIsSentAsTyped) {
    scripted::ScriptedAgent agent(scripted::TableAgent{});
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address(), "c0mm\x01nity with blanks"));
    d.SetText(IDC_OID, ".1.3.6.1");
    d.Click(IDC_GET);
    ASSERT_EQ(agent.Received().size(), 1u);
    EXPECT_EQ(agent.Received()[0].community, "c0mm\x01nity with blanks");
}

} // namespace
