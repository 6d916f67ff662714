// The player object: where it looks for its bank, what it loads, the check
// of its stamp against the bank's code, its names and its render gate.
#include "PlayerRig.h"

#include "MessageBoxAnswerer.h"
#include "PluginPlatform.h"
#include "StoredFields.h"

#include <cwchar>

namespace {

const std::vector<std::wstring> kMismatch = {L"Can not find sound library"};
const std::vector<std::wstring> kNoBox = {};

// The boxes a build shows for what was expected to show.
std::vector<std::wstring> Shown(const std::vector<std::wstring>& expected) {
    return MessageBoxAnswerer::kBoxesShown ? expected : kNoBox;
}

class PlayerVSTTest : public ::testing::Test {
protected:
    PlayerRig rig;
};

TEST_F(PlayerVSTTest, DerivesItsNameFolderAndBankFromItsOwnFile) {
    const std::wstring d = rig.folder.Path() + L"\\Libs\\";
    struct Case {
        std::wstring own, name, folder, bank;
    };
    const std::wstring longName(240, L'n');
    const std::wstring tooLong = d + std::wstring(260, L'x') + L".dll";
    for (const Case& c : {Case{d + L"Piano.dll", L"Piano", d, d + L"Piano\\Piano.ksb"},
                          Case{L"Piano.dll", L"Piano", L"\\", L"\\Piano\\Piano.ksb"},
                          Case{d + L"ab.dll", L"ab", d, d + L"ab\\ab.ksb"},
                          Case{d + L"a.dl", L"", d, d + L"\\.ksb"},
                          Case{d + L"x", L"", d, d + L"\\.ksb"},
                          // The bank's path would not fit 260 characters: no bank.
                          Case{L"C:\\" + longName + L".dll", longName, L"C:\\", L""},
                          // Nor would the player's own: refused whole.
                          Case{tooLong, L"", L"", L""}}) {
        MessageBoxAnswerer answerer(L"Korvo Sampler Player");
        auto p = PlayerRig::Player(c.own);
        EXPECT_EQ(p->playerName, c.name) << WideToUtf8(c.own.c_str());
        EXPECT_EQ(p->pluginFolder, c.folder) << WideToUtf8(c.own.c_str());
        EXPECT_EQ(p->bankPath, c.bank) << WideToUtf8(c.own.c_str());
        EXPECT_EQ(p->engine.instrumentCount, 0);
        EXPECT_EQ(answerer.Texts(), kNoBox) << "a file that does not open is not checked";
    }
}

TEST_F(PlayerVSTTest, APairedPlayerLoadsItsWholeLibrary) {
    const std::wstring wav = rig.Wav(L"a.wav");
    KInstrument& a = rig.AddInstrument(1, 0, {1, 2, 1}, wav);
    FillStoredFields(a);
    for (int z = 0; z < 3; ++z) FillStoredFields(*a.zones[z]);
    a.zones[1]->ampAttack = 77.0f;
    rig.AddInstrument(3, 2, {5}, wav);
    const PlayerSet set = rig.MakeSet();

    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    auto p = PlayerRig::Player(set.library);
    EXPECT_EQ(answerer.Texts(), kNoBox);
    EXPECT_EQ(p->bankPath, set.bank);
    ASSERT_EQ(p->engine.instrumentCount, 2);
    const KInstrument& first = *p->engine.instruments[0];
    const KInstrument& second = *p->engine.instruments[1];
    EXPECT_EQ(StoredFieldsDiffer(a, first), std::vector<std::string>{});
    EXPECT_EQ(StoredFieldsDiffer(*rig.source.instruments[1], second), std::vector<std::string>{});
    EXPECT_EQ(std::wstring(first.layerNames[11]), L"Layer 12");
    ASSERT_EQ(first.zoneCount, 3);
    for (int z = 0; z < 3; ++z)
        EXPECT_EQ(StoredFieldsDiffer(*a.zones[z], *first.zones[z]), std::vector<std::string>{}) << z;
    ASSERT_EQ(second.zoneCount, 1);
    EXPECT_EQ(second.zones[0]->layer, 5);
    EXPECT_EQ(std::wstring(second.zones[0]->path), set.bank) << "the zone reads inside the bank";
    for (const float* v = second.zones[0]->overview; v < second.zones[0]->overview + 2 * KSampleZone::kOverviewColumns; ++v)
        ASSERT_EQ(*v, 0.0f) << "the player builds no overviews";

    const AEffect& e = *p->getAeffect();
    EXPECT_EQ(e.flags, 0x132) << "made without an editor";
    EXPECT_EQ(e.numParams, 0);
    EXPECT_EQ(e.numPrograms, 1);
    EXPECT_EQ(e.numInputs, 0);
    EXPECT_EQ(e.numOutputs, 8);
    EXPECT_EQ(IdBytes(e), "AbDe") << "the ID's bytes read the code";
    EXPECT_EQ(p->getAeffect()->getParameter(p->getAeffect(), 0), 0.0f);
    EXPECT_EQ(Text(p->getAeffect(), effGetEffectName), "Piano");
    EXPECT_EQ(Text(p->getAeffect(), effGetProductString), "Piano");
    EXPECT_EQ(Text(p->getAeffect(), effGetVendorString), "Keys & Co");
    EXPECT_EQ(Text(p->getAeffect(), effGetParamName), "");
    EXPECT_TRUE(p->busy);
}

TEST_F(PlayerVSTTest, TheStampMustMatchTheBanksCode) {
    struct Case {
        const char* what;
        std::string code;  // the bank's
        std::string stamp; // bytes 0x70..0x73 of the player file; empty: as shipped
        bool paired;
    };
    for (const Case& c : {Case{"stamped", "AbDe", "AbDe", true},
                          Case{"first byte", "AbDe", "BbDe", false},
                          Case{"second byte", "AbDe", "AcDe", false},
                          Case{"third byte", "AbDe", "AbEe", false},
                          Case{"fourth byte", "AbDe", "AbDf", false},
                          Case{"unstamped", "AbDe", "", false},
                          Case{"unstamped, code mode", "mode", "", true},
                          Case{"code above 0x7F", "\x80\xE9\xFFz", "\x80\xE9\xFFz", true},
                          Case{"short code", std::string("AB\0\0", 4), std::string("AB\0\0", 4), true}}) {
        PlayerRig r;
        r.SetCode(c.code.c_str());
        r.AddInstrument(0, 0, {1}, r.Wav(L"p.wav"));
        const PlayerSet set = r.MakeSet();
        if (c.stamp.empty()) ASSERT_TRUE(CopyFileOver(r.standIn.c_str(), set.library.c_str())) << c.what;
        else ASSERT_TRUE(StampLibraryCode(set.library, c.stamp.data())) << c.what;
        r.RemoveSources();

        MessageBoxAnswerer answerer(L"Korvo Sampler Player");
        auto p = PlayerRig::Player(set.library);
        EXPECT_EQ(answerer.Texts(), Shown(c.paired ? kNoBox : kMismatch)) << c.what;
        for (const MessageBoxAnswerer::Box& box : answerer.Answered()) EXPECT_FALSE(box.hasOwner) << c.what;
        EXPECT_EQ(p->engine.instrumentCount, c.paired ? 1 : 0) << c.what;
        EXPECT_EQ(IdBytes(*p->getAeffect()), c.code) << c.what << ": the ID keeps the code's bytes";

        AEffect* e = p->getAeffect();
        e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
        SendMidi(e, 0x90, 60, 127);
        EXPECT_EQ(PlayerRig::RenderPeak(e, 2048, 2048) > 0.1f, c.paired) << c.what << ": sound only when paired";
    }
}

TEST_F(PlayerVSTTest, WithoutABankItIsTheDefaultLibrary) {
    for (const char* stamp : {"Krvs", "mode"}) {
        const std::wstring lonely = rig.libs + L"\\Lonely.dll";
        ASSERT_TRUE(CopyFileOver(rig.standIn.c_str(), lonely.c_str()));
        ASSERT_TRUE(StampLibraryCode(lonely, stamp));
        MessageBoxAnswerer answerer(L"Korvo Sampler Player");
        auto p = PlayerRig::Player(lonely);
        const bool paired = std::string(stamp) == "Krvs";
        EXPECT_EQ(answerer.Texts(), Shown(paired ? kNoBox : kMismatch)) << "checked against Krvs: " << stamp;
        EXPECT_EQ(Text(p->getAeffect(), effGetEffectName), "mySound");
        EXPECT_EQ(Text(p->getAeffect(), effGetProductString), "mySound");
        EXPECT_EQ(Text(p->getAeffect(), effGetVendorString), "Tellurand");
        EXPECT_EQ(IdBytes(*p->getAeffect()), "Krvs");
        EXPECT_EQ(p->engine.instrumentCount, 0);
    }
}

TEST_F(PlayerVSTTest, AnOwnFileTooShortForTheStampIsAMismatch) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"s.wav"));
    const PlayerSet set = rig.MakeSet();
    for (size_t size : {size_t{0}, size_t{100}, size_t{115}, size_t{116}}) {
        Bytes bytes(size, 0);
        if (size >= 116) std::memcpy(bytes.data() + 112, "AbDe", 4);
        ASSERT_TRUE(WriteBytes(set.library, bytes));
        MessageBoxAnswerer answerer(L"Korvo Sampler Player");
        auto p = PlayerRig::Player(set.library);
        const bool paired = size >= 116;
        EXPECT_EQ(answerer.Texts(), Shown(paired ? kNoBox : kMismatch)) << size;
        EXPECT_EQ(p->engine.instrumentCount, paired ? 1 : 0) << size;
    }
}

