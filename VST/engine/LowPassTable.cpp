#include "LowPassTable.h"

#include <cstring>

void KLowPassTable::SetCutoff(KLowPass& lp, int index, int sampleRate, float q) {
    uint32_t bits;
    std::memcpy(&bits, &q, sizeof bits);
    // A rate of 0 or below leaves the coefficients as they are: not kept.
    if (index < 0 || index > kCutoffBelow || sampleRate <= 0) {
        lp.SetCutoff(CutoffCurveHz(index), sampleRate, q);
        return;
    }
    Entry& e = entries_[index];
    if (e.sampleRate != sampleRate || e.q != bits) {
        KLowPass fresh;
        fresh.SetCutoff(CutoffCurveHz(index), sampleRate, q);
        e = Entry{bits, sampleRate, fresh.b0, fresh.b1, fresh.b2, fresh.a1, fresh.a2};
    }
    lp.b0 = e.b0;
    lp.b1 = e.b1;
    lp.b2 = e.b2;
    lp.a1 = e.a1;
    lp.a2 = e.a2;
}
