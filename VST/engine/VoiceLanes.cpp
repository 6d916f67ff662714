#include "VoiceLanes.h"

#include "Sse.h"
#include "Tables.h"
#include "VoiceFrame.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include <emmintrin.h>

namespace {

constexpr int kLanes = KVoiceLanes::kLanes;
constexpr int kHalf = KVoice::kHalfFrames;
constexpr int kRing = KVoice::kRingFrames;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Bends and steps beyond these are left to the frame-by-frame steps, which
// take any value; within them every position moves forward by a finite step.
constexpr double kLowestBend = 4 * VoiceFrame::kBendStep;
constexpr double kHighestRatio = 1e6;

// What an empty lane reads: four frames of silence around its position 1.
alignas(16) const float kSilence[8] = {};

// The four lanes, lane i at index i of every array (the doubles two to a
// register: lanes 0 and 1, lanes 2 and 3).
struct alignas(16) Lanes {
    double position[kLanes];   // where the frame is read: the preload or ring position
    double preloadPos[kLanes]; // frames advanced since the start
    double advance[kLanes];    // bend x step, while the bend holds
    double step[kLanes];
    double bend[kLanes];
    double bendTarget[kLanes];
    // A position the advance must stay below for the next frame to need
    // nothing but fetching, interpolating and moving on.
    double limit[kLanes];
    // Each envelope moves by e += (target - e) x coef; a release with no
    // release time sets it to 0; leaving the range (low, high] ends an
    // attack or a voice.
    double amp[kLanes], ampTarget[kLanes], ampCoef[kLanes], ampHigh[kLanes], ampLow[kLanes];
    double filt[kLanes], filtTarget[kLanes], filtCoef[kLanes], filtHigh[kLanes];
    uint64_t ampZero[kLanes], filtZero[kLanes];
    double velocityGain[kLanes], cutoffBase[kLanes];
    float panLeft[kLanes], panRight[kLanes];
    uint32_t mono[kLanes];   // all ones: the right channel is the left one
    uint32_t silent[kLanes]; // all ones: nothing to read (an empty lane, a ring not filled yet)
    float b0[kLanes], b1[kLanes], b2[kLanes], a1[kLanes], a2[kLanes];
    float x1[kLanes], x2[kLanes], y1[kLanes], y2[kLanes];
    int32_t cutoff[kLanes]; // curve entry of the coefficients in use, -1 for none
    float resonance[kLanes];
    int32_t rate[kLanes];
    const float* base[kLanes];
    bool preload[kLanes];
    bool anyMono, anySilent;
};

void SetEmpty(Lanes& s, int lane) {
    s.position[lane] = s.preloadPos[lane] = 1.0;
    s.advance[lane] = s.step[lane] = 0.0;
    s.bend[lane] = s.bendTarget[lane] = 1.0;
    s.limit[lane] = kInfinity;
    s.amp[lane] = s.ampTarget[lane] = s.ampCoef[lane] = 0.0;
    s.filt[lane] = s.filtTarget[lane] = s.filtCoef[lane] = 0.0;
    s.ampHigh[lane] = s.filtHigh[lane] = kInfinity;
    s.ampLow[lane] = -kInfinity;
    s.ampZero[lane] = s.filtZero[lane] = 0;
    s.velocityGain[lane] = s.cutoffBase[lane] = 0.0;
    s.panLeft[lane] = s.panRight[lane] = 0.0f;
    s.mono[lane] = 0;
    s.silent[lane] = ~0u;
    s.b0[lane] = s.b1[lane] = s.b2[lane] = s.a1[lane] = s.a2[lane] = 0.0f;
    s.x1[lane] = s.x2[lane] = s.y1[lane] = s.y2[lane] = 0.0f;
    // Its cutoff position is 0 x 0, curve entry 0: never a new one.
    s.cutoff[lane] = 0;
    s.resonance[lane] = 0.0f;
    s.rate[lane] = 0;
    s.base[lane] = kSilence;
    s.preload[lane] = false;
}

// The lanes from the voices' working states. False when the next frame of
// some voice needs the frame-by-frame steps.
bool Prepare(Lanes& s, KVoice::Frame* const frames[kLanes], bool& glide, bool& envelopeEnds) {
    using namespace VoiceFrame;
    bool ready = true;
    glide = envelopeEnds = false;
    s.anyMono = s.anySilent = false;
    for (int lane = 0; lane < kLanes; ++lane) {
        const KVoice::Frame* k = frames[lane];
        if (k == nullptr) {
            SetEmpty(s, lane);
            continue;
        }
        const bool preload = k->preloadPos < kHalf;
        const double position = preload ? k->preloadPos : k->ringPos;
        const int n = preload ? kHalf : kRing;
        s.preload[lane] = preload;
        s.position[lane] = position;
        s.preloadPos[lane] = k->preloadPos;
        s.base[lane] = preload ? k->preload : k->ring;
        s.silent[lane] = !preload && !k->ringFilled ? ~0u : 0;
        s.mono[lane] = k->mono ? ~0u : 0;
        s.anySilent = s.anySilent || s.silent[lane] != 0;
        s.anyMono = s.anyMono || k->mono;

        // Reads at the edges of the buffers: the frame before the first,
        // the last two, and in the ring the frame after the middle.
        if (!(position >= 1.0 && position < n - 2)) ready = false;
        if (!preload && position >= kHalf && position < kHalf + 1) ready = false;
        // Where the next seam lies: the edges ahead, the end, the middle.
        double limit = n - 2;
        if (preload) {
            if (k->endMarker >= -kHalf) limit = std::min(limit, static_cast<double>(k->endMarker + kHalf));
        } else {
            if (position < kHalf) limit = std::min(limit, static_cast<double>(kHalf));
            // A marker in the first half does not end a voice reading the
            // second: it counts from the wrap on.
            if (k->endMarker >= 0 && (k->endMarker >= kHalf || position < kHalf))
                limit = std::min(limit, static_cast<double>(k->endMarker));
        }
        s.limit[lane] = limit;

        const double target = *k->bendSource;
        s.bend[lane] = k->bend;
        s.bendTarget[lane] = target;
        s.step[lane] = k->step;
        s.advance[lane] = k->bend * k->step;
        if (target != k->bend) glide = true;
        if (!(k->step > 0.0 && k->step < kHighestRatio && std::min(k->bend, target) > kLowestBend &&
              std::max(k->bend, target) < kHighestRatio))
            ready = false;

        s.amp[lane] = k->amp;
        s.filt[lane] = k->filt;
        s.ampLow[lane] = -kInfinity;
        if (k->released) {
            s.ampTarget[lane] = s.filtTarget[lane] = kReleaseTarget;
            s.ampCoef[lane] = k->ampRelease;
            s.filtCoef[lane] = k->filtRelease;
            s.ampZero[lane] = k->ampRelease == 0.0f ? ~uint64_t{0} : 0;
            s.filtZero[lane] = k->filtRelease == 0.0f ? ~uint64_t{0} : 0;
            s.ampHigh[lane] = s.filtHigh[lane] = kInfinity;
            s.ampLow[lane] = 0.0;
            envelopeEnds = true;
        } else {
            s.ampZero[lane] = s.filtZero[lane] = 0;
            s.ampTarget[lane] = k->ampAttacking ? kAttackTarget : static_cast<double>(k->ampSustain);
            s.ampCoef[lane] = k->ampAttacking ? k->ampAttack : k->ampDecay;
            s.ampHigh[lane] = k->ampAttacking ? 1.0 : kInfinity;
            s.filtTarget[lane] = k->filtAttacking ? kAttackTarget : static_cast<double>(k->filtSustain);
            s.filtCoef[lane] = k->filtAttacking ? k->filtAttack : k->filtDecay;
            s.filtHigh[lane] = k->filtAttacking ? 1.0 : kInfinity;
            if (k->ampAttacking || k->filtAttacking) envelopeEnds = true;
        }
        s.velocityGain[lane] = k->velocityGain;
        s.cutoffBase[lane] = k->cutoffBase;
        s.panLeft[lane] = k->panLeft;
        s.panRight[lane] = k->panRight;

        s.b0[lane] = k->lp.b0;
        s.b1[lane] = k->lp.b1;
        s.b2[lane] = k->lp.b2;
        s.a1[lane] = k->lp.a1;
        s.a2[lane] = k->lp.a2;
        s.x1[lane] = k->lp.x1;
        s.x2[lane] = k->lp.x2;
        s.y1[lane] = k->lp.y1;
        s.y2[lane] = k->lp.y2;
        // The memo holds for the resonance and rate it was made with.
        s.cutoff[lane] = k->cutoffQ == k->resonance && k->cutoffRate == k->sampleRate ? k->cutoffIndex : -1;
        s.resonance[lane] = k->resonance;
        s.rate[lane] = k->sampleRate;
    }
    return ready;
}

// The lanes back into the voices' working states.
void Finish(const Lanes& s, KVoice::Frame* const frames[kLanes]) {
    for (int lane = 0; lane < kLanes; ++lane) {
        KVoice::Frame* k = frames[lane];
        if (k == nullptr) continue;
        k->preloadPos = s.preloadPos[lane];
        if (!s.preload[lane]) k->ringPos = s.position[lane];
        k->bend = s.bend[lane];
        k->amp = s.amp[lane];
        k->filt = s.filt[lane];
        k->lp = KLowPass{s.b0[lane], s.b1[lane], s.b2[lane], s.a1[lane], s.a2[lane],
                         s.y1[lane], s.y2[lane], s.x1[lane], s.x2[lane]};
        if (s.cutoff[lane] >= 0) {
            k->cutoffIndex = s.cutoff[lane];
            k->cutoffQ = s.resonance[lane];
            k->cutoffRate = s.rate[lane];
        }
    }
}

// New coefficients for the lanes whose curve entry has changed (rare: they
// need a sine and a cosine).
__attribute__((noinline)) void Retune(Lanes& s, __m128i wanted, KLowPassTable* table) {
    alignas(16) int32_t index[kLanes];
    _mm_store_si128(reinterpret_cast<__m128i*>(index), wanted);
    for (int lane = 0; lane < kLanes; ++lane) {
        if (index[lane] == s.cutoff[lane]) continue;
        KLowPass lp{s.b0[lane], s.b1[lane], s.b2[lane], s.a1[lane], s.a2[lane], 0.0f, 0.0f, 0.0f, 0.0f};
        if (table != nullptr) table->SetCutoff(lp, index[lane], s.rate[lane], s.resonance[lane]);
        else lp.SetCutoff(CutoffCurveHz(index[lane]), s.rate[lane], s.resonance[lane]);
        s.b0[lane] = lp.b0;
        s.b1[lane] = lp.b1;
        s.b2[lane] = lp.b2;
        s.a1[lane] = lp.a1;
        s.a2[lane] = lp.a2;
        s.cutoff[lane] = index[lane];
    }
}

#define KORVO_INLINE inline __attribute__((always_inline))

// Two lanes' doubles as floats, four lanes in one register.
KORVO_INLINE __m128 ToFloats(__m128d low, __m128d high) {
    return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

// Two lanes' 64-bit masks as four 32-bit ones.
KORVO_INLINE __m128 ToMasks(__m128d low, __m128d high) {
    return _mm_shuffle_ps(_mm_castpd_ps(low), _mm_castpd_ps(high), _MM_SHUFFLE(2, 0, 2, 0));
}

// Zero: some release may have no release time (only released lanes can).
template <bool kZero>
KORVO_INLINE __m128d Envelope(__m128d e, const double* target, const double* coef, const uint64_t* zero) {
    const __m128d next = _mm_add_pd(e, _mm_mul_pd(_mm_sub_pd(_mm_load_pd(target), e), _mm_load_pd(coef)));
    return kZero ? _mm_andnot_pd(_mm_load_pd(reinterpret_cast<const double*>(zero)), next) : next;
}

// The bend's fixed step toward its target, stopping only on equality.
KORVO_INLINE __m128d Glide(__m128d bend, const double* target) {
    const __m128d to = _mm_load_pd(target);
    const __m128d up = _mm_and_pd(_mm_cmpgt_pd(to, bend), _mm_set1_pd(VoiceFrame::kBendStep));
    const __m128d down = _mm_and_pd(_mm_cmplt_pd(to, bend), _mm_set1_pd(-VoiceFrame::kBendStep));
    return _mm_add_pd(bend, _mm_or_pd(up, down));
}

// CutoffCurveIndex lane by lane.
KORVO_INLINE __m128i CutoffIndices(__m128 position) {
    const __m128i above = _mm_castps_si128(_mm_cmpgt_ps(position, _mm_set1_ps(100.0f)));
    const __m128i below = _mm_castps_si128(_mm_cmplt_ps(position, _mm_setzero_ps()));
    const __m128i number = _mm_castps_si128(_mm_cmpord_ps(position, position));
    __m128i index = _mm_and_si128(_mm_cvttps_epi32(_mm_mul_ps(_mm_set1_ps(10.0f), position)), number);
    index = Sse::Select(above, _mm_set1_epi32(kCutoffAbove), index);
    return Sse::Select(below, _mm_set1_epi32(kCutoffBelow), index);
}

// A run of frames goes through three passes, each over a piece of at most
// kPiece frames: envelopes, then fetching, then the filter. Each pass holds
// only its own state in registers (a 32-bit build has eight of them).
constexpr int kPiece = 64;

// The envelopes from frame `from` on, up to `to`, and each frame's gain and
// cutoff curve entry. EnvelopeEnds: some attack or release may end; then it
// stops before the frame where one does. Returns the frame it stopped
// before.
template <bool kEnvelopeEnds>
int EnvelopePass(Lanes& s, float* gains, int32_t* cutoffs, int from, int to) {
    __m128d amp0 = _mm_load_pd(s.amp), amp1 = _mm_load_pd(s.amp + 2);
    __m128d filt0 = _mm_load_pd(s.filt), filt1 = _mm_load_pd(s.filt + 2);
    int f = from;
    for (; f < to; ++f) {
        const __m128d nextAmp0 = Envelope<kEnvelopeEnds>(amp0, s.ampTarget, s.ampCoef, s.ampZero);
        const __m128d nextAmp1 = Envelope<kEnvelopeEnds>(amp1, s.ampTarget + 2, s.ampCoef + 2, s.ampZero + 2);
        const __m128d nextFilt0 = Envelope<kEnvelopeEnds>(filt0, s.filtTarget, s.filtCoef, s.filtZero);
        const __m128d nextFilt1 = Envelope<kEnvelopeEnds>(filt1, s.filtTarget + 2, s.filtCoef + 2, s.filtZero + 2);
        if (kEnvelopeEnds) {
            __m128d end = _mm_or_pd(_mm_cmpgt_pd(nextAmp0, _mm_load_pd(s.ampHigh)),
                                    _mm_cmpgt_pd(nextAmp1, _mm_load_pd(s.ampHigh + 2)));
            end = _mm_or_pd(end, _mm_or_pd(_mm_cmple_pd(nextAmp0, _mm_load_pd(s.ampLow)),
                                           _mm_cmple_pd(nextAmp1, _mm_load_pd(s.ampLow + 2))));
            end = _mm_or_pd(end, _mm_or_pd(_mm_cmpgt_pd(nextFilt0, _mm_load_pd(s.filtHigh)),
                                           _mm_cmpgt_pd(nextFilt1, _mm_load_pd(s.filtHigh + 2))));
            if (_mm_movemask_pd(end) != 0) break;
        }
        const int at = kLanes * (f - from);
        _mm_store_ps(gains + at, ToFloats(_mm_mul_pd(_mm_load_pd(s.velocityGain), nextAmp0),
                                          _mm_mul_pd(_mm_load_pd(s.velocityGain + 2), nextAmp1)));
        const __m128i index = CutoffIndices(ToFloats(_mm_mul_pd(_mm_load_pd(s.cutoffBase), nextFilt0),
                                                     _mm_mul_pd(_mm_load_pd(s.cutoffBase + 2), nextFilt1)));
        _mm_store_si128(reinterpret_cast<__m128i*>(cutoffs + at), index);
        amp0 = nextAmp0;
        amp1 = nextAmp1;
        filt0 = nextFilt0;
        filt1 = nextFilt1;
    }
    _mm_store_pd(s.amp, amp0);
    _mm_store_pd(s.amp + 2, amp1);
    _mm_store_pd(s.filt, filt0);
    _mm_store_pd(s.filt + 2, filt1);
    return f;
}

// Fetching, interpolating and the gains, from frame `from` on, up to `to`,
// stopping before the frame where some voice meets a seam. Glide: some bend
// moves. Returns the frame it stopped before.
template <bool kGlide>
int FetchPass(Lanes& s, const float* gains, float* left, float* right, int from, int to) {
    __m128d position0 = _mm_load_pd(s.position), position1 = _mm_load_pd(s.position + 2);
    __m128d preload0 = _mm_load_pd(s.preloadPos), preload1 = _mm_load_pd(s.preloadPos + 2);
    __m128d bend0 = _mm_load_pd(s.bend), bend1 = _mm_load_pd(s.bend + 2);
    __m128d advance0 = _mm_load_pd(s.advance), advance1 = _mm_load_pd(s.advance + 2);
    const bool mono = s.anyMono, silent = s.anySilent;
    int f = from;
    for (; f < to; ++f) {
        __m128d nextBend0 = bend0, nextBend1 = bend1, nextAdvance0 = advance0, nextAdvance1 = advance1;
        if (kGlide) {
            nextBend0 = Glide(bend0, s.bendTarget);
            nextBend1 = Glide(bend1, s.bendTarget + 2);
            nextAdvance0 = _mm_mul_pd(nextBend0, _mm_load_pd(s.step));
            nextAdvance1 = _mm_mul_pd(nextBend1, _mm_load_pd(s.step + 2));
        }
        const __m128d nextPosition0 = _mm_add_pd(position0, nextAdvance0);
        const __m128d nextPosition1 = _mm_add_pd(position1, nextAdvance1);
        const __m128d seam = _mm_or_pd(_mm_cmpge_pd(nextPosition0, _mm_load_pd(s.limit)),
                                       _mm_cmpge_pd(nextPosition1, _mm_load_pd(s.limit + 2)));
        if (_mm_movemask_pd(seam) != 0) break;

        // Frames i - 1 .. i + 2 of each lane, both channels.
        const __m128i whole0 = _mm_cvttpd_epi32(position0), whole1 = _mm_cvttpd_epi32(position1);
        const __m128d fraction0 = _mm_sub_pd(position0, _mm_cvtepi32_pd(whole0));
        const __m128d fraction1 = _mm_sub_pd(position1, _mm_cvtepi32_pd(whole1));
        const float* p0 = s.base[0] + 2 * (_mm_cvtsi128_si32(whole0) - 1);
        const float* p1 = s.base[1] + 2 * (_mm_cvtsi128_si32(_mm_shuffle_epi32(whole0, 1)) - 1);
        const float* p2 = s.base[2] + 2 * (_mm_cvtsi128_si32(whole1) - 1);
        const float* p3 = s.base[3] + 2 * (_mm_cvtsi128_si32(_mm_shuffle_epi32(whole1, 1)) - 1);
        const __m128 z = ToFloats(_mm_sub_pd(fraction0, _mm_set1_pd(0.5)), _mm_sub_pd(fraction1, _mm_set1_pd(0.5)));
        __m128 y0, y1, y2, y3, l, r;
        __m128 y0Right, y1Right, y2Right, y3Right;
        Sse::Transpose(_mm_loadu_ps(p0), _mm_loadu_ps(p1), _mm_loadu_ps(p2), _mm_loadu_ps(p3), y0, y0Right, y1,
                       y1Right);
        Sse::Transpose(_mm_loadu_ps(p0 + 4), _mm_loadu_ps(p1 + 4), _mm_loadu_ps(p2 + 4), _mm_loadu_ps(p3 + 4), y2,
                       y2Right, y3, y3Right);
        l = VoiceFrame::InterpolateLanes(z, y0, y1, y2, y3);
        r = VoiceFrame::InterpolateLanes(z, y0Right, y1Right, y2Right, y3Right);
        if (mono) r = Sse::Select(_mm_load_ps(reinterpret_cast<const float*>(s.mono)), l, r);
        // A whole position reads its frame unchanged (both channels, mono
        // or not); a ring not filled yet reads silence.
        const __m128 onFrame = ToMasks(_mm_cmple_pd(fraction0, _mm_setzero_pd()),
                                       _mm_cmple_pd(fraction1, _mm_setzero_pd()));
        l = Sse::Select(onFrame, y1, l);
        r = Sse::Select(onFrame, y1Right, r);
        if (silent) {
            const __m128 nothing = _mm_load_ps(reinterpret_cast<const float*>(s.silent));
            l = _mm_andnot_ps(nothing, l);
            r = _mm_andnot_ps(nothing, r);
        }
        const __m128 g = _mm_load_ps(gains + kLanes * (f - from));
        _mm_store_ps(left + kLanes * f, _mm_mul_ps(_mm_mul_ps(g, _mm_load_ps(s.panLeft)), l));
        _mm_store_ps(right + kLanes * f, _mm_mul_ps(_mm_mul_ps(g, _mm_load_ps(s.panRight)), r));

        bend0 = nextBend0;
        bend1 = nextBend1;
        advance0 = nextAdvance0;
        advance1 = nextAdvance1;
        position0 = nextPosition0;
        position1 = nextPosition1;
        preload0 = _mm_add_pd(preload0, advance0);
        preload1 = _mm_add_pd(preload1, advance1);
    }
    _mm_store_pd(s.position, position0);
    _mm_store_pd(s.position + 2, position1);
    _mm_store_pd(s.preloadPos, preload0);
    _mm_store_pd(s.preloadPos + 2, preload1);
    _mm_store_pd(s.bend, bend0);
    _mm_store_pd(s.bend + 2, bend1);
    return f;
}

// The filter over frames `from` to `to`, in place: one state for both
// channels, left first.
void FilterPass(Lanes& s, KLowPassTable* table, const int32_t* cutoffs, float* left, float* right, int from,
                int to) {
    __m128 x1 = _mm_load_ps(s.x1), x2 = _mm_load_ps(s.x2), y1 = _mm_load_ps(s.y1), y2 = _mm_load_ps(s.y2);
    __m128i cutoff = _mm_load_si128(reinterpret_cast<const __m128i*>(s.cutoff));
    for (int f = from; f < to; ++f) {
        const __m128i index = _mm_load_si128(reinterpret_cast<const __m128i*>(cutoffs + kLanes * (f - from)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(index, cutoff)) != 0xFFFF) {
            Retune(s, index, table);
            cutoff = index;
        }
        const __m128 b0 = _mm_load_ps(s.b0), b1 = _mm_load_ps(s.b1), b2 = _mm_load_ps(s.b2);
        const __m128 a1 = _mm_load_ps(s.a1), a2 = _mm_load_ps(s.a2);
        const __m128 inLeft = Sse::FlushDenormals(_mm_load_ps(left + kLanes * f));
        const __m128 outLeft = _mm_sub_ps(
            _mm_sub_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(b0, inLeft), _mm_mul_ps(b1, x1)), _mm_mul_ps(b2, x2)),
                       _mm_mul_ps(a1, y1)),
            _mm_mul_ps(a2, y2));
        const __m128 inRight = Sse::FlushDenormals(_mm_load_ps(right + kLanes * f));
        const __m128 outRight = _mm_sub_ps(
            _mm_sub_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(b0, inRight), _mm_mul_ps(b1, inLeft)), _mm_mul_ps(b2, x1)),
                       _mm_mul_ps(a1, outLeft)),
            _mm_mul_ps(a2, y1));
        x2 = inLeft;
        x1 = inRight;
        y2 = outLeft;
        y1 = outRight;
        _mm_store_ps(left + kLanes * f, outLeft);
        _mm_store_ps(right + kLanes * f, outRight);
    }
    _mm_store_ps(s.x1, x1);
    _mm_store_ps(s.x2, x2);
    _mm_store_ps(s.y1, y1);
    _mm_store_ps(s.y2, y2);
}

