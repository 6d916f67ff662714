#include "Tables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class TablesTest : public ::testing::Test {
protected:
    void SetUp() override { BuildLookupTables(); }
};

// Each case names the table step it must land on, counted from the entry of
// exponent 0: hundredths of a decade, tenths of a semitone. The argument is
// scaled in float, so a decimal argument such as 0.29 (stored just below
// 0.29) lands on its own step rather than the one below.
struct StepCase {
    float x;
    int step;
};
void PrintTo(const StepCase& c, std::ostream* os) { *os << "x=" << c.x << " step " << c.step; }

class Pow10LookupTest : public TablesTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(Pow10LookupTest, LandsOnTruncatedStep) {
    const StepCase c = GetParam();
    EXPECT_FLOAT_EQ(Pow10Lookup(c.x), static_cast<float>(std::pow(10.0, c.step / 100.0)));
}

INSTANTIATE_TEST_SUITE_P(Tables, Pow10LookupTest,
    ::testing::Values(StepCase{0.0f, 0}, StepCase{1.0f, 60}, StepCase{0.6f, 60}, StepCase{0.005f, 0},
                      StepCase{-0.005f, 0}, StepCase{-0.019f, -1}, StepCase{0.3f, 30},
                      StepCase{0.29f, 29}, StepCase{-0.29f, -29},
                      StepCase{-1.0f, -100}, StepCase{-2.7f, -270}, StepCase{-3.0f, -270},
                      StepCase{kInf, 60}, StepCase{-kInf, -270}, StepCase{kNaN, -270}));

class SemitoneLookupTest : public TablesTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(SemitoneLookupTest, LandsOnTruncatedStep) {
    const StepCase c = GetParam();
    EXPECT_FLOAT_EQ(SemitoneRatioLookup(c.x), static_cast<float>(std::pow(2.0, c.step / 120.0)));
}

INSTANTIATE_TEST_SUITE_P(Tables, SemitoneLookupTest,
    ::testing::Values(StepCase{0.05f, 0}, StepCase{-0.05f, 0}, StepCase{12.0f, 120},
                      StepCase{-12.0f, -120}, StepCase{0.19f, 1}, StepCase{-0.19f, -1},
                      StepCase{0.7f, 7}, StepCase{-0.7f, -7},
                      StepCase{73.0f, 730}, StepCase{80.0f, 730}, StepCase{-73.0f, -730},
                      StepCase{-80.0f, -730}, StepCase{kInf, 730}, StepCase{kNaN, -730}));

TEST_F(TablesTest, ExponentZeroIsExactlyOneAndAnOctaveExactlyTwo) {
    EXPECT_EQ(Pow10Lookup(0.0f), 1.0f);
    EXPECT_EQ(SemitoneRatioLookup(0.05f), 1.0f);
    EXPECT_EQ(SemitoneRatioLookup(-0.05f), 1.0f);
    EXPECT_EQ(SemitoneRatioLookup(12.0f), 2.0f);
    EXPECT_EQ(SemitoneRatioLookup(-12.0f), 0.5f);
}

// Truncation toward zero: a positive argument never reads above its true
// value, a negative one never below it, and neither is off by a whole step.
TEST_F(TablesTest, SweepsQuantiseTowardZeroByLessThanOneStep) {
    const double tenCents = std::pow(2.0, 0.1 / 12.0);
    for (float x = -72.9f; x < 72.9f; x += 0.0137f) {
        const double ratio = SemitoneRatioLookup(x) / std::pow(2.0, x / 12.0);
        if (x >= 0.0f) {
            ASSERT_LE(ratio, 1.0 + 1e-6) << x;
            ASSERT_GT(ratio, 1.0 / tenCents - 1e-6) << x;
        } else {
            ASSERT_GE(ratio, 1.0 - 1e-6) << x;
            ASSERT_LT(ratio, tenCents + 1e-6) << x;
        }
    }
    const double hundredth = std::pow(10.0, 0.01);
    for (float x = -2.69f; x < 0.59f; x += 0.00037f) {
        const double ratio = Pow10Lookup(x) / std::pow(10.0, x);
        if (x >= 0.0f) {
            ASSERT_LE(ratio, 1.0 + 1e-6) << x;
            ASSERT_GT(ratio, 1.0 / hundredth - 1e-6) << x;
        } else {
            ASSERT_GE(ratio, 1.0 - 1e-6) << x;
            ASSERT_LT(ratio, hundredth + 1e-6) << x;
        }
    }
}

struct CutoffCase {
    float position;
    int index;
    float hz;
};
void PrintTo(const CutoffCase& c, std::ostream* os) { *os << "position " << c.position; }

class CutoffCurveTest : public TablesTest, public ::testing::WithParamInterface<CutoffCase> {};

TEST_P(CutoffCurveTest, IndexAndFrequency) {
    const CutoffCase c = GetParam();
    EXPECT_EQ(CutoffCurveIndex(c.position), c.index);
    EXPECT_NEAR(CutoffCurveLookup(c.position), c.hz, 0.05f);
}

// 1000 x (2 ^ (i / 1000 x 4.25) - 1), worked out by hand.
INSTANTIATE_TEST_SUITE_P(Tables, CutoffCurveTest,
    ::testing::Values(CutoffCase{0.0f, 0, 0.0f}, CutoffCase{0.05f, 0, 0.0f},
                      CutoffCase{0.0999f, 0, 0.0f}, CutoffCase{0.1f, 1, 2.9502f},
                      CutoffCase{0.7f, 7, 20.8352f},
                      CutoffCase{50.0f, 500, 3362.03f}, CutoffCase{50.09f, 500, 3362.03f},
                      CutoffCase{100.0f, 1000, 18027.3f}, CutoffCase{100.5f, kCutoffAbove, 20000.0f},
                      CutoffCase{kInf, kCutoffAbove, 20000.0f}, CutoffCase{-1.0f, kCutoffBelow, 20.0f},
                      CutoffCase{-0.01f, kCutoffBelow, 20.0f}, CutoffCase{-kInf, kCutoffBelow, 20.0f},
                      CutoffCase{kNaN, 0, 0.0f}));

TEST_F(TablesTest, CutoffCurveRisesThroughEveryIndex) {
    EXPECT_EQ(CutoffCurveHz(0), 0.0f);
    for (int i = 1; i <= 1000; ++i) ASSERT_GT(CutoffCurveHz(i), CutoffCurveHz(i - 1)) << i;
    // Indices that were never handed out read the floor, not past the table.
    EXPECT_EQ(CutoffCurveHz(-1), 0.0f);
    EXPECT_EQ(CutoffCurveHz(kCutoffBelow + 1), 0.0f);
}

// Engines are built while others render: the tables are written once and
// every builder comes back to complete ones.
TEST(TablesBuild, ConcurrentBuildersAllSeeCompleteTables) {
    std::atomic<bool> go{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> builders;
    for (int t = 0; t < 8; ++t) {
        builders.emplace_back([&] {
            while (!go.load()) std::this_thread::yield();
            BuildLookupTables();
            if (Pow10Lookup(0.0f) != 1.0f || SemitoneRatioLookup(-80.0f) == 0.0f ||
                SemitoneRatioLookup(80.0f) == 0.0f || CutoffCurveHz(1000) == 0.0f)
                ++wrong;
        });
    }
    go = true;
    for (std::thread& b : builders) b.join();
    EXPECT_EQ(wrong.load(), 0);
    const float last = CutoffCurveHz(1000);
    BuildLookupTables();
    EXPECT_EQ(CutoffCurveHz(1000), last);
}

} // namespace
