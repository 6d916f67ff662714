// The player's editor in the built library, as a host shows it: a player
// copy made as the export makes it, its editor in a window of the test host,
// real input, the state chunk read back to see what an edit stored, the
// rendered output to hear what the keyboard plays, pixels and screenshots to
// see what the editor shows.
#include "DialogFinder.h"
#include "MessageBoxAnswerer.h"
#include "PlayerRig.h"
#include "PlayerSkinNames.h"
#include "PluginHost.h"
#include "SkinImages.h"
#include "SystemCalls.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

std::wstring ShippedPlayer() { return WinePath(KORVO_PLAYER_LIBRARY); }

constexpr int kWidth = 593, kHeight = 242;
// Where the panel shows only its background while no picture loaded and no
// key is held: the two pictures' rectangles and the keyboard's.
const RECT kBackgroundOnly[] = {{125, 0, 305, 45}, {30, 110, 390, 160}, {64, 182, 579, 239}};
constexpr RECT kLogo = {125, 0, 305, 45};
constexpr RECT kProduct = {30, 110, 390, 160};
constexpr RECT kName = {91, 63, 364, 76};
constexpr RECT kMidiLight = {373, 65, 381, 73};
constexpr RECT kVoices = {476, 8, 497, 19};
const wchar_t* const kStyleNames[] = {L"default", L"chinese", L"army", L"black", L"wood", L"metal", L"blackwood"};

// Waits for the host's message loop and the editor's timers.
void PumpFor(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<uint32_t> PixelsOf(const Capture& shot, const RECT& r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels.push_back(shot.Rgb(x, y));
    return pixels;
}

// Pixels of the rectangles that differ from the picture's.
int DifferFromPicture(const Capture& shot, const Pixels& picture, const RECT& r) {
    int differing = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) differing += shot.Rgb(x, y) != (picture.At(x, y) & 0x00FFFFFFu);
    return differing;
}

// The skin's background of a style, as the library holds it.
Pixels Background(int style) {
    ResourceLibrary library(ShippedPlayer());
    Pixels pixels;
    EXPECT_TRUE(DecodePng(library.Bytes(playerskin::kBackgrounds[style]), &pixels));
    return pixels;
}

// The period in frames of a square wave, from its rising zero crossings.
double Period(const std::vector<float>& samples) {
    int first = -1, last = -1, rises = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++rises;
        }
    }
    return rises > 1 ? static_cast<double>(last - first) / (rises - 1) : 0.0;
}

// A solid picture file.
bool WritePicture(const std::wstring& path, int width, int height, uint32_t argb) {
    Capture c;
    c.width = width;
    c.height = height;
    c.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), argb);
    return c.SavePng(path);
}

// The fields of slot 0's record in which two chunks differ.
std::vector<std::string> ChangedFields(const Bytes& a, const Bytes& b) {
    struct Field {
        const char* name;
        size_t offset, width;
    };
    std::vector<Field> fields = {{"channel", 0, 1}, {"pair", 1, 1},   {"layer", 4, 4},  {"send", 8, 8},
                                 {"volume", 16, 8}, {"pan", 24, 8},   {"bend", 32, 1}, {"selection", 228, 4}};
    static const char* const kEnvelope[] = {"attack", "decay", "sustain", "release"};
    static std::vector<std::string> names;
    if (names.empty())
        for (int layer = 1; layer <= 12; ++layer)
            for (const char* value : kEnvelope) names.push_back("layer " + std::to_string(layer) + " " + value);
    for (int i = 0; i < 48; ++i) fields.push_back({names[static_cast<size_t>(i)].c_str(), 36 + 4 * static_cast<size_t>(i), 4});
    std::vector<std::string> changed;
    for (const Field& f : fields)
        if (std::memcmp(a.data() + f.offset, b.data() + f.offset, f.width) != 0) changed.push_back(f.name);
    return changed;
}

