// The live counters' arithmetic: changes and rates on the agent's sysUpTime across wraps of
// a Counter32, a Counter64 and sysUpTime itself, restarts and resets shown as breaks, and
// the 64-bit counterparts of IF-MIB's counters.
#include "values/CounterRate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace {

using values::StepKind;

constexpr std::uint64_t k32 = std::uint64_t{1} << 32;

values::CounterSample Sample(BYTE type, AsnTimeticks upTime, std::uint64_t value,
                             std::int64_t signedValue = 0) {
    values::CounterSample sample;
    sample.type = type;
    sample.upTime = upTime;
    sample.unsignedValue = value;
    sample.signedValue = signedValue;
    return sample;
}

TEST(CounterRateTest, CountsChangesAndRatesOnTheAgentsTime) {
    struct Case {
        const char* what;
        values::CounterSample before;
        values::CounterSample after;
        std::uint64_t localMs;
        StepKind kind;
        long double change;
        double rate;
        bool wrapped;
    };
    const AsnTimeticks top = 0xFFFFFFFFu;
    const Case cases[] = {
        {"counter32", Sample(ASN_COUNTER32, 100, 1000), Sample(ASN_COUNTER32, 600, 1500), 5000,
         StepKind::Rate, 500, 100, false},
        // The agent's time, not ours: a late answer does not bend the rate.
        {"late answer", Sample(ASN_COUNTER32, 100, 1000), Sample(ASN_COUNTER32, 600, 1500), 9000,
         StepKind::Rate, 500, 100, false},
        {"counter32 wrapped", Sample(ASN_COUNTER32, 100, k32 - 296),
         Sample(ASN_COUNTER32, 600, 200), 5000, StepKind::Rate, 496, 99.2, true},
        {"counter32 wrapped to 0", Sample(ASN_COUNTER32, 100, k32 - 1),
         Sample(ASN_COUNTER32, 200, 0), 1000, StepKind::Rate, 1, 1, true},
        {"counter32 at its top, still", Sample(ASN_COUNTER32, 100, k32 - 1),
         Sample(ASN_COUNTER32, 200, k32 - 1), 1000, StepKind::Rate, 0, 0, false},
        // Back from 3,000,000 to 100: across a wrap that is more than half the range.
        {"counter32 reset", Sample(ASN_COUNTER32, 100, 3000000), Sample(ASN_COUNTER32, 600, 100),
         5000, StepKind::Reset, 0, 0, false},
        {"counter64", Sample(ASN_COUNTER64, 0, std::uint64_t{1} << 40),
         Sample(ASN_COUNTER64, 1000, (std::uint64_t{1} << 40) + 1000000000), 10000, StepKind::Rate,
         1000000000, 100000000, false},
        // Beyond 2^32 in one interval, which a Counter32 could not tell.
        {"counter64 beyond 2^32", Sample(ASN_COUNTER64, 0, 5),
         Sample(ASN_COUNTER64, 100, 5 + 3 * k32), 1000, StepKind::Rate, 3.0L * k32, 3.0 * k32,
         false},
        {"counter64 wrapped", Sample(ASN_COUNTER64, 0, ~std::uint64_t{0} - 9),
         Sample(ASN_COUNTER64, 100, 5), 1000, StepKind::Rate, 15, 15, true},
        {"counter64 reset", Sample(ASN_COUNTER64, 0, 1000000000000), Sample(ASN_COUNTER64, 100, 5),
         1000, StepKind::Reset, 0, 0, false},
        // The agent restarted: its time went back, whatever the counter did.
        {"restart", Sample(ASN_COUNTER32, 500000, 1000), Sample(ASN_COUNTER32, 300, 2000), 5000,
         StepKind::Restart, 0, 0, false},
        {"restart, counter back", Sample(ASN_COUNTER32, 500000, 1000),
         Sample(ASN_COUNTER32, 300, 10), 5000, StepKind::Restart, 0, 0, false},
        // sysUpTime wrapped at 2^32 after 497 days: 500 hundredths across the wrap.
        {"sysUpTime wrapped", Sample(ASN_COUNTER32, top - 199, 1000),
         Sample(ASN_COUNTER32, 300, 1500), 5000, StepKind::Rate, 500, 100, false},
        // Back by more than the local clock allows a wrap: a restart near sysUpTime's top.
        {"sysUpTime back near its top", Sample(ASN_COUNTER32, top - 199, 1000),
         Sample(ASN_COUNTER32, 300000, 1500), 5000, StepKind::Restart, 0, 0, false},
        {"no time on the agent", Sample(ASN_COUNTER32, 700, 1000), Sample(ASN_COUNTER32, 700, 1100),
         1000, StepKind::NoTime, 100, 0, false},
        // Gauges and integers: their change with its sign, no rate, across a restart too.
        {"gauge down", Sample(ASN_GAUGE32, 100, 10), Sample(ASN_GAUGE32, 600, 7), 5000,
         StepKind::Change, -3, 0, false},
        {"gauge across a restart", Sample(ASN_GAUGE32, 600, 7), Sample(ASN_GAUGE32, 10, 9), 5000,
         StepKind::Change, 2, 0, false},
        {"integer", Sample(ASN_INTEGER, 100, 0, -5), Sample(ASN_INTEGER, 600, 0, 3), 5000,
         StepKind::Change, 8, 0, false},
        {"timeticks", Sample(ASN_TIMETICKS, 100, 50), Sample(ASN_TIMETICKS, 600, 550), 5000,
         StepKind::Change, 500, 0, false},
        {"type changed", Sample(ASN_COUNTER32, 100, 10), Sample(ASN_GAUGE32, 600, 7), 5000,
         StepKind::None, 0, 0, false},
    };
    for (const Case& c : cases) {
        const values::CounterStep step = values::StepBetween(c.before, c.after, c.localMs);
        EXPECT_EQ(step.kind, c.kind) << c.what;
        EXPECT_EQ(step.change, c.change) << c.what;
        EXPECT_NEAR(step.ratePerSecond, c.rate, 1e-9 * (1 + c.rate)) << c.what;
        EXPECT_EQ(step.wrapped, c.wrapped) << c.what;
        // A break never carries a figure that could be drawn.
        if (step.IsBreak()) {
            EXPECT_EQ(step.ratePerSecond, 0) << c.what;
        }
        EXPECT_GE(step.ratePerSecond, 0) << c.what;
    }
}

