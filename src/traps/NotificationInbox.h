// Where the trap listener leaves each notification for the notification log: a queue that
// any thread may post to without waiting for the log's thread, which takes what has come in
// batches. The listener already waits for the window's thread once per trap line; the log
// costs it no further wait.
#pragma once

#include "traps/Notification.h"

#include <functional>
#include <mutex>
#include <vector>

class CNotificationInbox {
public:
    // `wake` is called, from the posting thread, when a notification arrives in an inbox that
    // has not been taken from since it was last called: once per batch, not per notification.
    explicit CNotificationInbox(std::function<void()> wake) : m_wake(std::move(wake)) {}
    CNotificationInbox(const CNotificationInbox&) = delete;
    CNotificationInbox& operator=(const CNotificationInbox&) = delete;

    void Post(NotificationRef notification) {
        bool wake = false;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_items.push_back(std::move(notification));
            wake = !m_woken;
            m_woken = true;
        }
        if (wake && m_wake)
            m_wake();
    }

    // Everything posted so far, in the order posted.
    std::vector<NotificationRef> Take() {
        std::vector<NotificationRef> taken;
        std::lock_guard<std::mutex> guard(m_lock);
        taken.swap(m_items);
        m_woken = false;
        return taken;
    }

private:
    const std::function<void()> m_wake;
    std::mutex m_lock;
    std::vector<NotificationRef> m_items; // under m_lock
    bool m_woken = false;                 // under m_lock
};
