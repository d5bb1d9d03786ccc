// The notification log's export: its fields as a spreadsheet and Python's csv and json
// modules read them back, and the files it leaves when it cannot write.
#include "traps/NotificationExport.h"
#include "support/BindingText.h"
#include "support/Identifiers.h"
#include "support/Notifications.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const Ids kLinkDown = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
const Ids kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const Ids kPrivate = {1, 3, 6, 1, 4, 1, 99, 1};

struct FieldCase {
    const char* name;
    std::string text;
    std::string field;
};

class CsvFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(CsvFieldTest, FieldIsWrittenSoThatASpreadsheetReadsItAsText) {
    EXPECT_EQ(CsvField(GetParam().text), GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CsvFieldTest,
    ::testing::Values(FieldCase{"Plain", "linkDown", "linkDown"},
                      FieldCase{"Comma", "a,b", "\"a,b\""},
                      FieldCase{"Quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
                      FieldCase{"LineBreak", "one\ntwo", "\"one\ntwo\""},
                      FieldCase{"Formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
                      FieldCase{"Plus", "+1", "'+1"}, FieldCase{"At", "@SUM", "'@SUM"},
                      FieldCase{"NegativeNumber", "-5", "-5"},
                      FieldCase{"NegativeReal", "-1.5", "-1.5"},
                      FieldCase{"MinusText", "-x", "'-x"}, FieldCase{"Tab", "\tx", "'\tx"},
                      FieldCase{"NoUtf8", "a\xFF", "a\xEF\xBF\xBD"}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

// Notifications whose values try the formats: a comma, quotes and a line break in a text, bytes
// that are no text, a negative number, an identifier, an IPv6 sender, an SNMPv1 trap.
std::vector<ExportedNotification> Awkward() {
    TestOrigin v6;
    v6.sender = "::1";
    v6.port = 50162;
    return {
        {1, NotificationOf(
                V2TrapOf(kLinkDown, {ber::Binding(kSysName, ber::String("rack 4, \"east\"\nrow 2")),
                                     ber::Binding(kPrivate, ber::Tlv(0x04, {0x00, 0xFF, 0x80}))}))},
        {7, NotificationOf(V2TrapOf({1, 3, 6, 1, 4, 1, 99, 0, 1},
                                    {ber::Binding(kPrivate, ber::Integer(-5)),
                                     ber::Binding(kPrivate, ber::Oid({1, 3, 6, 1}))},
                                    "ops"),
                           v6)},
        {9, NotificationOf(
                ber::V1Trap("public", {1, 3, 6, 1, 4, 1, 8072}, {192, 168, 1, 200}, 2, 0, 77, {}))},
    };
}

// What Python reads back: per binding, the notification's number, source, port, version,
// community, type, name, trap identifier and agent address, then the binding's index, name,
// identifier, type, value and value as described, as one JSON array per line.
const char* const kReadBack = R"PY(
import csv, json, sys
kind, path = sys.argv[1], sys.argv[2]
with open(path, encoding="utf-8", newline="") as f:
    if kind == "csv":
        for r in csv.DictReader(f):
            print(json.dumps([int(r["Notification"]), r["Source"], int(r["Port"]), r["Version"],
                  r["Community or user"], r["Type"], r["Name"], r["Trap OID"], r["Agent address"],
                  int(r["Binding"]), r["Binding name"], r["Binding OID"], r["Value type"],
                  r["Value"], r["Value as the MIB describes it"]]))
    else:
        for line in f:
            n = json.loads(line)
            for i, b in enumerate(n["bindings"]):
                print(json.dumps([n["notification"], n["source"], n["port"], n["version"],
                      n.get("community", n.get("user")), n["type"], n["name"], n["trapOid"],
                      n.get("agentAddress", ""), i + 1, b["name"], b["oid"], b["type"],
                      b["value"], b["described"]]))
)PY";

QStringList ReadBack(const char* kind, const std::string& path, const QTemporaryDir& dir) {
    const QString script = dir.filePath(QStringLiteral("read_back.py"));
    std::ofstream(script.toStdString()) << kReadBack;
    const ToolRun run = RunTool(QStringLiteral("python3"),
                                {script, QString::fromLatin1(kind), QString::fromStdString(path)});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    return run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(NotificationExportTest, CsvAndJsonLinesReadBackAsTheSameNotifications) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<ExportedNotification> awkward = Awkward();
    for (const ExportedNotification& n : awkward)
        ASSERT_NE(n.notification, nullptr);
    const std::string csv = dir.filePath(QStringLiteral("log.csv")).toStdString();
    const std::string json = dir.filePath(QStringLiteral("log.jsonl")).toStdString();
    std::string error;
    ASSERT_EQ(ExportNotifications(awkward, ExportFormat::Csv, csv, &error), ExportResult::Written)
        << error;
    ASSERT_EQ(ExportNotifications(awkward, ExportFormat::JsonLines, json, &error),
              ExportResult::Written)
        << error;
    const QStringList fromCsv = ReadBack("csv", csv, dir);
    EXPECT_EQ(fromCsv, ReadBack("json", json, dir));
    // Two, four and two bindings with the header ones: every binding once.
    ASSERT_EQ(fromCsv.size(), 10);
    EXPECT_EQ(fromCsv[2].toStdString(),
              "[1, \"10.0.0.7\", 40000, \"SNMPv2c\", \"public\", \"trap\", \"" +
                  OidName(kLinkDown) + "\", \"" + Dotted(kLinkDown) + "\", \"\", 3, \"" +
                  OidName(kSysName) + "\", \"" + Dotted(kSysName) +
                  "\", \"OCTET STRING\", \"rack 4, \\\"east\\\"\\nrow 2\", \"rack 4, "
                  "\\\"east\\\"\\nrow 2\"]");
    // Bytes that are no text in hex, as sent and as the MIB formatter writes them.
    EXPECT_TRUE(fromCsv[3].contains(QStringLiteral("\"00 FF 80\", \"00 FF 80 \"]")))
        << fromCsv[3].toStdString();
    EXPECT_TRUE(fromCsv[6].startsWith(QStringLiteral("[7, \"::1\", 50162, \"SNMPv2c\", \"ops\"")))
        << fromCsv[6].toStdString();
    EXPECT_TRUE(fromCsv[6].contains(QStringLiteral("\"INTEGER\", \"-5\", \"-5\"]")));
    EXPECT_TRUE(fromCsv[8].contains(QStringLiteral("\"SNMPv1\", \"public\", \"trap\"")) &&
                fromCsv[8].contains(QStringLiteral("\"192.168.1.200\", 1,")))
        << fromCsv[8].toStdString();
}

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Whatever goes wrong, the file that was at the path is as it was and no file of the export
// is left beside it.
TEST(NotificationExportTest, ExportThatCannotBeWrittenLeavesWhatWasThere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string kept = dir.filePath(QStringLiteral("kept.csv")).toStdString();
    std::ofstream(kept) << "what the operator had\n";
    const std::string folder = dir.filePath(QStringLiteral("folder.csv")).toStdString();
    std::filesystem::create_directory(folder);
    struct Case {
        const char* name;
        std::string path;
        bool cancel;
        const char* words; // of the error, for a failure
    };
    const Case cases[] = {
        {"NoSuchDirectory", dir.filePath(QStringLiteral("none/log.csv")).toStdString(), false,
         "No such file or directory"},
        {"UnderAFile", kept + "/log.csv", false, "Not a directory"},
        {"ADirectory", folder, false, "Is a directory"},
        {"Cancelled", kept, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> cancelled{c.cancel};
        std::string error;
        const ExportResult result =
            ExportNotifications(Awkward(), ExportFormat::Csv, c.path, &error, &cancelled);
        EXPECT_EQ(result, c.cancel ? ExportResult::Cancelled : ExportResult::Failed);
        if (c.words) {
            EXPECT_EQ(error, "Cannot write " + c.path + ": " + c.words);
        }
    }
    EXPECT_EQ(Contents(kept), "what the operator had\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"folder.csv", "kept.csv"}));
}

TEST(NotificationExportTest, ReplacedFileKeepsItsMode) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("log.jsonl")).toStdString();
    std::ofstream(path) << "old\n";
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    std::string error;
    ASSERT_EQ(ExportNotifications(Awkward(), ExportFormat::JsonLines, path, &error),
              ExportResult::Written);
    struct stat written {};
    ASSERT_EQ(stat(path.c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 07777, 0640u);
    EXPECT_TRUE(Contents(path).starts_with("{\"notification\":1,"));
}

} // namespace
