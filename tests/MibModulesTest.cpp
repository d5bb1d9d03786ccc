// Names from MIB modules: modules written for the tests in a directory given through
// MIBDIRS (one whose imports are missing, one broken, two that define the same name, two
// that give one identifier two names, two that give two children of one parent one name,
// one with a node that has no name, and a named pipe), their names written and read back,
// compared with net-snmp's snmptranslate; the names of modules that MIBS names by their
// file; and the window, the built-in names and the names read so far while a load is held
// up.
#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpApi.h"
#include "support/BindingText.h"
#include "support/DialogDriver.h"
#include "support/Identifiers.h"
#include "support/MibDirectory.h"
#include "support/Process.h"
#include "support/StderrCapture.h"
#include "support/Wait.h"
#include "testing/SnmpTesting.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Imports from modules that the directory lacks, as net-snmp's own modules do on Debian.
constexpr char kTestModule[] = R"(OKAPEL-TEST-MIB DEFINITIONS ::= BEGIN
IMPORTS
    MODULE-IDENTITY, OBJECT-TYPE, Integer32, enterprises, mib-2 FROM SNMPv2-SMI
    DisplayString FROM SNMPv2-TC;

okapelTest MODULE-IDENTITY
    LAST-UPDATED "202601010000Z"
    ORGANIZATION "Okapel"
    CONTACT-INFO "none"
    DESCRIPTION "Objects for the tests."
    ::= { enterprises 99999 }

testObjects OBJECT IDENTIFIER ::= { okapelTest 1 }

testName OBJECT-TYPE
    SYNTAX DisplayString
    MAX-ACCESS read-only
    STATUS current
    DESCRIPTION "A scalar."
    ::= { testObjects 1 }

testTable OBJECT-TYPE
    SYNTAX SEQUENCE OF TestEntry
    MAX-ACCESS not-accessible
    STATUS current
    DESCRIPTION "A table."
    ::= { testObjects 2 }

testEntry OBJECT-TYPE
    SYNTAX TestEntry
    MAX-ACCESS not-accessible
    STATUS current
    DESCRIPTION "A row."
    INDEX { testIndex }
    ::= { testTable 1 }

TestEntry ::= SEQUENCE { testIndex Integer32, testValue Integer32 }

testIndex OBJECT-TYPE
    SYNTAX Integer32
    MAX-ACCESS not-accessible
    STATUS current
    DESCRIPTION "The index."
    ::= { testEntry 1 }

testValue OBJECT-TYPE
    SYNTAX Integer32
    MAX-ACCESS read-only
    STATUS current
    DESCRIPTION "A column."
    ::= { testEntry 2 }

-- The name of a MIB-II group, given here to something else.
system OBJECT IDENTIFIER ::= { okapelTest 2 }

testGroup OBJECT IDENTIFIER ::= { mib-2 4242 }

testCounter OBJECT-TYPE
    SYNTAX Integer32
    MAX-ACCESS read-only
    STATUS current
    DESCRIPTION "A scalar below mib-2."
    ::= { testGroup 1 }
END
)";

// DUP-<letter>-MIB: dup<letter> at enterprises.<arc>, and below it a name that both
// modules define.
std::string DupModule(char letter, int arc) {
    const std::string top = std::string("dup") + letter;
    return std::string("DUP-") + letter + "-MIB DEFINITIONS ::= BEGIN\n" +
           "IMPORTS enterprises FROM SNMPv2-SMI;\n" + top +
           " OBJECT IDENTIFIER ::= { enterprises " + std::to_string(arc) + " }\n" +
           "sharedName OBJECT IDENTIFIER ::= { " + top + " 1 }\nEND\n";
}

