// The rules behind build's deployment files, case by case: which package identifiers and
// installer URLs a winget manifest may hold, the package version made of a record, and the
// ASCII line that the files' comments and strings are made of.
#include <gtest/gtest.h>

#include <string>

#include "tools/release_facts.h"
#include "tools/winget_manifest.h"

namespace {

TEST(DeploymentFiles, PackageIdentifiers) {
    const std::string part32(32, 'a');
    struct Case {
        std::string identifier;
        bool valid;
    };
    const Case cases[] = {
        {"qelWawPl.tVis", true},
        {"Contoso.tVis.Upgrade", true},
        {"a.b", true},
        {part32 + "." + part32, true},
        {"a.b.c.d.e.f.g.h", true},
        {"Łódź.tVis", true},  // any letter the schema does not forbid
        {"", false},
        {"tVis", false},               // one part
        {"a.b.c.d.e.f.g.h.i", false},  // nine parts
        {part32 + "a.b", false},       // a part of 33
        {".tVis", false},
        {"qelWawPl.", false},
        {"qelWawPl..tVis", false},
        {"qel WawPl.tVis", false},
        {"qelWawPl.t\tVis", false},
        {"qelWawPl.t/Vis", false},
        {"qelWawPl.t\\Vis", false},
        {"qelWawPl.t:Vis", false},
        {"qelWawPl.t*Vis", false},
        {"qelWawPl.t?Vis", false},
        {"qelWawPl.t\"Vis", false},
        {"qelWawPl.t<Vis", false},
        {"qelWawPl.t|Vis", false},
        {"qelWawPl.t\x01Vis", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.valid, ValidPackageIdentifier(c.identifier)) << c.identifier;
    }
    EXPECT_TRUE(ValidPackageIdentifier(kDefaultPackageIdentifier));
}

TEST(DeploymentFiles, InstallerUrls) {
    struct Case {
        std::string url;
        bool valid;
    };
    const Case cases[] = {
        {"https://downloads.example.com/tvis/tvis-upgrade.exe", true},
        {"http://intranet/tvis-upgrade.exe", true},
        {"HTTPS://EXAMPLE.COM/T.EXE", true},
        {"https://example.com/a%20b.exe?x=1#y", true},
        {"https://" + std::string(2040, 'a'), true},  // 2048 bytes
        {"https://" + std::string(2041, 'a'), false},
        {"", false},
        {"https://", false},
        {"ftp://example.com/t.exe", false},
        {"file:///C:/t.exe", false},
        {"\\\\server\\share\\t.exe", false},
        {"example.com/t.exe", false},
        {"https://example.com/a b.exe", false},
        {"https://example.com/a\tb.exe", false},
        {"https://example.com/t.exe\n", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.valid, ValidInstallerUrl(c.url)) << c.url;
}

TEST(DeploymentFiles, PackageVersionOfARecord) {
    struct Case {
        std::string versionText;
        int32_t build;
        const char* version;
    };
    const Case cases[] = {
        {"5.3", 1250, "5.3.1250"},
        {"5.2.1", 1234567, "5.2.1.1234567"},
        {"", 7, "7"},
        // Words after the number stay out: the version must compare as numbers.
        {"5.2 Łódź", 1187, "5.2.1187"},
        {"5.3-beta", 12, "5.3.12"},
        {"Łódź 5.3", 3, "3"},
        // A dot counts only between digits.
        {"5.", 1, "5.1"},
        {"5..3", 1, "5.1"},
        {".5", 1, "1"},
        {"5/3:R*?", 1, "5.1"},
        {"\"<5>|\\", 2, "2"},
        {"5.3", -1, "5.3"},
        {"", -1, "0"},
    };
    for (const Case& c : cases) {
        RecordReport record;
        record.found = true;
        record.versionText = c.versionText;
        record.build = c.build;
        EXPECT_EQ(c.version, PackageVersion(record)) << c.versionText;
    }
}

TEST(DeploymentFiles, AsciiLine) {
    struct Case {
        std::string text;
        const char* line;
    };
    const Case cases[] = {
        {"tvis-upgrade.exe", "tvis-upgrade.exe"},
        {"", ""},
        {"5.2 Łódź", "5.2 ??d?"},  // two-byte characters
        {"a\xE2\x82\xAC"
         "b",
         "a?b"},  // a three-byte one
        {"a\xF0\x9F\x98\x80"
         "b",
         "a?b"},                                         // a four-byte one
        {"line\r\nbreak\ttab\x7F", "line??break?tab?"},  // control characters
    };
    for (const Case& c : cases) EXPECT_EQ(c.line, AsciiLine(c.text)) << c.text;
}

TEST(DeploymentFiles, FileNameOf) {
    EXPECT_EQ("tvis-upgrade.exe", FileNameOf("out/release/tvis-upgrade.exe"));
    EXPECT_EQ("tvis-upgrade.exe", FileNameOf("C:\\release\\tvis-upgrade.exe"));
    EXPECT_EQ("tvis-upgrade.exe", FileNameOf("tvis-upgrade.exe"));
}

}  // namespace
