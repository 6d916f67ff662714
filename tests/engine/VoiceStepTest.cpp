// Pitch steps far beyond any pitch: a file claiming the highest rate a WAV
// may have, host rates down to 1 Hz, the lowest and the highest keys, full
// bends, and steps and bends no engine sets. The voice's positions stay
// inside the preload and the ring (AddressSanitizer watches every read) and
// what it plays is finite.
#include "EngineRig.h"
#include "Tables.h"
#include "VoiceSteps.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kHalf = KVoice::kHalfFrames;
constexpr int kRing = KVoice::kRingFrames;

// Distinct values on both channels, loud enough to be heard.
int32_t Wave(int64_t i, int c) { return static_cast<int32_t>((i * 7919 + c * 3001) % 40000) - 20000; }

struct StepCase {
    int zoneRate, hostRate, coarse, fine, transpose;
    uint8_t keyTracking;
    double expected; // 0: the ratio's own product, unbounded
};

TEST(KVoiceStep, FollowsTuningAndRatesAndStopsAtItsBound) {
    BuildLookupTables();
    TempFolder folder;
    KReadBuffer buffer;
    const StepCase cases[] = {
        {44100, 44100, 0, 0, 0, 1, 1.0},
        {44100, 44100, 0, 0, 12, 1, 0},
        {44100, 44100, 0, 0, 12, 0, 1.0},
        {48000, 44100, -3, 27, -7, 1, 0},
        {192000, 44100, 12, 99, 67, 1, 0},
        {768000, 8000, 0, 0, 67, 1, 0},
        {1, 10000000, 0, 0, -60, 1, 0},
        // Beyond the bound: every key of a 768 kHz zone at a host rate of
        // 1 Hz, and a rate no host sets.
        {768000, 1, 0, 0, -60, 1, KVoice::kMaxStep},
        {768000, 1, 12, 0, 67, 1, KVoice::kMaxStep},
        {44100, 0, 0, 0, 0, 1, KVoice::kMaxStep},
        {44100, -44100, 0, 0, 0, 1, KVoice::kMaxStep},
    };
    for (const StepCase& c : cases) {
        const std::wstring path = folder.File(L"rate" + std::to_wstring(c.zoneRate) + L".wav");
        ASSERT_TRUE(WriteBytes(path, WavWriter(1, 16, c.zoneRate).Generate(100, Wave).Build()));
        KSampleZone zone(path.c_str(), &buffer, nullptr, 0);
        ASSERT_TRUE(zone.isOpen);
        zone.coarseTune = c.coarse;
        zone.fineTune = c.fine;
        zone.keyTracking = c.keyTracking;
        // As the voice always worked it out, to the bit.
        const float semitones = static_cast<float>(c.coarse + (c.keyTracking ? c.transpose : 0)) +
                                static_cast<float>(c.fine) * 0.01f;
        const double expected = c.expected != 0.0
                                    ? c.expected
                                    : static_cast<double>(SemitoneRatioLookup(semitones)) * c.zoneRate / c.hostRate;
        EXPECT_EQ(KVoice::StepFor(zone, c.transpose, c.hostRate), expected)
            << c.zoneRate << " Hz at " << c.hostRate << " Hz, transpose " << c.transpose;
        EXPECT_GT(KVoice::StepFor(zone, c.transpose, c.hostRate), 0.0);
    }
}

// A voice outside the engine, as the fuzz target drives it: the disk's part
// done by hand, a few passes ahead, then a block rendered in its lane.
class VoiceStepRig {
public:
    explicit VoiceStepRig(int frames) {
        BuildLookupTables();
        path = folder.File(L"fast.wav");
        EXPECT_TRUE(WriteBytes(path, WavWriter(2, 16, static_cast<int>(KWaveFile::kHighestSampleRate))
                                         .Generate(frames, Wave)
                                         .Build()));
        zone = std::make_unique<KSampleZone>(path.c_str(), &buffer, nullptr, 0);
        EXPECT_TRUE(zone->isOpen);
        zone->loopStart = frames / 5;
        zone->loopEnd = frames - frames / 10;
        zone->ampRelease = 0.0f;
    }

