// Finding and decoding the version record, and the texts made from it.
#include "version/version_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/product_file.h"

namespace {

uint32_t Find(const std::vector<uint8_t>& data) {
    return FindVersionRecord(data.data(), static_cast<uint32_t>(data.size()));
}

VersionRecord Decode(const std::vector<uint8_t>& data, bool allFields = true) {
    VersionRecord record;
    uint32_t position = Find(data);
    EXPECT_NE(0u, position);
    DecodeVersionRecord(data.data(), position, allFields, &record);
    return record;
}

TEST(FindVersionRecord, FindsTheMarkerWhereverItLies) {
    for (uint32_t offset : {1u, 2u, 1000u, 4095u, 70000u}) {
        EXPECT_EQ(offset, Find(MakeProductFile(offset + 500, offset, RecordFields()))) << offset;
    }
}

TEST(FindVersionRecord, PositionZeroIsNeverExamined) {
    EXPECT_EQ(0u, Find(MakeProductFile(1000, 0, RecordFields())));
}

TEST(FindVersionRecord, ShortDataHoldNoRecord) {
    for (uint32_t size : {0u, 1u, 100u, 101u}) {
        EXPECT_EQ(0u, Find(MakeFileWithoutRecord(size))) << size;
    }
    EXPECT_EQ(0u, Find(MakeFileWithoutRecord(100000)));
}

TEST(FindVersionRecord, WrongCheckByteIsSkippedAndALaterMarkerFound) {
    std::vector<uint8_t> data = MakeProductFile(3000, 100, RecordFields());
    data[100 + kCheckByteOffset] = 0x70;
    EXPECT_EQ(0u, Find(data));
    PlaceRecord(data, 2000, RecordFields());
    EXPECT_EQ(2000u, Find(data));
}

TEST(FindVersionRecord, PartialMarkerDoesNotMatch) {
    std::vector<uint8_t> data = MakeProductFile(3000, 1000, RecordFields());
    // A copy of all but the last marker letter just before the real record.
    std::memcpy(&data[500], kRecordMarker, kRecordMarkerLength - 1);
    data[500 + kCheckByteOffset] = kRecordCheckByte;
    EXPECT_EQ(1000u, Find(data));
}

TEST(FindVersionRecord, EarlierOfTwoMarkersWins) {
    RecordFields first, second;
    first.build = 11;
    second.build = 22;
    std::vector<uint8_t> data = MakeProductFile(5000, 3000, second);
    PlaceRecord(data, 200, first);
    EXPECT_EQ(200u, Find(data));
    EXPECT_EQ(11, Decode(data).build);
}

TEST(FindVersionRecord, RecordAtTheVeryEndOfTheData) {
    // The check byte is the last byte of the data.
    std::vector<uint8_t> data = MakeProductFile(1000, 1000 - kRecordSpan, RecordFields());
    EXPECT_EQ(1000u - kRecordSpan, Find(data));

    // One byte fewer: the marker still lies within the search bound, but its check byte
    // would lie beyond the data; it is no record and nothing past the end is read.
    std::vector<uint8_t> cut(data.begin(), data.end() - 1);
    std::vector<uint8_t> exact(cut);  // a heap block of exactly the data's size
    EXPECT_EQ(0u, FindVersionRecord(exact.data(), static_cast<uint32_t>(exact.size())));

    // A marker as late as the search bound allows.
    std::vector<uint8_t> late = MakeFileWithoutRecord(1000);
    std::memcpy(&late[899], kRecordMarker, kRecordMarkerLength);
    EXPECT_EQ(0u, Find(late));
}

TEST(DecodeVersionRecord, UnmasksEveryField) {
    RecordFields fields;
    fields.versionText = "6.10.3";
    fields.editionText = "R2A.pl";
    fields.build = -123456;
    fields.hour = 23;
    fields.minute = 59;
    fields.second = 58;
    fields.hundredths = 99;
    fields.dateChars = "991231";
    VersionRecord record = Decode(MakeProductFile(4000, 777, fields));
    EXPECT_STREQ("6.10.3", record.versionText);
    EXPECT_STREQ("R2A.pl", record.editionText);
    EXPECT_EQ(-123456, record.build);
    EXPECT_EQ(23, record.hour);
    EXPECT_EQ(59, record.minute);
    EXPECT_EQ(58, record.second);
    EXPECT_EQ(99, record.hundredths);
    EXPECT_EQ(0, std::memcmp("991231", record.dateChars, 6));
}

TEST(DecodeVersionRecord, TextsWithoutTerminatorsKeepTheirWholeWidth) {
    RecordFields fields;
    fields.versionText = "ABCDEFGHIJKLMNO";               // 15 bytes, no NUL
    fields.editionText = "abcdefghijklmnopqrstuvwxyz01";  // 28 bytes, no NUL
    VersionRecord record = Decode(MakeProductFile(2000, 10, fields));
    EXPECT_STREQ("ABCDEFGHIJKLMNO", record.versionText);
    EXPECT_STREQ("abcdefghijklmnopqrstuvwxyz01", record.editionText);
}

TEST(DecodeVersionRecord, CarriedCopyDecodesOnlyBuildAndTime) {
    RecordFields fields;
    fields.build = 4242;
    VersionRecord record = Decode(MakeProductFile(2000, 10, fields), false);
    EXPECT_STREQ("", record.versionText);
    EXPECT_STREQ("", record.editionText);
    EXPECT_EQ(4242, record.build);
    EXPECT_EQ(9, record.hour);
}

TEST(IsKwilEditionText, OnlyR2ACutAtNulOrDot) {
    struct Case {
        const char* text;
        bool kwil;
    } const cases[] = {
        {"R2A", true}, {"R2A.", true}, {"R2A.x", true}, {"R2AB", false}, {"r2a", false},
        {"R2", false}, {"", false},    {".R2A", false}, {"R2A ", false}, {"ZRP", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.kwil, IsKwilEditionText(c.text)) << c.text;
}

TEST(FormatProductionTime, ShowsDateAndTwoDigitTimeParts) {
    struct Case {
        const char* date;
        uint8_t hour, minute, second, hundredths;
        const char* expected;
    } const cases[] = {
        {"150317", 9, 5, 7, 42, "2015.03.17  godz. 09:05.07,42"},
        {"150317", 7, 0, 0, 150, "2015.03.17  godz. 07:00.00,50"},
        {"991231", 123, 255, 100, 0, "2099.12.31  godz. 23:55.00,00"},
        {"0a1b2c", 0, 0, 0, 99, "200a.1b.2c  godz. 00:00.00,99"},
    };
    for (const Case& c : cases) {
        VersionRecord record = {};
        std::memcpy(record.dateChars, c.date, 6);
        record.hour = c.hour;
        record.minute = c.minute;
        record.second = c.second;
        record.hundredths = c.hundredths;
        EXPECT_STREQ(c.expected, FormatProductionTime(record));
    }
}

}  // namespace
