// File operations on real files in a temporary folder under Wine.
#include "support/file_access.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/planted_links.h"
#include "tests/support/file_lock_test.h"
#include "tests/support/temp_folder.h"

namespace {

class FileAccess : public FileLockTest {
protected:
    // Read-only tests are only meaningful when Wine does not run as the unix root.
    static void ExpectReadOnlyEnforced(const std::string& path) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        ASSERT_EQ(INVALID_HANDLE_VALUE, h)
            << "a read-only file opened for writing: Wine runs as root (use scripts/test.sh)";
    }

    TempFolder dir;
};

TEST_F(FileAccess, LengthOfPresentMissingAndLockedFiles) {
    ASSERT_TRUE(WriteTestFile(dir.File("a.bin"), std::string(12345, 'x')));
    EXPECT_EQ(12345u, GetFileLength(dir.path().c_str(), "a.bin"));
    EXPECT_EQ(12345u, GetFileLength("", dir.File("a.bin").c_str()));
    EXPECT_EQ(kNoFileLength, GetFileLength(dir.path().c_str(), "missing.bin"));

    // Another handle holding the file open for writing refuses our read-sharing open.
    HANDLE writer = CreateFileA(dir.File("a.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(kNoFileLength, GetFileLength(dir.path().c_str(), "a.bin"));
    CloseHandle(writer);
    EXPECT_EQ(12345u, GetFileLength(dir.path().c_str(), "a.bin"));
}

TEST_F(FileAccess, ReadRangeInsideAcrossAndPastTheEnd) {
    std::string content;
    for (int i = 0; i < 1000; ++i) content += static_cast<char>(i * 7);
    ASSERT_TRUE(WriteTestFile(dir.File("r.bin"), content));
    const char* folder = dir.path().c_str();

    char buffer[2000];
    ASSERT_EQ(100u, ReadFileRange(buffer, folder, "r.bin", 250, 100));
    EXPECT_EQ(content.substr(250, 100), std::string(buffer, 100));

    // A range running past the end gives the shorter count.
    ASSERT_EQ(10u, ReadFileRange(buffer, folder, "r.bin", 990, 100));
    EXPECT_EQ(content.substr(990), std::string(buffer, 10));

    EXPECT_EQ(0u, ReadFileRange(buffer, folder, "r.bin", 1000, 10));         // at the end
    EXPECT_EQ(0u, ReadFileRange(buffer, folder, "r.bin", 5000, 10));         // past it
    EXPECT_EQ(0u, ReadFileRange(buffer, folder, "r.bin", 0x90000000u, 10));  // above 2 GB
    EXPECT_EQ(0u, ReadFileRange(buffer, folder, "missing.bin", 0, 10));
    ASSERT_EQ(1000u, ReadFileRange(buffer, folder, "r.bin", 0, sizeof buffer));
    EXPECT_EQ(content, std::string(buffer, 1000));
}

TEST_F(FileAccess, WriteWholeFileCreatesReplacesAndEmpties) {
    const char* folder = dir.path().c_str();
    const std::string first = "first content, longer than the second";
    EXPECT_EQ(0,
              WriteWholeFile(first.data(), folder, "w.bin", static_cast<uint32_t>(first.size())));
    EXPECT_EQ(first, ReadTestFile(dir.File("w.bin")));
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA(dir.File("w.bin").c_str()));

    EXPECT_EQ(0, WriteWholeFile("second", folder, "w.bin", 6));
    EXPECT_EQ("second", ReadTestFile(dir.File("w.bin")));

    EXPECT_EQ(0, WriteWholeFile("", folder, "w.bin", 0));
    EXPECT_TRUE(TestFileExists(dir.File("w.bin")));
    EXPECT_EQ("", ReadTestFile(dir.File("w.bin")));
}

TEST_F(FileAccess, WriteWholeFileLeavesAReadOnlyFileAsItWas) {
    ASSERT_TRUE(WriteTestFile(dir.File("ro.bin"), "original"));
    ASSERT_TRUE(SetReadOnly(dir.File("ro.bin")));
    ExpectReadOnlyEnforced(dir.File("ro.bin"));

    EXPECT_EQ(-1, WriteWholeFile("replacement", dir.path().c_str(), "ro.bin", 11));
    EXPECT_EQ("original", ReadTestFile(dir.File("ro.bin")));
    EXPECT_NE(0u, GetFileAttributesA(dir.File("ro.bin").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileAccess, WriteWholeFileFailsWhenTheFileIsHeldOpen) {
    ASSERT_TRUE(WriteTestFile(dir.File("held.bin"), "kept"));
    HANDLE reader = CreateFileA(dir.File("held.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(-1, WriteWholeFile("new", dir.path().c_str(), "held.bin", 3));
    CloseHandle(reader);
    EXPECT_EQ("kept", ReadTestFile(dir.File("held.bin")));
}

TEST_F(FileAccess, AppendCreatesAMissingFileAndAppendsToAReadOnlyOne) {
    const char* folder = dir.path().c_str();
    EXPECT_EQ(0, AppendToFile("one", folder, "log.txt", 3));
    EXPECT_EQ(0, AppendToFile("two", folder, "log.txt", 3));
    EXPECT_EQ("onetwo", ReadTestFile(dir.File("log.txt")));

    ASSERT_TRUE(SetReadOnly(dir.File("log.txt")));
    ExpectReadOnlyEnforced(dir.File("log.txt"));
    EXPECT_EQ(0, AppendToFile("three", folder, "log.txt", 5));
    EXPECT_EQ("onetwothree", ReadTestFile(dir.File("log.txt")));
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA(dir.File("log.txt").c_str()));
}

TEST_F(FileAccess, AppendFailsWhileAnotherHandleHoldsTheFile) {
    ASSERT_TRUE(WriteTestFile(dir.File("busy.txt"), "before"));
    HANDLE holder = CreateFileA(dir.File("busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(-1, AppendToFile("lost", dir.path().c_str(), "busy.txt", 4));
    CloseHandle(holder);
    EXPECT_EQ(0, AppendToFile("after", dir.path().c_str(), "busy.txt", 5));
    EXPECT_EQ("beforeafter", ReadTestFile(dir.File("busy.txt")));
}

TEST_F(FileAccess, DeleteForcedRemovesReadOnlyAndIgnoresMissing) {
    ASSERT_TRUE(WriteTestFile(dir.File("d.bin"), "x"));
    ASSERT_TRUE(SetReadOnly(dir.File("d.bin")));
    DeleteFileForced(dir.path().c_str(), "d.bin");
    EXPECT_FALSE(TestFileExists(dir.File("d.bin")));
    EXPECT_EQ(kNoFileLength, GetFileLength(dir.path().c_str(), "d.bin"));

    DeleteFileForced(dir.path().c_str(), "never-there.bin");  // nothing to report, no crash
    EXPECT_FALSE(TestFileExists(dir.File("never-there.bin")));
}

TEST_F(FileAccess, NamesAreMatchedWithoutRegardToCase) {
    ASSERT_TRUE(WriteTestFile(dir.File("QELMAPE.WCP"), "abc"));
    EXPECT_EQ(3u, GetFileLength(dir.path().c_str(), "qelmape.wcp"));
    DeleteFileForced(dir.path().c_str(), "QelMapE.Wcp");
    EXPECT_EQ(kNoFileLength, GetFileLength(dir.path().c_str(), "QELMAPE.WCP"));
}

TEST_F(FileAccess, OverlongPathsFailInsteadOfOverrunning) {
    const std::string longName(300, 'n');
    char buffer[16];
    const char* folder = dir.path().c_str();
    EXPECT_EQ(kNoFileLength, GetFileLength(folder, longName.c_str()));
    EXPECT_EQ(0u, ReadFileRange(buffer, folder, longName.c_str(), 0, sizeof buffer));
    EXPECT_EQ(-1, WriteWholeFile("x", folder, longName.c_str(), 1));
    EXPECT_EQ(-1, AppendToFile("x", folder, longName.c_str(), 1));
    DeleteFileForced(folder, longName.c_str());
    const std::string hugeName(5000, 'h');
    EXPECT_EQ(-1, WriteWholeFile("x", folder, hugeName.c_str(), 1));
    EXPECT_EQ(kNoFileLength, GetFileLength("", hugeName.c_str()));
}

TEST_F(FileAccess, ReplaceRefusesATargetWhoseTemporaryFileWouldNotFit) {
    // The temporary file is the folder + "\\tvsffff.tmp" at most. A target that fits but
    // whose longest temporary file does not is refused before anything is created,
    // whichever temporary names happen to be free.
    struct Case {
        size_t folder;  // characters, without the final separator
        const char* name;
        bool replaced;
    } const cases[] = {
        {247, "qelMapE.dll", true},  // 259 characters, its temporary file as well
        {247, "tVisX.exe", true},
        {248, "tVisX.exe", false},   // 258 characters, its temporary file 260
        {248, "tVisLV.exe", false},  // 259 characters
        {249, "tVisX.exe", false},   // 259 characters
        {248, "qelMapE.dll", false},
    };
    char letter = 'a';
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.folder) + " " + c.name);
        // A folder of its own for each case.
        std::string folder = dir.File(std::string(c.folder - dir.path().size(), letter++));
        ASSERT_EQ(c.folder, folder.size());
        CreateTestFolder(folder);
        std::string target = folder + "\\" + c.name;
        ASSERT_TRUE(WriteTestFile(target, "old bytes"));
        EXPECT_EQ(c.replaced ? 0 : -1, ReplaceWholeFile("new", "", target.c_str(), 3));
        EXPECT_EQ(c.replaced ? "new" : "old bytes", ReadTestFile(target));
        EXPECT_EQ(std::vector<std::string>{c.name}, FilesIn(folder + "\\"));
    }
}

TEST_F(FileAccess, WritesLargeBuffersExactly) {
    std::string big(4000000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 2654435761u) >> 24);
    EXPECT_EQ(0, WriteWholeFile(big.data(), dir.path().c_str(), "big.bin",
                                static_cast<uint32_t>(big.size())));
    EXPECT_EQ(4000000u, GetFileLength(dir.path().c_str(), "big.bin"));
    EXPECT_TRUE(big == ReadTestFile(dir.File("big.bin")));
}

// What may lie under a name the installer writes when it gets there. A link leads to
// "other.bin", which lies in a folder of its own.
enum class AtTheName {
    kNothing,
    kPlainFile,
    kReadOnlyFile,
    kHiddenFile,
    kFolder,
    kHardLink,
    kHardLinkToReadOnly,
    kUnixLink,
    kUnixLinkToReadOnly,
    kDanglingUnixLink,  // to "other.bin", which does not exist
    kWindowsLink,       // a symbolic link by CreateSymbolicLinkA, where one can be made
};

const char* Describe(AtTheName what) {
    switch (what) {
        case AtTheName::kNothing:
            return "nothing";
        case AtTheName::kPlainFile:
            return "a plain file";
        case AtTheName::kReadOnlyFile:
            return "a read-only file";
        case AtTheName::kHiddenFile:
            return "a hidden file";
        case AtTheName::kFolder:
            return "a folder";
        case AtTheName::kHardLink:
            return "a hard link to another file";
        case AtTheName::kHardLinkToReadOnly:
            return "a hard link to a read-only file";
        case AtTheName::kUnixLink:
            return "a unix symbolic link to another file";
        case AtTheName::kUnixLinkToReadOnly:
            return "a unix symbolic link to a read-only file";
        case AtTheName::kDanglingUnixLink:
            return "a unix symbolic link to a missing file";
        case AtTheName::kWindowsLink:
            return "a Windows symbolic link to another file";
    }
    return "?";
}

const std::string kOldBytes = "old bytes at the name";
const std::string kOtherBytes = "the other file's own bytes";

// A name with something planted under it, in a folder of its own, and the other file a
// link leads to; records the other file as it was, to compare it after the call.
class PlantedName {
public:
    PlantedName(const TempFolder& dir, const std::string& tag, AtTheName what, const char* name)
        : folder_(dir.File(tag + "\\")),
          elsewhere_(dir.File(tag + "-elsewhere\\")),
          name_(folder_ + name),
          other_(elsewhere_ + "other.bin"),
          what_(what) {}

    // Plants it; false (with a failure) when it could not be set up, or, for a Windows
    // symbolic link, when none can be made here.
    bool Plant() {
        if (!CreateTestFolder(folder_) || !CreateTestFolder(elsewhere_)) return false;
        bool needsOther = what_ >= AtTheName::kHardLink && what_ != AtTheName::kDanglingUnixLink;
        if (needsOther && !WriteTestFile(other_, kOtherBytes)) return false;
        if (what_ == AtTheName::kHardLinkToReadOnly || what_ == AtTheName::kUnixLinkToReadOnly) {
            if (!SetReadOnly(other_)) return false;
        }
        otherAttributes_ = GetFileAttributesA(other_.c_str());
        switch (what_) {
            case AtTheName::kNothing:
                return true;
            case AtTheName::kPlainFile:
                return WriteTestFile(name_, kOldBytes);
            case AtTheName::kReadOnlyFile:
                return WriteTestFile(name_, kOldBytes) && SetReadOnly(name_);
            case AtTheName::kHiddenFile:
                return WriteTestFile(name_, kOldBytes) &&
                       SetFileAttributesA(name_.c_str(), FILE_ATTRIBUTE_HIDDEN);
            case AtTheName::kFolder:
                return CreateTestFolder(name_);
            case AtTheName::kHardLink:
            case AtTheName::kHardLinkToReadOnly:
                Record(MakeHardLink(name_, other_));
                break;
            case AtTheName::kUnixLink:
            case AtTheName::kUnixLinkToReadOnly:
            case AtTheName::kDanglingUnixLink:
                Record(MakeUnixSymbolicLink(name_, other_));
                break;
            case AtTheName::kWindowsLink:
                return MakeWindowsSymbolicLink(name_, other_);
        }
        return made_;
    }

    bool IsLink() const { return what_ >= AtTheName::kHardLink; }

    // The other file as it was: its bytes and attributes, or still missing.
    void ExpectOtherFileUnchanged() const {
        if (what_ == AtTheName::kDanglingUnixLink) {
            EXPECT_FALSE(TestFileExists(other_)) << "the dangling link's target was created";
        } else if (IsLink()) {
            EXPECT_EQ(kOtherBytes, ReadTestFile(other_));
            EXPECT_EQ(otherAttributes_, GetFileAttributesA(other_.c_str()));
        }
        EXPECT_EQ(IsLink() && what_ != AtTheName::kDanglingUnixLink
                      ? std::vector<std::string>{"other.bin"}
                      : std::vector<std::string>{},
                  FilesIn(elsewhere_));
    }

    // Removes a unix link itself (a dangling one is listed by no folder search).
    ~PlantedName() {
        if (what_ >= AtTheName::kUnixLink && what_ <= AtTheName::kDanglingUnixLink) {
            RunUnixCommand({"rm", "-f", UnixPath(name_)});
        }
    }

    const std::string& folder() const { return folder_; }
    const std::string& name() const { return name_; }

private:
    void Record(const testing::AssertionResult& result) {
        EXPECT_TRUE(result);
        made_ = result;
    }

    std::string folder_, elsewhere_, name_, other_;
    AtTheName what_;
    bool made_ = false;
    DWORD otherAttributes_ = INVALID_FILE_ATTRIBUTES;
};

// What a call leaves at the name: its result, the bytes read there (following a link),
// and its attributes when it is no link (0: not looked at).
struct Outcome {
    int result;
    std::string bytes;
    DWORD attributes;
};

class UnlinkedFile : public FileAccess {
protected:
    // Runs `call` on the name with `what` planted under it; checks the outcome and that
    // whatever a link leads to is as it was.
    template <typename Call>
    void Check(const char* operation, AtTheName what, const Outcome& expected, Call call) {
        SCOPED_TRACE(std::string(operation) + " over " + Describe(what));
        PlantedName planted(dir, std::to_string(cases_++), what, "tVisXlog.txt");
        ASSERT_TRUE(planted.Plant());
        EXPECT_EQ(expected.result, call(planted.name().c_str()));
        EXPECT_EQ(expected.bytes, ReadTestFile(planted.name()));
        if (expected.attributes != 0) {
            EXPECT_EQ(expected.attributes, GetFileAttributesA(planted.name().c_str()));
        }
        planted.ExpectOtherFileUnchanged();
    }

    int cases_ = 0;
};

struct UnlinkedCase {
    AtTheName what;
    Outcome emptied;   // EmptyUnlinkedFile
    Outcome appended;  // AppendToUnlinkedFile of "new"
};

const DWORD kArchive = FILE_ATTRIBUTE_ARCHIVE;
const DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;
const DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;

// A link of any kind is neither emptied nor written; the other file keeps its bytes and
// attributes (a read-only one is not made writable), and a dangling link's target is not
// created. Without a link: what the log has always done.
const UnlinkedCase kUnlinkedCases[] = {
    {AtTheName::kNothing, {0, "", kArchive}, {0, "new", kArchive}},
    {AtTheName::kPlainFile, {0, "", kArchive}, {0, kOldBytes + "new", kArchive}},
    {AtTheName::kReadOnlyFile,
     {-1, kOldBytes, kReadOnly | kArchive},
     {0, kOldBytes + "new", kArchive}},
    {AtTheName::kHiddenFile, {-1, kOldBytes, kHidden | kArchive}, {0, kOldBytes + "new", kArchive}},
    {AtTheName::kFolder, {-1, "<missing>", 0}, {-1, "<missing>", 0}},
    {AtTheName::kHardLink, {-1, kOtherBytes, 0}, {-1, kOtherBytes, 0}},
    {AtTheName::kHardLinkToReadOnly, {-1, kOtherBytes, 0}, {-1, kOtherBytes, 0}},
    {AtTheName::kUnixLink, {-1, kOtherBytes, 0}, {-1, kOtherBytes, 0}},
    {AtTheName::kUnixLinkToReadOnly, {-1, kOtherBytes, 0}, {-1, kOtherBytes, 0}},
    {AtTheName::kDanglingUnixLink, {-1, "<missing>", 0}, {-1, "<missing>", 0}},
};

TEST_F(UnlinkedFile, EmptiesAndAppendsOnlyWhereNoLinkLeadsElsewhere) {
    for (const UnlinkedCase& c : kUnlinkedCases) {
        Check("empty", c.what, c.emptied, [](const char* path) { return EmptyUnlinkedFile(path); });
        Check("append", c.what, c.appended,
              [](const char* path) { return AppendToUnlinkedFile("new", path, 3); });
    }
}

TEST_F(UnlinkedFile, WindowsSymbolicLinkIsRefused) {
    {
        PlantedName probe(dir, "probe", AtTheName::kWindowsLink, "link.txt");
        if (!probe.Plant()) GTEST_SKIP() << "CreateSymbolicLinkA makes no link here";
    }
    const Outcome refused = {-1, kOtherBytes, 0};
    Check("empty", AtTheName::kWindowsLink, refused,
          [](const char* path) { return EmptyUnlinkedFile(path); });
    Check("append", AtTheName::kWindowsLink, refused,
          [](const char* path) { return AppendToUnlinkedFile("new", path, 3); });
}

// The paths the two take: the same length limit as the other operations, relative paths,
// and a folder that does not exist.
TEST_F(UnlinkedFile, PathsOfEveryShape) {
    const std::string longName(300, 'n');
    EXPECT_EQ(-1, EmptyUnlinkedFile(dir.File(longName).c_str()));
    EXPECT_EQ(-1, AppendToUnlinkedFile("x", dir.File(longName).c_str(), 1));
    EXPECT_EQ(-1, EmptyUnlinkedFile(dir.File("missing\\log.txt").c_str()));
    EXPECT_EQ(-1, AppendToUnlinkedFile("x", dir.File("missing\\log.txt").c_str(), 1));
    EXPECT_EQ((std::vector<std::string>{}), FilesIn(dir.path()));

    // Relative to the current folder, with forward slashes, and by the 8.3 name: the file
    // lies where its name says.
    char current[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, current));
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    EXPECT_EQ(0, EmptyUnlinkedFile("relative log.txt"));
    EXPECT_EQ(0, AppendToUnlinkedFile("a", "relative log.txt", 1));
    EXPECT_EQ(0, AppendToUnlinkedFile("b", ".\\relative log.txt", 1));
    SetCurrentDirectoryA(current);
    std::string slashed = dir.File("relative log.txt");
    for (char& c : slashed) c = c == '\\' ? '/' : c;
    EXPECT_EQ(0, AppendToUnlinkedFile("c", slashed.c_str(), 1));
    char shortPath[MAX_PATH];
    DWORD shortLength =
        GetShortPathNameA(dir.File("relative log.txt").c_str(), shortPath, MAX_PATH);
    ASSERT_NE(0u, shortLength);
    EXPECT_EQ(0, AppendToUnlinkedFile("d", shortPath, 1)) << shortPath;
    EXPECT_EQ("abcd", ReadTestFile(dir.File("relative log.txt")));
}

// The temporary file ReplaceWholeFile writes beside its target is always a file of its
// own: whatever lies under the first name it would take is passed over and left as it
// is, a link's other file included, and the replacement succeeds under the next name.
TEST_F(UnlinkedFile, ReplacePassesOverAnythingUnderItsTemporaryName) {
    char first[kReplaceTempNameSize];
    FormatReplaceTempName(kReplaceTempFirstNumber, first);
    const AtTheName kinds[] = {
        AtTheName::kPlainFile, AtTheName::kReadOnlyFile,     AtTheName::kHiddenFile,
        AtTheName::kFolder,    AtTheName::kHardLink,         AtTheName::kHardLinkToReadOnly,
        AtTheName::kUnixLink,  AtTheName::kDanglingUnixLink, AtTheName::kWindowsLink,
    };
    for (AtTheName what : kinds) {
        SCOPED_TRACE(std::string(first) + " is " + Describe(what));
        PlantedName planted(dir, std::to_string(cases_++), what, first);
        if (!planted.Plant()) {
            ASSERT_EQ(AtTheName::kWindowsLink, what);
            continue;  // none can be made here
        }
        const std::string before = ReadTestFile(planted.name());
        const std::string target = planted.folder() + "tVisX.exe";
        ASSERT_TRUE(WriteTestFile(target, "installed"));
        // (Wine lists no dangling link.)
        const std::vector<std::string> files = FilesIn(planted.folder());
        EXPECT_EQ(0, ReplaceWholeFile("upgrade", "", target.c_str(), 7));
        EXPECT_EQ("upgrade", ReadTestFile(target));
        EXPECT_EQ(before, ReadTestFile(planted.name()));
        EXPECT_EQ(files, FilesIn(planted.folder()));
        planted.ExpectOtherFileUnchanged();
    }
}

// A target that is itself a link is replaced as a name: the file takes the link's place
// and whatever the link led to keeps its bytes.
TEST_F(UnlinkedFile, ReplaceTakesTheTargetsNameNotWhatALinkThereLeadsTo) {
    const AtTheName kinds[] = {AtTheName::kHardLink, AtTheName::kUnixLink};
    for (AtTheName what : kinds) {
        SCOPED_TRACE(std::string("the target is ") + Describe(what));
        PlantedName planted(dir, std::to_string(cases_++), what, "tVisX.exe");
        ASSERT_TRUE(planted.Plant());
        EXPECT_EQ(0, ReplaceWholeFile("upgrade", "", planted.name().c_str(), 7));
        EXPECT_EQ("upgrade", ReadTestFile(planted.name()));
        EXPECT_EQ(std::vector<std::string>{"tVisX.exe"}, FilesIn(planted.folder()));
        planted.ExpectOtherFileUnchanged();
    }
}

}  // namespace
