// The notification log: every notification that the trap listener handed to the trap window
// since the program started, one row each, numbered from 1 in the order they came, on the
// dialog's thread. The log window views it; it lives with the main dialog, so that what came
// before the window was first opened is there too.
//
// It is bounded in bytes, as the trap window is, and not in rows: when the rows' footprints
// pass the bound the oldest go, and the log counts how many went. The trap window keeps its
// own lines and its own bound.
#pragma once

#include "traps/Notification.h"
#include "traps/NotificationInbox.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

// The log's bound: as much as the trap window's text may take.
inline constexpr std::size_t kNotificationLogBytes = 256 * 1024 * 1024;
// The most sources and names the log window offers to choose from; a sender that makes up
// addresses or names gets no more.
inline constexpr std::size_t kNotificationChoicesMax = 500;

class CNotificationLog : public QObject {
    Q_OBJECT

public:
    explicit CNotificationLog(QObject* parent = nullptr);

    // Where the trap listener posts, from its own thread; the log takes what was posted at
    // most every 40 ms while notifications come, and at the first turn of its thread's event
    // loop after a quiet spell.
    CNotificationInbox* Inbox() { return &m_inbox; }
    // Takes what the inbox holds now.
    void TakeInbox();
    // Adds notifications at the end, the oldest going where the bound demands it.
    void Append(std::vector<NotificationRef> notifications);

    // The rows kept are numbered First() .. End() - 1.
    std::uint64_t First() const { return m_first; }
    std::uint64_t End() const { return m_first + m_rows.size(); }
    std::size_t Count() const { return m_rows.size(); }
    const NotificationRef& At(std::uint64_t number) const {
        return m_rows[static_cast<std::size_t>(number - m_first)];
    }
    // The rows that went to keep the log within its bound.
    std::uint64_t Removed() const { return m_first - 1; }
    std::size_t Bytes() const { return m_bytes; }

    // The senders' addresses and the names seen so far, in the order first seen, at most
    // kNotificationChoicesMax of each.
    const std::vector<std::string>& Sources() const { return m_sources; }
    const std::vector<std::string>& Names() const { return m_names; }

    // A bound other than kNotificationLogBytes, so that tests can reach it: a seam of the
    // testing library (src/testing), which the tests link and the program does not.
    void SetByteLimitForTesting(std::size_t bytes);

signals:
    // The oldest rows up to `first` - 1 have gone; then the rows `from` .. End() - 1 came.
    void rowsRemoved(std::uint64_t first);
    void rowsAppended(std::uint64_t from);
    // Sources() or Names() grew.
    void choicesGrew();

private:
    void ScheduleTake();
    void Remember(std::vector<std::string>& list, std::unordered_set<std::string>& seen,
                  std::string_view text, bool* grew);

    CNotificationInbox m_inbox;
    std::deque<NotificationRef> m_rows;
    std::uint64_t m_first = 1;
    std::size_t m_bytes = 0;
    std::size_t m_byteLimit = kNotificationLogBytes;
    std::vector<std::string> m_sources;
    std::vector<std::string> m_names;
    std::unordered_set<std::string> m_seenSources;
    std::unordered_set<std::string> m_seenNames;
    QTimer m_takeTimer;
    QElapsedTimer m_sinceTake;
};
