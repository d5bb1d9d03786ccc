// The MIB reader's definition and module records: written from net-snmp's parser tree and
// module list in the reader, read back into Okapel's own records in Okapel.
#include "snmpapi/MibRecords.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace mibrecords {

using mibnames::Access;
using mibnames::Kind;
using mibnames::ModuleProblem;
using mibnames::ModuleState;
using mibnames::Status;
using mibnames::Syntax;
using mibstream::StreamReader;
using mibstream::StreamWriter;

namespace {

Kind KindOf(int type) {
    switch (type) {
    case TYPE_TRAPTYPE:
        return Kind::Trap;
    case TYPE_NOTIFTYPE:
        return Kind::Notification;
    case TYPE_OBJGROUP:
        return Kind::Group;
    case TYPE_NOTIFGROUP:
        return Kind::NotificationGroup;
    case TYPE_MODID:
        return Kind::ModuleIdentity;
    case TYPE_AGENTCAP:
        return Kind::Capabilities;
    case TYPE_MODCOMP:
        return Kind::Compliance;
    case TYPE_OBJIDENTITY:
        return Kind::ObjectIdentity;
    default:
        return Kind::Value;
    }
}

// The parser's simple types (TYPE_OBJID 1 .. TYPE_INTEGER32 16) in their order.
Syntax SyntaxOf(int type) {
    return type >= TYPE_OBJID && type <= TYPE_SIMPLE_LAST ? static_cast<Syntax>(type)
                                                          : Syntax::None;
}
static_assert(static_cast<int>(Syntax::ObjectIdentifier) == TYPE_OBJID &&
              static_cast<int>(Syntax::OctetString) == TYPE_OCTETSTR &&
              static_cast<int>(Syntax::Counter64) == TYPE_COUNTER64 &&
              static_cast<int>(Syntax::Integer32) == TYPE_INTEGER32);

Access AccessOf(int access) {
    switch (access) {
    case MIB_ACCESS_READONLY:
        return Access::ReadOnly;
    case MIB_ACCESS_READWRITE:
        return Access::ReadWrite;
    case MIB_ACCESS_WRITEONLY:
        return Access::WriteOnly;
    case MIB_ACCESS_NOACCESS:
        return Access::NotAccessible;
    case MIB_ACCESS_NOTIFY:
        return Access::AccessibleForNotify;
    case MIB_ACCESS_CREATE:
        return Access::ReadCreate;
    default:
        return Access::None;
    }
}

Status StatusOf(int status) {
    switch (status) {
    case MIB_STATUS_MANDATORY:
        return Status::Mandatory;
    case MIB_STATUS_OPTIONAL:
        return Status::Optional;
    case MIB_STATUS_OBSOLETE:
        return Status::Obsolete;
    case MIB_STATUS_DEPRECATED:
        return Status::Deprecated;
    case MIB_STATUS_CURRENT:
        return Status::Current;
    default:
        return Status::None;
    }
}

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

// The number of items of a list of the parser's, as a record counts them.
template <typename Item> std::uint16_t CountOf(const Item* item) {
    std::uint16_t count = 0;
    for (; item && count < 0xFFFF; item = item->next)
        ++count;
    return count;
}

} // namespace

