// The real tvispack binary on temporary files (native build): build and inspect, every
// refusal with its exit status and message, the JSON keys, the version records of the
// carried files, damaged installers, expand on mscompress output, that a built file
// passes the reader's rules, and build's SHA-256 lines and deployment files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <algorithm>
#include <set>
#include <cstring>

#include "payload/carried_files.h"
#include "payload/certificate_table.h"
#include "payload/integrity_block.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "support/crc32.h"
#include "support/run_options.h"
#include "support/sha256.h"
#include "tests/codec/native_files.h"
#include "tests/codec/test_data.h"
#include "tests/codec/tvispack_fixture.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tests/support/test_stub.h"
#include "version/version_record.h"

#ifndef TVISPACK_PATH
#error "TVISPACK_PATH must name the tvispack binary"
#endif

namespace {

// An installer made without tvispack build (which refuses some of the files tests need):
// the stub, filler up to the minimum length, the three files compressed, the trailer.
Bytes MakeInstaller(const Bytes& stub, const Bytes (&files)[3]) {
    Bytes compressed[3];
    uint64_t sizes[3];
    for (int i = 0; i < 3; ++i) {
        compressed[i] =
            EncodeSzdd(files[i].data(), files[i].size(), SzddLastNameChar(kProductNames[i]));
        sizes[i] = compressed[i].size();
    }
    PayloadPlan plan;
    EXPECT_TRUE(PlanPayload(stub.size(), sizes, &plan));
    Bytes image = stub;
    image.resize(plan.payloadStart, 0);
    for (const Bytes& c : compressed) image.insert(image.end(), c.begin(), c.end());
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(static_cast<uint32_t>(plan.payloadStart), static_cast<uint32_t>(sizes[0]),
                  static_cast<uint32_t>(sizes[1]), static_cast<uint32_t>(sizes[2]), trailer);
    image.insert(image.end(), trailer, trailer + kTrailerSize);
    return image;
}

// The value of the `n`th "record" member of a JSON report without the white space between
// tokens ("null" or "{...}"), so that a whole record compares with one expected text.
std::string RecordMember(const std::string& json, int n) {
    size_t at = 0;
    for (int i = 0; i <= n; ++i) {
        at = json.find("\"record\": ", at);
        if (at == std::string::npos) return "(no record member)";
        at += 10;
    }
    if (json.compare(at, 4, "null") == 0) return "null";
    std::string out;
    bool inString = false;
    int depth = 0;
    for (size_t i = at; i < json.size(); ++i) {
        char c = json[i];
        if (inString) {
            out += c;
            if (c == '\\' && i + 1 < json.size())
                out += json[++i];
            else if (c == '"')
                inString = false;
            continue;
        }
        if (isspace(static_cast<unsigned char>(c))) continue;
        out += c;
        if (c == '"') inString = true;
        if (c == '{') ++depth;
        if (c == '}' && --depth == 0) break;
    }
    return out;
}

// A file whose only marker lies so near the end that its check byte would be beyond it.
Bytes MarkerTooNearTheEnd(uint32_t size) {
    Bytes file = MakeFileWithoutRecord(size);
    std::memcpy(&file[size - 120], kRecordMarker, kRecordMarkerLength);
    return file;
}

// A record whose check byte is not 0x71: no record to the installer.
Bytes WrongCheckByte(uint32_t size) {
    Bytes file = MakeProductFile(size, 500, RecordFields());
    file[500 + kCheckByteOffset] = kRecordCheckByte - 1;
    return file;
}

TEST_F(Tvispack, BuildAddsFillerUpToOneMillionAndInspectAgrees) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    Bytes file = ReadBytes(dir.File("out.exe"));
    ASSERT_EQ(kMinInstallerLength, file.size());
    PayloadTrailer trailer;
    ASSERT_EQ(kPayloadOk,
              CheckPayloadImage(file.data(), static_cast<uint32_t>(file.size()), &trailer));
    uint32_t payload = trailer.firstSize + trailer.secondSize + trailer.thirdSize;
    ExpectSoundInstaller(file, kMinInstallerLength - kTrailerSize - payload);
    // The filler is zeros between the stub and the integrity block, which ends where the
    // payload starts and records each region's CRC-32.
    const uint32_t blockAt = trailer.payloadStart - kIntegrityBlockSize;
    for (size_t i = stub.size(); i < blockAt; ++i) ASSERT_EQ(0, file[i]) << i;
    const auto sizes = CarriedSizes(trailer);
    uint32_t crcs[3];
    for (uint32_t i = 0, at = trailer.payloadStart; i < 3; at += sizes[i++]) {
        crcs[i] = Crc32(file.data() + at, sizes[i]);
    }
    auto block = EncodeIntegrityBlock(crcs);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), file.begin() + blockAt));

    ASSERT_EQ(0, Run("inspect " + Quote(dir.File("out.exe")))) << output;
    EXPECT_NE(std::string::npos, output.find("code: 0")) << output;
    EXPECT_NE(std::string::npos, output.find("QELMAPE.WCP")) << output;
    EXPECT_NE(std::string::npos, output.find("TVISX.WCP")) << output;
}

// A stub long enough on its own: the filler is the integrity block and at most 7 bytes
// that make the file's length a multiple of 8, for stubs of every length modulo 8.
TEST_F(Tvispack, BuildWithOnlyTheIntegrityBlockAndAlignmentWhenTheStubIsLarge) {
    for (size_t extra = 0; extra < 8; ++extra) {
        SCOPED_TRACE(extra);
        stub = MakeTestStub(static_cast<uint32_t>(1200000 + extra), TestStubShape(), 7);
        ASSERT_TRUE(WriteBytes(dir.File("stub.exe"), stub));
        ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
        Bytes file = ReadBytes(dir.File("out.exe"));
        EXPECT_EQ(0u, file.size() % 8);
        PayloadTrailer trailer = DecodeTrailer(file.data() + file.size() - kTrailerSize);
        EXPECT_LE(stub.size() + kIntegrityBlockSize, trailer.payloadStart);
        EXPECT_GT(stub.size() + kIntegrityBlockSize + 8, trailer.payloadStart);
        ExpectSoundInstaller(file, trailer.payloadStart);
    }
    Bytes file = ReadBytes(dir.File("out.exe"));
    PayloadTrailer trailer = DecodeTrailer(file.data() + file.size() - kTrailerSize);
    IntegrityCheck check = CheckIntegrity(file.data(), static_cast<uint32_t>(file.size()), trailer);
    EXPECT_TRUE(check.present);
    EXPECT_EQ(-1, check.damagedFile);
}

