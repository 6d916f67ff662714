#include "Tables.h"
#include "VoiceRig.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

namespace {

float S16(int32_t raw) { return raw / 32768.0f; }

TEST(Interpolate4, FollowsSmoothSignals) {
    for (double x : {0.0, 0.25, 0.5, 0.75, 0.999}) {
        // A constant stays (the interpolator is not exactly interpolating).
        EXPECT_NEAR(Interpolate4(x, 0.3f, 0.3f, 0.3f, 0.3f), 0.3f, 1e-5);
        // A ramp y = k gives about x between y1 = 0 and y2 = 1.
        EXPECT_NEAR(Interpolate4(x, -1, 0, 1, 2), x, 0.01);
        // Mirror symmetry of the kernel.
        EXPECT_NEAR(Interpolate4(x, 0.1f, -0.4f, 0.9f, 0.2f), Interpolate4(1 - x, 0.2f, 0.9f, -0.4f, 0.1f), 1e-6);
    }
}

// The polynomial's own values, worked out in double from its published
// coefficients; the float evaluation may differ by rounding only.
struct InterpolationCase {
    double x;
    float y0, y1, y2, y3;
    double expected;
};

TEST(Interpolate4, KnownValuesOfThePolynomial) {
    const InterpolationCase cases[] = {
        // At x = 0 the kernel spreads an impulse over its neighbours: the
        // interpolator does not give y1 back (FetchFrame skips it there).
        {0.0, 0, 1, 0, 0, 0.592444924},
        {0.0, 1, 0, 0, 0, 0.203457447},
        {0.0, 0, 0, 1, 0, 0.201841990},
        {0.0, 0, 0, 0, 1, 0.002240727},
        {0.0, -1, 0, 1, 2, 0.002865997},
        // At the midpoint only the even coefficients remain.
        {0.5, 0, 1, 0, 0, 0.458689709},
        {0.5, 1, 0, 0, 0, 0.041314019},
        {0.5, -1, 0, 1, 2, 0.500003728},
        {0.25, 1, 1, 1, 1, 1.000001864},
        // The parabola y = k^2 at k = 0.75.
        {0.75, 1, 0, 1, 4, 0.977936273},
    };
    for (const InterpolationCase& c : cases)
        EXPECT_NEAR(Interpolate4(c.x, c.y0, c.y1, c.y2, c.y3), c.expected, 1e-6)
            << "x " << c.x << " y " << c.y0 << " " << c.y1 << " " << c.y2 << " " << c.y3;
}

TEST(KVoiceFetch, WholePositionsReturnTheFrameUnchanged) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(2, 16).Generate(100, [](int64_t i, int c) { return static_cast<int32_t>(c ? -i * 100 : i * 100); }).Build());
    rig.Start(z);
    float l, r;
    for (int i : {0, 1, 50, 99}) {
        FetchFrame(rig.voice(), true, i, l, r);
        EXPECT_EQ(l, S16(i * 100));
        EXPECT_EQ(r, S16(-i * 100));
    }
    // Position 0.5: the left neighbour of the first frame is the first frame.
    FetchFrame(rig.voice(), true, 0.5, l, r);
    EXPECT_FLOAT_EQ(l, Interpolate4(0.5, 0, 0, S16(100), S16(200)));
}

// Both channels go through Interpolate4 with the neighbours the voice uses:
// the frame before (the first frame itself at the start), and the last
// frame repeated past the end of the preload.
TEST(KVoiceFetch, BothChannelsInterpolateTheirNeighbours) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(2, 16).Generate(kHalf, [](int64_t i, int c) {
        return static_cast<int32_t>((i * 7919 + c * 3001) % 65536) - 32768;
    }).Build());
    rig.Start(z);
    const float* p = z->preload;
    auto at = [&](int64_t frame, int c) { return p[2 * std::clamp<int64_t>(frame, 0, kHalf - 1) + c]; };
    std::vector<double> positions = {0.25, 0.5, 1.75, kHalf - 2.5, kHalf - 1.5, kHalf - 0.125};
    for (int k = 0; k < 2000; ++k) positions.push_back(std::fmod(k * 16.37 + 0.001 * k, kHalf - 1.0));
    for (double position : positions) {
        const int64_t i = static_cast<int64_t>(position);
        const double x = position - static_cast<double>(i);
        float l, r;
        FetchFrame(rig.voice(), true, position, l, r);
        for (int c = 0; c < 2; ++c) {
            const float expected = x == 0.0 ? at(i, c)
                                            : Interpolate4(x, at(i == 0 ? 0 : i - 1, c), at(i, c),
                                                           i + 1 < kHalf ? at(i + 1, c) : at(i, c),
                                                           i + 2 < kHalf ? at(i + 2, c) : at(i, c));
            ASSERT_EQ(c == 0 ? l : r, expected) << "position " << position << " channel " << c;
        }
    }
}

