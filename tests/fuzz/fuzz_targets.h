// The fuzz targets' entry functions, one per target and file (szdd_fuzz.cpp: FuzzSzdd, ...).
// Each takes one input, hands it to the product's own functions, and checks the rules they
// promise; a broken rule ends the process through FuzzCheck. libFuzzer calls them through
// libfuzzer_main.cpp (preset fuzz, clang); FuzzReplay.* runs the committed inputs through
// them in every native build. The targets are listed in targets.txt, which the build turns
// into TVIS_FUZZ_TARGETS (fuzz_target_list.h). See docs/fuzzing.md.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz_target_list.h"

#define TVIS_FUZZ_DECLARE_ENTRY(target, Name) int Fuzz##Name(const uint8_t* data, size_t size);
TVIS_FUZZ_TARGETS(TVIS_FUZZ_DECLARE_ENTRY)
#undef TVIS_FUZZ_DECLARE_ENTRY
