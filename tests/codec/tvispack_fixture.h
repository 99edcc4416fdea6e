// The fixture of the tests that run the real tvispack binary (native build): a stub of
// ours and three product files with version records in a temporary folder, and running
// tvispack with its output and error caught together.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "payload/szdd.h"
#include "payload/trailer.h"
#include "tests/codec/native_files.h"
#include "tests/codec/test_data.h"
#include "tests/support/product_file.h"
#include "tests/support/test_stub.h"

#ifndef TVISPACK_PATH
#error "TVISPACK_PATH must name the tvispack binary"
#endif

class Tvispack : public ::testing::Test {
protected:
    void SetUp() override {
        stub = MakeTestStub(60000);
        inputs[0] = Concat(TextBytes(90000, 2), RandomBytes(5000, 3));
        inputs[1] = TextBytes(40000, 4);
        inputs[2] = Concat(RunOf(3000, 0), TextBytes(70000, 5));
        // The product files carry version records, or build refuses them.
        PlaceRecord(inputs[0], 4000, RecordFields());
        PlaceRecord(inputs[1], 39000, RecordFields());
        PlaceRecord(inputs[2], 1, RecordFields());
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
    int Run(const std::string& args) {
        return RunCommand(Quote(TVISPACK_PATH) + " " + args, &output);
    }

    std::string BuildArgs(const std::string& stubPath, const std::string& out) {
        return "build --stub " + Quote(stubPath) + " --qelmape " + Quote(dir.File("qelMapE.dll")) +
               " --tvislv " + Quote(dir.File("tVisLV.exe")) + " --tvisx " +
               Quote(dir.File("tVisX.exe")) + " -o " + Quote(out);
    }

    int Build(const std::string& out) { return Run(BuildArgs(dir.File("stub.exe"), out)); }

    // Checks a built installer with the reader's rules and decodes its regions.
    void ExpectSoundInstaller(const Bytes& file, uint32_t expectedStart) {
        PayloadTrailer trailer;
        ASSERT_EQ(kPayloadOk,
                  CheckPayloadImage(file.data(), static_cast<uint32_t>(file.size()), &trailer));
        EXPECT_EQ(expectedStart, trailer.payloadStart);
        EXPECT_TRUE(std::equal(stub.begin(), stub.end(), file.begin()));
        const auto sizes = CarriedSizes(trailer);
        const char lastChars[3] = {'l', 'e', 'e'};
        size_t offset = trailer.payloadStart;
        for (int i = 0; i < 3; ++i) {
            Bytes decoded;
            SzddHeader header = {};
            ASSERT_EQ(SzddStatus::kOk,
                      DecodeSzdd(file.data() + offset, sizes[i], &decoded, &header))
                << i;
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

inline const char* const kProductNames[3] = {"qelMapE.dll", "tVisLV.exe", "tVisX.exe"};
inline const char* const kOptions[3] = {"--qelmape", "--tvislv", "--tvisx"};
