// The trap service of the SNMP layer: decoding of real and broken datagrams, the listening
// sockets, the bounded queue, the trap event's lifetime, and the answers to informs.
#include "snmpapi/EngineTimes.h"
#include "snmpapi/RecentInforms.h"
#include "support/BindingText.h"
#include "support/Identifiers.h"
#include "support/RowName.h"
#include "support/TrapFlood.h"
#include "support/TrapTraffic.h"
#include "support/UsmUsers.h"
#include "support/V3Messages.h"
#include "support/Wait.h"
#include "testing/SnmpTesting.h"
#include "ui/ManagerDlg.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using rows::PrintTo;

const Ids kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Ids kSysUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const Ids kSnmpTrapOid = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
const Ids kIfIndex2 = {1, 3, 6, 1, 2, 1, 2, 2, 1, 1, 2};
const Ids kLinkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
const Ids kEnterprise = {1, 3, 6, 1, 4, 1, 8072, 2, 3};

Ids IdsOf(const AsnObjectIdentifier& oid) {
    return Ids(oid.ids, oid.ids + oid.idLength);
}

Bytes BytesOf(const AsnOctetString& s) {
    return Bytes(s.stream, s.stream + s.length);
}

// A well-formed SNMPv2c inform (RFC 3416, 4.2.7), told apart by its request id, which its
// last binding's value repeats; with another PDU tag, the same message as another PDU (0xA2:
// the Response that answers it).
Bytes Inform(std::int64_t requestId, std::uint8_t pduTag = 0xA6, std::int64_t status = 0,
             std::int64_t index = 0) {
    const Bytes bindings = ber::Concat({ber::Binding(kSysUpTime, ber::Unsigned(42, 0x43)),
                                        ber::Binding(kSnmpTrapOid, ber::Oid(kLinkDown)),
                                        ber::Binding(kIfIndex2, ber::Integer(requestId))});
    return ber::Message(
        1, "public",
        ber::Tlv(pduTag, ber::Concat({ber::Integer(requestId), ber::Integer(status),
                                      ber::Integer(index), ber::Tlv(0x30, bindings)})));
}

Bytes Answer(std::int64_t requestId) {
    return Inform(requestId, 0xA2);
}

std::string DescribedBytes(const Bytes& bytes) {
    std::string text;
    for (std::uint8_t b : bytes)
        text += std::to_string(b) + ",";
    return text;
}

std::string HexText(const Bytes& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

// A well-formed SNMPv1 trap whose specific-trap number tells it apart.
Bytes NumberedV1Trap(int number) {
    return ber::V1Trap("public", kEnterprise, {10, 0, 0, 7}, 6, number, 100,
                       {ber::Binding(kSysName, ber::String("n" + std::to_string(number)))});
}

// Datagrams the service must drop, each beside the fault it carries.
struct BrokenDatagram {
    const char* name;
    Bytes bytes;
};

std::vector<BrokenDatagram> BrokenDatagrams() {
    const Bytes good = NumberedV1Trap(1);
    const Bytes goodPdu = ber::V1TrapPdu(kEnterprise, {10, 0, 0, 7}, 6, 1, 100,
                                         {ber::Binding(kSysName, ber::String("n1"))});
    const Bytes binding = ber::Binding(kSysName, ber::Integer(1));
    Bytes longerOuter = good;
    ++longerOuter[1];
    Bytes shorterOuter = good;
    --shorterOuter[1];
    Bytes trailing = good;
    trailing.push_back(0);
    Bytes indefinite = good;
    indefinite[1] = 0x80;
    const auto v1Pdu = [&](const Bytes& agent, const Bytes& bindings) {
        return ber::Message(
            0, "public",
            ber::Tlv(0xA4,
                     ber::Concat({ber::Oid(kEnterprise), agent, ber::Integer(6), ber::Integer(1),
                                  ber::Unsigned(5, 0x43), ber::Tlv(0x30, bindings)})));
    };
    return {
        {"empty", {}},
        {"garbage", {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01, 0x02}},
        {"outer length past the end", longerOuter},
        {"outer length short of the end", shorterOuter},
        {"a byte after the message", trailing},
        {"indefinite length", indefinite},
        {"length of nine bytes", {0x30, 0x89, 0, 0, 0, 0, 0, 0, 0, 0, 3, 2, 1, 0}},
        {"length beyond the datagram in eight bytes",
         {0x30, 0x88, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2, 1, 0}},
        {"SNMPv1 trap in an SNMPv2c message", ber::Message(1, "public", goodPdu)},
        {"SNMPv2 trap in an SNMPv1 message",
         ber::Message(0, "public",
                      ber::Tlv(0xA7, ber::Concat({ber::Integer(1), ber::Integer(0), ber::Integer(0),
                                                  ber::Tlv(0x30, binding)})))},
        {"inform in an SNMPv1 message",
         ber::Message(0, "public",
                      ber::Tlv(0xA6, ber::Concat({ber::Integer(1), ber::Integer(0), ber::Integer(0),
                                                  ber::Tlv(0x30, binding)})))},
        {"get request", ber::V2Trap("public", {binding}, 0xA0)},
        {"response", ber::V2Trap("public", {binding}, 0xA2)},
        {"version 3", ber::Message(3, "public", ber::Tlv(0xA7, {}))},
        {"agent-addr of five bytes", v1Pdu(ber::Tlv(0x40, {1, 2, 3, 4, 5}), binding)},
        {"agent-addr as an octet string", v1Pdu(ber::Tlv(0x04, {1, 2, 3, 4}), binding)},
        {"time-stamp of no bytes",
         ber::Message(
             0, "public",
             ber::Tlv(0xA4, ber::Concat({ber::Oid(kEnterprise), ber::Tlv(0x40, {1, 2, 3, 4}),
                                         ber::Integer(6), ber::Integer(1), ber::Tlv(0x43, {}),
                                         ber::Tlv(0x30, binding)})))},
        {"enterprise that is no identifier",
         ber::Message(0, "public",
                      ber::Tlv(0xA4, ber::Concat({ber::Tlv(0x06, {0x2B, 0x80, 0x01}),
                                                  ber::Tlv(0x40, {1, 2, 3, 4}), ber::Integer(6),
                                                  ber::Integer(1), ber::Unsigned(5, 0x43),
                                                  ber::Tlv(0x30, binding)})))},
        {"binding list with a cut element",
         v1Pdu(ber::Tlv(0x40, {1, 2, 3, 4}), {0x30, 0x05, 0x06})},
        {"time-stamp beyond 32 bits",
         ber::Message(0, "public",
                      ber::Tlv(0xA4, ber::Concat({ber::Oid(kEnterprise),
                                                  ber::Tlv(0x40, {1, 2, 3, 4}), ber::Integer(6),
                                                  ber::Integer(1), ber::Tlv(0x43, {1, 0, 0, 0, 0}),
                                                  ber::Tlv(0x30, binding)})))},
        {"community of 257 bytes", ber::Message(0, std::string(257, 'c'), goodPdu)},
    };
}

// --- Decoding ----------------------------------------------------------------------------

class TrapDecodeTest : public ::testing::Test {
protected:
    void SetUp() override { m_liveBlocks = SnmpUtilLiveBlocks(); }
    void TearDown() override { EXPECT_EQ(SnmpUtilLiveBlocks(), m_liveBlocks); }

    std::int64_t m_liveBlocks = 0;
};

const std::uint8_t kSender4[4] = {10, 1, 2, 3};

TEST_F(TrapDecodeTest, RealSnmpV1TrapKeepsItsAgentFieldAndBindingOrder) {
    const Bytes datagram = CaptureSnmpTrap({"-v",
                                            "1",
                                            "-c",
                                            "anything",
                                            "{target}",
                                            Dotted(kEnterprise),
                                            "192.168.1.200",
                                            "6",
                                            "17",
                                            "1234",
                                            Dotted(kSysName),
                                            "s",
                                            "hello",
                                            Dotted(kIfIndex2),
                                            "i",
                                            "-5",
                                            "1.3.6.1.4.1.99.1",
                                            "n",
                                            "",
                                            "1.3.6.1.4.1.99.2",
                                            "c",
                                            "4294967295"});
    ASSERT_FALSE(datagram.empty());
    SnmpTrapRecord trap;
    ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), kSender4, 4, &trap));
    EXPECT_EQ(IdsOf(trap.enterprise), kEnterprise);
    EXPECT_EQ(BytesOf(trap.agentAddress), (Bytes{192, 168, 1, 200})); // not the sender
    EXPECT_TRUE(trap.agentAddress.dynamic);
    EXPECT_EQ(trap.genericTrap, 6);
    EXPECT_EQ(trap.specificTrap, 17);
    EXPECT_EQ(trap.timeStamp, 1234u);
    // The two bindings that RFC 3584, 3.1 makes of the header, then the trap's own.
    EXPECT_EQ(Describe(trap.variableBindings),
              (std::vector<std::string>{"1.3.6.1.2.1.1.3.0=67:1234",
                                        "1.3.6.1.6.3.1.1.4.1.0=6:" + Dotted(kEnterprise) + ".0.17",
                                        "1.3.6.1.2.1.1.5.0=4:104,101,108,108,111,",
                                        "1.3.6.1.2.1.2.2.1.1.2=2:-5",
                                        "1.3.6.1.4.1.99.1=5:", "1.3.6.1.4.1.99.2=65:4294967295"}));
    SnmpTrapRecordFree(&trap);
}

