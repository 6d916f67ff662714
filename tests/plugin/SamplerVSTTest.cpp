#include "SamplerVST.h"

#include "EffectBench.h"
#ifdef _WIN32
#include "DialogFinder.h"
#endif
#include "StoredFields.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The plug-in's state chunk, copied (empty when it gives none).
std::vector<uint8_t> ChunkOf(KSamplerVST& plugin) {
    void* data = nullptr;
    const VstInt32 size = plugin.getChunk(&data, false);
    if (size <= 0 || data == nullptr) return {};
    return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

class SamplerVSTTest : public ::testing::Test {
protected:
    std::unique_ptr<KSamplerVST> Plugin() {
        auto p = std::make_unique<KSamplerVST>(QuietHost);
        p->pluginFolder = folder.Path() + L"/";
        return p;
    }
    std::wstring Wav(const std::wstring& name) {
        const std::wstring path = folder.File(name);
        EXPECT_TRUE(WriteBytes(path, WavWriter(1, 16).Generate(20000, [](int64_t i, int) {
            return static_cast<int32_t>(i % 200 < 100 ? 12000 : -12000);
        }).Build()));
        return path;
    }
    TempFolder folder;
};

TEST_F(SamplerVSTTest, Identity) {
    auto p = Plugin();
    const AEffect& a = *p->getAeffect();
    EXPECT_EQ(a.flags, 0x132) << "no editor window yet";
    EXPECT_EQ(a.numParams, 304);
    EXPECT_EQ(a.numInputs, 0);
    EXPECT_EQ(a.numOutputs, 8);
    EXPECT_EQ(a.uniqueID, FourCC("KrvS"));
    EXPECT_EQ(p->engine.instrumentCount, 1);
    EXPECT_EQ(p->engine.instruments[0]->midiChannel, 1);
    EXPECT_EQ(p->slotMap[0], 0);
    EXPECT_EQ(p->slotMap[1], -1);
    EXPECT_STREQ(p->parameterNames[0], "Inst1:Volume");
    EXPECT_STREQ(p->parameterNames[303], "Inst16:LPF Velo to Cutoff");
    EXPECT_STREQ(p->parameterNames[19 + 5], "Inst2:Amp Sustain");

    AEffect* e = p->getAeffect();
    char text[80];
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, const_cast<char*>("receiveVstEvents"), 0), 1);
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent"), 0), 1);
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvents"), 0), 0);
    VstPinProperties pin;
    std::memset(&pin, 0x5A, sizeof pin);
    EXPECT_EQ(e->dispatcher(e, effGetOutputProperties, 7, 0, &pin, 0), 1);
    EXPECT_STREQ(pin.label, "Korvo Sampler Audio Out 8");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(pin.shortLabel[0], 0x5A) << "other fields untouched";
    e->dispatcher(e, effGetEffectName, 0, 0, text, 0);
    EXPECT_STREQ(text, "KorvoSampler");
    e->dispatcher(e, effGetVendorString, 0, 0, text, 0);
    EXPECT_STREQ(text, "Tellurand");
    EXPECT_EQ(e->dispatcher(e, effGetPlugCategory, 0, 0, nullptr, 0), 2);
    EXPECT_EQ(e->dispatcher(e, effGetProgramNameIndexed, 0, 0, text, 0), 1);
    EXPECT_STREQ(text, "default");
    EXPECT_EQ(e->dispatcher(e, effGetProgramNameIndexed, 1, 0, text, 0), 0);
    e->dispatcher(e, effGetParamLabel, 12, 0, text, 0);
    EXPECT_STREQ(text, "%");

    // 23 characters round-trip; longer names are cut, never overflow.
    const std::string name23(23, 'n');
    e->dispatcher(e, effSetProgramName, 0, 0, const_cast<char*>(name23.c_str()), 0);
    e->dispatcher(e, effGetProgramName, 0, 0, text, 0);
    EXPECT_EQ(std::string(text), name23);
    const std::string long40(40, 'L');
    e->dispatcher(e, effSetProgramName, 0, 0, const_cast<char*>(long40.c_str()), 0);
    e->dispatcher(e, effGetProgramName, 0, 0, text, 0);
    EXPECT_EQ(std::string(text), std::string(23, 'L'));
}

