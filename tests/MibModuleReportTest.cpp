// Every module's errors told: the test modules (two whose import is missing, a broken one, a
// file that is no module) beside net-snmp's own modules, whose imports Debian does not ship;
// the report against the parser's own words as snmptranslate prints them.
#include "snmpapi/MibDefinitions.h"
#include "testing/SnmpTesting.h"

#include "support/MibDirectory.h"
#include "support/Process.h"
#include "support/TestModules.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

using Outcome = mibnames::ModuleState::Outcome;

const mibnames::ModuleState* Find(const mibnames::ModuleReport& report, const std::string& name,
                                  const std::string& file = "") {
    for (const mibnames::ModuleState& m : report.modules)
        if ((!name.empty() && m.name == name) || (!file.empty() && m.file == file))
            return &m;
    return nullptr;
}

class ModuleReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_modules.Loaded());
        m_report = mibnames::CurrentModuleReport();
    }
    CTestModules m_modules;
    std::shared_ptr<const mibnames::ModuleReport> m_report;
};

TEST_F(ModuleReportTest, TellsTheRootCausesFirst) {
    const mibnames::ModuleReport& report = *m_report;
    EXPECT_TRUE(report.complete);
    ASSERT_FALSE(report.modules.empty());
    // The modules that are not on the machine, each once with who imports it, come before
    // the modules whose trouble they explain.
    const auto firstOther =
        std::find_if(report.modules.begin(), report.modules.end(),
                     [](const auto& m) { return m.outcome != Outcome::Missing; });
    EXPECT_NE(firstOther, report.modules.begin());
    for (auto it = firstOther; it != report.modules.end(); ++it)
        EXPECT_NE(it->outcome, Outcome::Missing) << it->name;
    const mibnames::ModuleState* absent = Find(report, "OKAPEL-ABSENT-MIB");
    ASSERT_NE(absent, nullptr);
    EXPECT_EQ(absent->outcome, Outcome::Missing);
    EXPECT_EQ(absent->importedBy,
              (std::vector<std::string>{"OKAPEL-TEST-ABSENT-A-MIB", "OKAPEL-TEST-ABSENT-B-MIB"}));
    // net-snmp's own modules import textual conventions that Debian does not ship.
    const mibnames::ModuleState* tc = Find(report, "SNMPv2-TC");
    ASSERT_NE(tc, nullptr);
    EXPECT_EQ(tc->outcome, Outcome::Missing);
    EXPECT_GE(tc->importedBy.size(), 5u);
    EXPECT_LE(tc - report.modules.data(), absent - report.modules.data()); // imported by more

    struct Expected {
        const char* name;
        const char* file; // when it has no name
        Outcome outcome;
        std::vector<std::string> missing;
        int line;          // a problem at this line, 0 for none expected
        const char* words; // ... whose text holds these words
    } expected[] = {
        {"OKAPEL-TEST-ABSENT-A-MIB",
         "",
         Outcome::ImportsMissing,
         {"OKAPEL-ABSENT-MIB"},
         7,
         "Cannot find module (OKAPEL-ABSENT-MIB)"},
        {"OKAPEL-TEST-ABSENT-B-MIB",
         "",
         Outcome::ImportsMissing,
         {"OKAPEL-ABSENT-MIB"},
         7,
         "Cannot find module (OKAPEL-ABSENT-MIB)"},
        {"OKAPEL-TEST-BROKEN-MIB", "", Outcome::Failed, {}, 12, "Bad parse of OBJECT-TYPE"},
        {"OKAPEL-TEST-VALUES-MIB", "", Outcome::Read, {}, 0, ""},
        {"OKAPEL-TEST-TC-MIB", "", Outcome::Read, {}, 0, ""},
        {"UCD-SNMP-MIB",
         "",
         Outcome::ImportsMissing,
         {"SNMPv2-SMI", "HCNUM-TC", "SNMPv2-TC"},
         34,
         "Cannot find module (SNMPv2-SMI)"},
        {"",
         OKAPEL_SOURCE_DIR "/tests/mibs/README-NOT-A-MODULE.txt",
         Outcome::NotAModule,
         {},
         0,
         ""},
    };
    for (const Expected& e : expected) {
        const mibnames::ModuleState* m = Find(report, e.name, e.file);
        ASSERT_NE(m, nullptr) << e.name << e.file;
        EXPECT_EQ(m->outcome, e.outcome) << e.name << e.file;
        EXPECT_EQ(m->missingImports, e.missing) << e.name;
        if (e.line == 0) {
            EXPECT_TRUE(m->problems.empty()) << e.name << e.file;
            continue;
        }
        EXPECT_TRUE(std::any_of(m->problems.begin(), m->problems.end(), [&e](const auto& p) {
            return p.line == e.line && p.text.find(e.words) != std::string::npos;
        })) << e.name;
    }
    // A file that is no module is listed once.
    EXPECT_EQ(
        std::count_if(report.modules.begin(), report.modules.end(),
                      [](const auto& m) { return m.file.ends_with("README-NOT-A-MODULE.txt"); }),
        1);
}

