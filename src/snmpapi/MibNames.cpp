// The name tables: the making of a table from the built-in rows (MibBuiltIn.cpp) and the
// modules' nodes, its lookups, and the table in force.
#include "snmpapi/MibNames.h"

#include "snmpapi/MibBuiltIn.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <mutex>
#include <string_view>
#include <utility>

namespace mibnames {
namespace {

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

std::span<const int> Table::ModulesOf(int node) const {
    const Node& n = m_nodes[static_cast<size_t>(node)];
    return {m_nodeModules.data() + n.modulesAt, n.moduleCount};
}

int Table::ChildCount(int parent) const {
    const auto [begin, end] = Children(parent);
    return static_cast<int>(end - begin);
}

int Table::ChildAt(int parent, int i) const {
    return Children(parent).first[i].node;
}

int Table::RowOf(int node) const {
    const auto [begin, end] = Children(Parent(node));
    const Child* found =
        std::lower_bound(begin, end, Arc(node), [](const Child& c, UINT a) { return c.arc < a; });
    return static_cast<int>(found - begin);
}

int Table::Deepest(const UINT* ids, UINT length, UINT* covered) const {
    int deepest = kNone;
    UINT depth = 0;
    for (int node = kNone; depth < length; ++depth) {
        node = ChildByArc(node, ids[depth]);
        if (node == kNone)
            break;
        deepest = node;
    }
    *covered = depth;
    return deepest;
}

int Table::Find(std::string_view name, int module) const {
    if (module >= 0 && static_cast<size_t>(module) < m_moduleNames.size()) {
        const auto found = m_inModule.find({module, name});
        if (found != m_inModule.end() && found->second >= 0)
            return found->second;
    }
    if (const int first = First(name); first != kNone)
        return first;
    int answer = kNone;
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    const auto [begin, end] = m_byName.equal_range(name);
    for (auto named = begin; named != end; ++named) {
        if (named->second.rank < best) {
            answer = named->second.node;
            best = named->second.rank;
        }
    }
    return answer;
}

std::size_t Table::Bytes() const {
    std::size_t bytes = sizeof(Table) + m_nodes.capacity() * sizeof(Node) + m_names.capacity() +
                        m_children.capacity() * sizeof(Child) +
                        m_childStart.capacity() * sizeof(std::uint32_t) +
                        m_nodeModules.capacity() * sizeof(int) +
                        m_moduleNames.capacity() * sizeof(std::string_view);
    // A hash map's node, its bucket and the allocator's own share.
    bytes += m_byName.size() * (sizeof(std::pair<std::string_view, Bearer>) + 32);
    bytes += m_inModule.size() * (sizeof(std::pair<NameKey, int>) + 32);
    bytes += m_modules.size() * (sizeof(std::pair<std::string_view, int>) + 32);
    return bytes + DefinitionBytes();
}

std::size_t Table::DefinitionBytes() const {
    std::size_t bytes = 0;
    for (const auto& block : m_blocks)
        bytes += block->Bytes();
    return bytes;
}

// --- TableBuilder --------------------------------------------------------------------------

TableBuilder::TableBuilder() : m_table(std::make_shared<Table>()) {
    std::unordered_map<std::string_view, int> byName;
    for (const BuiltInRow& row : BuiltInRows()) {
        const int parent = row.parent ? byName.at(row.parent) : kNone;
        std::vector<int> modules;
        if (row.module)
            modules.push_back(Module(row.module));
        const int node = Add(parent, row.arc, row.name, modules, true, &row.definition);
        for (size_t i = 0; i < modules.size(); ++i)
            m_entries[m_entries.size() - 1 - i].builtIn = true;
        if (modules.empty())
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
                      bool shown, const Definition* definition) {
    if (parent < kNone || parent >= Count())
        return kNone;
    auto& nodes = m_table->m_nodes;
    const auto [found, inserted] = m_byArc.try_emplace(ArcKey(parent, arc), Count());
    const int node = found->second;
    if (inserted)
        nodes.push_back(
            {parent, arc, 0, 0, parent != kNone && parent == m_mib2, true, false, 0, 0, nullptr});
    if (shown)
        Define(node, modules, definition);
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

namespace {

// Whether a definition says no more than that the node is there.
bool OnlyNames(const Definition& d) {
    return d.kind == Kind::Value && d.syntax == Syntax::None && d.access == Access::None &&
           d.status == Status::None && d.description.empty() && d.hint.empty() && d.units.empty() &&
           d.enums.empty() && d.index.empty() && d.augments.empty();
}

} // namespace

void TableBuilder::Define(int node, const std::vector<int>& modules, const Definition* definition) {
    Table::Node& n = m_table->m_nodes[static_cast<size_t>(node)];
    if (!modules.empty()) {
        n.modulesAt = static_cast<std::uint32_t>(m_table->m_nodeModules.size());
        n.moduleCount = static_cast<std::uint16_t>(std::min<size_t>(modules.size(), 0xFFFF));
        m_table->m_nodeModules.insert(m_table->m_nodeModules.end(), modules.begin(),
                                      modules.begin() + n.moduleCount);
    }
    // A module that only names an object that the built-in names describe (an OBJECT
    // IDENTIFIER of the same place) leaves it described.
    const bool keepBuiltIn = n.definition && n.definition->builtIn && !OnlyNames(*n.definition) &&
                             (!definition || OnlyNames(*definition));
    if (definition && !keepBuiltIn)
        n.definition = definition;
}

void TableBuilder::Hold(std::shared_ptr<const DefinitionBlock> block) {
    if (block)
        m_table->m_blocks.push_back(std::move(block));
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
    for (size_t i = 0; i < m_moduleNames.size(); ++i) {
        const std::string_view name = names.substr(moduleAt[i], m_moduleNames[i].size());
        table.m_modules.emplace(name, static_cast<int>(i));
        table.m_moduleNames.push_back(name);
    }
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

std::shared_ptr<const Table> BuiltInInForce() {
    return std::shared_ptr<const Table>(&BuiltIn(), [](const Table*) {});
}

// Built on first use; C++ makes that first use safe from any number of threads.
InForce<Table>& TheInForce() {
    static InForce<Table> inForce(BuiltInInForce());
    return inForce;
}

} // namespace

std::shared_ptr<const Table> Current() {
    return TheInForce().Get();
}

void Publish(std::shared_ptr<const Table> table) {
    TheInForce().Swap(table ? std::move(table) : BuiltInInForce());
}

} // namespace mibnames
