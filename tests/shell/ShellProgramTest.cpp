// The standalone host program run inside the test process against the tests'
// ASIO driver: start-up beside its plug-in, the Settings dialog, the render
// path, MIDI, the saved state in its INI file, failures.
#include "DialogFinder.h"
#include "FrameworkIds.h"
#include "MessageBoxAnswerer.h"
#include "PlayerSet.h"
#include "PluginState.h"
#include "PluginHost.h"
#include "ProjectChunk.h"
#include "ShellPaths.h"
#include "ShellResources.h"
#include "ShellRig.h"
#include "Signal.h"
#include "TestAsioRig.h"
#include "WavWriter.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring TestPlugin(const char* kind) {
    return WinePath(std::string(KORVO_TEST_PLUGINS) + "/test_plugin_" + kind + ".dll");
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class ShellProgram : public testing::Test {
protected:
    void SetUp() override {
        driverIndex = TestDriverIndex();
        ASSERT_GE(driverIndex, 0) << "the tests' driver is not listed";
    }

    std::wstring Program() const { return folder.File(L"Strings.exe"); }
    std::wstring Ini() const { return folder.File(L"Strings.ini"); }
    std::wstring Plugin() const { return folder.File(L"Strings.dll"); }

    void PlacePlugin(const std::wstring& library) {
        ASSERT_TRUE(::CopyFileW(library.c_str(), Plugin().c_str(), FALSE)) << "copy of the plug-in";
    }
    // The stateful plug-in beside the program, held loaded by the test so
    // that its record outlives the program's unloading it.
    PluginState* PlaceStatefulPlugin() {
        PlacePlugin(TestPlugin("stateful"));
        held = ::LoadLibraryW(Plugin().c_str());
        if (held == nullptr) return nullptr;
        auto get = reinterpret_cast<PluginState* (*)()>(
            reinterpret_cast<void (*)()>(::GetProcAddress(held, "StateOfPlugin")));
        PluginState* state = get != nullptr ? get() : nullptr;
        if (state != nullptr) {
            state->opcodeCount = 0;
            state->setChunkCalls = 0;
            state->getChunkSize = 0;
            state->getChunkSeed = 0;
            state->processWhileSuspended = 0;
            state->suspendPauseMs = 0;
        }
        return state;
    }
    void TearDown() override {
        if (held != nullptr) ::FreeLibrary(held);
    }

    // [device] for the tests' driver; more lines may follow.
    std::string DeviceSection(int autosave, int midi = -1, int rate = 44100) const {
        return "[device]\r\nasio=" + std::to_string(driverIndex) + "\r\nmidi=" + std::to_string(midi) +
               "\r\nsamplerate=" + std::to_string(rate) + "\r\nautosave=" + std::to_string(autosave) + "\r\n";
    }
    static std::string ChunkSection(const std::string& size, const std::string& data) {
        return "[VSTChunk]\r\nsize=" + size + "\r\ndata=" + data + "\r\n";
    }

    TestAsioRig rig;   // the driver's default setup, an empty record
    TempFolder folder;
    int driverIndex = -1;
    HMODULE held = nullptr;
};

std::vector<VstInt32> Opcodes(const PluginState& state) {
    return std::vector<VstInt32>(state.opcodes, state.opcodes + state.opcodeCount.load());
}

// The dispatcher calls with their value arguments.
std::vector<std::pair<VstInt32, VstIntPtr>> Calls(const PluginState& state) {
    std::vector<std::pair<VstInt32, VstIntPtr>> calls;
    for (int32_t i = 0; i < state.opcodeCount.load(); ++i) calls.emplace_back(state.opcodes[i], state.values[i]);
    return calls;
}

