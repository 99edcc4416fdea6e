// The fuzz targets' entry functions, one per target and file (szdd_fuzz.cpp, ...). Each takes
// one input, hands it to the product's own functions, and checks the rules they promise;
// a broken rule ends the process through FuzzCheck. libFuzzer calls them through
// libfuzzer_main.cpp (preset fuzz, clang); FuzzReplay.* runs the committed inputs through
// them in every native build. See docs/fuzzing.md.
#pragma once

#include <cstddef>
#include <cstdint>

int FuzzSzdd(const uint8_t* data, size_t size);
int FuzzTrailer(const uint8_t* data, size_t size);
int FuzzVersionRecord(const uint8_t* data, size_t size);
int FuzzFolderText(const uint8_t* data, size_t size);
int FuzzRegistryText(const uint8_t* data, size_t size);
int FuzzProgressBar(const uint8_t* data, size_t size);
int FuzzInspect(const uint8_t* data, size_t size);
int FuzzCommandLine(const uint8_t* data, size_t size);
