// The voice lanes' kernel for AVX: eight lanes, for processors that have it
// (the build's baseline is SSE2; see InstructionSet.h).
// Only the code after the pragma is AVX code: headers come first, so no
// inline function they define is compiled for AVX and shared with SSE2 code.
#include "LowPassTable.h"
#include "Tables.h"
#include "VoiceFrame.h"
#include "VoiceLanesState.h"

#include <cstdint>

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx")
#endif

#include "VoiceLanesKernel.h"

namespace {

#define KORVO_INLINE inline __attribute__((always_inline))

struct Avx8 {
    static constexpr int kLanes = 8;
    using F = __m256;
    using D = __m256d;

    static KORVO_INLINE F LoadF(const float* p) { return _mm256_loadu_ps(p); }
    static KORVO_INLINE void StoreF(float* p, F x) { _mm256_storeu_ps(p, x); }
    static KORVO_INLINE D LoadD(const double* p) { return _mm256_loadu_pd(p); }
    static KORVO_INLINE void StoreD(double* p, D x) { _mm256_storeu_pd(p, x); }
    static KORVO_INLINE F SetF(float x) { return _mm256_set1_ps(x); }
    static KORVO_INLINE D SetD(double x) { return _mm256_set1_pd(x); }
    static KORVO_INLINE D ZeroD() { return _mm256_setzero_pd(); }

    static KORVO_INLINE F Add(F a, F b) { return _mm256_add_ps(a, b); }
    static KORVO_INLINE F Sub(F a, F b) { return _mm256_sub_ps(a, b); }
    static KORVO_INLINE F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
    static KORVO_INLINE F AndNot(F mask, F x) { return _mm256_andnot_ps(mask, x); }
    // Bitwise, not a blend: the compiler would turn a blend on a mask it
    // cannot see into lane-by-lane code.
    static KORVO_INLINE F Select(F mask, F whenSet, F otherwise) {
        return _mm256_or_ps(_mm256_and_ps(mask, whenSet), _mm256_andnot_ps(mask, otherwise));
    }
    static KORVO_INLINE F IsZero(F x) { return _mm256_cmp_ps(x, _mm256_setzero_ps(), _CMP_EQ_OQ); }
    // Zero and denormals become +0: the exponent bits alone, compared as a
    // float, are 0 exactly then (they are never a denormal themselves).
    static KORVO_INLINE F FlushDenormals(F x) {
        const F exponent = _mm256_and_ps(x, _mm256_castsi256_ps(_mm256_set1_epi32(0x7F800000)));
        return _mm256_andnot_ps(_mm256_cmp_ps(exponent, _mm256_setzero_ps(), _CMP_EQ_OQ), x);
    }

    static KORVO_INLINE D Add(D a, D b) { return _mm256_add_pd(a, b); }
    static KORVO_INLINE D Sub(D a, D b) { return _mm256_sub_pd(a, b); }
    static KORVO_INLINE D Mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static KORVO_INLINE D And(D a, D b) { return _mm256_and_pd(a, b); }
    static KORVO_INLINE D Or(D a, D b) { return _mm256_or_pd(a, b); }
    static KORVO_INLINE D AndNot(D mask, D x) { return _mm256_andnot_pd(mask, x); }
    static KORVO_INLINE D CmpGe(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static KORVO_INLINE D CmpGt(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static KORVO_INLINE D CmpLe(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
    static KORVO_INLINE D CmpLt(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static KORVO_INLINE bool Any(D mask) { return _mm256_movemask_pd(mask) != 0; }

    // Four lanes' doubles each as floats, all eight lanes in one register.
    static KORVO_INLINE F ToFloats(D low, D high) {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)), _mm256_cvtpd_ps(high), 1);
    }

    // The whole parts of four lanes' positions into whole; their fractions.
    static KORVO_INLINE D Fraction(D position, int32_t* whole) {
        const __m128i i = _mm256_cvttpd_epi32(position);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(whole), i);
        return _mm256_sub_pd(position, _mm256_cvtepi32_pd(i));
    }

    // Rows a..d (two 128-bit halves each) into columns, half by half.
    static KORVO_INLINE void Transpose(F a, F b, F c, F d, F& r0, F& r1, F& r2, F& r3) {
        const F ab0 = _mm256_unpacklo_ps(a, b), cd0 = _mm256_unpacklo_ps(c, d);
        const F ab1 = _mm256_unpackhi_ps(a, b), cd1 = _mm256_unpackhi_ps(c, d);
        r0 = _mm256_shuffle_ps(ab0, cd0, _MM_SHUFFLE(1, 0, 1, 0));
        r1 = _mm256_shuffle_ps(ab0, cd0, _MM_SHUFFLE(3, 2, 3, 2));
        r2 = _mm256_shuffle_ps(ab1, cd1, _MM_SHUFFLE(1, 0, 1, 0));
        r3 = _mm256_shuffle_ps(ab1, cd1, _MM_SHUFFLE(3, 2, 3, 2));
    }

