// A thread's handle: null, or a thread that runs one procedure, until the handle is closed.
// Closing joins the thread; the handle knows whether the procedure has returned and what it
// returned, which the trap listener's stop handshake needs when the listener ends without
// acknowledging.
#pragma once

#include <functional>
#include <memory>

class CThreadHandle {
public:
    CThreadHandle(); // null
    // Starts `procedure` on a new thread at once; `onEnded` runs on that thread after it has
    // returned. Throws std::system_error when no thread can be had.
    static CThreadHandle Create(std::function<unsigned()> procedure, std::function<void()> onEnded);

    CThreadHandle(CThreadHandle&& other) noexcept;
    CThreadHandle& operator=(CThreadHandle&& other) noexcept; // closes what this one held
    ~CThreadHandle();                                         // closes

    // Joins the thread, if there is one; the handle is null afterwards.
    void Close();

    explicit operator bool() const { return m_thread != nullptr; }
    // Whether the procedure has returned, and what it returned; false and 0 for null.
    bool HasEnded() const;
    unsigned ExitCode() const;

private:
    struct Thread;
    std::unique_ptr<Thread> m_thread;
};
