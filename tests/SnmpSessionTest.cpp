// Sessions of the SNMP layer against the real snmpd: open and close, the address forms and
// their refusals, Get beside net-snmp's own snmpget, requests that get no answer, the tags
// and contents every value type has on the wire, and requests beside identifier texts on
// other threads. Against hostile answers: what the flows receive of each, answers from
// elsewhere, identifiers that cannot be sent, and a quiet terminal. The session settings,
// SNMPv2c requests, GetBulk beside snmpbulkget, and the time-out and retries of every version.
#include "snmpapi/SnmpApi.h"
#include "support/Ber.h"
#include "support/BindingText.h"
#include "support/DemoAgent.h"
#include "support/Ports.h"
#include "support/RowName.h"
#include "support/ScriptedAgent.h"
#include "support/StderrCapture.h"
#include "support/Wait.h"
#include "testing/SnmpTesting.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using rows::PrintTo;

using Ids = std::vector<UINT>;

const Ids kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
constexpr int kQuickTimeoutMs = 100; // for requests that are meant to go unanswered

// A UDP socket on 127.0.0.1 (or ::1) that never answers; it keeps what reaches it.
class SilentPort {
public:
    explicit SilentPort(int family = AF_INET)
        : m_family(family), m_fd(BindLoopback(family == AF_INET6, 0, &m_port)) {}
    ~SilentPort() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;

    std::uint16_t Port() const { return m_port; }
    std::string Address() const {
        return (m_family == AF_INET6 ? "[::1]:" : "127.0.0.1:") + std::to_string(m_port);
    }
    // The oldest datagram that has arrived, or nothing.
    Bytes Take() {
        std::uint8_t buffer[65536];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        return n > 0 ? Bytes(buffer, buffer + n) : Bytes{};
    }

private:
    int m_family;
    std::uint16_t m_port = 0;
    int m_fd = -1;
};

// A list of one binding per name with NULL values, as the request flows build it.
SnmpVarBindList GetList(const std::vector<Ids>& names) {
    SnmpVarBindList list{};
    list.list = static_cast<SnmpVarBind*>(
        SnmpUtilMemAlloc(static_cast<UINT>(names.size() * sizeof(SnmpVarBind))));
    list.len = static_cast<UINT>(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        Ids copy = names[i];
        const AsnObjectIdentifier view{static_cast<UINT>(copy.size()), copy.data()};
        SnmpUtilOidCpy(&list.list[i].name, &view);
        list.list[i].value.asnType = ASN_NULL;
    }
    return list;
}

Ids NameOf(const SnmpVarBind& vb) {
    return Ids(vb.name.ids, vb.name.ids + vb.name.idLength);
}

std::string OctetsOf(const AsnAny& value) {
    const AsnOctetString& s = value.asnValue.string;
    return std::string(reinterpret_cast<const char*>(s.stream), s.length);
}

class SnmpSessionWithAgent : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_agent.Start()); }

    LPSNMP_MGR_SESSION Open(const std::string& address, int timeoutMs = 1000, int retries = 3) {
        return SnmpMgrOpen(address.c_str(), DemoAgent::Community(), timeoutMs, retries);
    }

    DemoAgent m_agent;
};

TEST_F(SnmpSessionWithAgent, OpensAndCloses) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    LPSNMP_MGR_SESSION session = Open(m_agent.Address());
    ASSERT_NE(session, nullptr) << SystemErrorText(GetLastError());
    EXPECT_TRUE(SnmpMgrClose(session));
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);

    EXPECT_FALSE(SnmpMgrClose(nullptr));
    EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_INVALID_SESSION);
}

TEST_F(SnmpSessionWithAgent, GetGivesWhatSnmpgetGives) {
    const std::string expected = m_agent.ToolValue(".1.3.6.1.2.1.1.5.0");
    ASSERT_FALSE(expected.empty());

    const std::int64_t before = SnmpUtilLiveBlocks();
    LPSNMP_MGR_SESSION session = Open(m_agent.Address());
    ASSERT_NE(session, nullptr);
    SnmpVarBindList list = GetList({kSysName});
    AsnInteger status = -1;
    AsnInteger index = -1;
    ASSERT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index), 1)
        << SystemErrorText(GetLastError());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(list.len, 1u);
    EXPECT_EQ(NameOf(list.list[0]), kSysName);
    EXPECT_EQ(list.list[0].value.asnType, ASN_OCTETSTRING);
    EXPECT_EQ(OctetsOf(list.list[0].value), expected);
    EXPECT_TRUE(list.list[0].value.asnValue.string.dynamic);
    SnmpUtilVarBindListFree(&list);
    SnmpMgrClose(session);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// RFC 1157, 4.1.2: a Get of an object the agent lacks is answered with noSuchName and the
// index (from 1) of the binding at fault.
TEST_F(SnmpSessionWithAgent, GetOfAMissingObjectGivesNoSuchNameAndItsIndex) {
    LPSNMP_MGR_SESSION session = Open(m_agent.Address());
    ASSERT_NE(session, nullptr);
    struct Case {
        std::vector<Ids> names;
        AsnInteger index;
    };
    const Case cases[] = {
        {{{1, 3, 6, 1, 2, 1, 1, 99, 0}}, 1},
        {{kSysName, {1, 3, 6, 1, 4, 1, 15, 0, 0, 99}}, 2},
        {{{1, 3, 6, 1, 2, 1, 1, 5}}, 1}, // the object without its instance
    };
    for (const Case& c : cases) {
        SnmpVarBindList list = GetList(c.names);
        AsnInteger status = -1;
        AsnInteger index = -1;
        ASSERT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index), 1);
        EXPECT_EQ(status, SNMP_ERRORSTATUS_NOSUCHNAME);
        EXPECT_EQ(index, c.index);
        SnmpUtilVarBindListFree(&list);
    }
    SnmpMgrClose(session);
}

// The forms an operator may type for an agent: each opens, and those that lead to the agent
// get its answer.
TEST_F(SnmpSessionWithAgent, OpensEveryAddressForm) {
    const std::string port = std::to_string(m_agent.Port());
    struct Case {
        std::string address;
        bool reachesAgent;
    };
    const Case cases[] = {
        {"127.0.0.1:" + port, true},
        {"localhost:" + port, true},
        {"127.0.0.1", false}, // port 161
        {"127.0.0.1:0161", false},
        {"localhost", false},
        {"[::1]:" + port, false}, // the agent listens on IPv4 only
        {"[::1]", false},
        {"::1", false},
    };
    for (const Case& c : cases) {
        LPSNMP_MGR_SESSION session = Open(c.address);
        ASSERT_NE(session, nullptr) << c.address << ": " << SystemErrorText(GetLastError());
        if (c.reachesAgent) {
            SnmpVarBindList list = GetList({kSysName});
            AsnInteger status = -1;
            AsnInteger index = -1;
            EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index), 1)
                << c.address;
            EXPECT_EQ(status, 0) << c.address;
            SnmpUtilVarBindListFree(&list);
        }
        EXPECT_TRUE(SnmpMgrClose(session));
    }
}

