#include "snmpapi/RecentInforms.h"

void CRecentInforms::Forget(Clock::time_point now) {
    while (!m_arrivals.empty() &&
           (now - m_arrivals.front().time >= m_memory || m_arrivals.size() > m_capacity)) {
        m_keys.erase(m_arrivals.front().key);
        m_arrivals.pop_front();
    }
}

bool CRecentInforms::Contains(const InformKey& key, Clock::time_point now) {
    Forget(now);
    return m_keys.count(key) != 0;
}

void CRecentInforms::Remember(const InformKey& key, Clock::time_point now) {
    if (m_capacity == 0 || !m_keys.insert(key).second)
        return;
    m_arrivals.push_back({now, key});
    Forget(now);
}
