// CRC-32 by a table of the 256 byte values, made at compile time: the installer checks a
// few megabytes with it before it writes anything, so a byte a step, not a bit.
#include "support/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table = {};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFFu];
    return crc ^ 0xFFFFFFFFu;
}
