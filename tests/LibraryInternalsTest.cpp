// What the SNMP layer relies on inside net-snmp: the releases it was written for, and that
// the library that runs behaves as they do.
#include "support/RowName.h"
#include "testing/LibraryCheck.h"

#include <gtest/gtest.h>

namespace {

TEST(LibraryInternals, TheLibraryThatRunsBehavesAsTheLayerWasWrittenFor) {
    EXPECT_EQ(SnmpLibraryInternalsDisagreement(), "");
}

struct VersionCase {
    const char* name;
    const char* version;
    bool known;
};

class LibraryVersions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(LibraryVersions, AreKnownByTheirReleaseWithAnySuffix) {
    EXPECT_EQ(SnmpLibraryVersionKnownForTesting(GetParam().version), GetParam().known);
}

INSTANTIATE_TEST_SUITE_P(Releases, LibraryVersions,
                         ::testing::Values(VersionCase{"Debian12", "5.9.3", true},
                                           VersionCase{"Debian13", "5.9.4", true},
                                           VersionCase{"PreRelease", "5.9.4.pre2", true},
                                           VersionCase{"Update", "5.9.3.1", true},
                                           VersionCase{"LaterPatchLevel", "5.9.40", false},
                                           VersionCase{"EarlierRelease", "5.9.2", false},
                                           VersionCase{"NextRelease", "5.9.5", false},
                                           VersionCase{"MinorOnly", "5.9", false},
                                           VersionCase{"Empty", "", false},
                                           VersionCase{"None", nullptr, false}),
                         rows::RowName{});

} // namespace
