#include "SampleZone.h"

#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kPreload = KSampleZone::kPreloadFrames;

// A sample whose value names its frame: frame i of a 16-bit file holds i
// (left) and -i (right), so the preload shows which frame landed where.
int32_t FrameIndex(int64_t i, int c) { return static_cast<int32_t>(c == 0 ? i : -i); }
float Left(int64_t frame) { return static_cast<float>(frame) / 32768.0f; }

class SampleZoneTest : public ::testing::Test {
protected:
    std::unique_ptr<KSampleZone> Zone(const Bytes& bytes) {
        const std::wstring path = folder.File(L"z" + std::to_wstring(serial++) + L".wav");
        EXPECT_TRUE(WriteBytes(path, bytes));
        return std::make_unique<KSampleZone>(path.c_str(), &buffer, nullptr, 0);
    }

    TempFolder folder;
    KReadBuffer buffer;
    int serial = 0;
};

TEST_F(SampleZoneTest, OpensWithFileDefaultsAndPreload) {
    auto zone = Zone(WavWriter(2, 16, 22050).Generate(1000, FrameIndex).Build());
    ASSERT_TRUE(zone->isOpen);
    EXPECT_EQ(zone->sampleRate, 22050);
    EXPECT_EQ(zone->isMono, 0);
    EXPECT_EQ(zone->frameCount, 1000);
    EXPECT_EQ(zone->startFrame, 0);
    EXPECT_EQ(zone->endFrame, 999);
    EXPECT_EQ(zone->loopStart, 0);
    EXPECT_EQ(zone->loopEnd, 999);
    EXPECT_EQ(zone->loopMode, 0);
    EXPECT_EQ(zone->rootKey, 60);
    EXPECT_EQ(zone->layer, 1);
    EXPECT_EQ(zone->ampRelease, 300.0f);
    EXPECT_EQ(zone->filterRelease, 3000.0f);
    EXPECT_EQ(zone->cutoff, 100.0f);
    ASSERT_NE(zone->preload, nullptr);
    ASSERT_NE(zone->overview, nullptr);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(zone->preload[2 * i], Left(i));
        ASSERT_EQ(zone->preload[2 * i + 1], -Left(i));
    }
    for (int i = 2000; i < 2 * kPreload; ++i) ASSERT_EQ(zone->preload[i], 0.0f);
}

TEST_F(SampleZoneTest, UnopenedZoneHasNothing) {
    auto zone = Zone(WavWriter(2, 32).Generate(10, FrameIndex).Build());
    EXPECT_FALSE(zone->isOpen);
    EXPECT_EQ(zone->preload, nullptr);
    EXPECT_EQ(zone->overview, nullptr);
    zone->FillPreload();
    zone->BuildOverview();
    KSampleZone missing(L"no such file.wav", &buffer, nullptr, 0);
    EXPECT_FALSE(missing.isOpen);
}

TEST_F(SampleZoneTest, MonoPreloadIsSpreadToStereoFromStart) {
    auto zone = Zone(WavWriter(1, 16).Generate(32767, FrameIndex).Build());
    ASSERT_TRUE(zone->isOpen);
    EXPECT_EQ(zone->isMono, 1);
    zone->startFrame = 5000;
    zone->FillPreload();
    for (int i = 0; i < kPreload; ++i) {
        const float expected = 5000 + i < 32767 ? Left(5000 + i) : 0.0f;
        ASSERT_EQ(zone->preload[2 * i], expected) << i;
        ASSERT_EQ(zone->preload[2 * i + 1], expected) << i;
    }
}

struct LoopingPreload {
    const char* name;
    int channels;
    int64_t start;
};
void PrintTo(const LoopingPreload& c, std::ostream* os) { *os << c.name; }


class SampleZoneLoopTest : public SampleZoneTest, public ::testing::WithParamInterface<LoopingPreload> {};

