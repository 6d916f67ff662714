// The sampler's editor in the real library, as a host shows it: a window of
// the test host, real input, the state chunk read back to see what an edit
// stored, pixels and screenshots to see what the editor shows.
#include "EditorRig.h"
#include "ProjectChunk.h"
#include "SystemCalls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// A project whose zones hold what the editor's controls cannot show: keys
// 0..127, loop mode 3, a start frame beyond float precision, a bend range
// above 12, a group above 12. An edit of another control must leave them.
std::vector<uint8_t> AwkwardChunk(const TempFolder& folder) {
    const std::wstring wav = SquareWav(folder);
    KSamplerEngine engine;
    const int slot = engine.AddInstrument(1, 0);
    KInstrument& in = *engine.instruments[slot];
    CopyWide(in.name, L"Square Lead");
    CopyWide(in.layerNames[0], L"Soft");
    in.bendRange = 24;
    for (int z = 0; z < 3; ++z) {
        const int zone = in.AddZone(wav.c_str(), static_cast<uint8_t>(60 + z), 0 + 40 * z, 127, 39 + 40 * z, 1, 1,
                                    nullptr, 0);
        if (zone < 0) return {};
        KSampleZone& s = *in.zones[zone];
        s.loopMode = kLoopUntilRelease;
        s.loopStart = 100;
        s.loopEnd = 30000;
        s.exclusiveGroup = 40;
        s.ampRelease = 20.0f + static_cast<float>(z);
        s.ampAttack = 5000.0f; // beyond the knob's 2000 ms
    }
    in.zones[0]->keyLow = 0;
    in.zones[2]->keyHigh = 127;
    return ChunkOf(engine, folder);
}

TEST_F(SamplerEditor, ReportsItsSizeBeforeItOpensAndHasAnEditorFlag) {
    EXPECT_EQ(host.effect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, kEditorHeight);
    EXPECT_EQ(rect->right, kEditorWidth);
}

TEST_F(SamplerEditor, AnEditOfOneControlStoresThatFieldAndNothingElse) {
    Restore(AwkwardChunk(folder));
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    PumpFor(50);
    SaveScreenshot(panel, L"sampler-editor-instrument");

    enum class Act { WheelUp, WheelDown, Click };
    const struct {
        const char* control;
        int x, y;
        Act act;
        std::vector<std::string> changed;
    } cases[] = {
        {"pan knob", 522 + 21, 55 + 21, Act::WheelUp, {"pan"}},
        {"volume knob", 468 + 21, 55 + 21, Act::WheelDown, {"volume"}},
        {"reverb toggle", 469 + 10, 530 + 10, Act::Click, {"reverbOn"}},
        {"reverb send knob", 489 + 21, 507 + 21, Act::WheelUp, {"reverbSend"}},
        {"amp release knob", 361 + 21, 507 + 21, Act::WheelUp, {"zone 0 ampRelease", "zone 1 ampRelease", "zone 2 ampRelease"}},
        {"cutoff knob", 489 + 21, 553 + 21, Act::WheelDown, {"zone 0 cutoff", "zone 1 cutoff", "zone 2 cutoff"}},
        {"zone pan digits", 145 + 17, 369 + 5, Act::WheelUp, {"zone 0 pan"}},
        {"fine tune digits", 320 + 24, 369 + 5, Act::WheelUp, {"zone 0 fineTune"}},
        {"zone volume digits", 58 + 17, 369 + 5, Act::WheelDown, {"zone 0 volumeDb"}},
    };
    for (const auto& c : cases) {
        LoadedChunk before, after;
        Load(GetChunk(host), folder, before);
        ASSERT_TRUE(before.ok);
        input::MoveTo(panel, c.x, c.y);
        if (c.act == Act::Click) {
            input::LeftDown();
            input::LeftUp();
        } else {
            input::Wheel(c.act == Act::WheelUp ? 120 : -120);
        }
        PumpFor(30);
        Load(GetChunk(host), folder, after);
        ASSERT_TRUE(after.ok);
        EXPECT_EQ(ChangedFields(before, after), c.changed) << c.control;
    }
}

} // namespace

