// The name tables: the compiled-in rows, the making of a table and the table in force.
#include "snmpapi/MibNames.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <mutex>
#include <string_view>
#include <utility>

namespace mibnames {
namespace {

struct Row {
    const char* name;
    const char* parent; // null for the roots
    UINT arc;
};

// clang-format off
constexpr Row kRows[] = {
    // The registration tree down to the subtrees of the Internet (RFC 1155, RFC 2578).
    {"ccitt", nullptr, 0},
    {"iso", nullptr, 1},
    {"joint-iso-ccitt", nullptr, 2},
    {"org", "iso", 3},
    {"dod", "org", 6},
    {"internet", "dod", 1},
    {"directory", "internet", 1},
    {"mgmt", "internet", 2},
    {"mib-2", "mgmt", 1},
    {"experimental", "internet", 3},
    {"private", "internet", 4},
    {"enterprises", "private", 1},
    {"security", "internet", 5},
    {"snmpV2", "internet", 6},
    {"snmpDomains", "snmpV2", 1},
    {"snmpProxys", "snmpV2", 2},
    {"snmpModules", "snmpV2", 3},

    // MIB-II (RFC 1213): the groups below mib-2.
    {"system", "mib-2", 1},
    {"interfaces", "mib-2", 2},
    {"at", "mib-2", 3},
    {"ip", "mib-2", 4},
    {"icmp", "mib-2", 5},
    {"tcp", "mib-2", 6},
    {"udp", "mib-2", 7},
    {"egp", "mib-2", 8},
    {"transmission", "mib-2", 10},
    {"snmp", "mib-2", 11},

    // The system group, with the object resources table of RFC 3418.
    {"sysDescr", "system", 1},
    {"sysObjectID", "system", 2},
    {"sysUpTime", "system", 3},
    {"sysContact", "system", 4},
    {"sysName", "system", 5},
    {"sysLocation", "system", 6},
    {"sysServices", "system", 7},
    {"sysORLastChange", "system", 8},
    {"sysORTable", "system", 9},
    {"sysOREntry", "sysORTable", 1},
    {"sysORIndex", "sysOREntry", 1},
    {"sysORID", "sysOREntry", 2},
    {"sysORDescr", "sysOREntry", 3},
    {"sysORUpTime", "sysOREntry", 4},

    // The interfaces group; the table's columns are those of RFC 1213 and RFC 2863.
    {"ifNumber", "interfaces", 1},
    {"ifTable", "interfaces", 2},
    {"ifEntry", "ifTable", 1},
    {"ifIndex", "ifEntry", 1},
    {"ifDescr", "ifEntry", 2},
    {"ifType", "ifEntry", 3},
    {"ifMtu", "ifEntry", 4},
    {"ifSpeed", "ifEntry", 5},
    {"ifPhysAddress", "ifEntry", 6},
    {"ifAdminStatus", "ifEntry", 7},
    {"ifOperStatus", "ifEntry", 8},
    {"ifLastChange", "ifEntry", 9},
    {"ifInOctets", "ifEntry", 10},
    {"ifInUcastPkts", "ifEntry", 11},
    {"ifInNUcastPkts", "ifEntry", 12},
    {"ifInDiscards", "ifEntry", 13},
    {"ifInErrors", "ifEntry", 14},
    {"ifInUnknownProtos", "ifEntry", 15},
    {"ifOutOctets", "ifEntry", 16},
    {"ifOutUcastPkts", "ifEntry", 17},
    {"ifOutNUcastPkts", "ifEntry", 18},
    {"ifOutDiscards", "ifEntry", 19},
    {"ifOutErrors", "ifEntry", 20},
    {"ifOutQLen", "ifEntry", 21},
    {"ifSpecific", "ifEntry", 22},

    // The address translation group.
    {"atTable", "at", 1},
    {"atEntry", "atTable", 1},
    {"atIfIndex", "atEntry", 1},
    {"atPhysAddress", "atEntry", 2},
    {"atNetAddress", "atEntry", 3},

    // The ip group.
    {"ipForwarding", "ip", 1},
    {"ipDefaultTTL", "ip", 2},
    {"ipInReceives", "ip", 3},
    {"ipInHdrErrors", "ip", 4},
    {"ipInAddrErrors", "ip", 5},
    {"ipForwDatagrams", "ip", 6},
    {"ipInUnknownProtos", "ip", 7},
    {"ipInDiscards", "ip", 8},
    {"ipInDelivers", "ip", 9},
    {"ipOutRequests", "ip", 10},
    {"ipOutDiscards", "ip", 11},
    {"ipOutNoRoutes", "ip", 12},
    {"ipReasmTimeout", "ip", 13},
    {"ipReasmReqds", "ip", 14},
    {"ipReasmOKs", "ip", 15},
    {"ipReasmFails", "ip", 16},
    {"ipFragOKs", "ip", 17},
    {"ipFragFails", "ip", 18},
    {"ipFragCreates", "ip", 19},
    {"ipAddrTable", "ip", 20},
    {"ipAddrEntry", "ipAddrTable", 1},
    {"ipAdEntAddr", "ipAddrEntry", 1},
    {"ipAdEntIfIndex", "ipAddrEntry", 2},
    {"ipAdEntNetMask", "ipAddrEntry", 3},
    {"ipAdEntBcastAddr", "ipAddrEntry", 4},
    {"ipAdEntReasmMaxSize", "ipAddrEntry", 5},
    {"ipRouteTable", "ip", 21},
    {"ipRouteEntry", "ipRouteTable", 1},
    {"ipRouteDest", "ipRouteEntry", 1},
    {"ipRouteIfIndex", "ipRouteEntry", 2},
    {"ipRouteMetric1", "ipRouteEntry", 3},
    {"ipRouteMetric2", "ipRouteEntry", 4},
    {"ipRouteMetric3", "ipRouteEntry", 5},
    {"ipRouteMetric4", "ipRouteEntry", 6},
    {"ipRouteNextHop", "ipRouteEntry", 7},
    {"ipRouteType", "ipRouteEntry", 8},
    {"ipRouteProto", "ipRouteEntry", 9},
    {"ipRouteAge", "ipRouteEntry", 10},
    {"ipRouteMask", "ipRouteEntry", 11},
    {"ipRouteMetric5", "ipRouteEntry", 12},
    {"ipRouteInfo", "ipRouteEntry", 13},
    {"ipNetToMediaTable", "ip", 22},
    {"ipNetToMediaEntry", "ipNetToMediaTable", 1},
    {"ipNetToMediaIfIndex", "ipNetToMediaEntry", 1},
    {"ipNetToMediaPhysAddress", "ipNetToMediaEntry", 2},
    {"ipNetToMediaNetAddress", "ipNetToMediaEntry", 3},
    {"ipNetToMediaType", "ipNetToMediaEntry", 4},
    {"ipRoutingDiscards", "ip", 23},

    // The icmp group.
    {"icmpInMsgs", "icmp", 1},
    {"icmpInErrors", "icmp", 2},
    {"icmpInDestUnreachs", "icmp", 3},
    {"icmpInTimeExcds", "icmp", 4},
    {"icmpInParmProbs", "icmp", 5},
    {"icmpInSrcQuenchs", "icmp", 6},
    {"icmpInRedirects", "icmp", 7},
    {"icmpInEchos", "icmp", 8},
    {"icmpInEchoReps", "icmp", 9},
    {"icmpInTimestamps", "icmp", 10},
    {"icmpInTimestampReps", "icmp", 11},
    {"icmpInAddrMasks", "icmp", 12},
    {"icmpInAddrMaskReps", "icmp", 13},
    {"icmpOutMsgs", "icmp", 14},
    {"icmpOutErrors", "icmp", 15},
    {"icmpOutDestUnreachs", "icmp", 16},
    {"icmpOutTimeExcds", "icmp", 17},
    {"icmpOutParmProbs", "icmp", 18},
    {"icmpOutSrcQuenchs", "icmp", 19},
    {"icmpOutRedirects", "icmp", 20},
    {"icmpOutEchos", "icmp", 21},
    {"icmpOutEchoReps", "icmp", 22},
    {"icmpOutTimestamps", "icmp", 23},
    {"icmpOutTimestampReps", "icmp", 24},
    {"icmpOutAddrMasks", "icmp", 25},
    {"icmpOutAddrMaskReps", "icmp", 26},

    // The tcp group.
    {"tcpRtoAlgorithm", "tcp", 1},
    {"tcpRtoMin", "tcp", 2},
    {"tcpRtoMax", "tcp", 3},
    {"tcpMaxConn", "tcp", 4},
    {"tcpActiveOpens", "tcp", 5},
    {"tcpPassiveOpens", "tcp", 6},
    {"tcpAttemptFails", "tcp", 7},
    {"tcpEstabResets", "tcp", 8},
    {"tcpCurrEstab", "tcp", 9},
    {"tcpInSegs", "tcp", 10},
    {"tcpOutSegs", "tcp", 11},
    {"tcpRetransSegs", "tcp", 12},
    {"tcpConnTable", "tcp", 13},
    {"tcpConnEntry", "tcpConnTable", 1},
    {"tcpConnState", "tcpConnEntry", 1},
    {"tcpConnLocalAddress", "tcpConnEntry", 2},
    {"tcpConnLocalPort", "tcpConnEntry", 3},
    {"tcpConnRemAddress", "tcpConnEntry", 4},
    {"tcpConnRemPort", "tcpConnEntry", 5},
    {"tcpInErrs", "tcp", 14},
    {"tcpOutRsts", "tcp", 15},

    // The udp group.
    {"udpInDatagrams", "udp", 1},
    {"udpNoPorts", "udp", 2},
    {"udpInErrors", "udp", 3},
    {"udpOutDatagrams", "udp", 4},
    {"udpTable", "udp", 5},
    {"udpEntry", "udpTable", 1},
    {"udpLocalAddress", "udpEntry", 1},
    {"udpLocalPort", "udpEntry", 2},

    // The egp group.
    {"egpInMsgs", "egp", 1},
    {"egpInErrors", "egp", 2},
    {"egpOutMsgs", "egp", 3},
    {"egpOutErrors", "egp", 4},
    {"egpNeighTable", "egp", 5},
    {"egpNeighEntry", "egpNeighTable", 1},
    {"egpNeighState", "egpNeighEntry", 1},
    {"egpNeighAddr", "egpNeighEntry", 2},
    {"egpNeighAs", "egpNeighEntry", 3},
    {"egpNeighInMsgs", "egpNeighEntry", 4},
    {"egpNeighInErrs", "egpNeighEntry", 5},
    {"egpNeighOutMsgs", "egpNeighEntry", 6},
    {"egpNeighOutErrs", "egpNeighEntry", 7},
    {"egpNeighInErrMsgs", "egpNeighEntry", 8},
    {"egpNeighOutErrMsgs", "egpNeighEntry", 9},
    {"egpNeighStateUps", "egpNeighEntry", 10},
    {"egpNeighStateDowns", "egpNeighEntry", 11},
    {"egpNeighIntervalHello", "egpNeighEntry", 12},
    {"egpNeighIntervalPoll", "egpNeighEntry", 13},
    {"egpNeighMode", "egpNeighEntry", 14},
    {"egpNeighEventTrigger", "egpNeighEntry", 15},
    {"egpAs", "egp", 6},

    // The snmp group; 7 and 23 are not used. The last two are from RFC 3418.
    {"snmpInPkts", "snmp", 1},
    {"snmpOutPkts", "snmp", 2},
    {"snmpInBadVersions", "snmp", 3},
    {"snmpInBadCommunityNames", "snmp", 4},
    {"snmpInBadCommunityUses", "snmp", 5},
    {"snmpInASNParseErrs", "snmp", 6},
    {"snmpInTooBigs", "snmp", 8},
    {"snmpInNoSuchNames", "snmp", 9},
    {"snmpInBadValues", "snmp", 10},
    {"snmpInReadOnlys", "snmp", 11},
    {"snmpInGenErrs", "snmp", 12},
    {"snmpInTotalReqVars", "snmp", 13},
    {"snmpInTotalSetVars", "snmp", 14},
    {"snmpInGetRequests", "snmp", 15},
    {"snmpInGetNexts", "snmp", 16},
    {"snmpInSetRequests", "snmp", 17},
    {"snmpInGetResponses", "snmp", 18},
    {"snmpInTraps", "snmp", 19},
    {"snmpOutTooBigs", "snmp", 20},
    {"snmpOutNoSuchNames", "snmp", 21},
    {"snmpOutBadValues", "snmp", 22},
    {"snmpOutGenErrs", "snmp", 24},
    {"snmpOutGetRequests", "snmp", 25},
    {"snmpOutGetNexts", "snmp", 26},
    {"snmpOutSetRequests", "snmp", 27},
    {"snmpOutGetResponses", "snmp", 28},
    {"snmpOutTraps", "snmp", 29},
    {"snmpEnableAuthenTraps", "snmp", 30},
    {"snmpSilentDrops", "snmp", 31},
    {"snmpProxyDrops", "snmp", 32},

    // The SNMPv2 trap objects (RFC 3418). egpNeighborLoss is the SNMPv2 identifier of the
    // sixth generic trap of RFC 1157 (RFC 3584, 3.1).
    {"snmpMIB", "snmpModules", 1},
    {"snmpMIBObjects", "snmpMIB", 1},
    {"snmpTrap", "snmpMIBObjects", 4},
    {"snmpTrapOID", "snmpTrap", 1},
    {"snmpTrapEnterprise", "snmpTrap", 3},
    {"snmpTraps", "snmpMIBObjects", 5},
    {"coldStart", "snmpTraps", 1},
    {"warmStart", "snmpTraps", 2},
    {"linkDown", "snmpTraps", 3},
    {"linkUp", "snmpTraps", 4},
    {"authenticationFailure", "snmpTraps", 5},
    {"egpNeighborLoss", "snmpTraps", 6},
};
// clang-format on

// Outside mib-2, the objects whose names are well known on their own begin a text.
constexpr std::string_view kSnmpV2Starts[] = {"snmpTrapOID", "snmpTrapEnterprise", "snmpTraps"};

constexpr int kSeveral = -2; // in the lookups: more than one node answers

std::uint64_t ArcKey(int parent, UINT arc) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(parent + 1)) << 32) | arc;
}

