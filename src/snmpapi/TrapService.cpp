// The trap service: the trap sockets, the receiver thread that reads what arrives on
// them, and the bounded queue from which SnmpMgrGetTrap hands traps out.
//
// The queue holds datagrams as they arrived, and SnmpMgrGetTrap decodes each when it hands
// it out. A datagram takes its own size in the queue, while its decoded trap can take ten
// times as much (a 65 KB trap of 9,342 bindings is about 670 KB of records), so the queue's
// bound in bytes is a bound on what a sender can make Okapel hold, whatever it sends and
// however long the dialog's thread is busy. The queue is bounded by count as well.
//
// The trap event and its holders. SnmpMgrTrapListen creates the event and keeps a hold of
// its own (SnmpEventRetain) besides the one it hands out. The receiver signals only through
// the service's hold, and the service gives that hold back only after the receiver has been
// joined, so a signal never reaches freed memory, whenever the listener closes its handle.
// The listener's CloseHandle runs the event's release hook, which wakes the receiver; the
// receiver sees that it is the event's last holder, drops what is queued, closes the
// sockets and ends. The service is then free again: the next SnmpMgrTrapListen joins that
// receiver and listens anew, while a listen with the first listener still holding its event
// is refused with SNMP_MGMTAPI_TRAP_DUPINIT.
//
// Informs. The receiver answers each SNMPv2c and SNMPv3 InformRequest that will be shown, at
// once and from the socket it arrived on, to its sender's address and port, once the inform
// has room in the queue and before it is queued, so that its answer goes out before its lines
// can be shown; an inform with no room is not answered, and its sender sends it again. A
// retransmission of an inform answered in the last 120 s (CRecentInforms) is answered again
// and not queued: an SNMPv2c one from the same address and port, an SNMPv3 one from the same
// engine (from any address and port, and within 310 s, as long as a copy passes the time
// window). An SNMPv3 Response that would exceed the inform's msgMaxSize is one with tooBig and
// no bindings (TrapUsm.cpp); an SNMPv2c Response is never longer than its inform.
//
// SNMPv3. The receiver authenticates, checks and decrypts each SNMPv3 datagram as it arrives
// (CUsmReceiver), under the library lock, and queues the plaintext scopedPDU of what is to be
// shown: checked later, a queued datagram could fall out of its time window, and an inform
// must be answered before its sender gives up. Whatever is not shown is counted by its reason.
//
// Process exit. The service object is never destroyed, so no static destructor can join a
// thread or free the queue under a running receiver; an exit handler, registered by the
// first listen, stops the receiver while everything it uses still exists.
#include "snmpapi/TrapService.h"
#include "snmpapi/RecentInforms.h"
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpMessage.h"
#include "snmpapi/TrapDecode.h"
#include "snmpapi/TrapUsm.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::uint16_t kTrapPort = 162;
constexpr std::size_t kQueueLimit = 100000;
constexpr std::size_t kQueueByteLimit = 64 * 1024 * 1024;
// Room in the kernel for a burst that arrives while the receiver is held up; the kernel
// counts several hundred bytes per small datagram, so this holds tens of thousands.
constexpr int kReceiveBuffer = 32 * 1024 * 1024;
// The largest UDP payload, so that no datagram is ever cut short.
constexpr std::size_t kDatagramMax = 65535;
// Datagrams read from one socket before the others and the stop request get their turn.
constexpr int kReadsPerTurn = 256;

UINT ListenErrorCode(int error) {
    switch (error) {
    case EADDRINUSE:
        return SNMP_MGMTAPI_TRAP_PORT_IN_USE;
    case EACCES:
    case EPERM:
        return SNMP_MGMTAPI_TRAP_PORT_DENIED;
    default:
        return static_cast<UINT>(error);
    }
}

