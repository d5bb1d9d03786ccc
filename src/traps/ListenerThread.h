// The trap listener thread's handle: the thread itself and whether it has ended, which
// the stop handshake needs to know when the listener ends without acknowledging.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

class CManagerDlg;

// The listener's thread procedure: 0 after an acknowledged stop, 1 when listening failed.
unsigned TrapListenerThread(CManagerDlg* dlg);

class CListenerThread {
public:
    // Starts `procedure` at once; `onEnded` runs on the thread after it has returned.
    CListenerThread(std::function<unsigned()> procedure, std::function<void()> onEnded);
    ~CListenerThread(); // joins
    CListenerThread(const CListenerThread&) = delete;
    CListenerThread& operator=(const CListenerThread&) = delete;

    bool HasEnded() const { return m_ended.load(); }
    unsigned ExitCode() const { return m_exitCode.load(); }

private:
    std::atomic<bool> m_ended{false};
    std::atomic<unsigned> m_exitCode{0};
    std::thread m_thread;
};
