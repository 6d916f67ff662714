// Small SSE2 helpers shared by the block renderers (voice lanes, reverb):
// each one does lane by lane exactly what its scalar counterpart does.
#pragma once

#include <emmintrin.h>

namespace Sse {

#define KORVO_INLINE inline __attribute__((always_inline))

KORVO_INLINE __m128 Select(__m128 mask, __m128 whenSet, __m128 otherwise) {
    return _mm_or_ps(_mm_and_ps(mask, whenSet), _mm_andnot_ps(mask, otherwise));
}

KORVO_INLINE __m128i Select(__m128i mask, __m128i whenSet, __m128i otherwise) {
    return _mm_or_si128(_mm_and_si128(mask, whenSet), _mm_andnot_si128(mask, otherwise));
}

// Lanes whose float exponent bits are all 0 (zero or denormal) or all 1
// (infinity or NaN).
KORVO_INLINE __m128 ExponentIs(__m128 x, int bits) {
    const __m128i exponent = _mm_and_si128(_mm_castps_si128(x), _mm_set1_epi32(0x7F800000));
    return _mm_castsi128_ps(_mm_cmpeq_epi32(exponent, _mm_set1_epi32(bits)));
}

// Zero and denormals become +0.
KORVO_INLINE __m128 FlushDenormals(__m128 x) { return _mm_andnot_ps(ExponentIs(x, 0), x); }

// Infinity and NaN become +0.
KORVO_INLINE __m128 FiniteOrZero(__m128 x) { return _mm_andnot_ps(ExponentIs(x, 0x7F800000), x); }

// Rows a..d into columns r0..r3.
KORVO_INLINE void Transpose(__m128 a, __m128 b, __m128 c, __m128 d, __m128& r0, __m128& r1, __m128& r2,
                            __m128& r3) {
    const __m128 ab0 = _mm_unpacklo_ps(a, b), cd0 = _mm_unpacklo_ps(c, d);
    const __m128 ab1 = _mm_unpackhi_ps(a, b), cd1 = _mm_unpackhi_ps(c, d);
    r0 = _mm_movelh_ps(ab0, cd0);
    r1 = _mm_movehl_ps(cd0, ab0);
    r2 = _mm_movelh_ps(ab1, cd1);
    r3 = _mm_movehl_ps(cd1, ab1);
}

#undef KORVO_INLINE

} // namespace Sse
