#include "ConverterRig.h"

namespace {

// Expected records, built byte by byte from the format's tables.
struct Record {
    explicit Record(size_t size) : bytes(size, 0) {}
    Record& Text(size_t at, const std::string& s) {
        for (size_t i = 0; i < s.size(); ++i) bytes[at + 2 * i] = static_cast<uint8_t>(s[i]);
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

    const std::string projectPath = rig.Prefix() + "Piano.kss";
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

TEST(ProjectWriterTest, ZoneCountsLeaveOutSkippedPartners) {
    ConverterRig rig;
    SoundFontWriter w;
    w.AddSample("A", std::vector<int16_t>(10, 1));
    w.AddStereoPair("S", std::vector<int16_t>(10, 2), std::vector<int16_t>(10, 3));
    w.AddSample("B", std::vector<int16_t>(10, 4));
    w.AddInstrument("AB", {{{53, 0}}, {{53, 1}}, {{53, 2}}, {{53, 3}}});
    ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
    const Bytes b = rig.Project();
    ASSERT_EQ(b.size(), kProjectHeader + kProjectInfo + kInstrument1000 + 3 * kZone1000);
    const size_t zones = kProjectHeader + kProjectInfo + kInstrument1000;
    EXPECT_EQ(I32At(b, zones - kInstrument1000 + 520), 3);
    EXPECT_EQ(TextAt(b, zones), "0.wav");
    EXPECT_EQ(TextAt(b, zones + kZone1000), "1.wav");
    EXPECT_EQ(TextAt(b, zones + 2 * kZone1000), "3.wav");
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
