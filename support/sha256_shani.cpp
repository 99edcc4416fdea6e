// SHA-256 rounds by the SHA extensions; see sha256_shani.h. Each sha256rnds2 does two
// rounds on the state held as ABEF and CDGH; sha256msg1 and sha256msg2 extend the message
// schedule four words at a time.
#include "support/sha256_shani.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

namespace {

alignas(16) constexpr uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool Detect() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = (c & (1u << 9)) != 0;
    const bool sse41 = (c & (1u << 19)) != 0;
    if (!ssse3 || !sse41 || __get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, a, b, c, d);
    return (b & (1u << 29)) != 0;
}

}  // namespace

bool ShaNiAvailable() {
    static const bool available = Detect();
    return available;
}

// A 32-bit Windows stack is aligned to 4 bytes only; the vector registers spilled here
// need 16.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
__attribute__((target("sha,sse4.1,ssse3"))) void
ShaNiCompress(uint32_t state[8], const uint8_t* data, size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    // From A..D, E..H to the ABEF and CDGH halves the instructions take.
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i w[4];
        // Sixteen groups of four rounds; w holds the schedule's last sixteen words.
#pragma GCC unroll 16
        for (int group = 0; group < 16; ++group) {
            __m128i& current = w[group & 3];
            if (group < 4) {
                current = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)), byteSwap);
            }
            __m128i message = _mm_add_epi32(
                current, _mm_load_si128(reinterpret_cast<const __m128i*>(kK + 4 * group)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            if (group >= 3 && group <= 14) {
                __m128i& next = w[(group + 1) & 3];
                next = _mm_add_epi32(next, _mm_alignr_epi8(current, w[(group + 3) & 3], 4));
                next = _mm_sha256msg2_epu32(next, current);
            }
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
            if (group >= 1 && group <= 12) {
                __m128i& previous = w[(group + 3) & 3];
                previous = _mm_sha256msg1_epu32(previous, current);
            }
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }

    __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#else

bool ShaNiAvailable() { return false; }

void ShaNiCompress(uint32_t*, const uint8_t*, size_t) {}

#endif