// Enters `node` under `key`; a second, different node makes the key answer kSeveral.
template <typename Map, typename Key> void Enter(Map* map, const Key& key, int node) {
    const auto [found, inserted] = map->try_emplace(key, node);
    if (!inserted && found->second != node)
        found->second = kSeveral;
}

int Answer(int found) {
    return found == kSeveral ? kNone : found;
}

} // namespace

bool IsName(std::string_view text) {
    return !text.empty() && !(text[0] >= '0' && text[0] <= '9') &&
           text.find_first_of(".:") == std::string_view::npos;
}

// --- Table ---------------------------------------------------------------------------------

std::string_view Table::Name(int node) const {
    const Node& n = m_nodes[static_cast<size_t>(node)];
    return std::string_view(m_names).substr(n.nameAt, n.nameLength);
}

size_t Table::NameKeyHash::operator()(const NameKey& key) const {
    return std::hash<std::string_view>()(key.name) * 31 + static_cast<size_t>(key.scope);
}

std::pair<const Table::Child*, const Table::Child*> Table::Children(int parent) const {
    const auto at = static_cast<size_t>(parent + 1);
    return {m_children.data() + m_childStart[at], m_children.data() + m_childStart[at + 1]};
}

int Table::ChildByArc(int parent, UINT arc) const {
    const auto [begin, end] = Children(parent);
    const Child* found =
        std::lower_bound(begin, end, arc, [](const Child& c, UINT a) { return c.arc < a; });
    return found != end && found->arc == arc ? found->node : kNone;
}

