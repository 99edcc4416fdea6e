// The integrity block; see integrity_block.h.
#include "payload/integrity_block.h"

#include <cstring>

#include "payload/byte_order.h"
#include "support/crc32.h"

namespace {

constexpr uint32_t kVersionOffset = 8;
constexpr uint32_t kFileCrcOffset = 12;
constexpr uint32_t kOwnCrcOffset = 24;

}  // namespace

std::array<uint8_t, kIntegrityBlockSize> EncodeIntegrityBlock(
    const uint32_t crcs[kPayloadFileCount]) {
    std::array<uint8_t, kIntegrityBlockSize> block = {};
    std::memcpy(block.data(), kIntegrityMagic, kIntegrityMagicLength);
    WriteLe32(&block[kVersionOffset], kIntegrityBlockVersion);
    for (int i = 0; i < kPayloadFileCount; ++i) WriteLe32(&block[kFileCrcOffset + 4 * i], crcs[i]);
    WriteLe32(&block[kOwnCrcOffset], Crc32(block.data(), kOwnCrcOffset));
    return block;
}

bool HasIntegrityBlock(const uint8_t* image, uint32_t length, const PayloadTrailer& trailer) {
    // The trailer rules guarantee start + sizes + 20 == length; a start too near the file's
    // beginning has no room for a block.
    if (trailer.payloadStart < kIntegrityBlockSize || trailer.payloadStart > length) return false;
    const uint8_t* block = image + trailer.payloadStart - kIntegrityBlockSize;
    return std::memcmp(block, kIntegrityMagic, kIntegrityMagicLength) == 0 &&
           ReadLe32(block + kVersionOffset) == kIntegrityBlockVersion &&
           ReadLe32(block + kOwnCrcOffset) == Crc32(block, kOwnCrcOffset);
}

IntegrityCheck CheckIntegrity(const uint8_t* image, uint32_t length,
                              const PayloadTrailer& trailer) {
    IntegrityCheck check;
    if (!HasIntegrityBlock(image, length, trailer)) return check;
    const uint8_t* block = image + trailer.payloadStart - kIntegrityBlockSize;
    check.present = true;
    const auto sizes = CarriedSizes(trailer);
    uint64_t offset = trailer.payloadStart;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        check.expected[i] = ReadLe32(block + kFileCrcOffset + 4 * i);
        if (offset + sizes[i] > length) {  // never, for a trailer the rules accepted
            check.damagedFile = i;
            return check;
        }
        check.actual[i] = Crc32(image + offset, sizes[i]);
        if (check.actual[i] != check.expected[i] && check.damagedFile < 0) check.damagedFile = i;
        offset += sizes[i];
    }
    return check;
}
