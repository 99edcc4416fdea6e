// File operations on real files in a temporary folder under Wine.
#include "support/file_access.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

class FileAccess : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CreateFileLock(); }
    static void TearDownTestSuite() { DeleteFileLock(); }

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
    // The temporary file is the folder + "\\tvsFFFF.tmp" at most. GetTempFileName cuts a
    // name that does not fit instead of refusing it, so a target that fits but whose
    // temporary file does not is refused before anything is created.
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

}  // namespace
