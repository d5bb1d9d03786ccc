// What a MIB module says of a node beyond its name: the macro that defined it, its syntax
// as the parser resolved it through its textual convention (base type, enumerations or BITS
// labels, ranges and sizes), display hint, units, max-access, status, INDEX or AUGMENTS, a
// notification's OBJECTS, DEFVAL and DESCRIPTION; and what became of each module that was
// read or tried.
//
// A definition never changes once it is made, and any number of threads may read it, as
// they read the name table that points to it (MibNames.h). The texts are views into storage
// that the table keeps alive.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace mibnames {

// The macro that defined a node, as net-snmp's parser tells them apart. A node of an
// OBJECT IDENTIFIER assignment, or one that only names a parent, is Value with no syntax,
// access or status.
enum class Kind : std::uint8_t {
    Value,             // OBJECT-TYPE, or a plain OBJECT IDENTIFIER
    Trap,              // TRAP-TYPE (SMIv1)
    Notification,      // NOTIFICATION-TYPE
    Group,             // OBJECT-GROUP
    NotificationGroup, // NOTIFICATION-GROUP
    ModuleIdentity,    // MODULE-IDENTITY
    Compliance,        // MODULE-COMPLIANCE
    Capabilities,      // AGENT-CAPABILITIES
    ObjectIdentity,    // OBJECT-IDENTITY
};

// An object's base type after its textual convention is resolved, in the parser's terms.
enum class Syntax : std::uint8_t {
    None, // no SYNTAX, or one that the parser could not resolve
    ObjectIdentifier,
    OctetString,
    Integer, // INTEGER, with or without enumerations
    NetworkAddress,
    IpAddress,
    Counter32,
    Gauge32,
    TimeTicks,
    Opaque,
    Null,
    Counter64,
    Bits,
    NsapAddress,
    UInteger32,
    Unsigned32,
    Integer32,
};

enum class Access : std::uint8_t {
    None,
    ReadOnly,
    ReadWrite,
    WriteOnly,
    NotAccessible,
    AccessibleForNotify,
    ReadCreate,
};

enum class Status : std::uint8_t { None, Mandatory, Optional, Obsolete, Deprecated, Current };

// An enumeration's or a BITS label's number and name.
struct NamedNumber {
    std::int32_t value;
    std::string_view label;
};

// One range of values or sizes, both ends included.
struct Range {
    std::int32_t low;
    std::int32_t high;
};

struct IndexPart {
    std::string_view name; // the object whose values make this part of a row's index
    bool implied;          // IMPLIED: a string or identifier to the end, without its length
};

struct Definition {
    Kind kind = Kind::Value;
    Syntax syntax = Syntax::None;
    Access access = Access::None;
    Status status = Status::None;
    bool builtIn = false; // Okapel's own, for a machine without the module
    std::string_view textualConvention;
    std::string_view hint;
    std::string_view units;
    std::string_view augments;
    std::string_view description;
    std::string_view defaultValue;
    std::span<const NamedNumber> enums; // enumerations, or BITS labels
    std::span<const Range> ranges;
    std::span<const IndexPart> index;
    std::span<const std::string_view> objects; // a notification's OBJECTS, a trap's VARIABLES
};

// The names of the enumerations above as the modules write them: "read-only", "current",
// "OBJECT-TYPE", "Integer32"; empty for None.
std::string_view AccessText(Access access);
std::string_view StatusText(Status status);
std::string_view SyntaxText(Syntax syntax);

// Definitions made together, and the texts and lists they point to, in large blocks of
// memory: filled once and never changed after, so that a table that points into them may be
// read from any thread while the next ones are made.
class DefinitionBlock {
public:
    DefinitionBlock() = default;
    DefinitionBlock(const DefinitionBlock&) = delete;
    DefinitionBlock& operator=(const DefinitionBlock&) = delete;

    // A copy of `text` that lives as long as the block.
    std::string_view Keep(std::string_view text);
    // Room for `count` items that lives as long as the block, each value-initialised.
    template <typename T> std::span<T> Items(std::size_t count) {
        static_assert(std::is_trivially_destructible_v<T>);
        if (count == 0)
            return {};
        T* items = static_cast<T*>(Allocate(sizeof(T) * count, alignof(T)));
        for (std::size_t i = 0; i < count; ++i)
            new (items + i) T{};
        return {items, count};
    }
    // A new definition of the block, which keeps it in the order of these calls.
    Definition* Add();
    std::size_t Count() const { return m_definitions.size(); }
    const Definition* At(std::size_t i) const { return m_definitions[i]; }
    // The memory that the block holds, for the benchmarks' account of it.
    std::size_t Bytes() const;

private:
    void* Allocate(std::size_t bytes, std::size_t alignment);
    std::vector<std::unique_ptr<std::byte[]>> m_chunks;
    std::size_t m_chunkSize = 0;
    std::size_t m_used = 0;
    std::size_t m_held = 0;
    std::vector<const Definition*> m_definitions;
};

// What became of a module that was read or tried, as the parser told it.
struct ModuleProblem {
    int line = 0; // 0: the parser named no line
    std::string text;
};

struct ModuleState {
    enum class Outcome : std::uint8_t {
        Read,           // read without a word from the parser
        ImportsMissing, // read, but modules it imports are not on the machine
        Failed,         // the parser found errors in it
        Missing,        // not on the machine: only imported by others
        NotAModule,     // a file of a MIB directory that holds no module
        ReaderStopped,  // the reader ended while it read this module
        Pending,        // made known to the parser, not read yet
    };
    std::string name; // empty for a file that is not a module
    std::string file;
    Outcome outcome = Outcome::Read;
    std::vector<std::string> missingImports; // the modules it imports that are not there
    std::vector<std::string> importedBy;     // for a Missing module: who imports it
    std::vector<ModuleProblem> problems;     // the parser's words, in its order
};

// Every module that the last load read or tried, root causes first: the missing modules
// (those imported by most first), the module the reader stopped in, the modules that
// failed, those read with imports missing, the files that are no modules, the modules read
// without a word and those not read yet; by name within each. Empty until a load reports.
struct ModuleReport {
    std::vector<ModuleState> modules;
    bool complete = false; // the reader read everything and ended
};

// What is in force for every thread (the name table, the module report), behind a mutex: the
// hand-over is a pointer copy under the lock, which every thread sanitizer and memory model
// understands, and what a Swap replaces is freed by its last holder outside the lock.
template <typename T> class InForce {
public:
    explicit InForce(std::shared_ptr<const T> first) : m_value(std::move(first)) {}
    std::shared_ptr<const T> Get() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_value;
    }
    void Swap(std::shared_ptr<const T> value) {
        std::unique_lock<std::mutex> guard(m_mutex);
        m_value.swap(value);
        guard.unlock();
    }

private:
    std::mutex m_mutex;
    std::shared_ptr<const T> m_value;
};

std::shared_ptr<const ModuleReport> CurrentModuleReport();
void PublishModuleReport(std::shared_ptr<const ModuleReport> report);

// Orders a report's modules as ModuleReport says, and fills in each missing module's
// importers (a module that several modules import but that is not there is listed once).
void OrderModuleReport(ModuleReport* report);

} // namespace mibnames