TEST_F(TrapDecodeTest, RealSnmpV2cTrapAndInformTakeTheirAgentFromTheSender) {
    const Bytes captured = CaptureSnmpTrap({"-v", "2c", "-c", "public", "{target}", "4242",
                                            Dotted(kLinkDown), Dotted(kIfIndex2), "i", "2"});
    ASSERT_FALSE(captured.empty());
    // The inform that snmptrap -Ci sends differs in its PDU tag alone.
    for (const Bytes& datagram : {captured, ber::WithPduTag(captured, 0xA6)}) {
        struct Case {
            const char* name;
            Bytes sender;
            Bytes agent;
        };
        const Case cases[] = {
            {"IPv4", {10, 1, 2, 3}, {10, 1, 2, 3}},
            {"IPv6",
             {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x81},
             {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x81}},
            {"IPv4-mapped IPv6",
             {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 0, 2, 200},
             {192, 0, 2, 200}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SnmpTrapRecord trap;
            ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), c.sender.data(),
                                                 c.sender.size(), &trap));
            EXPECT_EQ(BytesOf(trap.agentAddress), c.agent);
            EXPECT_EQ(IdsOf(trap.enterprise), kLinkDown);
            EXPECT_EQ(trap.genericTrap, 2); // linkDown, RFC 3584 3.2
            EXPECT_EQ(trap.specificTrap, 0);
            EXPECT_EQ(trap.timeStamp, 4242u);
            EXPECT_EQ(Describe(trap.variableBindings),
                      (std::vector<std::string>{"1.3.6.1.2.1.1.3.0=67:4242",
                                                "1.3.6.1.6.3.1.1.4.1.0=6:" + Dotted(kLinkDown),
                                                "1.3.6.1.2.1.2.2.1.1.2=2:2"}));
            SnmpTrapRecordFree(&trap);
        }
    }
}

TEST_F(TrapDecodeTest, ValuesKeepTheirFullRange) {
    const Bytes datagram = ber::V1Trap(
        "", {1, 3, 6, 1, 4, 1, 4294967295u}, {255, 255, 255, 255}, 0, -2147483647 - 1, 4294967295u,
        {ber::Binding({1, 3, 1}, ber::Integer(-2147483647 - 1)),
         ber::Binding({1, 3, 2}, ber::Unsigned(4294967295u, 0x42)),
         ber::Binding({1, 3, 3}, ber::Tlv(0x40, {255, 0, 128, 1})),
         ber::Binding({1, 3, 4}, ber::Oid({2, 999, 4294967295u})),
         ber::Binding({1, 3, 5}, ber::Unsigned(0x8000000000000001ull, 0x46))});
    SnmpTrapRecord trap;
    ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), kSender4, 4, &trap));
    EXPECT_EQ(IdsOf(trap.enterprise), (Ids{1, 3, 6, 1, 4, 1, 4294967295u}));
    EXPECT_EQ(BytesOf(trap.agentAddress), (Bytes{255, 255, 255, 255}));
    EXPECT_EQ(trap.specificTrap, -2147483647 - 1);
    EXPECT_EQ(trap.timeStamp, 4294967295u);
    EXPECT_EQ(Describe(trap.variableBindings),
              (std::vector<std::string>{"1.3.6.1.2.1.1.3.0=67:4294967295",
                                        "1.3.6.1.6.3.1.1.4.1.0=6:1.3.6.1.6.3.1.1.5.1", // coldStart
                                        "1.3.1=2:-2147483648", "1.3.2=66:4294967295",
                                        "1.3.3=64:255,0,128,1,", "1.3.4=6:2.999.4294967295",
                                        "1.3.5=70:128,0,0,0,0,0,0,1,"}));
    SnmpTrapRecordFree(&trap);
}

// The time-stamp is unsigned too: a first bit that is set is no sign, the longest form
// keeps its zero byte in front, and zero bytes that some agents put in front are no part of
// the number.
TEST_F(TrapDecodeTest, TimeStampIsReadUnsigned) {
    const std::pair<Bytes, AsnTimeticks> cases[] = {
        {{0xC3, 0x50}, 50000u},
        {{0x80}, 128u},
        {{0x00, 0xFF, 0xFF, 0xFF, 0xFF}, 4294967295u},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x05}, 5u},
    };
    for (const auto& [contents, expected] : cases) {
        const Bytes datagram = ber::Message(
            0, "public",
            ber::Tlv(0xA4, ber::Concat({ber::Oid(kEnterprise), ber::Tlv(0x40, {1, 2, 3, 4}),
                                        ber::Integer(6), ber::Integer(1), ber::Tlv(0x43, contents),
                                        ber::Tlv(0x30, {})})));
        SnmpTrapRecord trap;
        ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), kSender4, 4, &trap));
        EXPECT_EQ(trap.timeStamp, expected);
        ASSERT_EQ(trap.variableBindings.len, 2u);
        EXPECT_EQ(Describe(trap.variableBindings.list[0]),
                  "1.3.6.1.2.1.1.3.0=67:" + std::to_string(expected));
        SnmpTrapRecordFree(&trap);
    }
}

// What an SNMPv1 trap was, in the snmpTrapOID.0 binding that RFC 3584, 3.1 makes of its
// header: the generic traps by their own identifiers, an enterprise-specific one by its
// enterprise, 0 and its specific number.
struct V1Identity {
    const char* name;
    std::int64_t generic;
    std::int64_t specific;
    std::string trapOid;
};

class V1TrapIdentity : public TrapDecodeTest, public ::testing::WithParamInterface<V1Identity> {};

TEST_P(V1TrapIdentity, IsTheSecondBinding) {
    const V1Identity& c = GetParam();
    const Bytes datagram = ber::V1Trap("public", kEnterprise, {10, 0, 0, 7}, c.generic, c.specific,
                                       77, {ber::Binding(kSysName, ber::String("x"))});
    SnmpTrapRecord trap;
    ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), kSender4, 4, &trap));
    EXPECT_EQ(
        Describe(trap.variableBindings),
        (std::vector<std::string>{"1.3.6.1.2.1.1.3.0=67:77", "1.3.6.1.6.3.1.1.4.1.0=6:" + c.trapOid,
                                  "1.3.6.1.2.1.1.5.0=4:120,"}));
    // The SNMPv1 view stays as the header has it.
    EXPECT_EQ(IdsOf(trap.enterprise), kEnterprise);
    EXPECT_EQ(trap.genericTrap, c.generic);
    EXPECT_EQ(trap.specificTrap, c.specific);
    SnmpTrapRecordFree(&trap);
}

INSTANTIATE_TEST_SUITE_P(
    Header, V1TrapIdentity,
    ::testing::Values(V1Identity{"ColdStart", 0, 0, "1.3.6.1.6.3.1.1.5.1"},
                      V1Identity{"LinkDown", 2, 0, "1.3.6.1.6.3.1.1.5.3"},
                      V1Identity{"EgpNeighborLoss", 5, 9, "1.3.6.1.6.3.1.1.5.6"},
                      V1Identity{"EnterpriseSpecific", 6, 17, Dotted(kEnterprise) + ".0.17"},
                      V1Identity{"EnterpriseSpecificLargest", 6, 2147483647,
                                 Dotted(kEnterprise) + ".0.2147483647"},
                      // Beyond RFC 1157's numbers: the same rules, in 32-bit sub-identifiers.
                      V1Identity{"GenericSeven", 7, 0, "1.3.6.1.6.3.1.1.5.8"},
                      V1Identity{"GenericMinusOne", -1, 0, "1.3.6.1.6.3.1.1.5.0"},
                      V1Identity{"SpecificMinusOne", 6, -1, Dotted(kEnterprise) + ".0.4294967295"}),
    RowName{});

// Found by the fuzz target: the historic NsapAddress type was decoded into a block that the
// release of the bindings did not give back.
TEST_F(TrapDecodeTest, NsapAddressValueIsReleasedWithItsTrap) {
    const Bytes datagram = ber::V2Trap("public", {ber::Binding({1, 3, 9}, ber::Tlv(0x45, {2, 7}))});
    SnmpTrapRecord trap;
    ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), kSender4, 4, &trap));
    EXPECT_EQ(Describe(trap.variableBindings), (std::vector<std::string>{"1.3.9=69:2,7,"}));
    SnmpTrapRecordFree(&trap); // TearDown finds any block left over
}

// A trap whose bindings carry values that no decoder of SNMP types expects, or that cannot be
// read at all, is still a trap: each odd value arrives as its tag and its bytes, or as the
// bytes that cannot be read, with the text that FormatValue gives for it, and the bindings
// around it arrive too. Many of these were once refused as broken datagrams, taking every
// binding of their trap with them; only a broken structure is.
struct OddBinding {
    const char* name;
    Bytes value; // what follows the name in the binding: the value element, as a rule
    std::string described;
    std::optional<std::string> text; // FormatValue's, nullopt for none
    Bytes binding = {};              // the whole binding instead, when it has no name
};

class TrapWithAnOddBinding : public TrapDecodeTest,
                             public ::testing::WithParamInterface<OddBinding> {};

