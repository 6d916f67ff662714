// The host restoring the plug-in's state while its editor is open: the
// views let go of the old project before it is freed, show the restored one
// (or the empty project a refused state leaves) each time, and the editor
// takes no input while the load asks where the samples are.
#include "EditorRig.h"

#include "DialogFinder.h"
#include "FileDialogAnswerer.h"
#include "ProjectChunk.h"
#include "WavWriter.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr int kMapLeft = 20, kMapTop = 135;
int KeyX(int key) { return kMapLeft + (key - 21) * 7 + 3; }
int VelocityY(int velocity) { return kMapTop + 167 - velocity * 167 / 127; }

// What shows the project: the instrument rows, the name, the zone map's
// velocity plane (not the key strip), the zone's name and its waveform.
constexpr RECT kViews[] = {{677, 72, 800, 315}, {67, 72, 147, 85}, {20, 135, 637, 302}, {74, 350, 212, 365},
                           {21, 386, 638, 479}};
const char* const kViewNames[] = {"instrument list", "name", "zone map", "zone name", "waveform"};

struct Views {
    std::vector<std::vector<uint32_t>> regions;
};

Views ViewsOf(HWND panel) {
    const Capture shot = CaptureWindow(panel);
    Views v;
    for (const RECT& r : kViews) {
        std::vector<uint32_t> pixels;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) pixels.push_back(shot.Rgb(x, y));
        v.regions.push_back(std::move(pixels));
    }
    return v;
}

void ExpectSameViews(const Views& shown, const Views& expected, const std::string& when) {
    for (size_t i = 0; i < expected.regions.size(); ++i)
        EXPECT_TRUE(shown.regions[i] == expected.regions[i]) << when << ": " << kViewNames[i];
}

std::wstring SawWav(const TempFolder& folder) {
    const std::wstring wav = folder.File(L"saw.wav");
    WriteBytes(wav, WavWriter(1, 16).Generate(30000, [](int64_t i, int) {
        return static_cast<int32_t>((i % 3000) * 20 - 30000);
    }).Build());
    return wav;
}

// A project of instruments on one sample, the n-th on MIDI channel n.
struct Zone {
    uint8_t rootKey;
    int keyLow, velocityHigh, keyHigh, velocityLow;
};
struct Instrument {
    const wchar_t* name;
    std::vector<Zone> zones;
};
std::vector<uint8_t> ProjectOf(const std::wstring& wav, const std::vector<Instrument>& instruments,
                               const TempFolder& folder) {
    KSamplerEngine engine;
    for (size_t i = 0; i < instruments.size(); ++i) {
        KInstrument& in = *engine.instruments[engine.AddInstrument(static_cast<uint8_t>(i + 1), 0)];
        CopyWide(in.name, instruments[i].name);
        for (const Zone& z : instruments[i].zones)
            EXPECT_GE(in.AddZone(wav.c_str(), z.rootKey, z.keyLow, z.velocityHigh, z.keyHigh, z.velocityLow, 1, nullptr, 0), 0);
    }
    return ChunkOf(engine, folder);
}

class SamplerRestore : public SamplerEditor {
protected:
    std::vector<uint8_t> ProjectA() {
        return ProjectOf(SquareWav(wavs),
                         {{L"Alpha Lead", {{60, 30, 127, 39, 1}, {60, 50, 80, 59, 1}}}, {L"Alpha Pad", {{60, 60, 127, 70, 1}}}},
                         folder);
    }
    // Elsewhere on the map, with another waveform.
    std::vector<uint8_t> ProjectB() {
        return ProjectOf(SawWav(wavs), {{L"Beta Bass", {{40, 36, 127, 45, 1}, {80, 70, 127, 90, 60}}}}, folder);
    }
    std::vector<uint8_t> EmptyProject() { return ProjectOf(L"", {}, folder); }
    // 1 when the state was taken, 0 when it was refused.
    VstIntPtr SetChunk(std::vector<uint8_t> chunk) {
        return host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data());
    }

    TempFolder wavs;
};

