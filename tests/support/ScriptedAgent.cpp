#include "support/ScriptedAgent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>

namespace scripted {

Oid ParseOid(const std::string& dotted) {
    Oid oid;
    std::stringstream in(dotted[0] == '.' ? dotted.substr(1) : dotted);
    std::string part;
    while (std::getline(in, part, '.'))
        oid.push_back(static_cast<std::uint32_t>(std::stoul(part)));
    return oid;
}

std::string OidText(const Oid& oid) {
    std::string text;
    for (std::uint32_t id : oid) {
        text += '.';
        text += std::to_string(id);
    }
    return text;
}

// --- BER --------------------------------------------------------------------------------

namespace {

void AppendLength(Bytes* out, std::size_t n) {
    if (n < 0x80) {
        out->push_back(static_cast<std::uint8_t>(n));
        return;
    }
    Bytes digits;
    for (; n; n >>= 8)
        digits.insert(digits.begin(), static_cast<std::uint8_t>(n & 0xFF));
    out->push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
    out->insert(out->end(), digits.begin(), digits.end());
}

Bytes Tlv(std::uint8_t tag, const Bytes& contents) {
    Bytes out{tag};
    AppendLength(&out, contents.size());
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

Bytes IntegerContents(std::int64_t n) {
    Bytes bytes;
    for (int i = 7; i >= 0; --i)
        bytes.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    // Minimal two's complement form.
    while (bytes.size() > 1 &&
           ((bytes[0] == 0x00 && !(bytes[1] & 0x80)) || (bytes[0] == 0xFF && (bytes[1] & 0x80))))
        bytes.erase(bytes.begin());
    return bytes;
}

Bytes OidContents(const Oid& oid) {
    Bytes out;
    auto base128 = [&out](std::uint64_t v) {
        Bytes digits{static_cast<std::uint8_t>(v & 0x7F)};
        for (v >>= 7; v; v >>= 7)
            digits.insert(digits.begin(), static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
        out.insert(out.end(), digits.begin(), digits.end());
    };
    if (oid.size() < 2) {
        base128(oid.empty() ? 0 : oid[0] * 40ull);
        return out;
    }
    base128(oid[0] * 40ull + oid[1]);
    for (std::size_t i = 2; i < oid.size(); ++i)
        base128(oid[i]);
    return out;
}

struct Reader {
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool Next(std::uint8_t* tag, const std::uint8_t** contents, std::size_t* length) {
        if (end - p < 2)
            return false;
        *tag = *p++;
        std::size_t n = *p++;
        if (n & 0x80) {
            const std::size_t count = n & 0x7F;
            if (count == 0 || count > 4 || static_cast<std::size_t>(end - p) < count)
                return false;
            n = 0;
            for (std::size_t i = 0; i < count; ++i)
                n = (n << 8) | *p++;
        }
        if (n > static_cast<std::size_t>(end - p))
            return false;
        *contents = p;
        *length = n;
        p += n;
        return true;
    }
};

std::int64_t ReadInteger(const std::uint8_t* p, std::size_t n) {
    std::int64_t v = (n && (p[0] & 0x80)) ? -1 : 0;
    for (std::size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

Oid ReadOid(const std::uint8_t* p, std::size_t n) {
    Oid oid;
    std::uint64_t v = 0;
    bool first = true;
    for (std::size_t i = 0; i < n; ++i) {
        v = (v << 7) | (p[i] & 0x7F);
        if (!(p[i] & 0x80)) {
            if (first) {
                const std::uint64_t x = v < 80 ? v / 40 : 2;
                oid.push_back(static_cast<std::uint32_t>(x));
                oid.push_back(static_cast<std::uint32_t>(v - 40 * x));
                first = false;
            } else {
                oid.push_back(static_cast<std::uint32_t>(v));
            }
            v = 0;
        }
    }
    return oid;
}

} // namespace

Value Integer(std::int64_t n) {
    return {0x02, IntegerContents(n)};
}
Value Unsigned(std::uint8_t tag, std::uint32_t n) {
    return {tag, IntegerContents(n)};
}
Value Octets(std::uint8_t tag, const std::string& bytes) {
    return {tag, Bytes(bytes.begin(), bytes.end())};
}
Value ObjectId(const Oid& oid) {
    return {0x06, OidContents(oid)};
}
Value Null() {
    return {0x05, {}};
}

Bytes EncodeResponse(const Request& request, const Reply& reply) {
    Bytes list;
    for (const Binding& b : reply.bindings) {
        Bytes binding = Tlv(0x06, OidContents(b.name));
        const Bytes value = Tlv(b.value.tag, b.value.contents);
        binding.insert(binding.end(), value.begin(), value.end());
        const Bytes wrapped = Tlv(0x30, binding);
        list.insert(list.end(), wrapped.begin(), wrapped.end());
    }
    Bytes pdu = Tlv(0x02, IntegerContents(request.requestId));
    for (const Bytes& part : {Tlv(0x02, IntegerContents(reply.errorStatus)),
                              Tlv(0x02, IntegerContents(reply.errorIndex)), Tlv(0x30, list)})
        pdu.insert(pdu.end(), part.begin(), part.end());
    Bytes message = Tlv(0x02, IntegerContents(request.version));
    for (const Bytes& part :
         {Tlv(0x04, Bytes(request.community.begin(), request.community.end())), Tlv(0xA2, pdu)})
        message.insert(message.end(), part.begin(), part.end());
    return Tlv(0x30, message);
}

bool DecodeRequest(const Bytes& datagram, Request* request) {
    *request = Request{};
    request->datagram = datagram;
    Reader top{datagram.data(), datagram.data() + datagram.size()};
    std::uint8_t tag;
    const std::uint8_t* c;
    std::size_t n;
    if (!top.Next(&tag, &c, &n) || tag != 0x30)
        return false;
    Reader message{c, c + n};
    if (!message.Next(&tag, &c, &n) || tag != 0x02)
        return false;
    request->version = ReadInteger(c, n);
    if (!message.Next(&tag, &c, &n) || tag != 0x04)
        return false;
    request->community.assign(reinterpret_cast<const char*>(c), n);
    if (!message.Next(&tag, &c, &n))
        return false;
    request->pduType = tag;
    Reader pdu{c, c + n};
    if (!pdu.Next(&tag, &c, &n) || tag != 0x02)
        return false;
    request->requestId = ReadInteger(c, n);
    if (!pdu.Next(&tag, &c, &n) || !pdu.Next(&tag, &c, &n)) // status, index
        return false;
    if (!pdu.Next(&tag, &c, &n) || tag != 0x30)
        return false;
    Reader list{c, c + n};
    while (list.p < list.end) {
        if (!list.Next(&tag, &c, &n) || tag != 0x30)
            return false;
        Reader binding{c, c + n};
        Binding b;
        if (!binding.Next(&tag, &c, &n) || tag != 0x06)
            return false;
        b.name = ReadOid(c, n);
        if (!binding.Next(&tag, &c, &n))
            return false;
        b.value.tag = tag;
        b.value.contents.assign(c, c + n);
        request->bindings.push_back(std::move(b));
    }
    return true;
}

bool SendFrom(const std::string& fromAddress, std::uint16_t fromPort, std::uint16_t toPort,
              const Bytes& datagram) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_port = htons(fromPort);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(toPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool sent =
        inet_pton(AF_INET, fromAddress.c_str(), &from.sin_addr) == 1 &&
        bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
        sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
               sizeof to) == static_cast<ssize_t>(datagram.size());
    close(fd);
    return sent;
}

// --- The responder -----------------------------------------------------------------------

ScriptedAgent::ScriptedAgent(Script script) : m_script(std::move(script)) {}

ScriptedAgent::~ScriptedAgent() {
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char byte = 1;
        (void)!write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_socket, m_wake[0], m_wake[1]})
        if (fd >= 0)
            close(fd);
}

bool ScriptedAgent::Start() {
    m_socket = socket(AF_INET, SOCK_DGRAM, 0);
    if (m_socket < 0 || pipe(m_wake) != 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return false;
    socklen_t length = sizeof address;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
    return true;
}

std::string ScriptedAgent::Address() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::vector<Request> ScriptedAgent::Received() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_received;
}

std::size_t ScriptedAgent::RequestCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_count;
}

bool ScriptedAgent::SendToManager(const Request& request, const Bytes& datagram) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(request.peerPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sendto(m_socket, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(datagram.size());
}

void ScriptedAgent::Serve() {
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
        Request request;
        if (!DecodeRequest(Bytes(buffer.begin(), buffer.begin() + got), &request))
            continue;
        request.peerPort = ntohs(peer.sin_port);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            ++m_count;
            if (m_keepRequests)
                m_received.push_back(request);
        }
        const Reply reply = m_script(request);
        if (!reply.send)
            continue;
        const Bytes answer = EncodeResponse(request, reply);
        sendto(m_socket, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&peer),
               peerLength);
    }
}

Reply TableAgent::operator()(const Request& request) const {
    Reply reply;
    for (std::size_t i = 0; i < request.bindings.size(); ++i) {
        const Binding& asked = request.bindings[i];
        std::map<Oid, Value>::const_iterator found = objects.end();
        if (request.pduType == 0xA0 || request.pduType == 0xA3)
            found = objects.find(asked.name);
        else if (request.pduType == 0xA1)
            found = objects.upper_bound(asked.name);
        if (found == objects.end()) {
            // RFC 1157: noSuchName, with the request's bindings echoed.
            reply.errorStatus = 2;
            reply.errorIndex = static_cast<std::int64_t>(i) + 1;
            reply.bindings = request.bindings;
            return reply;
        }
        reply.bindings.push_back(
            {found->first, request.pduType == 0xA3 ? asked.value : found->second});
    }
    return reply;
}

} // namespace scripted
