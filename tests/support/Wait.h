// Waiting in tests for what another thread or process brings about. The limit only guards
// against a hang: on a machine whose cores are busy with other work, what takes
// milliseconds alone may take long, so it is generous.
#pragma once

#include <chrono>
#include <functional>

// Waits until `done` holds, without serving this thread's events; false at the limit.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::seconds limit = std::chrono::seconds(240));
// Serves this thread's events (the dialog's, and the calls that other threads make into it)
// until `done` holds; false at the limit.
bool ServeUntil(const std::function<bool()>& done,
                std::chrono::seconds limit = std::chrono::seconds(240));
