// The SZDD codec on memory buffers: round trips, header fields, every decoder failure on a
// small crafted fixture, and robustness on random and mutated input. Portable: runs
// natively and under Wine in both Windows builds.
#include "payload/szdd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

#include "tests/codec/test_data.h"

namespace {

Bytes Header(uint8_t mode, uint8_t lastChar, uint32_t length) {
    Bytes b(kSzddMagic, kSzddMagic + 8);
    b.push_back(mode);
    b.push_back(lastChar);
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(length >> (8 * k)));
    return b;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Encode(const Bytes& data, uint8_t lastChar = 'x') {
    return EncodeSzdd(data.data(), data.size(), lastChar);
}

SzddStatus Decode(const Bytes& file, Bytes* out, SzddHeader* header = nullptr) {
    return DecodeSzdd(file.data(), file.size(), out, header);
}

// Decodes into a heap buffer of exactly `capacity` bytes (so that ASan sees any overrun).
SzddStatus DecodeExact(const Bytes& file, size_t capacity, Bytes* out) {
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity ? capacity : 1]);
    std::unique_ptr<uint8_t[]> input(new uint8_t[file.size() ? file.size() : 1]);
    if (!file.empty()) std::memcpy(input.get(), file.data(), file.size());
    size_t produced = 12345;
    SzddStatus status = DecodeSzdd(input.get(), file.size(), buffer.get(), capacity, &produced);
    EXPECT_LE(produced, capacity);
    out->assign(buffer.get(), buffer.get() + produced);
    return status;
}

class RoundTrip : public ::testing::TestWithParam<NamedInput> {};

TEST_P(RoundTrip, DecodesToTheSameBytes) {
    const Bytes& data = GetParam().data;
    Bytes file = Encode(data, 'l');
    SzddHeader header = {};
    Bytes decoded;
    ASSERT_EQ(SzddStatus::kOk, Decode(file, &decoded, &header));
    EXPECT_EQ(data, decoded);
    EXPECT_EQ(kSzddModeA, header.mode);
    EXPECT_EQ('l', header.lastChar);
    EXPECT_EQ(data.size(), header.length);
    Bytes exact;
    ASSERT_EQ(SzddStatus::kOk, DecodeExact(file, data.size(), &exact));
    EXPECT_EQ(data, exact);
    // Never worse than all literals: one flag byte per eight bytes.
    EXPECT_LE(file.size(), kSzddHeaderSize + data.size() + (data.size() + 7) / 8);
}

INSTANTIATE_TEST_SUITE_P(Generated, RoundTrip, ::testing::ValuesIn(GeneratedInputs()),
                         [](const ::testing::TestParamInfo<NamedInput>& info) {
                             return info.param.name;
                         });

TEST(SzddEncoder, WritesTheHeader) {
    Bytes data = TextBytes(70000, 1);
    Bytes file = Encode(data, 'e');
    ASSERT_GE(file.size(), kSzddHeaderSize);
    EXPECT_EQ(0, std::memcmp(file.data(), "\x53\x5A\x44\x44\x88\xF0\x27\x33", 8));
    EXPECT_EQ(0x41, file[8]);
    EXPECT_EQ('e', file[9]);
    EXPECT_EQ(70000u, file[10] | file[11] << 8 | file[12] << 16 | uint32_t{file[13]} << 24);
    SzddHeader header = {};
    ASSERT_EQ(SzddStatus::kOk, ParseSzddHeader(file.data(), file.size(), &header));
    EXPECT_EQ(0x41, header.mode);
    EXPECT_EQ('e', header.lastChar);
    EXPECT_EQ(70000u, header.length);
    EXPECT_EQ(0, Encode({}, 0)[9]);
}

TEST(SzddEncoder, LastNameCharacter) {
    EXPECT_EQ('l', SzddLastNameChar("qelMapE.dll"));
    EXPECT_EQ('e', SzddLastNameChar("/opt/release/tVisLV.exe"));
    EXPECT_EQ('e', SzddLastNameChar("C:\\release\\tVisX.exe"));
    EXPECT_EQ(0, SzddLastNameChar("folder/"));
    EXPECT_EQ(0, SzddLastNameChar(""));
}