// A bound, non-blocking UDP socket, or -1 with errno set.
int OpenTrapSocket(const sockaddr* address, socklen_t length) {
    const int fd = socket(address->sa_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    if (address->sa_family == AF_INET6)
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on); // IPv4 has its own socket
    // Beyond the system's limit only with the privilege to exceed it; the plain request is
    // capped by the kernel, which is the best an ordinary user can have.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBuffer, sizeof kReceiveBuffer) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
    if (bind(fd, address, length) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

void CloseAll(std::vector<int>& fds) {
    for (int fd : fds)
        close(fd);
    fds.clear();
}

// The trap port on every IPv4 address and, where the machine has IPv6, on every IPv6
// address; a test port on loopback only. False with the last error set.
bool OpenTrapSockets(std::vector<int>* sockets) {
    const std::uint16_t testPort = TrapServiceSettingsInForce().port.load();
    const std::uint16_t port = testPort != 0 ? testPort : kTrapPort;

    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    v4.sin_addr.s_addr = htonl(testPort != 0 ? INADDR_LOOPBACK : INADDR_ANY);
    const int v4Socket = OpenTrapSocket(reinterpret_cast<sockaddr*>(&v4), sizeof v4);
    if (v4Socket < 0) {
        SetLastError(ListenErrorCode(errno));
        return false;
    }
    sockets->push_back(v4Socket);

    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    v6.sin6_addr = testPort != 0 ? in6addr_loopback : in6addr_any;
    const int v6Socket = OpenTrapSocket(reinterpret_cast<sockaddr*>(&v6), sizeof v6);
    if (v6Socket >= 0) {
        sockets->push_back(v6Socket);
    } else if (errno != EAFNOSUPPORT && errno != EADDRNOTAVAIL) {
        // A machine without IPv6 (or without ::1) listens on IPv4 alone; any other failure
        // is the port's own and is reported.
        SetLastError(ListenErrorCode(errno));
        CloseAll(*sockets);
        return false;
    }
    return true;
}

// The sender's address bytes: 4 for IPv4, 16 for IPv6.
std::size_t SenderBytes(const sockaddr_storage& from, std::uint8_t* out) {
    if (from.ss_family == AF_INET) {
        std::memcpy(out, &reinterpret_cast<const sockaddr_in&>(from).sin_addr, 4);
        return 4;
    }
    if (from.ss_family == AF_INET6) {
        std::memcpy(out, &reinterpret_cast<const sockaddr_in6&>(from).sin6_addr, 16);
        return 16;
    }
    return 0;
}

std::uint16_t SenderPort(const sockaddr_storage& from) {
    if (from.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(from).sin_port);
    if (from.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(from).sin6_port);
    return 0;
}

// When a datagram was read: ms since 1970-01-01 00:00 UTC.
std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// One datagram as it arrived, or the plaintext scopedPDU of an SNMPv3 one, and its sender,
// which an SNMPv2c or SNMPv3 trap takes as its agent address; when it came, from which port,
// and an SNMPv3 one's user, which the plaintext does not carry.
struct QueuedDatagram {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
    bool scoped = false; // the bytes are an SNMPv3 notification's scopedPDU
    std::uint8_t sender[16] = {};
    std::uint8_t senderLength = 0;
    std::uint16_t senderPort = 0;
    std::int64_t arrivalMs = 0;
    std::string user;

    // What the queue holds for it: the block of bytes with the allocator's own header,
    // the record itself and the user's name.
    std::size_t Footprint() const {
        return size + 2 * sizeof(void*) + sizeof(QueuedDatagram) + user.size();
    }
};

// The notifications not shown since the program started, by reason.
struct DropCounters {
    std::atomic<std::uint64_t> unknownUser{0};
    std::atomic<std::uint64_t> wrongDigest{0};
    std::atomic<std::uint64_t> decryption{0};
    std::atomic<std::uint64_t> timeWindow{0};
    std::atomic<std::uint64_t> securityLevel{0};
    std::atomic<std::uint64_t> malformed{0};
    std::atomic<std::uint64_t> queueFull{0};
};

class CTrapService {
public:
    BOOL Listen(HANDLE* trapEvent);
    BOOL GetTrap(SnmpTrapRecord* trap, SnmpMgrTrapOrigin* origin);
    void Stop();
    SnmpTrapServiceCounters Counters() const;
    void SetUser(const UsmUser& user) { m_usm.SetUser(user); }
    SnmpMgrTrapDrops Drops() const;
    SnmpTrapServiceEngines Engines() const {
        return {m_usm.EnginesKept(), m_usm.EngineTimesKept(), m_usm.EngineTimesFootprint()};
    }

private:
    // What the receiver reads a datagram with: its buffer, the trap event, the informs
    // answered lately and the buffer of their Responses, which are never longer than the
    // informs.
    struct Reception {
        std::vector<std::uint8_t> buffer;
        HANDLE event;
        CRecentInforms informs;
        std::vector<std::uint8_t> response;
        // SNMPv3 informs for as long as a copy of one passes its time window: up to 150 s
        // either side of Okapel's time (RFC 3414, 3.2 (7)(a)), so 300 s after it first came.
        CRecentInforms v3Informs{std::chrono::seconds(310)};
    };
    // Where a datagram came from and when, the socket it arrived on, which answers an
    // inform, and an SNMPv3 one's user.
    struct Arrival {
        int fd = -1;
        sockaddr_storage from{};
        socklen_t fromLength = 0;
        std::uint8_t sender[16] = {};
        std::size_t senderLength = 0;
        std::int64_t arrivalMs = 0;
        std::string user;
    };

    void StartAfresh();
    bool StartReceiver(std::vector<int>& sockets, HANDLE event, int wakeFd);
    void StopLocked();
    void Receive(std::vector<int> sockets, HANDLE event);
    void ReadSocket(int fd, Reception& reception);
    void Enqueue(const std::uint8_t* data, std::size_t size, const Arrival& arrival, HANDLE event,
                 bool scoped = false);
    void TakeInform(const std::uint8_t* data, std::size_t size, const Arrival& arrival,
                    Reception& reception);
    void TakeV3(const std::uint8_t* data, std::size_t size, const Arrival& arrival,
                Reception& reception);
    // The inform `key` from `arrival`, whose lines are in `shown` and whose Response is
    // `answer`: answered and queued once, answered again when repeated.
    void ShowInform(InformKey key, const std::uint8_t* shown, std::size_t shownSize, bool scoped,
                    const std::uint8_t* answer, std::size_t answerSize, const Arrival& arrival,
                    Reception& reception);
    bool SendBack(const std::uint8_t* answer, std::size_t size, const Arrival& arrival);
    void CountDrop(UsmNotificationFate fate);
    std::optional<QueuedDatagram> Admit(const std::uint8_t* data, std::size_t size,
                                        const Arrival& arrival);
    void Queue(QueuedDatagram datagram, HANDLE event);
    void ClearQueue();
    static void OnListenerClosed(void* service);

    // Listen and Stop, one at a time; also guards the members up to m_receiver.
    std::mutex m_control;
    HANDLE m_event = nullptr; // the service's own hold of the trap event
    int m_wakeFd = -1;        // eventfd that wakes the receiver
    std::thread m_receiver;
    std::atomic<bool> m_stopping{false};

    mutable std::mutex m_queueLock; // guards the queue, its footprint and its limits
    std::deque<QueuedDatagram> m_queue;
    std::size_t m_queueBytes = 0; // the footprints of the datagrams queued
    std::size_t m_queueLimit = kQueueLimit;
    std::size_t m_queueByteLimit = kQueueByteLimit;

    std::atomic<std::uint64_t> m_received{0};
    std::atomic<std::uint64_t> m_queued{0};
    std::atomic<std::uint64_t> m_answered{0};
    std::atomic<std::uint64_t> m_repeated{0};

    CUsmReceiver m_usm;   // used by the receiver and by SetUser, under the library lock
    DropCounters m_drops; // since the program started: never reset
    // The drops counted before this listening began, so that its own counts are told from
    // the same counters as those since the start.
    std::atomic<std::uint64_t> m_malformedBefore{0};
    std::atomic<std::uint64_t> m_queueFullBefore{0};
};

std::atomic<CTrapService*> g_service{nullptr};

CTrapService& Service() {
    // Never destroyed: see the head of this file.
    static CTrapService* const service = [] {
        SnmpLibraryLock(); // constructed before the exit handler is registered, so it outlives it
        auto* created = new CTrapService;
        std::atexit([] { Service().Stop(); });
        g_service = created;
        return created;
    }();
    return *service;
}

BOOL CTrapService::Listen(HANDLE* trapEvent) {
    if (!trapEvent) {
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER);
        return FALSE;
    }
    *trapEvent = nullptr;
    std::lock_guard<std::mutex> control(m_control);
    if (m_receiver.joinable()) {
        if (SnmpEventHolders(m_event) > 1) {
            SetLastError(SNMP_MGMTAPI_TRAP_DUPINIT);
            return FALSE;
        }
        StopLocked(); // the previous listener has let its event go
    }
    std::vector<int> sockets;
    if (!OpenTrapSockets(&sockets))
        return FALSE;
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    HANDLE event = wakeFd >= 0 ? CreateEvent(true, false) : nullptr;
    if (!event) {
        SetLastError(wakeFd < 0 ? static_cast<UINT>(errno) : SNMP_MGMTAPI_NO_MEMORY);
        if (wakeFd >= 0)
            close(wakeFd);
        CloseAll(sockets);
        return FALSE;
    }
    StartAfresh();
    if (!StartReceiver(sockets, event, wakeFd))
        return FALSE;
    *trapEvent = event;
    return TRUE;
}

// The queue's bounds as the settings in force give them, and every counter at 0.
void CTrapService::StartAfresh() {
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        const std::size_t limit = TrapServiceSettingsInForce().queueLimit.load();
        m_queueLimit = limit != 0 ? limit : kQueueLimit;
        const std::size_t byteLimit = TrapServiceSettingsInForce().queueByteLimit.load();
        m_queueByteLimit = byteLimit != 0 ? byteLimit : kQueueByteLimit;
    }
    m_received = 0;
    m_queued = 0;
    m_malformedBefore = m_drops.malformed.load();
    m_queueFullBefore = m_drops.queueFull.load();
    m_answered = 0;
    m_repeated = 0;
    m_stopping = false;
}

