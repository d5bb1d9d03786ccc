#include "support/TrapTraffic.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace ber {

Bytes Tlv(std::uint8_t tag, const Bytes& contents) {
    Bytes out{tag};
    const std::size_t n = contents.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n <= 0xFF) {
        out.push_back(0x81);
        out.push_back(static_cast<std::uint8_t>(n));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(n));
    }
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

Bytes Integer(std::int64_t value, std::uint8_t tag) {
    Bytes bytes;
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> shift));
    // Drop leading bytes that only repeat the sign (X.690, 8.3.2).
    std::size_t start = 0;
    while (start + 1 < bytes.size() && ((bytes[start] == 0x00 && !(bytes[start + 1] & 0x80)) ||
                                        (bytes[start] == 0xFF && (bytes[start + 1] & 0x80))))
        ++start;
    return Tlv(tag, Bytes(bytes.begin() + static_cast<long>(start), bytes.end()));
}

Bytes Unsigned(std::uint64_t value, std::uint8_t tag) {
    Bytes bytes;
    do {
        bytes.insert(bytes.begin(), static_cast<std::uint8_t>(value));
        value >>= 8;
    } while (value != 0);
    if (bytes.front() & 0x80)
        bytes.insert(bytes.begin(), 0x00);
    return Tlv(tag, bytes);
}

Bytes Oid(const std::vector<std::uint32_t>& ids) {
    std::vector<std::uint64_t> values;
    if (ids.size() >= 2) {
        values.push_back(std::uint64_t{ids[0]} * 40 + ids[1]);
        values.insert(values.end(), ids.begin() + 2, ids.end());
    } else if (ids.size() == 1) {
        values.push_back(std::uint64_t{ids[0]} * 40);
    }
    Bytes contents;
    for (std::uint64_t v : values) {
        Bytes groups{static_cast<std::uint8_t>(v & 0x7F)};
        for (v >>= 7; v != 0; v >>= 7)
            groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
        contents.insert(contents.end(), groups.begin(), groups.end());
    }
    return Tlv(0x06, contents);
}

Bytes String(const std::string& text, std::uint8_t tag) {
    return Tlv(tag, Bytes(text.begin(), text.end()));
}

Bytes Null() {
    return Tlv(0x05, {});
}

Bytes Concat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Binding(const std::vector<std::uint32_t>& name, const Bytes& value) {
    return Tlv(0x30, Concat({Oid(name), value}));
}

Bytes Message(std::int64_t version, const std::string& community, const Bytes& pdu) {
    return Tlv(0x30, Concat({Integer(version), String(community), pdu}));
}

Bytes V1TrapPdu(const std::vector<std::uint32_t>& enterprise, const Bytes& agentAddress,
                std::int64_t generic, std::int64_t specific, std::uint32_t timeStamp,
                const std::vector<Bytes>& bindings) {
    return Tlv(0xA4,
               Concat({Oid(enterprise), Tlv(0x40, agentAddress), Integer(generic),
                       Integer(specific), Unsigned(timeStamp, 0x43), Tlv(0x30, Concat(bindings))}));
}

Bytes V1Trap(const std::string& community, const std::vector<std::uint32_t>& enterprise,
             const Bytes& agentAddress, std::int64_t generic, std::int64_t specific,
             std::uint32_t timeStamp, const std::vector<Bytes>& bindings) {
    return Message(0, community,
                   V1TrapPdu(enterprise, agentAddress, generic, specific, timeStamp, bindings));
}

Bytes V2Trap(const std::string& community, const std::vector<Bytes>& bindings, std::uint8_t pduTag,
             std::int64_t requestId) {
    const Bytes pdu = Tlv(
        pduTag, Concat({Integer(requestId), Integer(0), Integer(0), Tlv(0x30, Concat(bindings))}));
    return Message(1, community, pdu);
}

} // namespace ber

int RunSnmpTrap(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"snmptrap"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "snmptrap", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    // snmptrap sends one datagram and ends at once; the limit only keeps a broken run from
    // hanging the suite.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > limit) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

int BindLoopback(bool ipv6, unsigned short port, unsigned short* bound) {
    const int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_storage address{};
    socklen_t length = 0;
    if (ipv6) {
        auto& a = reinterpret_cast<sockaddr_in6&>(address);
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        a.sin6_port = htons(port);
        length = sizeof a;
    } else {
        auto& a = reinterpret_cast<sockaddr_in&>(address);
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        length = sizeof a;
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    *bound = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                        : reinterpret_cast<sockaddr_in&>(address).sin_port);
    return fd;
}

} // namespace

Bytes CaptureSnmpTrap(const std::vector<std::string>& arguments, bool ipv6) {
    unsigned short port = 0;
    const int fd = BindLoopback(ipv6, 0, &port);
    if (fd < 0)
        return {};
    const std::string target =
        ipv6 ? "udp6:[::1]:" + std::to_string(port) : "127.0.0.1:" + std::to_string(port);
    std::vector<std::string> args = arguments;
    for (std::string& arg : args) {
        if (arg == "{target}")
            arg = target;
    }
    Bytes datagram;
    if (RunSnmpTrap(args) == 0) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 30000) == 1) {
            datagram.resize(65536);
            const ssize_t got = recv(fd, datagram.data(), datagram.size(), 0);
            datagram.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }
    close(fd);
    return datagram;
}

CUdpSender::CUdpSender(unsigned short port, bool ipv6)
    : m_fd(socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)), m_ipv6(ipv6),
      m_port(port) {}

CUdpSender::~CUdpSender() {
    if (m_fd >= 0)
        close(m_fd);
}

bool CUdpSender::Send(const Bytes& datagram) {
    ssize_t sent = -1;
    if (m_ipv6) {
        sockaddr_in6 to{};
        to.sin6_family = AF_INET6;
        to.sin6_port = htons(m_port);
        to.sin6_addr = in6addr_loopback;
        sent = sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                      sizeof to);
    } else {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(m_port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sent = sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                      sizeof to);
    }
    return sent == static_cast<ssize_t>(datagram.size());
}

bool HasIpv6Loopback() {
    const int fd = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

unsigned short FreeTrapTestPort() {
    const bool ipv6 = HasIpv6Loopback();
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned short port = 0;
        const int v4 = BindLoopback(false, 0, &port);
        if (v4 < 0)
            continue;
        unsigned short same = 0;
        const int v6 = ipv6 ? BindLoopback(true, port, &same) : -1;
        close(v4);
        if (v6 >= 0)
            close(v6);
        if (!ipv6 || v6 >= 0)
            return port;
    }
    return 0;
}
