// Structural edits from the editor's thread while the audio thread renders:
// adding and deleting zones, auditioning a sample and adding and deleting an
// instrument leave every block rendered and every sounding instrument
// sounding on without a gap.
#include "Engine.h"

#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;
constexpr double kHz = 441.0;
constexpr int kBlock = 64;
constexpr int kPlaying = 15; // the 16th slot is the one the edits add and delete

// A sine of exactly 44 periods, looped whole: it plays for ever, from the
// preload and then streamed.
Bytes LoopedSine() {
    return WavWriter(2, 16)
        .Generate(4400, [](int64_t i, int) {
            return static_cast<int32_t>(std::lround(0.1 * 32767.0 * std::sin(2 * kPi * kHz * static_cast<double>(i) / kRate)));
        })
        .Smpl(60, {{0, 4399}})
        .Build();
}

struct EditRig {
    EditRig() {
        sine = folder.File(L"sine.wav");
        other = folder.File(L"other.wav");
        EXPECT_TRUE(WriteBytes(sine, LoopedSine()));
        EXPECT_TRUE(WriteBytes(other, WavWriter(1, 16).Generate(50000, [](int64_t, int) { return 3000; }).Build()));
        for (int i = 0; i < kPlaying; ++i) {
            const int slot = engine.AddInstrument(0, static_cast<uint8_t>(i % 4));
            KInstrument& in = *engine.instruments[slot];
            const int z = in.AddZone(sine.c_str(), 60, 60, 127, 60, 1, 1, nullptr, 0);
            KSampleZone& zone = *in.zones[z];
            zone.loopMode = kLoop;
            zone.loopStart = zone.smplLoopStart;
            zone.loopEnd = zone.smplLoopEnd;
            zone.FillPreload();
        }
        engine.UpdateGains();
        // The render runs ahead of real time: voices wait for the disk.
        engine.SetOffline(true);
    }

    TempFolder folder;
    std::wstring sine, other;
    KSamplerEngine engine;
};

// The largest deviation from a pure sine of the rig's pitch, after the
// first block: x[n+1] + x[n-1] = 2 cos(w) x[n].
double SineResidual(const std::vector<float>& x) {
    const double twoCos = 2.0 * std::cos(2 * kPi * kHz / kRate);
    double worst = 0.0;
    for (size_t n = kBlock; n + 1 < x.size(); ++n)
        worst = std::max(worst, std::fabs(x[n + 1] + x[n - 1] - twoCos * x[n]));
    return worst;
}

TEST(EditsDuringRender, NoBlockIsTurnedAwayAndNoInstrumentFallsSilent) {
    EditRig rig;
    std::atomic<bool> editsDone{false};
    std::atomic<int> rendered{0};
    int turnedAway = 0;
    std::vector<float> pairs[4];

    std::thread audio([&] {
        std::vector<float> out(8 * kBlock);
        float* o[8];
        for (int i = 0; i < 8; ++i) o[i] = out.data() + kBlock * i;
        for (int block = 0; !editsDone.load() || block < 200; ++block) {
            if (block == 0) rig.engine.events.events[rig.engine.events.count++] = KMidiEvent{0x90, 60, 127, 0};
            std::fill(out.begin(), out.end(), 0.0f);
            if (rig.engine.Process(o, kBlock)) rig.engine.events.count = 0;
            else ++turnedAway;
            for (int p = 0; p < 4; ++p) pairs[p].insert(pairs[p].end(), o[2 * p], o[2 * p] + kBlock);
            rendered.store(block + 1);
        }
    });

    while (rendered.load() < 50) std::this_thread::yield();
    for (int round = 0; round < 20; ++round) {
        KInstrument& in = *rig.engine.instruments[round % kPlaying];
        // An audition: a zone set up aside, published, then taken back.
        KSampleZone* audition = in.OpenZone(rig.other.c_str(), nullptr, 0);
        ASSERT_NE(audition, nullptr);
        audition->keyLow = audition->keyHigh = 100;
        audition->velocityLow = 1;
        audition->velocityHigh = 127;
        audition->UpdateCoefficients(rig.engine.sampleRate);
        const int auditioned = in.InsertZone(audition);
        ASSERT_GE(auditioned, 0);
        EXPECT_TRUE(in.DeleteZone(auditioned));
        // A zone added and deleted.
        const int added = in.AddZone(rig.other.c_str(), 100, 100, 127, 100, 1, 1, nullptr, 0);
        ASSERT_GE(added, 0);
        EXPECT_TRUE(in.DeleteZone(added));
        // An instrument added, given a zone, and deleted.
        const int slot = rig.engine.AddInstrument(0, 0);
        ASSERT_EQ(slot, kPlaying);
        EXPECT_GE(rig.engine.instruments[slot]->AddZone(rig.other.c_str(), 100, 100, 127, 100, 1, 1, nullptr, 0), 0);
        EXPECT_TRUE(rig.engine.DeleteInstrument(slot));
    }
    editsDone = true;
    audio.join();

    std::printf("blocks rendered %d, turned away %d\n", rendered.load(), turnedAway);
    EXPECT_EQ(turnedAway, 0);
    for (int p = 0; p < 4; ++p) {
        float peak = 0.0f;
        for (float v : pairs[p]) peak = std::max(peak, std::fabs(v));
        // Four instruments on pairs 0..2, three on pair 3, each at 0.1.
        EXPECT_NEAR(peak, p < 3 ? 0.4f : 0.3f, 0.01f) << "pair " << p;
        EXPECT_LT(SineResidual(pairs[p]), 1e-3) << "pair " << p;
    }
}

} // namespace
