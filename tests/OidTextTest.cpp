// Object identifier texts: what SnmpMgrStrToOid refuses and reads, the exact texts of
// SnmpMgrOidToStr for published objects, and the round trip between the two over the
// whole name tree and beyond it.
#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"
#include "support/BindingText.h"
#include "support/Identifiers.h"
#include "testing/SnmpTesting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// SnmpMgrStrToOid's result as a vector; nullopt-like failure as `ok == false`.
struct Reading {
    bool ok;
    Ids ids;
};

Reading Read(const char* text) {
    AsnObjectIdentifier oid{};
    Reading reading{SnmpMgrStrToOid(text, &oid) != FALSE, {}};
    if (reading.ok)
        reading.ids.assign(oid.ids, oid.ids + oid.idLength);
    else
        EXPECT_TRUE(oid.idLength == 0 && oid.ids == nullptr) << "refused text left an identifier";
    SnmpUtilOidFree(&oid);
    return reading;
}

Ids PathOf(const mibnames::Table& names, int node) {
    Ids reversed;
    for (int n = node; n != mibnames::kNone; n = names.Parent(n))
        reversed.push_back(names.Arc(n));
    return Ids(reversed.rbegin(), reversed.rend());
}

void ExpectRoundTrip(const Ids& ids) {
    const std::string text = OidName(ids);
    const Reading back = Read(text.c_str());
    EXPECT_TRUE(back.ok) << LeadingDotted(ids) << " was written as \"" << text
                         << "\", which is refused";
    EXPECT_EQ(back.ids, ids) << LeadingDotted(ids) << " was written as \"" << text << "\"";
}

TEST(OidText, RefusesWhatIsNoIdentifier) {
    const char* const refused[] = {
        "",                        // the empty text
        ".",                       // a lone dot
        "..1",                     // an empty first component
        "1..3",                    // an empty component inside
        "1.3.",                    // a trailing dot
        ".1.3.6.1.",               //
        "1.3.6.a",                 // a non-digit in a numeric text
        "1.3.6.1x",                //
        "4294967296",              // one above the largest sub-identifier
        "1.3.6.1.4294967296",      //
        "99999999999999999999999", // far above it
        "-1",                      // signs
        "1.-3",                    //
        "+1",                      //
        " 1.3",                    // spaces
        "1.3 ",                    //
        "1. 3",                    //
        "1,3",                     // another separator
        "0x10",                    // no other base
        "1.3.system",              // a name after numbers from the root
        "system..sysName",         // an empty component after a name
        "system.sysName.",         // a trailing dot after a name
        "nosuchname",              // a name the tree does not have
        "System.sysName.0",        // names are spelt exactly
        "system.ifDescr.1",        // a name that is no child of what precedes it
        "sysName.system",          //
        "mib-2.99.sysName",        // a name below an unnamed node
        "iso.org.dod.internet.private.enterprises.sysName",
        "system.sysName.0.",         //
        "system.sysName.4294967296", // the limit holds after names too
        "..",                        //
        ".system.",                  //
    };
    for (const char* text : refused)
        EXPECT_FALSE(Read(text).ok) << '"' << text << '"';

    AsnObjectIdentifier oid{};
    EXPECT_FALSE(SnmpMgrStrToOid(nullptr, &oid));
}