template <class T>
T At(const Bytes& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

class PlayerEditorDll : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gdi.ok()); }

    // The library as exported, loaded by a new host and switched on.
    void Load() {
        host.reset();
        set = rig.MakeSet(ShippedPlayer());
        host = std::make_unique<PluginHost>(set.library);
        ASSERT_NE(host->effect(), nullptr);
        host->Open(44100.0f, 512);
    }
    // The editor open in the host window; its panel is the window's child.
    HWND OpenEditor() {
        EXPECT_EQ(host->Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
        PumpMessages();
        return ::GetWindow(window.hwnd(), GW_CHILD);
    }
    Bytes Chunk() {
        void* data = nullptr;
        const VstIntPtr size = host->Dispatch(effGetChunk, 0, 0, &data);
        EXPECT_EQ(size, 3712);
        if (size != 3712 || data == nullptr) return Bytes(3712, 0xEE);
        return Bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }
    // Channel 0 of `frames` rendered in blocks of 512.
    std::vector<float> Render(int frames) {
        std::vector<float> left;
        for (int done = 0; done < frames; done += 512) {
            const auto& out = host->Render(512);
            left.insert(left.end(), out[0].begin(), out[0].end());
        }
        return left;
    }

    GdiplusSession gdi;
    PlayerRig rig;
    PlayerSet set;
    std::unique_ptr<PluginHost> host;
    HostWindow window{kWidth, kHeight};
};

// In the screenshot set (tools/screenshots.sh): one of each style.
using Screenshots = PlayerEditorDll;

TEST_F(Screenshots, ThePlayerOpensInEachStyleOnItsOwnBackground) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"s.wav"));
    std::vector<Capture> shots;
    for (int style = 0; style < playerskin::kStyleCount; ++style) {
        rig.source.uiStyle = style;
        Load();
        ERect* rect = nullptr;
        ASSERT_EQ(host->Dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right, kWidth);
        EXPECT_EQ(rect->bottom, kHeight);
        HWND panel = OpenEditor();
        ASSERT_NE(panel, nullptr);
        shots.push_back(CaptureWindow(panel));
        EXPECT_EQ(shots.back().width, kWidth);
        const Pixels own = Background(style);
        for (const RECT& r : kBackgroundOnly) EXPECT_EQ(DifferFromPicture(shots.back(), own, r), 0) << "style " << style;
        SaveScreenshot(panel, std::wstring(L"player-editor-") + kStyleNames[style]);
        host->Dispatch(effEditClose);
    }
    for (size_t a = 0; a < shots.size(); ++a)
        for (size_t b = a + 1; b < shots.size(); ++b) EXPECT_NE(shots[a].pixels, shots[b].pixels) << a << " " << b;
    const Capture& defaultStyle = shots[0];
    // Any other byte a bank may hold shows the default style, whole.
    for (int32_t style : {7, 255, -1}) {
        rig.source.uiStyle = style;
        Load();
        ERect* rect = nullptr;
        ASSERT_EQ(host->Dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right, kWidth) << style;
        EXPECT_EQ(rect->bottom, kHeight) << style;
        HWND panel = OpenEditor();
        ASSERT_NE(panel, nullptr) << style;
        EXPECT_EQ(CaptureWindow(panel).pixels, defaultStyle.pixels) << "style " << style;
        host->Dispatch(effEditClose);
    }
}

TEST_F(PlayerEditorDll, UpAndDownWalkTheBanksInstruments) {
    const std::wstring wav = rig.Wav(L"w.wav");
    for (const wchar_t* name : {L"Alpha", L"Beta", L"Gamma"}) CopyWide(rig.AddInstrument(0, 0, {1}, wav).name, name);
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    std::vector<std::vector<uint32_t>> names(3);
    names[0] = PixelsOf(CaptureWindow(panel), kName);
    const struct {
        int y; // of the button
        int slot;
    } steps[] = {{85, 0}, {64, 1}, {64, 2}, {64, 2}, {85, 1}, {85, 0}, {64, 1}};
    for (const auto& s : steps) {
        input::Click(panel, 393 + 6, s.y + 4); // a button is one 12-pixel frame wide
        PumpFor(20);
        EXPECT_EQ(At<int32_t>(Chunk(), 228), s.slot) << "the selection the chunk carries";
        const std::vector<uint32_t> name = PixelsOf(CaptureWindow(panel), kName);
        if (names[static_cast<size_t>(s.slot)].empty()) names[static_cast<size_t>(s.slot)] = name;
        EXPECT_EQ(name, names[static_cast<size_t>(s.slot)]) << "slot " << s.slot << "'s name";
    }
    EXPECT_NE(names[0], names[1]);
    EXPECT_NE(names[1], names[2]);

    // A song saved with a larger bank of the same code selects its eighth
    // instrument: this bank's last one shows, and down leads on from there.
    Bytes song = Chunk();
    for (size_t slot = 0; slot < 3; ++slot) {
        const int32_t eighth = 7;
        std::memcpy(song.data() + 232 * slot + 228, &eighth, sizeof eighth);
    }
    ASSERT_EQ(host->Dispatch(effSetChunk, 0, 3712, song.data()), 1);
    PumpFor(20);
    EXPECT_EQ(At<int32_t>(Chunk(), 228), 2);
    EXPECT_EQ(PixelsOf(CaptureWindow(panel), kName), names[2]) << "the last instrument's name";
    input::Click(panel, 393 + 6, 85 + 4);
    PumpFor(20);
    EXPECT_EQ(At<int32_t>(Chunk(), 228), 1);
    EXPECT_EQ(PixelsOf(CaptureWindow(panel), kName), names[1]);
}

