// A flood of traps at the trap service's loopback port, sent from a thread of its own, for
// the tests that need traps still coming when they look, or all in when they look.
//
// The test decides how far the flood goes, so that what must happen during a storm happens
// during it on a quick machine as on a slow one: the flood sends up to the number of traps
// that the test allows and holds back the rest until the test allows more, or it sends until
// it is destroyed.
//
// Sending on loopback never fails for a full receive buffer: the kernel takes the datagram
// and drops it at the receiving socket. So the flood keeps within a small window of what the
// service's receiver has read, and none is lost on the way however long the receiver waits
// for a processor. Start it once the service listens (its counters start again at a listen),
// and send nothing else to the port while it runs.
#pragma once

#include "support/Ber.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CTrapFlood {
public:
    static constexpr int kEndless = -1;

    // Sends trap(0), trap(1), ... to `port` until `allowed` traps have been sent (kEndless:
    // until destroyed).
    CTrapFlood(unsigned short port, int allowed, std::function<Bytes(int number)> trap);
    ~CTrapFlood(); // stops at once, whatever is still allowed
    CTrapFlood(const CTrapFlood&) = delete;
    CTrapFlood& operator=(const CTrapFlood&) = delete;

    // Lets the flood go on until `allowed` traps in all have been sent (kEndless: no end).
    void Allow(int allowed);
    int Sent() const { return m_sent.load(); }

private:
    void Run(unsigned short port);
    bool WaitForAllowance(int number); // false when stopped

    const std::function<Bytes(int)> m_trap;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_allowed;                   // under m_lock
    std::atomic<bool> m_stop{false}; // set under m_lock, so that a wait for allowance sees it
    std::atomic<int> m_sent{0};
    std::thread m_thread; // last: it starts once the rest is in place
};