// A signed stub: the payload would break its signature, so build removes the certificate
// table (and says so), and the finished installer is what a release engineer signs. The
// signed installer then inspects with code 0, its payload ending where the table starts.
TEST_F(Tvispack, SignedStubLosesItsTableAndTheSignedInstallerInspectsSound) {
    const uint32_t tableSize = 1488;
    stub = MakeTestStub(60000);
    const Bytes table = RandomBytes(tableSize, 11);
    stub.insert(stub.end(), table.begin(), table.end());
    SetTestSecurityDirectory(&stub, 60000, tableSize);
    ASSERT_TRUE(WriteBytes(dir.File("stub.exe"), stub));
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    EXPECT_NE(std::string::npos,
              output.find("is signed; its certificate table (1,488 bytes at 60,000) was removed"))
        << output;
    Bytes file = ReadBytes(dir.File("out.exe"));
    Bytes unsignedStub(stub.begin(), stub.begin() + 60000);
    SetTestSecurityDirectory(&unsignedStub, 0, 0);
    EXPECT_TRUE(std::equal(unsignedStub.begin(), unsignedStub.end(), file.begin()));
    EXPECT_FALSE(FindCertificateTable(file.data(), file.size()).present);
    EXPECT_EQ(0u, file.size() % 8);
    PayloadTrailer trailer;
    ASSERT_EQ(kPayloadOk,
              CheckPayloadImage(file.data(), static_cast<uint32_t>(file.size()), &trailer));

    // Signed as a signing tool signs: the table appended, the directory pointing at it.
    const uint64_t payloadEnd = file.size();
    file.insert(file.end(), table.begin(), table.end());
    SetTestSecurityDirectory(&file, static_cast<uint32_t>(payloadEnd), tableSize);
    ASSERT_TRUE(WriteBytes(dir.File("signed.exe"), file));
    ASSERT_EQ(0, Run("inspect " + Quote(dir.File("signed.exe")) + " --json")) << output;
    for (const std::string& key : {std::string("\"code\": 0"), std::string("\"signed\": true"),
                                   "\"tableOffset\": " + std::to_string(payloadEnd),
                                   "\"tableSize\": " + std::to_string(tableSize),
                                   "\"payloadEnd\": " + std::to_string(payloadEnd)}) {
        EXPECT_NE(std::string::npos, output.find(key)) << key << "\n" << output;
    }
    // The same file as a stub: build removes the table and finds the payload it carries.
    ASSERT_EQ(1, Run(BuildArgs(dir.File("signed.exe"), dir.File("again.exe")))) << output;
    EXPECT_NE(std::string::npos, output.find("already carries a payload")) << output;
}

TEST_F(Tvispack, InspectJsonHasTheKeys) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    ASSERT_EQ(0, Run("inspect " + Quote(dir.File("out.exe")) + " --json")) << output;
    for (const char* key : {"\"code\": 0",
                            "\"payloadStart\": ",
                            "\"firstSize\": ",
                            "\"secondSize\": ",
                            "\"thirdSize\": ",
                            "\"files\": [",
                            "\"name\": \"QELMAPE.WCP\"",
                            "\"name\": \"TVISLV.WCP\"",
                            "\"name\": \"TVISX.WCP\"",
                            "\"offset\": ",
                            "\"size\": ",
                            "\"decodes\": true",
                            "\"integrity\": {",
                            "\"present\": true",
                            "\"intact\": true",
                            "\"recorded\": ",
                            "\"computed\": ",
                            "\"signature\": {",
                            "\"signed\": false",
                            "\"payloadEnd\": "}) {
        EXPECT_NE(std::string::npos, output.find(key)) << key << "\n" << output;
    }
    for (int i = 0; i < 3; ++i) {
        std::string size = "\"uncompressedSize\": " + std::to_string(inputs[i].size());
        EXPECT_NE(std::string::npos, output.find(size)) << size;
    }
    EXPECT_EQ(std::string::npos, output.find("\"decodes\": false"));
    // One object: braces and brackets balance.
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < output.size(); ++i) {
        char c = output[i];
        if (c == '"' && (i == 0 || output[i - 1] != '\\')) inString = !inString;
        if (inString) continue;
        if (c == '{' || c == '[') ++depth;
        if (c == '}' || c == ']') --depth;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(0, depth);
    EXPECT_EQ('{', output[0]);
}

TEST_F(Tvispack, RefusesAMissingInputNamingIt) {
    std::remove(dir.File("tVisLV.exe").c_str());
    EXPECT_EQ(1, Build(dir.File("out.exe")));
    EXPECT_NE(std::string::npos, output.find("--tvislv")) << output;
    EXPECT_NE(std::string::npos, output.find(dir.File("tVisLV.exe"))) << output;
    EXPECT_NE(std::string::npos, output.find("No such file")) << output;
    EXPECT_FALSE(FileExists(dir.File("out.exe")));
}

