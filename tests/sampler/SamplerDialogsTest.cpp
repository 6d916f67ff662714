// The sampler's dialogs in the real libraries, plain and Chinese skin, as a
// user reaches them from the editor: Export to a player folder, Sound
// Library Options, Instrument Settings and About. The editor's thread runs
// each dialog; a helper thread is the user at it, with real input, and
// answers the boxes it brings. What a dialog stored is read back through the
// plug-in's state chunk; the exported player is loaded as a host loads it.
#include "DialogFinder.h"
#include "Engine.h"
#include "InputBoxAnswerer.h"
#include "MessageBoxAnswerer.h"
#include "PluginHost.h"
#include "ProjectChunk.h"
#include "StoredFields.h"
#include "TempFolder.h"
#include "WavWriter.h"
#include "Signal.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Variant {
    const char* library;
    const wchar_t* screenshotSuffix;
    bool chinese;
};
void PrintTo(const Variant& variant, std::ostream* out) { *out << (variant.chinese ? "Chinese" : "Plain"); }
const Variant kPlain = {KORVO_SAMPLER_DLL, L"", false};
const Variant kChinese = {KORVO_SAMPLER_CHINESE_DLL, L"-chinese", true};

std::wstring BuiltPlayer() { return WinePath(KORVO_PLAYER_LIBRARY); }

constexpr int kEditorWidth = 820, kEditorHeight = 610;
// The editor's buttons that open the dialogs (their middles).
constexpr POINT kExportButton = {503 + 31, 8 + 14};
constexpr POINT kOptionsButton = {571 + 31, 8 + 14};
constexpr POINT kSettingsButton = {570 + 33, 54 + 18};
constexpr POINT kAboutButton = {11 + 38, 3 + 19};
// The export dialog.
constexpr POINT kExportStart = {90 + 25, 118 + 11};
constexpr POINT kExportBrowse = {242 + 25, 63 + 11};
constexpr POINT kExportClose = {160 + 25, 118 + 11};
constexpr int kBarLeft = 5, kBarRight = 5 + 288, kBarRow = 106;
// Sound Library Options.
constexpr POINT kOptionsOk = {120 + 25, 280 + 11};
constexpr POINT kNameField = {176, 55}, kVendorField = {176, 89}, kIdField = {176, 123};
constexpr POINT kStyleArrow = {124 + 102, 150 + 7};
constexpr POINT kRelativeToggle = {214 + 7, 184 + 7};
constexpr POINT kBrowseLogo = {240 + 25, 250 + 11}, kBrowseBackground = {240 + 25, 216 + 11};
constexpr POINT kLogoField = {180, 259};
// Instrument Settings and About.
constexpr POINT kSettingsOk = {125 + 25, 248 + 11};
constexpr POINT kAboutOk = {125 + 25, 220 + 11};
constexpr RECT kAboutOkRect = {125, 220, 176, 242};

std::string Narrow(const std::wstring& text) { return fs::path(text).u8string(); }

// Handles the host's messages and lets the editor's timers run.
void PumpFor(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

template <typename Done> bool WaitUntil(Done done, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A PNG resource of a built library, as its pixels.
Capture LibraryPicture(const std::wstring& library, const wchar_t* name) {
    Capture picture;
    const HMODULE module = ::LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return picture;
    const HRSRC resource = ::FindResourceW(module, name, L"PNG");
    const HGLOBAL loaded = resource != nullptr ? ::LoadResource(module, resource) : nullptr;
    const DWORD size = resource != nullptr ? ::SizeofResource(module, resource) : 0;
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes != nullptr && size > 0) {
        const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(::GlobalLock(block), bytes, size);
        ::GlobalUnlock(block);
        IStream* stream = nullptr;
        if (::CreateStreamOnHGlobal(block, TRUE, &stream) == S_OK) {
            {
                Gdiplus::Bitmap image(stream);
                picture = CaptureBitmap(&image);
            }
            stream->Release();
        }
    }
    ::FreeLibrary(module);
    return picture;
}

// The pixels of the rectangle where shown and picture differ.
int Differences(const Capture& shown, const Capture& picture, RECT r, RECT except = {0, 0, 0, 0}) {
    int differ = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const POINT p = {x, y};
            if (::PtInRect(&except, p)) continue;
            if (shown.Rgb(x, y) != picture.Rgb(x, y)) ++differ;
        }
    return differ;
}

// Pixels of the progress bar's middle row that differ from the empty bar.
int LitWidth(const Capture& shown, const Capture& empty) {
    int lit = 0;
    for (int x = kBarLeft; x < kBarRight; ++x) lit += shown.Rgb(x, kBarRow) != empty.Rgb(x, kBarRow);
    return lit;
}

// A left click at a point of the screen, without the middle click that
// input::LeftDown sends first (it would close an open menu).
void PressAtScreen(POINT at) {
    ::SetCursorPos(at.x, at.y);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    INPUT events[2] = {};
    events[0].type = events[1].type = INPUT_MOUSE;
    events[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    events[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, events, sizeof events[0]);
}

// (Named functions: a lambda is no stdcall function on i686.)
BOOL CALLBACK FindOpenMenu(HWND window, LPARAM found) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) || lstrcmpW(name, L"#32768") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// The open popup menu of this process (a combo's list).
HWND OpenMenu() {
    HWND menu = nullptr;
    ::EnumWindows(FindOpenMenu, reinterpret_cast<LPARAM>(&menu));
    return menu;
}

