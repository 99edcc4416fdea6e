// Product files with version records; see product_file.h.
#include "tests/support/product_file.h"

#include <cstring>
#include <stdexcept>

#include "version/version_record.h"

namespace {

void PutMasked(std::vector<uint8_t>& file, uint32_t at, const std::string& text, uint32_t width) {
    for (uint32_t i = 0; i < width; ++i) {
        uint8_t c = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
        file[at + i] = c ^ kRecordMask;
    }
}

}  // namespace

void PlaceRecord(std::vector<uint8_t>& file, uint32_t offset, const RecordFields& fields) {
    if (uint64_t{offset} + kRecordSpan > file.size()) throw std::out_of_range("record past end");
    std::memcpy(&file[offset], kRecordMarker, kRecordMarkerLength);
    PutMasked(file, offset + kVersionTextOffset, fields.versionText, kVersionTextLength);
    PutMasked(file, offset + kEditionTextOffset, fields.editionText, kEditionTextLength);
    uint32_t build = static_cast<uint32_t>(fields.build);
    for (uint32_t b = 0; b < 4; ++b) {
        file[offset + kBuildOffset + b] = static_cast<uint8_t>(build >> (8 * b)) ^ kRecordMask;
    }
    file[offset + kHourOffset] = fields.hour ^ kRecordMask;
    file[offset + kMinuteOffset] = fields.minute ^ kRecordMask;
    file[offset + kSecondOffset] = fields.second ^ kRecordMask;
    file[offset + kHundredthsOffset] = fields.hundredths ^ kRecordMask;
    PutMasked(file, offset + kDateCharsOffset, fields.dateChars, kDateCharsLength);
    file[offset + kCheckByteOffset] = kRecordCheckByte;
}

std::vector<uint8_t> MakeFileWithoutRecord(uint32_t size) {
    std::vector<uint8_t> file(size);
    uint32_t state = 0x12345678u;
    for (uint32_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        // Upper-case letters and digits only: the lower-case marker can never appear.
        file[i] = static_cast<uint8_t>("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[(state >> 16) % 36]);
    }
    if (size >= 2) {
        file[0] = 'M';
        file[1] = 'Z';
    }
    return file;
}

std::vector<uint8_t> MakeProductFile(uint32_t size, uint32_t offset, const RecordFields& fields) {
    std::vector<uint8_t> file = MakeFileWithoutRecord(size);
    PlaceRecord(file, offset, fields);
    return file;
}
