// Our codec against decoders and an encoder we did not write (native build only):
// libmspack's SZDD decompressor and msexpand decode our output; our decoder decodes
// mscompress output; real PE files round-trip.
#include <mspack.h>

#include <gtest/gtest.h>

#include "payload/szdd.h"
#include "tests/codec/native_files.h"
#include "tests/codec/test_data.h"

namespace {

// libmspack: decodes the SZDD file at `path` into `out`; returns false when it refuses.
bool ExpandWithLibmspack(const std::string& path, const std::string& out, char* lastChar,
                         size_t* length) {
    msszdd_decompressor* szdd = mspack_create_szdd_decompressor(nullptr);
    if (!szdd) return false;
    msszddd_header* header = szdd->open(szdd, const_cast<char*>(path.c_str()));
    bool ok = false;
    if (header) {
        *lastChar = header->missing_char;
        *length = static_cast<size_t>(header->length);
        ok = szdd->extract(szdd, header, const_cast<char*>(out.c_str())) == MSPACK_ERR_OK;
        szdd->close(szdd, header);
    }
    mspack_destroy_szdd_decompressor(szdd);
    return ok;
}

class PeerRoundTrip : public ::testing::TestWithParam<NamedInput> {
protected:
    NativeTempFolder dir;
};

TEST_P(PeerRoundTrip, LibmspackDecodesOurOutput) {
    const Bytes& data = GetParam().data;
    ASSERT_TRUE(WriteBytes(dir.File("in.sz_"), EncodeSzdd(data.data(), data.size(), 'q')));
    char lastChar = 0;
    size_t length = 0;
    ASSERT_TRUE(ExpandWithLibmspack(dir.File("in.sz_"), dir.File("out"), &lastChar, &length));
    EXPECT_EQ('q', lastChar);
    EXPECT_EQ(data.size(), length);
    EXPECT_EQ(data, ReadBytes(dir.File("out")));
}

TEST_P(PeerRoundTrip, MsexpandDecodesOurOutput) {
    const Bytes& data = GetParam().data;
    ASSERT_TRUE(WriteBytes(dir.File("in.sz_"), EncodeSzdd(data.data(), data.size(), 'q')));
    std::string output;
    // msexpand exits 0 even on errors: the bytes are the test.
    RunCommand("msexpand < " + Quote(dir.File("in.sz_")) + " > " + Quote(dir.File("out")), &output);
    EXPECT_EQ(data, ReadBytes(dir.File("out"))) << output;
}

// mscompress writes wrong output for inputs below 16 bytes: it is no reference there.
class MscompressRoundTrip : public PeerRoundTrip {};

std::vector<NamedInput> InputsOfSixteenBytesOrMore() {
    std::vector<NamedInput> inputs;
    for (const NamedInput& input : GeneratedInputs()) {
        if (input.data.size() >= 16) inputs.push_back(input);
    }
    return inputs;
}

TEST_P(MscompressRoundTrip, WeDecodeMscompressOutput) {
    const Bytes& data = GetParam().data;
    ASSERT_TRUE(WriteBytes(dir.File("in"), data));
    std::string output;
    ASSERT_EQ(0, RunCommand("mscompress " + Quote(dir.File("in")), &output)) << output;
    Bytes compressed = ReadBytes(dir.File("in_"));
    Bytes decoded;
    SzddHeader header = {};
    ASSERT_EQ(SzddStatus::kOk, DecodeSzdd(compressed.data(), compressed.size(), &decoded, &header));
    EXPECT_EQ(data, decoded);
    EXPECT_EQ(0, header.lastChar);  // mscompress records no name character
    // And ours is never larger.
    EXPECT_LE(EncodeSzdd(data.data(), data.size(), 0).size(), compressed.size());
}

INSTANTIATE_TEST_SUITE_P(Generated, PeerRoundTrip, ::testing::ValuesIn(GeneratedInputs()),
                         [](const ::testing::TestParamInfo<NamedInput>& info) {
                             return info.param.name;
                         });
INSTANTIATE_TEST_SUITE_P(Generated, MscompressRoundTrip,
                         ::testing::ValuesIn(InputsOfSixteenBytesOrMore()),
                         [](const ::testing::TestParamInfo<NamedInput>& info) {
                             return info.param.name;
                         });

class RealFiles : public ::testing::Test {
protected:
    void SetUp() override {
        files = RealPeFiles();
        if (files.empty()) GTEST_SKIP() << "Wine's PE files are not installed";
    }
    std::vector<std::string> files;
    NativeTempFolder dir;
};

TEST_F(RealFiles, RoundTripThroughOurDecoderLibmspackAndMsexpand) {
    for (const std::string& path : files) {
        Bytes data = ReadBytes(path);
        Bytes file = EncodeSzdd(data.data(), data.size(), SzddLastNameChar(path));
        Bytes decoded;
        ASSERT_EQ(SzddStatus::kOk, DecodeSzdd(file.data(), file.size(), &decoded)) << path;
        EXPECT_EQ(data, decoded) << path;
        ASSERT_TRUE(WriteBytes(dir.File("pe.sz_"), file));
        char lastChar = 0;
        size_t length = 0;
        ASSERT_TRUE(
            ExpandWithLibmspack(dir.File("pe.sz_"), dir.File("mspack.out"), &lastChar, &length));
        EXPECT_EQ(static_cast<char>(SzddLastNameChar(path)), lastChar);
        EXPECT_EQ(data, ReadBytes(dir.File("mspack.out"))) << path;
        std::string output;
        RunCommand(
            "msexpand < " + Quote(dir.File("pe.sz_")) + " > " + Quote(dir.File("msexpand.out")),
            &output);
        EXPECT_EQ(data, ReadBytes(dir.File("msexpand.out"))) << path;
    }
}

TEST_F(RealFiles, SmallerThanMscompressOnEveryFile) {
    for (const std::string& path : files) {
        Bytes data = ReadBytes(path);
        ASSERT_TRUE(WriteBytes(dir.File("pe"), data));
        std::string output;
        ASSERT_EQ(0, RunCommand("mscompress " + Quote(dir.File("pe")), &output)) << output;
        Bytes theirs = ReadBytes(dir.File("pe_"));
        Bytes decoded;
        ASSERT_EQ(SzddStatus::kOk, DecodeSzdd(theirs.data(), theirs.size(), &decoded)) << path;
        EXPECT_EQ(data, decoded) << path;
        Bytes ours = EncodeSzdd(data.data(), data.size(), 0);
        EXPECT_LT(ours.size(), theirs.size()) << path;
        std::remove(dir.File("pe_").c_str());
    }
}

}  // namespace
