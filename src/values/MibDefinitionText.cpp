// values::DefinitionText: what the modules say of a node, in snmptranslate -Td's layout.
#include "values/MibValues.h"

#include <cstdint>
#include <string>
#include <vector>

namespace values {
namespace {

using mibnames::Definition;
using mibnames::Kind;

std::string_view MacroOf(const Definition& d) {
    switch (d.kind) {
    case Kind::Value:
        break;
    case Kind::Trap:
        return "TRAP-TYPE";
    case Kind::Notification:
        return "NOTIFICATION-TYPE";
    case Kind::Group:
        return "OBJECT-GROUP";
    case Kind::NotificationGroup:
        return "NOTIFICATION-GROUP";
    case Kind::ModuleIdentity:
        return "MODULE-IDENTITY";
    case Kind::Compliance:
        return "MODULE-COMPLIANCE";
    case Kind::Capabilities:
        return "AGENT-CAPABILITIES";
    case Kind::ObjectIdentity:
        return "OBJECT-IDENTITY";
    }
    // A node of which a module says nothing but its place was named by an OBJECT
    // IDENTIFIER assignment (or a path through it).
    const bool placeOnly =
        d.syntax == mibnames::Syntax::None && d.access == mibnames::Access::None &&
        d.status == mibnames::Status::None && d.description.empty() && d.enums.empty() &&
        d.ranges.empty() && d.index.empty() && d.augments.empty() && d.objects.empty() &&
        d.hint.empty() && d.units.empty() && d.defaultValue.empty();
    return placeOnly ? "OBJECT IDENTIFIER" : "OBJECT-TYPE";
}

template <typename Items, typename Write>
void Joined(std::string* out, const Items& items, std::string_view between, Write write) {
    bool first = true;
    for (const auto& item : items) {
        if (!first)
            *out += between;
        first = false;
        write(item);
    }
}

// "  -- FROM\tA, B": each module once where the list repeats one, as the tool writes it;
// "#-1" for a node of no module (the roots).
void AppendModules(std::string* out, const mibnames::Table& names, int node) {
    *out += "  -- FROM\t";
    const std::span<const int> modules = names.ModulesOf(node);
    if (modules.empty()) {
        *out += "#-1\n";
        return;
    }
    *out += names.ModuleName(modules[0]);
    for (size_t i = 1; i < modules.size(); ++i) {
        if (modules[i] == modules[i - 1])
            continue;
        *out += ", ";
        *out += names.ModuleName(modules[i]);
    }
    *out += '\n';
}

void AppendSyntax(std::string* out, const Definition& d) {
    const std::string_view syntax = mibnames::SyntaxText(d.syntax);
    if (!syntax.empty()) {
        *out += "  SYNTAX\t";
        *out += syntax;
    }
    if (!d.ranges.empty()) {
        // The unsigned types' bounds as unsigned numbers (a size of up to 4294967295).
        using mibnames::Syntax;
        const bool unsignedBounds = d.syntax == Syntax::Unsigned32 ||
                                    d.syntax == Syntax::OctetString ||
                                    d.syntax == Syntax::Gauge32 || d.syntax == Syntax::UInteger32;
        const auto bound = [unsignedBounds](std::int32_t b) {
            return unsignedBounds ? std::to_string(static_cast<std::uint32_t>(b))
                                  : std::to_string(b);
        };
        *out += " (";
        Joined(out, d.ranges, " | ", [out, &bound](const mibnames::Range& r) {
            *out += bound(r.low);
            if (r.low != r.high)
                *out += ".." + bound(r.high);
        });
        *out += ") ";
    }
    if (!d.enums.empty()) {
        *out += " {";
        Joined(out, d.enums, ", ", [out](const mibnames::NamedNumber& e) {
            *out += e.label;
            *out += "(" + std::to_string(e.value) + ")";
        });
        *out += "} ";
    }
    if (!syntax.empty())
        *out += '\n';
}

void AppendField(std::string* out, std::string_view field, std::string_view before,
                 std::string_view value, std::string_view after) {
    if (value.empty())
        return;
    *out += field;
    *out += before;
    *out += value;
    *out += after;
    *out += '\n';
}

// "::= { iso(1) org(3) ... 8 }": every node on the way by its name and number, the node's
// own number last.
void AppendPath(std::string* out, const mibnames::Table& names, int node) {
    std::vector<int> path;
    for (int n = node; n != mibnames::kNone; n = names.Parent(n))
        path.insert(path.begin(), n);
    *out += "::= {";
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        *out += ' ';
        if (names.Named(path[i])) {
            *out += names.Name(path[i]);
            *out += "(" + std::to_string(names.Arc(path[i])) + ")";
        } else {
            *out += std::to_string(names.Arc(path[i]));
        }
    }
    *out += " " + std::to_string(names.Arc(node)) + " }\n";
}

} // namespace

std::string DefinitionText(const mibnames::Table& names, int node) {
    static const Definition kNothing{};
    const Definition& d = names.DefinitionOf(node) ? *names.DefinitionOf(node) : kNothing;
    std::string out;
    out += names.Named(node) ? std::string(names.Name(node)) : std::to_string(names.Arc(node));
    out += ' ';
    out += MacroOf(d);
    out += '\n';
    AppendModules(&out, names, node);
    AppendField(&out, "  -- TEXTUAL CONVENTION ", "", d.textualConvention, "");
    AppendSyntax(&out, d);
    AppendField(&out, "  DISPLAY-HINT", "\t\"", d.hint, "\"");
    AppendField(&out, "  UNITS", "\t\t\"", d.units, "\"");
    AppendField(&out, "  MAX-ACCESS", "\t", mibnames::AccessText(d.access), "");
    AppendField(&out, "  STATUS", "\t", mibnames::StatusText(d.status), "");
    AppendField(&out, "  AUGMENTS", "\t{ ", d.augments, " }");
    if (!d.index.empty()) {
        out += "  INDEX\t\t{ ";
        Joined(&out, d.index, ", ", [&out](const mibnames::IndexPart& part) {
            if (part.implied)
                out += "IMPLIED ";
            out += part.name;
        });
        out += " }\n";
    }
    if (!d.objects.empty()) {
        out += d.kind == Kind::Trap ? "  VARIABLES\t{ " : "  OBJECTS\t{ ";
        Joined(&out, d.objects, ", ", [&out](std::string_view object) { out += object; });
        out += " }\n";
    }
    AppendField(&out, "  DESCRIPTION", "\t\"", d.description, "\"");
    AppendField(&out, "  DEFVAL", "\t{ ", d.defaultValue, " }");
    AppendPath(&out, names, node);
    return out;
}

} // namespace values
