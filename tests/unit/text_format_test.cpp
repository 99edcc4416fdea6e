// Decimal and hexadecimal text as the dialog, the progress bar and the traces show it.
#include "support/text_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NumberCase {
    int32_t value;
    int width;
    bool group;
    const char* expected;
};

const NumberCase kNumberCases[] = {
    // Plain text, leading zeros dropped but one digit kept.
    {0, 0, false, "0"},
    {7, 0, false, "7"},
    {-5, 0, false, "-5"},
    {1234567, 0, false, "1234567"},
    {2147483647, 0, false, "2147483647"},
    // Fixed width keeps exactly the last digits, zero-filled.
    {0, 3, false, "000"},
    {7, 2, false, "07"},
    {-5, 2, false, "-05"},
    {2015, 2, false, "15"},
    {123456, 2, false, "56"},
    {42, 10, false, "0000000042"},
    {5, 1, false, "5"},
    // Widths of 11 and more behave like 0.
    {42, 11, false, "42"},
    {42, 100, false, "42"},
    // Grouping with dots between groups of three; never a dot after the sign.
    {1234567, 0, true, "1.234.567"},
    {-1234, 0, true, "-1.234"},
    {999, 0, true, "999"},
    {-123456, 0, true, "-123.456"},
    {1000, 0, true, "1.000"},
    {100, 0, true, "100"},
    {-100, 0, true, "-100"},
    {0, 0, true, "0"},
    {2147483647, 0, true, "2.147.483.647"},
    {-2147483647, 0, true, "-2.147.483.647"},
    {42, 10, true, "0.000.000.042"},
    {12345, 4, true, "2.345"},
    // Outside the callers' range, but still well-formed.
    {INT32_MIN, 0, false, "-2147483648"},
    {INT32_MIN, 0, true, "-2.147.483.648"},
};

TEST(NumberToText, MatchesTable) {
    for (const NumberCase& c : kNumberCases) {
        EXPECT_STREQ(c.expected, NumberToText(c.value, c.width, c.group))
            << "value " << c.value << " width " << c.width << " group " << c.group;
    }
}

TEST(NumberToText, PlainAndGroupedBuffersAreSeparate) {
    // The dialog asks for a grouped build and a plain one in one breath; each keeps its own.
    const char* grouped = NumberToText(1234567, 0, true);
    const char* plain = NumberToText(89, 0, false);
    EXPECT_STREQ("1.234.567", grouped);
    EXPECT_STREQ("89", plain);
}

TEST(NumberToText, LongestTextFitsFourteenCharacters) {
    EXPECT_EQ(14u, std::string(NumberToText(-2147483647, 0, true)).size());
    EXPECT_EQ(14u, std::string(NumberToText(-2147483647, 10, true)).size());
}

TEST(HexText, MatchesTable) {
    EXPECT_STREQ("0", HexDigit(0));
    EXPECT_STREQ("9", HexDigit(9));
    EXPECT_STREQ("A", HexDigit(10));
    EXPECT_STREQ("F", HexDigit(0x1F));  // only the low four bits count
    EXPECT_STREQ("0x3C", HexByte(60, true));
    EXPECT_STREQ("3C", HexByte(60, false));
    EXPECT_STREQ("FF", HexByte(0x12FF, false));
    EXPECT_STREQ("1234", HexWord(4660));
    EXPECT_STREQ("0000", HexWord(0x10000));
    EXPECT_STREQ("0000.0014", HexDword(20, true));
    EXPECT_STREQ("0000.002A", HexDword(42, true));
    EXPECT_STREQ("0000002A", HexDword(42, false));
    EXPECT_STREQ("DEAD.BEEF", HexDword(0xDEADBEEFu, true));
    EXPECT_STREQ("FFFFFFFF", HexDword(0xFFFFFFFFu, false));
    EXPECT_STREQ("0000.0000", HexDword(0, true));
}

TEST(HexText, EveryReasonCodeShowsAsNineCharacters) {
    for (uint32_t code : {0u, 1u, 6u, 12u, 22u, 32u, 42u}) {
        std::string text = HexDword(code, true);
        ASSERT_EQ(9u, text.size());
        EXPECT_EQ('.', text[4]);
        EXPECT_EQ(code, std::stoul(text.substr(0, 4) + text.substr(5), nullptr, 16));
    }
}

}  // namespace