// Takes the service's own hold of the event and starts the receiver on the sockets; false,
// with everything closed and the last error set, when no thread can be had.
bool CTrapService::StartReceiver(std::vector<int>& sockets, HANDLE event, int wakeFd) {
    m_wakeFd = wakeFd;
    m_event = SnmpEventRetain(event); // the service's hold; the creator's goes to the caller
    SnmpEventSetReleaseHook(event, &CTrapService::OnListenerClosed, this);
    try {
        m_receiver = std::thread(&CTrapService::Receive, this, sockets, event);
    } catch (const std::system_error& error) {
        SnmpEventSetReleaseHook(event, nullptr, nullptr);
        CloseHandle(event);
        CloseHandle(event);
        m_event = nullptr;
        close(m_wakeFd);
        m_wakeFd = -1;
        CloseAll(sockets);
        SetLastError(static_cast<UINT>(error.code().value()));
        return false;
    }
    return true;
}

void CTrapService::OnListenerClosed(void* service) {
    // Runs under the event's lock, inside the listener's CloseHandle: only wake the
    // receiver, which finds itself the last holder.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written =
        write(static_cast<CTrapService*>(service)->m_wakeFd, &one, sizeof one);
}

void CTrapService::Stop() {
    std::lock_guard<std::mutex> control(m_control);
    StopLocked();
}