TEST_F(PlayerVSTTest, AnOwnFileThatDoesNotOpenIsNotChecked) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"o.wav"));
    const PlayerSet set = rig.MakeSet();
    ASSERT_TRUE(RemoveFile(set.library.c_str()));
    MessageBoxAnswerer answerer(L"Korvo Sampler Player");
    auto p = PlayerRig::Player(set.library);
    EXPECT_EQ(answerer.Texts(), kNoBox);
    EXPECT_EQ(p->engine.instrumentCount, 1);
}

TEST_F(PlayerVSTTest, NamesAreCutToTheHostsBuffers) {
    struct Case {
        const wchar_t* what;
        std::wstring name, vendor;
    };
    for (const Case& c : {Case{L"ascii", std::wstring(259, L'N'), std::wstring(259, L'V')},
                          Case{L"two-byte characters", std::wstring(259, L'\u00e9'), std::wstring(100, L'\u00fc')}}) {
        PlayerRig r;
        CopyWide(r.source.libraryName, c.name.c_str());
        CopyWide(r.source.vendorName, c.vendor.c_str());
        // The bank is found by the player file's name, not the library's.
        const std::wstring own = r.libs + L"\\Long.dll";
        ASSERT_TRUE(CreateFolder((r.libs + L"\\Long").c_str()));
        KFileJob job;
        ASSERT_TRUE(r.source.SaveFile((r.libs + L"\\Long\\Long.ksb").c_str(), job, true, false, -1));
        ASSERT_TRUE(CopyFileOver(r.standIn.c_str(), own.c_str()));
        ASSERT_TRUE(StampLibraryCode(own, r.source.uniqueId));
        auto p = PlayerRig::Player(own);
        AEffect* e = p->getAeffect();
        struct Answer {
            VstInt32 opcode;
            const wchar_t* full;
            size_t capacity;
        };
        for (const Answer& a : {Answer{effGetEffectName, c.name.c_str(), 32}, Answer{effGetProductString, c.name.c_str(), 64},
                                Answer{effGetVendorString, c.vendor.c_str(), 64}}) {
            char text[300];
            std::memset(text, 0x5A, sizeof text);
            e->dispatcher(e, a.opcode, 0, 0, text, 0);
            const size_t length = std::strlen(text);
            EXPECT_LT(length, a.capacity) << a.opcode;
            for (size_t i = length + 1; i < sizeof text; ++i) ASSERT_EQ(text[i], 0x5A) << a.opcode << ": written past at " << i;
            // A whole number of characters of the full text.
            char full[1200];
            WideToAnsi(a.full, full, sizeof full);
            const size_t perCharacter = std::strlen(full) / std::wcslen(a.full);
            EXPECT_EQ(std::string(full, length), std::string(text)) << a.opcode;
            EXPECT_EQ(length % perCharacter, 0u) << a.opcode;
            EXPECT_GT(length + perCharacter, a.capacity - 1) << a.opcode << ": as much as fits";
        }
    }
}