// Opens the style box and clicks its item `index`.
bool PickStyle(HWND panel, int index) {
    input::Click(panel, kStyleArrow.x, kStyleArrow.y);
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = OpenMenu()) != nullptr; }, 5000)) return false;
    const auto handle = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
    RECT item = {};
    if (handle == nullptr || !::GetMenuItemRect(nullptr, handle, static_cast<UINT>(index), &item)) return false;
    PressAtScreen({(item.left + item.right) / 2, (item.top + item.bottom) / 2});
    return WaitUntil([] { return OpenMenu() == nullptr; }, 5000);
}

// Double-clicks a text field and types the answer into the box it asks with;
// the text the field held comes back in `shown`.
bool TypeInto(HWND panel, POINT field, const std::wstring& text, std::wstring* shown = nullptr) {
    InputBoxAnswerer answerer(IDOK, text);
    input::DoubleClick(panel, field.x, field.y);
    if (!WaitUntil([&] { return answerer.Questions().size() == 1; }, 5000)) return false;
    if (!WaitUntil([] { return FindDialog(L"Tellurand Panelkit2") == nullptr; }, 5000)) return false;
    if (shown != nullptr) *shown = answerer.Initials().front();
    return true;
}

// The file name field of an open-file dialog: the edit inside its name box
// (a ComboBoxEx in Wine, its combo box inside it), or its plain edit.
HWND FileNameField(HWND dialog) {
    constexpr int kNameCombo = 1148, kNameEdit = 1152;
    HWND edit = nullptr;
    if (HWND combo = ::GetDlgItem(dialog, kNameCombo)) ::EnumChildWindows(combo, FindEdit, reinterpret_cast<LPARAM>(&edit));
    return edit != nullptr ? edit : ::GetDlgItem(dialog, kNameEdit);
}

// Answers the open-file dialog of that title with a path.
bool ChooseFile(const std::wstring& title, const std::wstring& path) {
    HWND dialog = WaitForDialog(title, 10000);
    HWND field = nullptr;
    if (dialog == nullptr || !WaitUntil([&] { return (field = FileNameField(dialog)) != nullptr; })) return false;
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return WaitUntil([&] { return !::IsWindow(dialog); });
}

void PressCloseBox(HWND dialog) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

// "path"/"install" of korvosampler.ini is left out for a test, so that the
// export takes the player from the plug-in's own folder; put back after.
class InstallKeyAbsent {
public:
    InstallKeyAbsent() {
        wchar_t value[MAX_PATH] = {};
        had_ = ::GetPrivateProfileStringW(L"path", L"install", L"\1", value, MAX_PATH, kIni) > 0 &&
               std::wstring(value) != L"\1";
        value_ = value;
        ::WritePrivateProfileStringW(L"path", L"install", nullptr, kIni);
    }
    ~InstallKeyAbsent() {
        if (had_) ::WritePrivateProfileStringW(L"path", L"install", value_.c_str(), kIni);
    }

private:
    static constexpr const wchar_t* kIni = L"korvosampler.ini";
    bool had_ = false;
    std::wstring value_;
};

// The project a chunk holds, loaded into an engine of the test's own.
struct Project {
    KSamplerEngine engine;
    bool ok = false;
};

std::vector<std::string> ChangedInstrumentFields(const Project& a, const Project& b) {
    std::vector<std::string> changed;
    for (int i = 0; i < KSamplerEngine::kInstruments; ++i) {
        const KInstrument* x = a.engine.instruments[i];
        const KInstrument* y = b.engine.instruments[i];
        if ((x == nullptr) != (y == nullptr)) changed.push_back("instrument " + std::to_string(i));
        if (x == nullptr || y == nullptr) continue;
        for (const std::string& name : StoredFieldsDiffer(*x, *y)) changed.push_back(name);
        for (int z = 0; z < KInstrument::kZones; ++z) {
            if (x->zones[z] == nullptr || y->zones[z] == nullptr) continue;
            for (const std::string& name : StoredFieldsDiffer(*x->zones[z], *y->zones[z]))
                changed.push_back("zone " + name);
        }
    }
    return changed;
}

