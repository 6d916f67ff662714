#include "EngineRig.h"
#include "Tables.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>

#include <xmmintrin.h>

namespace {

TEST(KSamplerEngine, Defaults) {
    KSamplerEngine e;
    EXPECT_EQ(std::wstring(e.libraryName), L"mySound");
    EXPECT_EQ(std::wstring(e.vendorName), L"Tellurand");
    EXPECT_EQ(std::wstring(e.sampleFolder), L"c:\\");
    EXPECT_EQ(std::wstring(e.exportFolder), L"c:\\");
    EXPECT_STREQ(e.uniqueId, "Krvs");
    EXPECT_EQ(e.sampleRate, 44100);
    EXPECT_EQ(e.instrumentCount, 0);
    EXPECT_EQ(e.pitchTable[1200], 1.0);
    EXPECT_EQ(e.pitchTable[2400], static_cast<double>(static_cast<float>(2.0)));
    EXPECT_EQ(e.pitchTable[0], static_cast<double>(0.5f));
    EXPECT_FLOAT_EQ(static_cast<float>(e.pitchTable[1000]), std::pow(2.0f, -200.0f / 1200.0f));
}

TEST(KSamplerEngine, DestructionEndsTheDiskThreadWhateverItIsDoing) {
    // The quit must not be swallowed by the reset of a pass just woken.
    for (int i = 0; i < 300; ++i) {
        KSamplerEngine e;
        e.diskEvent.Set();
        if (i % 3 == 0) std::this_thread::yield();
    }
}

TEST(KSamplerEngine, InstrumentSlots) {
    EngineRig rig;
    for (int i = 0; i < 16; ++i) ASSERT_EQ(rig.AddInstrument(static_cast<uint8_t>(i % 3), 1), i);
    EXPECT_EQ(rig.AddInstrument(), -1);
    EXPECT_EQ(rig.engine.instrumentCount, 16);
    EXPECT_TRUE(rig.engine.DeleteInstrument(4));
    EXPECT_FALSE(rig.engine.DeleteInstrument(4));
    EXPECT_FALSE(rig.engine.DeleteInstrument(16));
    EXPECT_EQ(rig.engine.instrumentCount, 15);
    EXPECT_EQ(rig.AddInstrument(7, 2), 4) << "the first empty slot";
    EXPECT_EQ(rig.engine.instruments[4]->midiChannel, 7);
    EXPECT_EQ(rig.engine.instruments[4]->outputPair, 2);
}

TEST(KSamplerEngine, NextInstrumentForChannelRunsToNullAndAgain) {
    EngineRig rig;
    rig.AddInstrument(0);  // omni
    rig.AddInstrument(3);  // channel 3 = status nibble 2
    rig.AddInstrument(4);
    for (int round = 0; round < 2; ++round) {
        std::vector<KInstrument*> got;
        while (KInstrument* i = rig.engine.NextInstrumentForChannel(2)) got.push_back(i);
        EXPECT_EQ(got, (std::vector<KInstrument*>{rig.engine.instruments[0], rig.engine.instruments[1]}));
    }
}

TEST(KSamplerEngine, EventsWaitBehindEarlierOnesAndLateOnesComeAtTheLastFrame) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    rig.Queue(0x90, 60, 100, 5);
    rig.Queue(0x90, 62, 100, 3);   // waits behind the first: frame 5 too
    rig.Queue(0x90, 64, 100, 500); // beyond the block: its last frame
    rig.Render(16);
    const KInstrument& in = *rig.engine.instruments[0];
    ASSERT_EQ(rig.monitored.size(), 3u);
    // Voices rendered from their start frame to the end of the block.
    EXPECT_EQ(in.voices[0].preloadPos, 16 - 5);
    EXPECT_EQ(in.voices[1].preloadPos, (16 - 5) * in.voices[1].step);
    EXPECT_EQ(in.voices[2].preloadPos, 1 * in.voices[2].step);
}

TEST(KSamplerEngine, DispatchEventsStopsAtTheFirstLaterEvent) {
    EngineRig rig;
    rig.Queue(0xB0, 7, 1, 5);
    rig.Queue(0xB0, 7, 2, 3);
    rig.engine.eventCursor = 0;
    for (int frame = 0; frame < 5; ++frame) rig.engine.DispatchEvents(frame, false);
    EXPECT_TRUE(rig.monitored.empty());
    rig.engine.DispatchEvents(5, false);
    EXPECT_EQ(rig.monitored.size(), 2u);
}

