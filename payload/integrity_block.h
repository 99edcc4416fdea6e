// The integrity block: CRC-32s of the three compressed files, which tvispack places in the
// filler gap the layout allows between the installer program and the payload, so that a
// flipped bit inside a compressed file is noticed before anything is written. The trailer
// alone cannot tell: its check covers the start and the lengths only.
//
//   payloadStart-28  +0   magic "tVisIntg" (8 bytes)
//                    +8   version, 1 (little-endian 32 bits, as every number here)
//                    +12  CRC-32 of QELMAPE.WCP
//                    +16  CRC-32 of TVISLV.WCP
//                    +20  CRC-32 of TVISX.WCP
//                    +24  CRC-32 of the 24 bytes before it
//   payloadStart     the payload
//
// The block is recognised by its magic, its version and its own CRC together: installers
// without it, or whose gap holds anything else, are read exactly as before. Portable.
#pragma once

#include <array>
#include <cstdint>

#include "payload/trailer.h"

constexpr uint32_t kIntegrityBlockSize = 28;
constexpr uint32_t kIntegrityBlockVersion = 1;
constexpr char kIntegrityMagic[] = "tVisIntg";
constexpr uint32_t kIntegrityMagicLength = 8;
static_assert(sizeof kIntegrityMagic == kIntegrityMagicLength + 1, "magic is 8 bytes");

// The block for three compressed files, given in payload order.
std::array<uint8_t, kIntegrityBlockSize> EncodeIntegrityBlock(
    const uint32_t crcs[kPayloadFileCount]);

struct IntegrityCheck {
    bool present = false;  // a block ends where the payload starts
    // Index (payload order) of the first file whose CRC differs, or -1 when all agree
    // or no block is present.
    int damagedFile = -1;
    uint32_t expected[kPayloadFileCount] = {};  // as the block records them
    uint32_t actual[kPayloadFileCount] = {};    // as the files are; only when present
};

// Whether an image whose layout CheckPayloadImage accepted (with that trailer) has a block
// ending at payloadStart: its magic, its version and its own CRC. Cheap: the files' CRCs
// are not taken.
bool HasIntegrityBlock(const uint8_t* image, uint32_t length, const PayloadTrailer& trailer);

// Checks the files of an image whose layout CheckPayloadImage accepted (with that
// trailer): looks for a block ending at payloadStart and, when there is one, compares
// each file's CRC-32 with it.
IntegrityCheck CheckIntegrity(const uint8_t* image, uint32_t length, const PayloadTrailer& trailer);
