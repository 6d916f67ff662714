// The zone map under the mouse and the keys, in the real library: a double
// click adds a zone from a WAV at the key under the pointer, the wheel
// shifts the selected zone, a right click on the strip sets its root key,
// Delete removes it (not while it sounds), and nothing edits a zone the map
// does not show or leaves a range upside down. What each gesture stored is
// read back from the chunk.
#include "EditorRig.h"

#include "FileDialogAnswerer.h"
#include "ProjectChunk.h"
#include "WavWriter.h"

#include <chrono>
#include <initializer_list>
#include <ostream>
#include <thread>
#include <vector>

namespace {

struct Span {
    int keyLow, keyHigh, velocityLow, velocityHigh, rootKey;
    bool operator==(const Span& o) const {
        return keyLow == o.keyLow && keyHigh == o.keyHigh && velocityLow == o.velocityLow &&
               velocityHigh == o.velocityHigh && rootKey == o.rootKey;
    }
};

std::ostream& operator<<(std::ostream& os, const Span& s) {
    return os << "{keys " << s.keyLow << ".." << s.keyHigh << " velocities " << s.velocityLow << ".."
              << s.velocityHigh << " root " << s.rootKey << "}";
}

// The zones of the first instrument, in slot order.
std::vector<Span> SpansOf(const LoadedChunk& chunk) {
    std::vector<Span> spans;
    const KInstrument* in = chunk.engine.instruments[0];
    if (in == nullptr) return spans;
    for (const KSampleZone* z : in->zones)
        if (z != nullptr) spans.push_back({z->keyLow, z->keyHigh, z->velocityLow, z->velocityHigh, z->rootKey});
    return spans;
}

// Real key events: the keys go down, `act` runs, they come up again.
template <typename Act> void WithKeysHeld(std::initializer_list<WORD> keys, Act act) {
    std::vector<INPUT> down, up;
    for (const WORD key : keys) {
        INPUT event = {};
        event.type = INPUT_KEYBOARD;
        event.ki.wVk = key;
        down.push_back(event);
        event.ki.dwFlags = KEYEVENTF_KEYUP;
        up.insert(up.begin(), event);
    }
    if (!down.empty()) ::SendInput(static_cast<UINT>(down.size()), down.data(), sizeof(INPUT));
    PumpMessages();
    act();
    if (!up.empty()) ::SendInput(static_cast<UINT>(up.size()), up.data(), sizeof(INPUT));
    PumpMessages();
}

void RightClick(HWND panel, int x, int y) {
    input::MoveTo(panel, x, y);
    input::RightDown();
    input::RightUp();
    input::ForgetClicks();
}

// A press, moves through the points and a release: a drag.
void Drag(HWND panel, POINT from, std::initializer_list<POINT> through) {
    input::MoveTo(panel, from.x, from.y);
    input::LeftDown();
    for (const POINT p : through) input::MoveTo(panel, p.x, p.y);
    input::LeftUp();
    input::ForgetClicks();
}

struct Placed {
    int keyLow, keyHigh, velocityLow, velocityHigh, layer;
};

class ZoneMap : public SamplerEditor {
protected:
    // One instrument on channel 1 whose layer follows the mod wheel, with
    // zones of a square wave (root 60, 10 ms release) where given, and a
    // sample folder of one plain WAV; its editor open.
    HWND Show(const std::vector<Placed>& zones) {
        wav = SquareWav(folder);
        samples = folder.File(L"samples");
        ::CreateDirectoryW(samples.c_str(), nullptr);
        WriteBytes(samples + L"\\plain.wav", WavWriter(1, 16).Generate(20000, [](int64_t i, int) {
            return static_cast<int32_t>(i % 100 < 50 ? 12000 : -12000);
        }).Build());
        KSamplerEngine engine;
        KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
        in.modWheelSelectsLayer = 1;
        in.midiControllersOn = 1;
        for (const Placed& z : zones) {
            const int slot = in.AddZone(wav.c_str(), 60, z.keyLow, z.velocityHigh, z.keyHigh, z.velocityLow, z.layer,
                                        nullptr, 0);
            if (slot >= 0) in.zones[slot]->ampRelease = 10.0f;
        }
        CopyWide(engine.sampleFolder, samples.c_str());
        Restore(ChunkOf(engine, folder));
        HWND panel = OpenEditor();
        PumpFor(50);
        return panel;
    }
    std::vector<Span> Stored() {
        LoadedChunk now;
        ReadBack(now);
        return SpansOf(now);
    }

