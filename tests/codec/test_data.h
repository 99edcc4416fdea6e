// Generated inputs for the codec tests: every kind of data that matters to an LZSS coder
// with a 4096-byte window that starts as spaces.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Deterministic pseudo-random bytes.
Bytes RandomBytes(size_t size, uint32_t seed);
// English-like text with repeated words and lines.
Bytes TextBytes(size_t size, uint32_t seed);
// `size` copies of one byte.
Bytes RunOf(size_t size, uint8_t value);
// A block of `period` random bytes repeated up to `size` bytes: with period 4096 every
// match lies exactly at the window's far end.
Bytes Periodic(size_t size, size_t period, uint32_t seed);
// Spaces and short words, so that matches into the window's initial spaces pay off.
Bytes SpacesAndWords(size_t size, uint32_t seed);

// A named input for parameterised round trips.
struct NamedInput {
    std::string name;
    Bytes data;
};
// The generated inputs every decoder must round-trip: empty, 1, 2, 3 bytes, runs longer
// than 18, sizes around the window (4095, 4096, 4097), the initial-space region, period
// 4096 and 4097, incompressible data, text.
std::vector<NamedInput> GeneratedInputs();

// Test names print the input's name, not its bytes.
inline void PrintTo(const NamedInput& input, std::ostream* os) { *os << input.name; }
