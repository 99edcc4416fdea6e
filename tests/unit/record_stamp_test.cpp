// Stamping a record into a program's record slot: where the slot must lie for the stamp to
// be taken, the exact bytes written, and every refusal leaving the file as it was.
#include "tests/support/record_stamp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "demo/product/record_slot.h"
#include "version/version_record.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutSlot(Bytes& file, uint32_t at) {
    std::memcpy(&file[at], kRecordSlotPlaceholder, kRecordSpan);
}

RecordFields PolishFields() {
    RecordFields fields;
    fields.versionText = "5.3 \xA3\xF3\x64\x9F";  // "5.3 Łódź" in code page 1250
    fields.editionText = "ZRP \xB9\xEA";          // "ZRP ąę"
    fields.build = 1250;
    fields.hour = 14;
    fields.minute = 30;
    fields.second = 5;
    fields.hundredths = 50;
    fields.dateChars = "261210";
    return fields;
}

TEST(StampRecordSlot, WritesExactlyTheRecordOverTheOneSlot) {
    struct Case {
        const char* name;
        uint32_t size;
        uint32_t slot;
    };
    const Case cases[] = {
        {"slot inside the file", 20000, 4096},
        {"slot right after the first byte", 1000, 1},
        {"slot ending the file", 1000, 1000 - kRecordSpan},
    };
    for (const Case& c : cases) {
        Bytes file = MakeFileWithoutRecord(c.size);
        PutSlot(file, c.slot);
        Bytes expected = file;
        PlaceRecord(expected, c.slot, PolishFields());

        StampResult result = StampRecordSlot(&file, PolishFields());
        EXPECT_EQ(StampOutcome::kStamped, result.outcome) << c.name;
        EXPECT_EQ(c.slot, result.slot) << c.name;
        EXPECT_EQ(c.slot, result.found) << c.name;
        EXPECT_TRUE(file == expected) << c.name;

        VersionRecord record;
        ASSERT_EQ(c.slot, FindVersionRecord(file.data(), static_cast<uint32_t>(file.size())));
        DecodeVersionRecord(file.data(), c.slot, true, &record);
        EXPECT_STREQ("5.3 \xA3\xF3\x64\x9F", record.versionText) << c.name;
        EXPECT_STREQ("ZRP \xB9\xEA", record.editionText) << c.name;
        EXPECT_EQ(1250, record.build) << c.name;
        EXPECT_STREQ("2026.12.10  godz. 14:30.05,50", FormatProductionTime(record)) << c.name;
    }
}

TEST(StampRecordSlot, RefusesAndLeavesTheFileAsItWas) {
    struct Case {
        const char* name;
        std::function<void(Bytes&)> prepare;
        StampOutcome outcome;
        uint32_t slot;
        uint32_t found;
    };
    const Case cases[] = {
        {"no slot", [](Bytes&) {}, StampOutcome::kNoSlot, 0, 0},
        {"a slot with one byte changed",
         [](Bytes& f) {
             PutSlot(f, 3000);
             f[3000 + 100] ^= 1;
         },
         StampOutcome::kNoSlot, 0, 0},
        {"a slot cut short by the end of the file",
         [](Bytes& f) {
             std::memcpy(&f[f.size() - kRecordSpan + 1], kRecordSlotPlaceholder, kRecordSpan - 1);
         },
         StampOutcome::kNoSlot, 0, 0},
        {"two slots",
         [](Bytes& f) {
             PutSlot(f, 3000);
             PutSlot(f, 7000);
         },
         StampOutcome::kSeveralSlots, 3000, 0},
        {"two slots side by side",
         [](Bytes& f) {
             PutSlot(f, 3000);
             PutSlot(f, 3000 + kRecordSpan);
         },
         StampOutcome::kSeveralSlots, 3000, 0},
        {"a record earlier in the file",
         [](Bytes& f) {
             PlaceRecord(f, 500, RecordFields());
             PutSlot(f, 3000);
         },
         StampOutcome::kShadowed, 3000, 500},
        {"a record right before the slot",
         [](Bytes& f) {
             PlaceRecord(f, 3000 - kRecordSpan, RecordFields());
             PutSlot(f, 3000);
         },
         StampOutcome::kShadowed, 3000, 3000 - kRecordSpan},
        {"a slot at the first byte, where readers never look", [](Bytes& f) { PutSlot(f, 0); },
         StampOutcome::kShadowed, 0, 0},
    };
    for (const Case& c : cases) {
        Bytes file = MakeFileWithoutRecord(10000);
        c.prepare(file);
        const Bytes before = file;
        StampResult result = StampRecordSlot(&file, PolishFields());
        EXPECT_EQ(c.outcome, result.outcome) << c.name;
        EXPECT_EQ(c.slot, result.slot) << c.name;
        EXPECT_EQ(c.found, result.found) << c.name;
        EXPECT_TRUE(file == before) << c.name;
    }
}

// A marker before the slot that is no record (its check byte is not 0x71) does not stop
// the stamp: the reader passes over it as the installer does.
TEST(StampRecordSlot, AnEarlierMarkerWithoutItsCheckByteIsNoRecord) {
    Bytes file = MakeFileWithoutRecord(10000);
    std::memcpy(&file[500], kRecordMarker, kRecordMarkerLength);
    PutSlot(file, 3000);
    StampResult result = StampRecordSlot(&file, PolishFields());
    EXPECT_EQ(StampOutcome::kStamped, result.outcome);
    EXPECT_EQ(3000u, result.found);
}

}  // namespace
