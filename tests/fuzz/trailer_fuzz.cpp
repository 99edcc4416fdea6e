// trailer_fuzz: the payload layout's rules on arbitrary installer images: the length and
// trailer rules (CheckPayloadImage), the three carried files' regions they imply, the
// integrity block (CheckIntegrity), and the packer's plan (PlanPayload), which the reader
// must always accept. Each input is read twice: as a whole small image, whose trailer the
// rules may accept apart from the length rule (CheckIntegrity does not depend on it), and as
// an image of up to 4 MB (fuzz_image.h).
#include <cstring>

#include "payload/byte_order.h"
#include "payload/certificate_table.h"
#include "payload/integrity_block.h"
#include "payload/trailer.h"
#include "support/crc32.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_image.h"
#include "tests/fuzz/fuzz_targets.h"

namespace {

// Where the integrity block records the first file's CRC (integrity_block.h's layout); its
// own CRC is its last four bytes.
constexpr uint32_t kRecordedCrcOffset = 12;

// The carried files' regions of a sound trailer lie end to end between the payload's start
// and the trailer, in the order of the carried files' table.
void CheckRegions(const PayloadTrailer& trailer, uint32_t length) {
    const auto sizes = CarriedSizes(trailer);
    uint64_t offset = trailer.payloadStart;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        FuzzCheck(offset + sizes[i] <= uint64_t{length} - kTrailerSize,
                  "a carried file's region ends before the trailer");
        offset += sizes[i];
    }
    FuzzCheck(offset == uint64_t{length} - kTrailerSize, "the last region ends at the trailer");
}

// What CheckIntegrity reports agrees with the bytes: a block only where the payload starts,
// recorded CRCs read from it, computed CRCs of the regions, the first difference named.
void CheckIntegrityOf(const uint8_t* image, uint32_t length, const PayloadTrailer& trailer) {
    const IntegrityCheck check = CheckIntegrity(image, length, trailer);
    if (!check.present) {
        FuzzCheck(check.damagedFile == -1, "no block, no damaged file");
        return;
    }
    FuzzCheck(trailer.payloadStart >= kIntegrityBlockSize, "a block needs room before the payload");
    const uint8_t* block = image + trailer.payloadStart - kIntegrityBlockSize;
    FuzzCheck(std::memcmp(block, kIntegrityMagic, kIntegrityMagicLength) == 0,
              "a present block starts with the magic");
    FuzzCheck(Crc32(block, kIntegrityBlockSize - 4) == ReadLe32(block + kIntegrityBlockSize - 4),
              "a present block's own CRC holds");
    const auto sizes = CarriedSizes(trailer);
    uint32_t offset = trailer.payloadStart;
    int firstDifference = -1;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        FuzzCheck(check.expected[i] == ReadLe32(block + kRecordedCrcOffset + 4 * i),
                  "the recorded CRC is read");
        FuzzCheck(check.actual[i] == Crc32(image + offset, sizes[i]),
                  "the region's CRC is computed");
        if (check.actual[i] != check.expected[i] && firstDifference < 0) firstDifference = i;
        offset += sizes[i];
    }
    FuzzCheck(check.damagedFile == firstDifference, "the first differing file is named");
}

// A trailer the rules accept for `length` bytes: its check word and its sum hold, it encodes
// back to the same 20 bytes, its regions fit, and its integrity block (if any) agrees.
void CheckAccepted(const uint8_t* image, uint32_t length, const PayloadTrailer& trailer) {
    FuzzCheck(trailer.trailerCheck == TrailerCheckOf(trailer), "an accepted check word matches");
    FuzzCheck(uint64_t{trailer.payloadStart} + trailer.firstSize + trailer.secondSize +
                      trailer.thirdSize + kTrailerSize ==
                  length,
              "an accepted trailer's start and sizes add up to the length");
    uint8_t again[kTrailerSize];
    EncodeTrailer(trailer.payloadStart, trailer.firstSize, trailer.secondSize, trailer.thirdSize,
                  again);
    FuzzCheck(std::memcmp(again, image + length - kTrailerSize, kTrailerSize) == 0,
              "an accepted trailer encodes back to its bytes");
    CheckRegions(trailer, length);
    CheckIntegrityOf(image, length, trailer);
}

// The whole input as an image: the trailer rules, without the length rule.
void CheckSmallImage(const uint8_t* data, size_t size) {
    if (size < kTrailerSize) return;
    const uint32_t length = static_cast<uint32_t>(size);
    const PayloadTrailer trailer = DecodeTrailer(data + size - kTrailerSize);
    const PayloadReason reason = CheckTrailer(trailer, length);
    FuzzCheck(
        reason == kPayloadOk || reason == kTrailerCheckMismatch || reason == kTrailerSumMismatch,
        "the trailer rules give 0, 5 or 6");
    FuzzCheck(
        (reason == kTrailerCheckMismatch) == (trailer.trailerCheck != TrailerCheckOf(trailer)),
        "code 5 exactly when the check word differs");
    if (reason == kPayloadOk) CheckAccepted(data, length, trailer);
}

