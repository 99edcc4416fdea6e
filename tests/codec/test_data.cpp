// Generated inputs for the codec tests.
#include "tests/codec/test_data.h"

namespace {

uint32_t Next(uint32_t* state) {
    // xorshift32
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

}  // namespace

Bytes RandomBytes(size_t size, uint32_t seed) {
    uint32_t state = seed * 2654435761u + 1;
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(Next(&state) >> 24);
    return bytes;
}

Bytes TextBytes(size_t size, uint32_t seed) {
    static const char* const kWords[] = {
        "the",  "upgrade",     "installer",     "window",   "of",   "spaces",   "match",  "literal",
        "tVis", "qelMapE.dll", "vehicle",       "tracking", "map",  "compress", "expand", "and",
        "a",    "is",          "Uaktualnienie", "plik",     "\r\n", ", ",       ". "};
    uint32_t state = seed * 2654435761u + 7;
    Bytes bytes;
    bytes.reserve(size + 32);
    while (bytes.size() < size) {
        const char* word = kWords[Next(&state) % (sizeof kWords / sizeof kWords[0])];
        bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
        bytes.push_back(' ');
    }
    bytes.resize(size);
    return bytes;
}

Bytes RunOf(size_t size, uint8_t value) { return Bytes(size, value); }

Bytes Periodic(size_t size, size_t period, uint32_t seed) {
    Bytes block = RandomBytes(period, seed);
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = block[i % period];
    return bytes;
}

Bytes SpacesAndWords(size_t size, uint32_t seed) {
    uint32_t state = seed * 2654435761u + 3;
    Bytes bytes;
    while (bytes.size() < size) {
        size_t spaces = Next(&state) % 40;
        bytes.insert(bytes.end(), spaces, ' ');
        size_t letters = 1 + Next(&state) % 5;
        for (size_t k = 0; k < letters; ++k)
            bytes.push_back(static_cast<uint8_t>('a' + Next(&state) % 26));
    }
    bytes.resize(size);
    return bytes;
}

std::vector<NamedInput> GeneratedInputs() {
    std::vector<NamedInput> inputs;
    inputs.push_back({"Empty", {}});
    inputs.push_back({"OneByte", {0x41}});
    inputs.push_back({"OneSpace", {0x20}});
    inputs.push_back({"TwoBytes", {0x00, 0xFF}});
    inputs.push_back({"ThreeSpaces", RunOf(3, ' ')});
    inputs.push_back({"FifteenBytes", TextBytes(15, 1)});
    inputs.push_back({"SixteenBytes", TextBytes(16, 2)});
    inputs.push_back({"RunOf19", RunOf(19, 'x')});
    inputs.push_back({"RunOfZeros1000", RunOf(1000, 0)});
    inputs.push_back({"RunOfSpaces5000", RunOf(5000, ' ')});
    inputs.push_back({"LongRun100k", RunOf(100000, 0xCC)});
    inputs.push_back({"Window4095", TextBytes(4095, 3)});
    inputs.push_back({"Window4096", TextBytes(4096, 4)});
    inputs.push_back({"Window4097", TextBytes(4097, 5)});
    inputs.push_back({"Random4096", RandomBytes(4096, 6)});
    inputs.push_back({"Random4112", RandomBytes(4112, 7)});
    inputs.push_back({"Period4096", Periodic(20000, 4096, 8)});
    inputs.push_back({"Period4097", Periodic(20000, 4097, 9)});
    inputs.push_back({"Period4095", Periodic(20000, 4095, 10)});
    inputs.push_back({"InitialSpaces", SpacesAndWords(6000, 11)});
    inputs.push_back({"SpacesThenData", [] {
                          Bytes b = RunOf(4090, ' ');
                          Bytes t = TextBytes(3000, 12);
                          b.insert(b.end(), t.begin(), t.end());
                          return b;
                      }()});
    inputs.push_back({"AllByteValues", [] {
                          Bytes b;
                          for (int r = 0; r < 40; ++r)
                              for (int v = 0; v < 256; ++v) b.push_back(static_cast<uint8_t>(v));
                          return b;
                      }()});
    inputs.push_back({"Random100k", RandomBytes(100000, 13)});
    inputs.push_back({"Text200k", TextBytes(200000, 14)});
    inputs.push_back({"Mixed", [] {
                          Bytes b = TextBytes(30000, 15);
                          Bytes r = RandomBytes(9000, 16);
                          b.insert(b.end(), r.begin(), r.end());
                          b.insert(b.end(), 300, 0);
                          Bytes t = TextBytes(30000, 15);
                          b.insert(b.end(), t.begin(), t.end());
                          return b;
                      }()});
    return inputs;
}
