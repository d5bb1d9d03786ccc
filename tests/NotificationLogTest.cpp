// The notification log below its window: a notification's record and its bindings packed and
// read back, the filter, the log's bound in bytes, and the table model's view of the log.
#include "ui/NotificationLog.h"
#include "support/BindingText.h"
#include "support/Identifiers.h"
#include "support/Notifications.h"
#include "support/TestModules.h"
#include "testing/SnmpTesting.h"
#include "traps/NotificationFilter.h"
#include "traps/NotificationText.h"
#include "ui/NotificationModel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <string>
#include <vector>

namespace {

const Ids kLinkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
const Ids kLinkUp = {1, 3, 6, 1, 6, 3, 1, 1, 5, 4};
const Ids kIfIndex2 = {1, 3, 6, 1, 2, 1, 2, 2, 1, 1, 2};
const Ids kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Ids kPrivate = {1, 3, 6, 1, 4, 1, 99, 1};

std::vector<std::string> UnpackedBindings(const CNotification& n) {
    CNotificationBindings bindings;
    n.Unpack(&bindings);
    std::vector<std::string> described;
    for (std::size_t i = 0; i < bindings.Count(); ++i)
        described.push_back(Describe(bindings[i]));
    return described;
}

// The bindings as the trap service decodes them from the datagram.
std::vector<std::string> DecodedBindings(const Bytes& datagram) {
    SnmpTrapRecord trap{};
    const std::uint8_t sender[4] = {10, 0, 0, 7};
    if (!SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), sender, 4, &trap))
        return {"<not decoded>"};
    std::vector<std::string> described = Describe(trap.variableBindings);
    SnmpTrapRecordFree(&trap);
    return described;
}

struct PackCase {
    const char* name;
    Bytes value;
};

class PackedValueTest : public ::testing::TestWithParam<PackCase> {};

// Every binding comes back from the log exactly as it arrived, whatever its type: the
// details and the export read the values again, never a text made of them.
TEST_P(PackedValueTest, BindingComesBackAsItArrived) {
    const Bytes trap = V2TrapOf(kLinkDown, {ber::Binding(kPrivate, GetParam().value)});
    const NotificationRef n = NotificationOf(trap);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(UnpackedBindings(*n), DecodedBindings(trap));
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, PackedValueTest,
    ::testing::Values(
        PackCase{"NegativeInteger", ber::Integer(-2147483648LL)},
        PackCase{"LargestCounter32", ber::Unsigned(4294967295u, 0x41)},
        PackCase{"Gauge32", ber::Unsigned(128, 0x42)},
        PackCase{"ZeroTimeTicks", ber::Unsigned(0, 0x43)},
        PackCase{"OctetsWithZeroAndHighBytes", ber::Tlv(0x04, {0x00, 0xFF, 0x80, 0x7F})},
        PackCase{"EmptyOctets", ber::String("")},
        PackCase{"IdentifierWithLargeArcs", ber::Oid({1, 3, 6, 1, 4294967295u, 128, 0})},
        PackCase{"Null", ber::Null()}, PackCase{"IpAddress", ber::Tlv(0x40, {192, 168, 1, 200})},
        PackCase{"Counter64", ber::Unsigned(18446744073709551615ull, 0x46)},
        PackCase{"Opaque", ber::Tlv(0x44, {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00})},
        PackCase{"NoSuchInstance", ber::Tlv(0x81, {})},
        PackCase{"NullWithContents", ber::Tlv(0x05, {0x01})},
        PackCase{"TagOfNoType", ber::Tlv(0x9F, {0x01, 0x02})}),
    [](const ::testing::TestParamInfo<PackCase>& info) { return std::string(info.param.name); });

