#include "ui/NotificationLog.h"

#include <QMetaObject>

#include <algorithm>

namespace {

// As the trap window's lines: the log takes notifications no more often than the eye can
// follow them.
constexpr int kTakeIntervalMs = 40;

} // namespace

CNotificationLog::CNotificationLog(QObject* parent)
    : QObject(parent), m_inbox([this] {
          // The listener's thread: the taking is the log's thread's.
          QMetaObject::invokeMethod(this, &CNotificationLog::ScheduleTake, Qt::QueuedConnection);
      }) {
    m_takeTimer.setSingleShot(true);
    connect(&m_takeTimer, &QTimer::timeout, this, &CNotificationLog::TakeInbox);
}

void CNotificationLog::ScheduleTake() {
    if (m_takeTimer.isActive())
        return;
    const qint64 since = m_sinceTake.isValid() ? m_sinceTake.elapsed() : kTakeIntervalMs;
    m_takeTimer.start(static_cast<int>(std::max<qint64>(0, kTakeIntervalMs - since)));
}

void CNotificationLog::TakeInbox() {
    m_takeTimer.stop();
    m_sinceTake.start();
    Append(m_inbox.Take());
}

void CNotificationLog::Remember(std::vector<std::string>& list,
                                std::unordered_set<std::string>& seen, std::string_view text,
                                bool* grew) {
    if (text.empty() || list.size() >= kNotificationChoicesMax)
        return;
    if (seen.emplace(text).second) {
        list.emplace_back(text);
        *grew = true;
    }
}

void CNotificationLog::Append(std::vector<NotificationRef> notifications) {
    if (notifications.empty())
        return;
    const std::uint64_t from = End();
    bool grew = false;
    for (NotificationRef& notification : notifications) {
        Remember(m_sources, m_seenSources, notification->SenderText(), &grew);
        Remember(m_names, m_seenNames, notification->NameText(), &grew);
        m_bytes += notification->Footprint();
        m_rows.push_back(std::move(notification));
    }
    const std::uint64_t firstBefore = m_first;
    while (m_bytes > m_byteLimit && !m_rows.empty()) {
        m_bytes -= m_rows.front()->Footprint();
        m_rows.pop_front();
        ++m_first;
    }
    if (m_first != firstBefore)
        emit rowsRemoved(m_first);
    if (End() > std::max(from, m_first))
        emit rowsAppended(std::max(from, m_first));
    if (grew)
        emit choicesGrew();
}
