// The list box's storage: every line reads back as it was added, wherever it falls in the
// storage's blocks, and past its capacity an addition is refused with LB_ERRSPACE and the
// line is not kept.
#include "ui/ListBox.h"
#include "support/DialogDriver.h"
#include "values/LineBinding.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

TEST(ListBox, LinesReadBackExactlyWhereverTheyFallInTheStorage) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
    };
    const std::string bytes("a\0b\t\xff", 5);
    const std::vector<Case> cases = {
        {"empty lines between others", {"", "x", "", "", "y", ""}},
        {"every byte value kept", {bytes, bytes + bytes}},
        {"a line that fills a block exactly, then one in the next",
         {std::string(kMiB - 3, 'a'), "bcd", "e"}},
        {"a line that does not fit the rest of a block", {std::string(kMiB - 2, 'a'), "bcd", "e"}},
        {"a line longer than a block, between short ones",
         {"s", std::string(3 * kMiB + 1, 'L'), "t", std::string(kMiB, 'M'), "u"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CListBox list;
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(list.AddString(c.lines[i]), static_cast<int>(i));
        EXPECT_EQ(ListLines(list), c.lines);
        std::string line = "unchanged";
        EXPECT_EQ(list.GetText(list.GetCount(), &line), LB_ERR);
        EXPECT_EQ(list.GetText(-1, &line), LB_ERR);
        EXPECT_EQ(line, "unchanged");
    }
}

TEST(ListBox, PastItsCapacityAnAdditionIsRefusedAndNotKept) {
    struct Case {
        const char* name;
        std::size_t maxLines;
        std::size_t maxBytes;
        std::vector<std::string> added;
        std::vector<int> results;
    };
    const std::vector<Case> cases = {
        {"line capacity", 3, kMiB, {"a", "b", "c", "d", "e"}, {0, 1, 2, LB_ERRSPACE, LB_ERRSPACE}},
        {"byte capacity reached exactly", 100, 6, {"ab", "cd", "ef", "g"}, {0, 1, 2, LB_ERRSPACE}},
        {"a line too long for the bytes left, then a shorter one that fits",
         100,
         6,
         {"abcd", "efg", "ef", ""},
         {0, LB_ERRSPACE, 1, 2}},
        {"an empty line past the line capacity", 1, kMiB, {"", ""}, {0, LB_ERRSPACE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CListBox list;
        list.SetCapacityForTesting(c.maxLines, c.maxBytes);
        std::vector<std::string> kept;
        for (std::size_t i = 0; i < c.added.size(); ++i) {
            EXPECT_EQ(list.AddString(c.added[i]), c.results[i]) << "line " << i;
            if (c.results[i] >= 0)
                kept.push_back(c.added[i]);
        }
        EXPECT_EQ(ListLines(list), kept);
        // Emptied, the list takes lines again, up to the same capacity.
        list.ResetContent();
        EXPECT_EQ(list.GetCount(), 0);
        EXPECT_EQ(list.AddString(c.added[0]), 0);
    }
}

TEST(ListBox, AMillionOrdinaryLinesAreKept) {
    CListBox list;
    std::string line = ".1.3.6.1.4.1.99.1.";
    const std::size_t prefix = line.size();
    for (int i = 1; i <= 1000000; ++i) {
        line.resize(prefix);
        line += std::to_string(i) + " : value of object " + std::to_string(i);
        ASSERT_EQ(list.AddString(line), i - 1);
    }
    std::string last;
    list.GetText(999999, &last);
    EXPECT_EQ(last, line);
}

// Each line keeps the binding it was added with, whatever its type, as it arrived; a line
// added without one, one past the end and one of an emptied list have none.
TEST(ListBox, LinesKeepTheirBindingsAsTheyArrived) {
    UINT name[] = {1, 3, 6, 1, 4294967295u};
    UINT target[] = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
    BYTE bytes[] = {0, 0x12, 0xFF, 0};
    struct Case {
        const char* name;
        AsnAny value;
    };
    std::vector<Case> cases = {
        {"integer", {ASN_INTEGER, {.number = -2147483647 - 1}}},
        {"counter", {ASN_COUNTER32, {.unsigned32 = 4294967295u}}},
        {"identifier", {ASN_OBJECTIDENTIFIER, {.object = {10, target}}}},
        {"bytes", {ASN_OCTETSTRING, {.string = {bytes, 4, FALSE}}}},
        {"no bytes", {ASN_OPAQUE, {.string = {nullptr, 0, FALSE}}}},
        {"sequence", {ASN_SEQUENCE, {.string = {bytes, 3, FALSE}}}},
        {"unfit element", {ASN_UNFIT_ELEMENT, {.string = {bytes, 2, FALSE}}}},
        {"null", {ASN_NULL, {}}},
        {"exception", {SNMP_EXCEPTION_ENDOFMIBVIEW, {}}},
    };
    CListBox list;
    for (const Case& c : cases) {
        const SnmpVarBind vb{{5, name}, c.value};
        list.AddString(c.name, &vb);
    }
    list.AddString("without");
    for (int i = 0; i < static_cast<int>(cases.size()); ++i) {
        SCOPED_TRACE(cases[i].name);
        CLineBinding kept;
        ASSERT_TRUE(list.GetBinding(i, &kept));
        const SnmpVarBind vb = kept.View();
        ASSERT_EQ(vb.name.idLength, 5u);
        EXPECT_EQ(vb.name.ids[4], 4294967295u);
        EXPECT_EQ(vb.value.asnType, cases[i].value.asnType);
        // Every byte of the value as it was.
        EXPECT_EQ(EncodeLineBinding(vb), EncodeLineBinding({{5, name}, cases[i].value}));
    }
    CLineBinding none;
    EXPECT_FALSE(list.GetBinding(static_cast<int>(cases.size()), &none));
    EXPECT_TRUE(none.Empty());
    EXPECT_FALSE(list.GetBinding(list.GetCount(), &none));
    list.ResetContent();
    list.AddString("after");
    EXPECT_FALSE(list.GetBinding(0, &none));
}

} // namespace