TEST(NotificationTest, SnmpV1TrapIsNamedAsRfc3584MapsItAndKeepsItsAgentAddress) {
    const Bytes trap = ber::V1Trap("public", {1, 3, 6, 1, 4, 1, 8072, 2, 3}, {192, 168, 1, 200}, 2,
                                   0, 77, {ber::Binding(kIfIndex2, ber::Integer(2))});
    const NotificationRef n = NotificationOf(trap);
    ASSERT_NE(n, nullptr);
    // Generic trap 2 is linkDown (RFC 3584, 3.1), whoever sent it.
    EXPECT_EQ(n->TrapOidText(), Dotted(kLinkDown));
    EXPECT_EQ(n->NameText(), OidName(kLinkDown));
    EXPECT_EQ(n->AgentAddressText(), "192.168.1.200");
    EXPECT_EQ(n->SenderText(), "10.0.0.7");
    EXPECT_EQ(n->Version(), SNMP_MGR_VERSION_1);
    EXPECT_EQ(n->Community(), "public");
    // The header bindings say when and what; the short text has the trap's own.
    EXPECT_EQ(n->BindingsShort(), "ifIndex.2=2");
    EXPECT_EQ(n->BindingCount(), 3u);
}

TEST(NotificationTest, NotificationWithoutTrapOidHasNoName) {
    const NotificationRef n =
        NotificationOf(ber::V2Trap("public", {ber::Binding(kSysName, ber::String("x"))}));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->NameText(), "");
    EXPECT_EQ(n->TrapOidText(), "");
    EXPECT_EQ(n->BindingsShort(), "sysName.0=x");
}

// Each name in short from its last named component, whatever the names above it.
TEST(NotificationTest, ShortBindingsNameEachFromItsLastNamedComponent) {
    const NotificationRef n = NotificationOf(
        V2TrapOf(kLinkDown, {ber::Binding({1, 3, 6, 1, 2, 1, 2, 2, 1, 2, 7}, ber::String("eth7")),
                             ber::Binding(kPrivate, ber::Integer(1)),
                             ber::Binding({5, 6, 7}, ber::Integer(2))}));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->BindingsShort(), "ifDescr.7=eth7, enterprises.99.1=1, joint-iso-ccitt.126.7=2");
}

TEST(NotificationTest, ShortBindingsAreCutBetweenCharacters) {
    // 'é' is two bytes: a cut in the middle of one would leave no UTF-8.
    std::string value;
    for (int i = 0; i < 200; ++i)
        value += "\xC3\xA9";
    const NotificationRef n =
        NotificationOf(V2TrapOf(kLinkDown, {ber::Binding(kSysName, ber::String(value))}));
    ASSERT_NE(n, nullptr);
    const std::string_view cut = n->BindingsShort();
    ASSERT_TRUE(cut.ends_with("..."));
    EXPECT_LE(cut.size(), CNotification::kShortLength + 3);
    const std::string_view kept = cut.substr(0, cut.size() - 3);
    EXPECT_EQ(kept.substr(kept.size() - 2), "\xC3\xA9");
}

TEST(NotificationTest, SourceIsTheSenderWithItsPort) {
    struct Case {
        const char* sender;
        const char* source;
    };
    for (const Case& c : {Case{"10.0.0.7", "10.0.0.7:40000"}, Case{"::1", "[::1]:40000"},
                          Case{"fe80::1:2", "[fe80::1:2]:40000"}}) {
        TestOrigin origin;
        origin.sender = c.sender;
        const NotificationRef n = NotificationOf(V2TrapOf(kLinkDown), origin);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(SourceText(*n), c.source);
    }
}

