// How ReadRegString turns a registry value into a text in its caller's fixed buffer: how
// much of the value is read at all, how much of it is copied, and where the terminator goes.
// Portable, so that the rules are tested and fuzzed natively; registry_win.cpp queries the
// value and hands its bytes here.
#pragma once

#include <cstdint>

// The value is queried into a buffer with room for this many bytes; a value with more data
// is not read at all.
constexpr uint32_t kRegistryQueryLimit = 510;

// Copies a value's data into `output` as ReadRegString does, whatever the value's type: a
// REG_DWORD's four bytes are taken as text as well, and no type changes these rules.
//   - data null (the value could not be read) or size above kRegistryQueryLimit: nothing is
//     copied; output's first byte is set to NUL when maximumLength leaves room for it.
//     Returns 0.
//   - otherwise exactly count = maximumLength - 1 bytes are written, at most
//     kRegistryQueryLimit - 1: the data's bytes, then zeros beyond its size (bytes after an
//     embedded NUL come along, as the product always copied them), then the terminator at
//     output[count]. With maximumLength 0 nothing is written. Returns 1.
// `output` must hold maximumLength bytes; `data` is never read beyond `size` bytes.
int CopyRegistryText(const uint8_t* data, uint32_t size, unsigned maximumLength, char* output);