TEST_P(TrapWithAnOddBinding, GivesAllItsBindings) {
    const OddBinding& c = GetParam();
    const Bytes odd =
        c.binding.empty() ? ber::Tlv(0x30, ber::Concat({ber::Oid({1, 3, 2}), c.value})) : c.binding;
    const std::vector<Bytes> bindings = {ber::Binding({1, 3, 1}, ber::Integer(7)), odd,
                                         ber::Binding({1, 3, 3}, ber::String("after"))};
    const std::vector<std::string> expected = {"1.3.1=2:7",
                                               (c.binding.empty() ? "1.3.2=" : "=") + c.described,
                                               "1.3.3=4:97,102,116,101,114,"};
    const Bytes datagrams[] = {
        ber::V1Trap("public", kEnterprise, {10, 0, 0, 7}, 6, 1, 100, bindings),
        ber::V2Trap("public", bindings),
    };
    for (const Bytes& datagram : datagrams) {
        SnmpTrapRecord trap;
        ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), kSender4, 4, &trap));
        // An SNMPv1 trap's own bindings follow the two made of its header.
        const std::vector<std::string> all = Describe(trap.variableBindings);
        ASSERT_GE(all.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(all.end() - 3, all.end()), expected);
        const SnmpVarBind& vb = trap.variableBindings.list[all.size() - 2];
        char* text = CManagerDlg::FormatValue(&vb.value);
        EXPECT_EQ(text ? std::optional<std::string>(text) : std::nullopt, c.text);
        SnmpUtilMemFree(text);
        SnmpTrapRecordFree(&trap);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, TrapWithAnOddBinding,
    ::testing::Values(
        OddBinding{"Sequence", ber::Tlv(0x30, ber::Integer(5)), "48:2,1,5,", "30 03 02 01 05"},
        OddBinding{"UnknownTag49", ber::Tlv(0x49, {1, 2}), "73:1,2,", "49 02 01 02"},
        OddBinding{"UnknownTag4F", ber::Tlv(0x4F, {1}), "79:1,", "4F 01 01"},
        OddBinding{"ConstructedUnknownTag", ber::Tlv(0xA9, ber::Null()), "169:5,0,", "A9 02 05 00"},
        OddBinding{"BitString", ber::Tlv(0x03, {0, 1}), "3:0,1,", "03 02 00 01"},
        OddBinding{"IpAddressOfThreeBytes", ber::Tlv(0x40, {1, 2, 3}), "64:1,2,3,", "1.2.3"},
        OddBinding{"IpAddressOfFiveBytes", ber::Tlv(0x40, {1, 2, 3, 4, 255}), "64:1,2,3,4,255,",
                   "1.2.3.4.255"},
        OddBinding{"OpaqueWithAFloatInside",
                   ber::Tlv(0x44, {0x9F, 0x78, 0x04, 0x3F, 0x80, 0x00, 0x00}),
                   "68:159,120,4,63,128,0,0,", "1"},
        OddBinding{"OpaqueWithAShortWrapper", ber::Tlv(0x44, {0x9F, 0x78, 0x09, 0x01}),
                   "68:159,120,9,1,", "9F 78 09 01"},
        OddBinding{"OpaqueWrapperLongerThanTheOpaque", ber::Tlv(0x44, {0x9F, 0x78, 0x04, 0x00}),
                   "68:159,120,4,0,", "9F 78 04 00"},
        OddBinding{"MacAddressBeginningWithAZeroByte",
                   ber::Tlv(0x04, {0x00, 0x12, 0x79, 0x62, 0xF9, 0x40}), "4:0,18,121,98,249,64,",
                   "00 12 79 62 F9 40"},
        OddBinding{"Utf8Text", ber::String("Z\xC3\xBCrich"), "4:90,195,188,114,105,99,104,",
                   "Z\xC3\xBCrich"},
        OddBinding{"Counter64", ber::Unsigned(0x8000000000000001ull, 0x46), "70:128,0,0,0,0,0,0,1,",
                   "9223372036854775809"},
        OddBinding{"UInteger32", ber::Unsigned(4294967295u, 0x47), "71:4294967295", "4294967295"},
        OddBinding{"NoSuchObject", ber::Tlv(0x80, {}), "128:", "noSuchObject"},
        OddBinding{"EndOfMibView", ber::Tlv(0x82, {}), "130:", "endOfMibView"},
        // A number that its record cannot hold: its whole element, in hex.
        OddBinding{"IntegerBeyond32Bits", ber::Tlv(0x02, {0x00, 0x80, 0x00, 0x00, 0x00}),
                   "31:2,5,0,128,0,0,0,", "02 05 00 80 00 00 00"},
        OddBinding{"IntegerOfFiveBytes", ber::Tlv(0x02, {1, 0, 0, 0, 0}), "31:2,5,1,0,0,0,0,",
                   "02 05 01 00 00 00 00"},
        OddBinding{"CounterBeyond32Bits", ber::Tlv(0x41, {1, 0, 0, 0, 0}), "31:65,5,1,0,0,0,0,",
                   "41 05 01 00 00 00 00"},
        // Elements that cannot be read as their type, which once dropped the whole trap.
        OddBinding{"NullWithContents", ber::Tlv(0x05, {0}), "31:5,1,0,", "05 01 00"},
        OddBinding{"IntegerOfNoBytes", ber::Tlv(0x02, {}), "31:2,0,", "02 00"},
        OddBinding{"Counter64OfNoBytes", ber::Tlv(0x46, {}), "31:70,0,", "46 00"},
        OddBinding{"ExceptionWithContents", ber::Tlv(0x81, {1}), "31:129,1,1,", "81 01 01"},
        OddBinding{"IdentifierWithALeadingZeroGroup", ber::Tlv(0x06, {0x2B, 0x80, 0x01}),
                   "31:6,3,43,128,1,", "06 03 2B 80 01"},
        OddBinding{"EmptyIdentifier", ber::Tlv(0x06, {}), "31:6,0,", "06 00"},
        OddBinding{"IdentifierEndingInsideASubIdentifier", ber::Tlv(0x06, {0x2B, 0x86}),
                   "31:6,2,43,134,", "06 02 2B 86"},
        OddBinding{"SubIdentifierAbove32Bits", ber::Tlv(0x06, {0x2B, 0x90, 0x80, 0x80, 0x80, 0x00}),
                   "31:6,6,43,144,128,128,128,0,", "06 06 2B 90 80 80 80 00"},
        OddBinding{"IdentifierOf129SubIdentifiers", ber::Oid(Ids(129, 1)),
                   "31:" + DescribedBytes(ber::Oid(Ids(129, 1))), HexText(ber::Oid(Ids(129, 1)))},
        // What follows the value inside the binding goes with it.
        OddBinding{"AByteAfterTheValue", ber::Concat({ber::Integer(5), Bytes{0x00}}), "31:2,1,5,0,",
                   "02 01 05 00"},
        OddBinding{"AThirdElement", ber::Concat({ber::Null(), ber::Null()}), "31:5,0,5,0,",
                   "05 00 05 00"},
        // A binding whose name cannot be read, or that has nothing after its name: no name,
        // and its whole element.
        OddBinding{"NoValue",
                   {},
                   "31:48,4,6,2,43,2,",
                   "30 04 06 02 2B 02",
                   ber::Tlv(0x30, ber::Oid({1, 3, 2}))},
        OddBinding{"NameWithALeadingZeroGroup",
                   {},
                   "31:48,7,6,3,43,128,1,5,0,",
                   "30 07 06 03 2B 80 01 05 00",
                   ber::Tlv(0x30, ber::Concat({ber::Tlv(0x06, {0x2B, 0x80, 0x01}), ber::Null()}))},
        OddBinding{"BindingThatIsNoSequence", {}, "31:4,1,120,", "04 01 78", ber::String("x")},
        // Unsigned numbers without the zero byte in front are the numbers their bytes carry.
        OddBinding{"Counter32WithItsTopBitSet", ber::Tlv(0x41, {0x80}), "65:128", "128"},
        OddBinding{"Gauge32WithItsTopBitSet", ber::Tlv(0x42, {0x80, 0x00}), "66:32768", "32768"},
        OddBinding{"TimeTicksWithItsTopBitSet", ber::Tlv(0x43, {0xC3, 0x50}), "67:50000", "50000"},
        OddBinding{"Counter64WithItsTopBitSet", ber::Tlv(0x46, {0x80}), "70:0,0,0,0,0,0,0,128,",
                   "128"}),
    RowName{});

TEST_F(TrapDecodeTest, LengthsOfFiveAndEightOctetsAreRead) {
    const Bytes trap = NumberedV1Trap(4);
    for (std::size_t octets : {5u, 8u}) {
        SCOPED_TRACE(octets);
        const Bytes datagram = ber::WithLongLengths(trap, octets);
        SnmpTrapRecord ours;
        ASSERT_TRUE(SnmpTrapDecodeForTesting(datagram.data(), datagram.size(), kSender4, 4, &ours));
        EXPECT_EQ(ours.specificTrap, 4);
        EXPECT_EQ(Describe(ours.variableBindings).back(), "1.3.6.1.2.1.1.5.0=4:110,52,");
        SnmpTrapRecordFree(&ours);
    }
}

TEST_F(TrapDecodeTest, BrokenDatagramsAreRefused) {
    for (const BrokenDatagram& broken : BrokenDatagrams()) {
        SCOPED_TRACE(broken.name);
        SnmpTrapRecord trap{};
        trap.genericTrap = 99;
        EXPECT_FALSE(
            SnmpTrapDecodeForTesting(broken.bytes.data(), broken.bytes.size(), kSender4, 4, &trap));
        EXPECT_EQ(trap.variableBindings.len, 0u);
        EXPECT_EQ(trap.agentAddress.stream, nullptr);
        EXPECT_EQ(trap.genericTrap, 0);
    }
}

TEST_F(TrapDecodeTest, EveryTruncationOfARealTrapIsRefused) {
    const Bytes traps[] = {
        CaptureSnmpTrap({"-v", "1", "-c", "public", "{target}", Dotted(kEnterprise), "10.0.0.1",
                         "6", "1", "5", Dotted(kSysName), "s", "x", "1.3.6.1.4.1.1.1", "o",
                         "1.3.6.1"}),
        CaptureSnmpTrap({"-v", "2c", "-c", "public", "{target}", "", Dotted(kLinkDown),
                         Dotted(kSysName), "s", "x"}),
    };
    for (const Bytes& datagram : traps) {
        ASSERT_FALSE(datagram.empty());
        for (std::size_t size = 0; size < datagram.size(); ++size) {
            SnmpTrapRecord trap;
            EXPECT_FALSE(SnmpTrapDecodeForTesting(datagram.data(), size, kSender4, 4, &trap))
                << "cut at " << size << " of " << datagram.size();
        }
    }
}

// --- The service ---------------------------------------------------------------------------

// Waits until `n` datagrams have been read and each queued or dropped: the receiver counts a
// datagram as received before it queues it, so the received count alone runs ahead.
bool ReceivedAtLeast(std::uint64_t n) {
    return WaitUntil([n] {
        const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
        return counters.queued + counters.overflow >= n;
    });
}

bool TakeTrap(SnmpTrapRecord* trap) {
    *trap = SnmpTrapRecord{};
    return SnmpMgrGetTrap(&trap->enterprise, &trap->agentAddress, &trap->genericTrap,
                          &trap->specificTrap, &trap->timeStamp, &trap->variableBindings) != FALSE;
}

// A socket of the test's own on the trap port, standing for another program.
int HoldPort(std::uint16_t port) {
    std::uint16_t held = 0;
    return BindLoopback(false, port, &held);
}

class TrapServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_port = FreeTrapTestPort();
        ASSERT_NE(m_port, 0);
        SnmpMgrSetTrapPortForTesting(m_port);
        m_liveBlocks = SnmpUtilLiveBlocks();
    }
    void TearDown() override {
        if (m_event)
            CloseHandle(m_event);
        SnmpMgrTrapServiceStopForTesting();
        SnmpMgrSetTrapQueueLimitForTesting(0);
        SnmpMgrSetTrapQueueByteLimitForTesting(0);
        SnmpMgrSetTrapPortForTesting(0);
        EXPECT_EQ(SnmpUtilLiveBlocks(), m_liveBlocks);
    }

    void Listen() {
        ASSERT_TRUE(SnmpMgrTrapListen(&m_event)) << SystemErrorText(GetLastError());
        ASSERT_NE(m_event, nullptr);
    }

    unsigned short m_port = 0;
    HANDLE m_event = nullptr;
    std::int64_t m_liveBlocks = 0;
};