// Renders frames from f on, up to `frames`, while no voice meets a seam;
// returns the frame it stopped before.
template <bool kGlide, bool kEnvelopeEnds>
int RunLanes(Lanes& s, KLowPassTable* table, float* left, float* right, int f, int frames) {
    alignas(16) float gains[kLanes * kPiece];
    alignas(16) int32_t cutoffs[kLanes * kPiece];
    while (f < frames) {
        const int to = std::min(frames, f + kPiece);
        alignas(16) double amp[kLanes], filt[kLanes];
        std::copy(s.amp, s.amp + kLanes, amp);
        std::copy(s.filt, s.filt + kLanes, filt);
        const int enveloped = EnvelopePass<kEnvelopeEnds>(s, gains, cutoffs, f, to);
        const int fetched = FetchPass<kGlide>(s, gains, left, right, f, enveloped);
        if (fetched < enveloped) {
            // The envelopes went further: once more, as far as the fetch.
            std::copy(amp, amp + kLanes, s.amp);
            std::copy(filt, filt + kLanes, s.filt);
            EnvelopePass<kEnvelopeEnds>(s, gains, cutoffs, f, fetched);
        }
        FilterPass(s, table, cutoffs, left, right, f, fetched);
        f = fetched;
        if (fetched < to) break;
    }
    return f;
}

