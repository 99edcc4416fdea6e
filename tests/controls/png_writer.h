// A minimal PNG encoder for test screenshots: 8-bit RGB, no filtering, the image data in
// stored (uncompressed) deflate blocks. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/crc32.h"  // PNG chunks end with a CRC-32

// Adler-32 as the zlib stream inside a PNG ends with it.
uint32_t Adler32(const uint8_t* data, size_t size);

// A whole PNG file of width x height pixels given row by row as 0x00RRGGBB values.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint32_t>& rgb);
