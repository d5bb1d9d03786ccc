// The arithmetic of the live counters: what an object did between two polls, timed by the
// agent's own sysUpTime (hundredths of a second) rather than the local clock, so that a
// delayed answer or a busy manager does not bend the rate.
//
// A Counter32 or Counter64 that went back is taken as one wrap when the distance across
// the wrap is less than half the counter's range, and as a break (the agent restarted, or
// the counter was reset) otherwise; a sysUpTime that went back is a break too, unless it
// wrapped itself at 2^32 within what the local clock allows. A break shows no change and
// no rate, never a negative or a huge one. Gauges, integers and the other numbers show
// their change and no rate.
#pragma once

#include "snmpapi/SnmpApi.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace values {

// One object's value at one poll, with the sysUpTime of the same answer.
struct CounterSample {
    AsnTimeticks upTime = 0;
    BYTE type = ASN_NULL; // the value's tag; an exception's or NULL for none
    // The value as a number: an INTEGER as its signed value, the unsigned types as theirs.
    std::int64_t signedValue = 0;
    std::uint64_t unsignedValue = 0;
};

// The sample of a value as it arrived; none for a value that is no number.
std::optional<CounterSample> SampleOf(AsnTimeticks upTime, const AsnAny& value);

enum class StepKind {
    None,    // nothing to compare: no number, or the type changed
    Change,  // a gauge, an integer or another number: the change only
    Rate,    // a counter: the change and the rate per second
    NoTime,  // a counter whose agent's sysUpTime did not advance: the change, no rate
    Restart, // the agent's sysUpTime went back: a break
    Reset,   // a counter went back without a plausible wrap: a break
};

struct CounterStep {
    StepKind kind = StepKind::None;
    // The change: for a counter, how far it counted (across one wrap where it wrapped).
    long double change = 0;
    double ratePerSecond = 0;       // StepKind::Rate only
    std::uint64_t elapsedTicks = 0; // the agent's time between the samples
    bool wrapped = false;           // the counter wrapped once between them

    bool IsBreak() const { return kind == StepKind::Restart || kind == StepKind::Reset; }
};

// The agent's time from `before` to `after`, or none where the agent restarted: sysUpTime
// that went back counts as its own wrap at 2^32 only when the distance across it is no
// more than twice `localElapsedMs` and ten seconds besides (the local clock judges only
// whether a wrap is plausible, it never times the rate).
std::optional<std::uint64_t> AgentTicksBetween(AsnTimeticks before, AsnTimeticks after,
                                               std::uint64_t localElapsedMs);

// What the object did from `before` to `after`, `localElapsedMs` apart by the local clock.
CounterStep StepBetween(const CounterSample& before, const CounterSample& after,
                        std::uint64_t localElapsedMs);

// How long a counter that does not move is taken for one that the agent serves from a cache
// it refreshes now and then (snmpd's interface counters, for one), in hundredths of the
// agent's time: its rate is then counted over the span from its last change to its next,
// rather than as nought and then as a step of several intervals' worth.
inline constexpr std::uint64_t kCacheHoldTicks = 1000;

// Whether `after` is a counter unchanged since `anchor` (its last change) and less than
// kCacheHoldTicks later on the agent's time, whose rate waits for the counter's next change.
bool HeldByCache(const CounterSample& anchor, const CounterSample& after);

// The Counter64 counterpart of a 32-bit counter of IF-MIB (ifInOctets.1 ->
// ifHCInOctets.1), the instance's index kept; none for any other identifier.
std::optional<std::vector<UINT>> Counter64Of(std::span<const UINT> oid);

} // namespace values
