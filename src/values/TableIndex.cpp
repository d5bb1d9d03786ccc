#include "values/TableIndex.h"

namespace values {

namespace {

using Kind = IndexPartSyntax::Kind;

bool Printable(const std::string& bytes) {
    for (const unsigned char c : bytes) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// A string part's bytes as the table shows them: the text where every byte is a printable
// character, else the bytes in hex ("0A 1B 2C").
std::string StringText(const std::string& bytes) {
    if (Printable(bytes))
        return bytes;
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char c : bytes) {
        if (!text.empty())
            text += ' ';
        text += kHex[c >> 4];
        text += kHex[c & 0x0F];
    }
    return text;
}

// Reads `count` bytes from ids[*at ...]; false when they run past the end or one is no byte.
bool ReadBytes(const UINT* ids, UINT length, UINT* at, UINT count, std::string* bytes) {
    if (count > length - *at)
        return false;
    bytes->clear();
    bytes->reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT id = ids[*at + i];
        if (id > 0xFF)
            return false;
        bytes->push_back(static_cast<char>(id));
    }
    *at += count;
    return true;
}

bool ReadPart(const IndexPartSyntax& part, bool last, const UINT* ids, UINT length, UINT* at,
              IndexValue* value) {
    const UINT left = length - *at;
    // An IMPLIED part takes what is left, and only the last part can be one.
    const bool toEnd = part.implied && last;
    switch (part.kind) {
    case Kind::Integer:
        if (left < 1)
            return false;
        value->numeric = true;
        value->number = ids[*at];
        value->text = std::to_string(ids[*at]);
        ++*at;
        return true;
    case Kind::NetworkAddress:
        // The address family first: only the internet family (1) is written.
        if (left < 1 || ids[*at] != 1)
            return false;
        ++*at;
        [[fallthrough]];
    case Kind::IpAddress: {
        std::string bytes;
        if (!ReadBytes(ids, length, at, 4, &bytes))
            return false;
        std::uint64_t number = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
            number = (number << 8) | byte;
            value->text += (i ? "." : "") + std::to_string(byte);
        }
        value->numeric = true;
        value->number = number;
        return true;
    }
    case Kind::FixedString:
    case Kind::String: {
        UINT count = left;
        if (part.kind == Kind::FixedString) {
            count = static_cast<UINT>(part.fixedLength);
        } else if (!toEnd) {
            if (left < 1)
                return false;
            count = ids[*at];
            ++*at;
        }
        std::string bytes;
        if (!ReadBytes(ids, length, at, count, &bytes))
            return false;
        value->text = StringText(bytes);
        return true;
    }
    case Kind::ObjectIdentifier: {
        UINT count = left;
        if (!toEnd) {
            if (left < 1)
                return false;
            count = ids[*at];
            ++*at;
        }
        if (count > length - *at)
            return false;
        value->text = RawIndexText(ids + *at, count);
        if (count > 0)
            value->text.insert(0, ".");
        *at += count;
        return true;
    }
    case Kind::Unknown:
        break;
    }
    return false;
}

Kind KindOf(const mibnames::Definition& d, std::size_t* fixedLength) {
    using mibnames::Syntax;
    switch (d.syntax) {
    case Syntax::Integer:
    case Syntax::Integer32:
    case Syntax::Unsigned32:
    case Syntax::UInteger32:
    case Syntax::Counter32:
    case Syntax::Gauge32:
    case Syntax::TimeTicks:
        return Kind::Integer;
    case Syntax::OctetString:
    case Syntax::Opaque:
    case Syntax::Bits:
    case Syntax::NsapAddress:
        // A size of one value only: the string is written without its length.
        if (d.ranges.size() == 1 && d.ranges[0].low == d.ranges[0].high && d.ranges[0].low >= 0) {
            *fixedLength = static_cast<std::size_t>(d.ranges[0].low);
            return Kind::FixedString;
        }
        return Kind::String;
    case Syntax::IpAddress:
        return Kind::IpAddress;
    case Syntax::NetworkAddress:
        return Kind::NetworkAddress;
    case Syntax::ObjectIdentifier:
        return Kind::ObjectIdentifier;
    default:
        return Kind::Unknown;
    }
}

bool IsEntry(const mibnames::Table& names, int node) {
    const mibnames::Definition* d = names.DefinitionOf(node);
    return d && (!d->index.empty() || !d->augments.empty());
}

int FirstModule(const mibnames::Table& names, int node) {
    const auto modules = names.ModulesOf(node);
    return modules.empty() ? -1 : modules[0];
}

} // namespace

std::optional<std::vector<IndexValue>> DecodeIndex(std::span<const IndexPartSyntax> parts,
                                                   const UINT* ids, UINT length) {
    if (parts.empty())
        return std::nullopt;
    std::vector<IndexValue> values(parts.size());
    UINT at = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!ReadPart(parts[i], i + 1 == parts.size(), ids, length, &at, &values[i]))
            return std::nullopt;
    }
    if (at != length)
        return std::nullopt; // sub-identifiers that no part reads
    return values;
}

std::string RawIndexText(const UINT* ids, UINT length) {
    std::string text;
    for (UINT i = 0; i < length; ++i) {
        if (i)
            text += '.';
        text += std::to_string(ids[i]);
    }
    return text;
}

std::vector<IndexPartSyntax> IndexPartsOf(const mibnames::Table& names, int entry) {
    std::vector<IndexPartSyntax> parts;
    if (entry == mibnames::kNone)
        return parts;
    const mibnames::Definition* d = names.DefinitionOf(entry);
    // An entry that AUGMENTS another has the base's rows, so the base's INDEX; a chain of
    // them ends at the first entry with an INDEX, and a loop of them ends too.
    for (int hops = 0; d && d->index.empty() && !d->augments.empty() && hops < 8; ++hops) {
        const int base = names.Find(d->augments, FirstModule(names, entry));
        if (base == mibnames::kNone)
            return parts;
        entry = base;
        d = names.DefinitionOf(base);
    }
    if (!d)
        return parts;
    const int module = FirstModule(names, entry);
    for (const mibnames::IndexPart& index : d->index) {
        IndexPartSyntax part;
        part.name = std::string(index.name);
        part.implied = index.implied;
        const int node = names.Find(index.name, module);
        if (const mibnames::Definition* object =
                node == mibnames::kNone ? nullptr : names.DefinitionOf(node))
            part.kind = KindOf(*object, &part.fixedLength);
        parts.push_back(std::move(part));
    }
    return parts;
}

int AugmentedEntryOf(const mibnames::Table& names, int entry) {
    if (entry == mibnames::kNone)
        return mibnames::kNone;
    const mibnames::Definition* d = names.DefinitionOf(entry);
    if (!d || d->augments.empty())
        return mibnames::kNone;
    const int base = names.Find(d->augments, FirstModule(names, entry));
    return base != entry && IsEntry(names, base) ? base : mibnames::kNone;
}

int EntryOf(const mibnames::Table& names, int node) {
    if (node == mibnames::kNone)
        return mibnames::kNone;
    if (IsEntry(names, node))
        return node;
    // A table: the entry is the row object below it.
    for (int i = 0; i < names.ChildCount(node); ++i) {
        const int child = names.ChildAt(node, i);
        if (IsEntry(names, child))
            return child;
    }
    return mibnames::kNone;
}

} // namespace values
