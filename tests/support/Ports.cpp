#include "support/Ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int BindLoopback(bool ipv6, std::uint16_t port, std::uint16_t* bound) {
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

bool HasIpv6Loopback() {
    std::uint16_t port = 0;
    const int fd = BindLoopback(true, 0, &port);
    if (fd >= 0)
        close(fd);
    return fd >= 0;
}

std::uint16_t FreeUdpPort() {
    std::uint16_t port = 0;
    const int fd = BindLoopback(false, 0, &port);
    if (fd < 0)
        return 0;
    close(fd);
    return port;
}

std::uint16_t FreeTrapTestPort() {
    const bool ipv6 = HasIpv6Loopback();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::uint16_t port = 0;
        const int v4 = BindLoopback(false, 0, &port);
        if (v4 < 0)
            continue;
        std::uint16_t same = 0;
        const int v6 = ipv6 ? BindLoopback(true, port, &same) : -1;
        close(v4);
        if (v6 >= 0)
            close(v6);
        if (!ipv6 || v6 >= 0)
            return port;
    }
    return 0;
}
