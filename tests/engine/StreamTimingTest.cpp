// Streams rendered faster than the disk streams them: a real-time render
// plays silence where a half is late, never a half of another pass or note;
// an offline render waits and equals a paced one; and a transposed stream
// runs on across every seam of preload and ring without a click.
#include "DiskWatch.h"
#include "EngineRig.h"
#include "VoiceRig.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// 24-bit stereo frames holding their own index plus an offset (the right
// channel its negative), so a frame shows where it came from.
Bytes PositionWav(int64_t frames, int32_t offset) {
    return WavWriter(2, 24)
        .Generate(frames, [offset](int64_t i, int c) {
            const int32_t v = static_cast<int32_t>(offset + i);
            return (c == 0 ? v : -v) & 0xFFFFFF;
        })
        .Build();
}
double FrameOf(float v) { return static_cast<double>(v) * 8388608.0; }

// A disk whose every pass first waits: for the test to open it, and then a
// little more, so it falls behind any render that does not wait for it.
// Declared before the engine it slows, which may end while it is held.
struct SlowDisk {
    void Attach(KSamplerEngine& e, int sleepMicroseconds) {
        engine = &e;
        pause = sleepMicroseconds;
        e.diskBeginCallback = [](void* user, int) {
            auto* disk = static_cast<SlowDisk*>(user);
            while (!disk->open.load() && !disk->engine->quitRequested.load()) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(disk->pause));
        };
        e.diskEndCallback = nullptr;
        e.callbackUser = this;
    }
    std::atomic<bool> open{true};
    KSamplerEngine* engine = nullptr;
    int pause = 0;
};

// Real time, with the engine's own disk thread behind the render: each raw
// frame is silence or the interpolation of the file's frames around the
// position it has reached, of the note it belongs to; never a frame of a
// half of another pass or of the note before.
TEST(StreamTiming, ARealTimeRenderAheadOfTheDiskPlaysSilenceNeverAnotherPassOrNote) {
    for (const int transpose : {0, 7}) {
        SlowDisk disk;
        VoiceRig rig;
        KSampleZone* notes[2] = {rig.AddZone(PositionWav(400000, 1000)), rig.AddZone(PositionWav(400000, 4000000))};
        const int32_t offsets[2] = {1000, 4000000};
        disk.Attach(rig.engine, 1000);
        // Step 1 hits every frame exactly; a fifth up interpolates, within a
        // few frames of the position for this ramp, far from any other pass.
        const double tolerance = transpose == 0 ? 0.0 : 200.0;
        int64_t silentInRing = 0, soundingInRing = 0;
        for (int round = 0; round < 4; ++round) {
            const int which = round % 2;
            // The disk is held for the first rounds' ring entry: the ring
            // must not have been filled for this note when the voice gets
            // there.
            disk.open = round >= 2;
            rig.Start(notes[which], transpose);
            KVoice& v = rig.voice();
            const int frames = round < 2 ? 40000 : 5 * kHalf;
            for (int f = 0; f < frames && v.active; ++f) {
                // Once the open disk has the first passes, the render runs
                // free of it: whatever it outruns later, the ring's start
                // sounds.
                if (f == 1 && disk.open) {
                    const uint32_t note = v.startCount.load();
                    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                    while (!(v.HalfHolds(note, 0) && v.HalfHolds(note, 1)) && std::chrono::steady_clock::now() < limit)
                        std::this_thread::yield();
                }
                const bool inRing = v.preloadPos >= kHalf;
                const double position = v.preloadPos; // the file frame the voice reads
                float l, r;
                NextFrame(v, l, r);
                if (l == 0.0f && r == 0.0f) {
                    ASSERT_TRUE(inRing) << "the preload is always there; round " << round << " frame " << f;
                    ++silentInRing;
                    continue;
                }
                soundingInRing += inRing ? 1 : 0;
                const double expected = offsets[which] + position;
                ASSERT_LE(std::fabs(FrameOf(l) - expected), tolerance + 1e-9)
                    << "round " << round << " frame " << f << " at " << position << " (transpose " << transpose << ")";
                ASSERT_LE(std::fabs(-FrameOf(r) - expected), tolerance + 1e-9) << "round " << round << " frame " << f;
            }
            disk.open = true;
        }
        EXPECT_GT(silentInRing, 0) << "the held disk left the ring unfilled";
        EXPECT_GT(soundingInRing, 0);
    }
}

