#include "EngineRig.h"
#include "Tables.h"

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace {

TEST(KInstrument, Defaults) {
    KReadBuffer buffer;
    KInstrument in(48000, &buffer);
    EXPECT_EQ(std::wstring(in.name), L"Blank");
    EXPECT_EQ(in.bendRange, 2);
    EXPECT_EQ(in.currentLayer, 1);
    EXPECT_EQ(in.pan, 50.0);
    EXPECT_EQ(in.sampleRate, 48000);
    EXPECT_FLOAT_EQ(in.reverb.roomSize, 0.6f * 0.28f + 0.7f);
    EXPECT_FLOAT_EQ(in.reverb.damp, 0.4f);
    EXPECT_FLOAT_EQ(in.reverb.wet1, 1.275f);
    EXPECT_FLOAT_EQ(in.reverb.wet2, 0.225f);
}

TEST(KInstrument, AddZoneRefusals) {
    EngineRig rig;
    rig.AddInstrument();
    KInstrument& in = *rig.engine.instruments[0];
    struct Case {
        const char* why;
        int keyLow, keyHigh, velocityLow, velocityHigh;
        bool missingFile;
    };
    for (Case c : {Case{"empty key range", 61, 60, 1, 127, false}, Case{"empty velocity range", 0, 127, 80, 79, false},
                   Case{"lowest velocity 0", 0, 127, 0, 127, false}, Case{"no such file", 0, 127, 1, 127, true}}) {
        const std::wstring path = c.missingFile ? rig.folder.File(L"none.wav") : rig.dcWav;
        EXPECT_EQ(in.AddZone(path.c_str(), 60, c.keyLow, c.velocityHigh, c.keyHigh, c.velocityLow, 1, nullptr, 0), -1)
            << c.why;
    }
    EXPECT_EQ(in.zoneCount, 0);
    const int slot = rig.AddZone(0, 10, 20, 30, 40, 5, 64);
    ASSERT_EQ(slot, 0);
    const KSampleZone& z = *in.zones[0];
    EXPECT_EQ(z.keyLow, 10);
    EXPECT_EQ(z.keyHigh, 20);
    EXPECT_EQ(z.velocityLow, 30);
    EXPECT_EQ(z.velocityHigh, 40);
    EXPECT_EQ(z.layer, 5);
    EXPECT_EQ(z.rootKey, 64);
}

TEST(KInstrument, DeleteZoneRefusesEmptyAndSoundingZones) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0, 60, 60);
    rig.AddZone(0, 61, 61);
    KInstrument& in = *rig.engine.instruments[0];
    rig.Queue(0x90, 60, 100);
    rig.Render();
    EXPECT_TRUE(in.IsZonePlaying(0));
    EXPECT_FALSE(in.DeleteZone(0));
    EXPECT_FALSE(in.DeleteZone(5));
    EXPECT_FALSE(in.DeleteZone(-1));
    EXPECT_TRUE(in.DeleteZone(1));
    EXPECT_EQ(in.zoneCount, 1);
    EXPECT_EQ(rig.AddZone(0), 1) << "the freed slot is taken again";
}

TEST(KInstrument, VelocityRangeAndLayers) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0, 0, 127, 1, 64, 1);
    rig.AddZone(0, 0, 127, 1, 127, 2);
    KInstrument& in = *rig.engine.instruments[0];
    auto zonesFor = [&](int key, int velocity) {
        int n = 0;
        while (in.NextZoneForNoteOn(key, velocity)) ++n;
        return n;
    };
    EXPECT_EQ(zonesFor(60, 64), 1);
    EXPECT_EQ(zonesFor(60, 65), 0);
    in.currentLayer = 2;
    EXPECT_EQ(zonesFor(60, 65), 1);
    in.playAllLayers = 1;
    EXPECT_EQ(zonesFor(60, 64), 2);
}

TEST(KInstrument, TheThirtyThirdNoteStealsTheOldestVoice) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    KInstrument& in = *rig.engine.instruments[0];
    for (int k = 0; k < 32; ++k) rig.Queue(0x90, static_cast<uint8_t>(40 + k), 100);
    rig.Render();
    EXPECT_EQ(rig.ActiveVoices(0), 32);
    const uint32_t now = MilliTime();
    for (KVoice& v : in.voices) v.startTime = now - 100;
    in.voices[5].startTime = now - 5000;
    rig.Queue(0x90, 100, 100);
    rig.Render();
    EXPECT_EQ(in.voices[5].transpose, 40) << "key 100 took the oldest voice";
    EXPECT_FALSE(in.voices[5].released);

    // Equal ages: the lowest-numbered voice.
    for (KVoice& v : in.voices) v.startTime = 1234;
    EXPECT_EQ(in.ChooseVoice(5000), &in.voices[0]);
}

