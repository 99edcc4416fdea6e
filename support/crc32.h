// CRC-32 as zlib, PNG and ZIP compute it (ISO 3309 polynomial, reflected, initial and
// final XOR 0xFFFFFFFF). Portable.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t Crc32(const uint8_t* data, size_t size);
