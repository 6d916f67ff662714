// A voice's working state over one block and the steps of one frame on it:
// the frame-by-frame render itself, shared by the voice and by the renderer
// that runs four voices side by side (which falls back on these steps for
// the frames where something happens to a voice).
#pragma once

#include "LowPassTable.h"
#include "Tables.h"
#include "Voice.h"

#include <emmintrin.h>

// What one frame of a voice reads and changes, held in locals for a whole
// block: nothing the block writes can reach it, so it stays in registers.
struct KVoice::Frame {
    double preloadPos, ringPos, bend, amp, filt;
    int32_t endMarker;
    uint8_t ampAttacking, filtAttacking;
    KLowPass lp;
    int cutoffIndex;
    float cutoffQ;
    int cutoffRate;
    float previous[2], middle[2];
    uint32_t pass;   // the ring pass the voice reads (0 in the preload)
    // The half of `pass` holds it (in the preload: always), and the half of
    // the pass after it (in the preload: ring pass 0) holds that one.
    bool readyNow, readyNext;

    const double* bendSource;
    double step;
    const float* preload;
    const float* ring;
    bool mono, loops, released;
    float ampAttack, ampDecay, ampRelease, ampSustain;
    float filtAttack, filtDecay, filtRelease, filtSustain;
    float panLeft, panRight, resonance, velocityGain, cutoffBase;
    int sampleRate;

    bool wantsRefill; // raised by the first frame and by one that entered a new pass
};

namespace VoiceFrame {

#define KORVO_INLINE inline __attribute__((always_inline))

constexpr double kBendStep = 0.005;
// Targets beyond 1 and 0 make the exponential segments arrive in finite time.
constexpr double kAttackTarget = 1.5873015873015872;
constexpr double kReleaseTarget = -0.5873015873015872;

// Left and right of a frame in the two low lanes.
KORVO_INLINE __m128 Pair(const float* frame) {
    return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(frame));
}

// Interpolate4 lane by lane, each lane with its own z: the same float
// operations, so each lane is exactly what Interpolate4 gives.
KORVO_INLINE __m128 InterpolateLanes(__m128 z, __m128 y0, __m128 y1, __m128 y2, __m128 y3) {
    const __m128 even1 = _mm_add_ps(y1, y2), odd1 = _mm_sub_ps(y2, y1);
    const __m128 even2 = _mm_add_ps(y0, y3), odd2 = _mm_sub_ps(y3, y0);
    const __m128 c0 = _mm_add_ps(_mm_mul_ps(even1, _mm_set1_ps(0.45868970870461956f)),
                                 _mm_mul_ps(even2, _mm_set1_ps(0.04131401926395584f)));
    const __m128 c1 = _mm_add_ps(_mm_mul_ps(odd1, _mm_set1_ps(0.4806802476657843f)),
                                 _mm_mul_ps(odd2, _mm_set1_ps(0.17577925564495955f)));
    const __m128 c2 = _mm_add_ps(_mm_mul_ps(even1, _mm_set1_ps(-0.2461850070199071f)),
                                 _mm_mul_ps(even2, _mm_set1_ps(0.24614027139700284f)));
    const __m128 c3 = _mm_add_ps(_mm_mul_ps(odd1, _mm_set1_ps(-0.36030925263849456f)),
                                 _mm_mul_ps(odd2, _mm_set1_ps(0.10174985775982505f)));
    return _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(c3, z), c2), z), c1), z), c0);
}

// Both channels of one frame at once (left and right in the two low lanes).
KORVO_INLINE __m128 InterpolatePair(float z, __m128 y0, __m128 y1, __m128 y2, __m128 y3) {
    return InterpolateLanes(_mm_set1_ps(z), y0, y1, y2, y3);
}

// The end of the part a position lies in: the preload's, or the ring
// half's.
KORVO_INLINE int32_t PartEnd(bool inPreload, double position) {
    return !inPreload && position >= KVoice::kHalfFrames ? KVoice::kRingFrames : KVoice::kHalfFrames;
}

