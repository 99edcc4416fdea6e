// Folder texts from the registry, as the discovery normalises them.
#include "app/folder_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Normalised(std::string text) {
    text.resize(text.size() + 1);
    NormaliseFolderText(&text[0]);
    return text.c_str();
}

std::string Trimmed(std::string text) {
    text.resize(text.size() + 1);
    RemoveTrailingSeparator(&text[0]);
    return text.c_str();
}

TEST(NormaliseFolderText, CutsAfterExeAndDropsAMapsFolder) {
    struct Case {
        const char* text;
        const char* expected;
    } const cases[] = {
        {"D:\\App\\", "D:\\App\\"},
        {"D:\\App\\MAPY\\", "D:\\App\\"},
        {"D:\\App\\mapy/", "D:\\App\\"},
        {"D:\\App\\MaPy\\", "D:\\App\\"},
        {"D:\\App\\MAPY", "D:\\App\\MAPY"},  // no separator: stays
        {"D:\\App\\xMAPY\\", "D:\\App\\x"},  // only the last five characters count
        {"mapy\\", ""},                      // longer than 4: removed whole
        {"apy\\", "apy\\"},
        {"D:\\App\\tVisX.exe -x", "D:\\App\\tVisX.exe"},
        {"D:\\App\\tVisX.EXE -x", "D:\\App\\tVisX.EXE -x"},  // only lower-case ".exe"
        {"D:\\a.exe\\b.exe", "D:\\a.exe"},                   // the first ".exe" decides
        {"D:\\App.exe\\MAPY\\", "D:\\App.exe"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, Normalised(c.text)) << c.text;
}

TEST(RemoveTrailingSeparator, RemovesOneFromTextsLongerThanTwo) {
    struct Case {
        const char* text;
        const char* expected;
    } const cases[] = {
        {"D:\\App\\", "D:\\App"},
        {"D:/App/", "D:/App"},
        {"C:\\", "C:"},
        {"D:\\App\\\\", "D:\\App\\"},
        {"D:\\App", "D:\\App"},
        {"C:", "C:"},
        {"\\\\", "\\\\"},
        {"\\", "\\"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, Trimmed(c.text)) << c.text;
}

}  // namespace