std::uint32_t DefinitionWriter::Describe(const tree& node, StreamWriter* out) {
    const auto found = m_seen.find(&node);
    if (found != m_seen.end() && found->second.label == node.label &&
        found->second.description == node.description && found->second.enums == node.enums &&
        found->second.hint == node.hint && found->second.type == node.type)
        return found->second.id;
    const std::uint32_t id = m_next++;
    m_seen[&node] = Seen{node.label, node.description, node.enums, node.hint, node.type, id};

    out->Put(id);
    out->Put(static_cast<std::uint8_t>(KindOf(node.type)));
    out->Put(static_cast<std::uint8_t>(SyntaxOf(node.type)));
    out->Put(static_cast<std::uint8_t>(AccessOf(node.access)));
    out->Put(static_cast<std::uint8_t>(StatusOf(node.status)));
    out->PutText(node.tc_index >= 0 ? Text(get_tc_descriptor(node.tc_index)) : "");
    out->PutText(Text(node.hint));
    out->PutText(Text(node.units));
    out->PutText(Text(node.augments));
    out->PutLongText(Text(node.description));
    out->PutText(Text(node.defaultValue));
    out->Put(CountOf(node.enums));
    std::uint16_t left = CountOf(node.enums);
    for (const enum_list* e = node.enums; e && left > 0; e = e->next, --left) {
        out->Put(static_cast<std::int32_t>(e->value));
        out->PutText(Text(e->label));
    }
    left = CountOf(node.ranges);
    out->Put(left);
    for (const range_list* r = node.ranges; r && left > 0; r = r->next, --left) {
        out->Put(static_cast<std::int32_t>(r->low));
        out->Put(static_cast<std::int32_t>(r->high));
    }
    left = CountOf(node.indexes);
    out->Put(left);
    for (const index_list* i = node.indexes; i && left > 0; i = i->next, --left) {
        out->Put(static_cast<std::uint8_t>(i->isimplied ? 1 : 0));
        out->PutText(Text(i->ilabel));
    }
    left = CountOf(node.varbinds);
    out->Put(left);
    for (const varbind_list* v = node.varbinds; v && left > 0; v = v->next, --left)
        out->PutText(Text(v->vblabel));
    return id;
}

// --- What became of each module ------------------------------------------------------------

namespace {

// The reporter that takes the parser's words: the reader has one.
ModuleReporter* g_reporter = nullptr;

int OnReporterLog(int, int, void* message, void*) {
    const auto* log = static_cast<const snmp_log_message*>(message);
    if (g_reporter && log && log->msg)
        g_reporter->Take(log->msg);
    return 0;
}

} // namespace

module* ParserModules() {
    // The head is the module with the highest number; modules are numbered from 0 as they
    // are made known and never forgotten in the reader.
    int high = 1;
    while (find_module(high))
        high *= 2;
    int low = 0;
    while (low + 1 < high) {
        const int middle = low + (high - low) / 2;
        (find_module(middle) ? low : high) = middle;
    }
    return find_module(low);
}

namespace {

// Where a message of the parser says it was: the file, the line and the module it names.
struct Place {
    std::string file;
    int line = 0;
    std::string module;
};

Place PlaceOf(std::string_view text) {
    Place place;
    // "...: At line 3 in /path/FILE" and "... near line 4 of /path/FILE"
    struct Marker {
        std::string_view line;
        std::string_view file;
    };
    for (const Marker marker : {Marker{": At line ", " in "}, Marker{" near line ", " of "}}) {
        const size_t at = text.rfind(marker.line);
        if (at == std::string_view::npos)
            continue;
        const std::string_view rest = text.substr(at + marker.line.size());
        place.line = std::atoi(std::string(rest.substr(0, rest.find(' '))).c_str());
        if (const size_t in = rest.find(marker.file); in != std::string_view::npos)
            place.file = rest.substr(in + marker.file.size());
        return place;
    }
    // "Did not find 'x' in module M (/path/FILE)"
    if (!text.empty() && text.back() == ')') {
        const size_t open = text.rfind(" (");
        if (open != std::string_view::npos && text.find('/', open) != std::string_view::npos)
            place.file = text.substr(open + 2, text.size() - open - 3);
    }
    // "Unlinked OID in MODULE: ..." and "Cannot adopt OID in MODULE: ..."
    for (const std::string_view marker :
         {std::string_view("Unlinked OID in "), std::string_view("Cannot adopt OID in ")}) {
        if (text.starts_with(marker)) {
            const std::string_view rest = text.substr(marker.size());
            place.module = rest.substr(0, rest.find(':'));
        }
    }
    return place;
}

// The descriptor that a message of the parser says it could not find or link, if any:
// "Undefined identifier: X near ...", "... ::= { X 3 }", "Did not find 'X' in module #-1".
std::string_view Unfound(std::string_view text) {
    if (text.starts_with("Undefined identifier: ")) {
        const std::string_view rest = text.substr(22);
        return rest.substr(0, rest.find(' '));
    }
    if (const size_t brace = text.find("::= { "); brace != std::string_view::npos) {
        const std::string_view rest = text.substr(brace + 6);
        return rest.substr(0, rest.find(' '));
    }
    if (text.starts_with("Did not find '") &&
        text.find("in module #-1") != std::string_view::npos) {
        const std::string_view rest = text.substr(14);
        return rest.substr(0, rest.find('\''));
    }
    return {};
}

// The node that a message says could not be linked: "... in MODULE: NODE ::= { ... }".
std::string_view Orphan(std::string_view text) {
    const size_t colon = text.find(": ");
    const size_t assign = text.find(" ::= { ");
    if (!(text.starts_with("Unlinked OID in ") || text.starts_with("Cannot adopt OID in ")) ||
        colon == std::string_view::npos || assign == std::string_view::npos || assign < colon)
        return {};
    return text.substr(colon + 2, assign - colon - 2);
}

std::string FileText(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

void ModuleReporter::Start() {
    g_reporter = this;
    snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, OnReporterLog, nullptr);
    // Enabled in its own right: the library's logging was turned off before (SnmpLibraryQuiet).
    if (netsnmp_log_handler* handler =
            netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_DEBUG))
        netsnmp_enable_this_loghandler(handler);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 1);
}