TEST_F(SamplerVSTTest, BusyUntilOpen) {
    auto p = Plugin();
    AEffect* e = p->getAeffect();
    VstMidiEvent on = Midi(0x90, 60, 100);
    VstEvents list = {};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&on);
    e->dispatcher(e, effProcessEvents, 0, 0, &list, 0);
    Outputs out(64);
    e->processReplacing(e, nullptr, out.pointers, 64);
    for (int c = 0; c < 8; ++c) EXPECT_EQ(out.Peak(c), 0.0f) << "silence while busy";
    EXPECT_EQ(p->midiQueue.count, 1) << "the queue is kept";
    Outputs untouched(64);
    e->process(e, nullptr, untouched.pointers, 64);
    EXPECT_EQ(untouched.data[0][0], 7.0f) << "process leaves the outputs while busy";
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    EXPECT_FALSE(p->busy);
}

TEST_F(SamplerVSTTest, QueueKeepsMidiInOrderAndDropsThe513th) {
    auto p = Plugin();
    AEffect* e = p->getAeffect();
    std::vector<VstMidiEvent> midi;
    for (int i = 0; i < 520; ++i) midi.push_back(Midi(0x90, static_cast<uint8_t>(i % 128), 1, i));
    VstEvent other = {};
    other.type = 6; // a sysex or other kind: skipped
    std::vector<VstEvent*> pointers;
    for (int i = 0; i < 520; ++i) {
        if (i == 3) pointers.push_back(&other);
        pointers.push_back(reinterpret_cast<VstEvent*>(&midi[i]));
    }
    std::vector<uint8_t> block(offsetof(VstEvents, events) + sizeof(VstEvent*) * pointers.size());
    auto* list = reinterpret_cast<VstEvents*>(block.data());
    list->numEvents = static_cast<VstInt32>(pointers.size());
    std::memcpy(reinterpret_cast<uint8_t*>(list) + offsetof(VstEvents, events), pointers.data(),
                sizeof(VstEvent*) * pointers.size());
    EXPECT_EQ(e->dispatcher(e, effProcessEvents, 0, 0, list, 0), 1);
    ASSERT_EQ(p->midiQueue.count, 512);
    for (int i = 0; i < 512; ++i) ASSERT_EQ(p->midiQueue.events[i].deltaFrames, i) << "in order, the other kind skipped";
}

TEST_F(SamplerVSTTest, PlaysAndFallsSilent) {
    auto p = Plugin();
    const std::wstring wav = Wav(L"tone.wav");
    KInstrument& in = *p->engine.instruments[0];
    ASSERT_EQ(in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
    in.zones[0]->ampRelease = 10;
    p->engine.UpdateGains();
    AEffect* e = p->getAeffect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(p->engine.sampleRate, 48000);
    EXPECT_FLOAT_EQ(in.zones[0]->ampReleaseCoef, static_cast<float>(1 - std::exp(-1.0 / 480))) << "envelopes follow the rate";
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
    // The instrument listens to MIDI channel 1 (status low nibble 0).
    VstMidiEvent on = Midi(0x90, 60, 127, 10), off = Midi(0x80, 60, 0, 0);
    VstEvents list = {};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&on);
    e->dispatcher(e, effProcessEvents, 0, 0, &list, 0);
    Outputs a(512);
    e->processReplacing(e, nullptr, a.pointers, 512);
    EXPECT_GT(a.Peak(0), 0.1f);
    EXPECT_GT(a.Peak(1), 0.1f);
    for (int c = 2; c < 8; ++c) EXPECT_EQ(a.Peak(c), 0.0f) << c;
    EXPECT_EQ(a.data[0][5], 0.0f) << "the note starts at its frame";
    list.events[0] = reinterpret_cast<VstEvent*>(&off);
    e->dispatcher(e, effProcessEvents, 0, 0, &list, 0);
    for (int b = 0; b < 10; ++b) e->processReplacing(e, nullptr, a.pointers, 512);
    EXPECT_EQ(a.Peak(0), 0.0f) << "released to silence";
    EXPECT_EQ(p->engine.CountActiveVoices(), 0);

    // The editor's events reach the next block too.
    const uint8_t note[3] = {0x90, 60, 100};
    p->QueueMidiEvent(note, 0);
    e->processReplacing(e, nullptr, a.pointers, 512);
    EXPECT_GT(a.Peak(0), 0.1f);
}