TEST_P(SampleZoneLoopTest, PreloadRunsThroughTheLoop) {
    const LoopingPreload p = GetParam();
    auto zone = Zone(WavWriter(p.channels, 16).Generate(1000, FrameIndex).Build());
    ASSERT_TRUE(zone->isOpen);
    zone->startFrame = p.start;
    zone->loopStart = 200;
    zone->loopEnd = 800;
    zone->loopMode = 2;
    zone->FillPreload();
    // Frames start..799, then 200..799 over and over; the last, partial copy
    // ends exactly at the preload's last frame.
    for (int64_t i = 0; i < kPreload; ++i) {
        const int64_t played = p.start + i < 800 ? p.start + i : 200 + (p.start + i - 800) % 600;
        ASSERT_EQ(zone->preload[2 * i], Left(played)) << i;
        ASSERT_EQ(zone->preload[2 * i + 1], p.channels == 2 ? -Left(played) : Left(played)) << i;
    }
    const int64_t g = 800 - p.start;
    const int64_t m = (kPreload - g) % 600;
    EXPECT_EQ(zone->preload[2 * (kPreload - 1)], Left(200 + m - 1));
}

INSTANTIATE_TEST_SUITE_P(Zones, SampleZoneLoopTest,
                         ::testing::Values(LoopingPreload{"stereo", 2, 0}, LoopingPreload{"mono", 1, 0},
                                           LoopingPreload{"stereo_start_in_loop", 2, 450}),
                         [](const auto& info) { return std::string(info.param.name); });

struct UnplayableLoop {
    const char* name;
    int64_t start, loopStart, loopEnd;
};
void PrintTo(const UnplayableLoop& c, std::ostream* os) { *os << c.name; }


class SampleZoneBadLoopTest : public SampleZoneTest, public ::testing::WithParamInterface<UnplayableLoop> {};

