// The table view: a row's index read back into its INDEX objects (every kind that an INDEX
// can hold, with the definitions of the test modules), and the window itself driven beside
// the real main dialog: ifTable of the demo agent from the MIB browser and from the system
// menu, and a scripted agent's table with a missing cell, string indexes and a row that fits
// no INDEX; sorting, copying and the window closing with the session.
#include "ui/TableViewDlg.h"

#include "snmpapi/MibNames.h"
#include "ui/MibBrowser.h"
#include "ui/Resource.h"
#include "ui/TableModel.h"
#include "values/TableIndex.h"

#include "support/DemoAgent.h"
#include "support/DialogDriver.h"
#include "support/ScriptedAgent.h"
#include "support/TestModules.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Kind = values::IndexPartSyntax::Kind;

// The decoded values joined by "|", or "no fit".
std::string Decoded(std::span<const values::IndexPartSyntax> parts, const std::vector<UINT>& ids) {
    const auto values = values::DecodeIndex(parts, ids.data(), static_cast<UINT>(ids.size()));
    if (!values)
        return "no fit";
    std::string text;
    for (std::size_t i = 0; i < values->size(); ++i)
        text += (i ? "|" : "") + (*values)[i].text;
    return text;
}

std::vector<UINT> Chars(UINT first, const std::string& text) {
    std::vector<UINT> ids = {first};
    for (unsigned char c : text)
        ids.push_back(c);
    return ids;
}

std::vector<UINT> Join(std::vector<std::vector<UINT>> parts) {
    std::vector<UINT> ids;
    for (const auto& part : parts)
        ids.insert(ids.end(), part.begin(), part.end());
    return ids;
}

TEST(TableIndexTest, ReadsEveryKindOfIndexAsTheModulesDefineIt) {
    CTestModules modules;
    ASSERT_TRUE(modules.Loaded());
    const auto names = mibnames::Current();
    struct Case {
        const char* entry;
        std::vector<UINT> ids;
        const char* expected;
    };
    const std::vector<UINT> eth = {'e', 't', 'h'};
    const Case cases[] = {
        {"tvIntEntry", {7}, "7"},
        {"tvIntEntry", {4294967295u}, "4294967295"},
        {"tvIntEntry", {7, 1}, "no fit"}, // a sub-identifier left over
        {"tvIntEntry", {}, "no fit"},
        {"tvMoreEntry", {5}, "5"}, // AUGMENTS: the base's INDEX
        // An enumeration, then a string with its length.
        {"tvNameEntry", Join({{2}, Chars(3, "abc")}), "2|abc"},
        {"tvNameEntry", Join({{2}, Chars(0, "")}), "2|"},
        {"tvNameEntry", {2, 4, 'a', 'b'}, "no fit"}, // the length runs past the end
        {"tvNameEntry", {2, 1, 300}, "no fit"},      // no byte
        {"tvNameEntry", Join({{2}, Chars(3, "abc"), {9}}), "no fit"},
        {"tvNameEntry", {2, 2, 0x01, 'a'}, "2|01 61"}, // not all printable: in hex
        // A string of fixed size (6 bytes, no length), then an IMPLIED string to the end.
        {"tvMacEntry", Join({{0, 0x1B, 0x21, 1, 2, 3}, eth}), "00 1B 21 01 02 03|eth"},
        {"tvMacEntry", {0, 1, 2, 3, 4, 5}, "00 01 02 03 04 05|"},
        {"tvMacEntry", {1, 2, 3}, "no fit"},
        // An object identifier with its length, then an IpAddress.
        {"tvOidEntry", {3, 1, 3, 6, 10, 0, 0, 1}, ".1.3.6|10.0.0.1"},
        {"tvOidEntry", {0, 127, 0, 0, 1}, "|127.0.0.1"},
        {"tvOidEntry", {3, 1, 3, 6, 10, 0, 0}, "no fit"},
        {"tvOidEntry", {3, 1, 3, 6, 256, 0, 0, 1}, "no fit"},
        {"tvOidEntry", {9, 1, 3}, "no fit"},
    };
    for (const Case& c : cases) {
        const int entry = names->InModule("OKAPEL-TEST-VALUES-MIB", c.entry);
        ASSERT_NE(entry, mibnames::kNone) << c.entry;
        const auto parts = values::IndexPartsOf(*names, entry);
        EXPECT_EQ(Decoded(parts, c.ids), c.expected)
            << c.entry << " " << ::testing::PrintToString(c.ids);
    }
    // A table node leads to its entry, an entry is its own, a column is neither.
    EXPECT_EQ(values::EntryOf(*names, names->InModule("OKAPEL-TEST-VALUES-MIB", "tvMacTable")),
              names->InModule("OKAPEL-TEST-VALUES-MIB", "tvMacEntry"));
    EXPECT_EQ(values::EntryOf(*names, names->InModule("OKAPEL-TEST-VALUES-MIB", "tvMacValue")),
              mibnames::kNone);
    const auto ifParts = values::IndexPartsOf(*names, names->InModule("IF-MIB", "ifEntry"));
    ASSERT_EQ(ifParts.size(), 1u);
    EXPECT_EQ(ifParts[0].name, "ifIndex");
}

