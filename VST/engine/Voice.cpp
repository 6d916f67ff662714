#include "Voice.h"

#include "Tables.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <emmintrin.h>

namespace {
constexpr size_t kRingBytes = sizeof(float) * 2 * KVoice::kRingFrames;
constexpr double kBendStep = 0.005;
// Targets beyond 1 and 0 make the exponential segments arrive in finite time.
constexpr double kAttackTarget = 1.5873015873015872;
constexpr double kReleaseTarget = -0.5873015873015872;
// A voice of a zone without key tracking ignores the pitch bend.
const double kUnbent = 1.0;
} // namespace

KVoice::KVoice() : ring(new float[2 * kRingFrames]) { LockPages(ring, kRingBytes); }

KVoice::~KVoice() {
    UnlockPages(ring, kRingBytes);
    delete[] ring;
}

bool KVoice::Start(const double* bendFrom, KSampleZone* z, int rate, KEvent* event, int noteTranspose,
                   uint8_t velocity) {
    if (z == nullptr) return false;
    // Odd while the note is written: the acquiring increment keeps the
    // writes below from being seen before it.
    const uint32_t generation = startCount.fetch_add(1, std::memory_order_acquire) + 1;

    sampleRate = rate;
    zone.store(z, std::memory_order_relaxed);
    diskEvent = event;
    bendSource = z->keyTracking ? bendFrom : &kUnbent;
    bend = *bendSource;

    // A start beyond the end plays nothing; an end beyond the data is the
    // data's end.
    const int64_t start = std::max<int64_t>(z->startFrame, 0);
    const int64_t span = std::min<int64_t>(z->endFrame, z->frameCount) - start;
    endMarker = span < 0 ? -kHalfFrames : span < kHalfFrames ? static_cast<int32_t>(span - kHalfFrames) : kEndUnknown;
    preloadPos = 0.0;
    int64_t readFrom = start + kHalfFrames;
    if (z->PreloadWrapsLoop()) {
        // Matches the looping preload: the stream goes on inside the loop.
        readFrom = z->loopStart + (start + kHalfFrames - z->loopEnd) % (z->loopEnd - z->loopStart);
        endMarker = kEndUnknown;
    }
    released.store(0, std::memory_order_relaxed);
    heldByPedal = 0;
    refillRequested.store(0, std::memory_order_relaxed);
    transpose = noteTranspose;
    previousFrame[0] = z->preload[2 * (kHalfFrames - 1)];
    previousFrame[1] = z->preload[2 * (kHalfFrames - 1) + 1];

    const float semitones = static_cast<float>(z->coarseTune + (z->keyTracking ? noteTranspose : 0)) +
                            static_cast<float>(z->fineTune) * 0.01f;
    step = static_cast<double>(SemitoneRatioLookup(semitones)) * z->sampleRate / rate;
    ringPos = 0.0; // set where the advance enters the ring

    ampEnvelope = 0.0;
    filterEnvelope = 0.0;
    ampAttacking = 1;
    filterAttacking = 1;
    cutoffBase = static_cast<float>(z->rootKey + noteTranspose - 60) * z->keyToCutoff + z->cutoff +
                 static_cast<float>(velocity - 80) * z->velocityToCutoff;
    velocityGain = Pow10Lookup((z->volumeDb - (1.0f - velocity / 127.0f) * 24.0f) / 20.0f);
    filter.Reset();
    cutoffIndex_ = -1;

    startFileReadPos.store(readFrom, std::memory_order_relaxed);
    startEndMarker.store(endMarker, std::memory_order_relaxed);
    startCount.store(generation + 1, std::memory_order_release);
    active.store(1, std::memory_order_release);
    return true;
}

void KVoice::RequestRefill() {
    refillRequested.store(1, std::memory_order_release);
    diskEvent->Set();
}




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

    const double* bendSource;
    double step;
    const float* preload;
    const float* ring;
    bool mono, loops, ringFilled, released;
    float ampAttack, ampDecay, ampRelease, ampSustain;
    float filtAttack, filtDecay, filtRelease, filtSustain;
    float panLeft, panRight, resonance, velocityGain, cutoffBase;
    int sampleRate;

    bool wantsRefill; // raised by a frame that crossed the middle or wrapped
};