// A trap from snmptrap, and an inform from snmptrap -Ci, which fails unless it is answered
// within 5 s: each queued and signalled, and the inform answered.
TEST_F(TrapServiceTest, SnmptrapTrapAndInformAreQueuedAndSignalled) {
    const std::string target = "127.0.0.1:" + std::to_string(m_port);
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        Bytes agent;
        std::vector<std::string> bindings;
        std::uint64_t answered;
    };
    const Case cases[] = {
        {"SNMPv1 trap",
         {"-v", "1", "-c", "public", target, Dotted(kEnterprise), "192.168.1.200", "6", "3", "77",
          Dotted(kSysName), "s", "a", Dotted(kIfIndex2), "i", "7"},
         {192, 168, 1, 200},
         {"1.3.6.1.2.1.1.3.0=67:77", "1.3.6.1.6.3.1.1.4.1.0=6:" + Dotted(kEnterprise) + ".0.3",
          "1.3.6.1.2.1.1.5.0=4:97,", "1.3.6.1.2.1.2.2.1.1.2=2:7"},
         0},
        {"SNMPv2c inform",
         {"-Ci", "-v", "2c", "-c", "public", "-r", "0", "-t", "5", target, "77", Dotted(kLinkDown),
          Dotted(kIfIndex2), "i", "2"},
         {127, 0, 0, 1},
         {"1.3.6.1.2.1.1.3.0=67:77", "1.3.6.1.6.3.1.1.4.1.0=6:" + Dotted(kLinkDown),
          "1.3.6.1.2.1.2.2.1.1.2=2:2"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Listen());
        ASSERT_EQ(RunSnmpTrap(c.arguments), 0);
        ASSERT_EQ(WaitForSingleObject(m_event, 60000), WAIT_OBJECT_0);
        SnmpTrapRecord trap;
        ASSERT_TRUE(TakeTrap(&trap));
        EXPECT_EQ(BytesOf(trap.agentAddress), c.agent);
        EXPECT_EQ(Describe(trap.variableBindings), c.bindings);
        SnmpTrapRecordFree(&trap);
        EXPECT_FALSE(TakeTrap(&trap));
        EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_NOTRAPS);
        const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
        EXPECT_EQ(counters.received, 1u);
        EXPECT_EQ(counters.queued, 1u);
        EXPECT_EQ(counters.answered, c.answered);
        CloseHandle(m_event);
        m_event = nullptr;
        SnmpMgrTrapServiceStopForTesting();
    }
}

TEST_F(TrapServiceTest, SnmptrapOverIpv6GivesTheSixteenByteSender) {
    if (!HasIpv6Loopback())
        GTEST_SKIP() << "no IPv6 loopback";
    ASSERT_NO_FATAL_FAILURE(Listen());
    ASSERT_EQ(RunSnmpTrap({"-v", "2c", "-c", "public", "udp6:[::1]:" + std::to_string(m_port), "",
                           Dotted(kLinkDown)}),
              0);
    ASSERT_EQ(WaitForSingleObject(m_event, 60000), WAIT_OBJECT_0);
    SnmpTrapRecord trap;
    ASSERT_TRUE(TakeTrap(&trap));
    Bytes loopback(16, 0);
    loopback[15] = 1;
    EXPECT_EQ(BytesOf(trap.agentAddress), loopback);
    SnmpTrapRecordFree(&trap);
}

TEST_F(TrapServiceTest, ListenFailsWhileAnotherSocketHoldsThePort) {
    const int holder = HoldPort(m_port);
    ASSERT_GE(holder, 0);
    HANDLE event = reinterpret_cast<HANDLE>(1);
    EXPECT_FALSE(SnmpMgrTrapListen(&event));
    EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_TRAP_PORT_IN_USE);
    EXPECT_EQ(event, nullptr);
    close(holder);
    ASSERT_NO_FATAL_FAILURE(Listen()); // nothing was left half open
}

TEST_F(TrapServiceTest, SecondListenIsRefusedUntilTheFirstEventIsClosed) {
    ASSERT_NO_FATAL_FAILURE(Listen());
    HANDLE second = nullptr;
    EXPECT_FALSE(SnmpMgrTrapListen(&second));
    EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_TRAP_DUPINIT);
    CloseHandle(m_event);
    m_event = nullptr;
    ASSERT_NO_FATAL_FAILURE(Listen());
}

TEST_F(TrapServiceTest, ClosingTheEventReleasesThePortAndTheQueue) {
    ASSERT_NO_FATAL_FAILURE(Listen());
    CUdpSender sender(m_port);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(sender.Send(NumberedV1Trap(i)));
    ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == 3; }));
    CloseHandle(m_event);
    m_event = nullptr;
    // The receiver ends on its own and closes the sockets, so the port becomes free and the
    // queued traps are released without a stop from outside (checked by TearDown too).
    int holder = -1;
    EXPECT_TRUE(WaitUntil([&] { return (holder = HoldPort(m_port)) >= 0; }));
    EXPECT_TRUE(WaitUntil([&] { return SnmpUtilLiveBlocks() == m_liveBlocks; }));
    if (holder >= 0)
        close(holder);
}

TEST_F(TrapServiceTest, EventClosedWhileTrapsArriveIsNeverTouchedAgain) {
    // This test asserts nothing of its own: it is the sanitizer build (scripts/test.sh
    // --sanitize) that fails it, where a signal through the closed handle shows as a use
    // after free.
    for (int round = 0; round < 20; ++round) {
        ASSERT_NO_FATAL_FAILURE(Listen());
        // The flood goes on while the event is closed, so the receiver is at work queueing
        // and signalling when it is.
        CTrapFlood flood(m_port, CTrapFlood::kEndless, NumberedV1Trap);
        ASSERT_TRUE(ReceivedAtLeast(50));
        CloseHandle(m_event);
        m_event = nullptr;
        SnmpMgrTrapServiceStopForTesting();
    }
}

// A trap numbered as NumberedV1Trap numbers it, `padding` bytes longer.
Bytes PaddedV1Trap(int number, std::size_t padding) {
    return ber::V1Trap("public", kEnterprise, {10, 0, 0, 7}, 6, number, 100,
                       {ber::Binding(kSysName, ber::String(std::string(padding, 'p')))});
}

// The largest SNMPv1 trap: 65,437 bytes, 9,342 bindings of a NULL value.
Bytes LargestV1Trap(int number) {
    return ber::V1Trap("", kEnterprise, {10, 0, 0, 7}, 6, number, 100,
                       std::vector<Bytes>(9342, ber::Binding({1, 3}, ber::Null())));
}

