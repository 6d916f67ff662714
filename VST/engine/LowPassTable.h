// The low-pass coefficients by cutoff curve entry, kept for one resonance
// and rate per entry: a voice's cutoff sweeps through the same few hundred
// entries again and again, and working one out takes a sine and a cosine.
#pragma once

#include "LowPass.h"
#include "Tables.h"

#include <cstdint>

class KLowPassTable {
public:
    // Gives lp exactly the coefficients lp.SetCutoff(CutoffCurveHz(index),
    // sampleRate, q) gives it.
    void SetCutoff(KLowPass& lp, int index, int sampleRate, float q);

private:
    struct Entry {
        uint32_t q; // the resonance's bits
        int32_t sampleRate; // 0 for an empty entry
        float b0, b1, b2, a1, a2;
    };
    Entry entries_[kCutoffBelow + 1] = {};
};
