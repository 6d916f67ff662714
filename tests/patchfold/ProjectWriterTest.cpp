#include "ConverterRig.h"

namespace {

// Expected records, built byte by byte from the format's tables.
struct Record {
    explicit Record(size_t size) : bytes(size, 0) {}
    Record& Text(size_t at, const std::string& s) {
        for (size_t i = 0; i < s.size(); ++i) bytes[at + 2 * i] = static_cast<uint8_t>(s[i]);
        return *this;
    }
    Record& Text(size_t at, const std::wstring& s) {
        WideToUtf16Le(s.c_str(), bytes.data() + at, 260);
        return *this;
    }
    Record& Int(size_t at, uint64_t v, int width) {
        for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
        return *this;
    }
    Record& Float(size_t at, float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return Int(at, bits, 4);
    }
    Record& Double(size_t at, double d) {
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        return Int(at, bits, 8);
    }
    Bytes bytes;
};

Bytes Slice(const Bytes& b, size_t at, size_t size) {
    if (at + size > b.size()) return {};
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + size));
}

Record InstrumentRecord(const std::string& name, int zones, int channel) {
    Record r(kInstrument1000);
    r.Text(0, name).Int(520, static_cast<uint32_t>(zones), 4).Int(524, static_cast<uint32_t>(channel), 1);
    r.Int(526, 1, 1).Int(527, 2, 1).Int(528, 1, 4);
    r.Double(552, 1.0).Double(560, 50.0).Double(592, 6000.0).Double(600, 3000.0).Int(608, 1, 1).Int(609, 1, 1);
    return r;
}

TEST(ProjectWriterTest, EveryRecordHoldsItsFieldsAndZerosElsewhere) {
    ConverterRig rig;
    SoundFontWriter w;
    w.AddSample("A", std::vector<int16_t>(300, 5), 61, 0, 0);
    w.AddSample("B", std::vector<int16_t>(200, 6), 70, 50, 180);
    w.AddInstrument("ABCDEFGHIJKLMNOPQRST", // 20 characters, no zero byte
                    {{SfRange(43, 21, 108), SfRange(44, 10, 90), {0, -7}, {34, -12000}, {36, 1300}, {37, 60},
                      {38, 0}, {52, 33}, {54, 1}, {58, 57}, {53, 1}}});
    w.AddInstrument("Second", {{{53, 0}}});
    ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
    const Bytes b = rig.Project();
    ASSERT_EQ(b.size(), kProjectHeader + kProjectInfo + 2 * kInstrument1000 + 2 * kZone1000);

    Record header(kProjectHeader);
    header.Text(0, "").Int(4, 1000, 4);
    std::memcpy(header.bytes.data(), "KRVO", 4);
    EXPECT_EQ(Slice(b, 0, kProjectHeader), header.bytes);

    const std::wstring projectPath = rig.Prefix() + L"Piano.kss";
    Record info(kProjectInfo);
    info.Text(0, projectPath).Text(520, "SoundFont").Int(2612, 2, 4).Int(2616, 1, 1);
    std::memcpy(info.bytes.data() + 2600, "krvo", 4);
    EXPECT_EQ(Slice(b, kProjectHeader, kProjectInfo), info.bytes);

    size_t at = kProjectHeader + kProjectInfo;
    EXPECT_EQ(Slice(b, at, kInstrument1000), InstrumentRecord("ABCDEFGHIJKLMNOPQRST", 1, 1).bytes);
    at += kInstrument1000;
    Record zone(kZone1000);
    zone.Text(0, "1.wav").Int(528, 400, 8).Int(536, static_cast<uint64_t>(-7), 8).Int(544, 200, 8);
    zone.Int(552, 50, 8).Int(560, 180, 8).Int(568, 2, 4);
    zone.Int(572, 21, 4).Int(576, 90, 4).Int(580, 108, 4).Int(584, 10, 4);
    zone.Float(588, 0.0f).Float(592, 50.0f).Float(596, 0.9765625f).Float(600, 1999.0f).Float(604, -6.0f);
    zone.Float(608, 1000.0f).Int(616, 33, 4).Int(620, 57, 1).Int(621, 1, 1).Int(624, 1, 4);
    EXPECT_EQ(Slice(b, at, kZone1000), zone.bytes);
    at += kZone1000;

    EXPECT_EQ(Slice(b, at, kInstrument1000), InstrumentRecord("Second", 1, 2).bytes);
    at += kInstrument1000;
    EXPECT_EQ(TextAt(b, at), "0.wav");
    EXPECT_EQ(I64At(b, at + 544), 300);
    EXPECT_EQ(b[at + 620], 61);
}

