#include "support/TrapFlood.h"

#include "support/TrapTraffic.h"
#include "testing/SnmpTesting.h"

#include <chrono>
#include <cstdint>
#include <deque>

namespace {

// What may be on the way to the receiver at once, as the kernel counts it against the
// receive buffer: far below the smallest buffer that the service gets (the kernel's default
// limit, which it doubles to 416 KiB). The kernel counts a datagram at up to twice its size
// and some hundred bytes more; at least one datagram is always on the way.
constexpr std::size_t kWindowBytes = 128 * 1024;

std::size_t KernelCost(const Bytes& datagram) {
    return 2 * datagram.size() + 1024;
}

void Pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(50));
}

} // namespace

CTrapFlood::CTrapFlood(unsigned short port, int allowed, std::function<Bytes(int)> trap)
    : m_trap(std::move(trap)), m_allowed(allowed), m_thread([this, port] { Run(port); }) {}

CTrapFlood::~CTrapFlood() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CTrapFlood::Allow(int allowed) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_allowed = allowed;
    }
    m_changed.notify_all();
}

bool CTrapFlood::WaitForAllowance(int number) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(
        lock, [this, number] { return m_stop || m_allowed == kEndless || number < m_allowed; });
    return !m_stop;
}

void CTrapFlood::Run(unsigned short port) {
    CUdpSender sender(port);
    const std::uint64_t readBefore = SnmpMgrGetTrapServiceCounters().received;
    std::uint64_t read = 0;           // of the flood's datagrams, by the receiver
    std::deque<std::size_t> onTheWay; // the cost of each datagram sent and not yet read
    std::size_t onTheWayBytes = 0;
    for (int number = 0; WaitForAllowance(number); ++number) {
        const Bytes trap = m_trap(number);
        const std::size_t cost = KernelCost(trap);
        while (!onTheWay.empty() && onTheWayBytes + cost > kWindowBytes) {
            const std::uint64_t readNow = SnmpMgrGetTrapServiceCounters().received - readBefore;
            for (; read < readNow && !onTheWay.empty(); ++read) {
                onTheWayBytes -= onTheWay.front();
                onTheWay.pop_front();
            }
            if (m_stop)
                return;
            if (onTheWayBytes + cost > kWindowBytes && !onTheWay.empty())
                Pause();
        }
        while (!sender.Send(trap)) {
            if (m_stop)
                return;
            Pause();
        }
        onTheWay.push_back(cost);
        onTheWayBytes += cost;
        ++m_sent;
    }
}