TEST_F(PlayerEditorDll, TheEnvelopeDisplaysShowTheKnobsOnALayerWithoutZones) {
    KInstrument& in = rig.AddInstrument(0, 0, {1}, rig.Wav(L"d.wav"));
    in.zones[0]->ampAttack = 100.0f;
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    constexpr RECT kAttackDisplay = {420, 150, 448, 161};
    auto attackWheel = [&](int delta) {
        input::MoveTo(panel, 412 + 21, 109 + 21);
        input::Wheel(delta);
        PumpFor(20);
        return PixelsOf(CaptureWindow(panel), kAttackDisplay);
    };
    // What 100 and 220 look like on layer 1, whose zone takes them.
    const std::vector<uint32_t> shows100 = PixelsOf(CaptureWindow(panel), kAttackDisplay);
    const std::vector<uint32_t> shows220 = attackWheel(120);
    ASSERT_NE(shows100, shows220);
    // Layer 2 has no zone.
    input::MoveTo(panel, 268 + 7, 84 + 5);
    input::Wheel(120);
    PumpFor(20);
    ASSERT_EQ(At<int32_t>(Chunk(), 4), 2);
    EXPECT_EQ(attackWheel(-120), shows100);
    SaveScreenshot(panel, L"player-editor-layer-without-zones");
    EXPECT_EQ(attackWheel(120), shows220);
    EXPECT_EQ(At<float>(Chunk(), 36), 220.0f) << "layer 1 kept its zone's attack";
}

TEST_F(PlayerEditorDll, EveryControlWritesItsFieldAndTheChunkCarriesIt) {
    const std::wstring wav = rig.Wav(L"c.wav");
    KInstrument& in = rig.AddInstrument(0, 0, {1, 2}, wav);
    in.bendRange = 2;
    const float envelopes[2][4] = {{100, 200, -6, 400}, {10, 20, -1, 40}};
    for (int z = 0; z < 2; ++z) {
        in.zones[z]->ampAttack = envelopes[z][0];
        in.zones[z]->ampDecay = envelopes[z][1];
        in.zones[z]->ampSustain = envelopes[z][2];
        in.zones[z]->ampRelease = envelopes[z][3];
    }
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    SaveScreenshot(panel, L"player-editor-controls-before");

    const struct {
        const char* field;
        int x, y, delta;
        size_t offset;
        double stored; // read as the field's type
    } cases[] = {
        {"volume", 424 + 21, 58 + 21, -120, 16, 0.94},
        {"pan", 477 + 21, 58 + 21, 120, 24, 56.0},
        {"send", 530 + 21, 58 + 21, 120, 8, 0.06},
        {"layer 1 attack", 412 + 21, 109 + 21, 120, 36, 220.0},
        {"layer 1 decay", 455 + 21, 109 + 21, 120, 40, 320.0},
        {"layer 1 sustain", 498 + 21, 109 + 21, -120, 44, -7.8},
        {"layer 1 release", 541 + 21, 109 + 21, 120, 48, 520.0},
        {"channel", 84 + 7, 84 + 5, 120, 0, 1.0},
        {"pair", 186 + 7, 84 + 5, 120, 1, 1.0},
        {"bend", 358 + 7, 84 + 5, 120, 32, 3.0},
        {"layer", 268 + 7, 84 + 5, 120, 4, 2.0},
    };
    for (const auto& c : cases) {
        const Bytes before = Chunk();
        input::MoveTo(panel, c.x, c.y);
        input::Wheel(c.delta);
        PumpFor(20);
        const Bytes after = Chunk();
        EXPECT_EQ(ChangedFields(before, after), std::vector<std::string>{c.field});
        double stored = 0;
        if (c.offset == 0 || c.offset == 1 || c.offset == 32) stored = after[c.offset];
        else if (c.offset == 4) stored = At<int32_t>(after, 4);
        else if (c.offset >= 36) stored = At<float>(after, c.offset);
        else stored = At<double>(after, c.offset);
        EXPECT_NEAR(stored, c.stored, 1e-6) << c.field;
    }
    const Capture edited = CaptureWindow(panel);
    SaveScreenshot(panel, L"player-editor-controls-after");
    const Bytes saved = Chunk();

    // The host saves the song, and loads it into a new player.
    host->Dispatch(effEditClose);
    host = std::make_unique<PluginHost>(set.library);
    ASSERT_NE(host->effect(), nullptr);
    host->Open(44100.0f, 512);
    Bytes restored = saved;
    ASSERT_EQ(host->Dispatch(effSetChunk, 0, 3712, restored.data()), 1);
    EXPECT_EQ(Chunk(), saved);
    panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(CaptureWindow(panel).pixels, edited.pixels) << "the editor shows what was saved";
}

