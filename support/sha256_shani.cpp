// SHA-256 rounds by the SHA extensions; see sha256_shani.h. Each sha256rnds2 does two
// rounds on the state held as ABEF and CDGH; sha256msg1 and sha256msg2 extend the message
// schedule four words at a time.
#include "support/sha256_shani.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#include "support/sha256_constants.h"

namespace {

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
                current, _mm_load_si128(
                             reinterpret_cast<const __m128i*>(kSha256RoundConstants + 4 * group)));
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
