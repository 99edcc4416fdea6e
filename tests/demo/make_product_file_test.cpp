// The real make_product_file binary on temporary files (native build): the texts it writes
// in code page 1250 and refuses when they cannot be, and --into, which writes a record
// into a program's record slot or refuses and leaves the file as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "demo/product/record_slot.h"
#include "tests/codec/native_files.h"
#include "tests/support/product_file.h"
#include "version/version_record.h"

#ifndef MAKE_PRODUCT_FILE_PATH
#error "MAKE_PRODUCT_FILE_PATH must name the make_product_file binary"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// "5.3 Łódź" in UTF-8 and in code page 1250.
const std::string kLodzUtf8 =
    "5.3 \xC5\x81\xC3\xB3"
    "d\xC5\xBA";
const std::string kLodzCp1250 =
    "5.3 \xA3\xF3"
    "d\x9F";

class MakeProductFileTool : public ::testing::Test {
protected:
    int Run(const std::string& args) {
        return RunCommand(Quote(MAKE_PRODUCT_FILE_PATH) + " " + args, &output);
    }

    // A program file with a record slot at `slot` (none when 0) and filler around it.
    std::string ProgramWithSlot(uint32_t size, uint32_t slot) {
        Bytes file = MakeFileWithoutRecord(size);
        if (slot != 0) std::memcpy(&file[slot], kRecordSlotPlaceholder, kRecordSpan);
        std::string path = dir.File("tVisLV.exe");
        EXPECT_TRUE(WriteBytes(path, file));
        return path;
    }

    static VersionRecord RecordOf(const Bytes& file, uint32_t expectedAt) {
        VersionRecord record = {};
        uint32_t at = FindVersionRecord(file.data(), static_cast<uint32_t>(file.size()));
        EXPECT_EQ(expectedAt, at);
        if (at != 0) DecodeVersionRecord(file.data(), at, true, &record);
        return record;
    }

    NativeTempFolder dir;
    std::string output;
};

TEST_F(MakeProductFileTool, WritesAStandInFileWithTextsInCodePage1250) {
    std::string out = dir.File("qelMapE.dll");
    ASSERT_EQ(0, Run(Quote(out) + " --size 9000 --offset 3000 --version " + Quote(kLodzUtf8) +
                     " --edition " + Quote("ZRP \xC4\x85\xC4\x99") +
                     " --build -1250 --date 261210 --time 14:30:05.50"))
        << output;
    RecordFields expected;
    expected.versionText = kLodzCp1250;
    expected.editionText = "ZRP \xB9\xEA";
    expected.build = -1250;
    expected.hour = 14;
    expected.minute = 30;
    expected.second = 5;
    expected.hundredths = 50;
    expected.dateChars = "261210";
    EXPECT_TRUE(ReadBytes(out) == MakeProductFile(9000, 3000, expected));
    EXPECT_EQ("", output);
}

// The limits hold for the converted texts: a Polish letter takes two bytes of UTF-8 but
// one in the record.
TEST_F(MakeProductFileTool, TextsFitTheirFieldsAfterConversion) {
    struct Case {
        const char* name;
        std::string option;
        std::string utf8;
        std::string cp1250;  // empty: refused
    };
    const std::string polish15 =
        "\xC4\x85\xC4\x99\xC5\x9B\xC5\xBC\xC5\xBA\xC4\x87\xC5\x84\xC3"
        "\xB3\xC5\x82\xC4\x84\xC4\x98\xC5\x9A\xC5\xBB\xC5\xB9\xC4\x86";
    const std::string cp1250_15 = "\xB9\xEA\x9C\xBF\x9F\xE6\xF1\xF3\xB3\xA5\xCA\x8C\xAF\x8F\xC6";
    const Case cases[] = {
        {"15 Polish letters: 30 bytes of UTF-8, 15 in the record", "--version", polish15,
         cp1250_15},
        {"16 letters", "--version", polish15 + "x", ""},
        {"28-byte edition", "--edition", std::string(26, 'E') + "\xC5\x81\xC5\x81",
         std::string(26, 'E') + "\xA3\xA3"},
        {"29-byte edition", "--edition", std::string(27, 'E') + "\xC5\x81\xC5\x81", ""},
    };
    for (const Case& c : cases) {
        std::string out = dir.File("fit.dll");
        int status = Run(Quote(out) + " " + c.option + " " + Quote(c.utf8));
        if (c.cp1250.empty()) {
            EXPECT_EQ(1, status) << c.name;
            EXPECT_NE(std::string::npos, output.find("more than the")) << c.name << output;
            EXPECT_FALSE(FileExists(out)) << c.name;
            continue;
        }
        ASSERT_EQ(0, status) << c.name << output;
        VersionRecord record = RecordOf(ReadBytes(out), 4096);
        EXPECT_EQ(c.cp1250, c.option == "--version" ? record.versionText : record.editionText)
            << c.name;
        std::remove(out.c_str());
    }
}