    // Plays the note for `frames` frames; false when a frame was not finite
    // or a position left its buffer.
    bool Play(int hostRate, int key, const double* bend, int frames, double step = 0.0) {
        zone->UpdateCoefficients(hostRate);
        if (!voice.Start(bend, zone.get(), hostRate, &event, key - zone->rootKey, 127)) return false;
        if (step != 0.0) voice.step = step;
        voice.wantedPass.store(3);
        voice.Refill();
        std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
        RenderVoice(voice, left.data(), right.data(), frames);
        voice.active.store(0);
        for (int f = 0; f < frames; ++f)
            if (!std::isfinite(left[f]) || !std::isfinite(right[f])) return false;
        return voice.preloadPos >= 0.0 && voice.ringPos >= 0.0 && voice.ringPos < kRing;
    }

    TempFolder folder;
    std::wstring path;
    KReadBuffer buffer;
    KEvent event;
    std::unique_ptr<KSampleZone> zone;
    KVoice voice;
};

// Every key of a zone at 768 kHz, in every loop mode (all of them stream: the
// zone is longer than its preload), unbent and bent a full octave up, at a
// host rate of 8 kHz (steps up to about 9200) and of 1 Hz (every step at
// the bound, a new ring pass every frame).
TEST(KVoiceStep, EveryKeyOfAFastZoneStaysInsideItsBuffers) {
    VoiceStepRig rig(3 * kHalf);
    const double unbent = 1.0, octaveUp = 2.0;
    for (int hostRate : {8000, 1})
        for (int mode = 0; mode <= 3; ++mode) {
            rig.zone->loopMode = mode;
            rig.zone->FillPreload();
            for (int key = 0; key <= 127; ++key)
                for (const double* bend : {&unbent, &octaveUp})
                    ASSERT_TRUE(rig.Play(hostRate, key, bend, 300))
                        << "host " << hostRate << " Hz, mode " << mode << ", key " << key << ", bend " << *bend;
        }
}

// Steps and bends beyond anything the engine sets, even not numbers: the
// advance of a frame is held to half a ring whatever they are.
TEST(KVoiceStep, AnyStepOrBendStaysInsideTheBuffers) {
    VoiceStepRig rig(3 * kHalf);
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        double step, bend;
    };
    const Case cases[] = {{1e12, 1.0}, {kInf, 1.0}, {kNaN, 1.0}, {KVoice::kMaxStep, 1e300},
                          {KVoice::kMaxStep, kInf}, {1.5, kNaN}, {1.5, -3.0}, {3 * kHalf + 0.5, 1.0}};
    for (int mode : {0, 2})
        for (const Case& c : cases) {
            rig.zone->loopMode = mode;
            rig.zone->FillPreload();
            ASSERT_TRUE(rig.Play(44100, 127, &c.bend, 300, c.step))
                << "mode " << mode << ", step " << c.step << ", bend " << c.bend;
        }
}

// The same through the engine's own render: host rate 1 Hz, the lowest,
// middle and highest keys bent up a full octave on a looping zone.
TEST(KVoiceStep, TheEngineAtOneHertzPlaysAFastZoneSafely) {
    EngineRig rig;
    const std::wstring path = rig.folder.File(L"fast.wav");
    ASSERT_TRUE(WriteBytes(path, WavWriter(2, 16, static_cast<int>(KWaveFile::kHighestSampleRate))
                                     .Generate(3 * kHalf, Wave)
                                     .Build()));
    const int slot = rig.AddInstrument();
    KInstrument& in = *rig.engine.instruments[slot];
    const int z = in.AddZone(path.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0);
    ASSERT_GE(z, 0);
    in.zones[z]->loopMode = kLoop;
    in.zones[z]->loopStart = 1000;
    in.zones[z]->loopEnd = 2 * kHalf;
    in.zones[z]->FillPreload();
    in.bendRange = 12;
    rig.engine.SetSampleRate(1);
    rig.engine.UpdateGains();
    rig.Queue(0xE0, 0x7F, 0x7F);
    for (uint8_t key : {0, 60, 127}) rig.Queue(0x90, key, 127);
    for (int block = 0; block < 3; ++block) {
        ASSERT_TRUE(rig.Render(64));
        for (const std::vector<float>& channel : rig.outputs)
            for (float x : channel) ASSERT_TRUE(std::isfinite(x));
        for (const KVoice& v : in.voices) {
            if (!v.active) continue;
            EXPECT_LE(v.step * v.bend, KVoice::kMaxAdvance);
            EXPECT_TRUE(v.ringPos >= 0.0 && v.ringPos < kRing) << v.ringPos;
        }
    }
}

} // namespace