TEST(KSamplerEngine, AZeroFrameBlockDispatchesNothing) {
    EngineRig rig;
    rig.Queue(0x90, 60, 100);
    rig.engine.peakLeft = 0.5f;
    EXPECT_TRUE(rig.engine.Process(nullptr, 0));
    EXPECT_TRUE(rig.monitored.empty());
    EXPECT_EQ(rig.engine.peakLeft, 1e-6f);
}

TEST(KSamplerEngine, MonitorHearsEveryEventOnceWhoeverListens) {
    EngineRig rig;
    rig.AddInstrument(2);
    rig.Queue(0x94, 60, 100);
    rig.Queue(0xE1, 0, 64);
    rig.Queue(0xF8, 0, 0);
    rig.Render();
    EXPECT_EQ(rig.monitored, (std::vector<int>{0x94 | 60 << 8 | 100 << 16, 0xE1 | 64 << 16, 0xF8}));
}

TEST(KSamplerEngine, NoteOnWithVelocityZeroIsANoteOff) {
    for (bool asNoteOff : {false, true}) {
        EngineRig rig;
        rig.AddInstrument();
        rig.AddZone(0);
        rig.Queue(0x90, 60, 100);
        rig.Render();
        rig.Queue(asNoteOff ? 0x80 : 0x90, 60, 0);
        rig.Render();
        EXPECT_TRUE(rig.engine.instruments[0]->voices[0].released) << asNoteOff;
    }
}

TEST(KSamplerEngine, KeySwitchesSelectLayersAndSoundNothing) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0, 0, 127, 1, 127, 12);
    KInstrument& in = *rig.engine.instruments[0];
    in.keySwitchOn = 1;
    rig.Queue(0x90, 35, 100);
    rig.Render();
    EXPECT_EQ(in.currentLayer, 12);
    rig.Queue(0x90, 24, 100);
    rig.Render();
    EXPECT_EQ(in.currentLayer, 1);
    EXPECT_EQ(rig.ActiveVoices(0), 0);
    rig.Queue(0x90, 35, 100);
    rig.Queue(0x90, 36, 100);
    rig.Render();
    EXPECT_EQ(rig.ActiveVoices(0), 1) << "key 36 plays the layer-12 zone";
}

TEST(KSamplerEngine, Controllers) {
    EngineRig rig;
    rig.AddInstrument();
    KInstrument& in = *rig.engine.instruments[0];
    in.modWheelSelectsLayer = 1;
    struct Case {
        uint8_t controller, value;
        std::function<bool()> check;
    };
    const std::vector<Case> cases = {
        {1, 64, [&] { return in.currentLayer == 7; }},
        {1, 0, [&] { return in.currentLayer == 1; }},
        {1, 127, [&] { return in.currentLayer == 12; }},
        {7, 127, [&] { return in.volume == 1.0 && in.targetGainLeft == 1.0f; }},
        {7, 0, [&] { return in.volume == 0.0 && in.targetGainLeft == 0.0f; }},
        {11, 127, [&] { return in.expression == 1.0; }},
        {10, 0, [&] { return in.pan == 0.0; }},
        {8, 127, [&] { return in.pan == 100.0; }},
        {91, 64, [&] { return in.reverbSend == 0.5; }},
        {6, 7, [&] { return in.bendRange == 7; }},
    };
    for (const Case& c : cases) {
        rig.Queue(0xB0, c.controller, c.value);
        rig.Render();
        EXPECT_TRUE(c.check()) << "controller " << int(c.controller) << " value " << int(c.value);
    }
    // With the controller switch off only the pedal and all-off controllers act.
    in.midiControllersOn = 0;
    rig.Queue(0xB0, 7, 100);
    rig.Queue(0xB0, 1, 0);
    rig.Render();
    EXPECT_EQ(in.volume, 0.0);
    EXPECT_EQ(in.currentLayer, 12);
}

TEST(KSamplerEngine, Controller100BlocksController6OnEveryChannel) {
    EngineRig rig;
    rig.AddInstrument();
    KInstrument& in = *rig.engine.instruments[0];
    rig.Queue(0xB3, 100, 1); // any channel
    rig.Queue(0xB0, 6, 9);
    rig.Render();
    EXPECT_EQ(in.bendRange, 2);
    rig.Queue(0xB5, 100, 0);
    rig.Queue(0xB0, 6, 9);
    rig.Render();
    EXPECT_EQ(in.bendRange, 9);
}

