#include "Reverb.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int kRate = 44100;

struct Frame {
    float left;
    float right;
};

// Reproducible white noise in -1 .. 1.
float NextNoise(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
}

std::vector<Frame> NoiseFrames(int n, uint32_t seed = 777) {
    std::vector<Frame> out(n);
    for (Frame& f : out) f = {NextNoise(seed), NextNoise(seed)};
    return out;
}

std::vector<Frame> Render(KReverb& r, const std::vector<Frame>& input) {
    std::vector<Frame> out(input.size());
    for (size_t i = 0; i < input.size(); ++i) r.Process(input[i].left, input[i].right, out[i].left, out[i].right);
    return out;
}

std::vector<Frame> RenderSilence(KReverb& r, int n) { return Render(r, std::vector<Frame>(n, Frame{0.0f, 0.0f})); }

double Energy(const std::vector<Frame>& frames, size_t from, size_t count) {
    double e = 0.0;
    for (size_t i = from; i < from + count; ++i)
        e += double(frames[i].left) * frames[i].left + double(frames[i].right) * frames[i].right;
    return e;
}

// What an instrument applies after constructing its reverb.
void ApplyInstrumentSettings(KReverb& r, float reverbSize, float reverbDamp) {
    r.dry = 0.0f;
    r.wet = 1.5f;
    r.width = 0.7f;
    r.mode = 0.0f;
    r.damp = reverbDamp * 0.4f;
    r.roomSize = reverbSize * 0.28f + 0.7f;
    r.Update();
}

TEST(ReverbConstruction, StandardTuningsAndSilence) {
    auto r = std::make_unique<KReverb>();
    EXPECT_FLOAT_EQ(r->wet, 1.0f);
    EXPECT_FLOAT_EQ(r->roomSize, 0.84f);
    EXPECT_EQ(r->dry, 0.0f);
    EXPECT_FLOAT_EQ(r->damp, 0.2f);
    EXPECT_EQ(r->width, 1.0f);
    EXPECT_EQ(r->mode, 0.0f);
    EXPECT_FLOAT_EQ(r->gain, 0.015f);
    EXPECT_EQ(r->roomSize1, r->roomSize);
    EXPECT_EQ(r->damp1, r->damp);
    EXPECT_EQ(r->wet1, r->wet);
    EXPECT_EQ(r->wet2, 0.0f);

    const int combs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const int allPasses[] = {556, 441, 341, 225};
    for (int i = 0; i < kReverbCombs; ++i) {
        EXPECT_EQ(r->combLeft[i].length, combs[i]);
        EXPECT_EQ(r->combRight[i].length, combs[i] + 23);
        EXPECT_FLOAT_EQ(r->combLeft[i].feedback, 0.84f);
        EXPECT_FLOAT_EQ(r->combRight[i].damp2, 0.8f);
    }
    for (int i = 0; i < kReverbAllPasses; ++i) {
        EXPECT_EQ(r->allPassLeft[i].length, allPasses[i]);
        EXPECT_EQ(r->allPassRight[i].length, allPasses[i] + 23);
        EXPECT_EQ(r->allPassLeft[i].feedback, 0.5f);
        EXPECT_EQ(r->allPassRight[i].feedback, 0.5f);
    }
    for (const Frame& f : RenderSilence(*r, 4000)) {
        ASSERT_EQ(f.left, 0.0f);
        ASSERT_EQ(f.right, 0.0f);
    }
}

struct UpdateCase {
    float width, wet, mode;
    float wet1, wet2, gain, roomSize1, damp1;
};
void PrintTo(const UpdateCase& c, std::ostream* os) {
    *os << "width " << c.width << " wet " << c.wet << " mode " << c.mode;
}

