// The MIB reader's records beyond the names: what the modules say of each node, and what
// became of each module. The reader's side (it alone includes net-snmp's parser tree) writes
// them; Okapel's side reads them into definition blocks and a module report.
#pragma once

#include "snmpapi/MibDefinitions.h"
#include "snmpapi/MibStream.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct tree;
struct module;

namespace mibrecords {

// A node record's definition id when the node has none.
inline constexpr std::uint32_t kNoDefinition = 0xFFFFFFFF;

// --- The reader's side ---------------------------------------------------------------------

// Gives each node of the parser's tree a definition id, writing a definition record for each
// node that no earlier snapshot described:
//   u32 id u8 kind u8 syntax u8 access u8 status, texts: textual convention, hint, units,
//   augments, (long) description, default value; u16 count (i32 value, text label)... of
//   the enumerations or BITS; u16 count (i32 low, i32 high)... of the ranges; u16 count
//   (u8 implied, text name)... of the INDEX; u16 count texts... of the OBJECTS.
class DefinitionWriter {
public:
    std::uint32_t Describe(const tree& node, mibstream::StreamWriter* out);

private:
    // What tells a node from another that the parser made later at the same address.
    struct Seen {
        const char* label;
        const char* description;
        const void* enums;
        const char* hint;
        int type;
        std::uint32_t id;
    };
    std::unordered_map<const tree*, Seen> m_seen;
    std::uint32_t m_next = 0;
};

// Collects the parser's words while it reads (through net-snmp's logging), and writes what
// became of each module: u32 count, then for each module
//   u8 outcome, texts: name, file; u16 count texts... of the missing imports;
//   u16 count (u32 line, text)... of the parser's words.
class ModuleReporter {
public:
    // Takes every message of the parser from here on.
    void Start();
    // The module or file that the reader begins to read, to which words that name neither
    // belong.
    void Begin(std::string_view name);
    void NotAModule(const std::string& file);
    void Write(mibstream::StreamWriter* out);

    // For net-snmp's logging callback.
    void Take(std::string_view message);

private:
    std::string m_pending; // a message that has not reached its line's end
    std::string m_current;
    struct Said {
        std::string module; // the module the message names or that was being read
        std::string file;   // the file the message names
        int line;
        std::string text;
    };
    std::vector<Said> m_said;
    std::vector<std::string> m_notModules;
};

// The parser's list of the modules it was made to know, as net-snmp's read_all_mibs walks
// it (the module made known last first).
module* ParserModules();

// --- Okapel's side -------------------------------------------------------------------------

// The definitions of a load, as their records arrive.
class DefinitionReader {
public:
    // Reads one definitions record into a block of its own; false for one that is not
    // whole, of which nothing is kept.
    bool Read(std::string_view body);
    // The definition of an id, or null.
    const mibnames::Definition* ById(std::uint32_t id) const {
        return id < m_byId.size() ? m_byId[id] : nullptr;
    }
    const std::vector<std::shared_ptr<const mibnames::DefinitionBlock>>& Blocks() const {
        return m_blocks;
    }

private:
    std::vector<const mibnames::Definition*> m_byId;
    std::vector<std::shared_ptr<const mibnames::DefinitionBlock>> m_blocks;
};

// The report that a report record describes, ordered as mibnames::ModuleReport says; null
// for one that is not whole.
std::shared_ptr<mibnames::ModuleReport> ReadReport(std::string_view body);

// The imports of module `module` in `text` (the file's text) as net-snmp's parser reads an
// IMPORTS clause: each imported descriptor with the module it comes FROM.
std::multimap<std::string, std::string> ImportsOf(std::string_view text, std::string_view module);

} // namespace mibrecords
