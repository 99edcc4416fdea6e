// ReadRegString's copy rules (CopyRegistryText): which values are read, how many bytes of
// them reach the caller's buffer, where the terminator goes, and that nothing is written
// beyond the caller's size, not even into a buffer of size 0.
#include "app/registry_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kUnwritten = 'X';
constexpr unsigned kProductLength = 258;  // what the discovery asks for

// A string value as the registry holds it: `length` bytes, the last one its terminator.
std::string Text(size_t length) {
    std::string data(length, 'v');
    if (length > 0) data.back() = '\0';
    return data;
}

// The same without a terminator.
std::string Unterminated(size_t length) { return std::string(length, 'u'); }

// A folder, its terminator, then filler up to `length` bytes (a REG_BINARY value).
std::string FolderAndFiller(size_t length) {
    std::string data = std::string("C:\\tVis\\") + '\0';
    data.resize(length, 'x');
    return data;
}

struct Case {
    const char* what;
    bool present;  // false: the value could not be read
    std::string data;
    unsigned maximum;
    int result;
    size_t kept;     // strlen of the output (when maximum > 0)
    size_t written;  // bytes of the output written, terminator included
};

TEST(CopyRegistryText, CopiesWithinTheCallersBufferAndTheQueryLimit) {
    const Case cases[] = {
        // Strings of every length around the product's 258 and the query limit of 510.
        {"REG_SZ, 0 bytes", true, Text(0), kProductLength, 1, 0, 258},
        {"REG_SZ, 257 bytes", true, Text(257), kProductLength, 1, 256, 258},
        {"REG_SZ, 258 bytes", true, Text(258), kProductLength, 1, 257, 258},
        {"REG_SZ, 300 bytes", true, Text(300), kProductLength, 1, 257, 258},
        {"REG_SZ, 509 bytes", true, Text(509), kProductLength, 1, 257, 258},
        {"REG_SZ, 510 bytes", true, Text(510), kProductLength, 1, 257, 258},
        {"REG_SZ, 511 bytes: not read", true, Text(511), kProductLength, 0, 0, 1},
        {"REG_SZ, 600 bytes: not read", true, Text(600), kProductLength, 0, 0, 1},
        {"unterminated, 10 bytes", true, Unterminated(10), kProductLength, 1, 10, 258},
        {"unterminated, 300 bytes", true, Unterminated(300), kProductLength, 1, 257, 258},
        {"unterminated, 510 bytes", true, Unterminated(510), kProductLength, 1, 257, 258},
        {"unterminated, 511 bytes", true, Unterminated(511), kProductLength, 0, 0, 1},
        // Other types are read as text just the same.
        {"REG_MULTI_SZ", true, std::string("C:\\a\0D:\\b\0\0", 11), kProductLength, 1, 4, 258},
        {"REG_BINARY, 258 bytes", true, FolderAndFiller(258), kProductLength, 1, 8, 258},
        {"REG_DWORD", true, std::string(4, '\x7f'), kProductLength, 1, 4, 258},
        {"REG_QWORD", true, std::string(8, '\x7f'), kProductLength, 1, 8, 258},
        {"missing value", false, "", kProductLength, 0, 0, 1},
        // The caller's size: 0 leaves its buffer alone, whatever the value.
        {"size 0, 50 bytes", true, Text(50), 0, 1, 0, 0},
        {"size 0, 600 bytes", true, Text(600), 0, 0, 0, 0},
        {"size 0, missing value", false, "", 0, 0, 0, 0},
        {"size 1, 50 bytes", true, Text(50), 1, 1, 0, 1},
        {"size 1, 600 bytes", true, Text(600), 1, 0, 0, 1},
        // Above 510, the count stays at 509 and the terminator at 509.
        {"size 510, 510 bytes", true, Unterminated(510), 510, 1, 509, 510},
        {"size 511, 510 bytes", true, Text(510), 511, 1, 509, 510},
        {"size 600, 509 bytes", true, Text(509), 600, 1, 508, 510},
        {"size 600, 510 bytes", true, Unterminated(510), 600, 1, 509, 510},
        {"size 600, 511 bytes", true, Text(511), 600, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<char> output(c.maximum + 64, kUnwritten);
        const uint8_t* data = c.present ? reinterpret_cast<const uint8_t*>(c.data.data()) : nullptr;
        EXPECT_EQ(c.result, CopyRegistryText(data, static_cast<uint32_t>(c.data.size()), c.maximum,
                                             output.data()));
        size_t written = 0;
        while (written < output.size() && output[written] != kUnwritten) ++written;
        EXPECT_EQ(c.written, written);
        for (size_t i = written; i < output.size(); ++i) ASSERT_EQ(kUnwritten, output[i]) << i;
        if (c.maximum == 0) continue;
        EXPECT_EQ(c.kept, std::strlen(output.data()));
        if (c.result == 0) continue;
        // The value's bytes, embedded NULs and what follows them included, then zeros.
        for (size_t i = 0; i + 1 < written; ++i) {
            char expected = i < c.data.size() ? c.data[i] : '\0';
            ASSERT_EQ(expected, output[i]) << i;
        }
    }
}

}  // namespace
