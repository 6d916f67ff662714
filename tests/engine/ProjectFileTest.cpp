#include "FileRig.h"
#include "StoredFields.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

namespace {

namespace fs = std::filesystem;

TEST_F(ProjectFileTest, AProjectWithoutInstrumentsIsHeaderAndInfo) {
    const std::wstring path = rig.folder.File(L"empty.kss");
    ASSERT_TRUE(Save(path));
    const Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 3688u);
    EXPECT_EQ(std::memcmp(b.data(), "KRVO", 4), 0);
    EXPECT_EQ(I32At(b, 4), 1300);
    EXPECT_EQ(std::wstring(rig.engine.projectPath), path) << "a project save moves the project path";
    Loader l;
    EXPECT_TRUE(l.Load(path));
    EXPECT_EQ(l.engine.instrumentCount, 0);
    EXPECT_FALSE(FileExists((path + L".tmp").c_str()));
}

// Every field at its offset: the layout of the records, read from the bytes.
TEST_F(ProjectFileTest, RecordsLieAtTheirOffsets) {
    const std::wstring wav = Wav(L"a.wav");
    CopyWide(rig.engine.libraryName, L"Lib");
    std::memcpy(rig.engine.uniqueId, "AbCd", 5);
    rig.engine.uiStyle = 5;
    rig.engine.samplesInRelativePath = 0;
    const int slot = rig.AddInstrument(9, 3);
    KInstrument& in = *rig.engine.instruments[slot];
    CopyWide(in.name, L"Piano");
    CopyWide(in.layerNames[11], L"Top");
    in.bendRange = 7;
    in.currentLayer = 4;
    in.reverbSize = 0.25f;
    in.reverbDamp = 0.5f;
    in.reverbSend = 0.125;
    in.volume = 0.75;
    in.pan = 33.0;
    in.reverbOn = 1;
    in.playAllLayers = 1;
    in.midiControllersOn = 0;
    in.keySwitchOn = 1;
    ASSERT_EQ(in.AddZone(wav.c_str(), 61, 10, 100, 20, 5, 3, nullptr, 0), 0);
    KSampleZone& z = *in.zones[0];
    z.startFrame = 11;
    z.endFrame = 1999;
    z.loopStart = 100;
    z.loopEnd = 1500;
    z.loopMode = 3;
    z.volumeDb = -3.5f;
    z.pan = 20.0f;
    z.ampAttack = 1;
    z.ampDecay = 2;
    z.ampSustain = -4;
    z.ampRelease = 5;
    z.cutoff = 66;
    z.resonance = 2.5f;
    z.keyToCutoff = 0.5f;
    z.velocityToCutoff = -0.25f;
    z.coarseTune = -2;
    z.fineTune = 17;
    z.keyTracking = 0;
    z.exclusiveGroup = 9;
    z.releaseTrigger = 1;
    const std::wstring path = rig.folder.File(L"layout.kss");
    ASSERT_TRUE(Save(path));
    const Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 20u + 3668 + 6824 + 680);
    const size_t info = 20, inst = 20 + 3668, zone = inst + 6824;
    struct Field {
        const char* name;
        double expected;
        std::function<double()> read;
    };
    const std::vector<Field> fields = {
        {"info uniqueId", 'A', [&] { return b[info + 2600]; }},
        {"info uniqueId nul", 0, [&] { return b[info + 2604]; }},
        {"info uiStyle", 5, [&] { return I32At(b, info + 2608); }},
        {"info instrumentCount", 1, [&] { return I32At(b, info + 2612); }},
        {"info libraryName", 'L', [&] { return b[info + 520]; }},
        {"info sampleFolder", 'c', [&] { return b[info + 2618]; }},
        {"info exportFolder", 'c', [&] { return b[info + 3138]; }},
        {"name", 'P', [&] { return b[inst]; }},
        {"zone count", 1, [&] { return I32At(b, inst + 520); }},
        {"channel", 9, [&] { return b[inst + 524]; }},
        {"output pair", 3, [&] { return b[inst + 525]; }},
        {"bend on", 1, [&] { return b[inst + 526]; }},
        {"bend range", 7, [&] { return b[inst + 527]; }},
        {"current layer", 4, [&] { return I32At(b, inst + 528); }},
        {"keyswitch", 1, [&] { return b[inst + 533]; }},
        {"reverb size", 0.25, [&] { return F32At(b, inst + 536); }},
        {"reverb damp", 0.5, [&] { return F32At(b, inst + 540); }},
        {"reverb send", 0.125, [&] { return F64At(b, inst + 544); }},
        {"volume", 0.75, [&] { return F64At(b, inst + 552); }},
        {"pan", 33, [&] { return F64At(b, inst + 560); }},
        {"reverb on", 1, [&] { return b[inst + 568]; }},
        {"play all layers", 1, [&] { return b[inst + 569]; }},
        {"controllers on", 0, [&] { return b[inst + 570]; }},
        {"layer 12 name", 'T', [&] { return b[inst + 576 + 11 * 520]; }},
        {"embedded offset", static_cast<double>(zone + 680), [&] { return static_cast<double>(I64At(b, zone + 520)); }},
        {"embedded size", 44 + 4000, [&] { return static_cast<double>(I64At(b, zone + 528)); }},
        {"start", 11, [&] { return static_cast<double>(I64At(b, zone + 536)); }},
        {"end", 1999, [&] { return static_cast<double>(I64At(b, zone + 544)); }},
        {"loop start", 100, [&] { return static_cast<double>(I64At(b, zone + 552)); }},
        {"loop end", 1500, [&] { return static_cast<double>(I64At(b, zone + 560)); }},
        {"loop mode", 3, [&] { return I32At(b, zone + 568); }},
        {"key low", 10, [&] { return I32At(b, zone + 572); }},
        {"velocity high", 100, [&] { return I32At(b, zone + 576); }},
        {"key high", 20, [&] { return I32At(b, zone + 580); }},
        {"velocity low", 5, [&] { return I32At(b, zone + 584); }},
        {"volume dB", -3.5, [&] { return F32At(b, zone + 588); }},
        {"zone pan", 20, [&] { return F32At(b, zone + 592); }},
        {"attack", 1, [&] { return F32At(b, zone + 596); }},
        {"decay", 2, [&] { return F32At(b, zone + 600); }},
        {"sustain", -4, [&] { return F32At(b, zone + 604); }},
        {"release", 5, [&] { return F32At(b, zone + 608); }},
        {"reserved", 0, [&] { return static_cast<double>(I64At(b, zone + 612) | I64At(b, zone + 620)); }},
        {"cutoff", 66, [&] { return F32At(b, zone + 628); }},
        {"resonance", 2.5, [&] { return F32At(b, zone + 632); }},
        {"key to cutoff", 0.5, [&] { return F32At(b, zone + 636); }},
        {"velocity to cutoff", -0.25, [&] { return F32At(b, zone + 640); }},
        {"coarse", -2, [&] { return I32At(b, zone + 644); }},
        {"fine", 17, [&] { return I32At(b, zone + 648); }},
        {"root", 61, [&] { return b[zone + 652]; }},
        {"key tracking", 0, [&] { return b[zone + 653]; }},
        {"layer", 3, [&] { return I32At(b, zone + 656); }},
        {"group", 9, [&] { return I32At(b, zone + 660); }},
        {"release trigger", 1, [&] { return b[zone + 664]; }},
    };
    for (const Field& f : fields) EXPECT_EQ(f.read(), f.expected) << f.name;

    // And back: every field the file carries returns.
    Loader l;
    ASSERT_TRUE(l.Load(path));
    ASSERT_EQ(l.engine.instrumentCount, 1);
    const KInstrument& back = *l.engine.instruments[0];
    const KSampleZone& bz = *back.zones[0];
    EXPECT_EQ(StoredFieldsDiffer(in, back), std::vector<std::string>{});
    EXPECT_EQ(StoredFieldsDiffer(z, bz), std::vector<std::string>{});
    EXPECT_EQ(std::wstring(back.name), L"Piano");
    EXPECT_EQ(std::wstring(back.layerNames[11]), L"Top");
    EXPECT_STREQ(l.engine.uniqueId, "AbCd");
    EXPECT_EQ(l.engine.uiStyle, 5);
    EXPECT_EQ(std::wstring(l.engine.libraryName), L"Lib");
    EXPECT_EQ(std::wstring(l.engine.projectPath), path);
    EXPECT_GT(bz.overview[0], 0.0f) << "overview built";
}

