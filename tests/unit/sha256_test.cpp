// SHA-256 against the FIPS 180-4 examples and against digests of messages whose lengths sit
// at the padding's edges (taken from coreutils' sha256sum), and incremental updates split
// anywhere, the padding boundary included, against the one-shot digest. Each with both
// engines: the portable rounds, and the processor's SHA extensions where it has them.
#include "support/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const Sha256Digest& digest) {
    char text[kSha256HexSize];
    Sha256Hex(digest, text);
    return text;
}

std::string HexOf(const std::string& message, Sha256Engine engine = Sha256Engine::kAuto) {
    return Hex(Sha256Of(message.data(), message.size(), engine));
}

const Sha256Engine kEngines[] = {Sha256Engine::kAuto, Sha256Engine::kPortable};

const char* EngineName(Sha256Engine engine) {
    return engine == Sha256Engine::kAuto ? "auto" : "portable";
}

// "abcd...zabc...", `length` letters.
std::string Letters(size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
    return text;
}

TEST(Sha256, FipsExamples) {
    struct Case {
        const char* name;
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"empty", "", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
        {"abc", "abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {"896 bits",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnop"
         "qrlmnopqrsmnopqrstnopqrstu",
         "CF5B16A778AF8380036CE59E7B0492370B249B11E8F07A51AFAC45037AFEE9D1"},
        {"a million a", std::string(1000000, 'a'),
         "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
    };
    for (Sha256Engine engine : kEngines) {
        for (const Case& c : cases) {
            EXPECT_EQ(c.digest, HexOf(c.message, engine)) << c.name << ", " << EngineName(engine);
        }
    }
}

// 55 bytes still take their length in the same block; 56 to 63 push it into a second one;
// 64 fills a block exactly, so the padding is a block of its own.
TEST(Sha256, LengthsAtThePaddingBoundary) {
    struct Case {
        size_t length;
        const char* digest;
    };
    const Case cases[] = {
        {55, "595615DBE4F0F407AE397D08B4C2CB870CB9B0E11937416F950C5160ACF9C005"},
        {56, "784F623B787495078E93FF28A25B581DF0584055A7E71D8CD90C454716B92F51"},
        {63, "5CA3E1EF5207490EAC01A795E5CC94D59582A5118BF9534665C8668D87AA647C"},
        {64, "2FCD5A0D60E4C941381FCC4E00A4BF8BE422C3DDFAFB93C809E8D1E2BFFFAE8E"},
        {65, "1B3CD1877AB2F2F19F7BE001722554F336CB799DF0329DE0BB4C118DC6ABC06D"},
        {119, "FAEF67DA856D6FD9C8D12F9ED0A4FEFD3CF0CE085AB43E2907418D457E3C354B"},
        {120, "C9512B08619C19FBB503C7DA6B46EF20301E5F7A7A5F43989182398536F5C5C8"},
    };
    for (Sha256Engine engine : kEngines) {
        for (const Case& c : cases) {
            EXPECT_EQ(c.digest, HexOf(Letters(c.length), engine))
                << c.length << ", " << EngineName(engine);
        }
    }
}

// Each case splits one message into updates of the given sizes (the rest in a last one);
// the digest is the one-shot digest whatever the splits.
TEST(Sha256, IncrementalUpdatesEqualTheOneShotDigest) {
    struct Case {
        size_t length;
        std::vector<size_t> pieces;
    };
    const Case cases[] = {
        {200, {0}},
        {200, {1}},
        {200, {55}},
        {200, {56}},
        {200, {63}},
        {200, {64}},
        {200, {65}},
        {200, {55, 1}},
        {200, {63, 1, 0, 1}},
        {200, {64, 64}},
        {200, {1, 63, 1, 63}},
        {200, {10, 10, 10, 10, 10, 10, 10}},
        {56, {55}},
        {64, {63}},
        {65, {64}},
        {128, {65, 62}},
        {1000, {3, 120, 7, 128, 500}},
    };
    for (Sha256Engine engine : kEngines) {
        for (const Case& c : cases) {
            const std::string message = Letters(c.length);
            Sha256 sha(engine);
            size_t at = 0;
            for (size_t piece : c.pieces) {
                sha.Update(message.data() + at, piece);
                at += piece;
            }
            sha.Update(message.data() + at, message.size() - at);
            std::string splits;
            for (size_t piece : c.pieces) splits += std::to_string(piece) + " ";
            EXPECT_EQ(HexOf(message, Sha256Engine::kPortable), Hex(sha.Finish()))
                << c.length << " split " << splits << ", " << EngineName(engine);
        }
        // One byte at a time across several blocks.
        const std::string message = Letters(300);
        Sha256 sha(engine);
        for (char c : message) sha.Update(&c, 1);
        EXPECT_EQ(HexOf(message, Sha256Engine::kPortable), Hex(sha.Finish())) << EngineName(engine);
    }
}

// Long messages of every byte value, whole blocks and a tail: the two engines agree, so
// the processor's rounds are checked beyond the known examples wherever they run.
TEST(Sha256, BothEnginesAgreeOnLongMessages) {
    std::string message;
    for (size_t i = 0; i < 100000; ++i) message += static_cast<char>((i * 7919) >> 3);
    for (size_t length : {size_t{64}, size_t{640}, size_t{4097}, message.size()}) {
        const std::string part = message.substr(0, length);
        EXPECT_EQ(HexOf(part, Sha256Engine::kPortable), HexOf(part, Sha256Engine::kAuto)) << length;
    }
}

TEST(Sha256, DigestsCompareByEveryByte) {
    const Sha256Digest a = Sha256Of("abc", 3);
    for (size_t i = 0; i < kSha256Size; ++i) {
        Sha256Digest b = a;
        b.bytes[i] ^= 0x01;
        EXPECT_TRUE(a != b) << i;
        EXPECT_FALSE(a == b) << i;
    }
    EXPECT_TRUE(a == Sha256Of("abc", 3));
}

}  // namespace