int Table::ChildByName(int parent, std::string_view name) const {
    int answer = kNone;
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    const auto [begin, end] = m_byName.equal_range(name);
    for (auto named = begin; named != end; ++named) {
        if (Parent(named->second.node) == parent && named->second.rank < best) {
            answer = named->second.node;
            best = named->second.rank;
        }
    }
    return answer;
}

int Table::First(std::string_view name) const {
    // The kind of node a text may begin at, best first.
    const auto rank = [this](int node) {
        return Parent(node) == kNone ? 0 : StartsText(node) ? 1 : 2;
    };
    int answer = kNone;
    const auto [begin, end] = m_byName.equal_range(name);
    for (auto named = begin; named != end; ++named) {
        const int node = named->second.node;
        if (answer == kNone || rank(node) < rank(answer))
            answer = node;
    }
    if (answer == kNone)
        return kNone;
    for (auto named = begin; named != end; ++named)
        if (named->second.node != answer && rank(named->second.node) == rank(answer))
            return kNone;
    return answer;
}

int Table::InModule(std::string_view module, std::string_view name) const {
    const auto number = m_modules.find(module);
    if (number == m_modules.end())
        return kNone;
    const auto found = m_inModule.find({number->second, name});
    return found == m_inModule.end() ? kNone : Answer(found->second);
}