TEST(KInstrument, StealingByAgeHoldsAcrossLongUptimeAndTheTimerWrap) {
    KReadBuffer buffer;
    KInstrument in(44100, &buffer);
    for (KVoice& v : in.voices) v.active = 1;
    struct Case {
        uint32_t now, oldest, others;
    };
    // After 32 days every reading lies above 0xA4C67FFF; after 49.7 days the
    // clock wraps: the oldest voice is still the one stolen.
    for (Case c : {Case{100000, 1000, 50000}, Case{0xB0000000u, 0xA5000000u, 0xAFFF0000u},
                   Case{500, 0xFFFFF000u, 100}}) {
        for (KVoice& v : in.voices) v.startTime = c.others;
        in.voices[17].startTime = c.oldest;
        in.voices[17].active = 1;
        EXPECT_EQ(in.ChooseVoice(c.now), &in.voices[17]) << c.now;
        EXPECT_FALSE(in.voices[17].active) << "a stolen voice stops before it restarts";
    }
}

TEST(KInstrument, ExclusiveGroupReleasesEarlierVoicesOfTheGroup) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0, 60, 60);
    rig.AddZone(0, 60, 60);
    rig.AddZone(0, 61, 61);
    KInstrument& in = *rig.engine.instruments[0];
    for (int z = 0; z < 3; ++z) in.zones[z]->exclusiveGroup = 3;
    rig.Queue(0x90, 61, 100);
    rig.Render();
    rig.Queue(0x90, 60, 100);
    rig.Render();
    EXPECT_TRUE(in.voices[0].released) << "key 61 of the group";
    EXPECT_TRUE(in.voices[1].released) << "the first zone of the same note-on";
    EXPECT_FALSE(in.voices[2].released);
    EXPECT_EQ(in.voices[2].zone.load(), in.zones[1]);
}

TEST(KInstrument, NoteOffRules) {
    struct Case {
        const char* what;
        int loopMode;
        bool pedal;
        bool releasedAfterNoteOff;
    };
    for (Case c : {Case{"plain", 0, false, true}, Case{"one-shot ignores note-off", 1, false, false},
                   Case{"held by the pedal", 0, true, false}}) {
        EngineRig rig;
        rig.AddInstrument();
        rig.AddZone(0, 0, 127, 1, 127, 1, 48);
        KInstrument& in = *rig.engine.instruments[0];
        in.zones[0]->loopMode = c.loopMode;
        in.sustainPedalOn = 1;
        if (c.pedal) rig.Queue(0xB0, 64, 127);
        rig.Queue(0x90, 55, 100);
        rig.Queue(0x80, 54, 0); // another key: nothing
        rig.Render();
        EXPECT_FALSE(in.voices[0].released) << c.what;
        rig.Queue(0x80, 55, 0);
        rig.Render();
        EXPECT_EQ(static_cast<bool>(in.voices[0].released), c.releasedAfterNoteOff) << c.what;
        if (c.pedal) {
            EXPECT_TRUE(in.voices[0].heldByPedal);
            rig.Queue(0xB0, 64, 0);
            rig.Render();
            EXPECT_TRUE(in.voices[0].released) << "the pedal going up releases held voices";
        }
    }
}

TEST(KInstrument, PedalIsIgnoredWhenSwitchedOff) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    KInstrument& in = *rig.engine.instruments[0];
    rig.Queue(0xB0, 64, 127);
    rig.Queue(0x90, 60, 100);
    rig.Queue(0x80, 60, 0);
    rig.Render();
    EXPECT_TRUE(in.voices[0].released);
}

// A note-off releases the voices of the key that started them, whatever the
// zone's root key became while the note was held (the editor may change it).
TEST(KInstrument, NoteOffFindsTheVoicesOfItsKeyAfterARootKeyEdit) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0, 0, 127, 1, 127, 1, 60);
    KInstrument& in = *rig.engine.instruments[0];
    in.zones[0]->loopMode = kLoop;
    rig.Queue(0x90, 64, 100);
    rig.Render();
    in.zones[0]->rootKey = 62;
    rig.Queue(0x80, 66, 0); // the old root plus the note's transpose: not this note
    rig.Render();
    EXPECT_FALSE(in.voices[0].released);
    rig.Queue(0x80, 64, 0);
    rig.Render();
    EXPECT_TRUE(in.voices[0].released);
}

// The pedal holds notes only while the instrument obeys it: switching the
// option off with the pedal down, or a panic, lets go of it.
TEST(KInstrument, APedalTheInstrumentNoLongerObeysHoldsNothing) {
    struct Case {
        const char* what;
        bool optionOff; // else a panic
        bool noteOffFirst;
    };
    for (Case c : {Case{"option off, then note-off", true, false}, Case{"note-off held, then option off", true, true},
                   Case{"note-off held, then panic", false, true}, Case{"panic, then note-off", false, false}}) {
        EngineRig rig;
        rig.AddInstrument();
        rig.AddZone(0);
        KInstrument& in = *rig.engine.instruments[0];
        in.sustainPedalOn = 1;
        rig.Queue(0xB0, 64, 127);
        rig.Queue(0x90, 60, 100);
        if (c.noteOffFirst) rig.Queue(0x80, 60, 0);
        rig.Render();
        EXPECT_FALSE(in.voices[0].released) << c.what;
        if (c.optionOff) in.sustainPedalOn = 0;
        else rig.engine.Panic();
        if (!c.noteOffFirst) rig.Queue(0x80, 60, 0);
        rig.Render();
        EXPECT_TRUE(in.voices[0].released) << c.what;
        EXPECT_EQ(in.pedalDown, 0) << c.what;
        // A later note is released by its note-off, as with no pedal: it
        // ends at once (released before it sounded).
        rig.Queue(0x90, 62, 100);
        rig.Queue(0x80, 62, 0);
        rig.Render();
        EXPECT_EQ(rig.ActiveVoices(0), 1) << c.what;
        if (c.optionOff) continue;
        // After a panic the pedal works again.
        rig.Queue(0xB0, 64, 127);
        rig.Queue(0x90, 64, 100);
        rig.Queue(0x80, 64, 0);
        rig.Render();
        ASSERT_EQ(in.voices[1].key, 64) << c.what;
        EXPECT_FALSE(in.voices[1].released) << c.what;
        EXPECT_TRUE(in.voices[1].heldByPedal) << c.what;
    }
}

