// Code page 1250 both ways against glibc's iconv (native build): every byte to UTF-8, every
// Unicode character back, the two directions as exact inverses, and the malformed or
// unrepresentable UTF-8 that the way back refuses.
#include "tools/code_page_1250.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The five bytes that code page 1250 leaves undefined; both directions pass them through
// as the C1 controls of the same number, as Windows converts them.
const std::vector<int> kUndefinedBytes = {0x81, 0x83, 0x88, 0x90, 0x98};

// One glibc converter, released at the end of the test.
class Iconv {
public:
    Iconv(const char* to, const char* from) : converter_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(converter_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return converter_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; false when iconv refuses any of it.
    bool Convert(const std::string& in, std::string* out) {
        iconv(converter_, nullptr, nullptr, nullptr, nullptr);
        std::string input = in;
        char buffer[64];
        char* inPtr = &input[0];
        char* outPtr = buffer;
        size_t inLeft = input.size();
        size_t outLeft = sizeof buffer;
        if (iconv(converter_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return false;
        out->assign(buffer, outPtr);
        return true;
    }

private:
    iconv_t converter_;
};

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

TEST(Cp1250ToUtf8, AgreesWithIconvForEveryByte) {
    Iconv toUtf8("UTF-8", "CP1250");
    ASSERT_TRUE(toUtf8.ok());
    std::string all;
    std::string expectedAll;
    std::vector<int> refused;
    for (int b = 1; b < 256; ++b) {
        std::string expected;
        if (!toUtf8.Convert(Byte(b), &expected)) {
            refused.push_back(b);
            expected = {static_cast<char>(0xC2), static_cast<char>(b)};
        }
        EXPECT_EQ(expected, Cp1250ToUtf8(Byte(b))) << b;
        all += Byte(b);
        expectedAll += expected;
    }
    EXPECT_EQ(kUndefinedBytes, refused);
    EXPECT_EQ(expectedAll, Cp1250ToUtf8(all));
    EXPECT_EQ("", Cp1250ToUtf8(""));
}

TEST(Utf8ToCp1250, RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        std::string back = "unchanged";
        EXPECT_TRUE(Utf8ToCp1250(Cp1250ToUtf8(Byte(b)), &back)) << b;
        EXPECT_EQ(Byte(b), back) << b;
        all += Byte(b);
    }
    std::string back;
    EXPECT_TRUE(Utf8ToCp1250(Cp1250ToUtf8(all), &back));
    EXPECT_EQ(all, back);
    back = "unchanged";
    EXPECT_TRUE(Utf8ToCp1250("", &back));
    EXPECT_EQ("", back);
}

// Every Unicode scalar value, as UTF-8 made by iconv, converted by us and by iconv: both
// take the same 251 characters to the same bytes; we take the five C1 controls of the
// undefined bytes as well, and nothing else.
TEST(Utf8ToCp1250, AgreesWithIconvForEveryCharacter) {
    Iconv toUtf8("UTF-8", "UTF-32LE");
    Iconv toCp1250("CP1250", "UTF-8");
    ASSERT_TRUE(toUtf8.ok());
    ASSERT_TRUE(toCp1250.ok());
    int accepted = 0;
    std::vector<int> acceptedOnlyByUs;
    for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const char units[4] = {static_cast<char>(c), static_cast<char>(c >> 8),
                               static_cast<char>(c >> 16), 0};
        std::string utf8;
        ASSERT_TRUE(toUtf8.Convert(std::string(units, 4), &utf8)) << c;
        std::string expected;
        // glibc drops the tag characters U+E0000..U+E007F without a word; an empty result
        // is a refusal too.
        bool theirs = toCp1250.Convert(utf8, &expected) && !expected.empty();
        std::string ours;
        bool mine = Utf8ToCp1250(utf8, &ours);
        if (mine) ++accepted;
        if (mine && !theirs) {
            acceptedOnlyByUs.push_back(static_cast<int>(c));
            EXPECT_EQ(Byte(static_cast<int>(c)), ours) << c;
            continue;
        }
        ASSERT_EQ(theirs, mine) << "U+" << std::hex << c;
        if (mine) {
            EXPECT_EQ(expected, ours) << "U+" << std::hex << c;
        }
    }
    EXPECT_EQ(256, accepted);
    EXPECT_EQ(kUndefinedBytes, acceptedOnlyByUs);
}

TEST(Utf8ToCp1250, RefusesMalformedAndUnrepresentableText) {
    struct Case {
        const char* name;
        std::string utf8;
    };
    const Case cases[] = {
        {"stray continuation byte", "\x80"},
        {"continuation byte after valid text", "5.3 \xBF"},
        {"lead byte at the end", "\xC5"},
        {"three-byte sequence cut short", "\xE2\x82"},
        {"four-byte sequence cut short", "\xF0\x9F\x98"},
        {"lead byte followed by ASCII", "\xC5x"},
        {"second continuation replaced by ASCII", "\xE2\x82x"},
        {"overlong NUL", "\xC0\x80"},
        {"overlong 'A'", "\xC1\x81"},
        {"overlong three-byte form", "\xE0\x81\x81"},
        {"overlong four-byte form", "\xF0\x80\x81\x81"},
        {"surrogate U+D800", "\xED\xA0\x80"},
        {"surrogate U+DFFF", "\xED\xBF\xBF"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"},
        {"lead byte 0xF5", "\xF5\x80\x80\x80"},
        {"byte 0xFF", "\xFF"},
        {"U+0080, a C1 control the code page lacks", "\xC2\x80"},
        {"n with tilde", "\xC3\xB1"},
        {"yen sign", "\xC2\xA5"},
        {"a CJK character", "\xE6\x97\xA5"},
        {"an emoji", "\xF0\x9F\x98\x80"},
        {"an unrepresentable character after Polish letters",
         "\xC5\x81\xC3\xB3\x64\xC5\xBA \xC3\xB1"},
    };
    for (const Case& c : cases) {
        std::string out = "unchanged";
        EXPECT_FALSE(Utf8ToCp1250(c.utf8, &out)) << c.name;
        EXPECT_EQ("unchanged", out) << c.name;
    }
}

TEST(Utf8ToCp1250, ConvertsPolishText) {
    std::string out;
    ASSERT_TRUE(Utf8ToCp1250("5.3 \xC5\x81\xC3\xB3\x64\xC5\xBA \xE2\x82\xAC", &out));
    EXPECT_EQ("5.3 \xA3\xF3\x64\x9F \x80", out);
}

}  // namespace
