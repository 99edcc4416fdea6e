// The payload layout: one definition shared by the installer, which reads its own file,
// and the packer, which builds such a file.
//
//   offset 0                          executable image (the installer program)
//          ...                        optional filler, ignored by the reader
//   payloadStart                      "QELMAPE.WCP"  firstSize bytes  (SZDD of qelMapE.dll)
//   payloadStart+firstSize            "TVISLV.WCP"   secondSize bytes (SZDD of tVisLV.exe)
//   ... +secondSize                   "TVISX.WCP"    thirdSize bytes  (SZDD of tVisX.exe)
//   L-20  trailer, five little-endian 32-bit words:
//         +0  trailerCheck  start ^ first ^ second ^ third (plain values, unmasked)
//         +4  payloadStart  ^ kStartMask
//         +8  firstSize     ^ kFirstSizeMask
//         +12 secondSize    ^ kSecondSizeMask
//         +16 thirdSize     ^ kThirdSizeMask
//
// A reader accepts a file of 1,000,000..4,000,000 bytes (bounds included) whose check
// word matches and whose start + sizes + 20 equals the file's length exactly (no
// wrap-around). There is no other validation of the payload. A signed file ends with a
// certificate table instead (CheckPayloadImage).
#pragma once

#include <array>
#include <cstdint>

#include "payload/reason_codes.h"

constexpr uint32_t kTrailerSize = 20;
constexpr uint32_t kMinInstallerLength = 1000000;
constexpr uint32_t kMaxInstallerLength = 4000000;
static_assert(kMaxInstallerLength % 8 == 0, "an installer's length is a multiple of 8");

constexpr uint32_t kStartMask = 0x63A8E20Du;
constexpr uint32_t kFirstSizeMask = 0x90D4C15Bu;
constexpr uint32_t kSecondSizeMask = 0x2E7F0B64u;
constexpr uint32_t kThirdSizeMask = 0x5A3C91E7u;

// Number of carried files; their names are in payload/carried_files.h.
constexpr int kPayloadFileCount = 3;

// The trailer's fields as plain values (masks removed); trailerCheck as stored.
struct PayloadTrailer {
    uint32_t trailerCheck;
    uint32_t payloadStart;
    uint32_t firstSize;
    uint32_t secondSize;
    uint32_t thirdSize;
};

// The three sizes in payload order, for loops over the carried files.
inline std::array<uint32_t, kPayloadFileCount> CarriedSizes(const PayloadTrailer& trailer) {
    return {trailer.firstSize, trailer.secondSize, trailer.thirdSize};
}

// XOR of the start and the three sizes: the check word a sound trailer carries.
uint32_t TrailerCheckOf(const PayloadTrailer& trailer);

// Decodes the 20 trailer bytes (the last 20 of the file).
PayloadTrailer DecodeTrailer(const uint8_t bytes[kTrailerSize]);

// Encodes start and sizes into 20 trailer bytes, computing the check word itself.
void EncodeTrailer(uint32_t payloadStart, uint32_t firstSize, uint32_t secondSize,
                   uint32_t thirdSize, uint8_t bytes[kTrailerSize]);

// The length rules: kOwnFileUnreadable for 0xFFFFFFFF (no length could be read),
// kInstallerTooLong above 4,000,000, kInstallerTooShort below 1,000,000, else kPayloadOk.
PayloadReason CheckInstallerLength(uint32_t length);

// The trailer rules for a file of `length` bytes: kTrailerCheckMismatch first, then
// kTrailerSumMismatch (sum taken in 64 bits), else kPayloadOk.
PayloadReason CheckTrailer(const PayloadTrailer& trailer, uint32_t length);

// At most this many zero bytes lie between a signed installer's payload and its
// certificate table: signing tools pad the file to a multiple of 8 first.
constexpr uint32_t kMaxSignaturePadding = 7;

// All layout rules on a whole file image in memory: the length rules on the whole file,
// then the trailer, the 20 bytes before the payload's end. That end is the end of the file,
// except in a signed file (a certificate table that ends exactly at the end of the file,
// see certificate_table.h): there it is where the table starts, less up to 7 zero bytes
// of padding, the largest such end whose trailer passes the check and sum rules, and the
// sum rule compares with that end. When no such end passes, the file is read as unsigned,
// with the codes of that reading. On kPayloadOk, *trailer holds the decoded fields and
// *payloadEnd (when given) the payload's end.
PayloadReason CheckPayloadImage(const uint8_t* image, uint32_t length, PayloadTrailer* trailer,
                                uint32_t* payloadEnd = nullptr);

// Where a packer places the payload behind an image of imageLength bytes.
struct PayloadPlan {
    uint64_t payloadStart;  // imageLength plus any filler
    uint64_t fillerLength;  // bytes of filler between the image and the payload
    uint64_t totalLength;   // length of the finished installer file
    uint64_t excessLength;  // how many bytes too many the parts are for the maximum; 0 when
                            // they fit
};

// Plans an installer from an image and three compressed files: at least `reserved` bytes
// of filler (room for the integrity block), more where the file would otherwise be
// shorter than kMinInstallerLength, and up to 7 more so that the file's length is a
// multiple of 8 (signing then appends its table without padding, and the trailer stays
// right before it). Returns true when the result fits within
// kMaxInstallerLength; otherwise excessLength says by how much not.
bool PlanPayload(uint64_t imageLength, const uint64_t sizes[kPayloadFileCount], PayloadPlan* plan,
                 uint64_t reserved = 0);