TEST_F(PlayerEditorDll, TheKeyboardPlaysNotesAtTheirPitchAndShowsThemHeld) {
    // Period 200 at key 60; a short release, so that one note has ended
    // when the next is measured.
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"k.wav", 40000)).zones[0]->ampRelease = 1.0f;
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    const struct {
        int note, x, y; // panel point
        RECT key;       // where the key shows held
    } cases[] = {
        {60, 64 + 84 * 3 + 6, 182 + 50, {64 + 252, 182 + 42, 64 + 264, 239}},
        {72, 64 + 84 * 4 + 6, 182 + 50, {64 + 336, 182 + 42, 64 + 348, 239}},
        {67, 64 + 84 * 3 + 48 + 6, 182 + 50, {64 + 300, 182 + 42, 64 + 312, 239}},
        {61, 64 + 84 * 3 + 4 + 4, 182 + 20, {64 + 256, 182, 64 + 265, 182 + 38}},
    };
    for (const auto& c : cases) {
        const std::vector<uint32_t> up = PixelsOf(CaptureWindowAsIs(panel), c.key);
        input::MoveTo(panel, c.x, c.y);
        input::LeftDown();
        const std::vector<float> sound = Render(4096);
        const double expected = 200.0 / std::pow(2.0, (c.note - 60) / 12.0);
        EXPECT_NEAR(Period(std::vector<float>(sound.begin() + 1024, sound.end())), expected, expected * 0.01)
            << "note " << c.note;
        EXPECT_NE(PixelsOf(CaptureWindowAsIs(panel), c.key), up) << "note " << c.note << " shows held";
        if (c.note == 72) SaveScreenshot(panel, L"player-editor-key-held");
        input::LeftUp();
        Render(8192);
        EXPECT_EQ(PixelsOf(CaptureWindowAsIs(panel), c.key), up) << "note " << c.note << " let go";
    }
    // The host's notes show too: the keyboard's two ends.
    const RECT lowest = {64, 182 + 42, 64 + 12, 239}, highest = {64 + 508, 182, 64 + 515, 182 + 38};
    const std::vector<uint32_t> low = PixelsOf(CaptureWindowAsIs(panel), lowest),
                                high = PixelsOf(CaptureWindowAsIs(panel), highest);
    host->SendMidi({{0x90, 24, 100, 0}, {0x90, 97, 100, 0}});
    Render(512);
    EXPECT_NE(PixelsOf(CaptureWindowAsIs(panel), lowest), low);
    EXPECT_NE(PixelsOf(CaptureWindowAsIs(panel), highest), high);
    host->SendMidi({{0xB0, 123, 1, 0}});
    Render(512);
    EXPECT_EQ(PixelsOf(CaptureWindowAsIs(panel), lowest), low) << "all notes off";
    EXPECT_EQ(PixelsOf(CaptureWindowAsIs(panel), highest), high);
}

TEST_F(PlayerEditorDll, ThePitchFaderBendsTheNoteAndSpringsBack) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"b.wav", 60000));
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    host->SendMidi({{0x90, 60, 100, 0}});
    EXPECT_NEAR(Period(Render(2048)), 200.0, 2.0);
    // The thumb from the centre to the top of its travel.
    input::MoveTo(panel, 20, 191 + 17 + 3);
    input::LeftDown();
    for (int y = 191 + 17 + 3; y >= 191; y -= 4) input::MoveTo(panel, 20, y);
    Render(4096); // the glide
    const double up = 200.0 / std::pow(2.0, 2.0 / 12.0);
    EXPECT_NEAR(Period(Render(4096)), up, up * 0.01) << "two semitones up, the bend range";
    input::LeftUp();
    Render(4096);
    EXPECT_NEAR(Period(Render(4096)), 200.0, 2.0) << "back at the centre";
}