TEST_F(ProjectFileTest, SustainBelowZeroWithoutDecayGetsOneMillisecond) {
    const int slot = rig.AddInstrument();
    AddZone(slot, Wav(L"s.wav"));
    rig.Zone(slot, 0)->ampSustain = -6;
    rig.Zone(slot, 0)->ampDecay = 0;
    const std::wstring path = rig.folder.File(L"s.kss");
    ASSERT_TRUE(Save(path));
    Loader l;
    ASSERT_TRUE(l.Load(path));
    EXPECT_EQ(l.engine.instruments[0]->zones[0]->ampDecay, 1.0f);
}

// The editor's audition zone plays but is no part of the user's work: no
// project, instrument file or bank holds it.
TEST_F(ProjectFileTest, AZoneMarkedNotSavedIsLeftOutOfEveryFile) {
    const int slot = rig.AddInstrument();
    for (int z = 0; z < 3; ++z) AddZone(slot, Wav(L"n.wav"));
    rig.Zone(slot, 1)->notSaved = 1;
    rig.Zone(slot, 2)->ampRelease = 777.0f;
    const struct {
        const wchar_t* name;
        bool embed;
        int instrument;
    } files[] = {{L"p.kss", false, -1}, {L"b.ksb", true, -1}, {L"i.kis", false, 0}};
    for (const auto& f : files) {
        const std::wstring path = rig.folder.File(f.name);
        ASSERT_TRUE(Save(path, f.embed, false, f.instrument));
        Loader l;
        ASSERT_TRUE(l.Load(path));
        const KInstrument& in = *l.engine.instruments[0];
        EXPECT_EQ(in.zoneCount, 2) << f.name;
        ASSERT_NE(in.zones[1], nullptr);
        EXPECT_EQ(in.zones[1]->ampRelease, 777.0f) << "the zone after it follows directly";
    }
}

