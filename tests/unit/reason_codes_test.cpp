// The reason codes' texts: every code has one, and the README's table of what a customer
// may be shown says the same as `tvispack inspect`.
#include "payload/reason_codes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

TEST(ReasonCodes, EveryCodeHasItsOwnTextAndNothingElseHasOne) {
    std::map<std::string, int32_t> seen;
    int32_t previous = -1;
    for (int i = 0; i < kPayloadReasonCount; ++i) {
        const PayloadReasonEntry& entry = kPayloadReasonTable[i];
        EXPECT_GT(entry.code, previous) << "ascending, each once";
        previous = entry.code;
        ASSERT_NE(nullptr, entry.text);
        EXPECT_STREQ(entry.text, PayloadReasonText(entry.code));
        EXPECT_TRUE(seen.emplace(entry.text, entry.code).second) << entry.text;
    }
    // The steps of the extraction, one group of ten each.
    EXPECT_EQ(20, kPayloadReasonCount);
    for (int32_t code : {-1, 8, 9, 13, 19, 23, 29, 33, 39, 43, 0x7FFFFFFF}) {
        EXPECT_EQ(nullptr, PayloadReasonText(code)) << code;
    }
}

#ifdef TVIS_SOURCE_DIR
// The rows "| `0000.00XX` | text |" of the README, backticks dropped, by code.
std::map<int32_t, std::string> ReadmeReasonRows() {
    std::ifstream readme(std::string(TVIS_SOURCE_DIR) + "/README.md");
    std::map<int32_t, std::string> rows;
    std::string line;
    while (std::getline(readme, line)) {
        unsigned code = 0;
        char rest[2] = {};
        if (std::sscanf(line.c_str(), "| `0000.%4X` |%1c", &code, rest) != 2) continue;
        const size_t start = line.find("` | ") + 4;
        const size_t end = line.rfind(" |");
        std::string text = line.substr(start, end - start);
        std::string plain;
        for (char c : text) {
            if (c != '`') plain += c;
        }
        EXPECT_TRUE(rows.emplace(static_cast<int32_t>(code), plain).second) << line;
    }
    return rows;
}

TEST(ReasonCodes, TheReadmeTableSaysWhatInspectSays) {
    const std::map<int32_t, std::string> rows = ReadmeReasonRows();
    ASSERT_FALSE(rows.empty()) << "no reason code rows in README.md";
    for (int i = 0; i < kPayloadReasonCount; ++i) {
        const PayloadReasonEntry& entry = kPayloadReasonTable[i];
        if (entry.code == kPayloadOk) continue;  // never shown to a customer
        const auto row = rows.find(entry.code);
        if (row == rows.end()) {
            ADD_FAILURE() << "README has no row for code " << entry.code;
            continue;
        }
        EXPECT_EQ(entry.text, row->second) << "code " << entry.code;
    }
    for (const auto& row : rows) {
        EXPECT_NE(nullptr, PayloadReasonText(row.first)) << "README row of no code: " << row.first;
    }
    EXPECT_EQ(0u, rows.count(0));
}
#endif

}  // namespace
