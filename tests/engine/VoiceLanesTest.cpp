// The engine's block render, voices side by side in four or eight lanes,
// against the frame-by-frame render of the same notes: every output sample
// the same to the bit. Two instruments cover what the lanes must hand over
// to the frame-by-frame steps or do themselves: unbent pitches that fall on
// whole frames (steps of 1, 2 and 0.5), tuned and resampled ones, mono and
// stereo, loops inside the preload and beyond it, zones ending inside the
// preload and in the ring, attacks, decays, releases of no time, a filter
// envelope sweeping the cutoff, pitch bends gliding, a zone without key
// tracking, release triggers, the pedal, an all-notes-off, volume ramps,
// the reverb, and events inside blocks.
#include "DiskWatch.h"
#include "EngineRig.h"
#include "VoiceLanes.h"
#include "VoiceRig.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct ZoneSetup {
    int wav; // 0 stereo 48 kHz 24-bit, 1 mono 44.1 kHz 16-bit, 2 stereo 44.1 kHz 16-bit
    int keyLow, keyHigh, velocityLow;
    int loopMode, loopStart, loopEnd, endFrame;
    int coarse, fine;
    float attack, decay, sustain, release;
    float filterAttack, filterDecay, filterSustain, filterRelease, cutoff, resonance;
    uint8_t keyTracking, releaseTrigger;
};

// Instrument A, channel 1, pair 0, reverb on.
const ZoneSetup kZonesA[] = {
    {0, 0, 47, 1, 2, 20000, 90000, 0, 0, 0, 5, 100, -6, 50, 10, 200, 30, 100, 90, 2, 1, 0},
    {1, 48, 72, 41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 100, 1, 1, 0},
    {1, 48, 72, 1, 0, 0, 0, 20000, 0, 0, 0, 30, -3, 40, 0, 80, 50, 60, 70, 4, 1, 0},
    {0, 73, 79, 1, 3, 1000, 9000, 0, 0, 0, 2, 0, 0, 120, 0, 0, 100, 0, 80, 0.7f, 1, 0},
    {2, 80, 90, 1, 0, 0, 0, 0, 5, 0, 0, 0, 0, 30, 0, 0, 100, 0, 100, 1, 0, 0},
    {1, 60, 62, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 100, 0, 95, 1, 1, 1},
};
// Instrument B, channel 2, pair 1, no reverb: long streams through the ring.
const ZoneSetup kZonesB[] = {
    {2, 0, 63, 1, 0, 0, 0, 0, 7, -31, 1, 0, 0, 200, 50, 500, 20, 300, 99, 6, 1, 0},
    {0, 64, 127, 1, 2, 70000, 150000, 0, -12, 13, 0, 1000, -20, 10, 0, 0, 100, 0, 100, 1, 1, 0},
};

void AddZones(KInstrument& in, const ZoneSetup* specs, int count, const std::wstring* wavs) {
    for (int i = 0; i < count; ++i) {
        const ZoneSetup& z = specs[i];
        const int slot = in.AddZone(wavs[z.wav].c_str(), 60, z.keyLow, 127, z.keyHigh, z.velocityLow, 1, nullptr, 0);
        ASSERT_GE(slot, 0);
        KSampleZone& s = *in.zones[slot];
        s.loopMode = z.loopMode;
        s.loopStart = z.loopStart;
        s.loopEnd = z.loopEnd;
        if (z.endFrame > 0) s.endFrame = z.endFrame;
        s.coarseTune = z.coarse;
        s.fineTune = z.fine;
        s.ampAttack = z.attack;
        s.ampDecay = z.decay;
        s.ampSustain = z.sustain;
        s.ampRelease = z.release;
        s.filterAttack = z.filterAttack;
        s.filterDecay = z.filterDecay;
        s.filterSustain = z.filterSustain;
        s.filterRelease = z.filterRelease;
        s.cutoff = z.cutoff;
        s.resonance = z.resonance;
        s.keyTracking = z.keyTracking;
        s.releaseTrigger = z.releaseTrigger;
        s.volumeDb = -12.0f;
        s.pan = static_cast<float>(20 + 15 * i);
        s.keyToCutoff = 0.2f;
        s.velocityToCutoff = 0.15f;
        s.FillPreload();
    }
}

