// Block rendering against the frame-by-frame render: an instrument
// renders whole stretches, its voices side by side in SIMD lanes, which must
// give exactly, bit for bit, what rendering every voice one frame at a time
// gives.
#include "DiskWatch.h"
#include "EngineRig.h"
#include "VoiceSteps.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// One instrument with zones of every kind: mono and stereo, looping and
// not, attack, decay to a sustain, release, a filter envelope sweeping the
// cutoff through many curve entries, resonance, pan, tuning.
void AddPlayedInstrument(KSamplerEngine& engine, const std::wstring& mono, const std::wstring& stereo) {
    const int slot = engine.AddInstrument(0, 0);
    KInstrument& in = *engine.instruments[slot];
    struct Zone {
        const std::wstring* path;
        int keyLow, keyHigh, loopMode, coarse, fine;
        float attack, decay, sustain, release, filterAttack, filterDecay, filterSustain, cutoff, resonance, pan;
    };
    const Zone zones[] = {
        {&mono, 0, 50, 0, 0, 0, 0, 0, 0, 300, 0, 0, 100, 100, 1, 50},
        {&stereo, 0, 50, 2, 0, 13, 5, 200, -9, 80, 40, 300, 25, 85, 3, 30},
        {&mono, 51, 127, 3, 2, -31, 30, 0, 0, 150, 120, 0, 100, 60, 0.7f, 80},
        {&stereo, 51, 127, 0, -1, 0, 0, 50, -3, 20, 0, 800, 10, 99, 6, 50},
    };
    for (const Zone& z : zones) {
        const int i = in.AddZone(z.path->c_str(), 60, z.keyLow, 127, z.keyHigh, 1, 1, nullptr, 0);
        ASSERT_GE(i, 0);
        KSampleZone& s = *in.zones[i];
        s.loopMode = z.loopMode;
        s.loopStart = 20000;
        s.loopEnd = 90000;
        s.coarseTune = z.coarse;
        s.fineTune = z.fine;
        s.ampAttack = z.attack;
        s.ampDecay = z.decay;
        s.ampSustain = z.sustain;
        s.ampRelease = z.release;
        s.filterAttack = z.filterAttack;
        s.filterDecay = z.filterDecay;
        s.filterSustain = z.filterSustain;
        s.cutoff = z.cutoff;
        s.resonance = z.resonance;
        s.keyToCutoff = 0.3f;
        s.velocityToCutoff = 0.1f;
        s.pan = z.pan;
        s.FillPreload();
    }
    engine.UpdateGains();
}

TEST(BlockRender, EqualsTheFrameByFrameRenderBitForBit) {
    TempFolder folder;
    const std::wstring mono = folder.File(L"mono.wav"), stereo = folder.File(L"stereo.wav");
    auto wave = [](int64_t i, int c) {
        return static_cast<int32_t>(9000 * std::sin(i * (0.031 + 0.007 * c)) + 4000 * std::sin(i * 0.0011 + c));
    };
    ASSERT_TRUE(WriteBytes(mono, WavWriter(1, 16).Generate(200000, wave).Build()));
    ASSERT_TRUE(WriteBytes(stereo, WavWriter(2, 24, 48000).Generate(200000, [&](int64_t i, int c) { return wave(i, c) * 256; }).Build()));

    KSamplerEngine blocks, frames;
    DiskWatch blocksDisk(blocks), framesDisk(frames);
    AddPlayedInstrument(blocks, mono, stereo);
    AddPlayedInstrument(frames, mono, stereo);
    KInstrument& reference = *frames.instruments[0];

    // Notes on and off at block starts: chords, a note on a key of its own,
    // releases while others go on.
    struct Note {
        int block;
        uint8_t key, velocity;
    };
    const Note notes[] = {{0, 40, 100}, {0, 47, 60}, {0, 72, 127}, {3, 64, 90}, {40, 40, 0}, {90, 72, 0},
                          {120, 55, 110}, {300, 47, 0}, {400, 64, 0}, {500, 55, 0}};
    constexpr int kBlock = 600; // longer than the engine's stretch
    std::vector<float> out(8 * kBlock);
    float* o[8];
    for (int i = 0; i < 8; ++i) o[i] = out.data() + kBlock * i;
    int64_t compared = 0;
    for (int block = 0; block < 700; ++block) {
        blocks.events.count = 0;
        for (const Note& n : notes) {
            if (n.block != block) continue;
            blocks.events.events[blocks.events.count++] = KMidiEvent{0x90, n.key, n.velocity, 0};
            if (n.velocity > 0) reference.NoteOn(n.key, n.velocity);
            else reference.NoteOff(n.key, 0);
        }
        std::fill(out.begin(), out.end(), 0.0f);
        ASSERT_TRUE(blocks.Process(o, kBlock));
        for (int f = 0; f < kBlock; ++f) {
            float left = 0.0f, right = 0.0f;
            for (KVoice& v : reference.voices) {
                if (!v.active) continue;
                float l, r;
                NextFrame(v, l, r);
                ApplyEnvelopes(v, l, r);
                left += l;
                right += r;
            }
            ASSERT_EQ(o[0][f], left) << "block " << block << " frame " << f;
            ASSERT_EQ(o[1][f], right) << "block " << block << " frame " << f;
            ++compared;
        }
        EXPECT_EQ(blocks.instruments[0]->activeVoices.load(), [&] {
            int n = 0;
            for (const KVoice& v : reference.voices) n += v.active ? 1 : 0;
            return n;
        }()) << block;
        blocksDisk.Settle();
        framesDisk.Settle();
    }
    EXPECT_EQ(compared, 700 * kBlock);
}

} // namespace