TEST_P(SampleZoneBadLoopTest, PlaysAsANonLoopingZone) {
    const UnplayableLoop p = GetParam();
    auto zone = Zone(WavWriter(2, 16).Generate(1000, FrameIndex).Build());
    ASSERT_TRUE(zone->isOpen);
    zone->startFrame = p.start;
    zone->loopStart = p.loopStart;
    zone->loopEnd = p.loopEnd;
    for (int mode : {2, 3}) {
        zone->loopMode = mode;
        EXPECT_FALSE(zone->PreloadWrapsLoop());
        zone->FillPreload();
        const int64_t from = std::max<int64_t>(p.start, 0);
        for (int64_t i = 0; i < kPreload; ++i) {
            const float expected = from + i < 1000 ? Left(from + i) : 0.0f;
            ASSERT_EQ(zone->preload[2 * i], expected) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, SampleZoneBadLoopTest,
                         ::testing::Values(UnplayableLoop{"empty", 0, 500, 500},
                                           UnplayableLoop{"inverted", 0, 600, 100},
                                           UnplayableLoop{"beyond_the_file", 0, 200, 5000},
                                           UnplayableLoop{"negative_start", 0, -50, 100},
                                           UnplayableLoop{"start_after_loop_end", 900, 100, 800},
                                           UnplayableLoop{"start_beyond_the_file", 5000, 100, 800},
                                           UnplayableLoop{"negative_zone_start", -20, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SampleZoneTest, OverviewOfAFileShorterThanTheColumns) {
    // 300 frames of 8-bit mono, values from -0.5 up to about 0.5.
    auto zone = Zone(WavWriter(1, 8).Generate(300, [](int64_t i, int) { return static_cast<int32_t>(64 + i * 128 / 300); }).Build());
    ASSERT_TRUE(zone->isOpen);
    zone->BuildOverview();
    for (int c = 0; c < KSampleZone::kOverviewColumns - 1; ++c) {
        ASSERT_EQ(zone->overview[2 * c], -1.0f) << c;
        ASSERT_EQ(zone->overview[2 * c + 1], 1.0f) << c;
    }
    const float* last = zone->overview + 2 * (KSampleZone::kOverviewColumns - 1);
    EXPECT_EQ(last[0], (64 + 299 * 128 / 300 - 128) / 128.0f);
    EXPECT_EQ(last[1], -0.5f);
}

TEST_F(SampleZoneTest, OverviewColumnsOfAStereoFile) {
    // Column c of 100 frames holds one spike of +c/1024 (left) and a dip of
    // -c/2048 (both channels); the 17 left-over frames go to the last column.
    const int64_t frames = 617 * 100 + 17;
    auto value = [](int64_t i, int ch) -> int32_t {
        const int64_t c = std::min<int64_t>(i / 100, 616);
        if (i >= 617 * 100) return i == frames - 1 ? (ch == 0 ? 32000 : 0) : 0;
        if (i % 100 == 10) return ch == 0 ? static_cast<int32_t>(c * 32) : 0;
        if (i % 100 == 20) return static_cast<int32_t>(-c * 16);
        return 0;
    };
    auto zone = Zone(WavWriter(2, 16).Generate(frames, value).Build());
    ASSERT_TRUE(zone->isOpen);
    zone->BuildOverview();
    for (int c = 0; c < 616; ++c) {
        ASSERT_EQ(zone->overview[2 * c], c * 32 * 0.5f / 32768.0f) << c;
        ASSERT_EQ(zone->overview[2 * c + 1], c == 0 ? 0.0f : -c * 16 / 32768.0f) << c;
    }
    EXPECT_EQ(zone->overview[2 * 616], 32000 * 0.5f / 32768.0f);
    EXPECT_EQ(zone->overview[2 * 616 + 1], -616 * 16 / 32768.0f);
}

TEST_F(SampleZoneTest, OverviewOfColumnsLongerThanTheReadPieces) {
    // 20000-frame columns: each column is read in several pieces.
    const int64_t frames = 617LL * 20000;
    auto zone = Zone(WavWriter(1, 8).Generate(frames, [](int64_t i, int) {
        return (i % 20000 == 19999) ? static_cast<int32_t>(128 + (i / 20000) % 100) : 128;
    }).Build());
    ASSERT_TRUE(zone->isOpen);
    zone->BuildOverview();
    for (int c = 0; c < 617; ++c) {
        ASSERT_EQ(zone->overview[2 * c], (c % 100) / 128.0f) << c;
        ASSERT_EQ(zone->overview[2 * c + 1], 0.0f) << c;
    }
}

struct PanRow {
    float pan, left, right;
};

TEST_F(SampleZoneTest, PanGains) {
    auto zone = Zone(WavWriter(2, 16).Generate(10, FrameIndex).Build());
    for (PanRow row : {PanRow{0, 1.0f, 0.0f}, PanRow{25, 1.0f, 0.5f}, PanRow{50, 1.0f, 1.0f},
                       PanRow{75, 0.5f, 1.0f}, PanRow{100, 0.0f, 1.0f}}) {
        zone->pan = row.pan;
        zone->UpdateCoefficients(44100);
        EXPECT_EQ(zone->panGainLeft, row.left) << row.pan;
        EXPECT_EQ(zone->panGainRight, row.right) << row.pan;
    }
}

TEST_F(SampleZoneTest, EnvelopeCoefficients) {
    auto zone = Zone(WavWriter(2, 16).Generate(10, FrameIndex).Build());
    zone->ampAttack = 0;
    zone->ampDecay = 0;
    zone->ampRelease = 0;
    zone->filterAttack = -5;
    zone->filterDecay = 0;
    zone->filterRelease = 0;
    zone->ampSustain = 0;
    zone->filterSustain = 100;
    zone->UpdateCoefficients(44100);
    EXPECT_EQ(zone->ampAttackCoef, 1.0f);
    EXPECT_EQ(zone->ampDecayCoef, 0.0f);
    EXPECT_EQ(zone->ampReleaseCoef, 0.0f);
    EXPECT_EQ(zone->filterAttackCoef, 1.0f);
    EXPECT_EQ(zone->filterDecayCoef, 0.0f);
    EXPECT_EQ(zone->filterReleaseCoef, 0.0f);
    EXPECT_EQ(zone->ampSustainLevel, 1.0f);
    EXPECT_EQ(zone->filterSustainLevel, 1.0f);

    zone->ampAttack = 10;     // 441 frames at 44.1 kHz
    zone->ampDecay = 1000;
    zone->ampRelease = 300;
    zone->filterAttack = 1;
    zone->filterDecay = 20;
    zone->filterRelease = 3000;
    zone->ampSustain = -6;
    zone->filterSustain = 50;
    zone->UpdateCoefficients(44100);
    EXPECT_FLOAT_EQ(zone->ampAttackCoef, static_cast<float>(1 - std::exp(-1.0 / 441)));
    EXPECT_FLOAT_EQ(zone->ampDecayCoef, static_cast<float>(1 - std::exp(-1.0 / 44100)));
    EXPECT_FLOAT_EQ(zone->ampReleaseCoef, static_cast<float>(1 - std::exp(-1.0 / 13230)));
    EXPECT_FLOAT_EQ(zone->filterAttackCoef, static_cast<float>(1 - std::exp(-1.0 / 44.1)));
    EXPECT_FLOAT_EQ(zone->filterDecayCoef, static_cast<float>(1 - std::exp(-1.0 / 882)));
    EXPECT_FLOAT_EQ(zone->filterReleaseCoef, static_cast<float>(1 - std::exp(-1.0 / 132300)));
    EXPECT_FLOAT_EQ(zone->ampSustainLevel, static_cast<float>(std::pow(10.0, -0.3)));
    EXPECT_EQ(zone->filterSustainLevel, 0.5f);

    // The same time at another rate gives another per-frame step.
    zone->UpdateCoefficients(88200);
    EXPECT_FLOAT_EQ(zone->ampAttackCoef, static_cast<float>(1 - std::exp(-1.0 / 882)));
}

TEST(MonoToStereo, SpreadsInPlace) {
    std::vector<float> b = {1, 2, 3, 4, 0, 0, 0, 0};
    MonoToStereo(4, b.data());
    EXPECT_EQ(b, (std::vector<float>{1, 1, 2, 2, 3, 3, 4, 4}));
    std::vector<float> one = {7, 0};
    MonoToStereo(1, one.data());
    EXPECT_EQ(one, (std::vector<float>{7, 7}));
}

TEST_F(SampleZoneTest, EmbeddedZonesShareOneStreamClosedAfterTheLast) {
    // Two WAVs back to back in one bank file.
    const Bytes a = WavWriter(2, 16).Generate(100, FrameIndex).Build();
    const Bytes b = WavWriter(1, 16).Generate(50, [](int64_t i, int) { return static_cast<int32_t>(1000 + i); }).Build();
    Bytes bank = a;
    bank.insert(bank.end(), b.begin(), b.end());
    const std::wstring path = folder.File(L"bank.ksb");
    ASSERT_TRUE(WriteBytes(path, bank, 20));

    KSharedStream* stream = KSharedStream::Open(path.c_str());
    ASSERT_NE(stream, nullptr);
    auto first = std::make_unique<KSampleZone>(path.c_str(), &buffer, stream, 20);
    auto second = std::make_unique<KSampleZone>(path.c_str(), &buffer, stream, 20 + static_cast<int64_t>(a.size()));
    ASSERT_TRUE(first->isOpen);
    ASSERT_TRUE(second->isOpen);
    EXPECT_EQ(stream->References(), 3);
    stream->Release(); // the loader gives up its share
    EXPECT_EQ(second->preload[0], 1000 / 32768.0f);
    EXPECT_EQ(first->preload[2 * 99], Left(99));
    first.reset();
    EXPECT_EQ(second->file->References(), 1);
    second->FillPreload();
    EXPECT_EQ(second->preload[2 * 49 + 1], 1049 / 32768.0f);
    second.reset(); // closes the bank (a double close would show under the sanitizers)
}

} // namespace