void CTrapService::StopLocked() {
    if (!m_receiver.joinable())
        return;
    // After this no release hook is running or will run, so the wake fd can go.
    SnmpEventSetReleaseHook(m_event, nullptr, nullptr);
    m_stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
    m_receiver.join();
    close(m_wakeFd);
    m_wakeFd = -1;
    ClearQueue();
    CloseHandle(m_event); // the receiver has ended: no signal can follow
    m_event = nullptr;
}

void CTrapService::Receive(std::vector<int> sockets, HANDLE event) {
    std::vector<pollfd> fds;
    for (int fd : sockets)
        fds.push_back(pollfd{fd, POLLIN, 0});
    fds.push_back(pollfd{m_wakeFd, POLLIN, 0});
    Reception reception{std::vector<std::uint8_t>(kDatagramMax + 1), event, CRecentInforms(),
                        std::vector<std::uint8_t>(kDatagramMax)};
    bool listenerGone = false;
    while (!listenerGone) {
        // Blocks without a time-out: an idle service costs nothing.
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds.back().revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(fds.back().fd, &count, sizeof count);
            if (m_stopping)
                break;
            listenerGone = SnmpEventHolders(event) == 1;
        }
        for (std::size_t i = 0; i + 1 < fds.size() && !listenerGone; ++i) {
            if (fds[i].revents != 0)
                ReadSocket(fds[i].fd, reception);
        }
    }
    CloseAll(sockets);
    if (listenerGone)
        ClearQueue(); // no one will take these any more
}

