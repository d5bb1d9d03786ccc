// Okapel's MIB texts beside net-snmp's own: the values as snprint_value prints them and the
// definitions as snmptranslate -Td prints them, from net-snmp's parse of the same modules in
// the calling process (which, unlike the program, may parse modules).
#include "testing/SnmpTesting.h"

#include "snmpapi/MibModules.h"
#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpInternal.h"
#include "values/MibValues.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// net-snmp's tree of the MIB reading, which its headers do not declare (see SnmpSession.cpp).
extern "C" tree* Mib;

namespace {

// Whether a value's text rests on what only the built-in names say of it: net-snmp, without
// the module, says nothing of it.
bool RestsOnBuiltIn(const mibnames::Table& names, const UINT* ids, UINT length) {
    UINT covered = 0;
    const int node = names.Deepest(ids, length, &covered);
    if (node == mibnames::kNone)
        return false;
    const mibnames::Definition* d = names.DefinitionOf(node);
    return !names.FromModule(node) || (d && d->builtIn);
}

std::string Dotted(const std::vector<UINT>& ids) {
    std::string text;
    for (UINT id : ids)
        text += "." + std::to_string(id);
    return text;
}

std::vector<UINT> PathOf(const mibnames::Table& names, int node) {
    std::vector<UINT> ids;
    for (int n = node; n != mibnames::kNone; n = names.Parent(n))
        ids.insert(ids.begin(), names.Arc(n));
    return ids;
}

// snmptranslate's two words that the definition text puts plainly (MibValues.h), and its
// ranges of a type that it cannot print (an Opaque's, or one whose textual convention is not
// on the machine), where it writes the text it wrote last, the module's name, in their
// place: the rest of its text as it is.
std::string Plainly(std::string theirs, const std::string& ours, std::string_view module) {
    const std::string stale = " (" + std::string(module) + ") ";
    if (const size_t at = theirs.find(stale); at != std::string::npos) {
        const size_t line = theirs.rfind('\n', at) + 1;
        const size_t ourLine = ours.find(theirs.substr(line, at - line) + " (");
        const size_t ourEnd = ourLine == std::string::npos ? ourLine : ours.find(") ", ourLine);
        if (ourEnd != std::string::npos)
            theirs.replace(line, at + stale.size() - line, ours, ourLine, ourEnd + 2 - ourLine);
    }
    const size_t end = theirs.find('\n');
    const std::string first = theirs.substr(0, end);
    const std::string ourFirst = ours.substr(0, ours.find('\n'));
    for (const auto& [tool, plain] :
         {std::pair<std::string, std::string>{" OBJECT-TYPE", " OBJECT IDENTIFIER"},
          {" type_23", " NOTIFICATION-GROUP"}}) {
        if (first.ends_with(tool) &&
            ourFirst == first.substr(0, first.size() - tool.size()) + plain)
            return ourFirst + theirs.substr(end);
    }
    return theirs;
}

// BER (X.690) of the binding's parts, as an agent sends them.
void PutLength(std::vector<u_char>* out, size_t length) {
    if (length < 0x80) {
        out->push_back(static_cast<u_char>(length));
        return;
    }
    std::vector<u_char> bytes;
    for (; length > 0; length >>= 8)
        bytes.insert(bytes.begin(), static_cast<u_char>(length));
    out->push_back(static_cast<u_char>(0x80 | bytes.size()));
    out->insert(out->end(), bytes.begin(), bytes.end());
}

std::vector<u_char> Element(u_char tag, const std::vector<u_char>& contents) {
    std::vector<u_char> out{tag};
    PutLength(&out, contents.size());
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

// A number's shortest two's complement; an unsigned one has a zero in front of a top bit.
std::vector<u_char> NumberContents(std::int64_t number, bool isUnsigned) {
    std::vector<u_char> bytes;
    const std::uint64_t bits = static_cast<std::uint64_t>(number);
    for (int i = 7; i >= 0; --i)
        bytes.push_back(static_cast<u_char>(bits >> (8 * i)));
    while (bytes.size() > 1 && ((bytes[0] == 0 && !(bytes[1] & 0x80)) ||
                                (!isUnsigned && bytes[0] == 0xFF && (bytes[1] & 0x80))))
        bytes.erase(bytes.begin());
    if (isUnsigned && (bytes[0] & 0x80))
        bytes.insert(bytes.begin(), 0);
    return bytes;
}

std::vector<u_char> IdentifierContents(const AsnObjectIdentifier& oid) {
    std::vector<u_char> out;
    const auto put = [&out](std::uint64_t arc) {
        std::vector<u_char> groups{static_cast<u_char>(arc & 0x7F)};
        for (arc >>= 7; arc > 0; arc >>= 7)
            groups.insert(groups.begin(), static_cast<u_char>(0x80 | (arc & 0x7F)));
        out.insert(out.end(), groups.begin(), groups.end());
    };
    if (oid.idLength >= 2)
        put(std::uint64_t{oid.ids[0]} * 40 + oid.ids[1]);
    for (UINT i = 2; i < oid.idLength; ++i)
        put(oid.ids[i]);
    return out;
}

// The value's element; empty for what the records do not hold as one (an unfit element).
std::vector<u_char> ValueElement(const AsnAny& v) {
    switch (v.asnType) {
    case ASN_INTEGER:
        return Element(v.asnType, NumberContents(v.asnValue.number, false));
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UINTEGER32:
        return Element(v.asnType, NumberContents(v.asnValue.unsigned32, true));
    case ASN_COUNTER64: {
        std::uint64_t bits = 0;
        for (UINT i = 0; i < v.asnValue.string.length; ++i)
            bits = (bits << 8) | v.asnValue.string.stream[i];
        return Element(v.asnType, NumberContents(static_cast<std::int64_t>(bits), true));
    }
    case ASN_OBJECTIDENTIFIER:
        return Element(v.asnType, IdentifierContents(v.asnValue.object));
    case ASN_UNFIT_ELEMENT:
        return {};
    case ASN_NULL:
    case SNMP_EXCEPTION_NOSUCHOBJECT:
    case SNMP_EXCEPTION_NOSUCHINSTANCE:
    case SNMP_EXCEPTION_ENDOFMIBVIEW:
        return Element(v.asnType, {});
    default:
        return Element(v.asnType,
                       std::vector<u_char>(v.asnValue.string.stream,
                                           v.asnValue.string.stream + v.asnValue.string.length));
    }
}

std::vector<u_char> Concat(std::initializer_list<std::vector<u_char>> parts) {
    std::vector<u_char> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

} // namespace

CMibParserForTesting::CMibParserForTesting() {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    SnmpLibraryInit();
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 0);
    // net-snmp's parser keeps the nodes of modules whose parents never come (the orphans
    // of a missing import) where nothing reaches them: its own, made here only because a
    // test reads modules in its process, and not counted as this process's leaks.
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
    MibReadModulesHere();
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
}

CMibParserForTesting::~CMibParserForTesting() {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    // net-snmp's own end of its MIB reading frees what reading the modules made; the tree
    // that keeps the library from reading modules of its own (SnmpLibraryInit) stays.
    tree* const kept = Mib;
    shutdown_mib();
    Mib = kept;
    snmp_set_save_descriptions(0);
}

std::optional<std::string> CMibParserForTesting::ValueText(const SnmpVarBind& binding) const {
    // The binding on the wire as a response carries it, and net-snmp's decoder's reading of
    // it: the value as snmpwalk would hold it (an Opaque that wraps a number, unwrapped).
    const std::vector<u_char> value = ValueElement(binding.value);
    if (value.empty())
        return std::nullopt;
    const std::vector<u_char> bindingElement =
        Element(0x30, Concat({Element(ASN_OBJECT_ID, IdentifierContents(binding.name)), value}));
    std::vector<u_char> wire = Element(
        SNMP_MSG_RESPONSE, Concat({Element(ASN_INTEGER, {1}), Element(ASN_INTEGER, {0}),
                                   Element(ASN_INTEGER, {0}), Element(0x30, bindingElement)}));
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    netsnmp_pdu* read = snmp_pdu_create(0);
    std::optional<std::string> text;
    read->version = SNMP_VERSION_2c;
    size_t length = wire.size();
    if (snmp_pdu_parse(read, wire.data(), &length) == 0 && read->variables) {
        const netsnmp_variable_list* var = read->variables;
        std::vector<char> out(1 << 16);
        const int n = snprint_value(out.data(), out.size(), var->name, var->name_length, var);
        if (n >= 0)
            text = std::string(out.data(), static_cast<size_t>(n));
    }
    snmp_free_pdu(read);
    return text;
}

std::string CMibParserForTesting::DescriptionText(const std::vector<UINT>& ids) const {
    std::lock_guard<std::mutex> guard(SnmpLibraryLock());
    std::vector<oid> name(ids.begin(), ids.end());
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    if (!out)
        return {};
    // snmptranslate's width: no line is folded.
    fprint_description(out, name.data(), name.size(), 1000000);
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    return result;
}

MibCrossCheckCounts CrossCheckValues(const CMibParserForTesting& parser,
                                     const std::vector<const SnmpVarBind*>& bindings) {
    MibCrossCheckCounts counts;
    const auto names = mibnames::Current();
    for (const SnmpVarBind* vb : bindings) {
        const AsnAny& v = vb->value;
        const bool identifier = v.asnType == ASN_OBJECTIDENTIFIER;
        if (RestsOnBuiltIn(*names, vb->name.ids, vb->name.idLength) ||
            (identifier &&
             RestsOnBuiltIn(*names, v.asnValue.object.ids, v.asnValue.object.idLength))) {
            ++counts.notCompared;
            continue;
        }
        const std::optional<std::string> theirs = parser.ValueText(*vb);
        if (!theirs) {
            ++counts.notCompared; // net-snmp cannot read it
            counts.notComparedWhere.push_back(
                Dotted({vb->name.ids, vb->name.ids + vb->name.idLength}));
            continue;
        }
        ++counts.compared;
        const std::string ours = values::DescribedValueWithType(*names, vb->name, v);
        if (ours != *theirs) {
            counts.disagreements.push_back(
                Dotted({vb->name.ids, vb->name.ids + vb->name.idLength}) + ": Okapel \"" + ours +
                "\", net-snmp \"" + *theirs + "\"");
        }
    }
    return counts;
}

MibCrossCheckCounts CrossCheckDefinitions(const CMibParserForTesting& parser) {
    MibCrossCheckCounts counts;
    const auto names = mibnames::Current();
    for (int node = 0; node < names->Count(); ++node) {
        const mibnames::Definition* d = names->DefinitionOf(node);
        if (!names->FromModule(node) || !d || d->builtIn) {
            ++counts.notCompared;
            continue;
        }
        ++counts.compared;
        const std::vector<UINT> path = PathOf(*names, node);
        const std::string ours = values::DefinitionText(*names, node);
        const auto modules = names->ModulesOf(node);
        const std::string theirs =
            Plainly(parser.DescriptionText(path), ours,
                    modules.empty() ? std::string_view() : names->ModuleName(modules[0]));
        if (ours != theirs)
            counts.disagreements.push_back(Dotted(path) + ":\nOkapel:\n" + ours + "net-snmp:\n" +
                                           theirs);
    }
    return counts;
}