// The paths and the count of the zone records of the first instrument.
struct WrittenZones {
    int32_t count = -1;
    std::vector<std::string> paths;
    std::vector<int> rootKeys;
};
WrittenZones FirstInstrumentsZones(const Bytes& b) {
    WrittenZones z;
    const size_t instrument = kProjectHeader + kProjectInfo;
    if (b.size() < instrument + kInstrument1000) return z;
    z.count = I32At(b, instrument + 520);
    for (size_t at = instrument + kInstrument1000, n = 0; n < static_cast<size_t>(z.count) && at + kZone1000 <= b.size();
         ++n, at += kZone1000) {
        z.paths.push_back(TextAt(b, at));
        z.rootKeys.push_back(b[at + 620]);
    }
    return z;
}

TEST(ProjectWriterTest, ZoneCountsLeaveOutSkippedPartners) {
    struct Case {
        const char* what;
        std::vector<int16_t> samples;
        std::vector<std::string> paths;
    } cases[] = {
        {"A, L, R, B", {0, 1, 2, 3}, {"0.wav", "1.wav", "3.wav"}},
        {"L, B, R: the pair and B", {1, 3, 2}, {"1.wav", "3.wav"}},
        {"X (left, linked to B but not back), B", {4, 3}, {"4.wav", "3.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConverterRig rig;
        SoundFontWriter w;
        w.AddSample("A", std::vector<int16_t>(10, 1));
        w.AddStereoPair("S", std::vector<int16_t>(10, 2), std::vector<int16_t>(10, 3));
        w.AddSample("B", std::vector<int16_t>(10, 4));
        w.AddSample("X", std::vector<int16_t>(10, 5), 60, 0, 0, 44100, kSfLeftSample, 3);
        std::vector<std::vector<SfGen>> zones;
        for (int16_t s : c.samples) zones.push_back({{53, s}});
        w.AddInstrument("AB", zones);
        ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
        const Bytes b = rig.Project();
        EXPECT_EQ(b.size(), kProjectHeader + kProjectInfo + kInstrument1000 + c.paths.size() * kZone1000);
        const WrittenZones written = FirstInstrumentsZones(b);
        EXPECT_EQ(written.count, static_cast<int32_t>(c.paths.size()));
        EXPECT_EQ(written.paths, c.paths);
    }
}

// The root key is always a key: an unpitched sample (originalPitch 255) or
// a pitch that is no key plays from 60, an override that is no key leaves
// the sample's pitch (and 60 when that is none either).
TEST(ProjectWriterTest, EveryRootKeyIsAKey) {
    constexpr int16_t kNoOverride = 0;
    struct Case {
        const char* what;
        uint8_t originalPitch;
        int16_t rootOverride;
        int rootKey;
    } cases[] = {
        {"originalPitch 60", 60, kNoOverride, 60},
        {"originalPitch 0", 0, kNoOverride, 0},
        {"originalPitch 127", 127, kNoOverride, 127},
        {"originalPitch 255, unpitched", 255, kNoOverride, 60},
        {"originalPitch 200", 200, kNoOverride, 60},
        {"originalPitch 128", 128, kNoOverride, 60},
        {"override 64", 60, 64, 64},
        {"override 127", 60, 127, 127},
        {"override 64 of an unpitched sample", 255, 64, 64},
        {"override 200 with pitch 62", 62, 200, 62},
        {"override 128 with pitch 70", 70, 128, 70},
        {"override -1 with pitch 62", 62, -1, 62},
        {"override 200 with pitch 255", 255, 200, 60},
        {"override -1 with pitch 130", 130, -1, 60},
    };
    ConverterRig rig;
    SoundFontWriter w;
    std::vector<std::vector<SfGen>> zones;
    std::vector<int> expected;
    for (const Case& c : cases) {
        const int16_t sample = static_cast<int16_t>(w.AddSample(c.what, std::vector<int16_t>(10, 1), c.originalPitch));
        if (c.rootOverride != kNoOverride) zones.push_back({{58, c.rootOverride}, {53, sample}});
        else zones.push_back({{53, sample}});
        expected.push_back(c.rootKey);
    }
    w.AddInstrument("Keys", zones);
    ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
    const WrittenZones written = FirstInstrumentsZones(rig.Project());
    ASSERT_EQ(written.rootKeys.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(written.rootKeys[i], expected[i]) << cases[i].what;
}

TEST(ProjectWriterTest, TwentyInstrumentsGiveSixteenRecords) {
    for (int n : {1, 20}) {
        ConverterRig rig;
        SoundFontWriter w;
        w.AddSample("A", std::vector<int16_t>(10, 1));
        for (int i = 0; i < n; ++i) w.AddInstrument("I" + std::to_string(i), {{{53, 0}}});
        ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
        const Bytes b = rig.Project();
        const int expected = std::min(n, 16);
        EXPECT_EQ(I32At(b, kProjectHeader + 2612), expected);
        ASSERT_EQ(b.size(), kProjectHeader + kProjectInfo + expected * (kInstrument1000 + kZone1000));
        const size_t last = kProjectHeader + kProjectInfo + (expected - 1) * (kInstrument1000 + kZone1000);
        EXPECT_EQ(TextAt(b, last), "I" + std::to_string(expected - 1));
        EXPECT_EQ(b[last + 524], expected) << "MIDI channel";
    }
}

} // namespace
