#include "traps/DialogCall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>

#include <thread>

namespace {

// How long the listener looks for the answer to a call before it sleeps, how long the
// dialog's thread looks for the next call, and the longest run of calls served in one turn.
constexpr auto kLookForAnswer = std::chrono::microseconds(100);
constexpr auto kLookForNextCall = std::chrono::microseconds(100);
constexpr auto kServingTurn = std::chrono::milliseconds(10);

// A busy look gives way to any other thread that is ready to run: with more ready threads
// than processors (the receiver in a flood, the other side of the call), a look that only
// paused would keep from running the very thread it waits for.
inline void CpuRelax() {
    std::this_thread::yield();
}

} // namespace

void CDialogCall::Send(const std::function<void()>& call) {
    std::uint32_t ticket = 0;
    {
        // Numbered, posted and counted under one lock, so that the calls run in the order of
        // their numbers and a stop handshake that sees the count always finds the call posted.
        std::lock_guard<std::mutex> guard(m_sentLock);
        ticket = ++m_sentTickets;
        QMetaObject::invokeMethod(
            m_receiver,
            [this, &call] {
                call();
                {
                    std::lock_guard<std::mutex> sentGuard(m_sentLock);
                    --m_sentPending;
                }
                // The caller may return as soon as it sees this; `call` is not used again.
                m_sentDone.fetch_add(1);
                m_sentDone.notify_all();
                if (!m_bServingCalls)
                    ServeFollowingCalls();
            },
            Qt::QueuedConnection);
        ++m_sentPending;
    }
    // Notified outside the lock, so that a stop handshake that wakes does not wait for it.
    m_sentPosted.notify_all();
    // The lightest wait for the answer: in a storm the dialog's thread answers within
    // microseconds, so the caller first looks for a moment without sleeping; then it sleeps
    // on the counter itself, woken without a lock that either side would then wait for.
    const auto hasRun = [this, ticket] {
        return static_cast<std::int32_t>(m_sentDone.load() - ticket) >= 0;
    };
    const auto lookUntil = std::chrono::steady_clock::now() + kLookForAnswer;
    while (!hasRun() && std::chrono::steady_clock::now() < lookUntil)
        CpuRelax();
    for (std::uint32_t done = m_sentDone.load(); static_cast<std::int32_t>(done - ticket) < 0;
         done = m_sentDone.load())
        m_sentDone.wait(done);
}

void CDialogCall::ServeThenWait(std::chrono::milliseconds limit,
                                const std::function<bool()>& done) {
    ServeSentMessages();
    std::unique_lock<std::mutex> lock(m_sentLock);
    m_sentPosted.wait_for(lock, limit, [this, &done] { return m_sentPending != 0 || done(); });
}

void CDialogCall::WakeWaiter() {
    std::lock_guard<std::mutex> guard(m_sentLock);
    m_sentPosted.notify_all();
}

// In a storm the listener's next call follows the last within microseconds: the dialog's
// thread looks for it a moment before it goes back to its event loop, and serves the calls
// that follow one another so, without a sleep and a wake-up for each line. Input, timers and
// painting get their turn at least every 10 ms.
void CDialogCall::ServeFollowingCalls() {
    m_bServingCalls = true;
    const auto turnEnds = std::chrono::steady_clock::now() + kServingTurn;
    for (;;) {
        const auto lookUntil = std::chrono::steady_clock::now() + kLookForNextCall;
        while (m_sentPending.load() == 0 && std::chrono::steady_clock::now() < lookUntil)
            CpuRelax();
        if (m_sentPending.load() == 0 || std::chrono::steady_clock::now() >= turnEnds)
            break;
        ServeSentMessages();
    }
    m_bServingCalls = false;
}

void CDialogCall::ServeSentMessages() {
    QCoreApplication::sendPostedEvents(m_receiver, QEvent::MetaCall);
}
