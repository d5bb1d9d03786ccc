// The trap listener: a thread that waits for the trap service's event, drains the queued
// traps and adds one line per binding to the trap window; and the dialog's side of it,
// the start, the stop handshake, the blocking cross-thread addition and Clear.
#include "traps/ListenerThread.h"

#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/Values.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

CListenerThread::CListenerThread(std::function<unsigned()> procedure, std::function<void()> onEnded)
    : m_thread([this, procedure = std::move(procedure), onEnded = std::move(onEnded)] {
          m_exitCode = procedure();
          m_ended = true;
          onEnded();
      }) {}

CListenerThread::~CListenerThread() {
    if (m_thread.joinable())
        m_thread.join();
}

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

// The address text of a trap's agent. Only a 4-byte address has the dotted form; an IPv6
// sender's 16 bytes get the usual IPv6 text, and any other length the bytes themselves in
// dotted decimal (none: the empty text), so the line is always formed.
std::string AgentAddressText(const AsnOctetString& address) {
    char text[64] = "";
    const BYTE* b = address.stream;
    if (address.length == 4) {
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    } else if (address.length == 16) {
        inet_ntop(AF_INET6, b, text, sizeof text);
    } else {
        size_t used = 0;
        for (UINT i = 0; i < address.length && used + 5 < sizeof text; ++i)
            used += static_cast<size_t>(
                std::snprintf(text + used, sizeof text - used, i ? ".%d" : "%d", b[i]));
    }
    return text;
}

// "Trap: IP:<address> OID:<name> Value:<value>", in a buffer sized as the parts demand.
char* BuildTrapLine(const std::string& address, const char* name, const char* value) {
    const size_t size = address.size() + std::strlen(value) + std::strlen(name) + 128;
    char* line = static_cast<char*>(std::malloc(size));
    if (line)
        std::snprintf(line, size, "Trap: IP:%s OID:%s Value:%s", address.c_str(), name, value);
    return line;
}

void ShowListenError(CManagerDlg* dlg, UINT code) {
    std::string text = SystemErrorText(code);
    if (text.empty())
        text = "Okapel cannot receive traps (error " + std::to_string(code) + ").";
    // The box belongs to the dialog, so it is shown on the dialog's thread; the listener
    // waits until the operator has closed it.
    dlg->SendMessageToDialog(
        [dlg, &text] { dlg->MessageBox(text.c_str(), "Listen Error", MB_ICONERROR); });
}

// Hands out the queued traps, one line per binding, until the queue is empty or the dialog
// asks the listener to stop. The stop flag is looked at between traps, never inside one, so
// a trap's lines stay whole and a close waits at most for the trap being shown, however
// long a sender keeps sending; what is still queued goes with the trap event.
void DrainTraps(CManagerDlg* dlg) {
    AsnObjectIdentifier enterprise{};
    AsnOctetString agentAddress{};
    AsnInteger genericTrap = 0;
    AsnInteger specificTrap = 0;
    AsnTimeticks timeStamp = 0;
    SnmpVarBindList bindings{};
    while (dlg->m_bStopTrapThread == 0 && SnmpMgrGetTrap(&enterprise, &agentAddress, &genericTrap,
                                                         &specificTrap, &timeStamp, &bindings)) {
        const std::string address = AgentAddressText(agentAddress);
        if (agentAddress.dynamic)
            SnmpUtilMemFree(agentAddress.stream);
        for (UINT i = 0; i < bindings.len; ++i) {
            char* name = nullptr;
            if (!SnmpMgrOidToStr(&bindings.list[i].name, &name))
                name = nullptr; // a name without a text form leaves that part empty
            char* value = values::FormatValue(&bindings.list[i].value);
            char* line = BuildTrapLine(address, name ? name : "", value ? value : "");
            if (line) {
                // A full trap window keeps what it has and drops the line (LB_ERRSPACE).
                dlg->SendMessageToDialog(
                    [dlg, line] { dlg->ListBox(IDC_TRAP_LIST)->AddString(line); });
            }
            SnmpUtilMemFree(name);
            std::free(line);
            SnmpUtilMemFree(value);
        }
        SnmpUtilOidFree(&enterprise);
        SnmpUtilVarBindListFree(&bindings);
        agentAddress = AsnOctetString{};
    }
}

} // namespace

