// Code page 1250 both ways against the system's own conversion under Wine, the one the
// installer's dialog and the demo product use to show the version record's texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tools/code_page_1250.h"

namespace {

std::string Utf8Of(const wchar_t* units, int count) {
    char utf8[8];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, units, count, utf8, sizeof utf8, nullptr, nullptr);
    return std::string(utf8, static_cast<size_t>(bytes > 0 ? bytes : 0));
}

// Every byte as MultiByteToWideChar(1250) reads it, and back.
TEST(CodePage1250UnderWine, EveryByteAsTheSystemReadsIt) {
    for (int b = 1; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t unit = 0;
        ASSERT_EQ(1, MultiByteToWideChar(1250, 0, &byte, 1, &unit, 1)) << b;
        EXPECT_EQ(Utf8Of(&unit, 1), Cp1250ToUtf8(std::string(1, byte))) << b;
        std::string back;
        EXPECT_TRUE(Utf8ToCp1250(Utf8Of(&unit, 1), &back)) << b;
        EXPECT_EQ(std::string(1, byte), back) << b;
    }
}

// Every character of the Basic Multilingual Plane: we write a byte exactly where the
// system writes one without falling back on a default or a look-alike, and the same byte.
TEST(CodePage1250UnderWine, EveryCharacterAsTheSystemWritesIt) {
    int written = 0;
    for (unsigned c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const wchar_t unit = static_cast<wchar_t>(c);
        char bytes[4];
        BOOL usedDefault = FALSE;
        int length = WideCharToMultiByte(1250, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes,
                                         nullptr, &usedDefault);
        bool system = length == 1 && !usedDefault;
        std::string ours;
        bool mine = Utf8ToCp1250(Utf8Of(&unit, 1), &ours);
        ASSERT_EQ(system, mine) << "U+" << std::hex << c;
        if (!mine) continue;
        EXPECT_EQ(std::string(bytes, 1), ours) << "U+" << std::hex << c;
        ++written;
    }
    EXPECT_EQ(255, written);
}

}  // namespace
