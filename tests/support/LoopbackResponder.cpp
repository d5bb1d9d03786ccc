#include "support/LoopbackResponder.h"

#include "support/Ports.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

LoopbackResponder::~LoopbackResponder() {
    Stop();
    for (int fd : {m_socket, m_wake[0], m_wake[1]})
        if (fd >= 0)
            close(fd);
}

bool LoopbackResponder::Start(Handler handler) {
    m_handler = std::move(handler);
    m_socket = BindLoopback(false, 0, &m_port);
    if (m_socket < 0 || pipe(m_wake) != 0)
        return false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void LoopbackResponder::Stop() {
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char byte = 1;
        (void)!write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
}

void LoopbackResponder::Serve() {
    Bytes buffer(65536);
    while (!m_stop) {
        pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN))
            continue;
        sockaddr_in peer{};
        socklen_t peerLength = sizeof peer;
        const ssize_t got = recvfrom(m_socket, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (got <= 0)
            continue;
        const std::optional<Bytes> answer =
            m_handler(Bytes(buffer.begin(), buffer.begin() + got), ntohs(peer.sin_port));
        if (answer)
            sendto(m_socket, answer->data(), answer->size(), 0, reinterpret_cast<sockaddr*>(&peer),
                   peerLength);
    }
}
