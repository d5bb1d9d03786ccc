// A conceptual row's index read back into the values of its INDEX objects. A row's instance
// identifier is its entry's identifier, the column's sub-identifier, then the index: each
// INDEX object's value in turn, written as the object's syntax says: an integer as one
// sub-identifier, an IpAddress as four, a string as its length and then one sub-identifier
// per byte (no length where the size can only be one value, or where the part is IMPLIED and
// so runs to the end), an OBJECT IDENTIFIER as its length and its sub-identifiers (no length
// when IMPLIED). An index that does not read whole this way (a byte over 255, a length past
// the end, sub-identifiers left over) fits no INDEX, and its row is shown by its numbers.
//
// Plain code: no window, and any thread may call it.
#pragma once

#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace values {

struct IndexPartSyntax {
    enum class Kind : std::uint8_t {
        Unknown, // no syntax that an index can be written in: nothing fits
        Integer,
        String,      // with its length, or to the end when IMPLIED
        FixedString, // of `fixedLength` bytes, without a length
        IpAddress,
        NetworkAddress, // SMIv1: the address family (1, internet) and then an IpAddress
        ObjectIdentifier,
    };
    std::string name; // the INDEX object's name, the column's header
    Kind kind = Kind::Unknown;
    std::size_t fixedLength = 0;
    bool implied = false;
};

// One INDEX object's value of a row: its text, and for an integer its number, which sorts
// the rows as numbers.
struct IndexValue {
    std::string text;
    bool numeric = false;
    std::uint64_t number = 0;
};

// The values of `parts` read from the index `ids` (the sub-identifiers after the column's);
// nothing when the index does not fit them, and nothing for no parts.
std::optional<std::vector<IndexValue>> DecodeIndex(std::span<const IndexPartSyntax> parts,
                                                   const UINT* ids, UINT length);

// The index's numbers as a text: "3.116.101.115" ("" for none).
std::string RawIndexText(const UINT* ids, UINT length);

// The INDEX of an entry node as its module gives it (the base's INDEX for an entry that
// AUGMENTS another), each object's syntax and size from its definition; empty when the
// modules give no INDEX.
std::vector<IndexPartSyntax> IndexPartsOf(const mibnames::Table& names, int entry);

// The entry that `entry` AUGMENTS (its base, whose rows it extends); kNone for an entry that
// augments none, or whose base the modules do not define.
int AugmentedEntryOf(const mibnames::Table& names, int entry);

// The conceptual row (an entry: a node with an INDEX or an AUGMENTS) that `node` names: the
// node itself, or the entry below a table node; kNone for a node that is neither.
int EntryOf(const mibnames::Table& names, int node);

} // namespace values