TEST(KInstrument, ReleaseTriggerZonesSoundOnNoteOff) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0, 60, 60);
    rig.AddZone(0, 60, 60);
    KInstrument& in = *rig.engine.instruments[0];
    in.zones[1]->releaseTrigger = 1;
    rig.Queue(0x90, 60, 127);
    rig.Render();
    EXPECT_EQ(rig.ActiveVoices(0), 1) << "the release zone is silent on note-on";
    rig.Queue(0x90, 60, 0);
    rig.Render();
    EXPECT_EQ(rig.ActiveVoices(0), 2);
    EXPECT_EQ(in.voices[1].zone.load(), in.zones[1]);
    EXPECT_FLOAT_EQ(in.voices[1].velocityGain, Pow10Lookup(-(1.0f - 100 / 127.0f) * 24.0f / 20.0f))
        << "velocity 0 plays the release zone at velocity 100";
    EXPECT_FALSE(in.voices[1].released) << "a note-off never releases release-trigger voices";
}

TEST(KInstrument, ActiveVoicesCountsReleasedVoicesStillSounding) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    KInstrument& in = *rig.engine.instruments[0];
    rig.Queue(0x90, 60, 100);
    rig.Queue(0x90, 62, 100);
    rig.Render();
    rig.Queue(0x80, 60, 0);
    rig.Render();
    EXPECT_TRUE(in.voices[0].released);
    EXPECT_TRUE(in.voices[0].active) << "300 ms of release";
    EXPECT_EQ(in.activeVoices, 2);
    rig.Queue(0xB0, 123, 0);
    rig.Render();
    EXPECT_TRUE(in.voices[1].released) << "all notes off";
}

// Zones and instruments come and go on the editor's thread while the audio
// thread renders with notes playing and the disk thread refills.
TEST(KSamplerEngineConcurrency, StructuralEditsWhileRenderingAndStreaming) {
    EngineRig rig;
    for (int i = 0; i < 4; ++i) {
        rig.AddInstrument();
        rig.AddZone(i);
    }
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0}, skipped{0}, edits{0};
    std::thread audio([&] {
        std::mt19937 random(1);
        std::vector<float> buffers(8 * 256);
        float* out[8];
        for (int i = 0; i < 8; ++i) out[i] = buffers.data() + 256 * i;
        while (!stop) {
            KMidiQueue& q = rig.engine.events;
            if (q.count == 0) {
                for (int e = 0; e < 8; ++e) {
                    const int key = 30 + static_cast<int>(random() % 60);
                    q.events[q.count++] = KMidiEvent{static_cast<uint8_t>(random() % 3 ? 0x90 : 0x80),
                                                     static_cast<uint8_t>(key), 100,
                                                     static_cast<int32_t>(random() % 256)};
                }
            }
            std::fill(buffers.begin(), buffers.end(), 0.0f);
            if (rig.engine.Process(out, 256)) {
                q.count = 0;
                ++blocks;
            } else {
                ++skipped;
            }
        }
    });
    std::thread editor([&] {
        std::mt19937 random(2);
        while (!stop) {
            const int slot = static_cast<int>(random() % 16);
            KInstrument* in = rig.engine.instruments[slot];
            switch (random() % 4) {
            case 0:
                if (in == nullptr) rig.AddInstrument();
                else rig.engine.DeleteInstrument(slot);
                break;
            default:
                if (in != nullptr) {
                    const int z = static_cast<int>(random() % 4);
                    if (!in->DeleteZone(z)) rig.AddZone(slot);
                }
            }
            ++edits;
            // An editor edits at a human pace, not in a tight loop.
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    // A few seconds, and long enough for both sides to have done real work
    // (a sanitizer and a loaded machine slow the render down).
    const auto started = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - started < std::chrono::seconds(3) ||
           ((blocks <= 50 || edits <= 50) && std::chrono::steady_clock::now() - started < std::chrono::seconds(60)))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    audio.join();
    editor.join();
    EXPECT_GT(blocks.load(), 50);
    EXPECT_GT(edits.load(), 50);
}

} // namespace