TEST_F(Tvispack, RefusesAnUnreadableInput) {
    // A folder in place of a file cannot be read, even by root.
    std::remove(dir.File("tVisX.exe").c_str());
    ASSERT_EQ(0, mkdir(dir.File("tVisX.exe").c_str(), 0700));
    EXPECT_EQ(1, Build(dir.File("out.exe")));
    EXPECT_NE(std::string::npos, output.find("--tvisx")) << output;
    EXPECT_NE(std::string::npos, output.find(dir.File("tVisX.exe"))) << output;
    EXPECT_FALSE(FileExists(dir.File("out.exe")));
}

TEST_F(Tvispack, RefusesAStubThatCarriesAPayload) {
    ASSERT_EQ(0, Build(dir.File("first.exe"))) << output;
    EXPECT_EQ(1, Run(BuildArgs(dir.File("first.exe"), dir.File("out.exe"))));
    EXPECT_NE(std::string::npos, output.find("already carries a payload")) << output;
    EXPECT_NE(std::string::npos, output.find(dir.File("first.exe"))) << output;
    EXPECT_NE(std::string::npos, output.find("1,000,000 bytes")) << output;
    EXPECT_FALSE(FileExists(dir.File("out.exe")));
}

TEST_F(Tvispack, RefusesAnInstallerOverFourMillionBytesSayingByHowMuch) {
    stub = MakeTestStub(3990000, TestStubShape(), 8);
    ASSERT_TRUE(WriteBytes(dir.File("stub.exe"), stub));
    // Keep an older output in place: a refusal must not touch it.
    ASSERT_TRUE(WriteBytes(dir.File("out.exe"), {1, 2, 3}));
    EXPECT_EQ(1, Build(dir.File("out.exe")));
    EXPECT_NE(std::string::npos, output.find("more than the limit of 4,000,000")) << output;
    // The excess is the total less 4,000,000.
    size_t at = output.find("would be ");
    ASSERT_NE(std::string::npos, at) << output;
    std::string total;
    for (size_t i = at + 9; i < output.size() && (isdigit(output[i]) || output[i] == ','); ++i)
        if (output[i] != ',') total += output[i];
    size_t excess = std::stoul(total) - kMaxInstallerLength;
    std::string excessText = std::to_string(excess);
    std::string grouped;
    for (size_t i = 0; i < excessText.size(); ++i) {
        if (i > 0 && (excessText.size() - i) % 3 == 0) grouped += ',';
        grouped += excessText[i];
    }
    EXPECT_NE(std::string::npos, output.find(grouped + " bytes more")) << output;
    EXPECT_EQ((Bytes{1, 2, 3}), ReadBytes(dir.File("out.exe")));
}

TEST_F(Tvispack, DefaultStubIsLookedForBesideTvispack) {
    // A copy of the tool in a folder of its own, first without a stub beside it.
    std::string tool = dir.File("tools/tvispack");
    ASSERT_EQ(0, RunCommand("mkdir " + Quote(dir.File("tools")) + " && cp " + Quote(TVISPACK_PATH) +
                                " " + Quote(tool),
                            &output));
    std::string inputs = " --qelmape " + Quote(dir.File("qelMapE.dll")) + " --tvislv " +
                         Quote(dir.File("tVisLV.exe")) + " --tvisx " +
                         Quote(dir.File("tVisX.exe")) + " -o " + Quote(dir.File("out.exe"));
    EXPECT_EQ(1, RunCommand(Quote(tool) + " build" + inputs, &output));
    EXPECT_NE(std::string::npos, output.find("tvisupgrade.exe")) << output;
    EXPECT_NE(std::string::npos, output.find("--stub")) << output;
    EXPECT_FALSE(FileExists(dir.File("out.exe")));

    // With the installer stub beside it, that stub is used.
    ASSERT_TRUE(WriteBytes(dir.File("tools/tvisupgrade.exe"), stub));
    EXPECT_EQ(0, RunCommand(Quote(tool) + " build" + inputs, &output)) << output;
    Bytes file = ReadBytes(dir.File("out.exe"));
    ASSERT_GE(file.size(), stub.size());
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), file.begin()));
}

TEST_F(Tvispack, WrongUsageExitsWithTwo) {
    EXPECT_EQ(2, Run(""));
    EXPECT_EQ(2, Run("frobnicate"));
    EXPECT_EQ(2, Run("build --stub " + Quote(dir.File("stub.exe"))));
    EXPECT_NE(std::string::npos, output.find("--qelmape")) << output;
    EXPECT_EQ(2, Run("inspect"));
    EXPECT_EQ(2, Run("compress onlyone"));
}

TEST_F(Tvispack, HelpForEveryCommandHasAnExample) {
    for (const char* args :
         {"--help", "build --help", "inspect --help", "compress --help", "expand --help"}) {
        EXPECT_EQ(0, Run(args)) << args;
        EXPECT_NE(std::string::npos, output.find("Example")) << args << "\n" << output;
        EXPECT_NE(std::string::npos, output.find("tvispack ")) << args;
    }
    // "help COMMAND" is the command's help, which the refusals point to.
    ASSERT_EQ(0, Run("build --help")) << output;
    const std::string buildHelp = output;
    EXPECT_EQ(0, Run("help build"));
    EXPECT_EQ(buildHelp, output);
    for (const char* option :
         {"--detection-script", "--winget-manifest", "--installer-url", "--package-id"}) {
        EXPECT_NE(std::string::npos, buildHelp.find(option)) << option;
    }
}

