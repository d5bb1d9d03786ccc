// The blocks that hold definitions, the names of their parts, and the module report in force.
#include "snmpapi/MibDefinitions.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace mibnames {

namespace {

// Large enough that a module's definitions take a few chunks, small enough that a table of
// a few built-in definitions wastes little.
constexpr std::size_t kChunkSize = 64 * 1024;

} // namespace

void* DefinitionBlock::Allocate(std::size_t bytes, std::size_t alignment) {
    std::size_t at = (m_used + alignment - 1) / alignment * alignment;
    if (m_chunks.empty() || at + bytes > m_chunkSize) {
        // A text longer than a chunk gets a chunk of its own.
        const std::size_t size = std::max(kChunkSize, bytes + alignment);
        m_chunks.push_back(std::make_unique<std::byte[]>(size));
        m_chunkSize = size;
        m_held += size;
        const auto base = reinterpret_cast<std::uintptr_t>(m_chunks.back().get());
        at = (alignment - base % alignment) % alignment;
    }
    m_used = at + bytes;
    return m_chunks.back().get() + at;
}

std::string_view DefinitionBlock::Keep(std::string_view text) {
    if (text.empty())
        return {};
    char* copy = static_cast<char*>(Allocate(text.size(), 1));
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

Definition* DefinitionBlock::Add() {
    Definition* definition = Items<Definition>(1).data();
    m_definitions.push_back(definition);
    return definition;
}

std::size_t DefinitionBlock::Bytes() const {
    return m_held + m_definitions.capacity() * sizeof(const Definition*);
}

std::string_view AccessText(Access access) {
    switch (access) {
    case Access::ReadOnly:
        return "read-only";
    case Access::ReadWrite:
        return "read-write";
    case Access::WriteOnly:
        return "write-only";
    case Access::NotAccessible:
        return "not-accessible";
    case Access::AccessibleForNotify:
        return "accessible-for-notify";
    case Access::ReadCreate:
        return "read-create";
    case Access::None:
        break;
    }
    return {};
}

std::string_view StatusText(Status status) {
    switch (status) {
    case Status::Mandatory:
        return "mandatory";
    case Status::Optional:
        return "optional";
    case Status::Obsolete:
        return "obsolete";
    case Status::Deprecated:
        return "deprecated";
    case Status::Current:
        return "current";
    case Status::None:
        break;
    }
    return {};
}

std::string_view SyntaxText(Syntax syntax) {
    switch (syntax) {
    case Syntax::ObjectIdentifier:
        return "OBJECT IDENTIFIER";
    case Syntax::OctetString:
        return "OCTET STRING";
    case Syntax::Integer:
        return "INTEGER";
    case Syntax::NetworkAddress:
        return "NetworkAddress";
    case Syntax::IpAddress:
        return "IpAddress";
    case Syntax::Counter32:
        return "Counter32";
    case Syntax::Gauge32:
        return "Gauge32";
    case Syntax::TimeTicks:
        return "TimeTicks";
    case Syntax::Opaque:
        return "Opaque";
    case Syntax::Null:
        return "NULL";
    case Syntax::Counter64:
        return "Counter64";
    case Syntax::Bits:
        return "BITS";
    case Syntax::NsapAddress:
        return "NsapAddress";
    case Syntax::UInteger32:
        return "UInteger32";
    case Syntax::Unsigned32:
        return "Unsigned32";
    case Syntax::Integer32:
        return "Integer32";
    case Syntax::None:
        break;
    }
    return {};
}

void OrderModuleReport(ModuleReport* report) {
    using Outcome = ModuleState::Outcome;
    std::vector<ModuleState>& modules = report->modules;
    // One row for each module that is imported but not there, with everyone who imports it.
    std::map<std::string, std::vector<std::string>> importers;
    for (const ModuleState& module : modules)
        for (const std::string& missing : module.missingImports)
            importers[missing].push_back(module.name);
    modules.erase(
        std::remove_if(modules.begin(), modules.end(),
                       [](const ModuleState& m) { return m.outcome == Outcome::Missing; }),
        modules.end());
    for (auto& [name, by] : importers) {
        std::sort(by.begin(), by.end());
        by.erase(std::unique(by.begin(), by.end()), by.end());
        ModuleState missing;
        missing.name = name;
        missing.outcome = Outcome::Missing;
        missing.importedBy = std::move(by);
        modules.push_back(std::move(missing));
    }
    const auto rank = [](Outcome outcome) {
        switch (outcome) {
        case Outcome::Missing:
            return 0;
        case Outcome::ReaderStopped:
            return 1;
        case Outcome::Failed:
            return 2;
        case Outcome::ImportsMissing:
            return 3;
        case Outcome::NotAModule:
            return 4;
        case Outcome::Read:
            return 5;
        case Outcome::Pending:
            break;
        }
        return 6;
    };
    std::stable_sort(
        modules.begin(), modules.end(), [&rank](const ModuleState& a, const ModuleState& b) {
            const auto key = [&rank](const ModuleState& m) {
                return std::make_tuple(rank(m.outcome), -static_cast<long>(m.importedBy.size()),
                                       std::string_view(m.name), std::string_view(m.file));
            };
            return key(a) < key(b);
        });
}

namespace {

// Built on first use; C++ makes that first use safe from any number of threads.
InForce<ModuleReport>& TheReport() {
    static InForce<ModuleReport> inForce(std::make_shared<const ModuleReport>());
    return inForce;
}

} // namespace

std::shared_ptr<const ModuleReport> CurrentModuleReport() {
    return TheReport().Get();
}

void PublishModuleReport(std::shared_ptr<const ModuleReport> report) {
    TheReport().Swap(report ? std::move(report) : std::make_shared<const ModuleReport>());
}

} // namespace mibnames