TEST_F(MakeProductFileTool, RefusesTextsThatCodePage1250CannotHold) {
    struct Case {
        const char* name;
        std::string option;
        std::string utf8;
    };
    const Case cases[] = {
        {"invalid UTF-8", "--version", "5.3 \xC5"},
        {"an overlong form", "--edition", "\xC0\xAE"},
        {"n with tilde", "--version",
         "Espa\xC3\xB1"
         "a"},
        {"a CJK character", "--edition", "\xE6\x97\xA5"},
    };
    for (const Case& c : cases) {
        for (const char* mode : {"new", "into"}) {
            bool into = std::strcmp(mode, "into") == 0;
            std::string file = into ? ProgramWithSlot(5000, 2000) : dir.File("bad.dll");
            Bytes before = ReadBytes(file);
            EXPECT_EQ(1, Run((into ? "--into " : "") + Quote(file) + " " + c.option + " " +
                             Quote(c.utf8)))
                << c.name << " " << mode;
            EXPECT_NE(std::string::npos, output.find(c.option + " \"")) << c.name << output;
            EXPECT_NE(std::string::npos, output.find("cannot be written in code page 1250"))
                << c.name << output;
            EXPECT_TRUE(ReadBytes(file) == before) << c.name << " " << mode;
            EXPECT_EQ(into, FileExists(file)) << c.name << " " << mode;
        }
    }
}

TEST_F(MakeProductFileTool, IntoWritesTheRecordOverTheSlotAndNothingElse) {
    std::string program = ProgramWithSlot(30000, 12345);
    RecordFields expected;
    expected.versionText = kLodzCp1250;
    expected.editionText = "R2A";
    expected.build = 1250;
    expected.dateChars = "261210";
    Bytes stamped = ReadBytes(program);
    PlaceRecord(stamped, 12345, expected);

    ASSERT_EQ(0, Run("--into " + Quote(program) + " --version " + Quote(kLodzUtf8) +
                     " --edition R2A --build 1250 --date 261210"))
        << output;
    Bytes after = ReadBytes(program);
    EXPECT_TRUE(after == stamped);
    EXPECT_STREQ(kLodzCp1250.c_str(), RecordOf(after, 12345).versionText);
    EXPECT_EQ("", output);

    // The slot is gone: a second stamp finds none and changes nothing.
    EXPECT_EQ(1, Run("--into " + Quote(program) + " --version 6.0"));
    EXPECT_NE(std::string::npos, output.find("has no record slot")) << output;
    EXPECT_TRUE(ReadBytes(program) == stamped);
}

TEST_F(MakeProductFileTool, IntoRefusesAFileWhoseSlotWouldNotBeRead) {
    struct Case {
        const char* name;
        std::vector<uint32_t> slots;
        uint32_t earlierRecord;  // 0: none
        const char* message;
    };
    const Case cases[] = {
        {"no slot", {}, 0, "has no record slot"},
        {"two slots", {2000, 9000}, 0, "has more than one record slot (the first at 2000)"},
        {"a record before the slot",
         {9000},
         700,
         "holds a record at 700, before its record slot at 9000"},
    };
    for (const Case& c : cases) {
        Bytes file = MakeFileWithoutRecord(20000);
        for (uint32_t slot : c.slots) std::memcpy(&file[slot], kRecordSlotPlaceholder, kRecordSpan);
        if (c.earlierRecord != 0) PlaceRecord(file, c.earlierRecord, RecordFields());
        std::string path = dir.File("tVisX.exe");
        ASSERT_TRUE(WriteBytes(path, file));
        EXPECT_EQ(1, Run("--into " + Quote(path) + " --version 6.0")) << c.name;
        EXPECT_NE(std::string::npos, output.find(c.message)) << c.name << "\n" << output;
        EXPECT_TRUE(ReadBytes(path) == file) << c.name;
    }
}

TEST_F(MakeProductFileTool, IntoAMissingFileIsRefused) {
    EXPECT_EQ(1, Run("--into " + Quote(dir.File("absent.exe")) + " --version 6.0"));
    EXPECT_NE(std::string::npos, output.find("cannot read")) << output;
    EXPECT_FALSE(FileExists(dir.File("absent.exe")));
}

TEST_F(MakeProductFileTool, BadCommandLinesShowTheUsage) {
    std::string program = ProgramWithSlot(5000, 2000);
    const Bytes before = ReadBytes(program);
    const std::string into = "--into " + Quote(program);
    const std::string cases[] = {
        "",
        "--into",
        "--version 5.3",
        into + " --size 9000",
        into + " --offset 100",
        into + " --version",
        into + " --date 2612",
        into + " --date 26121x",
        into + " --time 14:30:05",
        into + " --time 24:00:00.00",
        into + " --time 14:30:05.100",
        into + " --build 12x",
        into + " --build 2147483648",
        into + " --colour red",
    };
    for (const std::string& args : cases) {
        EXPECT_EQ(2, Run(args)) << args;
        EXPECT_NE(std::string::npos, output.find("usage: make_product_file")) << args;
        EXPECT_TRUE(ReadBytes(program) == before) << args;
    }
}

}  // namespace