    std::wstring wav, samples;
};

// Local x of the map's last pixel column: the widget is 617 pixels wide for
// 88 keys of 7.
constexpr int kLastColumn = 616;

TEST_F(ZoneMap, ADoubleClickAddsAZoneAtTheKeyUnderThePointerAndTheLastColumnIsKey108) {
    HWND panel = Show({});
    ASSERT_NE(panel, nullptr);
    const std::wstring rooted = folder.File(L"rooted.wav");
    WriteBytes(rooted, WavWriter(1, 16).Generate(20000, [](int64_t i, int) {
        return static_cast<int32_t>(i % 100 < 50 ? 12000 : -12000);
    }).Smpl(48, {}).Build());
    // The last key's column on the plane, where a zone on key 108 shows.
    constexpr RECT kKey108 = {kMapLeft + 609, kMapTop + 20, kMapLeft + 616, kMapTop + 150};
    const std::vector<uint32_t> emptyColumn = Shown(panel, kKey108);

    const struct {
        const char* where;
        int x;
        const std::wstring* file;
        Span added;
    } cases[] = {
        {"a key's column", KeyX(40) - kMapLeft, &wav, {40, 40, 1, 127, 40}},
        {"the first pixel column", 0, &wav, {21, 21, 1, 127, 21}},
        {"the last pixel column", kLastColumn, &wav, {108, 108, 1, 127, 108}},
        {"a WAV that names its own root", KeyX(70) - kMapLeft, &rooted, {48, 48, 1, 127, 48}},
    };
    std::vector<Span> expected;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        FileDialogAnswerer user(L"Add Sample to Korvo Sampler", *c.file);
        input::DoubleClick(panel, kMapLeft + c.x, VelocityY(64));
        input::ForgetClicks();
        PumpFor(50);
        EXPECT_EQ(user.Answered(), 1);
        expected.push_back(c.added);
        EXPECT_EQ(Stored(), expected);
    }
    EXPECT_NE(Shown(panel, kKey108), emptyColumn) << "the zone on key 108 is drawn";
    SaveScreenshot(panel, L"sampler-editor-zone-map-added");

    // A WAV dragged from the list onto the last column lands on key 108 too.
    Drag(panel, {kListX, RowY(0)}, {{400, 250}, {kMapLeft + kLastColumn, VelocityY(64)}});
    PumpFor(30);
    expected.push_back({108, 108, 1, 127, 108});
    EXPECT_EQ(Stored(), expected);
}

TEST_F(ZoneMap, TheWheelShiftsTheSelectedZoneByOneKeyOrWithControlAloneByOneVelocity) {
    HWND panel = Show({{60, 64, 20, 100, 1}, {104, 108, 100, 127, 1}, {21, 23, 1, 10, 1}});
    ASSERT_NE(panel, nullptr);
    std::vector<Span> zones = {{60, 64, 20, 100, 60}, {104, 108, 100, 127, 60}, {21, 23, 1, 10, 60}};
    const struct {
        const char* what;
        int zone, delta;
        std::initializer_list<WORD> held;
        Span after;
    } steps[] = {
        {"up: a key up", 0, 120, {}, {61, 65, 20, 100, 60}},
        {"down: a key down", 0, -120, {}, {60, 64, 20, 100, 60}},
        {"three notches at once: still one key", 0, 360, {}, {61, 65, 20, 100, 60}},
        {"Ctrl up: a velocity up", 0, 120, {VK_CONTROL}, {61, 65, 21, 101, 60}},
        {"Ctrl down: a velocity down", 0, -120, {VK_CONTROL}, {61, 65, 20, 100, 60}},
        {"Ctrl and Shift: keys, not velocities", 0, 120, {VK_CONTROL, VK_SHIFT}, {62, 66, 20, 100, 60}},
        {"up at key 108", 1, 120, {}, {104, 108, 100, 127, 60}},
        {"Ctrl up at velocity 127", 1, 120, {VK_CONTROL}, {104, 108, 100, 127, 60}},
        {"down at key 21", 2, -120, {}, {21, 23, 1, 10, 60}},
        {"Ctrl down at velocity 1", 2, -120, {VK_CONTROL}, {21, 23, 1, 10, 60}},
    };
    int selected = -1;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.zone != selected) {
            // The zone has moved with the wheel: its middle is found anew.
            const Span& z = zones[static_cast<size_t>(s.zone)];
            const POINT at = {KeyX((z.keyLow + z.keyHigh) / 2), VelocityY((z.velocityLow + z.velocityHigh) / 2)};
            input::Click(panel, at.x, at.y);
            input::ForgetClicks();
            selected = s.zone;
        }
        WithKeysHeld(s.held, [&] { input::Wheel(s.delta); });
        PumpFor(30);
        zones[static_cast<size_t>(s.zone)] = s.after;
        EXPECT_EQ(Stored(), zones);
    }
}

TEST_F(ZoneMap, ARightClickOnTheKeyStripSetsTheSelectedZonesRootKey) {
    HWND panel = Show({{60, 64, 1, 127, 1}});
    ASSERT_NE(panel, nullptr);
    input::Click(panel, KeyX(62), VelocityY(60));
    input::ForgetClicks();
    const struct {
        const char* where;
        int x, y, root;
    } cases[] = {
        {"key 45", KeyX(45), kStripY, 45},
        {"the first pixel column", kMapLeft, kStripY, 21},
        {"the last pixel column", kMapLeft + kLastColumn, kStripY, 108},
        {"the plane, not the strip", KeyX(70), VelocityY(60), 108},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        RightClick(panel, c.x, c.y);
        PumpFor(30);
        EXPECT_EQ(Stored(), (std::vector<Span>{{60, 64, 1, 127, c.root}}));
    }
}

