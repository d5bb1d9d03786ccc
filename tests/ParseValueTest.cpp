// ParseValue: the text the operator typed, read into the value a Set carries. The boxes the
// Set flow shows for a refusal are tested through the dialog in SetRequestTest.
#include "testing/SnmpTesting.h"
#include "ui/OutcomeBox.h"
#include "values/Values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every row of this file is named by its type code and text.
template <class Row>
requires requires(const Row& row) {
    row.type;
    row.text;
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << "type " << int(row.type) << " text \"" << row.text << "\"";
}

// Parses `text` for `type` into a fresh binding.
class Parse {
public:
    Parse(BYTE type, const std::string& text) {
        // Exactly the text and its terminator: a reader that runs past them is caught by the
        // sanitizer build.
        std::vector<char> buffer(text.c_str(), text.c_str() + text.size() + 1);
        vb.value.asnType = type;
        outcome = values::ParseValue(&vb, buffer.data());
    }
    ~Parse() { SnmpUtilVarBindFree(&vb); }

    std::vector<BYTE> Bytes() const {
        const AsnOctetString& s = vb.value.asnValue.string;
        return std::vector<BYTE>(s.stream, s.stream + s.length);
    }

    SnmpVarBind vb{};
    Outcome outcome;
};

struct NumberCase {
    BYTE type;
    const char* text;
    UINT bits;
};

class NumericText : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumericText, IsReadByTheRulesOfAtoiWithoutOverflow) {
    Parse p(GetParam().type, GetParam().text);
    EXPECT_TRUE(p.outcome.IsDone()); // and so no box
    EXPECT_EQ(p.vb.value.asnValue.unsigned32, GetParam().bits);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumericText,
    ::testing::Values(NumberCase{ASN_INTEGER, "42", 42}, NumberCase{ASN_INTEGER, "-5", 0xFFFFFFFBu},
                      NumberCase{ASN_INTEGER, "  7abc", 7}, NumberCase{ASN_INTEGER, "+12", 12},
                      NumberCase{ASN_INTEGER, "abc", 0}, NumberCase{ASN_INTEGER, "", 0},
                      NumberCase{ASN_INTEGER, "- 3", 0}, NumberCase{ASN_INTEGER, "\t\n 9", 9},
                      NumberCase{ASN_INTEGER, "2147483647", 2147483647u},
                      NumberCase{ASN_INTEGER, "-2147483648", 0x80000000u},
                      // Beyond the signed range an INTEGER stops at the nearest end.
                      NumberCase{ASN_INTEGER, "2147483648", 2147483647u},
                      NumberCase{ASN_INTEGER, "99999999999999999999", 2147483647u},
                      NumberCase{ASN_INTEGER, "-99999999999999999999", 0x80000000u},
                      NumberCase{ASN_GAUGE32, "-1", 4294967295u},
                      NumberCase{ASN_COUNTER32, "4294967295", 4294967295u},
                      NumberCase{ASN_COUNTER32, "2147483648", 2147483648u},
                      NumberCase{ASN_TIMETICKS, "3000000000", 3000000000u},
                      // Beyond the unsigned range the largest value, below it the smallest.
                      NumberCase{ASN_GAUGE32, "4294967296", 4294967295u},
                      NumberCase{ASN_TIMETICKS, "-99999999999", 0x80000000u},
                      NumberCase{ASN_TIMETICKS, "100 ticks", 100}));

struct BytesCase {
    BYTE type;
    const char* text;
    std::vector<BYTE> bytes;
};

class OctetForms : public ::testing::TestWithParam<BytesCase> {};

TEST_P(OctetForms, StoreTheTextWithOrWithoutItsTerminator) {
    Parse p(GetParam().type, GetParam().text);
    ASSERT_TRUE(p.outcome.IsDone());
    EXPECT_EQ(p.Bytes(), GetParam().bytes);
    EXPECT_TRUE(p.vb.value.asnValue.string.dynamic);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OctetForms,
    ::testing::Values(
        BytesCase{ASN_OCTETSTRING, "hello", {'h', 'e', 'l', 'l', 'o'}},
        BytesCase{ASN_OCTETSTRING, "", {}}, BytesCase{ASN_SEQUENCE, "ab", {'a', 'b', 0}},
        BytesCase{ASN_SEQUENCE, "", {0}}, BytesCase{ASN_OPAQUE, "ab", {'a', 'b', 0}},
        BytesCase{ASN_OPAQUE, "", {0}}, BytesCase{ASN_IPADDRESS, "10.1.2.3", {10, 1, 2, 3}},
        BytesCase{ASN_IPADDRESS, "10.1.2.3.4", {10, 1, 2, 3}},
        BytesCase{ASN_IPADDRESS, "300.1.2.3", {44, 1, 2, 3}},
        BytesCase{ASN_IPADDRESS, "256.-1.2.3", {0, 255, 2, 3}},
        BytesCase{ASN_IPADDRESS, "1..2.3", {1, 0, 2, 3}},
        BytesCase{ASN_IPADDRESS, "1.2.3.", {1, 2, 3, 0}},
        BytesCase{ASN_IPADDRESS, "1. 2. 3. 4", {1, 2, 3, 4}},
        // Fewer than three dots: each missing part gives 0, and nothing past the text is read.
        BytesCase{ASN_IPADDRESS, "", {0, 0, 0, 0}}, BytesCase{ASN_IPADDRESS, "7", {7, 0, 0, 0}},
        BytesCase{ASN_IPADDRESS, "10.20", {10, 20, 0, 0}},
        BytesCase{ASN_IPADDRESS, "10.20.30", {10, 20, 30, 0}}));

TEST(ParseValue, AnObjectIdentifierTextIsConverted) {
    Parse p(ASN_OBJECTIDENTIFIER, ".1.3.6.1.2.1.1.5.0");
    ASSERT_TRUE(p.outcome.IsDone());
    const AsnObjectIdentifier& oid = p.vb.value.asnValue.object;
    EXPECT_EQ(std::vector<UINT>(oid.ids, oid.ids + oid.idLength),
              (std::vector<UINT>{1, 3, 6, 1, 2, 1, 1, 5, 0}));
}

// Refusals: (type, text, the text and caption of the box the Set flow shows).
struct RefusalCase {
    BYTE type;
    const char* text;
    const char* message;
    const char* caption;
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, NameOneErrorBoxAndStoreNothingToRelease) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    {
        Parse p(GetParam().type, GetParam().text);
        ASSERT_FALSE(p.outcome.IsDone());
        const OutcomeBox box = BoxOfOutcome(p.outcome);
        EXPECT_EQ(box.text, GetParam().message);
        EXPECT_STREQ(box.caption, GetParam().caption);
        EXPECT_EQ(box.type & 0xF0, 0x10u); // the error icon
    }
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Refusals,
    ::testing::Values(
        RefusalCase{ASN_OBJECTIDENTIFIER, "not an oid", "Invalid value", "Snmp Value Error"},
        RefusalCase{ASN_OBJECTIDENTIFIER, ".1..3", "Invalid value", "Snmp Value Error"},
        RefusalCase{ASN_OBJECTIDENTIFIER, "", "Invalid value", "Snmp Value Error"},
        RefusalCase{ASN_NULL, "anything", "Error Unsupported Type", "Error"},
        RefusalCase{0xFF, "42", "Error Unsupported Type", "Error"}, // no type chosen
        RefusalCase{ASN_COUNTER64, "42", "Error Unsupported Type", "Error"}));

} // namespace
