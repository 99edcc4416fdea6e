// The integrity block: found only where it belongs and only when it is whole, and then
// naming the first compressed file whose bytes changed.
#include "payload/integrity_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/crc32.h"

namespace {

// An installer image in miniature: a program, a gap, three files, a trailer.
struct Image {
    std::vector<uint8_t> bytes;
    PayloadTrailer trailer = {};
    uint32_t fileStart[kPayloadFileCount] = {};
};

Image MakeImage(uint32_t programLength, const std::vector<uint8_t>& gap) {
    Image image;
    const uint32_t sizes[kPayloadFileCount] = {3001, 1, 4096};
    image.bytes.assign(programLength, 'P');
    image.bytes.insert(image.bytes.end(), gap.begin(), gap.end());
    uint32_t state = 7;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        image.fileStart[i] = static_cast<uint32_t>(image.bytes.size());
        for (uint32_t b = 0; b < sizes[i]; ++b) {
            state = state * 1103515245u + 12345u;
            image.bytes.push_back(static_cast<uint8_t>(state >> 16));
        }
    }
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(image.fileStart[0], sizes[0], sizes[1], sizes[2], trailer);
    image.bytes.insert(image.bytes.end(), trailer, trailer + kTrailerSize);
    image.trailer = DecodeTrailer(trailer);
    return image;
}

std::vector<uint8_t> BlockFor(const Image& image) {
    const uint32_t sizes[kPayloadFileCount] = {image.trailer.firstSize, image.trailer.secondSize,
                                               image.trailer.thirdSize};
    uint32_t crcs[kPayloadFileCount];
    for (int i = 0; i < kPayloadFileCount; ++i) {
        crcs[i] = Crc32(image.bytes.data() + image.fileStart[i], sizes[i]);
    }
    auto block = EncodeIntegrityBlock(crcs);
    return std::vector<uint8_t>(block.begin(), block.end());
}

// An image whose gap holds the right block for its files.
Image WithBlock(uint32_t programLength = 500) {
    Image draft = MakeImage(programLength, std::vector<uint8_t>(kIntegrityBlockSize, 0));
    std::vector<uint8_t> block = BlockFor(draft);
    std::memcpy(&draft.bytes[draft.trailer.payloadStart - kIntegrityBlockSize], block.data(),
                block.size());
    return draft;
}

// The check, and the cheap look for a block that the installer takes first, which must
// agree with it on every image.
IntegrityCheck Check(const Image& image) {
    const uint32_t length = static_cast<uint32_t>(image.bytes.size());
    IntegrityCheck check = CheckIntegrity(image.bytes.data(), length, image.trailer);
    EXPECT_EQ(check.present, HasIntegrityBlock(image.bytes.data(), length, image.trailer));
    return check;
}

}  // namespace

TEST(Crc32, KnownValues) {
    const std::string check = "123456789";
    EXPECT_EQ(0xCBF43926u, Crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()));
    EXPECT_EQ(0u, Crc32(nullptr, 0));
}

// The CRC is taken eight bytes a step: every length around the step, from every alignment,
// must give what the definition gives a bit at a time.
TEST(Crc32, EveryLengthAndAlignmentAgreesWithTheBitwiseDefinition) {
    auto bitwise = [](const uint8_t* data, size_t size) {
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t i = 0; i < size; ++i) {
            crc ^= data[i];
            for (int bit = 0; bit < 8; ++bit) crc = crc & 1u ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        return crc ^ 0xFFFFFFFFu;
    };
    std::vector<uint8_t> bytes(4096 + 16);
    uint32_t state = 12345;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    for (size_t start = 0; start < 8; ++start) {
        for (size_t size :
             {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{15}, size_t{16},
              size_t{17}, size_t{63}, size_t{64}, size_t{65}, size_t{4096}}) {
            EXPECT_EQ(bitwise(bytes.data() + start, size), Crc32(bytes.data() + start, size))
                << "from " << start << ", " << size << " bytes";
        }
    }
}

