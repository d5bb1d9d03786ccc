#include "snmpapi/EngineTimes.h"

#include <algorithm>
#include <cstring>

CEngineTimes::CEngineTimes(std::size_t capacity) : m_capacity(capacity) {
    std::size_t slots = 16;
    while (slots < 2 * capacity)
        slots *= 2;
    m_index.assign(capacity > 0 ? slots : 0, 0);
}

// Where an engine id's search begins in the index (FNV-1a).
std::size_t CEngineTimes::Slot(const std::uint8_t* id, std::size_t length) const {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ id[i]) * 16777619u;
    return hash & (m_index.size() - 1);
}

// The index slot that holds the engine's record, or the empty one where it would go.
std::size_t CEngineTimes::Lookup(const std::uint8_t* id, std::size_t length) const {
    for (std::size_t slot = Slot(id, length);; slot = (slot + 1) & (m_index.size() - 1)) {
        if (m_index[slot] == 0)
            return slot;
        const Record& r = m_records[m_index[slot] - 1];
        if (r.length == length && std::memcmp(r.id, id, length) == 0)
            return slot;
    }
}

// Empties an index slot, moving back the entries after it that its entry kept from their
// own slots (linear probing's deletion), so that every lookup still finds its record.
void CEngineTimes::Unindex(std::size_t slot) {
    const std::size_t mask = m_index.size() - 1;
    std::size_t hole = slot;
    for (std::size_t next = (hole + 1) & mask; m_index[next] != 0; next = (next + 1) & mask) {
        const Record& r = m_records[m_index[next] - 1];
        const std::size_t home = Slot(r.id, r.length);
        // Moved back only when its home is not between the hole and where it is.
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            m_index[hole] = m_index[next];
            hole = next;
        }
    }
    m_index[hole] = 0;
}

void CEngineTimes::DropOldest() {
    Record& oldest = m_records[m_oldest];
    if (oldest.length != 0) {
        Unindex(Lookup(oldest.id, oldest.length));
        oldest.length = 0;
        --m_size;
    }
    m_oldest = (m_oldest + 1) % m_capacity;
    --m_used;
}

void CEngineTimes::Keep(const std::vector<std::uint8_t>& engine, std::uint32_t boots,
                        std::uint32_t time, std::int64_t now) {
    if (m_capacity == 0 || engine.empty() || engine.size() > sizeof Record::id)
        return;
    std::size_t slot = Lookup(engine.data(), engine.size());
    if (m_index[slot] != 0) {
        // Given up where it was and kept anew at the newest end.
        m_records[m_index[slot] - 1].length = 0;
        Unindex(slot);
        --m_size;
    }
    if (m_used == m_capacity)
        DropOldest();
    // Found again: what the drops moved in the index may have filled the slot found.
    slot = Lookup(engine.data(), engine.size());
    const std::size_t position = (m_oldest + m_used) % m_capacity;
    if (position == m_records.size())
        m_records.emplace_back();
    Record& r = m_records[position];
    std::memcpy(r.id, engine.data(), engine.size());
    r.length = static_cast<std::uint8_t>(engine.size());
    r.boots = boots;
    r.time = time;
    r.at = static_cast<std::uint32_t>(now);
    m_index[slot] = static_cast<std::uint32_t>(position + 1);
    ++m_used;
    ++m_size;
}

bool CEngineTimes::Find(const std::vector<std::uint8_t>& engine, std::int64_t now,
                        std::uint32_t* boots, std::uint32_t* time) const {
    if (m_capacity == 0 || engine.empty() || engine.size() > sizeof Record::id)
        return false;
    const std::size_t slot = Lookup(engine.data(), engine.size());
    if (m_index[slot] == 0)
        return false;
    const Record& r = m_records[m_index[slot] - 1];
    *boots = r.boots;
    const std::int64_t since = std::max<std::int64_t>(0, now - static_cast<std::int64_t>(r.at));
    *time = static_cast<std::uint32_t>(
        std::min<std::int64_t>(0x7FFFFFFF, static_cast<std::int64_t>(r.time) + since));
    return true;
}

std::size_t CEngineTimes::Footprint() const {
    return m_records.capacity() * sizeof(Record) + m_index.capacity() * sizeof(std::uint32_t);
}