// --- TableBuilder --------------------------------------------------------------------------

TableBuilder::TableBuilder() : m_table(std::make_shared<Table>()) {
    std::unordered_map<std::string_view, int> byName;
    for (const Row& row : kRows) {
        const int parent = row.parent ? byName.at(row.parent) : kNone;
        const int node = Add(parent, row.arc, row.name, {});
        m_entries.back().builtIn = true;
        byName.emplace(row.name, node);
        bool starts = parent != kNone && parent == m_mib2;
        for (std::string_view name : kSnmpV2Starts)
            starts = starts || name == row.name;
        m_table->m_nodes[static_cast<size_t>(node)].startsText = starts;
        m_table->m_nodes[static_cast<size_t>(node)].fromModule = false;
        if (std::string_view(row.name) == "mib-2")
            m_mib2 = node;
    }
}

std::uint32_t TableBuilder::Store(std::string_view name) {
    const auto at = static_cast<std::uint32_t>(m_table->m_names.size());
    m_table->m_names.append(name);
    return at;
}

int TableBuilder::Module(std::string_view name) {
    const auto [found, inserted] =
        m_moduleNumbers.try_emplace(std::string(name), static_cast<int>(m_moduleNames.size()));
    if (inserted)
        m_moduleNames.emplace_back(name);
    return found->second;
}

