#include "LowPassTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool SameCoefficients(const KLowPass& a, const KLowPass& b) {
    const float x[] = {a.b0, a.b1, a.b2, a.a1, a.a2};
    const float y[] = {b.b0, b.b1, b.b2, b.a1, b.a2};
    return std::memcmp(x, y, sizeof x) == 0;
}

struct Lookup {
    int index;
    int rate;
    float q;
};

// A sequence of lookups, each against a filter that SetCutoff sets
// directly: the same entry again, the same entry for another resonance or
// rate (which takes its place), the ends of the curve, rates that keep the
// coefficients and indices off the curve.
TEST(KLowPassTable, GivesExactlyWhatSetCutoffGives) {
    BuildLookupTables();
    auto table = std::make_unique<KLowPassTable>();
    const Lookup lookups[] = {
        {640, 44100, 2.0f}, {640, 44100, 2.0f}, {641, 44100, 2.0f}, {640, 44100, 0.7f}, {640, 44100, 2.0f},
        {640, 48000, 2.0f}, {640, 44100, 2.0f}, {0, 44100, 1.0f},   {kCutoffAbove, 32000, 1.0f},
        {kCutoffBelow, 44100, 1.0f}, {1000, 22050, 6.0f}, {500, 0, 1.0f}, {500, -44100, 1.0f},
        {500, 44100, 0.0f}, {500, 44100, -1.0f}, {500, 44100, kNaN}, {500, 44100, kNaN}, {-1, 44100, 1.0f},
        {kCutoffBelow + 1, 44100, 1.0f}, {500, 44100, 1.0f}};
    KLowPass viaTable, direct;
    for (const Lookup& l : lookups) {
        table->SetCutoff(viaTable, l.index, l.rate, l.q);
        direct.SetCutoff(CutoffCurveHz(l.index), l.rate, l.q);
        ASSERT_TRUE(SameCoefficients(viaTable, direct)) << l.index << " " << l.rate << " " << l.q;
    }
}

// The state goes on: only the coefficients change.
TEST(KLowPassTable, KeepsTheFilterState) {
    BuildLookupTables();
    auto table = std::make_unique<KLowPassTable>();
    KLowPass lp;
    table->SetCutoff(lp, 700, 44100, 1.0f);
    lp.Process(0.5f);
    lp.Process(-0.25f);
    const KLowPass before = lp;
    table->SetCutoff(lp, 300, 44100, 1.0f);
    EXPECT_EQ(lp.x1, before.x1);
    EXPECT_EQ(lp.x2, before.x2);
    EXPECT_EQ(lp.y1, before.y1);
    EXPECT_EQ(lp.y2, before.y2);
}

} // namespace