TEST(KVoice, ShortZoneInModeZeroEndsAfterItsLengthWithoutRefill) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build());
    rig.Start(z);
    int frames = 0;
    float l, r;
    while (rig.voice().active && frames < 5000) {
        rig.Pull(l, r);
        ASSERT_EQ(l, S16(frames));
        ++frames;
    }
    // The end (frame 999) is exclusive: 999 frames of advance.
    EXPECT_EQ(frames, 999);
    EXPECT_EQ(rig.passesBegun.load(), 0) << "no refill was ever asked for";
}

TEST(KVoice, ZeroLengthAndInvertedZonesEndAtOnce) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build());
    float l, r;
    for (auto [start, end] : {std::pair<int64_t, int64_t>{500, 500}, {800, 100}, {5000, 999}}) {
        z->startFrame = start;
        z->endFrame = end;
        z->FillPreload();
        rig.Start(z);
        rig.Pull(l, r);
        EXPECT_FALSE(rig.voice().active) << start << ".." << end;
    }
}

TEST(KVoice, LoopInsideThePreloadRefillsAtOnceAndNeverEnds) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build());
    z->loopMode = 2;
    z->loopStart = 200;
    z->loopEnd = 800;
    z->FillPreload();
    rig.Start(z);
    float l, r;
    NextFrame(rig.voice(), l, r);
    // Only the first frame can have asked: the ring fills for this note.
    rig.SettleDisk(rig.voice());
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const uint32_t note = rig.voice().startCount.load();
    auto filled = [&] { return rig.voice().HalfHolds(note, 0) && rig.voice().HalfHolds(note, 1); };
    while (!filled() && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    EXPECT_TRUE(filled()) << "first refill on the first frame";
    for (int64_t i = 1; i < 400000; ++i) {
        rig.Pull(l, r);
        const int64_t expected = i < 800 ? i : 200 + (i - 800) % 600;
        ASSERT_EQ(l, S16(static_cast<int32_t>(expected))) << i;
    }
    EXPECT_TRUE(rig.voice().active);
}

TEST(KVoice, RingEntryPositions) {
    struct Case {
        int transpose;
        double step;
    };
    // Unbent steps: 1 enters at 0; steps that divide 32768 enter at 0 too
    // (the advance lands exactly on the seam); others where the step passed it.
    for (Case c : {Case{0, 1.0}, Case{12, 2.0}, Case{-12, 0.5}, Case{7, 0.0}}) {
        VoiceRig rig;
        KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(200000, [](int64_t i, int) { return static_cast<int32_t>(i % 20000); }).Build());
        rig.Start(z, c.transpose);
        const double step = rig.voice().step;
        if (c.step != 0.0) {
            EXPECT_EQ(step, c.step);
        }
        float l, r;
        while (rig.voice().preloadPos < kHalf) rig.Pull(l, r);
        const double n = std::ceil(kHalf / step);
        EXPECT_NEAR(rig.voice().ringPos, n * step - kHalf, 1e-6);
        EXPECT_NEAR(rig.voice().ringPos, rig.voice().preloadPos - kHalf, 1e-9);
    }
}