TEST_F(SamplerVSTTest, EditorEventsFromAnotherThreadAllArrive) {
    auto p = Plugin();
    p->open();
    std::atomic<bool> done{false};
    std::atomic<int> received{0};
    std::vector<uint8_t> order; // controller values in the order they were dispatched
    order.reserve(20000);
    struct Seen {
        std::atomic<int>* count;
        std::vector<uint8_t>* values;
    } seen{&received, &order};
    p->engine.midiMonitorCallback = [](void* user, int message) {
        auto* s = static_cast<Seen*>(user);
        s->values->push_back(static_cast<uint8_t>(message >> 16));
        s->count->fetch_add(1);
    };
    p->engine.callbackUser = &seen;
    std::thread editor([&] {
        for (int i = 0; i < 20000; ++i) {
            // A full queue drops events by design: stay below its capacity.
            while (i - received.load() >= 256) std::this_thread::yield();
            const uint8_t cc[3] = {0xB0, 20, static_cast<uint8_t>(i % 128)};
            p->QueueMidiEvent(cc, 0);
        }
        done = true;
    });
    Outputs out(32);
    for (int blocks = 0; (!done || received < 20000) && blocks < 10000000; ++blocks)
        p->processReplacing(nullptr, out.pointers, 32);
    editor.join();
    ASSERT_EQ(received.load(), 20000) << "no event lost or doubled";
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(order[static_cast<size_t>(i)], i % 128) << "in order, whole: " << i;
}

TEST_F(SamplerVSTTest, ChunkSizes) {
    auto p = Plugin();
    AEffect* e = p->getAeffect();
    p->NewProject();
    void* data = nullptr;
    EXPECT_EQ(e->dispatcher(e, effGetChunk, 0, 0, &data, 0), 3688);
    EXPECT_EQ(data, p->chunkBuffer);
    const std::wstring wav = Wav(L"z.wav");
    const int slot = p->engine.AddInstrument(2, 1);
    for (int z = 0; z < 3; ++z) p->engine.instruments[slot]->AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0);
    EXPECT_EQ(e->dispatcher(e, effGetChunk, 0, 0, &data, 0), 12552);
    EXPECT_EQ(e->dispatcher(e, effGetChunk, 1, 0, &data, 0), 0) << "no preset chunks";
    for (const auto& entry : fs::directory_iterator(fs::path(folder.Path())))
        EXPECT_EQ(entry.path().extension(), ".wav") << "no temporary file left behind";
}

