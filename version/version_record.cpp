// Finding, decoding and formatting the version record; see version_record.h.
#include "version/version_record.h"

#include <cstring>

#include "support/text_format.h"

uint32_t FindVersionRecord(const uint8_t* data, uint32_t length) {
    if (length <= 101) return 0;
    const uint32_t last = length - 101;
    const uint8_t first = static_cast<uint8_t>(kRecordMarker[0]);
    for (uint32_t i = 1; i <= last; ++i) {
        // Only where the marker's first byte lies: memchr passes over megabytes of a program
        // many times faster than a comparison a byte.
        const void* candidate = std::memchr(data + i, first, last - i + 1);
        if (candidate == nullptr) return 0;
        i = static_cast<uint32_t>(static_cast<const uint8_t*>(candidate) - data);
        uint32_t k = 0;
        while (k < kRecordMarkerLength && data[i + k] == static_cast<uint8_t>(kRecordMarker[k]))
            ++k;
        if (k < kRecordMarkerLength) continue;
        // The search bound leaves room for the marker and the fields up to +101 only;
        // a record whose check byte would lie beyond the data is no record.
        if (uint64_t{i} + kCheckByteOffset >= length) continue;
        if (data[i + kCheckByteOffset] == kRecordCheckByte) return i;
    }
    return 0;
}

namespace {

uint8_t Unmask(const uint8_t* record, uint32_t offset) { return record[offset] ^ kRecordMask; }

// Copies a masked text of `width` bytes, ending at its first NUL, and terminates it.
void UnmaskText(const uint8_t* record, uint32_t offset, uint32_t width, char* out) {
    uint32_t n = 0;
    for (; n < width; ++n) {
        char c = static_cast<char>(Unmask(record, offset + n));
        if (c == '\0') break;
        out[n] = c;
    }
    out[n] = '\0';
}

}  // namespace

void DecodeVersionRecord(const uint8_t* data, uint32_t position, bool allFields,
                         VersionRecord* record) {
    const uint8_t* r = data + position;
    std::memset(record, 0, sizeof *record);
    if (allFields) {
        UnmaskText(r, kVersionTextOffset, kVersionTextLength, record->versionText);
        UnmaskText(r, kEditionTextOffset, kEditionTextLength, record->editionText);
    }
    uint32_t build = 0;
    for (int b = 3; b >= 0; --b) build = build << 8 | Unmask(r, kBuildOffset + b);
    record->build = static_cast<int32_t>(build);
    record->hour = Unmask(r, kHourOffset);
    record->minute = Unmask(r, kMinuteOffset);
    record->second = Unmask(r, kSecondOffset);
    record->hundredths = Unmask(r, kHundredthsOffset);
    for (uint32_t n = 0; n < kDateCharsLength; ++n) {
        record->dateChars[n] = static_cast<char>(Unmask(r, kDateCharsOffset + n));
    }
}

size_t EditionTextLength(const char* editionText) {
    size_t n = 0;
    while (editionText[n] != '\0' && editionText[n] != '.') ++n;
    return n;
}

bool IsKwilEditionText(const char* editionText) {
    return EditionTextLength(editionText) == 3 &&
           std::memcmp(editionText, kKwilEditionText, 3) == 0;
}

const char* FormatProductionTime(const VersionRecord& record) {
    // "2015.03.17  godz. 09:05.07,42": 29 characters and the terminator.
    static char text[32];
    const char* d = record.dateChars;
    char* p = text;
    *p++ = '2';
    *p++ = '0';
    *p++ = d[0];
    *p++ = d[1];
    *p++ = '.';
    *p++ = d[2];
    *p++ = d[3];
    *p++ = '.';
    *p++ = d[4];
    *p++ = d[5];
    std::memcpy(p, "  godz. ", 8);
    p += 8;
    const uint8_t parts[4] = {record.hour, record.minute, record.second,
                              static_cast<uint8_t>(record.hundredths % 100)};
    const char separators[4] = {':', '.', ',', '\0'};
    for (int n = 0; n < 4; ++n) {
        std::memcpy(p, NumberToText(parts[n], 2, false), 2);
        p += 2;
        if (separators[n] != '\0') *p++ = separators[n];
    }
    *p = '\0';
    return text;
}