void ModuleReporter::Begin(std::string_view name) {
    m_current = name;
}

void ModuleReporter::NotAModule(const std::string& file) {
    m_notModules.push_back(file);
}

void ModuleReporter::Take(std::string_view message) {
    m_pending += message;
    for (size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
        const std::string line = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        // The directories searched, which the parser says once, before its first missing
        // module: no module's word.
        if (line.empty() || line.starts_with("MIB search path:"))
            continue;
        Place place = PlaceOf(line);
        m_said.push_back(Said{place.module.empty() && place.file.empty() ? m_current : place.module,
                              std::move(place.file), place.line, line});
    }
}

void ModuleReporter::Write(StreamWriter* out) {
    std::vector<ModuleState> modules;
    for (const module* mp = ParserModules(); mp; mp = mp->next) {
        ModuleState state;
        state.name = Text(mp->name);
        state.file = Text(mp->file);
        if (mp->no_imports == -1) {
            state.outcome = ModuleState::Outcome::Pending;
            modules.push_back(std::move(state));
            continue;
        }
        // The descriptors whose module the parser did not find, and the modules the IMPORTS
        // clause takes them FROM.
        std::set<std::string, std::less<>> missingLabels;
        std::multimap<std::string, std::string> imports;
        for (int i = 0; i < mp->no_imports; ++i) {
            if (mp->imports[i].modid != -1 || !mp->imports[i].label)
                continue;
            if (imports.empty())
                imports = ImportsOf(FileText(mp->file), state.name);
            missingLabels.insert(mp->imports[i].label);
            const auto [from, to] = imports.equal_range(mp->imports[i].label);
            for (auto it = from; it != to; ++it)
                if (std::find(state.missingImports.begin(), state.missingImports.end(),
                              it->second) == state.missingImports.end())
                    state.missingImports.push_back(it->second);
        }
        std::set<std::string> seen;
        // The module's nodes that could not be linked, each to the parent it names: a node
        // under one that is missing cannot be linked either.
        std::map<std::string_view, std::string_view> unlinked;
        for (const Said& said : m_said) {
            if (said.module != state.name && said.file != state.file)
                continue;
            if (!seen.insert(said.text).second)
                continue; // the parser says some things twice (it adopts orphans twice)
            state.problems.push_back({said.line, said.text});
            if (const std::string_view child = Orphan(said.text); !child.empty())
                unlinked.emplace(child, Unfound(said.text));
        }
        const auto explained = [&](std::string_view name) {
            for (int depth = 0; depth < 64 && !name.empty(); ++depth) {
                if (missingLabels.contains(name))
                    return true;
                const auto parent = unlinked.find(name);
                name = parent == unlinked.end() ? std::string_view() : parent->second;
            }
            return false;
        };
        bool unexplained = false;
        for (const ModuleProblem& problem : state.problems)
            unexplained = unexplained || !(problem.text.starts_with("Cannot find module (") ||
                                           explained(Unfound(problem.text)));
        state.outcome = unexplained                     ? ModuleState::Outcome::Failed
                        : !state.missingImports.empty() ? ModuleState::Outcome::ImportsMissing
                                                        : ModuleState::Outcome::Read;
        modules.push_back(std::move(state));
    }
    for (const std::string& file : m_notModules) {
        ModuleState state;
        state.file = file;
        state.outcome = ModuleState::Outcome::NotAModule;
        modules.push_back(std::move(state));
    }

    out->Put(static_cast<std::uint32_t>(modules.size()));
    for (const ModuleState& m : modules) {
        out->Put(static_cast<std::uint8_t>(m.outcome));
        out->PutText(m.name);
        out->PutText(m.file);
        out->Put(static_cast<std::uint16_t>(std::min<size_t>(m.missingImports.size(), 0xFFFF)));
        for (size_t i = 0; i < m.missingImports.size() && i < 0xFFFF; ++i)
            out->PutText(m.missingImports[i]);
        out->Put(static_cast<std::uint16_t>(std::min<size_t>(m.problems.size(), 0xFFFF)));
        for (size_t i = 0; i < m.problems.size() && i < 0xFFFF; ++i) {
            out->Put(static_cast<std::uint32_t>(m.problems[i].line));
            out->PutText(m.problems[i].text);
        }
    }
}