TEST_F(SamplerVSTTest, ChunkRestoresTheSameInstrumentsInTheSameSlots) {
    auto p = Plugin();
    const std::wstring wav = Wav(L"r.wav");
    p->NewProject();
    p->engine.AddInstrument(0, 0);
    p->engine.AddInstrument(5, 2);
    p->engine.AddInstrument(9, 3);
    p->engine.DeleteInstrument(1); // a gap in slot 1
    KInstrument& a = *p->engine.instruments[2];
    FillStoredFields(a);
    ASSERT_EQ(a.AddZone(wav.c_str(), 48, 30, 90, 70, 10, 2, nullptr, 0), 0);
    ASSERT_EQ(a.AddZone(wav.c_str(), 72, 71, 127, 90, 91, 5, nullptr, 0), 1);
    FillStoredFields(*a.zones[0]);
    CopyWide(p->engine.libraryName, L"Mine");
    CopyWide(p->engine.vendorName, L"Someone");
    std::memcpy(p->engine.uniqueId, "Abcd", 5);
    p->engine.uiStyle = 3;
    void* data = nullptr;
    const VstInt32 size = p->getChunk(&data, false);
    ASSERT_EQ(size, 3688 + 2 * 6824 + 2 * 680);
    const std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);

    auto fresh = Plugin();
    ASSERT_EQ(fresh->setChunk(const_cast<uint8_t*>(chunk.data()), size, false), 1);
    EXPECT_EQ(fresh->engine.instrumentCount, 2);
    ASSERT_NE(fresh->engine.instruments[0], nullptr);
    ASSERT_NE(fresh->engine.instruments[1], nullptr) << "loaded instruments fill the first slots";
    EXPECT_EQ(StoredFieldsDiffer(*p->engine.instruments[0], *fresh->engine.instruments[0]), std::vector<std::string>{});
    const KInstrument& b = *fresh->engine.instruments[1];
    EXPECT_EQ(StoredFieldsDiffer(a, b), std::vector<std::string>{});
    ASSERT_EQ(b.zoneCount, 2);
    for (int z = 0; z < 2; ++z) EXPECT_EQ(StoredFieldsDiffer(*a.zones[z], *b.zones[z]), std::vector<std::string>{}) << z;
    EXPECT_EQ(std::wstring(b.zones[0]->path), wav) << "paths are kept as they stand";
    EXPECT_EQ(std::wstring(fresh->engine.libraryName), L"Mine");
    EXPECT_EQ(std::wstring(fresh->engine.vendorName), L"Someone");
    EXPECT_STREQ(fresh->engine.uniqueId, "Abcd");
    EXPECT_EQ(fresh->engine.uiStyle, 3);
    EXPECT_EQ(fresh->slotMap[0], 0);
    EXPECT_EQ(fresh->slotMap[1], 1);
    for (int row = 2; row < 16; ++row) EXPECT_EQ(fresh->slotMap[row], -1) << row;
    EXPECT_FALSE(fresh->busy) << "a restore clears busy again";

    // A second round trip gives the same bytes.
    void* again = nullptr;
    const VstInt32 size2 = fresh->getChunk(&again, false);
    ASSERT_EQ(size2, size);
    EXPECT_EQ(std::memcmp(again, chunk.data(), static_cast<size_t>(size)), 0);
}

TEST_F(SamplerVSTTest, RestoresWhileTheAudioThreadRenders) {
    auto p = Plugin();
    const std::wstring wav = Wav(L"busy.wav");
    KInstrument& in = *p->engine.instruments[0];
    for (int z = 0; z < 4; ++z) ASSERT_GE(in.AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0), 0);
    const std::vector<uint8_t> chunk = ChunkOf(*p);
    ASSERT_FALSE(chunk.empty());
    const VstInt32 size = static_cast<VstInt32>(chunk.size());
    p->open();
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        AEffect* e = p->getAeffect();
        Outputs out(64);
        for (int block = 0; !stop; ++block) {
            VstMidiEvent note = Midi(block % 2 ? 0x80 : 0x90, static_cast<uint8_t>(40 + block % 40), 100);
            VstEvents list = {};
            list.numEvents = 1;
            list.events[0] = reinterpret_cast<VstEvent*>(&note);
            e->dispatcher(e, effProcessEvents, 0, 0, &list, 0);
            e->processReplacing(e, nullptr, out.pointers, 64);
        }
    });
    for (int round = 0; round < 30; ++round) {
        EXPECT_EQ(p->setChunk(const_cast<uint8_t*>(chunk.data()), size, false), 1);
        p->NewProject();
    }
    stop = true;
    audio.join();
    EXPECT_EQ(p->engine.instrumentCount, 0);
}