TEST(KSamplerEngine, PitchBend) {
    EngineRig rig;
    rig.AddInstrument();
    KInstrument& in = *rig.engine.instruments[0];
    struct Case {
        int range, value;
        int index;
    };
    // Ranges above 12 are held at 12: the table ends there.
    for (Case c : {Case{2, 8192, 1200}, Case{2, 0, 1000}, Case{12, 0, 0}, Case{12, 16383, 2399}, Case{48, 0, 0},
                   Case{255, 16383, 2399}, Case{0, 0, 1200}}) {
        in.bendRange = static_cast<uint8_t>(c.range);
        rig.Queue(0xE0, static_cast<uint8_t>(c.value & 0x7F), static_cast<uint8_t>(c.value >> 7));
        rig.Render();
        EXPECT_EQ(in.bendRatio, rig.engine.pitchTable[c.index]) << c.range << " " << c.value;
    }
    EXPECT_EQ(rig.engine.pitchTable[1200], 1.0);
    in.pitchBendOn = 0;
    rig.Queue(0xE0, 0, 0);
    rig.Render();
    EXPECT_EQ(in.bendRatio, rig.engine.pitchTable[1200]);
}

TEST(KSamplerEngine, OutputPairsAndClipping) {
    EngineRig rig;
    for (uint8_t pair : {1, 4, 9}) {
        const int slot = rig.AddInstrument(0, pair);
        rig.AddZone(slot);
    }
    rig.Queue(0x90, 60, 127);
    rig.Render();
    rig.Render();
    // The DC sample (0.25) settles through the filter.
    EXPECT_NEAR(rig.outputs[2].back(), 0.25f, 1e-3);
    EXPECT_NEAR(rig.outputs[0].back(), 0.5f, 1e-3) << "pairs 4 and up are heard on pair 0";
    EXPECT_EQ(rig.outputs[4].back(), 0.0f);

    // Signal already in the buffers is summed first, then clipped.
    for (auto& out : rig.outputs) std::fill(out.begin(), out.end(), 0.9f);
    rig.outputs[6][3] = std::numeric_limits<float>::quiet_NaN();
    rig.outputs[7][3] = -std::numeric_limits<float>::infinity();
    rig.Render(EngineRig::kBlock, true);
    EXPECT_EQ(rig.outputs[0].back(), 1.0f);
    EXPECT_EQ(rig.outputs[2].back(), 1.0f);
    EXPECT_EQ(rig.outputs[4].back(), 0.9f);
    EXPECT_EQ(rig.outputs[6][3], 0.0f) << "NaN never reaches the host";
    EXPECT_EQ(rig.outputs[7][3], 0.0f);
    EXPECT_EQ(rig.engine.peakLeft, 1.0f);
    EXPECT_EQ(rig.engine.peakRight, 1.0f);
}

TEST(KSamplerEngine, UpdateGainsFollowsVolumeExpressionAndPan) {
    EngineRig rig;
    rig.AddInstrument();
    KInstrument& in = *rig.engine.instruments[0];
    struct Case {
        double volume, expression, pan;
        float left, right;
    };
    for (Case c : {Case{1, 1, 50, 1, 1}, Case{0.5, 1, 0, 0.5f, 0}, Case{1, 0.5, 25, 0.5f, 0.25f},
                   Case{1, 1, 75, 0.5f, 1}, Case{0.8, 0.5, 100, 0, 0.4f}}) {
        in.volume = c.volume;
        in.expression = c.expression;
        in.pan = c.pan;
        rig.engine.UpdateGains();
        EXPECT_FLOAT_EQ(in.targetGainLeft, c.left);
        EXPECT_FLOAT_EQ(in.targetGainRight, c.right);
    }
}