TEST_F(TrapServiceTest, FullQueueDropsAndCountsTheRest) {
    ASSERT_EQ(LargestV1Trap(0).size(), 65437u);
    // What one queued datagram of each kind takes, as the service counts it.
    std::size_t small = 0;
    std::size_t largest = 0;
    for (auto [datagram, footprint] :
         {std::pair{NumberedV1Trap(0), &small}, std::pair{LargestV1Trap(0), &largest}}) {
        ASSERT_NO_FATAL_FAILURE(Listen());
        CUdpSender sender(m_port);
        ASSERT_TRUE(sender.Send(datagram));
        ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == 1; }));
        *footprint = SnmpMgrGetTrapServiceCounters().queueBytes;
        CloseHandle(m_event);
        m_event = nullptr;
        SnmpMgrTrapServiceStopForTesting();
    }
    // The queue holds the datagram as it came, not its decoded form, which is ten times
    // as large for the largest trap.
    EXPECT_GE(small, NumberedV1Trap(0).size());
    EXPECT_LT(small, NumberedV1Trap(0).size() + 256);
    EXPECT_LT(largest, LargestV1Trap(0).size() + 256);

    struct Case {
        const char* name;
        std::size_t countLimit;
        std::size_t byteLimit;
        std::vector<Bytes> sent;
        std::vector<int> taken; // specific-trap numbers, oldest first
    };
    const std::vector<Case> cases = {
        {"bound by count",
         3,
         0,
         {NumberedV1Trap(0), NumberedV1Trap(1), NumberedV1Trap(2), NumberedV1Trap(3),
          NumberedV1Trap(4)},
         {0, 1, 2}},
        {"bound by bytes",
         0,
         3 * small + small / 2,
         {NumberedV1Trap(0), NumberedV1Trap(1), NumberedV1Trap(2), NumberedV1Trap(3),
          NumberedV1Trap(4)},
         {0, 1, 2}},
        {"exactly full by bytes",
         0,
         2 * small,
         {NumberedV1Trap(0), NumberedV1Trap(1), NumberedV1Trap(2)},
         {0, 1}},
        {"a datagram too large for the room left, then smaller ones that fit",
         0,
         3 * small,
         {NumberedV1Trap(0), PaddedV1Trap(1, 4 * small), NumberedV1Trap(2), NumberedV1Trap(3)},
         {0, 2, 3}},
        {"largest traps bound by bytes",
         0,
         2 * largest + small,
         {LargestV1Trap(0), LargestV1Trap(1), NumberedV1Trap(2), LargestV1Trap(3)},
         {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SnmpMgrSetTrapQueueLimitForTesting(c.countLimit);
        SnmpMgrSetTrapQueueByteLimitForTesting(c.byteLimit);
        ASSERT_NO_FATAL_FAILURE(Listen());
        CUdpSender sender(m_port);
        for (const Bytes& datagram : c.sent)
            ASSERT_TRUE(sender.Send(datagram));
        ASSERT_TRUE(ReceivedAtLeast(c.sent.size()));
        const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
        EXPECT_EQ(counters.queued, c.taken.size());
        EXPECT_EQ(counters.overflow, c.sent.size() - c.taken.size());
        EXPECT_LE(counters.queueBytes, c.byteLimit != 0 ? c.byteLimit : 64u << 20);
        std::vector<int> taken;
        SnmpTrapRecord trap;
        while (TakeTrap(&trap)) {
            taken.push_back(trap.specificTrap);
            SnmpTrapRecordFree(&trap);
        }
        EXPECT_EQ(taken, c.taken);
        EXPECT_EQ(SnmpMgrGetTrapServiceCounters().queueBytes, 0u);
        CloseHandle(m_event);
        m_event = nullptr;
        SnmpMgrTrapServiceStopForTesting();
    }
    SnmpMgrSetTrapQueueByteLimitForTesting(0);
}

TEST_F(TrapServiceTest, BrokenDatagramsAreCountedAndTheNextTrapStillArrives) {
    ASSERT_NO_FATAL_FAILURE(Listen());
    CUdpSender sender(m_port);
    const std::vector<BrokenDatagram> broken = BrokenDatagrams();
    for (const BrokenDatagram& datagram : broken)
        ASSERT_TRUE(sender.Send(datagram.bytes)) << datagram.name;
    ASSERT_TRUE(sender.Send(NumberedV1Trap(42)));
    ASSERT_TRUE(
        WaitUntil([&] { return SnmpMgrGetTrapServiceCounters().received >= broken.size() + 1; }));
    // SNMPv1 and SNMPv2c datagrams are decoded as they are handed out: the broken ones are
    // skipped then. The SNMPv3 one is read as it arrives, counted, and never queued.
    SnmpTrapRecord trap;
    ASSERT_TRUE(TakeTrap(&trap));
    EXPECT_EQ(trap.specificTrap, 42);
    SnmpTrapRecordFree(&trap);
    EXPECT_FALSE(TakeTrap(&trap));
    const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
    EXPECT_EQ(counters.malformed, broken.size());
    EXPECT_EQ(counters.queued, broken.size());
}

// Each inform is answered, from the trap port to the port it came from, with its request id
// and bindings as they came and status and index 0; a retransmission (the same sender and
// request id) is answered again and not queued again.
TEST_F(TrapServiceTest, InformsAreAnsweredEachTimeAndQueuedOnce) {
    struct Sending {
        int sender; // which of two sockets sends it
        Bytes inform;
        Bytes answer;
    };
    struct Case {
        const char* name;
        std::vector<Sending> sendings;
        std::vector<std::int64_t> queued; // request ids queued, in order
    };
    const std::vector<Case> cases = {
        {"one inform", {{0, Inform(7), Answer(7)}}, {7}},
        {"a retransmission", {{0, Inform(7), Answer(7)}, {0, Inform(7), Answer(7)}}, {7}},
        {"the same request id from another port",
         {{0, Inform(7), Answer(7)}, {1, Inform(7), Answer(7)}},
         {7, 7}},
        {"another request id from the same port",
         {{0, Inform(7), Answer(7)}, {0, Inform(8), Answer(8)}},
         {7, 8}},
        {"a status and index, which an inform should not have",
         {{0, Inform(9, 0xA6, 5, 3), Answer(9)}},
         {9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Listen());
        CUdpSender senders[2] = {CUdpSender(m_port), CUdpSender(m_port)};
        for (std::size_t i = 0; i < c.sendings.size(); ++i) {
            CUdpSender& sender = senders[c.sendings[i].sender];
            ASSERT_TRUE(sender.Send(c.sendings[i].inform));
            EXPECT_EQ(sender.Receive(10000), c.sendings[i].answer) << "sending " << i;
        }
        // Each inform is answered before it is queued (or counted as a repetition).
        ASSERT_TRUE(WaitUntil([&c] {
            const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
            return counters.queued + counters.repeated == c.sendings.size();
        }));
        std::vector<std::int64_t> queued;
        SnmpTrapRecord trap;
        while (TakeTrap(&trap)) {
            if (trap.variableBindings.len == 3)
                queued.push_back(trap.variableBindings.list[2].value.asnValue.number);
            SnmpTrapRecordFree(&trap);
        }
        EXPECT_EQ(queued, c.queued);
        const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
        EXPECT_EQ(counters.answered, c.sendings.size());
        EXPECT_EQ(counters.queued, c.queued.size());
        EXPECT_EQ(counters.repeated, c.sendings.size() - c.queued.size());
        EXPECT_EQ(counters.malformed, 0u);
        CloseHandle(m_event);
        m_event = nullptr;
        SnmpMgrTrapServiceStopForTesting();
    }
}

// An inform that finds the queue full is not answered, so that its sender sends it again;
// once there is room, it is answered and queued.
TEST_F(TrapServiceTest, AnInformWithoutRoomIsNotAnswered) {
    SnmpMgrSetTrapQueueLimitForTesting(1);
    ASSERT_NO_FATAL_FAILURE(Listen());
    CUdpSender sender(m_port);
    ASSERT_TRUE(sender.Send(NumberedV1Trap(1)));
    ASSERT_TRUE(sender.Send(Inform(7)));
    EXPECT_TRUE(sender.Receive(300).empty());
    ASSERT_TRUE(ReceivedAtLeast(2));
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().overflow, 1u);
    SnmpTrapRecord trap;
    ASSERT_TRUE(TakeTrap(&trap)); // room again
    SnmpTrapRecordFree(&trap);
    ASSERT_TRUE(sender.Send(Inform(7)));
    EXPECT_EQ(sender.Receive(10000), Answer(7));
    ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == 2; }));
    ASSERT_TRUE(TakeTrap(&trap));
    EXPECT_EQ(trap.variableBindings.len, 3u);
    SnmpTrapRecordFree(&trap);
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().repeated, 0u);
}

// --- SNMPv3 notifications ------------------------------------------------------------------

// What the drop counters grew by.
SnmpMgrTrapDrops Grown(const SnmpMgrTrapDrops& before, const SnmpMgrTrapDrops& after) {
    return {after.unknownUser - before.unknownUser,     after.wrongDigest - before.wrongDigest,
            after.decryption - before.decryption,       after.timeWindow - before.timeWindow,
            after.securityLevel - before.securityLevel, after.malformed - before.malformed,
            after.queueFull - before.queueFull};
}

std::vector<std::uint64_t> Counts(const SnmpMgrTrapDrops& d) {
    return {d.unknownUser,   d.wrongDigest, d.decryption, d.timeWindow,
            d.securityLevel, d.malformed,   d.queueFull};
}

std::uint64_t Total(const SnmpMgrTrapDrops& d) {
    const std::vector<std::uint64_t> counts = Counts(d);
    return std::accumulate(counts.begin(), counts.end(), std::uint64_t{0});
}

// An SNMPv3 sender's options for the user `name` with some of them replaced: {"-X", "other"}
// puts "other" after -X.
std::vector<std::string>
SenderOptions(const char* name,
              const std::vector<std::pair<std::string, std::string>>& changed = {}) {
    std::vector<std::string> options = UsmToolOptions(UsmTestUserNamed(name));
    for (const auto& [option, value] : changed) {
        const auto at = std::find(options.begin(), options.end(), option);
        if (at != options.end())
            *(at + 1) = value;
        else
            options.insert(options.end(), {option, value});
    }
    return options;
}

struct V3Notification {
    const char* name;
    const char* configured; // the user the trap service takes notifications of
    std::string program;    // snmptrap or snmpinform
    std::vector<std::string> options;
    int exitCode;
    bool shown;
    std::uint64_t SnmpMgrTrapDrops::*dropped; // the reason it is counted under when not shown
};

// The trap service with an SNMPv3 user, which goes again after each test.
class TrapServiceUsm : public TrapServiceTest {
protected:
    void TearDown() override {
        SnmpMgrTrapSetUser(std::make_unique<SnmpMgrSessionSettings>().get());
        TrapServiceTest::TearDown();
    }
};

class TrapServiceV3 : public TrapServiceUsm,
                      public ::testing::WithParamInterface<V3Notification> {};