// Reads what is waiting on one socket, up to a turn's worth: until nothing more is waiting
// (or an error that the next poll reports again).
void CTrapService::ReadSocket(int fd, Reception& reception) {
    for (int n = 0; n < kReadsPerTurn; ++n) {
        Arrival arrival;
        arrival.fd = fd;
        arrival.fromLength = sizeof arrival.from;
        const ssize_t got =
            recvfrom(fd, reception.buffer.data(), kDatagramMax + 1, MSG_TRUNC,
                     reinterpret_cast<sockaddr*>(&arrival.from), &arrival.fromLength);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        ++m_received;
        arrival.arrivalMs = NowMs();
        const auto size = static_cast<std::size_t>(got);
        if (size > kDatagramMax) {
            ++m_drops.malformed; // longer than the buffer: cut short, so it cannot be decoded
            continue;
        }
        arrival.senderLength = SenderBytes(arrival.from, arrival.sender);
        // SNMPv1 and SNMPv2c traps are decoded when they are handed out, and only the PDU's tag
        // is read here; SNMPv3 ones are authenticated and decrypted now.
        const std::uint8_t* data = reception.buffer.data();
        if (PeekMessageVersion(data, size) == kSnmpVersion3)
            TakeV3(data, size, arrival, reception);
        else if (PeekPduType(data, size) == SNMP_PDU_INFORM)
            TakeInform(data, size, arrival, reception);
        else
            Enqueue(data, size, arrival, reception.event);
    }
}

void CTrapService::Enqueue(const std::uint8_t* data, std::size_t size, const Arrival& arrival,
                           HANDLE event, bool scoped) {
    if (std::optional<QueuedDatagram> datagram = Admit(data, size, arrival)) {
        datagram->scoped = scoped;
        Queue(std::move(*datagram), event);
    }
}

bool CTrapService::SendBack(const std::uint8_t* answer, std::size_t size, const Arrival& arrival) {
    return size > 0 &&
           sendto(arrival.fd, answer, size, 0, reinterpret_cast<const sockaddr*>(&arrival.from),
                  arrival.fromLength) == static_cast<ssize_t>(size);
}

void CTrapService::CountDrop(UsmNotificationFate fate) {
    switch (fate) {
    case UsmNotificationFate::UnknownUser:
        ++m_drops.unknownUser;
        break;
    case UsmNotificationFate::WrongDigest:
        ++m_drops.wrongDigest;
        break;
    case UsmNotificationFate::Decryption:
        ++m_drops.decryption;
        break;
    case UsmNotificationFate::TimeWindow:
        ++m_drops.timeWindow;
        break;
    case UsmNotificationFate::SecurityLevel:
        ++m_drops.securityLevel;
        break;
    case UsmNotificationFate::Malformed:
        ++m_drops.malformed;
        break;
    case UsmNotificationFate::Shown:
    case UsmNotificationFate::Discovery:
        break;
    }
}

void CTrapService::TakeV3(const std::uint8_t* data, std::size_t size, const Arrival& arrival,
                          Reception& reception) {
    UsmNotification notification = m_usm.Process(data, size);
    if (notification.fate != UsmNotificationFate::Shown) {
        CountDrop(notification.fate);
        SendBack(notification.answer.data(), notification.answer.size(), arrival); // a Report
        return;
    }
    const std::vector<std::uint8_t>& shown = notification.scopedPdu;
    // Shown, so its header was read whole: the user goes with the plaintext.
    Arrival fromUser = arrival;
    SnmpV3Header header;
    if (ReadV3Header(data, size, &header))
        fromUser.user.assign(reinterpret_cast<const char*>(header.userName), header.userNameLength);
    if (notification.pduType != SNMP_PDU_INFORM) {
        Enqueue(shown.data(), shown.size(), fromUser, reception.event, true);
        return;
    }
    InformKey key;
    key.version = kSnmpVersion3;
    key.requestId = notification.requestId;
    const std::vector<std::uint8_t>& engine = notification.contextEngine;
    key.engineLength = static_cast<std::uint8_t>(std::min(engine.size(), sizeof key.engine));
    std::copy_n(engine.begin(), key.engineLength, key.engine);
    ShowInform(key, shown.data(), shown.size(), true, notification.answer.data(),
               notification.answer.size(), fromUser, reception);
}