// The Settings dialog's control, or null.
HWND Control(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

// A dialog that has just appeared takes clicks once it is the active window.
void WaitUntilActive(HWND dialog) {
    for (int i = 0; i < 400 && ::GetForegroundWindow() != dialog; ++i) Pause(5);
    Pause(50);
}

// Presses a dialog's button with the system's cursor, as a user does.
void ClickButton(HWND dialog, int id) {
    WaitUntilActive(dialog);
    HWND button = Control(dialog, id);
    RECT bounds;
    ::GetWindowRect(button, &bounds);
    POINT centre = {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    ::ScreenToClient(dialog, &centre);
    input::Click(dialog, centre.x, centre.y);
}

bool WaitUntilGone(HWND window) {
    for (int i = 0; i < 2000 && ::IsWindow(window); ++i) Pause(5);
    return !::IsWindow(window);
}

// Picks an entry of a drop-down list as the keyboard does: the list
// notifies its dialog as it would for a user's choice.
void Choose(HWND dialog, int id, int index) {
    HWND combo = Control(dialog, id);
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// The menu as the frame shows it: "title=id" per item, "-" for separators,
// submenus in brackets.
std::wstring MenuText(HMENU menu) {
    std::wstring text;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t title[128] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = title;
        info.cch = 127;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        if (!text.empty()) text += L" ";
        if (info.fType & MFT_SEPARATOR)
            text += L"-";
        else if (info.hSubMenu != nullptr)
            text += std::wstring(title) + L"[" + MenuText(info.hSubMenu) + L"]";
        else
            text += std::wstring(title) + L"=" + std::to_wstring(info.wID);
    }
    return text;
}

// The last switch's output channel as the driver received it (float32).
std::vector<float> LastOutput(const TestAsioRecord& record, int channel, int frames) {
    std::vector<float> samples(static_cast<size_t>(frames));
    std::memcpy(samples.data(), record.output[channel], samples.size() * sizeof(float));
    return samples;
}

// Channel 0 of the streamed output from its first frame on.
std::vector<float> Streamed(const TestAsioRecord& record) {
    const int32_t frames = record.streamFrames.load();
    return std::vector<float>(record.stream[0], record.stream[0] + frames);
}

bool WaitForStream(const TestAsioRecord& record, int32_t frames) {
    for (int waited = 0; waited < 60000; waited += 5) {
        if (record.streamFrames.load() >= frames) return true;
        Pause(5);
    }
    return false;
}

float Peak(const std::vector<float>& samples, size_t from, size_t to) {
    float peak = 0.0f;
    for (size_t i = from; i < to && i < samples.size(); ++i) peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

void FloatOutputs(TestAsioSetup& setup, int outputs) {
    setup.outputs = outputs;
    for (int i = 0; i < outputs; ++i) setup.outputTypes[i] = ASIOSTFloat32LSB;
}

// Settings from the menu: a driver list entry and a rate list entry chosen,
// OK pressed. Returns once the program has acted on them.
bool ChangeSettings(HWND frame, int asioEntry, int rateEntry) {
    ::PostMessageW(frame, WM_COMMAND, ID_SETTINGS, 0);
    HWND dialog = WaitForDialog(L"Settings", 30000);
    if (dialog == nullptr) return false;
    Choose(dialog, IDC_ASIO, asioEntry);
    Choose(dialog, IDC_RATE, rateEntry);
    ClickButton(dialog, IDOK);
    if (!WaitUntilGone(dialog)) return false;
    // Answered by the window's thread once it is back from the restart.
    ::SendMessageW(frame, WM_NULL, 0, 0);
    return true;
}

// One instrument whose key 69 sounds at 440 Hz: a square of period 100
// frames recorded at 44000 Hz, root key 69, all keys.
std::vector<uint8_t> A440Chunk(const TempFolder& folder) {
    const std::wstring wav = folder.File(L"a440.wav");
    WriteBytes(wav, WavWriter(1, 16, 44000).Generate(88000, [](int64_t i, int) {
        return static_cast<int32_t>(i % 100 < 50 ? 16000 : -16000);
    }).Build());
    KSamplerEngine engine;
    const int slot = engine.AddInstrument(1, 0);
    if (engine.instruments[slot]->AddZone(wav.c_str(), 69, 0, 127, 127, 1, 1, nullptr, 0) != 0) return {};
    engine.instruments[slot]->zones[0]->ampRelease = 20.0f;
    return ChunkOf(engine, folder);
}

// A state of the stateful plug-in as its host passes it back.
struct GivenState {
    VstIntPtr size;
    uint32_t hash;
};

// What the stateful plug-in gives as a state of more than 64 bytes.
std::vector<uint8_t> LargeStateBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = LargeChunkByte(seed, i);
    return bytes;
}

} // namespace

TEST(ShellPaths, NamesDerivedFromTheProgramPath) {
    EXPECT_EQ(WithExtension("D:\\Sounds\\Strings.exe", "dll"), "D:\\Sounds\\Strings.dll");
    EXPECT_EQ(WithExtension("D:\\Sounds\\Strings.exe", "ini"), "D:\\Sounds\\Strings.ini");
    EXPECT_EQ(GetModuleTitle("D:\\Sounds\\Strings.exe"), "Strings");
    EXPECT_EQ(GetModuleTitle("Strings.exe"), "Strings");
    EXPECT_EQ(GetModuleTitle("C:\\My Sounds\\A b.exe"), "A b");
    EXPECT_EQ(GetModuleTitle("C:\\x\\.exe"), "");
    EXPECT_EQ(WithExtension("abc", "ini"), "");
}

TEST_F(ShellProgram, StartsBesideItsPluginWithTheEditorAsItsWindow) {
    PlacePlugin(WinePath(KORVO_SAMPLER_DLL));
    WriteTextFile(Ini(), DeviceSection(0));
    GdiplusSession gdiplus;
    ShellRun run(Program());
    HWND frame = run.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    CShellView* view = run.View();
    ASSERT_NE(view, nullptr);

    EXPECT_EQ(WindowText(frame), L"Strings");
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(frame, GWL_STYLE)) & 0x00FF0000u, 0x00CA0000u)
        << "caption, system menu and minimise box only: no resizing, no maximising";
    EXPECT_EQ(MenuText(::GetMenu(frame)),
              L"&File[Settings=32771 - E&xit=57665] &Help[&About Korvo Sampler...=57664]");

    // The editor fills the client area exactly.
    ERect* editor = nullptr;
    view->m_vst.effect->dispatcher(view->m_vst.effect, effEditGetRect, 0, 0, &editor, 0.0f);
    ASSERT_NE(editor, nullptr);
    RECT client;
    ::GetClientRect(frame, &client);
    EXPECT_EQ(client.right, editor->right - editor->left);
    EXPECT_EQ(client.bottom, editor->bottom - editor->top);
    HWND panel = ::GetWindow(view->m_hWnd, GW_CHILD);
    ASSERT_NE(panel, nullptr) << "the plug-in's editor is a child of the view";
    RECT panelRect;
    ::GetClientRect(panel, &panelRect);
    EXPECT_EQ(panelRect.right, client.right);
    EXPECT_EQ(panelRect.bottom, client.bottom);

    // Centred on the screen.
    RECT bounds;
    ::GetWindowRect(frame, &bounds);
    EXPECT_NEAR((bounds.left + bounds.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((bounds.top + bounds.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // Devices first: the driver runs at the INI's rate and renders.
    const int before = rig.Record().switches.load();
    EXPECT_TRUE(rig.WaitForSwitches(before + 20));
    EXPECT_EQ(rig.Record().rate, 44100.0);
    EXPECT_TRUE(view->PluginOpen());

    ::SetForegroundWindow(frame);
    Pause(300);
    CaptureWindow(frame);
    EXPECT_TRUE(CaptureWholeWindow(frame).SavePng(ScreenshotPath(L"shell-sampler-editor")));
    EXPECT_TRUE(run.Close());
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_EQ(rig.Record().running, 0) << "the driver stops with the program";
}

TEST_F(ShellProgram, OpensThePluginInOrderAndRendersEachBlockFromSilence) {
    PluginState* state = PlaceStatefulPlugin();
    ASSERT_NE(state, nullptr);
    FloatOutputs(rig.Setup(), 3);
    WriteTextFile(Ini(), DeviceSection(0, -1, 48000));
    {
        ShellRun run(Program());
        ASSERT_NE(run.WaitForFrame(), nullptr);
        const int before = rig.Record().switches.load();
        ASSERT_TRUE(rig.WaitForSwitches(before + 10));
        EXPECT_TRUE(run.Close());
    }
    // After the host's capability questions: the open sequence, nothing
    // while it runs (no editor, no chunk without "Save Last:"), the close.
    std::vector<VstInt32> seen = Opcodes(*state);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), effCanDo);
    while (!seen.empty() && seen.front() == effCanDo) seen.erase(seen.begin());
    EXPECT_EQ(seen, (std::vector<VstInt32>{effMainsChanged, effOpen, effSetSampleRate, effSetBlockSize,
                                           effMainsChanged, effClose}));
    EXPECT_EQ(state->sampleRate, 48000.0f);
    EXPECT_EQ(state->blockSize, 4096);
    EXPECT_GT(state->processCalls.load(), 10);

    // Three driver outputs of the plug-in's eight; the plug-in adds into its
    // buffers, so each block must start from silence to carry its mark alone.
    // It reads four inputs, the driver has two (silent): the others are
    // silence too, not missing.
    const TestAsioRecord& record = rig.Record();
    for (int channel = 0; channel < 3; ++channel) {
        const std::vector<float> out = LastOutput(record, channel, rig.Setup().preferredSize);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], (channel + 1) / 16.0f) << "channel " << channel << " frame " << i;
    }
}

