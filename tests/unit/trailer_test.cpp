// The payload layout: what the installer accepts as its own carrier, and what a packer
// must produce for it.
#include "payload/trailer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A whole installer image: `imageLength` bytes of program, three payload files of the
// given sizes (filled with recognisable bytes) and the trailer.
std::vector<uint8_t> MakeInstaller(uint32_t imageLength, uint32_t first, uint32_t second,
                                   uint32_t third) {
    std::vector<uint8_t> file(imageLength, 0x4D);
    file.insert(file.end(), first, 0xA1);
    file.insert(file.end(), second, 0xB2);
    file.insert(file.end(), third, 0xC3);
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(imageLength, first, second, third, trailer);
    file.insert(file.end(), trailer, trailer + kTrailerSize);
    return file;
}

PayloadReason Check(const std::vector<uint8_t>& file, PayloadTrailer* trailer = nullptr) {
    PayloadTrailer local;
    return CheckPayloadImage(file.data(), static_cast<uint32_t>(file.size()),
                             trailer ? trailer : &local);
}

TEST(PayloadTrailer, EncodesFieldsUnderTheirMasks) {
    uint8_t bytes[kTrailerSize];
    EncodeTrailer(0x00012345, 0x1000, 0x2000, 0x3500, bytes);
    // Field by field, little-endian: check word unmasked, the rest XOR their masks.
    const uint8_t expected[kTrailerSize] = {
        0x45, 0x26, 0x01, 0x00,  // 0x12345 ^ 0x1000 ^ 0x2000 ^ 0x3500 = 0x12645
        0x48, 0xC1, 0xA9, 0x63,  // 0x00012345 ^ 0x63A8E20D
        0x5B, 0xD1, 0xD4, 0x90,  // 0x1000 ^ 0x90D4C15B
        0x64, 0x2B, 0x7F, 0x2E,  // 0x2000 ^ 0x2E7F0B64
        0xE7, 0xA4, 0x3C, 0x5A,  // 0x3500 ^ 0x5A3C91E7
    };
    EXPECT_EQ(0, std::memcmp(expected, bytes, kTrailerSize));
    PayloadTrailer decoded = DecodeTrailer(bytes);
    EXPECT_EQ(0x12645u, decoded.trailerCheck);
    EXPECT_EQ(0x12345u, decoded.payloadStart);
    EXPECT_EQ(0x1000u, decoded.firstSize);
    EXPECT_EQ(0x2000u, decoded.secondSize);
    EXPECT_EQ(0x3500u, decoded.thirdSize);
}

struct LengthCase {
    uint32_t length;
    PayloadReason expected;
};

TEST(PayloadTrailer, LengthBoundsAreInclusive) {
    const LengthCase cases[] = {
        {0xFFFFFFFFu, kOwnFileUnreadable},
        {0, kInstallerTooShort},
        {999999, kInstallerTooShort},
        {1000000, kPayloadOk},
        {4000000, kPayloadOk},
        {4000001, kInstallerTooLong},
        {0xFFFFFFFEu, kInstallerTooLong},
    };
    for (const LengthCase& c : cases) {
        EXPECT_EQ(c.expected, CheckInstallerLength(c.length)) << c.length;
    }
}

TEST(PayloadTrailer, WholeFilesAtAndAcrossTheBounds) {
    // Image sizes chosen so that the finished files are exactly the bound or one past it.
    EXPECT_EQ(kInstallerTooShort, Check(MakeInstaller(999999 - 20 - 300, 100, 100, 100)));
    EXPECT_EQ(kPayloadOk, Check(MakeInstaller(1000000 - 20 - 300, 100, 100, 100)));
    EXPECT_EQ(kPayloadOk, Check(MakeInstaller(4000000 - 20 - 300, 100, 100, 100)));
    EXPECT_EQ(kInstallerTooLong, Check(MakeInstaller(4000001 - 20 - 300, 100, 100, 100)));
}

