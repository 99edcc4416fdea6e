// libFuzzer's entry point for one target: TVIS_FUZZ_ENTRY names the target's function
// (tests/fuzz/CMakeLists.txt builds this file once per target).
#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return TVIS_FUZZ_ENTRY(data, size);
}