void KVoice::Load(Frame& k, const KSampleZone& z, bool ringFilled, bool isReleased) const {
    k.preloadPos = preloadPos;
    k.ringPos = ringPos;
    k.bend = bend;
    k.amp = ampEnvelope;
    k.filt = filterEnvelope;
    k.endMarker = endMarker;
    k.ampAttacking = ampAttacking;
    k.filtAttacking = filterAttacking;
    k.lp = filter;
    k.cutoffIndex = cutoffIndex_;
    k.cutoffQ = cutoffQ_;
    k.cutoffRate = cutoffRate_;
    k.previous[0] = previousFrame[0];
    k.previous[1] = previousFrame[1];
    k.middle[0] = middleFrame[0];
    k.middle[1] = middleFrame[1];
    k.bendSource = bendSource;
    k.step = step;
    k.preload = z.preload;
    k.ring = ring;
    k.mono = z.isMono != 0;
    k.loops = z.Loops();
    k.ringFilled = ringFilled;
    k.released = isReleased;
    k.ampAttack = z.ampAttackCoef;
    k.ampDecay = z.ampDecayCoef;
    k.ampRelease = z.ampReleaseCoef;
    k.ampSustain = z.ampSustainLevel;
    k.filtAttack = z.filterAttackCoef;
    k.filtDecay = z.filterDecayCoef;
    k.filtRelease = z.filterReleaseCoef;
    k.filtSustain = z.filterSustainLevel;
    k.panLeft = z.panGainLeft;
    k.panRight = z.panGainRight;
    k.resonance = z.resonance;
    k.velocityGain = velocityGain;
    k.cutoffBase = cutoffBase;
    k.sampleRate = sampleRate;
    k.wantsRefill = false;
}

void KVoice::Store(const Frame& k) {
    preloadPos = k.preloadPos;
    ringPos = k.ringPos;
    bend = k.bend;
    ampEnvelope = k.amp;
    filterEnvelope = k.filt;
    endMarker = k.endMarker;
    ampAttacking = k.ampAttacking;
    filterAttacking = k.filtAttacking;
    filter = k.lp;
    cutoffIndex_ = k.cutoffIndex;
    cutoffQ_ = k.cutoffQ;
    cutoffRate_ = k.cutoffRate;
    previousFrame[0] = k.previous[0];
    previousFrame[1] = k.previous[1];
    middleFrame[0] = k.middle[0];
    middleFrame[1] = k.middle[1];
}

namespace {

#define KORVO_INLINE inline __attribute__((always_inline))

// Left and right of a frame in the two low lanes.
KORVO_INLINE __m128 Pair(const float* frame) {
    return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(frame));
}

// Interpolate4 on both channels at once: the same float operations, lane by
// lane, so each lane is exactly what Interpolate4 gives.
KORVO_INLINE __m128 InterpolatePair(float z, __m128 y0, __m128 y1, __m128 y2, __m128 y3) {
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
    const __m128 zz = _mm_set1_ps(z);
    return _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(c3, zz), c2), zz), c1), zz), c0);
}

KORVO_INLINE void Fetch(const KVoice::Frame& k, bool fromPreload, double position, float& left, float& right) {
    const float* b = fromPreload ? k.preload : k.ring;
    const int64_t n = fromPreload ? KVoice::kHalfFrames : KVoice::kRingFrames;
    const int64_t i = static_cast<int64_t>(position);
    const double x = position - static_cast<double>(i);
    if (x <= 0.0) {
        left = b[2 * i];
        right = b[2 * i + 1];
        return;
    }
    // Before the first frame: the preload's own first frame, or in the ring
    // the frame that preceded it; after the middle, the first half's last
    // frame as it was before its refill.
    const float* y0 = i >= 1 ? (!fromPreload && i == KVoice::kHalfFrames ? k.middle : b + 2 * (i - 1))
                             : fromPreload ? b : k.previous;
    const float* y1 = b + 2 * i;
    const float* y2 = i + 1 < n ? b + 2 * (i + 1) : y1;
    const float* y3 = i + 2 < n ? b + 2 * (i + 2) : y1;
    const __m128 both = InterpolatePair(static_cast<float>(x - 0.5), Pair(y0), Pair(y1), Pair(y2), Pair(y3));
    left = _mm_cvtss_f32(both);
    right = k.mono ? left : _mm_cvtss_f32(_mm_shuffle_ps(both, both, 1));
}