TEST_F(ProjectFileTest, InstrumentFileHasNoInfoAndItsOwnSamplesMode) {
    const std::wstring wav = Wav(L"i.wav");
    rig.AddInstrument();
    const int slot = rig.AddInstrument(4);
    AddZone(slot, wav);
    AddZone(slot, wav);
    const std::wstring path = rig.folder.File(L"one.kis");
    ASSERT_TRUE(Save(path, false, false, slot));
    const Bytes b = ReadBytes(path);
    EXPECT_EQ(b.size(), 20u + 6824 + 2 * 680);
    EXPECT_EQ(I32At(b, 12), 1) << "single-instrument file";
    EXPECT_EQ(I32At(b, 20 + 572), 0);
    EXPECT_EQ(std::wstring(rig.engine.projectPath), L"") << "an instrument save leaves the project path";

    Loader l;
    l.engine.AddInstrument(0, 0);
    ASSERT_TRUE(l.Load(path));
    EXPECT_EQ(l.engine.instrumentCount, 2) << "an instrument file adds to what is there";
    EXPECT_EQ(l.engine.instruments[1]->midiChannel, 4);
    EXPECT_EQ(l.engine.instruments[1]->zoneCount, 2);

    // +572 set: the samples are looked for in the samples folder beside it.
    rig.engine.samplesInRelativePath = 1;
    const fs::path moved = fs::path(rig.folder.Path()) / "moved";
    fs::create_directories(moved);
    ASSERT_TRUE(Save((moved / "rel.kis").wstring(), false, false, slot));
    EXPECT_TRUE(fs::exists(moved / "samples" / "i.wav"));
    EXPECT_EQ(I32At(ReadBytes((moved / "rel.kis").wstring()), 20 + 572), 1);
    Loader r;
    r.answer = L"";
    ASSERT_TRUE(r.Load((moved / "rel.kis").wstring()));
    EXPECT_EQ(r.engine.instruments[0]->zoneCount, 2);
    EXPECT_EQ(r.prompts, 0);
}

