// A UDP responder on 127.0.0.1 with a thread of its own, under the scripted agents: each
// datagram that arrives goes to the handler, and what the handler answers goes back to the
// datagram's sender. Stop (or the end of the responder) wakes the thread and joins it.
#pragma once

#include "support/Ber.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

class LoopbackResponder {
public:
    // The datagram and its sender's port; no answer for an empty result.
    using Handler = std::function<std::optional<Bytes>(const Bytes& datagram, std::uint16_t peerPort)>;

    LoopbackResponder() = default;
    LoopbackResponder(const LoopbackResponder&) = delete;
    LoopbackResponder& operator=(const LoopbackResponder&) = delete;
    ~LoopbackResponder();

    bool Start(Handler handler); // binds a free port
    // Ends the thread: called by an owner before what its handler uses goes.
    void Stop();

    std::uint16_t Port() const { return m_port; }
    int Socket() const { return m_socket; }
    bool Stopping() const { return m_stop.load(); }

private:
    void Serve();

    Handler m_handler;
    int m_socket = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
