// The editor's commands as a user gives them: slots, the sample browser, the
// zone map under the mouse, the project files through their dialogs, the
// audition on a slow host. What each stored is read back from the chunk.
#include "EditorRig.h"

#include "FileDialogAnswerer.h"
#include "MessageBoxAnswerer.h"
#include "ProjectChunk.h"
#include "StoredFields.h"
#include "WavWriter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Zone {
    int keyLow, keyHigh, rootKey, loopMode;
    bool operator==(const Zone& o) const {
        return keyLow == o.keyLow && keyHigh == o.keyHigh && rootKey == o.rootKey && loopMode == o.loopMode;
    }
};

std::ostream& operator<<(std::ostream& os, const Zone& z) {
    return os << "{" << z.keyLow << ".." << z.keyHigh << " root " << z.rootKey << " loop " << z.loopMode << "}";
}

std::vector<Zone> ZonesOf(const LoadedChunk& chunk, int instrument) {
    std::vector<Zone> zones;
    const KInstrument* in = chunk.engine.instruments[instrument];
    if (in == nullptr) return zones;
    for (const KSampleZone* z : in->zones)
        if (z != nullptr) zones.push_back({z->keyLow, z->keyHigh, z->rootKey, z->loopMode});
    return zones;
}

class SamplerCommands : public SamplerEditor {
protected:
    // One empty instrument and a sample folder of three WAVs: two plain,
    // one whose "smpl" chunk names key 48 and a loop.
    void SetUpProject() {
        samples = folder.File(L"samples");
        ::CreateDirectoryW(samples.c_str(), nullptr); // a second project uses it again
        ASSERT_NE(::GetFileAttributesW(samples.c_str()), INVALID_FILE_ATTRIBUTES);
        auto tone = [](int64_t i, int) { return static_cast<int32_t>(i % 100 < 50 ? 12000 : -12000); };
        WriteBytes(samples + L"\\a.wav", WavWriter(1, 16).Generate(20000, tone).Build());
        WriteBytes(samples + L"\\b.wav", WavWriter(1, 16).Generate(20000, tone).Build());
        WriteBytes(samples + L"\\c.wav", WavWriter(1, 16).Generate(20000, tone).Smpl(48, {{1000, 8999}}).Build());
        KSamplerEngine engine;
        engine.AddInstrument(1, 0);
        CopyWide(engine.sampleFolder, samples.c_str());
        Restore(ChunkOf(engine, folder));
        panel = OpenEditor();
        ASSERT_NE(panel, nullptr);
        PumpFor(50);
    }
    // The row that shows a file (the file system decides the order).
    int RowOf(const std::wstring& file) {
        WIN32_FIND_DATAW found = {};
        const HANDLE search = ::FindFirstFileW((samples + L"\\*.wav").c_str(), &found);
        int row = 0, at = -1;
        if (search == INVALID_HANDLE_VALUE) return -1;
        do {
            if (file == found.cFileName) at = row;
            ++row;
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return at;
    }
    void DoubleClickRow(int row) {
        input::DoubleClick(panel, kListX, RowY(row));
        input::ForgetClicks();
        PumpFor(30);
    }

    std::wstring samples;
    HWND panel = nullptr;
};

TEST_F(SamplerCommands, BuildsAnInstrumentFromTheSampleFolderByDoubleClickAndDrop) {
    SetUpProject();
    DoubleClickRow(RowOf(L"a.wav"));
    DoubleClickRow(RowOf(L"b.wav"));
    DoubleClickRow(RowOf(L"c.wav"));
    // Dragged onto key 40 of the zone map.
    input::MoveTo(panel, kListX, RowY(RowOf(L"b.wav")));
    input::LeftDown();
    input::MoveTo(panel, 400, 250);
    input::MoveTo(panel, KeyX(40), 200);
    input::LeftUp();
    // Dropped beside the map: nothing.
    input::MoveTo(panel, kListX, RowY(RowOf(L"a.wav")));
    input::LeftDown();
    input::MoveTo(panel, 650, 200);
    input::LeftUp();
    PumpFor(30);
    SaveScreenshot(panel, L"sampler-editor-zones-added");

    LoadedChunk saved;
    ReadBack(saved);
    const std::vector<Zone> expected = {
        {21, 21, 21, 0}, // the first free key
        {22, 22, 22, 0},
        {48, 48, 48, 2}, // the file's own key and loop
        {40, 40, 40, 0}, // the drop
    };
    EXPECT_EQ(ZonesOf(saved, 0), expected);
    const KSampleZone& looped = *saved.engine.instruments[0]->zones[2];
    EXPECT_EQ(looped.loopStart, 1000);
    EXPECT_EQ(looped.loopEnd, 9000);
}

TEST_F(SamplerCommands, TheZoneMapMovesAndStretchesZonesAndKeepsKeysInRange) {
    TempFolder wavs;
    const std::wstring wav = SquareWav(wavs);
    KSamplerEngine engine;
    KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
    ASSERT_EQ(in.AddZone(wav.c_str(), 60, 30, 127, 39, 1, 1, nullptr, 0), 0);  // 10 keys wide
    ASSERT_EQ(in.AddZone(wav.c_str(), 60, 50, 100, 59, 40, 1, nullptr, 0), 1); // overlaps nothing
    ASSERT_EQ(in.AddZone(wav.c_str(), 60, 45, 80, 55, 20, 1, nullptr, 0), 2);  // overlaps zone 1
    Restore(ChunkOf(engine, folder));
    HWND panel = OpenEditor();
    PumpFor(50);

    // Zone 0 dragged 14 pixels right: two keys.
    input::MoveTo(panel, KeyX(33), VelocityY(120));
    input::LeftDown();
    input::MoveTo(panel, KeyX(33) + 7, VelocityY(120));
    input::MoveTo(panel, KeyX(33) + 14, VelocityY(120));
    input::LeftUp();
    // Its right edge (the two inner pixels) dragged one key further.
    const int right = kMapLeft + (41 - 20) * 7;
    input::MoveTo(panel, right - 4, VelocityY(60));
    input::MoveTo(panel, right - 2, VelocityY(60));
    input::LeftDown();
    input::MoveTo(panel, right + 5, VelocityY(60));
    input::LeftUp();
    PumpFor(30);
    SaveScreenshot(panel, L"sampler-editor-zone-map");

    LoadedChunk saved;
    ReadBack(saved);
    const KSampleZone& moved = *saved.engine.instruments[0]->zones[0];
    EXPECT_EQ(moved.keyLow, 32);
    EXPECT_EQ(moved.keyHigh, 42) << "moved by two keys, then stretched by one";
    EXPECT_EQ(moved.velocityLow, 1);
    EXPECT_EQ(moved.velocityHigh, 127);
}

TEST_F(SamplerCommands, AZoneWiderThanTheKeyboardKeepsItsKeysWhenDragged) {
    KSamplerEngine engine;
    TempFolder wavs;
    const std::wstring wav = SquareWav(wavs);
    KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
    ASSERT_EQ(in.AddZone(wav.c_str(), 60, 0, 100, 127, 1, 1, nullptr, 0), 0);
    Restore(ChunkOf(engine, folder));
    HWND panel = OpenEditor();
    PumpFor(50);
    input::MoveTo(panel, KeyX(60), VelocityY(50));
    input::LeftDown();
    input::MoveTo(panel, KeyX(60) + 30, VelocityY(70));
    input::LeftUp();
    PumpFor(30);
    LoadedChunk saved;
    ReadBack(saved);
    const KSampleZone& zone = *saved.engine.instruments[0]->zones[0];
    EXPECT_EQ(zone.keyLow, 0);
    EXPECT_EQ(zone.keyHigh, 127);
    EXPECT_GT(zone.velocityLow, 1) << "its velocities still move";
}

TEST_F(SamplerCommands, TheKeyStripPlaysTheEnginesKeysUpToTheLastPixel) {
    Restore(OneZoneChunk(folder)); // one zone over every key
    HWND panel = OpenEditor();
    PumpFor(50);
    for (const int x : {3, 300, 616}) {
        input::MoveTo(panel, kMapLeft + x, kStripY);
        input::LeftDown();
        host.Render(512);
        EXPECT_GT(host.PairPeak(0), 0.05f) << "the strip's note sounds at x " << x;
        input::LeftUp();
        for (int block = 0; block < 10; ++block) host.Render(512);
    }
}

TEST_F(SamplerCommands, ASlotButtonMakesAnInstrumentOnItsChannelAndNoKeepsIt) {
    Restore(OneZoneChunk(folder));
    HWND panel = OpenEditor();
    PumpFor(50);
    const int button5 = 75 + 15 * 4 + 4;
    input::Click(panel, 669, button5);
    PumpFor(30);
    LoadedChunk made;
    ReadBack(made);
    ASSERT_NE(made.engine.instruments[1], nullptr) << "the first free engine slot";
    EXPECT_EQ(made.engine.instruments[1]->midiChannel, 5);
    {
        MessageBoxAnswerer no(L"Korvo Sampler", IDNO);
        input::Click(panel, 669, button5);
        PumpFor(100);
        ASSERT_EQ(no.Texts(), std::vector<std::wstring>{L"Are you sure to delete this instrument?"});
    }
    LoadedChunk kept;
    ReadBack(kept);
    EXPECT_NE(kept.engine.instruments[1], nullptr);
    {
        MessageBoxAnswerer yes(L"Korvo Sampler", IDYES);
        input::Click(panel, 669, button5);
        PumpFor(100);
    }
    LoadedChunk deleted;
    ReadBack(deleted);
    EXPECT_EQ(deleted.engine.instruments[1], nullptr);
}

TEST_F(SamplerCommands, NewAfterAFailedOrCancelledSaveKeepsTheProject) {
    Restore(OneZoneChunk(folder));
    HWND panel = OpenEditor();
    PumpFor(50);
    input::Click(panel, 669, 75 + 15 * 2 + 4); // a new instrument: the project is modified
    PumpFor(30);
    {
        MessageBoxAnswerer yes(L"Project Modified", IDYES);
        FileDialogAnswerer cancel(L"Save Korvo Sampler Project", L"");
        input::Click(panel, 367 + 30, 3 + 9); // New
        PumpFor(300);
        EXPECT_EQ(cancel.Answered(), 1);
        EXPECT_EQ(yes.Texts(), std::vector<std::wstring>{L"Do you want to save the current project?"});
    }
    LoadedChunk kept;
    ReadBack(kept);
    EXPECT_NE(kept.engine.instruments[0], nullptr);
    EXPECT_NE(kept.engine.instruments[1], nullptr) << "the unsaved instrument is still there";
}

TEST_F(SamplerCommands, SaveNewAndOpenBringEveryStoredFieldBack) {
    TempFolder wavs;
    const std::wstring wav = SquareWav(wavs);
    KSamplerEngine engine;
    for (int i = 0; i < 2; ++i) {
        KInstrument& in = *engine.instruments[engine.AddInstrument(static_cast<uint8_t>(i + 1), 0)];
        FillStoredFields(in);
        for (int z = 0; z < 3; ++z) {
            const int slot = in.AddZone(wav.c_str(), 60, 20 * z, 127, 20 * z + 19, 1, 1, nullptr, 0);
            ASSERT_GE(slot, 0);
            FillStoredFields(*in.zones[slot]);
        }
    }
    Restore(ChunkOf(engine, folder));
    HWND panel = OpenEditor();
    PumpFor(50);
    LoadedChunk before;
    ReadBack(before);
    MessageBoxAnswerer messages(L"Korvo Sampler");
    const std::wstring file = folder.File(L"round trip.kss");
    {
        FileDialogAnswerer save(L"Save Korvo Sampler Project", file);
        input::Click(panel, 435 + 30, 23 + 9); // Save As
        PumpFor(300);
        ASSERT_EQ(save.Answered(), 1);
    }
    ASSERT_NE(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    input::Click(panel, 367 + 30, 3 + 9); // New: saved, so no question
    PumpFor(100);
    LoadedChunk fresh;
    ReadBack(fresh);
    EXPECT_EQ(fresh.engine.instruments[1], nullptr);
    {
        FileDialogAnswerer open(L"Open Korvo Sampler Project", file);
        input::Click(panel, 367 + 30, 23 + 9); // Open
        PumpFor(500);
        ASSERT_EQ(open.Answered(), 1);
    }
    LoadedChunk after;
    ReadBack(after);
    EXPECT_EQ(ChangedFields(before, after), std::vector<std::string>{});
    EXPECT_EQ(messages.Texts(), std::vector<std::wstring>{}) << "no failure to report";
}

// A project file whose header reads well but whose body is cut: the load
// fails after the project was emptied (Open), or before anything changed
// (Load Instrument). Either way the rows, the slot buttons and the rows
// behind the parameters show what the engine holds, and the user is told.
TEST_F(SamplerCommands, AFailedLoadShowsWhatTheEngineHoldsAndSaysSo) {
    KSamplerEngine engine;
    TempFolder wavs;
    const std::wstring wav = SquareWav(wavs);
    for (const wchar_t* name : {L"First", L"Second"}) {
        KInstrument& in = *engine.instruments[engine.AddInstrument(1, 0)];
        CopyWide(in.name, name);
        in.volume = 0.5;
        ASSERT_GE(in.AddZone(wav.c_str(), 60, 30, 127, 60, 1, 1, nullptr, 0), 0);
    }
    const std::vector<uint8_t> project = ChunkOf(engine, folder);
    const std::wstring cut = folder.File(L"cut.kss");
    ASSERT_TRUE(WriteBytes(cut, Bytes(project.begin(), project.begin() + 20 + 1000)));
    constexpr RECT kSlotColumn = {662, 72, 800, 315}; // slot buttons, rows, lights
    HWND panel = OpenEditor();
    ASSERT_NE(panel, nullptr);
    AEffect* e = host.effect();
    KSamplerEngine empty;
    Restore(ChunkOf(empty, folder));
    PumpFor(100);
    const std::vector<uint32_t> noInstruments = Shown(panel, kSlotColumn);

    const struct {
        const char* what;
        POINT button;
        const wchar_t *title, *message;
        bool projectGone;
    } cases[] = {
        {"open", {367 + 30, 23 + 9}, L"Open Korvo Sampler Project", L"Load Failed", true},
        {"load instrument", {780 + 11, 47 + 10}, L"Open Korvo Sampler Instrument", L"Load Faied", false},
    };
    for (const auto& c : cases) {
        Restore(project);
        PumpFor(100);
        const std::vector<uint32_t> before = Shown(panel, kSlotColumn);
        {
            MessageBoxAnswerer user(L"Korvo Sampler");
            FileDialogAnswerer open(c.title, cut);
            input::Click(panel, c.button.x, c.button.y);
            PumpFor(500);
            EXPECT_EQ(open.Answered(), 1) << c.what;
            EXPECT_EQ(user.Texts(), std::vector<std::wstring>{c.message}) << c.what;
        }
        LoadedChunk held;
        ReadBack(held);
        EXPECT_EQ(held.engine.instruments[0] == nullptr, c.projectGone) << c.what;
        EXPECT_TRUE(Shown(panel, kSlotColumn) == (c.projectGone ? noInstruments : before)) << c.what << ": the rows";
        // The rows behind the parameters: row 0 names the first instrument
        // while the engine holds it, nothing once it is gone, not the one a
        // slot button makes next.
        input::Click(panel, 669, 75 + 15 * 3 + 4); // slot button 4
        PumpFor(50);
        EXPECT_EQ(e->getParameter(e, 0), c.projectGone ? 0.0f : 0.5f) << c.what << ": row 0";
        EXPECT_EQ(e->getParameter(e, 3 * 19), 1.0f) << c.what << ": row 3 holds the new instrument";
    }
}

TEST_F(SamplerCommands, AuditionsOnASlowHostLeaveNoZoneBehindAndSaveNone) {
    SetUpProject();
    std::atomic<bool> stop{false}, held{false};
    std::atomic<float> heardWhileHeld{0.0f};
    // A host that renders 4096 frames at a time, at the pace of the music;
    // it notes the loudest block it made while the button was held.
    std::thread audio([&] {
        while (!stop) {
            const bool holding = held;
            host.Render(4096);
            if (holding && held) heardWhileHeld = std::max(heardWhileHeld.load(), host.PairPeak(0));
            std::this_thread::sleep_for(std::chrono::milliseconds(90));
        }
    });
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        input::MoveTo(panel, kListX, RowY(round % 3));
        heardWhileHeld = 0.0f;
        held = true;
        input::RightDown();
        PumpFor(150);
        // However slow the host, the held audition is heard before long.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (heardWhileHeld < 0.1f && std::chrono::steady_clock::now() < end) PumpFor(10);
        EXPECT_GT(heardWhileHeld.load(), 0.1f) << "the audition sounds while the button is held";
        LoadedChunk during;
        ReadBack(during);
        EXPECT_TRUE(ZonesOf(during, 0).empty()) << "an audition zone is never saved";
        held = false;
        input::RightUp();
        PumpFor(round % 2 == 0 ? 0 : 300);
    }
    PumpFor(800); // the voices timer removes a zone whose delete was refused
    stop = true;
    audio.join();
    // Nothing sounds on key 1 any more.
    host.SendMidi({{0x90, 1, 127, 0}});
    host.Render(2048);
    EXPECT_EQ(host.PairPeak(0), 0.0f) << "an audition zone was left behind";
    LoadedChunk after;
    ReadBack(after);
    EXPECT_TRUE(ZonesOf(after, 0).empty());
}

// Once the list is emptied (by New, or by a folder without WAVs) the row
// selected before is gone with it: a double click or a drag where it was
// adds nothing and says nothing.
TEST_F(SamplerCommands, AnEmptiedSampleListAddsNothingAndSaysNothing) {
    const TempFolder noWavs;
    const struct {
        const char* emptiedBy;
        bool newProject;
    } cases[] = {{"New", true}, {"a folder without WAVs", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.emptiedBy);
        SetUpProject();
        input::Click(panel, kListX, RowY(2)); // selects the last row
        input::ForgetClicks();
        if (c.newProject) {
            MessageBoxAnswerer no(L"Project Modified", IDNO);
            input::Click(panel, 367 + 30, 3 + 9);
            PumpFor(100);
        } else {
            KSamplerEngine engine;
            engine.AddInstrument(1, 0);
            CopyWide(engine.sampleFolder, noWavs.Path().c_str());
            Restore(ChunkOf(engine, folder));
            PumpFor(50);
        }
        MessageBoxAnswerer user(L"Korvo Sampler");
        DoubleClickRow(2);
        input::MoveTo(panel, kListX, RowY(2));
        input::LeftDown();
        input::MoveTo(panel, 400, 250);
        input::MoveTo(panel, KeyX(40), 200);
        input::LeftUp();
        PumpFor(100);
        EXPECT_EQ(user.Texts(), std::vector<std::wstring>{});
        LoadedChunk after;
        ReadBack(after);
        EXPECT_TRUE(ZonesOf(after, 0).empty());
        host.Dispatch(effEditClose);
    }
}

} // namespace

