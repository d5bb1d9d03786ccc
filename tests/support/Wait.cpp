#include "support/Wait.h"

#include <QCoreApplication>

#include <thread>

namespace {

bool Until(const std::function<bool()>& done, std::chrono::seconds limit,
           const std::function<void()>& meanwhile) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        meanwhile();
    }
    return true;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    return Until(done, limit, [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
}

bool ServeUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    return Until(done, limit, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
}