TEST(IntegrityBlock, LayoutIsMagicVersionThreeCrcsAndItsOwnCrc) {
    const uint32_t crcs[kPayloadFileCount] = {0x11223344u, 0xA5A5A5A5u, 0u};
    auto block = EncodeIntegrityBlock(crcs);
    const uint8_t expectedStart[24] = {'t',  'V',  'i',  's',  'I',  'n',  't',  'g',  1, 0, 0, 0,
                                       0x44, 0x33, 0x22, 0x11, 0xA5, 0xA5, 0xA5, 0xA5, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expectedStart, block.data(), 24));
    uint32_t own = Crc32(block.data(), 24);
    EXPECT_EQ(own, static_cast<uint32_t>(block[24] | block[25] << 8 | block[26] << 16 |
                                         static_cast<uint32_t>(block[27]) << 24));
}

TEST(IntegrityBlock, WholeBlockAndIntactFilesPass) {
    Image image = WithBlock();
    IntegrityCheck check = Check(image);
    EXPECT_TRUE(check.present);
    EXPECT_EQ(-1, check.damagedFile);
    for (int i = 0; i < kPayloadFileCount; ++i) EXPECT_EQ(check.expected[i], check.actual[i]);
}

TEST(IntegrityBlock, OneFlippedBitNamesItsFile) {
    const Image intact = WithBlock();
    const uint32_t sizes[kPayloadFileCount] = {intact.trailer.firstSize, intact.trailer.secondSize,
                                               intact.trailer.thirdSize};
    for (int file = 0; file < kPayloadFileCount; ++file) {
        for (uint32_t at : {0u, sizes[file] / 2, sizes[file] - 1}) {
            for (int bit : {0, 7}) {
                Image image = intact;
                image.bytes[image.fileStart[file] + at] ^= static_cast<uint8_t>(1 << bit);
                IntegrityCheck check = Check(image);
                EXPECT_TRUE(check.present);
                EXPECT_EQ(file, check.damagedFile) << "byte " << at << " bit " << bit;
            }
        }
    }
}

TEST(IntegrityBlock, SeveralDamagedFilesNameTheFirst) {
    Image image = WithBlock();
    image.bytes[image.fileStart[2]] ^= 1;
    image.bytes[image.fileStart[1]] ^= 1;
    EXPECT_EQ(1, Check(image).damagedFile);
}

// Anything else in the gap, or a block that is not whole, is no block: such installers
// are read as they always were.
TEST(IntegrityBlock, GapWithoutAWholeBlockIsNoBlock) {
    const Image intact = WithBlock();
    const uint32_t blockAt = intact.trailer.payloadStart - kIntegrityBlockSize;
    struct Case {
        const char* what;
        uint32_t offset;  // within the block
        uint8_t flip;
    };
    const Case cases[] = {
        {"magic", 0, 0x20},
        {"magic's last byte", 7, 1},
        {"version", 8, 1},
        {"a recorded CRC", 12, 1},
        {"the last CRC", 20, 0x80},
        {"its own CRC", 24, 1},
        {"its own CRC's top", 27, 0x80},
    };
    for (const Case& c : cases) {
        Image image = intact;
        image.bytes[blockAt + c.offset] ^= c.flip;
        IntegrityCheck check = Check(image);
        EXPECT_FALSE(check.present) << c.what;
        EXPECT_EQ(-1, check.damagedFile) << c.what;
    }
    EXPECT_FALSE(Check(MakeImage(500, {})).present) << "no gap";
    EXPECT_FALSE(Check(MakeImage(500, std::vector<uint8_t>(4000, 0))).present) << "zero filler";
    EXPECT_FALSE(Check(MakeImage(0, std::vector<uint8_t>(20, 'x'))).present) << "start < block";
}

TEST(IntegrityBlock, BlockOnlyCountsWhereThePayloadStarts) {
    // A whole block one byte earlier, with a zero between it and the payload.
    Image draft = MakeImage(500, std::vector<uint8_t>(kIntegrityBlockSize + 1, 0));
    std::vector<uint8_t> block = BlockFor(draft);
    std::memcpy(&draft.bytes[draft.trailer.payloadStart - kIntegrityBlockSize - 1], block.data(),
                block.size());
    EXPECT_FALSE(Check(draft).present);
}

TEST(IntegrityBlock, VersionOtherThanOneIsNotReadEvenWithAMatchingOwnCrc) {
    Image image = WithBlock();
    uint8_t* block = &image.bytes[image.trailer.payloadStart - kIntegrityBlockSize];
    block[8] = 2;
    uint32_t own = Crc32(block, 24);
    for (int i = 0; i < 4; ++i) block[24 + i] = static_cast<uint8_t>(own >> (8 * i));
    EXPECT_FALSE(Check(image).present);
}
