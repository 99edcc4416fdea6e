// Payload trailer encoding and the reader's acceptance rules.
#include "payload/trailer.h"

#include "payload/byte_order.h"
#include "payload/certificate_table.h"

uint32_t TrailerCheckOf(const PayloadTrailer& trailer) {
    return trailer.payloadStart ^ trailer.firstSize ^ trailer.secondSize ^ trailer.thirdSize;
}

PayloadTrailer DecodeTrailer(const uint8_t bytes[kTrailerSize]) {
    PayloadTrailer trailer;
    trailer.trailerCheck = ReadLe32(bytes);
    trailer.payloadStart = ReadLe32(bytes + 4) ^ kStartMask;
    trailer.firstSize = ReadLe32(bytes + 8) ^ kFirstSizeMask;
    trailer.secondSize = ReadLe32(bytes + 12) ^ kSecondSizeMask;
    trailer.thirdSize = ReadLe32(bytes + 16) ^ kThirdSizeMask;
    return trailer;
}

void EncodeTrailer(uint32_t payloadStart, uint32_t firstSize, uint32_t secondSize,
                   uint32_t thirdSize, uint8_t bytes[kTrailerSize]) {
    WriteLe32(bytes, payloadStart ^ firstSize ^ secondSize ^ thirdSize);
    WriteLe32(bytes + 4, payloadStart ^ kStartMask);
    WriteLe32(bytes + 8, firstSize ^ kFirstSizeMask);
    WriteLe32(bytes + 12, secondSize ^ kSecondSizeMask);
    WriteLe32(bytes + 16, thirdSize ^ kThirdSizeMask);
}

PayloadReason CheckInstallerLength(uint32_t length) {
    if (length == 0xFFFFFFFFu) return kOwnFileUnreadable;
    if (length > kMaxInstallerLength) return kInstallerTooLong;
    if (length < kMinInstallerLength) return kInstallerTooShort;
    return kPayloadOk;
}

PayloadReason CheckTrailer(const PayloadTrailer& trailer, uint32_t length) {
    if (trailer.trailerCheck != TrailerCheckOf(trailer)) return kTrailerCheckMismatch;
    uint64_t sum = uint64_t{trailer.payloadStart} + trailer.firstSize + trailer.secondSize +
                   trailer.thirdSize + kTrailerSize;
    if (sum != length) return kTrailerSumMismatch;
    return kPayloadOk;
}

PayloadReason CheckPayloadImage(const uint8_t* image, uint32_t length, PayloadTrailer* trailer,
                                uint32_t* payloadEnd) {
    PayloadReason reason = CheckInstallerLength(length);
    if (reason != kPayloadOk) return reason;
    const CertificateTable table = FindCertificateTable(image, length);
    if (table.present) {
        // From the table's start down over the zero padding, the largest end first.
        for (uint32_t end = table.offset;
             end >= kTrailerSize && table.offset - end <= kMaxSignaturePadding; --end) {
            if (end < table.offset && image[end] != 0) break;
            PayloadTrailer candidate = DecodeTrailer(image + end - kTrailerSize);
            if (CheckTrailer(candidate, end) == kPayloadOk) {
                *trailer = candidate;
                if (payloadEnd != nullptr) *payloadEnd = end;
                return kPayloadOk;
            }
        }
    }
    *trailer = DecodeTrailer(image + length - kTrailerSize);
    if (payloadEnd != nullptr) *payloadEnd = length;
    return CheckTrailer(*trailer, length);
}

bool PlanPayload(uint64_t imageLength, const uint64_t sizes[kPayloadFileCount], PayloadPlan* plan,
                 uint64_t reserved) {
    uint64_t payloadLength = 0;
    for (int i = 0; i < kPayloadFileCount; ++i) payloadLength += sizes[i];
    uint64_t natural = imageLength + reserved + payloadLength + kTrailerSize;
    plan->fillerLength =
        reserved + (natural < kMinInstallerLength ? kMinInstallerLength - natural : 0);
    const uint64_t unaligned = imageLength + plan->fillerLength + payloadLength + kTrailerSize;
    // The maximum is a multiple of 8 itself, so the alignment never makes a file too long;
    // the excess is told as what must go for the file to fit.
    plan->excessLength = unaligned > kMaxInstallerLength ? unaligned - kMaxInstallerLength : 0;
    plan->fillerLength += (8 - unaligned % 8) % 8;
    plan->payloadStart = imageLength + plan->fillerLength;
    plan->totalLength = imageLength + plan->fillerLength + payloadLength + kTrailerSize;
    return plan->excessLength == 0;
}