int TableBuilder::Add(int parent, UINT arc, std::string_view name, const std::vector<int>& modules,
                      bool shown) {
    if (parent < kNone || parent >= Count())
        return kNone;
    auto& nodes = m_table->m_nodes;
    const auto [found, inserted] = m_byArc.try_emplace(ArcKey(parent, arc), Count());
    const int node = found->second;
    if (inserted)
        nodes.push_back({parent, arc, 0, 0, parent != kNone && parent == m_mib2, true, false});
    if (!IsName(name)) {
        // An anonymous node (or a name that could not be read back) is written as its
        // number, as net-snmp's tools write it, where it is the one they show.
        if (shown)
            Show(node, 0, 0);
        return node;
    }
    const std::uint32_t at = Store(name);
    const auto length = static_cast<std::uint32_t>(name.size());
    if (shown)
        Show(node, at, length);
    if (modules.empty())
        m_entries.push_back({node, at, length, -1, false});
    for (int module : modules)
        m_entries.push_back({node, at, length, module, false});
    return node;
}

void TableBuilder::Show(int node, std::uint32_t at, std::uint32_t length) {
    Table::Node& n = m_table->m_nodes[static_cast<size_t>(node)];
    if (!n.fromModule && n.nameLength > 0) // the built-in name stays readable
        m_builtInNames.push_back({node, n.nameAt, n.nameLength, -1, true});
    n.nameAt = at;
    n.nameLength = length;
    n.fromModule = true;
}

std::shared_ptr<const Table> TableBuilder::Finish() {
    IndexModules();
    IndexChildren();
    IndexNames();
    m_entries = {};
    m_builtInNames = {};
    m_byArc = {};
    return std::move(m_table);
}

// The modules by name. Their names are the last stored: from here on views into the names
// stay valid.
void TableBuilder::IndexModules() {
    Table& table = *m_table;
    std::vector<std::uint32_t> moduleAt;
    for (const std::string& name : m_moduleNames)
        moduleAt.push_back(Store(name));
    const std::string_view names = table.m_names;
    for (size_t i = 0; i < m_moduleNames.size(); ++i)
        table.m_modules.emplace(names.substr(moduleAt[i], m_moduleNames[i].size()),
                                static_cast<int>(i));
}