#undef KORVO_INLINE

// One frame of one voice, the frame-by-frame way; false when the voice ends
// with it.
bool StepFrame(KVoice::Frame& k, KLowPassTable* table, float& left, float& right) {
    float l, r;
    int index;
    bool alive = VoiceFrame::Advance(k, l, r);
    alive = VoiceFrame::Envelopes(k, l, r, index) && alive;
    VoiceFrame::Filter(k, index, l, r, table);
    left = l;
    right = r;
    return alive;
}

} // namespace

void KVoiceLanes::Render(KVoice* const voices[kLanes], KLowPassTable* table, float* left, float* right, int frames,
                         int counts[kLanes]) {
    // Within a block only this thread changes the voices: the zone, the
    // release and what the disk has published are read once. (A refill
    // published meanwhile is seen at the next block; refills complete half
    // a ring ahead of the voice.)
    KVoice::Frame state[kLanes];
    KVoice::Frame* sounding[kLanes] = {};
    bool ended[kLanes] = {};
    int live = 0;
    for (int lane = 0; lane < kLanes; ++lane) {
        counts[lane] = 0;
        KVoice* v = voices[lane];
        if (v == nullptr) continue;
        const bool filled = v->RingFilled();
        v->Load(state[lane], *v->zone.load(std::memory_order_relaxed), filled,
                v->released.load(std::memory_order_relaxed) != 0);
        sounding[lane] = &state[lane];
        counts[lane] = frames;
        ++live;
    }

    alignas(16) Lanes lanes;
    int f = 0;
    while (f < frames && live > 0) {
        bool glide, envelopeEnds;
        if (Prepare(lanes, sounding, glide, envelopeEnds)) {
            const int from = f;
            if (glide) {
                f = envelopeEnds ? RunLanes<true, true>(lanes, table, left, right, f, frames)
                                 : RunLanes<true, false>(lanes, table, left, right, f, frames);
            } else {
                f = envelopeEnds ? RunLanes<false, true>(lanes, table, left, right, f, frames)
                                 : RunLanes<false, false>(lanes, table, left, right, f, frames);
            }
            if (f > from) Finish(lanes, sounding);
            if (f == frames) break;
        }
        // A seam: this frame the frame-by-frame way, for every voice.
        for (int lane = 0; lane < kLanes; ++lane) {
            KVoice::Frame* k = sounding[lane];
            if (k == nullptr) {
                left[kLanes * f + lane] = right[kLanes * f + lane] = 0.0f;
                continue;
            }
            const bool alive = StepFrame(*k, table, left[kLanes * f + lane], right[kLanes * f + lane]);
            if (k->wantsRefill) {
                k->wantsRefill = false;
                voices[lane]->RequestRefill();
            }
            if (!alive) {
                counts[lane] = f + 1;
                ended[lane] = true;
                sounding[lane] = nullptr;
                --live;
            }
        }
        ++f;
    }

    for (int lane = 0; lane < kLanes; ++lane) {
        KVoice* v = voices[lane];
        if (v == nullptr) continue;
        v->Store(state[lane]);
        if (ended[lane]) v->active.store(0, std::memory_order_relaxed);
    }
}