TEST(PayloadTrailer, SoundFileDecodesItsRegions) {
    std::vector<uint8_t> file = MakeInstaller(600000, 150000, 0, 249980);
    ASSERT_EQ(1000000u, file.size());
    PayloadTrailer trailer;
    ASSERT_EQ(kPayloadOk, Check(file, &trailer));
    EXPECT_EQ(600000u, trailer.payloadStart);
    EXPECT_EQ(150000u, trailer.firstSize);
    EXPECT_EQ(0u, trailer.secondSize);  // an empty region is valid
    EXPECT_EQ(249980u, trailer.thirdSize);
    EXPECT_EQ(0xA1, file[trailer.payloadStart]);
    EXPECT_EQ(0xC3, file[trailer.payloadStart + trailer.firstSize + trailer.secondSize]);
}

TEST(PayloadTrailer, WrongCheckWordWinsOverARightSum) {
    std::vector<uint8_t> file = MakeInstaller(700000, 100000, 100000, 99980);
    file[file.size() - 20] ^= 0x01;  // check word only; the fields still add up
    EXPECT_EQ(kTrailerCheckMismatch, Check(file));
}

TEST(PayloadTrailer, SumRightOnlyModulo2To32IsRejected) {
    // Fields whose true sum is L + 2^32: a 32-bit sum would wrap to L and accept them.
    const uint32_t length = 1000000;
    std::vector<uint8_t> file(length, 0);
    const uint32_t start = 0x80000000u, first = 0x7FFFFFFFu, second = 1;
    const uint32_t third = length - kTrailerSize;  // start + first + second wraps to 0
    ASSERT_EQ(length, static_cast<uint32_t>(start + first + second + third + kTrailerSize));
    EncodeTrailer(start, first, second, third, file.data() + length - kTrailerSize);
    PayloadTrailer trailer = DecodeTrailer(file.data() + length - kTrailerSize);
    EXPECT_EQ(TrailerCheckOf(trailer), trailer.trailerCheck);  // the check word is right
    EXPECT_EQ(kTrailerSumMismatch, Check(file));
}

TEST(PayloadTrailer, SumOffByOneIsRejected) {
    std::vector<uint8_t> file(1000000, 0);
    EncodeTrailer(500000, 100000, 100000, 299981, file.data() + file.size() - kTrailerSize);
    EXPECT_EQ(kTrailerSumMismatch, Check(file));
}

TEST(PayloadTrailer, ByteAppendedOrRemovedMovesTheTrailerWindow) {
    const std::vector<uint8_t> sound = MakeInstaller(800000, 100000, 100000, 99980);
    ASSERT_EQ(kPayloadOk, Check(sound));

    std::vector<uint8_t> appended = sound;
    appended.push_back(0x00);
    PayloadReason reason = Check(appended);
    EXPECT_TRUE(reason == kTrailerCheckMismatch || reason == kTrailerSumMismatch) << reason;

    std::vector<uint8_t> removed = sound;
    removed.pop_back();
    reason = Check(removed);
    EXPECT_TRUE(reason == kTrailerCheckMismatch || reason == kTrailerSumMismatch) << reason;
}

// Filler below the minimum, and up to 7 bytes so that the file's length is a multiple of 8.
TEST(PayloadPlan, AddsFillerBelowTheMinimumAndToAMultipleOf8) {
    const uint64_t small[kPayloadFileCount] = {1000, 2000, 3000};
    PayloadPlan plan;
    ASSERT_TRUE(PlanPayload(50000, small, &plan));
    EXPECT_EQ(1000000u, plan.totalLength);
    EXPECT_EQ(1000000u - 50000 - 6000 - 20, plan.fillerLength);
    EXPECT_EQ(50000u + plan.fillerLength, plan.payloadStart);

    const uint64_t large[kPayloadFileCount] = {500000, 400000, 300000};
    ASSERT_TRUE(PlanPayload(50000, large, &plan));
    EXPECT_EQ(4u, plan.fillerLength);
    EXPECT_EQ(50004u, plan.payloadStart);
    EXPECT_EQ(1250024u, plan.totalLength);
    struct Case {
        uint64_t image;
        uint64_t filler;
        uint64_t total;
    } const cases[] = {
        {50003, 1, 1250024}, {50004, 0, 1250024}, {50005, 7, 1250032}, {50011, 1, 1250032}};
    for (const Case& c : cases) {
        ASSERT_TRUE(PlanPayload(c.image, large, &plan));
        EXPECT_EQ(c.filler, plan.fillerLength) << c.image;
        EXPECT_EQ(c.total, plan.totalLength) << c.image;
    }
}

