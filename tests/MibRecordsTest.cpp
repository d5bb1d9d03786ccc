// The MIB reader's records on Okapel's side: definitions and module reports read whole or
// not at all (a reader that goes astray or ends in the middle of a record leaves nothing
// half read), the IMPORTS clause read as the parser reads it, the report's root causes
// first, and the tree model's search over every node.
#include "snmpapi/MibRecords.h"
#include "snmpapi/MibStream.h"
#include "ui/MibTreeModel.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using mibstream::StreamWriter;
using Outcome = mibnames::ModuleState::Outcome;

// A definition record as the reader writes one (MibRecords.h).
void PutDefinition(StreamWriter* out, std::uint32_t id, const std::string& description) {
    out->Put(id);
    out->Put(std::uint8_t{0});  // Value
    out->Put(std::uint8_t{16}); // Integer32
    out->Put(std::uint8_t{1});  // read-only
    out->Put(std::uint8_t{5});  // current
    for (const char* text : {"TestLevel", "d-2", "degrees", ""})
        out->PutText(text);
    out->PutLongText(description);
    out->PutText("7");
    out->Put(std::uint16_t{2});
    out->Put(std::int32_t{-1});
    out->PutText("below");
    out->Put(std::int32_t{1});
    out->PutText("low");
    out->Put(std::uint16_t{1});
    out->Put(std::int32_t{-100});
    out->Put(std::int32_t{100});
    out->Put(std::uint16_t{1});
    out->Put(std::uint8_t{1});
    out->PutText("tvMacName");
    out->Put(std::uint16_t{1});
    out->PutText("tvStatus");
}

TEST(MibRecords, DefinitionsAreReadWholeOrNotAtAll) {
    StreamWriter out;
    PutDefinition(&out, 0, "first");
    PutDefinition(&out, 1, std::string(70000, 'x')); // longer than a short text may be
    const std::string& bytes = out.Bytes();

    mibrecords::DefinitionReader reader;
    ASSERT_TRUE(reader.Read(bytes));
    const mibnames::Definition* d = reader.ById(1);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->syntax, mibnames::Syntax::Integer32);
    EXPECT_EQ(d->access, mibnames::Access::ReadOnly);
    EXPECT_EQ(d->status, mibnames::Status::Current);
    EXPECT_EQ(d->textualConvention, "TestLevel");
    EXPECT_EQ(d->hint, "d-2");
    EXPECT_EQ(d->units, "degrees");
    EXPECT_EQ(d->description.size(), 70000u);
    EXPECT_EQ(d->defaultValue, "7");
    ASSERT_EQ(d->enums.size(), 2u);
    EXPECT_EQ(d->enums[0].value, -1);
    EXPECT_EQ(d->enums[1].label, "low");
    ASSERT_EQ(d->ranges.size(), 1u);
    EXPECT_EQ(d->ranges[0].low, -100);
    ASSERT_EQ(d->index.size(), 1u);
    EXPECT_TRUE(d->index[0].implied);
    ASSERT_EQ(d->objects.size(), 1u);
    EXPECT_EQ(d->objects[0], "tvStatus");
    EXPECT_EQ(reader.ById(0)->description, "first");
    EXPECT_EQ(reader.ById(2), nullptr);

    // Every record cut short, and one of a kind, syntax, access or status out of range, is
    // refused whole: none of its definitions is kept.
    for (size_t length = 1; length < bytes.size(); length += 97) {
        mibrecords::DefinitionReader cut;
        EXPECT_FALSE(cut.Read(std::string_view(bytes).substr(0, length))) << length;
        EXPECT_EQ(cut.ById(0), nullptr) << length;
    }
    for (size_t at : {4u, 5u, 6u, 7u}) {
        std::string odd = bytes;
        odd[at] = static_cast<char>(0x7F);
        mibrecords::DefinitionReader wrong;
        EXPECT_FALSE(wrong.Read(odd)) << at;
        EXPECT_EQ(wrong.ById(0), nullptr) << at;
    }
}