    // Lanes k and k + 4 in the two halves of one register.
    static KORVO_INLINE F Halves(const float* low, const float* high) {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(low)), _mm_loadu_ps(high), 1);
    }

    // Frames whole - 1 .. whole + 2 of each lane's buffer, both channels,
    // lane by lane.
    static KORVO_INLINE void FetchFrames(const float* const base[kLanes], const int32_t* whole, F& y0, F& y0Right,
                                         F& y1, F& y1Right, F& y2, F& y2Right, F& y3, F& y3Right) {
        const float* a = base[0] + 2 * whole[0] - 2;
        const float* b = base[1] + 2 * whole[1] - 2;
        const float* c = base[2] + 2 * whole[2] - 2;
        const float* d = base[3] + 2 * whole[3] - 2;
        const float* e = base[4] + 2 * whole[4] - 2;
        const float* f = base[5] + 2 * whole[5] - 2;
        const float* g = base[6] + 2 * whole[6] - 2;
        const float* h = base[7] + 2 * whole[7] - 2;
        Transpose(Halves(a, e), Halves(b, f), Halves(c, g), Halves(d, h), y0, y0Right, y1, y1Right);
        Transpose(Halves(a + 4, e + 4), Halves(b + 4, f + 4), Halves(c + 4, g + 4), Halves(d + 4, h + 4), y2, y2Right,
                  y3, y3Right);
    }

    // CutoffCurveIndex lane by lane.
    static KORVO_INLINE void StoreCutoffIndices(int32_t* out, F position) {
        const F above = _mm256_cmp_ps(position, _mm256_set1_ps(100.0f), _CMP_GT_OQ);
        const F below = _mm256_cmp_ps(position, _mm256_setzero_ps(), _CMP_LT_OQ);
        const F number = _mm256_cmp_ps(position, position, _CMP_ORD_Q);
        F index = _mm256_castsi256_ps(_mm256_cvttps_epi32(_mm256_mul_ps(_mm256_set1_ps(10.0f), position)));
        index = _mm256_and_ps(index, number);
        index = Select(above, _mm256_castsi256_ps(_mm256_set1_epi32(kCutoffAbove)), index);
        index = Select(below, _mm256_castsi256_ps(_mm256_set1_epi32(kCutoffBelow)), index);
        _mm256_storeu_ps(reinterpret_cast<float*>(out), index);
    }

    static KORVO_INLINE bool SameInts(const int32_t* a, const int32_t* b) {
        const __m128i low = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)));
        const __m128i high = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4)),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4)));
        return _mm_movemask_epi8(_mm_and_si128(low, high)) == 0xFFFF;
    }
};

#undef KORVO_INLINE

} // namespace

int RunLanesAvx(KLaneState<8>& s, bool glide, bool envelopeEnds, KLowPassTable* table, float* left, float* right,
                int f, int frames) {
    return Kernel<Avx8>::Run(s, glide, envelopeEnds, table, left, right, f, frames);
}

void MixLanesAvx(const float* lanes, int used, float* out, int frames) {
    int f = 0;
    for (; f + 8 <= frames; f += 8) {
        // Eight frames of the eight lanes into eight frames per lane.
        const float* row = lanes + 8 * f;
        const __m256 r0 = _mm256_loadu_ps(row), r1 = _mm256_loadu_ps(row + 8);
        const __m256 r2 = _mm256_loadu_ps(row + 16), r3 = _mm256_loadu_ps(row + 24);
        const __m256 r4 = _mm256_loadu_ps(row + 32), r5 = _mm256_loadu_ps(row + 40);
        const __m256 r6 = _mm256_loadu_ps(row + 48), r7 = _mm256_loadu_ps(row + 56);
        __m256 a0, a1, a2, a3, b0, b1, b2, b3;
        Avx8::Transpose(r0, r1, r2, r3, a0, a1, a2, a3); // lanes 0..3 | 4..7 of frames 0..3
        Avx8::Transpose(r4, r5, r6, r7, b0, b1, b2, b3); // the same of frames 4..7
        const __m256 lane[8] = {_mm256_permute2f128_ps(a0, b0, 0x20), _mm256_permute2f128_ps(a1, b1, 0x20),
                                _mm256_permute2f128_ps(a2, b2, 0x20), _mm256_permute2f128_ps(a3, b3, 0x20),
                                _mm256_permute2f128_ps(a0, b0, 0x31), _mm256_permute2f128_ps(a1, b1, 0x31),
                                _mm256_permute2f128_ps(a2, b2, 0x31), _mm256_permute2f128_ps(a3, b3, 0x31)};
        __m256 sum = _mm256_loadu_ps(out + f);
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i)
            if (i < used) sum = _mm256_add_ps(sum, lane[i]);
        _mm256_storeu_ps(out + f, sum);
    }
    for (; f < frames; ++f)
        for (int i = 0; i < used; ++i) out[f] += lanes[8 * f + i];
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
