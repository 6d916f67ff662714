#include "Reverb.h"

#include "Sse.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kExponent = 0x7F800000u;

uint32_t ExponentBits(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits & kExponent;
}

// Zero or denormal: denormals circulating in the feedback paths cost the FPU
// dearly once a tail dies away.
float FlushDenormal(float x) { return ExponentBits(x) == 0 ? 0.0f : x; }

// NaN or infinity would stay in the delay lines for good.
float FiniteOrZero(float x) { return ExponentBits(x) == kExponent ? 0.0f : x; }

float RunComb(KReverbComb& comb, float* buffers, float input) {
    float* samples = buffers + comb.buffer;
    const float out = FlushDenormal(samples[comb.index]);
    comb.filterStore = FlushDenormal(out * comb.damp2 + comb.filterStore * comb.damp1);
    samples[comb.index] = input + comb.filterStore * comb.feedback;
    if (++comb.index >= comb.length) comb.index = 0;
    return out;
}

float RunAllPass(KReverbAllPass& allPass, float* buffers, float x) {
    float* samples = buffers + allPass.buffer;
    const float b = FlushDenormal(samples[allPass.index]);
    samples[allPass.index] = x + b * allPass.feedback;
    if (++allPass.index >= allPass.length) allPass.index = 0;
    return b - x;
}

// Advances a line's index by `frames` (at most its length).
void Advance(int& index, int length, int frames) {
    index += frames;
    if (index >= length) index -= length;
}

} // namespace

KReverb::KReverb() {
    int next = 0;
    for (int i = 0; i < kReverbCombs; ++i) {
        combLeft[i].buffer = next;
        combLeft[i].length = kReverbCombLengths[i];
        next += combLeft[i].length;
        combRight[i].buffer = next;
        combRight[i].length = kReverbCombLengths[i] + kReverbStereoSpread;
        next += combRight[i].length;
    }
    for (int i = 0; i < kReverbAllPasses; ++i) {
        allPassLeft[i].buffer = next;
        allPassLeft[i].length = kReverbAllPassLengths[i];
        next += allPassLeft[i].length;
        allPassRight[i].buffer = next;
        allPassRight[i].length = kReverbAllPassLengths[i] + kReverbStereoSpread;
        next += allPassRight[i].length;
    }
    std::memset(buffers, 0, sizeof buffers);

    wet = 3.0f * 0.3333333f;
    Update();
    roomSize = 0.84f;
    Update();
    dry = 0.0f;
    Update();
    damp = 0.2f;
    Update();
    width = 1.0f;
    Update();
    mode = 0.0f;
    Update();
    Mute();
}

void KReverb::Update() {
    wet1 = wet * (width / 2.0f + 0.5f);
    wet2 = wet * ((1.0f - width) / 2.0f);
    if (Frozen()) {
        roomSize1 = 1.0f;
        damp1 = 0.0f;
        gain = 0.0f;
    } else {
        roomSize1 = roomSize;
        damp1 = damp;
        gain = 0.015f;
    }
    for (int i = 0; i < kReverbCombs; ++i) {
        combLeft[i].feedback = combRight[i].feedback = roomSize1;
        combLeft[i].damp1 = combRight[i].damp1 = damp1;
        combLeft[i].damp2 = combRight[i].damp2 = 1.0f - damp1;
    }
}

void KReverb::Mute() {
    if (!Frozen()) Clear();
}

void KReverb::Clear() {
    std::memset(buffers, 0, sizeof buffers);
    // The filter stores are written back into the lines on the next sample,
    // so a mute that kept them would leave an audible tail.
    for (int i = 0; i < kReverbCombs; ++i) {
        combLeft[i].filterStore = 0.0f;
        combRight[i].filterStore = 0.0f;
    }
}

void KReverb::Rewind(int frames) {
    const auto back = [frames](int& index, int length) {
        index -= frames;
        if (index < 0) index += length;
    };
    for (int i = 0; i < kReverbCombs; ++i) {
        back(combLeft[i].index, combLeft[i].length);
        back(combRight[i].index, combRight[i].length);
    }
    for (int i = 0; i < kReverbAllPasses; ++i) {
        back(allPassLeft[i].index, allPassLeft[i].length);
        back(allPassRight[i].index, allPassRight[i].length);
    }
}

void KReverb::Process(float inLeft, float inRight, float& wetLeft, float& wetRight) {
    // Two huge finite inputs can still overflow their sum.
    const float input = FiniteOrZero((FiniteOrZero(inLeft) + FiniteOrZero(inRight)) * gain);

    float left = 0.0f;
    float right = 0.0f;
    for (int i = 0; i < kReverbCombs; ++i) {
        left += RunComb(combLeft[i], buffers, input);
        right += RunComb(combRight[i], buffers, input);
    }
    for (int i = 0; i < kReverbAllPasses; ++i) {
        left = RunAllPass(allPassLeft[i], buffers, left);
        right = RunAllPass(allPassRight[i], buffers, right);
    }
    wetLeft = left * wet1 + right * wet2;
    wetRight = right * wet1 + left * wet2;
    // What is no longer finite would stay in the lines for good.
    if (ExponentBits(wetLeft) == kExponent || ExponentBits(wetRight) == kExponent) {
        Clear();
        wetLeft = wetRight = 0.0f;
    }
}