// Volume, pan and expression controllers move the gains of the instruments
// they reach and nothing else: no zone's coefficients are recomputed, and
// the output is what recomputing everything gave.
TEST(KSamplerEngine, GainControllersMoveOnlyTheGainsOfTheInstrumentsTheyReach) {
    EngineRig byController, byUpdate;
    for (EngineRig* rig : {&byController, &byUpdate}) {
        for (uint8_t channel : {1, 2}) {
            const int slot = rig->AddInstrument(channel, 0);
            ASSERT_GE(rig->AddZone(slot), 0);
            rig->Zone(slot, 0)->ampRelease = 40;
        }
        rig->engine.UpdateGains();
        rig->Queue(0x90, 60, 100);
        rig->Queue(0x91, 64, 90);
    }
    // A coefficient only a recompute would restore.
    byController.Zone(0, 0)->ampReleaseCoef = 0.125f;
    byController.Zone(1, 0)->ampReleaseCoef = 0.125f;
    const float otherLeft = byController.engine.instruments[1]->targetGainLeft;

    struct Step {
        uint8_t controller, value;
        void (*set)(KInstrument&, uint8_t);
    };
    const Step steps[] = {
        {7, 90, [](KInstrument& in, uint8_t v) { in.volume = v / 127.0; }},
        {10, 20, [](KInstrument& in, uint8_t v) { in.pan = v / 127.0 * 100.0; }},
        {11, 70, [](KInstrument& in, uint8_t v) { in.expression = v / 127.0; }},
        {8, 127, [](KInstrument& in, uint8_t v) { in.pan = v / 127.0 * 100.0; }},
        {7, 5, [](KInstrument& in, uint8_t v) { in.volume = v / 127.0; }},
    };
    for (int block = 0; block < 40; ++block) {
        if (block % 8 == 1) {
            const Step& s = steps[block / 8];
            byController.Queue(0xB0, s.controller, s.value);
            s.set(*byUpdate.engine.instruments[0], s.value);
            byUpdate.engine.UpdateGains();
        }
        ASSERT_TRUE(byController.Render());
        ASSERT_TRUE(byUpdate.Render());
        for (int out = 0; out < 2; ++out)
            for (int f = 0; f < EngineRig::kBlock; ++f)
                ASSERT_EQ(byController.outputs[out][f], byUpdate.outputs[out][f]) << "block " << block << " frame " << f;
    }
    EXPECT_EQ(byController.Zone(0, 0)->ampReleaseCoef, 0.125f) << "a controller recomputed the zone";
    EXPECT_EQ(byController.Zone(1, 0)->ampReleaseCoef, 0.125f);
    EXPECT_EQ(byController.engine.instruments[1]->targetGainLeft, otherLeft) << "channel 2 was not reached";
    EXPECT_NE(byController.engine.instruments[0]->targetGainLeft, otherLeft);
}

TEST(KSamplerEngine, GainRampsArriveExactly) {
    EngineRig rig;
    rig.AddInstrument();
    KInstrument& in = *rig.engine.instruments[0];
    in.volume = 0.55;
    rig.engine.UpdateGains();
    for (int i = 0; i < 80; ++i) rig.Render();
    EXPECT_EQ(in.gainLeft, in.targetGainLeft);
    rig.Render();
    EXPECT_EQ(in.gainLeft, in.targetGainLeft) << "no oscillation around the target";
}

TEST(KSamplerEngine, NewInstrumentSoundsAtOnceWithoutUpdateGains) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    EXPECT_EQ(rig.engine.instruments[0]->targetGainLeft, 1.0f);
    rig.Queue(0x90, 60, 127);
    rig.Render();
    EXPECT_NEAR(rig.outputs[0].back(), 0.25f, 1e-3);
}

TEST(KSamplerEngine, ReverbAddsItsWetSignal) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    KInstrument& in = *rig.engine.instruments[0];
    in.reverbOn = 1;
    in.reverbSend = 0.5;
    rig.Queue(0x90, 60, 127);
    float energyDifference = 0;
    for (int b = 0; b < 100; ++b) {
        rig.Render();
        for (float v : rig.outputs[0]) energyDifference += std::fabs(v - 0.25f);
    }
    EXPECT_GT(energyDifference, 1.0f);
}

TEST(KSamplerEngine, SampleRateReachesInstrumentsAndVoices) {
    EngineRig rig;
    rig.AddInstrument();
    rig.engine.SetSampleRate(96000);
    EXPECT_EQ(rig.engine.instruments[0]->sampleRate, 96000);
    EXPECT_EQ(rig.engine.instruments[0]->voices[31].sampleRate, 96000);
    EXPECT_EQ(rig.AddInstrument(), 1);
    EXPECT_EQ(rig.engine.instruments[1]->sampleRate, 96000);
}

