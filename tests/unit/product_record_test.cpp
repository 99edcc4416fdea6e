// What the demo reports of an installed product file: the record read from the file and
// told in UTF-8, and whether two records name the same build.
#include "demo/driver/product_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/product_file.h"

namespace {

RecordFields Installed() {
    RecordFields fields;
    fields.versionText =
        "5.2 \xA3\xF3"
        "d\x9F";  // "5.2 Łódź" in code page 1250
    fields.build = 1187;
    fields.dateChars = "250611";
    fields.hour = 9;
    fields.minute = 15;
    fields.second = 0;
    fields.hundredths = 0;
    return fields;
}

VersionRecord Decoded(const RecordFields& fields) {
    std::vector<uint8_t> file = MakeProductFile(4096, 1000, fields);
    VersionRecord record = {};
    DecodeVersionRecord(file.data(), FindVersionRecord(file.data(), 4096), true, &record);
    return record;
}

class ProductFileOnDisk : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }
    void Write(const std::vector<uint8_t>& bytes) {
        FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, out);
        // An empty vector's data() may be null, which fwrite must not be given.
        if (!bytes.empty()) {
            ASSERT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), out));
        }
        std::fclose(out);
    }
    // ctest runs each test in its own process at the same time as the others, so two tests of
    // this fixture must never share a file: one would find the other's file "not written yet".
    std::string path = ::testing::TempDir() + "product_record_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                       std::to_string(std::random_device{}()) + ".bin";
};

}  // namespace

TEST(DescribeRecord, TellsVersionInUtf8GroupedBuildAndProductionTime) {
    EXPECT_EQ("5.2 Łódź, build 1.187, 2025.06.11  godz. 09:15.00,00",
              DescribeRecord(Decoded(Installed())));
}

TEST_F(ProductFileOnDisk, RecordIsReadWhereverItLies) {
    RecordFields fields = Installed();
    fields.build = 1250;
    Write(MakeProductFile(300000, 250000, fields));
    VersionRecord record = {};
    ASSERT_TRUE(ReadProductRecord(path, &record));
    EXPECT_EQ(1250, record.build);
    EXPECT_STREQ(
        "5.2 \xA3\xF3"
        "d\x9F",
        record.versionText);
}

TEST_F(ProductFileOnDisk, FileWithoutRecordOrMissingIsNoRecord) {
    VersionRecord record = {};
    EXPECT_FALSE(ReadProductRecord(path, &record));  // not written yet
    Write(MakeFileWithoutRecord(5000));
    EXPECT_FALSE(ReadProductRecord(path, &record));
    Write({});
    EXPECT_FALSE(ReadProductRecord(path, &record));
}

TEST(SameBuild, OnlyTheSameBuildNumberDateAndTimeAreTheSameBuild) {
    const VersionRecord base = Decoded(Installed());
    struct Case {
        const char* change;
        void (*apply)(RecordFields&);
        bool same;
    };
    const Case cases[] = {
        {"nothing", [](RecordFields&) {}, true},
        {"the version text", [](RecordFields& f) { f.versionText = "5.3"; }, true},
        {"the edition", [](RecordFields& f) { f.editionText = "R2A"; }, true},
        {"the build", [](RecordFields& f) { f.build = 1188; }, false},
        {"the date", [](RecordFields& f) { f.dateChars = "250612"; }, false},
        {"the hour", [](RecordFields& f) { f.hour = 10; }, false},
        {"the minute", [](RecordFields& f) { f.minute = 16; }, false},
        {"the second", [](RecordFields& f) { f.second = 1; }, false},
        {"the hundredths", [](RecordFields& f) { f.hundredths = 1; }, false},
    };
    for (const Case& c : cases) {
        RecordFields fields = Installed();
        c.apply(fields);
        EXPECT_EQ(c.same, SameBuild(base, Decoded(fields))) << "changed: " << c.change;
    }
}
