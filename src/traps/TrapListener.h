// The trap listener: a thread that waits for the trap service's event, drains the queued
// traps and hands one line per binding to the window that shows them; and that window's side
// of it, the start, the stop handshake and the blocking calls through which the lines reach
// the window's thread.
#pragma once

#include "snmpapi/SnmpApi.h"
#include "traps/DialogCall.h"
#include "traps/ThreadHandle.h"
#include "values/LineText.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

class CNotificationInbox;
class QObject;

// What the trap listener needs of the window that shows its lines, and the state that the
// window shares with the listener's thread. The window (the main dialog) derives from it.
class CTrapWindow {
public:
    CTrapWindow(const CTrapWindow&) = delete;
    CTrapWindow& operator=(const CTrapWindow&) = delete;

    // Runs `call` on the window's thread and returns when it has run: the blocking
    // cross-thread call through which the listener adds its lines and shows its box. Called
    // from other threads only.
    void SendMessageToDialog(const std::function<void()>& call);

    // The listener thread while one runs or has not yet been joined; null otherwise.
    const CThreadHandle* TrapThread() const { return m_hTrapThread ? &m_hTrapThread : nullptr; }
    // Whether the window has asked the listener to stop and has not yet had its
    // acknowledgement.
    bool TrapStopRequested() const { return m_bStopTrapThread.load() != 0; }
    // The trap event while the listener holds it open; null before and after.
    HANDLE TrapEvent() const { return m_hTrapEvent.load(); }

    // How the trap lines of the traps taken from now on write their values; the default
    // writes them as sent. Any thread.
    void SetTrapLineTexts(const values::LineTexts& texts) {
        m_trapLineTexts = (texts.valuesAsDescribed ? 1 : 0) | (texts.identifiersAsNames ? 2 : 0);
    }
    values::LineTexts TrapLineTexts() const {
        const int bits = m_trapLineTexts.load();
        return values::LineTexts{(bits & 1) != 0, (bits & 2) != 0};
    }

    // The window's thread, from the listener's calls: adds one trap line to the trap window,
    // with the binding it was made of beside it (a full window keeps what it has and drops
    // the line), and shows the box of a trap service that could not start.
    virtual void AddTrapLine(const char* line, const SnmpVarBind* binding) = 0;
    virtual void ShowListenFailure(UINT code) = 0;

protected:
    // The calls run on `receiver`'s thread, the window's.
    explicit CTrapWindow(QObject* receiver) : m_dialogCall(receiver) {}
    virtual ~CTrapWindow() = default;

    // Starts the listener thread; a thread that cannot be had leaves the window without
    // traps and without a message, and the stop handshake with nothing to wait for.
    void StartTrapListener();
    // The stop handshake: asks the listener to stop, wakes it, and waits for its
    // acknowledgement or its end, serving its blocked calls meanwhile; then joins it.
    void StopTrapListener();
    // Clears what the listener shares with the window, before it is started.
    void ClearTrapListenerState();
    // Where the listener posts each notification it hands out, besides its lines; set before
    // the listener starts, and outliving it.
    void SetNotificationInbox(CNotificationInbox* inbox) { m_pNotificationInbox = inbox; }

private:
    // The listener's thread procedure is the one other user of the stop flag, the trap event
    // and its lock: it publishes and closes the event and acknowledges a stop, under the
    // rules written there.
    friend unsigned TrapListenerThread(CTrapWindow* window);

    // The listener's blocking calls onto the window's thread. Declared before the listener
    // thread, which wakes it as it ends, so that it outlives the thread.
    CDialogCall m_dialogCall;
    // Keeps the window's signalling of the trap event apart from the listener's closing of
    // it, so that a released event is never signalled.
    std::mutex m_trapEventLock;
    CNotificationInbox* m_pNotificationInbox = nullptr;
    std::atomic<int> m_trapLineTexts{0};

protected:
    CThreadHandle m_hTrapThread; // the trap listener thread
    std::atomic<std::int32_t> m_bStopTrapThread{0};
    std::atomic<HANDLE> m_hTrapEvent{nullptr};
};

// Waits for the trap service's event and hands one line per binding of each queued trap to
// the window, until the window asks it to stop: 0 after an acknowledged stop, 1 when
// listening failed.
unsigned TrapListenerThread(CTrapWindow* window);
