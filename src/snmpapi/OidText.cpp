// Object identifier texts: the MIB name form out, dotted decimal and the name form in.
//
// The names come from the name table in force (MibNames.h): the built-in names until the
// machine's MIB modules are read, then every name that those modules define as well. Each
// call takes the table once, so a table published in the middle of a call does not mix in.
//
// SnmpMgrOidToStr writes an identifier x as follows:
//  1. When x's path passes a node where a text may begin (a group directly below mib-2
//     1.3.6.1.2.1, or snmpTrapOID, snmpTrapEnterprise or snmpTraps), and that node's name
//     reads back to it: the names from that node down to the deepest node of the table on
//     the path, joined by ".", then the remaining sub-identifiers as decimal numbers:
//         1.3.6.1.2.1.1.5.0            system.sysName.0
//         1.3.6.1.2.1.2.2.1.2.3        interfaces.ifTable.ifEntry.ifDescr.3
//         1.3.6.1.6.3.1.1.4.1.0        snmpTrapOID.0
//         1.3.6.1.6.3.1.1.5.1          snmpTraps.coldStart
//  2. Otherwise, when its first sub-identifier is a named root (ccitt 0, iso 1,
//     joint-iso-ccitt 2): the names from the root down, then the remaining numbers:
//         1.3.6.1.4.1.15.0.0.1         iso.org.dod.internet.private.enterprises.15.0.0.1
//         1.3.6.1.2.1.99.1             iso.org.dod.internet.mgmt.mib-2.99.1
//     and, with the net-snmp modules read,
//         1.3.6.1.4.1.2021.4.5.0       iso.org.dod.internet.private.enterprises.ucdavis.
//                                      memory.memTotalReal.0 (one line)
//  3. Otherwise dotted decimal with a leading ".":
//         5.6.7                        .5.6.7
// Each node is written with the name net-snmp's tools show for it; a node that the modules
// left without a name (net-snmp's anonymous nodes) is written as its number, and the names
// go on below it:
//         1.3.6.1.4.1.9999.1.7         iso.org.dod.internet.private.enterprises.9999.1.acmeFan
// Where one parent has two children of one name, each is written with it, and the text
// reads back as net-snmp reads it: to the child that net-snmp finds first.
//
// SnmpMgrStrToOid reads
//     text      = ["."] [module "::"] component *("." component)
//     component = number / name
//     number    = 1*DIGIT            ; 0 .. 4294967295, leading zeros allowed
//     name      = a name of the table, exactly as it is spelt there
//     module    = the name of a MIB module that was read
// When the first component is a number, every component must be one and the text is the
// whole identifier from the root: "1.3.6.1" and ".1.3.6.1" are the same identifier. When
// the first component is a name, it stands for that node's whole identifier: the node of
// that name in the module given, or without a module the node that alone bears the name
// (a root, or failing that a node where a text may begin, before any other, so that
// "system" is mib-2's group whatever else a module calls "system"). After it, a number
// appends one sub-identifier and a name appends the sub-identifier of that child of the
// identifier read so far (of two children of that name, the one net-snmp finds first).
// Nothing else is read: no empty text, no empty component (hence no ".." and no trailing
// "."), no signs or spaces, no name that is not a child of what precedes it, no first name
// that several nodes share. Every text of SnmpMgrOidToStr is read
// back to the identifier it was written from; so are the texts of net-snmp's tools in
// the forms "ifDescr.1" and "IF-MIB::ifDescr.1".
//
// Both functions use an immutable name table and their own locals only, so the dialog and
// the trap listener may call them at the same time; neither prints anything.
#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One sub-identifier of a dotted text: decimal digits only, at most 2^32 - 1.
bool ReadSubidentifier(std::string_view digits, UINT* value) {
    if (digits.empty())
        return false;
    std::uint64_t n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<unsigned>(c - '0');
        if (n > 0xFFFFFFFFu)
            return false;
    }
    *value = static_cast<UINT>(n);
    return true;
}

bool StartsWithDigit(std::string_view component) {
    return !component.empty() && component[0] >= '0' && component[0] <= '9';
}

// The sub-identifiers from the root down to `node`.
void AppendPathOf(const mibnames::Table& names, int node, std::vector<UINT>* ids) {
    std::vector<UINT> reversed;
    for (int n = node; n != mibnames::kNone; n = names.Parent(n))
        reversed.push_back(names.Arc(n));
    ids->insert(ids->end(), reversed.rbegin(), reversed.rend());
}

