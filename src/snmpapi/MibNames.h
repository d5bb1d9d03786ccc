// The object names that SnmpMgrOidToStr writes and SnmpMgrStrToOid reads.
//
// A name table is a tree of named nodes. The built-in table holds the top of the
// registration tree, the MIB-II objects of RFC 1213 (with the system group of RFC 3418 and
// the interfaces table of RFC 2863) and the SNMPv2 trap objects of RFC 3418, because a
// desktop need not have any MIB module installed. The table read from the machine's MIB
// modules (MibModules.cpp) holds the built-in nodes and every node the modules define.
//
// A table never changes once it is made: any number of threads may read it at the same
// time. Current() hands out the table in force; Publish() replaces it whole, and a reader
// that holds the old one keeps it alive until it lets go.
//
// A node is named as net-snmp's tools name its identifier: where modules give one identifier
// several names (an alias, a renamed object), the table is told which one the tools show;
// where one parent has several children of one name, each is written with that name, and
// the name read after the parent stands for the child that net-snmp finds first. A node
// that a module left without a name of its own (net-snmp's anonymous nodes) is written as
// its number.
//
// Each node also holds what its modules say of it (MibDefinitions.h), the definition of the
// node that net-snmp's tools show for the identifier, and the modules that define it, first
// the one that defined it first; a built-in node holds the built-in definition until a
// module defines the object.
#pragma once

#include "snmpapi/MibDefinitions.h"
#include "snmpapi/SnmpApi.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace mibnames {

// Nodes are numbered 0 .. Count() - 1; kNone stands for "no node" and, as a parent, for the
// root of the tree above ccitt, iso and joint-iso-ccitt.
inline constexpr int kNone = -1;

// Whether `text` can stand as a name in an identifier text: not empty, not beginning with
// a digit, without "." and ":".
bool IsName(std::string_view text);

class Table {
public:
    int Count() const { return static_cast<int>(m_nodes.size()); }
    // The name the node is written with, the one net-snmp's tools show; empty for a node
    // that has none (it is written as its number).
    std::string_view Name(int node) const;
    bool Named(int node) const { return m_nodes[static_cast<size_t>(node)].nameLength > 0; }
    int Parent(int node) const { return m_nodes[static_cast<size_t>(node)].parent; }
    UINT Arc(int node) const { return m_nodes[static_cast<size_t>(node)].arc; }
    // Whether a text may begin at this node (see OidText.cpp): the groups directly below
    // mib-2 and the SNMPv2 trap objects.
    bool StartsText(int node) const { return m_nodes[static_cast<size_t>(node)].startsText; }
    // Whether a module names the node (not only the built-in names).
    bool FromModule(int node) const { return m_nodes[static_cast<size_t>(node)].fromModule; }
    // Whether Name(node), read first, gives the node back.
    bool NameIsOwnFirst(int node) const { return m_nodes[static_cast<size_t>(node)].ownFirst; }
    // What the modules (or the built-in names) say of the node; null for a node that only
    // a path passes.
    const Definition* DefinitionOf(int node) const {
        return m_nodes[static_cast<size_t>(node)].definition;
    }
    // The modules that define the node, the first one first, as numbers for ModuleName.
    std::span<const int> ModulesOf(int node) const;
    std::string_view ModuleName(int module) const {
        return m_moduleNames[static_cast<size_t>(module)];
    }
    int ModuleCount() const { return static_cast<int>(m_moduleNames.size()); }
    // The children of `parent` (kNone: the roots) in the order of their sub-identifiers.
    int ChildCount(int parent) const;
    int ChildAt(int parent, int i) const;
    // The place of `node` among its parent's children (ChildAt gives it back).
    int RowOf(int node) const;
    // The deepest node on the identifier's path, with the number of sub-identifiers it
    // covers; kNone (and 0) when even the first is no root.
    int Deepest(const UINT* ids, UINT length, UINT* covered) const;
    // The node that bears `name` in the module `module` (a number of ModuleName; -1 for
    // none) if there is one, else the node that First gives, else the node that a module
    // named first; kNone for none. How the objects of an INDEX are found.
    int Find(std::string_view name, int module) const;
    // The memory that the table and the definitions it holds take, and the definitions'
    // alone (their texts, descriptions included), for the benchmarks.
    std::size_t Bytes() const;
    std::size_t DefinitionBytes() const;