// Three notes (at the root, a fifth up, an octave down under a bend) with
// their whole stream rendered block by block.
void AddPositionInstrument(KSamplerEngine& engine, const std::wstring& wav) {
    const int slot = engine.AddInstrument(0, 0);
    ASSERT_GE(slot, 0);
    KInstrument& in = *engine.instruments[slot];
    ASSERT_GE(in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
    engine.UpdateGains();
}

void QueueNotes(KSamplerEngine& engine, int block) {
    engine.events.count = 0;
    auto queue = [&](uint8_t status, uint8_t d1, uint8_t d2) {
        engine.events.events[engine.events.count++] = KMidiEvent{status, d1, d2, 17};
    };
    if (block == 0) queue(0x90, 60, 100);
    if (block == 9) queue(0x90, 67, 90);
    if (block == 20) queue(0xE0, 0x15, 0x33); // a bend that glides
    if (block == 23) queue(0x90, 48, 120);
    if (block == 300) queue(0x80, 60, 0);
}

std::vector<float> RenderNotes(KSamplerEngine& engine, int blocks, const std::function<void()>& afterBlock) {
    constexpr int kBlock = 512;
    std::vector<float> all;
    std::vector<float> out(8 * kBlock);
    float* o[8];
    for (int i = 0; i < 8; ++i) o[i] = out.data() + kBlock * i;
    for (int block = 0; block < blocks; ++block) {
        QueueNotes(engine, block);
        std::fill(out.begin(), out.end(), 0.0f);
        EXPECT_TRUE(engine.Process(o, kBlock));
        all.insert(all.end(), o[0], o[0] + kBlock);
        all.insert(all.end(), o[1], o[1] + kBlock);
        afterBlock();
    }
    return all;
}

TEST(StreamTiming, AnOfflineRenderAheadOfTheDiskEqualsAPacedRender) {
    TempFolder folder;
    const std::wstring wav = folder.File(L"positions.wav");
    ASSERT_TRUE(WriteBytes(wav, PositionWav(700000, 1000)));
    constexpr int kBlocks = 700; // about eight ring passes of the fifth

    KSamplerEngine paced;
    DiskWatch pacedDisk(paced);
    AddPositionInstrument(paced, wav);
    const std::vector<float> reference = RenderNotes(paced, kBlocks, [&] { pacedDisk.Settle(); });

    SlowDisk disk;
    KSamplerEngine offline;
    AddPositionInstrument(offline, wav);
    disk.Attach(offline, 2000);
    offline.SetOffline(true);
    const std::vector<float> bounced = RenderNotes(offline, kBlocks, [] {});

    ASSERT_EQ(bounced.size(), reference.size());
    for (size_t i = 0; i < reference.size(); ++i)
        ASSERT_EQ(bounced[i], reference[i]) << "block " << i / 1024 << " frame " << i % 512;

    // The same render in real time falls behind that disk: it differs.
    SlowDisk liveDisk;
    KSamplerEngine live;
    AddPositionInstrument(live, wav);
    liveDisk.Attach(live, 2000);
    liveDisk.open = false;
    const std::vector<float> played = RenderNotes(live, 80, [] {});
    liveDisk.open = true;
    EXPECT_NE(std::vector<float>(reference.begin(), reference.begin() + played.size()), played);
}

// A pure sine stays one through every seam: x[n+1] + x[n-1] = 2 cos(w) x[n]
// for the output's w, frame after frame, for 30 seconds of a transposed or
// bent stream (the preload's end, the ring's middle and its wrap pass every
// 0.7 s or faster).
TEST(StreamTiming, ATransposedSineHasNoDiscontinuityAtAnySeam) {
    struct Case {
        const char* name;
        int key;
        int bend; // a pitch-bend value, 8192 for none
    };
    const Case cases[] = {{"a fifth up", 67, 8192}, {"an octave down", 48, 8192}, {"bent", 60, 8192 + 1517}};
    constexpr int kRate = 44100;
    constexpr double kFileHz = 441.0;
    constexpr int64_t kSeconds = 30;
    TempFolder folder;
    const std::wstring wav = folder.File(L"sine.wav");
    ASSERT_TRUE(WriteBytes(wav, WavWriter(2, 24).Generate(kRate * kSeconds * 2, [](int64_t i, int c) {
        const double x = 0.5 * std::sin(2 * kPi * kFileHz * static_cast<double>(i) / kRate + c);
        return static_cast<int32_t>(std::lround(x * 8388607.0)) & 0xFFFFFF;
    }).Build()));

    for (const Case& c : cases) {
        KSamplerEngine engine;
        DiskWatch disk(engine);
        AddPositionInstrument(engine, wav);
        constexpr int kBlock = 512;
        std::vector<float> out(8 * kBlock);
        float* o[8];
        for (int i = 0; i < 8; ++i) o[i] = out.data() + kBlock * i;
        std::vector<float> left, right;
        double ratio = 0.0;
        for (int64_t block = 0; block * kBlock < kRate * kSeconds; ++block) {
            engine.events.count = 0;
            if (block == 0) {
                engine.events.events[engine.events.count++] =
                    KMidiEvent{0xE0, static_cast<uint8_t>(c.bend & 0x7F), static_cast<uint8_t>(c.bend >> 7), 0};
                engine.events.events[engine.events.count++] = KMidiEvent{0x90, static_cast<uint8_t>(c.key), 127, 0};
            }
            std::fill(out.begin(), out.end(), 0.0f);
            ASSERT_TRUE(engine.Process(o, kBlock));
            if (block == 0) {
                const KVoice& v = engine.instruments[0]->voices[0];
                ASSERT_TRUE(v.active);
                ratio = v.step * v.bend; // no glide: the bend came first
            }
            left.insert(left.end(), o[0], o[0] + kBlock);
            right.insert(right.end(), o[1], o[1] + kBlock);
            disk.Settle();
        }
        ASSERT_TRUE(engine.instruments[0]->voices[0].active) << c.name;
        const double twoCos = 2.0 * std::cos(2 * kPi * kFileHz / kRate * ratio);
        for (const std::vector<float>* channel : {&left, &right}) {
            const std::vector<float>& x = *channel;
            double peak = 0.0, worst = 0.0;
            size_t worstAt = 0;
            // After the envelopes, the filter and the gains have settled.
            for (size_t n = 4000; n + 1 < x.size(); ++n) {
                peak = std::max(peak, std::fabs(static_cast<double>(x[n])));
                const double residual = x[n + 1] + x[n - 1] - twoCos * x[n];
                if (std::fabs(residual) > worst) {
                    worst = std::fabs(residual);
                    worstAt = n;
                }
            }
            ASSERT_GT(peak, 0.1) << c.name;
            // The interpolator's own error stays below 0.3 % of the peak; a
            // seam that takes a frame again in place of its neighbours
            // leaves 4 % to 15 %.
            EXPECT_LT(worst / peak, 1e-2) << c.name << ": a step at output frame " << worstAt << ", file frame "
                                          << static_cast<int64_t>(worstAt * ratio);
        }
    }
}

} // namespace
