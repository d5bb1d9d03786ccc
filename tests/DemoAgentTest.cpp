// The demo agent that the run command and the integration tests rely on: it starts on a
// free loopback port, serves the system group and both enterprise objects, keeps a Set
// value while it runs, and is gone after Stop.
#include "support/DemoAgent.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kInteger = ".1.3.6.1.4.1.15.0.0.1";
const char* const kString = ".1.3.6.1.4.1.15.0.0.2";

class DemoAgentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(agent.Start()); }
    std::string Get(const std::string& oid) { return agent.Tool("snmpget", "-On " + oid); }

    DemoAgent agent;
};

TEST_F(DemoAgentTest, ServesSysNameAndBothEnterpriseObjects) {
    EXPECT_EQ(agent.Address(), "127.0.0.1:" + std::to_string(agent.Port()));
    EXPECT_EQ(Get(".1.3.6.1.2.1.1.5.0"), ".1.3.6.1.2.1.1.5.0 = STRING: \"okapel-demo\"\n");
    EXPECT_EQ(Get(kInteger), std::string(kInteger) + " = INTEGER: 42\n");
    EXPECT_EQ(Get(kString), std::string(kString) + " = STRING: \"Okapel demo\"\n");
}

TEST_F(DemoAgentTest, WalkOfTheEnterpriseSubtreeGivesBothObjectsInOrder) {
    EXPECT_EQ(agent.Tool("snmpwalk", "-On .1.3.6.1.4.1.15"), std::string(kInteger) +
                                                                 " = INTEGER: 42\n" + kString +
                                                                 " = STRING: \"Okapel demo\"\n");
    // Get-next from between, below and after the two objects.
    EXPECT_EQ(agent.Tool("snmpgetnext", "-On .1.3.6.1.4.1.15.0.0.1.7"),
              std::string(kString) + " = STRING: \"Okapel demo\"\n");
    EXPECT_EQ(agent.Tool("snmpgetnext", "-On .1.3.6.1.4.1.14.99"),
              std::string(kInteger) + " = INTEGER: 42\n");
    EXPECT_EQ(agent.Tool("snmpgetnext", "-On .1.3.6.1.4.1.15.0.0.2").find(kString),
              std::string::npos);
}

TEST_F(DemoAgentTest, KeepsSetValues) {
    struct Case {
        const char* oid;
        const char* set;
        const char* expected;
    } const cases[] = {
        {kInteger, "i -2147483648", "INTEGER: -2147483648"},
        {kInteger, "i 2147483647", "INTEGER: 2147483647"},
        {kString, "s 'two words'", "STRING: \"two words\""},
        // Bytes that are not printable travel as hex through the pass protocol.
        {kString, "x '41 00 0A 42'", "Hex-STRING: 41 00 0A 42 "},
        {kString, "s ''", "\"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        agent.Tool("snmpset", std::string("-On ") + c.oid + " " + c.set);
        EXPECT_EQ(Get(c.oid), std::string(c.oid) + " = " + c.expected + "\n");
    }
}

TEST_F(DemoAgentTest, RefusesSetsOfTheWrongTypeAndKeepsTheValue) {
    EXPECT_EQ(agent.Tool("snmpset", std::string("-On ") + kInteger + " s text"), "");
    EXPECT_EQ(agent.Tool("snmpset", std::string("-On ") + kString + " i 5"), "");
    EXPECT_EQ(Get(kInteger), std::string(kInteger) + " = INTEGER: 42\n");
    EXPECT_EQ(Get(kString), std::string(kString) + " = STRING: \"Okapel demo\"\n");
}

TEST(DemoAgentLifetime, StopEndsTheProcessAndAFreshStartHasInitialValues) {
    DemoAgent agent;
    ASSERT_TRUE(agent.Start());
    const pid_t pid = agent.Pid();
    ASSERT_TRUE(DemoAgent::ProcessRunning(pid));
    agent.Tool("snmpset", std::string("-On ") + kInteger + " i 7");
    agent.Stop();
    EXPECT_FALSE(DemoAgent::ProcessRunning(pid));
    EXPECT_EQ(agent.Pid(), 0);

    ASSERT_TRUE(agent.Start());
    EXPECT_EQ(agent.Tool("snmpget", std::string("-On ") + kInteger),
              std::string(kInteger) + " = INTEGER: 42\n");
}

TEST(DemoAgentLifetime, TwoAgentsRunSideBySide) {
    DemoAgent first;
    DemoAgent second;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    EXPECT_NE(first.Port(), second.Port());
    first.Tool("snmpset", std::string("-On ") + kInteger + " i 1");
    EXPECT_EQ(second.Tool("snmpget", std::string("-On ") + kInteger),
              std::string(kInteger) + " = INTEGER: 42\n");
}

TEST(DemoAgentLifetime, DestructorStopsTheAgent) {
    pid_t pid = 0;
    {
        DemoAgent agent;
        ASSERT_TRUE(agent.Start());
        pid = agent.Pid();
    }
    EXPECT_FALSE(DemoAgent::ProcessRunning(pid));
}

} // namespace
