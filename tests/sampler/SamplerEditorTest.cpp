// The sampler's editor in the real library, as a host shows it: a window of
// the test host, real input, the state chunk read back to see what an edit
// stored, pixels and screenshots to see what the editor shows.
#include "Engine.h"
#include "PluginHost.h"
#include "ProjectChunk.h"
#include "StoredFields.h"
#include "TempFolder.h"
#include "WavWriter.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::wstring SamplerDll() { return WinePath(KORVO_SAMPLER_DLL); }

constexpr int kWidth = 820, kHeight = 610;

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

// The project a chunk holds, loaded into an engine of the test's own.
struct LoadedChunk {
    KSamplerEngine engine;
    bool ok = false;
};

void Load(const std::vector<uint8_t>& chunk, const TempFolder& folder, LoadedChunk& into) {
    const std::wstring file = folder.File(L"read-back.kss");
    WriteBytes(file, chunk);
    KFileJob job;
    into.ok = into.engine.LoadFile(file.c_str(), job, true);
}

std::vector<uint8_t> GetChunk(PluginHost& host) {
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || data == nullptr) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

// Every stored field that differs between two projects, named by where it is.
std::vector<std::string> ChangedFields(const LoadedChunk& a, const LoadedChunk& b) {
    std::vector<std::string> changed;
    for (int i = 0; i < KSamplerEngine::kInstruments; ++i) {
        const KInstrument* x = a.engine.instruments[i];
        const KInstrument* y = b.engine.instruments[i];
        if ((x == nullptr) != (y == nullptr)) {
            changed.push_back("instrument " + std::to_string(i));
            continue;
        }
        if (x == nullptr) continue;
        for (const std::string& name : StoredFieldsDiffer(*x, *y)) changed.push_back(name);
        for (int z = 0; z < KInstrument::kZones; ++z) {
            if ((x->zones[z] == nullptr) != (y->zones[z] == nullptr)) {
                changed.push_back("zone " + std::to_string(z));
                continue;
            }
            if (x->zones[z] == nullptr) continue;
            for (const std::string& name : StoredFieldsDiffer(*x->zones[z], *y->zones[z]))
                changed.push_back("zone " + std::to_string(z) + " " + name);
            const KSampleZone &p = *x->zones[z], &q = *y->zones[z];
            if (p.keyLow != q.keyLow || p.keyHigh != q.keyHigh || p.velocityLow != q.velocityLow ||
                p.velocityHigh != q.velocityHigh || p.rootKey != q.rootKey || p.layer != q.layer)
                changed.push_back("zone " + std::to_string(z) + " map");
        }
    }
    return changed;
}

// Waits for the host's message loop and the editor's timers.
void PumpFor(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

class SamplerEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.effect(), nullptr);
        host.Open();
    }
    // The editor open in the host window; its panel is the window's child.
    HWND OpenEditor() {
        EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
        PumpMessages();
        return ::GetWindow(window.hwnd(), GW_CHILD);
    }
    void Restore(const std::vector<uint8_t>& chunk) {
        ASSERT_FALSE(chunk.empty());
        ASSERT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), const_cast<uint8_t*>(chunk.data())), 1);
    }

    TempFolder folder;
    PluginHost host{SamplerDll()};
    HostWindow window{kWidth, kHeight};
};

TEST_F(SamplerEditor, ReportsItsSizeBeforeItOpensAndHasAnEditorFlag) {
    EXPECT_EQ(host.effect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, kHeight);
    EXPECT_EQ(rect->right, kWidth);
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

std::vector<uint32_t> PixelsOf(const Capture& shot, RECT r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels.push_back(shot.Rgb(x, y));
    return pixels;
}

// What the panel shows in a rectangle, as one list of pixels: after every
// waiting message, or at once (no timer has run).
std::vector<uint32_t> Shown(HWND panel, RECT r) { return PixelsOf(CaptureWindow(panel), r); }
std::vector<uint32_t> ShownNow(HWND panel, RECT r) { return PixelsOf(CaptureWindowAsIs(panel), r); }

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