TEST_F(PlayerEditorDll, AnEmptyBankAndAFailedPairingShowNullAndKeepWorking) {
    // What "NULL" looks like in the name display.
    CopyWide(rig.AddInstrument(0, 0, {1}, rig.Wav(L"n.wav")).name, L"NULL");
    Load();
    const std::vector<uint32_t> null = PixelsOf(CaptureWindow(OpenEditor()), kName);
    host->Dispatch(effEditClose);
    rig.source.DeleteInstrument(0);
    CopyWide(rig.AddInstrument(0, 0, {1}, rig.wavs[0]).name, L"Cello");
    Load();
    const std::vector<uint32_t> cello = PixelsOf(CaptureWindow(OpenEditor()), kName);
    EXPECT_NE(cello, null);
    host->Dispatch(effEditClose);

    auto useEveryControl = [&](HWND panel) {
        for (POINT p : {POINT{445, 79}, POINT{433, 130}, POINT{91, 89}, POINT{275, 89}, POINT{399, 68}, POINT{399, 89}}) {
            input::MoveTo(panel, p.x, p.y);
            input::Wheel(120);
            input::Click(panel, p.x, p.y);
        }
        input::Click(panel, 64 + 252 + 6, 182 + 50); // a key
        input::MoveTo(panel, 20, 211);              // the pitch fader
        input::LeftDown();
        input::MoveTo(panel, 20, 195);
        input::LeftUp();
        input::Click(panel, 556 + 8, 21 + 8); // panic
        PumpFor(50);
    };
    const struct {
        const char* what;
        bool pairs;
    } cases[] = {{"an empty bank", true}, {"a failed pairing", false}};
    for (const auto& c : cases) {
        rig.source.DeleteInstrument(0);
        if (!c.pairs) rig.AddInstrument(0, 0, {1}, rig.wavs[0]);
        host.reset();
        set = rig.MakeSet(ShippedPlayer());
        if (!c.pairs) {
            ASSERT_TRUE(StampLibraryCode(set.library, "Nope"));
        }
        MessageBoxAnswerer answerer(L"Korvo Sampler Player");
        host = std::make_unique<PluginHost>(set.library);
        ASSERT_NE(host->effect(), nullptr) << c.what;
        host->Open(44100.0f, 512);
        EXPECT_EQ(answerer.Texts().size(), c.pairs ? 0u : 1u) << c.what;
        HWND panel = OpenEditor();
        ASSERT_NE(panel, nullptr) << c.what;
        EXPECT_EQ(PixelsOf(CaptureWindow(panel), kName), null) << c.what;
        SaveScreenshot(panel, c.pairs ? L"player-editor-empty-bank" : L"player-editor-failed-pairing");
        useEveryControl(panel);
        EXPECT_EQ(PixelsOf(CaptureWindow(panel), kName), null) << c.what;
        EXPECT_EQ(Chunk(), Bytes(3712, 0)) << c.what << ": nothing stored";
        float peak = 0;
        for (float v : Render(4096)) peak = std::max(peak, std::fabs(v));
        EXPECT_EQ(peak, 0.0f) << c.what << ": silent";
        host->Dispatch(effEditClose);
    }
}