TEST_F(ShellProgram, AHandEditedRateNoDeviceCanRunAtGivesTheDefault) {
    PluginState* state = PlaceStatefulPlugin();
    ASSERT_NE(state, nullptr);
    const struct {
        const char* value;
        float given;
    } cases[] = {{"0", 44100.0f}, {"-44100", 44100.0f}, {"5000000", 44100.0f}, {"22050", 22050.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        WriteTextFile(Ini(), "[device]\r\nasio=-7\r\nmidi=-1\r\nsamplerate=" + std::string(c.value) + "\r\n");
        ShellRun run(Program());
        ASSERT_NE(run.WaitForFrame(), nullptr);
        EXPECT_EQ(state->sampleRate, c.given);
        EXPECT_TRUE(run.Close());
    }
}

TEST_F(ShellProgram, KeepsThePluginsStateAcrossRuns) {
    PluginState* state = PlaceStatefulPlugin();
    ASSERT_NE(state, nullptr);
    WriteTextFile(Ini(), DeviceSection(1));
    const uint8_t chunk[3] = {0x00, 0xAB, 0x10};
    std::memcpy(state->getChunk, chunk, 3);
    state->getChunkSize = 3;
    {
        ShellRun first(Program());
        ASSERT_NE(first.WaitForFrame(), nullptr);
        EXPECT_EQ(state->setChunkCalls, 0) << "nothing saved yet, nothing restored";
        EXPECT_TRUE(first.Close());
    }
    EXPECT_EQ(IniValue(Ini(), "VSTChunk", "size"), "3");
    EXPECT_EQ(IniValue(Ini(), "VSTChunk", "data"), "00AB10");

    // The next run hands the bytes back; at its end the plug-in has no state
    // to give (size 0, then a null chunk): the saved one stays.
    for (int run = 0; run < 2; ++run) {
        state->setChunkCalls = 0;
        state->getChunkSize = run == 0 ? 0 : 5;
        if (run == 1) state->getChunk[0] = 0;   // the answer's pointer stays, its size is what counts
        {
            ShellRun next(Program());
            ASSERT_NE(next.WaitForFrame(), nullptr);
            EXPECT_EQ(state->setChunkCalls, 1);
            EXPECT_EQ(state->setChunkSize, 3);
            EXPECT_EQ(std::memcmp(state->setChunk, chunk, 3), 0);
            EXPECT_TRUE(next.Close());
        }
        if (run == 0) {
            EXPECT_EQ(IniValue(Ini(), "VSTChunk", "size"), "3") << "a failed chunk call keeps the saved state";
            EXPECT_EQ(IniValue(Ini(), "VSTChunk", "data"), "00AB10");
        }
    }
    // A chunk of 5 bytes replaces the section whole.
    EXPECT_EQ(IniValue(Ini(), "VSTChunk", "size"), "5");
    EXPECT_EQ(IniValue(Ini(), "VSTChunk", "data"), "00AB100000");
}

TEST_F(ShellProgram, StartsWithNothingRestoredFromABrokenStateEntry) {
    struct Case {
        const char* what;
        std::string section;
    };
    const Case cases[] = {
        {"negative size", ChunkSection("-5", "00AB10")},
        {"size zero", ChunkSection("0", "00AB10")},
        {"size beyond any plug-in", ChunkSection("2147483647", "00AB10")},
        {"size beyond 32 bits", ChunkSection("4000000000", "00AB10")},
        {"size longer than the data", ChunkSection("4", "00AB10")},
        {"size shorter than the data", ChunkSection("2", "00AB10")},
        {"data cut in a byte", ChunkSection("3", "00AB1")},
        {"data not hex", ChunkSection("3", "00XB10")},
        {"no data", "[VSTChunk]\r\nsize=3\r\n"},
        {"size not a number", ChunkSection("three", "00AB10")},
    };
    PluginState* state = PlaceStatefulPlugin();
    ASSERT_NE(state, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state->setChunkCalls = 0;
        WriteTextFile(Ini(), DeviceSection(1) + c.section);
        ShellRun run(Program());
        HWND frame = run.WaitForFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(state->setChunkCalls, 0);
        EXPECT_TRUE(::IsWindowVisible(frame));
        EXPECT_TRUE(run.Close());
    }
}

// One bound on both sides: a state is stored at the end only when the start
// restores it. A larger one leaves the state saved before in place and is
// reported once: again only after a state was stored since.
TEST_F(ShellProgram, KeepsAStateUpToTheLargestItRestoresAndTellsOnceOfALargerOne) {
    PluginState* state = PlaceStatefulPlugin();
    ASSERT_NE(state, nullptr);
    WriteTextFile(Ini(), DeviceSection(1));
    const VstIntPtr largest = CShellView::kMaxKeptChunk;
    ASSERT_LT(static_cast<size_t>(largest), kLargeChunkRoom);
    const GivenState none{0, 0};
    const std::vector<uint8_t> largestBytes = LargeStateBytes(static_cast<size_t>(largest), 1);
    const GivenState kept{largest, ChunkHash(largestBytes.data(), largestBytes.size())};
    const std::string keptHex = Hex(largestBytes.data(), largestBytes.size());
    const uint8_t three[3] = {0x00, 0xAB, 0x10};
    std::memcpy(state->getChunk, three, 3);
    const GivenState small{3, ChunkHash(three, 3)};
    const std::string smallHex = "00AB10", noHex;
    const std::wstring tooLarge = L"The plug-in's state is too large to be kept (11253993 bytes; at most 11253992 "
                                  L"can be), so it will not be restored next time.";
    const std::wstring keptBefore = tooLarge + L" The state saved before stays and will be restored instead.";

    struct Run {
        const char* what;
        GivenState restored;          // size 0: nothing
        VstIntPtr given;              // at the end
        uint32_t seed;
        const std::wstring* box;      // null: none
        bool pictured;                // the box is pictured and answered by hand
        const std::string* savedHex;  // the INI's data after the run
    };
    const Run runs[] = {
        {"nothing saved yet; too large", none, largest + 1, 2, &tooLarge, false, &noHex},
        {"the largest is stored", none, largest, 1, nullptr, false, &keptHex},
        {"it comes back; one byte more keeps it", kept, largest + 1, 2, &keptBefore, true, &keptHex},
        {"told once: too large again, and changed", kept, largest + 1, 3, nullptr, false, &keptHex},
        {"it comes back; a small state replaces it", kept, 3, 0, nullptr, false, &smallHex},
        {"too large after a state was stored: told again", small, largest + 1, 2, &keptBefore, false, &smallHex},
        {"the small state comes back", small, 0, 0, nullptr, false, &smallHex},
    };
    for (const Run& r : runs) {
        SCOPED_TRACE(r.what);
        state->setChunkCalls = 0;
        state->setChunkHash = 0;
        state->getChunkSize = r.given;
        state->getChunkSeed = r.seed;
        std::vector<std::wstring> boxes;
        {
            std::unique_ptr<MessageBoxAnswerer> answerer;
            if (!r.pictured) answerer.reset(new MessageBoxAnswerer(L"Korvo Sampler"));
            ShellRun run(Program());
            HWND frame = run.WaitForFrame();
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(state->setChunkCalls, r.restored.size > 0 ? 1 : 0);
            if (r.restored.size > 0) {
                EXPECT_EQ(state->setChunkSize, r.restored.size);
                EXPECT_EQ(state->setChunkHash, r.restored.hash);
            }
            if (r.pictured) {
                ::PostMessageW(frame, WM_CLOSE, 0, 0);
                HWND box = WaitForDialog(L"Korvo Sampler", 30000);
                ASSERT_NE(box, nullptr);
                EXPECT_TRUE(::IsWindowVisible(frame)) << "told while the window stands";
                WaitUntilActive(box);
                EXPECT_TRUE(CaptureWholeWindow(box).SavePng(ScreenshotPath(L"shell-state-too-large")));
                if (::FindWindowExW(box, nullptr, L"Static", r.box->c_str()) != nullptr) boxes.push_back(*r.box);
                ClickButton(box, IDOK);
            }
            EXPECT_TRUE(run.Close());
            if (answerer) boxes = answerer->Texts();
        }
        EXPECT_EQ(boxes, r.box != nullptr ? std::vector<std::wstring>{*r.box} : std::vector<std::wstring>{});
        const std::string data = IniValue(Ini(), "VSTChunk", "data");
        EXPECT_EQ(IniValue(Ini(), "VSTChunk", "size"), r.savedHex->empty() ? "" : std::to_string(r.savedHex->size() / 2));
        EXPECT_TRUE(data == *r.savedHex) << "data of " << data.size() << " digits, " << r.savedHex->size() << " expected";
    }
}

TEST_F(ShellProgram, AChunkRestoredProjectPlaysTheMidiNotesAtTheirPitch) {
    PlacePlugin(WinePath(KORVO_SAMPLER_DLL));
    const std::vector<uint8_t> chunk = OneZoneChunk(folder);   // a 441 Hz square on key 60
    ASSERT_FALSE(chunk.empty());
    WriteTextFile(Ini(), DeviceSection(1) + ChunkSection(std::to_string(chunk.size()), Hex(chunk.data(), chunk.size())));
    FloatOutputs(rig.Setup(), 2);
    rig.Setup().preferredSize = 256;
    ShellRun run(Program());
    ASSERT_NE(run.WaitForFrame(), nullptr);
    CShellView* view = run.View();
    ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));

    struct Note {
        uint32_t key;
        double hz;
    };
    const Note notes[] = {{60, 441.0}, {67, 441.0 * 1.4983070768766815}, {48, 220.5}};
    uint32_t time = 1000;
    for (const Note& note : notes) {
        SCOPED_TRACE(note.key);
        rig.Record().streamFrames.store(0);
        ASSERT_TRUE(WaitForStream(rig.Record(), 4096));
        EXPECT_LT(Peak(Streamed(rig.Record()), 0, 4096), 1e-4f) << "silence before the note";
        rig.Record().streamFrames.store(0);
        SendMidi(view, 0x00640090u | (note.key << 8), time);
        ASSERT_TRUE(WaitForStream(rig.Record(), 22050));
        const std::vector<float> out = Streamed(rig.Record());
        EXPECT_GT(Peak(out, 0, out.size()), 0.05f);
        EXPECT_NEAR(ZeroCrossingFrequency(std::vector<float>(out.begin() + 4096, out.begin() + 20000), 0, 44100),
                    note.hz, note.hz * 0.005);
        SendMidi(view, 0x00000080u | (note.key << 8), time + 500);
        time += 1000;
        Pause(200);
    }
    EXPECT_TRUE(run.Close());
}