// Two modules that give one identifier two names (an alias, as of a renamed object), each
// with a child of its own below it.
std::string AliasModule(char letter, const char* top, const char* child, int arc) {
    return std::string("ALIAS-") + letter + "-MIB DEFINITIONS ::= BEGIN\n" +
           "IMPORTS enterprises, mgmt FROM SNMPv2-SMI;\n" + top +
           " OBJECT IDENTIFIER ::= { enterprises 99996 }\n" + child + " OBJECT IDENTIFIER ::= { " +
           top + " " + std::to_string(arc) + " }\n" +
           (letter == 'A' ? "myMib2 OBJECT IDENTIFIER ::= { mgmt 1 }\n" : "") + "END\n";
}

// Two versions of a module that moved an object: one parent, two children of one name.
std::string MovedModule(int version, int arc) {
    return "MOVED-V" + std::to_string(version) + "-MIB DEFINITIONS ::= BEGIN\n" +
           "IMPORTS enterprises FROM SNMPv2-SMI;\n" +
           "movedParent OBJECT IDENTIFIER ::= { enterprises 99995 }\n" +
           "movedObject OBJECT IDENTIFIER ::= { movedParent " + std::to_string(arc) + " }\nEND\n";
}

// A node defined by its path: the nodes on the way have no names.
constexpr char kAnonymous[] = R"(ANON-MIB DEFINITIONS ::= BEGIN
IMPORTS enterprises FROM SNMPv2-SMI;
anonLeaf OBJECT IDENTIFIER ::= { enterprises 99994 1 7 }
END
)";

