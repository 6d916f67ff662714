// The hand-over between the audio thread and the disk thread: requests that
// come at awkward moments, bent voices, voices restarted while their ring is
// read, and the editor reading the same zone.
#include "VoiceRig.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

namespace {

// 24-bit mono frames holding their own index (plus an offset), so a frame
// shows where it came from.
Bytes IndexWav(int64_t frames, int32_t offset = 0) {
    return WavWriter(1, 24).Generate(frames, [offset](int64_t i, int) { return static_cast<int32_t>(offset + i); }).Build();
}
double FrameOf(float v) { return static_cast<double>(v) * 8388608.0; }

bool WaitFor(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(DiskThread, ARequestRaisedAtTheEndOfAPassIsServed) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(IndexWav(300000));
    rig.Start(z);
    float l, r;
    rig.Pull(l, r);
    ASSERT_EQ(rig.passesBegun.load(), 1);
    // The pass below finds nothing to do; its end raises a request for a
    // voice it has already visited, as the audio thread may at any time.
    rig.raiseAfterPass = &rig.voice();
    rig.engine.diskEvent.Set();
    ASSERT_TRUE(WaitFor([&] { return rig.raiseAfterPass.load() == nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return rig.voice().refillRequested.load() == 0; }))
        << "the reset after the pass swallowed the request";
    EXPECT_TRUE(WaitFor([&] { return rig.passesBegun.load() == 3; }));
}

// Bent from its first frame, a voice asks once for its whole ring (not on
// every frame whose advance stays below the step), and whatever the bend it
// refills each half in time: each frame is the interpolation of the file's
// own frames around the position it has reached.
class BentStreamTest : public ::testing::TestWithParam<double> {};

TEST_P(BentStreamTest, OneWholeRingRefillThenEveryHalfInTime) {
    VoiceRig rig;
    KSampleZone* z = rig.AddZone(IndexWav(400000));
    rig.instrument().bendRatio = GetParam();
    rig.Start(z);
    EXPECT_EQ(rig.voice().bend, GetParam());
    float l, r;
    while (rig.voice().preloadPos < kHalf) rig.Pull(l, r);
    EXPECT_EQ(rig.passesBegun.load(), 1) << "the ring is filled once for the preload phase";

    auto file = [](int64_t frame) { return static_cast<float>(frame) / 8388608.0f; };
    int64_t checked = 0;
    while (rig.voice().preloadPos < kHalf + 2.0 * kRing + 1000.0) {
        KVoice& v = rig.voice();
        // The bends are binary fractions: ring and file positions advance
        // alike, with the same fraction.
        const double position = v.preloadPos;
        const int64_t frame = static_cast<int64_t>(position);
        const double x = position - static_cast<double>(frame);
        // Across the ring's seams too: the neighbours come from the next pass.
        rig.Pull(l, r);
        ASSERT_TRUE(v.active);
        const float expected =
            x == 0.0 ? file(frame) : Interpolate4(x, file(frame - 1), file(frame), file(frame + 1), file(frame + 2));
        ASSERT_EQ(l, expected) << "file position " << position;
        ++checked;
    }
    EXPECT_GT(checked, 2 * kRing / 4);
}

INSTANTIATE_TEST_SUITE_P(Bends, BentStreamTest, ::testing::Values(0.25, 0.5, 0.75, 1.5, 2.0, 3.0));

// A voice stolen for a new note before the disk thread has read that note's
// ring plays silence there, never what the ring holds of the old note.
TEST(DiskThread, ARingOfAnotherNoteIsNeverPlayed) {
    TempFolder folder;
    KReadBuffer buffer;
    const std::wstring a = folder.File(L"a.wav"), b = folder.File(L"b.wav");
    ASSERT_TRUE(WriteBytes(a, WavWriter(1, 16).Generate(100000, [](int64_t, int) { return 16384; }).Build()));
    ASSERT_TRUE(WriteBytes(b, IndexWav(100000)));
    KSampleZone first(a.c_str(), &buffer, nullptr, 0), second(b.c_str(), &buffer, nullptr, 0);
    ASSERT_TRUE(first.isOpen && second.isOpen);
    KSamplerEngine::BuildTables();
    KEvent event;
    const double bend = 1.0;
    KVoice v;
    float l, r;

    ASSERT_TRUE(v.Start(&bend, &first, 44100, &event, 0, 127));
    NextFrame(v, l, r);
    ASSERT_TRUE(v.refillRequested);
    v.Refill(); // here the test is the disk thread
    ASSERT_EQ(v.ring[2 * 10], 0.5f);

    ASSERT_TRUE(v.Start(&bend, &second, 44100, &event, 0, 127));
    NextFrame(v, l, r);
    v.preloadPos = kHalf - 1; // straight to the seam, the refill still pending
    NextFrame(v, l, r);
    EXPECT_EQ(FrameOf(l), kHalf - 1);
    for (int k = 0; k < 100; ++k) {
        NextFrame(v, l, r);
        ASSERT_EQ(l, 0.0f) << k;
        ASSERT_EQ(r, 0.0f) << k;
    }
    v.Refill();
    for (int k = 100; k < 200; ++k) {
        NextFrame(v, l, r);
        ASSERT_EQ(FrameOf(l), kHalf + k) << k;
    }
}

// Restarted while the disk thread reads the ring of its previous note, the
// voice streams its new zone from the right place and keeps its halves in
// step: what was read for the old note never becomes the new note's state.
TEST(DiskThread, AVoiceRestartedWhileItsRingIsReadStreamsOnlyItsNewZone) {
    VoiceRig rig;
    KSampleZone* before = rig.AddZone(IndexWav(300000, 4000000));
    KSampleZone* after = rig.AddZone(IndexWav(300000));
    float l, r;
    for (int round = 0; round < 24; ++round) {
        rig.Start(before);
        NextFrame(rig.voice(), l, r); // asks for the old note's ring
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(40 * round);
        while (std::chrono::steady_clock::now() < until) std::this_thread::yield();
        rig.Start(after);
        rig.Pull(l, r);
        rig.voice().preloadPos = kHalf - 1;
        for (int64_t k = 0; k < kHalf + 2000; ++k) {
            rig.Pull(l, r);
            ASSERT_EQ(FrameOf(l), kHalf - 1 + k) << "round " << round << ", frame " << k;
        }
    }
}

// The editor refills a zone's preload and rebuilds its overview (after an
// edit) while a voice streams the zone: the stream stays exact.
TEST(DiskThread, EditorReadsOfAStreamingZoneLeaveItsStreamAlone) {
    VoiceRig rig;
    const int64_t length = 3 * kRing;
    KSampleZone* z = rig.AddZone(WavWriter(2, 16).Generate(length, [](int64_t i, int c) { return StreamValue(i, c, 16); }).Build());
    z->loopMode = 2; // round and round the whole file
    z->loopStart = 0;
    z->loopEnd = length;
    rig.Start(z);
    float l, r;
    int64_t k = 0;
    for (; k < kHalf + 100; ++k) rig.Pull(l, r);
    std::atomic<bool> stop{false};
    std::atomic<int> edits{0};
    std::thread editor([&] {
        while (!stop) {
            z->FillPreload();
            z->BuildOverview();
            ++edits;
        }
    });
    for (const int64_t least = k + 2 * kRing; k < least || edits < 20; ++k) {
        rig.Pull(l, r);
        if (l != StreamFloat(k % length, 0, 16) || r != StreamFloat(k % length, 1, 16)) {
            ADD_FAILURE() << "frame " << k;
            break;
        }
    }
    stop = true;
    editor.join();
}

} // namespace
