// Windows' own SZDD decoder (Wine's LZ32: LZOpenFileA, LZCopy, LZClose) decodes what our
// encoder writes to the identical bytes, on generated data and on real PE files; and it
// opens exactly the paths that the installer hands it (FitsLzOpenFile).
#include <windows.h>
#include <lzexpand.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "payload/lz_expand.h"
#include "payload/szdd.h"
#include "tests/codec/test_data.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ToBytesString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// LZ32 copy of `from` to `to`; returns LZCopy's result (the bytes written, or an error < 0).
LONG ExpandWithLz32(const std::string& from, const std::string& to) {
    OFSTRUCT of = {};
    of.cBytes = sizeof of;
    INT in = LZOpenFileA(const_cast<LPSTR>(from.c_str()), &of, OF_READ);
    OFSTRUCT ofOut = {};
    ofOut.cBytes = sizeof ofOut;
    INT out = LZOpenFileA(const_cast<LPSTR>(to.c_str()), &ofOut, OF_CREATE | OF_WRITE);
    LONG copied = -1000;
    if (in >= 0 && out >= 0) copied = LZCopy(in, out);
    if (in >= 0) LZClose(in);
    if (out >= 0) LZClose(out);
    return copied;
}

// A unix folder as Wine sees it (Z: maps the unix root).
std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

class Lz32RoundTrip : public ::testing::TestWithParam<NamedInput> {
protected:
    TempFolder dir;
};

TEST_P(Lz32RoundTrip, Lz32DecodesOurOutput) {
    const Bytes& data = GetParam().data;
    Bytes file = EncodeSzdd(data.data(), data.size(), 'x');
    ASSERT_TRUE(WriteTestFile(dir.File("in.sz_"), ToBytesString(file)));
    LONG copied = ExpandWithLz32(dir.File("in.sz_"), dir.File("out"));
    EXPECT_EQ(static_cast<LONG>(data.size()), copied);
    EXPECT_TRUE(ToBytesString(data) == ReadTestFile(dir.File("out")));
}

INSTANTIATE_TEST_SUITE_P(Generated, Lz32RoundTrip, ::testing::ValuesIn(GeneratedInputs()),
                         [](const ::testing::TestParamInfo<NamedInput>& info) {
                             return info.param.name;
                         });

TEST(Lz32, DecodesOurOutputOfRealPeFiles) {
    const char* corpus = std::getenv("TVIS_TEST_CORPUS");
    if (!corpus || !*corpus) GTEST_SKIP() << "TVIS_TEST_CORPUS is not set";
    TempFolder dir;
    int found = 0;
    for (const char* name : {"samlib.dll", "shutdown.exe", "netprofm.dll", "winecfg.exe"}) {
        std::string source = WinePath(std::string(corpus) + "/" + name);
        std::string data = ReadTestFile(source);
        if (data == "<missing>") continue;
        ++found;
        Bytes file = EncodeSzdd(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                SzddLastNameChar(name));
        ASSERT_TRUE(WriteTestFile(dir.File("pe.sz_"), ToBytesString(file)));
        LONG copied = ExpandWithLz32(dir.File("pe.sz_"), dir.File("pe.out"));
        EXPECT_EQ(static_cast<LONG>(data.size()), copied) << name;
        EXPECT_TRUE(data == ReadTestFile(dir.File("pe.out"))) << name;
    }
    if (found == 0) GTEST_SKIP() << "no PE files under " << corpus;
}

TEST(Lz32, OpensExactlyThePathsThatFitItsOfstruct) {
    // OFSTRUCT's szPathName holds 128 bytes: 127 characters and the terminator.
    TempFolder dir;
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + (i >> 7));
    std::string file = ToBytesString(EncodeSzdd(data.data(), data.size(), 'x'));
    const std::string shortInput = dir.File("in.sz_");
    ASSERT_TRUE(WriteTestFile(shortInput, file));
    const LONG whole = static_cast<LONG>(data.size());
    for (size_t length : {120, 126, 127, 128, 129, 150, 200}) {
        SCOPED_TRACE(length);
        // A folder in which a six-character name makes a path of `length` characters.
        std::string folder =
            dir.path() + std::string(length - dir.path().size() - 1 - 6, 'p') + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        const std::string input = folder + "in.sz_";
        const std::string output = folder + "ou.out";
        ASSERT_EQ(length, input.size());
        ASSERT_TRUE(WriteTestFile(input, file));
        bool fits = FitsLzOpenFile(input.c_str());
        EXPECT_EQ(length < 128, fits);
        EXPECT_EQ(fits, FitsLzOpenFile(output.c_str()));

        EXPECT_EQ(fits ? whole : -1000, ExpandWithLz32(input, dir.File("short.out")));
        // An output it cannot name is not created at all.
        EXPECT_EQ(fits ? whole : -1000, ExpandWithLz32(shortInput, output));
        EXPECT_EQ(fits, TestFileExists(output));
        if (fits) {
            EXPECT_TRUE(ToBytesString(data) == ReadTestFile(output));
        }
    }
    // A relative name counts with its full path.
    std::string deep = dir.path() + std::string(140, 'r');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(deep + "\\in.sz_", file));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    EXPECT_FALSE(FitsLzOpenFile("in.sz_"));
    EXPECT_EQ(-1000, ExpandWithLz32("in.sz_", "rel.out"));
    SetCurrentDirectoryA(saved);
}

}  // namespace