TEST_F(PlayerVSTTest, SilentUntilOpenAndAgainAfterClose) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"g.wav", 200000));
    const PlayerSet set = rig.MakeSet();
    auto p = PlayerRig::Player(set.library);
    AEffect* e = p->getAeffect();
    SendMidi(e, 0x90, 60, 127);
    Outputs out(256);
    e->processReplacing(e, nullptr, out.pointers, 256);
    EXPECT_EQ(out.PeakOfAll(), 0.0f) << "processReplacing before effOpen writes silence";
    EXPECT_EQ(p->midiQueue.count, 1) << "the note waits";
    Outputs untouched(256);
    e->process(e, nullptr, untouched.pointers, 256);
    EXPECT_EQ(untouched.data[0][0], 7.0f) << "process before effOpen leaves the outputs";

    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
    EXPECT_GT(PlayerRig::RenderPeak(e, 1024, 512), 0.1f) << "the waiting note sounds";
    Outputs added(256);
    for (auto& channel : added.data) std::fill(channel.begin(), channel.end(), 0.0f);
    e->process(e, nullptr, added.pointers, 256);
    EXPECT_GT(added.PeakOfAll(), 0.1f) << "process adds the voices";

    p->close();
    EXPECT_TRUE(p->busy);
    e->processReplacing(e, nullptr, out.pointers, 256);
    EXPECT_EQ(out.PeakOfAll(), 0.0f) << "closed: silence again";
}