// The input as an image of up to 4 MB, through every layout rule as the installer applies
// them.
void CheckFullImage(const uint8_t* data, size_t size) {
    const FuzzImage image = ImageFromFuzzInput(data, size);
    const uint32_t length = image.length;
    PayloadTrailer trailer = {};
    uint32_t end = 0;
    const PayloadReason reason = CheckPayloadImage(image.bytes, length, &trailer, &end);
    const PayloadReason lengthReason = CheckInstallerLength(length);
    FuzzCheck(lengthReason != kPayloadOk
                  ? reason == lengthReason
                  : reason == kPayloadOk || reason == kTrailerCheckMismatch ||
                        reason == kTrailerSumMismatch,
              "the length rules come first, then the trailer's");
    FuzzCheck(length >= kMinInstallerLength && length <= kMaxInstallerLength
                  ? lengthReason == kPayloadOk
                  : lengthReason != kPayloadOk,
              "1,000,000 to 4,000,000 bytes, bounds included");
    if (reason != kPayloadOk) return;
    // The payload ends at the end of the file, or, in a signed file, where its certificate
    // table starts less at most 7 zero bytes.
    if (end != length) {
        const CertificateTable table = FindCertificateTable(image.bytes, length);
        FuzzCheck(
            table.present && end <= table.offset && table.offset - end <= kMaxSignaturePadding,
            "a payload ends before the file's end only before a certificate table");
        for (uint32_t i = end; i < table.offset; ++i) {
            FuzzCheck(image.bytes[i] == 0, "only zero bytes between the payload and the table");
        }
    }
    CheckAccepted(image.bytes, end, trailer);
}

// The PE security directory read from the input itself: a table is only ever one that
// ends exactly at the end, starts behind the directory, and is not empty.
void CheckCertificateTable(const uint8_t* data, size_t size) {
    const CertificateTable table = FindCertificateTable(data, size);
    const uint64_t directory = SecurityDirectoryOffset(data, size);
    FuzzCheck(directory == 0 || directory + 8 <= size, "the directory lies inside the file");
    if (!table.present) return;
    FuzzCheck(directory != 0, "a table is named by a directory");
    FuzzCheck(table.size > 0 && uint64_t{table.offset} + table.size == size,
              "a table is not empty and ends the file");
    FuzzCheck(table.offset >= directory + 8, "a table starts behind the headers");
}

// The packer's plan for the sizes the input gives: where it fits, the reader accepts the
// file it describes, with the reserved room before the payload.
void CheckPlan(const uint8_t* data, size_t size) {
    if (size < kTrailerSize) return;
    const PayloadTrailer fields = DecodeTrailer(data + size - kTrailerSize);
    const uint64_t sizes[kPayloadFileCount] = {fields.firstSize, fields.secondSize,
                                               fields.thirdSize};
    const uint64_t reserved = (fields.trailerCheck & 1) ? kIntegrityBlockSize : 0;
    PayloadPlan plan = {};
    const bool fits = PlanPayload(fields.payloadStart, sizes, &plan, reserved);
    FuzzCheck(plan.fillerLength >= reserved, "the plan keeps the reserved room");
    FuzzCheck(plan.payloadStart == uint64_t{fields.payloadStart} + plan.fillerLength,
              "the payload follows the program and the filler");
    FuzzCheck(plan.totalLength == plan.payloadStart + sizes[0] + sizes[1] + sizes[2] + kTrailerSize,
              "the plan's length is the sum of its parts");
    // The filler makes the file a multiple of 8 with at most 7 bytes; the excess is what
    // must go for the parts to fit, those bytes not counted.
    if (!fits) {
        FuzzCheck(plan.excessLength > 0 &&
                      plan.totalLength >= kMaxInstallerLength + plan.excessLength &&
                      plan.totalLength - kMaxInstallerLength - plan.excessLength < 8,
                  "a plan that does not fit says by how much");
        return;
    }
    FuzzCheck(plan.excessLength == 0, "a plan that fits has no excess");
    FuzzCheck(plan.totalLength % 8 == 0, "a planned file is a multiple of 8 bytes");
    const uint32_t total = static_cast<uint32_t>(plan.totalLength);
    FuzzCheck(CheckInstallerLength(total) == kPayloadOk, "a planned file has an accepted length");
    uint8_t bytes[kTrailerSize];
    EncodeTrailer(static_cast<uint32_t>(plan.payloadStart), fields.firstSize, fields.secondSize,
                  fields.thirdSize, bytes);
    FuzzCheck(CheckTrailer(DecodeTrailer(bytes), total) == kPayloadOk,
              "the reader accepts the trailer of a plan");
}

}  // namespace

int FuzzTrailer(const uint8_t* data, size_t size) {
    CheckSmallImage(data, size);
    CheckFullImage(data, size);
    CheckPlan(data, size);
    CheckCertificateTable(data, size);
    return 0;
}