// Children by parent, then by sub-identifier.
void TableBuilder::IndexChildren() {
    Table& table = *m_table;
    const size_t count = table.m_nodes.size();
    table.m_childStart.assign(count + 2, 0);
    for (const Table::Node& node : table.m_nodes)
        ++table.m_childStart[static_cast<size_t>(node.parent + 1) + 1];
    for (size_t i = 1; i < table.m_childStart.size(); ++i)
        table.m_childStart[i] += table.m_childStart[i - 1];
    table.m_children.resize(count);
    std::vector<std::uint32_t> next(table.m_childStart.begin(), table.m_childStart.end() - 1);
    for (size_t i = 0; i < count; ++i) {
        const Table::Node& node = table.m_nodes[i];
        table.m_children[next[static_cast<size_t>(node.parent + 1)]++] = {node.arc,
                                                                          static_cast<int>(i)};
    }
    for (size_t p = 0; p + 1 < table.m_childStart.size(); ++p)
        std::sort(table.m_children.begin() + table.m_childStart[p],
                  table.m_children.begin() + table.m_childStart[p + 1],
                  [](const Table::Child& a, const Table::Child& b) { return a.arc < b.arc; });
}

// Each module's names, and one entry for each name of each node. The modules' names rank
// before the built-in ones, each in the order in which it was added.
void TableBuilder::IndexNames() {
    Table& table = *m_table;
    const std::string_view names = table.m_names;
    const auto nameOf = [names](const Entry& entry) {
        return names.substr(entry.nameAt, entry.nameLength);
    };
    for (const Entry& entry : m_entries) {
        if (entry.module >= 0)
            Enter(&table.m_inModule, Table::NameKey{entry.module, nameOf(entry)}, entry.node);
    }
    std::uint32_t rank = 0;
    const auto enterName = [&table, &rank](std::string_view name, int node) {
        const auto [begin, end] = table.m_byName.equal_range(name);
        if (std::none_of(begin, end,
                         [node](const auto& named) { return named.second.node == node; }))
            table.m_byName.emplace(name, Table::Bearer{node, rank});
        ++rank;
    };
    for (const bool builtIn : {false, true}) {
        for (const Entry& entry : m_entries)
            if (entry.builtIn == builtIn)
                enterName(nameOf(entry), entry.node);
    }
    for (const Entry& entry : m_builtInNames)
        enterName(nameOf(entry), entry.node);
    for (size_t i = 0; i < table.m_nodes.size(); ++i) {
        const int node = static_cast<int>(i);
        table.m_nodes[i].ownFirst = table.Named(node) && table.First(table.Name(node)) == node;
    }
}

// --- The table in force --------------------------------------------------------------------

const Table& BuiltIn() {
    static const std::shared_ptr<const Table> table = TableBuilder().Finish();
    return *table;
}

namespace {

// The table in force behind a mutex: the hand-over is a pointer copy under the lock, which
// every thread sanitizer and memory model understands.
struct InForce {
    std::mutex mutex;
    std::shared_ptr<const Table> table{
        std::shared_ptr<const Table>(&BuiltIn(), [](const Table*) {})};
};

// Built on first use; C++ makes that first use safe from any number of threads.
InForce& TheInForce() {
    static InForce inForce;
    return inForce;
}

} // namespace

std::shared_ptr<const Table> Current() {
    InForce& inForce = TheInForce();
    std::lock_guard<std::mutex> guard(inForce.mutex);
    return inForce.table;
}

void Publish(std::shared_ptr<const Table> table) {
    if (!table)
        table = std::shared_ptr<const Table>(&BuiltIn(), [](const Table*) {});
    InForce& inForce = TheInForce();
    std::unique_lock<std::mutex> guard(inForce.mutex);
    inForce.table.swap(table);
    guard.unlock();
    // `table` now holds the table that was in force; if this was its last holder, it is
    // freed here, outside the lock.
}

} // namespace mibnames