void CTrapService::TakeInform(const std::uint8_t* data, std::size_t size, const Arrival& arrival,
                              Reception& reception) {
    InformKey key;
    key.version = kSnmpVersion2c;
    if (!ReadShownInform(data, size, &key.requestId)) {
        Enqueue(data, size, arrival, reception.event); // counted where it is skipped
        return;
    }
    const std::size_t length = EncodeInformResponse(data, size, reception.response.data());
    ShowInform(key, data, size, false, reception.response.data(), length, arrival, reception);
}

void CTrapService::ShowInform(InformKey key, const std::uint8_t* shown, std::size_t shownSize,
                              bool scoped, const std::uint8_t* answer, std::size_t answerSize,
                              const Arrival& arrival, Reception& reception) {
    CRecentInforms& informs = key.version == kSnmpVersion3 ? reception.v3Informs : reception.informs;
    if (key.version != kSnmpVersion3) {
        std::memcpy(key.address, arrival.sender, arrival.senderLength);
        key.addressLength = static_cast<std::uint8_t>(arrival.senderLength);
        key.port = SenderPort(arrival.from);
    }
    const CRecentInforms::Clock::time_point now = CRecentInforms::Clock::now();
    const bool repeated = informs.Contains(key, now);
    std::optional<QueuedDatagram> datagram;
    if (!repeated) {
        datagram = Admit(shown, shownSize, arrival);
        if (!datagram)
            return; // no room: unanswered, so that the sender sends it again
        datagram->scoped = scoped;
    }
    if (SendBack(answer, answerSize, arrival))
        ++m_answered;
    if (repeated) {
        ++m_repeated;
        return;
    }
    informs.Remember(key, now);
    Queue(std::move(*datagram), reception.event);
}

std::optional<QueuedDatagram> CTrapService::Admit(const std::uint8_t* data, std::size_t size,
                                                  const Arrival& arrival) {
    QueuedDatagram datagram;
    datagram.size = size;
    std::memcpy(datagram.sender, arrival.sender, arrival.senderLength);
    datagram.senderLength = static_cast<std::uint8_t>(arrival.senderLength);
    datagram.senderPort = SenderPort(arrival.from);
    datagram.arrivalMs = arrival.arrivalMs;
    datagram.user = arrival.user;
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        if (m_queue.size() >= m_queueLimit ||
            datagram.Footprint() > m_queueByteLimit - std::min(m_queueBytes, m_queueByteLimit)) {
            ++m_drops.queueFull;
            return std::nullopt;
        }
        // Reserved before the copy, so that the bound holds while the copy is made.
        m_queueBytes += datagram.Footprint();
    }
    datagram.bytes.reset(new (std::nothrow) std::uint8_t[size]);
    if (!datagram.bytes) {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_queueBytes -= datagram.Footprint();
        ++m_drops.queueFull; // out of memory: dropped as a full queue drops it
        return std::nullopt;
    }
    std::memcpy(datagram.bytes.get(), data, size);
    return datagram;
}

void CTrapService::Queue(QueuedDatagram datagram, HANDLE event) {
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_queue.push_back(std::move(datagram));
        ++m_queued;
    }
    SetEvent(event); // through the service's own hold
}

void CTrapService::ClearQueue() {
    std::deque<QueuedDatagram> dropped;
    std::lock_guard<std::mutex> guard(m_queueLock);
    dropped.swap(m_queue);
    m_queueBytes = 0;
}

// Where and how the trap came: from its datagram's arrival and its message.
void FillOrigin(const QueuedDatagram& datagram, const SnmpTrapRecord& trap,
                SnmpMgrTrapOrigin* origin) {
    origin->arrivalMs = datagram.arrivalMs;
    std::memcpy(origin->sender, datagram.sender, sizeof origin->sender);
    origin->senderLength = datagram.senderLength;
    origin->senderPort = datagram.senderPort;
    origin->version = trap.version == kSnmpVersion1    ? SNMP_MGR_VERSION_1
                      : trap.version == kSnmpVersion2c ? SNMP_MGR_VERSION_2C
                                                       : SNMP_MGR_VERSION_3;
    origin->pduType = trap.pduType;
    origin->community = datagram.scoped ? datagram.user : trap.community;
}

