// CRC-32 eight bytes a step (slicing by 8): the installer checks a few megabytes with it
// before it writes anything, and a table step a byte ran at a fraction of the speed of
// reading and decoding the same bytes. Table k gives the CRC of a byte followed by k zero
// bytes, so the eight lookups of a step are independent of each other; the bytes are
// assembled little-endian by hand, so any alignment and byte order give the same result.
#include "support/crc32.h"

#include <array>

namespace {

using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables tables = {};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        tables[0][byte] = crc;
    }
    for (uint32_t byte = 0; byte < 256; ++byte) {
        for (size_t k = 1; k < tables.size(); ++k) {
            uint32_t previous = tables[k - 1][byte];
            tables[k][byte] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

constexpr Tables kTables = MakeTables();

inline uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (; size >= 8; data += 8, size -= 8) {
        uint32_t low = crc ^ Le32(data);
        uint32_t high = Le32(data + 4);
        crc = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^
              kTables[5][(low >> 16) & 0xFFu] ^ kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^
              kTables[2][(high >> 8) & 0xFFu] ^ kTables[1][(high >> 16) & 0xFFu] ^
              kTables[0][high >> 24];
    }
    for (; size > 0; ++data, --size) crc = (crc >> 8) ^ kTables[0][(crc ^ *data) & 0xFFu];
    return crc ^ 0xFFFFFFFFu;
}
