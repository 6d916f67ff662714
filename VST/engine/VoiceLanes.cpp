#include "VoiceLanes.h"

#include "InstructionSet.h"
#include "Sse.h"
#include "VoiceFrame.h"
#include "VoiceLanesState.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include <emmintrin.h>

namespace {

constexpr int kHalf = KVoice::kHalfFrames;
constexpr int kRing = KVoice::kRingFrames;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Bends and steps beyond these are left to the frame-by-frame steps, which
// take any value; within them every position moves forward by a finite step.
constexpr double kLowestBend = 4 * VoiceFrame::kBendStep;
constexpr double kHighestRatio = 1e6;

// Infinity or NaN.
bool NotFinite(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits & 0x7F800000u) == 0x7F800000u;
}

// What an empty lane reads: four frames of silence around its position 1.
alignas(16) const float kSilence[8] = {};
// What a lane reads while its ring half is not ready (the disk may be
// writing that half): silence. Never written itself (zero pages of the
// program's data, no file size).
alignas(32) float gSilentRing[2 * KVoice::kRingFrames];

template <int N>
void SetEmpty(KLaneState<N>& s, int lane) {
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
template <int N>
bool Prepare(KLaneState<N>& s, KVoice::Frame* const frames[N], bool& glide, bool& envelopeEnds) {
    using namespace VoiceFrame;
    bool ready = true;
    glide = envelopeEnds = false;
    s.anyMono = false;
    for (int lane = 0; lane < N; ++lane) {
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
        s.base[lane] = preload ? k->preload : k->readyNow ? k->ring : gSilentRing;
        s.mono[lane] = k->mono ? ~0u : 0;
        s.anyMono = s.anyMono || k->mono;

        // Reads at the edges of the buffers and of the ring's halves: the
        // frame before the first, the last two (whose neighbours lie in the
        // next pass), and the frame after the middle. Lanes read nothing
        // but the part they are in.
        if (!(position >= 1.0 && position < n - 2)) ready = false;
        if (!preload && position >= kHalf - 2 && position < kHalf + 1) ready = false;
        // Where the next seam lies: the edges ahead, the end, the middle.
        double limit = n - 2;
        if (preload) {
            if (k->endMarker >= -kHalf) limit = std::min(limit, static_cast<double>(k->endMarker + kHalf));
        } else {
            if (position < kHalf) limit = std::min(limit, static_cast<double>(kHalf - 2));
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
template <int N>
void Finish(const KLaneState<N>& s, KVoice::Frame* const frames[N]) {
    for (int lane = 0; lane < N; ++lane) {
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

int RunLanes(KLaneState<4>& s, bool glide, bool envelopeEnds, KLowPassTable* table, float* left, float* right, int f,
             int frames) {
    return RunLanesSse(s, glide, envelopeEnds, table, left, right, f, frames);
}

int RunLanes(KLaneState<8>& s, bool glide, bool envelopeEnds, KLowPassTable* table, float* left, float* right, int f,
             int frames) {
    return RunLanesAvx(s, glide, envelopeEnds, table, left, right, f, frames);
}

} // namespace

template <int N>
void RetuneLanes(KLaneState<N>& s, const int32_t* wanted, KLowPassTable* table) {
    for (int lane = 0; lane < N; ++lane) {
        if (wanted[lane] == s.cutoff[lane]) continue;
        KLowPass lp{s.b0[lane], s.b1[lane], s.b2[lane], s.a1[lane], s.a2[lane], 0.0f, 0.0f, 0.0f, 0.0f};
        if (table != nullptr) table->SetCutoff(lp, wanted[lane], s.rate[lane], s.resonance[lane]);
        else lp.SetCutoff(CutoffCurveHz(wanted[lane]), s.rate[lane], s.resonance[lane]);
        s.b0[lane] = lp.b0;
        s.b1[lane] = lp.b1;
        s.b2[lane] = lp.b2;
        s.a1[lane] = lp.a1;
        s.a2[lane] = lp.a2;
        s.cutoff[lane] = wanted[lane];
    }
}

template void RetuneLanes<4>(KLaneState<4>&, const int32_t*, KLowPassTable*);
template void RetuneLanes<8>(KLaneState<8>&, const int32_t*, KLowPassTable*);

int KVoiceLanes::Width() { return UseAvx() ? 8 : 4; }

int KVoiceLanes::UseWidth(int lanes) { return PreferSse2(lanes != 8) ? 8 : 4; }

template <int N>
void KVoiceLanes::RenderGroup(KVoice* const voices[], KLowPassTable* table, KStreamWait* wait, float* left,
                              float* right, int frames, int counts[]) {
    // Within a block only this thread changes the voices: the zone and the
    // release are read once; what the disk has published, at the start and
    // at the seams (a half published meanwhile is seen there).
    KVoice::Frame state[N];
    KVoice::Frame* sounding[N] = {};
    bool ended[N] = {};
    int live = 0;
    for (int lane = 0; lane < N; ++lane) {
        counts[lane] = 0;
        KVoice* v = voices[lane];
        if (v == nullptr) continue;
        v->Load(state[lane], wait);
        sounding[lane] = &state[lane];
        counts[lane] = frames;
        ++live;
    }

    KLaneState<N> lanes;
    int f = 0;
    while (f < frames && live > 0) {
        bool glide, envelopeEnds;
        if (Prepare<N>(lanes, sounding, glide, envelopeEnds)) {
            const int from = f;
            f = RunLanes(lanes, glide, envelopeEnds, table, left, right, f, frames);
            if (f > from) Finish<N>(lanes, sounding);
            if (f == frames) break;
        }
        // A seam: this frame the frame-by-frame way, for every voice.
        for (int lane = 0; lane < N; ++lane) {
            KVoice::Frame* k = sounding[lane];
            if (k == nullptr) {
                left[N * f + lane] = right[N * f + lane] = 0.0f;
                continue;
            }
            // The halves this frame reads, and after it those of the part it
            // has entered (a new pass is asked for first).
            voices[lane]->CheckHalves(*k, wait);
            const bool alive = StepFrame(*k, table, left[N * f + lane], right[N * f + lane]);
            if (k->wantsRefill) {
                k->wantsRefill = false;
                voices[lane]->RequestRefill(k->pass + 1);
            }
            voices[lane]->CheckHalves(*k, wait);
            if (!alive) {
                counts[lane] = f + 1;
                ended[lane] = true;
                sounding[lane] = nullptr;
                --live;
            }
        }
        ++f;
    }

    for (int lane = 0; lane < N; ++lane) {
        KVoice* v = voices[lane];
        if (v == nullptr) continue;
        // Every frame's output is the filter's, and a filter that gave out a
        // sample that is not finite keeps giving such samples: its state
        // tells. The voice then ends before that frame, its filter cleared,
        // and its instrument's mix never sees the sample.
        KLowPass& lp = state[lane].lp;
        if (NotFinite(lp.y1) || NotFinite(lp.y2) || NotFinite(lp.x1) || NotFinite(lp.x2)) {
            int f = 0;
            while (f < counts[lane] && !NotFinite(left[N * f + lane]) && !NotFinite(right[N * f + lane])) ++f;
            counts[lane] = f;
            lp.Reset();
            ended[lane] = true;
        }
        v->Store(state[lane]);
        if (ended[lane]) v->active.store(0, std::memory_order_relaxed);
    }
}

void KVoiceLanes::Render(KVoice* const voices[], KLowPassTable* table, KStreamWait* wait, float* left, float* right,
                         int frames, int counts[]) {
    if (Width() == 8) RenderGroup<8>(voices, table, wait, left, right, frames, counts);
    else RenderGroup<4>(voices, table, wait, left, right, frames, counts);
}

void KVoiceLanes::Mix(const float* lanes, const int counts[], float* out, int frames) {
    const int width = Width();
    // Mostly every voice of the group sounds all through.
    int used = 0;
    while (used < width && counts[used] == frames) ++used;
    int rest = used;
    while (rest < width && counts[rest] == 0) ++rest;
    if (rest == width) {
        if (width == 8) MixLanesAvx(lanes, used, out, frames);
        else MixLanesSse(lanes, used, out, frames);
        return;
    }
    // Four frames at a time: each block of four lanes turned into four
    // frames per lane, added in lane order, each lane as far as it sounded.
    int f = 0;
    for (; f + 4 <= frames; f += 4) {
        __m128 sum = _mm_loadu_ps(out + f);
        for (int first = 0; first < width; first += 4) {
            __m128 lane[4];
            Sse::Transpose(_mm_loadu_ps(lanes + width * f + first), _mm_loadu_ps(lanes + width * (f + 1) + first),
                           _mm_loadu_ps(lanes + width * (f + 2) + first), _mm_loadu_ps(lanes + width * (f + 3) + first),
                           lane[0], lane[1], lane[2], lane[3]);
            for (int i = 0; i < 4; ++i) {
                const int count = counts[first + i];
                if (count >= f + 4) {
                    sum = _mm_add_ps(sum, lane[i]);
                } else if (count > f) {
                    const __m128i frame = _mm_add_epi32(_mm_set1_epi32(f), _mm_set_epi32(3, 2, 1, 0));
                    const __m128 sounded = _mm_castsi128_ps(_mm_cmpgt_epi32(_mm_set1_epi32(count), frame));
                    sum = Sse::Select(sounded, _mm_add_ps(sum, lane[i]), sum);
                }
            }
        }
        _mm_storeu_ps(out + f, sum);
    }
    for (; f < frames; ++f)
        for (int i = 0; i < width; ++i)
            if (f < counts[i]) out[f] += lanes[width * f + i];
}
