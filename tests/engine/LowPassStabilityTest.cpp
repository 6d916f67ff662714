// The voice's low-pass over everything it can be set to: every host rate
// from 8 kHz to 192 kHz, every frequency the cutoff can reach, every
// resonance a zone can hold, through the frame-by-frame filter
// (KLowPass::SetCutoff) and the lanes' (KLowPassTable). The cutoff, its key
// and velocity tracking and the filter envelope (up to the filter sustain's
// 200 %, and its release below 0) only ever pick one of the curve's entries
// or its two ends, 20 Hz and 20000 Hz (CutoffCurveIndex): all 1003 are
// tried. The resonance: 0.1 .. 5 from the editor's knob and the parameters,
// and any float from a file.
#include "LowPassTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// The larger pole radius of 1 + a1 z^-1 + a2 z^-2, from the coefficients as
// stored.
double PoleRadius(const KLowPass& f) {
    const long double a1 = f.a1, a2 = f.a2;
    const long double d = a1 * a1 - 4 * a2;
    if (d < 0) return std::sqrt(static_cast<double>(a2));
    const long double root = std::sqrt(d);
    return static_cast<double>(std::max(std::fabs((-a1 + root) / 2), std::fabs((-a1 - root) / 2)));
}

bool SameCoefficients(const KLowPass& a, const KLowPass& b) {
    const float x[] = {a.b0, a.b1, a.b2, a.a1, a.a2};
    const float y[] = {b.b0, b.b1, b.b2, b.a1, b.a2};
    return std::memcmp(x, y, sizeof x) == 0;
}

const float kResonances[] = {0.1f, 0.3f, 0.5f, 0.7071f, 1.0f, 2.0f, 3.5f, 5.0f, 8.0f, 20.0f};

class LowPassStabilityTest : public ::testing::TestWithParam<int> {};

// Strictly stable, and a unit step settles near 1 (within 1 dB) without
// leaving the low-pass's bounds (overshoot below 1 + 1), for as long as its
// slowest pole needs to settle: at least 15 of its time constants.
TEST_P(LowPassStabilityTest, EveryCutoffAndResonanceIsStableAndPassesDc) {
    BuildLookupTables();
    const int rate = GetParam();
    auto table = std::make_unique<KLowPassTable>();
    for (float q : kResonances) {
        KLowPass previous;
        for (int index = 0; index <= kCutoffBelow; ++index) {
            KLowPass f;
            f.SetCutoff(CutoffCurveHz(index), rate, q);
            KLowPass lanes;
            table->SetCutoff(lanes, index, rate, q);
            ASSERT_TRUE(SameCoefficients(f, lanes)) << "entry " << index << " Q " << q;
            const double radius = PoleRadius(f);
            ASSERT_LT(radius, 1.0) << CutoffCurveHz(index) << " Hz, Q " << q;
            // Entry 0, 0 Hz, passes nothing; the entries below the floor give
            // the floor's filter, tried once.
            if (index == 0 || SameCoefficients(f, previous)) continue;
            previous = f;
            const long frames = std::max(1000L, static_cast<long>(15.0 / -std::log(radius)));
            float y = 0.0f, peak = 0.0f;
            for (long t = 0; t < frames; ++t) {
                y = f.Process(1.0f);
                peak = std::max(peak, std::fabs(y));
            }
            ASSERT_LT(peak, 2.0f) << CutoffCurveHz(index) << " Hz, Q " << q;
            ASSERT_NEAR(y, 1.0f, 0.1f) << CutoffCurveHz(index) << " Hz, Q " << q << " after " << frames;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(HostRates, LowPassStabilityTest,
                         ::testing::Values(8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400,
                                           192000),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

// What a file may hold beyond the knob's range filters as the range's ends
// do; the poles stay inside at every entry at rates a host may set beyond
// the usual ones too.
TEST(LowPassStability, ResonancesOfAnyValueAndRatesAtTheirExtremes) {
    BuildLookupTables();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    struct Held {
        float q, as;
    };
    for (int rate : {1, 1000, 8000, 44100, 192000, 384000, 768000, 10000000}) {
        for (const Held h : {Held{0.0f, 0.1f}, Held{-1.0f, 0.1f}, Held{1e-30f, 0.1f}, Held{0.09f, 0.1f},
                             Held{kNaN, 0.1f}, Held{20.5f, 20.0f}, Held{1e30f, 20.0f}, Held{kInf, 20.0f}}) {
            for (int index = 0; index <= kCutoffBelow; ++index) {
                KLowPass f, in;
                f.SetCutoff(CutoffCurveHz(index), rate, h.q);
                in.SetCutoff(CutoffCurveHz(index), rate, h.as);
                ASSERT_TRUE(SameCoefficients(f, in)) << "Q " << h.q << " at " << rate << " entry " << index;
            }
        }
        for (float q : kResonances)
            for (int index = 0; index <= kCutoffBelow; ++index) {
                KLowPass f;
                f.SetCutoff(CutoffCurveHz(index), rate, q);
                ASSERT_LT(PoleRadius(f), 1.0) << "Q " << q << " at " << rate << " entry " << index;
            }
    }
}

} // namespace
