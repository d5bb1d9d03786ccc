// The trap listener: a thread that waits for the trap service's event, drains the queued
// traps and hands one line per binding to the trap window and each trap to the notification
// log; and the window's side of it, the start and the stop handshake (TrapListener.h).
#include "traps/TrapListener.h"

#include "traps/Notification.h"
#include "traps/NotificationInbox.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

namespace {

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

void ShowListenError(CTrapWindow* window, UINT code) {
    // The box belongs to the window, so it is shown on the window's thread; the listener
    // waits until the operator has closed it.
    window->SendMessageToDialog([window, code] { window->ShowListenFailure(code); });
}

// Hands out the queued traps, one line per binding, until the queue is empty or the window
// asks the listener to stop. The stop flag is looked at between traps, never inside one, so
// a trap's lines stay whole and a close waits at most for the trap being shown, however
// long a sender keeps sending; what is still queued goes with the trap event. Each trap
// goes to the notification log too, once its lines are in the trap window, with the texts
// made for them.
void DrainTraps(CTrapWindow* window, CNotificationInbox* inbox) {
    AsnObjectIdentifier enterprise{};
    AsnOctetString agentAddress{};
    AsnInteger genericTrap = 0;
    AsnInteger specificTrap = 0;
    AsnTimeticks timeStamp = 0;
    SnmpVarBindList bindings{};
    SnmpMgrTrapOrigin origin;
    while (!window->TrapStopRequested() &&
           SnmpMgrGetTrapWithOrigin(&enterprise, &agentAddress, &genericTrap, &specificTrap,
                                    &timeStamp, &bindings, &origin)) {
        const std::string address = AgentAddressText(agentAddress);
        // The notification keeps the agent's address; the record's block goes now.
        BYTE agentBytes[16] = {};
        const UINT agentLength = std::min<UINT>(agentAddress.length, sizeof agentBytes);
        if (agentLength > 0)
            std::memcpy(agentBytes, agentAddress.stream, agentLength);
        // One trap's lines are written one way, whatever the operator chooses meanwhile.
        const values::LineTexts lineTexts = window->TrapLineTexts();
        const bool asSent = lineTexts == values::LineTexts{};
        if (agentAddress.dynamic)
            SnmpUtilMemFree(agentAddress.stream);
        const CBindingTexts texts(bindings);
        for (UINT i = 0; i < bindings.len; ++i) {
            const char* name = texts.Names()[i];
            const char* value = texts.Values()[i];
            const std::string chosen =
                asSent ? std::string() : values::LineValueText(bindings.list[i], lineTexts);
            char* line = BuildTrapLine(address, name ? name : "",
                                       asSent ? (value ? value : "") : chosen.c_str());
            if (line) {
                // A full trap window keeps what it has and drops the line (LB_ERRSPACE).
                // The binding is kept beside its line, read while this thread waits for it.
                const SnmpVarBind* binding = &bindings.list[i];
                window->SendMessageToDialog(
                    [window, line, binding] { window->AddTrapLine(line, binding); });
            }
            std::free(line);
        }
        if (inbox) {
            const AsnOctetString agent{agentBytes, agentLength, FALSE};
            if (NotificationRef notification = CNotification::Make(origin, agent, bindings, texts))
                inbox->Post(std::move(notification));
        }
        SnmpUtilOidFree(&enterprise);
        SnmpUtilVarBindListFree(&bindings);
        agentAddress = AsnOctetString{};
    }
}

} // namespace

unsigned TrapListenerThread(CTrapWindow* window) {
    // The event is published before the first look at the stop flag; the window writes the
    // flag before it reads the event. With both sequentially consistent, a stop requested
    // at any moment is seen by a flag test or arrives through the event.
    HANDLE event = nullptr;
    if (!SnmpMgrTrapListen(&event)) {
        ShowListenError(window, GetLastError());
        return 1;
    }
    window->m_hTrapEvent = event;

    for (;;) {
        if (window->m_bStopTrapThread != 0)
            break;
        if (WaitForSingleObject(window->m_hTrapEvent, INFINITE) != WAIT_OBJECT_0)
            continue;
        if (window->m_bStopTrapThread != 0)
            break;
        // Reset before draining, so that a trap queued during the drain signals again.
        ResetEvent(window->m_hTrapEvent);
        DrainTraps(window, window->m_pNotificationInbox);
    }

    {
        // Closing excludes the window's signalling: it never signals a released event.
        std::lock_guard<std::mutex> guard(window->m_trapEventLock);
        if (HANDLE closing = window->m_hTrapEvent.exchange(nullptr))
            CloseHandle(closing);
    }
    window->m_bStopTrapThread = 0; // the acknowledgement, and the last access to the window
    return 0;
}

void CTrapWindow::ClearTrapListenerState() {
    m_hTrapThread.Close();
    m_bStopTrapThread = 0;
    m_hTrapEvent = nullptr;
}

void CTrapWindow::StartTrapListener() {
    try {
        // As it ends, the thread wakes a stop handshake that waits for it.
        m_hTrapThread = CThreadHandle::Create([this] { return TrapListenerThread(this); },
                                              [this] { m_dialogCall.WakeWaiter(); });
    } catch (const std::system_error&) {
        // No thread could be had: the window runs on without traps and without a message,
        // and the stop handshake has nothing to wait for.
        m_hTrapThread.Close();
    }
}

void CTrapWindow::StopTrapListener() {
    m_bStopTrapThread = 1;
    {
        std::lock_guard<std::mutex> guard(m_trapEventLock);
        if (HANDLE event = m_hTrapEvent.load())
            SetEvent(event);
    }
    // Wait for the acknowledgement or the thread's end, looking at least every 100 ms, and
    // serve the lines the listener is blocked on meanwhile, so that a drain in progress
    // can finish.
    while (m_hTrapThread && m_bStopTrapThread != 0 && !m_hTrapThread.HasEnded()) {
        m_dialogCall.ServeThenWait(std::chrono::milliseconds(100), [this] {
            return m_bStopTrapThread == 0 || m_hTrapThread.HasEnded();
        });
    }
    m_hTrapThread.Close();
}

void CTrapWindow::SendMessageToDialog(const std::function<void()>& call) {
    m_dialogCall.Send(call);
}