// The frame's fetch and advance; false when the voice ends with it.
KORVO_INLINE bool Advance(KVoice::Frame& k, float& left, float& right) {
    constexpr int kHalf = KVoice::kHalfFrames;
    constexpr int kRing = KVoice::kRingFrames;
    const double target = *k.bendSource;
    // A fixed step per frame that stops only on exact equality.
    if (target > k.bend) k.bend += kBendStep;
    else if (target < k.bend) k.bend -= kBendStep;
    const double advance = k.bend * k.step;
    bool alive = true;

    if (k.preloadPos < kHalf) {
        Fetch(k, true, k.preloadPos, left, right);
        const bool firstFrame = k.preloadPos == 0.0;
        k.preloadPos += advance;
        if (firstFrame && (k.loops || k.endMarker == KVoice::kEndUnknown)) k.wantsRefill = true;
        if (k.endMarker >= -kHalf && k.endMarker + kHalf <= k.preloadPos) alive = false;
        // Enter the ring exactly where the advance reached.
        if (k.preloadPos >= kHalf) k.ringPos = k.preloadPos - kHalf;
        return alive;
    }

    // A ring not yet filled for this note holds nothing of it.
    if (k.ringFilled) Fetch(k, false, k.ringPos, left, right);
    else left = right = 0.0f;
    const double before = k.ringPos;
    k.preloadPos += advance;
    k.ringPos += advance;
    if (k.endMarker >= 0 && k.ringPos >= k.endMarker && (k.ringPos < kHalf || k.endMarker >= kHalf)) alive = false;
    if (k.ringPos >= kRing) {
        k.ringPos -= kRing;
        k.previous[0] = k.ring[2 * (kRing - 1)];
        k.previous[1] = k.ring[2 * (kRing - 1) + 1];
        k.wantsRefill = true;
    } else if (before < kHalf && k.ringPos >= kHalf) {
        k.middle[0] = k.ring[2 * (kHalf - 1)];
        k.middle[1] = k.ring[2 * (kHalf - 1) + 1];
        k.wantsRefill = true;
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

#undef KORVO_INLINE

} // namespace

bool KVoice::RingFilled() {
    const bool filled = filledCount.load(std::memory_order_acquire) == startCount.load(std::memory_order_relaxed);
    if (filled) endMarker = streamEndMarker.load(std::memory_order_relaxed);
    return filled;
}

void KVoice::NextFrame(float& left, float& right) {
    Frame k;
    const bool filled = RingFilled();
    Load(k, *zone.load(std::memory_order_relaxed), filled, released.load(std::memory_order_relaxed) != 0);
    const bool alive = Advance(k, left, right);
    Store(k);
    if (k.wantsRefill) RequestRefill();
    if (!alive) active.store(0, std::memory_order_relaxed);
}

void KVoice::ApplyEnvelopes(float& left, float& right) {
    Frame k;
    Load(k, *zone.load(std::memory_order_relaxed), false, released.load(std::memory_order_relaxed) != 0);
    int index;
    const bool alive = Envelopes(k, left, right, index);
    // Coefficients are worked out again only when the curve entry, the
    // resonance or the rate has changed: the cutoff takes 1003 values.
    if (index != k.cutoffIndex || k.resonance != k.cutoffQ || k.sampleRate != k.cutoffRate) {
        k.lp.SetCutoff(CutoffCurveHz(index), k.sampleRate, k.resonance);
        k.cutoffIndex = index;
        k.cutoffQ = k.resonance;
        k.cutoffRate = k.sampleRate;
    }
    // One filter state serves both channels, left first.
    left = k.lp.Process(left);
    right = k.lp.Process(right);
    Store(k);
    if (!alive) active.store(0, std::memory_order_relaxed);
}

void KVoice::Render(float& left, float& right) { RenderBlock(&left, &right, 1); }

void KVoice::FetchFrame(bool fromPreload, double position, float& left, float& right) const {
    Frame k;
    Load(k, *zone.load(std::memory_order_relaxed), true, false);
    Fetch(k, fromPreload, position, left, right);
}

int KVoice::RenderUnfiltered(float* left, float* right, int32_t* cutoff, int stride, int frames) {
    // Within a block only this thread changes the voice: the zone, the
    // release and what the disk has published are read once. (A refill
    // published meanwhile is seen at the next block; refills complete half
    // a ring ahead of the voice.)
    Frame k;
    const bool filled = RingFilled();
    Load(k, *zone.load(std::memory_order_relaxed), filled, released.load(std::memory_order_relaxed) != 0);
    int f = 0;
    bool alive = true;
    while (f < frames && alive) {
        float l, r;
        int index;
        alive = Advance(k, l, r);
        if (k.wantsRefill) {
            k.wantsRefill = false;
            RequestRefill();
        }
        alive = Envelopes(k, l, r, index) && alive;
        left[f * stride] = l;
        right[f * stride] = r;
        cutoff[f * stride] = index;
        ++f;
    }
    Store(k);
    if (!alive) active.store(0, std::memory_order_relaxed);
    return f;
}

void KVoice::FilterLanes(KVoice* const voices[kLanes], const int counts[kLanes], float* left, float* right,
                         const int32_t* cutoff, int frames) {
    // Each lane does what KLowPass::SetCutoff and KLowPass::Process do, in
    // the same float operations, for its own voice.
    alignas(16) float b0[kLanes], b1[kLanes], b2[kLanes], a1[kLanes], a2[kLanes];
    alignas(16) float x1[kLanes], x2[kLanes], y1[kLanes], y2[kLanes];
    alignas(16) int32_t current[kLanes], ends[kLanes];
    float resonance[kLanes];
    int rate[kLanes];
    for (int lane = 0; lane < kLanes; ++lane) {
        KVoice* v = voices[lane];
        const bool used = v != nullptr && counts[lane] > 0;
        const KLowPass lp = used ? v->filter : KLowPass{};
        b0[lane] = lp.b0;
        b1[lane] = lp.b1;
        b2[lane] = lp.b2;
        a1[lane] = lp.a1;
        a2[lane] = lp.a2;
        x1[lane] = lp.x1;
        x2[lane] = lp.x2;
        y1[lane] = lp.y1;
        y2[lane] = lp.y2;
        ends[lane] = used ? counts[lane] : 0;
        resonance[lane] = used ? v->zone.load(std::memory_order_relaxed)->resonance : 0.0f;
        rate[lane] = used ? v->sampleRate : 0;
        // The memo holds for the resonance and rate it was made with.
        current[lane] = used && v->cutoffQ_ == resonance[lane] && v->cutoffRate_ == rate[lane] ? v->cutoffIndex_ : -1;
    }
    __m128 B0 = _mm_load_ps(b0), B1 = _mm_load_ps(b1), B2 = _mm_load_ps(b2), A1 = _mm_load_ps(a1),
           A2 = _mm_load_ps(a2);
    __m128 X1 = _mm_load_ps(x1), X2 = _mm_load_ps(x2), Y1 = _mm_load_ps(y1), Y2 = _mm_load_ps(y2);
    __m128i current4 = _mm_load_si128(reinterpret_cast<const __m128i*>(current));
    const __m128i ends4 = _mm_load_si128(reinterpret_cast<const __m128i*>(ends));
    const __m128i exponent = _mm_set1_epi32(0x7F800000);

    // Zero and denormal inputs enter as 0, as in KLowPass::Process.
    auto flush = [exponent](__m128 x) {
        const __m128i bits = _mm_and_si128(_mm_castps_si128(x), exponent);
        return _mm_andnot_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(bits, _mm_setzero_si128())), x);
    };
    auto step = [&](__m128 x) {
        const __m128 y = _mm_sub_ps(
            _mm_sub_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(B0, x), _mm_mul_ps(B1, X1)), _mm_mul_ps(B2, X2)),
                       _mm_mul_ps(A1, Y1)),
            _mm_mul_ps(A2, Y2));
        X2 = X1;
        X1 = x;
        Y2 = Y1;
        Y1 = y;
        return y;
    };

    for (int f = 0; f < frames; ++f) {
        const __m128i wanted = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cutoff + kLanes * f));
        const __m128i sounding = _mm_cmpgt_epi32(ends4, _mm_set1_epi32(f));
        const __m128i changed = _mm_andnot_si128(_mm_cmpeq_epi32(wanted, current4), sounding);
        if (_mm_movemask_epi8(changed) != 0) {
            // A new curve entry for some voice (rare: the coefficients need
            // a sine and a cosine).
            _mm_store_ps(b0, B0);
            _mm_store_ps(b1, B1);
            _mm_store_ps(b2, B2);
            _mm_store_ps(a1, A1);
            _mm_store_ps(a2, A2);
            for (int lane = 0; lane < kLanes; ++lane) {
                const int32_t index = cutoff[kLanes * f + lane];
                if (f >= ends[lane] || index == current[lane]) continue;
                KLowPass lp;
                lp.b0 = b0[lane];
                lp.b1 = b1[lane];
                lp.b2 = b2[lane];
                lp.a1 = a1[lane];
                lp.a2 = a2[lane];
                lp.SetCutoff(CutoffCurveHz(index), rate[lane], resonance[lane]);
                b0[lane] = lp.b0;
                b1[lane] = lp.b1;
                b2[lane] = lp.b2;
                a1[lane] = lp.a1;
                a2[lane] = lp.a2;
                current[lane] = index;
            }
            B0 = _mm_load_ps(b0);
            B1 = _mm_load_ps(b1);
            B2 = _mm_load_ps(b2);
            A1 = _mm_load_ps(a1);
            A2 = _mm_load_ps(a2);
            current4 = _mm_load_si128(reinterpret_cast<const __m128i*>(current));
        }
        // One filter state serves both channels, left first.
        _mm_storeu_ps(left + kLanes * f, step(flush(_mm_loadu_ps(left + kLanes * f))));
        _mm_storeu_ps(right + kLanes * f, step(flush(_mm_loadu_ps(right + kLanes * f))));
    }

    _mm_store_ps(x1, X1);
    _mm_store_ps(x2, X2);
    _mm_store_ps(y1, Y1);
    _mm_store_ps(y2, Y2);
    for (int lane = 0; lane < kLanes; ++lane) {
        KVoice* v = voices[lane];
        // A voice that ended inside the stretch is not heard again before a
        // new start, which clears its filter.
        if (v == nullptr || counts[lane] <= 0) continue;
        v->filter = KLowPass{b0[lane], b1[lane], b2[lane], a1[lane], a2[lane], y1[lane], y2[lane], x1[lane], x2[lane]};
        v->cutoffIndex_ = current[lane];
        v->cutoffQ_ = resonance[lane];
        v->cutoffRate_ = rate[lane];
    }
}

