#include "ConverterRig.h"
#include "SampleWave.h"

namespace {

std::vector<int16_t> Values(int frames, int from, int step) {
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i) v.push_back(static_cast<int16_t>(from + i * step));
    return v;
}

struct WaveHeader {
    uint32_t riffSize, rate, byteRate, dataBytes;
    uint16_t format, channels, blockAlign, bits;
    explicit WaveHeader(const Bytes& b)
        : riffSize(static_cast<uint32_t>(I32At(b, 4))), rate(static_cast<uint32_t>(I32At(b, 24))),
          byteRate(static_cast<uint32_t>(I32At(b, 28))), dataBytes(static_cast<uint32_t>(I32At(b, 40))),
          format(U16At(b, 20)), channels(U16At(b, 22)), blockAlign(U16At(b, 32)), bits(U16At(b, 34)) {
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(I32At(b, 16), 16);
        EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    }
};

std::vector<int16_t> Frames(const Bytes& wave) {
    std::vector<int16_t> v;
    for (size_t at = kWaveHeaderSize; at + 1 < wave.size(); at += 2) v.push_back(static_cast<int16_t>(U16At(wave, at)));
    return v;
}

TEST(SampleWaveTest, AMonoSampleIsItsFramesBehindA44ByteHeader) {
    ConverterRig rig;
    SoundFontWriter w;
    w.AddSample("A", Values(100, -500, 7), 60, 0, 0, 32000);
    w.AddSample("B", Values(33, 1000, -3), 60, 0, 0, 11025);
    w.AddInstrument("I", {{{53, 0}}});
    ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
    for (int m : {0, 1}) {
        const Bytes wave = rig.Wave(m);
        ASSERT_GE(wave.size(), static_cast<size_t>(kWaveHeaderSize));
        const WaveHeader h(wave);
        const std::vector<int16_t> expected = m == 0 ? Values(100, -500, 7) : Values(33, 1000, -3);
        EXPECT_EQ(h.format, 1);
        EXPECT_EQ(h.channels, 1);
        EXPECT_EQ(h.bits, 16);
        EXPECT_EQ(h.blockAlign, 2);
        EXPECT_EQ(h.rate, m == 0 ? 32000u : 11025u);
        EXPECT_EQ(h.byteRate, 2 * h.rate);
        EXPECT_EQ(h.dataBytes, 2 * expected.size());
        EXPECT_EQ(h.riffSize, h.dataBytes + 36);
        EXPECT_EQ(wave.size(), kWaveHeaderSize + h.dataBytes);
        EXPECT_EQ(Frames(wave), expected) << m;
    }
    EXPECT_EQ(rig.WaveCount(), 2) << "none for the terminal sample header";
}

// Both members of a pair write the same left-right file.
TEST(SampleWaveTest, BothMembersOfAStereoPairHoldTheSameFrames) {
    ConverterRig rig;
    SoundFontWriter w;
    w.AddSample("A", Values(10, 0, 1));
    const int l = w.AddStereoPair("S", Values(70, 100, 2), Values(70, -100, -2), 60, 48000);
    // A pair listed right first.
    w.AddSample("R2", Values(5, 9, 0), 60, 0, 0, 22050, 2, static_cast<uint16_t>(l + 3));
    w.AddSample("L2", Values(5, 8, 0), 60, 0, 0, 22050, 4, static_cast<uint16_t>(l + 2));
    w.AddInstrument("I", {{{53, 0}}, {{53, static_cast<int16_t>(l)}}, {{53, static_cast<int16_t>(l + 1)}}});
    ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);

    std::vector<int16_t> interleaved;
    for (int i = 0; i < 70; ++i) {
        interleaved.push_back(static_cast<int16_t>(100 + 2 * i));
        interleaved.push_back(static_cast<int16_t>(-100 - 2 * i));
    }
    for (int m : {l, l + 1}) {
        const Bytes wave = rig.Wave(m);
        ASSERT_GE(wave.size(), static_cast<size_t>(kWaveHeaderSize)) << m;
        const WaveHeader h(wave);
        EXPECT_EQ(h.channels, 2);
        EXPECT_EQ(h.blockAlign, 4);
        EXPECT_EQ(h.rate, 48000u);
        EXPECT_EQ(h.byteRate, 4u * 48000);
        EXPECT_EQ(h.dataBytes, 4u * 70);
        EXPECT_EQ(h.riffSize, h.dataBytes + 36);
        EXPECT_EQ(Frames(wave), interleaved) << m;
    }
    EXPECT_EQ(rig.Wave(l), rig.Wave(l + 1));
    const std::vector<int16_t> second = {8, 9, 8, 9, 8, 9, 8, 9, 8, 9};
    EXPECT_EQ(Frames(rig.Wave(l + 2)), second);
    EXPECT_EQ(Frames(rig.Wave(l + 3)), second);
}

