// FuzzReplay.*: each fuzz target's committed inputs, its seed corpus and the regressions its
// findings left (corpus/<target>/, regressions/<target>/), through the target's own entry
// function. Built in every native build, the sanitized one included, so that every run of
// the suite replays them without clang. StrictJson.*: the JSON reader that inspect_fuzz
// relies on refuses what it must.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/json_check.h"

namespace {

namespace fs = std::filesystem;

using Entry = int (*)(const uint8_t*, size_t);

std::vector<fs::path> InputsOf(const char* target) {
    std::vector<fs::path> inputs;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder = fs::path(TVIS_FUZZ_DIR) / kind / target;
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

// Runs every input through `entry` in a buffer of exactly its size, as libFuzzer hands it
// over, so that the sanitizers see a read past its end. A broken rule ends the process
// (FuzzCheck); the last input named on stderr is the one.
void Replay(const char* target, Entry entry) {
    const std::vector<fs::path> inputs = InputsOf(target);
    ASSERT_FALSE(inputs.empty()) << "no corpus for " << target;
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        ASSERT_TRUE(in.good() || in.eof()) << path;
        std::unique_ptr<uint8_t[]> input(new uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), input.get());
        std::fprintf(stderr, "%s: %s\n", target, path.filename().c_str());
        EXPECT_EQ(0, entry(input.get(), bytes.size())) << path;
    }
    std::printf("%s: %zu inputs replayed\n", target, inputs.size());
}

// FuzzReplay.Szdd for szdd_fuzz, and so on for each target of targets.txt.
#define TVIS_FUZZ_REPLAY(target, Name) \
    TEST(FuzzReplay, Name) { Replay(#target, Fuzz##Name); }
TVIS_FUZZ_TARGETS(TVIS_FUZZ_REPLAY)
#undef TVIS_FUZZ_REPLAY

TEST(StrictJson, TakesJsonAndRefusesWhatIsNot) {
    const struct {
        std::string text;
        bool strict;
    } cases[] = {
        {R"({"a": [1, -2.5e3, true, false, null], "b": {"c": "\u001F\n\"\\ Łódź"}})", true},
        {"  \"\\u0081\"\n", true},
        {"0", true},
        {"", false},
        {"{\"a\": 1,}", false},
        {"[1 2]", false},
        {"01", false},
        {"1.", false},
        {"\"tab\there\"", false},
        {"\"del\x7F\"", false},
        {"\"c1 \xC2\x81\"", false},
        {"\"lone \xC5\"", false},
        {"\"overlong \xC0\xAF\"", false},
        {"\"surrogate \xED\xA0\x80\"", false},
        {"\"\\x41\"", false},
        {"\"\\u12G4\"", false},
        {"\"open", false},
        {"{} {}", false},
        {"tru", false},
        {"{\"a\" 1}", false},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(c.strict, IsStrictJson(c.text, &why)) << c.text << ": " << why;
        if (!c.strict) {
            EXPECT_FALSE(why.empty()) << c.text;
        }
    }
}

}  // namespace