TEST(KVoice, Envelopes) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(400000, [](int64_t, int) { return 16384; }).Build());
    z->ampAttack = 0;
    z->ampDecay = 10;
    z->ampSustain = -6;
    z->ampRelease = 0;
    z->UpdateCoefficients(44100);
    rig.Start(z);
    float l = 0, r = 0;
    RenderVoice(rig.voice(), &l, &r, 1);
    EXPECT_EQ(rig.voice().ampEnvelope, 1.0) << "attack 0 ms: full level on the first frame";
    EXPECT_EQ(rig.voice().ampAttacking, 0);
    for (int i = 0; i < 44100; ++i) {
        RenderVoice(rig.voice(), &l, &r, 1);
        rig.SettleDisk(rig.voice());
    }
    EXPECT_NEAR(rig.voice().ampEnvelope, std::pow(10.0, -6.0 / 20), 1e-3) << "decays to the sustain level";
    rig.voice().released = 1;
    RenderVoice(rig.voice(), &l, &r, 1);
    EXPECT_EQ(rig.voice().ampEnvelope, 0.0);
    EXPECT_FALSE(rig.voice().active) << "release 0 ms: silent at once, and the voice ends";
}

TEST(KVoice, ReleaseFallsBelowZeroInFiniteTime) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(1000, [](int64_t, int) { return 16384; }).Build());
    z->loopMode = 2;
    z->loopStart = 0;
    z->loopEnd = 1000;
    z->ampRelease = 10; // 441 frames
    z->UpdateCoefficients(44100);
    z->FillPreload();
    rig.Start(z);
    float l = 0, r = 0;
    for (int i = 0; i < 100; ++i) RenderVoice(rig.voice(), &l, &r, 1);
    rig.SettleDisk(rig.voice());
    rig.voice().released = 1;
    int frames = 0;
    while (rig.voice().active && frames < 100000) {
        RenderVoice(rig.voice(), &l, &r, 1);
        ++frames;
    }
    // 1 - e^(-n/441) of the way from 1 to -0.587: below zero after ln(1.587/0.587) x 441 frames.
    EXPECT_NEAR(frames, std::log(1.5873015873015872 / 0.5873015873015872) * 441, 3);
}

TEST(KVoice, StartClearsTheFilterOfThePreviousNote) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i * 30); }).Build());
    z->cutoff = 40;
    z->resonance = 4;
    rig.Start(z);
    float l = 0, r = 0;
    for (int i = 0; i < 200; ++i) RenderVoice(rig.voice(), &l, &r, 1);
    ASSERT_NE(rig.voice().filter.y1, 0.0f);
    rig.Start(z, 5);
    const KLowPass& f = rig.voice().filter;
    for (float state : {f.y1, f.y2, f.x1, f.x2}) EXPECT_EQ(state, 0.0f);
}

TEST(KVoice, ZoneWithoutKeyTrackingIgnoresTheInstrumentBend) {
    VoiceRig rig;
    KSampleZone* tracked = rig.AddZone(WavWriter(1, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build());
    KSampleZone* fixed = rig.AddZone(WavWriter(1, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build());
    fixed->keyTracking = 0;
    rig.instrument().bendRatio = 1.5;
    rig.Start(tracked, 0, 127, 0);
    rig.Start(fixed, 12, 127, 1);
    EXPECT_EQ(rig.instrument().bendRatio, 1.5) << "the other voices keep their bend";
    EXPECT_EQ(rig.voice(0).bend, 1.5);
    EXPECT_EQ(rig.voice(1).bend, 1.0);
    EXPECT_EQ(rig.voice(1).step, 1.0) << "no key tracking: the key does not change the pitch";
}

TEST(KVoice, BendGlidesByAFixedStepPerFrame) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(100000, [](int64_t, int) { return 0; }).Build());
    rig.Start(z);
    float l, r;
    // A target the steps land on: the glide stops there.
    const double twoUp = 1.0 + 0.005 + 0.005;
    rig.instrument().bendRatio = twoUp;
    rig.Pull(l, r);
    EXPECT_EQ(rig.voice().bend, 1.005);
    for (int i = 0; i < 3; ++i) {
        rig.Pull(l, r);
        EXPECT_EQ(rig.voice().bend, twoUp);
    }
}