TEST(SzddEncoder, MatchesReachIntoTheInitialSpaces) {
    // 18 spaces are one match into the initial window: flag byte + 2 bytes.
    EXPECT_EQ(kSzddHeaderSize + 3, Encode(RunOf(18, ' ')).size());
    // 36 spaces: two matches.
    EXPECT_EQ(kSzddHeaderSize + 5, Encode(RunOf(36, ' ')).size());
    // " ab" + 15 spaces: three literals, then the 15 spaces are one match reaching back
    // into the initial spaces.
    Bytes data = {' ', 'a', 'b'};
    data.insert(data.end(), 15, ' ');
    EXPECT_EQ(kSzddHeaderSize + 1 + 3 + 2, Encode(data).size());
}

TEST(SzddEncoder, UsesLengthsUpTo18) {
    // A run of 18 * 100 + 1 bytes: one literal, then 100 matches of 18 (the first overlaps).
    Bytes data = RunOf(1801, 'z');
    size_t tokens = 101;
    EXPECT_EQ(kSzddHeaderSize + (tokens + 7) / 8 + 1 + 100 * 2, Encode(data).size());
}

TEST(SzddEncoder, ReachesTheWholeWindow) {
    // 4096 random bytes twice: the second copy lies exactly 4096 bytes back, the far end of
    // the window, so it costs 2 bytes per 18 bytes.
    Bytes data = Periodic(8192, 4096, 3);
    size_t matches = (4096 + 17) / 18;
    size_t expected = kSzddHeaderSize + 4096 + (4096 + matches + 7) / 8 + 2 * matches;
    EXPECT_LE(Encode(data).size(), expected);
    // 4097 bytes back is out of reach: the second copy cannot use the first.
    Bytes far = Periodic(8194, 4097, 3);
    EXPECT_GT(Encode(far).size(), kSzddHeaderSize + 8000);
}

TEST(SzddEncoder, CompressesText) {
    Bytes data = TextBytes(50000, 21);
    Bytes file = Encode(data);
    Bytes decoded;
    ASSERT_EQ(SzddStatus::kOk, Decode(file, &decoded));
    EXPECT_EQ(data, decoded);
    EXPECT_LT(file.size(), data.size() / 2);
}

// The cheapest parse in bits by brute force: every source in the 4096-byte window (the
// initial spaces included), every length 3..18, then the same dynamic programme.
size_t BruteForceOptimalSize(const Bytes& data) {
    const size_t n = data.size();
    Bytes v(kSzddWindowSize, ' ');
    v.insert(v.end(), data.begin(), data.end());
    std::vector<size_t> longest(n, 0);
    for (size_t i = 0; i < n; ++i) {
        size_t at = kSzddWindowSize + i;
        size_t limit = std::min(kSzddMaxMatch, n - i);
        for (size_t d = 1; d <= kSzddWindowSize; ++d) {
            size_t len = 0;
            while (len < limit && v[at - d + len] == v[at + len]) ++len;
            longest[i] = std::max(longest[i], len);
        }
    }
    std::vector<size_t> cost(n + 1, 0);
    for (size_t i = n; i-- > 0;) {
        cost[i] = 9 + cost[i + 1];
        for (size_t l = kSzddMinMatch; l <= longest[i]; ++l)
            cost[i] = std::min(cost[i], 17 + cost[i + l]);
    }
    return kSzddHeaderSize + (cost[0] + 7) / 8;
}

TEST(SzddEncoder, ParseIsCostOptimal) {
    const Bytes inputs[] = {SpacesAndWords(700, 31), TextBytes(700, 32), Periodic(700, 37, 33),
                            Concat(RandomBytes(300, 34), TextBytes(400, 35)), RunOf(100, ' ')};
    for (const Bytes& data : inputs) {
        EXPECT_EQ(BruteForceOptimalSize(data), Encode(data).size());
    }
}

// Hand-made streams, independent of our encoder.
TEST(SzddDecoder, DecodesHandMadeStreams) {
    Bytes out;
    // Three literals.
    ASSERT_EQ(SzddStatus::kOk, Decode(Concat(Header('A', 'x', 3), {0x07, 'a', 'b', 'c'}), &out));
    EXPECT_EQ((Bytes{'a', 'b', 'c'}), out);
    // A match at window position 0xFF0 before anything was written: three spaces.
    ASSERT_EQ(SzddStatus::kOk, Decode(Concat(Header('A', 0, 3), {0x00, 0xF0, 0xF0}), &out));
    EXPECT_EQ(RunOf(3, ' '), out);
    // "ab", then a match of 5 at 0xFF0 (where 'a' was written) overlapping itself.
    ASSERT_EQ(SzddStatus::kOk,
              Decode(Concat(Header('A', 0, 7), {0x03, 'a', 'b', 0xF0, 0xF2}), &out));
    EXPECT_EQ((Bytes{'a', 'b', 'a', 'b', 'a', 'b', 'a'}), out);
    // A match at position 0 of length 18 reaches the initial spaces (nothing written there).
    ASSERT_EQ(SzddStatus::kOk, Decode(Concat(Header('A', 0, 18), {0x00, 0x00, 0x0F}), &out));
    EXPECT_EQ(RunOf(18, ' '), out);
    // Header only, length 0.
    ASSERT_EQ(SzddStatus::kOk, Decode(Header('A', 0, 0), &out));
    EXPECT_TRUE(out.empty());
    // A lone flag byte after the last token yields nothing and is accepted.
    ASSERT_EQ(SzddStatus::kOk,
              Decode(Concat(Header('A', 0, 8), {0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x00}), &out));
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8}), out);
}