TEST(MibRecords, ReportsAreReadWholeWithTheirRootCausesFirst) {
    struct Module {
        Outcome outcome;
        const char* name;
        std::vector<std::string> missing;
        int problems;
    };
    const Module modules[] = {
        {Outcome::Read, "B-MIB", {}, 0},
        {Outcome::ImportsMissing, "C-MIB", {"SMI-MIB", "TC-MIB"}, 2},
        {Outcome::Failed, "D-MIB", {}, 1},
        {Outcome::ImportsMissing, "A-MIB", {"TC-MIB"}, 1},
        {Outcome::NotAModule, "", {}, 0},
        {Outcome::Pending, "E-MIB", {}, 0},
    };
    StreamWriter out;
    out.Put(static_cast<std::uint32_t>(std::size(modules)));
    for (const Module& m : modules) {
        out.Put(static_cast<std::uint8_t>(m.outcome));
        out.PutText(m.name);
        out.PutText(std::string("/mibs/") + (*m.name ? m.name : "notes.txt"));
        out.Put(static_cast<std::uint16_t>(m.missing.size()));
        for (const std::string& missing : m.missing)
            out.PutText(missing);
        out.Put(static_cast<std::uint16_t>(m.problems));
        for (int p = 0; p < m.problems; ++p) {
            out.Put(std::uint32_t{12});
            out.PutText("words");
        }
    }
    const auto report = mibrecords::ReadReport(out.Bytes());
    ASSERT_NE(report, nullptr);
    std::vector<std::string> order;
    for (const mibnames::ModuleState& m : report->modules)
        order.push_back(m.name.empty() ? m.file : m.name);
    // The missing modules first, imported by most first, then failed, imports missing, not
    // a module, read, not read yet.
    EXPECT_EQ(order, (std::vector<std::string>{"TC-MIB", "SMI-MIB", "D-MIB", "A-MIB", "C-MIB",
                                               "/mibs/notes.txt", "B-MIB", "E-MIB"}));
    EXPECT_EQ(report->modules[0].importedBy, (std::vector<std::string>{"A-MIB", "C-MIB"}));
    EXPECT_EQ(report->modules[1].importedBy, (std::vector<std::string>{"C-MIB"}));
    EXPECT_EQ(report->modules[2].problems.at(0).line, 12);

    const std::string& bytes = out.Bytes();
    for (size_t length = 0; length < bytes.size(); length += 7)
        EXPECT_EQ(mibrecords::ReadReport(std::string_view(bytes).substr(0, length)), nullptr)
            << length;
    EXPECT_EQ(mibrecords::ReadReport(bytes + "x"), nullptr);
}

TEST(MibRecords, ImportsAreReadAsTheParserReadsThem) {
    struct Case {
        const char* name;
        const char* text;
        const char* module;
        std::multimap<std::string, std::string> imports;
    };
    const Case cases[] = {
        {"several modules, commas and line breaks",
         "A-MIB DEFINITIONS ::= BEGIN\nIMPORTS a, b FROM X-MIB\n  c\n  FROM Y-MIB;\nd ::= 1\nEND",
         "A-MIB",
         {{"a", "X-MIB"}, {"b", "X-MIB"}, {"c", "Y-MIB"}}},
        {"comments to the line's end and between two --",
         "A-MIB DEFINITIONS ::= BEGIN IMPORTS -- not FROM Z\n a -- x -- FROM X-MIB; END",
         "A-MIB",
         {{"a", "X-MIB"}}},
        {"a quoted string is no name",
         "A-MIB DEFINITIONS ::= BEGIN IMPORTS \"q FROM Q\" a FROM X; END",
         "A-MIB",
         {{"a", "X"}}},
        {"the module asked for, of two in a file",
         "A-MIB DEFINITIONS ::= BEGIN IMPORTS a FROM X; END\nB-MIB DEFINITIONS ::= BEGIN IMPORTS "
         "b FROM Y; END",
         "B-MIB",
         {{"b", "Y"}}},
        {"no IMPORTS",
         "A-MIB DEFINITIONS ::= BEGIN a OBJECT IDENTIFIER ::= { b 1 } END",
         "A-MIB",
         {}},
        {"cut short", "A-MIB DEFINITIONS ::= BEGIN IMPORTS a FROM", "A-MIB", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mibrecords::ImportsOf(c.text, c.module), c.imports) << c.name;
}

TEST(MibTreeModel, RowsAndParentsAgreeAndTheSearchGoesRound) {
    CMibTreeModel model;
    model.SetTable(
        std::shared_ptr<const mibnames::Table>(&mibnames::BuiltIn(), [](const auto*) {}));
    // Every node is the child of its parent at its own row.
    const mibnames::Table& names = *model.Table();
    for (int node = 0; node < names.Count(); ++node) {
        const QModelIndex index = model.IndexOf(node);
        ASSERT_TRUE(index.isValid());
        EXPECT_EQ(model.NodeOf(model.index(index.row(), 0, model.parent(index))), node);
        EXPECT_EQ(model.NodeAt(model.PathOf(node)), node);
    }
    const int operStatus = model.FindName("OpErStAtUs", mibnames::kNone);
    ASSERT_NE(operStatus, mibnames::kNone);
    EXPECT_EQ(names.Name(operStatus), "ifOperStatus");
    // From the node found on, round to the first match again.
    const int next = model.FindName("operstatus", operStatus);
    EXPECT_EQ(names.Name(next), "ifOperStatus"); // the only one
    const int first = model.FindName("sys", mibnames::kNone);
    EXPECT_EQ(names.Name(first), "system");
    EXPECT_EQ(names.Name(model.FindName("sys", first)), "sysDescr");
    EXPECT_EQ(model.FindName("no such name at all", mibnames::kNone), mibnames::kNone);
    EXPECT_EQ(model.FindName("a\nb", mibnames::kNone), mibnames::kNone); // across two names
    EXPECT_EQ(model.data(model.IndexOf(operStatus), Qt::DisplayRole).toString(), "ifOperStatus(8)");
}

} // namespace
