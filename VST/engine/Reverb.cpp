#include "Reverb.h"

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
