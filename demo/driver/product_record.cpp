// Reading and telling a product file's record; see product_record.h.
#include "demo/driver/product_record.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/text_format.h"
#include "tools/code_page_1250.h"

bool ReadProductRecord(const std::string& path, VersionRecord* record) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    if (bytes.size() > UINT32_MAX) return false;
    uint32_t position = FindVersionRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (position == 0) return false;
    DecodeVersionRecord(bytes.data(), position, true, record);
    return true;
}

std::string DescribeRecord(const VersionRecord& record) {
    std::string text = Cp1250ToUtf8(record.versionText);
    text += ", build ";
    text += NumberToText(record.build, 0, true);
    text += ", ";
    text += FormatProductionTime(record);
    return text;
}

bool SameBuild(const VersionRecord& a, const VersionRecord& b) {
    return a.build == b.build && a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
           a.hundredths == b.hundredths &&
           std::memcmp(a.dateChars, b.dateChars, sizeof a.dateChars) == 0;
}