TEST(SzddDecoder, WrongMagicIsNotSzdd) {
    Bytes file = Encode(TextBytes(100, 1));
    file[3] = 'E';
    Bytes out;
    EXPECT_EQ(SzddStatus::kNotSzdd, Decode(file, &out));
    EXPECT_EQ(SzddStatus::kNotSzdd, Decode({}, &out));
    EXPECT_EQ(SzddStatus::kNotSzdd, Decode({'M', 'Z'}, &out));
    SzddHeader header;
    EXPECT_EQ(SzddStatus::kNotSzdd, ParseSzddHeader(file.data(), file.size(), &header));
}

TEST(SzddDecoder, TruncatedHeader) {
    Bytes file = Encode(TextBytes(100, 1));
    Bytes out;
    for (size_t n : {1, 5, 8, 9, 13}) {
        Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(SzddStatus::kHeaderTruncated, Decode(cut, &out)) << n;
        EXPECT_EQ(SzddStatus::kHeaderTruncated, DecodeExact(cut, 100, &out)) << n;
        EXPECT_TRUE(out.empty());
    }
}

TEST(SzddDecoder, ModeBIsUnsupported) {
    Bytes file = Encode(TextBytes(100, 1));
    file[8] = 'B';
    Bytes out;
    SzddHeader header = {};
    EXPECT_EQ(SzddStatus::kUnsupportedMode, Decode(file, &out, &header));
    EXPECT_EQ('B', header.mode);
    EXPECT_EQ(100u, header.length);
    EXPECT_TRUE(out.empty());
}

TEST(SzddDecoder, TruncatedStreamEndsEarly) {
    Bytes data = TextBytes(5000, 2);
    Bytes file = Encode(data);
    for (size_t drop :
         {size_t{1}, size_t{2}, size_t{3}, size_t{100}, file.size() - kSzddHeaderSize}) {
        Bytes cut(file.begin(), file.end() - static_cast<std::ptrdiff_t>(drop));
        Bytes out;
        EXPECT_EQ(SzddStatus::kStreamEndedEarly, Decode(cut, &out)) << drop;
        ASSERT_LT(out.size(), data.size());
        EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << drop;
        Bytes exact;
        EXPECT_EQ(SzddStatus::kStreamEndedEarly, DecodeExact(cut, data.size(), &exact));
        EXPECT_EQ(out, exact);
    }
}

TEST(SzddDecoder, HeaderLengthLargerThanTheStreamYields) {
    Bytes data = TextBytes(3000, 3);
    Bytes file = Encode(data);
    file[10] = static_cast<uint8_t>(file[10] + 1);  // 3001
    Bytes out;
    EXPECT_EQ(SzddStatus::kStreamEndedEarly, Decode(file, &out));
    EXPECT_EQ(data, out);
    // A huge claim costs no huge allocation.
    file[13] = 0xFF;
    EXPECT_EQ(SzddStatus::kStreamEndedEarly, Decode(file, &out));
    EXPECT_EQ(data, out);
}

TEST(SzddDecoder, HeaderLengthSmallerThanTheStreamYields) {
    Bytes data = TextBytes(3000, 4);
    Bytes file = Encode(data);
    for (uint32_t claimed : {2999u, 1000u, 1u, 0u}) {
        Bytes changed = file;
        for (int k = 0; k < 4; ++k) changed[10 + k] = static_cast<uint8_t>(claimed >> (8 * k));
        Bytes out;
        EXPECT_EQ(SzddStatus::kLengthMismatch, Decode(changed, &out)) << claimed;
        ASSERT_EQ(claimed, out.size());
        EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin()));
        EXPECT_EQ(SzddStatus::kLengthMismatch, DecodeExact(changed, claimed, &out));
    }
}

