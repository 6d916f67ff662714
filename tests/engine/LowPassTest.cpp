#include "LowPass.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const double kPi = std::acos(-1.0);

// The cookbook's low-pass in its unnormalised form, in double throughout.
struct Reference {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double Process(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    Reference(double f, double rate, double q) {
        const double w0 = 2.0 * kPi * f / rate;
        const double alpha = std::sin(w0) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        b0 = (1.0 - std::cos(w0)) / 2.0 / a0;
        b1 = (1.0 - std::cos(w0)) / a0;
        b2 = b0;
        a1 = -2.0 * std::cos(w0) / a0;
        a2 = (1.0 - alpha) / a0;
    }
};

void ExpectCoefficients(const KLowPass& f, const Reference& r) {
    EXPECT_FLOAT_EQ(f.b0, static_cast<float>(r.b0));
    EXPECT_FLOAT_EQ(f.b1, static_cast<float>(r.b1));
    EXPECT_FLOAT_EQ(f.b2, static_cast<float>(r.b2));
    EXPECT_FLOAT_EQ(f.a1, static_cast<float>(r.a1));
    EXPECT_FLOAT_EQ(f.a2, static_cast<float>(r.a2));
}

// Reproducible white noise in -1 .. 1.
std::vector<float> Noise(int n, uint32_t seed = 12345) {
    std::vector<float> out(n);
    for (float& s : out) {
        seed = seed * 1664525u + 1013904223u;
        s = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    return out;
}

float PeakOf(KLowPass& f, const std::vector<float>& input) {
    float peak = 0.0f;
    for (float x : input) {
        const float y = f.Process(x);
        if (!std::isfinite(y)) return kInf;
        peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

struct Setting {
    float frequency;
    int rate;
    float q;
};
void PrintTo(const Setting& s, std::ostream* os) {
    *os << s.frequency << " Hz at " << s.rate << " Q " << s.q;
}

class LowPassCookbookTest : public ::testing::TestWithParam<Setting> {};

TEST_P(LowPassCookbookTest, MatchesDoublePrecisionCookbook) {
    const Setting s = GetParam();
    Reference r(s.frequency, s.rate, s.q);
    KLowPass f;
    f.SetCutoff(s.frequency, s.rate, s.q);
    ExpectCoefficients(f, r);

    // The same signal through a double-precision filter: only float
    // coefficient and state rounding may separate them.
    double worst = 0.0;
    for (float x : Noise(20000)) worst = std::max(worst, std::fabs(f.Process(x) - r.Process(x)));
    EXPECT_LT(worst, 1e-3);
}

TEST_P(LowPassCookbookTest, PassesDcAtUnityGain) {
    const Setting s = GetParam();
    KLowPass f;
    f.SetCutoff(s.frequency, s.rate, s.q);
    float y = 0.0f;
    for (int i = 0; i < s.rate; ++i) y = f.Process(0.5f);
    EXPECT_NEAR(y, 0.5f, 5e-4f);
}

// At its cutoff the cookbook low-pass has a gain of exactly Q.
TEST_P(LowPassCookbookTest, GainAtCutoffIsQ) {
    const Setting s = GetParam();
    KLowPass f;
    f.SetCutoff(s.frequency, s.rate, s.q);
    const double w = 2.0 * kPi * s.frequency / s.rate;
    const int settle = 4 * s.rate;
    const int measure = s.rate;
    double in = 0.0, quad = 0.0;
    for (int i = 0; i < settle + measure; ++i) {
        const float y = f.Process(static_cast<float>(std::sin(w * i)));
        if (i >= settle) {
            in += y * std::sin(w * i);
            quad += y * std::cos(w * i);
        }
    }
    const double gain = 2.0 * std::hypot(in, quad) / measure;
    EXPECT_NEAR(gain, s.q, 2e-3 * s.q);
}

INSTANTIATE_TEST_SUITE_P(LowPass, LowPassCookbookTest,
                         ::testing::Values(Setting{1000.0f, 44100, 0.7071f}, Setting{200.0f, 44100, 0.5f},
                                           Setting{5000.0f, 48000, 2.0f}, Setting{3362.03f, 44100, 8.0f},
                                           Setting{18027.3f, 44100, 0.7071f},
                                           Setting{20000.0f, 96000, 4.0f}));

// Q at or below 0 would divide by zero or put the poles outside the circle.
class LowPassQClampTest : public ::testing::TestWithParam<float> {};

TEST_P(LowPassQClampTest, ActsAsQOfOneTenth) {
    KLowPass clamped;
    clamped.SetCutoff(1000.0f, 44100, GetParam());
    KLowPass tenth;
    tenth.SetCutoff(1000.0f, 44100, 0.1f);
    EXPECT_EQ(clamped.b0, tenth.b0);
    EXPECT_EQ(clamped.b1, tenth.b1);
    EXPECT_EQ(clamped.b2, tenth.b2);
    EXPECT_EQ(clamped.a1, tenth.a1);
    EXPECT_EQ(clamped.a2, tenth.a2);
    EXPECT_LT(PeakOf(clamped, Noise(44100)), 2.0f);
}

INSTANTIATE_TEST_SUITE_P(LowPass, LowPassQClampTest,
                         ::testing::Values(0.0f, -0.0f, -1.0f, -kInf, kNaN));

// A cutoff at or past Nyquist puts the poles outside the unit circle: the
// curve's 20000 Hz top at host rates of 22050 and 32000 Hz.
class LowPassNyquistTest : public ::testing::TestWithParam<Setting> {};

TEST_P(LowPassNyquistTest, ClampedToJustBelowNyquistAndStable) {
    const Setting s = GetParam();
    KLowPass f;
    f.SetCutoff(s.frequency, s.rate, s.q);
    ExpectCoefficients(f, Reference(0.49 * s.rate, s.rate, s.q));
    EXPECT_LT(PeakOf(f, Noise(100000)), 10.0f);
}

INSTANTIATE_TEST_SUITE_P(LowPass, LowPassNyquistTest,
                         ::testing::Values(Setting{20000.0f, 22050, 0.7071f}, Setting{20000.0f, 32000, 0.7071f},
                                           Setting{20000.0f, 32000, 4.0f}, Setting{11025.0f, 22050, 1.0f},
                                           Setting{1e9f, 44100, 0.7071f}, Setting{kInf, 44100, 0.7071f}));

TEST(LowPassRange, TopOfCurveIsUntouchedAtCdRate) {
    KLowPass f;
    f.SetCutoff(20000.0f, 44100, 0.7071f);
    ExpectCoefficients(f, Reference(20000.0, 44100, 0.7071f));
}

// The bottom of the cutoff curve: its steps from 0.002 radians per sample
// up (14.04 Hz at 44.1 kHz) are ordinary low-passes, kept exactly as the
// cookbook gives them; below it, where float rounding moves the gain at DC
// by up to 100 % and can put a pole outside the unit circle, the filter
// stays at that floor.
struct LowCutoff {
    float frequency;
    double filtersAt;
};
void PrintTo(const LowCutoff& c, std::ostream* os) { *os << c.frequency << " Hz"; }

class LowPassLowCutoffTest : public ::testing::TestWithParam<LowCutoff> {};

TEST_P(LowPassLowCutoffTest, KeepsTheCookbookCoefficientsAndStaysBounded) {
    KLowPass f;
    f.SetCutoff(GetParam().frequency, 44100, 2.0f);
    ExpectCoefficients(f, Reference(GetParam().filtersAt, 44100, 2.0f));
    EXPECT_LT(PeakOf(f, Noise(10 * 44100)), 2.0f);
}

const double kFloorAtCdRate = 0.002 * 44100 / (2.0 * kPi);
INSTANTIATE_TEST_SUITE_P(LowPass, LowPassLowCutoffTest,
                         ::testing::Values(LowCutoff{1e-30f, kFloorAtCdRate}, LowCutoff{2.9502f, kFloorAtCdRate},
                                           LowCutoff{5.0f, kFloorAtCdRate}, LowCutoff{14.05f, 14.05f},
                                           LowCutoff{17.64f, 17.64f}, LowCutoff{20.0f, 20.0f}));

// At 0 Hz the poles sit on the unit circle with nothing let in, and the
// state a sweep down leaves behind would drift without bound: the filter
// passes nothing instead, as it does from a clean state.
class LowPassZeroCutoffTest : public ::testing::TestWithParam<float> {};

TEST_P(LowPassZeroCutoffTest, PassesNothingAfterASweepDown) {
    KLowPass f;
    f.SetCutoff(2000.0f, 44100, 2.0f);
    for (float x : Noise(1000)) f.Process(x);
    ASSERT_NE(f.y1, f.y2);
    f.SetCutoff(GetParam(), 44100, 2.0f);
    for (int i = 0; i < 10 * 44100; ++i) ASSERT_EQ(f.Process(0.5f), 0.0f) << i;

    // Back up the curve it filters again.
    f.SetCutoff(1000.0f, 44100, 2.0f);
    float y = 0.0f;
    for (int i = 0; i < 44100; ++i) y = f.Process(0.5f);
    EXPECT_NEAR(y, 0.5f, 1e-3f);
}

TEST_P(LowPassZeroCutoffTest, FromACleanStateGivesWhatTheCookbookGives) {
    // The cookbook at 0 Hz: b = 0, a1 = -2, a2 = 1, silent from rest.
    KLowPass f;
    f.SetCutoff(GetParam(), 44100, 0.7071f);
    Reference r(0.0, 44100, 0.7071f);
    for (float x : Noise(1000)) ASSERT_EQ(f.Process(x), r.Process(x));
}

INSTANTIATE_TEST_SUITE_P(LowPass, LowPassZeroCutoffTest, ::testing::Values(0.0f, -0.0f, -100.0f, -kInf, kNaN));

TEST(LowPassRange, NoRateKeepsTheCoefficients) {
    KLowPass f;
    f.SetCutoff(1000.0f, 44100, 0.7071f);
    const KLowPass before = f;
    f.SetCutoff(1000.0f, 0, 0.7071f);
    f.SetCutoff(1000.0f, -44100, 0.7071f);
    EXPECT_EQ(f.b0, before.b0);
    EXPECT_EQ(f.a1, before.a1);
    EXPECT_EQ(f.a2, before.a2);
}

// Denormal and zero inputs never enter the state; the smallest normal does.
struct InputCase {
    float x;
    float stored;
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.x; }

class LowPassInputTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(LowPassInputTest, DenormalsAreTakenAsZero) {
    const InputCase c = GetParam();
    KLowPass f;
    f.SetCutoff(15000.0f, 44100, 0.7071f);
    const float y = f.Process(c.x);
    EXPECT_EQ(f.x1, c.stored);
    EXPECT_EQ(y, f.b0 * c.stored);
    EXPECT_EQ(f.y1, y);
}

INSTANTIATE_TEST_SUITE_P(LowPass, LowPassInputTest,
                         ::testing::Values(InputCase{FLT_MIN / 2.0f, 0.0f}, InputCase{-FLT_MIN / 4.0f, 0.0f},
                                           InputCase{FLT_TRUE_MIN, 0.0f}, InputCase{-FLT_TRUE_MIN, 0.0f},
                                           InputCase{-0.0f, 0.0f}, InputCase{FLT_MIN, FLT_MIN},
                                           InputCase{-FLT_MIN, -FLT_MIN}, InputCase{0.25f, 0.25f}));

TEST(LowPassState, NewCutoffKeepsStateAndResetClearsAll) {
    KLowPass f;
    EXPECT_EQ(f.Process(1.0f), 0.0f);
    f.SetCutoff(1000.0f, 44100, 0.7071f);
    for (float x : Noise(100)) f.Process(x);
    const KLowPass before = f;
    f.SetCutoff(5000.0f, 44100, 3.0f);
    EXPECT_EQ(f.y1, before.y1);
    EXPECT_EQ(f.y2, before.y2);
    EXPECT_EQ(f.x1, before.x1);
    EXPECT_EQ(f.x2, before.x2);
    EXPECT_NE(f.b0, before.b0);

    f.Reset();
    for (float field : {f.b0, f.b1, f.b2, f.a1, f.a2, f.y1, f.y2, f.x1, f.x2}) EXPECT_EQ(field, 0.0f);
}

} // namespace