// What the details say of a notification that a module read defines, and of its values.
TEST(NotificationMeaningTest, DetailsTellWhatTheModulesSayOfTheNotification) {
    CTestModules modules;
    ASSERT_TRUE(modules.Loaded());
    struct Case {
        const char* name;
        Bytes trap;
        std::vector<std::string> told;
    };
    const Case cases[] = {
        {"NotificationType",
         V2TrapOf(TestValuesOid({3, 0, 1}),
                  {ber::Binding(TestValuesOid({1, 11, 0}), ber::Integer(2))}),
         {"   As sent: 2\n   As the MIB describes it: down(2)\n",
          "\nDescription:\n   An alarm.\nObjects: tvStatus, tvIntValue\n"}},
        {"SmiV1TrapType",
         ber::V1Trap("public", TestValuesOid({}), {10, 0, 0, 7}, 6, 5, 0, {}),
         {"\nDescription:\n   A trap of the SMIv1.\nObjects: tvInteger\n"}},
        {"NoModuleDefinesIt",
         V2TrapOf({1, 3, 6, 1, 4, 1, 99, 0, 9}),
         {"\nNo MIB module on this machine defines "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const NotificationRef n = NotificationOf(c.trap);
        ASSERT_NE(n, nullptr);
        const std::string details = NotificationDetailsText(*n, 1);
        for (const std::string& told : c.told)
            EXPECT_NE(details.find(told), std::string::npos) << details;
    }
}

// --- The filter -----------------------------------------------------------------------------

struct FilterCase {
    const char* name;
    const char* filter;
    bool matchesLinkDown; // the linkDown of 10.0.0.7, community "public", SNMPv2c
    bool matchesLinkUp;   // the linkUp inform of 10.0.0.8 (agent 10.0.0.9), community "ops"
};

class NotificationFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(NotificationFilterTest, MatchesWhatTheOperatorAskedFor) {
    const NotificationRef down = NotificationOf(
        V2TrapOf(kLinkDown, {ber::Binding(kIfIndex2, ber::Integer(2)),
                             ber::Binding(kSysName, ber::String("core-sw1, rack 4"))}));
    TestOrigin other;
    other.sender = "10.0.0.8";
    const NotificationRef up = NotificationOf(
        ber::V1Trap("ops", {1, 3, 6, 1, 4, 1, 8072}, {10, 0, 0, 9}, 3, 0, 5, {}), other);
    ASSERT_NE(down, nullptr);
    ASSERT_NE(up, nullptr);
    const CNotificationFilter filter = CNotificationFilter::Parse(GetParam().filter);
    EXPECT_EQ(filter.Matches(*down), GetParam().matchesLinkDown);
    EXPECT_EQ(filter.Matches(*up), GetParam().matchesLinkUp);
}

INSTANTIATE_TEST_SUITE_P(
    Terms, NotificationFilterTest,
    ::testing::Values(FilterCase{"Empty", "", true, true},
                      FilterCase{"OnlySpaces", "   ", true, true},
                      FilterCase{"NameAnyCase", "name:LINKDOWN", true, false},
                      FilterCase{"NameByIdentifier", "name:.1.3.6.1.6.3.1.1.5.4", false, true},
                      FilterCase{"SourceWithPort", "source:10.0.0.7:40000", true, false},
                      FilterCase{"SourceIsAlsoTheAgentAddress", "source:10.0.0.9", false, true},
                      FilterCase{"Version", "version:2c", true, false},
                      FilterCase{"User", "user:ops", false, true},
                      FilterCase{"CommunityIsUser", "community:pub", true, false},
                      FilterCase{"Type", "type:trap", true, true},
                      FilterCase{"AllTermsMustMatch", "source:10.0.0.7 name:linkUp", false, false},
                      FilterCase{"BothTermsMatch", "source:10.0.0.7 name:linkDown", true, false},
                      FilterCase{"AnyColumnBindings", "rack", true, false},
                      FilterCase{"QuotedTermWithSpaceAndComma", "\"sw1, rack\"", true, false},
                      FilterCase{"AnyColumnTime", ":00.123", true, true},
                      FilterCase{"UnknownFieldIsText", "when:2", false, false},
                      FilterCase{"NoMatch", "nothing-like-this", false, false}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST(NotificationChoiceTest, ChosenSourceAndNameAreExact) {
    const NotificationRef down = NotificationOf(V2TrapOf(kLinkDown));
    ASSERT_NE(down, nullptr);
    CNotificationFilter filter;
    filter.ChooseSource("10.0.0.70");
    EXPECT_FALSE(filter.Matches(*down)); // a part of the address is another sender
    filter.ChooseSource("10.0.0.7");
    EXPECT_TRUE(filter.Matches(*down));
    filter.ChooseName(std::string(down->NameText()).substr(1));
    EXPECT_FALSE(filter.Matches(*down));
}

// --- The log and its table ------------------------------------------------------------------

std::vector<NotificationRef> Storm(int count, int firstNumber = 0) {
    std::vector<NotificationRef> storm;
    for (int i = firstNumber; i < firstNumber + count; ++i) {
        TestOrigin origin;
        origin.sender = i % 2 ? "10.0.0.8" : "10.0.0.7";
        storm.push_back(NotificationOf(
            V2TrapOf(i % 2 ? kLinkUp : kLinkDown, {ber::Binding(kPrivate, ber::Integer(i))}),
            origin));
    }
    return storm;
}

TEST(NotificationLogBoundTest, FullLogLetsTheOldestGoAndCountsThem) {
    CNotificationLog log;
    const std::vector<NotificationRef> storm = Storm(10);
    const std::size_t each = storm[0]->Footprint();
    log.SetByteLimitForTesting(4 * each + each / 2);
    QSignalSpy removed(&log, &CNotificationLog::rowsRemoved);
    log.Append(storm);
    EXPECT_EQ(log.Count(), 4u);
    EXPECT_EQ(log.First(), 7u);
    EXPECT_EQ(log.End(), 11u);
    EXPECT_EQ(log.Removed(), 6u);
    EXPECT_LE(log.Bytes(), 4 * each + each / 2);
    EXPECT_EQ(log.At(7), storm[6]); // the newest kept, in order
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(0).toULongLong(), 7u);
}

TEST(NotificationLogBoundTest, ChoicesStopGrowingAtTheirLimit) {
    CNotificationLog log;
    std::vector<NotificationRef> senders;
    for (std::size_t i = 0; i < kNotificationChoicesMax + 10; ++i) {
        TestOrigin origin;
        origin.sender = "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        senders.push_back(NotificationOf(V2TrapOf(kLinkDown), origin));
    }
    log.Append(senders);
    EXPECT_EQ(log.Sources().size(), kNotificationChoicesMax);
    EXPECT_EQ(log.Sources().front(), "10.1.0.0");
    EXPECT_EQ(log.Names().size(), 1u);
    EXPECT_EQ(log.Count(), senders.size()); // every notification is kept all the same
}

// The numbers the model shows, in its row order.
std::vector<std::uint64_t> ShownNumbers(const CNotificationModel& model) {
    std::vector<std::uint64_t> numbers;
    for (int row = 0; row < model.rowCount(); ++row)
        numbers.push_back(model.NumberAt(row));
    return numbers;
}

void FinishFiltering(const CNotificationModel& model) {
    while (model.Filtering())
        QCoreApplication::processEvents();
}

TEST(NotificationModelTest, FilterOverALargeLogGoesInSlicesAndKeepsTheOrder) {
    CNotificationLog log;
    log.Append(Storm(6000));
    CNotificationModel model(&log);
    CNotificationModel::SetSliceRowsForTesting(1000);
    model.SetFilter(CNotificationFilter::Parse("source:10.0.0.7"));
    CNotificationModel::SetSliceRowsForTesting(0);
    ASSERT_TRUE(model.Filtering());
    EXPECT_EQ(model.Shown(), 500u); // the first slice's
    // Notifications that come while the filter is applied are tested too, after the others.
    log.Append(Storm(4, 6000));
    FinishFiltering(model);
    const std::vector<std::uint64_t> shown = ShownNumbers(model);
    ASSERT_EQ(shown.size(), 3002u);
    for (std::size_t i = 0; i < shown.size(); ++i)
        ASSERT_EQ(shown[i], 2 * i + 1) << "row " << i;
    // Clearing the filter shows them all again.
    model.SetFilter(CNotificationFilter());
    FinishFiltering(model);
    EXPECT_EQ(model.Shown(), log.Count());
}

TEST(NotificationModelTest, RowsFollowTheLogAsItGrowsAndLetsTheOldestGo) {
    CNotificationLog log;
    const std::size_t each = Storm(1)[0]->Footprint();
    log.SetByteLimitForTesting(6 * each);
    CNotificationModel model(&log);
    model.SetFilter(CNotificationFilter::Parse("name:linkDown"));
    FinishFiltering(model);
    log.Append(Storm(4)); // 1..4: linkDown at 1 and 3
    EXPECT_EQ(ShownNumbers(model), (std::vector<std::uint64_t>{1, 3}));
    log.Append(Storm(4, 4)); // 5..8; 1 and 2 go
    EXPECT_EQ(ShownNumbers(model), (std::vector<std::uint64_t>{3, 5, 7}));
    EXPECT_EQ(model.RowOf(5), 1);
    EXPECT_EQ(model.RowOf(1), -1);
    EXPECT_EQ(model.RowOf(6), -1);
}

} // namespace
