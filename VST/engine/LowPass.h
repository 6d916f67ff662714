// The voice's resonant low-pass: the Audio EQ Cookbook biquad, one per voice.
#pragma once

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