void SetUpEngine(KSamplerEngine& engine, const std::wstring* wavs) {
    const int a = engine.AddInstrument(1, 0);
    const int b = engine.AddInstrument(2, 1);
    KInstrument& inA = *engine.instruments[a];
    KInstrument& inB = *engine.instruments[b];
    inA.sustainPedalOn = 1;
    inA.reverbOn = 1;
    inA.reverbSend = 0.4;
    AddZones(inA, kZonesA, sizeof kZonesA / sizeof kZonesA[0], wavs);
    AddZones(inB, kZonesB, sizeof kZonesB / sizeof kZonesB[0], wavs);
    engine.UpdateGains();
}

// The instrument's gain ramp, as frame by frame.
void Ramp(float& gain, float target) {
    constexpr float kStep = 0.0001f;
    if (target > gain) gain = target - gain <= kStep ? target : gain + kStep;
    else if (target < gain) gain = gain - target <= kStep ? target : gain - kStep;
}

float Clip(float x) {
    if (!std::isfinite(x)) return 0.0f;
    return x > 1.0f ? 1.0f : x < -1.0f ? -1.0f : x;
}

// One frame of an instrument, frame by frame: its voices, gains and reverb.
void ReferenceFrame(KInstrument& in, float& left, float& right) {
    left = right = 0.0f;
    for (KVoice& v : in.voices) {
        if (!v.active) continue;
        float l, r;
        NextFrame(v, l, r);
        ApplyEnvelopes(v, l, r);
        left += l;
        right += r;
    }
    Ramp(in.gainLeft, in.targetGainLeft);
    Ramp(in.gainRight, in.targetGainRight);
    left *= in.gainLeft;
    right *= in.gainRight;
    if (in.reverbOn) {
        float wetLeft, wetRight;
        in.reverb.Process(left, right, wetLeft, wetRight);
        left = static_cast<float>(left + wetLeft * in.reverbSend);
        right = static_cast<float>(right + wetRight * in.reverbSend);
    }
}

uint32_t Bits(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

struct Event {
    int block, frame;
    uint8_t status, data1, data2;
};

// Channel 1 (0x?0) plays instrument A, channel 2 (0x?1) instrument B.
const Event kEvents[] = {
    {0, 0, 0x90, 60, 100},   {0, 0, 0x90, 48, 90},    {0, 0, 0x90, 72, 110},  {0, 0, 0x91, 40, 100},
    {2, 17, 0x90, 30, 64},   {3, 0, 0x90, 75, 120},   {5, 150, 0x90, 85, 100}, {8, 0, 0xE0, 0, 96},
    {12, 450, 0x91, 70, 80}, {20, 0, 0x90, 50, 30},   {30, 40, 0xB0, 64, 127}, {31, 0, 0x80, 60, 0},
    {35, 0, 0xE0, 0, 64},    {40, 0, 0x90, 48, 0},    {45, 599, 0xB0, 64, 0},  {50, 0, 0xB1, 7, 40},
    {60, 0, 0x80, 75, 0},    {70, 10, 0x90, 61, 100}, {90, 0, 0x80, 61, 0},    {100, 0, 0xE0, 0x7F, 0x7F},
    {110, 0, 0xB1, 7, 127},  {120, 0, 0x90, 72, 0},   {150, 0, 0xB0, 123, 0},  {160, 0, 0x91, 40, 0},
    {170, 5, 0x90, 36, 127}, {170, 5, 0x90, 60, 127}, {170, 5, 0x91, 52, 127}, {171, 0, 0xE0, 0, 64},
    {200, 0, 0xB0, 120, 0},  {201, 0, 0x91, 52, 0},   {230, 0, 0x90, 84, 90},  {260, 0, 0x80, 84, 0},
};

class VoiceLanesTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        previous_ = KVoiceLanes::Width();
        if (KVoiceLanes::UseWidth(GetParam()) != GetParam()) {
            KVoiceLanes::UseWidth(previous_);
            GTEST_SKIP() << "no AVX here";
        }
    }
    void TearDown() override { KVoiceLanes::UseWidth(previous_); }
    int previous_ = 4;
};