TEST(SzddDecoder, OutputCapacityTooSmall) {
    Bytes data = TextBytes(3000, 5);
    Bytes file = Encode(data);
    uint8_t buffer[16];
    std::memset(buffer, 0xAB, sizeof buffer);
    size_t produced = 99;
    EXPECT_EQ(SzddStatus::kOutputTooSmall,
              DecodeSzdd(file.data(), file.size(), buffer, sizeof buffer, &produced));
    EXPECT_EQ(0u, produced);
    for (uint8_t b : buffer) EXPECT_EQ(0xAB, b);
    Bytes out;
    EXPECT_EQ(SzddStatus::kOutputTooSmall, DecodeExact(file, 2999, &out));
    EXPECT_EQ(SzddStatus::kOk, DecodeExact(file, 3001, &out));
    EXPECT_EQ(data, out);
}

TEST(SzddDecoder, StatusTextsAreDistinct) {
    const SzddStatus all[] = {SzddStatus::kOk,
                              SzddStatus::kNotSzdd,
                              SzddStatus::kUnsupportedMode,
                              SzddStatus::kHeaderTruncated,
                              SzddStatus::kStreamEndedEarly,
                              SzddStatus::kLengthMismatch,
                              SzddStatus::kOutputTooSmall};
    for (SzddStatus a : all) {
        for (SzddStatus b : all) {
            if (a != b) {
                EXPECT_STRNE(SzddStatusText(a), SzddStatusText(b));
            }
        }
    }
}

TEST(SzddDecoder, MaxYieldBoundsEveryStream) {
    // The densest stream: flag bytes of 0 and matches of 18.
    Bytes file = Header('A', 0, 0xFFFFFFFFu);
    for (int g = 0; g < 100; ++g) {
        file.push_back(0);
        for (int k = 0; k < 8; ++k) {
            file.push_back(0x00);
            file.push_back(0x0F);
        }
    }
    Bytes out;
    EXPECT_EQ(SzddStatus::kStreamEndedEarly, Decode(file, &out));
    EXPECT_EQ(100u * 8 * 18, out.size());
    EXPECT_LE(out.size(), SzddMaxYield(file.size()));
}

// Robustness: random and mutated inputs never crash or overrun (run under ASan natively).
TEST(SzddDecoder, SurvivesRandomInput) {
    Bytes seedFile = Encode(TextBytes(2000, 6));
    for (uint32_t i = 0; i < 3000; ++i) {
        Bytes input = RandomBytes(i % 300, i);
        if (i % 2 == 0) {
            // Keep a valid header with a random length so the stream itself gets decoded.
            Bytes header = Header('A', 0, static_cast<uint32_t>(RandomBytes(1, i)[0]) * (i % 40));
            input = Concat(header, input);
        }
        Bytes out;
        SzddStatus status = Decode(input, &out);
        SzddHeader header = {};
        if (ParseSzddHeader(input.data(), input.size(), &header) == SzddStatus::kOk) {
            Bytes exact;
            EXPECT_EQ(status, DecodeExact(input, header.length, &exact));
            EXPECT_EQ(out, exact);
            EXPECT_LE(out.size(), header.length);
        }
    }
}

TEST(SzddDecoder, SurvivesMutatedFiles) {
    Bytes data = Concat(TextBytes(6000, 7), RandomBytes(2000, 8));
    Bytes file = Encode(data);
    for (uint32_t i = 0; i < 2000; ++i) {
        Bytes mutated = file;
        Bytes noise = RandomBytes(8, i + 100);
        size_t flips = 1 + noise[0] % 4;
        for (size_t k = 0; k < flips; ++k) {
            size_t at = (noise[1 + k] * 7919u + i * 131u) % mutated.size();
            mutated[at] ^= static_cast<uint8_t>(1u << (noise[5] % 8));
        }
        if (i % 3 == 0) mutated.resize(mutated.size() - (i % mutated.size()));
        Bytes out;
        SzddStatus status = Decode(mutated, &out);
        SzddHeader header = {};
        if (ParseSzddHeader(mutated.data(), mutated.size(), &header) == SzddStatus::kOk &&
            header.length < 100000) {
            Bytes exact;
            EXPECT_EQ(status, DecodeExact(mutated, header.length, &exact));
            EXPECT_EQ(out, exact);
        }
    }
}

}  // namespace