TEST(SnmpSession, RefusesUnusableAddressesWithTheirReasons) {
    struct Case {
        const char* address;
        UINT error;
    };
    const Case cases[] = {
        {nullptr, SNMP_MGMTAPI_NO_ADDRESS},
        {"", SNMP_MGMTAPI_NO_ADDRESS},
        {"1.2.3", SNMP_MGMTAPI_BAD_ADDRESS},
        {"999.1.1.1", SNMP_MGMTAPI_BAD_ADDRESS},
        {"127.0.0.1.5", SNMP_MGMTAPI_BAD_ADDRESS},
        {"[::1", SNMP_MGMTAPI_BAD_ADDRESS},
        {"[127.0.0.1]:161", SNMP_MGMTAPI_BAD_ADDRESS},
        {"[::1]:0", SNMP_MGMTAPI_BAD_PORT},
        {"[::1]:65536", SNMP_MGMTAPI_BAD_PORT},
        {"127.0.0.1:0", SNMP_MGMTAPI_BAD_PORT},
        {"127.0.0.1:70000", SNMP_MGMTAPI_BAD_PORT},
        {"127.0.0.1:65536", SNMP_MGMTAPI_BAD_PORT},
        {"127.0.0.1:abc", SNMP_MGMTAPI_BAD_PORT},
        {"127.0.0.1:", SNMP_MGMTAPI_BAD_PORT},
        {"127.0.0.1:-1", SNMP_MGMTAPI_BAD_PORT},
        {"127.0.0.1:161:161", SNMP_MGMTAPI_BAD_ADDRESS},
        {"no-such-host.invalid", SNMP_MGMTAPI_UNKNOWN_HOST},
        {"no-such-host.invalid:161", SNMP_MGMTAPI_UNKNOWN_HOST},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(SnmpMgrOpen(c.address, "walnut", 1000, 3), nullptr)
            << (c.address ? c.address : "(null)");
        EXPECT_EQ(GetLastError(), c.error) << (c.address ? c.address : "(null)");
        EXPECT_STRNE(SystemErrorText(GetLastError()), "") << (c.address ? c.address : "(null)");
    }
}

TEST(SnmpSession, RequestWithoutSessionFails) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    SnmpVarBindList list = GetList({kSysName});
    AsnInteger status = -1;
    AsnInteger index = -1;
    EXPECT_EQ(SnmpMgrRequest(nullptr, SNMP_PDU_GET, &list, &status, &index), 0);
    EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_INVALID_SESSION);
    // The caller's list is untouched and still the caller's to release.
    ASSERT_EQ(list.len, 1u);
    EXPECT_EQ(NameOf(list.list[0]), kSysName);
    SnmpUtilVarBindListFree(&list);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

TEST(SnmpSession, RequestThatGetsNoAnswerFails) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    SilentPort silent;
    ASSERT_NE(silent.Port(), 0);
    // A port that does not even have a socket: nothing answers there either.
    std::uint16_t closedPort = 0;
    {
        SilentPort released;
        closedPort = released.Port();
    }
    for (const std::string& address :
         {silent.Address(), "127.0.0.1:" + std::to_string(closedPort)}) {
        LPSNMP_MGR_SESSION session = SnmpMgrOpen(address.c_str(), "walnut", kQuickTimeoutMs, 0);
        ASSERT_NE(session, nullptr);
        for (BYTE type : {SNMP_PDU_GET, SNMP_PDU_GETNEXT, SNMP_PDU_SET}) {
            SnmpVarBindList list = GetList({kSysName});
            AsnInteger status = -1;
            AsnInteger index = -1;
            EXPECT_EQ(SnmpMgrRequest(session, type, &list, &status, &index), 0) << address;
            EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_TIMEOUT) << address;
            ASSERT_EQ(list.len, 1u);
            EXPECT_EQ(NameOf(list.list[0]), kSysName);
            SnmpUtilVarBindListFree(&list);
        }
        SnmpMgrClose(session);
    }
    EXPECT_FALSE(silent.Take().empty()); // the requests did go out
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// The bracketed form leads to the IPv6 loopback, not to an IPv4 address.
TEST(SnmpSession, SendsToAnIpv6Agent) {
    SilentPort silent(AF_INET6);
    if (silent.Port() == 0)
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    LPSNMP_MGR_SESSION session =
        SnmpMgrOpen(silent.Address().c_str(), "walnut", kQuickTimeoutMs, 0);
    ASSERT_NE(session, nullptr) << SystemErrorText(GetLastError());
    SnmpVarBindList list = GetList({kSysName});
    AsnInteger status = -1;
    AsnInteger index = -1;
    EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index), 0);
    SnmpUtilVarBindListFree(&list);
    SnmpMgrClose(session);
    EXPECT_FALSE(silent.Take().empty());
}

// --- The value types on the wire ---------------------------------------------------------

// The datagrams are read with the tests' own BER reader, independent of the layer and of
// net-snmp.
using ber::Element;
using ber::Inside;

// The bindings of an SNMPv1 message (RFC 1157, 4): each binding's name and value elements.
std::vector<std::vector<Element>> BindingsOf(const Bytes& datagram, std::uint8_t* pduTag) {
    size_t pos = 0;
    Element message;
    if (!ber::ReadElement(datagram, &pos, &message) || message.tag != 0x30)
        return {};
    const std::vector<Element> parts = Inside(message.contents); // version, community, PDU
    if (parts.size() != 3)
        return {};
    *pduTag = parts[2].tag;
    const std::vector<Element> pdu = Inside(parts[2].contents); // id, status, index, list
    if (pdu.size() != 4 || pdu[3].tag != 0x30)
        return {};
    std::vector<std::vector<Element>> bindings;
    for (const Element& binding : Inside(pdu[3].contents))
        bindings.push_back(Inside(binding.contents));
    return bindings;
}

AsnAny Octets(BYTE type, const Bytes& bytes) {
    AsnAny any{};
    any.asnType = type;
    any.asnValue.string.stream =
        static_cast<BYTE*>(SnmpUtilMemAlloc(static_cast<UINT>(bytes.size())));
    std::memcpy(any.asnValue.string.stream, bytes.data(), bytes.size());
    any.asnValue.string.length = static_cast<UINT>(bytes.size());
    any.asnValue.string.dynamic = TRUE;
    return any;
}

AsnAny Number(BYTE type, std::uint32_t n) {
    AsnAny any{};
    any.asnType = type;
    any.asnValue.unsigned32 = n;
    return any;
}

// Every value type of the type list reaches the wire with its own tag (RFC 1155, RFC 2578)
// and its contents as BER has them; SEQUENCE in particular, which net-snmp cannot encode on
// its own, must not leave as an OCTET STRING.
TEST(SnmpSession, SendsEveryValueTypeWithItsOwnTag) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    struct Case {
        const char* what;
        AsnAny value;
        std::uint8_t tag;
        Bytes contents;
    };
    AsnAny integer{};
    integer.asnType = ASN_INTEGER;
    integer.asnValue.number = -2147483647 - 1;
    AsnAny oidValue{};
    oidValue.asnType = ASN_OBJECTIDENTIFIER;
    UINT oidIds[] = {1, 3, 6, 1, 4294967295u};
    const AsnObjectIdentifier oidView{5, oidIds};
    SnmpUtilOidCpy(&oidValue.asnValue.object, &oidView);
    AsnAny null{};
    null.asnType = ASN_NULL;
    const Bytes longSequence(300, 0x5A);

    std::vector<Case> cases = {
        {"INTEGER", integer, 0x02, {0x80, 0x00, 0x00, 0x00}},
        {"Counter32", Number(ASN_COUNTER32, 4294967295u), 0x41, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"Gauge32", Number(ASN_GAUGE32, 128), 0x42, {0x00, 0x80}},
        {"TimeTicks", Number(ASN_TIMETICKS, 0), 0x43, {0x00}},
        {"OCTET STRING", Octets(ASN_OCTETSTRING, {'a', 0, 'b'}), 0x04, {'a', 0, 'b'}},
        {"SEQUENCE", Octets(ASN_SEQUENCE, {'x', 'y', 0}), 0x30, {'x', 'y', 0}},
        {"IpAddress", Octets(ASN_IPADDRESS, {10, 1, 2, 3}), 0x40, {10, 1, 2, 3}},
        {"Opaque", Octets(ASN_OPAQUE, {0x01, 0x02, 0x00}), 0x44, {0x01, 0x02, 0x00}},
        {"OBJECT IDENTIFIER", oidValue, 0x06, {0x2B, 0x06, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
        {"NULL", null, 0x05, {}},
        // A second SEQUENCE, long enough for a long-form length, after all the others.
        {"long SEQUENCE", Octets(ASN_SEQUENCE, longSequence), 0x30, longSequence},
    };
    SilentPort capture;
    LPSNMP_MGR_SESSION session =
        SnmpMgrOpen(capture.Address().c_str(), "walnut", kQuickTimeoutMs, 0);
    ASSERT_NE(session, nullptr);
    std::vector<Ids> names;
    for (size_t i = 0; i < cases.size(); ++i)
        names.push_back({1, 3, 6, 1, 4, 1, 15, 0, 0, static_cast<UINT>(i + 1)});
    SnmpVarBindList list = GetList(names);
    for (size_t i = 0; i < cases.size(); ++i)
        list.list[i].value = cases[i].value; // the list owns the values from here
    AsnInteger status = -1;
    AsnInteger index = -1;
    EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_SET, &list, &status, &index), 0); // no answer
    SnmpUtilVarBindListFree(&list);
    SnmpMgrClose(session);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before); // the values' blocks went with the list

    std::uint8_t pduTag = 0;
    const std::vector<std::vector<Element>> bindings = BindingsOf(capture.Take(), &pduTag);
    EXPECT_EQ(pduTag, SNMP_PDU_SET);
    ASSERT_EQ(bindings.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        ASSERT_EQ(bindings[i].size(), 2u) << cases[i].what;
        EXPECT_EQ(bindings[i][0].tag, 0x06) << cases[i].what;
        EXPECT_EQ(bindings[i][1].tag, cases[i].tag) << cases[i].what;
        EXPECT_EQ(bindings[i][1].contents, cases[i].contents) << cases[i].what;
    }
}

