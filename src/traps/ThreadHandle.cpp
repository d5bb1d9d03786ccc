#include "traps/ThreadHandle.h"

#include <atomic>
#include <thread>

// The thread's record lives apart from the handle, so that the thread's writes to it stay
// valid while the handle is moved.
struct CThreadHandle::Thread {
    std::atomic<bool> ended{false};
    std::atomic<unsigned> exitCode{0};
    std::thread thread;
};

CThreadHandle CThreadHandle::Create(std::function<unsigned()> procedure,
                                    std::function<void()> onEnded) {
    CThreadHandle handle;
    handle.m_thread = std::make_unique<Thread>();
    Thread* record = handle.m_thread.get();
    record->thread =
        std::thread([record, procedure = std::move(procedure), onEnded = std::move(onEnded)] {
            record->exitCode = procedure();
            record->ended = true;
            onEnded();
        });
    return handle;
}

CThreadHandle::CThreadHandle() = default;
CThreadHandle::CThreadHandle(CThreadHandle&& other) noexcept = default;

CThreadHandle& CThreadHandle::operator=(CThreadHandle&& other) noexcept {
    if (this != &other) {
        Close();
        m_thread = std::move(other.m_thread);
    }
    return *this;
}

CThreadHandle::~CThreadHandle() {
    Close();
}

void CThreadHandle::Close() {
    if (m_thread && m_thread->thread.joinable())
        m_thread->thread.join();
    m_thread.reset();
}

bool CThreadHandle::HasEnded() const {
    return m_thread && m_thread->ended.load();
}

unsigned CThreadHandle::ExitCode() const {
    return m_thread ? m_thread->exitCode.load() : 0;
}