// A small version-1000 project, as the SoundFont converter writes it.
TEST_F(ProjectFileTest, Version1000LoadsAndOtherVersionsAreRefused) {
    fs::create_directories(fs::path(rig.folder.Path()) / "samples");
    ASSERT_TRUE(WriteBytes(rig.folder.File(L"samples") + L"/0.wav",
                           WavWriter(1, 16).Generate(5000, [](int64_t i, int) { return static_cast<int32_t>(i % 100); }).Build()));
    auto build = [&](int32_t version) {
        Bytes file(20 + 3668);
        KFileHeader h;
        h.version = version;
        EncodeHeader(h, file.data());
        KLibraryInfo info;
        CopyWide(info.libraryName, L"SoundFont");
        info.instrumentCount = 1;
        info.samplesInRelativePath = 1;
        EncodeInfo(info, file.data() + 20);
        KInstrumentRecord ir;
        CopyWide(ir.name, L"Organ");
        ir.zoneCount = 1;
        ir.midiChannel = 1;
        Bytes inst(KInstrumentRecord::kSize1000);
        EncodeInstrument(ir, inst.data(), kConverterFileVersion);
        file.insert(file.end(), inst.begin(), inst.end());
        KZoneRecord zr;
        CopyWide(zr.samplePath, L"0.wav");
        zr.endFrame = 5000;
        zr.loopStart = 1000;
        zr.loopEnd = 4000;
        zr.loopMode = 2;
        zr.keyLow = 36;
        zr.keyHigh = 59;
        zr.velocityLow = 1;
        zr.velocityHigh = 127;
        zr.ampAttack = 12;
        zr.ampDecay = 300;
        zr.ampSustain = -12;
        zr.ampRelease = 800;
        zr.fineTune = -14;
        zr.rootKey = 48;
        zr.cutoff = 5; // not in version 1000: must not be read
        Bytes zone(KZoneRecord::kSize1000);
        EncodeZone(zr, zone.data(), kConverterFileVersion);
        file.insert(file.end(), zone.begin(), zone.end());
        return file;
    };
    const std::wstring path = rig.folder.File(L"converted.kss");
    ASSERT_TRUE(WriteBytes(path, build(1000)));
    Loader l;
    ASSERT_TRUE(l.Load(path));
    ASSERT_EQ(l.engine.instrumentCount, 1);
    const KInstrument& in = *l.engine.instruments[0];
    EXPECT_EQ(std::wstring(in.name), L"Organ");
    EXPECT_EQ(in.midiChannel, 1);
    EXPECT_EQ(in.reverbSize, 0.6f) << "defaults for what version 1000 lacks";
    EXPECT_EQ(in.midiControllersOn, 1);
    ASSERT_EQ(in.zoneCount, 1);
    const KSampleZone& z = *in.zones[0];
    EXPECT_EQ(z.keyLow, 36);
    EXPECT_EQ(z.keyHigh, 59);
    EXPECT_EQ(z.loopStart, 1000);
    EXPECT_EQ(z.loopEnd, 4000);
    EXPECT_EQ(z.loopMode, 2);
    EXPECT_EQ(z.endFrame, 5000);
    EXPECT_EQ(z.ampAttack, 12.0f);
    EXPECT_EQ(z.ampDecay, 300.0f);
    EXPECT_EQ(z.ampSustain, -12.0f);
    EXPECT_EQ(z.ampRelease, 800.0f);
    EXPECT_EQ(z.fineTune, -14);
    EXPECT_EQ(z.rootKey, 48);
    EXPECT_EQ(z.cutoff, 100.0f);
    EXPECT_EQ(l.prompts, 0);

    for (int32_t version : {999, 1400, 0, 1299}) {
        const std::wstring other = rig.folder.File(L"v" + std::to_wstring(version) + L".kss");
        ASSERT_TRUE(WriteBytes(other, build(version)));
        Loader r;
        const int handles = KFile::OpenCount();
        EXPECT_FALSE(r.Load(other)) << version;
        EXPECT_EQ(KFile::OpenCount(), handles) << "the refused file is closed";
        EXPECT_EQ(r.engine.instrumentCount, 0);
    }
}

TEST_F(ProjectFileTest, BankEmbedsTheWavesAndItsStreamClosesAfterTheLastZone) {
    const std::wstring a = Wav(L"a.wav", 3000, 2), b = Wav(L"b.wav", 1001, 1);
    const int slot = rig.AddInstrument();
    AddZone(slot, a);
    AddZone(slot, b);
    AddZone(rig.AddInstrument(), a);
    const std::wstring bank = rig.folder.File(L"lib.ksb");
    int progressCalls = 0;
    KFileJob job;
    job.progressCallback = [](void* user, int) { ++*static_cast<int*>(user); };
    job.progressUser = &progressCalls;
    ASSERT_TRUE(rig.engine.SaveFile(bank.c_str(), job, true, false, -1));
    EXPECT_EQ(progressCalls, 3);
    EXPECT_DOUBLE_EQ(job.progress, 1.0);
    EXPECT_EQ(std::wstring(rig.engine.projectPath), L"") << "an export leaves the project path";

    const Bytes bytes = ReadBytes(bank);
    EXPECT_EQ(bytes[8], 1) << "samples embedded";
    // Walk the records: each zone's +520 is its own position + 680, and the
    // next record follows the embedded WAV.
    size_t at = 20 + 3668;
    for (int instrument = 0; instrument < 2; ++instrument) {
        const int zones = I32At(bytes, at + 520);
        at += 6824;
        for (int z = 0; z < zones; ++z) {
            EXPECT_EQ(I64At(bytes, at + 520), static_cast<int64_t>(at + 680));
            EXPECT_EQ(std::memcmp(bytes.data() + at + 680, "RIFF", 4), 0);
            at = static_cast<size_t>(I64At(bytes, at + 520) + I64At(bytes, at + 528));
        }
    }
    EXPECT_EQ(at, bytes.size());

    // Loaded elsewhere the bank needs no sample file.
    for (int i = 0; i < 16; ++i) rig.engine.DeleteInstrument(i); // lets go of the samples
    fs::remove(fs::path(a));
    fs::remove(fs::path(b));
    const int handles = KFile::OpenCount();
    {
        Loader l;
        ASSERT_TRUE(l.Load(bank));
        ASSERT_EQ(l.engine.CountZones(), 3);
        EXPECT_EQ(l.engine.instruments[0]->zones[0]->file->References(), 3) << "one stream, held by each zone";
        EXPECT_EQ(l.engine.instruments[0]->zones[1]->frameCount, 1001);
        EXPECT_EQ(l.job.stream, nullptr);
        EXPECT_EQ(KFile::OpenCount(), handles + 1);
        EXPECT_TRUE(l.engine.DeleteInstrument(0));
        EXPECT_EQ(KFile::OpenCount(), handles + 1) << "still open for the last zone";
        KMidiEvent on{0x90, 60, 100, 0};
        l.engine.events.events[0] = on;
        l.engine.events.count = 1;
        std::vector<float> out(8 * 64, 0.0f);
        float* o[8];
        for (int i = 0; i < 8; ++i) o[i] = out.data() + 64 * i;
        ASSERT_TRUE(l.engine.Process(o, 64));
        EXPECT_NE(out[63], 0.0f) << "the embedded zone plays";
    }
    EXPECT_EQ(KFile::OpenCount(), handles) << "closed once the last zone is gone";
}