TEST(CounterRateTest, HoldsACounterThatAnAgentsCacheKeepsStill) {
    struct Case {
        const char* what;
        values::CounterSample anchor;
        values::CounterSample after;
        bool held;
    };
    const Case cases[] = {
        {"still, 1 s", Sample(ASN_COUNTER32, 100, 5), Sample(ASN_COUNTER32, 200, 5), true},
        {"still, 9.99 s", Sample(ASN_COUNTER64, 100, 5), Sample(ASN_COUNTER64, 1099, 5), true},
        {"still, 10 s: idle", Sample(ASN_COUNTER32, 100, 5), Sample(ASN_COUNTER32, 1100, 5), false},
        {"moved", Sample(ASN_COUNTER32, 100, 5), Sample(ASN_COUNTER32, 200, 6), false},
        {"restarted", Sample(ASN_COUNTER32, 500, 5), Sample(ASN_COUNTER32, 100, 5), false},
        {"a gauge", Sample(ASN_GAUGE32, 100, 5), Sample(ASN_GAUGE32, 200, 5), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(values::HeldByCache(c.anchor, c.after), c.held) << c.what;
}

TEST(CounterRateTest, ReadsSamplesAsTheLayerKeepsThem) {
    AsnAny counter{};
    counter.asnType = ASN_COUNTER32;
    counter.asnValue.counter = 4294967295u;
    ASSERT_TRUE(values::SampleOf(7, counter));
    EXPECT_EQ(values::SampleOf(7, counter)->unsignedValue, 4294967295u);
    EXPECT_EQ(values::SampleOf(7, counter)->upTime, 7u);

    // A Counter64 as its eight bytes, most significant first.
    BYTE bytes[8] = {0x80, 0, 0, 0, 0, 0, 0x01, 0x02};
    AsnAny wide{};
    wide.asnType = ASN_COUNTER64;
    wide.asnValue.string = AsnOctetString{bytes, 8, false};
    ASSERT_TRUE(values::SampleOf(0, wide));
    EXPECT_EQ(values::SampleOf(0, wide)->unsignedValue, 0x8000000000000102u);
    wide.asnValue.string.length = 7;
    EXPECT_FALSE(values::SampleOf(0, wide));

    AsnAny integer{};
    integer.asnType = ASN_INTEGER;
    integer.asnValue.number = -2147483647 - 1;
    EXPECT_EQ(values::SampleOf(0, integer)->signedValue, -2147483648LL);

    AsnAny text{};
    text.asnType = ASN_OCTETSTRING;
    EXPECT_FALSE(values::SampleOf(0, text));
    AsnAny missing{};
    missing.asnType = SNMP_EXCEPTION_NOSUCHINSTANCE;
    EXPECT_FALSE(values::SampleOf(0, missing));
}

TEST(CounterRateTest, OffersTheCounter64OfIfMibsCounters) {
    using Oid = std::vector<UINT>;
    struct Case {
        Oid oid;
        std::optional<Oid> wide;
    };
    const Case cases[] = {
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 10, 1}, Oid{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 6, 1}},
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 16, 12}, Oid{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 10, 12}},
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 17, 3}, Oid{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 11, 3}},
        {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 2, 4}, Oid{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 8, 4}},
        {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 5, 4}, Oid{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 13, 4}},
        {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 6, 1}, std::nullopt}, // 64-bit already
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 2, 1}, std::nullopt},     // ifDescr
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 10}, std::nullopt},       // no instance
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 13, 1}, std::nullopt},    // ifInDiscards: none
        {{1, 3, 6, 1, 2, 1, 1, 3, 0}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(values::Counter64Of(c.oid), c.wide) << ::testing::PrintToString(c.oid);
}

} // namespace
