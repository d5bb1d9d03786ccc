// The blocking cross-thread call: another thread has a call run on the dialog's thread and
// returns when it has run. The trap listener adds its lines through it; the stop handshake
// serves the calls the listener is blocked on while it waits for the listener.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class QObject;

class CDialogCall {
public:
    // The calls run on `receiver`'s thread, as its posted events.
    explicit CDialogCall(QObject* receiver) : m_receiver(receiver) {}
    CDialogCall(const CDialogCall&) = delete;
    CDialogCall& operator=(const CDialogCall&) = delete;

    // Runs `call` on the receiver's thread and returns when it has run. Called from other
    // threads only.
    void Send(const std::function<void()>& call);

    // Receiver's thread: runs the calls posted so far, then waits at most `limit` for the
    // next call to be posted or for `done` to hold.
    void ServeThenWait(std::chrono::milliseconds limit, const std::function<bool()>& done);
    // Any thread: wakes a ServeThenWait, after a change that its `done` reads.
    void WakeWaiter();

private:
    void ServeSentMessages();
    void ServeFollowingCalls();

    QObject* m_receiver;
    // Calls posted by Send and not yet run; the stop handshake waits on this to serve them.
    std::mutex m_sentLock;
    std::condition_variable m_sentPosted;
    std::atomic<int> m_sentPending{0};
    // Whether ServeFollowingCalls is running, so that the calls it serves do not start it
    // again. Receiver's thread only.
    bool m_bServingCalls = false;
    // The calls numbered as they are posted (under m_sentLock), and how many have run: a
    // caller's call has run when the second has reached its number.
    std::uint32_t m_sentTickets = 0;
    std::atomic<std::uint32_t> m_sentDone{0};
};