// Each notification of the configured user at its level is shown as an SNMPv2c one is, and
// an inform answered (its sender ends with success only then); every other one is not shown,
// and counted under its own reason alone.
TEST_P(TrapServiceV3, IsShownOrCountedUnderItsReason) {
    const V3Notification& row = GetParam();
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed(row.configured));
    ASSERT_TRUE(SnmpMgrTrapSetUser(&user));
    ASSERT_NO_FATAL_FAILURE(Listen());
    const SnmpMgrTrapDrops before = SnmpMgrGetTrapDrops();
    std::vector<std::string> arguments = row.options;
    arguments.insert(arguments.end(), {"-r", "0", "-t", "3", "127.0.0.1:" + std::to_string(m_port),
                                       "77", Dotted(kLinkDown), Dotted(kIfIndex2), "i", "2"});
    EXPECT_EQ(RunSnmpTrap(arguments, row.program), row.exitCode);
    ASSERT_TRUE(WaitUntil([&] {
        return SnmpMgrGetTrapServiceCounters().queued +
                   Total(Grown(before, SnmpMgrGetTrapDrops())) >
               0;
    }));
    SnmpMgrTrapDrops expected{};
    if (!row.shown)
        expected.*row.dropped = 1;
    EXPECT_EQ(Counts(Grown(before, SnmpMgrGetTrapDrops())), Counts(expected));
    SnmpTrapRecord trap;
    EXPECT_EQ(TakeTrap(&trap), row.shown);
    if (row.shown) {
        EXPECT_EQ(BytesOf(trap.agentAddress), (Bytes{127, 0, 0, 1}));
        EXPECT_EQ(Describe(trap.variableBindings),
                  (std::vector<std::string>{"1.3.6.1.2.1.1.3.0=67:77",
                                            "1.3.6.1.6.3.1.1.4.1.0=6:" + Dotted(kLinkDown),
                                            "1.3.6.1.2.1.2.2.1.1.2=2:2"}));
        SnmpTrapRecordFree(&trap);
    }
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().answered, row.program == "snmpinform" && row.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Usm, TrapServiceV3,
    ::testing::Values(V3Notification{"AuthPrivTrap", "okSha256Aes", "snmptrap",
                                     SenderOptions("okSha256Aes"), 0, true, nullptr},
                      // The README's trap, of the demo agent's user, as the README sends it.
                      V3Notification{"AuthPrivTrapOfTheReadmesUser",
                                     "ops",
                                     "snmptrap",
                                     {"-v3", "-l", "authPriv", "-u", "ops", "-a", "SHA-256", "-A",
                                      "auth passphrase", "-x", "AES", "-X", "priv passphrase"},
                                     0,
                                     true,
                                     nullptr},
                      V3Notification{"AuthPrivTrapOfAnotherProtocolPair", "okSha512Aes256",
                                     "snmptrap", SenderOptions("okSha512Aes256"), 0, true, nullptr},
                      V3Notification{"NoAuthTrapOfANoAuthUser", "okNoAuth", "snmptrap",
                                     SenderOptions("okNoAuth"), 0, true, nullptr},
                      V3Notification{"AuthPrivInform", "okSha256Aes", "snmpinform",
                                     SenderOptions("okSha256Aes"), 0, true, nullptr},
                      V3Notification{"AuthNoPrivTrapBelowTheUsersLevel", "okSha256Aes", "snmptrap",
                                     SenderOptions("okSha256Aes", {{"-l", "authNoPriv"}}), 0, false,
                                     &SnmpMgrTrapDrops::securityLevel},
                      V3Notification{"NoAuthTrapBelowTheUsersLevel", "okSha256Aes", "snmptrap",
                                     SenderOptions("okSha256Aes", {{"-l", "noAuthNoPriv"}}), 0,
                                     false, &SnmpMgrTrapDrops::securityLevel},
                      V3Notification{"AuthNoPrivInformBelowTheUsersLevelIsNotAnswered",
                                     "okSha256Aes", "snmpinform",
                                     SenderOptions("okSha256Aes", {{"-l", "authNoPriv"}}), 1, false,
                                     &SnmpMgrTrapDrops::securityLevel},
                      V3Notification{"UnknownUser", "okSha256Aes", "snmptrap",
                                     SenderOptions("okSha256Aes", {{"-u", "nobody"}}), 0, false,
                                     &SnmpMgrTrapDrops::unknownUser},
                      V3Notification{"WrongAuthenticationPassphrase", "okSha256Aes", "snmptrap",
                                     SenderOptions("okSha256Aes", {{"-A", "wrong-passphrase"}}), 0,
                                     false, &SnmpMgrTrapDrops::wrongDigest},
                      V3Notification{"WrongPrivacyPassphrase", "okSha256Aes", "snmptrap",
                                     SenderOptions("okSha256Aes", {{"-X", "wrong-passphrase"}}), 0,
                                     false, &SnmpMgrTrapDrops::decryption},
                      V3Notification{"WrongPrivacyProtocol", "okSha256Aes", "snmptrap",
                                     SenderOptions("okSha256Aes", {{"-x", "DES"}}), 0, false,
                                     &SnmpMgrTrapDrops::decryption},
                      V3Notification{"InformWithAWrongAuthenticationPassphrase", "okSha256Aes",
                                     "snmpinform",
                                     SenderOptions("okSha256Aes", {{"-A", "wrong-passphrase"}}), 1,
                                     false, &SnmpMgrTrapDrops::wrongDigest},
                      V3Notification{"InformWithAWrongPrivacyPassphrase", "okSha256Aes",
                                     "snmpinform",
                                     SenderOptions("okSha256Aes", {{"-X", "wrong-passphrase"}}), 1,
                                     false, &SnmpMgrTrapDrops::decryption}),
    RowName());

// An authPriv trap of snmptrap's from one engine at boots 5, time 1000 (or at `boots`).
Bytes CapturedV3Trap(const std::string& boots = "5") {
    std::vector<std::string> arguments =
        SenderOptions("okSha256Aes", {{"-e", "0x80001f88040102030405"}, {"-Z", boots + ",1000"}});
    arguments.insert(arguments.end(), {"{target}", "77", Dotted(kLinkDown)});
    return CaptureSnmpTrap(arguments);
}

// The datagram with the lowest bit of one byte flipped.
Bytes WithByteChanged(Bytes datagram, std::size_t at) {
    datagram.at(at) ^= 0x01;
    return datagram;
}

std::size_t Find(const Bytes& datagram, const std::string& text) {
    return static_cast<std::size_t>(
        std::search(datagram.begin(), datagram.end(), text.begin(), text.end()) - datagram.begin());
}

struct V3Tampered {
    const char* name;
    std::function<Bytes(const Bytes& shown)> make; // from the trap shown first
    std::uint64_t SnmpMgrTrapDrops::*dropped;
};

class TrapServiceV3Changed : public TrapServiceUsm,
                             public ::testing::WithParamInterface<V3Tampered> {};

// After a trap of the user's has been shown (and its engine's time learnt), a datagram made
// of it that is changed in any way, or that comes from before the time window, is not shown
// and is counted under its reason.
TEST_P(TrapServiceV3Changed, IsDroppedAndCounted) {
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed("okSha256Aes"));
    ASSERT_TRUE(SnmpMgrTrapSetUser(&user));
    const Bytes shown = CapturedV3Trap();
    ASSERT_FALSE(shown.empty());
    const Bytes changed = GetParam().make(shown);
    ASSERT_FALSE(changed.empty());
    ASSERT_NO_FATAL_FAILURE(Listen());
    CUdpSender sender(m_port);
    ASSERT_TRUE(sender.Send(shown));
    ASSERT_TRUE(ReceivedAtLeast(1));
    const SnmpMgrTrapDrops before = SnmpMgrGetTrapDrops();
    ASSERT_TRUE(sender.Send(changed));
    ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().received >= 2; }));
    SnmpTrapRecord trap;
    ASSERT_TRUE(TakeTrap(&trap)); // the first alone
    SnmpTrapRecordFree(&trap);
    EXPECT_FALSE(TakeTrap(&trap)); // one that no version can read is counted as it is handed out
    SnmpMgrTrapDrops expected{};
    expected.*GetParam().dropped = 1;
    EXPECT_EQ(Counts(Grown(before, SnmpMgrGetTrapDrops())), Counts(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Usm, TrapServiceV3Changed,
    ::testing::Values(
        V3Tampered{"LastByteOfTheEncryptedPdu",
                   [](const Bytes& shown) { return WithByteChanged(shown, shown.size() - 1); },
                   &SnmpMgrTrapDrops::wrongDigest},
        V3Tampered{"ByteOfTheUserName",
                   [](const Bytes& shown) { return WithByteChanged(shown, Find(shown, "okSha")); },
                   &SnmpMgrTrapDrops::unknownUser},
        V3Tampered{"EarlierBoots", [](const Bytes&) { return CapturedV3Trap("4"); },
                   &SnmpMgrTrapDrops::timeWindow},
        V3Tampered{"CutShort",
                   [](const Bytes& shown) { return Bytes(shown.begin(), shown.end() - 1); },
                   &SnmpMgrTrapDrops::malformed}),
    RowName());

// net-snmp forgets the time records of a whole bucket at once. A sender that fails from an
// engine whose record falls in the bucket of Okapel's own engine must not cost Okapel its own
// engine's time, without which every inform would be refused as sent to an unknown engine.
TEST_F(TrapServiceUsm, AFailingSenderBesideOkapelsEngineLeavesInformsAnswered) {
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed("okSha256Aes"));
    ASSERT_TRUE(SnmpMgrTrapSetUser(&user));
    ASSERT_NO_FATAL_FAILURE(Listen());
    const int ownBucket = SnmpEngineTimeBucketForTesting(SnmpMgrOwnEngineIdForTesting());
    std::vector<std::uint8_t> engine{0x80, 0x00, 0x1f, 0x88, 0x04, 0x42, 0x00};
    while (SnmpEngineTimeBucketForTesting(engine) != ownBucket && engine.back() < 0xff)
        ++engine.back();
    ASSERT_EQ(SnmpEngineTimeBucketForTesting(engine), ownBucket);
    char hex[3];
    std::string engineText = "0x";
    for (std::uint8_t byte : engine) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        engineText += hex;
    }
    const std::vector<std::string> target = {
        "-r", "0", "-t", "3", "127.0.0.1:" + std::to_string(m_port), "77", Dotted(kLinkDown)};
    std::vector<std::string> trap =
        SenderOptions("okSha256Aes", {{"-e", engineText}, {"-A", "wrong-passphrase"}});
    trap.insert(trap.end(), target.begin(), target.end());
    const SnmpMgrTrapDrops before = SnmpMgrGetTrapDrops();
    EXPECT_EQ(RunSnmpTrap(trap), 0);
    ASSERT_TRUE(WaitUntil([&] { return SnmpMgrGetTrapDrops().wrongDigest > before.wrongDigest; }));
    std::vector<std::string> inform = SenderOptions("okSha256Aes");
    inform.insert(inform.end(), target.begin(), target.end());
    EXPECT_EQ(RunSnmpTrap(inform, "snmpinform"), 0);
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().answered, 1u);
}

// An SNMPv3 inform is answered within the msgMaxSize its sender gave: its Response when that
// fits, and otherwise a Response with tooBig, error index 0 and no bindings (RFC 3416,
// 4.2.7); either way it is shown once, with all its bindings.
TEST_F(TrapServiceUsm, InformIsAnsweredWithinItsSendersMessageSize) {
    struct Case {
        const char* name;
        std::size_t filler;  // bytes of an OCTET STRING binding after the usual three
        std::int64_t maxSize; // msgMaxSize
        bool tooBig;
    };
    const std::vector<Case> cases = {
        {"a Response that fits 484 bytes", 0, 484, false},
        {"a Response of over 1,000 bytes to a sender of 484", 1000, 484, true},
        {"the same Response to a sender of 65,507", 1000, 65507, false},
    };
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed("okNoAuth"));
    ASSERT_TRUE(SnmpMgrTrapSetUser(&user));
    const Bytes engine = SnmpMgrOwnEngineIdForTesting();
    ASSERT_FALSE(engine.empty());
    std::int64_t requestId = 700;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Listen());
        std::vector<Bytes> bindings = {ber::Binding(kSysUpTime, ber::Unsigned(42, 0x43)),
                                       ber::Binding(kSnmpTrapOid, ber::Oid(kLinkDown)),
                                       ber::Binding(kIfIndex2, ber::Integer(2))};
        if (c.filler > 0)
            bindings.push_back(ber::Binding(kSysName, ber::String(std::string(c.filler, 'x'))));
        const Bytes list = ber::Tlv(0x30, ber::Concat(bindings));
        ++requestId;
        V3MessageFields fields;
        fields.msgId = requestId + 1000;
        fields.maxSize = c.maxSize;
        fields.engine = engine;
        fields.user = "okNoAuth";
        const Bytes inform =
            V3Message(fields, ber::Tlv(0xA6, ber::Concat({ber::Integer(requestId), ber::Integer(0),
                                                          ber::Integer(0), list})));
        CUdpSender sender(m_port);
        ASSERT_TRUE(sender.Send(inform));
        const Bytes answer = sender.Receive(10000);
        ASSERT_FALSE(answer.empty());
        EXPECT_LE(answer.size(), static_cast<std::size_t>(c.maxSize));
        std::int64_t msgId = 0;
        ber::Element pdu;
        ASSERT_TRUE(ReadClearV3Pdu(answer, &msgId, &pdu)) << DescribedBytes(answer);
        EXPECT_EQ(msgId, requestId + 1000);
        EXPECT_EQ(pdu.tag, 0xA2);
        const Bytes expected = ber::Concat({ber::Integer(requestId), ber::Integer(c.tooBig ? 1 : 0),
                                            ber::Integer(0),
                                            c.tooBig ? ber::Tlv(0x30, {}) : list});
        EXPECT_EQ(pdu.contents, expected);
        ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == 1; }));
        SnmpTrapRecord trap;
        ASSERT_TRUE(TakeTrap(&trap));
        EXPECT_EQ(trap.variableBindings.len, bindings.size());
        SnmpTrapRecordFree(&trap);
        EXPECT_FALSE(TakeTrap(&trap));
        EXPECT_EQ(SnmpMgrGetTrapServiceCounters().answered, 1u);
        CloseHandle(m_event);
        m_event = nullptr;
        SnmpMgrTrapServiceStopForTesting();
    }
}