TEST_P(VoiceLanesTest, EngineBlocksEqualTheFrameByFrameRenderBitForBit) {
    TempFolder folder;
    const std::wstring wavs[3] = {folder.File(L"s48.wav"), folder.File(L"m44.wav"), folder.File(L"s44.wav")};
    auto wave = [](int64_t i, int c) {
        return static_cast<int32_t>(9000 * std::sin(i * (0.031 + 0.007 * c)) + 4000 * std::sin(i * 0.0011 + c));
    };
    ASSERT_TRUE(WriteBytes(wavs[0], WavWriter(2, 24, 48000).Generate(200000, [&](int64_t i, int c) {
        return wave(i, c) * 256;
    }).Build()));
    ASSERT_TRUE(WriteBytes(wavs[1], WavWriter(1, 16).Generate(150000, wave).Build()));
    ASSERT_TRUE(WriteBytes(wavs[2], WavWriter(2, 16).Generate(250000, wave).Build()));

    KSamplerEngine blocks, frames;
    DiskWatch blocksDisk(blocks), framesDisk(frames);
    SetUpEngine(blocks, wavs);
    SetUpEngine(frames, wavs);

    constexpr int kBlock = 600; // longer than the engine's stretch
    constexpr int kBlocks = 300;
    std::vector<float> out(8 * kBlock);
    float* o[8];
    for (int i = 0; i < 8; ++i) o[i] = out.data() + kBlock * i;
    for (int block = 0; block < kBlocks; ++block) {
        blocks.events.count = frames.events.count = 0;
        for (const Event& e : kEvents) {
            if (e.block != block) continue;
            const KMidiEvent event{e.status, e.data1, e.data2, e.frame};
            blocks.events.events[blocks.events.count++] = event;
            frames.events.events[frames.events.count++] = event;
        }
        std::fill(out.begin(), out.end(), 0.0f);
        ASSERT_TRUE(blocks.Process(o, kBlock));
        frames.eventCursor = 0;
        int sounding[2] = {};
        for (int f = 0; f < kBlock; ++f) {
            frames.DispatchEvents(f, f == kBlock - 1);
            for (int pair = 0; pair < 2; ++pair) {
                // The count takes the voices that sound in the last frame.
                if (f == kBlock - 1)
                    for (const KVoice& v : frames.instruments[pair]->voices) sounding[pair] += v.active ? 1 : 0;
                float left, right;
                ReferenceFrame(*frames.instruments[pair], left, right);
                ASSERT_EQ(Bits(o[2 * pair][f]), Bits(Clip(left))) << "block " << block << " frame " << f;
                ASSERT_EQ(Bits(o[2 * pair + 1][f]), Bits(Clip(right))) << "block " << block << " frame " << f;
            }
        }
        for (int pair = 0; pair < 2; ++pair)
            ASSERT_EQ(blocks.instruments[pair]->activeVoices.load(), sounding[pair]) << "block " << block;
        blocksDisk.Settle();
        framesDisk.Settle();
    }
}

// Two voices of one zone, side by side in time: one through the lanes, a
// frame per call (so every frame is a block's first), the other frame by
// frame. After each frame each gets the refill it asks for at once, as from
// a disk never late, or none at all. The voices compare to the bit, output
// added onto 0 as an instrument adds it.
struct SeamCase {
    const char* name;
    int channels;
    int transpose;
    double bend;     // the bend the voices glide to from 1
    bool disk;        // refills are served
    bool unequalMono; // a mono zone whose preload's two channels differ
    int64_t end;      // 0: the zone loops; else it ends there, unlooped
    int lateBy = 0;   // frames from a refill request to its refill
};
void PrintTo(const SeamCase& c, std::ostream* os) { *os << c.name; }

class VoiceLanesSeamTest : public ::testing::TestWithParam<std::tuple<int, SeamCase>> {
protected:
    void SetUp() override {
        previous_ = KVoiceLanes::Width();
        const int width = std::get<0>(GetParam());
        if (KVoiceLanes::UseWidth(width) != width) {
            KVoiceLanes::UseWidth(previous_);
            GTEST_SKIP() << "no AVX here";
        }
    }
    void TearDown() override { KVoiceLanes::UseWidth(previous_); }
    int previous_ = 4;
};