std::multimap<std::string, std::string> ImportsOf(std::string_view text, std::string_view module) {
    // The tokens of ASN.1 as the parser cuts them: names and numbers, quoted strings, and
    // single marks; comments run from "--" to the next "--" or the line's end.
    std::vector<std::string_view> tokens;
    size_t header = 0;  // the module's "NAME DEFINITIONS", once read
    size_t imports = 0; // its IMPORTS, once read
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            i += 2;
            while (i < text.size() && text[i] != '\n' &&
                   !(text[i] == '-' && i + 1 < text.size() && text[i + 1] == '-'))
                ++i;
            i = i < text.size() && text[i] == '-' ? i + 2 : i;
        } else if (c == '"') {
            const size_t end = text.find('"', i + 1);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') {
            const size_t start = i;
            while (i < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_' ||
                    text[i] == '-') &&
                   !(text[i] == '-' && i + 1 < text.size() && text[i + 1] == '-'))
                ++i;
            tokens.push_back(text.substr(start, i - start));
        } else {
            tokens.push_back(text.substr(i++, 1));
        }
        // The module's IMPORTS clause comes first in it: nothing after its ";" is needed.
        const size_t n = tokens.size();
        if (header == 0 && n >= 2 && tokens[n - 1] == "DEFINITIONS" && tokens[n - 2] == module)
            header = n;
        if (header != 0 && imports == 0 && tokens.back() == "IMPORTS")
            imports = n;
        if (imports != 0 && tokens.back() == ";")
            break;
    }
    std::multimap<std::string, std::string> found;
    auto at = tokens.begin();
    while (at != tokens.end() &&
           !(*at == module && at + 1 != tokens.end() && at[1] == "DEFINITIONS"))
        ++at;
    at = std::find(at, tokens.end(), "IMPORTS");
    std::vector<std::string_view> labels;
    for (; at != tokens.end() && *at != ";"; ++at) {
        if (*at == "FROM" && at + 1 != tokens.end()) {
            ++at;
            for (std::string_view label : labels)
                found.emplace(std::string(label), std::string(*at));
            labels.clear();
        } else if (*at != "," && *at != "IMPORTS" && *at != "{" && *at != "}") {
            labels.push_back(*at);
        }
    }
    return found;
}

// --- Okapel's side -------------------------------------------------------------------------

