// Files at the edges: every library field and switch as bytes, version 1000
// as the converter lays it out, paths that do not fit, positions beyond 4 GiB,
// refused zones and samples that already lie in the samples folder.
#include "FileRig.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

std::wstring WideAt(const Bytes& b, size_t at) {
    wchar_t text[kPathLength];
    Utf16LeToWide(b.data() + at, kPathLength, text, kPathLength);
    return text;
}

bool AllZero(const Bytes& b, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i)
        if (b[i] != 0) return false;
    return true;
}

TEST_F(ProjectFileTest, EveryLibraryFieldAndInstrumentSwitchRoundTrips) {
    KSamplerEngine& e = rig.engine;
    CopyWide(e.projectPath, L"d:\\Work\\song.kss");
    CopyWide(e.libraryName, L"Strings");
    CopyWide(e.vendorName, L"Vendor \x00E9");
    CopyWide(e.logoPicture, L"d:\\logo.png");
    CopyWide(e.backgroundPicture, L"d:\\back.png");
    std::memcpy(e.uniqueId, "QxZ9", 5);
    e.uiStyle = 6;
    e.samplesInRelativePath = 1;
    CopyWide(e.sampleFolder, L"d:\\Samples\\");
    CopyWide(e.exportFolder, L"e:\\Export\\");
    KInstrument& in = *e.instruments[rig.AddInstrument(16, 2)];
    in.pitchBendOn = 0;
    in.modWheelSelectsLayer = 1;
    in.sustainPedalOn = 1;
    const std::wstring path = rig.folder.File(L"state.kss");
    ASSERT_TRUE(Save(path, false, true)); // as the state chunk saves: paths as they are
    const Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 20u + 3668 + 6824);

    // Header: magic, version, not embedded, not single, reserved words zero.
    EXPECT_EQ(std::memcmp(b.data(), "KRVO", 4), 0);
    EXPECT_EQ(I32At(b, 4), 1300);
    EXPECT_TRUE(AllZero(b, 8, 12));

    const size_t info = 20, inst = 20 + 3668;
    struct Text {
        size_t at;
        const wchar_t* text;
    };
    for (Text t : {Text{0, L"d:\\Work\\song.kss"}, Text{520, L"Strings"}, Text{1040, L"Vendor \x00E9"},
                   Text{1560, L"d:\\logo.png"}, Text{2080, L"d:\\back.png"}, Text{2618, L"d:\\Samples\\"},
                   Text{3138, L"e:\\Export\\"}})
        EXPECT_EQ(WideAt(b, info + t.at), t.text) << "info +" << t.at;
    EXPECT_EQ(std::memcmp(b.data() + info + 2600, "QxZ9\0\0\0\0", 8), 0);
    EXPECT_EQ(I32At(b, info + 2608), 6);
    EXPECT_EQ(I32At(b, info + 2612), 1);
    EXPECT_EQ(b[info + 2616], 1);
    EXPECT_EQ(b[info + 2617], 0);
    EXPECT_TRUE(AllZero(b, info + 3658, 10));
    EXPECT_EQ(b[inst + 524], 16);
    EXPECT_EQ(b[inst + 525], 2);
    EXPECT_EQ(b[inst + 526], 0) << "pitch bend off";
    EXPECT_EQ(b[inst + 532], 1) << "mod wheel selects the layer";
    EXPECT_EQ(b[inst + 534], 1) << "sustain pedal";
    EXPECT_EQ(I32At(b, inst + 572), 1);
    EXPECT_TRUE(AllZero(b, inst + 535, 1) && AllZero(b, inst + 571, 1) && AllZero(b, inst + 6816, 8));

    Loader l;
    ASSERT_TRUE(l.Load(path, true));
    const KSamplerEngine& back = l.engine;
    EXPECT_EQ(std::wstring(back.projectPath), e.projectPath);
    EXPECT_EQ(std::wstring(back.libraryName), e.libraryName);
    EXPECT_EQ(std::wstring(back.vendorName), e.vendorName);
    EXPECT_EQ(std::wstring(back.logoPicture), e.logoPicture);
    EXPECT_EQ(std::wstring(back.backgroundPicture), e.backgroundPicture);
    EXPECT_STREQ(back.uniqueId, "QxZ9");
    EXPECT_EQ(back.uiStyle, 6);
    EXPECT_EQ(back.samplesInRelativePath, 1);
    EXPECT_EQ(std::wstring(back.sampleFolder), e.sampleFolder);
    EXPECT_EQ(std::wstring(back.exportFolder), e.exportFolder);
    ASSERT_EQ(back.instrumentCount, 1);
    const KInstrument& bi = *back.instruments[0];
    EXPECT_EQ(bi.midiChannel, 16);
    EXPECT_EQ(bi.outputPair, 2);
    EXPECT_EQ(bi.pitchBendOn, 0);
    EXPECT_EQ(bi.modWheelSelectsLayer, 1);
    EXPECT_EQ(bi.sustainPedalOn, 1);
}