TEST_F(ProjectFileTest, ThePlayersReaderTakesAnyVersionAndBuildsNoOverviews) {
    const int slot = rig.AddInstrument(4, 2);
    AddZone(slot, Wav(L"a.wav", 3000, 2));
    KInstrument& in = *rig.engine.instruments[slot];
    in.bendRange = 9;
    CopyWide(in.layerNames[3], L"Soft");
    in.zones[0]->ampRelease = 123.0f;
    std::memcpy(rig.engine.uniqueId, "Wxyz", 5);
    CopyWide(rig.engine.libraryName, L"Any");
    const std::wstring bank = rig.folder.File(L"any.ksb");
    KFileJob job;
    ASSERT_TRUE(rig.engine.SaveFile(bank.c_str(), job, true, false, -1));
    Bytes bytes = ReadBytes(bank);

    for (int32_t version : {1300, 999, 1000, 0, -1}) {
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(version) >> (8 * i));
        const std::wstring path = rig.folder.File(L"v" + std::to_wstring(version) + L".ksb");
        ASSERT_TRUE(WriteBytes(path, bytes));
        Loader player;
        ASSERT_TRUE(player.engine.LoadFile(path.c_str(), player.job, false, KSamplerEngine::Reader::Player)) << version;
        ASSERT_EQ(player.engine.instrumentCount, 1) << version;
        const KInstrument& back = *player.engine.instruments[0];
        EXPECT_EQ(back.midiChannel, 4) << version;
        EXPECT_EQ(back.bendRange, 9) << version;
        EXPECT_EQ(std::wstring(back.layerNames[3]), L"Soft") << version;
        EXPECT_STREQ(player.engine.uniqueId, "Wxyz") << version;
        EXPECT_EQ(std::wstring(player.engine.libraryName), L"Any") << version;
        ASSERT_EQ(back.zoneCount, 1) << version;
        EXPECT_EQ(back.zones[0]->frameCount, 3000) << version;
        EXPECT_EQ(back.zones[0]->ampRelease, 123.0f) << version;
        const float* overview = back.zones[0]->overview;
        EXPECT_TRUE(std::all_of(overview, overview + 2 * KSampleZone::kOverviewColumns, [](float v) { return v == 0.0f; }))
            << version << ": no overview";
        EXPECT_NE(back.zones[0]->preload[2 * 100], 0.0f) << version << ": the preload is filled";
    }
    Loader sampler;
    ASSERT_TRUE(sampler.Load(rig.folder.File(L"v1300.ksb")));
    EXPECT_GT(sampler.engine.instruments[0]->zones[0]->overview[2 * 5], 0.0f) << "the sampler's reader builds one";
    EXPECT_FALSE(sampler.Load(rig.folder.File(L"v999.ksb"))) << "and refuses other versions";
}