// The node that a text's first name stands for, with the module before "::" if any.
int FirstNode(const mibnames::Table& names, std::string_view component) {
    const size_t colons = component.find("::");
    if (colons == std::string_view::npos)
        return names.First(component);
    return names.InModule(component.substr(0, colons), component.substr(colons + 2));
}

bool ReadText(std::string_view text, std::vector<UINT>* ids) {
    if (!text.empty() && text[0] == '.')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const std::shared_ptr<const mibnames::Table> table = mibnames::Current();
    const mibnames::Table& names = *table;
    bool numeric = false;
    int node = mibnames::kNone; // the named node the identifier has reached, if any
    for (bool first = true;; first = false) {
        const size_t dot = text.find('.');
        const std::string_view component = text.substr(0, dot);
        if (first)
            numeric = StartsWithDigit(component);
        if (StartsWithDigit(component)) {
            UINT arc = 0;
            if (!ReadSubidentifier(component, &arc))
                return false;
            ids->push_back(arc);
            // Numbers may lead to a named node again ("mib-2.1.sysName"); the root's
            // children are no such position for a numeric text.
            node =
                numeric || node == mibnames::kNone ? mibnames::kNone : names.ChildByArc(node, arc);
        } else {
            if (numeric || component.empty())
                return false;
            if (first) {
                node = FirstNode(names, component);
                if (node == mibnames::kNone)
                    return false;
                AppendPathOf(names, node, ids);
            } else {
                if (node == mibnames::kNone || !mibnames::IsName(component))
                    return false;
                node = names.ChildByName(node, component);
                if (node == mibnames::kNone)
                    return false;
                ids->push_back(names.Arc(node));
            }
        }
        if (dot == std::string_view::npos)
            return true;
        text.remove_prefix(dot + 1);
    }
}

// The table's nodes along the identifier's path, from the root.
std::vector<int> TablePath(const mibnames::Table& names, const AsnObjectIdentifier& oid) {
    std::vector<int> path;
    for (int node = mibnames::kNone; path.size() < oid.idLength;) {
        node = names.ChildByArc(node, oid.ids[path.size()]);
        if (node == mibnames::kNone)
            break;
        path.push_back(node);
    }
    return path;
}

std::string WriteText(const AsnObjectIdentifier& oid) {
    const std::shared_ptr<const mibnames::Table> table = mibnames::Current();
    const mibnames::Table& names = *table;
    const std::vector<int> path = TablePath(names, oid);
    // A text begins with a name that reads back to its own node.
    const auto begins = [&names](int node) { return names.NameIsOwnFirst(node); };
    size_t first = 0;
    while (first < path.size() && !(names.StartsText(path[first]) && begins(path[first])))
        ++first;
    if (first == path.size())
        first = 0; // rule 2: from the root
    const size_t known = path.empty() || !begins(path[first]) ? 0 : path.size();

    std::string out;
    out.reserve(128);
    if (known == 0)
        out += '.'; // rule 3: the leading dot says "numbers from the root"
    for (size_t i = first; i < oid.idLength; ++i) {
        if (i > first)
            out += '.';
        if (i < known && names.Named(path[i]))
            out += names.Name(path[i]);
        else
            out += std::to_string(oid.ids[i]);
    }
    return out;
}

} // namespace

BOOL SnmpMgrStrToOid(const char* text, AsnObjectIdentifier* oid) {
    *oid = AsnObjectIdentifier{};
    if (!text)
        return FALSE;
    std::vector<UINT> ids;
    if (!ReadText(text, &ids))
        return FALSE;
    const AsnObjectIdentifier parsed{static_cast<UINT>(ids.size()), ids.data()};
    return SnmpUtilOidCpy(oid, &parsed);
}

BOOL SnmpMgrOidToStr(const AsnObjectIdentifier* oid, char** text) {
    *text = nullptr;
    if (!oid || oid->idLength == 0 || !oid->ids)
        return FALSE;
    const std::string out = WriteText(*oid);
    *text = static_cast<char*>(SnmpUtilMemAlloc(static_cast<UINT>(out.size() + 1)));
    if (!*text)
        return FALSE;
    std::memcpy(*text, out.c_str(), out.size() + 1);
    return TRUE;
}