namespace {

constexpr RECT kVoicesDigits = {702, 9, 723, 20};
RECT MidiLight(int slot) { return {788, 75 + 15 * slot, 796, 83 + 15 * slot}; }

TEST_F(SamplerEditor, TheLightsAndTheVoiceCountFollowPlayingNotes) {
    std::vector<uint8_t> chunk = OneZoneChunk(folder);
    Restore(chunk);
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    PumpFor(250);
    const std::vector<uint32_t> unlit = Shown(panel, MidiLight(0)), noVoices = Shown(panel, kVoicesDigits);

    const std::vector<uint32_t> unlitNext = Shown(panel, MidiLight(1));
    host.SendMidi({{0x90, 60, 100, 0}});
    host.Render(256);
    // Before the window thread starts the light's 200 ms timer.
    EXPECT_NE(ShownNow(panel, MidiLight(0)), unlit) << "lit by the note";
    EXPECT_EQ(ShownNow(panel, MidiLight(1)), unlitNext) << "only the instrument's slot";
    SaveScreenshot(panel, L"sampler-editor-playing");
    PumpFor(450);
    EXPECT_EQ(Shown(panel, MidiLight(0)), unlit) << "out one timer period after the note";
    EXPECT_NE(Shown(panel, kVoicesDigits), noVoices) << "one voice sounds";

    host.SendMidi({{0x80, 60, 0, 0}});
    for (int block = 0; block < 20; ++block) host.Render(512);
    PumpFor(450);
    EXPECT_EQ(Shown(panel, kVoicesDigits), noVoices) << "the voice has ended";
}

// A burst of MIDI in one block: the audio thread asks the window system
// once at most (each call may wait on the window manager), and the window
// shows it all when it runs: both lights, the keys still held, the knobs
// and the layer the controllers moved.
TEST_F(SamplerEditor, ABurstOfMidiInOneBlockMakesOneWindowCallAtMostAndAllOfItShows) {
    TempFolder wavs;
    const std::wstring wav = SquareWav(wavs);
    KSamplerEngine engine;
    for (uint8_t channel : {1, 2}) {
        KInstrument& in = *engine.instruments[engine.AddInstrument(channel, 0)];
        in.modWheelSelectsLayer = 1;
        ASSERT_GE(in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
    }
    Restore(ChunkOf(engine, folder));
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    PumpFor(250);
    // A key's column on the zone map's key strip.
    auto key = [](int k) {
        const int x = 20 + (k - 21) * 7 + 3;
        return RECT{x - 2, 316, x + 2, 324};
    };
    const RECT kVolumeKnob = {468, 55, 510, 97}, kPanKnob = {522, 55, 564, 97}, kSendKnob = {489, 507, 531, 549};
    const RECT kLayerCombo = {446, 106, 581, 122};
    const RECT controlled[] = {kVolumeKnob, kPanKnob, kSendKnob, kLayerCombo};
    const char* const controlledNames[] = {"volume knob", "pan knob", "send knob", "layer"};
    std::vector<std::vector<uint32_t>> before;
    for (int slot : {0, 1}) before.push_back(Shown(panel, MidiLight(slot)));
    for (const RECT& r : controlled) before.push_back(Shown(panel, r));
    std::vector<std::vector<uint32_t>> keysBefore;
    for (int k = 30; k < 80; ++k) keysBefore.push_back(Shown(panel, key(k)));

    // 500 events: keys 30..79 down four times, 30..54 up four times, three
    // controllers 50 times each, the mod wheel, and notes for slot 2.
    std::vector<PluginHost::Midi> burst;
    for (int n = 0; n < 200; ++n) burst.push_back({0x90, static_cast<uint8_t>(30 + n % 50), 100, n});
    for (int n = 0; n < 100; ++n) burst.push_back({0x80, static_cast<uint8_t>(30 + n % 25), 0, 200 + n});
    for (int n = 0; n < 50; ++n) {
        const uint8_t last = n == 49;
        burst.push_back({0xB0, 7, static_cast<uint8_t>(last ? 32 : 100 + n % 20), 300 + n});
        burst.push_back({0xB0, 10, static_cast<uint8_t>(last ? 100 : 10 + n), 300 + n});
        burst.push_back({0xB0, 91, static_cast<uint8_t>(last ? 64 : 1 + n), 300 + n});
    }
    burst.push_back({0xB0, 1, 127, 400});
    for (int n = 0; n < 49; ++n) burst.push_back({0x91, static_cast<uint8_t>(60 + n % 12), 90, 401 + n});
    ASSERT_EQ(burst.size(), 500u);
    host.SendMidi(burst);

    WindowCalls calls(ModuleOf(reinterpret_cast<const void*>(host.effect()->dispatcher)));
    ASSERT_TRUE(calls.installed());
    std::thread audio([&] {
        calls.CountOnThisThread();
        host.Render(512);
    });
    audio.join();
    EXPECT_LE(calls.Count(), 1) << "window-system calls on the audio thread in one block";

    // The window thread shows it once it paints (before any timer runs).
    for (int slot : {0, 1})
        EXPECT_NE(ShownNow(panel, MidiLight(slot)), before[static_cast<size_t>(slot)]) << "light " << slot + 1 << " lit";
    SaveScreenshot(panel, L"sampler-editor-midi-burst");
    PumpFor(100);
    for (size_t i = 0; i < 4; ++i) EXPECT_NE(Shown(panel, controlled[i]), before[2 + i]) << controlledNames[i] << " followed";
    for (int k = 30; k < 80; ++k)
        EXPECT_EQ(Shown(panel, key(k)) != keysBefore[static_cast<size_t>(k - 30)], k >= 55) << "key " << k;
    PumpFor(450);
    for (int slot : {0, 1}) EXPECT_EQ(Shown(panel, MidiLight(slot)), before[static_cast<size_t>(slot)]) << "light " << slot + 1 << " out";
}

TEST_F(SamplerEditor, AnInstrumentOnChannelThreeLightsOnlyForChannelThree) {
    TempFolder wavs;
    KSamplerEngine engine;
    const std::wstring wav = SquareWav(wavs);
    const int slot = engine.AddInstrument(3, 0);
    ASSERT_GE(engine.instruments[slot]->AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
    Restore(ChunkOf(engine, folder));
    HWND panel = OpenEditor();
    PumpFor(250);
    const std::vector<uint32_t> unlit = Shown(panel, MidiLight(0));
    host.SendMidi({{0x90, 64, 100, 0}});
    host.Render(256);
    EXPECT_EQ(ShownNow(panel, MidiLight(0)), unlit) << "channel 1 is not its channel";
    host.SendMidi({{0x92, 64, 100, 0}});
    host.Render(256);
    EXPECT_NE(ShownNow(panel, MidiLight(0)), unlit);
}

TEST_F(SamplerEditor, OpensAndClosesManyTimesWhileNotesPlay) {
    Restore(OneZoneChunk(folder));
    std::atomic<bool> stop{false};
    // The host's audio thread, playing notes all the while.
    std::thread audio([&] {
        for (int n = 0; !stop; ++n) {
            host.SendMidi({{static_cast<uint8_t>(n % 2 == 0 ? 0x90 : 0x80), static_cast<uint8_t>(48 + n % 24), 100, 0}});
            host.Render(128);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (int round = 0; round < 25; ++round) {
        ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
        PumpFor(round % 5 == 0 ? 250 : 20);
        host.Dispatch(effEditIdle);
        host.Dispatch(effEditClose);
        EXPECT_EQ(::GetWindow(window.hwnd(), GW_CHILD), nullptr) << "the panel goes with close";
        PumpMessages();
    }
    stop = true;
    audio.join();
    // After the last open all lights are off again: as the panel shows them
    // once every timer has had time to run.
    HWND panel = OpenEditor();
    std::vector<std::vector<uint32_t>> lights;
    for (int slot = 0; slot < 16; ++slot) lights.push_back(Shown(panel, MidiLight(slot)));
    PumpFor(450);
    for (int slot = 0; slot < 16; ++slot) EXPECT_EQ(Shown(panel, MidiLight(slot)), lights[slot]) << slot;
    host.Dispatch(effEditClose);
}

TEST_F(SamplerEditor, ThePluginDestroyedWithItsWindowOpenTakesTheWindowAlong) {
    Restore(OneZoneChunk(folder));
    OpenEditor();
    host.SendMidi({{0x90, 60, 100, 0}});
    host.Render(256);
    PumpFor(100);
    host.Close();
    EXPECT_EQ(host.effect(), nullptr);
    PumpFor(300); // timers that outlived the editor would fire now
    EXPECT_EQ(::GetWindow(window.hwnd(), GW_CHILD), nullptr);
}

// A host that opens the editor again without closing it: the first window
// goes with its timers, so once the plug-in is closed no timer of it is
// left to tick into the freed editor, and its resolution requests are
// released.
TEST_F(SamplerEditor, AHostThatOpensTheEditorTwiceLeavesNoTimerOnceThePluginIsClosed) {
    TimerCalls timers(ModuleOf(reinterpret_cast<const void*>(host.effect()->dispatcher)));
    ASSERT_TRUE(timers.installed());
    Restore(OneZoneChunk(folder));
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
    PumpFor(100);
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
    PumpFor(100);
    HWND panel = ::GetWindow(window.hwnd(), GW_CHILD);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(::GetWindow(panel, GW_HWNDNEXT), nullptr) << "one panel";
    EXPECT_EQ(timers.Running(), 1) << "one meter timer";
    host.SendMidi({{0x90, 60, 100, 0}});
    host.Render(512); // the meters have something to let fall
    PumpFor(200);
    host.Dispatch(effEditClose);
    EXPECT_EQ(timers.Running(), 0) << "closed: no meter timer";
    host.Close();
    PumpFor(2000); // a timer left behind ticks into the freed editor now
    EXPECT_EQ(timers.Running(), 0);
    EXPECT_EQ(timers.PeriodsHeld(), 0) << "every resolution request released";
    timers.KillLeftovers();
}

TEST_F(SamplerEditor, AHostThatNeverOpensTheEditorHearsTheSamplerAsBefore) {
    Restore(OneZoneChunk(folder));
    host.SendMidi({{0x90, 60, 100, 0}});
    host.Render(512);
    EXPECT_GT(host.PairPeak(0), 0.2f);
    for (int i = 0; i < 20; ++i) host.Dispatch(effIdle);
}

TEST_F(SamplerEditor, AnEmptyProjectShowsNoInstrument) {
    std::vector<uint8_t> nothing(16, 0);
    host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(nothing.size()), nothing.data());
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    PumpFor(100);
    SaveScreenshot(panel, L"sampler-editor-empty");
    // The project is unchanged by showing it.
    LoadedChunk shown;
    Load(GetChunk(host), folder, shown);
    ASSERT_TRUE(shown.ok);
    for (const KInstrument* in : shown.engine.instruments) EXPECT_EQ(in, nullptr);
}

} // namespace

#include "InputBoxAnswerer.h"

namespace {

// Typed into the zone's digit fields: an edit that would break an order is
// refused field by field and the stored value stays.
TEST_F(SamplerEditor, TypedZoneValuesThatBreakAnOrderAreRefused) {
    TempFolder wavs;
    const std::wstring wav = SquareWav(wavs);
    KSamplerEngine engine;
    KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
    ASSERT_EQ(in.AddZone(wav.c_str(), 60, 30, 100, 40, 10, 1, nullptr, 0), 0);
    Restore(ChunkOf(engine, folder));
    HWND panel = OpenEditor();
    PumpFor(50);
    const struct {
        const char* what;
        int x, y;
        const wchar_t* typed;
        std::vector<std::string> changed;
    } cases[] = {
        {"key low above key high", 320 + 10, 351 + 5, L"45", {}},
        {"key low equal to key high", 320 + 10, 351 + 5, L"40", {"zone 0 keyLow", "zone 0 map"}},
        {"key high below key low", 390 + 10, 351 + 5, L"39", {}},
        {"velocity low equal to velocity high", 458 + 10, 351 + 5, L"100", {}},
        {"velocity high equal to velocity low", 525 + 10, 351 + 5, L"10", {}},
        {"start at the end", 58 + 20, 483 + 5, L"39999", {}},
        {"start before the end", 58 + 20, 483 + 5, L"100", {"zone 0 startFrame"}},
        {"end at the start", 163 + 20, 483 + 5, L"100", {}},
        {"group", 618 + 7, 351 + 5, L"7", {"zone 0 exclusiveGroup"}},
    };
    for (const auto& c : cases) {
        LoadedChunk before, after;
        ReadBack(before);
        {
            InputBoxAnswerer user(IDOK, c.typed);
            input::DoubleClick(panel, c.x, c.y);
            input::ForgetClicks();
            PumpFor(50);
            EXPECT_EQ(user.Questions().size(), 1u) << c.what;
        }
        ReadBack(after);
        EXPECT_EQ(ChangedFields(before, after), c.changed) << c.what;
    }
}

} // namespace