namespace {

// A sample whose folder and name together do not fit a path is refused
// with a message; nothing is cut into another file's name.
TEST_F(SamplerCommands, ASamplePathTooLongToFitIsRefusedWithAMessage) {
    std::wstring deep = folder.Path();
    while (deep.size() < 220) {
        deep += L"\\nested-folder";
        ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr)) << deep.size();
    }
    // Made through the long-path form: folder and name exceed a path.
    const std::wstring name = std::wstring(50, L'n') + L".wav";
    const Bytes wav = WavWriter(1, 16).Generate(2000, [](int64_t, int) { return 0; }).Build();
    const HANDLE file = ::CreateFileW((L"\\\\?\\" + deep + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, wav.data(), static_cast<DWORD>(wav.size()), &written, nullptr);
    ::CloseHandle(file);
    KSamplerEngine engine;
    engine.AddInstrument(1, 0);
    CopyWide(engine.sampleFolder, deep.c_str());
    Restore(ChunkOf(engine, folder));
    panel = OpenEditor();
    PumpFor(50);
    {
        MessageBoxAnswerer user(L"Korvo Sampler");
        DoubleClickRow(0);
        PumpFor(100);
        EXPECT_EQ(user.Texts(), std::vector<std::wstring>{L"The sample's path is too long."});
    }
    LoadedChunk after;
    ReadBack(after);
    EXPECT_TRUE(ZonesOf(after, 0).empty());
}

} // namespace
