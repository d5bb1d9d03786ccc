#include "values/CounterRate.h"

#include <algorithm>
#include <array>
#include <vector>

namespace values {

namespace {

constexpr std::uint64_t kTicksRange = std::uint64_t{1} << 32;
// The slack that a wrap of sysUpTime is allowed beyond twice the local time, in hundredths:
// the agent's clock and ours need not tick alike.
constexpr std::uint64_t kWrapSlackTicks = 1000;

bool IsCounter(BYTE type) {
    return type == ASN_COUNTER32 || type == ASN_COUNTER64;
}

} // namespace

std::optional<CounterSample> SampleOf(AsnTimeticks upTime, const AsnAny& value) {
    CounterSample sample;
    sample.upTime = upTime;
    sample.type = value.asnType;
    switch (value.asnType) {
    case ASN_INTEGER:
        sample.signedValue = value.asnValue.number;
        return sample;
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        sample.unsignedValue = value.asnValue.unsigned32;
        return sample;
    case ASN_COUNTER64: {
        // The layer keeps it as its eight bytes, most significant first.
        const AsnOctetString& bytes = value.asnValue.string;
        if (bytes.length != 8 || !bytes.stream)
            return std::nullopt;
        for (UINT i = 0; i < 8; ++i)
            sample.unsignedValue = (sample.unsignedValue << 8) | bytes.stream[i];
        return sample;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::uint64_t> AgentTicksBetween(AsnTimeticks before, AsnTimeticks after,
                                               std::uint64_t localElapsedMs) {
    if (after >= before)
        return std::uint64_t{after} - before;
    const std::uint64_t acrossWrap = kTicksRange - before + after;
    // Hundredths by the local clock: a wrap of 497 days' time happens once, and only the
    // local clock tells it from a restart.
    const std::uint64_t localTicks = localElapsedMs / 10;
    if (acrossWrap <= 2 * localTicks + kWrapSlackTicks)
        return acrossWrap;
    return std::nullopt;
}

CounterStep StepBetween(const CounterSample& before, const CounterSample& after,
                        std::uint64_t localElapsedMs) {
    CounterStep step;
    if (before.type != after.type)
        return step;
    const std::optional<std::uint64_t> ticks =
        AgentTicksBetween(before.upTime, after.upTime, localElapsedMs);
    if (!IsCounter(after.type)) {
        // A gauge's change means what it says across a restart too.
        step.kind = StepKind::Change;
        step.change = after.type == ASN_INTEGER
                          ? static_cast<long double>(after.signedValue) - before.signedValue
                          : static_cast<long double>(after.unsignedValue) -
                                static_cast<long double>(before.unsignedValue);
        step.elapsedTicks = ticks.value_or(0);
        return step;
    }
    if (!ticks) {
        step.kind = StepKind::Restart;
        return step;
    }
    step.elapsedTicks = *ticks;
    std::uint64_t counted = after.unsignedValue - before.unsignedValue; // modulo 2^64
    if (after.unsignedValue < before.unsignedValue) {
        const bool wide = after.type == ASN_COUNTER64;
        // Across the wrap: modulo 2^32 for a Counter32, 2^64 (already) for a Counter64.
        if (!wide)
            counted = (kTicksRange - before.unsignedValue) + after.unsignedValue;
        const std::uint64_t half = wide ? std::uint64_t{1} << 63 : std::uint64_t{1} << 31;
        if (counted >= half) {
            step.kind = StepKind::Reset;
            return step;
        }
        step.wrapped = true;
    }
    step.change = static_cast<long double>(counted);
    if (*ticks == 0) {
        step.kind = StepKind::NoTime;
        return step;
    }
    step.kind = StepKind::Rate;
    step.ratePerSecond = static_cast<double>(static_cast<long double>(counted) * 100.0L /
                                             static_cast<long double>(*ticks));
    return step;
}

bool HeldByCache(const CounterSample& anchor, const CounterSample& after) {
    return IsCounter(after.type) && anchor.type == after.type &&
           anchor.unsignedValue == after.unsignedValue && after.upTime >= anchor.upTime &&
           after.upTime - anchor.upTime < kCacheHoldTicks;
}

std::optional<std::vector<UINT>> Counter64Of(std::span<const UINT> oid) {
    // IF-MIB's 32-bit counters, under ifEntry (1.3.6.1.2.1.2.2.1) and ifXEntry
    // (1.3.6.1.2.1.31.1.1.1), and the ifXEntry columns of their 64-bit counterparts.
    static constexpr std::array<UINT, 9> kIfEntry = {1, 3, 6, 1, 2, 1, 2, 2, 1};
    static constexpr std::array<UINT, 10> kIfXEntry = {1, 3, 6, 1, 2, 1, 31, 1, 1, 1};
    struct Pair {
        bool inIfX; // the 32-bit column is ifXEntry's
        UINT column;
        UINT wideColumn; // in ifXEntry
    };
    static constexpr Pair kPairs[] = {
        {false, 10, 6},  // ifInOctets -> ifHCInOctets
        {false, 11, 7},  // ifInUcastPkts -> ifHCInUcastPkts
        {true, 2, 8},    // ifInMulticastPkts -> ifHCInMulticastPkts
        {true, 3, 9},    // ifInBroadcastPkts -> ifHCInBroadcastPkts
        {false, 16, 10}, // ifOutOctets -> ifHCOutOctets
        {false, 17, 11}, // ifOutUcastPkts -> ifHCOutUcastPkts
        {true, 4, 12},   // ifOutMulticastPkts -> ifHCOutMulticastPkts
        {true, 5, 13},   // ifOutBroadcastPkts -> ifHCOutBroadcastPkts
    };
    const auto under = [&oid](std::span<const UINT> entry) {
        return oid.size() > entry.size() + 1 && std::equal(entry.begin(), entry.end(), oid.begin());
    };
    const bool inIf = under(kIfEntry);
    const bool inIfX = under(kIfXEntry);
    if (!inIf && !inIfX)
        return std::nullopt;
    const std::size_t prefix = inIf ? kIfEntry.size() : kIfXEntry.size();
    const UINT column = oid[prefix];
    for (const Pair& pair : kPairs) {
        if (pair.inIfX != inIfX || pair.column != column)
            continue;
        std::vector<UINT> wide(kIfXEntry.begin(), kIfXEntry.end());
        wide.push_back(pair.wideColumn);
        wide.insert(wide.end(), oid.begin() + static_cast<std::ptrdiff_t>(prefix) + 1, oid.end());
        return wide;
    }
    return std::nullopt;
}

} // namespace values