TEST(TableIndexTest, ReadsThePartsThatNoTestModuleHas) {
    const auto part = [](Kind kind, bool implied = false) {
        values::IndexPartSyntax p;
        p.name = "p";
        p.kind = kind;
        p.implied = implied;
        return p;
    };
    struct Case {
        std::vector<values::IndexPartSyntax> parts;
        std::vector<UINT> ids;
        const char* expected;
    };
    const Case cases[] = {
        {{part(Kind::Integer), part(Kind::ObjectIdentifier, true)}, {4, 1, 3, 6, 1}, "4|.1.3.6.1"},
        {{part(Kind::ObjectIdentifier, true)}, {}, ""},
        {{part(Kind::String, true), part(Kind::Integer)},
         {2, 'a', 'b', 5},
         "ab|5"}, // IMPLIED only last
        {{part(Kind::NetworkAddress)}, {1, 10, 0, 0, 1}, "10.0.0.1"},
        {{part(Kind::NetworkAddress)}, {2, 10, 0, 0, 1}, "no fit"},
        {{part(Kind::Unknown)}, {1}, "no fit"},
        {{}, {1}, "no fit"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Decoded(c.parts, c.ids), c.expected) << ::testing::PrintToString(c.ids);
}

// --- The window -------------------------------------------------------------------------

std::string Cell(const CTableViewDlg& view, int row, const QString& header) {
    const CTableModel* model = view.Model();
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->Header(c) == header)
            return model->Cell(row, c).toStdString();
    }
    ADD_FAILURE() << "no column " << header.toStdString();
    return {};
}

int Column(const CTableModel& model, const QString& header) {
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.Header(c) == header)
            return c;
    }
    return -1;
}

class TableViewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_modules.Loaded()); }
    CTestModules m_modules;
    DialogDriver m_driver;
};