// An SNMPv3 inform of okNoAuth's to Okapel's engine from the sender's engine `sender`, with
// its msgID and request id.
Bytes ClearV3Inform(const Bytes& sender, std::int64_t msgId, std::int64_t requestId) {
    V3MessageFields fields;
    fields.msgId = msgId;
    fields.engine = SnmpMgrOwnEngineIdForTesting();
    fields.contextEngine = sender;
    fields.user = "okNoAuth";
    const Bytes bindings = ber::Concat({ber::Binding(kSysUpTime, ber::Unsigned(42, 0x43)),
                                        ber::Binding(kSnmpTrapOid, ber::Oid(kLinkDown))});
    return V3Message(fields, ber::Tlv(0xA6, ber::Concat({ber::Integer(requestId), ber::Integer(0),
                                                         ber::Integer(0),
                                                         ber::Tlv(0x30, bindings)})));
}

// An SNMPv3 inform is the same inform, answered again and not shown again, when its sender's
// engine and request id are, from whatever port it comes: sent again by its sender (with a
// new msgID, as net-snmp's senders do) or replayed by anyone as it was.
TEST_F(TrapServiceUsm, V3InformIsKnownByItsSendersEngineAndRequestId) {
    const Bytes engineA = {0x80, 0x00, 0x1f, 0x88, 0x80, 0x0a, 0x0a, 0x0a};
    const Bytes engineB = {0x80, 0x00, 0x1f, 0x88, 0x80, 0x0b, 0x0b, 0x0b};
    struct Sending {
        int sender; // which of two sockets sends it
        Bytes inform;
    };
    struct Case {
        const char* name;
        std::vector<Sending> sendings;
        std::size_t shown;
    };
    const std::vector<Case> cases = {
        {"replayed as it was from another port",
         {{0, ClearV3Inform(engineA, 11, 7)}, {1, ClearV3Inform(engineA, 11, 7)}},
         1},
        {"sent again with a new msgID from another port",
         {{0, ClearV3Inform(engineA, 11, 7)}, {1, ClearV3Inform(engineA, 12, 7)}},
         1},
        {"another request id",
         {{0, ClearV3Inform(engineA, 11, 7)}, {0, ClearV3Inform(engineA, 12, 8)}},
         2},
        {"another sender's engine with the same request id",
         {{0, ClearV3Inform(engineA, 11, 7)}, {1, ClearV3Inform(engineB, 11, 7)}},
         2},
    };
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed("okNoAuth"));
    ASSERT_TRUE(SnmpMgrTrapSetUser(&user));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Listen());
        CUdpSender senders[2] = {CUdpSender(m_port), CUdpSender(m_port)};
        for (std::size_t i = 0; i < c.sendings.size(); ++i) {
            CUdpSender& sender = senders[c.sendings[i].sender];
            ASSERT_TRUE(sender.Send(c.sendings[i].inform));
            std::int64_t msgId = 0;
            ber::Element pdu;
            ASSERT_TRUE(ReadClearV3Pdu(sender.Receive(10000), &msgId, &pdu)) << "sending " << i;
            EXPECT_EQ(pdu.tag, 0xA2) << "sending " << i;
        }
        ASSERT_TRUE(WaitUntil([&c] {
            const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
            return counters.queued + counters.repeated == c.sendings.size();
        }));
        const SnmpTrapServiceCounters counters = SnmpMgrGetTrapServiceCounters();
        EXPECT_EQ(counters.answered, c.sendings.size());
        EXPECT_EQ(counters.queued, c.shown);
        SnmpTrapRecord trap;
        while (TakeTrap(&trap))
            SnmpTrapRecordFree(&trap);
        CloseHandle(m_event);
        m_event = nullptr;
        SnmpMgrTrapServiceStopForTesting();
    }
}

// An inform whose digest is wrong is not shown and gets no Response: a Report of
// usmStatsWrongDigests in the clear with its msgID, as RFC 3414, 3.2 (6) and RFC 3412, 7.2
// (7)(a) have it for a reportable message, which tells its sender why (snmpinform says
// "Authentication failure").
TEST_F(TrapServiceUsm, InformWithAWrongDigestGetsAReport) {
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed("okSha"));
    ASSERT_TRUE(SnmpMgrTrapSetUser(&user));
    ASSERT_NO_FATAL_FAILURE(Listen());
    V3MessageFields fields;
    fields.msgId = 4242;
    fields.engine = SnmpMgrOwnEngineIdForTesting();
    fields.user = "okSha";
    fields.authPassphrase = "wrong-passphrase";
    const Bytes inform = V3Message(
        fields, ber::Tlv(0xA6, ber::Concat({ber::Integer(9), ber::Integer(0), ber::Integer(0),
                                            ber::Tlv(0x30, ber::Binding(kSnmpTrapOid,
                                                                        ber::Oid(kLinkDown)))})));
    ASSERT_FALSE(inform.empty());
    const SnmpMgrTrapDrops before = SnmpMgrGetTrapDrops();
    CUdpSender sender(m_port);
    ASSERT_TRUE(sender.Send(inform));
    std::int64_t msgId = 0;
    ber::Element pdu;
    const Bytes answer = sender.Receive(10000);
    ASSERT_TRUE(ReadClearV3Pdu(answer, &msgId, &pdu)) << DescribedBytes(answer);
    EXPECT_EQ(msgId, 4242);
    EXPECT_EQ(pdu.tag, 0xA8);
    const std::vector<ber::Element> parts = ber::Inside(pdu.contents);
    ASSERT_EQ(parts.size(), 4u);
    const std::vector<ber::Element> bindings = ber::Inside(parts[3].contents);
    ASSERT_EQ(bindings.size(), 1u);
    const std::vector<ber::Element> binding = ber::Inside(bindings[0].contents);
    ASSERT_FALSE(binding.empty());
    EXPECT_EQ(ber::ReadOid(binding[0].contents), (Ids{1, 3, 6, 1, 6, 3, 15, 1, 1, 5, 0}));
    SnmpMgrTrapDrops expected{};
    expected.wrongDigest = 1;
    EXPECT_EQ(Counts(Grown(before, SnmpMgrGetTrapDrops())), Counts(expected));
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().answered, 0u);
    SnmpTrapRecord trap;
    EXPECT_FALSE(TakeTrap(&trap));
}

// An authenticated SNMPv2-Trap of the user okSha (authNoPriv, SHA) from `engine` at `boots`
// and `time`.
Bytes SignedV3Trap(const Bytes& engine, std::int64_t boots, std::int64_t time) {
    V3MessageFields fields;
    fields.engine = engine;
    fields.boots = boots;
    fields.time = time;
    fields.user = "okSha";
    fields.authPassphrase = UsmTestUserNamed("okSha").authPassphrase;
    fields.reportable = false;
    const Bytes bindings = ber::Concat({ber::Binding(kSysUpTime, ber::Unsigned(42, 0x43)),
                                        ber::Binding(kSnmpTrapOid, ber::Oid(kLinkDown))});
    return V3Message(fields, ber::Tlv(0xA7, ber::Concat({ber::Integer(1), ber::Integer(0),
                                                         ber::Integer(0),
                                                         ber::Tlv(0x30, bindings)})));
}

// Traps from more engines than keep a user take the oldest engine's user away, but not what
// was learnt of its clock: a trap of that engine from before its time window (RFC 3414, 3.2
// (7)(b)) stays refused, and one within it is shown.
TEST_F(TrapServiceUsm, AnEvictedEnginesOldTrapStaysRefused) {
    struct Case {
        const char* name;
        std::int64_t boots;
        std::int64_t time;
        bool shown;
    };
    const std::vector<Case> cases = {
        {"earlier boots", 4, 1000, false},
        {"the same boots, 200 s earlier", 5, 800, false},
        {"the same boots, a little later", 5, 1010, true},
    };
    const SnmpMgrSessionSettings user = UsmSettings(UsmTestUserNamed("okSha"));
    ASSERT_TRUE(SnmpMgrTrapSetUser(&user));
    ASSERT_NO_FATAL_FAILURE(Listen());
    CUdpSender sender(m_port);
    const Bytes oldest = {0x80, 0x00, 0x1f, 0x88, 0x04, 0x0e, 0x0e, 0x0e};
    const Bytes first = SignedV3Trap(oldest, 5, 1000);
    ASSERT_FALSE(first.empty());
    ASSERT_TRUE(sender.Send(first));
    ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == 1; }));
    constexpr std::size_t others = 1024;
    for (std::size_t i = 0; i < others; ++i) {
        const Bytes engine = {0x80, 0x00, 0x1f, 0x88, 0x04, 0x01, static_cast<std::uint8_t>(i >> 8),
                              static_cast<std::uint8_t>(i)};
        ASSERT_TRUE(sender.Send(SignedV3Trap(engine, 1, 1)));
        if (i % 256 == 255) { // within what the kernel holds for the receiver
            ASSERT_TRUE(WaitUntil([i] { return SnmpMgrGetTrapServiceCounters().queued == i + 2; }));
        }
    }
    ASSERT_TRUE(
        WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == others + 1; }));
    const SnmpTrapServiceEngines engines = SnmpMgrGetTrapServiceEngines();
    EXPECT_LE(engines.withUser, 1025u); // Okapel's own engine among them
    EXPECT_GE(engines.times, 1u);
    SnmpTrapRecord trap;
    while (TakeTrap(&trap))
        SnmpTrapRecordFree(&trap);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SnmpMgrTrapDrops before = SnmpMgrGetTrapDrops();
        const std::uint64_t queued = SnmpMgrGetTrapServiceCounters().queued;
        ASSERT_TRUE(sender.Send(SignedV3Trap(oldest, c.boots, c.time)));
        ASSERT_TRUE(WaitUntil([&] {
            return SnmpMgrGetTrapServiceCounters().queued > queued ||
                   Total(Grown(before, SnmpMgrGetTrapDrops())) > 0;
        }));
        SnmpMgrTrapDrops expected{};
        if (!c.shown)
            expected.timeWindow = 1;
        EXPECT_EQ(Counts(Grown(before, SnmpMgrGetTrapDrops())), Counts(expected));
        const bool taken = TakeTrap(&trap);
        EXPECT_EQ(taken, c.shown);
        if (taken)
            SnmpTrapRecordFree(&trap);
    }
}