bool DefinitionReader::Read(std::string_view body) {
    auto block = std::make_shared<mibnames::DefinitionBlock>();
    std::vector<std::pair<std::uint32_t, const mibnames::Definition*>> read;
    StreamReader in(body);
    while (!in.AtEnd()) {
        std::uint32_t id = 0;
        std::uint8_t kind = 0, syntax = 0, access = 0, status = 0;
        std::string_view tc, hint, units, augments, description, defaultValue;
        if (!in.Get(&id) || !in.Get(&kind) || !in.Get(&syntax) || !in.Get(&access) ||
            !in.Get(&status) || !in.GetText(&tc) || !in.GetText(&hint) || !in.GetText(&units) ||
            !in.GetText(&augments) || !in.GetLongText(&description) || !in.GetText(&defaultValue) ||
            id == kNoDefinition || kind > static_cast<std::uint8_t>(Kind::ObjectIdentity) ||
            syntax > static_cast<std::uint8_t>(Syntax::Integer32) ||
            access > static_cast<std::uint8_t>(Access::ReadCreate) ||
            status > static_cast<std::uint8_t>(Status::Current))
            return false;
        mibnames::Definition* d = block->Add();
        d->kind = static_cast<Kind>(kind);
        d->syntax = static_cast<Syntax>(syntax);
        d->access = static_cast<Access>(access);
        d->status = static_cast<Status>(status);
        d->textualConvention = block->Keep(tc);
        d->hint = block->Keep(hint);
        d->units = block->Keep(units);
        d->augments = block->Keep(augments);
        d->description = block->Keep(description);
        d->defaultValue = block->Keep(defaultValue);
        std::uint16_t count = 0;
        if (!in.Get(&count))
            return false;
        auto enums = block->Items<mibnames::NamedNumber>(count);
        for (auto& e : enums) {
            std::string_view label;
            if (!in.Get(&e.value) || !in.GetText(&label))
                return false;
            e.label = block->Keep(label);
        }
        d->enums = enums;
        if (!in.Get(&count))
            return false;
        auto ranges = block->Items<mibnames::Range>(count);
        for (auto& r : ranges)
            if (!in.Get(&r.low) || !in.Get(&r.high))
                return false;
        d->ranges = ranges;
        if (!in.Get(&count))
            return false;
        auto index = block->Items<mibnames::IndexPart>(count);
        for (auto& part : index) {
            std::uint8_t implied = 0;
            std::string_view name;
            if (!in.Get(&implied) || !in.GetText(&name))
                return false;
            part = {block->Keep(name), implied != 0};
        }
        d->index = index;
        if (!in.Get(&count))
            return false;
        auto objects = block->Items<std::string_view>(count);
        for (auto& object : objects) {
            std::string_view name;
            if (!in.GetText(&name))
                return false;
            object = block->Keep(name);
        }
        d->objects = objects;
        read.emplace_back(id, d);
    }
    for (const auto& [id, definition] : read) {
        if (id >= m_byId.size())
            m_byId.resize(static_cast<size_t>(id) + 1, nullptr);
        m_byId[id] = definition;
    }
    m_blocks.push_back(std::move(block));
    return true;
}

std::shared_ptr<mibnames::ModuleReport> ReadReport(std::string_view body) {
    auto report = std::make_shared<mibnames::ModuleReport>();
    StreamReader in(body);
    std::uint32_t count = 0;
    if (!in.Get(&count))
        return nullptr;
    for (std::uint32_t m = 0; m < count; ++m) {
        ModuleState state;
        std::uint8_t outcome = 0;
        std::string_view name, file;
        std::uint16_t n = 0;
        if (!in.Get(&outcome) ||
            outcome > static_cast<std::uint8_t>(ModuleState::Outcome::Pending) ||
            !in.GetText(&name) || !in.GetText(&file) || !in.Get(&n))
            return nullptr;
        state.outcome = static_cast<ModuleState::Outcome>(outcome);
        state.name = name;
        state.file = file;
        for (std::uint16_t i = 0; i < n; ++i) {
            std::string_view missing;
            if (!in.GetText(&missing))
                return nullptr;
            state.missingImports.emplace_back(missing);
        }
        if (!in.Get(&n))
            return nullptr;
        for (std::uint16_t i = 0; i < n; ++i) {
            std::uint32_t line = 0;
            std::string_view text;
            if (!in.Get(&line) || !in.GetText(&text))
                return nullptr;
            state.problems.push_back({static_cast<int>(line), std::string(text)});
        }
        report->modules.push_back(std::move(state));
    }
    if (!in.AtEnd())
        return nullptr;
    mibnames::OrderModuleReport(report.get());
    return report;
}

} // namespace mibrecords
