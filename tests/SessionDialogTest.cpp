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

class RefusedOpen : public ::testing::TestWithParam<const char*> {};

TEST_P(RefusedOpen, ShowsOneErrorBoxWithTheReasonAndLeavesTheButtons) {
    DialogDriver d;
    d.SetText(IDC_IPADDRESS, GetParam());
    d.SetText(IDC_COMMUNITY, "walnut");
    d.Click(IDC_OPEN);
    const auto boxes = d.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    // The text is the system's own for the reason the layer gave (the box shows nothing of
    // its own, and the hook leaves the reason where the failed call put it).
    const UINT reason = GetLastError();
    ASSERT_NE(reason, 0u);
    EXPECT_NE(std::string(SystemErrorText(reason)), "");
    EXPECT_EQ(boxes[0].text, SystemErrorText(reason));
    EXPECT_EQ(d.dlg().Session(), nullptr);
    EXPECT_TRUE(d.Enabled(IDC_OPEN));
    EXPECT_FALSE(d.Enabled(IDC_CLOSE));
    // The operator can try again at once.
    d.Click(IDC_OPEN);
    EXPECT_EQ(d.TakeBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Addresses, RefusedOpen,
                         ::testing::Values("", "1.2.3", "300.1.1.1", "127.0.0.1:0",
                                           "127.0.0.1:65536", "127.0.0.1:port", "[::1",
                                           "[fe80::zz]:161", "two words"));

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