std::vector<std::string> ChangedLibraryFields(const Project& a, const Project& b) {
    const KSamplerEngine &x = a.engine, &y = b.engine;
    std::vector<std::string> changed;
    const struct {
        const char* name;
        const wchar_t *p, *q;
    } texts[] = {
        {"projectPath", x.projectPath, y.projectPath},       {"libraryName", x.libraryName, y.libraryName},
        {"vendorName", x.vendorName, y.vendorName},          {"logoPicture", x.logoPicture, y.logoPicture},
        {"backgroundPicture", x.backgroundPicture, y.backgroundPicture},
        {"sampleFolder", x.sampleFolder, y.sampleFolder},    {"exportFolder", x.exportFolder, y.exportFolder},
    };
    for (const auto& t : texts)
        if (std::wcscmp(t.p, t.q) != 0) changed.push_back(t.name);
    if (std::memcmp(x.uniqueId, y.uniqueId, sizeof x.uniqueId) != 0) changed.push_back("uniqueId");
    if (x.uiStyle != y.uiStyle) changed.push_back("uiStyle");
    if (x.samplesInRelativePath != y.samplesInRelativePath) changed.push_back("samplesInRelativePath");
    if (!ChangedInstrumentFields(a, b).empty()) changed.push_back("instruments");
    return changed;
}

// A mono square wave: `period` frames, 40000 of them.
std::wstring SquareWave(const std::wstring& path, int period) {
    WriteBytes(path, WavWriter(1, 16).Generate(40000, [period](int64_t i, int) {
        return static_cast<int32_t>(i % period < period / 2 ? 12000 : -12000);
    }).Build());
    return path;
}


class SamplerDialogs : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override {
        // The plug-in installed as a user has it: the player beside it.
        install = temp.File(L"install");
        out = temp.File(L"out");
        ASSERT_TRUE(CreateFolder(install.c_str()));
        ASSERT_TRUE(CreateFolder(out.c_str()));
        const std::wstring built = WinePath(GetParam().library);
        library = install + L"\\" + fs::path(built).filename().wstring();
        ASSERT_TRUE(CopyFileOver(built.c_str(), library.c_str()));
        ASSERT_TRUE(CopyFileOver(BuiltPlayer().c_str(), (install + L"\\ksplayer.bin").c_str()));
        host = std::make_unique<PluginHost>(library);
        ASSERT_NE(host->effect(), nullptr);
        host->Open();
    }

    std::wstring Shot(const std::wstring& name) const { return name + GetParam().screenshotSuffix; }

    void Restore(const std::vector<uint8_t>& chunk) {
        ASSERT_FALSE(chunk.empty());
        ASSERT_EQ(host->Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), const_cast<uint8_t*>(chunk.data())),
                  1);
    }
    std::vector<uint8_t> Chunk() {
        void* data = nullptr;
        const VstIntPtr size = host->Dispatch(effGetChunk, 0, 0, &data);
        if (size <= 0 || data == nullptr) return {};
        const auto* bytes = static_cast<const uint8_t*>(data);
        return std::vector<uint8_t>(bytes, bytes + size);
    }
    // The project as the plug-in would save it now.
    void ReadBack(Project& into) {
        const std::wstring file = temp.File(L"read-back.kss");
        ASSERT_TRUE(WriteBytes(file, Chunk()));
        KFileJob job;
        into.ok = into.engine.LoadFile(file.c_str(), job, true);
        ASSERT_TRUE(into.ok);
    }
    HWND OpenEditor() {
        EXPECT_EQ(host->Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
        PumpFor(50);
        editor = ::GetWindow(window.hwnd(), GW_CHILD);
        return editor;
    }

    // Presses an editor button that opens the dialog of that caption, and
    // lets `user` act in it (on a thread of its own) until it ends. False
    // when no such dialog came, or the user left it open.
    bool InDialog(POINT button, const std::wstring& caption, const std::function<void(HWND dialog, HWND panel)>& user) {
        std::atomic<bool> found{false}, leftOpen{false};
        auto helper = std::async(std::launch::async, [&] {
            HWND dialog = WaitForDialog(caption, 10000);
            if (dialog == nullptr) return;
            found = true;
            // Its first paint, before the user looks at it.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            user(dialog, ::GetWindow(dialog, GW_CHILD));
            if (WaitUntil([&] { return !::IsWindow(dialog); }, 5000)) return;
            leftOpen = true;
            PressCloseBox(dialog);
        });
        // The dialog runs inside this click's messages.
        input::Click(editor, button.x, button.y);
        while (helper.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) PumpFor(10);
        helper.get();
        PumpFor(30);
        EXPECT_TRUE(found) << "no dialog " << Narrow(caption);
        EXPECT_FALSE(leftOpen) << Narrow(caption) << " stayed open";
        return found && !leftOpen;
    }

    TempFolder temp;
    InstallKeyAbsent installKey;
    GdiplusSession gdiplus;
    std::wstring install, out, library;
    HostWindow window{kEditorWidth, kEditorHeight};
    std::unique_ptr<PluginHost> host;
    HWND editor = nullptr;
};

// Two instruments from generated WAVs: A on channel 1 and pair 1, a 441 Hz
// square with its root at A4 (69); B on channel 2 and pair 2, a 735 Hz
// square with its root at C4 (60).
std::vector<uint8_t> TwoInstruments(const TempFolder& folder, const std::wstring& exportFolder) {
    KSamplerEngine engine;
    const std::wstring a = SquareWave(folder.File(L"a.wav"), 100), b = SquareWave(folder.File(L"b.wav"), 60);
    KInstrument& first = *engine.instruments[engine.AddInstrument(1, 0)];
    KInstrument& second = *engine.instruments[engine.AddInstrument(2, 1)];
    if (first.AddZone(a.c_str(), 69, 0, 127, 127, 1, 1, nullptr, 0) != 0 ||
        second.AddZone(b.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0) != 0)
        return {};
    CopyWide(first.name, L"Square A");
    CopyWide(second.name, L"Square B");
    first.zones[0]->ampRelease = second.zones[0]->ampRelease = 10.0f;
    CopyWide(engine.exportFolder, exportFolder.c_str());
    engine.uiStyle = 2;
    return ChunkOf(engine, folder);
}