// Every word the parser says is told beside a module, and nothing else is.
TEST_F(ModuleReportTest, TellsTheParsersOwnWords) {
    ProcessOptions options;
    options.output = Stream::Discard;
    options.errors = Stream::Keep;
    const ProcessRun run =
        RunProcess({"snmptranslate", "-M", m_modules.Directories() + ":" OKAPEL_SOURCE_DIR "/mibs",
                    "-m", "ALL", ".1.3"},
                   options);
    ASSERT_EQ(run.exitCode, 0);
    std::set<std::string> said;
    std::istringstream lines(run.errors);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && !line.starts_with("MIB search path:"))
            said.insert(line);
    std::set<std::string> told;
    for (const mibnames::ModuleState& m : m_report->modules)
        for (const mibnames::ModuleProblem& p : m.problems)
            told.insert(p.text);
    EXPECT_FALSE(said.empty());
    for (const std::string& line : said)
        EXPECT_TRUE(told.contains(line)) << "not told: " << line;
    for (const std::string& line : told)
        EXPECT_TRUE(said.contains(line)) << "not said by the parser: " << line;
}

// The MIB reader that this process started, by its process id; 0 when there is none.
pid_t Reader() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream status(entry.path() / "status");
        std::string line;
        pid_t parent = 0;
        while (std::getline(status, line))
            if (line.starts_with("PPid:"))
                parent = static_cast<pid_t>(std::stol(line.substr(5)));
        std::string command;
        std::getline(std::ifstream(entry.path() / "cmdline"), command, '\0');
        if (parent == getpid() && command == "okapel-mib-reader")
            return static_cast<pid_t>(std::stol(name));
    }
    return 0;
}

// A reader that ends in the middle of a module (as one that a module makes crash does) is
// told: the module it was reading, and the modules read before it as they were.
TEST(ModuleReport, TellsTheModuleTheReaderStoppedIn) {
    CTestModules modules(false, kTestModulesDir);
    CMibDirectory hold;
    setenv("MIBDIRS", (std::string(kTestModulesDir) + ":" + hold.Path()).c_str(), 1);
    hold.HoldReader(""); // before the first module the reader reads
    SnmpMgrLoadMibModules();
    // The reader waits at the hold while the kernel keeps its opening of the hold's pipe
    // waiting for a writer.
    const auto waiting = [](pid_t pid) {
        std::string channel;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/wchan"), channel);
        return channel == "wait_for_partner";
    };
    pid_t reader = 0;
    for (int tries = 0; tries < 6000 && !(reader && waiting(reader)); ++tries) {
        reader = reader ? reader : Reader();
        usleep(10000);
    }
    ASSERT_NE(reader, 0);
    ASSERT_TRUE(waiting(reader));
    // Its own process, started by this test: ended by its id while it waits in the module.
    ASSERT_EQ(kill(reader, SIGKILL), 0);
    ASSERT_TRUE(SnmpMgrWaitMibModulesForTesting(60000));
    const auto report = mibnames::CurrentModuleReport();
    EXPECT_FALSE(report->complete);
    ASSERT_FALSE(report->modules.empty());
    const mibnames::ModuleState* stopped = nullptr;
    for (const mibnames::ModuleState& m : report->modules)
        if (m.outcome == Outcome::ReaderStopped)
            stopped = &m;
    ASSERT_NE(stopped, nullptr);
    EXPECT_FALSE(stopped->name.empty());
    ASSERT_FALSE(stopped->problems.empty());
    EXPECT_NE(stopped->problems.back().text.find("The MIB reader ended while it read this module"),
              std::string::npos);
    // The stop is told before every module it may explain, after the missing ones.
    for (const mibnames::ModuleState& m : report->modules) {
        if (&m == stopped)
            break;
        EXPECT_EQ(m.outcome, Outcome::Missing) << m.name;
    }
}

} // namespace