TEST_F(SamplerRestore, StatesRestoredGoodAndBadWhileTheEditorIsOpenShowEachTime) {
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    PumpFor(100);
    const std::vector<uint8_t> a = ProjectA(), b = ProjectB(), garbage(5000, 0x5A);
    // How each project looks restored into the editor the first time.
    ASSERT_EQ(SetChunk(EmptyProject()), 1);
    PumpFor(100);
    const Views empty = ViewsOf(panel);
    ASSERT_EQ(SetChunk(a), 1);
    PumpFor(100);
    const Views shownA = ViewsOf(panel);
    SaveScreenshot(panel, L"sampler-editor-restored");
    ASSERT_EQ(SetChunk(b), 1);
    PumpFor(100);
    const Views shownB = ViewsOf(panel);
    ASSERT_NE(shownA.regions, shownB.regions);
    ASSERT_NE(shownA.regions, empty.regions);

    const std::wstring added = SquareWav(wavs);
    const struct {
        const char* what;
        const std::vector<uint8_t>& chunk;
        VstIntPtr taken;
        const Views& shown;
    } steps[] = {
        {"good A", a, 1, shownA}, {"garbage after A", garbage, 0, empty},
        {"good B", b, 1, shownB}, {"garbage after B", garbage, 0, empty},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(SetChunk(step.chunk), step.taken) << step.what;
        PumpFor(100);
        ExpectSameViews(ViewsOf(panel), step.shown, step.what);
        SaveScreenshot(panel, std::wstring(L"sampler-editor-restored-") + (step.taken ? L"good" : L"refused"));
        // A click on where the zones were, and a double click on the map,
        // which adds a sample to the instrument shown (none after garbage).
        input::Click(panel, KeyX(35), VelocityY(64));
        input::ForgetClicks();
        FileDialogAnswerer user(L"Add Sample to Korvo Sampler", added);
        input::DoubleClick(panel, KeyX(100), VelocityY(64));
        input::ForgetClicks();
        PumpFor(300);
        EXPECT_EQ(user.Answered(), step.taken ? 1 : 0) << step.what;
    }
    // Still the editor of a working plug-in.
    EXPECT_EQ(SetChunk(a), 1);
    PumpFor(100);
    ExpectSameViews(ViewsOf(panel), shownA, "good A at the end");
}

// The load asks for the samples' folder while the editor is shown: the
// prompt is owned by the editor's top-level window, which it disables, so
// a double click on the map reaches nothing. With the editor closed it has
// no owner.
TEST_F(SamplerRestore, TheMissingSamplesPromptIsOwnedByTheEditorsWindowWhileItIsOpen) {
    // A project whose sample has gone.
    const std::wstring gone = wavs.File(L"gone.wav");
    WriteBytes(gone, WavWriter(1, 16).Generate(2000, [](int64_t i, int) { return static_cast<int32_t>(i * 7); }).Build());
    const std::vector<uint8_t> lost = ProjectOf(gone, {{L"Lost Samples", {{60, 30, 127, 60, 1}}}}, folder);
    ASSERT_TRUE(::DeleteFileW(gone.c_str()));

    const std::vector<uint8_t> a = ProjectA();
    for (const bool open : {true, false}) {
        ASSERT_EQ(SetChunk(a), 1);
        HWND panel = open ? OpenEditor() : nullptr;
        PumpFor(100);
        struct Seen {
            bool found = false;
            HWND owner = nullptr;
            bool ownerEnabled = true;
            bool addSampleAsked = false;
        } seen;
        std::thread user([&] {
            HWND prompt = WaitForDialogWithChild(L"SysTreeView32", 10000);
            if (prompt == nullptr) return;
            seen.found = true;
            seen.owner = ::GetWindow(prompt, GW_OWNER);
            seen.ownerEnabled = ::IsWindowEnabled(window.hwnd()) != 0;
            if (open) {
                // Out of the map's way, then a double click on it.
                ::SetWindowPos(prompt, nullptr, 1300, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                input::DoubleClick(panel, KeyX(80), VelocityY(64));
                input::ForgetClicks();
                if (HWND add = WaitForDialog(L"Add Sample to Korvo Sampler", 1000)) {
                    seen.addSampleAsked = true;
                    ::PostMessageW(add, WM_COMMAND, IDCANCEL, 0);
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                }
            }
            ::PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(SetChunk(lost), 1) << "missing samples are skipped";
        user.join();
        ASSERT_TRUE(seen.found) << "the prompt came";
        if (open) {
            EXPECT_EQ(seen.owner, window.hwnd()) << "owned by the editor's top-level window";
            EXPECT_FALSE(seen.ownerEnabled) << "which takes no input meanwhile";
            EXPECT_FALSE(seen.addSampleAsked) << "the double click reached the map";
            PumpFor(100);
            SaveScreenshot(panel, L"sampler-editor-restored-missing-samples");
            host.Dispatch(effEditClose);
        } else {
            EXPECT_EQ(seen.owner, nullptr) << "no editor, no owner";
        }
    }
}

} // namespace