// Each published object both ways: the identifier is written as the text, and the text is
// read as the identifier. The numbers are those of RFC 1213, RFC 2863 and RFC 3418.
TEST(OidText, WritesAndReadsPublishedObjects) {
    struct Case {
        Ids ids;
        const char* text;
    };
    const Case cases[] = {
        {{1, 3, 6, 1, 2, 1, 1, 5, 0}, "system.sysName.0"},
        {{1, 3, 6, 1, 2, 1, 1, 1, 0}, "system.sysDescr.0"},
        {{1, 3, 6, 1, 2, 1, 1, 3, 0}, "system.sysUpTime.0"},
        {{1, 3, 6, 1, 2, 1, 1, 9, 1, 2, 1}, "system.sysORTable.sysOREntry.sysORID.1"},
        {{1, 3, 6, 1, 2, 1, 1}, "system"},
        {{1, 3, 6, 1, 2, 1, 2, 1, 0}, "interfaces.ifNumber.0"},
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 2, 3}, "interfaces.ifTable.ifEntry.ifDescr.3"},
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 8, 1}, "interfaces.ifTable.ifEntry.ifOperStatus.1"},
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 22, 1}, "interfaces.ifTable.ifEntry.ifSpecific.1"},
        {{1, 3, 6, 1, 2, 1, 2, 2, 1, 99}, "interfaces.ifTable.ifEntry.99"},
        {{1, 3, 6, 1, 2, 1, 3, 1, 1, 3, 1, 1, 10, 0, 0, 1},
         "at.atTable.atEntry.atNetAddress.1.1.10.0.0.1"},
        {{1, 3, 6, 1, 2, 1, 4, 1, 0}, "ip.ipForwarding.0"},
        {{1, 3, 6, 1, 2, 1, 4, 23, 0}, "ip.ipRoutingDiscards.0"},
        {{1, 3, 6, 1, 2, 1, 4, 20, 1, 3, 127, 0, 0, 1},
         "ip.ipAddrTable.ipAddrEntry.ipAdEntNetMask.127.0.0.1"},
        {{1, 3, 6, 1, 2, 1, 4, 21, 1, 7, 0, 0, 0, 0},
         "ip.ipRouteTable.ipRouteEntry.ipRouteNextHop.0.0.0.0"},
        {{1, 3, 6, 1, 2, 1, 4, 22, 1, 2, 2, 192, 168, 1, 1},
         "ip.ipNetToMediaTable.ipNetToMediaEntry.ipNetToMediaPhysAddress.2.192.168.1.1"},
        {{1, 3, 6, 1, 2, 1, 5, 26, 0}, "icmp.icmpOutAddrMaskReps.0"},
        {{1, 3, 6, 1, 2, 1, 6, 15, 0}, "tcp.tcpOutRsts.0"},
        {{1, 3, 6, 1, 2, 1, 6, 13, 1, 1, 127, 0, 0, 1, 22, 0, 0, 0, 0, 0},
         "tcp.tcpConnTable.tcpConnEntry.tcpConnState.127.0.0.1.22.0.0.0.0.0"},
        {{1, 3, 6, 1, 2, 1, 7, 5, 1, 2, 0, 0, 0, 0, 161},
         "udp.udpTable.udpEntry.udpLocalPort.0.0.0.0.161"},
        {{1, 3, 6, 1, 2, 1, 8, 6, 0}, "egp.egpAs.0"},
        {{1, 3, 6, 1, 2, 1, 8, 5, 1, 15, 10, 1, 1, 1},
         "egp.egpNeighTable.egpNeighEntry.egpNeighEventTrigger.10.1.1.1"},
        {{1, 3, 6, 1, 2, 1, 10, 23}, "transmission.23"},
        {{1, 3, 6, 1, 2, 1, 11, 1, 0}, "snmp.snmpInPkts.0"},
        {{1, 3, 6, 1, 2, 1, 11, 7, 0}, "snmp.7.0"}, // not used by RFC 1213
        {{1, 3, 6, 1, 2, 1, 11, 30, 0}, "snmp.snmpEnableAuthenTraps.0"},
        {{1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}, "snmpTrapOID.0"},
        {{1, 3, 6, 1, 6, 3, 1, 1, 4, 3, 0}, "snmpTrapEnterprise.0"},
        {{1, 3, 6, 1, 6, 3, 1, 1, 5, 1}, "snmpTraps.coldStart"},
        {{1, 3, 6, 1, 6, 3, 1, 1, 5, 5}, "snmpTraps.authenticationFailure"},
        {{1, 3, 6, 1, 6, 3, 1, 1, 5, 42}, "snmpTraps.42"},
        // Outside the groups: names from the root, numbers below the deepest name.
        {{1, 3, 6, 1, 4, 1, 15, 0, 0, 1}, "iso.org.dod.internet.private.enterprises.15.0.0.1"},
        {{1, 3, 6, 1, 4, 1}, "iso.org.dod.internet.private.enterprises"},
        {{1, 3, 6, 1, 2, 1}, "iso.org.dod.internet.mgmt.mib-2"},
        {{1, 3, 6, 1, 2, 1, 99, 1}, "iso.org.dod.internet.mgmt.mib-2.99.1"},
        {{1, 3, 6, 1, 6, 3, 1, 1, 4},
         "iso.org.dod.internet.snmpV2.snmpModules.snmpMIB.snmpMIBObjects.snmpTrap"},
        {{1, 3, 6, 1, 6, 3, 1, 1, 4, 2, 0},
         "iso.org.dod.internet.snmpV2.snmpModules.snmpMIB.snmpMIBObjects.snmpTrap.2.0"},
        {{1, 3, 6, 1, 3, 7}, "iso.org.dod.internet.experimental.7"},
        {{1, 2, 840, 113549}, "iso.2.840.113549"},
        {{1}, "iso"},
        {{0}, "ccitt"},
        {{2, 5, 4, 3}, "joint-iso-ccitt.5.4.3"},
        // No named root: dotted decimal from the root.
        {{3}, ".3"},
        {{4294967295u}, ".4294967295"},
        {{7, 0, 4294967295u}, ".7.0.4294967295"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OidName(c.ids), c.text) << LeadingDotted(c.ids);
        const Reading back = Read(c.text);
        EXPECT_TRUE(back.ok) << c.text;
        EXPECT_EQ(back.ids, c.ids) << c.text;
    }
}