TEST_P(VoiceLanesSeamTest, EveryFrameAsFrameByFrame) {
    const SeamCase c = std::get<1>(GetParam());
    VoiceRig rig;
    const int64_t length = 3 * kRing + 777;
    KSampleZone* z = rig.AddZone(WavWriter(c.channels, 16).Generate(length, [](int64_t i, int ch) {
        return StreamValue(i, ch, 16);
    }).Build());
    z->loopMode = c.end == 0 ? 2 : 0;
    z->loopStart = 50000;
    z->loopEnd = length - 100;
    if (c.end != 0) z->endFrame = c.end;
    z->ampAttack = 3;
    z->filterDecay = 400;
    z->filterSustain = 40;
    z->cutoff = 90;
    z->resonance = 3;
    z->UpdateCoefficients(44100);
    z->FillPreload();
    if (c.unequalMono)
        for (int i = 0; i < kHalf; ++i) z->preload[2 * i + 1] = -0.5f * z->preload[2 * i];

    KEvent event;
    double bend = 1.0;
    KVoice lanes, frames;
    // What a ring holds before anything is read into it.
    for (KVoice* v : {&lanes, &frames})
        for (int i = 0; i < 2 * kRing; ++i) v->ring[i] = 0.25f + 1e-5f * (i % 1000);
    ASSERT_TRUE(lanes.Start(&bend, z, 44100, &event, c.transpose, 100));
    ASSERT_TRUE(frames.Start(&bend, z, 44100, &event, c.transpose, 100));
    bend = c.bend;
    // The frame each voice's pending request was raised at.
    int askedAt[2] = {-1, -1};
    int f = 0;
    for (; f < 2 * kRing + 5000 && frames.active; ++f) {
        float l = 0.0f, r = 0.0f;
        ASSERT_EQ(RenderVoice(lanes, &l, &r, 1), 1) << f;
        float fl, fr;
        NextFrame(frames, fl, fr);
        ApplyEnvelopes(frames, fl, fr);
        ASSERT_EQ(Bits(l), Bits(0.0f + fl)) << "frame " << f;
        ASSERT_EQ(Bits(r), Bits(0.0f + fr)) << "frame " << f;
        ASSERT_EQ(lanes.active.load(), frames.active.load()) << f;
        for (int i = 0; i < 2; ++i) {
            KVoice* v = i == 0 ? &lanes : &frames;
            if (!c.disk) continue;
            if (askedAt[i] < 0 && v->refillRequested.exchange(0)) askedAt[i] = f;
            if (askedAt[i] >= 0 && f - askedAt[i] >= c.lateBy) {
                v->Refill();
                askedAt[i] = -1;
            }
        }
    }
    if (c.end != 0) {
        EXPECT_LT(f, 2 * kRing) << "the voice reached its end";
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, VoiceLanesTest, ::testing::Values(4, 8));
INSTANTIATE_TEST_SUITE_P(
    Widths, VoiceLanesSeamTest,
    ::testing::Combine(::testing::Values(4, 8),
                       ::testing::Values(SeamCase{"stereo unbent", 2, 0, 1.0, true, false, 0},
                                         SeamCase{"stereo an octave down", 2, -12, 1.0, true, false, 0},
                                         SeamCase{"mono two octaves up", 1, 24, 1.0, true, false, 0},
                                         SeamCase{"stereo bent up", 2, 3, 1.3, true, false, 0},
                                         SeamCase{"mono bent down", 1, -5, 0.6, true, false, 0},
                                         SeamCase{"mono with unequal channels", 1, 7, 1.0, true, true, 0},
                                         SeamCase{"stereo with no disk", 2, 2, 1.0, false, false, 0},
                                         // Ends in the ring's second half, then in its first.
                                         SeamCase{"stereo to its end", 2, 12, 1.0, true, false, 3 * kRing + 777},
                                         SeamCase{"mono to an end early", 1, 11, 1.0, true, false, 3 * kRing - 32223},
                                         // Halves come after the voice has reached them.
                                         SeamCase{"stereo with a late disk", 2, 7, 1.0, true, false, 0, 40000},
                                         SeamCase{"mono bent with a late disk", 1, -3, 1.2, true, false, 0, 30000},
                                         SeamCase{"stereo to its end with a late disk", 2, 12, 1.0, true, false,
                                                  3 * kRing + 777, 25000})));

} // namespace
