// The Debian package's maintainer script, run for real with a stand-in setcap; the package
// as CPack makes it on this machine; and the licence as the package and its metadata state it.
#include "support/Process.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString kSource = QStringLiteral(OKAPEL_SOURCE_DIR);
const QString kBuild = QStringLiteral(OKAPEL_BINARY_DIR);

QString ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A stand-in for setcap that records its arguments, prints `message` on stderr and ends
// with `exitCode`.
void WriteSetcap(const QString& dir, const QString& message, int exitCode) {
    QFile said(dir + "/setcap.message");
    ASSERT_TRUE(said.open(QIODevice::WriteOnly));
    said.write(message.toUtf8());
    said.close();
    QFile script(dir + "/setcap");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$*\" > \"%1/setcap.args\"\n"
                                "cat \"%1/setcap.message\" >&2\nexit %2\n")
                     .arg(dir)
                     .arg(exitCode)
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

struct ScriptRun {
    int exitCode = -1;
    QString errors;
    QString setcapArgs; // empty when setcap was not run
};

ScriptRun RunPostinst(const QString& fakeDir, const QString& argument) {
    ProcessOptions options;
    // Only the stand-in and the basic tools: the real setcap lives in /usr/sbin.
    options.environment = {"PATH=" + (fakeDir + ":/usr/bin:/bin").toStdString()};
    options.onlyTheseVariables = true;
    options.output = Stream::Discard;
    options.errors = Stream::Keep;
    options.limit = std::chrono::seconds(30);
    const ProcessRun process = RunProcess(
        {"/bin/sh", (kSource + "/packaging/debian/postinst").toStdString(), argument.toStdString()},
        options);
    ScriptRun run;
    if (process.timedOut)
        return run;
    run.exitCode = process.exitCode;
    run.errors = QString::fromStdString(process.errors);
    run.setcapArgs = ReadFile(fakeDir + "/setcap.args").trimmed();
    return run;
}

} // namespace

