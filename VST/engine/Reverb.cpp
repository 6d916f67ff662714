#include "Reverb.h"

#include "Sse.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <xmmintrin.h>

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

// Runs body(from, count, offset) over the one or two stretches of a
// circular line that `frames` samples from `index` on cover.
template <typename Body>
void ForEachStretch(int length, int index, int frames, Body body) {
    const int first = std::min(frames, length - index);
    body(index, first, 0);
    if (first < frames) body(0, frames - first, first);
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
    if (Frozen()) return;
    std::memset(buffers, 0, sizeof buffers);
    // The filter stores are written back into the lines on the next sample,
    // so a mute that kept them would leave an audible tail.
    for (int i = 0; i < kReverbCombs; ++i) {
        combLeft[i].filterStore = 0.0f;
        combRight[i].filterStore = 0.0f;
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
}

void KReverb::Prefetch(int frames) const {
    const auto line = [this, frames](int buffer, int length, int index) {
        ForEachStretch(length, index, std::min(frames, length), [&](int from, int count, int) {
            for (int i = 0; i < count; i += 16)
                _mm_prefetch(reinterpret_cast<const char*>(buffers + buffer + from + i), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char*>(buffers + buffer + from + count - 1), _MM_HINT_T0);
        });
    };
    for (int i = 0; i < kReverbCombs; ++i) {
        line(combLeft[i].buffer, combLeft[i].length, combLeft[i].index);
        line(combRight[i].buffer, combRight[i].length, combRight[i].index);
    }
    for (int i = 0; i < kReverbAllPasses; ++i) {
        line(allPassLeft[i].buffer, allPassLeft[i].length, allPassLeft[i].index);
        line(allPassRight[i].buffer, allPassRight[i].length, allPassRight[i].index);
    }
}

void KReverb::ProcessBlock(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames) {
    static_assert(kChunk <= kReverbAllPassLengths[kReverbAllPasses - 1], "a chunk must fit the shortest line");
    for (int done = 0; done < frames; done += kChunk) {
        const int n = std::min(kChunk, frames - done);
        ProcessChunk(inLeft + done, inRight + done, wetLeft + done, wetRight + done, n);
    }
}

void KReverb::ProcessChunk(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames) {
    constexpr int kLines = 2 * kReverbCombs;
    alignas(16) float input[kChunk];
    // Per comb: what it reads from its line, then its filter store, frame by
    // frame.
    alignas(16) float combs[kLines][kChunk];
    alignas(16) float left[kChunk], right[kChunk];
    KReverbComb* comb[kLines];
    for (int i = 0; i < kReverbCombs; ++i) {
        comb[i] = &combLeft[i];
        comb[kReverbCombs + i] = &combRight[i];
    }

    int t = 0;
    const __m128 inputGain = _mm_set1_ps(gain);
    for (; t + 4 <= frames; t += 4) {
        const __m128 sum = _mm_add_ps(Sse::FiniteOrZero(_mm_loadu_ps(inLeft + t)),
                                      Sse::FiniteOrZero(_mm_loadu_ps(inRight + t)));
        _mm_store_ps(input + t, Sse::FiniteOrZero(_mm_mul_ps(sum, inputGain)));
    }
    for (; t < frames; ++t) input[t] = FiniteOrZero((FiniteOrZero(inLeft[t]) + FiniteOrZero(inRight[t])) * gain);

    // The combs' outputs: what their lines hold from before the chunk.
    for (int c = 0; c < kLines; ++c) {
        const float* samples = buffers + comb[c]->buffer;
        float* out = combs[c];
        ForEachStretch(comb[c]->length, comb[c]->index, frames, [&](int from, int count, int offset) {
            int i = 0;
            for (; i + 4 <= count; i += 4)
                _mm_storeu_ps(out + offset + i, Sse::FlushDenormals(_mm_loadu_ps(samples + from + i)));
            for (; i < count; ++i) out[offset + i] = FlushDenormal(samples[from + i]);
        });
    }
    // Each side sums its combs in order, from 0.
    for (t = 0; t + 4 <= frames; t += 4) {
        __m128 l = _mm_setzero_ps(), r = _mm_setzero_ps();
        for (int i = 0; i < kReverbCombs; ++i) {
            l = _mm_add_ps(l, _mm_load_ps(combs[i] + t));
            r = _mm_add_ps(r, _mm_load_ps(combs[kReverbCombs + i] + t));
        }
        _mm_store_ps(left + t, l);
        _mm_store_ps(right + t, r);
    }
    for (; t < frames; ++t) {
        left[t] = right[t] = 0.0f;
        for (int i = 0; i < kReverbCombs; ++i) {
            left[t] += combs[i][t];
            right[t] += combs[kReverbCombs + i][t];
        }
    }

    // The filter stores, a recursion per comb: four combs side by side.
    for (int first = 0; first < kLines; first += 4) {
        KReverbComb* const* four = comb + first;
        float* rows[4] = {combs[first], combs[first + 1], combs[first + 2], combs[first + 3]};
        const __m128 damp1 = _mm_setr_ps(four[0]->damp1, four[1]->damp1, four[2]->damp1, four[3]->damp1);
        const __m128 damp2 = _mm_setr_ps(four[0]->damp2, four[1]->damp2, four[2]->damp2, four[3]->damp2);
        __m128 store = _mm_setr_ps(four[0]->filterStore, four[1]->filterStore, four[2]->filterStore,
                                   four[3]->filterStore);
        for (t = 0; t + 4 <= frames; t += 4) {
            __m128 out[4], stores[4];
            Sse::Transpose(_mm_load_ps(rows[0] + t), _mm_load_ps(rows[1] + t), _mm_load_ps(rows[2] + t),
                           _mm_load_ps(rows[3] + t), out[0], out[1], out[2], out[3]);
            for (int k = 0; k < 4; ++k) {
                store = Sse::FlushDenormals(_mm_add_ps(_mm_mul_ps(out[k], damp2), _mm_mul_ps(store, damp1)));
                stores[k] = store;
            }
            Sse::Transpose(stores[0], stores[1], stores[2], stores[3], out[0], out[1], out[2], out[3]);
            for (int k = 0; k < 4; ++k) _mm_store_ps(rows[k] + t, out[k]);
        }
        alignas(16) float last[4];
        _mm_store_ps(last, store);
        for (int k = 0; k < 4; ++k) {
            float s = last[k];
            for (int u = t; u < frames; ++u) {
                s = FlushDenormal(rows[k][u] * four[k]->damp2 + s * four[k]->damp1);
                rows[k][u] = s;
            }
            four[k]->filterStore = s;
        }
    }

    // Each comb writes its input and fed-back store into its line.
    for (int c = 0; c < kLines; ++c) {
        float* samples = buffers + comb[c]->buffer;
        const float* store = combs[c];
        const float feedback = comb[c]->feedback;
        ForEachStretch(comb[c]->length, comb[c]->index, frames, [&](int from, int count, int offset) {
            int i = 0;
            const __m128 gainBack = _mm_set1_ps(feedback);
            for (; i + 4 <= count; i += 4) {
                const __m128 fed = _mm_mul_ps(_mm_loadu_ps(store + offset + i), gainBack);
                _mm_storeu_ps(samples + from + i, _mm_add_ps(_mm_loadu_ps(input + offset + i), fed));
            }
            for (; i < count; ++i) samples[from + i] = input[offset + i] + store[offset + i] * feedback;
        });
        Advance(comb[c]->index, comb[c]->length, frames);
    }

    // The all-passes in series, each over the whole chunk.
    for (int side = 0; side < 2; ++side) {
        float* x = side == 0 ? left : right;
        for (KReverbAllPass& allPass : side == 0 ? allPassLeft : allPassRight) {
            float* samples = buffers + allPass.buffer;
            const float feedback = allPass.feedback;
            ForEachStretch(allPass.length, allPass.index, frames, [&](int from, int count, int offset) {
                int i = 0;
                const __m128 gainBack = _mm_set1_ps(feedback);
                for (; i + 4 <= count; i += 4) {
                    const __m128 b = Sse::FlushDenormals(_mm_loadu_ps(samples + from + i));
                    const __m128 in = _mm_loadu_ps(x + offset + i);
                    _mm_storeu_ps(samples + from + i, _mm_add_ps(in, _mm_mul_ps(b, gainBack)));
                    _mm_storeu_ps(x + offset + i, _mm_sub_ps(b, in));
                }
                for (; i < count; ++i) {
                    const float b = FlushDenormal(samples[from + i]);
                    const float in = x[offset + i];
                    samples[from + i] = in + b * feedback;
                    x[offset + i] = b - in;
                }
            });
            Advance(allPass.index, allPass.length, frames);
        }
    }

    const __m128 w1 = _mm_set1_ps(wet1), w2 = _mm_set1_ps(wet2);
    for (t = 0; t + 4 <= frames; t += 4) {
        const __m128 l = _mm_load_ps(left + t), r = _mm_load_ps(right + t);
        _mm_storeu_ps(wetLeft + t, _mm_add_ps(_mm_mul_ps(l, w1), _mm_mul_ps(r, w2)));
        _mm_storeu_ps(wetRight + t, _mm_add_ps(_mm_mul_ps(r, w1), _mm_mul_ps(l, w2)));
    }
    for (; t < frames; ++t) {
        wetLeft[t] = left[t] * wet1 + right[t] * wet2;
        wetRight[t] = right[t] * wet1 + left[t] * wet2;
    }
}