// Damaged installers are reported with the installer's code and a non-zero exit, never a crash.
TEST_F(Tvispack, InspectReportsDamagedFiles) {
    stub = MakeTestStub(1100000, TestStubShape(),
                        9);  // no filler, so that one byte less is still long enough
    ASSERT_TRUE(WriteBytes(dir.File("stub.exe"), stub));
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    Bytes good = ReadBytes(dir.File("out.exe"));
    struct Case {
        const char* name;
        Bytes bytes;
        int code;
    };
    Bytes truncated(good.begin(), good.end() - 1);
    Bytes longer = good;
    longer.push_back(0);
    Bytes badCheck = good;
    badCheck[good.size() - kTrailerSize] ^= 0x01;
    Bytes badSum = good;
    {
        // Right check word, sizes that do not add up: move the start by one in both.
        PayloadTrailer t = DecodeTrailer(good.data() + good.size() - kTrailerSize);
        EncodeTrailer(t.payloadStart + 1, t.firstSize, t.secondSize, t.thirdSize,
                      badSum.data() + good.size() - kTrailerSize);
    }
    Bytes tooShort(good.begin(), good.begin() + 999999);
    Bytes tooLong = good;
    tooLong.resize(4000001, 0);
    const Case cases[] = {{"truncated", truncated, 5}, {"longer", longer, 5},
                          {"badCheck", badCheck, 5},   {"badSum", badSum, 6},
                          {"tooShort", tooShort, 3},   {"tooLong", tooLong, 2}};
    for (const Case& c : cases) {
        std::string path = dir.File(std::string(c.name) + ".exe");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        int status = Run("inspect " + Quote(path) + " --json");
        EXPECT_EQ(1, status) << c.name << "\n" << output;
        std::string code = "\"code\": " + std::to_string(c.code) + ",";
        // A moved trailer window gives 5 or 6; both are a rejection.
        if (std::string(c.name) == "truncated" || std::string(c.name) == "longer") {
            EXPECT_TRUE(output.find("\"code\": 5,") != std::string::npos ||
                        output.find("\"code\": 6,") != std::string::npos)
                << c.name << output;
        } else {
            EXPECT_NE(std::string::npos, output.find(code)) << c.name << "\n" << output;
        }
        EXPECT_NE(std::string::npos, output.find("\"files\": []")) << c.name;
    }
    EXPECT_EQ(1, Run("inspect " + Quote(dir.File("missing.exe")) + " --json"));
    EXPECT_NE(std::string::npos, output.find("\"code\": 1,")) << output;
    EXPECT_EQ(1, Run("inspect " + Quote(dir.File("missing.exe"))));
    EXPECT_NE(std::string::npos, output.find("code: 1")) << output;
}

TEST_F(Tvispack, InspectReportsRegionsThatDoNotDecode) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    Bytes file = ReadBytes(dir.File("out.exe"));
    PayloadTrailer t = DecodeTrailer(file.data() + file.size() - kTrailerSize);
    // First region: magic destroyed. Second: mode 'B'. Third: stream damaged inside.
    file[t.payloadStart] = 'X';
    file[t.payloadStart + t.firstSize + 8] = 'B';
    size_t third = t.payloadStart + t.firstSize + t.secondSize;
    file[third + 12] ^= 0x40;  // uncompressed length changed
    ASSERT_TRUE(WriteBytes(dir.File("damaged.exe"), file));
    // The integrity block catches the damage first: the installer would stop with code 7,
    // and the report names the regions whose CRC-32 differs.
    EXPECT_EQ(1, Run("inspect " + Quote(dir.File("damaged.exe")) + " --json"));
    EXPECT_NE(std::string::npos, output.find("\"code\": 7,")) << output;
    EXPECT_NE(std::string::npos, output.find("\"intact\": false")) << output;
    // Without the block, the layout alone is sound and each region's own fault shows.
    std::fill(file.begin() + t.payloadStart - kIntegrityBlockSize, file.begin() + t.payloadStart,
              0);
    ASSERT_TRUE(WriteBytes(dir.File("damaged.exe"), file));
    EXPECT_EQ(1, Run("inspect " + Quote(dir.File("damaged.exe")) + " --json"));
    EXPECT_NE(std::string::npos, output.find("\"code\": 0,")) << output;
    EXPECT_NE(std::string::npos, output.find("\"present\": false")) << output;
    EXPECT_EQ(std::string::npos, output.find("\"decodes\": true")) << output;
    EXPECT_NE(std::string::npos, output.find("not an SZDD file")) << output;
    EXPECT_NE(std::string::npos, output.find("unsupported SZDD mode")) << output;
    // A file that does not decode is not searched for a record, and not called recordless.
    for (int i = 0; i < 3; ++i) EXPECT_EQ("null", RecordMember(output, i)) << i;
    EXPECT_EQ(std::string::npos, output.find("holds no version record")) << output;
    // Random bytes inside every stream: reported, never a crash.
    Bytes noisy = ReadBytes(dir.File("out.exe"));
    Bytes noise = RandomBytes(noisy.size(), 99);
    for (size_t i = t.payloadStart + 14; i + kTrailerSize < noisy.size(); i += 997)
        noisy[i] = noise[i];
    ASSERT_TRUE(WriteBytes(dir.File("noisy.exe"), noisy));
    int status = Run("inspect " + Quote(dir.File("noisy.exe")));
    EXPECT_TRUE(status == 0 || status == 1) << output;
}

TEST_F(Tvispack, CompressAndExpandSingleFiles) {
    ASSERT_EQ(0, Run("compress " + Quote(dir.File("qelMapE.dll")) + " " + Quote(dir.File("q.dl_"))))
        << output;
    Bytes file = ReadBytes(dir.File("q.dl_"));
    ASSERT_GE(file.size(), kSzddHeaderSize);
    EXPECT_EQ('l', file[9]);
    ASSERT_EQ(0, Run("expand " + Quote(dir.File("q.dl_")) + " " + Quote(dir.File("q.dll"))))
        << output;
    EXPECT_EQ(inputs[0], ReadBytes(dir.File("q.dll")));
    // A damaged file is refused and nothing is written.
    file.resize(file.size() - 10);
    ASSERT_TRUE(WriteBytes(dir.File("cut.dl_"), file));
    EXPECT_EQ(1, Run("expand " + Quote(dir.File("cut.dl_")) + " " + Quote(dir.File("cut.dll"))));
    EXPECT_NE(std::string::npos, output.find("stream ended")) << output;
    EXPECT_FALSE(FileExists(dir.File("cut.dll")));
    EXPECT_EQ(1, Run("expand " + Quote(dir.File("qelMapE.dll")) + " " + Quote(dir.File("x"))));
    EXPECT_NE(std::string::npos, output.find("not an SZDD file")) << output;
}

