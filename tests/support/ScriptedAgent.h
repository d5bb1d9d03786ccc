// An SNMPv1 and SNMPv2c agent that misbehaves on purpose: a UDP responder on a loopback
// port, run on a thread of the test, that reads real request datagrams (GetBulk included) and
// answers what its script says, down to the tag and bytes of every value. It speaks the tests' own
// BER (support/Ber.h), independent of the code under test, so both sides of the wire are checked.
#pragma once

#include "support/LoopbackResponder.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace scripted {

using Oid = std::vector<std::uint32_t>;
using Bytes = std::vector<std::uint8_t>;

Oid ParseOid(const std::string& dotted); // ".1.3.6" or "1.3.6"
std::string OidText(const Oid& oid);     // ".1.3.6"

// A value as it travels: its tag and its contents octets.
struct Value {
    std::uint8_t tag = 0x05;
    Bytes contents;
};
Value Integer(std::int64_t n);                     // INTEGER (tag 0x02)
Value Unsigned(std::uint8_t tag, std::uint32_t n); // Counter32, Gauge32, TimeTicks
Value Octets(std::uint8_t tag, const std::string& bytes);
Value ObjectId(const Oid& oid);
Value Null();
// The SNMPv2 exceptions (RFC 3416, 3): a tag without contents in place of a value.
Value NoSuchObject();
Value NoSuchInstance();
Value EndOfMibView();

struct Binding {
    Oid name;
    Value value;
};

struct Request {
    std::int64_t version = -1;
    std::string community;
    std::uint8_t pduType = 0;
    std::int64_t requestId = 0;
    // A GetBulk's counts (RFC 3416, 4.2.3), which stand where other requests have their
    // error status and index.
    std::int64_t nonRepeaters = 0;
    std::int64_t maxRepetitions = 0;
    std::vector<Binding> bindings;
    Bytes datagram;
    std::uint16_t peerPort = 0; // the manager's port the request came from
};

struct Reply {
    bool send = true; // false: stay silent
    std::int64_t errorStatus = 0;
    std::int64_t errorIndex = 0;
    std::vector<Binding> bindings;
};

// No answer at all.
inline Reply Silence() {
    Reply reply;
    reply.send = false;
    return reply;
}

// An error answer: the status and index, with the request's bindings echoed (RFC 1157).
inline Reply ErrorReply(const Request& request, std::int64_t status, std::int64_t index) {
    Reply reply;
    reply.errorStatus = status;
    reply.errorIndex = index;
    reply.bindings = request.bindings;
    return reply;
}

// An error answer without the bindings that RFC 1157 wants echoed.
inline Reply StatusOnly(std::int64_t status, std::int64_t index) {
    Reply reply;
    reply.errorStatus = status;
    reply.errorIndex = index;
    return reply;
}

// BER encoding of a whole response message for `request`.
Bytes EncodeResponse(const Request& request, const Reply& reply);
// Reads a request message; false for anything that is not one.
bool DecodeRequest(const Bytes& datagram, Request* request);

// Sends `datagram` to 127.0.0.1:`toPort` from a socket of its own bound to `fromAddress`
// (a loopback address) and `fromPort` (0 for any free port): a sender that is not the agent.
bool SendFrom(const std::string& fromAddress, std::uint16_t fromPort, std::uint16_t toPort,
              const Bytes& datagram);

class ScriptedAgent {
public:
    using Script = std::function<Reply(const Request&)>;

    explicit ScriptedAgent(Script script);
    ~ScriptedAgent(); // stops the responder thread

    bool Start(); // binds 127.0.0.1 on a free port
    std::uint16_t Port() const { return m_responder.Port(); }
    std::string Address() const; // "127.0.0.1:<port>"

    std::vector<Request> Received() const;
    std::size_t RequestCount() const;

    // For scripts, on the responder's thread: sends `datagram` from the agent's own address
    // and port to the manager that sent `request`, beside the script's answer.
    bool SendToManager(const Request& request, const Bytes& datagram) const;
    // Whether the agent is being stopped, so that a script that keeps sending ends.
    bool Stopping() const { return m_responder.Stopping(); }

private:
    std::optional<Bytes> AnswerTo(const Bytes& datagram, std::uint16_t peerPort);

    Script m_script;
    LoopbackResponder m_responder;
    mutable std::mutex m_lock;
    std::vector<Request> m_received;
    std::size_t m_count = 0;
    bool m_keepRequests = true;

public:
    // Large walks keep no copies of what they receive.
    void KeepRequests(bool keep) { m_keepRequests = keep; }
};

// An agent over an ordered table of objects. To SNMPv1 requests, as RFC 1157 answers them:
// Get answers the object or noSuchName (2, index 1); GetNext answers the first object after
// the name, or noSuchName at the end; Set answers with the value it got. To SNMPv2c ones, as
// RFC 3416 answers them: noSuchObject and endOfMibView in place of noSuchName, and GetBulk,
// whose repetitions end after the first endOfMibView. An answer of more than `mostBindings`
// bindings (0: no limit) is tooBig, as an agent whose messages cannot hold it answers.
class TableAgent {
public:
    std::map<Oid, Value> objects;
    std::size_t mostBindings = 0;
    Reply operator()(const Request& request) const;

private:
    Reply Version2(const Request& request) const;
    Reply Bulk(const Request& request) const;
    // The binding after `name`: the next object, or endOfMibView under `name`.
    Binding After(const Oid& name) const;
};

} // namespace scripted