TEST_F(ZoneMap, TheDeleteKeyDeletesTheSelectedZoneButNotWhileItSounds) {
    HWND panel = Show({{60, 64, 1, 127, 1}, {70, 74, 1, 127, 1}});
    ASSERT_NE(panel, nullptr);
    input::Click(panel, KeyX(62), VelocityY(60));
    input::Key(VK_DELETE);
    PumpFor(30);
    ASSERT_EQ(Stored(), (std::vector<Span>{{70, 74, 1, 127, 60}})) << "the selected zone, and only it, is gone";

    input::Click(panel, KeyX(72), VelocityY(60));
    host.SendMidi({{0x90, 72, 100, 0}});
    host.Render(512);
    ASSERT_GT(host.PairPeak(0), 0.05f) << "the zone sounds";
    input::Key(VK_DELETE);
    PumpFor(30);
    EXPECT_EQ(Stored(), (std::vector<Span>{{70, 74, 1, 127, 60}})) << "refused while a voice plays it";

    host.SendMidi({{0x80, 72, 0, 0}});
    for (int block = 0; block < 20; ++block) host.Render(512);
    ASSERT_EQ(host.PairPeak(0), 0.0f) << "the voice has ended";
    input::Key(VK_DELETE); // no new click: the refused zone stayed selected
    PumpFor(30);
    EXPECT_EQ(Stored(), std::vector<Span>{});
}

// After a layer switch the zone selected on the layer before is not drawn:
// no drag from where its edge was, no wheel, no right click and no Delete
// touches it (it was selected by the editor, with no press to size from).
TEST_F(ZoneMap, AZoneOfTheLayerLeftBehindIsNotEditedByAnyGesture) {
    HWND panel = Show({{40, 50, 1, 127, 1}, {70, 80, 1, 127, 2}});
    ASSERT_NE(panel, nullptr);
    // Its right edge, the two inner pixels of key 50's column.
    const POINT edge = {kMapLeft + (50 - 20) * 7 - 2, VelocityY(64)};
    input::MoveTo(panel, edge.x - 3, edge.y);
    input::MoveTo(panel, edge.x, edge.y);

    // The mod wheel takes the instrument to layer 2; the editor follows.
    constexpr RECT kLayerCombo = {446, 106, 581, 120};
    const std::vector<uint32_t> layer1 = Shown(panel, kLayerCombo);
    host.SendMidi({{0xB0, 1, 16, 0}});
    host.Render(256);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Shown(panel, kLayerCombo) == layer1 && std::chrono::steady_clock::now() < end) PumpFor(20);
    ASSERT_NE(Shown(panel, kLayerCombo), layer1) << "the layer box shows layer 2";
    LoadedChunk before;
    ReadBack(before);

    input::MoveTo(panel, edge.x - 3, edge.y);
    input::MoveTo(panel, edge.x, edge.y);
    Drag(panel, edge, {{edge.x - 40, edge.y}, {edge.x - 80, edge.y}});
    input::Wheel(120);
    RightClick(panel, KeyX(30), kStripY);
    input::Key(VK_DELETE);
    PumpFor(30);
    LoadedChunk after;
    ReadBack(after);
    EXPECT_EQ(ChangedFields(before, after), std::vector<std::string>{});
    EXPECT_EQ(SpansOf(after), (std::vector<Span>{{40, 50, 1, 127, 60}, {70, 80, 1, 127, 60}}));
}

// An edge dragged past the other one stops there, even when the wheel has
// shifted the zone since the press: no range is stored upside down (the
// project would drop such a zone when it is loaded again).
TEST_F(ZoneMap, AnEdgeDragNeverLeavesAKeyRangeUpsideDown) {
    HWND panel = Show({{40, 40, 1, 127, 1}, {70, 70, 1, 127, 1}});
    ASSERT_NE(panel, nullptr);
    const struct {
        const char* what;
        int key;
        int edgeX; // widget-local: the edge's inner pixels
        int wheel, dx;
        Span after;
    } cases[] = {
        {"the right edge, the wheel up, then left", 40, (40 - 20) * 7 - 2, 120, -30, {41, 41, 1, 127, 60}},
        {"the left edge, the wheel down, then right", 70, (70 - 21) * 7 + 1, -120, 30, {69, 69, 1, 127, 60}},
    };
    std::vector<Span> zones = {{40, 40, 1, 127, 60}, {70, 70, 1, 127, 60}};
    for (size_t i = 0; i < 2; ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.what);
        input::Click(panel, KeyX(c.key), VelocityY(64));
        input::ForgetClicks();
        const int y = VelocityY(64);
        input::MoveTo(panel, kMapLeft + c.edgeX + (c.dx < 0 ? -2 : 2), y);
        input::MoveTo(panel, kMapLeft + c.edgeX, y);
        input::LeftDown();
        input::Wheel(c.wheel);
        input::MoveTo(panel, kMapLeft + c.edgeX + c.dx, y);
        input::LeftUp();
        input::ForgetClicks();
        PumpFor(30);
        zones[i] = c.after;
        EXPECT_EQ(Stored(), zones);
    }
}

} // namespace
