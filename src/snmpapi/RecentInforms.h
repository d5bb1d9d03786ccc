// The informs that the trap service has answered lately, so that a retransmission is
// answered again but shown once. An agent sends an inform again, with the same request id,
// when our Response did not reach it (RFC 3416, 4.2.7 leaves the retrying to the sender);
// each sending reaches us as a datagram of its own.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>

// One inform: who sent it, in which message version, and its request id. An SNMPv2c sender
// is its address bytes and UDP port; an SNMPv3 one is its engine (the scopedPDU's
// contextEngineID), wherever the datagram comes from, as an authenticated inform sent again
// from another port, by its sender or by anyone who saw it, is the same inform.
struct InformKey {
    std::int32_t version = 0;
    std::uint8_t address[16] = {};
    std::uint8_t addressLength = 0;
    std::uint16_t port = 0;
    std::uint8_t engine[32] = {};
    std::uint8_t engineLength = 0;
    std::int32_t requestId = 0;

    auto operator<=>(const InformKey&) const = default;
};

class CRecentInforms {
public:
    using Clock = std::chrono::steady_clock;

    // Informs are remembered for `memory` after their first arrival, and at most `capacity`
    // of them: beyond that the oldest is forgotten, so that a sender of ever new request ids
    // cannot make the memory grow without end.
    explicit CRecentInforms(Clock::duration memory = std::chrono::seconds(120),
                            std::size_t capacity = 100000)
        : m_memory(memory), m_capacity(capacity) {}

    // Whether `key` first arrived less than the memory's time before `now`.
    bool Contains(const InformKey& key, Clock::time_point now);
    // Remembers `key` as first arrived at `now`; a key that is remembered already is left as
    // it is.
    void Remember(const InformKey& key, Clock::time_point now);
    std::size_t Size() const { return m_keys.size(); }

private:
    void Forget(Clock::time_point now);

    struct Arrival {
        Clock::time_point time;
        InformKey key;
    };
    Clock::duration m_memory;
    std::size_t m_capacity;
    std::deque<Arrival> m_arrivals; // oldest first
    std::set<InformKey> m_keys;
};
