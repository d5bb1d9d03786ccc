// The walk lines and trap lines in each of the operator's choices: values as sent or as the
// MIB describes them, identifiers as numbers or by name; the defaults write every line as it
// always was. On a fresh machine, with the built-in names alone.
#include "values/LineText.h"
#include "snmp/Flows.h"
#include "testing/SnmpTesting.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include "support/DialogDriver.h"
#include "support/Identifiers.h"
#include "support/RowName.h"
#include "support/ScriptedAgent.h"

#include <gtest/gtest.h>

#include <QTest>

#include <string>
#include <vector>

using namespace scripted;

namespace {

using rows::PrintTo;

const values::LineTexts kAsSent{};
const values::LineTexts kDescribed{true, false};
const values::LineTexts kNames{false, true};
const values::LineTexts kBoth{true, true};

struct LineCase {
    const char* name;
    Ids objectName;
    BYTE type;
    UINT number;
    Ids identifier; // an OBJECT IDENTIFIER value
    values::LineTexts texts;
    const char* identifierText;
    const char* valueText;
};

class LineTexts : public ::testing::TestWithParam<LineCase> {
protected:
    void SetUp() override { SnmpMgrMibModulesStopForTesting(); }
};

TEST_P(LineTexts, WriteWhatTheOperatorChose) {
    LineCase c = GetParam();
    SnmpVarBind vb{};
    vb.name = {static_cast<UINT>(c.objectName.size()), c.objectName.data()};
    vb.value.asnType = c.type;
    if (c.type == ASN_OBJECTIDENTIFIER)
        vb.value.asnValue.object = {static_cast<UINT>(c.identifier.size()), c.identifier.data()};
    else
        vb.value.asnValue.unsigned32 = c.number;
    EXPECT_EQ(values::LineIdentifierText(vb.name, c.texts), c.identifierText);
    EXPECT_EQ(values::LineValueText(vb, c.texts), c.valueText);
}

const Ids kOperStatus = {1, 3, 6, 1, 2, 1, 2, 2, 1, 8, 1};
const Ids kTrapOid = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
const Ids kLinkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
const Ids kUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};

INSTANTIATE_TEST_SUITE_P(
    FreshMachine, LineTexts,
    ::testing::Values(
        LineCase{"AsSentIsAsEver",
                 kOperStatus,
                 ASN_INTEGER,
                 1,
                 {},
                 kAsSent,
                 ".1.3.6.1.2.1.2.2.1.8.1",
                 "1"},
        LineCase{"DescribedLabel",
                 kOperStatus,
                 ASN_INTEGER,
                 1,
                 {},
                 kDescribed,
                 ".1.3.6.1.2.1.2.2.1.8.1",
                 "up(1)"},
        LineCase{"ByName", kOperStatus, ASN_INTEGER, 1, {}, kNames, "IF-MIB::ifOperStatus.1", "1"},
        LineCase{"DescribedByName",
                 kOperStatus,
                 ASN_INTEGER,
                 1,
                 {},
                 kBoth,
                 "IF-MIB::ifOperStatus.1",
                 "up(1)"},
        LineCase{"TicksDescribed",
                 kUpTime,
                 ASN_TIMETICKS,
                 12345,
                 {},
                 kDescribed,
                 ".1.3.6.1.2.1.1.3.0",
                 "(12345) 0:02:03.45"},
        // A trap's identity: numbers as sent, numbers as snmpwalk -On writes them, or by name.
        LineCase{"TrapIdentityAsSent", kTrapOid, ASN_OBJECTIDENTIFIER, 0, kLinkDown, kAsSent,
                 ".1.3.6.1.6.3.1.1.4.1.0", "1.3.6.1.6.3.1.1.5.3"},
        LineCase{"TrapIdentityDescribedInNumbers", kTrapOid, ASN_OBJECTIDENTIFIER, 0, kLinkDown,
                 kDescribed, ".1.3.6.1.6.3.1.1.4.1.0", ".1.3.6.1.6.3.1.1.5.3"},
        LineCase{"TrapIdentityByName", kTrapOid, ASN_OBJECTIDENTIFIER, 0, kLinkDown, kNames,
                 "SNMPv2-MIB::snmpTrapOID.0", "IF-MIB::linkDown"},
        LineCase{"TrapIdentityDescribedByName", kTrapOid, ASN_OBJECTIDENTIFIER, 0, kLinkDown, kBoth,
                 "SNMPv2-MIB::snmpTrapOID.0", "IF-MIB::linkDown"}),
    RowName{});

// Through the dialog: a walk with both choices on writes each line by name with its value as
// the MIB describes it, a long hex value on one line, and a double-click on such a line gets
// the very object it names; a trap line takes the choice too.
TEST(LineTextsInTheWindow, AWalkByNameAndItsLinesDoubleClicked) {
    SnmpMgrMibModulesStopForTesting();
    TableAgent table;
    table.objects[ParseOid(".1.3.6.1.2.1.2.2.1.6.1")] =
        Octets(0x04, std::string("\x00\x12\x79\x62\xF9\x40", 6));
    table.objects[ParseOid(".1.3.6.1.2.1.2.2.1.8.1")] = Integer(1);
    table.objects[ParseOid(".1.3.6.1.2.1.3.1.0")] = Integer(9); // past the subtree
    ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    DialogDriver d;
    ASSERT_NO_FATAL_FAILURE(d.Open(agent.Address()));
    d.dlg().SetLineTexts(kBoth);
    d.SetText(IDC_OID, ".1.3.6.1.2.1.2");
    d.Click(IDC_GETALL);
    EXPECT_EQ(d.WalkLines(), (std::vector<std::string>{"IF-MIB::ifPhysAddress.1 : 0:12:79:62:f9:40",
                                                       "IF-MIB::ifOperStatus.1 : up(1)"}));
    CListBox* list = d.walkList();
    const QPoint at = list->ItemRect(1).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(d.Text(IDC_OID), ".1.3.6.1.2.1.2.2.1.8.1");
    // The Value box keeps the text as sent, so that a Set sends what the Get read.
    EXPECT_EQ(d.Text(IDC_VALUE), "1");
    EXPECT_TRUE(d.TakeBoxes().empty());

    d.dlg().SetLineTexts(kAsSent);
    d.SetText(IDC_OID, ".1.3.6.1.2.1.2");
    d.Click(IDC_GETALL);
    EXPECT_EQ(d.WalkLines(), (std::vector<std::string>{".1.3.6.1.2.1.2.2.1.6.1 : 00 12 79 62 F9 40",
                                                       ".1.3.6.1.2.1.2.2.1.8.1 : 1"}));
}

} // namespace