TEST_F(ShellProgram, SaysWhenThePluginCannotBeLoadedAndStaysOpen) {
    struct Case {
        const char* what;
        const char* plugin;   // null: no library beside the program
    };
    // A library whose entry failed half-way stays loaded (nothing of it runs
    // again), so its file cannot be replaced: that case comes last.
    const Case cases[] = {
        {"missing", nullptr},           {"without main", "no_main"},   {"main returns null", "no_effect"},
        {"wrong magic", "wrong_magic"}, {"33 outputs", "wide"},        {"main throws", "throws"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::DeleteFileW(Plugin().c_str());
        if (c.plugin != nullptr) PlacePlugin(TestPlugin(c.plugin));
        WriteTextFile(Ini(), DeviceSection(0));
        FloatOutputs(rig.Setup(), 2);
        MessageBoxAnswerer answerer(L"Korvo Sampler");
        ShellRun run(Program());
        HWND frame = run.WaitForFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(answerer.Texts(), std::vector<std::wstring>{L"can not load VST plug-in"});
        EXPECT_TRUE(::IsWindowVisible(frame));
        EXPECT_EQ(WindowText(frame), L"Untitled - Shell") << "the window stays, empty";
        // MIDI is dropped and the outputs carry silence.
        SendMidi(run.View(), 0x00643C90u);
        ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 5));
        for (float sample : LastOutput(rig.Record(), 0, rig.Setup().preferredSize)) ASSERT_EQ(sample, 0.0f);
        EXPECT_TRUE(run.Close());
        Pause(50);
    }
}