constexpr char kBroken[] = R"(BROKEN-MIB DEFINITIONS ::= BEGIN
IMPORTS enterprises FROM SNMPv2-SMI;
brokenThing OBJECT-TYPE SYNTAX INTEGER { one(1 MAX-ACCESS ::= { enterprises
)";

const Ids kTestName = {1, 3, 6, 1, 4, 1, 99999, 1, 1, 0};

// The identifier read, or {} when refused.
Ids Read(const std::string& text) {
    AsnObjectIdentifier oid{};
    Ids ids;
    if (SnmpMgrStrToOid(text.c_str(), &oid))
        ids.assign(oid.ids, oid.ids + oid.idLength);
    SnmpUtilOidFree(&oid);
    return ids;
}

// snmptranslate's answer for `what` with `options`, from every module of `directory` and
// the base module, and then those of `mibs`.
std::string Snmptranslate(const std::string& directory, const std::string& option,
                          const std::string& what, const std::string& mibs = "") {
    ProcessOptions quiet;
    quiet.errors = Stream::Discard;
    std::string out = RunProcess({"snmptranslate", "-M", directory + ":" OKAPEL_SOURCE_DIR "/mibs",
                                  "-m", mibs.empty() ? "ALL" : "ALL:" + mibs, option, what},
                                 quiet)
                          .output;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// snmptranslate's full name for `ids`, in Okapel's form: below mib-2 from the group on,
// elsewhere from the root.
std::string Translated(const std::string& directory, const Ids& ids, const std::string& mibs = "") {
    std::string out = Snmptranslate(directory, "-Ofb", LeadingDotted(ids), mibs);
    if (out.starts_with('.'))
        out.erase(0, 1);
    const std::string mib2 = "iso.org.dod.internet.mgmt.mib-2.";
    if (out.starts_with(mib2) && out.size() > mib2.size() && !std::isdigit(out[mib2.size()]))
        out.erase(0, mib2.size());
    return out;
}

class MibModulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Write("OKAPEL-TEST-MIB.txt", kTestModule);
        m_dir.Write("DUP-A-MIB.txt", DupModule('A', 99998));
        m_dir.Write("DUP-B-MIB.txt", DupModule('B', 99997));
        m_dir.Write("ALIAS-A-MIB.txt", AliasModule('A', "aliasFirst", "aliasLeaf", 1));
        m_dir.Write("ALIAS-B-MIB.txt", AliasModule('B', "aliasSecond", "aliasOther", 2));
        m_dir.Write("MOVED-V1-MIB.txt", MovedModule(1, 3));
        m_dir.Write("MOVED-V2-MIB.txt", MovedModule(2, 5));
        m_dir.Write("ANON-MIB.txt", kAnonymous);
        m_dir.Write("BROKEN-MIB.txt", kBroken);
        m_dir.Write("NOISE.txt", std::string("\x01\xff{}::=::=\"unterminated", 24));
        // A named pipe in a MIB directory of its own (snmptranslate, which opens it, would
        // wait for a writer for ever).
        m_pipes.AddNamedPipe("PIPE-MIB.txt");
        setenv("MIBDIRS", (m_dir.Path() + ":" + m_pipes.Path()).c_str(), 1);
    }
    void Load() {
        SnmpMgrLoadMibModules();
        ASSERT_TRUE(SnmpMgrWaitMibModulesForTesting(60000));
    }

    CMibDirectory m_pipes; // made first, so that its MIBDIRS comes back last
    CMibDirectory m_dir;
};

TEST_F(MibModulesTest, NamesGoOutAndComeBackAsSnmptranslateGivesThem) {
    // Nothing reaches the terminal while the modules are read, broken ones included.
    CStderrCapture terminal;
    ASSERT_TRUE(terminal.Capturing());
    ASSERT_NO_FATAL_FAILURE(Load());
    EXPECT_EQ(terminal.Take(), "") << "the load wrote to the terminal";

    struct Case {
        Ids ids;
        const char* text;
        bool translated; // a module names it, so snmptranslate gives the same
    };
    const std::string ent = "iso.org.dod.internet.private.enterprises.";
    const Case cases[] = {
        {{1, 3, 6, 1, 2, 1, 4242, 1, 0}, "testGroup.testCounter.0", true},
        {kTestName, "okapelTest.testObjects.testName.0", true},
        {{1, 3, 6, 1, 4, 1, 99999, 1, 2, 1, 2, 7},
         "okapelTest.testObjects.testTable.testEntry.testValue.7",
         true},
        {{1, 3, 6, 1, 4, 1, 99999, 2, 5}, "okapelTest.system.5", true},
        {{1, 3, 6, 1, 4, 1, 99998, 1, 3}, "dupA.sharedName.3", true},
        {{1, 3, 6, 1, 4, 1, 99997, 1}, "dupB.sharedName", true},
        // One identifier, two names: the one of the module read first, and below it the
        // children of both.
        {{1, 3, 6, 1, 4, 1, 99996, 1, 4}, "aliasSecond.aliasLeaf.4", true},
        {{1, 3, 6, 1, 4, 1, 99996, 2}, "aliasSecond.aliasOther", true},
        // One parent, two children of one name: each has it.
        {{1, 3, 6, 1, 4, 1, 99995, 3}, "movedParent.movedObject", true},
        {{1, 3, 6, 1, 4, 1, 99995, 5, 0}, "movedParent.movedObject.0", true},
        {{1, 3, 6, 1, 4, 1, 99994, 1, 7, 0}, "99994.1.anonLeaf.0", true},
        {{1, 3, 6, 1, 4, 1, 55555, 1}, "55555.1", false},
        {{1, 3, 6, 1, 2, 1, 1, 5, 0}, "system.sysName.0", false},
        {{1, 3, 6, 1, 2, 1, 99, 1}, "iso.org.dod.internet.mgmt.mib-2.99.1", true},
        {{1, 3, 6, 1, 6, 3, 1, 1, 5, 1}, "snmpTraps.coldStart", false},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        if (c.ids[6] >= 55555 && c.ids[5] == 1 && c.ids[4] == 4)
            text = ent + text;
        EXPECT_EQ(OidName(c.ids), text);
        if (c.translated) {
            EXPECT_EQ(Translated(m_dir.Path(), c.ids), text);
        }
        // Where two children bear the name, the full path reads back as net-snmp reads it.
        const bool full = text.starts_with("iso.");
        EXPECT_EQ(LeadingDotted(Read(text)), c.translated && full
                                                 ? Snmptranslate(m_dir.Path(), "-On", text)
                                                 : LeadingDotted(c.ids))
            << text;
    }
    EXPECT_EQ(Read(ent + "movedParent.movedObject"), (Ids{1, 3, 6, 1, 4, 1, 99995, 5}));
    EXPECT_EQ(Read(ent + "aliasFirst.aliasOther"), (Ids{1, 3, 6, 1, 4, 1, 99996, 2}));
    EXPECT_EQ(Read("iso.org.dod.internet.mgmt.myMib2.99"), (Ids{1, 3, 6, 1, 2, 1, 99}));
}

TEST_F(MibModulesTest, ReadsNamesAloneOrWithTheirModule) {
    ASSERT_NO_FATAL_FAILURE(Load());
    struct Case {
        const char* text;
        Ids ids; // {}: refused
    };
    const Case cases[] = {
        {"testName.0", kTestName},
        {"OKAPEL-TEST-MIB::testName.0", kTestName},
        {"OKAPEL-TEST-MIB::testEntry.testValue.7", {1, 3, 6, 1, 4, 1, 99999, 1, 2, 1, 2, 7}},
        {"DUP-B-MIB::sharedName.2", {1, 3, 6, 1, 4, 1, 99997, 1, 2}},
        {"sharedName", {}},                                // two modules, two nodes
        {"system.sysName.0", {1, 3, 6, 1, 2, 1, 1, 5, 0}}, // MIB-II's group, not the module's
        {"OKAPEL-TEST-MIB::system.1", {1, 3, 6, 1, 4, 1, 99999, 2, 1}},
        {"testGroup.1.0", {1, 3, 6, 1, 2, 1, 4242, 1, 0}},
        {"DUP-A-MIB::testName", {}}, // not that module's
        {"NO-SUCH-MIB::testName.0", {}},
        {"OKAPEL-TEST-MIB::", {}},
        {"::testName", {}},
        {"testName.OKAPEL-TEST-MIB::testName", {}},
        {".1.3.6.1.4.1.99999.1.1.0", kTestName},
        {"1.3.6.1.4.1.99999.testObjects", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.text), c.ids) << c.text;

    // Every node of the loaded table, and an instance of it, goes out and comes back, but
    // for the second of two children of one name, which reads back as the first.
    const auto table = mibnames::Current();
    ASSERT_GT(table->Count(), mibnames::BuiltIn().Count());
    for (int node = 0; node < table->Count(); ++node) {
        Ids ids{0};
        for (int n = node; n != mibnames::kNone; n = table->Parent(n))
            ids.insert(ids.begin(), table->Arc(n));
        if (ids != Ids{1, 3, 6, 1, 4, 1, 99995, 3, 0}) {
            EXPECT_EQ(Read(OidName(ids)), ids) << OidName(ids);
        }
    }
}

// A module outside the MIB directories, in a file of its own.
std::string FileModule(const std::string& module, const std::string& top, int arc) {
    return module + " DEFINITIONS ::= BEGIN\nIMPORTS enterprises FROM SNMPv2-SMI;\n" + top +
           " OBJECT IDENTIFIER ::= { enterprises " + std::to_string(arc) + " }\nEND\n";
}

TEST_F(MibModulesTest, ReadsTheFilesThatMibsMibfileAndMibfilesName) {
    CMibDirectory elsewhere;
    elsewhere.Write("FILE-MIB.txt", FileModule("FILE-MIB", "fromMibs", 99993));
    elsewhere.Write("CONF-MIB.txt", FileModule("CONF-MIB", "fromMibfile", 99992));
    elsewhere.Write("ENV-MIB.txt", FileModule("ENV-MIB", "fromMibfiles", 99991));
    elsewhere.Write("snmp.conf", "mibfile " + elsewhere.Path() + "/CONF-MIB.txt\n");
    const std::string file = elsewhere.Path() + "/FILE-MIB.txt";
    setenv("MIBDIRS", (m_dir.Path() + ":" + m_pipes.Path()).c_str(), 1);
    struct Settings { // for the reader and for snmptranslate, while the test runs
        Settings(const std::string& mibs, const std::string& mibFiles, const std::string& conf) {
            setenv("MIBS", mibs.c_str(), 1);
            setenv("MIBFILES", mibFiles.c_str(), 1);
            setenv("SNMPCONFPATH", conf.c_str(), 1);
        }
        ~Settings() {
            for (const char* name : {"MIBS", "MIBFILES", "SNMPCONFPATH"})
                unsetenv(name);
        }
    } settings("+" + file, elsewhere.Path() + "/ENV-MIB.txt", elsewhere.Path());
    SnmpMgrLoadMibModules();
    ASSERT_TRUE(SnmpMgrWaitMibModulesForTesting(60000));
    const std::string ent = "iso.org.dod.internet.private.enterprises.";
    for (const auto& [ids, name] : std::vector<std::pair<Ids, std::string>>{
             {{1, 3, 6, 1, 4, 1, 99993, 1}, "fromMibs.1"},
             {{1, 3, 6, 1, 4, 1, 99992, 1}, "fromMibfile.1"},
             {{1, 3, 6, 1, 4, 1, 99991, 1}, "fromMibfiles.1"}}) {
        EXPECT_EQ(OidName(ids), ent + name);
        EXPECT_EQ(Translated(m_dir.Path(), ids, file), OidName(ids));
    }
}

TEST_F(MibModulesTest, ModulesReadSoFarAreInForceWhileALargeOneIsRead) {
    // Read after the small module (net-snmp reads the files of a directory from the last
    // name to the first), and held before it is read.
    m_dir.WriteGenerated(1, 5000, "A-");
    m_dir.HoldReader("A-GENERATED-0-MIB.txt");
    SnmpMgrLoadMibModules();
    const Ids large{1, 3, 6, 1, 4, 1, 50000, 1, 5000, 0};
    ASSERT_TRUE(WaitUntil([] { return OidName(kTestName).find("testName") != std::string::npos; }));
    EXPECT_FALSE(SnmpMgrWaitMibModulesForTesting(0));
    EXPECT_EQ(OidName(large), "iso.org.dod.internet.private.enterprises.50000.1.5000.0");

    ASSERT_TRUE(m_dir.Release());
    ASSERT_TRUE(SnmpMgrWaitMibModulesForTesting(60000));
    EXPECT_EQ(OidName(large), "iso.org.dod.internet.private.enterprises.genM0.genM0Objects."
                              "genM0Object5000.0");
    EXPECT_EQ(OidName(kTestName),
              "iso.org.dod.internet.private.enterprises.okapelTest.testObjects.testName.0");
}

TEST_F(MibModulesTest, WindowShowsAndBuiltInNamesServeWhileALoadIsHeldUp) {
    m_dir.HoldReader();
    SnmpMgrLoadMibModules();
    DialogDriver d;
    EXPECT_TRUE(d.dlg().isVisible());
    EXPECT_FALSE(SnmpMgrWaitMibModulesForTesting(0));
    EXPECT_EQ(OidName(kTestName), "iso.org.dod.internet.private.enterprises.99999.1.1.0");
    EXPECT_TRUE(Read("testName.0").empty());

    ASSERT_TRUE(m_dir.Release());
    ASSERT_TRUE(SnmpMgrWaitMibModulesForTesting(60000));
    EXPECT_EQ(OidName(kTestName),
              "iso.org.dod.internet.private.enterprises.okapelTest.testObjects.testName.0");
}

// As at exit: a load that is held up ends at once, and the built-in names stay.
TEST_F(MibModulesTest, StoppingAHeldUpLoadEndsItWithoutItsNames) {
    m_dir.HoldReader();
    SnmpMgrLoadMibModules();
    EXPECT_FALSE(SnmpMgrWaitMibModulesForTesting(50));
    SnmpMgrMibModulesStopForTesting();
    EXPECT_TRUE(SnmpMgrWaitMibModulesForTesting(0));
    EXPECT_EQ(OidName(kTestName), "iso.org.dod.internet.private.enterprises.99999.1.1.0");
}

} // namespace