TEST(Package, PostinstGivesTheTrapPortCapabilityAndNeverFailsTheInstall) {
    struct Case {
        const char* what;
        const char* argument;
        bool setcapPresent;
        const char* setcapMessage;
        int setcapExit;
        const char* setcapArgs;        // what setcap was asked, "" when it was not run
        std::vector<const char*> said; // what the script must say on stderr
    };
    const Case cases[] = {
        {"capability given",
         "configure",
         true,
         "",
         0,
         "cap_net_bind_service=+ep /usr/bin/okapel",
         {}},
        {"filesystem without capabilities",
         "configure",
         true,
         "Failed to set capabilities on file `/usr/bin/okapel' (Operation not supported)",
         1,
         "cap_net_bind_service=+ep /usr/bin/okapel",
         {"could not give /usr/bin/okapel", "Operation not supported", "unless run as root",
          "ip_unprivileged_port_start=162"}},
        {"setcap missing",
         "configure",
         false,
         "",
         0,
         "",
         {"setcap (package libcap2-bin) is missing", "unless run as root"}},
        {"an upgrade rolled back", "abort-upgrade", true, "", 0, "", {}},
        {"a removal rolled back", "abort-remove", true, "", 0, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        if (c.setcapPresent) {
            ASSERT_NO_FATAL_FAILURE(
                WriteSetcap(dir.path(), QLatin1String(c.setcapMessage), c.setcapExit));
        }
        const ScriptRun run = RunPostinst(dir.path(), QLatin1String(c.argument));
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_EQ(run.setcapArgs, QLatin1String(c.setcapArgs));
        if (c.said.empty()) {
            EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();
        }
        for (const char* text : c.said)
            EXPECT_TRUE(run.errors.contains(QLatin1String(text)))
                << text << " not in: " << run.errors.toStdString();
    }
}

TEST(Package, PostinstPassesShellcheck) {
    const QString tool = QStandardPaths::findExecutable("shellcheck");
    if (tool.isEmpty())
        GTEST_SKIP() << "shellcheck is not installed";
    const ToolRun run = RunTool(tool, {"-s", "sh", kSource + "/packaging/debian/postinst"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

namespace {

// A field of this machine's /etc/os-release, without its quotes.
QString OsRelease(const QString& field) {
    const QRegularExpression line(QStringLiteral("^%1=\"?([^\"\n]*)\"?$").arg(field),
                                  QRegularExpression::MultilineOption);
    return line.match(ReadFile(QStringLiteral("/etc/os-release"))).captured(1);
}

// The package that holds the library whose file name starts with `soname` among those that
// the program loads, as dpkg knows it on this machine; empty when there is none.
QString PackageOfLinkedLibrary(const QString& program, const QString& soname) {
    const ToolRun ldd = RunTool(QStringLiteral("ldd"), {program});
    const QRegularExpression line(
        QStringLiteral("^\\s*(%1\\S*) => (\\S+)").arg(QRegularExpression::escape(soname)),
        QRegularExpression::MultilineOption);
    const QString path = QFileInfo(line.match(ldd.output).captured(2)).canonicalFilePath();
    if (path.isEmpty())
        return {};
    const ToolRun owner = RunTool(QStringLiteral("dpkg-query"), {"-S", path});
    return owner.exitCode == 0 ? owner.output.section(':', 0, 0).trimmed() : QString();
}

} // namespace

// The package made here is this release's: its version names the release, and it depends on
// the packages that hold, on this release, the libraries the program links (their names differ
// from one release to the next, so names written by hand would hold for one release only).
TEST(Package, TheDebIsMadeForThisReleaseWithItsLibraryPackages) {
    const QString cpack = QStandardPaths::findExecutable("cpack");
    if (cpack.isEmpty() || QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty() ||
        OsRelease("ID") != "debian" || OsRelease("VERSION_ID").isEmpty())
        GTEST_SKIP() << "not a Debian release with cpack and dpkg-shlibdeps";
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const ToolRun made = RunTool(
        cpack, {"-G", "DEB", "--config", kBuild + "/CPackConfig.cmake", "-B", out.path()}, 300000);
    ASSERT_EQ(made.exitCode, 0) << made.output.toStdString();
    const QStringList debs = QDir(out.path()).entryList({"*.deb"}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << made.output.toStdString();
    const QString deb = out.path() + "/" + debs.first();
    const QString version = OsRelease("VERSION_ID");
    EXPECT_TRUE(
        debs.first().startsWith(QStringLiteral("okapel_%1+deb%2_").arg(OKAPEL_VERSION, version)))
        << debs.first().toStdString();

    const ToolRun fields = RunTool(QStringLiteral("dpkg-deb"), {"-f", deb, "Version", "Depends"});
    ASSERT_EQ(fields.exitCode, 0) << fields.output.toStdString();
    EXPECT_TRUE(
        fields.output.contains(QStringLiteral("Version: %1+deb%2\n").arg(OKAPEL_VERSION, version)))
        << fields.output.toStdString();
    const QString depends = fields.output.section(QStringLiteral("Depends: "), 1).trimmed();
    // Each name as a whole entry of the list, with or without a version.
    const auto dependsOn = [&](const QString& package) {
        return QRegularExpression(
                   QStringLiteral("(^|, )%1( \\(|,|$)").arg(QRegularExpression::escape(package)))
            .match(depends)
            .hasMatch();
    };
    for (const char* soname :
         {"libnetsnmp.so", "libQt6Widgets.so", "libQt6Gui.so", "libstdc++.so"}) {
        SCOPED_TRACE(soname);
        const QString package = PackageOfLinkedLibrary(kBuild + "/okapel", QLatin1String(soname));
        ASSERT_FALSE(package.isEmpty()) << "no package of this machine holds it";
        EXPECT_TRUE(dependsOn(package))
            << package.toStdString() << " not in: " << depends.toStdString();
    }
    // setcap, for the maintainer script, and Qt's Wayland platform, loaded at run time, are
    // no linked libraries: they are named by hand.
    for (const char* package : {"libcap2-bin", "qt6-wayland"})
        EXPECT_TRUE(dependsOn(QLatin1String(package)))
            << package << " not in: " << depends.toStdString();
}

TEST(Package, TheLicenceIsMitInTheProjectThePackageAndTheMetadata) {
    struct Place {
        const char* file;
        const char* pattern; // must match
    };
    const Place places[] = {
        {"/LICENSE", "^MIT License\\n\\nCopyright \\(c\\) \\d{4} The Okapel developers\\n"},
        {"/packaging/debian/copyright", "\\nFiles: \\*\\nCopyright: [^\\n]+\\nLicense: MIT\\n"},
        {"/packaging/debian/copyright", "\\nLicense: MIT\\n Permission is hereby granted"},
        {"/packaging/io.github.okapel.Okapel.metainfo.xml",
         "<project_license>MIT</project_license>"},
        {"/packaging/io.github.okapel.Okapel.metainfo.xml",
         "<metadata_license>CC0-1.0</metadata_license>"},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.file);
        const QString text = ReadFile(kSource + place.file);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_TRUE(QRegularExpression(QLatin1String(place.pattern)).match(text).hasMatch())
            << place.pattern;
    }
}
