// The latest boots and time of SNMPv3 senders' engines, as the trap service keeps them beyond
// the engines' users (TrapUsm.h). For the layer's own files and the testing library; it needs
// no part of net-snmp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A user goes with its engine's time record once more engines than the trap service keeps
// users for have authenticated since (TrapUsm.h); a notification that the record refused
// (RFC 3414, 3.2 (7)(b)) must stay refused when the user is made again, so the record is
// kept here. Bounded, as senders with the keys can make ever new engine ids, and compact: a
// record takes 48 bytes and 8 bytes of index. When it is full, the record kept longest ago
// goes.
class CEngineTimes {
public:
    static constexpr std::size_t kCapacity = 131072;

    explicit CEngineTimes(std::size_t capacity = kCapacity);

    // Keeps `engine`'s boots and its time as it was at `now` (seconds of a steady clock); an
    // engine kept already takes the newer values and counts as kept now.
    void Keep(const std::vector<std::uint8_t>& engine, std::uint32_t boots, std::uint32_t time,
              std::int64_t now);
    // The engine's boots and its time at `now` as kept, grown by the seconds since; false for
    // an engine not kept.
    bool Find(const std::vector<std::uint8_t>& engine, std::int64_t now, std::uint32_t* boots,
              std::uint32_t* time) const;
    std::size_t Size() const { return m_size; }
    // The bytes that the table takes.
    std::size_t Footprint() const;

private:
    struct Record {
        std::uint8_t id[32];
        std::uint8_t length; // 0: no record (a slot given up)
        std::uint32_t boots;
        std::uint32_t time;
        std::uint32_t at; // when the time was `time`
    };
    static_assert(sizeof(Record) == 48);

    std::size_t Slot(const std::uint8_t* id, std::size_t length) const;
    std::size_t Lookup(const std::uint8_t* id, std::size_t length) const;
    void Unindex(std::size_t slot);
    void DropOldest();

    std::size_t m_capacity;
    std::vector<Record> m_records; // a ring in the order kept: m_oldest is the oldest
    std::size_t m_oldest = 0;
    std::size_t m_used = 0; // ring positions in use, given-up ones included
    std::size_t m_size = 0; // records
    std::vector<std::uint32_t> m_index; // open addressing: ring position + 1, 0 when empty
};

