// Edits while notes sound. Structural edits from the editor's thread while
// the audio thread renders (adding and deleting zones, auditioning a sample,
// adding and deleting an instrument) leave every block rendered and every
// sounding instrument sounding on without a gap; a sounding zone whose start
// moves keeps playing what it started with; held notes keep their pitch
// across a sample-rate change; the disk goes on serving while rendering is
// held.
#include "DiskWatch.h"
#include "Engine.h"

#include "Signal.h"

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

// One instrument with one zone over a WAV, its notes rendered block by
// block; what pair 0 plays, left.
struct OneZone {
    OneZone(const std::wstring& wav, int64_t start = 0) {
        engine.AddInstrument(0, 0);
        EXPECT_EQ(in().AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
        zone().ampRelease = 0.0f; // a note-off ends the voice at once
        zone().startFrame = start;
        zone().FillPreload();
        engine.UpdateGains();
    }
    KInstrument& in() { return *engine.instruments[0]; }
    KSampleZone& zone() { return *in().zones[0]; }
    void Queue(uint8_t status, uint8_t key) { engine.events.events[engine.events.count++] = KMidiEvent{status, key, 127, 0}; }
    std::vector<float> Render(int blocks) {
        std::vector<float> left;
        std::vector<float> out(8 * kBlock);
        float* o[8];
        for (int i = 0; i < 8; ++i) o[i] = out.data() + kBlock * i;
        for (int b = 0; b < blocks; ++b) {
            std::fill(out.begin(), out.end(), 0.0f);
            EXPECT_TRUE(engine.Process(o, kBlock));
            engine.events.count = 0;
            left.insert(left.end(), o[0], o[0] + kBlock);
        }
        return left;
    }
    KSamplerEngine engine;
};

// A ramp: frame i holds i / 2^23, so what plays shows where it was read.
Bytes Ramp() {
    return WavWriter(2, 24).Generate(200000, [](int64_t i, int) { return static_cast<int32_t>(i * 16) & 0xFFFFFF; }).Build();
}

TEST(EditsWhileSounding, ASoundingZoneWhoseStartMovesPlaysOnWhatItStartedWith) {
    TempFolder folder;
    const std::wstring wav = folder.File(L"ramp.wav");
    ASSERT_TRUE(WriteBytes(wav, Ramp()));
    OneZone untouched(wav), edited(wav), movedBefore(wav, 50000);
    for (OneZone* z : {&untouched, &edited}) z->Queue(0x90, 60);
    ASSERT_EQ(untouched.Render(10), edited.Render(10));

    edited.zone().startFrame = 50000;
    ASSERT_TRUE(edited.in().RefillPreload(0));
    EXPECT_EQ(edited.in().KeptPreloads(), 1) << "the sounding voice still reads the old one";
    // The note goes on as if nothing had moved (all of it from the preload
    // it started with).
    EXPECT_EQ(untouched.Render(100), edited.Render(100));

    // Ended, its preload goes at the next edit; a new note plays the new
    // start as a zone that had it from the beginning.
    edited.Queue(0x80, 60);
    edited.Render(1);
    ASSERT_EQ(edited.in().activeVoices, 0);
    edited.Queue(0x90, 60);
    movedBefore.Queue(0x90, 60);
    EXPECT_EQ(movedBefore.Render(100), edited.Render(100));
    ASSERT_TRUE(edited.in().RefillPreload(0));
    EXPECT_EQ(edited.in().KeptPreloads(), 1) << "the second note's";
    edited.Queue(0x80, 60);
    edited.Render(1);
    ASSERT_TRUE(edited.in().RefillPreload(0));
    EXPECT_EQ(edited.in().KeptPreloads(), 0);
}

// A looped sine of 441 Hz at 44.1 kHz: held across a change to 48 kHz and
// to 22.05 kHz, it stays at 441 Hz.
TEST(EditsWhileSounding, AHeldNoteKeepsItsPitchAcrossASampleRateChange) {
    TempFolder folder;
    const std::wstring wav = folder.File(L"sine.wav");
    ASSERT_TRUE(WriteBytes(wav, LoopedSine()));
    OneZone rig(wav);
    rig.zone().loopMode = kLoop;
    rig.zone().loopStart = rig.zone().smplLoopStart;
    rig.zone().loopEnd = rig.zone().smplLoopEnd;
    rig.zone().FillPreload();
    rig.engine.SetOffline(true);
    rig.Queue(0x90, 60);
    for (int rate : {44100, 48000, 22050, 96000}) {
        rig.engine.SetSampleRate(rate);
        rig.engine.UpdateGains();
        const std::vector<float> played = rig.Render(rate / kBlock);
        EXPECT_NEAR(ZeroCrossingFrequency(played, 64, rate), kHz, 0.5) << rate;
    }
    // New notes too.
    rig.Queue(0x80, 60);
    rig.Queue(0x90, 60);
    EXPECT_NEAR(ZeroCrossingFrequency(rig.Render(96000 / kBlock), 64, 96000), kHz, 0.5);
}

TEST(EditsWhileSounding, ARateBelowOneHertzIsRefused) {
    KSamplerEngine engine;
    engine.AddInstrument(0, 0);
    for (int rate : {0, -44100}) {
        engine.SetSampleRate(rate);
        EXPECT_EQ(engine.sampleRate, 44100) << rate;
        EXPECT_EQ(engine.instruments[0]->sampleRate, 44100) << rate;
    }
}

// While rendering is held (a load, a sample-rate change), the disk thread
// serves what was asked before: it never waits for the hold to end.
TEST(EditsWhileSounding, TheDiskServesRefillsWhileRenderingIsHeld) {
    TempFolder folder;
    const std::wstring wav = folder.File(L"ramp.wav");
    ASSERT_TRUE(WriteBytes(wav, Ramp()));
    OneZone rig(wav);
    std::atomic<bool> open{false};
    rig.engine.diskBeginCallback = [](void* user, int) {
        while (!static_cast<std::atomic<bool>*>(user)->load()) std::this_thread::yield();
    };
    rig.engine.callbackUser = &open;
    rig.Queue(0x90, 60);
    rig.Render(1); // the first frame asks for the ring
    const KVoice& v = rig.in().voices[0];
    const uint32_t note = v.startCount.load();
    bool served = false;
    {
        KRenderHold hold(&rig.engine.structure);
        open = true;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!served && std::chrono::steady_clock::now() < limit) {
            served = v.HalfHolds(note, 0) && v.HalfHolds(note, 1);
            std::this_thread::yield();
        }
    }
    EXPECT_TRUE(served);
    rig.engine.StopDiskThread();
}

} // namespace