TEST_F(PlayerEditorDll, ThePicturesBesideTheBankShowAndMissingOnesShowNothing) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"p.wav"));
    CopyWide(rig.source.logoPicture, L"D:\\Art work\\logo.png");
    CopyWide(rig.source.backgroundPicture, L"product.png");
    const std::wstring bankFolder = rig.libs + L"\\Piano\\";
    const Pixels background = Background(0);

    set = rig.MakeSet(ShippedPlayer());
    ASSERT_TRUE(WritePicture(bankFolder + L"logo.png", 100, 30, 0xFFFF0000));
    ASSERT_TRUE(WritePicture(bankFolder + L"product.png", 400, 80, 0xFF00FF00));
    host = std::make_unique<PluginHost>(set.library);
    ASSERT_NE(host->effect(), nullptr);
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    Capture shot = CaptureWindow(panel);
    SaveScreenshot(panel, L"player-editor-pictures");
    EXPECT_TRUE(shot.Filled({125, 0, 225, 30}, 0xFFFF0000)) << "the logo from the corner of its place";
    EXPECT_EQ(DifferFromPicture(shot, background, {225, 0, 305, 45}), 0) << "the rest of the place as it was";
    EXPECT_EQ(DifferFromPicture(shot, background, {125, 30, 225, 45}), 0);
    EXPECT_TRUE(shot.Filled(kProduct, 0xFF00FF00)) << "the product picture cut to its place";
    EXPECT_EQ(DifferFromPicture(shot, background, {30, 160, 390, 170}), 0) << "and not beyond";
    host.reset();

    // A missing logo and a product picture that is no picture.
    ASSERT_TRUE(RemoveFile((bankFolder + L"logo.png").c_str()));
    ASSERT_TRUE(WriteBytes(bankFolder + L"product.png", Bytes(500, 0x5A)));
    host = std::make_unique<PluginHost>(set.library);
    ASSERT_NE(host->effect(), nullptr);
    panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    shot = CaptureWindow(panel);
    EXPECT_EQ(DifferFromPicture(shot, background, kLogo), 0);
    EXPECT_EQ(DifferFromPicture(shot, background, kProduct), 0);
    // A click on a picture does nothing: no setting changes, nothing plays,
    // nothing goes to the host, the editor looks the same.
    host->Open(44100.0f, 512);
    const Bytes before = Chunk();
    const size_t hostCalls = host->calls.size();
    for (POINT p : {POINT{200, 20}, POINT{200, 130}, POINT{35, 155}}) {
        input::Click(panel, p.x, p.y);
        input::DoubleClick(panel, p.x, p.y);
        input::ForgetClicks();
    }
    PumpFor(50);
    EXPECT_EQ(::GetWindow(window.hwnd(), GW_CHILD), panel);
    EXPECT_EQ(Chunk(), before) << "no setting changed";
    float peak = 0;
    for (float v : Render(4096)) peak = std::max(peak, std::fabs(v));
    EXPECT_EQ(peak, 0.0f) << "no note was queued";
    bool sentToHost = false;
    for (size_t i = hostCalls; i < host->calls.size(); ++i)
        sentToHost |= host->calls[i].opcode == audioMasterProcessEvents;
    EXPECT_FALSE(sentToHost) << "no MIDI to the host";
    EXPECT_EQ(CaptureWindow(panel).pixels, shot.pixels) << "the editor as it was";
    EXPECT_EQ(FindDialog(L"About Korvo Sampler"), nullptr);
}

TEST_F(PlayerEditorDll, TheMidiLightAndTheVoiceCountFollowPlayingNotes) {
    rig.AddInstrument(2, 0, {1}, rig.Wav(L"m.wav"));
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    PumpFor(250);
    const std::vector<uint32_t> unlit = PixelsOf(CaptureWindow(panel), kMidiLight),
                                noVoices = PixelsOf(CaptureWindow(panel), kVoices);
    host->SendMidi({{0x90, 60, 100, 0}});
    host->Render(256);
    EXPECT_EQ(PixelsOf(CaptureWindowAsIs(panel), kMidiLight), unlit) << "channel 1 is not the instrument's";
    host->SendMidi({{0x91, 60, 100, 0}});
    host->Render(256);
    // Before the window thread starts the light's 200 ms timer.
    EXPECT_NE(PixelsOf(CaptureWindowAsIs(panel), kMidiLight), unlit) << "lit by the note";
    SaveScreenshot(panel, L"player-editor-playing");
    PumpFor(450);
    EXPECT_EQ(PixelsOf(CaptureWindow(panel), kMidiLight), unlit) << "out one timer period after the note";
    EXPECT_NE(PixelsOf(CaptureWindow(panel), kVoices), noVoices) << "one voice sounds";
    host->SendMidi({{0x81, 60, 0, 0}});
    for (int block = 0; block < 40; ++block) host->Render(512);
    PumpFor(450);
    EXPECT_EQ(PixelsOf(CaptureWindow(panel), kVoices), noVoices) << "the voice has ended";
}