TEST_F(ProjectFileTest, ThePlayersReaderLoadsAProjectFromItsSamplesFolder) {
    const fs::path root(rig.folder.Path());
    const std::wstring wav = Wav(L"p.wav", 1500);
    AddZone(rig.AddInstrument(), wav);
    rig.engine.samplesInRelativePath = 1;
    fs::create_directories(root / "Lib");
    const std::wstring project = (root / "Lib" / "Lib.ksb").wstring();
    ASSERT_TRUE(Save(project));
    rig.engine.DeleteInstrument(0);
    fs::remove(fs::path(wav));

    const int handles = KFile::OpenCount();
    {
        Loader l;
        ASSERT_TRUE(l.engine.LoadFile(project.c_str(), l.job, false, KSamplerEngine::Reader::Player));
        EXPECT_EQ(l.prompts, 0);
        ASSERT_EQ(l.engine.CountZones(), 1);
        EXPECT_EQ(NativePath(l.engine.instruments[0]->zones[0]->path),
                  NativePath((root / "Lib" / "samples" / "p.wav").wstring().c_str()));
        EXPECT_EQ(KFile::OpenCount(), handles + 1) << "the zone's sample is open, the project file closed";
    }
    EXPECT_EQ(KFile::OpenCount(), handles);
}

TEST_F(ProjectFileTest, FailedSavesLeaveThePreviousFile) {
    const std::wstring wav = Wav(L"f.wav");
    const int slot = rig.AddInstrument();
    AddZone(slot, wav);
    const std::wstring path = rig.folder.File(L"keep.kss");
    ASSERT_TRUE(Save(path));
    const Bytes good = ReadBytes(path);

    // The samples folder cannot be made: the relative save fails.
    ASSERT_TRUE(WriteBytes(rig.folder.File(L"samples"), Bytes(3, 1)));
    rig.engine.samplesInRelativePath = 1;
    CopyWide(rig.engine.libraryName, L"Changed");
    EXPECT_FALSE(Save(path));
    EXPECT_EQ(ReadBytes(path), good);
    EXPECT_FALSE(FileExists((path + L".tmp").c_str()));
    rig.engine.samplesInRelativePath = 0;

    // A bank whose sample lost its data: the record would announce bytes
    // that are not there.
    const std::wstring bank = rig.folder.File(L"keep.ksb");
    ASSERT_TRUE(Save(bank, true));
    const Bytes goodBank = ReadBytes(bank);
    ASSERT_TRUE(WriteBytes(wav, Bytes(30, 0)));
    EXPECT_FALSE(Save(bank, true));
    EXPECT_EQ(ReadBytes(bank), goodBank);
}

TEST_F(ProjectFileTest, SamplesFolderMode) {
    const fs::path root(rig.folder.Path());
    fs::create_directories(root / "x");
    fs::create_directories(root / "y");
    const std::wstring first = (root / "x" / "hit.wav").wstring(), second = (root / "y" / "hit.wav").wstring();
    ASSERT_TRUE(WriteBytes(first, WavWriter(1, 16).Generate(100, [](int64_t, int) { return 100; }).Build()));
    ASSERT_TRUE(WriteBytes(second, WavWriter(1, 16).Generate(200, [](int64_t, int) { return 200; }).Build()));
    const int slot = rig.AddInstrument();
    AddZone(slot, first);
    AddZone(slot, second);
    AddZone(slot, first);
    rig.engine.samplesInRelativePath = 1;
    fs::create_directories(root / "project");
    const std::wstring path = (root / "project" / "p.kss").wstring();
    ASSERT_TRUE(Save(path));
    EXPECT_TRUE(fs::exists(root / "project" / "samples" / "hit.wav"));
    EXPECT_TRUE(fs::exists(root / "project" / "samples" / "hit_2.wav")) << "same name, other sample: its own copy";
    EXPECT_EQ(fs::file_size(root / "project" / "samples" / "hit_2.wav"), 44u + 400);
    EXPECT_EQ(std::wstring(rig.Zone(slot, 0)->path), first) << "the zone keeps its own path";

    // Saving again overwrites the copies (here: a changed sample).
    ASSERT_TRUE(WriteBytes(first, WavWriter(1, 16).Generate(300, [](int64_t, int) { return 300; }).Build()));
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(fs::file_size(root / "project" / "samples" / "hit.wav"), 44u + 600);

    // Moved with its samples folder, it loads without the prompt.
    fs::rename(root / "project", root / "elsewhere");
    Loader l;
    ASSERT_TRUE(l.Load((root / "elsewhere" / "p.kss").wstring()));
    EXPECT_EQ(l.prompts, 0);
    ASSERT_EQ(l.engine.CountZones(), 3);
    EXPECT_EQ(l.engine.instruments[0]->zones[1]->frameCount, 200);

    // Saving the loaded project in place: its samples already lie in the
    // samples folder and are not copied onto themselves.
    l.engine.samplesInRelativePath = 1;
    KFileJob job;
    ASSERT_TRUE(l.engine.SaveFile((root / "elsewhere" / "p.kss").wstring().c_str(), job, false, false, -1));
    EXPECT_EQ(fs::file_size(root / "elsewhere" / "samples" / "hit_2.wav"), 44u + 400);
    Loader again;
    ASSERT_TRUE(again.Load((root / "elsewhere" / "p.kss").wstring()));
    EXPECT_EQ(again.engine.CountZones(), 3);
}