// The host automates every parameter from its audio thread, notes playing,
// while its other thread (or the editor) starts new projects, restores state
// and deletes instruments and zones: nothing an automation call or a block
// reaches is ever freed under it (the thread sanitizer's build shows any
// access that is not ordered).
TEST_F(SamplerVSTTest, AutomationWhileProjectsChangeReachesNothingFreed) {
    auto p = Plugin();
    const std::wstring wav = Wav(L"automated.wav");
    for (int row = 0; row < 3; ++row) {
        const int slot = row == 0 ? p->slotMap[0].load() : p->engine.AddInstrument(0, static_cast<uint8_t>(row));
        ASSERT_EQ(slot, row);
        p->slotMap[row] = slot;
        for (int z = 0; z < 2; ++z)
            ASSERT_GE(p->engine.instruments[slot]->AddZone(wav.c_str(), 60, z * 64, 127, z * 64 + 63, 1, 1, nullptr, 0), 0);
    }
    const std::vector<uint8_t> chunk = ChunkOf(*p);
    ASSERT_FALSE(chunk.empty());
    const VstInt32 size = static_cast<VstInt32>(chunk.size());
    p->open();

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        AEffect* e = p->getAeffect();
        Outputs out(64);
        for (int block = 0; !stop; ++block) {
            for (VstInt32 a = 0; a < KSamplerVST::kNumParams; ++a)
                p->setParameter(a, static_cast<float>((block + a) % 101) / 100.0f);
            SendMidi(e, block % 3 == 2 ? 0x80 : 0x90, static_cast<uint8_t>((block * 7) % 128), 100);
            e->processReplacing(e, nullptr, out.pointers, 64);
            blocks.store(block + 1);
        }
    });
    int edits = 0;
    const auto started = std::chrono::steady_clock::now();
    while (edits < 60 || blocks.load() < 200) {
        ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(120));
        const int row = edits % 3;
        switch (edits % 5) {
        case 0: p->NewProject(); break;
        case 1:
        case 3: EXPECT_EQ(p->setChunk(const_cast<uint8_t*>(chunk.data()), size, false), 1); break;
        case 2: p->engine.DeleteInstrument(row); break; // its row still maps to it
        default:
            if (KInstrument* in = p->engine.instruments[row]) in->DeleteZone(edits % 2);
            break;
        }
        ++edits;
    }
    stop = true;
    audio.join();
}

// The missing-samples prompt runs a message loop, from which a host may call
// back into the plug-in: a project it would restore or start anew is
// refused while the load is reading its file.
TEST_F(SamplerVSTTest, AHostCallFromTheLoadsPromptDoesNotReplaceTheProjectUnderIt) {
    auto p = Plugin();
    const std::wstring wav = Wav(L"missing.wav");
    KInstrument& in = *p->engine.instruments[0];
    for (int z = 0; z < 3; ++z) ASSERT_GE(in.AddZone(wav.c_str(), 60, z * 40, 127, z * 40 + 39, 1, 1, nullptr, 0), 0);
    ASSERT_GE(p->engine.AddInstrument(2, 1), 0);
    std::vector<uint8_t> chunk = ChunkOf(*p);
    ASSERT_FALSE(chunk.empty());
    const VstInt32 size = static_cast<VstInt32>(chunk.size());
    p->NewProject(); // lets go of the file, which Windows will not remove while it is open
    ASSERT_TRUE(fs::remove(fs::path(wav)));

    struct ReenteringHooks : KSamplerEditorHooks {
        KSamplerVST* plugin = nullptr;
        std::vector<uint8_t>* chunk = nullptr;
        int prompts = 0;
        VstInt32 nested = -1;
        void RefreshInstrumentList() override {}
        void RefreshInstrumentView() override {}
        void SelectFirstInstrument() override {}
        void ForgetProject() override {}
        void ScanSampleFolder() override {}
        void UpdateOutputMeters(float, float) override {}
        void CloseWindow() override {}
        void* PromptOwner() override {
            ++prompts;
            nested = plugin->setChunk(chunk->data(), static_cast<VstInt32>(chunk->size()), false);
            plugin->NewProject();
            return nullptr;
        }
    } hooks;
    hooks.plugin = p.get();
    hooks.chunk = &chunk;
    p->editorHooks = &hooks;
#ifdef _WIN32
    // The system's folder picker comes after the hooks: cancelled, as a user
    // who has no other folder would.
    std::thread user([] {
        if (HWND picker = WaitForDialogWithChild(L"SysTreeView32", 20000)) ::PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    });
#endif
    EXPECT_EQ(p->setChunk(chunk.data(), size, false), 1);
#ifdef _WIN32
    user.join();
#endif
    p->editorHooks = nullptr;
    EXPECT_EQ(hooks.prompts, 1);
    EXPECT_EQ(hooks.nested, 0);
    EXPECT_EQ(p->engine.instrumentCount, 2) << "the load went on with its own project";
    EXPECT_EQ(p->engine.instruments[0]->zoneCount, 0);
}