// A burst of MIDI in one block: the audio thread asks the window system once
// at most (each call may wait on the window manager's lock), and the window
// shows all of it once its thread has run: the light, the keys still held,
// the knobs and faders at the last value of their controllers and bends, and
// the layer the mod wheel chose; the light goes out after its timer.
TEST_F(PlayerEditorDll, ABurstOfMidiInOneBlockMakesOneWindowCallAtMostAndAllOfItShows) {
    KInstrument& source = rig.AddInstrument(1, 0, {1}, rig.Wav(L"burst.wav"));
    source.modWheelSelectsLayer = 1;
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    PumpFor(250);
    // The lower part of a white key of 36..95, below the black keys.
    auto whiteKey = [](int note) {
        static const int kWhiteIndex[12] = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};
        const int octave = (note - 24) / 12, white = kWhiteIndex[(note - 24) % 12];
        const int x = 64 + 84 * octave + 12 * white;
        return RECT{x, 182 + 42, x + 12, 239};
    };
    std::vector<int> whites;
    for (int note = 36; note <= 95; ++note)
        if (note % 12 != 1 && note % 12 != 3 && note % 12 != 6 && note % 12 != 8 && note % 12 != 10) whites.push_back(note);
    const struct {
        const char* name;
        RECT area;
    } controls[] = {{"volume knob", {424, 58, 466, 100}}, {"pan knob", {477, 58, 519, 100}},
                    {"send knob", {530, 58, 572, 100}},   {"pitch fader", {15, 191, 26, 232}},
                    {"modulation fader", {35, 191, 46, 232}}, {"layer", {268, 84, 282, 95}}};
    const Capture before = CaptureWindow(panel);

    // 500 events, in this order: ten notes that all-notes-off then clears,
    // keys 36..85 down four times each, 36..60 up four times, the volume,
    // pan and send controllers fifty times each, bends and the mod wheel.
    std::vector<PluginHost::Midi> burst;
    auto add = [&](uint8_t status, int data1, int data2) {
        burst.push_back({status, static_cast<uint8_t>(data1), static_cast<uint8_t>(data2),
                         static_cast<VstInt32>(burst.size())});
    };
    for (int n = 0; n < 10; ++n) add(0x90, 86 + n, 100);
    add(0xB0, 123, 1);
    for (int n = 0; n < 200; ++n) add(0x90, 36 + n % 50, 100);
    for (int n = 0; n < 100; ++n) add(0x80, 36 + n % 25, 0);
    for (int n = 0; n < 50; ++n) {
        const bool last = n == 49;
        add(0xB0, 7, last ? 32 : 100 + n % 20);
        add(0xB0, 10, last ? 100 : 10 + n);
        add(0xB0, 91, last ? 64 : 1 + n);
    }
    for (int n = 0; n < 30; ++n) {
        const int bend = n == 29 ? 4096 : 8192 + 200 * n;
        add(0xE0, bend & 0x7F, bend >> 7);
    }
    for (int n = 0; n < 9; ++n) add(0xB0, 1, n == 8 ? 127 : 10 * n + 5);
    ASSERT_EQ(burst.size(), 500u);
    host->SendMidi(burst);

    WindowCalls calls(ModuleOf(reinterpret_cast<const void*>(host->effect()->dispatcher)));
    ASSERT_TRUE(calls.installed());
    auto renderOnAudioThread = [&] {
        std::thread audio([&] {
            calls.CountOnThisThread();
            host->Render(512);
        });
        audio.join();
        return calls.Count();
    };
    EXPECT_LE(renderOnAudioThread(), 1) << "window-system calls on the audio thread in one block";

    // Its first paint shows the light lit (no timer can run before).
    const Capture painted = CaptureWindowAsIs(panel);
    EXPECT_NE(PixelsOf(painted, kMidiLight), PixelsOf(before, kMidiLight)) << "the light is lit";
    SaveScreenshot(panel, L"player-editor-midi-burst");
    const Capture shown = CaptureWindow(panel);
    for (int note : whites)
        EXPECT_EQ(PixelsOf(shown, whiteKey(note)) != PixelsOf(before, whiteKey(note)), note >= 61 && note <= 85)
            << "key " << note << (note >= 61 && note <= 85 ? " shows held" : " shows up");
    for (const auto& c : controls) EXPECT_NE(PixelsOf(shown, c.area), PixelsOf(before, c.area)) << c.name << " moved";
    EXPECT_EQ(At<int32_t>(Chunk(), 4), 12) << "the mod wheel chose layer 12";
    EXPECT_EQ(renderOnAudioThread(), 0) << "a block without MIDI asks nothing";

    // What the last event of each control shows, sent alone, one a block.
    const std::vector<PluginHost::Midi> lasts = {
        {0xB0, 7, 32, 0}, {0xB0, 10, 100, 0}, {0xB0, 91, 64, 0}, {0xE0, 4096 & 0x7F, 4096 >> 7, 0}, {0xB0, 1, 127, 0}};
    for (const PluginHost::Midi& m : lasts) {
        host->SendMidi({m});
        host->Render(512);
        PumpMessages();
    }
    const Capture alone = CaptureWindow(panel);
    for (const auto& c : controls)
        EXPECT_EQ(PixelsOf(shown, c.area), PixelsOf(alone, c.area)) << c.name << " shows the burst's last value";

    // The light goes out after its timer.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (PixelsOf(CaptureWindow(panel), kMidiLight) != PixelsOf(before, kMidiLight) &&
           std::chrono::steady_clock::now() < deadline)
        PumpFor(20);
    EXPECT_EQ(PixelsOf(CaptureWindow(panel), kMidiLight), PixelsOf(before, kMidiLight)) << "the light went out";
}