// Decodes the oldest datagram outside the queue's lock, so that the receiver goes on
// queueing meanwhile; one that is not a well-formed trap is counted and the next is taken.
BOOL CTrapService::GetTrap(SnmpTrapRecord* trap, SnmpMgrTrapOrigin* origin) {
    for (;;) {
        QueuedDatagram datagram;
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            if (m_queue.empty()) {
                SetLastError(SNMP_MGMTAPI_NOTRAPS);
                return FALSE;
            }
            datagram = std::move(m_queue.front());
            m_queue.pop_front();
            m_queueBytes -= datagram.Footprint();
        }
        const bool decoded = datagram.scoped
                                 ? DecodeScopedTrap(datagram.bytes.get(), datagram.size,
                                                    datagram.sender, datagram.senderLength, trap)
                                 : DecodeTrapDatagram(datagram.bytes.get(), datagram.size,
                                                      datagram.sender, datagram.senderLength, trap);
        if (decoded) {
            if (origin)
                FillOrigin(datagram, *trap, origin);
            return TRUE; // the blocks go to the caller with the record
        }
        ++m_drops.malformed;
    }
}

SnmpMgrTrapDrops CTrapService::Drops() const {
    return {m_drops.unknownUser.load(), m_drops.wrongDigest.load(),   m_drops.decryption.load(),
            m_drops.timeWindow.load(),  m_drops.securityLevel.load(), m_drops.malformed.load(),
            m_drops.queueFull.load()};
}

SnmpTrapServiceCounters CTrapService::Counters() const {
    std::size_t queueBytes = 0;
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        queueBytes = m_queueBytes;
    }
    return {m_received.load(),
            m_queued.load(),
            m_drops.malformed.load() - m_malformedBefore.load(),
            m_drops.queueFull.load() - m_queueFullBefore.load(),
            queueBytes,
            m_answered.load(),
            m_repeated.load()};
}

} // namespace

TrapServiceSettings& TrapServiceSettingsInForce() {
    static TrapServiceSettings settings;
    return settings;
}

BOOL SnmpMgrTrapListen(HANDLE* trapEvent) {
    if (const std::function<void()> observer = TrapServiceSettingsInForce().listenObserver)
        observer();
    return Service().Listen(trapEvent);
}

BOOL SnmpMgrGetTrap(AsnObjectIdentifier* enterprise, AsnOctetString* agentAddress,
                    AsnInteger* genericTrap, AsnInteger* specificTrap, AsnTimeticks* timeStamp,
                    SnmpVarBindList* variableBindings) {
    return SnmpMgrGetTrapWithOrigin(enterprise, agentAddress, genericTrap, specificTrap, timeStamp,
                                    variableBindings, nullptr);
}

BOOL SnmpMgrGetTrapWithOrigin(AsnObjectIdentifier* enterprise, AsnOctetString* agentAddress,
                              AsnInteger* genericTrap, AsnInteger* specificTrap,
                              AsnTimeticks* timeStamp, SnmpVarBindList* variableBindings,
                              SnmpMgrTrapOrigin* origin) {
    if (!enterprise || !agentAddress || !genericTrap || !specificTrap || !timeStamp ||
        !variableBindings) {
        SetLastError(SNMP_MGMTAPI_INVALID_BUFFER);
        return FALSE;
    }
    SnmpTrapRecord trap;
    if (!Service().GetTrap(&trap, origin))
        return FALSE;
    *enterprise = trap.enterprise;
    *agentAddress = trap.agentAddress;
    *genericTrap = trap.genericTrap;
    *specificTrap = trap.specificTrap;
    *timeStamp = trap.timeStamp;
    *variableBindings = trap.variableBindings;
    return TRUE;
}

void SnmpTrapServiceShutdown() {
    if (CTrapService* service = g_service.load())
        service->Stop();
}

BOOL SnmpMgrTrapSetUser(const SnmpMgrSessionSettings* settings) {
    if (!settings || (!settings->userName.empty() && !SnmpMgrUsmSettingsUsable(*settings))) {
        SetLastError(SNMP_MGMTAPI_BAD_SETTINGS);
        return FALSE;
    }
    Service().SetUser(UsmUser::FromSettings(*settings));
    return TRUE;
}

SnmpMgrTrapDrops SnmpMgrGetTrapDrops() {
    return Service().Drops();
}

SnmpTrapServiceCounters TrapServiceCounters() {
    return Service().Counters();
}

SnmpTrapServiceEngines TrapServiceEngines() {
    return Service().Engines();
}
