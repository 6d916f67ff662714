// The voice's resonant low-pass: the Audio EQ Cookbook biquad, one per voice.
#pragma once

#include <cstdint>
#include <cstring>

struct KLowPass {
    // New coefficients; the state is kept so a sweeping cutoff does not click.
    void SetCutoff(float frequency, int sampleRate, float q);
    float Process(float x);
    void Reset();

    float b0 = 0.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
    float y1 = 0.0f;
    float y2 = 0.0f;
    float x1 = 0.0f;
    float x2 = 0.0f;
};

// Inline: it runs twice per voice and frame.
inline float KLowPass::Process(float x) {
    // Zero or denormal: denormals cost the FPU dearly when they circulate.
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    if ((bits & 0x7F800000u) == 0) x = 0.0f;
    const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}
