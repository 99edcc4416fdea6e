// The real tvispack binary on temporary files (native build): build and inspect, every
// refusal with its exit status and message, the JSON keys, damaged installers, expand on
// mscompress output, and that a built file passes the reader's rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "payload/szdd.h"
#include "payload/trailer.h"
#include "tests/codec/native_files.h"
#include "tests/codec/test_data.h"

#ifndef TVISPACK_PATH
#error "TVISPACK_PATH must name the tvispack binary"
#endif

namespace {

class Tvispack : public ::testing::Test {
protected:
    void SetUp() override {
        stub = RandomBytes(60000, 1);
        stub[0] = 'M';
        stub[1] = 'Z';
        inputs[0] = Concat(TextBytes(90000, 2), RandomBytes(5000, 3));
        inputs[1] = TextBytes(40000, 4);
        inputs[2] = Concat(RunOf(3000, 0), TextBytes(70000, 5));
        ASSERT_TRUE(WriteBytes(dir.File("stub.exe"), stub));
        ASSERT_TRUE(WriteBytes(dir.File("qelMapE.dll"), inputs[0]));
        ASSERT_TRUE(WriteBytes(dir.File("tVisLV.exe"), inputs[1]));
        ASSERT_TRUE(WriteBytes(dir.File("tVisX.exe"), inputs[2]));
    }

    static Bytes Concat(Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    // Runs tvispack with the arguments; returns its exit status.
    int Run(const std::string& args) { return RunCommand(Quote(TVISPACK_PATH) + " " + args, &output); }

    std::string BuildArgs(const std::string& stubPath, const std::string& out) {
        return "build --stub " + Quote(stubPath) + " --qelmape " + Quote(dir.File("qelMapE.dll")) +
               " --tvislv " + Quote(dir.File("tVisLV.exe")) + " --tvisx " +
               Quote(dir.File("tVisX.exe")) + " -o " + Quote(out);
    }

    int Build(const std::string& out) { return Run(BuildArgs(dir.File("stub.exe"), out)); }

    // Checks a built installer with the reader's rules and decodes its regions.
    void ExpectSoundInstaller(const Bytes& file, uint32_t expectedStart) {
        PayloadTrailer trailer;
        ASSERT_EQ(kPayloadOk, CheckPayloadImage(file.data(), static_cast<uint32_t>(file.size()), &trailer));
        EXPECT_EQ(expectedStart, trailer.payloadStart);
        EXPECT_TRUE(std::equal(stub.begin(), stub.end(), file.begin()));
        const uint32_t sizes[3] = {trailer.firstSize, trailer.secondSize, trailer.thirdSize};
        const char lastChars[3] = {'l', 'e', 'e'};
        size_t offset = trailer.payloadStart;
        for (int i = 0; i < 3; ++i) {
            Bytes decoded;
            SzddHeader header = {};
            ASSERT_EQ(SzddStatus::kOk, DecodeSzdd(file.data() + offset, sizes[i], &decoded, &header)) << i;
            EXPECT_EQ(inputs[i], decoded) << i;
            EXPECT_EQ(lastChars[i], header.lastChar) << i;
            offset += sizes[i];
        }
        EXPECT_EQ(file.size() - kTrailerSize, offset);
    }

    NativeTempFolder dir;
    Bytes stub;
    Bytes inputs[3];
    std::string output;
};

TEST_F(Tvispack, BuildAddsFillerUpToOneMillionAndInspectAgrees) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    Bytes file = ReadBytes(dir.File("out.exe"));
    ASSERT_EQ(kMinInstallerLength, file.size());
    PayloadTrailer trailer;
    ASSERT_EQ(kPayloadOk, CheckPayloadImage(file.data(), static_cast<uint32_t>(file.size()), &trailer));
    uint32_t payload = trailer.firstSize + trailer.secondSize + trailer.thirdSize;
    ExpectSoundInstaller(file, kMinInstallerLength - kTrailerSize - payload);
    // The filler is zeros between the stub and the payload.
    for (size_t i = stub.size(); i < trailer.payloadStart; ++i) ASSERT_EQ(0, file[i]) << i;