TEST_F(ShellProgram, FirstStartAsksForTheDevicesAndKeepsTheAnswer) {
    PlacePlugin(WinePath(KORVO_SAMPLER_DLL));
    GdiplusSession gdiplus;
    {
        // Cancel: nothing is written, nothing started.
        ShellRun run(Program());
        HWND dialog = WaitForDialog(L"Settings", 60000);
        ASSERT_NE(dialog, nullptr);
        ClickButton(dialog, IDCANCEL);
        ASSERT_NE(run.WaitForFrame(), nullptr);
        EXPECT_EQ(rig.Record().objectsCreated, 0);
        EXPECT_TRUE(run.Close());
        EXPECT_EQ(::GetFileAttributesW(Ini().c_str()), INVALID_FILE_ATTRIBUTES) << "no INI file written";
    }
    ShellRun run(Program());
    HWND dialog = WaitForDialog(L"Settings", 60000);
    ASSERT_NE(dialog, nullptr);
    std::vector<std::wstring> drivers = ComboItems(Control(dialog, IDC_ASIO));
    ASSERT_GT(drivers.size(), static_cast<size_t>(driverIndex + 1));
    EXPECT_EQ(drivers[0], L"None");
    EXPECT_EQ(drivers[static_cast<size_t>(driverIndex) + 1], Wide(kTestDriverShownName));
    EXPECT_EQ(ComboSelection(Control(dialog, IDC_ASIO)), 1) << "the first driver preselected";
    EXPECT_EQ(ComboItems(Control(dialog, IDC_RATE)), (std::vector<std::wstring>{L"44100Hz", L"48000Hz", L"96000Hz"}));
    EXPECT_EQ(ComboSelection(Control(dialog, IDC_RATE)), 0);
    EXPECT_EQ(ComboItems(Control(dialog, IDC_MIDI)), std::vector<std::wstring>{L"None"});
    EXPECT_EQ(ComboSelection(Control(dialog, IDC_MIDI)), 0) << "the first device is preselected: none here";
    EXPECT_EQ(::SendMessageW(Control(dialog, IDC_SAVELAST), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    WaitUntilActive(dialog);
    EXPECT_TRUE(CaptureWholeWindow(dialog).SavePng(ScreenshotPath(L"shell-settings")));

    Choose(dialog, IDC_ASIO, driverIndex + 1);
    Choose(dialog, IDC_RATE, 1);
    ClickButton(dialog, IDC_SAVELAST);
    ClickButton(dialog, IDOK);
    ASSERT_NE(run.WaitForFrame(), nullptr);
    EXPECT_EQ(IniValue(Ini(), "device", "asio"), std::to_string(driverIndex));
    EXPECT_EQ(IniValue(Ini(), "device", "midi"), "-1") << "no MIDI input here: None";
    EXPECT_EQ(IniValue(Ini(), "device", "samplerate"), "48000");
    EXPECT_EQ(IniValue(Ini(), "device", "autosave"), "1");
    ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));
    EXPECT_EQ(rig.Record().rate, 48000.0);
    EXPECT_TRUE(run.Close());
    EXPECT_NE(IniValue(Ini(), "VSTChunk", "size"), "") << "Save Last: keeps the plug-in's state";
}