TEST_F(TableViewTest, ShowsIfTableOfSnmpdFromTheMibBrowser) {
    DemoAgent agent;
    ASSERT_TRUE(agent.Start());
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    m_driver.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));

    m_driver.dlg().OnMibBrowser();
    CMibBrowser* browser = m_driver.dlg().MibBrowser();
    ASSERT_NE(browser, nullptr);
    auto* table = browser->findChild<QPushButton*>(QStringLiteral("IDC_MIB_TABLE"));
    ASSERT_NE(table, nullptr);
    const auto names = mibnames::Current();
    browser->ShowNode(names->InModule("IF-MIB", "ifDescr"));
    EXPECT_FALSE(table->isEnabled()); // a column is no table
    browser->ShowNode(names->InModule("IF-MIB", "ifTable"));
    ASSERT_TRUE(table->isEnabled());
    table->click(); // returns once the table has come

    CTableViewDlg* view = m_driver.dlg().TableView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->objectName(), "IDD_TABLE_VIEW");
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
    const CTableModel& model = *view->Model();
    // One row per interface, in the agent's order, the index first.
    std::istringstream indexes(agent.Tool("snmpwalk", "-v2c -Oqv .1.3.6.1.2.1.2.2.1.1"));
    std::vector<std::string> expected;
    for (std::string line; std::getline(indexes, line);)
        expected.push_back(line);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(model.rowCount(), static_cast<int>(expected.size()));
    EXPECT_EQ(model.IndexColumnCount(), 1);
    EXPECT_EQ(model.Header(0), "ifIndex");
    EXPECT_GE(Column(model, QStringLiteral("ifDescr")), 1);
    for (int row = 0; row < model.rowCount(); ++row) {
        const std::string& index = expected[static_cast<size_t>(row)];
        EXPECT_EQ(model.Cell(row, 0).toStdString(), index);
        EXPECT_EQ(Cell(*view, row, QStringLiteral("ifDescr")),
                  agent.ToolValue(".1.3.6.1.2.1.2.2.1.2." + index));
        EXPECT_EQ(Cell(*view, row, QStringLiteral("ifMtu")),
                  agent.ToolValue(".1.3.6.1.2.1.2.2.1.4." + index));
    }
    EXPECT_TRUE(view->StatusText().contains(QStringLiteral("complete")))
        << view->StatusText().toStdString();
    EXPECT_EQ(view->findChild<QTableView*>(QStringLiteral("IDC_TABLE"))->accessibleName(), "Table");

    // The whole table copied: the headers, then a line per row.
    const QStringList lines = view->CopyText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), model.rowCount() + 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("ifIndex\tifIndex\tifDescr\t")))
        << lines[0].toStdString();

    // Values as the Session Settings choose: described by the MIB, after a Refresh.
    m_driver.dlg().SetLineTexts(values::LineTexts{true, false});
    view->findChild<QPushButton*>(QStringLiteral("IDC_TABLE_REFRESH"))->click();
    ASSERT_EQ(model.rowCount(), static_cast<int>(expected.size()));
    for (int row = 0; row < model.rowCount(); ++row) {
        const std::string status =
            agent.ToolValue(".1.3.6.1.2.1.2.2.1.8." + expected[static_cast<size_t>(row)]);
        EXPECT_TRUE(Cell(*view, row, QStringLiteral("ifOperStatus")).ends_with("(" + status + ")"))
            << Cell(*view, row, QStringLiteral("ifOperStatus"));
    }

    // The session's close closes the window.
    m_driver.Click(IDC_CLOSE);
    EXPECT_FALSE(view->isVisible());
}

