// The version record that every product program file carries among its bytes.
//
//   offset from the marker   width  field
//   0                        26     marker "qwertyuiopasdfghjklzxcvbnm", plain
//   43                       15     versionText, masked, ends at the first NUL
//   58                       28     editionText, masked, ends at the first NUL or "."
//   87                       4      build, masked, signed little-endian
//   91, 92, 93, 94           1 each hour, minute, second, hundredths, masked
//   98                       6      dateChars, masked: year in century, then two pairs
//   147                      1      check byte 0x71 ("q"), plain
//
// Masked bytes are stored XOR kRecordMask. Portable: no Windows API here.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr char kRecordMarker[] = "qwertyuiopasdfghjklzxcvbnm";
constexpr uint32_t kRecordMarkerLength = 26;
static_assert(sizeof kRecordMarker == kRecordMarkerLength + 1, "marker is 26 letters");

constexpr uint8_t kRecordMask = 0x4B;
constexpr uint8_t kRecordCheckByte = 0x71;

constexpr uint32_t kVersionTextOffset = 43;
constexpr uint32_t kVersionTextLength = 15;
constexpr uint32_t kEditionTextOffset = 58;
constexpr uint32_t kEditionTextLength = 28;
constexpr uint32_t kBuildOffset = 87;
constexpr uint32_t kHourOffset = 91;
constexpr uint32_t kMinuteOffset = 92;
constexpr uint32_t kSecondOffset = 93;
constexpr uint32_t kHundredthsOffset = 94;
constexpr uint32_t kDateCharsOffset = 98;
constexpr uint32_t kDateCharsLength = 6;
constexpr uint32_t kCheckByteOffset = 147;
// Bytes a record occupies from its marker on, the check byte included.
constexpr uint32_t kRecordSpan = kCheckByteOffset + 1;
static_assert(kDateCharsOffset + kDateCharsLength <= kCheckByteOffset,
              "fields lie before the check");

// The edition text of the KWIL edition.
constexpr char kKwilEditionText[] = "R2A";

struct VersionRecord {
    char versionText[kVersionTextLength + 1];
    char editionText[kEditionTextLength + 1];
    int32_t build;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
    uint8_t hundredths;
    char dateChars[kDateCharsLength];
};

// Position of the first qualifying marker (candidates 1 .. length-101; position 0 is
// never examined; the byte 147 further on must be 0x71), or 0 when there is none.
// A marker so near the end that its record would run past the data counts as no
// record: nothing is read beyond `length`.
uint32_t FindVersionRecord(const uint8_t* data, uint32_t length);

// Decodes the record whose marker lies at `position` (as FindVersionRecord returned it).
// With allFields clear, only build, the time bytes and dateChars are filled and the
// texts are left empty.
void DecodeVersionRecord(const uint8_t* data, uint32_t position, bool allFields,
                         VersionRecord* record);

// Length of the edition text as the record defines it: up to its first NUL or ".".
size_t EditionTextLength(const char* editionText);

// True when the edition text, cut at its first NUL or ".", is exactly "R2A".
bool IsKwilEditionText(const char* editionText);

// "20" + date pairs joined by "." + "  godz. " + hh:mm.ss,cc, e.g.
// "2015.03.17  godz. 09:05.07,42". Static buffer, overwritten by the next call.
const char* FormatProductionTime(const VersionRecord& record);