// The stream goes on after the preload unless the zone ends inside it.
KORVO_INLINE bool StreamsAfterPreload(const KVoice::Frame& k) {
    return k.loops || !(k.endMarker >= -KVoice::kHalfFrames && k.endMarker < 0);
}

// The frame after the preload or ring half that position i lies in: where
// the stream goes on (the ring's next pass), or null while that pass is not
// ready or the stream does not go on.
KORVO_INLINE const float* Continuation(const KVoice::Frame& k, bool fromPreload, int32_t i) {
    if (!k.readyNext) return nullptr;
    if (fromPreload) return k.ring;
    return k.ring + (i < KVoice::kHalfFrames ? 2 * KVoice::kHalfFrames : 0);
}

KORVO_INLINE void Fetch(const KVoice::Frame& k, bool fromPreload, double position, float& left, float& right) {
    const float* b = fromPreload ? k.preload : k.ring;
    // Positions lie inside the buffer: 32-bit truncation, which the 32-bit
    // build does in one instruction (a 64-bit one goes through the x87 unit).
    const int32_t i = static_cast<int32_t>(position);
    const double x = position - static_cast<double>(i);
    if (x <= 0.0) {
        left = b[2 * i];
        right = b[2 * i + 1];
        return;
    }
    // Before the first frame: the preload's own first frame, or in the ring
    // the frame that preceded it; after the middle, the first half's last
    // frame as it was before its refill. After the last frame of the preload
    // or of a half: the next pass's first frames where they are ready, else
    // the frame itself again.
    const int32_t end = PartEnd(fromPreload, position);
    const float* y0 = i >= 1 ? (!fromPreload && i == KVoice::kHalfFrames ? k.middle : b + 2 * (i - 1))
                             : fromPreload ? b : k.previous;
    const float* y1 = b + 2 * i;
    const float* next = i + 2 < end ? nullptr : Continuation(k, fromPreload, i);
    const float* y2 = i + 1 < end ? b + 2 * (i + 1) : next != nullptr ? next : y1;
    const float* y3 = i + 2 < end ? b + 2 * (i + 2) : next != nullptr ? next + 2 * (i + 2 - end) : y1;
    const __m128 both = InterpolatePair(static_cast<float>(x - 0.5), Pair(y0), Pair(y1), Pair(y2), Pair(y3));
    left = _mm_cvtss_f32(both);
    right = k.mono ? left : _mm_cvtss_f32(_mm_shuffle_ps(both, both, 1));
}

// A frame entered the next pass: what was known of that pass is now known of
// the pass it reads.
KORVO_INLINE void EnterPass(KVoice::Frame& k) {
    k.readyNow = k.readyNext;
    k.readyNext = false;
    k.wantsRefill = true;
}

// The frame's fetch and advance; false when the voice ends with it.
KORVO_INLINE bool Advance(KVoice::Frame& k, float& left, float& right) {
    constexpr int kHalf = KVoice::kHalfFrames;
    constexpr int kRing = KVoice::kRingFrames;
    // A fixed step per frame toward the target, landing on it from within
    // one step (a target between two steps would have it swing for ever).
    const double target = *k.bendSource;
    const double toTarget = target - k.bend;
    if (toTarget > kBendStep) k.bend += kBendStep;
    else if (toTarget < -kBendStep) k.bend -= kBendStep;
    else k.bend = target;
    // Held to half a ring whatever the step and the bend: the position then
    // crosses at most one seam per frame, all that the steps below handle.
    // The engine's steps and bends stay within it; NaN would index anywhere.
    double advance = k.bend * k.step;
    if (!(advance >= 0.0 && advance <= KVoice::kMaxAdvance)) advance = advance < 0.0 ? 0.0 : KVoice::kMaxAdvance;
    bool alive = true;

    if (k.preloadPos < kHalf) {
        Fetch(k, true, k.preloadPos, left, right);
        const bool firstFrame = k.preloadPos == 0.0;
        k.preloadPos += advance;
        if (firstFrame && StreamsAfterPreload(k)) k.wantsRefill = true;
        if (k.endMarker >= -kHalf && k.endMarker + kHalf <= k.preloadPos) alive = false;
        // Enter the ring exactly where the advance reached: pass 0.
        if (k.preloadPos >= kHalf) {
            k.ringPos = k.preloadPos - kHalf;
            k.readyNow = k.readyNext;
            k.readyNext = false;
        }
        return alive;
    }

    // A half not yet filled with this pass of this note holds nothing of it.
    if (k.readyNow) Fetch(k, false, k.ringPos, left, right);
    else left = right = 0.0f;
    const double before = k.ringPos;
    k.preloadPos += advance;
    k.ringPos += advance;
    if (k.endMarker >= 0 && k.ringPos >= k.endMarker && (k.ringPos < kHalf || k.endMarker >= kHalf)) alive = false;
    // The last frame of the half left behind, kept for the interpolation:
    // the disk thread refills that half from now on.
    if (k.ringPos >= kRing) {
        k.ringPos -= kRing;
        k.previous[0] = k.readyNow ? k.ring[2 * (kRing - 1)] : 0.0f;
        k.previous[1] = k.readyNow ? k.ring[2 * (kRing - 1) + 1] : 0.0f;
        ++k.pass;
        EnterPass(k);
    } else if (before < kHalf && k.ringPos >= kHalf) {
        k.middle[0] = k.readyNow ? k.ring[2 * (kHalf - 1)] : 0.0f;
        k.middle[1] = k.readyNow ? k.ring[2 * (kHalf - 1) + 1] : 0.0f;
        ++k.pass;
        EnterPass(k);
    }
    return alive;
}

