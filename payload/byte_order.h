// Little-endian fields, as the SZDD header, the payload trailer and the PE headers store
// them, and the bounds check every read of a file's own offsets needs. Byte by byte, so
// neither alignment nor the host's byte order matters. Portable.
#pragma once

#include <cstdint>

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void WriteLe32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

// Whether `count` bytes at `offset` lie inside an image of `length` bytes (no overflow,
// whatever offsets a damaged or hostile file holds).
inline bool Inside(uint64_t offset, uint64_t count, uint64_t length) {
    return offset <= length && count <= length - offset;
}

// The PE headers' landmarks that both their readers use: where e_lfanew lies and the
// optional header's magic of a 32-bit and a 64-bit image.
constexpr uint64_t kLfanewOffset = 0x3C;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