TEST_F(Tvispack, ExpandDecodesMscompressOutput) {
    std::vector<std::string> sources = RealPeFiles();
    sources.push_back(dir.File("tVisLV.exe"));
    for (const std::string& source : sources) {
        ASSERT_TRUE(WriteBytes(dir.File("plain"), ReadBytes(source)));
        ASSERT_EQ(0, RunCommand("mscompress " + Quote(dir.File("plain")), &output)) << output;
        ASSERT_EQ(0, Run("expand " + Quote(dir.File("plain_")) + " " + Quote(dir.File("back"))))
            << output;
        EXPECT_EQ(ReadBytes(source), ReadBytes(dir.File("back"))) << source;
        std::remove(dir.File("plain_").c_str());
    }
}

// Each carried file's record as the installer's dialog would show it: texts from code page
// 1250 in UTF-8 (JSON-escaped, control characters as \u00XX), build signed and grouped with
// dots in the readable report, the date and time text, the KWIL decision; records at the
// first candidate position and at the very end of a file.
TEST_F(Tvispack, InspectShowsTheRecordOfEachCarriedFile) {
    struct Case {
        uint32_t size;
        uint32_t offset;
        RecordFields fields;
        const char* json;
        const char* text;
    };
    Case cases[3] = {};
    // "Łódź 5.2 ąęśżńĆ" in code page 1250: all 15 bytes, no terminator.
    cases[0].fields.versionText = "\xA3\xF3\x64\x9F 5.2 \xB9\xEA\x9C\xBF\xF1\xC6";
    // What follows the "." is no part of the edition, and not shown.
    cases[0].fields.editionText = "R2A.\"Q\"\x01\\";
    cases[0].fields.build = -1234567;
    cases[0].fields.hundredths = 150;
    cases[0].size = 95000;
    cases[0].offset = 70001;
    cases[0].json = R"({"offset":70001,"versionText":"Łódź 5.2 ąęśżńĆ",)"
                    R"("editionText":"R2A","kwilEdition":true,"build":-1234567,)"
                    R"("productionTime":"2015.03.17  godz. 09:05.07,50"})";
    cases[0].text =
        "    record:\n      offset: 70,001\n      versionText: Łódź 5.2 ąęśżńĆ\n"
        "      editionText: R2A\n      kwilEdition: yes\n"
        "      build: -1.234.567\n"
        "      productionTime: 2015.03.17  godz. 09:05.07,50\n";
    cases[1].fields.versionText = "6.0";
    // Quotes, a backslash and control characters: C0, DEL and 0x81, which the code page
    // leaves undefined and which becomes the C1 control U+0081; JSON shows each as \u00XX.
    cases[1].fields.editionText = "\"Q\"\x01\x1F\x7F\x81\\";
    cases[1].fields.build = 999;
    cases[1].fields.hour = 23;
    cases[1].fields.minute = 59;
    cases[1].fields.second = 59;
    cases[1].fields.hundredths = 99;
    cases[1].fields.dateChars = "991231";
    cases[1].size = 40000;
    cases[1].offset = 1;
    cases[1].json = R"({"offset":1,"versionText":"6.0",)"
                    R"("editionText":"\"Q\"\u0001\u001F\u007F\u0081\\","kwilEdition":false,)"
                    R"("build":999,"productionTime":"2099.12.31  godz. 23:59.59,99"})";
    cases[1].text =
        "    record:\n      offset: 1\n      versionText: 6.0\n"
        "      editionText: \"Q\"\x01\x1F\x7F\xC2\x81\\\n"
        "      kwilEdition: no\n      build: 999\n"
        "      productionTime: 2099.12.31  godz. 23:59.59,99\n";
    cases[2].fields.versionText = "7";
    cases[2].fields.editionText = "r2a";
    cases[2].fields.build = INT32_MIN;
    cases[2].fields.hour = 7;
    cases[2].fields.minute = 0;
    cases[2].fields.second = 0;
    cases[2].fields.hundredths = 0;
    cases[2].fields.dateChars = "010203";
    cases[2].size = 73000;
    cases[2].offset = 73000 - kRecordSpan;
    cases[2].json = R"({"offset":72852,"versionText":"7","editionText":"r2a","kwilEdition":false,)"
                    R"("build":-2147483648,"productionTime":"2001.02.03  godz. 07:00.00,00"})";
    cases[2].text =
        "    record:\n      offset: 72,852\n      versionText: 7\n      editionText: r2a\n"
        "      kwilEdition: no\n      build: -2.147.483.648\n"
        "      productionTime: 2001.02.03  godz. 07:00.00,00\n";
    for (int i = 0; i < 3; ++i) {
        inputs[i] = MakeProductFile(cases[i].size, cases[i].offset, cases[i].fields);
        ASSERT_TRUE(WriteBytes(dir.File(kProductNames[i]), inputs[i]));
    }
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;

    ASSERT_EQ(0, Run("inspect " + Quote(dir.File("out.exe")) + " --json")) << output;
    EXPECT_NE(std::string::npos, output.find("\"allFilesHoldRecords\": true,")) << output;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cases[i].json, RecordMember(output, i)) << i;

    ASSERT_EQ(0, Run("inspect " + Quote(dir.File("out.exe")))) << output;
    for (int i = 0; i < 3; ++i) {
        size_t section = output.find(std::string("  ") + kCarriedFiles[i].compressedName + "\n");
        ASSERT_NE(std::string::npos, section) << i << "\n" << output;
        size_t next =
            i < 2 ? output.find(kCarriedFiles[i + 1].compressedName, section) : output.size();
        size_t at = output.find(cases[i].text, section);
        EXPECT_TRUE(at != std::string::npos && at < next) << i << " expected\n"
                                                          << cases[i].text << "in\n"
                                                          << output;
    }
}