TEST_F(SamplerVSTTest, BadChunksFailCleanlyAndLeaveAnEmptyWorkingProject) {
    auto p = Plugin();
    std::vector<uint8_t> junk(5000, 0x41);
    struct Case {
        const char* what;
        void* data;
        VstInt32 size;
    };
    for (Case c : {Case{"not a project", junk.data(), 5000}, Case{"too big", junk.data(), KSamplerVST::kChunkBufferSize + 1},
                   Case{"negative size", junk.data(), -4}, Case{"no data", nullptr, 100}, Case{"empty", junk.data(), 0}}) {
        p->engine.AddInstrument(0, 0);
        EXPECT_EQ(p->setChunk(c.data, c.size, false), 0) << c.what;
        EXPECT_EQ(p->engine.instrumentCount, 0) << c.what;
        EXPECT_EQ(p->engine.AddInstrument(0, 0), 0) << c.what << ": the project works";
        p->engine.DeleteInstrument(0);
    }
    EXPECT_EQ(p->setChunk(junk.data(), 100, true), 0) << "no preset chunks";
}

TEST_F(SamplerVSTTest, LoadProjectKeepsTheWorkWhenTheFileCannotBeRead) {
    auto p = Plugin();
    ASSERT_TRUE(WriteBytes(folder.File(L"v999.kss"), [] {
        Bytes b(3688, 0);
        std::memcpy(b.data(), "KRVO", 4);
        b[4] = 0xE7; // 999
        b[5] = 0x03;
        return b;
    }()));
    for (const std::wstring& path : {folder.File(L"missing.kss"), folder.File(L"v999.kss")}) {
        p->modified = true;
        EXPECT_FALSE(p->LoadProject(path.c_str(), 0, false));
        EXPECT_EQ(p->engine.instrumentCount, 1) << "the project stays";
        EXPECT_TRUE(p->modified);
    }
    const std::wstring saved = folder.File(L"saved.kss");
    ASSERT_TRUE(p->SaveProject(saved.c_str(), -1));
    EXPECT_FALSE(p->modified);
    EXPECT_EQ(std::wstring(p->engine.projectPath), saved);
    p->engine.AddInstrument(3, 0);
    EXPECT_TRUE(p->LoadProject(saved.c_str(), 0, false));
    EXPECT_EQ(p->engine.instrumentCount, 1);
    EXPECT_TRUE(p->LoadProject(saved.c_str(), 0, true)) << "an instrument load keeps the project";
    EXPECT_EQ(p->engine.instrumentCount, 2);
}

TEST_F(SamplerVSTTest, TwoObjectsSaveAndRestoreConcurrently) {
    auto one = Plugin(), two = Plugin();
    one->NewProject();
    two->NewProject();
    for (int i = 0; i < 3; ++i) one->engine.AddInstrument(1, 0);
    for (int i = 0; i < 7; ++i) two->engine.AddInstrument(2, 0);
    std::atomic<int> failures{0};
    auto churn = [&](KSamplerVST* p, int expected) {
        for (int round = 0; round < 60; ++round) {
            void* data = nullptr;
            const VstInt32 size = p->getChunk(&data, false);
            const std::vector<uint8_t> copy(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
            if (size != 3688 + expected * 6824 || p->setChunk(const_cast<uint8_t*>(copy.data()), size, false) != 1 ||
                p->engine.instrumentCount != expected)
                ++failures;
        }
    };
    std::thread a(churn, one.get(), 3), b(churn, two.get(), 7);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(SamplerVSTTest, StateWorksWithAReadOnlyPluginFolder) {
    auto p = Plugin();
    p->pluginFolder = folder.File(L"no such folder") + L"/";
    void* data = nullptr;
    const VstInt32 size = p->getChunk(&data, false);
    ASSERT_EQ(size, 3688 + 6824);
    const std::vector<uint8_t> copy(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    EXPECT_EQ(p->setChunk(const_cast<uint8_t*>(copy.data()), size, false), 1);
    EXPECT_EQ(p->engine.instrumentCount, 1);
}

} // namespace
