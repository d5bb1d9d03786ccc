// The built-in names: the top of the registration tree, MIB-II (RFC 1213), and the objects
// that every agent serves, with what their modules say of them, so that a machine without
// the modules (Debian installs none of the standard ones) shows their names and formats their
// values as if the modules were there: SNMPv2-MIB (RFC 3418) with the trap objects and the
// standard notifications, IF-MIB (RFC 2863) with the interfaces table's extension, IP-MIB's
// address tables (RFC 4293) and HOST-RESOURCES-MIB's system, storage, device and processor
// tables (RFC 2790). Each object's syntax is written as net-snmp's parser resolves it through
// its textual convention (SNMPv2-TC, RFC 2579, and the modules' own): base type,
// enumerations, ranges and sizes, display hint and units. No description is built in: those
// come from the modules on the machine alone.
#include "snmpapi/MibBuiltIn.h"

namespace mibnames {
namespace {

constexpr const char* kSmi = "SNMPv2-SMI";
constexpr const char* kSnmpV2Mib = "SNMPv2-MIB";
constexpr const char* kIfMib = "IF-MIB";
constexpr const char* kIpMib = "IP-MIB";
constexpr const char* kTcpMib = "TCP-MIB";
constexpr const char* kUdpMib = "UDP-MIB";
constexpr const char* kRfc1213Mib = "RFC1213-MIB";
constexpr const char* kHostResourcesMib = "HOST-RESOURCES-MIB";
constexpr const char* kHostResourcesTypesMib = "HOST-RESOURCES-TYPES-MIB";

// A built-in definition, made by naming what differs from an object of the SNMPv2 SMI that
// is read-only and current.
struct Def {
    Definition d;
    constexpr Def(Kind kind, Syntax syntax, Access access, Status status) {
        d.kind = kind;
        d.syntax = syntax;
        d.access = access;
        d.status = status;
        d.builtIn = true;
    }
    constexpr Def Tc(std::string_view name) const {
        return With([&](Definition& x) { x.textualConvention = name; });
    }
    constexpr Def Hint(std::string_view hint) const {
        return With([&](Definition& x) { x.hint = hint; });
    }
    constexpr Def Units(std::string_view units) const {
        return With([&](Definition& x) { x.units = units; });
    }
    constexpr Def Augments(std::string_view entry) const {
        return With([&](Definition& x) { x.augments = entry; });
    }
    constexpr Def Enums(std::span<const NamedNumber> enums) const {
        return With([&](Definition& x) { x.enums = enums; });
    }
    constexpr Def Ranges(std::span<const Range> ranges) const {
        return With([&](Definition& x) { x.ranges = ranges; });
    }
    constexpr Def Index(std::span<const IndexPart> index) const {
        return With([&](Definition& x) { x.index = index; });
    }
    constexpr Def Objects(std::span<const std::string_view> objects) const {
        return With([&](Definition& x) { x.objects = objects; });
    }
    constexpr Def Deprecated() const {
        return With([](Definition& x) { x.status = Status::Deprecated; });
    }
    constexpr Def Obsolete() const {
        return With([](Definition& x) { x.status = Status::Obsolete; });
    }
    constexpr operator Definition() const { return d; }

private:
    template <typename Change> constexpr Def With(Change change) const {
        Def copy = *this;
        change(copy.d);
        return copy;
    }
};

// A node that only names its place in the tree.
constexpr Definition kNode = Def(Kind::Value, Syntax::None, Access::None, Status::None);

constexpr Def Object(Syntax syntax, Access access = Access::ReadOnly) {
    return Def(Kind::Value, syntax, access, Status::Current);
}
constexpr Def Table() {
    return Object(Syntax::None, Access::NotAccessible);
}
constexpr Def Entry(std::span<const IndexPart> index) {
    return Table().Index(index);
}
constexpr Def Notification() {
    return Def(Kind::Notification, Syntax::None, Access::None, Status::None);
}
constexpr Def ModuleIdentity() {
    return Def(Kind::ModuleIdentity, Syntax::None, Access::None, Status::None);
}
constexpr Def ObjectIdentity() {
    return Def(Kind::ObjectIdentity, Syntax::None, Access::None, Status::None);
}

constexpr Range kSize0To255[] = {{0, 255}};
constexpr Range kSize0To128[] = {{0, 128}};
constexpr Range kSize0To64[] = {{0, 64}};
constexpr Range kSize8Or11[] = {{8, 8}, {11, 11}};
constexpr Range kRange0To1[] = {{0, 1}};
constexpr Range kRange0To100[] = {{0, 100}};
constexpr Range kRange0To127[] = {{0, 127}};
constexpr Range kRange0To65535[] = {{0, 65535}};
constexpr Range kRange0ToMax[] = {{0, 2147483647}};
constexpr Range kRange1ToMax[] = {{1, 2147483647}};

constexpr NamedNumber kTruthValue[] = {{1, "true"}, {2, "false"}};
constexpr NamedNumber kEnabledDisabled[] = {{1, "enabled"}, {2, "disabled"}};
constexpr NamedNumber kRowStatus[] = {{1, "active"},      {2, "notInService"},  {3, "notReady"},
                                      {4, "createAndGo"}, {5, "createAndWait"}, {6, "destroy"}};
constexpr NamedNumber kStorageType[] = {
    {1, "other"}, {2, "volatile"}, {3, "nonVolatile"}, {4, "permanent"}, {5, "readOnly"}};
constexpr NamedNumber kInetAddressType[] = {{0, "unknown"}, {1, "ipv4"},  {2, "ipv6"},
                                            {3, "ipv4z"},   {4, "ipv6z"}, {16, "dns"}};
constexpr NamedNumber kAdminStatus[] = {{1, "up"}, {2, "down"}, {3, "testing"}};
constexpr NamedNumber kOperStatus[] = {
    {1, "up"},      {2, "down"},       {3, "testing"},       {4, "unknown"},
    {5, "dormant"}, {6, "notPresent"}, {7, "lowerLayerDown"}};
constexpr NamedNumber kRcvAddressType[] = {{1, "other"}, {2, "volatile"}, {3, "nonVolatile"}};
constexpr NamedNumber kIpAddressType[] = {{1, "unicast"}, {2, "anycast"}, {3, "broadcast"}};
constexpr NamedNumber kIpAddressOrigin[] = {
    {1, "other"}, {2, "manual"}, {4, "dhcp"}, {5, "linklayer"}, {6, "random"}};
constexpr NamedNumber kIpAddressStatus[] = {
    {1, "preferred"}, {2, "deprecated"}, {3, "invalid"},   {4, "inaccessible"},
    {5, "unknown"},   {6, "tentative"},  {7, "duplicate"}, {8, "optimistic"}};
constexpr NamedNumber kHrDeviceStatus[] = {
    {1, "unknown"}, {2, "running"}, {3, "warning"}, {4, "testing"}, {5, "down"}};
// IANAifType-MIB's interface types, as far as the 250th.
constexpr NamedNumber kIanaIfType[] = {
    {1, "other"},
    {2, "regular1822"},
    {3, "hdh1822"},
    {4, "ddnX25"},
    {5, "rfc877x25"},
    {6, "ethernetCsmacd"},
    {7, "iso88023Csmacd"},
    {8, "iso88024TokenBus"},
    {9, "iso88025TokenRing"},
    {10, "iso88026Man"},
    {11, "starLan"},
    {12, "proteon10Mbit"},
    {13, "proteon80Mbit"},
    {14, "hyperchannel"},
    {15, "fddi"},
    {16, "lapb"},
    {17, "sdlc"},
    {18, "ds1"},
    {19, "e1"},
    {20, "basicISDN"},
    {21, "primaryISDN"},
    {22, "propPointToPointSerial"},
    {23, "ppp"},
    {24, "softwareLoopback"},
    {25, "eon"},
    {26, "ethernet3Mbit"},
    {27, "nsip"},
    {28, "slip"},
    {29, "ultra"},
    {30, "ds3"},
    {31, "sip"},
    {32, "frameRelay"},
    {33, "rs232"},
    {34, "para"},
    {35, "arcnet"},
    {36, "arcnetPlus"},
    {37, "atm"},
    {38, "miox25"},
    {39, "sonet"},
    {40, "x25ple"},
    {41, "iso88022llc"},
    {42, "localTalk"},
    {43, "smdsDxi"},
    {44, "frameRelayService"},
    {45, "v35"},
    {46, "hssi"},
    {47, "hippi"},
    {48, "modem"},
    {49, "aal5"},
    {50, "sonetPath"},
    {51, "sonetVT"},
    {52, "smdsIcip"},
    {53, "propVirtual"},
    {54, "propMultiplexor"},
    {55, "ieee80212"},
    {56, "fibreChannel"},
    {57, "hippiInterface"},
    {58, "frameRelayInterconnect"},
    {59, "aflane8023"},
    {60, "aflane8025"},
    {61, "cctEmul"},
    {62, "fastEther"},
    {63, "isdn"},
    {64, "v11"},
    {65, "v36"},
    {66, "g703at64k"},
    {67, "g703at2mb"},
    {68, "qllc"},
    {69, "fastEtherFX"},
    {70, "channel"},
    {71, "ieee80211"},
    {72, "ibm370parChan"},
    {73, "escon"},
    {74, "dlsw"},
    {75, "isdns"},
    {76, "isdnu"},
    {77, "lapd"},
    {78, "ipSwitch"},
    {79, "rsrb"},
    {80, "atmLogical"},
    {81, "ds0"},
    {82, "ds0Bundle"},
    {83, "bsc"},
    {84, "async"},
    {85, "cnr"},
    {86, "iso88025Dtr"},
    {87, "eplrs"},
    {88, "arap"},
    {89, "propCnls"},
    {90, "hostPad"},
    {91, "termPad"},
    {92, "frameRelayMPI"},
    {93, "x213"},
    {94, "adsl"},
    {95, "radsl"},
    {96, "sdsl"},
    {97, "vdsl"},
    {98, "iso88025CRFPInt"},
    {99, "myrinet"},
    {100, "voiceEM"},
    {101, "voiceFXO"},
    {102, "voiceFXS"},
    {103, "voiceEncap"},
    {104, "voiceOverIp"},
    {105, "atmDxi"},
    {106, "atmFuni"},
    {107, "atmIma"},
    {108, "pppMultilinkBundle"},
    {109, "ipOverCdlc"},
    {110, "ipOverClaw"},
    {111, "stackToStack"},
    {112, "virtualIpAddress"},
    {113, "mpc"},
    {114, "ipOverAtm"},
    {115, "iso88025Fiber"},
    {116, "tdlc"},
    {117, "gigabitEthernet"},
    {118, "hdlc"},
    {119, "lapf"},
    {120, "v37"},
    {121, "x25mlp"},
    {122, "x25huntGroup"},
    {123, "transpHdlc"},
    {124, "interleave"},
    {125, "fast"},
    {126, "ip"},
    {127, "docsCableMaclayer"},
    {128, "docsCableDownstream"},
    {129, "docsCableUpstream"},
    {130, "a12MppSwitch"},
    {131, "tunnel"},
    {132, "coffee"},
    {133, "ces"},
    {134, "atmSubInterface"},
    {135, "l2vlan"},
    {136, "l3ipvlan"},
    {137, "l3ipxvlan"},
    {138, "digitalPowerline"},
    {139, "mediaMailOverIp"},
    {140, "dtm"},
    {141, "dcn"},
    {142, "ipForward"},
    {143, "msdsl"},
    {144, "ieee1394"},
    {145, "if-gsn"},
    {146, "dvbRccMacLayer"},
    {147, "dvbRccDownstream"},
    {148, "dvbRccUpstream"},
    {149, "atmVirtual"},
    {150, "mplsTunnel"},
    {151, "srp"},
    {152, "voiceOverAtm"},
    {153, "voiceOverFrameRelay"},
    {154, "idsl"},
    {155, "compositeLink"},
    {156, "ss7SigLink"},
    {157, "propWirelessP2P"},
    {158, "frForward"},
    {159, "rfc1483"},
    {160, "usb"},
    {161, "ieee8023adLag"},
    {162, "bgppolicyaccounting"},
    {163, "frf16MfrBundle"},
    {164, "h323Gatekeeper"},
    {165, "h323Proxy"},
    {166, "mpls"},
    {167, "mfSigLink"},
    {168, "hdsl2"},
    {169, "shdsl"},
    {170, "ds1FDL"},
    {171, "pos"},
    {172, "dvbAsiIn"},
    {173, "dvbAsiOut"},
    {174, "plc"},
    {175, "nfas"},
    {176, "tr008"},
    {177, "gr303RDT"},
    {178, "gr303IDT"},
    {179, "isup"},
    {180, "propDocsWirelessMaclayer"},
    {181, "propDocsWirelessDownstream"},
    {182, "propDocsWirelessUpstream"},
    {183, "hiperlan2"},
    {184, "propBWAp2Mp"},
    {185, "sonetOverheadChannel"},
    {186, "digitalWrapperOverheadChannel"},
    {187, "aal2"},
    {188, "radioMAC"},
    {189, "atmRadio"},
    {190, "imt"},
    {191, "mvl"},
    {192, "reachDSL"},
    {193, "frDlciEndPt"},
    {194, "atmVciEndPt"},
    {195, "opticalChannel"},
    {196, "opticalTransport"},
    {197, "propAtm"},
    {198, "voiceOverCable"},
    {199, "infiniband"},
    {200, "teLink"},
    {201, "q2931"},
    {202, "virtualTg"},
    {203, "sipTg"},
    {204, "sipSig"},
    {205, "docsCableUpstreamChannel"},
    {206, "econet"},
    {207, "pon155"},
    {208, "pon622"},
    {209, "bridge"},
    {210, "linegroup"},
    {211, "voiceEMFGD"},
    {212, "voiceFGDEANA"},
    {213, "voiceDID"},
    {214, "mpegTransport"},
    {215, "sixToFour"},
    {216, "gtp"},
    {217, "pdnEtherLoop1"},
    {218, "pdnEtherLoop2"},
    {219, "opticalChannelGroup"},
    {220, "homepna"},
    {221, "gfp"},
    {222, "ciscoISLvlan"},
    {223, "actelisMetaLOOP"},
    {224, "fcipLink"},
    {225, "rpr"},
    {226, "qam"},
    {227, "lmp"},
    {228, "cblVectaStar"},
    {229, "docsCableMCmtsDownstream"},
    {230, "adsl2"},
    {231, "macSecControlledIF"},
    {232, "macSecUncontrolledIF"},
    {233, "aviciOpticalEther"},
    {234, "atmbond"},
    {235, "voiceFGDOS"},
    {236, "mocaVersion1"},
    {237, "ieee80216WMAN"},
    {238, "adsl2plus"},
    {239, "dvbRcsMacLayer"},
    {240, "dvbTdm"},
    {241, "dvbRcsTdma"},
    {242, "x86Laps"},
    {243, "wwanPP"},
    {244, "wwanPP2"},
    {245, "voiceEBS"},
    {246, "ifPwType"},
    {247, "ilan"},
    {248, "pip"},
    {249, "aluELP"},
    {250, "gpon"},
};

constexpr IndexPart kSysORIndex[] = {{"sysORIndex", false}};
constexpr IndexPart kIfIndex[] = {{"ifIndex", false}};
constexpr IndexPart kIfStackIndex[] = {{"ifStackHigherLayer", false}, {"ifStackLowerLayer", false}};
constexpr IndexPart kIfRcvAddressIndex[] = {{"ifIndex", false}, {"ifRcvAddressAddress", false}};
constexpr IndexPart kIpAddrIndex[] = {{"ipAdEntAddr", false}};
constexpr IndexPart kIpAddressIndex[] = {{"ipAddressAddrType", false}, {"ipAddressAddr", false}};
constexpr IndexPart kHrStorageIndex[] = {{"hrStorageIndex", false}};
constexpr IndexPart kHrDeviceIndex[] = {{"hrDeviceIndex", false}};

constexpr std::string_view kLinkObjects[] = {"ifIndex", "ifAdminStatus", "ifOperStatus"};

// The textual conventions, as the parser gives their objects: the convention's name, its
// base type, hint, enumerations and ranges.
constexpr Def DisplayString(Access access = Access::ReadOnly) {
    return Object(Syntax::OctetString, access).Tc("DisplayString").Hint("255a").Ranges(kSize0To255);
}
constexpr Def InternationalDisplayString(Access access) {
    return Object(Syntax::OctetString, access).Tc("InternationalDisplayString");
}
constexpr Def PhysAddress(Access access = Access::ReadOnly) {
    return Object(Syntax::OctetString, access).Tc("PhysAddress").Hint("1x:");
}
constexpr Def DateAndTime(Access access) {
    return Object(Syntax::OctetString, access)
        .Tc("DateAndTime")
        .Hint("2d-1d-1d,1d:1d:1d.1d,1a1d:1d")
        .Ranges(kSize8Or11);
}
constexpr Def InterfaceIndex(Access access = Access::ReadOnly) {
    return Object(Syntax::Integer32, access).Tc("InterfaceIndex").Hint("d").Ranges(kRange1ToMax);
}
constexpr Def InterfaceIndexOrZero(Access access) {
    return Object(Syntax::Integer32, access)
        .Tc("InterfaceIndexOrZero")
        .Hint("d")
        .Ranges(kRange0ToMax);
}
constexpr Def TimeStamp() {
    return Object(Syntax::TimeTicks).Tc("TimeStamp");
}
constexpr Def TruthValue(Access access = Access::ReadOnly) {
    return Object(Syntax::Integer, access).Tc("TruthValue").Enums(kTruthValue);
}
constexpr Def RowStatus() {
    return Object(Syntax::Integer, Access::ReadCreate).Tc("RowStatus").Enums(kRowStatus);
}
constexpr Def StorageType() {
    return Object(Syntax::Integer, Access::ReadCreate).Tc("StorageType").Enums(kStorageType);
}
constexpr Def TestAndIncr() {
    return Object(Syntax::Integer, Access::ReadWrite).Tc("TestAndIncr").Ranges(kRange0ToMax);
}
constexpr Def InetAddressType(Access access) {
    return Object(Syntax::Integer, access).Tc("InetAddressType").Enums(kInetAddressType);
}
constexpr Def InetAddress(Access access) {
    return Object(Syntax::OctetString, access).Tc("InetAddress").Ranges(kSize0To255);
}

// clang-format off
constexpr BuiltInRow kRows[] = {
    // The registration tree down to the subtrees of the Internet (RFC 1155, RFC 2578).
    {"ccitt", nullptr, 0, nullptr, kNode},
    {"iso", nullptr, 1, nullptr, kNode},
    {"joint-iso-ccitt", nullptr, 2, nullptr, kNode},
    {"org", "iso", 3, kSmi, kNode},
    {"dod", "org", 6, kSmi, kNode},
    {"internet", "dod", 1, kSmi, kNode},
    {"directory", "internet", 1, kSmi, kNode},
    {"mgmt", "internet", 2, kSmi, kNode},
    {"mib-2", "mgmt", 1, kSmi, kNode},
    {"experimental", "internet", 3, kSmi, kNode},
    {"private", "internet", 4, kSmi, kNode},
    {"enterprises", "private", 1, kSmi, kNode},
    {"security", "internet", 5, kSmi, kNode},
    {"snmpV2", "internet", 6, kSmi, kNode},
    {"snmpDomains", "snmpV2", 1, kSmi, kNode},
    {"snmpProxys", "snmpV2", 2, kSmi, kNode},
    {"snmpModules", "snmpV2", 3, kSmi, kNode},
    // SNMPv2-SMI's identifier of nothing, the value of pointers that point nowhere.
    {"zeroDotZero", "ccitt", 0, kSmi, ObjectIdentity()},

    // MIB-II (RFC 1213): the groups below mib-2.
    {"system", "mib-2", 1, kSnmpV2Mib, kNode},
    {"interfaces", "mib-2", 2, kIfMib, kNode},
    {"at", "mib-2", 3, kRfc1213Mib, kNode},
    {"ip", "mib-2", 4, kIpMib, kNode},
    {"icmp", "mib-2", 5, kIpMib, kNode},
    {"tcp", "mib-2", 6, kTcpMib, kNode},
    {"udp", "mib-2", 7, kUdpMib, kNode},
    {"egp", "mib-2", 8, kRfc1213Mib, kNode},
    {"transmission", "mib-2", 10, kSmi, kNode},
    {"snmp", "mib-2", 11, kSnmpV2Mib, kNode},

    // The system group, with the object resources table of RFC 3418.
    {"sysDescr", "system", 1, kSnmpV2Mib, DisplayString().Ranges(kSize0To255)},
    {"sysObjectID", "system", 2, kSnmpV2Mib, Object(Syntax::ObjectIdentifier)},
    {"sysUpTime", "system", 3, kSnmpV2Mib, Object(Syntax::TimeTicks)},
    {"sysContact", "system", 4, kSnmpV2Mib, DisplayString(Access::ReadWrite).Ranges(kSize0To255)},
    {"sysName", "system", 5, kSnmpV2Mib, DisplayString(Access::ReadWrite).Ranges(kSize0To255)},
    {"sysLocation", "system", 6, kSnmpV2Mib, DisplayString(Access::ReadWrite).Ranges(kSize0To255)},
    {"sysServices", "system", 7, kSnmpV2Mib, Object(Syntax::Integer).Ranges(kRange0To127)},
    {"sysORLastChange", "system", 8, kSnmpV2Mib, TimeStamp()},
    {"sysORTable", "system", 9, kSnmpV2Mib, Table()},
    {"sysOREntry", "sysORTable", 1, kSnmpV2Mib, Entry(kSysORIndex)},
    {"sysORIndex", "sysOREntry", 1, kSnmpV2Mib, Object(Syntax::Integer, Access::NotAccessible).Ranges(kRange1ToMax)},
    {"sysORID", "sysOREntry", 2, kSnmpV2Mib, Object(Syntax::ObjectIdentifier)},
    {"sysORDescr", "sysOREntry", 3, kSnmpV2Mib, DisplayString()},
    {"sysORUpTime", "sysOREntry", 4, kSnmpV2Mib, TimeStamp()},

    // The interfaces group; the table's columns are those of RFC 1213 and RFC 2863.
    {"ifNumber", "interfaces", 1, kIfMib, Object(Syntax::Integer32)},
    {"ifTable", "interfaces", 2, kIfMib, Table()},
    {"ifEntry", "ifTable", 1, kIfMib, Entry(kIfIndex)},
    {"ifIndex", "ifEntry", 1, kIfMib, InterfaceIndex()},
    {"ifDescr", "ifEntry", 2, kIfMib, DisplayString().Ranges(kSize0To255)},
    {"ifType", "ifEntry", 3, kIfMib, Object(Syntax::Integer).Tc("IANAifType").Enums(kIanaIfType)},
    {"ifMtu", "ifEntry", 4, kIfMib, Object(Syntax::Integer32)},
    {"ifSpeed", "ifEntry", 5, kIfMib, Object(Syntax::Gauge32)},
    {"ifPhysAddress", "ifEntry", 6, kIfMib, PhysAddress()},
    {"ifAdminStatus", "ifEntry", 7, kIfMib, Object(Syntax::Integer, Access::ReadWrite).Enums(kAdminStatus)},
    {"ifOperStatus", "ifEntry", 8, kIfMib, Object(Syntax::Integer).Enums(kOperStatus)},
    {"ifLastChange", "ifEntry", 9, kIfMib, Object(Syntax::TimeTicks)},
    {"ifInOctets", "ifEntry", 10, kIfMib, Object(Syntax::Counter32)},
    {"ifInUcastPkts", "ifEntry", 11, kIfMib, Object(Syntax::Counter32)},
    {"ifInNUcastPkts", "ifEntry", 12, kIfMib, Object(Syntax::Counter32).Deprecated()},
    {"ifInDiscards", "ifEntry", 13, kIfMib, Object(Syntax::Counter32)},
    {"ifInErrors", "ifEntry", 14, kIfMib, Object(Syntax::Counter32)},
    {"ifInUnknownProtos", "ifEntry", 15, kIfMib, Object(Syntax::Counter32)},
    {"ifOutOctets", "ifEntry", 16, kIfMib, Object(Syntax::Counter32)},
    {"ifOutUcastPkts", "ifEntry", 17, kIfMib, Object(Syntax::Counter32)},
    {"ifOutNUcastPkts", "ifEntry", 18, kIfMib, Object(Syntax::Counter32).Deprecated()},
    {"ifOutDiscards", "ifEntry", 19, kIfMib, Object(Syntax::Counter32)},
    {"ifOutErrors", "ifEntry", 20, kIfMib, Object(Syntax::Counter32)},
    {"ifOutQLen", "ifEntry", 21, kIfMib, Object(Syntax::Gauge32).Deprecated()},
    {"ifSpecific", "ifEntry", 22, kIfMib, Object(Syntax::ObjectIdentifier).Deprecated()},


    // The address translation group.
    {"atTable", "at", 1, kRfc1213Mib, kNode},
    {"atEntry", "atTable", 1, kRfc1213Mib, kNode},
    {"atIfIndex", "atEntry", 1, kRfc1213Mib, kNode},
    {"atPhysAddress", "atEntry", 2, kRfc1213Mib, kNode},
    {"atNetAddress", "atEntry", 3, kRfc1213Mib, kNode},

    // The ip group.
    {"ipForwarding", "ip", 1, kIpMib, kNode},
    {"ipDefaultTTL", "ip", 2, kIpMib, kNode},
    {"ipInReceives", "ip", 3, kIpMib, kNode},
    {"ipInHdrErrors", "ip", 4, kIpMib, kNode},
    {"ipInAddrErrors", "ip", 5, kIpMib, kNode},
    {"ipForwDatagrams", "ip", 6, kIpMib, kNode},
    {"ipInUnknownProtos", "ip", 7, kIpMib, kNode},
    {"ipInDiscards", "ip", 8, kIpMib, kNode},
    {"ipInDelivers", "ip", 9, kIpMib, kNode},
    {"ipOutRequests", "ip", 10, kIpMib, kNode},
    {"ipOutDiscards", "ip", 11, kIpMib, kNode},
    {"ipOutNoRoutes", "ip", 12, kIpMib, kNode},
    {"ipReasmTimeout", "ip", 13, kIpMib, kNode},
    {"ipReasmReqds", "ip", 14, kIpMib, kNode},
    {"ipReasmOKs", "ip", 15, kIpMib, kNode},
    {"ipReasmFails", "ip", 16, kIpMib, kNode},
    {"ipFragOKs", "ip", 17, kIpMib, kNode},
    {"ipFragFails", "ip", 18, kIpMib, kNode},
    {"ipFragCreates", "ip", 19, kIpMib, kNode},
    {"ipAddrTable", "ip", 20, kIpMib, Table().Deprecated()},
    {"ipAddrEntry", "ipAddrTable", 1, kIpMib, Entry(kIpAddrIndex).Deprecated()},
    {"ipAdEntAddr", "ipAddrEntry", 1, kIpMib, Object(Syntax::IpAddress).Deprecated()},
    {"ipAdEntIfIndex", "ipAddrEntry", 2, kIpMib, Object(Syntax::Integer).Ranges(kRange1ToMax).Deprecated()},
    {"ipAdEntNetMask", "ipAddrEntry", 3, kIpMib, Object(Syntax::IpAddress).Deprecated()},
    {"ipAdEntBcastAddr", "ipAddrEntry", 4, kIpMib, Object(Syntax::Integer).Ranges(kRange0To1).Deprecated()},
    {"ipAdEntReasmMaxSize", "ipAddrEntry", 5, kIpMib, Object(Syntax::Integer).Ranges(kRange0To65535).Deprecated()},
    {"ipRouteTable", "ip", 21, kRfc1213Mib, kNode},
    {"ipRouteEntry", "ipRouteTable", 1, kRfc1213Mib, kNode},
    {"ipRouteDest", "ipRouteEntry", 1, kRfc1213Mib, kNode},
    {"ipRouteIfIndex", "ipRouteEntry", 2, kRfc1213Mib, kNode},
    {"ipRouteMetric1", "ipRouteEntry", 3, kRfc1213Mib, kNode},
    {"ipRouteMetric2", "ipRouteEntry", 4, kRfc1213Mib, kNode},
    {"ipRouteMetric3", "ipRouteEntry", 5, kRfc1213Mib, kNode},
    {"ipRouteMetric4", "ipRouteEntry", 6, kRfc1213Mib, kNode},
    {"ipRouteNextHop", "ipRouteEntry", 7, kRfc1213Mib, kNode},
    {"ipRouteType", "ipRouteEntry", 8, kRfc1213Mib, kNode},
    {"ipRouteProto", "ipRouteEntry", 9, kRfc1213Mib, kNode},
    {"ipRouteAge", "ipRouteEntry", 10, kRfc1213Mib, kNode},
    {"ipRouteMask", "ipRouteEntry", 11, kRfc1213Mib, kNode},
    {"ipRouteMetric5", "ipRouteEntry", 12, kRfc1213Mib, kNode},
    {"ipRouteInfo", "ipRouteEntry", 13, kRfc1213Mib, kNode},
    {"ipNetToMediaTable", "ip", 22, kIpMib, kNode},
    {"ipNetToMediaEntry", "ipNetToMediaTable", 1, kIpMib, kNode},
    {"ipNetToMediaIfIndex", "ipNetToMediaEntry", 1, kIpMib, kNode},
    {"ipNetToMediaPhysAddress", "ipNetToMediaEntry", 2, kIpMib, kNode},
    {"ipNetToMediaNetAddress", "ipNetToMediaEntry", 3, kIpMib, kNode},
    {"ipNetToMediaType", "ipNetToMediaEntry", 4, kIpMib, kNode},
    {"ipRoutingDiscards", "ip", 23, kIpMib, kNode},

    // IP-MIB (RFC 4293): the address table of both IP versions.
    {"ipAddressSpinLock", "ip", 33, kIpMib, TestAndIncr()},
    {"ipAddressTable", "ip", 34, kIpMib, Table()},
    {"ipAddressEntry", "ipAddressTable", 1, kIpMib, Entry(kIpAddressIndex)},
    {"ipAddressAddrType", "ipAddressEntry", 1, kIpMib, InetAddressType(Access::NotAccessible)},
    {"ipAddressAddr", "ipAddressEntry", 2, kIpMib, InetAddress(Access::NotAccessible)},
    {"ipAddressIfIndex", "ipAddressEntry", 3, kIpMib, InterfaceIndex(Access::ReadCreate)},
    {"ipAddressType", "ipAddressEntry", 4, kIpMib, Object(Syntax::Integer, Access::ReadCreate).Enums(kIpAddressType)},
    {"ipAddressPrefix", "ipAddressEntry", 5, kIpMib, Object(Syntax::ObjectIdentifier).Tc("RowPointer")},
    {"ipAddressOrigin", "ipAddressEntry", 6, kIpMib, Object(Syntax::Integer).Tc("IpAddressOriginTC").Enums(kIpAddressOrigin)},
    {"ipAddressStatus", "ipAddressEntry", 7, kIpMib, Object(Syntax::Integer, Access::ReadCreate).Tc("IpAddressStatusTC").Enums(kIpAddressStatus)},
    {"ipAddressCreated", "ipAddressEntry", 8, kIpMib, TimeStamp()},
    {"ipAddressLastChanged", "ipAddressEntry", 9, kIpMib, TimeStamp()},
    {"ipAddressRowStatus", "ipAddressEntry", 10, kIpMib, RowStatus()},
    {"ipAddressStorageType", "ipAddressEntry", 11, kIpMib, StorageType()},

    // The icmp group.
    {"icmpInMsgs", "icmp", 1, kIpMib, kNode},
    {"icmpInErrors", "icmp", 2, kIpMib, kNode},
    {"icmpInDestUnreachs", "icmp", 3, kIpMib, kNode},
    {"icmpInTimeExcds", "icmp", 4, kIpMib, kNode},
    {"icmpInParmProbs", "icmp", 5, kIpMib, kNode},
    {"icmpInSrcQuenchs", "icmp", 6, kIpMib, kNode},
    {"icmpInRedirects", "icmp", 7, kIpMib, kNode},
    {"icmpInEchos", "icmp", 8, kIpMib, kNode},
    {"icmpInEchoReps", "icmp", 9, kIpMib, kNode},
    {"icmpInTimestamps", "icmp", 10, kIpMib, kNode},
    {"icmpInTimestampReps", "icmp", 11, kIpMib, kNode},
    {"icmpInAddrMasks", "icmp", 12, kIpMib, kNode},
    {"icmpInAddrMaskReps", "icmp", 13, kIpMib, kNode},
    {"icmpOutMsgs", "icmp", 14, kIpMib, kNode},
    {"icmpOutErrors", "icmp", 15, kIpMib, kNode},
    {"icmpOutDestUnreachs", "icmp", 16, kIpMib, kNode},
    {"icmpOutTimeExcds", "icmp", 17, kIpMib, kNode},
    {"icmpOutParmProbs", "icmp", 18, kIpMib, kNode},
    {"icmpOutSrcQuenchs", "icmp", 19, kIpMib, kNode},
    {"icmpOutRedirects", "icmp", 20, kIpMib, kNode},
    {"icmpOutEchos", "icmp", 21, kIpMib, kNode},
    {"icmpOutEchoReps", "icmp", 22, kIpMib, kNode},
    {"icmpOutTimestamps", "icmp", 23, kIpMib, kNode},
    {"icmpOutTimestampReps", "icmp", 24, kIpMib, kNode},
    {"icmpOutAddrMasks", "icmp", 25, kIpMib, kNode},
    {"icmpOutAddrMaskReps", "icmp", 26, kIpMib, kNode},

    // The tcp group.
    {"tcpRtoAlgorithm", "tcp", 1, kTcpMib, kNode},
    {"tcpRtoMin", "tcp", 2, kTcpMib, kNode},
    {"tcpRtoMax", "tcp", 3, kTcpMib, kNode},
    {"tcpMaxConn", "tcp", 4, kTcpMib, kNode},
    {"tcpActiveOpens", "tcp", 5, kTcpMib, kNode},
    {"tcpPassiveOpens", "tcp", 6, kTcpMib, kNode},
    {"tcpAttemptFails", "tcp", 7, kTcpMib, kNode},
    {"tcpEstabResets", "tcp", 8, kTcpMib, kNode},
    {"tcpCurrEstab", "tcp", 9, kTcpMib, kNode},
    {"tcpInSegs", "tcp", 10, kTcpMib, kNode},
    {"tcpOutSegs", "tcp", 11, kTcpMib, kNode},
    {"tcpRetransSegs", "tcp", 12, kTcpMib, kNode},
    {"tcpConnTable", "tcp", 13, kTcpMib, kNode},
    {"tcpConnEntry", "tcpConnTable", 1, kTcpMib, kNode},
    {"tcpConnState", "tcpConnEntry", 1, kTcpMib, kNode},
    {"tcpConnLocalAddress", "tcpConnEntry", 2, kTcpMib, kNode},
    {"tcpConnLocalPort", "tcpConnEntry", 3, kTcpMib, kNode},
    {"tcpConnRemAddress", "tcpConnEntry", 4, kTcpMib, kNode},
    {"tcpConnRemPort", "tcpConnEntry", 5, kTcpMib, kNode},
    {"tcpInErrs", "tcp", 14, kTcpMib, kNode},
    {"tcpOutRsts", "tcp", 15, kTcpMib, kNode},

    // The udp group.
    {"udpInDatagrams", "udp", 1, kUdpMib, kNode},
    {"udpNoPorts", "udp", 2, kUdpMib, kNode},
    {"udpInErrors", "udp", 3, kUdpMib, kNode},
    {"udpOutDatagrams", "udp", 4, kUdpMib, kNode},
    {"udpTable", "udp", 5, kUdpMib, kNode},
    {"udpEntry", "udpTable", 1, kUdpMib, kNode},
    {"udpLocalAddress", "udpEntry", 1, kUdpMib, kNode},
    {"udpLocalPort", "udpEntry", 2, kUdpMib, kNode},

    // The egp group.
    {"egpInMsgs", "egp", 1, kRfc1213Mib, kNode},
    {"egpInErrors", "egp", 2, kRfc1213Mib, kNode},
    {"egpOutMsgs", "egp", 3, kRfc1213Mib, kNode},
    {"egpOutErrors", "egp", 4, kRfc1213Mib, kNode},
    {"egpNeighTable", "egp", 5, kRfc1213Mib, kNode},
    {"egpNeighEntry", "egpNeighTable", 1, kRfc1213Mib, kNode},
    {"egpNeighState", "egpNeighEntry", 1, kRfc1213Mib, kNode},
    {"egpNeighAddr", "egpNeighEntry", 2, kRfc1213Mib, kNode},
    {"egpNeighAs", "egpNeighEntry", 3, kRfc1213Mib, kNode},
    {"egpNeighInMsgs", "egpNeighEntry", 4, kRfc1213Mib, kNode},
    {"egpNeighInErrs", "egpNeighEntry", 5, kRfc1213Mib, kNode},
    {"egpNeighOutMsgs", "egpNeighEntry", 6, kRfc1213Mib, kNode},
    {"egpNeighOutErrs", "egpNeighEntry", 7, kRfc1213Mib, kNode},
    {"egpNeighInErrMsgs", "egpNeighEntry", 8, kRfc1213Mib, kNode},
    {"egpNeighOutErrMsgs", "egpNeighEntry", 9, kRfc1213Mib, kNode},
    {"egpNeighStateUps", "egpNeighEntry", 10, kRfc1213Mib, kNode},
    {"egpNeighStateDowns", "egpNeighEntry", 11, kRfc1213Mib, kNode},
    {"egpNeighIntervalHello", "egpNeighEntry", 12, kRfc1213Mib, kNode},
    {"egpNeighIntervalPoll", "egpNeighEntry", 13, kRfc1213Mib, kNode},
    {"egpNeighMode", "egpNeighEntry", 14, kRfc1213Mib, kNode},
    {"egpNeighEventTrigger", "egpNeighEntry", 15, kRfc1213Mib, kNode},
    {"egpAs", "egp", 6, kRfc1213Mib, kNode},

    // The snmp group; 7 and 23 are not used. The last two are from RFC 3418.
    {"snmpInPkts", "snmp", 1, kSnmpV2Mib, Object(Syntax::Counter32)},
    {"snmpOutPkts", "snmp", 2, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInBadVersions", "snmp", 3, kSnmpV2Mib, Object(Syntax::Counter32)},
    {"snmpInBadCommunityNames", "snmp", 4, kSnmpV2Mib, Object(Syntax::Counter32)},
    {"snmpInBadCommunityUses", "snmp", 5, kSnmpV2Mib, Object(Syntax::Counter32)},
    {"snmpInASNParseErrs", "snmp", 6, kSnmpV2Mib, Object(Syntax::Counter32)},
    {"snmpInTooBigs", "snmp", 8, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInNoSuchNames", "snmp", 9, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInBadValues", "snmp", 10, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInReadOnlys", "snmp", 11, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInGenErrs", "snmp", 12, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInTotalReqVars", "snmp", 13, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInTotalSetVars", "snmp", 14, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInGetRequests", "snmp", 15, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInGetNexts", "snmp", 16, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInSetRequests", "snmp", 17, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInGetResponses", "snmp", 18, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpInTraps", "snmp", 19, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutTooBigs", "snmp", 20, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutNoSuchNames", "snmp", 21, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutBadValues", "snmp", 22, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutGenErrs", "snmp", 24, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutGetRequests", "snmp", 25, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutGetNexts", "snmp", 26, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutSetRequests", "snmp", 27, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutGetResponses", "snmp", 28, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpOutTraps", "snmp", 29, kSnmpV2Mib, Object(Syntax::Counter32).Obsolete()},
    {"snmpEnableAuthenTraps", "snmp", 30, kSnmpV2Mib, Object(Syntax::Integer, Access::ReadWrite).Enums(kEnabledDisabled)},
    {"snmpSilentDrops", "snmp", 31, kSnmpV2Mib, Object(Syntax::Counter32)},
    {"snmpProxyDrops", "snmp", 32, kSnmpV2Mib, Object(Syntax::Counter32)},

    // HOST-RESOURCES-MIB (RFC 2790): the system, storage, device and processor tables, and
    // the storage and device types of HOST-RESOURCES-TYPES-MIB that their rows point to.
    {"host", "mib-2", 25, kHostResourcesMib, kNode},
    {"hrSystem", "host", 1, kHostResourcesMib, kNode},
    {"hrSystemUptime", "hrSystem", 1, kHostResourcesMib, Object(Syntax::TimeTicks)},
    {"hrSystemDate", "hrSystem", 2, kHostResourcesMib, DateAndTime(Access::ReadWrite)},
    {"hrSystemInitialLoadDevice", "hrSystem", 3, kHostResourcesMib, Object(Syntax::Integer32, Access::ReadWrite).Ranges(kRange1ToMax)},
    {"hrSystemInitialLoadParameters", "hrSystem", 4, kHostResourcesMib, InternationalDisplayString(Access::ReadWrite).Ranges(kSize0To128)},
    {"hrSystemNumUsers", "hrSystem", 5, kHostResourcesMib, Object(Syntax::Gauge32)},
    {"hrSystemProcesses", "hrSystem", 6, kHostResourcesMib, Object(Syntax::Gauge32)},
    {"hrSystemMaxProcesses", "hrSystem", 7, kHostResourcesMib, Object(Syntax::Integer32).Ranges(kRange0ToMax)},
    {"hrStorage", "host", 2, kHostResourcesMib, kNode},
    {"hrStorageTypes", "hrStorage", 1, kHostResourcesMib, kNode},
    {"hrStorageOther", "hrStorageTypes", 1, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageRam", "hrStorageTypes", 2, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageVirtualMemory", "hrStorageTypes", 3, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageFixedDisk", "hrStorageTypes", 4, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageRemovableDisk", "hrStorageTypes", 5, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageFloppyDisk", "hrStorageTypes", 6, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageCompactDisc", "hrStorageTypes", 7, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageRamDisk", "hrStorageTypes", 8, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageFlashMemory", "hrStorageTypes", 9, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrStorageNetworkDisk", "hrStorageTypes", 10, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrMemorySize", "hrStorage", 2, kHostResourcesMib, Object(Syntax::Integer32).Tc("KBytes").Ranges(kRange0ToMax).Units("KBytes")},
    {"hrStorageTable", "hrStorage", 3, kHostResourcesMib, Table()},
    {"hrStorageEntry", "hrStorageTable", 1, kHostResourcesMib, Entry(kHrStorageIndex)},
    {"hrStorageIndex", "hrStorageEntry", 1, kHostResourcesMib, Object(Syntax::Integer32).Ranges(kRange1ToMax)},
    {"hrStorageType", "hrStorageEntry", 2, kHostResourcesMib, Object(Syntax::ObjectIdentifier).Tc("AutonomousType")},
    {"hrStorageDescr", "hrStorageEntry", 3, kHostResourcesMib, DisplayString().Ranges(kSize0To255)},
    {"hrStorageAllocationUnits", "hrStorageEntry", 4, kHostResourcesMib, Object(Syntax::Integer32).Ranges(kRange1ToMax).Units("Bytes")},
    {"hrStorageSize", "hrStorageEntry", 5, kHostResourcesMib, Object(Syntax::Integer32, Access::ReadWrite).Ranges(kRange0ToMax)},
    {"hrStorageUsed", "hrStorageEntry", 6, kHostResourcesMib, Object(Syntax::Integer32).Ranges(kRange0ToMax)},
    {"hrStorageAllocationFailures", "hrStorageEntry", 7, kHostResourcesMib, Object(Syntax::Counter32)},
    {"hrDevice", "host", 3, kHostResourcesMib, kNode},
    {"hrDeviceTypes", "hrDevice", 1, kHostResourcesMib, kNode},
    {"hrDeviceOther", "hrDeviceTypes", 1, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceUnknown", "hrDeviceTypes", 2, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceProcessor", "hrDeviceTypes", 3, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceNetwork", "hrDeviceTypes", 4, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDevicePrinter", "hrDeviceTypes", 5, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceDiskStorage", "hrDeviceTypes", 6, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceVideo", "hrDeviceTypes", 10, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceAudio", "hrDeviceTypes", 11, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceCoprocessor", "hrDeviceTypes", 12, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceKeyboard", "hrDeviceTypes", 13, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceModem", "hrDeviceTypes", 14, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceParallelPort", "hrDeviceTypes", 15, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDevicePointing", "hrDeviceTypes", 16, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceSerialPort", "hrDeviceTypes", 17, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceTape", "hrDeviceTypes", 18, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceClock", "hrDeviceTypes", 19, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceVolatileMemory", "hrDeviceTypes", 20, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceNonVolatileMemory", "hrDeviceTypes", 21, kHostResourcesTypesMib, ObjectIdentity()},
    {"hrDeviceTable", "hrDevice", 2, kHostResourcesMib, Table()},
    {"hrDeviceEntry", "hrDeviceTable", 1, kHostResourcesMib, Entry(kHrDeviceIndex)},
    {"hrDeviceIndex", "hrDeviceEntry", 1, kHostResourcesMib, Object(Syntax::Integer32).Ranges(kRange1ToMax)},
    {"hrDeviceType", "hrDeviceEntry", 2, kHostResourcesMib, Object(Syntax::ObjectIdentifier).Tc("AutonomousType")},
    {"hrDeviceDescr", "hrDeviceEntry", 3, kHostResourcesMib, DisplayString().Ranges(kSize0To64)},
    {"hrDeviceID", "hrDeviceEntry", 4, kHostResourcesMib, Object(Syntax::ObjectIdentifier).Tc("ProductID")},
    {"hrDeviceStatus", "hrDeviceEntry", 5, kHostResourcesMib, Object(Syntax::Integer).Enums(kHrDeviceStatus)},
    {"hrDeviceErrors", "hrDeviceEntry", 6, kHostResourcesMib, Object(Syntax::Counter32)},
    {"hrProcessorTable", "hrDevice", 3, kHostResourcesMib, Table()},
    {"hrProcessorEntry", "hrProcessorTable", 1, kHostResourcesMib, Entry(kHrDeviceIndex)},
    {"hrProcessorFrwID", "hrProcessorEntry", 1, kHostResourcesMib, Object(Syntax::ObjectIdentifier).Tc("ProductID")},
    {"hrProcessorLoad", "hrProcessorEntry", 2, kHostResourcesMib, Object(Syntax::Integer32).Ranges(kRange0To100)},

    // IF-MIB (RFC 2863): the extension of the interfaces table, its stack and its receive
    // addresses.
    {"ifMIB", "mib-2", 31, kIfMib, ModuleIdentity()},
    {"ifMIBObjects", "ifMIB", 1, kIfMib, kNode},
    {"ifXTable", "ifMIBObjects", 1, kIfMib, Table()},
    {"ifXEntry", "ifXTable", 1, kIfMib, Table().Augments("ifEntry")},
    {"ifName", "ifXEntry", 1, kIfMib, DisplayString().Ranges(kSize0To255)},
    {"ifInMulticastPkts", "ifXEntry", 2, kIfMib, Object(Syntax::Counter32)},
    {"ifInBroadcastPkts", "ifXEntry", 3, kIfMib, Object(Syntax::Counter32)},
    {"ifOutMulticastPkts", "ifXEntry", 4, kIfMib, Object(Syntax::Counter32)},
    {"ifOutBroadcastPkts", "ifXEntry", 5, kIfMib, Object(Syntax::Counter32)},
    {"ifHCInOctets", "ifXEntry", 6, kIfMib, Object(Syntax::Counter64)},
    {"ifHCInUcastPkts", "ifXEntry", 7, kIfMib, Object(Syntax::Counter64)},
    {"ifHCInMulticastPkts", "ifXEntry", 8, kIfMib, Object(Syntax::Counter64)},
    {"ifHCInBroadcastPkts", "ifXEntry", 9, kIfMib, Object(Syntax::Counter64)},
    {"ifHCOutOctets", "ifXEntry", 10, kIfMib, Object(Syntax::Counter64)},
    {"ifHCOutUcastPkts", "ifXEntry", 11, kIfMib, Object(Syntax::Counter64)},
    {"ifHCOutMulticastPkts", "ifXEntry", 12, kIfMib, Object(Syntax::Counter64)},
    {"ifHCOutBroadcastPkts", "ifXEntry", 13, kIfMib, Object(Syntax::Counter64)},
    {"ifLinkUpDownTrapEnable", "ifXEntry", 14, kIfMib, Object(Syntax::Integer, Access::ReadWrite).Enums(kEnabledDisabled)},
    {"ifHighSpeed", "ifXEntry", 15, kIfMib, Object(Syntax::Gauge32)},
    {"ifPromiscuousMode", "ifXEntry", 16, kIfMib, TruthValue(Access::ReadWrite)},
    {"ifConnectorPresent", "ifXEntry", 17, kIfMib, TruthValue()},
    {"ifAlias", "ifXEntry", 18, kIfMib, DisplayString(Access::ReadWrite).Ranges(kSize0To64)},
    {"ifCounterDiscontinuityTime", "ifXEntry", 19, kIfMib, TimeStamp()},
    {"ifStackTable", "ifMIBObjects", 2, kIfMib, Table()},
    {"ifStackEntry", "ifStackTable", 1, kIfMib, Entry(kIfStackIndex)},
    {"ifStackHigherLayer", "ifStackEntry", 1, kIfMib, InterfaceIndexOrZero(Access::NotAccessible)},
    {"ifStackLowerLayer", "ifStackEntry", 2, kIfMib, InterfaceIndexOrZero(Access::NotAccessible)},
    {"ifStackStatus", "ifStackEntry", 3, kIfMib, RowStatus()},
    {"ifRcvAddressTable", "ifMIBObjects", 4, kIfMib, Table()},
    {"ifRcvAddressEntry", "ifRcvAddressTable", 1, kIfMib, Entry(kIfRcvAddressIndex)},
    {"ifRcvAddressAddress", "ifRcvAddressEntry", 1, kIfMib, PhysAddress(Access::NotAccessible)},
    {"ifRcvAddressStatus", "ifRcvAddressEntry", 2, kIfMib, RowStatus()},
    {"ifRcvAddressType", "ifRcvAddressEntry", 3, kIfMib, Object(Syntax::Integer, Access::ReadCreate).Enums(kRcvAddressType)},
    {"ifTableLastChange", "ifMIBObjects", 5, kIfMib, Object(Syntax::TimeTicks)},
    {"ifStackLastChange", "ifMIBObjects", 6, kIfMib, Object(Syntax::TimeTicks)},

    // The SNMPv2 trap objects (RFC 3418). egpNeighborLoss is the SNMPv2 identifier of the
    // sixth generic trap of RFC 1157 (RFC 3584, 3.1).
    {"snmpMIB", "snmpModules", 1, kSnmpV2Mib, ModuleIdentity()},
    {"snmpMIBObjects", "snmpMIB", 1, kSnmpV2Mib, kNode},
    {"snmpTrap", "snmpMIBObjects", 4, kSnmpV2Mib, kNode},
    {"snmpTrapOID", "snmpTrap", 1, kSnmpV2Mib, Object(Syntax::ObjectIdentifier, Access::AccessibleForNotify)},
    {"snmpTrapEnterprise", "snmpTrap", 3, kSnmpV2Mib, Object(Syntax::ObjectIdentifier, Access::AccessibleForNotify)},
    {"snmpTraps", "snmpMIBObjects", 5, kSnmpV2Mib, kNode},
    {"coldStart", "snmpTraps", 1, kSnmpV2Mib, Notification()},
    {"warmStart", "snmpTraps", 2, kSnmpV2Mib, Notification()},
    {"linkDown", "snmpTraps", 3, kIfMib, Notification().Objects(kLinkObjects)},
    {"linkUp", "snmpTraps", 4, kIfMib, Notification().Objects(kLinkObjects)},
    {"authenticationFailure", "snmpTraps", 5, kSnmpV2Mib, Notification()},
    {"egpNeighborLoss", "snmpTraps", 6, nullptr, kNode},
    {"snmpSet", "snmpMIBObjects", 6, kSnmpV2Mib, kNode},
    {"snmpSetSerialNo", "snmpSet", 1, kSnmpV2Mib, TestAndIncr()},
};
// clang-format on
} // namespace

std::span<const BuiltInRow> BuiltInRows() {
    return kRows;
}

} // namespace mibnames