// Sends a SEQUENCE Set to a port that never answers, with two retries, and checks that
// every copy that went out carries the SEQUENCE tag, not only the first.
void ExpectEveryRetryTagged(SilentPort& capture, int timeoutMs) {
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(capture.Address().c_str(), "walnut", timeoutMs, 2);
    ASSERT_NE(session, nullptr);
    SnmpVarBindList list = GetList({{1, 3, 6, 1, 4, 1, 15, 0, 0, 2}});
    list.list[0].value = Octets(ASN_SEQUENCE, {'s', 0});
    AsnInteger status = -1;
    AsnInteger index = -1;
    EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_SET, &list, &status, &index), 0);
    SnmpUtilVarBindListFree(&list);
    SnmpMgrClose(session);

    int copies = 0;
    for (Bytes datagram = capture.Take(); !datagram.empty(); datagram = capture.Take()) {
        std::uint8_t pduTag = 0;
        const auto bindings = BindingsOf(datagram, &pduTag);
        ASSERT_EQ(bindings.size(), 1u);
        ASSERT_EQ(bindings[0].size(), 2u);
        EXPECT_EQ(bindings[0][1].tag, 0x30) << "copy " << copies;
        ++copies;
    }
    EXPECT_EQ(copies, 3); // the first sending and two retries
}

TEST(SnmpSession, RetriesKeepTheSequenceTag) {
    SilentPort capture;
    ASSERT_NO_FATAL_FAILURE(ExpectEveryRetryTagged(capture, kQuickTimeoutMs / 2));
}

// Each session's retries keep its own SEQUENCE tags while another thread's session sends
// requests of its own in between.
TEST(SnmpSession, RetriesKeepTheSequenceTagBesideAnotherSession) {
    SilentPort captureA;
    SilentPort captureB;
    std::atomic<bool> aDone{false};
    std::thread other([&] {
        LPSNMP_MGR_SESSION session =
            SnmpMgrOpen(captureB.Address().c_str(), "walnut", kQuickTimeoutMs / 5, 0);
        while (session && !aDone.load()) {
            SnmpVarBindList list = GetList({kSysName});
            AsnInteger status = -1;
            AsnInteger index = -1;
            SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index);
            SnmpUtilVarBindListFree(&list);
        }
        SnmpMgrClose(session);
    });
    ASSERT_NO_FATAL_FAILURE(ExpectEveryRetryTagged(captureA, kQuickTimeoutMs));
    aDone = true;
    other.join();
}

// --- Threads -----------------------------------------------------------------------------

// The dialog's thread makes requests while the trap listener writes binding names: the
// requests, the identifier texts and the utility calls on other threads at the same time
// must neither disturb one another nor lose or double-free a block.
TEST_F(SnmpSessionWithAgent, RequestsAndIdentifierTextsRunOnThreadsAtOnce) {
    const std::string expected = m_agent.ToolValue(".1.3.6.1.2.1.1.5.0");
    const std::int64_t before = SnmpUtilLiveBlocks();
    std::atomic<bool> requestsDone{false};
    std::atomic<int> requestFailures{0};
    std::atomic<int> textFailures{0};

    auto requests = [&] {
        LPSNMP_MGR_SESSION session = Open(m_agent.Address());
        if (!session) {
            ++requestFailures;
            return;
        }
        for (int i = 0; i < 60; ++i) {
            SnmpVarBindList list = GetList({kSysName, {1, 3, 6, 1, 2, 1, 1, 3, 0}});
            AsnInteger status = -1;
            AsnInteger index = -1;
            if (SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index) != 1 || status != 0 ||
                list.len != 2 || OctetsOf(list.list[0].value) != expected)
                ++requestFailures;
            SnmpUtilVarBindListFree(&list);
        }
        SnmpMgrClose(session);
    };
    auto texts = [&](UINT seed) {
        // At least one pass, and on until the requests are done.
        for (UINT round = 0; round < 200 || !requestsDone.load(); ++round) {
            Ids ids = {1, 3, 6, 1, 2, 1, 2, 2, 1, seed % 23, round};
            if (round % 3 == 1)
                ids = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
            if (round % 3 == 2)
                ids = {1, 3, 6, 1, 4, 1, seed, round, 4294967295u};
            const AsnObjectIdentifier view{static_cast<UINT>(ids.size()), ids.data()};
            char* text = nullptr;
            AsnObjectIdentifier back{};
            AsnObjectIdentifier copy{};
            if (!SnmpMgrOidToStr(&view, &text) || !SnmpMgrStrToOid(text, &back) ||
                SnmpUtilOidCmp(&back, &view) != 0 || !SnmpUtilOidCpy(&copy, &back) ||
                SnmpUtilOidNCmp(&copy, &view, 6) != 0)
                ++textFailures;
            SnmpUtilMemFree(text);
            SnmpUtilOidFree(&back);
            SnmpUtilOidFree(&copy);
        }
    };

    std::thread textsA(texts, 7u);
    std::thread textsB(texts, 11u);
    std::thread secondRequester(requests);
    requests();
    secondRequester.join();
    requestsDone = true;
    textsA.join();
    textsB.join();
    EXPECT_EQ(requestFailures.load(), 0);
    EXPECT_EQ(textFailures.load(), 0);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// Two windows may share one session (the main window's commands and the live counters'
// rounds, each on a thread of its own): its requests go one at a time, and each thread gets
// the answer to its own request.
TEST(SnmpSession, ThreadsThatShareASessionEachGetTheirOwnAnswers) {
    scripted::TableAgent table;
    for (int n = 1; n <= 40; ++n)
        table.objects[scripted::ParseOid(".1.3.6.1.4.1.99981.8." + std::to_string(n) + ".0")] =
            scripted::Integer(n);
    scripted::ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(agent.Address().c_str(), "walnut", 2000, 3);
    ASSERT_NE(session, nullptr);
    std::atomic<int> failures{0};
    auto requests = [&](UINT first) {
        for (int i = 0; i < 150; ++i) {
            const UINT n = first + static_cast<UINT>(i % 20);
            SnmpVarBindList list = GetList({{1, 3, 6, 1, 4, 1, 99981, 8, n, 0}});
            AsnInteger status = -1;
            AsnInteger index = -1;
            if (SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index) != 1 || status != 0 ||
                list.len != 1 || list.list[0].value.asnType != ASN_INTEGER ||
                list.list[0].value.asnValue.number != static_cast<AsnInteger>(n))
                ++failures;
            SnmpUtilVarBindListFree(&list);
        }
    };
    std::thread other(requests, 21u);
    requests(1u);
    other.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(agent.RequestCount(), 300u); // no request was sent again for want of its answer
    SnmpMgrClose(session);
}