// A linked sample whose partner is neither right nor left still pairs: the
// partner comes first unless it is the right channel.
TEST(SampleWaveTest, ALinkedSampleTakesItsPartnerFirstUnlessThePartnerIsRight) {
    ConverterRig rig;
    SoundFontWriter w;
    w.AddSample("X", Values(4, 1, 0), 60, 0, 0, 44100, 8, 1);
    w.AddSample("Y", Values(4, 2, 0), 60, 0, 0, 44100, 8, 0);
    w.AddSample("Z", Values(4, 3, 0), 60, 0, 0, 44100, 8, 3);
    w.AddSample("W", Values(4, 4, 0), 60, 0, 0, 44100, 2, 2);
    w.AddInstrument("I", {{{53, 0}}});
    ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
    EXPECT_EQ(Frames(rig.Wave(0)), (std::vector<int16_t>{2, 1, 2, 1, 2, 1, 2, 1}));
    EXPECT_EQ(Frames(rig.Wave(1)), (std::vector<int16_t>{1, 2, 1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(Frames(rig.Wave(2)), (std::vector<int16_t>{3, 4, 3, 4, 3, 4, 3, 4}));
    EXPECT_EQ(Frames(rig.Wave(3)), (std::vector<int16_t>{3, 4, 3, 4, 3, 4, 3, 4}));
}

// The 24-bit extension's low bytes are left out: the WAV is the 16-bit part.
TEST(SampleWaveTest, A24BitBankIsConvertedFromItsSixteenBitPart) {
    ConverterRig rig;
    SoundFontWriter w;
    w.AddSample("A", Values(101, -3000, 60));
    w.AddStereoPair("S", Values(31, 5, 1), Values(31, 7, 1));
    w.AddInstrument("I", {{{53, 0}}, {{53, 1}}, {{53, 2}}});
    ASSERT_EQ(rig.Convert(w.Sm24().Build()), PatchfoldResult::kConverted);
    EXPECT_EQ(Frames(rig.Wave(0)), Values(101, -3000, 60));
    EXPECT_EQ(WaveHeader(rig.Wave(1)).dataBytes, 4u * 31);
    EXPECT_EQ(rig.WaveCount(), 3);
}

TEST(SampleWaveTest, LargeSamplesAreCopiedWhole) {
    ConverterRig rig;
    SoundFontWriter w;
    std::vector<int16_t> long1(100000), long2(100000);
    for (size_t i = 0; i < long1.size(); ++i) {
        long1[i] = static_cast<int16_t>(i * 7);
        long2[i] = static_cast<int16_t>(i * 11);
    }
    w.AddStereoPair("S", long1, long2);
    w.AddInstrument("I", {{{53, 0}}});
    ASSERT_EQ(rig.Convert(w.Build()), PatchfoldResult::kConverted);
    const std::vector<int16_t> frames = Frames(rig.Wave(1));
    ASSERT_EQ(frames.size(), 200000u);
    for (size_t i = 0; i < long1.size(); i += 997) {
        EXPECT_EQ(frames[2 * i], long1[i]);
        EXPECT_EQ(frames[2 * i + 1], long2[i]);
    }
    EXPECT_EQ(frames[199998], long1[99999]);
    EXPECT_EQ(frames[199999], long2[99999]);
}

TEST(SampleWaveTest, HeaderFieldsForAnyChannelCount) {
    uint8_t h[kWaveHeaderSize];
    EncodeWaveHeader(h, 2, 96000, 4000);
    const Bytes b(h, h + kWaveHeaderSize);
    const WaveHeader w(b);
    EXPECT_EQ(w.riffSize, 4036u);
    EXPECT_EQ(w.byteRate, 384000u);
    EXPECT_EQ(w.blockAlign, 4);
    EXPECT_EQ(w.dataBytes, 4000u);
}

} // namespace