// A carried file without a record (no marker, a wrong check byte, a marker too near the end
// for its check byte) is "record": null, named on a line of its own, and fails inspect.
TEST_F(Tvispack, InspectNamesACarriedFileWithoutRecord) {
    struct Case {
        int file;
        Bytes bytes;
    };
    const Case cases[] = {{0, MakeFileWithoutRecord(30000)},
                          {1, WrongCheckByte(30000)},
                          {2, MarkerTooNearTheEnd(30000)}};
    for (const Case& c : cases) {
        Bytes files[3] = {inputs[0], inputs[1], inputs[2]};
        files[c.file] = c.bytes;
        ASSERT_TRUE(WriteBytes(dir.File("crafted.exe"), MakeInstaller(stub, files)));
        std::string line = std::string(kCarriedFiles[c.file].compressedName) + " (" +
                           kProductNames[c.file] + ") holds no version record";

        EXPECT_EQ(1, Run("inspect " + Quote(dir.File("crafted.exe")) + " --json")) << c.file;
        EXPECT_NE(std::string::npos, output.find("\"allFilesDecode\": true,")) << output;
        EXPECT_NE(std::string::npos, output.find("\"allFilesHoldRecords\": false,")) << output;
        for (int i = 0; i < 3; ++i) {
            std::string record = RecordMember(output, i);
            if (i == c.file) {
                EXPECT_EQ("null", record) << c.file;
            } else {
                EXPECT_EQ(R"({"offset":)", record.substr(0, 10)) << c.file << " " << i;
            }
        }
        EXPECT_NE(std::string::npos, output.find(line)) << output;

        EXPECT_EQ(1, Run("inspect " + Quote(dir.File("crafted.exe")))) << c.file;
        EXPECT_NE(std::string::npos, output.find("record: none: the installer would treat this "
                                                 "file as damaged at upgrade time"))
            << output;
        EXPECT_NE(std::string::npos, output.find(line)) << output;
    }
}

// build checks all three inputs before it writes anything and names each one that holds no
// record; an older output stays as it was.
TEST_F(Tvispack, BuildRefusesAProductFileWithoutRecordNamingIt) {
    const Bytes bad[3] = {MakeFileWithoutRecord(50000), WrongCheckByte(50000),
                          MarkerTooNearTheEnd(50000)};
    struct Case {
        const char* name;
        bool recordless[3];
    };
    const Case cases[] = {{"qelMapE.dll", {true, false, false}},
                          {"tVisLV.exe", {false, true, false}},
                          {"tVisX.exe", {false, false, true}},
                          {"all three", {true, true, true}}};
    for (const Case& c : cases) {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(
                WriteBytes(dir.File(kProductNames[i]), c.recordless[i] ? bad[i] : inputs[i]));
        }
        ASSERT_TRUE(WriteBytes(dir.File("out.exe"), {1, 2, 3}));
        EXPECT_EQ(1, Build(dir.File("out.exe"))) << c.name;
        for (int i = 0; i < 3; ++i) {
            std::string named = std::string(kOptions[i]) + " file '" + dir.File(kProductNames[i]) +
                                "' (50,000 bytes) holds no version record";
            EXPECT_EQ(c.recordless[i], output.find(named) != std::string::npos)
                << c.name << " " << i << "\n"
                << output;
            std::string why = std::string("would treat ") + kProductNames[i] + " as damaged";
            EXPECT_EQ(c.recordless[i], output.find(why) != std::string::npos) << c.name << " " << i;
        }
        EXPECT_EQ((Bytes{1, 2, 3}), ReadBytes(dir.File("out.exe"))) << c.name;
        EXPECT_EQ(std::string::npos, output.find("wrote ")) << c.name;
    }
}

std::string Sha256HexOf(const Bytes& bytes) {
    char hex[kSha256HexSize];
    Sha256Hex(Sha256Of(bytes.data(), bytes.size()), hex);
    return hex;
}

std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

const char kUrl[] = "https://downloads.example.com/tvis/tvis-upgrade.exe";

// The summary keeps its lines and adds the SHA-256 of each file as given and of the
// installer as written; deployment files appear only when asked for, and asking for them
// changes no byte of the installer.
TEST_F(Tvispack, BuildPrintsTheSha256OfEachFileAndWritesDeploymentFilesOnlyWhenAsked) {
    ASSERT_EQ(0, Build(dir.File("plain.exe"))) << output;
    const Bytes plain = ReadBytes(dir.File("plain.exe"));
    EXPECT_EQ(0u, output.find("wrote " + dir.File("plain.exe") + ": 1,000,000 bytes (stub 60,000"))
        << output;
    EXPECT_NE(std::string::npos, output.find("  integrity block at ")) << output;
    for (int i = 0; i < 3; ++i) {
        const std::string line = "  SHA-256 " + std::string(kProductNames[i]) +
                                 std::string(13 - std::strlen(kProductNames[i]), ' ') +
                                 Sha256HexOf(inputs[i]) + "\n";
        EXPECT_NE(std::string::npos, output.find(line)) << line << output;
    }
    const std::string installerLine =
        "  SHA-256 installer    " + Sha256HexOf(plain) + " (" + dir.File("plain.exe") + ")\n";
    EXPECT_NE(std::string::npos, output.find(installerLine)) << installerLine << output;
    EXPECT_EQ(std::string::npos, output.find("detection script")) << output;
    EXPECT_EQ(std::string::npos, output.find("winget manifest")) << output;
    std::string listing;
    ASSERT_EQ(0, RunCommand("ls " + Quote(dir.path()), &listing));
    EXPECT_EQ(std::string::npos, listing.find(".ps1")) << listing;
    EXPECT_EQ(std::string::npos, listing.find(".yaml")) << listing;

    ASSERT_EQ(0, Run(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")) + " --detection-script " +
                     Quote(dir.File("detect.ps1")) + " --winget-manifest " +
                     Quote(dir.File("tvis.yaml")) + " --installer-url " + kUrl))
        << output;
    EXPECT_EQ(plain, ReadBytes(dir.File("out.exe")));
    EXPECT_NE(std::string::npos, output.find("  detection script: " + dir.File("detect.ps1")))
        << output;
    EXPECT_NE(std::string::npos, output.find("  winget manifest: " + dir.File("tvis.yaml")))
        << output;
    EXPECT_TRUE(FileExists(dir.File("detect.ps1")));
    EXPECT_TRUE(FileExists(dir.File("tvis.yaml")));
}