TEST_F(PlayerVSTTest, PlaysTheEmbeddedSampleStreamedFromTheBank) {
    // Longer than a zone's preload: the end can only come from the stream.
    const int64_t frames = 3 * KSampleZone::kPreloadFrames;
    KInstrument& in = rig.AddInstrument(0, 2, {1}, rig.Wav(L"long.wav", frames));
    in.zones[0]->ampRelease = 10.0f;
    const PlayerSet set = rig.MakeSet();
    rig.RemoveSources();
    auto p = PlayerRig::Player(set.library);
    AEffect* e = p->getAeffect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    SendMidi(e, 0x90, 60, 127);
    const int past = static_cast<int>(2 * KSampleZone::kPreloadFrames);
    EXPECT_GT(PlayerRig::RenderPeak(e, past, 4096), 0.2f) << "sounding well past the preload";
    Outputs out(512);
    e->processReplacing(e, nullptr, out.pointers, 512);
    EXPECT_GT(std::max(out.Peak(4), out.Peak(5)), 0.2f) << "on the instrument's pair";
    EXPECT_EQ(std::max(out.Peak(0), out.Peak(1)), 0.0f);
    SendMidi(e, 0x80, 60, 0);
    EXPECT_EQ(PlayerRig::RenderPeak(e, 4096, 512), 0.0f) << "released";
    EXPECT_EQ(p->engine.CountActiveVoices(), 0);
}

TEST_F(PlayerVSTTest, ASampleRateChangeRecomputesTheEnvelopes) {
    KInstrument& in = rig.AddInstrument(0, 0, {1}, rig.Wav(L"r.wav"));
    in.zones[0]->ampRelease = 10.0f;
    const PlayerSet set = rig.MakeSet();
    auto p = PlayerRig::Player(set.library);
    AEffect* e = p->getAeffect();
    const KSampleZone& zone = *p->engine.instruments[0]->zones[0];
    EXPECT_FLOAT_EQ(zone.ampReleaseCoef, static_cast<float>(1 - std::exp(-1.0 / 441)));
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(p->engine.sampleRate, 48000);
    EXPECT_FLOAT_EQ(zone.ampReleaseCoef, static_cast<float>(1 - std::exp(-1.0 / 480)));
}

// An editor that notes what the player asks of it, in one log shared with
// the test (it outlives the editor).
struct EditorLog {
    std::vector<std::string> calls;
    int instrumentsAtConstruction = -1;
    float peakLeft = 0.0f;
    bool diskThreadRunningAtClose = false;
};
EditorLog* gLog = nullptr;

class RecordingEditor : public AEffEditor, public KPlayerEditorHooks {
public:
    explicit RecordingEditor(KPlayerVST* player) : AEffEditor(player), player_(player) {
        gLog->instrumentsAtConstruction = player->engine.instrumentCount;
    }
    ~RecordingEditor() override { gLog->calls.push_back("deleted"); }
    void RefreshInstrumentView() override { gLog->calls.push_back("refresh " + std::to_string(selectedSlot)); }
    void UpdateOutputMeters(float peakLeft, float) override { gLog->peakLeft = std::max(gLog->peakLeft, peakLeft); }
    void CloseWindow() override {
        gLog->calls.push_back("close");
        gLog->diskThreadRunningAtClose = player_->engine.diskThread.joinable();
    }

private:
    KPlayerVST* player_;
};

AEffEditor* MakeRecordingEditor(KPlayerVST* player) { return new RecordingEditor(player); }
AEffEditor* MakeNoEditor(KPlayerVST*) { return nullptr; }

