// version_record_fuzz: the version record's search and decoding on arbitrary file bytes.
// FindVersionRecord finds the first qualifying marker and never reads past the data;
// DecodeVersionRecord fills terminated texts within their widths and reads nothing beyond
// the record; the KWIL decision and the production time text follow from the fields.
#include <cstring>

#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"
#include "version/version_record.h"

namespace {

// Whether a record qualifies at `position` by the header's rules, read the plain way.
bool QualifiesAt(const uint8_t* data, size_t size, size_t position) {
    return position >= 1 && position + 101 <= size && position + kCheckByteOffset < size &&
           std::memcmp(data + position, kRecordMarker, kRecordMarkerLength) == 0 &&
           data[position + kCheckByteOffset] == kRecordCheckByte;
}

void CheckDecoded(const uint8_t* data, uint32_t position) {
    VersionRecord all;
    VersionRecord numbers;
    DecodeVersionRecord(data, position, true, &all);
    DecodeVersionRecord(data, position, false, &numbers);
    FuzzCheck(std::memchr(all.versionText, '\0', sizeof all.versionText) != nullptr &&
                  std::memchr(all.editionText, '\0', sizeof all.editionText) != nullptr,
              "the texts are terminated within their buffers");
    FuzzCheck(numbers.versionText[0] == '\0' && numbers.editionText[0] == '\0',
              "without allFields the texts stay empty");
    FuzzCheck(all.build == numbers.build && all.hour == numbers.hour &&
                  all.minute == numbers.minute && all.second == numbers.second &&
                  all.hundredths == numbers.hundredths &&
                  std::memcmp(all.dateChars, numbers.dateChars, kDateCharsLength) == 0,
              "the numbers do not depend on allFields");
    const uint8_t* record = data + position;
    for (uint32_t n = 0; n < kVersionTextLength && all.versionText[n] != '\0'; ++n) {
        FuzzCheck(static_cast<uint8_t>(all.versionText[n]) ==
                      (record[kVersionTextOffset + n] ^ kRecordMask),
                  "the version text is the unmasked field");
    }
    FuzzCheck(static_cast<uint8_t>(all.hour) == (record[kHourOffset] ^ kRecordMask),
              "the hour is the unmasked byte");

    const char* edition = all.editionText;
    size_t cut = std::strcspn(edition, ".");
    FuzzCheck(IsKwilEditionText(edition) == (cut == 3 && std::memcmp(edition, "R2A", 3) == 0),
              "KWIL exactly for \"R2A\" up to the first NUL or \".\"");
    const char* time = FormatProductionTime(all);
    const size_t length = std::strlen(time);
    FuzzCheck(length <= 29, "the production time text has 29 characters at most");
    if (length == 29) {
        FuzzCheck(std::memcmp(time + 10, "  godz. ", 8) == 0, "the date, then \"  godz. \"");
    }
}

}  // namespace

int FuzzVersionRecord(const uint8_t* data, size_t size) {
    // Positions are 32 bits, as in the product's files of a few megabytes.
    const uint32_t length = size > 0xFFFFFFu ? 0xFFFFFFu : static_cast<uint32_t>(size);
    const uint32_t position = FindVersionRecord(data, length);
    if (position == 0) {
        for (size_t p = 1; p + 101 <= length; ++p) {
            FuzzCheck(!QualifiesAt(data, length, p), "no record is missed");
        }
        return 0;
    }
    FuzzCheck(QualifiesAt(data, length, position), "the record found qualifies");
    for (size_t p = 1; p < position; ++p) {
        FuzzCheck(!QualifiesAt(data, length, p), "the first record is found");
    }
    CheckDecoded(data, position);
    return 0;
}