// One exponential envelope step; true when a release has fallen to zero.
KORVO_INLINE bool EnvelopeStep(double& e, uint8_t& attacking, bool isReleased, float attackCoef, float decayCoef,
                               float releaseCoef, float sustainLevel) {
    if (isReleased) {
        if (releaseCoef != 0.0f) e += releaseCoef * (-e + kReleaseTarget);
        else e = 0.0;
        return e <= 0.0;
    }
    if (attacking) {
        e += (kAttackTarget - e) * attackCoef;
        if (e > 1.0) {
            e = 1.0;
            attacking = 0;
        }
    } else {
        e += (sustainLevel - e) * decayCoef;
    }
    return false;
}

// The frame's envelopes and gains, and the cutoff curve entry it is filtered
// at; false when the voice ends.
KORVO_INLINE bool Envelopes(KVoice::Frame& k, float& left, float& right, int& cutoffIndex) {
    // A released voice ends when its level reaches zero, also with a release
    // time of 0, where it would otherwise hold its voice silently forever.
    const bool alive = !EnvelopeStep(k.amp, k.ampAttacking, k.released, k.ampAttack, k.ampDecay, k.ampRelease,
                                     k.ampSustain);
    const float g = static_cast<float>(k.velocityGain * k.amp);
    left = g * k.panLeft * left;
    right = g * k.panRight * right;

    EnvelopeStep(k.filt, k.filtAttacking, k.released, k.filtAttack, k.filtDecay, k.filtRelease, k.filtSustain);
    cutoffIndex = CutoffCurveIndex(static_cast<float>(k.cutoffBase * k.filt));
    return alive;
}

// The frame through the voice's filter. Coefficients are worked out again
// only when the curve entry, the resonance or the rate has changed: the
// cutoff takes 1003 values. A table, when given, keeps them.
KORVO_INLINE void Filter(KVoice::Frame& k, int cutoffIndex, float& left, float& right, KLowPassTable* table) {
    if (cutoffIndex != k.cutoffIndex || k.resonance != k.cutoffQ || k.sampleRate != k.cutoffRate) {
        if (table != nullptr) table->SetCutoff(k.lp, cutoffIndex, k.sampleRate, k.resonance);
        else k.lp.SetCutoff(CutoffCurveHz(cutoffIndex), k.sampleRate, k.resonance);
        k.cutoffIndex = cutoffIndex;
        k.cutoffQ = k.resonance;
        k.cutoffRate = k.sampleRate;
    }
    // One filter state serves both channels, left first.
    left = k.lp.Process(left);
    right = k.lp.Process(right);
}

#undef KORVO_INLINE

} // namespace VoiceFrame
