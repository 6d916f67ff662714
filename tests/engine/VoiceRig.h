// An engine with one instrument, and a voice of it driven the way the audio
// thread drives it, frame by frame. After every refill request the driver
// waits until the disk thread has served it, as a real-time renderer would by
// simply being slower than the disk.
#pragma once

#include "Engine.h"
#include "Voice.h"

#include "TempFolder.h"
#include "VoiceSteps.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

constexpr int kHalf = KVoice::kHalfFrames;
constexpr int kRing = KVoice::kRingFrames;

class VoiceRig {
public:
    VoiceRig() {
        engine.diskBeginCallback = [](void* user, int) { static_cast<VoiceRig*>(user)->passesBegun++; };
        engine.diskEndCallback = [](void* user, int) {
            auto* rig = static_cast<VoiceRig*>(user);
            // A request raised at the very end of a pass, after the scan.
            if (KVoice* late = rig->raiseAfterPass.exchange(nullptr)) {
                late->refillRequested = 1;
                rig->engine.diskEvent.Set();
            }
            rig->passesEnded++;
        };
        engine.callbackUser = this;
        engine.instruments[0] = new KInstrument(44100, &engine.readBuffer);
        engine.instrumentCount = 1;
    }

    KInstrument& instrument() { return *engine.instruments[0]; }
    KVoice& voice(int v = 0) { return instrument().voices[v]; }

    KSampleZone* AddZone(const Bytes& wav) {
        const std::wstring path = folder.File(L"v" + std::to_wstring(serial++) + L".wav");
        EXPECT_TRUE(WriteBytes(path, wav));
        auto* z = new KSampleZone(path.c_str(), &engine.readBuffer, nullptr, 0);
        EXPECT_TRUE(z->isOpen);
        z->UpdateCoefficients(44100);
        for (KSampleZone*& slot : instrument().zones)
            if (slot == nullptr) {
                slot = z;
                instrument().zoneCount++;
                return z;
            }
        delete z;
        return nullptr;
    }

    void Start(KSampleZone* z, int transpose = 0, uint8_t velocity = 127, int v = 0) {
        ASSERT_TRUE(voice(v).Start(&instrument().bendRatio, z, 44100, &engine.diskEvent, transpose, velocity));
    }

    // Waits until every refill asked for so far has been done: no request is
    // pending and no pass is running (a pass counts as begun before it takes
    // a request).
    void SettleDisk(KVoice& v) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while ((v.refillRequested.load() || passesEnded.load() != passesBegun.load()) &&
               std::chrono::steady_clock::now() < limit)
            std::this_thread::yield();
    }

    // One raw frame (before envelopes and filter).
    void Pull(float& l, float& r, int v = 0) {
        NextFrame(voice(v), l, r);
        SettleDisk(voice(v));
    }

    // Before the engine: its zones hold their files open until it goes, and
    // the folder can only be removed after that.
    TempFolder folder;
    KSamplerEngine engine;
    std::atomic<int> passesBegun{0}, passesEnded{0};
    std::atomic<KVoice*> raiseAfterPass{nullptr};
    int serial = 0;
};

// Sample values of the streaming fixtures: distinct, not periodic in the
// ring's period, both signs.
inline int32_t StreamValue(int64_t i, int c, int bits) {
    const int64_t v = (i * 7919 + c * 104729 + (i >> 9) * 31) % 60001 - 30000;
    return static_cast<int32_t>(bits == 24 ? v * 256 + (i & 0xFF) : v);
}

inline float StreamFloat(int64_t i, int c, int bits) {
    const int32_t v = StreamValue(i, c, bits);
    return bits == 24 ? v / 8388608.0f : v / 32768.0f;
}