TEST_F(PlayerEditorDll, TheAboutBoxIsThePictureInsideItsFrame) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"a.wav"));
    Load();
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    RECT client = {}, frame = {};
    bool ownerDisabled = false;
    std::thread user([&] {
        HWND about = WaitForDialog(L"About Korvo Sampler", 5000);
        if (about == nullptr) return;
        ::GetClientRect(about, &client);
        ::GetWindowRect(about, &frame);
        ownerDisabled = !::IsWindowEnabled(window.hwnd());
        CaptureWindowAsIs(about).SavePng(ScreenshotPath(L"player-about"));
        ::PostMessageW(about, WM_CLOSE, 0, 0);
    });
    input::Click(panel, 11 + 38, 3 + 19); // the logo button
    user.join();
    EXPECT_EQ(client.right - client.left, 300);
    EXPECT_EQ(client.bottom - client.top, 200);
    EXPECT_GT(frame.bottom - frame.top, 200) << "with its caption";
    EXPECT_TRUE(ownerDisabled) << "modal over the host's window";
    EXPECT_EQ(FindDialog(L"About Korvo Sampler"), nullptr) << "closed with its close box";
    EXPECT_TRUE(::IsWindowEnabled(window.hwnd()));
}

TEST_F(PlayerEditorDll, OpensAndClosesManyTimesWhileNotesPlay) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"o.wav"));
    Load();
    std::atomic<bool> stop{false};
    // The host's audio thread, playing notes all the while.
    std::thread audio([&] {
        for (int n = 0; !stop; ++n) {
            host->SendMidi({{static_cast<uint8_t>(n % 2 == 0 ? 0x90 : 0x80), static_cast<uint8_t>(48 + n % 24), 100, 0}});
            host->Render(128);
            // Gaps in which the window's messages run out (PumpMessages).
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    for (int round = 0; round < 25; ++round) {
        ASSERT_EQ(host->Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
        PumpFor(round % 5 == 0 ? 250 : 20);
        host->Dispatch(effEditIdle);
        host->Dispatch(effEditClose);
        EXPECT_EQ(::GetWindow(window.hwnd(), GW_CHILD), nullptr) << "the panel goes with close";
        PumpMessages();
    }
    stop = true;
    audio.join();
    HWND panel = OpenEditor();
    const std::vector<uint32_t> unlit = PixelsOf(CaptureWindow(panel), kMidiLight);
    // A light lit when the window goes loses its timer with the window: the
    // next window shows it out, and a note lights it and puts it out again.
    for (int round = 0; round < 3; ++round) {
        host->SendMidi({{0x90, 60, 100, 0}});
        host->Render(256);
        ASSERT_NE(PixelsOf(CaptureWindowAsIs(panel), kMidiLight), unlit) << "lit by the note, round " << round;
        host->Dispatch(effEditClose);
        panel = OpenEditor();
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(PixelsOf(CaptureWindowAsIs(panel), kMidiLight), unlit) << "out in the new window, round " << round;
        host->SendMidi({{0x80, 60, 0, 0}, {0x90, 62, 100, 0}});
        host->Render(256);
        EXPECT_NE(PixelsOf(CaptureWindowAsIs(panel), kMidiLight), unlit) << "a note lights it again, round " << round;
        PumpFor(450);
        EXPECT_EQ(PixelsOf(CaptureWindow(panel), kMidiLight), unlit) << "no light left lit, round " << round;
        host->SendMidi({{0x80, 62, 0, 0}});
        host->Render(256);
    }
    // Destroyed with its window open and a note sounding.
    host->SendMidi({{0x90, 60, 100, 0}});
    host->Render(256);
    host->Close();
    PumpFor(300); // timers that outlived the editor would fire now
    EXPECT_EQ(::GetWindow(window.hwnd(), GW_CHILD), nullptr);
}

} // namespace