int KVoice::RenderBlock(float* __restrict left, float* __restrict right, int frames) {
    constexpr int kPiece = 64;
    alignas(16) float l[kLanes * kPiece] = {}, r[kLanes * kPiece] = {};
    alignas(16) int32_t cutoff[kLanes * kPiece] = {};
    KVoice* const lanes[kLanes] = {this, nullptr, nullptr, nullptr};
    int done = 0;
    while (done < frames) {
        const int n = std::min(kPiece, frames - done);
        const int counts[kLanes] = {RenderUnfiltered(l, r, cutoff, kLanes, n), 0, 0, 0};
        FilterLanes(lanes, counts, l, r, cutoff, counts[0]);
        for (int f = 0; f < counts[0]; ++f) {
            left[done + f] += l[kLanes * f];
            right[done + f] += r[kLanes * f];
        }
        done += counts[0];
        if (counts[0] < n) break;
    }
    return done;
}

void KVoice::Refill() {
    // Read the note as Start published it; a note being started, or started
    // again while we read, is left alone: its own first frame asks again.
    const uint32_t note = startCount.load(std::memory_order_acquire);
    if (note & 1u) return;
    KSampleZone* z = zone.load(std::memory_order_relaxed);
    const int64_t readFrom = startFileReadPos.load(std::memory_order_relaxed);
    const int32_t firstMarker = startEndMarker.load(std::memory_order_relaxed);
    const bool isReleased = released.load(std::memory_order_relaxed) != 0;
    // A releasing read-modify-write: the reads above complete before it.
    if (startCount.fetch_add(0, std::memory_order_release) != note || z == nullptr) return;

    const bool first = filledCount.load(std::memory_order_relaxed) != note;
    int32_t marker = first ? firstMarker : streamEndMarker.load(std::memory_order_relaxed);
    if (first) {
        fileReadPos = readFrom;
        writeOffset = 0;
    }
    const int64_t n = first ? kRingFrames : kHalfFrames;
    float* into = ring + 2 * writeOffset;
    std::memset(into, 0, sizeof(float) * 2 * static_cast<size_t>(n));

    if (marker < 0) {
        const bool loopsByMode = z->Loops() && (z->loopMode == 2 || !isReleased);
        if (loopsByMode && fileReadPos + n > z->loopEnd) {
            fileReadPos = z->ReadLooping(into, n, fileReadPos, z->loopStart, z->loopEnd);
        } else {
            const int64_t from = fileReadPos;
            fileReadPos += z->ReadAt(into, from, n);
            // The end marker is the ring frame just past the zone's end (an end
            // already passed ends the voice at the start of this half).
            const int64_t end = std::min<int64_t>(z->endFrame, z->frameCount);
            if (!loopsByMode && fileReadPos >= end)
                marker = static_cast<int32_t>(writeOffset + std::max<int64_t>(0, end - from));
        }
        if (z->isMono) MonoToStereo(n, into);
        if (!first) writeOffset ^= kHalfFrames;
    }

    // Started again while we read: what we wrote belongs to no note.
    if (startCount.load(std::memory_order_acquire) != note) return;
    streamEndMarker.store(marker, std::memory_order_relaxed);
    filledCount.store(note, std::memory_order_release);
}