// The tables of snmpd's own modules, as Debian ships them, cell by cell against snmptable
// with the same modules (-Ci: the index, -Oe: enumerations as numbers, as Okapel shows values
// as sent): integer and string indexes, and a table that AUGMENTS another, whose own columns
// stand after its base's. Without SNMPv2-TC (Debian ships none) a DisplayString index has no
// known syntax, and both write it as its numbers.
TEST_F(TableViewTest, ShowsSnmpdsTablesAsSnmptableDoes) {
    DemoAgent agent;
    ASSERT_TRUE(agent.Start({}, {"extend hello /bin/echo hi there", "extend two /bin/echo second",
                                 "exec olde /bin/echo old style"}));
    SnmpMgrSessionSettings settings;
    settings.version = SNMP_MGR_VERSION_2C;
    m_driver.dlg().SetSessionSettings(settings);
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    struct Case {
        const char* table;   // as the OID box names it
        const char* peer;    // as snmptable names it
        std::size_t entries; // walked: the base's first for an AUGMENTS table
    };
    const Case cases[] = {
        {"UCD-SNMP-MIB::extTable", "UCD-SNMP-MIB::extTable", 1},
        {"NET-SNMP-EXTEND-MIB::nsExtendConfigTable", "NET-SNMP-EXTEND-MIB::nsExtendConfigTable", 1},
        {"NET-SNMP-EXTEND-MIB::nsExtendOutput1Table", "NET-SNMP-EXTEND-MIB::nsExtendOutput1Table",
         2},
        // Named by Okapel's own definitions; snmptable reads a module written for the tests.
        // An IpAddress index, and a column that snmpd leaves unanswered.
        {"IP-MIB::ipAddrTable", "OKAPEL-PEER-IP-MIB::ipAddrTable", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        m_driver.SetText(IDC_OID, c.table);
        m_driver.dlg().OnSysCommand(IDM_TABLEVIEW, 0);
        CTableViewDlg* view = m_driver.dlg().TableView();
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(m_driver.TakeBoxes().empty());
        EXPECT_EQ(view->Entries().size(), c.entries);
        const CTableModel& model = *view->Model();
        const QStringList lines =
            QString::fromStdString(
                agent.Tool("snmptable", "-v2c -M " + m_modules.Directories() + ":" +
                                            OKAPEL_SOURCE_DIR
                                            "/mibs:" OKAPEL_SOURCE_DIR
                                            "/tests/peers/mibs -m ALL -Ci -Cb -Oe -Cf | " +
                                            c.peer))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // A title line, the headers, then a line per row.
        ASSERT_GE(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
        const QStringList headers = lines[1].split(QLatin1Char('|'));
        ASSERT_EQ(model.rowCount(), lines.size() - 2);
        for (int h = 1; h < headers.size(); ++h) {
            int column = model.IndexColumnCount();
            while (column < model.columnCount() && !model.Header(column).endsWith(headers[h]))
                ++column;
            ASSERT_LT(column, model.columnCount()) << headers[h].toStdString();
            for (int r = 0; r < model.rowCount(); ++r) {
                const QStringList cells = lines[r + 2].split(QLatin1Char('|'));
                ASSERT_EQ(cells.size(), headers.size());
                EXPECT_EQ(model.Cell(r, 0), cells[0]);
                QString cell = cells[h];
                if (cell.size() >= 2 && cell.startsWith(QLatin1Char('"')) &&
                    cell.endsWith(QLatin1Char('"')))
                    cell = cell.mid(1, cell.size() - 2);
                if (cell == QStringLiteral("?"))
                    cell.clear(); // snmptable's mark of a cell that did not come
                EXPECT_EQ(model.Cell(r, column), cell)
                    << "row " << r << " " << headers[h].toStdString();
            }
        }
        view->close();
    }
}

// A table of two string-indexed rows with a cell missing, and one row whose index fits no
// INDEX, from an agent that answers GetNext (SNMPv1).
scripted::TableAgent NameTable() {
    using namespace scripted;
    TableAgent agent;
    const std::string entry = ".1.3.6.1.4.1.99981.2.2.1";
    agent.objects[ParseOid(entry + ".2.1.1.120")] = Octets(0x04, "x");
    agent.objects[ParseOid(entry + ".2.2.3.97.98.99")] = Octets(0x04, "abc");
    agent.objects[ParseOid(entry + ".3.1.1.120")] = Integer(10);
    agent.objects[ParseOid(entry + ".3.2.3.97.98.99")] = Integer(-3);
    agent.objects[ParseOid(entry + ".3.2.9.1")] = Integer(99);  // a length past the end
    agent.objects[ParseOid(entry + ".3.3.1.121")] = Integer(2); // no tvNameName of its own
    agent.objects[ParseOid(".1.3.6.1.4.1.99981.2.3.1.3.0.0.0.0.0.0")] = Integer(1); // past it
    return agent;
}

TEST_F(TableViewTest, ShowsASparseTableWithStringIndexesFromTheSystemMenu) {
    scripted::ScriptedAgent agent(NameTable());
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    m_driver.SetText(IDC_OID, "1.3.6.1.4.1.99981.2.2"); // tvNameTable
    m_driver.dlg().OnSysCommand(IDM_TABLEVIEW, 0);
    CTableViewDlg* view = m_driver.dlg().TableView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
    const CTableModel& model = *view->Model();
    ASSERT_EQ(model.rowCount(), 4);
    ASSERT_EQ(model.IndexColumnCount(), 2);
    EXPECT_EQ(model.Header(0), "tvNameLevel");
    EXPECT_EQ(model.Header(1), "tvNameName");
    struct Row {
        const char* level;
        const char* name;
        const char* nameColumn;
        const char* value;
    };
    // In the agent's order; the row that fits no INDEX by its numbers.
    const Row rows[] = {
        {"1", "x", "x", "10"},
        {"2", "abc", "abc", "-3"},
        {"2.9.1", "", "", "99"},
        {"3", "y", "", "2"},
    };
    // The agent answers the not-accessible tvNameName too: a column beside the index's.
    const int nameColumn = 2;
    EXPECT_EQ(model.Header(nameColumn), "tvNameName");
    const int valueColumn = Column(model, QStringLiteral("tvNameValue"));
    ASSERT_EQ(valueColumn, 3);
    EXPECT_EQ(model.columnCount(), 4);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(model.Cell(r, 0).toStdString(), rows[r].level) << r;
        EXPECT_EQ(model.Cell(r, 1).toStdString(), rows[r].name) << r;
        EXPECT_EQ(model.Cell(r, nameColumn).toStdString(), rows[r].nameColumn) << r;
        EXPECT_EQ(model.Cell(r, valueColumn).toStdString(), rows[r].value) << r;
    }
    EXPECT_EQ(model.UnfitRowCount(), 1);
    EXPECT_TRUE(view->StatusText().startsWith(QStringLiteral("4 rows")))
        << view->StatusText().toStdString();

    // Sorted by the values as numbers (-3, 2, 10, 99), not as texts.
    QTableView* table = view->View();
    table->sortByColumn(valueColumn, Qt::AscendingOrder);
    std::vector<std::string> sorted;
    for (int r = 0; r < 4; ++r)
        sorted.push_back(table->model()->index(r, valueColumn).data().toString().toStdString());
    EXPECT_EQ(sorted, (std::vector<std::string>{"-3", "2", "10", "99"}));

    // The selection copied: its columns' headers, then its rows in the order shown.
    table->selectionModel()->select(
        QItemSelection(table->model()->index(0, 1), table->model()->index(1, valueColumn)),
        QItemSelectionModel::Select);
    QStringList expected = {QStringLiteral("tvNameName")};
    for (int c = 2; c <= valueColumn; ++c)
        expected << model.Header(c);
    const QStringList lines = view->CopyText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], expected.join(QLatin1Char('\t')));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("abc\t"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\t-3"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\t2"))) << lines[2].toStdString();
    view->OnCopy();
    EXPECT_EQ(QApplication::clipboard()->text(), view->CopyText());
}