// Texts that SnmpMgrOidToStr never writes but an operator may type.
TEST(OidText, ReadsOtherSpellings) {
    struct Case {
        const char* text;
        Ids ids;
    };
    const Case cases[] = {
        {"1.3.6.1.2.1.1.5.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}},
        {".1.3.6.1.2.1.1.5.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}},
        {"1.3", {1, 3}},
        {".1.3", {1, 3}},
        {"0", {0}},
        {"4294967295", {4294967295u}},
        {"1.0003", {1, 3}},
        {".system.sysName.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}},
        {"sysName.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}},
        {"ifDescr.3", {1, 3, 6, 1, 2, 1, 2, 2, 1, 2, 3}},
        {"mib-2.1.5.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}},
        {"mib-2.1.sysName.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}},
        {"iso.3.6.1.2.1.system.sysName.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}},
        {"enterprises.15.0.0.2", {1, 3, 6, 1, 4, 1, 15, 0, 0, 2}},
        {"coldStart", {1, 3, 6, 1, 6, 3, 1, 1, 5, 1}},
        {".iso.org.dod", {1, 3, 6}},
    };
    for (const Case& c : cases) {
        const Reading r = Read(c.text);
        EXPECT_TRUE(r.ok) << c.text;
        EXPECT_EQ(r.ids, c.ids) << c.text;
    }
}

// Every name is found as itself and sits where its parent and arc say; a duplicate name or
// arc in the table would make one of its nodes unreachable.
TEST(OidText, NameTreeIsConsistent) {
    const mibnames::Table& names = mibnames::BuiltIn();
    for (int node = 0; node < names.Count(); ++node) {
        EXPECT_EQ(names.First(names.Name(node)), node) << names.Name(node);
        EXPECT_EQ(names.ChildByArc(names.Parent(node), names.Arc(node)), node) << names.Name(node);
    }
}

TEST(OidText, RoundTripsEveryNamedNodeAndItsInstances) {
    const Ids suffixes[] = {{}, {0}, {1}, {4294967295u}, {1, 2, 3}, {0, 0, 0, 0, 0, 0}, {99, 0}};
    const mibnames::Table& names = mibnames::BuiltIn();
    for (int node = 0; node < names.Count(); ++node) {
        const Ids path = PathOf(names, node);
        for (const Ids& suffix : suffixes) {
            Ids ids = path;
            ids.insert(ids.end(), suffix.begin(), suffix.end());
            ExpectRoundTrip(ids);
        }
        // The node's name, read alone, is the node.
        const std::string name(names.Name(node));
        EXPECT_EQ(Read(name.c_str()).ids, path) << name;
    }
}

TEST(OidText, RoundTripsUnnamedIdentifiers) {
    const Ids cases[] = {
        {0},
        {1},
        {2},
        {3},
        {4294967295u},
        {0, 0},
        {1, 3, 6, 1, 4, 1, 15, 0, 0, 1},
        {1, 3, 6, 1, 4, 1, 8072, 3, 2, 10},
        {1, 3, 6, 1, 6, 3, 15, 1, 1, 4, 0},
        {1, 3, 6, 1, 2, 1, 25, 1, 1, 0},
        {1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 1, 1},
        {1, 3, 6, 1, 2, 1, 1, 5},
        {1, 3, 6, 1, 2},
        {2, 16, 840, 1, 113730, 3, 1},
        {4294967295u, 4294967295u, 4294967295u},
        {5, 1, 3, 6, 1, 2, 1, 1, 5, 0}, // named arcs, but not from the root
    };
    for (const Ids& ids : cases)
        ExpectRoundTrip(ids);

    // The longest identifier of RFC 2578 (128 sub-identifiers), with the largest one among
    // them, both under mib-2 and outside every named tree.
    for (const Ids& prefix : {Ids{1, 3, 6, 1, 2, 1, 2, 2, 1, 2}, Ids{9}}) {
        Ids ids = prefix;
        for (UINT i = 0; ids.size() < 128; ++i)
            ids.push_back(i % 3 == 0 ? 4294967295u : i);
        ExpectRoundTrip(ids);
    }
}

// Random identifiers that start somewhere in the tree, continue with arbitrary numbers, and
// so cross every kind of boundary between names and numbers.
TEST(OidText, RoundTripsRandomIdentifiers) {
    std::mt19937 random(20240521u);
    const mibnames::Table& names = mibnames::BuiltIn();
    std::uniform_int_distribution<int> anyNode(0, names.Count() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<UINT> small(0, 40);
    std::uniform_int_distribution<UINT> any(0, 4294967295u);
    for (int round = 0; round < 2000; ++round) {
        Ids ids = round % 5 == 0 ? Ids{} : PathOf(names, anyNode(random));
        const int extra = length(random) + (ids.empty() ? 1 : 0);
        for (int i = 0; i < extra; ++i)
            ids.push_back(i % 4 == 3 ? any(random) : small(random));
        ExpectRoundTrip(ids);
    }
}

TEST(OidText, TextComesFromTheUtilityAllocator) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    UINT ids[] = {1, 3, 6, 1, 2, 1, 1, 5, 0};
    AsnObjectIdentifier oid{9, ids};
    char* text = nullptr;
    ASSERT_TRUE(SnmpMgrOidToStr(&oid, &text));
    EXPECT_EQ(SnmpUtilLiveBlocks(), before + 1);
    SnmpUtilMemFree(text);

    AsnObjectIdentifier read{};
    ASSERT_TRUE(SnmpMgrStrToOid("system.sysName.0", &read));
    EXPECT_EQ(SnmpUtilLiveBlocks(), before + 1);
    SnmpUtilOidFree(&read);
    EXPECT_FALSE(SnmpMgrStrToOid("1..2", &read));
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

TEST(OidText, RefusesToWriteAnEmptyIdentifier) {
    AsnObjectIdentifier empty{};
    char* text = reinterpret_cast<char*>(1);
    EXPECT_FALSE(SnmpMgrOidToStr(&empty, &text));
    EXPECT_EQ(text, nullptr);
}

} // namespace