class ReverbUpdateTest : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(ReverbUpdateTest, DerivesGainsInUse) {
    const UpdateCase c = GetParam();
    auto r = std::make_unique<KReverb>();
    r->width = c.width;
    r->wet = c.wet;
    r->mode = c.mode;
    r->roomSize = 0.9f;
    r->damp = 0.3f;
    r->Update();
    EXPECT_FLOAT_EQ(r->wet1, c.wet1);
    EXPECT_FLOAT_EQ(r->wet2, c.wet2);
    EXPECT_FLOAT_EQ(r->gain, c.gain);
    EXPECT_FLOAT_EQ(r->roomSize1, c.roomSize1);
    EXPECT_FLOAT_EQ(r->damp1, c.damp1);
    for (const KReverbComb* side : {r->combLeft, r->combRight}) {
        for (int i = 0; i < kReverbCombs; ++i) {
            EXPECT_EQ(side[i].feedback, r->roomSize1);
            EXPECT_EQ(side[i].damp1, r->damp1);
            EXPECT_EQ(side[i].damp2, 1.0f - r->damp1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Reverb, ReverbUpdateTest,
    ::testing::Values(UpdateCase{0.7f, 1.5f, 0.0f, 1.275f, 0.225f, 0.015f, 0.9f, 0.3f},
                      UpdateCase{1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.015f, 0.9f, 0.3f},
                      UpdateCase{0.0f, 2.0f, 0.0f, 1.0f, 1.0f, 0.015f, 0.9f, 0.3f},
                      UpdateCase{0.7f, 1.5f, 0.49f, 1.275f, 0.225f, 0.015f, 0.9f, 0.3f},
                      UpdateCase{0.7f, 1.5f, 0.5f, 1.275f, 0.225f, 0.0f, 1.0f, 0.0f},
                      UpdateCase{0.7f, 1.5f, 1.0f, 1.275f, 0.225f, 0.0f, 1.0f, 0.0f}));

// Nothing comes out before the shortest comb has gone round once; the 23
// samples of spread delay the right side.
TEST(ReverbImpulse, FirstEchoAfterShortestCombOnEachSide) {
    auto r = std::make_unique<KReverb>();
    std::vector<Frame> impulse(3000, Frame{0.0f, 0.0f});
    impulse[0] = {0.5f, 0.5f};
    const auto out = Render(*r, impulse);
    for (int i = 0; i < 1116; ++i) ASSERT_EQ(out[i].left, 0.0f) << i;
    for (int i = 0; i < 1139; ++i) ASSERT_EQ(out[i].right, 0.0f) << i;
    // Input 1 x 0.015 from the first comb, through four all-passes that each
    // pass a fresh sample inverted.
    EXPECT_FLOAT_EQ(out[1116].left, 0.015f * r->wet1);
    EXPECT_FLOAT_EQ(out[1139].right, 0.015f * r->wet1);
}

TEST(ReverbImpulse, TailIsAudibleAndDiesAway) {
    auto r = std::make_unique<KReverb>();
    ApplyInstrumentSettings(*r, 0.5f, 0.5f);
    std::vector<Frame> impulse(4 * kRate, Frame{0.0f, 0.0f});
    impulse[0] = {1.0f, -0.25f};
    const auto out = Render(*r, impulse);
    const size_t block = kRate / 4;
    std::vector<double> energy;
    for (size_t from = 0; from + block <= out.size(); from += block) energy.push_back(Energy(out, from, block));
    ASSERT_GT(energy[0], 1e-6);
    for (size_t i = 1; i < energy.size(); ++i) EXPECT_LT(energy[i], energy[i - 1]) << "block " << i;
    EXPECT_LT(energy.back(), 1e-4 * energy[0]);
}

TEST(ReverbMute, SilencesAtOnce) {
    auto r = std::make_unique<KReverb>();
    ApplyInstrumentSettings(*r, 1.0f, 0.2f);
    const auto sounding = Render(*r, NoiseFrames(kRate));
    ASSERT_GT(Energy(sounding, kRate / 2, kRate / 2), 1.0);
    r->Mute();
    for (const Frame& f : RenderSilence(*r, 2 * kRate)) {
        ASSERT_EQ(f.left, 0.0f);
        ASSERT_EQ(f.right, 0.0f);
    }
}

// Frozen: lossless combs, no new input, and a mute that keeps the sound.
TEST(ReverbFreeze, HoldsItsSoundThroughMuteAndTakesNoInput) {
    auto held = std::make_unique<KReverb>();
    auto fed = std::make_unique<KReverb>();
    const auto history = NoiseFrames(kRate / 2);
    for (KReverb* r : {held.get(), fed.get()}) {
        ApplyInstrumentSettings(*r, 0.5f, 0.5f);
        Render(*r, history);
        r->mode = 1.0f;
        r->Update();
        r->Mute();
    }
    EXPECT_EQ(held->gain, 0.0f);

    const auto quiet = RenderSilence(*held, 2 * kRate);
    const auto loud = Render(*fed, NoiseFrames(2 * kRate, 4242));
    for (size_t i = 0; i < quiet.size(); ++i) {
        ASSERT_EQ(quiet[i].left, loud[i].left) << i;
        ASSERT_EQ(quiet[i].right, loud[i].right) << i;
    }
    const double first = Energy(quiet, 0, kRate / 4);
    const double last = Energy(quiet, quiet.size() - kRate / 4, kRate / 4);
    ASSERT_GT(first, 1e-3);
    EXPECT_GT(last, 0.5 * first);

    // Thawed, the same mute empties it.
    held->mode = 0.0f;
    held->Update();
    EXPECT_FLOAT_EQ(held->gain, 0.015f);
    EXPECT_EQ(held->roomSize1, held->roomSize);
    held->Mute();
    for (const Frame& f : RenderSilence(*held, kRate)) ASSERT_EQ(f.left + f.right, 0.0f);
}

// Each case: an input frame and the frame it must act as.
struct PoisonCase {
    Frame in;
    Frame actsAs;
};
void PrintTo(const PoisonCase& c, std::ostream* os) { *os << c.in.left << ", " << c.in.right; }

class ReverbPoisonTest : public ::testing::TestWithParam<PoisonCase> {};

TEST_P(ReverbPoisonTest, NonFiniteInputIsTakenAsZero) {
    const PoisonCase c = GetParam();
    auto poisoned = std::make_unique<KReverb>();
    auto clean = std::make_unique<KReverb>();
    auto input = NoiseFrames(2 * kRate);
    auto expected = input;
    for (size_t i = 100; i < input.size() / 2; i += 997) {
        input[i] = c.in;
        expected[i] = c.actsAs;
    }
    const auto out = Render(*poisoned, input);
    const auto reference = Render(*clean, expected);
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_TRUE(std::isfinite(out[i].left) && std::isfinite(out[i].right)) << i;
        ASSERT_EQ(out[i].left, reference[i].left) << i;
        ASSERT_EQ(out[i].right, reference[i].right) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Reverb, ReverbPoisonTest,
                         ::testing::Values(PoisonCase{{kNaN, 0.3f}, {0.0f, 0.3f}},
                                           PoisonCase{{kInf, -0.2f}, {0.0f, -0.2f}},
                                           PoisonCase{{0.1f, -kInf}, {0.1f, 0.0f}},
                                           PoisonCase{{kNaN, kNaN}, {0.0f, 0.0f}},
                                           PoisonCase{{kInf, -kInf}, {0.0f, 0.0f}},
                                           // Finite, but their sum overflows.
                                           PoisonCase{{FLT_MAX, FLT_MAX}, {0.0f, 0.0f}}));

// A reverb whose sound stops being finite: fed NaN or infinity (taken as
// zero on the way in), or with NaN or infinity in its lines or filter
// stores (as lines that overflowed leave them). Frame by frame and
// in blocks alike, its output stays finite, dies away to silence when fed
// silence, and sounds again when fed a tone.
struct FaultCase {
    const char* name;
    Frame in;      // fed for half a second
    int poison;    // 0 none, 1 a comb line, 2 an all-pass line, 3 a filter store
    float value;   // what is put there
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class ReverbFaultTest : public ::testing::TestWithParam<std::tuple<FaultCase, bool>> {
protected:
    std::vector<Frame> Run(KReverb& r, const std::vector<Frame>& input) {
        if (!std::get<1>(GetParam())) return Render(r, input);
        std::vector<Frame> out(input.size());
        constexpr int kBlock = 300;
        std::vector<float> inLeft(kBlock), inRight(kBlock), wetLeft(kBlock), wetRight(kBlock);
        for (size_t at = 0; at < input.size(); at += kBlock) {
            const int n = static_cast<int>(std::min<size_t>(kBlock, input.size() - at));
            for (int i = 0; i < n; ++i) {
                inLeft[i] = input[at + i].left;
                inRight[i] = input[at + i].right;
            }
            r.ProcessBlock(inLeft.data(), inRight.data(), wetLeft.data(), wetRight.data(), n);
            for (int i = 0; i < n; ++i) out[at + i] = {wetLeft[i], wetRight[i]};
        }
        return out;
    }
};

std::vector<Frame> Tone(int n) {
    std::vector<Frame> out(n);
    for (int i = 0; i < n; ++i) {
        const float x = 0.5f * static_cast<float>(std::sin(i * 0.0627));
        out[i] = {x, 0.5f * x};
    }
    return out;
}

TEST_P(ReverbFaultTest, RecoversFinite) {
    const FaultCase& c = std::get<0>(GetParam());
    auto r = std::make_unique<KReverb>();
    ApplyInstrumentSettings(*r, 0.5f, 0.5f);
    const double sounding = Energy(Run(*r, Tone(kRate / 2)), kRate / 4, kRate / 4);
    ASSERT_GT(sounding, 1.0);
    if (c.poison == 1) r->buffers[r->combLeft[3].buffer + 17] = c.value;
    if (c.poison == 2) r->buffers[r->allPassRight[1].buffer + 5] = c.value;
    if (c.poison == 3) r->combRight[6].filterStore = c.value;
    const auto bad = Run(*r, std::vector<Frame>(kRate / 2, c.in));
    const auto quiet = Run(*r, std::vector<Frame>(6 * kRate, Frame{0.0f, 0.0f}));
    const auto again = Run(*r, Tone(kRate));
    for (const auto* part : {&bad, &quiet, &again})
        for (size_t i = 0; i < part->size(); ++i)
            ASSERT_TRUE(std::isfinite((*part)[i].left) && std::isfinite((*part)[i].right)) << i;
    EXPECT_LT(Energy(quiet, 5 * kRate, kRate / 4), 1e-6 * sounding) << "dies away to silence";
    EXPECT_GT(Energy(again, 3 * kRate / 4, kRate / 4), 0.5 * sounding) << "sounds again";
}

INSTANTIATE_TEST_SUITE_P(
    Reverb, ReverbFaultTest,
    ::testing::Combine(::testing::Values(FaultCase{"NaN input", {kNaN, kNaN}, 0, 0.0f},
                                         FaultCase{"infinite input", {kInf, -kInf}, 0, 0.0f},
                                         FaultCase{"NaN in a comb", {0.1f, 0.1f}, 1, kNaN},
                                         FaultCase{"infinity in an all-pass", {0.1f, 0.1f}, 2, kInf},
                                         FaultCase{"NaN filter store", {0.1f, 0.1f}, 3, kNaN},
                                         FaultCase{"infinite filter store", {0.0f, 0.0f}, 3, -kInf}),
                       ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<FaultCase, bool>>& info) {
        std::string n;
        for (const char* p = std::get<0>(info.param).name; *p; ++p)
            n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return n + (std::get<1>(info.param) ? "_blocks" : "_frames");
    });

uint32_t Bits(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// n frames of the input from `at` on, as one block through `blocks` and
// frame by frame through `frames`; check(frame, block left, block right,
// frame left, frame right) for each.
template <class Check>
void CompareBlock(KReverb& frames, KReverb& blocks, const std::vector<Frame>& input, size_t at, int n, Check check) {
    std::vector<float> inLeft(n), inRight(n), wetLeft(n), wetRight(n);
    for (int i = 0; i < n; ++i) {
        inLeft[i] = input[at + i].left;
        inRight[i] = input[at + i].right;
    }
    blocks.ProcessBlock(inLeft.data(), inRight.data(), wetLeft.data(), wetRight.data(), n);
    for (int i = 0; i < n; ++i) {
        float l, r;
        frames.Process(inLeft[i], inRight[i], l, r);
        check(at + i, wetLeft[i], wetRight[i], l, r);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// Through faults the blocks still give what frame by frame gives, to the
// bit, the lines they keep included: half a second loud enough for the
// lines to overflow again and again, then the same poison at the same
// frame, in blocks of every length.
TEST(ReverbBlock, RecoversFromAFaultAsFrameByFrame) {
    auto frames = std::make_unique<KReverb>();
    auto blocks = std::make_unique<KReverb>();
    for (KReverb* r : {frames.get(), blocks.get()}) ApplyInstrumentSettings(*r, 1.0f, 0.1f);
    auto input = NoiseFrames(2 * kRate);
    for (size_t i = kRate / 2; i < kRate; ++i) input[i] = {FLT_MAX / 2, FLT_MAX / 2};
    const int lengths[] = {1, 5, 127, 128, 129, 300, 2047};
    size_t at = 0;
    for (int round = 0; at < input.size(); ++round) {
        if (round == 120) {
            for (KReverb* r : {frames.get(), blocks.get()}) r->buffers[r->combLeft[0].buffer + 3] = kNaN;
        }
        const int n = static_cast<int>(std::min<size_t>(lengths[round % 7], input.size() - at));
        CompareBlock(*frames, *blocks, input, at, n, [](size_t frame, float bl, float br, float l, float r) {
            ASSERT_TRUE(std::isfinite(l) && std::isfinite(r)) << "frame " << frame;
            ASSERT_EQ(Bits(bl), Bits(l)) << "frame " << frame;
            ASSERT_EQ(Bits(br), Bits(r)) << "frame " << frame;
        });
        if (HasFatalFailure()) return;
        at += n;
    }
    EXPECT_EQ(std::memcmp(blocks->buffers, frames->buffers, sizeof frames->buffers), 0);
    for (int i = 0; i < kReverbCombs; ++i) EXPECT_EQ(blocks->combLeft[i].index, frames->combLeft[i].index);
}

// An input so quiet that it reaches the delay lines as a denormal is read
// back as zero.
TEST(ReverbDenormals, FlushedOnTheWayOutOfTheLines) {
    auto r = std::make_unique<KReverb>();
    std::vector<Frame> input(5000, Frame{0.0f, 0.0f});
    input[0] = {1e-37f, 1e-37f};
    ASSERT_LT((input[0].left + input[0].right) * r->gain, FLT_MIN);
    for (const Frame& f : Render(*r, input)) {
        ASSERT_EQ(f.left, 0.0f);
        ASSERT_EQ(f.right, 0.0f);
    }
}

TEST(ReverbCopy, CopyRunsOnItsOwnLines) {
    auto original = std::make_unique<KReverb>();
    Render(*original, NoiseFrames(kRate / 2));
    auto copy = std::make_unique<KReverb>(*original);
    const auto fromCopy = Render(*copy, NoiseFrames(kRate / 2, 99));
    const auto fromOriginal = RenderSilence(*original, kRate / 2);
    auto twin = std::make_unique<KReverb>();
    Render(*twin, NoiseFrames(kRate / 2));
    const auto fromTwin = RenderSilence(*twin, kRate / 2);
    for (size_t i = 0; i < fromOriginal.size(); ++i) {
        ASSERT_EQ(fromOriginal[i].left, fromTwin[i].left) << i;
        ASSERT_EQ(fromOriginal[i].right, fromTwin[i].right) << i;
    }
    EXPECT_NE(Energy(fromCopy, 0, fromCopy.size()), Energy(fromOriginal, 0, fromOriginal.size()));
}

// Blocks of every length, also across the lines' wraps and the chunks,
// give exactly what frame by frame gives: outputs and everything the reverb
// keeps, down to the sign of zero, through loud noise, non-finite input,
// tails dying into denormals and a freeze.
TEST(ReverbBlock, EqualsFrameByFrameBitForBit) {
    auto frames = std::make_unique<KReverb>();
    auto blocks = std::make_unique<KReverb>();
    for (KReverb* r : {frames.get(), blocks.get()}) ApplyInstrumentSettings(*r, 0.8f, 0.3f);
    // A whisper into the empty reverb, then silence in which its tail dies
    // away into denormals; then loud noise with non-finite frames; the last
    // half second frozen.
    auto input = NoiseFrames(4 * kRate);
    for (size_t i = 0; i < 5 * kRate / 2; ++i)
        input[i] = i < kRate / 2 ? Frame{input[i].left * 1e-36f, input[i].right * 2e-37f} : Frame{0.0f, 0.0f};
    for (size_t i = 3 * kRate; i < input.size(); i += 1733) input[i] = {kNaN, 0.5f};
    for (size_t i = 3 * kRate + 500; i < input.size(); i += 2411) input[i] = {FLT_MAX, FLT_MAX};
    const int lengths[] = {1, 3, 4, 127, 128, 129, 225, 256, 300, 1000, 2047};
    size_t at = 0;
    for (int round = 0; at < input.size(); ++round) {
        if (at >= 7 * kRate / 2 && !frames->Frozen()) {
            for (KReverb* r : {frames.get(), blocks.get()}) {
                r->mode = 1.0f;
                r->Update();
            }
        }
        const int n = static_cast<int>(std::min<size_t>(lengths[round % 11], input.size() - at));
        CompareBlock(*frames, *blocks, input, at, n, [](size_t frame, float bl, float br, float l, float r) {
            ASSERT_EQ(Bits(bl), Bits(l)) << "frame " << frame;
            ASSERT_EQ(Bits(br), Bits(r)) << "frame " << frame;
        });
        if (HasFatalFailure()) return;
        at += n;
    }
    for (int i = 0; i < kReverbCombs; ++i) {
        EXPECT_EQ(Bits(blocks->combLeft[i].filterStore), Bits(frames->combLeft[i].filterStore));
        EXPECT_EQ(Bits(blocks->combRight[i].filterStore), Bits(frames->combRight[i].filterStore));
        EXPECT_EQ(blocks->combLeft[i].index, frames->combLeft[i].index);
        EXPECT_EQ(blocks->combRight[i].index, frames->combRight[i].index);
    }
    for (int i = 0; i < kReverbAllPasses; ++i) {
        EXPECT_EQ(blocks->allPassLeft[i].index, frames->allPassLeft[i].index);
        EXPECT_EQ(blocks->allPassRight[i].index, frames->allPassRight[i].index);
    }
    EXPECT_EQ(std::memcmp(blocks->buffers, frames->buffers, sizeof frames->buffers), 0);
}

} // namespace
