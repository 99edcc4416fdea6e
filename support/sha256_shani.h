// SHA-256's compression by the processor's SHA extensions (SHA-NI, on x86 since 2016-2017
// processors), where it has them: some ten times the speed of the portable rounds, for the
// megabytes of new copies the installer takes digests of. Elsewhere, and on other
// processors, ShaNiAvailable() is false and the portable rounds run.
#pragma once

#include <cstddef>
#include <cstdint>

// Whether the processor has the SHA extensions and SSSE3 and SSE4.1 beside them.
bool ShaNiAvailable();

// Compresses `blocks` 64-byte blocks into `state` (the eight working words, as FIPS 180-4
// names them). Only when ShaNiAvailable().
void ShaNiCompress(uint32_t state[8], const uint8_t* data, size_t blocks);