// An entry that AUGMENTS another, opened by itself: its base's rows and columns are fetched
// too, and its cells stand beside the base's in rows of the same index, whichever of the two
// lacks a row.
TEST_F(TableViewTest, ShowsAnAugmentingTableBesideItsBase) {
    using namespace scripted;
    TableAgent table;
    table.objects[ParseOid(".1.3.6.1.4.1.99981.2.1.1.2.1")] = Octets(0x04, "one");
    table.objects[ParseOid(".1.3.6.1.4.1.99981.2.1.1.2.5")] = Octets(0x04, "five");
    table.objects[ParseOid(".1.3.6.1.4.1.99981.2.5.1.1.5")] = Integer(1);
    table.objects[ParseOid(".1.3.6.1.4.1.99981.2.5.1.1.7")] = Integer(2);
    ScriptedAgent agent(table);
    ASSERT_TRUE(agent.Start());
    ASSERT_NO_FATAL_FAILURE(m_driver.Open(agent.Address()));
    m_driver.SetText(IDC_OID, "1.3.6.1.4.1.99981.2.5"); // tvMoreTable
    m_driver.dlg().OnSysCommand(IDM_TABLEVIEW, 0);
    CTableViewDlg* view = m_driver.dlg().TableView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
    EXPECT_EQ(view->Entries().size(), 2u);
    EXPECT_EQ(view->windowTitle(), "Table View - tvMoreTable");
    const CTableModel& model = *view->Model();
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.Header(0), "tvIntIndex");
    EXPECT_EQ(model.Header(1), "tvIntValue");
    EXPECT_EQ(model.Header(2), "tvMoreValue");
    EXPECT_EQ(model.ColumnEntry(1), 0u);
    EXPECT_EQ(model.ColumnEntry(2), 1u);
    const char* rows[][3] = {{"1", "one", ""}, {"5", "five", "1"}, {"7", "", "2"}};
    ASSERT_EQ(model.rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(model.Cell(r, c).toStdString(), rows[r][c]) << r << "," << c;
    }
    EXPECT_TRUE(view->StatusText().contains(QStringLiteral("complete")))
        << view->StatusText().toStdString();
}

TEST_F(TableViewTest, SendsNothingWithoutASession) {
    m_driver.SetText(IDC_OID, "ifTable");
    m_driver.dlg().OnSysCommand(IDM_TABLEVIEW, 0);
    CTableViewDlg* view = m_driver.dlg().TableView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Model()->rowCount(), 0);
    EXPECT_TRUE(view->StatusText().startsWith(QStringLiteral("No session is open")));
    EXPECT_TRUE(m_driver.TakeBoxes().empty());
}

} // namespace