void KVoiceLanes::Mix(const float* lanes, const int counts[kLanes], float* out, int frames) {
    int f = 0;
    for (; f + 4 <= frames; f += 4) {
        // Four frames of the four lanes, turned into four frames per lane.
        __m128 lane[kLanes];
        Sse::Transpose(_mm_load_ps(lanes + kLanes * f), _mm_load_ps(lanes + kLanes * (f + 1)),
                  _mm_load_ps(lanes + kLanes * (f + 2)), _mm_load_ps(lanes + kLanes * (f + 3)), lane[0], lane[1],
                  lane[2], lane[3]);
        __m128 sum = _mm_loadu_ps(out + f);
        for (int i = 0; i < kLanes; ++i) {
            if (counts[i] >= f + 4) {
                sum = _mm_add_ps(sum, lane[i]);
            } else if (counts[i] > f) {
                const __m128i frame = _mm_add_epi32(_mm_set1_epi32(f), _mm_set_epi32(3, 2, 1, 0));
                const __m128 sounded = _mm_castsi128_ps(_mm_cmpgt_epi32(_mm_set1_epi32(counts[i]), frame));
                sum = Sse::Select(sounded, _mm_add_ps(sum, lane[i]), sum);
            }
        }
        _mm_storeu_ps(out + f, sum);
    }
    for (; f < frames; ++f)
        for (int i = 0; i < kLanes; ++i)
            if (f < counts[i]) out[f] += lanes[kLanes * f + i];
}
