// Joining a folder and a file name into one path.
#include "support/file_access.h"

#include <gtest/gtest.h>

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

}  // namespace
