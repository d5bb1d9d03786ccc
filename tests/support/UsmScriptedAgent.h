// An SNMPv3 agent of the User-based Security Model that misbehaves on purpose: a UDP
// responder on a loopback port, run on a thread of the test, that reads real SNMPv3 requests
// and answers what its script says with Reports, unauthenticated or authenticated with the
// user's key (HMAC-SHA-96, the key made from the passphrase and localised as RFC 3414, A.2
// says). It answers RFC 3414's discovery by itself, and speaks the tests' own BER
// (support/Ber.h) and OpenSSL's hashes, independent of the code under test and of net-snmp.
#pragma once

#include "support/Ber.h"
#include "support/LoopbackResponder.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace usmagent {

// usmStats (RFC 3414, 5): the counter a Report names, or snmpUnknownContexts.
enum Counter : std::uint32_t {
    kUnsupportedSecLevels = 1,
    kNotInTimeWindows = 2,
    kUnknownUserNames = 3,
    kUnknownEngineIds = 4,
    kWrongDigests = 5,
    kDecryptionErrors = 6,
    // Not a usmStats counter: snmpUnknownContexts (RFC 3413, 4.1.3), 1.3.6.1.6.3.12.1.5.0.
    kUnknownContexts = 0x10000,
};

// What the agent read of a request.
struct Request {
    std::int64_t msgId = 0;
    std::uint8_t flags = 0;
    Bytes engineId;
    std::int64_t boots = 0;
    std::int64_t time = 0;
    std::string userName;
    std::vector<Bytes> names; // the bindings' names (OID contents), where in clear
};

// The agent's answer to a request other than a discovery probe: a Report of `counter`, or
// a Response that gives each binding of the request the value "scripted".
struct Answer {
    bool send = false;          // false: silence
    bool authenticated = false; // with the user's key at authNoPriv; else at noAuthNoPriv
    Counter counter = kNotInTimeWindows;
    std::int64_t boots = -1; // the agent's own where negative
    bool response = false;
    std::int64_t time = -1; // the agent's own where negative
    bool named = true;      // a Report that names its counter in a binding; false: none
};

inline Answer Silence() {
    return {};
}
inline Answer UnauthenticatedReport(Counter counter) {
    return {true, false, counter, -1};
}
inline Answer AuthenticatedReport(Counter counter, std::int64_t boots = -1) {
    return {true, true, counter, boots};
}
inline Answer AuthenticatedResponse(std::int64_t time = -1) {
    return {true, true, kNotInTimeWindows, -1, true, time};
}

class UsmScriptedAgent {
public:
    using Script = std::function<Answer(const Request&)>;

    // `authPassphrase` is the SHA user's, from which the agent's authenticated Reports are
    // keyed; its engine's boots are `boots`, its time counts from `time` at the start.
    UsmScriptedAgent(Script script, std::string authPassphrase, std::int64_t boots = 1,
                     std::int64_t time = 0);
    ~UsmScriptedAgent(); // stops the responder thread

    bool Start(); // binds 127.0.0.1 on a free port
    std::string Address() const;
    const Bytes& EngineId() const { return m_engineId; }
    std::int64_t Time() const; // the engine's time now
    // Sets the engine's clock forward (or back, for a negative number) by `seconds`.
    void JumpTime(std::int64_t seconds) { m_jump += seconds; }
    std::size_t RequestCount() const { return m_count.load(); }

private:
    std::optional<Bytes> AnswerTo(const Bytes& datagram);
    Bytes Report(const Request& request, const Answer& answer, std::int64_t requestId) const;

    Script m_script;
    Bytes m_key; // the user's authentication key, localised for the agent's engine
    Bytes m_engineId;
    std::int64_t m_boots;
    std::int64_t m_time;
    std::chrono::steady_clock::time_point m_started;
    std::atomic<std::size_t> m_count{0};
    std::atomic<std::int64_t> m_jump{0};
    LoopbackResponder m_responder;
};

} // namespace usmagent