TEST_F(ShellProgram, SettingsRestartOnlyTheDevicesChosen) {
    PlacePlugin(WinePath(KORVO_SAMPLER_DLL));
    WriteTextFile(Ini(), DeviceSection(1));
    ShellRun run(Program());
    HWND frame = run.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 5));
    const int created = rig.Record().objectsCreated;

    ::PostMessageW(frame, WM_COMMAND, ID_SETTINGS, 0);
    HWND dialog = WaitForDialog(L"Settings", 30000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ComboSelection(Control(dialog, IDC_ASIO)), driverIndex + 1) << "preset from the INI file";
    EXPECT_EQ(::SendMessageW(Control(dialog, IDC_SAVELAST), BM_GETCHECK, 0, 0), BST_CHECKED);
    Choose(dialog, IDC_ASIO, 0);   // None: the running driver is left alone
    ClickButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntilGone(dialog));
    EXPECT_EQ(IniValue(Ini(), "device", "asio"), "-1");
    EXPECT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10)) << "still running";
    EXPECT_EQ(rig.Record().objectsCreated, created);

    ::PostMessageW(frame, WM_COMMAND, ID_SETTINGS, 0);
    dialog = WaitForDialog(L"Settings", 30000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ComboSelection(Control(dialog, IDC_ASIO)), 0);
    Choose(dialog, IDC_ASIO, driverIndex + 1);
    Choose(dialog, IDC_RATE, 2);
    ClickButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntilGone(dialog));
    EXPECT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));
    EXPECT_EQ(rig.Record().objectsCreated, created + 1) << "the driver made again";
    EXPECT_EQ(rig.Record().rate, 96000.0);
    EXPECT_EQ(rig.Record().stopsFromOwnThread, 0);
    EXPECT_TRUE(run.Close());
}