// The script holds the carried files' digests and searches where the installer does: the
// six registry values in the installer's order, in both registry views, then the default
// folders. It is ASCII even when the version text is not, and says "detected" only by
// writing to the output.
TEST_F(Tvispack, DetectionScriptHoldsTheDigestsAndTheInstallersPlaces) {
    RecordFields polish;
    polish.versionText = "5.2 \xA3\xF3\x64\x9F";  // "5.2 Łódź" in code page 1250
    polish.build = 1187;
    PlaceRecord(inputs[0], 4000, polish);
    ASSERT_TRUE(WriteBytes(dir.File("qelMapE.dll"), inputs[0]));
    ASSERT_EQ(0, Run(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")) + " --detection-script " +
                     Quote(dir.File("detect.ps1"))))
        << output;
    const std::string script = ReadText(dir.File("detect.ps1"));
    for (int i = 0; i < 3; ++i) {
        const std::string entry =
            "'" + std::string(kProductNames[i]) + "' = '" + Sha256HexOf(inputs[i]) + "'\r\n";
        EXPECT_NE(std::string::npos, script.find(entry)) << entry;
    }
    EXPECT_NE(std::string::npos, script.find(Sha256HexOf(ReadBytes(dir.File("out.exe")))));
    for (const char* text :
         {"$productKey = 'SOFTWARE\\qelWawPl\\tv5'\r\n",
          "$valueNames = @('path', 'pathM', 'pathX')\r\n",
          "$defaultFolders = @('C:\\Programs\\tVis2002\\', 'C:\\Programs\\tVis 2002\\')\r\n",
          "[Microsoft.Win32.RegistryView]::Registry32",
          "[Microsoft.Win32.RegistryView]::Registry64", "DoNotExpandEnvironmentNames",
          "Get-FileHash -LiteralPath", "-Algorithm SHA256", "'mapy\\'",
          "IndexOf('.exe', [System.StringComparison]::Ordinal)",
          "$release = '5.2 ??d? build 1187'"}) {
        EXPECT_NE(std::string::npos, script.find(text)) << text;
    }
    // Each value under HKLM before HKCU, the values in the order above, then the folders.
    const size_t machine = script.find("[Microsoft.Win32.RegistryHive]::LocalMachine");
    const size_t user = script.find("[Microsoft.Win32.RegistryHive]::CurrentUser");
    ASSERT_NE(std::string::npos, user);
    EXPECT_LT(machine, user);
    EXPECT_NE(std::string::npos, script.find("@(Get-FolderValues | ForEach-Object { "
                                             "Get-FolderText $_ }) + $defaultFolders"));
    for (size_t i = 0; i < script.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(script[i]);
        ASSERT_TRUE((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n') << "byte " << i;
        if (c == '\n') {
            ASSERT_EQ('\r', script[i - 1]) << "line ending at " << i;
        }
    }
    // "Not detected" is an empty output with exit code 0: one line of output in the whole
    // script, and no other exit code.
    size_t writes = 0;
    for (size_t at = script.find("Write-"); at != std::string::npos;
         at = script.find("Write-", at + 1)) {
        ++writes;
    }
    EXPECT_EQ(1u, writes);
    EXPECT_NE(std::string::npos, script.find("Write-Output ('tVis ' + $release"));
    for (size_t at = script.find("exit "); at != std::string::npos;
         at = script.find("exit ", at + 1)) {
        if (!isdigit(static_cast<unsigned char>(script[at + 5]))) continue;  // prose
        EXPECT_EQ("exit 0", script.substr(at, 6)) << at;
    }
    EXPECT_EQ("exit 0\r\n", script.substr(script.size() - 8));
}

// The manifest describes the installer as written, passes the installer's own switches,
// gives every failing exit code of the installer's table a response winget knows, and
// takes its version from the carried qelMapE.dll's record.
TEST_F(Tvispack, WingetManifestDescribesTheInstaller) {
    RecordFields fields;
    fields.versionText = "5.3 'R'";
    fields.build = 1250;
    PlaceRecord(inputs[0], 4000, fields);
    ASSERT_TRUE(WriteBytes(dir.File("qelMapE.dll"), inputs[0]));
    ASSERT_EQ(0, Run(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")) + " --winget-manifest " +
                     Quote(dir.File("tvis.yaml")) + " --installer-url " + kUrl +
                     " --package-id Contoso.tVisUpgrade"))
        << output;
    const std::string manifest = ReadText(dir.File("tvis.yaml"));
    const std::string installer = Sha256HexOf(ReadBytes(dir.File("out.exe")));
    for (const std::string& line : {
             std::string("PackageIdentifier: 'Contoso.tVisUpgrade'\r\n"),
             // Only the version's number; the whole text in ShortDescription, its quotes
             // doubled in YAML's quotes.
             std::string("PackageVersion: '5.3.1250'\r\n"),
             std::string("ShortDescription: 'Upgrade of an installed tVis (maps and vehicle "
                         "tracking) to 5.3 ''R'' build 1250'\r\n"),
             std::string("    InstallerUrl: '") + kUrl + "'\r\n",
             "    InstallerSha256: " + installer + "\r\n",
             std::string("  - Architecture: x86\r\n"),
             std::string("    InstallerType: exe\r\n"),
             std::string("      Silent: '/quiet'\r\n"),
             std::string("      SilentWithProgress: '/passive'\r\n"),
             std::string("      Log: '/log=\"<LOGPATH>\"'\r\n"),
             std::string("ManifestType: singleton\r\n"),
             std::string("ManifestVersion: 1.10.0\r\n"),
         }) {
        EXPECT_NE(std::string::npos, manifest.find(line)) << line << manifest;
    }
    for (const char* key : {"PackageLocale: ", "Publisher: ", "PackageName: ", "License: ",
                            "ShortDescription: ", "Installers:\r\n", "ExpectedReturnCodes:\r\n"}) {
        EXPECT_NE(std::string::npos, manifest.find(key)) << key;
    }
    // What the schema lets ReturnResponse say.
    const std::set<std::string> responses = {"packageInUse",
                                             "packageInUseByApplication",
                                             "installInProgress",
                                             "fileInUse",
                                             "missingDependency",
                                             "diskFull",
                                             "insufficientMemory",
                                             "invalidParameter",
                                             "noNetwork",
                                             "contactSupport",
                                             "rebootRequiredToFinish",
                                             "rebootRequiredForInstall",
                                             "rebootInitiated",
                                             "cancelledByUser",
                                             "alreadyInstalled",
                                             "downgrade",
                                             "blockedByPolicy",
                                             "systemNotSupported",
                                             "custom"};
    for (const ExitCodeRow& row : kExitCodeTable) {
        const std::string code = std::to_string(row.code);
        if (row.code == 0) {
            // The schema takes no 0 among the codes; winget counts it a success by itself.
            EXPECT_NE(std::string::npos, manifest.find("    # 0: " + std::string(row.meaning)));
            EXPECT_EQ(std::string::npos, manifest.find("InstallerReturnCode: 0\r\n"));
            continue;
        }
        const std::string entry =
            "      - InstallerReturnCode: " + code + "\r\n        ReturnResponse: ";
        const size_t at = manifest.find(entry);
        ASSERT_NE(std::string::npos, at) << code << "\n" << manifest;
        const size_t start = at + entry.size();
        const std::string response = manifest.substr(start, manifest.find('\r', start) - start);
        EXPECT_EQ(1u, responses.count(response)) << code << " " << response;
    }
}

// A wrong deployment option is refused before anything is written, in one line that names
// the option and points at the help.
TEST_F(Tvispack, BuildRefusesWrongDeploymentOptions) {
    const std::string url = std::string(" --installer-url ") + kUrl;
    const std::string manifest = " --winget-manifest " + Quote(dir.File("m.yaml"));
    const std::string script = " --detection-script " + Quote(dir.File("d.ps1"));
    struct Case {
        std::string args;  // after the ordinary build arguments
        std::string message;
    };
    const Case cases[] = {
        {" --detection-script", "--detection-script needs a value"},
        {" --detection-script=", "--detection-script needs a value"},
        {" --detection-script" + manifest + url, "--detection-script needs a value"},
        {manifest, "--winget-manifest needs --installer-url"},
        {manifest + " --installer-url", "--installer-url needs a value"},
        {script + script, "--detection-script is given twice"},
        {manifest + url + " --winget-manifest=" + dir.File("n.yaml"),
         "--winget-manifest is given twice"},
        {manifest + url + url, "--installer-url is given twice"},
        {manifest + url + " --package-id a.b --package-id c.d", "--package-id is given twice"},
        {" --output " + Quote(dir.File("other.exe")), "--output is given twice"},
        {url, "--installer-url is only used with --winget-manifest"},
        {" --package-id Contoso.tVis", "--package-id is only used with --winget-manifest"},
        {manifest + " --installer-url ftp://downloads.example.com/t.exe",
         "--installer-url 'ftp://downloads.example.com/t.exe' is no http:// or https:// URL"},
        {manifest + " --installer-url 'https://example.com/a b.exe'", "is no http:// or https://"},
        {manifest + url + " --package-id tVis", "--package-id 'tVis' is no winget package"},
        {manifest + url + " --package-id 'qelWawPl.t Vis'", "is no winget package identifier"},
        {" --detection-script " + Quote(dir.File("out.exe")),
         "-o and --detection-script name the same file"},
        {script + " --winget-manifest " + Quote(dir.File("d.ps1")) + url,
         "--detection-script and --winget-manifest name the same file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(2, Run(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")) + c.args))
            << c.args << "\n"
            << output;
        EXPECT_EQ(0u, output.find("tvispack: build: ")) << c.args << "\n" << output;
        EXPECT_NE(std::string::npos, output.find(c.message)) << c.args << "\n" << output;
        EXPECT_NE(std::string::npos, output.find("; see tvispack help build\n")) << c.args;
        EXPECT_EQ(1, std::count(output.begin(), output.end(), '\n')) << c.args << "\n" << output;
        for (const char* name : {"out.exe", "other.exe", "m.yaml", "n.yaml", "d.ps1"}) {
            EXPECT_FALSE(FileExists(dir.File(name))) << c.args << " wrote " << name;
        }
    }
}

// A deployment file that cannot be written fails the build, saying that the installer was
// written all the same.
TEST_F(Tvispack, BuildFailsWhenADeploymentFileCannotBeWritten) {
    EXPECT_EQ(1, Run(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")) + " --detection-script " +
                     Quote(dir.File("missing/detect.ps1"))))
        << output;
    EXPECT_NE(std::string::npos, output.find("cannot write '" + dir.File("missing/detect.ps1")))
        << output;
    EXPECT_NE(std::string::npos,
              output.find("the installer '" + dir.File("out.exe") + "' was written all the same"))
        << output;
    EXPECT_TRUE(FileExists(dir.File("out.exe")));
}

}  // namespace
