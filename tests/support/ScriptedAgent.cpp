#include "support/ScriptedAgent.h"

#include "support/Ber.h"
#include "support/Ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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

Value Integer(std::int64_t n) {
    return {0x02, ber::IntegerContents(n)};
}
Value Unsigned(std::uint8_t tag, std::uint32_t n) {
    return {tag, ber::IntegerContents(n)};
}
Value Octets(std::uint8_t tag, const std::string& bytes) {
    return {tag, Bytes(bytes.begin(), bytes.end())};
}
Value ObjectId(const Oid& oid) {
    return {0x06, ber::OidContents(oid)};
}
Value Null() {
    return {0x05, {}};
}
Value NoSuchObject() {
    return {0x80, {}};
}
Value NoSuchInstance() {
    return {0x81, {}};
}
Value EndOfMibView() {
    return {0x82, {}};
}

Bytes EncodeResponse(const Request& request, const Reply& reply) {
    std::vector<Bytes> list;
    for (const Binding& b : reply.bindings)
        list.push_back(ber::Binding(b.name, ber::Tlv(b.value.tag, b.value.contents)));
    const Bytes pdu = ber::Tlv(
        0xA2, ber::Concat({ber::Integer(request.requestId), ber::Integer(reply.errorStatus),
                           ber::Integer(reply.errorIndex), ber::Tlv(0x30, ber::Concat(list))}));
    return ber::Message(request.version, request.community, pdu);
}

bool DecodeRequest(const Bytes& datagram, Request* request) {
    *request = Request{};
    request->datagram = datagram;
    std::size_t pos = 0;
    ber::Element top;
    if (!ber::ReadElement(datagram, &pos, &top) || top.tag != 0x30)
        return false;
    // version, community, PDU
    const std::vector<ber::Element> message = ber::Inside(top.contents);
    if (message.size() < 3 || message[0].tag != 0x02 || message[1].tag != 0x04)
        return false;
    request->version = ber::ReadInteger(message[0].contents);
    request->community.assign(message[1].contents.begin(), message[1].contents.end());
    request->pduType = message[2].tag;
    // request id, status, index, bindings
    const std::vector<ber::Element> pdu = ber::Inside(message[2].contents);
    if (pdu.size() < 4 || pdu[0].tag != 0x02 || pdu[3].tag != 0x30)
        return false;
    request->requestId = ber::ReadInteger(pdu[0].contents);
    if (request->pduType == 0xA5) {
        request->nonRepeaters = ber::ReadInteger(pdu[1].contents);
        request->maxRepetitions = ber::ReadInteger(pdu[2].contents);
    }
    bool whole = false;
    for (const ber::Element& element : ber::Inside(pdu[3].contents, &whole)) {
        const std::vector<ber::Element> binding = ber::Inside(element.contents);
        if (element.tag != 0x30 || binding.size() < 2 || binding[0].tag != 0x06)
            return false;
        request->bindings.push_back(
            {ber::ReadOid(binding[0].contents), {binding[1].tag, binding[1].contents}});
    }
    return whole;
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
    m_responder.Stop();
}

bool ScriptedAgent::Start() {
    return m_responder.Start([this](const Bytes& datagram, std::uint16_t peerPort) {
        return AnswerTo(datagram, peerPort);
    });
}

std::string ScriptedAgent::Address() const {
    return "127.0.0.1:" + std::to_string(m_responder.Port());
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
    return sendto(m_responder.Socket(), datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(datagram.size());
}

std::optional<Bytes> ScriptedAgent::AnswerTo(const Bytes& datagram, std::uint16_t peerPort) {
    Request request;
    if (!DecodeRequest(datagram, &request))
        return std::nullopt;
    request.peerPort = peerPort;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_count;
        if (m_keepRequests)
            m_received.push_back(request);
    }
    const Reply reply = m_script(request);
    if (!reply.send)
        return std::nullopt;
    return EncodeResponse(request, reply);
}

Binding TableAgent::After(const Oid& name) const {
    const auto found = objects.upper_bound(name);
    if (found == objects.end())
        return {name, EndOfMibView()};
    return {found->first, found->second};
}

Reply TableAgent::Bulk(const Request& request) const {
    Reply reply;
    const auto nonRepeaters = static_cast<std::size_t>(std::clamp<std::int64_t>(
        request.nonRepeaters, 0, static_cast<std::int64_t>(request.bindings.size())));
    for (std::size_t i = 0; i < nonRepeaters; ++i)
        reply.bindings.push_back(After(request.bindings[i].name));
    std::vector<Oid> last;
    for (std::size_t i = nonRepeaters; i < request.bindings.size(); ++i)
        last.push_back(request.bindings[i].name);
    for (std::int64_t r = 0; r < request.maxRepetitions && !last.empty(); ++r) {
        bool allEnded = true;
        for (Oid& name : last) {
            const Binding next = After(name);
            allEnded = allEnded && next.value.tag == 0x82;
            reply.bindings.push_back(next);
            name = next.name;
        }
        if (allEnded)
            break;
    }
    return reply;
}

Reply TableAgent::Version2(const Request& request) const {
    Reply reply;
    if (request.pduType == 0xA5) {
        reply = Bulk(request);
    } else {
        for (const Binding& asked : request.bindings) {
            const auto found = objects.find(asked.name);
            if (request.pduType == 0xA1)
                reply.bindings.push_back(After(asked.name));
            else if (request.pduType == 0xA3)
                reply.bindings.push_back(asked);
            else
                reply.bindings.push_back(
                    {asked.name, found != objects.end() ? found->second : NoSuchObject()});
        }
    }
    if (mostBindings != 0 && reply.bindings.size() > mostBindings)
        return StatusOnly(1, 0); // tooBig, without bindings (RFC 3416, 4.2.1)
    return reply;
}

Reply TableAgent::operator()(const Request& request) const {
    if (request.version != 0)
        return Version2(request);
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