TEST_F(PlayerVSTTest, TheEditorComesAfterTheCheckAndGoesFirst) {
    rig.AddInstrument(0, 0, {1}, rig.Wav(L"e.wav"));
    rig.AddInstrument(0, 1, {1}, rig.wavs[0]);
    const PlayerSet set = rig.MakeSet();
    for (bool paired : {true, false}) {
        if (!paired) {
            ASSERT_TRUE(StampLibraryCode(set.library, "Nope"));
        }
        EditorLog log;
        gLog = &log;
        {
            MessageBoxAnswerer answerer(L"Korvo Sampler Player");
            KPlayerVST p(QuietHost, set.library, MakeRecordingEditor);
            EXPECT_EQ(log.instrumentsAtConstruction, paired ? 2 : 0) << "made after the check";
            EXPECT_EQ(p.getAeffect()->flags, 0x133) << "with its editor";
            EXPECT_NE(dynamic_cast<RecordingEditor*>(p.editorHooks), nullptr);
            if (paired) {
                // The chunk carries the editor's selection and a restore
                // shows it.
                p.editorHooks->selectedSlot = 1;
                void* data = nullptr;
                ASSERT_EQ(p.getChunk(&data, false), 3712);
                std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 3712);
                p.editorHooks->selectedSlot = 0;
                ASSERT_EQ(p.setChunk(chunk.data(), 3712, false), 1);
                EXPECT_EQ(log.calls, std::vector<std::string>{"refresh 1"});
                AEffect* e = p.getAeffect();
                e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
                SendMidi(e, 0x90, 60, 127);
                Outputs out(512);
                e->process(e, nullptr, out.pointers, 512);
                EXPECT_GT(log.peakLeft, 0.2f) << "the meters are fed from the render";
            }
            log.calls.clear();
        }
        EXPECT_EQ(log.calls, (std::vector<std::string>{"close", "deleted"}));
        EXPECT_TRUE(log.diskThreadRunningAtClose) << "the window goes while everything it shows is there";
        gLog = nullptr;
    }
    // A factory that makes nothing leaves the player without an editor: its
    // stand-in keeps the selection, which the chunk carries and restores.
    ASSERT_TRUE(StampLibraryCode(set.library, "AbDe"));
    KPlayerVST p(QuietHost, set.library, MakeNoEditor);
    EXPECT_EQ(p.getAeffect()->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(p.getAeffect()->flags, 0x133 & ~effFlagsHasEditor);
    ASSERT_NE(p.editorHooks, nullptr);
    EXPECT_EQ(dynamic_cast<AEffEditor*>(p.editorHooks), nullptr) << "the player's own stand-in";
    ASSERT_EQ(p.engine.instrumentCount, 2);
    p.editorHooks->selectedSlot = 1;
    p.editorHooks->RefreshInstrumentView();
    EXPECT_EQ(p.editorHooks->selectedSlot, 1);
    void* data = nullptr;
    ASSERT_EQ(p.getChunk(&data, false), 3712);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 3712);
    int32_t stored = 0;
    std::memcpy(&stored, chunk.data() + 228, sizeof stored);
    EXPECT_EQ(stored, 1);
    p.editorHooks->selectedSlot = 0;
    ASSERT_EQ(p.setChunk(chunk.data(), 3712, false), 1);
    EXPECT_EQ(p.editorHooks->selectedSlot, 1);
    AEffect* e = p.getAeffect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    SendMidi(e, 0x90, 60, 127);
    Outputs out(512);
    e->processReplacing(e, nullptr, out.pointers, 512);
    EXPECT_GT(out.PeakOfAll(), 0.2f) << "and plays without an editor";
}

TEST_F(PlayerVSTTest, SharesTheSamplersHostAnswers) {
    auto p = PlayerRig::Player(rig.libs + L"\\Nothing.dll");
    AEffect* e = p->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent"), 0), 1);
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvents"), 0), 0);
    VstPinProperties pin = {};
    EXPECT_EQ(e->dispatcher(e, effGetOutputProperties, 7, 0, &pin, 0), 1);
    EXPECT_STREQ(pin.label, "Korvo Sampler Audio Out 8");
    EXPECT_EQ(Text(e, effGetProgramName), "default");
    EXPECT_EQ(e->dispatcher(e, effGetPlugCategory, 0, 0, nullptr, 0), 2);
    EXPECT_EQ(e->dispatcher(e, effGetVstVersion, 0, 0, nullptr, 0), 2300);
    EXPECT_EQ(p->fxIdle(), 0);
}

} // namespace