// A new rate reaches the plug-in while its driver is stopped: suspended,
// told the rate and the block size, resumed, and only then rendered again.
TEST_F(ShellProgram, ARateChosenInSettingsRetunesThePluginWhileNothingRendersIt) {
    PluginState* state = PlaceStatefulPlugin();
    ASSERT_NE(state, nullptr);
    state->suspendPauseMs = 50;   // some 25 switches, should the driver go on
    FloatOutputs(rig.Setup(), 2);
    WriteTextFile(Ini(), DeviceSection(0));
    ShellRun run(Program());
    HWND frame = run.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));
    EXPECT_EQ(state->processWhileSuspended.load(), 0);

    using CallList = std::vector<std::pair<VstInt32, VstIntPtr>>;
    const CallList retuned = {{effMainsChanged, 0}, {effSetSampleRate, 0}, {effSetBlockSize, 4096}, {effMainsChanged, 1}};
    const struct {
        const char* what;
        int asioEntry;   // 0: None
        int rateEntry;   // 44100, 48000, 96000
        bool retunes;
        float rate;      // the plug-in's, and the driver's
    } steps[] = {
        {"the same rate: nothing to tell", driverIndex + 1, 0, false, 44100.0f},
        {"48000", driverIndex + 1, 1, true, 48000.0f},
        {"no driver: the running one keeps its rate, and so does the plug-in", 0, 2, false, 48000.0f},
        {"the driver again, at the rate chosen before", driverIndex + 1, 2, true, 96000.0f},
        {"back to 44100", driverIndex + 1, 0, true, 44100.0f},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        state->opcodeCount = 0;
        ASSERT_TRUE(ChangeSettings(frame, step.asioEntry, step.rateEntry));
        EXPECT_EQ(Calls(*state), step.retunes ? retuned : CallList{});
        EXPECT_EQ(state->sampleRate, step.rate);
        EXPECT_EQ(state->blockSize, 4096);
        ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));
        EXPECT_EQ(rig.Record().rate, static_cast<double>(step.rate));
        const int processed = state->processCalls.load();
        ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));
        EXPECT_GT(state->processCalls.load(), processed) << "rendered again";
        EXPECT_EQ(state->processWhileSuspended.load(), 0);
    }
    EXPECT_TRUE(run.Close());
}

TEST_F(ShellProgram, ANoteKeepsItsPitchWhenSettingsChangeTheRate) {
    PlacePlugin(WinePath(KORVO_SAMPLER_DLL));
    const std::vector<uint8_t> chunk = A440Chunk(folder);
    ASSERT_FALSE(chunk.empty());
    WriteTextFile(Ini(), DeviceSection(1) + ChunkSection(std::to_string(chunk.size()), Hex(chunk.data(), chunk.size())));
    FloatOutputs(rig.Setup(), 2);
    rig.Setup().preferredSize = 256;
    ShellRun run(Program());
    HWND frame = run.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    CShellView* view = run.View();
    uint32_t time = 1000;
    for (const int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        if (rate != 44100) {
            ASSERT_TRUE(ChangeSettings(frame, driverIndex + 1, 1));
        }
        ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));
        ASSERT_EQ(rig.Record().rate, static_cast<double>(rate));
        rig.Record().streamFrames.store(0);
        SendMidi(view, 0x00644590u, time);   // key 69
        ASSERT_TRUE(WaitForStream(rig.Record(), 22050));
        const std::vector<float> out = Streamed(rig.Record());
        EXPECT_GT(Peak(out, 0, out.size()), 0.05f);
        EXPECT_NEAR(ZeroCrossingFrequency(std::vector<float>(out.begin() + 4096, out.begin() + 20000), 0, rate), 440.0,
                    440.0 * 0.005);
        SendMidi(view, 0x00004580u, time + 500);
        time += 1000;
        Pause(200);
    }
    EXPECT_TRUE(run.Close());
}

// Inputs whose capability query fails at the second device.
class FailingMidiInputs : public midi::CMIDIInputList {
public:
    UINT Count() const override { return 2; }
    std::string Name(UINT id) const override {
        if (id == 1) throw midi::CMIDIInException(MMSYSERR_NODRIVER);
        return "Korvo Keys";
    }
};