TEST_F(ProjectFileTest, MissingSamplesPromptOnceAndSkipOnlyTheMissing) {
    const fs::path root(rig.folder.Path());
    fs::create_directories(root / "kept");
    const std::wstring here = Wav(L"here.wav"), gone1 = Wav(L"gone1.wav"), gone2 = Wav(L"gone2.wav");
    const int slot = rig.AddInstrument();
    AddZone(slot, gone1);
    AddZone(slot, here);
    AddZone(slot, gone2);
    const std::wstring path = rig.folder.File(L"m.kss");
    ASSERT_TRUE(Save(path));
    rig.engine.DeleteInstrument(slot); // lets go of the samples
    fs::rename(fs::path(gone1), root / "kept" / "gone1.wav");
    fs::rename(fs::path(gone2), root / "kept" / "gone2.wav");

    Loader cancelled;
    ASSERT_TRUE(cancelled.Load(path));
    EXPECT_EQ(cancelled.prompts, 1);
    ASSERT_EQ(cancelled.engine.CountZones(), 1) << "only the missing zones are skipped";
    EXPECT_EQ(std::wstring(cancelled.engine.instruments[0]->zones[0]->path), here);

    Loader found;
    found.answer = (root / "kept").wstring();
    ASSERT_TRUE(found.Load(path));
    EXPECT_EQ(found.prompts, 1);
    EXPECT_EQ(found.engine.CountZones(), 3) << "own path first, then the chosen folder";
    EXPECT_EQ(std::wstring(found.engine.instruments[0]->zones[1]->path), here);
}

TEST_F(ProjectFileTest, LoadingIntoAFullEngineSkipsEveryInstrument) {
    const std::wstring wav = Wav(L"full.wav");
    for (int i = 0; i < 3; ++i) AddZone(rig.AddInstrument(), wav);
    const std::wstring path = rig.folder.File(L"full.kss");
    ASSERT_TRUE(Save(path));
    Loader l;
    for (int i = 0; i < 16; ++i) l.engine.AddInstrument(0, 0);
    EXPECT_TRUE(l.Load(path));
    EXPECT_EQ(l.engine.instrumentCount, 16);
    EXPECT_EQ(l.engine.CountZones(), 0);
    EXPECT_EQ(l.prompts, 0);
}

// A fixed engine state gives the same bytes in every build.
TEST_F(ProjectFileTest, TheSameStateGivesTheSameBytesInBothBuilds) {
    const fs::path previous = fs::current_path();
    fs::current_path(fs::path(rig.folder.Path()));
    ASSERT_TRUE(WriteBytes(L"fixed.wav", WavWriter(2, 24).Generate(700, [](int64_t i, int c) {
        return static_cast<int32_t>((i * 977 + c * 3) & 0xFFFFFF);
    }).Build()));
    CopyWide(rig.engine.projectPath, L"c:\\Music\\Fixed \x00E9t\x00E9.kss");
    const int slot = rig.AddInstrument(3, 1);
    CopyWide(rig.engine.instruments[slot]->name, L"Fixed \x65E5\x672C");
    rig.engine.instruments[slot]->volume = 0.3;
    ASSERT_EQ(rig.engine.instruments[slot]->AddZone(L"fixed.wav", 64, 1, 2, 3, 1, 5, nullptr, 0), 0);
    rig.Zone(slot, 0)->ampRelease = 123.25f;
    rig.Zone(slot, 0)->loopEnd = 650;
    KFileJob job;
    ASSERT_TRUE(rig.engine.SaveFile(L"fixed.kss", job, false, true, -1));
    ASSERT_TRUE(rig.engine.SaveFile(L"fixed.ksb", job, true, false, -1));
    auto fnv = [](const Bytes& b) {
        uint64_t h = 1469598103934665603ull;
        for (uint8_t x : b) h = (h ^ x) * 1099511628211ull;
        return h;
    };
    const uint64_t project = fnv(ReadBytes(L"fixed.kss")), bank = fnv(ReadBytes(L"fixed.ksb"));
    fs::current_path(previous);
    EXPECT_EQ(project, 0xba1bbfc51b643760ull);
    EXPECT_EQ(bank, 0x1a750d55b3ec1302ull);
}

