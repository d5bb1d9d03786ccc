// Object identifier texts: the MIB name form out, dotted decimal and the name form in.
//
// SnmpMgrOidToStr writes an identifier x as follows, the names coming from the tree of
// MibNames.cpp:
//  1. When x's path passes a node where a text may begin (a group directly below mib-2
//     1.3.6.1.2.1, or snmpTrapOID, snmpTrapEnterprise or snmpTraps): the names from that
//     node down to the deepest named node on the path, joined by ".", then the remaining
//     sub-identifiers as decimal numbers:
//         1.3.6.1.2.1.1.5.0            system.sysName.0
//         1.3.6.1.2.1.2.2.1.2.3        interfaces.ifTable.ifEntry.ifDescr.3
//         1.3.6.1.6.3.1.1.4.1.0        snmpTrapOID.0
//         1.3.6.1.6.3.1.1.5.1          snmpTraps.coldStart
//  2. Otherwise, when its first sub-identifier is a named root (ccitt 0, iso 1,
//     joint-iso-ccitt 2): the names from the root down, then the remaining numbers:
//         1.3.6.1.4.1.15.0.0.1         iso.org.dod.internet.private.enterprises.15.0.0.1
//         1.3.6.1.2.1.99.1             iso.org.dod.internet.mgmt.mib-2.99.1
//  3. Otherwise dotted decimal with a leading ".":
//         5.6.7                        .5.6.7
//
// SnmpMgrStrToOid reads
//     text      = ["."] component *("." component)
//     component = number / name
//     number    = 1*DIGIT            ; 0 .. 4294967295, leading zeros allowed
//     name      = a name of the tree, exactly as it is spelt there
// When the first component is a number, every component must be one and the text is the
// whole identifier from the root: "1.3.6.1" and ".1.3.6.1" are the same identifier. When
// the first component is a name, it stands for that node's whole identifier (no two nodes
// share a name); after it, a number appends one sub-identifier and a name appends the
// sub-identifier of that child of the identifier read so far. Nothing else is read: no
// empty text, no empty component (hence no ".." and no trailing "."), no signs or spaces,
// no name that is not a child of what precedes it. Every text of SnmpMgrOidToStr is read
// back to the identifier it was written from.
//
// Both functions use the read-only name tree and their own locals only, so the dialog and
// the trap listener may call them at the same time; neither prints anything.
#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool ReadNumber(std::string_view digits, UINT* value) {
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
void AppendPathOf(int node, std::vector<UINT>* ids) {
    std::vector<UINT> reversed;
    for (int n = node; n != mibnames::kNone; n = mibnames::Parent(n))
        reversed.push_back(mibnames::Arc(n));
    ids->insert(ids->end(), reversed.rbegin(), reversed.rend());
}

bool ReadText(std::string_view text, std::vector<UINT>* ids) {
    if (!text.empty() && text[0] == '.')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    bool numeric = false;
    int node = mibnames::kNone; // the named node the identifier has reached, if any
    for (bool first = true;; first = false) {
        const size_t dot = text.find('.');
        const std::string_view component = text.substr(0, dot);
        if (first)
            numeric = StartsWithDigit(component);
        if (StartsWithDigit(component)) {
            UINT arc = 0;
            if (!ReadNumber(component, &arc))
                return false;
            ids->push_back(arc);
            // Numbers may lead to a named node again ("mib-2.1.sysName"); the root's
            // children are no such position for a numeric text.
            node = numeric || node == mibnames::kNone ? mibnames::kNone
                                                      : mibnames::ChildByArc(node, arc);
        } else {
            if (numeric || component.empty())
                return false;
            const int named = mibnames::Find(component);
            if (named == mibnames::kNone)
                return false;
            if (first) {
                AppendPathOf(named, ids);
            } else {
                if (node == mibnames::kNone || mibnames::Parent(named) != node)
                    return false;
                ids->push_back(mibnames::Arc(named));
            }
            node = named;
        }
        if (dot == std::string_view::npos)
            return true;
        text.remove_prefix(dot + 1);
    }
}

std::string WriteText(const AsnObjectIdentifier& oid) {
    // The named nodes along the identifier's path, from the root.
    std::vector<int> path;
    for (int node = mibnames::kNone; path.size() < oid.idLength;) {
        node = mibnames::ChildByArc(node, oid.ids[path.size()]);
        if (node == mibnames::kNone)
            break;
        path.push_back(node);
    }
    std::string out;
    size_t first = 0;
    if (path.empty()) {
        out += '.'; // rule 3: the leading dot says "numbers from the root"
    } else {
        while (first < path.size() && !mibnames::StartsText(path[first]))
            ++first;
        if (first == path.size())
            first = 0; // rule 2: from the root
        for (size_t i = first; i < path.size(); ++i) {
            if (i > first)
                out += '.';
            out += mibnames::Name(path[i]);
        }
    }
    for (size_t i = path.size(); i < oid.idLength; ++i) {
        if (i > 0)
            out += '.';
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