TEST_F(ShellProgram, ReportsMidiFailuresAndGoesOn) {
    PlacePlugin(WinePath(KORVO_SAMPLER_DLL));
    // Device 0 does not exist here: its open fails with the system's text.
    WriteTextFile(Ini(), DeviceSection(0, 0));
    HMIDIIN none = nullptr;
    const MMRESULT openResult = ::midiInOpen(&none, 0, 0, 0, CALLBACK_NULL);
    ASSERT_NE(openResult, static_cast<MMRESULT>(MMSYSERR_NOERROR)) << "this machine has a MIDI input";
    const std::wstring openText = Wide(midi::CMIDIInException(openResult).what());
    const std::wstring queryText = Wide(midi::CMIDIInException(MMSYSERR_NODRIVER).what());

    MessageBoxAnswerer answerer(L"Korvo Sampler");
    ShellRun run(Program());
    HWND frame = run.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(answerer.Texts(), std::vector<std::wstring>{openText});
    EXPECT_TRUE(run.View()->PluginOpen()) << "the plug-in loads after the failure";

    FailingMidiInputs failing;
    run.View()->m_optDlg.midiInputs = &failing;
    ::PostMessageW(frame, WM_COMMAND, ID_SETTINGS, 0);
    HWND dialog = WaitForDialog(L"Settings", 30000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ComboItems(Control(dialog, IDC_MIDI)), (std::vector<std::wstring>{L"None", L"Korvo Keys"}));
    ClickButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(dialog));
    EXPECT_EQ(answerer.Texts(), (std::vector<std::wstring>{openText, queryText}));
    EXPECT_TRUE(::IsWindowVisible(frame));
    EXPECT_TRUE(run.Close());
}

TEST_F(ShellProgram, SetsTheDriverUpAgainWhenItAsksForAReset) {
    PlacePlugin(TestPlugin("recorder"));
    WriteTextFile(Ini(), DeviceSection(0));
    rig.Setup().resetRequestAtSwitch = 20;
    ShellRun run(Program());
    ASSERT_NE(run.WaitForFrame(), nullptr);
    ASSERT_TRUE(rig.WaitForSwitches(30));
    // The request is answered at once, then the window's thread stops the
    // driver and starts it again; it goes on switching.
    for (int i = 0; i < 2000 && rig.Record().objectsCreated < 2; ++i) Pause(5);
    EXPECT_EQ(rig.Record().resetAnswer, 1);
    EXPECT_EQ(rig.Record().objectsCreated, 2) << rig.Log();
    EXPECT_EQ(rig.Record().stopsFromOwnThread, 0);
    rig.Record().switches.store(0);
    EXPECT_TRUE(rig.WaitForSwitches(10));
    EXPECT_TRUE(run.Close());
}

TEST_F(ShellProgram, AboutBoxAndExitFromTheMenu) {
    PlacePlugin(TestPlugin("recorder"));
    WriteTextFile(Ini(), DeviceSection(0));
    GdiplusSession gdiplus;
    ShellRun run(Program());
    HWND frame = run.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    ::PostMessageW(frame, WM_COMMAND, ID_APP_ABOUT, 0);
    HWND about = WaitForDialog(L"About Korvo Sampler", 30000);
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(frame)) << "modal over the main window";
    EXPECT_NE(::FindWindowExW(about, nullptr, L"Static", L"Korvo Sampler"), nullptr);
    WaitUntilActive(about);
    EXPECT_TRUE(CaptureWholeWindow(about).SavePng(ScreenshotPath(L"shell-about")));
    ClickButton(about, IDOK);
    EXPECT_TRUE(WaitUntilGone(about));
    EXPECT_TRUE(::IsWindowEnabled(frame));

    ::PostMessageW(frame, WM_COMMAND, ID_APP_EXIT, 0);
    for (int i = 0; i < 6000 && !run.Ended(); ++i) Pause(5);
    EXPECT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 0);
}

TEST_F(ShellProgram, ACopyBesideAnExportedPlayerPlaysThePlayer) {
    // The export's set: F\Strings.dll (the player) and F\Strings\Strings.ksb.
    const std::wstring square = SquareWav(folder);
    KSamplerEngine engine;
    std::wcscpy(engine.libraryName, L"Strings");
    const int slot = engine.AddInstrument(1, 0);
    ASSERT_EQ(engine.instruments[slot]->AddZone(square.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
    PlayerSet set;
    ASSERT_TRUE(MakePlayerSet(engine, folder.Path(), WinePath(KORVO_PLAYER_LIBRARY), set));
    ASSERT_EQ(set.library, Plugin());
    WriteTextFile(Ini(), DeviceSection(0));
    FloatOutputs(rig.Setup(), 2);
    rig.Setup().preferredSize = 256;

    GdiplusSession gdiplus;
    ShellRun run(Program());
    HWND frame = run.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(WindowText(frame), L"Strings");
    EXPECT_NE(::GetWindow(run.View()->m_hWnd, GW_CHILD), nullptr) << "the player's editor shows";
    ASSERT_TRUE(rig.WaitForSwitches(rig.Record().switches.load() + 10));
    rig.Record().streamFrames.store(0);
    SendMidi(run.View(), 0x00643C90u, 100);
    ASSERT_TRUE(WaitForStream(rig.Record(), 22050));
    const std::vector<float> out = Streamed(rig.Record());
    EXPECT_NEAR(ZeroCrossingFrequency(std::vector<float>(out.begin() + 4096, out.begin() + 20000), 0, 44100), 441.0,
                2.5);
    ::SetForegroundWindow(frame);
    Pause(300);
    CaptureWindow(frame);
    EXPECT_TRUE(CaptureWholeWindow(frame).SavePng(ScreenshotPath(L"shell-player")));
    EXPECT_TRUE(run.Close());
}