// The engines' clocks kept beyond their users, against a plain model of the same rule: each
// engine's latest values, grown by the seconds since, for the engines among the last
// `capacity` keepings. Engine ids of every length collide in so small an index, so that
// lookups pass over records and drops move entries back.
TEST(EngineTimes, KeepsTheLatestOfTheLastEnginesKept) {
    constexpr std::size_t kCapacity = 8;
    CEngineTimes times(kCapacity);
    struct Kept {
        std::uint32_t boots;
        std::uint32_t time;
        std::int64_t at;
    };
    std::map<Bytes, Kept> model;
    std::deque<std::pair<Bytes, bool>> order; // ring positions: the engine, still its latest
    std::vector<Bytes> engines;
    for (std::uint8_t i = 0; i < 24; ++i)
        engines.push_back(Bytes(1 + (i * 7) % 32, i));
    std::uint32_t random = 12345;
    const auto next = [&random](std::uint32_t bound) {
        random = random * 1103515245u + 12345u;
        return (random >> 8) % bound;
    };
    std::int64_t now = 100;
    for (int step = 0; step < 20000; ++step) {
        const Bytes& engine = engines[next(static_cast<std::uint32_t>(engines.size()))];
        now += next(3);
        if (next(2) == 0) {
            const std::uint32_t boots = next(5);
            const std::uint32_t time = next(100000);
            times.Keep(engine, boots, time, now);
            for (auto& [kept, latest] : order)
                latest = latest && kept != engine;
            if (order.size() == kCapacity) {
                if (order.front().second)
                    model.erase(order.front().first);
                order.pop_front();
            }
            order.emplace_back(engine, true);
            model[engine] = {boots, time, now};
        }
        std::uint32_t boots = 0;
        std::uint32_t time = 0;
        const bool found = times.Find(engine, now, &boots, &time);
        const auto expected = model.find(engine);
        ASSERT_EQ(found, expected != model.end()) << "step " << step;
        if (found) {
            ASSERT_EQ(boots, expected->second.boots) << "step " << step;
            ASSERT_EQ(time, expected->second.time + (now - expected->second.at)) << "step " << step;
        }
        ASSERT_EQ(times.Size(), model.size()) << "step " << step;
    }
}

// The memory of answered informs: each inform for 120 s after its first arrival, told apart
// by its sender's address and port and its request id, and no more than its capacity.
TEST(RecentInforms, RemembersEachInformForItsTimeAndWithinItsCapacity) {
    using Clock = CRecentInforms::Clock;
    const auto key = [](std::uint8_t address, std::uint16_t port, std::int32_t id) {
        InformKey k;
        k.address[0] = address;
        k.addressLength = 4;
        k.port = port;
        k.requestId = id;
        return k;
    };
    const Clock::time_point t0 = Clock::now();
    CRecentInforms recent(std::chrono::seconds(120), 3);
    recent.Remember(key(10, 1000, 7), t0);
    struct Case {
        const char* name;
        InformKey asked;
        Clock::duration after;
        bool contained;
    };
    const Case cases[] = {
        {"the same inform at once", key(10, 1000, 7), {}, true},
        {"just within its time", key(10, 1000, 7), std::chrono::milliseconds(119999), true},
        {"another address", key(11, 1000, 7), {}, false},
        {"another port", key(10, 1001, 7), {}, false},
        {"another request id", key(10, 1000, 8), {}, false},
        {"once its time is over", key(10, 1000, 7), std::chrono::seconds(120), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(recent.Contains(c.asked, t0 + c.after), c.contained) << c.name;
    EXPECT_EQ(recent.Size(), 0u); // forgotten with its time

    // Remembered again, its time starts anew; beyond the capacity the oldest goes first.
    const Clock::time_point t1 = t0 + std::chrono::seconds(200);
    for (std::int32_t id = 1; id <= 4; ++id)
        recent.Remember(key(10, 1000, id), t1);
    recent.Remember(key(10, 1000, 4), t1 + std::chrono::seconds(100)); // kept as first seen
    EXPECT_FALSE(recent.Contains(key(10, 1000, 1), t1));
    EXPECT_TRUE(recent.Contains(key(10, 1000, 2), t1));
    EXPECT_TRUE(recent.Contains(key(10, 1000, 4), t1 + std::chrono::seconds(119)));
    EXPECT_FALSE(recent.Contains(key(10, 1000, 4), t1 + std::chrono::seconds(120)));
}

TEST_F(TrapServiceTest, StopReleasesQueuedTraps) {
    ASSERT_NO_FATAL_FAILURE(Listen());
    CUdpSender sender(m_port);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(sender.Send(NumberedV1Trap(i)));
    ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queued == 10; }));
    EXPECT_GT(SnmpMgrGetTrapServiceCounters().queueBytes, 0u);
    SnmpMgrTrapServiceStopForTesting();
    EXPECT_EQ(SnmpMgrGetTrapServiceCounters().queueBytes, 0u);
    EXPECT_EQ(SnmpUtilLiveBlocks(), m_liveBlocks);
    SnmpTrapRecord trap;
    EXPECT_FALSE(TakeTrap(&trap));
}

} // namespace

namespace {

// Each trap is handed out with where and how it came: its sender's address and port as the
// datagram arrived, the moment it was read, and its message's version, PDU type and
// community, whatever its SNMPv1 view says.
TEST_F(TrapServiceTest, TrapIsHandedOutWithItsOrigin) {
    struct Case {
        const char* name;
        bool ipv6;
        Bytes datagram;
        int version;
        BYTE pduType;
        const char* community;
    };
    const std::vector<std::uint32_t> linkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
    const Case cases[] = {
        {"SNMPv1 trap naming another agent", false,
         ber::V1Trap("v1-community", {1, 3, 6, 1, 4, 1, 8072}, {192, 168, 1, 200}, 2, 0, 7, {}),
         SNMP_MGR_VERSION_1, SNMP_PDU_V1TRAP, "v1-community"},
        {"SNMPv2c trap", false,
         ber::V2Trap("public",
                     {ber::Binding({1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}, ber::Oid(linkDown))}),
         SNMP_MGR_VERSION_2C, SNMP_PDU_TRAP, "public"},
        {"SNMPv2c trap over IPv6", true,
         ber::V2Trap("six", {ber::Binding({1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}, ber::Oid(linkDown))}),
         SNMP_MGR_VERSION_2C, SNMP_PDU_TRAP, "six"},
    };
    ASSERT_NO_FATAL_FAILURE(Listen());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.ipv6 && !HasIpv6Loopback())
            continue;
        std::uint16_t port = 0;
        const int fd = BindLoopback(c.ipv6, 0, &port);
        ASSERT_GE(fd, 0);
        sockaddr_storage to{};
        socklen_t length = 0;
        if (c.ipv6) {
            auto& six = reinterpret_cast<sockaddr_in6&>(to);
            six.sin6_family = AF_INET6;
            six.sin6_port = htons(m_port);
            six.sin6_addr = in6addr_loopback;
            length = sizeof six;
        } else {
            auto& four = reinterpret_cast<sockaddr_in&>(to);
            four.sin_family = AF_INET;
            four.sin_port = htons(m_port);
            four.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof four;
        }
        const auto now = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        };
        const std::int64_t before = now();
        ASSERT_EQ(sendto(fd, c.datagram.data(), c.datagram.size(), 0,
                         reinterpret_cast<const sockaddr*>(&to), length),
                  static_cast<ssize_t>(c.datagram.size()));
        close(fd);
        ASSERT_TRUE(WaitUntil([] { return SnmpMgrGetTrapServiceCounters().queueBytes > 0; }));
        const std::int64_t after = now();
        AsnObjectIdentifier enterprise{};
        AsnOctetString agent{};
        AsnInteger generic = 0, specific = 0;
        AsnTimeticks stamp = 0;
        SnmpVarBindList bindings{};
        SnmpMgrTrapOrigin origin;
        ASSERT_TRUE(SnmpMgrGetTrapWithOrigin(&enterprise, &agent, &generic, &specific, &stamp,
                                             &bindings, &origin));
        EXPECT_EQ(origin.senderPort, port);
        EXPECT_EQ(origin.senderLength, c.ipv6 ? 16u : 4u);
        const Bytes loopback =
            c.ipv6 ? Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1} : Bytes{127, 0, 0, 1};
        EXPECT_EQ(Bytes(origin.sender, origin.sender + origin.senderLength), loopback);
        EXPECT_GE(origin.arrivalMs, before);
        EXPECT_LE(origin.arrivalMs, after);
        EXPECT_EQ(origin.version, c.version);
        EXPECT_EQ(origin.pduType, c.pduType);
        EXPECT_EQ(origin.community, c.community);
        SnmpUtilOidFree(&enterprise);
        if (agent.dynamic)
            SnmpUtilMemFree(agent.stream);
        SnmpUtilVarBindListFree(&bindings);
    }
}

} // namespace