// --- Answers as the session reads them ---------------------------------------------------

const std::string kRequestShown = "1.3.6.1.2.1.1.5.0=5:"; // the request's binding, as sent

scripted::Reply OneBinding(scripted::Value value, std::int64_t status = 0, std::int64_t index = 0) {
    scripted::Reply reply;
    reply.errorStatus = status;
    reply.errorIndex = index;
    reply.bindings = {{scripted::Oid(kSysName.begin(), kSysName.end()), value}};
    return reply;
}

scripted::Reply Bindings(std::int64_t status, std::int64_t index, size_t count) {
    scripted::Reply reply;
    reply.errorStatus = status;
    reply.errorIndex = index;
    for (size_t i = 0; i < count; ++i)
        reply.bindings.push_back(
            {scripted::Oid(kSysName.begin(), kSysName.end()), scripted::Integer(1)});
    return reply;
}

// Puts in the answer's place a response (request id 1, community "walnut") with one binding
// of the given parts.
std::function<void(Bytes&)> AnswerOf(const Bytes& bindingParts) {
    return [bindingParts](Bytes& d) {
        d = ber::Message(
            0, "walnut",
            ber::Tlv(0xA2, ber::Concat({ber::Integer(1), ber::Integer(0), ber::Integer(0),
                                        ber::Tlv(0x30, ber::Tlv(0x30, bindingParts))})));
    };
}

// One answer datagram beside what the request flows receive of it.
struct AnswerCase {
    const char* name;
    std::int64_t version;
    std::int64_t requestId; // the request under way is 1
    scripted::Reply reply;
    int result; // what SnmpMgrRequest returns, or -1: ignored, the request waits on
    AsnInteger status;
    AsnInteger index;
    std::vector<std::string> list; // afterwards; the request's own binding when not replaced
    std::function<void(Bytes&)> spoil = nullptr;
    int session = SNMP_MGR_VERSION_1; // the version of the session the answer arrives for
};

class SessionReadsAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(SessionReadsAnswers, AsTheAgentSentThem) {
    const AnswerCase& c = GetParam();
    scripted::Request request;
    request.version = c.version;
    request.community = "walnut";
    request.requestId = c.requestId;
    Bytes datagram = scripted::EncodeResponse(request, c.reply);
    if (c.spoil)
        c.spoil(datagram);

    const std::int64_t before = SnmpUtilLiveBlocks();
    SnmpVarBindList list = GetList({kSysName});
    AsnInteger status = -7;
    AsnInteger index = -7;
    EXPECT_EQ(SnmpAnswerForTesting(datagram.data(), datagram.size(), 1, &list, &status, &index,
                                   c.session),
              c.result);
    EXPECT_EQ(Describe(list), c.list);
    EXPECT_EQ(status, c.result == 1 ? c.status : -7); // a failed call leaves them as they were
    EXPECT_EQ(index, c.result == 1 ? c.index : -7);
    if (c.result == 0) {
        EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_BAD_ANSWER);
    }
    SnmpUtilVarBindListFree(&list);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// The three outcomes: taken (status, index and the list afterwards), a failed call, ignored.