// A target between two steps (a semitone up, a small bend down): the glide
// steps toward it, lands on it from within one step and stays there, frame
// by frame and in the lanes alike.
TEST(KVoice, BendGlideLandsOnATargetBetweenTwoSteps) {
    struct Driver {
        const char* name;
        void (*frame)(KVoice&);
    };
    const Driver drivers[] = {
        {"frame by frame", [](KVoice& v) { float l, r; NextFrame(v, l, r); }},
        {"lanes", [](KVoice& v) { float l = 0.0f, r = 0.0f; RenderVoice(v, &l, &r, 1); }},
    };
    for (const Driver& driver : drivers) {
        for (const double target : {1.0594630943592953, 0.9876}) {
            VoiceRig rig;
            KSampleZone* z = rig.AddZone(WavWriter(1, 16).Generate(100000, [](int64_t, int) { return 0; }).Build());
            rig.Start(z);
            rig.instrument().bendRatio = target;
            double previous = rig.voice().bend;
            int stepped = 0;
            for (int i = 0; i < 40; ++i) {
                driver.frame(rig.voice());
                const double bend = rig.voice().bend;
                if (bend != target) {
                    EXPECT_NEAR(std::fabs(bend - previous), 0.005, 1e-12) << driver.name << " " << i;
                    ++stepped;
                }
                previous = bend;
            }
            EXPECT_EQ(stepped, static_cast<int>(std::fabs(target - 1.0) / 0.005)) << driver.name << " " << target;
            EXPECT_EQ(rig.voice().bend, target) << driver.name;
        }
    }
}