    // The child of `parent` (kNone: a root) with sub-identifier `arc`, or kNone.
    int ChildByArc(int parent, UINT arc) const;
    // The child of `parent` that bears `name`, kNone when none does. Of several, the one a
    // module named first (net-snmp's order of the parent's children), a built-in name last.
    int ChildByName(int parent, std::string_view name) const;
    // The node that a text beginning with `name` stands for: of the nodes that bear the
    // name, a root before the nodes where a text may begin, and those before any other.
    // kNone when no node bears it or several of the first such kind do.
    int First(std::string_view name) const;
    // The node that module `module` defines as `name`; kNone when none or several.
    int InModule(std::string_view module, std::string_view name) const;

private:
    friend class TableBuilder;
    struct Node {
        int parent;
        UINT arc;
        std::uint32_t nameAt; // in m_names
        std::uint32_t nameLength;
        bool startsText;
        bool fromModule; // named by a module, not only built in
        bool ownFirst;
        std::uint16_t moduleCount;
        std::uint32_t modulesAt; // in m_nodeModules
        const Definition* definition;
    };
    struct Bearer {
        int node;
        std::uint32_t rank; // the order in which ChildByName prefers the names of a parent
    };
    struct Child {
        UINT arc;
        int node;
    };
    struct NameKey {
        int scope; // a module
        std::string_view name;
        bool operator==(const NameKey&) const = default;
    };
    struct NameKeyHash {
        size_t operator()(const NameKey& key) const;
    };
    // The children of `parent`, ordered by sub-identifier.
    std::pair<const Child*, const Child*> Children(int parent) const;

    std::vector<Node> m_nodes;
    std::string m_names;
    // The children of node n are m_children[m_childStart[n + 1] .. m_childStart[n + 2]); the
    // roots come first, at m_childStart[0].
    std::vector<Child> m_children;
    std::vector<std::uint32_t> m_childStart;
    // Every name each node bears: Name(node), its other modules' names, and a built-in name
    // that a module changed.
    std::unordered_multimap<std::string_view, Bearer> m_byName;
    std::unordered_map<NameKey, int, NameKeyHash> m_inModule;
    std::unordered_map<std::string_view, int> m_modules;
    std::vector<std::string_view> m_moduleNames; // by number, views into m_names
    std::vector<int> m_nodeModules;
    // The blocks that hold the modules' definitions, which the nodes point into.
    std::vector<std::shared_ptr<const DefinitionBlock>> m_blocks;
};

// Makes a table: the built-in nodes first, then those added.
class TableBuilder {
public:
    TableBuilder();
    // The number of module `name`, for Add.
    int Module(std::string_view name);
    // The child of `parent` with sub-identifier `arc`, made if it is new, named `name` in
    // each module of `modules`; `shown` when it is the name net-snmp's tools show for the
    // identifier, which the node is then written with (a name that cannot stand as a name,
    // such as net-snmp's anonymous ones, leaves the node without one). Every name a node
    // gets, the built-in one included, is read, in the order in which they were added.
    // kNone (and nothing added) when `parent` is not a node.
    //
    // The definition of the node that is shown becomes the node's, and its modules the
    // node's modules; a definition that only names the node does not replace a built-in one
    // that says more.
    int Add(int parent, UINT arc, std::string_view name, const std::vector<int>& modules,
            bool shown = true, const Definition* definition = nullptr);
    // Keeps `block` alive as long as the table, for the definitions that Add was given.
    void Hold(std::shared_ptr<const DefinitionBlock> block);
    int Count() const { return static_cast<int>(m_table->m_nodes.size()); }
    std::shared_ptr<const Table> Finish();

private:
    struct Entry {
        int node;
        std::uint32_t nameAt;
        std::uint32_t nameLength;
        int module; // -1: none
        bool builtIn;
    };
    std::uint32_t Store(std::string_view name);
    void Show(int node, std::uint32_t at, std::uint32_t length);
    void Define(int node, const std::vector<int>& modules, const Definition* definition);
    // The steps of Finish, in order.
    void IndexModules();
    void IndexChildren();
    void IndexNames();

    std::shared_ptr<Table> m_table;
    std::unordered_map<std::uint64_t, int> m_byArc;
    std::vector<Entry> m_entries;
    std::vector<Entry> m_builtInNames; // built-in names that a module's name replaced
    std::vector<std::string> m_moduleNames;
    std::unordered_map<std::string, int> m_moduleNumbers;
    int m_mib2 = kNone;
};

// The built-in table.
const Table& BuiltIn();
// The table in force: the built-in one until a table is published.
std::shared_ptr<const Table> Current();
// Puts `table` in force; null puts the built-in table back. The table that was in force
// lives on while a caller of Current() holds it.
void Publish(std::shared_ptr<const Table> table);

} // namespace mibnames