    ASSERT_EQ(0, Run("inspect " + Quote(dir.File("out.exe")))) << output;
    EXPECT_NE(std::string::npos, output.find("code: 0")) << output;
    EXPECT_NE(std::string::npos, output.find("QELMAPE.WCP")) << output;
    EXPECT_NE(std::string::npos, output.find("TVISX.WCP")) << output;
}

TEST_F(Tvispack, BuildWithoutFillerWhenTheStubIsLarge) {
    stub = RandomBytes(1200000, 7);
    ASSERT_TRUE(WriteBytes(dir.File("stub.exe"), stub));
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    ExpectSoundInstaller(ReadBytes(dir.File("out.exe")), 1200000);
}

TEST_F(Tvispack, InspectJsonHasTheKeys) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    ASSERT_EQ(0, Run("inspect " + Quote(dir.File("out.exe")) + " --json")) << output;
    for (const char* key : {"\"code\": 0", "\"payloadStart\": ", "\"firstSize\": ",
                            "\"secondSize\": ", "\"thirdSize\": ", "\"files\": [",
                            "\"name\": \"QELMAPE.WCP\"", "\"name\": \"TVISLV.WCP\"",
                            "\"name\": \"TVISX.WCP\"", "\"offset\": ", "\"size\": ",
                            "\"decodes\": true"}) {
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
    stub = RandomBytes(3990000, 8);
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
    EXPECT_EQ(1, Run("build --qelmape " + Quote(dir.File("qelMapE.dll")) + " --tvislv " +
                     Quote(dir.File("tVisLV.exe")) + " --tvisx " + Quote(dir.File("tVisX.exe")) +
                     " -o " + Quote(dir.File("out.exe"))));
    EXPECT_NE(std::string::npos, output.find("tvisupgrade.exe")) << output;
    EXPECT_NE(std::string::npos, output.find("--stub")) << output;
    EXPECT_FALSE(FileExists(dir.File("out.exe")));
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
    for (const char* args : {"--help", "build --help", "inspect --help", "compress --help",
                             "expand --help"}) {
        EXPECT_EQ(0, Run(args)) << args;
        EXPECT_NE(std::string::npos, output.find("Example")) << args << "\n" << output;
        EXPECT_NE(std::string::npos, output.find("tvispack ")) << args;
    }
}

// Damaged installers are reported with the installer's code and a non-zero exit, never a crash.
TEST_F(Tvispack, InspectReportsDamagedFiles) {
    stub = RandomBytes(1100000, 9);  // no filler, so that one byte less is still long enough
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
    const Case cases[] = {{"truncated", truncated, 5},  {"longer", longer, 5},
                          {"badCheck", badCheck, 5},    {"badSum", badSum, 6},
                          {"tooShort", tooShort, 3},    {"tooLong", tooLong, 2}};
    for (const Case& c : cases) {
        std::string path = dir.File(std::string(c.name) + ".exe");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        int status = Run("inspect " + Quote(path) + " --json");
        EXPECT_EQ(1, status) << c.name << "\n" << output;
        std::string code = "\"code\": " + std::to_string(c.code) + ",";
        // A moved trailer window gives 5 or 6; both are a rejection.
        if (std::string(c.name) == "truncated" || std::string(c.name) == "longer") {
            EXPECT_TRUE(output.find("\"code\": 5,") != std::string::npos ||
                        output.find("\"code\": 6,") != std::string::npos) << c.name << output;
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
    EXPECT_EQ(1, Run("inspect " + Quote(dir.File("damaged.exe")) + " --json"));
    EXPECT_NE(std::string::npos, output.find("\"code\": 0,")) << output;
    EXPECT_EQ(std::string::npos, output.find("\"decodes\": true")) << output;
    EXPECT_NE(std::string::npos, output.find("not an SZDD file")) << output;
    EXPECT_NE(std::string::npos, output.find("unsupported SZDD mode")) << output;
    // Random bytes inside every stream: reported, never a crash.
    Bytes noisy = ReadBytes(dir.File("out.exe"));
    Bytes noise = RandomBytes(noisy.size(), 99);
    for (size_t i = t.payloadStart + 14; i + kTrailerSize < noisy.size(); i += 997) noisy[i] = noise[i];
    ASSERT_TRUE(WriteBytes(dir.File("noisy.exe"), noisy));
    int status = Run("inspect " + Quote(dir.File("noisy.exe")));
    EXPECT_TRUE(status == 0 || status == 1) << output;
}

TEST_F(Tvispack, CompressAndExpandSingleFiles) {
    ASSERT_EQ(0, Run("compress " + Quote(dir.File("qelMapE.dll")) + " " + Quote(dir.File("q.dl_")))) << output;
    Bytes file = ReadBytes(dir.File("q.dl_"));
    ASSERT_GE(file.size(), kSzddHeaderSize);
    EXPECT_EQ('l', file[9]);
    ASSERT_EQ(0, Run("expand " + Quote(dir.File("q.dl_")) + " " + Quote(dir.File("q.dll")))) << output;
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
        ASSERT_EQ(0, Run("expand " + Quote(dir.File("plain_")) + " " + Quote(dir.File("back")))) << output;
        EXPECT_EQ(ReadBytes(source), ReadBytes(dir.File("back"))) << source;
        std::remove(dir.File("plain_").c_str());
    }
}

}  // namespace