void KReverb::ProcessBlock(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames) {
    static_assert(kChunk <= kReverbAllPassLengths[kReverbAllPasses - 1], "a chunk must fit the shortest line");
    for (int done = 0; done < frames; done += kChunk) {
        const int n = std::min(kChunk, frames - done);
        ProcessChunk(inLeft + done, inRight + done, wetLeft + done, wetRight + done, n);
    }
}

namespace {

// Where K delay lines stand at frame t of a chunk: line[k][i] is line k's
// sample of frame t + i up to the frame returned, before which none of them
// wraps (`frames` at the most).
template <int K, class Line>
int LinesAt(Line* lines, float* buffers, int t, int frames, float* line[K]) {
    int end = frames;
    for (int k = 0; k < K; ++k) {
        int at = lines[k].index + t;
        if (at >= lines[k].length) at -= lines[k].length;
        line[k] = buffers + lines[k].buffer + at;
        end = std::min(end, t + lines[k].length - at);
    }
    return end;
}

// Four combs' outputs (rows of four frames) through their filter stores, a
// recursion per comb: the combs side by side, one per lane; store holds the
// four stores and gets the last ones; rows become the four frames' stores.
inline __attribute__((always_inline)) void FilterStores(__m128& store, __m128 damp1, const __m128 damp2[4],
                                                        __m128 rows[4]) {
    __m128 a0, a1, a2, a3;
    Sse::Transpose(_mm_mul_ps(rows[0], damp2[0]), _mm_mul_ps(rows[1], damp2[1]), _mm_mul_ps(rows[2], damp2[2]),
                   _mm_mul_ps(rows[3], damp2[3]), a0, a1, a2, a3);
    const __m128 s0 = Sse::FlushDenormals(_mm_add_ps(a0, _mm_mul_ps(store, damp1)));
    const __m128 s1 = Sse::FlushDenormals(_mm_add_ps(a1, _mm_mul_ps(s0, damp1)));
    const __m128 s2 = Sse::FlushDenormals(_mm_add_ps(a2, _mm_mul_ps(s1, damp1)));
    store = Sse::FlushDenormals(_mm_add_ps(a3, _mm_mul_ps(s2, damp1)));
    Sse::Transpose(s0, s1, s2, store, rows[0], rows[1], rows[2], rows[3]);
}

// The eight combs of one side over a chunk, side by side: each reads what
// its line holds from before the chunk, adds it to the side's sum (the combs
// in order, onto 0), runs its filter store and writes its line back, in
// stretches where no line of the eight wraps. The two halves' recursions
// run side by side too: each alone would leave the processor waiting.
void RunCombs(KReverbComb* comb, float* buffers, const float* input, float* sum, int frames) {
    alignas(16) float store[kReverbCombs];
    __m128 damp1[2], damp2[kReverbCombs], feedback[kReverbCombs];
    for (int k = 0; k < kReverbCombs; ++k) {
        store[k] = comb[k].filterStore;
        damp2[k] = _mm_set1_ps(comb[k].damp2);
        feedback[k] = _mm_set1_ps(comb[k].feedback);
    }
    for (int half = 0; half < 2; ++half) {
        const KReverbComb* c = comb + 4 * half;
        damp1[half] = _mm_setr_ps(c[0].damp1, c[1].damp1, c[2].damp1, c[3].damp1);
    }
    for (int t = 0; t < frames; ++t) sum[t] = 0.0f;
    int t = 0;
    while (t < frames) {
        float* line[kReverbCombs];
        const int end = LinesAt<kReverbCombs>(comb, buffers, t, frames, line);
        const int from = t;
        __m128 low = _mm_load_ps(store), high = _mm_load_ps(store + 4);
        for (; t + 4 <= end; t += 4) {
            const int i = t - from;
            __m128 rows[kReverbCombs];
            __m128 total = _mm_loadu_ps(sum + t);
#pragma GCC unroll 8
            for (int k = 0; k < kReverbCombs; ++k) {
                rows[k] = Sse::FlushDenormals(_mm_loadu_ps(line[k] + i));
                total = _mm_add_ps(total, rows[k]);
            }
            _mm_storeu_ps(sum + t, total);
            FilterStores(low, damp1[0], damp2, rows);
            FilterStores(high, damp1[1], damp2 + 4, rows + 4);
            const __m128 in = _mm_loadu_ps(input + t);
#pragma GCC unroll 8
            for (int k = 0; k < kReverbCombs; ++k)
                _mm_storeu_ps(line[k] + i, _mm_add_ps(in, _mm_mul_ps(rows[k], feedback[k])));
        }
        _mm_store_ps(store, low);
        _mm_store_ps(store + 4, high);
        for (; t < end; ++t) {
            for (int k = 0; k < kReverbCombs; ++k) {
                float& sample = line[k][t - from];
                const float out = FlushDenormal(sample);
                sum[t] += out;
                store[k] = FlushDenormal(out * comb[k].damp2 + store[k] * comb[k].damp1);
                sample = input[t] + store[k] * comb[k].feedback;
            }
        }
    }
    for (int k = 0; k < kReverbCombs; ++k) {
        comb[k].filterStore = store[k];
        Advance(comb[k].index, comb[k].length, frames);
    }
}

// The four all-passes of one side in series over a chunk, in place on x,
// in stretches where no line of the four wraps: each frame goes through
// all four before the next.
void RunAllPasses(KReverbAllPass* allPass, float* buffers, float* x, int frames) {
    const __m128 feedback[kReverbAllPasses] = {_mm_set1_ps(allPass[0].feedback), _mm_set1_ps(allPass[1].feedback),
                                               _mm_set1_ps(allPass[2].feedback), _mm_set1_ps(allPass[3].feedback)};
    int t = 0;
    while (t < frames) {
        float* line[kReverbAllPasses];
        const int end = LinesAt<kReverbAllPasses>(allPass, buffers, t, frames, line);
        const int from = t;
        for (; t + 4 <= end; t += 4) {
            const int i = t - from;
            __m128 value = _mm_loadu_ps(x + t);
#pragma GCC unroll 4
            for (int k = 0; k < kReverbAllPasses; ++k) {
                const __m128 b = Sse::FlushDenormals(_mm_loadu_ps(line[k] + i));
                _mm_storeu_ps(line[k] + i, _mm_add_ps(value, _mm_mul_ps(b, feedback[k])));
                value = _mm_sub_ps(b, value);
            }
            _mm_storeu_ps(x + t, value);
        }
        for (; t < end; ++t)
            for (int k = 0; k < kReverbAllPasses; ++k) {
                float& sample = line[k][t - from];
                const float b = FlushDenormal(sample);
                sample = x[t] + b * allPass[k].feedback;
                x[t] = b - x[t];
            }
    }
    for (int k = 0; k < kReverbAllPasses; ++k) Advance(allPass[k].index, allPass[k].length, frames);
}

} // namespace