// Room reserved for the integrity block is always there, and counts towards the minimum.
TEST(PayloadPlan, ReservedRoomIsPartOfTheFiller) {
    struct Case {
        uint64_t image;
        uint64_t sizes[kPayloadFileCount];
        uint64_t filler;
        uint64_t total;
    } const cases[] = {
        {50000, {1000, 2000, 3000}, 1000000 - 50000 - 6000 - 20, 1000000},
        {50000, {500000, 400000, 300000}, 28, 1250048},
        // One byte short of the minimum without the room: the room alone fills it.
        {1000000 - 6000 - 20 - 28 - 1, {1000, 2000, 3000}, 29, 1000000},
        {1000000 - 6000 - 20 - 28, {1000, 2000, 3000}, 28, 1000000},
        {1000000 - 6000 - 20 - 27, {1000, 2000, 3000}, 35, 1000008},
    };
    for (const Case& c : cases) {
        PayloadPlan plan;
        ASSERT_TRUE(PlanPayload(c.image, c.sizes, &plan, 28)) << c.image;
        EXPECT_EQ(c.filler, plan.fillerLength) << c.image;
        EXPECT_EQ(c.image + c.filler, plan.payloadStart) << c.image;
        EXPECT_EQ(c.total, plan.totalLength) << c.image;
    }
    const uint64_t full[kPayloadFileCount] = {1000000, 1000000, 1000000 - 20 - 28};
    PayloadPlan plan;
    EXPECT_TRUE(PlanPayload(1000000, full, &plan, 28));
    const uint64_t over[kPayloadFileCount] = {1000000, 1000000, 1000000 - 20 - 27};
    EXPECT_FALSE(PlanPayload(1000000, over, &plan, 28));
    EXPECT_EQ(1u, plan.excessLength);
}

TEST(PayloadPlan, ReportsTheExcessOverTheMaximum) {
    const uint64_t exact[kPayloadFileCount] = {1000000, 1000000, 1000000 - 20};
    PayloadPlan plan;
    ASSERT_TRUE(PlanPayload(1000000, exact, &plan));
    EXPECT_EQ(4000000u, plan.totalLength);

    const uint64_t over[kPayloadFileCount] = {1000000, 1000000, 1000000 - 19};
    EXPECT_FALSE(PlanPayload(1000000, over, &plan));
    EXPECT_EQ(1u, plan.excessLength);
}

TEST(PayloadPlan, PlannedFileIsAcceptedByTheReader) {
    // The packer's plan and the reader's rules share one definition of the layout.
    const uint64_t sizes[kPayloadFileCount] = {12345, 0, 6789};
    PayloadPlan plan;
    ASSERT_TRUE(PlanPayload(40000, sizes, &plan));
    std::vector<uint8_t> file(plan.totalLength, 0);
    EncodeTrailer(static_cast<uint32_t>(plan.payloadStart), 12345, 0, 6789,
                  file.data() + file.size() - kTrailerSize);
    PayloadTrailer trailer;
    EXPECT_EQ(kPayloadOk, Check(file, &trailer));
    EXPECT_EQ(plan.payloadStart, trailer.payloadStart);
}

}  // namespace