// Version 1000 laid out byte by byte as the SoundFont converter writes it:
// 624-byte instruments, 648-byte zones whose fields from 612 on stand where
// version 1300 has them 32 bytes later.
class Version1000Writer {
public:
    Version1000Writer() : b_(20 + 3668, 0) {
        std::memcpy(b_.data(), "KRVO", 4);
        I32(4, 1000);
        Wide(20 + 520, L"SoundFont");
        std::memcpy(b_.data() + 20 + 2600, "krvo", 4);
        I32(20 + 2612, 1);
        b_[20 + 2616] = 1;
    }
    void Instrument(const wchar_t* name, int zones, uint8_t channel) {
        const size_t at = Grow(624);
        Wide(at, name);
        I32(at + 520, zones);
        b_[at + 524] = channel;
        b_[at + 526] = 1;
        b_[at + 527] = 2;
        I32(at + 528, 1);
        F64(at + 552, 1.0);
        F64(at + 560, 50.0);
        F64(at + 592, 6000.0);
        F64(at + 600, 3000.0);
        b_[at + 608] = 1;
        b_[at + 609] = 1;
    }
    struct Zone {
        const wchar_t* path;
        int64_t frames, loopStart, loopEnd;
        int32_t loopMode, keyLow, velocityHigh, keyHigh, velocityLow;
        float attack, decay, sustain, release;
        int32_t coarse, fine;
        uint8_t root;
        int32_t group;
    };
    void AddZone(const Zone& z) {
        const size_t at = Grow(648);
        Wide(at, z.path);
        I64(at + 528, z.frames * 2);
        I64(at + 544, z.frames);
        I64(at + 552, z.loopStart);
        I64(at + 560, z.loopEnd);
        I32(at + 568, z.loopMode);
        I32(at + 572, z.keyLow);
        I32(at + 576, z.velocityHigh);
        I32(at + 580, z.keyHigh);
        I32(at + 584, z.velocityLow);
        F32(at + 592, 50.0f);
        F32(at + 596, z.attack);
        F32(at + 600, z.decay);
        F32(at + 604, z.sustain);
        F32(at + 608, z.release);
        I32(at + 612, z.coarse);
        I32(at + 616, z.fine);
        b_[at + 620] = z.root;
        b_[at + 621] = 1;
        I32(at + 624, 1);
        I32(at + 628, z.group);
    }
    const Bytes& bytes() const { return b_; }

private:
    size_t Grow(size_t n) {
        b_.resize(b_.size() + n, 0);
        return b_.size() - n;
    }
    void Put(size_t at, uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void I32(size_t at, int32_t v) { Put(at, static_cast<uint32_t>(v), 4); }
    void I64(size_t at, int64_t v) { Put(at, static_cast<uint64_t>(v), 8); }
    void F32(size_t at, float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        Put(at, bits, 4);
    }
    void F64(size_t at, double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        Put(at, bits, 8);
    }
    void Wide(size_t at, const wchar_t* text) {
        for (size_t i = 0; text[i] != 0; ++i) Put(at + 2 * i, static_cast<uint16_t>(text[i]), 2);
    }
    Bytes b_;
};

TEST_F(ProjectFileTest, Version1000AsTheConverterLaysItOut) {
    const fs::path root(rig.folder.Path());
    fs::create_directories(root / "samples");
    for (auto [name, frames] : {std::pair<const char*, int>{"0.wav", 5000}, {"1.wav", 3000}})
        ASSERT_TRUE(WriteBytes((root / "samples" / name).wstring(),
                               WavWriter(1, 16).Generate(frames, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build()));
    Version1000Writer w;
    w.Instrument(L"Flute", 2, 3);
    w.AddZone({L"0.wav", 5000, 1000, 4000, 2, 36, 127, 59, 1, 12, 300, -12, 800, 0, -14, 48, 0});
    w.AddZone({L"1.wav", 3000, 0, 2999, 0, 60, 127, 72, 64, 0, 0, 0, 300, -3, 7, 66, 2});
    const std::wstring path = (root / "Flute.kss").wstring();
    ASSERT_TRUE(WriteBytes(path, w.bytes()));

    Loader l;
    ASSERT_TRUE(l.Load(path));
    EXPECT_EQ(l.prompts, 0);
    EXPECT_EQ(std::wstring(l.engine.libraryName), L"SoundFont");
    EXPECT_STREQ(l.engine.uniqueId, "krvo");
    ASSERT_EQ(l.engine.instrumentCount, 1);
    const KInstrument& in = *l.engine.instruments[0];
    EXPECT_EQ(std::wstring(in.name), L"Flute");
    EXPECT_EQ(in.midiChannel, 3);
    EXPECT_EQ(in.bendRange, 2);
    EXPECT_EQ(in.volume, 1.0);
    EXPECT_EQ(in.pan, 50.0);
    // Fields version 1000 does not define keep the instrument's defaults.
    EXPECT_EQ(in.midiControllersOn, 1);
    EXPECT_EQ(in.playAllLayers, 0);
    EXPECT_EQ(in.reverbSize, 0.6f);
    EXPECT_EQ(in.reverbDamp, 1.0f);
    EXPECT_EQ(in.layerNames[0][0], 0);
    ASSERT_EQ(in.zoneCount, 2);

    struct Expect {
        int64_t end, loopStart, loopEnd;
        int32_t mode, keyLow, keyHigh, velocityLow, velocityHigh;
        float attack, decay, sustain, release;
        int32_t coarse, fine, root, group;
    };
    const Expect expected[2] = {{5000, 1000, 4000, 2, 36, 59, 1, 127, 12, 300, -12, 800, 0, -14, 48, 0},
                                {3000, 0, 2999, 0, 60, 72, 64, 127, 0, 0, 0, 300, -3, 7, 66, 2}};
    for (int i = 0; i < 2; ++i) {
        const KSampleZone& z = *in.zones[i];
        const Expect& x = expected[i];
        EXPECT_EQ(z.startFrame, 0) << i;
        EXPECT_EQ(z.endFrame, x.end) << "the frame count is the end: " << i;
        EXPECT_EQ(z.loopStart, x.loopStart) << i;
        EXPECT_EQ(z.loopEnd, x.loopEnd) << i;
        EXPECT_EQ(z.loopMode, x.mode) << i;
        EXPECT_EQ(z.keyLow, x.keyLow) << i;
        EXPECT_EQ(z.keyHigh, x.keyHigh) << i;
        EXPECT_EQ(z.velocityLow, x.velocityLow) << i;
        EXPECT_EQ(z.velocityHigh, x.velocityHigh) << i;
        EXPECT_EQ(z.ampAttack, x.attack) << i;
        EXPECT_EQ(z.ampDecay, x.decay) << i;
        EXPECT_EQ(z.ampSustain, x.sustain) << i;
        EXPECT_EQ(z.ampRelease, x.release) << i;
        EXPECT_EQ(z.coarseTune, x.coarse) << i;
        EXPECT_EQ(z.fineTune, x.fine) << i;
        EXPECT_EQ(z.rootKey, x.root) << i;
        EXPECT_EQ(z.keyTracking, 1) << i;
        EXPECT_EQ(z.layer, 1) << i;
        EXPECT_EQ(z.exclusiveGroup, x.group) << i;
        EXPECT_EQ(z.releaseTrigger, 0) << i;
        // The filter values are not in version 1000.
        EXPECT_EQ(z.cutoff, 100.0f) << i;
        EXPECT_EQ(z.resonance, 1.0f) << i;
        EXPECT_EQ(z.keyToCutoff, 0.0f) << i;
    }
}

// Paths joined from a folder and a name that do not fit 260 units are
// refused: the zone is skipped, the save fails, nothing is written past a
// buffer.
TEST_F(ProjectFileTest, PathsThatDoNotFitAreRefused) {
    const fs::path root(rig.folder.Path());
    const std::wstring sample = Wav(L"longname.wav");
    AddZone(rig.AddInstrument(), sample);
    rig.engine.samplesInRelativePath = 1;
    fs::create_directories(root / "short");
    const std::wstring shortProject = (root / "short" / "p.kss").wstring();
    ASSERT_TRUE(Save(shortProject));

    // A folder whose project path fits (with its temporary name) while
    // "<folder>\samples\longname.wav" does not.
    const size_t base = rig.folder.Path().size() + 1;
    ASSERT_LT(base, 200u);
    const fs::path deep = root / std::wstring(245 - base, L'd');
    fs::create_directories(deep / "samples");
    const std::wstring deepProject = (deep / "p.kss").wstring();
    ASSERT_EQ(deepProject.size(), 251u);

    EXPECT_FALSE(Save(deepProject)) << "the copy's path would not fit";
    EXPECT_FALSE(fs::exists(deep / "p.kss"));

    fs::copy_file(fs::path(shortProject), deep / "p.kss");
    Loader cancelled;
    ASSERT_TRUE(cancelled.Load(deepProject));
    EXPECT_EQ(cancelled.prompts, 1);
    EXPECT_EQ(cancelled.engine.CountZones(), 0);

    Loader found;
    found.answer = (root / "short" / "samples").wstring();
    ASSERT_TRUE(found.Load(deepProject));
    EXPECT_EQ(found.engine.CountZones(), 1) << "found in the chosen folder";

    Loader tooDeep;
    tooDeep.answer = (deep / "samples").wstring();
    ASSERT_TRUE(tooDeep.Load(deepProject));
    EXPECT_EQ(tooDeep.engine.CountZones(), 0);
    EXPECT_EQ(tooDeep.prompts, 1);
}

// A bank whose second zone lies beyond 4 GiB (a sparse file): every position
// and seek is 64-bit.
TEST_F(ProjectFileTest, ABankZoneBeyondFourGiBLoadsAndPlays) {
    constexpr int64_t kFar = 5LL << 30;
    const Bytes near = WavWriter(1, 16).Generate(100, [](int64_t, int) { return 1000; }).Build();
    const Bytes far = WavWriter(1, 16).Generate(200, [](int64_t i, int) { return static_cast<int32_t>(i * 10); }).Build();
    Bytes head(20 + 3668 + 6824, 0);
    KFileHeader header;
    header.samplesEmbedded = 1;
    EncodeHeader(header, head.data());
    KLibraryInfo info;
    info.instrumentCount = 1;
    EncodeInfo(info, head.data() + 20);
    KInstrumentRecord instrument;
    instrument.zoneCount = 2;
    EncodeInstrument(instrument, head.data() + 20 + 3668);

    KZoneRecord zone;
    zone.keyLow = 0;
    zone.keyHigh = 127;
    zone.velocityLow = 1;
    zone.velocityHigh = 127;
    zone.endFrame = 99;
    const int64_t firstAt = static_cast<int64_t>(head.size());
    zone.embeddedOffset = firstAt + 680;
    zone.embeddedSize = kFar; // the first WAV and a hole up to the next record
    Bytes first(680);
    EncodeZone(zone, first.data());
    const int64_t secondAt = zone.embeddedOffset + kFar;
    zone.embeddedOffset = secondAt + 680;
    zone.embeddedSize = static_cast<int64_t>(far.size());
    zone.endFrame = 199;
    zone.keyLow = 70; // the second zone answers keys 70 and up
    Bytes second(680);
    EncodeZone(zone, second.data());

    const std::wstring path = rig.folder.File(L"far.ksb");
    {
        KFile f;
        ASSERT_TRUE(f.Create(path.c_str()));
        ASSERT_TRUE(f.Write(head.data(), static_cast<int64_t>(head.size())));
        ASSERT_TRUE(f.Write(first.data(), 680));
        ASSERT_TRUE(f.Write(near.data(), static_cast<int64_t>(near.size())));
        ASSERT_TRUE(f.Seek(secondAt));
        ASSERT_TRUE(f.Write(second.data(), 680));
        ASSERT_TRUE(f.Write(far.data(), static_cast<int64_t>(far.size())));
    }
    Loader l;
    ASSERT_TRUE(l.Load(path));
    EXPECT_EQ(l.prompts, 0);
    ASSERT_EQ(l.engine.CountZones(), 2);
    const KSampleZone& z = *l.engine.instruments[0]->zones[1];
    EXPECT_EQ(z.baseOffset, secondAt + 680);
    EXPECT_EQ(z.frameCount, 200);
    EXPECT_EQ(z.preload[2 * 150], 1500 / 32768.0f);
    std::vector<float> frames(2 * 50);
    EXPECT_EQ(z.ReadAt(frames.data(), 120, 50), 50);
    EXPECT_EQ(frames[49], 1690 / 32768.0f);
}

// A zone the instrument refuses (here an empty velocity range) fails as a
// missing sample does: the prompt comes once, and only that zone is skipped.
TEST_F(ProjectFileTest, AZoneTheInstrumentRefusesBringsThePromptOnce) {
    const std::wstring wav = Wav(L"r.wav");
    const int slot = rig.AddInstrument();
    for (int i = 0; i < 3; ++i) AddZone(slot, wav);
    const std::wstring path = rig.folder.File(L"r.kss");
    ASSERT_TRUE(Save(path));
    Bytes bytes = ReadBytes(path);
    const size_t secondZone = 20 + 3668 + 6824 + 680;
    bytes[secondZone + 584] = 0; // lowest velocity 0
    ASSERT_TRUE(WriteBytes(path, bytes));

    Loader l;
    ASSERT_TRUE(l.Load(path));
    EXPECT_EQ(l.prompts, 1);
    EXPECT_EQ(l.engine.CountZones(), 2);
}

// Saving into a samples folder that already holds one of the project's
// samples: that sample keeps its name and its bytes, and another sample of
// the same name gets its own.
TEST_F(ProjectFileTest, ASampleInTheSamplesFolderKeepsItsNameAndItsBytes) {
    const fs::path root(rig.folder.Path());
    fs::create_directories(root / "project" / "samples");
    fs::create_directories(root / "elsewhere");
    const std::wstring inside = (root / "project" / "samples" / "hit.wav").wstring();
    const std::wstring outside = (root / "elsewhere" / "hit.wav").wstring();
    ASSERT_TRUE(WriteBytes(inside, WavWriter(1, 16).Generate(200, [](int64_t, int) { return 200; }).Build()));
    ASSERT_TRUE(WriteBytes(outside, WavWriter(1, 16).Generate(100, [](int64_t, int) { return 100; }).Build()));
    const int slot = rig.AddInstrument();
    AddZone(slot, outside); // saved first, yet the name stays with the sample inside
    AddZone(slot, inside);
    rig.engine.samplesInRelativePath = 1;
    const std::wstring path = (root / "project" / "p.kss").wstring();
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(fs::file_size(root / "project" / "samples" / "hit.wav"), 44u + 400);
    EXPECT_EQ(fs::file_size(root / "project" / "samples" / "hit_2.wav"), 44u + 200);

    Loader l;
    ASSERT_TRUE(l.Load(path));
    ASSERT_EQ(l.engine.CountZones(), 2);
    EXPECT_EQ(l.engine.instruments[0]->zones[0]->frameCount, 100);
    EXPECT_EQ(l.engine.instruments[0]->zones[1]->frameCount, 200);
}

} // namespace