void KReverb::ProcessChunk(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames) {
    alignas(16) float input[kChunk] = {};
    alignas(16) float left[kChunk], right[kChunk];

    int t = 0;
    const __m128 inputGain = _mm_set1_ps(gain);
    for (; t + 4 <= frames; t += 4) {
        const __m128 sum = _mm_add_ps(Sse::FiniteOrZero(_mm_loadu_ps(inLeft + t)),
                                      Sse::FiniteOrZero(_mm_loadu_ps(inRight + t)));
        _mm_store_ps(input + t, Sse::FiniteOrZero(_mm_mul_ps(sum, inputGain)));
    }
    for (; t < frames; ++t) input[t] = FiniteOrZero((FiniteOrZero(inLeft[t]) + FiniteOrZero(inRight[t])) * gain);

    // Each side sums its combs in order, from 0.
    RunCombs(combLeft, buffers, input, left, frames);
    RunCombs(combRight, buffers, input, right, frames);

    RunAllPasses(allPassLeft, buffers, left, frames);
    RunAllPasses(allPassRight, buffers, right, frames);

    const __m128 w1 = _mm_set1_ps(wet1), w2 = _mm_set1_ps(wet2);
    constexpr int kNotFinite = static_cast<int>(kExponent);
    __m128 broken = _mm_setzero_ps();
    for (t = 0; t + 4 <= frames; t += 4) {
        const __m128 l = _mm_load_ps(left + t), r = _mm_load_ps(right + t);
        const __m128 outLeft = _mm_add_ps(_mm_mul_ps(l, w1), _mm_mul_ps(r, w2));
        const __m128 outRight = _mm_add_ps(_mm_mul_ps(r, w1), _mm_mul_ps(l, w2));
        broken = _mm_or_ps(broken, _mm_or_ps(Sse::ExponentIs(outLeft, kNotFinite), Sse::ExponentIs(outRight, kNotFinite)));
        _mm_storeu_ps(wetLeft + t, outLeft);
        _mm_storeu_ps(wetRight + t, outRight);
    }
    bool anyBroken = _mm_movemask_ps(broken) != 0;
    for (; t < frames; ++t) {
        wetLeft[t] = left[t] * wet1 + right[t] * wet2;
        wetRight[t] = right[t] * wet1 + left[t] * wet2;
        anyBroken = anyBroken || ExponentBits(wetLeft[t]) == kExponent || ExponentBits(wetRight[t]) == kExponent;
    }
    if (anyBroken) Recover(inLeft, inRight, wetLeft, wetRight, frames);
}

void KReverb::Recover(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames) {
    // As frame by frame: cleared at the first frame that was not finite,
    // silent there, and the frames after it run again from that point.
    int bad = 0;
    while (ExponentBits(wetLeft[bad]) != kExponent && ExponentBits(wetRight[bad]) != kExponent) ++bad;
    Clear();
    Rewind(frames - bad - 1);
    wetLeft[bad] = wetRight[bad] = 0.0f;
    for (int t = bad + 1; t < frames; ++t) Process(inLeft[t], inRight[t], wetLeft[t], wetRight[t]);
}
