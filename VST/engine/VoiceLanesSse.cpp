// The voice lanes' kernel for SSE2: four lanes.
#include "Sse.h"
#include "VoiceLanesKernel.h"

#include <emmintrin.h>

namespace {

#define KORVO_INLINE inline __attribute__((always_inline))

struct Sse4 {
    static constexpr int kLanes = 4;
    using F = __m128;
    using D = __m128d;

    static KORVO_INLINE F LoadF(const float* p) { return _mm_load_ps(p); }
    static KORVO_INLINE void StoreF(float* p, F x) { _mm_store_ps(p, x); }
    static KORVO_INLINE D LoadD(const double* p) { return _mm_load_pd(p); }
    static KORVO_INLINE void StoreD(double* p, D x) { _mm_store_pd(p, x); }
    static KORVO_INLINE F SetF(float x) { return _mm_set1_ps(x); }
    static KORVO_INLINE D SetD(double x) { return _mm_set1_pd(x); }
    static KORVO_INLINE D ZeroD() { return _mm_setzero_pd(); }

    static KORVO_INLINE F Add(F a, F b) { return _mm_add_ps(a, b); }
    static KORVO_INLINE F Sub(F a, F b) { return _mm_sub_ps(a, b); }
    static KORVO_INLINE F Mul(F a, F b) { return _mm_mul_ps(a, b); }
    static KORVO_INLINE F AndNot(F mask, F x) { return _mm_andnot_ps(mask, x); }
    static KORVO_INLINE F Select(F mask, F whenSet, F otherwise) { return Sse::Select(mask, whenSet, otherwise); }
    static KORVO_INLINE F IsZero(F x) { return _mm_cmpeq_ps(x, _mm_setzero_ps()); }
    static KORVO_INLINE F FlushDenormals(F x) { return Sse::FlushDenormals(x); }

    static KORVO_INLINE D Add(D a, D b) { return _mm_add_pd(a, b); }
    static KORVO_INLINE D Sub(D a, D b) { return _mm_sub_pd(a, b); }
    static KORVO_INLINE D Mul(D a, D b) { return _mm_mul_pd(a, b); }
    static KORVO_INLINE D And(D a, D b) { return _mm_and_pd(a, b); }
    static KORVO_INLINE D Or(D a, D b) { return _mm_or_pd(a, b); }
    static KORVO_INLINE D AndNot(D mask, D x) { return _mm_andnot_pd(mask, x); }
    static KORVO_INLINE D CmpGe(D a, D b) { return _mm_cmpge_pd(a, b); }
    static KORVO_INLINE D CmpGt(D a, D b) { return _mm_cmpgt_pd(a, b); }
    static KORVO_INLINE D CmpLe(D a, D b) { return _mm_cmple_pd(a, b); }
    static KORVO_INLINE D CmpLt(D a, D b) { return _mm_cmplt_pd(a, b); }
    static KORVO_INLINE bool Any(D mask) { return _mm_movemask_pd(mask) != 0; }

    // Two lanes' doubles as floats, all four lanes in one register.
    static KORVO_INLINE F ToFloats(D low, D high) { return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)); }

    // The whole parts of two lanes' positions into whole; their fractions.
    static KORVO_INLINE D Fraction(D position, int32_t* whole) {
        const __m128i i = _mm_cvttpd_epi32(position);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(whole), i);
        return _mm_sub_pd(position, _mm_cvtepi32_pd(i));
    }

    // Frames whole - 1 .. whole + 2 of each lane's buffer, both channels,
    // lane by lane.
    static KORVO_INLINE void FetchFrames(const float* const base[kLanes], const int32_t* whole, F& y0, F& y0Right,
                                         F& y1, F& y1Right, F& y2, F& y2Right, F& y3, F& y3Right) {
        const float* a = base[0] + 2 * whole[0] - 2;
        const float* b = base[1] + 2 * whole[1] - 2;
        const float* c = base[2] + 2 * whole[2] - 2;
        const float* d = base[3] + 2 * whole[3] - 2;
        Sse::Transpose(_mm_loadu_ps(a), _mm_loadu_ps(b), _mm_loadu_ps(c), _mm_loadu_ps(d), y0, y0Right, y1, y1Right);
        Sse::Transpose(_mm_loadu_ps(a + 4), _mm_loadu_ps(b + 4), _mm_loadu_ps(c + 4), _mm_loadu_ps(d + 4), y2,
                       y2Right, y3, y3Right);
    }

    // CutoffCurveIndex lane by lane.
    static KORVO_INLINE void StoreCutoffIndices(int32_t* out, F position) {
        const __m128i above = _mm_castps_si128(_mm_cmpgt_ps(position, _mm_set1_ps(100.0f)));
        const __m128i below = _mm_castps_si128(_mm_cmplt_ps(position, _mm_setzero_ps()));
        const __m128i number = _mm_castps_si128(_mm_cmpord_ps(position, position));
        __m128i index = _mm_and_si128(_mm_cvttps_epi32(_mm_mul_ps(_mm_set1_ps(10.0f), position)), number);
        index = Sse::Select(above, _mm_set1_epi32(kCutoffAbove), index);
        index = Sse::Select(below, _mm_set1_epi32(kCutoffBelow), index);
        _mm_store_si128(reinterpret_cast<__m128i*>(out), index);
    }

    static KORVO_INLINE bool SameInts(const int32_t* a, const int32_t* b) {
        const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(a));
        const __m128i y = _mm_load_si128(reinterpret_cast<const __m128i*>(b));
        return _mm_movemask_epi8(_mm_cmpeq_epi32(x, y)) == 0xFFFF;
    }
};

#undef KORVO_INLINE

} // namespace

int RunLanesSse(KLaneState<4>& s, bool glide, bool envelopeEnds, KLowPassTable* table, float* left, float* right,
                int f, int frames) {
    return Kernel<Sse4>::Run(s, glide, envelopeEnds, table, left, right, f, frames);
}

void MixLanesSse(const float* lanes, int used, float* out, int frames) {
    int f = 0;
    for (; f + 4 <= frames; f += 4) {
        __m128 lane[4];
        Sse::Transpose(_mm_load_ps(lanes + 4 * f), _mm_load_ps(lanes + 4 * f + 4), _mm_load_ps(lanes + 4 * f + 8),
                       _mm_load_ps(lanes + 4 * f + 12), lane[0], lane[1], lane[2], lane[3]);
        __m128 sum = _mm_loadu_ps(out + f);
        for (int i = 0; i < used; ++i) sum = _mm_add_ps(sum, lane[i]);
        _mm_storeu_ps(out + f, sum);
    }
    for (; f < frames; ++f)
        for (int i = 0; i < used; ++i) out[f] += lanes[4 * f + i];
}