unsigned TrapListenerThread(CManagerDlg* dlg) {
    // The event is published before the first look at the stop flag; the dialog writes the
    // flag before it reads the event. With both sequentially consistent, a stop requested
    // at any moment is seen by a flag test or arrives through the event.
    HANDLE event = nullptr;
    if (!SnmpMgrTrapListen(&event)) {
        ShowListenError(dlg, GetLastError());
        return 1;
    }
    dlg->m_hTrapEvent = event;

    for (;;) {
        if (dlg->m_bStopTrapThread != 0)
            break;
        if (WaitForSingleObject(dlg->m_hTrapEvent, INFINITE) != WAIT_OBJECT_0)
            continue;
        if (dlg->m_bStopTrapThread != 0)
            break;
        // Reset before draining, so that a trap queued during the drain signals again.
        ResetEvent(dlg->m_hTrapEvent);
        DrainTraps(dlg);
    }

    {
        // Closing excludes the dialog's signalling: it never signals a released event.
        std::lock_guard<std::mutex> guard(dlg->m_trapEventLock);
        if (HANDLE closing = dlg->m_hTrapEvent.exchange(nullptr))
            CloseHandle(closing);
    }
    dlg->m_bStopTrapThread = 0; // the acknowledgement, and the last access to the dialog
    return 0;
}

void CManagerDlg::StartTrapListener() {
    try {
        m_hTrapThread =
            std::make_unique<CListenerThread>([this] { return TrapListenerThread(this); },
                                              [this] {
                                                  // Wakes a stop handshake that waits for this
                                                  // thread.
                                                  std::lock_guard<std::mutex> guard(m_sentLock);
                                                  m_sentPosted.notify_all();
                                              });
    } catch (const std::system_error&) {
        // No thread could be had: the dialog runs on without traps and without a message,
        // and the stop handshake has nothing to wait for.
        m_hTrapThread.reset();
    }
}

void CManagerDlg::StopTrapListener() {
    m_bStopTrapThread = 1;
    {
        std::lock_guard<std::mutex> guard(m_trapEventLock);
        if (HANDLE event = m_hTrapEvent.load())
            SetEvent(event);
    }
    // Wait for the acknowledgement or the thread's end, looking at least every 100 ms, and
    // serve the lines the listener is blocked on meanwhile, so that a drain in progress
    // can finish.
    while (m_hTrapThread && m_bStopTrapThread != 0 && !m_hTrapThread->HasEnded()) {
        ServeSentMessages();
        std::unique_lock<std::mutex> lock(m_sentLock);
        m_sentPosted.wait_for(lock, std::chrono::milliseconds(100), [this] {
            return m_sentPending != 0 || m_bStopTrapThread == 0 || m_hTrapThread->HasEnded();
        });
    }
    m_hTrapThread.reset();
}

void CManagerDlg::SendMessageToDialog(const std::function<void()>& call) {
    std::uint32_t ticket = 0;
    {
        // Numbered, posted and counted under one lock, so that the calls run in the order of
        // their numbers and a stop handshake that sees the count always finds the call posted.
        std::lock_guard<std::mutex> guard(m_sentLock);
        ticket = ++m_sentTickets;
        QMetaObject::invokeMethod(
            this,
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

// In a storm the listener's next call follows the last within microseconds: the dialog's
// thread looks for it a moment before it goes back to its event loop, and serves the calls
// that follow one another so, without a sleep and a wake-up for each line. Input, timers and
// painting get their turn at least every 10 ms.
void CManagerDlg::ServeFollowingCalls() {
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

void CManagerDlg::ServeSentMessages() {
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CManagerDlg::OnClear() {
    ListBox(IDC_TRAP_LIST)->ResetContent();
}
