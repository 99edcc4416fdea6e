// Names the installer writes, planted by someone with fewer rights than it may run with:
// the log "C:\tVisXlog.txt" in the root of C:, where any user may create files, the new
// copies in the work folder, which every program of the user can write, and the
// temporary file beside each installed file. A link under such a name must never lead the
// real installer, under Wine, to write another file: the other file keeps its bytes, and
// the upgrade completes as it would without the link. They share the registry, the log
// file and the templates folder with the other scenarios: they run one after another.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/file_access.h"
#include "tests/e2e/planted_links.h"
#include "tests/e2e/upgrade_fixture.h"

namespace {

const std::string kOtherBytes = "another program's file, which the installer must not write\r\n";

// How a name is made to lead to the other file.
enum class Link { kHard, kUnixSymbolic, kUnixDangling, kWindowsSymbolic };

const char* Describe(Link link) {
    switch (link) {
        case Link::kHard:
            return "a hard link";
        case Link::kUnixSymbolic:
            return "a unix symbolic link";
        case Link::kUnixDangling:
            return "a unix symbolic link to a file not there yet";
        case Link::kWindowsSymbolic:
            return "a Windows symbolic link";
    }
    return "?";
}

class SecurityScenario : public Upgrade {
protected:
    void SetUp() override {
        Upgrade::SetUp();
        other = place.File("other program.txt");
    }

    void TearDown() override {
        RemoveLink(kLogFilePath);
        Upgrade::TearDown();
    }

    // Makes `name` lead to the other file (written first unless the link dangles); false
    // with a failure when it cannot be made, or (a Windows link) none can be made here.
    bool Plant(Link link, const std::string& name) {
        RemoveLink(name);
        if (link != Link::kUnixDangling && !WriteTestFile(other, kOtherBytes)) return false;
        switch (link) {
            case Link::kHard:
                return MakeHardLink(name, other);
            case Link::kUnixSymbolic:
            case Link::kUnixDangling:
                return MakeUnixSymbolicLink(name, other);
            case Link::kWindowsSymbolic:
                return MakeWindowsSymbolicLink(name, other);
        }
        return false;
    }

    // Removes the name itself, never what it leads to (Wine's own calls do not see a
    // dangling unix link).
    static void RemoveLink(const std::string& name) {
        DeleteFileA(name.c_str());
        const std::string unixName = UnixPath(name);
        if (!unixName.empty()) RunUnixCommand({"rm", "-f", unixName});
    }

    void ExpectOtherFileUnchanged(Link link) {
        EXPECT_EQ(link == Link::kUnixDangling ? "<missing>" : kOtherBytes, ReadTestFile(other));
    }

    void ReinstallOldProduct() {
        for (int i = 0; i < kPayloadFileCount; ++i) {
            ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
        }
    }

    // The whole upgrade from the double-click to the success box.
    void UpgradeToTheEnd() {
        Launch();
        Press(dialog, IDOK);
        ExpectSuccessBoxAndExit();
        installer.reset();
    }

    std::string other;
};

// The log's name made a link to another file before the installer starts: the log is
// neither emptied nor written, as a log held by another program, and the upgrade
// completes. The other file keeps its bytes, and where the link dangles nothing is made.
TEST_F(SecurityScenario, LogNameLinkedToAnotherFileIsNeverWritten) {
    const Link links[] = {Link::kHard, Link::kUnixSymbolic, Link::kUnixDangling};
    for (Link link : links) {
        SCOPED_TRACE(std::string("the log is ") + Describe(link));
        ASSERT_NO_FATAL_FAILURE(ReinstallOldProduct());
        ASSERT_TRUE(Plant(link, kLogFilePath));
        UpgradeToTheEnd();
        ExpectOtherFileUnchanged(link);
        EXPECT_EQ(link == Link::kUnixDangling ? "<missing>" : kOtherBytes,
                  ReadTestFile(kLogFilePath));
    }
    // With the link gone, the next run writes its log as always.
    RemoveLink(kLogFilePath);
    ASSERT_NO_FATAL_FAILURE(ReinstallOldProduct());
    UpgradeToTheEnd();
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));
}

TEST_F(SecurityScenario, LogNameAsAWindowsSymbolicLinkIsNeverWritten) {
    if (!Plant(Link::kWindowsSymbolic, kLogFilePath)) {
        GTEST_SKIP() << "CreateSymbolicLinkA makes no link here";
    }
    UpgradeToTheEnd();
    ExpectOtherFileUnchanged(Link::kWindowsSymbolic);
}

// The name the installer takes first for the temporary file beside the installed files
// is squatted by a link to another file: the installer passes over it, replaces all three
// files, and the squatted name and the other file stay as they were. The log is the
// log of any complete run.
TEST_F(SecurityScenario, TemporaryNameSquattedByALinkIsNeverWrittenThrough) {
    char first[kReplaceTempNameSize];
    FormatReplaceTempName(kReplaceTempFirstNumber, first);
    const std::string squatted = product + "\\" + first;
    const Link links[] = {Link::kHard, Link::kUnixSymbolic};
    for (Link link : links) {
        SCOPED_TRACE(std::string(first) + " is " + Describe(link));
        ASSERT_NO_FATAL_FAILURE(ReinstallOldProduct());
        ASSERT_TRUE(Plant(link, squatted));
        UpgradeToTheEnd();
        ExpectOtherFileUnchanged(link);
        EXPECT_EQ(kOtherBytes, ReadTestFile(squatted));
        EXPECT_EQ((std::vector<std::string>{"qelMapE.dll", "tVisLV.exe", "tVisX.exe", first}),
                  FilesIn(product + "\\"));
        EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));
        RemoveLink(squatted);
    }
}

// The new copies lie in the user's Templates folder, which every program of the user can
// write. One swapped there after the dialog is ready (a file with a valid record of its
// own) is never installed: the copies are held, and what is installed must be what the
// installer's own payload decodes to.
TEST_F(SecurityScenario, NewCopySwappedAfterReadyIsNeverInstalled) {
    Launch();
    RecordFields planted = UpgradeRecord();
    planted.build = 6666;
    const std::string swapped = ToString(MakeProductFile(170000, 2500, planted));
    const std::string copy = WorkFile("tvislv.exeu");
    const std::string plant = place.File("planted.exe");
    ASSERT_TRUE(WriteTestFile(plant, swapped));
    // Every way in is refused: writing over it, moving another file over it, deleting or
    // renaming it.
    EXPECT_FALSE(WriteTestFile(copy, swapped));
    EXPECT_FALSE(MoveFileExA(plant.c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(DeleteFileA(copy.c_str()));
    EXPECT_FALSE(MoveFileA(copy.c_str(), (copy + ".old").c_str()));
    Press(dialog, IDOK);
    ExpectSuccessBoxAndExit();
    EXPECT_TRUE(fresh_[kTVisLV] == Installed(kTVisLV));
    EXPECT_FALSE(swapped == Installed(kTVisLV));
}

}  // namespace
