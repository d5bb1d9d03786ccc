#include "support/UsmScriptedAgent.h"

#include "support/Ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace usmagent {

namespace {

Bytes Sha1(const Bytes& data) {
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha1(), nullptr);
    digest.resize(length);
    return digest;
}

// RFC 3414, A.2.2: the passphrase repeated over 1 MB, hashed; then localised for the engine.
Bytes LocalisedShaKey(const std::string& passphrase, const Bytes& engineId) {
    Bytes stretched(1048576);
    for (std::size_t i = 0; i < stretched.size(); ++i)
        stretched[i] = static_cast<std::uint8_t>(passphrase[i % passphrase.size()]);
    const Bytes ku = Sha1(stretched);
    return Sha1(ber::Concat({ku, engineId, ku}));
}

std::int64_t Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                            since)
        .count();
}

// Reads an SNMPv3 message's header, security parameters and, when in clear, its request id.
bool ReadRequest(const Bytes& datagram, Request* request, std::int64_t* requestId) {
    std::size_t pos = 0;
    ber::Element whole;
    if (!ber::ReadElement(datagram, &pos, &whole) || whole.tag != 0x30)
        return false;
    const auto fields = ber::Inside(whole.contents);
    if (fields.size() != 4 || ber::ReadInteger(fields[0].contents) != 3)
        return false;
    const auto header = ber::Inside(fields[1].contents);
    if (header.size() != 4 || header[2].contents.size() != 1)
        return false;
    request->msgId = ber::ReadInteger(header[0].contents);
    request->flags = header[2].contents[0];
    pos = 0;
    ber::Element usm;
    if (!ber::ReadElement(fields[2].contents, &pos, &usm))
        return false;
    const auto parameters = ber::Inside(usm.contents);
    if (parameters.size() != 6)
        return false;
    request->engineId = parameters[0].contents;
    request->boots = ber::ReadInteger(parameters[1].contents);
    request->time = ber::ReadInteger(parameters[2].contents);
    request->userName.assign(parameters[3].contents.begin(), parameters[3].contents.end());
    *requestId = 0;
    if (!(request->flags & 0x02)) {
        const auto scoped = ber::Inside(fields[3].contents);
        if (scoped.size() == 3) {
            const auto pdu = ber::Inside(scoped[2].contents);
            if (!pdu.empty())
                *requestId = ber::ReadInteger(pdu[0].contents);
            if (pdu.size() == 4) {
                for (const ber::Element& binding : ber::Inside(pdu[3].contents)) {
                    const auto parts = ber::Inside(binding.contents);
                    if (!parts.empty())
                        request->names.push_back(parts[0].contents);
                }
            }
        }
    }
    return true;
}

} // namespace

UsmScriptedAgent::UsmScriptedAgent(Script script, std::string authPassphrase, std::int64_t boots,
                                   std::int64_t time)
    : m_script(std::move(script)),
      m_engineId({0x80, 0x00, 0x1F, 0x88, 0x04, 's', 'c', 'r', 'i', 'p', 't', 'e', 'd'}),
      m_boots(boots), m_time(time), m_started(std::chrono::steady_clock::now()) {
    m_key = LocalisedShaKey(authPassphrase, m_engineId);
}

std::int64_t UsmScriptedAgent::Time() const {
    return m_time + m_jump + Seconds(m_started);
}

UsmScriptedAgent::~UsmScriptedAgent() {
    m_responder.Stop();
}

bool UsmScriptedAgent::Start() {
    return m_responder.Start(
        [this](const Bytes& datagram, std::uint16_t) { return AnswerTo(datagram); });
}

std::string UsmScriptedAgent::Address() const {
    return "127.0.0.1:" + std::to_string(m_responder.Port());
}

Bytes UsmScriptedAgent::Report(const Request& request, const Answer& answer,
                               std::int64_t requestId) const {
    const std::vector<std::uint32_t> counter =
        answer.counter == kUnknownContexts
            ? std::vector<std::uint32_t>{1, 3, 6, 1, 6, 3, 12, 1, 5, 0}
            : std::vector<std::uint32_t>{1, 3, 6, 1, 6, 3, 15, 1, 1, answer.counter, 0};
    Bytes bindings = answer.named ? ber::Binding(counter, ber::Unsigned(1, 0x41)) : Bytes{};
    if (answer.response) {
        std::vector<Bytes> each;
        for (const Bytes& name : request.names)
            each.push_back(
                ber::Tlv(0x30, ber::Concat({ber::Tlv(0x06, name), ber::String("scripted")})));
        bindings = ber::Concat(each);
    }
    const Bytes pdu = ber::Tlv(answer.response ? 0xA2 : 0xA8,
                               ber::Concat({ber::Integer(requestId), ber::Integer(0),
                                            ber::Integer(0), ber::Tlv(0x30, bindings)}));
    const Bytes scoped =
        ber::Tlv(0x30, ber::Concat({ber::Tlv(0x04, m_engineId), ber::String(""), pdu}));
    // A discovery Report names the user as the probe did (none); the others the request's.
    const Bytes digestSpace(answer.authenticated ? 12 : 0, 0);
    const Bytes parameters =
        ber::Tlv(0x30, ber::Concat({ber::Tlv(0x04, m_engineId),
                                    ber::Integer(answer.boots >= 0 ? answer.boots : m_boots),
                                    ber::Integer(answer.time >= 0 ? answer.time : Time()),
                                    ber::String(request.userName), ber::Tlv(0x04, digestSpace),
                                    ber::String("")}));
    const std::uint8_t flags = answer.authenticated ? 0x01 : 0x00;
    const Bytes header =
        ber::Tlv(0x30, ber::Concat({ber::Integer(request.msgId), ber::Integer(65507),
                                    ber::Tlv(0x04, Bytes{flags}), ber::Integer(3)}));
    Bytes message =
        ber::Tlv(0x30, ber::Concat({ber::Integer(3), header, ber::Tlv(0x04, parameters), scoped}));
    if (answer.authenticated) {
        // The digest over the whole message with its place zeroed (RFC 3414, 6.3.1).
        const Bytes place = ber::Tlv(0x04, digestSpace);
        const auto at = std::search(message.begin(), message.end(), place.begin(), place.end());
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        HMAC(EVP_sha1(), m_key.data(), static_cast<int>(m_key.size()), message.data(),
             message.size(), digest, &length);
        std::copy(digest, digest + 12, at + 2);
    }
    return message;
}

std::optional<Bytes> UsmScriptedAgent::AnswerTo(const Bytes& datagram) {
    Request request;
    std::int64_t requestId = 0;
    if (!ReadRequest(datagram, &request, &requestId))
        return std::nullopt;
    ++m_count;
    // RFC 3414, 4: a request for another engine (the probe names none) learns this one.
    const Answer answer = request.engineId != m_engineId ? UnauthenticatedReport(kUnknownEngineIds)
                                                         : m_script(request);
    if (!answer.send)
        return std::nullopt;
    return Report(request, answer, requestId);
}

} // namespace usmagent