AnswerCase Taken(const char* name, scripted::Reply reply, AsnInteger status, AsnInteger index,
                 std::vector<std::string> list, std::function<void(Bytes&)> spoil = nullptr) {
    return {name, 0, 1, std::move(reply), 1, status, index, std::move(list), std::move(spoil)};
}
AnswerCase Failed(const char* name, scripted::Reply reply,
                  std::function<void(Bytes&)> spoil = nullptr) {
    return {name, 0, 1, std::move(reply), 0, 0, 0, {kRequestShown}, std::move(spoil)};
}
AnswerCase Ignored(const char* name, std::int64_t version, std::int64_t requestId,
                   std::function<void(Bytes&)> spoil = nullptr) {
    return {name, version,         requestId,       OneBinding(scripted::Integer(1)), -1, 0,
            0,    {kRequestShown}, std::move(spoil)};
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SessionReadsAnswers,
    ::testing::Values(
        Taken("TheSmallestStatusAndLargestIndexFit",
              OneBinding(scripted::Integer(1), -2147483648LL, 2147483647LL), -2147483647 - 1,
              2147483647, {"1.3.6.1.2.1.1.5.0=2:1"}),
        Taken("AnErrorWithMoreBindingsKeepsTheRequest", Bindings(5, 2, 2), 5, 2, {kRequestShown}),
        Taken("OpaqueWithAFloatInsideArrivesAsSent",
              OneBinding(scripted::Value{0x44, {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=68:159,120,4,63,128,0,0,"}),
        // Zero bytes in front that BER would not write leave the number as it is; a number
        // that its record cannot hold arrives as its element, never as another number.
        Taken("APaddedIntegerIsTheNumber", OneBinding(scripted::Value{0x02, {0, 0, 0, 0, 5}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=2:5"}),
        Taken("APaddedCounterIsTheNumber", OneBinding(scripted::Value{0x41, {0, 0, 0, 0, 0, 0x80}}),
              0, 0, {"1.3.6.1.2.1.1.5.0=65:128"}),
        Taken("AnIntegerBeyond32Bits", OneBinding(scripted::Value{0x02, {0x01, 0, 0, 0, 0}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=31:2,5,1,0,0,0,0,"}),
        Taken("ACounterBeyond32Bits", OneBinding(scripted::Value{0x41, {0x01, 0, 0, 0, 0}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=31:65,5,1,0,0,0,0,"}),
        // A binding that cannot be read keeps its name and its bytes from the value on; one
        // whose name cannot be read is no object to show or go on from.
        Taken("ANullWithContents", OneBinding(scripted::Value{0x05, {0x00}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=31:5,1,0,"}),
        Taken("AnElementAfterTheValue", OneBinding(scripted::Integer(3)), 0, 0,
              {"1.3.6.1.2.1.1.5.0=31:2,1,3,5,0,"},
              AnswerOf(ber::Concat({ber::Oid(kSysName), ber::Integer(3), ber::Null()}))),
        Failed("ANameThatCannotBeRead", OneBinding(scripted::Integer(3)),
               AnswerOf(ber::Concat({ber::Tlv(0x06, {0x2B, 0x80, 0x01}), ber::Integer(3)}))),
        // Lengths in the long form of five and eight octets, at every level (X.690 allows
        // any number): the answer as any other.
        Taken("LengthsOfFiveOctets", OneBinding(scripted::Octets(0x04, "five")), 0, 0,
              {"1.3.6.1.2.1.1.5.0=4:102,105,118,101,"},
              [](Bytes& d) { d = ber::WithLongLengths(d, 5); }),
        Taken("LengthsOfEightOctets", OneBinding(scripted::Integer(8)), 0, 0,
              {"1.3.6.1.2.1.1.5.0=2:8"}, [](Bytes& d) { d = ber::WithLongLengths(d, 8); }),
        Ignored("LengthsOfNineOctets", 0, 1, [](Bytes& d) { d = ber::WithLongLengths(d, 9); }),
        Failed("IndexBelowTheSmallest", OneBinding(scripted::Null(), 5, -2147483649LL)),
        Failed("SuccessWithTwoBindings", Bindings(0, 0, 2)),
        // No agent means success by a negative status: the agent's error, as any other.
        Taken("ANegativeStatusWithoutBindings", Bindings(-1, 0, 0), -1, 0, {kRequestShown}),
        // The first bit of an unsigned number without its zero byte in front is no sign;
        // the longest form keeps that byte.
        Taken("ACounterWithItsTopBitSet", OneBinding(scripted::Value{0x41, {0x80}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=65:128"}),
        Taken("AGaugeWithItsTopBitSet", OneBinding(scripted::Value{0x42, {0x80, 0x00}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=66:32768"}),
        Taken("TicksWithTheirTopBitSet", OneBinding(scripted::Value{0x43, {0xC3, 0x50}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=67:50000"}),
        Taken("ACounter64WithItsTopBitSet", OneBinding(scripted::Value{0x46, {0x80}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=70:0,0,0,0,0,0,0,128,"}),
        Taken("AGaugeOfFiveBytesKeepsItsZeroByte",
              OneBinding(scripted::Value{0x42, {0x00, 0x80, 0x00, 0x00, 0x00}}), 0, 0,
              {"1.3.6.1.2.1.1.5.0=66:2147483648"}),
        Ignored("AWrongRequestId", 0, 2), Ignored("AnSnmpV2cAnswer", 1, 1),
        // An SNMPv2c session takes answers of its own version only.
        AnswerCase{"AnSnmpV2cAnswerToAnSnmpV2cSession",
                   1,
                   1,
                   OneBinding(scripted::Value{0x46, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00}}),
                   1,
                   0,
                   0,
                   {"1.3.6.1.2.1.1.5.0=70:0,0,1,0,0,0,0,0,"},
                   nullptr,
                   SNMP_MGR_VERSION_2C},
        AnswerCase{"AnSnmpV2cErrorToAnSnmpV2cSession",
                   1,
                   1,
                   OneBinding(scripted::Null(), 17, 1),
                   1,
                   17,
                   1,
                   {kRequestShown},
                   nullptr,
                   SNMP_MGR_VERSION_2C},
        AnswerCase{"AnSnmpV1AnswerToAnSnmpV2cSession",
                   0,
                   1,
                   OneBinding(scripted::Integer(1)),
                   -1,
                   0,
                   0,
                   {kRequestShown},
                   nullptr,
                   SNMP_MGR_VERSION_2C},
        Ignored("ARequestPdu", 0, 1,
                [](Bytes& d) { *std::find(d.begin(), d.end(), SNMP_PDU_RESPONSE) = SNMP_PDU_GET; }),
        Ignored("AByteAfterTheMessage", 0, 1, [](Bytes& d) { d.push_back(0); }),
        Ignored("ACutAnswer", 0, 1, [](Bytes& d) { d.pop_back(); })),
    RowName{});

// The bare response that stands for an answer in net-snmp's place carries the answer's
// community, and net-snmp must take it for every community that it reads: the bare
// response's outer length crosses 128 and 256 on the way. A longer community, which no
// agent sends, is no answer.
TEST(SnmpSession, AnswersWithEveryCommunityLengthAreTaken) {
    for (size_t length = 0; length <= 257; ++length) {
        scripted::Request request;
        request.version = 0;
        request.community = std::string(length, 'c');
        request.requestId = 1;
        const Bytes datagram = scripted::EncodeResponse(request, OneBinding(scripted::Integer(5)));
        SnmpVarBindList list = GetList({kSysName});
        AsnInteger status = -7;
        AsnInteger index = -7;
        EXPECT_EQ(SnmpAnswerForTesting(datagram.data(), datagram.size(), 1, &list, &status, &index),
                  length <= 256 ? 1 : -1)
            << "community of " << length;
        SnmpUtilVarBindListFree(&list);
    }
}

// Requests against a scripted agent whose answers come late, twice, from elsewhere or
// beside a flood. The script is given the agent, so that it can send from it or beside it.
struct ArrivalCase {
    const char* name;
    std::function<scripted::Reply(const scripted::Request&, const scripted::ScriptedAgent& agent)>
        script;
    int result;
    const char* value; // the answer's text when the request succeeds
    int timeoutMs = 300;
    int retries = 1;
    double withinSeconds = 0; // when set, the call ends within this time (a generous bound)
    int version = SNMP_MGR_VERSION_1;
};
// A response with the request's own id and community carrying `text`, sent to the manager
// from `address`:`port` before the script's own answer.
void Forge(const scripted::Request& r, const std::string& address, std::uint16_t port,
           const std::string& text) {
    const scripted::Reply forged = OneBinding(scripted::Octets(0x04, text));
    EXPECT_TRUE(scripted::SendFrom(address, port, r.peerPort, scripted::EncodeResponse(r, forged)));
}

class SessionTakesAnswers : public ::testing::TestWithParam<ArrivalCase> {};

TEST_P(SessionTakesAnswers, OnlyFromTheAgent) {
    const ArrivalCase& c = GetParam();
    auto self = std::make_shared<const scripted::ScriptedAgent*>(nullptr);
    scripted::ScriptedAgent agent([=](const scripted::Request& r) { return c.script(r, **self); });
    *self = &agent;
    ASSERT_TRUE(agent.Start());
    const std::int64_t before = SnmpUtilLiveBlocks();
    SnmpMgrSessionSettings settings;
    settings.version = c.version;
    settings.timeoutMs = c.timeoutMs;
    settings.retries = c.retries;
    LPSNMP_MGR_SESSION session = SnmpMgrOpenSession(agent.Address().c_str(), "walnut", &settings);
    ASSERT_NE(session, nullptr);
    SnmpVarBindList list = GetList({kSysName});
    AsnInteger status = -1;
    AsnInteger index = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index), c.result);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (c.withinSeconds > 0) {
        std::printf("[  figure  ] %s: the call took %.3f s\n", c.name, seconds);
        EXPECT_LE(seconds, c.withinSeconds);
    }
    if (GetParam().result == 1) {
        ASSERT_EQ(list.len, 1u);
        EXPECT_EQ(OctetsOf(list.list[0].value), GetParam().value);
    } else {
        EXPECT_EQ(Describe(list), std::vector<std::string>{kRequestShown});
    }
    SnmpUtilVarBindListFree(&list);
    SnmpMgrClose(session);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

scripted::Reply Real(const scripted::Request&, const scripted::ScriptedAgent&) {
    return OneBinding(scripted::Octets(0x04, "real"));
}

// Well-formed answers with another request id, from the agent's own address and port and
// without pause, on two threads so that the stream goes on while one of them waits for the
// processor, until the agent stops (or ten seconds have passed); the request itself is
// never answered.
scripted::Reply Flood(const scripted::Request& r, const scripted::ScriptedAgent& agent) {
    scripted::Request other = r;
    other.requestId = r.requestId + 1;
    const Bytes wrong = scripted::EncodeResponse(other, OneBinding(scripted::Integer(0)));
    const auto start = std::chrono::steady_clock::now();
    const auto send = [&] {
        while (!agent.Stopping() &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
            agent.SendToManager(r, wrong);
    };
    std::thread second(send);
    send();
    second.join();
    return scripted::Silence();
}

INSTANTIATE_TEST_SUITE_P(
    Arrivals, SessionTakesAnswers,
    ::testing::Values(ArrivalCase{"TheAnswerToARetryIsTaken",
                                  [](const scripted::Request& r, const scripted::ScriptedAgent& a) {
                                      static int seen = 0; // silent to the first sending only
                                      return ++seen % 2 == 1 ? scripted::Silence() : Real(r, a);
                                  },
                                  1, "real"},
                      ArrivalCase{"AnAnswerFromAnotherPortIsIgnored",
                                  [](const scripted::Request& r, const scripted::ScriptedAgent& a) {
                                      Forge(r, "127.0.0.1", 0, "forged");
                                      return Real(r, a);
                                  },
                                  1, "real"},
                      ArrivalCase{"AnAnswerFromAnotherAddressIsIgnored",
                                  [](const scripted::Request& r, const scripted::ScriptedAgent& a) {
                                      Forge(r, "127.0.0.2", a.Port(), "forged");
                                      return Real(r, a);
                                  },
                                  1, "real"},
                      ArrivalCase{"OnlyAnAnswerFromElsewhereIsATimeOut",
                                  [](const scripted::Request& r, const scripted::ScriptedAgent&) {
                                      Forge(r, "127.0.0.1", 0, "forged");
                                      return scripted::Silence();
                                  },
                                  0, nullptr},
                      // The session's own time-out and retries (4 s in all) hold while wrong
                      // answers arrive without pause; they once stretched it to 6.7-9.7 s.
                      ArrivalCase{"AFloodOfWrongAnswersCannotStretchTheTimeOut", Flood, 0, nullptr,
                                  1000, 3, 5.5},
                      ArrivalCase{"AFloodCannotStretchAnSnmpV2cTimeOutEither", Flood, 0, nullptr,
                                  500, 3, 3.5, SNMP_MGR_VERSION_2C}),
    RowName{});

// Identifiers that BER cannot carry are refused before anything is sent, never altered into
// others (".1.40" would leave as 2.0, ".1" as 0.1); the boundaries around them are sent.
TEST(SnmpSession, IdentifiersThatBerCannotCarryAreNeverSent) {
    struct Case {
        const char* name;
        Ids ids;
        bool asValue; // an OBJECT IDENTIFIER value of a Set rather than the binding's name
        bool sent;
    };
    const Case cases[] = {
        {"no sub-identifier", {}, false, false},
        {"one sub-identifier", {1}, false, false},
        {"second of 40 under 1", {1, 40}, false, false},
        {"second of 40 under 0", {0, 40}, false, false},
        {"first of 3", {3, 1}, false, false},
        {"value of one sub-identifier", {42}, true, false},
        {"value with a second of 40 under 1", {1, 40, 1}, true, false},
        {"second of 39 under 1", {1, 39}, false, true},
        {"second of 999 under 2", {2, 999}, false, true},
        {"value of two sub-identifiers", {0, 0}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t before = SnmpUtilLiveBlocks();
        SilentPort capture;
        LPSNMP_MGR_SESSION session = SnmpMgrOpen(capture.Address().c_str(), "walnut", 50, 0);
        ASSERT_NE(session, nullptr);
        SnmpVarBindList list = GetList({c.asValue ? kSysName : c.ids});
        if (c.asValue) {
            Ids ids = c.ids;
            const AsnObjectIdentifier view{static_cast<UINT>(ids.size()), ids.data()};
            list.list[0].value.asnType = ASN_OBJECTIDENTIFIER;
            SnmpUtilOidCpy(&list.list[0].value.asnValue.object, &view);
        }
        AsnInteger status = -7;
        AsnInteger index = -7;
        EXPECT_EQ(SnmpMgrRequest(session, c.asValue ? SNMP_PDU_SET : SNMP_PDU_GET, &list, &status,
                                 &index),
                  0);
        EXPECT_EQ(GetLastError(), c.sent ? SNMP_MGMTAPI_TIMEOUT : SNMP_MGMTAPI_BAD_IDENTIFIER);
        EXPECT_EQ(status, -7);
        SnmpUtilVarBindListFree(&list);
        SnmpMgrClose(session);
        EXPECT_EQ(capture.Take().empty(), !c.sent);
        EXPECT_EQ(SnmpUtilLiveBlocks(), before);
    }
}

// net-snmp's log output goes nowhere: with every handler disabled it would fall back to
// stderr, and a refused port or a hostile answer would print on the operator's terminal.
TEST(SnmpSession, NothingReachesTheTerminal) {
    CStderrCapture terminal;
    ASSERT_TRUE(terminal.Capturing());

    std::uint16_t closedPort = 0;
    {
        SilentPort released;
        closedPort = released.Port();
    }
    scripted::ScriptedAgent agent([](const scripted::Request& r) {
        scripted::Reply reply = OneBinding(scripted::Value{0x49, {1}});
        reply.bindings[0].name = r.bindings.at(0).name;
        return reply;
    });
    ASSERT_TRUE(agent.Start());
    for (const std::string& address :
         {"127.0.0.1:" + std::to_string(closedPort), agent.Address()}) {
        LPSNMP_MGR_SESSION session = SnmpMgrOpen(address.c_str(), "walnut", 50, 1);
        ASSERT_NE(session, nullptr);
        for (BYTE type : {SNMP_PDU_GET, SNMP_PDU_GETNEXT}) {
            SnmpVarBindList list = GetList({kSysName});
            AsnInteger status = 0;
            AsnInteger index = 0;
            SnmpMgrRequest(session, type, &list, &status, &index);
            SnmpUtilVarBindListFree(&list);
        }
        SnmpMgrClose(session);
    }
    SnmpLibraryLogForTesting("bad type returned (49)");
    EXPECT_EQ(terminal.Take(), "");
}

// --- Versions and settings ----------------------------------------------------------------

SnmpMgrSessionSettings Version(int version, int timeoutMs = 1000, int retries = 3) {
    SnmpMgrSessionSettings settings;
    settings.version = version;
    settings.timeoutMs = timeoutMs;
    settings.retries = retries;
    return settings;
}

// A session of `version` with a port that never answers.
LPSNMP_MGR_SESSION OpenSilent(const SilentPort& port, int version, int timeoutMs, int retries) {
    const SnmpMgrSessionSettings settings = Version(version, timeoutMs, retries);
    return SnmpMgrOpenSession(port.Address().c_str(), "walnut", &settings);
}

TEST(SnmpSession, RefusesSettingsItCannotUse) {
    struct Case {
        const char* name;
        std::function<void(SnmpMgrSessionSettings&)> change;
    };
    const Case cases[] = {
        {"version 3, which needs a user", [](SnmpMgrSessionSettings& s) { s.version = 3; }},
        {"version -1", [](SnmpMgrSessionSettings& s) { s.version = -1; }},
        {"a time-out of 0", [](SnmpMgrSessionSettings& s) { s.timeoutMs = 0; }},
        {"retries of -1", [](SnmpMgrSessionSettings& s) { s.retries = -1; }},
        {"a bulk size of 0", [](SnmpMgrSessionSettings& s) { s.bulkSize = 0; }},
    };
    for (const Case& c : cases) {
        SnmpMgrSessionSettings settings;
        c.change(settings);
        SetLastError(0);
        EXPECT_EQ(SnmpMgrOpenSession("127.0.0.1", "walnut", &settings), nullptr) << c.name;
        EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_BAD_SETTINGS) << c.name;
    }
    EXPECT_EQ(SnmpMgrOpenSession("127.0.0.1", "walnut", nullptr), nullptr);
    EXPECT_STRNE(SystemErrorText(SNMP_MGMTAPI_BAD_SETTINGS), "");
}

// The names in net-snmp's tools' output with -On, one per line.
std::vector<Ids> ToolNames(const std::string& output) {
    std::vector<Ids> names;
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = output.find('\n', start);
        const std::string line = output.substr(start, end - start);
        start = end == std::string::npos ? output.size() : end + 1;
        const std::size_t eq = line.find(" = ");
        AsnObjectIdentifier oid{};
        if (line.empty() || line[0] != '.' || eq == std::string::npos ||
            !SnmpMgrStrToOid(line.substr(0, eq).c_str(), &oid))
            continue;
        names.push_back(Ids(oid.ids, oid.ids + oid.idLength));
        SnmpUtilOidFree(&oid);
    }
    return names;
}

std::vector<Ids> NamesOf(const SnmpVarBindList& list) {
    std::vector<Ids> names;
    for (UINT i = 0; i < list.len; ++i)
        names.push_back(NameOf(list.list[i]));
    return names;
}

// snmpd's GetBulk answers, with and without non-repeaters, as snmpbulkget reads them.
TEST_F(SnmpSessionWithAgent, GetBulkGivesWhatSnmpbulkgetGives) {
    const Ids sysDescr = {1, 3, 6, 1, 2, 1, 1, 1, 0};
    const Ids system = {1, 3, 6, 1, 2, 1, 1};
    struct Case {
        const char* name;
        std::vector<Ids> asked;
        UINT nonRepeaters;
        UINT maxRepetitions;
        const char* tool;
    };
    const Case cases[] = {
        {"five of the system group", {system}, 0, 5, "-v2c -On -Cn0 -Cr5 .1.3.6.1.2.1.1"},
        {"one non-repeater and two repeaters",
         {sysDescr, system, kSysName},
         1,
         3,
         "-v2c -On -Cn1 -Cr3 .1.3.6.1.2.1.1.1.0 .1.3.6.1.2.1.1 .1.3.6.1.2.1.1.5.0"},
        {"past the last object", {{1, 3, 6, 1, 9, 9}}, 0, 4, "-v2c -On -Cr4 .1.3.6.1.9.9"},
    };
    const SnmpMgrSessionSettings settings = Version(SNMP_MGR_VERSION_2C);
    LPSNMP_MGR_SESSION session =
        SnmpMgrOpenSession(m_agent.Address().c_str(), DemoAgent::Community(), &settings);
    ASSERT_NE(session, nullptr);
    const std::int64_t before = SnmpUtilLiveBlocks();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SnmpVarBindList list = GetList(c.asked);
        AsnInteger status = -1;
        AsnInteger index = -1;
        ASSERT_EQ(
            SnmpMgrBulkRequest(session, c.nonRepeaters, c.maxRepetitions, &list, &status, &index),
            1)
            << SystemErrorText(GetLastError());
        EXPECT_EQ(status, 0);
        EXPECT_EQ(NamesOf(list), ToolNames(m_agent.Tool("snmpbulkget", c.tool)));
        SnmpUtilVarBindListFree(&list);
    }
    SnmpMgrClose(session);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// A 64-bit counter, which an SNMPv1 agent cannot send (RFC 3584, 4.2.2.1), arrives in an
// SNMPv2c session as its eight bytes; SNMPv1 gets noSuchName for it.
TEST_F(SnmpSessionWithAgent, Counter64ArrivesInSnmpV2cOnly) {
    for (const auto& [version, status, type, length] :
         {std::tuple{SNMP_MGR_VERSION_1, SNMP_ERRORSTATUS_NOSUCHNAME, ASN_NULL, 0u},
          std::tuple{SNMP_MGR_VERSION_2C, SNMP_ERRORSTATUS_NOERROR, ASN_COUNTER64, 8u}}) {
        const SnmpMgrSessionSettings settings = Version(version);
        LPSNMP_MGR_SESSION session =
            SnmpMgrOpenSession(m_agent.Address().c_str(), DemoAgent::Community(), &settings);
        ASSERT_NE(session, nullptr);
        SnmpVarBindList list = GetList({{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 6, 1}}); // ifHCInOctets.1
        AsnInteger got = -1;
        AsnInteger index = -1;
        ASSERT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, &list, &got, &index), 1);
        EXPECT_EQ(got, status) << version;
        ASSERT_EQ(list.len, 1u);
        EXPECT_EQ(list.list[0].value.asnType, type) << version;
        EXPECT_EQ(list.list[0].value.asnValue.string.length, length) << version;
        SnmpUtilVarBindListFree(&list);
        SnmpMgrClose(session);
    }
}

// GetBulk goes out only on an SNMPv2c session and with counts it can carry; what goes out
// carries them in place of the status and index (RFC 3416, 4.2.3).
TEST(SnmpSession, GetBulkNeedsAnSnmpV2cSessionAndCountsItCanSend) {
    struct Case {
        const char* name;
        int version;
        UINT nonRepeaters;
        UINT maxRepetitions;
        bool viaRequest; // SnmpMgrRequest with the GetBulk type, which has no counts
        UINT error;
    };
    const Case cases[] = {
        {"an SNMPv1 session", SNMP_MGR_VERSION_1, 0, 5, false, SNMP_MGMTAPI_WRONG_VERSION},
        {"more non-repeaters than bindings", SNMP_MGR_VERSION_2C, 2, 5, false,
         SNMP_MGMTAPI_INVALID_BUFFER},
        {"no repetitions", SNMP_MGR_VERSION_2C, 0, 0, false, SNMP_MGMTAPI_INVALID_BUFFER},
        {"repetitions beyond 2^31 - 1", SNMP_MGR_VERSION_2C, 0, 0x80000000u, false,
         SNMP_MGMTAPI_INVALID_BUFFER},
        {"the GetBulk type without its counts", SNMP_MGR_VERSION_2C, 0, 5, true,
         SNMP_MGMTAPI_INVALID_BUFFER},
        {"sent", SNMP_MGR_VERSION_2C, 1, 2147483647u, false, SNMP_MGMTAPI_TIMEOUT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t before = SnmpUtilLiveBlocks();
        SilentPort capture;
        LPSNMP_MGR_SESSION session = OpenSilent(capture, c.version, 50, 0);
        ASSERT_NE(session, nullptr);
        SnmpVarBindList list = GetList({kSysName});
        AsnInteger status = -7;
        AsnInteger index = -7;
        EXPECT_EQ(c.viaRequest ? SnmpMgrRequest(session, SNMP_PDU_GETBULK, &list, &status, &index)
                               : SnmpMgrBulkRequest(session, c.nonRepeaters, c.maxRepetitions,
                                                    &list, &status, &index),
                  0);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(Describe(list), std::vector<std::string>{kRequestShown});
        SnmpUtilVarBindListFree(&list);
        SnmpMgrClose(session);
        const Bytes sent = capture.Take();
        EXPECT_EQ(sent.empty(), c.error != SNMP_MGMTAPI_TIMEOUT);
        if (!sent.empty()) {
            std::size_t pos = 0;
            Element message;
            ASSERT_TRUE(ber::ReadElement(sent, &pos, &message));
            const std::vector<Element> parts = Inside(message.contents);
            ASSERT_EQ(parts.size(), 3u);
            EXPECT_EQ(ber::ReadInteger(parts[0].contents), 1); // SNMPv2c
            EXPECT_EQ(parts[2].tag, SNMP_PDU_GETBULK);
            const std::vector<Element> pdu = Inside(parts[2].contents);
            ASSERT_EQ(pdu.size(), 4u);
            EXPECT_EQ(ber::ReadInteger(pdu[1].contents), c.nonRepeaters);
            EXPECT_EQ(ber::ReadInteger(pdu[2].contents), c.maxRepetitions);
        }
        EXPECT_EQ(SnmpUtilLiveBlocks(), before);
    }
}

// Every request of every version waits the session's time-out for each of its sendings, and
// sends again as many times as its retries say, however the operator chose them.
TEST(SnmpSession, EveryRequestOfEveryVersionKeepsItsTimeOutAndRetries) {
    struct Case {
        const char* name;
        int version;
        BYTE type;
        int timeoutMs;
        int retries;
    };
    const Case cases[] = {
        {"SNMPv1 Get", SNMP_MGR_VERSION_1, SNMP_PDU_GET, 100, 2},
        {"SNMPv1 GetNext", SNMP_MGR_VERSION_1, SNMP_PDU_GETNEXT, 100, 0},
        {"SNMPv1 Set", SNMP_MGR_VERSION_1, SNMP_PDU_SET, 150, 1},
        {"SNMPv2c Get", SNMP_MGR_VERSION_2C, SNMP_PDU_GET, 100, 2},
        {"SNMPv2c GetNext", SNMP_MGR_VERSION_2C, SNMP_PDU_GETNEXT, 250, 0},
        {"SNMPv2c Set", SNMP_MGR_VERSION_2C, SNMP_PDU_SET, 100, 1},
        {"SNMPv2c GetBulk", SNMP_MGR_VERSION_2C, SNMP_PDU_GETBULK, 100, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SilentPort capture;
        LPSNMP_MGR_SESSION session = OpenSilent(capture, c.version, c.timeoutMs, c.retries);
        ASSERT_NE(session, nullptr);
        SnmpVarBindList list = GetList({kSysName});
        AsnInteger status = -1;
        AsnInteger index = -1;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.type == SNMP_PDU_GETBULK
                      ? SnmpMgrBulkRequest(session, 0, 10, &list, &status, &index)
                      : SnmpMgrRequest(session, c.type, &list, &status, &index),
                  0);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_TIMEOUT);
        SnmpUtilVarBindListFree(&list);
        SnmpMgrClose(session);
        const double expected = (c.retries + 1) * c.timeoutMs / 1000.0;
        EXPECT_GE(seconds, expected * 0.95);
        EXPECT_LE(seconds, expected + 3.0); // a generous bound for a busy machine
        int copies = 0;
        for (Bytes datagram = capture.Take(); !datagram.empty(); datagram = capture.Take()) {
            std::uint8_t pduTag = 0;
            BindingsOf(datagram, &pduTag);
            EXPECT_EQ(pduTag, c.type);
            ++copies;
        }
        EXPECT_EQ(copies, c.retries + 1);
    }
}

// Counts the datagrams that have reached the port so far.
int CountDatagrams(SilentPort& port) {
    int count = 0;
    for (Bytes datagram = port.Take(); !datagram.empty(); datagram = port.Take())
        ++count;
    return count;
}

// A request that waits for a silent agent, cancelled from another thread: it ends at once
// with its own reason, net-snmp sends nothing more for it (no retry, even once its retries
// would have gone out), later requests are refused without a sending until the session is
// resumed, and then the session's requests go with their time-out and retries as ever.
TEST(SnmpSession, ACancelledRequestEndsAtOnceAndNothingMoreIsSentForIt) {
    struct Case {
        const char* name;
        int version;
        BYTE type;
    };
    const Case cases[] = {
        {"SNMPv1 Get", SNMP_MGR_VERSION_1, SNMP_PDU_GET},
        {"SNMPv2c GetBulk", SNMP_MGR_VERSION_2C, SNMP_PDU_GETBULK},
        // An SNMPv3 session's first request learns the agent's engine: the probe is ended.
        {"SNMPv3 Get", SNMP_MGR_VERSION_3, SNMP_PDU_GET},
    };
    constexpr int kTimeoutMs = 150;
    constexpr int kRetries = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t before = SnmpUtilLiveBlocks();
        SilentPort capture;
        SnmpMgrSessionSettings settings = Version(c.version, kTimeoutMs, kRetries);
        settings.userName = "okNoAuth";
        settings.securityLevel = SNMP_MGR_NOAUTH_NOPRIV;
        LPSNMP_MGR_SESSION session =
            SnmpMgrOpenSession(capture.Address().c_str(), "walnut", &settings);
        ASSERT_NE(session, nullptr);
        const auto request = [&](UINT* error) {
            SnmpVarBindList list = GetList({kSysName});
            AsnInteger status = -1;
            AsnInteger index = -1;
            const int result = c.type == SNMP_PDU_GETBULK
                                   ? SnmpMgrBulkRequest(session, 0, 10, &list, &status, &index)
                                   : SnmpMgrRequest(session, c.type, &list, &status, &index);
            *error = GetLastError();
            SnmpUtilVarBindListFree(&list);
            return result;
        };
        UINT cancelledError = 0;
        int cancelledResult = -1;
        SnmpMgrRequestProgress progress;
        std::thread waiting([&] { cancelledResult = request(&cancelledError); });
        // Cancelled once its first sending has gone out, well before its first retry.
        ASSERT_TRUE(WaitUntil([&] {
            return SnmpMgrGetRequestProgress(session, &progress) && progress.sendings == 1;
        }));
        ASSERT_TRUE(SnmpMgrCancelRequests(session));
        waiting.join();
        EXPECT_EQ(cancelledResult, 0);
        EXPECT_EQ(cancelledError, SNMP_MGMTAPI_CANCELLED);
        // Refused while cancelled, with nothing sent.
        UINT error = 0;
        EXPECT_EQ(request(&error), 0);
        EXPECT_EQ(error, SNMP_MGMTAPI_CANCELLED);
        // Longer than the cancelled request's retries would have taken to go out.
        std::this_thread::sleep_for(std::chrono::milliseconds((kRetries + 2) * kTimeoutMs));
        EXPECT_EQ(CountDatagrams(capture), 1);

        ASSERT_TRUE(SnmpMgrResumeRequests(session));
        EXPECT_EQ(request(&error), 0);
        EXPECT_EQ(error, SNMP_MGMTAPI_TIMEOUT);
        ASSERT_TRUE(SnmpMgrGetRequestProgress(session, &progress));
        EXPECT_EQ(progress.sendings, static_cast<UINT>(kRetries + 1));
        EXPECT_EQ(progress.retries, kRetries);
        EXPECT_EQ(progress.timeoutMs, kTimeoutMs);
        EXPECT_EQ(CountDatagrams(capture), kRetries + 1);
        SnmpMgrClose(session);
        EXPECT_EQ(SnmpUtilLiveBlocks(), before);
    }
}

// What a GetBulk answer gives the walk: from none up to the repetitions asked for, in the
// agent's order; more than that is no answer to the request, and an error keeps the request.
TEST(SnmpSession, GetBulkAnswersAreTakenUpToTheRepetitionsAskedFor) {
    const auto names = [](std::size_t count) {
        scripted::Reply reply;
        for (std::size_t i = 0; i < count; ++i)
            reply.bindings.push_back({{1, 3, 6, 1, 4, 1, 99, static_cast<std::uint32_t>(i + 1)},
                                      scripted::Integer(static_cast<std::int64_t>(i))});
        return reply;
    };
    struct Case {
        const char* name;
        scripted::Reply reply;
        int result;
        AsnInteger status;
        std::vector<std::string> list;
    };
    const Case cases[] = {
        {"as many as asked for",
         names(3),
         1,
         0,
         {"1.3.6.1.4.1.99.1=2:0", "1.3.6.1.4.1.99.2=2:1", "1.3.6.1.4.1.99.3=2:2"}},
        {"fewer", names(1), 1, 0, {"1.3.6.1.4.1.99.1=2:0"}},
        {"none", names(0), 1, 0, {}},
        {"more than asked for", names(4), 0, -7, {kRequestShown}},
        {"tooBig without bindings", scripted::StatusOnly(1, 0), 1, 1, {kRequestShown}},
        {"an error with the request echoed",
         OneBinding(scripted::Null(), 5, 1),
         1,
         5,
         {kRequestShown}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scripted::ScriptedAgent agent([&c](const scripted::Request&) { return c.reply; });
        ASSERT_TRUE(agent.Start());
        const std::int64_t before = SnmpUtilLiveBlocks();
        const SnmpMgrSessionSettings settings = Version(SNMP_MGR_VERSION_2C, 300, 1);
        LPSNMP_MGR_SESSION session =
            SnmpMgrOpenSession(agent.Address().c_str(), "walnut", &settings);
        ASSERT_NE(session, nullptr);
        SnmpVarBindList list = GetList({kSysName});
        AsnInteger status = -7;
        AsnInteger index = -7;
        EXPECT_EQ(SnmpMgrBulkRequest(session, 0, 3, &list, &status, &index), c.result);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(Describe(list), c.list);
        SnmpUtilVarBindListFree(&list);
        SnmpMgrClose(session);
        EXPECT_EQ(SnmpUtilLiveBlocks(), before);
        EXPECT_EQ(agent.RequestCount(), 1u);
    }
}

} // namespace