TEST_P(SamplerDialogs, AProjectTypedIntoTheOptionsExportsAPlayerThatPlaysIt) {
    const std::wstring name = GetParam().chinese ? L"\u94A2\u7434" : L"Grand Piano"; // 钢琴
    const Bytes hostProgram = {'M', 'Z', 'h', 'o', 's', 't'};
    ASSERT_TRUE(WriteBytes(install + L"\\korvosampler.exe", hostProgram));
    Restore(TwoInstruments(temp, out));
    ASSERT_NE(OpenEditor(), nullptr);

    std::wstring shownName, shownVendor, shownId;
    ASSERT_TRUE(InDialog(kOptionsButton, L"Sound Library Options", [&](HWND dialog, HWND panel) {
        EXPECT_TRUE(TypeInto(panel, kNameField, name, &shownName));
        EXPECT_TRUE(TypeInto(panel, kVendorField, L"Keys & Co", &shownVendor));
        EXPECT_TRUE(TypeInto(panel, kIdField, L"AbDe", &shownId));
        EXPECT_TRUE(PickStyle(panel, 4));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        SaveScreenshot(dialog, Shot(L"dialogs-library-options"));
        input::Click(panel, kOptionsOk.x, kOptionsOk.y);
    }));
    EXPECT_EQ(shownName, L"mySound");
    EXPECT_EQ(shownVendor, L"Tellurand");
    EXPECT_EQ(shownId, L"Krvs");

    MessageBoxAnswerer boxes(L"Korvo Sampler");
    ASSERT_TRUE(InDialog(kExportButton, L"Export VSTi Player", [&](HWND dialog, HWND panel) {
        SaveScreenshot(dialog, Shot(L"dialogs-export"));
        input::Click(panel, kExportStart.x, kExportStart.y);
        WaitUntil([&] { return boxes.Texts().size() == 1; });
    }));
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Export Succeed!"});

    const std::wstring dll = out + L"\\" + name + L".dll", bank = out + L"\\" + name + L"\\" + name + L".ksb";
    ASSERT_TRUE(fs::exists(fs::path(bank)));
    EXPECT_EQ(ReadBytes(out + L"\\" + name + L".exe"), hostProgram);
    const Bytes player = ReadBytes(BuiltPlayer()), copy = ReadBytes(dll);
    ASSERT_EQ(copy.size(), player.size());
    for (size_t i = 0; i < copy.size(); ++i) {
        if (i < 0x70 || i > 0x73) {
            ASSERT_EQ(copy[i], player[i]) << "only the stamp differs, not byte " << i;
        }
    }
    EXPECT_EQ(std::string(copy.begin() + 0x70, copy.begin() + 0x74), "AbDe");
    Project now;
    ReadBack(now);
    EXPECT_EQ(std::wstring(now.engine.exportFolder), out) << "the folder stays the project's";
    EXPECT_EQ(std::wstring(now.engine.libraryName), name);
    EXPECT_EQ(now.engine.uiStyle, 4);

    MessageBoxAnswerer mismatch(L"Korvo Sampler Player");
    PluginHost exported(dll);
    ASSERT_NE(exported.effect(), nullptr);
    exported.Open();
    EXPECT_TRUE(mismatch.Texts().empty()) << "the player pairs with its bank";
    char id[4];
    std::memcpy(id, &exported.effect()->uniqueID, 4);
    EXPECT_EQ(std::string(id, 4), "AbDe");
    if (!GetParam().chinese) {
        EXPECT_EQ(exported.Text(effGetEffectName), "Grand Piano");
    }
    EXPECT_EQ(exported.Text(effGetVendorString), "Keys & Co");

    // Every instrument at its pitch, on its own channel and pair.
    const struct {
        uint8_t channel, key;
        int pair;
        double hz;
    } notes[] = {{0, 69, 0, 441.0}, {0, 81, 0, 882.0}, {1, 72, 1, 1470.0}};
    for (const auto& n : notes) {
        exported.SendMidi({{static_cast<uint8_t>(0x90 | n.channel), n.key, 110, 0}});
        const auto& outputs = exported.Render(8192);
        EXPECT_NEAR(ZeroCrossingFrequency(outputs[static_cast<size_t>(2 * n.pair)], 1024, 44100), n.hz, n.hz * 0.01) << int(n.key);
        EXPECT_LT(exported.PairPeak(1 - n.pair), 1e-6f) << "nothing on the other pair";
        exported.SendMidi({{static_cast<uint8_t>(0x80 | n.channel), n.key, 0, 0}});
        for (int block = 0; block < 10; ++block) exported.Render(1024);
    }

    void* data = nullptr;
    const VstIntPtr size = exported.Dispatch(effGetChunk, 0, 0, &data);
    ASSERT_EQ(size, 3712);
    const std::vector<uint8_t> state(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    ASSERT_EQ(exported.Dispatch(effSetChunk, 0, size, const_cast<uint8_t*>(state.data())), 1);
    data = nullptr;
    ASSERT_EQ(exported.Dispatch(effGetChunk, 0, 0, &data), 3712);
    EXPECT_EQ(std::memcmp(data, state.data(), state.size()), 0) << "the player's state comes back as it went";
}

// A project of large samples takes long enough to write that the bar is
// seen between empty and full, read while the export holds the thread.
TEST_P(SamplerDialogs, TheProgressBarMovesWhileTheBankIsWritten) {
    KSamplerEngine engine;
    KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
    const Bytes big = WavWriter(2, 16).Generate(1000000, [](int64_t i, int c) {
        return static_cast<int32_t>((i * (c + 3)) % 20000 - 10000);
    }).Build();
    for (int z = 0; z < 24; ++z) {
        const std::wstring wav = temp.File(L"big" + std::to_wstring(z) + L".wav");
        ASSERT_TRUE(WriteBytes(wav, big));
        ASSERT_GE(in.AddZone(wav.c_str(), static_cast<uint8_t>(z + 30), z + 30, 127, z + 30, 1, 1, nullptr, 0), 0);
    }
    CopyWide(engine.exportFolder, out.c_str());
    Restore(ChunkOf(engine, temp));
    ASSERT_NE(OpenEditor(), nullptr);

    MessageBoxAnswerer boxes(L"Korvo Sampler");
    std::vector<int> widths;
    ASSERT_TRUE(InDialog(kExportButton, L"Export VSTi Player", [&](HWND, HWND panel) {
        const Capture empty = CaptureWindow(panel);
        input::Click(panel, kExportStart.x, kExportStart.y);
        bool saved = false;
        while (boxes.Texts().empty()) {
            const Capture now = CaptureWindowUntouched(panel);
            const int lit = LitWidth(now, empty);
            if (widths.empty() || widths.back() != lit) widths.push_back(lit);
            if (!saved && lit > 40 && lit < 240) saved = now.SavePng(ScreenshotPath(Shot(L"dialogs-export-progress")));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }));
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Export Succeed!"});
    ASSERT_FALSE(widths.empty());
    int between = 0;
    for (const int w : widths) between += w > 0 && w < kBarRight - kBarLeft - 8;
    EXPECT_GE(between, 2) << "the bar was seen at two widths between empty and full";
    EXPECT_TRUE(std::is_sorted(widths.begin(), widths.end())) << "and only grew";
}

// A failed export says what failed, writes nothing, and leaves the dialog
// as it was: Export can be pressed again, and Close ends it.
TEST_P(SamplerDialogs, AFailedExportSaysWhatFailedWritesNothingAndStaysUsable) {
    const struct {
        const char* what;
        const wchar_t* libraryName;
        bool cutSample;
        std::wstring told;
    } cases[] = {
        {"a sample cut short since it was loaded", L"Grand", true, L"b.wav\" cannot be read any more"},
        {"a library name that leaves the folder", L"..\\x", false, L"cannot name the player's files"},
        {"a device name", L"NUL", false, L"cannot name the player's files"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder wavs;
        KSamplerEngine engine;
        KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
        const std::wstring a = SquareWave(wavs.File(L"a.wav"), 100), b = SquareWave(wavs.File(L"b.wav"), 60);
        ASSERT_EQ(in.AddZone(a.c_str(), 60, 0, 127, 63, 1, 1, nullptr, 0), 0);
        ASSERT_EQ(in.AddZone(b.c_str(), 72, 64, 127, 127, 1, 1, nullptr, 0), 1);
        CopyWide(engine.exportFolder, out.c_str());
        CopyWide(engine.libraryName, c.libraryName);
        Restore(ChunkOf(engine, wavs));
        if (editor == nullptr) {
            ASSERT_NE(OpenEditor(), nullptr);
        }
        if (c.cutSample) {
            // The plug-in holds it open: it can be changed, not deleted.
            const HANDLE file = ::CreateFileW(b.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            LARGE_INTEGER at = {};
            at.QuadPart = 60;
            ASSERT_TRUE(::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file));
            ::CloseHandle(file);
        }

        MessageBoxAnswerer boxes(L"Korvo Sampler");
        bool openAfterFailure = false;
        ASSERT_TRUE(InDialog(kExportButton, L"Export VSTi Player", [&](HWND dialog, HWND panel) {
            for (size_t attempt = 1; attempt <= 2; ++attempt) {
                input::Click(panel, kExportStart.x, kExportStart.y);
                WaitUntil([&] { return boxes.Texts().size() == attempt; });
            }
            PumpFor(50);
            openAfterFailure = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
            input::Click(panel, kExportClose.x, kExportClose.y);
        }));
        EXPECT_TRUE(openAfterFailure);
        const std::vector<std::wstring> texts = boxes.Texts();
        ASSERT_EQ(texts.size(), 2u);
        for (const std::wstring& text : texts) {
            EXPECT_EQ(text.rfind(L"Export Failed!\n\n", 0), 0u) << Narrow(text);
            EXPECT_NE(text.find(c.told), std::wstring::npos) << Narrow(text);
        }
        EXPECT_TRUE(fs::is_empty(fs::path(out))) << "nothing was written";
        EXPECT_FALSE(fs::exists(fs::path(temp.Path()) / L"x")) << "nor beside the folder";
    }
}

TEST_P(SamplerDialogs, AFolderChosenWithBrowseStaysTheExportFolderWhenTheDialogCloses) {
    const std::wstring inner = out + L"\\inner";
    ASSERT_TRUE(CreateFolder(inner.c_str()));
    KSamplerEngine engine;
    engine.AddInstrument(1, 0);
    CopyWide(engine.exportFolder, inner.c_str());
    Restore(ChunkOf(engine, temp));
    ASSERT_NE(OpenEditor(), nullptr);
    // Wine's browser at times selects nothing when a folder is first parsed
    // inside it.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (const std::wstring& folder : {out, inner}) {
        LPITEMIDLIST item = nullptr;
        if (SUCCEEDED(::SHParseDisplayName(folder.c_str(), nullptr, &item, 0, nullptr))) ::CoTaskMemFree(item);
    }
    bool chosen = false;
    ASSERT_TRUE(InDialog(kExportButton, L"Export VSTi Player", [&](HWND, HWND panel) {
        input::Click(panel, kExportBrowse.x, kExportBrowse.y);
        HWND browser = WaitForDialogWithChild(L"SysTreeView32", 10000);
        if (browser == nullptr) return;
        HWND tree = ::FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
        // Up from the start folder to its parent, then OK.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::SendMessageW(tree, WM_KEYDOWN, VK_LEFT, 0);
        ::SendMessageW(tree, WM_KEYDOWN, VK_LEFT, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::PostMessageW(browser, WM_COMMAND, IDOK, 0);
        chosen = WaitUntil([&] { return !::IsWindow(browser); });
        input::Click(panel, kExportClose.x, kExportClose.y);
    }));
    ::CoUninitialize();
    ASSERT_TRUE(chosen);
    Project now;
    ReadBack(now);
    EXPECT_EQ(fs::path(now.engine.exportFolder), fs::path(out)) << Narrow(now.engine.exportFolder);
    EXPECT_TRUE(fs::is_empty(fs::path(inner)));
}

// Each change of the options dialog stores its own field and nothing else;
// the close box, or a refused code, stores nothing.
TEST_P(SamplerDialogs, SoundLibraryOptionsChangeExactlyTheFieldsTheyShow) {
    const std::wstring pictures = temp.File(L"art");
    ASSERT_TRUE(CreateFolder(pictures.c_str()));
    const std::wstring logo = pictures + L"\\new-logo.png", product = pictures + L"\\product.png";
    ASSERT_TRUE(WriteBytes(logo, {0x89, 'P', 'N', 'G'}));
    ASSERT_TRUE(WriteBytes(product, {0x89, 'P', 'N', 'G'}));
    KSamplerEngine engine;
    engine.AddInstrument(1, 0);
    CopyWide(engine.libraryName, L"Grand");
    CopyWide(engine.vendorName, L"Keys & Co");
    CopyWide(engine.logoPicture, L"C:\\Art\\old-logo.png");
    std::memcpy(engine.uniqueId, "AbDe", 5);
    engine.uiStyle = 2;
    Restore(ChunkOf(engine, temp));
    ASSERT_NE(OpenEditor(), nullptr);

    using Act = std::function<void(HWND panel)>;
    const struct {
        const char* what;
        Act act;
        bool ok; // OK pressed, else the close box
        std::vector<std::string> changed;
    } cases[] = {
        {"nothing", [](HWND) {}, true, {}},
        {"name", [](HWND p) { TypeInto(p, kNameField, L"Strings"); }, true, {"libraryName"}},
        {"vendor", [](HWND p) { TypeInto(p, kVendorField, L"Bow & Co"); }, true, {"vendorName"}},
        {"unique ID of six characters", [](HWND p) { TypeInto(p, kIdField, L"Qwerty"); }, true, {"uniqueId"}},
        {"style", [](HWND p) { PickStyle(p, 6); }, true, {"uiStyle"}},
        {"relative path", [](HWND p) { input::Click(p, kRelativeToggle.x, kRelativeToggle.y); }, true,
         {"samplesInRelativePath"}},
        {"logo",
         [&](HWND p) {
             input::Click(p, kBrowseLogo.x, kBrowseLogo.y);
             EXPECT_TRUE(ChooseFile(L"Select your logo PNG", logo));
         },
         true,
         {"logoPicture"}},
        {"background",
         [&](HWND p) {
             input::Click(p, kBrowseBackground.x, kBrowseBackground.y);
             EXPECT_TRUE(ChooseFile(L"Select your product PNG", product));
         },
         true,
         {"backgroundPicture"}},
        {"a double click on the logo", [](HWND p) { input::DoubleClick(p, kLogoField.x, kLogoField.y); }, true, {}},
        {"everything, then the close box",
         [&](HWND p) {
             TypeInto(p, kNameField, L"Gone");
             TypeInto(p, kIdField, L"Gone");
             PickStyle(p, 1);
             input::Click(p, kRelativeToggle.x, kRelativeToggle.y);
             input::Click(p, kBrowseLogo.x, kBrowseLogo.y);
             EXPECT_TRUE(ChooseFile(L"Select your logo PNG", product));
         },
         false,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Project before, after;
        ReadBack(before);
        ASSERT_TRUE(InDialog(kOptionsButton, L"Sound Library Options", [&](HWND dialog, HWND panel) {
            c.act(panel);
            PumpFor(30);
            if (c.ok) input::Click(panel, kOptionsOk.x, kOptionsOk.y);
            else PressCloseBox(dialog);
        }));
        ReadBack(after);
        EXPECT_EQ(ChangedLibraryFields(before, after), c.changed);
    }
    Project now;
    ReadBack(now);
    EXPECT_EQ(std::string(now.engine.uniqueId, 5), std::string("Qwer\0", 5)) << "the first four characters";
    EXPECT_EQ(now.engine.uiStyle, 6);
    EXPECT_EQ(std::wstring(now.engine.logoPicture), logo) << "the full path is kept";
    EXPECT_EQ(std::wstring(now.engine.backgroundPicture), product);

    // A code that takes more than a byte a character is refused; the dialog
    // stays, and its close box keeps the code.
    MessageBoxAnswerer boxes(L"Korvo Sampler");
    Project before, after;
    ReadBack(before);
    ASSERT_TRUE(InDialog(kOptionsButton, L"Sound Library Options", [&](HWND dialog, HWND panel) {
        TypeInto(panel, kIdField, L"\u4E2D\u6587ab");
        input::Click(panel, kOptionsOk.x, kOptionsOk.y);
        WaitUntil([&] { return boxes.Texts().size() == 1; });
        PumpFor(50);
        EXPECT_TRUE(::IsWindowVisible(dialog));
        PressCloseBox(dialog);
    }));
    ReadBack(after);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(L"unique ID"), std::wstring::npos) << Narrow(boxes.Texts()[0]);
    EXPECT_EQ(ChangedLibraryFields(before, after), std::vector<std::string>{});
}

// A name in Chinese is drawn with its own glyphs, not with the boxes of a
// font that has none: two names differ on the screen.
TEST_P(SamplerDialogs, AChineseNameIsShownWithItsGlyphs) {
    KSamplerEngine engine;
    engine.AddInstrument(1, 0);
    Restore(ChunkOf(engine, temp));
    ASSERT_NE(OpenEditor(), nullptr);
    constexpr RECT kName = {126, 49, 226, 62};
    std::vector<Capture> shown;
    ASSERT_TRUE(InDialog(kOptionsButton, L"Sound Library Options", [&](HWND dialog, HWND panel) {
        for (const wchar_t* name : {L"\u94A2\u7434", L"\u97F3\u8272"}) { // 钢琴, 音色
            TypeInto(panel, kNameField, name);
            PumpFor(30);
            shown.push_back(CaptureWindow(panel));
        }
        PressCloseBox(dialog);
    }));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_GT(Differences(shown[0], shown[1], kName), 20);
}

TEST_P(SamplerDialogs, InstrumentSettingsChangeExactlyTheFieldOfTheRowClicked) {
    KSamplerEngine engine;
    KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
    in.pitchBendOn = 1;
    in.sustainPedalOn = 0;
    in.modWheelSelectsLayer = 1;
    in.keySwitchOn = 0;
    in.playAllLayers = 0;
    in.midiControllersOn = 1;
    Restore(ChunkOf(engine, temp));
    ASSERT_NE(OpenEditor(), nullptr);

    // Rows of the picture from the top; the fourth is the keyswitch, the
    // third the mod wheel.
    const struct {
        const char* row;
        int top;
        const char* field;
    } rows[] = {
        {"ENABLE PITCH BEND", 45, "pitchBendOn"},
        {"ENABLE SUSTAIN PEDAL", 79, "sustainPedalOn"},
        {"MOD WHEEL LAYER SELECTION", 113, "modWheelSelectsLayer"},
        {"FIRST OCTAVE LAYER SELECTION", 147, "keySwitchOn"},
        {"STACK LAYERS", 181, "playAllLayers"},
        {"CONTROLLER", 215, "midiControllersOn"},
    };
    bool shot = false;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        Project before, after;
        ReadBack(before);
        ASSERT_TRUE(InDialog(kSettingsButton, L"Instrument Settings", [&](HWND dialog, HWND panel) {
            if (!shot) shot = SaveScreenshot(dialog, Shot(L"dialogs-instrument-settings"));
            input::Click(panel, 224 + 7, r.top + 7);
            input::Click(panel, kSettingsOk.x, kSettingsOk.y);
        }));
        ReadBack(after);
        EXPECT_EQ(ChangedInstrumentFields(before, after), std::vector<std::string>{r.field});
    }
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK without a change" : "every row, then the close box");
        Project before, after;
        ReadBack(before);
        ASSERT_TRUE(InDialog(kSettingsButton, L"Instrument Settings", [&](HWND dialog, HWND panel) {
            if (ok) {
                input::Click(panel, kSettingsOk.x, kSettingsOk.y);
                return;
            }
            for (const auto& r : rows) input::Click(panel, 224 + 7, r.top + 7);
            PressCloseBox(dialog);
        }));
        ReadBack(after);
        EXPECT_EQ(ChangedInstrumentFields(before, after), std::vector<std::string>{});
    }
}

// Where the dialog manager put each dialog as it made it: the dialog's
// window at WM_INITDIALOG, before the dialog sized itself, seen by a hook on
// the thread that runs the dialogs (this one).
class PlacementWatch {
public:
    PlacementWatch() : hook_(::SetWindowsHookExW(WH_CALLWNDPROC, Watch, nullptr, ::GetCurrentThreadId())) {}
    ~PlacementWatch() {
        if (hook_ != nullptr) ::UnhookWindowsHookEx(hook_);
    }
    bool ok() const { return hook_ != nullptr; }
    // The last dialog's, and how many dialogs were made.
    static RECT placed;
    static int made;

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_INITDIALOG) {
            ::GetWindowRect(message->hwnd, &placed);
            ++made;
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};
RECT PlacementWatch::placed = {};
int PlacementWatch::made = 0;

// Each dialog shows its own background picture, of this skin, under its
// widgets (About its whole picture but its OK button), sized to the picture
// where the system placed it: its top-left corner stays. The screenshots
// show them over the editor.
TEST_P(SamplerDialogs, EachDialogShowsThePictureOfItsSkinSizedWithoutMoving) {
    KSamplerEngine engine;
    engine.AddInstrument(1, 0);
    CopyWide(engine.exportFolder, out.c_str());
    Restore(ChunkOf(engine, temp));
    ASSERT_NE(OpenEditor(), nullptr);
    const bool chinese = GetParam().chinese;
    const struct {
        POINT button;
        const wchar_t* caption;
        const wchar_t* picture;
        RECT plain; // where no widget is drawn
        POINT ok;
        const wchar_t* placedShot;
    } dialogs[] = {
        {kExportButton, L"Export VSTi Player", chinese ? L"BACK_EXPORTCH" : L"BACK_EXPORT", {0, 0, 300, 60},
         kExportClose, L"dialogs-export-placed"},
        {kOptionsButton, L"Sound Library Options", chinese ? L"BACK_SLCH" : L"BACK_SL", {0, 0, 300, 45}, kOptionsOk,
         L"dialogs-library-options-placed"},
        {kSettingsButton, L"Instrument Settings", chinese ? L"BACK_ISCH" : L"BACK_IS", {0, 0, 220, 240}, kSettingsOk,
         L"dialogs-instrument-settings-placed"},
        {kAboutButton, L"About Korvo Sampler", L"BACK_ABOUT", {0, 0, 300, 250}, kAboutOk, L"dialogs-about-placed"},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(Narrow(d.caption));
        const Capture picture = LibraryPicture(library, d.picture);
        ASSERT_GT(picture.width, 0);
        PlacementWatch watch;
        ASSERT_TRUE(watch.ok());
        PlacementWatch::made = 0;
        int differ = -1;
        RECT client = {}, shown = {};
        ASSERT_TRUE(InDialog(d.button, d.caption, [&](HWND dialog, HWND panel) {
            WaitUntil([&] { return (differ = Differences(CaptureWindow(panel), picture, d.plain, kAboutOkRect)) == 0; },
                      3000);
            ::GetClientRect(dialog, &client);
            ::GetWindowRect(dialog, &shown);
            if (lstrcmpW(d.caption, L"About Korvo Sampler") == 0) SaveScreenshot(dialog, Shot(L"dialogs-about"));
            RECT editorArea = {}, both = {};
            ::GetWindowRect(window.hwnd(), &editorArea);
            ::UnionRect(&both, &editorArea, &shown);
            CaptureScreen(both).SavePng(ScreenshotPath(Shot(d.placedShot)));
            input::Click(panel, d.ok.x, d.ok.y);
        }));
        EXPECT_EQ(client.right, picture.width) << "the dialog is sized to its picture";
        EXPECT_EQ(client.bottom, picture.height);
        EXPECT_EQ(differ, 0);
        ASSERT_EQ(PlacementWatch::made, 1);
        EXPECT_EQ(shown.left, PlacementWatch::placed.left) << "the top-left corner stays where the dialog was made";
        EXPECT_EQ(shown.top, PlacementWatch::placed.top);
    }
}

INSTANTIATE_TEST_SUITE_P(Skins, SamplerDialogs, ::testing::Values(kPlain, kChinese),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                             return std::string(info.param.chinese ? "Chinese" : "Plain");
                         });

} // namespace