// Long files streamed at step 1 must reach the interpolator frame for frame.
struct StreamCase {
    const char* name;
    int channels;
    int bits;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class StreamTest : public ::testing::TestWithParam<StreamCase> {};

// Plays `frames` frames of a zone and checks each against `expect(k)`, the
// file frame the k-th output frame must show.
void PlayAndCompare(VoiceRig& rig, KSampleZone* z, int64_t frames, const std::function<int64_t(int64_t)>& expect,
                    int bits, int channels) {
    rig.Start(z);
    float l, r;
    for (int64_t k = 0; k < frames; ++k) {
        ASSERT_TRUE(rig.voice().active) << k;
        rig.Pull(l, r);
        const int64_t f = expect(k);
        ASSERT_EQ(l, StreamFloat(f, 0, bits)) << "output frame " << k << ", file frame " << f;
        ASSERT_EQ(r, channels == 2 ? StreamFloat(f, 1, bits) : l) << k;
    }
}

TEST_P(StreamTest, EveryFrameInOrderAcrossSeamsAndHalves) {
    const StreamCase c = GetParam();
    VoiceRig rig;
    const int64_t length = 7 * kRing + 12345;
    const int bits = c.bits;
    KSampleZone* z = rig.AddZone(WavWriter(c.channels, bits).Generate(length, [bits](int64_t i, int ch) { return StreamValue(i, ch, bits); }).Build());
    z->startFrame = 777;
    z->FillPreload();

    // A second engine streams another file at the same time.
    std::atomic<bool> otherFailed{false};
    std::thread other([&] {
        VoiceRig second;
        KSampleZone* oz = second.AddZone(WavWriter(2, 16).Generate(5 * kRing, [](int64_t i, int ch) { return StreamValue(i + 5, ch, 16); }).Build());
        second.Start(oz);
        float l, r;
        for (int64_t k = 0; k < 5 * kRing - 1; ++k) {
            second.Pull(l, r);
            if (l != StreamFloat(k + 5, 0, 16) || r != StreamFloat(k + 5, 1, 16)) {
                otherFailed = true;
                break;
            }
        }
    });

    PlayAndCompare(rig, z, length - 777 - 1, [](int64_t k) { return 777 + k; }, bits, c.channels);
    float l, r;
    rig.Pull(l, r);
    EXPECT_FALSE(rig.voice().active) << "ends at the end frame";
    other.join();
    EXPECT_FALSE(otherFailed);
}

TEST_P(StreamTest, LoopsRepeatExactlyTheLoopFrames) {
    const StreamCase c = GetParam();
    const int bits = c.bits;
    struct Loop {
        int mode;
        int64_t start, end;
    };
    // Beyond the preload, inside it, and one loop shorter than a ring half.
    for (Loop loop : {Loop{2, 50000, 150001}, Loop{3, 1000, 3000}, Loop{2, 40000, 40100}}) {
        VoiceRig rig;
        KSampleZone* z = rig.AddZone(WavWriter(c.channels, bits).Generate(300000, [bits](int64_t i, int ch) { return StreamValue(i, ch, bits); }).Build());
        z->loopMode = loop.mode;
        z->loopStart = loop.start;
        z->loopEnd = loop.end;
        z->FillPreload();
        const int64_t length = loop.end - loop.start;
        PlayAndCompare(rig, z, 6 * kRing, [&](int64_t k) { return k < loop.end ? k : loop.start + (k - loop.end) % length; }, bits, c.channels);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, StreamTest,
                         ::testing::Values(StreamCase{"mono16", 1, 16}, StreamCase{"stereo16", 2, 16},
                                           StreamCase{"mono24", 1, 24}, StreamCase{"stereo24", 2, 24}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KVoiceStream, LoopUntilReleaseReadsOnPastTheLoopAndEndsAtTheEnd) {
    VoiceRig rig;
    const int64_t length = 400000;
    // 24-bit frames holding their own index.
    KSampleZone* z = rig.AddZone(WavWriter(1, 24).Generate(length, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build());
    z->loopMode = 3;
    z->loopStart = 1000;
    z->loopEnd = 3000;
    z->ampRelease = 1e7f; // the release outlasts the sample
    z->UpdateCoefficients(44100);
    z->FillPreload();
    rig.Start(z);
    float l, r;
    auto frameOf = [](float v) { return static_cast<int64_t>(std::lround(v * 8388608.0)); };
    int64_t previous = -1;
    for (int64_t k = 0; k < 100000; ++k) {
        rig.Pull(l, r);
        previous = frameOf(l);
    }
    rig.voice().released = 1;
    // After the release the ring still holds looped frames; then the stream
    // runs on linearly from inside the loop, past its end, to the zone's end.
    bool leftTheLoop = false;
    int64_t frames = 0;
    while (rig.voice().active && frames < 2 * length) {
        rig.Pull(l, r);
        ++frames;
        const int64_t f = frameOf(l);
        const bool wrapped = previous == 2999 && f == 1000;
        ASSERT_TRUE(f == previous + 1 || (wrapped && !leftTheLoop)) << previous << " -> " << f;
        leftTheLoop = leftTheLoop || f >= 3000;
        previous = f;
    }
    EXPECT_TRUE(leftTheLoop);
    EXPECT_FALSE(rig.voice().active) << "a released loop-until-release voice ends at the zone's end";
    EXPECT_EQ(previous, length - 2) << "the last frame played is the one before the end frame";
}

TEST(KVoiceStream, BentVoiceFollowsTheFileWithinTheInterpolationBound) {
    VoiceRig rig;
    const int64_t length = 600000;
    // A sine of 64 frames' period: one missing or repeated frame shows as an
    // error of up to 0.05, far above the interpolation error.
    auto sine = [](double frame, int ch) { return 0.5 * std::sin(2 * 3.14159265358979323846 * frame / 64.0 + ch); };
    KSampleZone* z = rig.AddZone(WavWriter(2, 24).Generate(length, [&](int64_t i, int ch) {
        return static_cast<int32_t>(std::lround(sine(static_cast<double>(i), ch) * 8388607.0)) & 0xFFFFFF;
    }).Build());
    rig.Start(z);
    float l, r;
    double worstInside = 0, worstAtEdge = 0;
    for (int64_t k = 0; rig.voice().active && rig.voice().preloadPos < length - 2000; ++k) {
        if (k % 3000 == 0) rig.instrument().bendRatio = 0.45 + 1.6 * ((k / 3000) % 7) / 6.0;
        KVoice& v = rig.voice();
        const bool inPreload = v.preloadPos < kHalf;
        const double position = inPreload ? v.preloadPos : v.ringPos;
        const double fileFrame = v.preloadPos;
        const int64_t i = static_cast<int64_t>(position);
        // Only the very first frame lacks a neighbour: across the seams the
        // next pass's frames are read.
        const bool edge = inPreload && i == 0;
        rig.Pull(l, r);
        const double error = std::max(std::fabs(l - sine(fileFrame, 0)), std::fabs(r - sine(fileFrame, 1)));
        (edge ? worstAtEdge : worstInside) = std::max(edge ? worstAtEdge : worstInside, error);
    }
    EXPECT_LT(worstInside, 2e-3);
    EXPECT_LT(worstAtEdge, 0.06);
    EXPECT_GT(rig.passesBegun.load(), 10);
}

} // namespace
