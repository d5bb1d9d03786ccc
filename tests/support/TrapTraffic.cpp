#include "support/TrapTraffic.h"

#include "support/Process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

int RunSnmpTrap(const std::vector<std::string>& arguments, const std::string& program) {
    std::vector<std::string> argv{program, "-m", ""}; // no MIB module is needed to send
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string files = (std::filesystem::temp_directory_path() / "okapel-sender-XXXXXX");
    if (!mkdtemp(files.data()))
        return -1;
    // Made here, so that the sender does not announce it makes it.
    std::filesystem::create_directory(files + "/cert_indexes");
    ProcessOptions options;
    options.output = Stream::Inherit;
    options.environment = {"SNMPCONFPATH=" + files, "SNMP_PERSISTENT_DIR=" + files};
    options.limit = std::chrono::minutes(1); // snmptrap sends one datagram and ends at once
    const int exitCode = RunProcess(argv, options).exitCode;
    std::error_code ignored;
    std::filesystem::remove_all(files, ignored);
    return exitCode;
}

Bytes CaptureSnmpTrap(const std::vector<std::string>& arguments, bool ipv6) {
    std::uint16_t port = 0;
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

Bytes CUdpSender::Receive(int timeoutMs) {
    pollfd ready{m_fd, POLLIN, 0};
    if (m_fd < 0 || poll(&ready, 1, timeoutMs) != 1)
        return {};
    Bytes datagram(65536);
    const ssize_t got = recv(m_fd, datagram.data(), datagram.size(), 0);
    datagram.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return datagram;
}
