// The screenshot encoder against values worked out with Python's zlib and the checksums'
// published test values.
#include "tests/controls/png_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(PngWriter, ChecksumsMatchKnownValues) {
    const char* iend = "IEND";
    EXPECT_EQ(0xAE426082u, Crc32(reinterpret_cast<const uint8_t*>(iend), 4));
    const char* word = "Wikipedia";
    EXPECT_EQ(0x11E60398u, Adler32(reinterpret_cast<const uint8_t*>(word), std::strlen(word)));
    EXPECT_EQ(1u, Adler32(nullptr, 0));
}

TEST(PngWriter, TwoByTwoImageByteForByte) {
    const std::vector<uint8_t> expected = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00,
        0x00, 0xFD, 0xD4, 0x9A, 0x73, 0x00, 0x00, 0x00, 0x19, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x01, 0x01, 0x0E, 0x00, 0xF1, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00,
        0x00, 0x00, 0xFF, 0x12, 0x34, 0x56, 0x1A, 0xE8, 0x03, 0x9A, 0xE5, 0x0E, 0x42, 0xA4,
        0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    EXPECT_EQ(expected, EncodePng(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}));
}

TEST(PngWriter, LargeImageSplitsIntoStoredBlocks) {
    // 30000 x 1 pixels: 90001 bytes of image data, more than one stored block holds.
    std::vector<uint32_t> pixels(30000, 0x808080);
    std::vector<uint8_t> png = EncodePng(30000, 1, pixels);
    const size_t idat = 8 + 25;  // signature, IHDR chunk
    ASSERT_EQ(0, std::memcmp(png.data() + idat + 4, "IDAT", 4));
    const uint8_t* block = png.data() + idat + 8 + 2;  // chunk header, zlib header
    EXPECT_EQ(0, block[0]);                            // not the last block
    EXPECT_EQ(65535, block[1] | block[2] << 8);
    block += 5 + 65535;
    EXPECT_EQ(1, block[0]);  // the last block
    EXPECT_EQ(90001 - 65535, block[1] | block[2] << 8);
    EXPECT_EQ(0xFFFF, (block[1] | block[2] << 8) ^ (block[3] | block[4] << 8));
    EXPECT_EQ(png.size(), idat + 12 + 2 + 2 * 5 + 90001 + 4 + 12);
}

}  // namespace
