// Joining a folder and a file name into one path, and the longest path ReplaceWholeFile
// takes.
#include "support/file_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct JoinCase {
    const char* folder;
    const char* name;
    const char* expected;
};

const JoinCase kJoinCases[] = {
    {"C:\\dir", "x.txt", "C:\\dir\\x.txt"},
    {"C:\\dir\\", "\\x.txt", "C:\\dir\\x.txt"},
    {"C:\\dir\\", "x.txt", "C:\\dir\\x.txt"},
    {"C:\\dir", "\\x.txt", "C:\\dir\\x.txt"},
    {"dir/", "/x", "dir/x"},
    {"C:", "x", "C:\\x"},
    {"C:\\dir", "\\\\x", "C:\\dir\\\\x"},  // only one leading separator is dropped
    {"C:\\dir", "sub\\x", "C:\\dir\\sub\\x"},
    {"C:\\dir\\", "\\", "C:\\dir\\"},
};

TEST(JoinPath, JoinsWithOneSeparator) {
    for (const JoinCase& c : kJoinCases) {
        const char* joined = JoinPath(c.folder, c.name);
        ASSERT_NE(nullptr, joined) << c.folder << " + " << c.name;
        EXPECT_STREQ(c.expected, joined) << c.folder << " + " << c.name;
    }
}

TEST(JoinPath, EmptySideReturnsTheOtherUnchanged) {
    const char* full = "C:\\tVisXlog.txt";
    EXPECT_EQ(full, JoinPath("", full));
    EXPECT_EQ(full, JoinPath(nullptr, full));
    const char* folder = "C:\\dir\\";
    EXPECT_EQ(folder, JoinPath(folder, ""));
    EXPECT_EQ(folder, JoinPath(folder, nullptr));
}

TEST(JoinPath, TooLongResultIsRefusedNotOverrun) {
    std::string folder(kJoinBufferSize - 3, 'a');
    // folder + "\" + "bc" needs kJoinBufferSize + 1 bytes with the terminator.
    EXPECT_EQ(nullptr, JoinPath(folder.c_str(), "bc"));
    // One character less fits exactly.
    const char* joined = JoinPath(folder.c_str(), "b");
    ASSERT_NE(nullptr, joined);
    EXPECT_EQ(folder + "\\b", joined);
    std::string huge(100000, 'n');
    EXPECT_EQ(nullptr, JoinPath("C:\\dir", huge.c_str()));
}

// The plain concatenation: the parts as they are, whatever separators they hold; the
// procedure's targets are folder + "\" + name, the extraction's paths folder + name.
TEST(ConcatPath, PutsThePartsTogetherAsTheyAre) {
    struct Case {
        const char* first;
        const char* second;
        const char* third;
        const char* path;
    } const cases[] = {
        {"C:\\Programs\\tVis2002", "\\", "qelMapE.dll", "C:\\Programs\\tVis2002\\qelMapE.dll"},
        {"D:\\a b\\100%", "\\", "tVisX.exe", "D:\\a b\\100%\\tVisX.exe"},
        {"C:", "\\", "tVisLV.exe", "C:\\tVisLV.exe"},
        {"C:\\dir\\", "\\", "x", "C:\\dir\\\\x"},  // no separator is dropped
        {"C:\\work\\", "QELMAPE.WCP", "", "C:\\work\\QELMAPE.WCP"},
        {"C:\\work", "x", "", "C:\\workx"},  // nor added
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        char path[kFilePathSize];
        ASSERT_TRUE(ConcatPath(path, c.first, c.second, c.third)) << c.path;
        EXPECT_STREQ(c.path, path);
    }
}

TEST(ConcatPath, TooLongLeavesAnEmptyPathNotACutOne) {
    char path[512];
    const std::string fits(sizeof path - 1 - 12, 'a');  // + "\qelMapE.dll" = 511 characters
    ASSERT_TRUE(ConcatPath(path, fits.c_str(), "\\", "qelMapE.dll"));
    EXPECT_EQ(sizeof path - 1, std::strlen(path));
    for (const std::string& folder : {fits + "b", std::string(100000, 'n')}) {
        std::memset(path, 'z', sizeof path);
        EXPECT_FALSE(ConcatPath(path, folder.c_str(), "\\", "qelMapE.dll"));
        EXPECT_STREQ("", path);
    }
    char none[1] = {'z'};
    EXPECT_FALSE(ConcatPath(none, "a", ""));
    EXPECT_TRUE(ConcatPath(none, "", ""));
    EXPECT_STREQ("", none);
}

// A folder of `length` characters (no final separator) starting with a drive.
std::string FolderOf(size_t length) { return "C:\\" + std::string(length - 3, 'f'); }

TEST(FitsReplaceWholeFile, ThePathAndItsLongestTemporaryFileFitMaxPath) {
    // 259 characters and the terminator; the temporary file is folder + "\tvsffff.tmp",
    // as long as the folder + "\qelMapE.dll".
    struct Case {
        std::string path;
        bool fits;
        const char* why;
    } const cases[] = {
        {FolderOf(247) + "\\qelMapE.dll", true, "259 characters, so is its temporary file"},
        {FolderOf(248) + "\\qelMapE.dll", false, "260 characters"},
        {FolderOf(247) + "\\tVisX.exe", true, "257 characters, its temporary file 259"},
        {FolderOf(248) + "\\tVisX.exe", false, "258 characters, but its temporary file 260"},
        {FolderOf(249) + "\\tVisX.exe", false, "259 characters, its temporary file 261"},
        {FolderOf(248) + "\\", false, "the folder itself: no name, but no room for one"},
        {FolderOf(247) + "/tVisX.exe", true, "a slash separates as well"},
        {FolderOf(248) + "/tVisX.exe", false, "a slash separates as well"},
        {"C:\\" + std::string(256, 'n'), true, "259 characters in a short folder"},
        {"C:\\" + std::string(257, 'n'), false, "260 characters in a short folder"},
        {std::string(259, 'n'), true, "no folder: the temporary file goes to .\\"},
        {"", false, "no path"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.fits, FitsReplaceWholeFile(c.path.c_str()))
            << c.why << " (" << c.path.size() << " characters)";
    }
    EXPECT_EQ(11u, kReplaceTempNameLength);
}

// The temporary names in the order they are tried, and the longest of them the length
// that FitsReplaceWholeFile counts; a number out of range still gives a bounded name.
TEST(ReplaceTempName, NumbersInLowerCaseHexWithoutLeadingZeros) {
    struct Case {
        uint32_t number;
        const char* name;
    } const cases[] = {
        {kReplaceTempFirstNumber, "tvs1.tmp"},
        {0xF, "tvsf.tmp"},
        {0x10, "tvs10.tmp"},
        {0xABC, "tvsabc.tmp"},
        {kReplaceTempLastNumber, "tvsffff.tmp"},
        {0x12345, "tvs2345.tmp"},
    };
    for (const Case& c : cases) {
        char name[kReplaceTempNameSize];
        std::memset(name, 'x', sizeof name);
        FormatReplaceTempName(c.number, name);
        EXPECT_STREQ(c.name, name) << std::hex << c.number;
    }
    char longest[kReplaceTempNameSize];
    FormatReplaceTempName(kReplaceTempLastNumber, longest);
    EXPECT_EQ(kReplaceTempNameLength, std::strlen(longest));
}

}  // namespace