TEST(KSamplerEngine, CountsAndResetInfo) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddInstrument();
    rig.AddZone(0);
    rig.AddZone(1);
    rig.AddZone(1);
    EXPECT_EQ(rig.engine.CountZones(), 3);
    rig.Queue(0x90, 60, 127);
    rig.Render();
    EXPECT_EQ(rig.engine.CountActiveVoices(), 3);
    CopyWide(rig.engine.libraryName, L"Strings");
    std::memcpy(rig.engine.uniqueId, "Abcd", 4);
    rig.engine.uiStyle = 3;
    CopyWide(rig.engine.projectPath, L"c:\\x.kss");
    rig.engine.ResetInfo();
    EXPECT_EQ(std::wstring(rig.engine.libraryName), L"mySound");
    EXPECT_STREQ(rig.engine.uniqueId, "Krvs");
    EXPECT_EQ(rig.engine.uiStyle, 0);
    EXPECT_EQ(rig.engine.projectPath[0], 0);
}

// Inside a block denormals are flushed by the processor; the host's own
// MXCSR (here: flush-to-zero off, rounding toward zero) comes back after it.
TEST(KSamplerEngine, BlocksFlushDenormalsAndGiveTheHostItsMxcsrBack) {
    constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x0040, kRoundTowardZero = 0x6000;
    EngineRig rig;
    rig.AddInstrument();
    static unsigned inside;
    rig.engine.midiMonitorCallback = [](void*, int) { inside = _mm_getcsr(); };
    const unsigned saved = _mm_getcsr();
    const unsigned host = (saved & ~(kFlushToZero | kDenormalsAreZero)) | kRoundTowardZero;
    _mm_setcsr(host);
    rig.Queue(0x90, 60, 100);
    const bool rendered = rig.Render();
    const unsigned after = _mm_getcsr();
    _mm_setcsr(saved);
    ASSERT_TRUE(rendered);
    EXPECT_EQ(after, host);
    EXPECT_EQ(inside & (kFlushToZero | kDenormalsAreZero), kFlushToZero | kDenormalsAreZero);
    EXPECT_EQ(inside & kRoundTowardZero, kRoundTowardZero);
}

// A new rate reaches the filters of voices already sounding.
TEST(KSamplerEngine, ANewSampleRateReachesSoundingFilters) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    KSampleZone& z = *rig.Zone(0, 0);
    z.cutoff = 50;
    z.resonance = 2;
    rig.Queue(0x90, 60, 80);
    rig.Render();
    for (int rate : {22050, 96000}) {
        rig.engine.SetSampleRate(rate);
        rig.Render();
        KLowPass expected;
        expected.SetCutoff(CutoffCurveHz(500), rate, 2.0f);
        const KLowPass& got = rig.engine.instruments[0]->voices[0].filter;
        EXPECT_EQ(got.b0, expected.b0) << rate;
        EXPECT_EQ(got.a1, expected.a1) << rate;
        EXPECT_EQ(got.a2, expected.a2) << rate;
    }
}

// The zones an instrument's sounding voices play go with the instrument, each
// once: their files are closed and nothing leaks (the sanitizers see to it).
TEST(KSamplerEngine, AnInstrumentDeletedWhileItsVoicesPlayFreesItsZonesOnce) {
    EngineRig rig;
    const int files = KFile::OpenCount();
    rig.AddInstrument();
    rig.AddZone(0, 0, 60);
    rig.AddZone(0, 61, 127);
    EXPECT_EQ(KFile::OpenCount(), files + 2);
    rig.Queue(0x90, 40, 100);
    rig.Queue(0x90, 80, 100);
    rig.Render();
    ASSERT_EQ(rig.ActiveVoices(0), 2);
    EXPECT_TRUE(rig.engine.DeleteInstrument(0));
    EXPECT_EQ(KFile::OpenCount(), files);
    EXPECT_TRUE(rig.Render());
}

// While a hold is on (a load, a new project) the audio thread does not wait:
// the block is left silent and its events stay queued for the next block.
TEST(KSamplerEngine, ABlockDuringAHoldIsSilentAndKeepsItsEvents) {
    EngineRig rig;
    rig.AddInstrument();
    rig.AddZone(0);
    rig.Queue(0x90, 60, 127);
    {
        KRenderHold hold(&rig.engine.structure);
        EXPECT_FALSE(rig.Render());
    }
    for (const auto& out : rig.outputs)
        for (float v : out) ASSERT_EQ(v, 0.0f);
    EXPECT_TRUE(rig.monitored.empty());
    EXPECT_EQ(rig.engine.events.count, 1);
    EXPECT_EQ(rig.ActiveVoices(0), 0);
    EXPECT_TRUE(rig.Render());
    EXPECT_EQ(rig.monitored.size(), 1u);
    EXPECT_EQ(rig.ActiveVoices(0), 1);
    EXPECT_NEAR(rig.outputs[0].back(), 0.25f, 1e-3);
}

} // namespace