// Damaged and hostile files load without crash, hang or sanitizer report.
TEST_F(ProjectFileTest, MalformedFilesLoadSafely) {
    const std::wstring wav = Wav(L"c.wav", 500);
    for (int i = 0; i < 2; ++i) {
        const int slot = rig.AddInstrument();
        AddZone(slot, wav);
        AddZone(slot, wav);
    }
    const std::wstring project = rig.folder.File(L"c.kss"), bank = rig.folder.File(L"c.ksb");
    ASSERT_TRUE(Save(project));
    ASSERT_TRUE(Save(bank, true));
    std::vector<std::pair<std::string, Bytes>> corpus;
    for (const std::wstring& source : {project, bank}) {
        const Bytes good = ReadBytes(source);
        // Cut at every record boundary and inside records.
        for (size_t cut : {0, 10, 20, 21, 100, 3688, 3700, 3688 + 6824, 3688 + 6824 + 300, 3688 + 6824 + 680})
            corpus.emplace_back("cut " + std::to_string(cut), Bytes(good.begin(), good.begin() + std::min(cut, good.size())));
        for (size_t cut = 3688 + 6824 + 680; cut < good.size(); cut += 997)
            corpus.emplace_back("cut " + std::to_string(cut), Bytes(good.begin(), good.begin() + cut));
        auto patched = [&](size_t at, std::vector<uint8_t> with) {
            Bytes b = good;
            for (size_t i = 0; i < with.size() && at + i < b.size(); ++i) b[at + i] = with[i];
            return b;
        };
        const size_t inst = 3688, zone = 3688 + 6824;
        corpus.emplace_back("huge instrument count", patched(20 + 2612, {0xFF, 0xFF, 0xFF, 0x7F}));
        corpus.emplace_back("negative instrument count", patched(20 + 2612, {0, 0, 0, 0x80}));
        corpus.emplace_back("huge zone count", patched(inst + 520, {0xFF, 0xFF, 0xFF, 0x7F}));
        corpus.emplace_back("zone count 1025", patched(inst + 520, {0x01, 0x04, 0, 0}));
        corpus.emplace_back("negative zone count", patched(inst + 520, {0xFF, 0xFF, 0xFF, 0xFF}));
        corpus.emplace_back("embedded offset beyond", patched(zone + 520, {0, 0, 0, 0x40, 0, 0, 0, 0}));
        corpus.emplace_back("negative embedded offset", patched(zone + 520, {0, 0, 0, 0, 0, 0, 0, 0x80}));
        corpus.emplace_back("embedded size beyond", patched(zone + 528, {0, 0, 0, 0, 1, 0, 0, 0}));
        corpus.emplace_back("negative embedded size", patched(zone + 528, {0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
        corpus.emplace_back("bank flag on a project", patched(8, {1}));
        corpus.emplace_back("unterminated name", patched(inst, Bytes(520, 'A')));
        corpus.emplace_back("NaN volume", patched(inst + 552, {0, 0, 0, 0, 0, 0, 0xF8, 0x7F}));
        corpus.emplace_back("huge loop", patched(zone + 552, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
        corpus.emplace_back("negative start", patched(zone + 536, {0, 0, 0, 0, 0, 0, 0, 0x80}));
        corpus.emplace_back("bend range 255", patched(inst + 527, {0xFF}));
        std::mt19937 random(7);
        for (int n = 0; n < 12; ++n) {
            Bytes b(good.begin(), good.begin() + 20);
            b.resize(20 + 1 + random() % 30000);
            for (size_t i = 20; i < b.size(); ++i) b[i] = static_cast<uint8_t>(random());
            corpus.emplace_back("random " + std::to_string(n), b);
        }
    }
    int n = 0;
    for (const auto& [name, bytes] : corpus) {
        const std::wstring path = rig.folder.File(L"bad" + std::to_wstring(n++) + L".kss");
        ASSERT_TRUE(WriteBytes(path, bytes));
        Loader l;
        const auto started = std::chrono::steady_clock::now();
        l.Load(path);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << name;
        EXPECT_LE(l.engine.instrumentCount, 16) << name;
        for (const KInstrument* in : l.engine.instruments) {
            if (in != nullptr) {
                EXPECT_LE(in->zoneCount, 1024) << name;
            }
        }
        EXPECT_LE(l.prompts, 1) << name;
        std::vector<float> out(8 * 64, 0.0f);
        float* o[8];
        for (int i = 0; i < 8; ++i) o[i] = out.data() + 64 * i;
        l.engine.events.events[0] = KMidiEvent{0x90, 60, 100, 0};
        l.engine.events.count = 1;
        l.engine.Process(o, 64);
        for (float v : out) ASSERT_TRUE(v >= -1.0f && v <= 1.0f) << name;
    }
}

} // namespace
