#include "WaveFile.h"

#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// 16-bit sample of a frame and channel: distinct everywhere, both signs.
int32_t Pattern16(int64_t frame, int channel) {
    return static_cast<int32_t>((frame * 37 + channel * 1001) % 65536) - 32768;
}

class WaveFileTest : public ::testing::Test {
protected:
    std::wstring Write(const Bytes& bytes, int64_t offset = 0, const Bytes& tail = {}) {
        const std::wstring path = folder.File(L"f" + std::to_wstring(serial++) + L".wav");
        EXPECT_TRUE(WriteBytes(path, bytes, offset, tail));
        return path;
    }

    TempFolder folder;
    KReadBuffer buffer;
    int serial = 0;
};

TEST_F(WaveFileTest, PlainHeaderStereo16) {
    const auto path = Write(WavWriter(2, 16, 48000).Generate(100, Pattern16).Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    EXPECT_EQ(wav.dataOffset, 44);
    EXPECT_EQ(wav.dataSize, 400);
    EXPECT_EQ(wav.frameCount, 100);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.hasSmpl, 0);

    std::vector<float> all(200);
    EXPECT_EQ(wav.Read(all.data(), 100), 100);
    for (int i = 0; i < 100; ++i)
        for (int c = 0; c < 2; ++c) ASSERT_EQ(all[2 * i + c], Pattern16(i, c) / 32768.0f) << i;

    float one[2];
    wav.Seek(37);
    EXPECT_EQ(wav.Read(one, 1), 1);
    EXPECT_EQ(one[0], Pattern16(37, 0) / 32768.0f);
    EXPECT_EQ(one[1], Pattern16(37, 1) / 32768.0f);
    EXPECT_EQ(wav.readPos, 38);
}

TEST_F(WaveFileTest, ListAndSmplBeforeData) {
    // A LIST of odd length with its pad byte, then a smpl chunk with one loop.
    const Bytes info = {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 5, 0, 0, 0, 'h', 'e', 'l', 'l', 'o'};
    const auto path = Write(WavWriter(1, 16)
                                .Chunk("LIST", info)
                                .Smpl(64, {{100, 199}})
                                .Generate(300, Pattern16)
                                .Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    EXPECT_EQ(wav.hasSmpl, 1);
    EXPECT_EQ(wav.hasLoop, 1);
    EXPECT_EQ(wav.smplLoopStart, 100);
    EXPECT_EQ(wav.smplLoopEnd, 200);
    EXPECT_EQ(wav.unityNote, 64);
    EXPECT_EQ(wav.frameCount, 300);
    std::vector<float> all(300);
    EXPECT_EQ(wav.Read(all.data(), 300), 300);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(all[i], Pattern16(i, 0) / 32768.0f);
}

struct Conversion {
    int bits;
    int32_t raw;
    float expected;
};
void PrintTo(const Conversion& c, std::ostream* os) { *os << c.bits << "-bit " << c.raw; }


class WaveConversionTest : public WaveFileTest, public ::testing::WithParamInterface<Conversion> {};

TEST_P(WaveConversionTest, OnBothChannels) {
    const Conversion c = GetParam();
    const auto path = Write(WavWriter(2, c.bits).Samples({c.raw, c.raw}).Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    float frame[2] = {9, 9};
    ASSERT_EQ(wav.Read(frame, 1), 1);
    EXPECT_EQ(frame[0], c.expected);
    EXPECT_EQ(frame[1], c.expected);
}

INSTANTIATE_TEST_SUITE_P(Depths, WaveConversionTest,
                         ::testing::Values(Conversion{8, 128, 0.0f}, Conversion{8, 0, -1.0f},
                                           Conversion{8, 255, 127.0f / 128.0f},
                                           Conversion{16, -32768, -1.0f}, Conversion{16, 0, 0.0f},
                                           Conversion{16, 32767, 32767.0f / 32768.0f},
                                           Conversion{24, 0x800000, -1.0f},
                                           Conversion{24, 0x7FFFFF, 8388607.0f / 8388608.0f},
                                           Conversion{24, 1, 1.0f / 8388608.0f},
                                           Conversion{24, 0xFFFFFF, -1.0f / 8388608.0f}));

TEST_F(WaveFileTest, EmbeddedAtOffsetReadsAsAlone) {
    const Bytes wavBytes = WavWriter(2, 24).Smpl(61, {{5, 50}}).Generate(500, [](int64_t i, int c) {
        return static_cast<int32_t>((i * 7919 + c * 31) & 0xFFFFFF);
    }).Build();
    const auto alonePath = Write(wavBytes);
    // In a bank the WAV is followed by other records: they must never be read.
    const auto bankPath = Write(wavBytes, 1000, Bytes(4096, 0x5A));

    KWaveFile alone(&buffer), embedded(&buffer);
    ASSERT_TRUE(alone.Open(nullptr, alonePath.c_str(), 0));
    KSharedStream* bank = KSharedStream::Open(bankPath.c_str());
    ASSERT_NE(bank, nullptr);
    ASSERT_TRUE(embedded.Open(bank, bankPath.c_str(), 1000));
    bank->Release();

    EXPECT_EQ(embedded.dataOffset, alone.dataOffset);
    EXPECT_EQ(embedded.frameCount, alone.frameCount);
    EXPECT_EQ(embedded.unityNote, 61);
    EXPECT_EQ(embedded.smplLoopEnd, 51);
    std::vector<float> a(1200, 1.0f), b(1200, 2.0f);
    alone.Seek(3);
    embedded.Seek(3);
    EXPECT_EQ(alone.Read(a.data(), 600), 497);
    EXPECT_EQ(embedded.Read(b.data(), 600), 497);
    EXPECT_EQ(a, b);
    for (size_t i = 2 * 497; i < b.size(); ++i) ASSERT_EQ(b[i], 0.0f) << "frame past the data";
}

TEST_F(WaveFileTest, ReadStopsAtEndOfDataChunk) {
    // A chunk after "data" holds non-zero bytes that are no samples.
    const auto path = Write(WavWriter(1, 16).Generate(100, Pattern16).Trailer({'L', 'I', 'S', 'T', 4, 0, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}).Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    std::vector<float> out(50, 3.0f);
    wav.Seek(90);
    EXPECT_EQ(wav.Read(out.data(), 50), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], Pattern16(90 + i, 0) / 32768.0f);
    for (int i = 10; i < 50; ++i) ASSERT_EQ(out[i], 0.0f);
    EXPECT_EQ(wav.Read(out.data(), 1), 0);
    EXPECT_EQ(out[0], 0.0f);
}

TEST_F(WaveFileTest, ReadsLargerThanTheSharedBufferComeInPieces) {
    // 100000 frames of 24-bit stereo are 600000 bytes: more than the buffer.
    const int64_t frames = 100000;
    auto value = [](int64_t i, int c) { return static_cast<int32_t>((i * 131 + c * 7) & 0xFFFFFF); };
    const auto path = Write(WavWriter(2, 24).Generate(frames, value).Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    std::vector<float> out(static_cast<size_t>(frames * 2 + 2), 7.0f);
    EXPECT_EQ(wav.Read(out.data(), frames), frames);
    for (int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            int32_t x = value(i, c);
            if (x & 0x800000) x -= 0x1000000;
            ASSERT_EQ(out[2 * i + c], x / 8388608.0f) << i;
        }
    }
    EXPECT_EQ(out[2 * frames], 7.0f) << "wrote past the destination";
}

// A data chunk of 3.75 GiB (a sparse file): 32-bit arithmetic would
// overflow its frame count and its offsets.
TEST_F(WaveFileTest, FramesOfAHugeDataChunkAreAllCounted) {
    constexpr uint32_t kDataBytes = 0xF0000000u;
    Bytes head = WavWriter(2, 16).Samples({1000, -1000}).DataSize(kDataBytes).Build();
    const std::wstring path = folder.File(L"huge.wav");
    {
        KFile f;
        ASSERT_TRUE(f.Create(path.c_str()));
        ASSERT_TRUE(f.Write(head.data(), static_cast<int64_t>(head.size())));
        // The last frame, 3.75 GiB further on.
        const uint8_t last[4] = {0x34, 0x12, 0xCC, 0xED};
        ASSERT_TRUE(f.Seek(44 + static_cast<int64_t>(kDataBytes) - 4));
        ASSERT_TRUE(f.Write(last, 4));
    }
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    const int64_t frames = kDataBytes / 4;
    EXPECT_EQ(wav.frameCount, frames);
    float out[6] = {9, 9, 9, 9, 9, 9};
    wav.Seek(frames - 2);
    EXPECT_EQ(wav.Read(out, 3), 2);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[2], 0x1234 / 32768.0f);
    EXPECT_EQ(out[3], static_cast<int16_t>(0xEDCC) / 32768.0f);
    EXPECT_EQ(out[4], 0.0f);
    wav.Seek(0);
    EXPECT_EQ(wav.Read(out, 1), 1);
    EXPECT_EQ(out[0], 1000 / 32768.0f);
}

TEST_F(WaveFileTest, ReadLoopingRunsThroughTheLoop) {
    const auto path = Write(WavWriter(1, 16).Generate(100, [](int64_t i, int) { return static_cast<int32_t>(i); }).Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    std::vector<float> out(40);
    // From 15 to the loop end 20, then the loop 10..19 three and a half times.
    EXPECT_EQ(wav.ReadLooping(out.data(), 40, 15, 10, 20), 15);
    std::vector<float> expected;
    for (int i = 15; i < 20; ++i) expected.push_back(i / 32768.0f);
    while (expected.size() < 40) expected.push_back((10 + (expected.size() - 5) % 10) / 32768.0f);
    EXPECT_EQ(out, expected);
}

TEST_F(WaveFileTest, OpeningAgainClosesFirst) {
    const auto withLoop = Write(WavWriter(1, 16).Smpl(60, {{1, 2}}).Generate(10, Pattern16).Build());
    const auto plain = Write(WavWriter(2, 8).Generate(20, [](int64_t, int) { return 128; }).Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, withLoop.c_str(), 0));
    ASSERT_TRUE(wav.Open(nullptr, plain.c_str(), 0));
    EXPECT_EQ(wav.hasSmpl, 0);
    EXPECT_EQ(wav.hasLoop, 0);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.frameCount, 20);
    EXPECT_EQ(std::wstring(wav.path), plain);
}

TEST_F(WaveFileTest, SharedStreamIsHeldWhileOpenAndReleasedOnFailure) {
    const Bytes good = WavWriter(1, 16).Generate(10, Pattern16).Build();
    Bytes bank = good;
    const Bytes bad = WavWriter(3, 16).Generate(10, Pattern16).Build();
    bank.insert(bank.end(), bad.begin(), bad.end());
    const auto path = Write(bank);
    KSharedStream* stream = KSharedStream::Open(path.c_str());
    ASSERT_NE(stream, nullptr);
    {
        KWaveFile first(&buffer), second(&buffer);
        ASSERT_TRUE(first.Open(stream, path.c_str(), 0));
        EXPECT_EQ(stream->References(), 2);
        EXPECT_FALSE(second.Open(stream, path.c_str(), static_cast<int64_t>(good.size())));
        EXPECT_EQ(stream->References(), 2);
        EXPECT_EQ(second.isOpen, 0);
        EXPECT_EQ(second.file, nullptr);
    }
    EXPECT_EQ(stream->References(), 1);
    stream->Release();
}

TEST_F(WaveFileTest, ReadersOnSeveralThreadsShareBufferAndStream) {
    const int64_t frames = 200000;
    auto value = [](int64_t i, int c) { return static_cast<int32_t>((i * 3 + c) % 30000); };
    const Bytes wavBytes = WavWriter(2, 16).Generate(frames, value).Build();
    const auto path = Write(wavBytes);
    KSharedStream* stream = KSharedStream::Open(path.c_str());
    ASSERT_NE(stream, nullptr);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            KWaveFile wav(&buffer);
            if (!wav.Open(stream, path.c_str(), 0)) {
                failures[t] = -1;
                return;
            }
            std::vector<float> out(2 * 65536);
            for (int pass = 0; pass < 20; ++pass) {
                const int64_t at = (pass * 7919 + t * 104729) % (frames - 65536);
                wav.Seek(at);
                wav.Read(out.data(), 65536);
                for (int64_t i = 0; i < 65536; i += 97)
                    if (out[2 * i + 1] != value(at + i, 1) / 32768.0f) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    stream->Release();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

// Malformed and unusual files: each either fails to open cleanly or opens
// with exactly the frames that are really there.
struct Malformed {
    const char* name;
    Bytes bytes;
    bool opens;
    int64_t frames;
};
void PrintTo(const Malformed& c, std::ostream* os) { *os << c.name; }


Bytes Cut(Bytes b, size_t keep) {
    b.resize(std::min(keep, b.size()));
    return b;
}

Bytes Patched(Bytes b, size_t at, std::vector<uint8_t> with) {
    for (size_t i = 0; i < with.size(); ++i) b[at + i] = with[i];
    return b;
}

std::vector<Malformed> MalformedFiles() {
    const Bytes plain = WavWriter(2, 16).Generate(10, Pattern16).Build();
    auto gen = [](WavWriter w) { return w.Generate(10, Pattern16).Build(); };
    return {
        {"empty", {}, false, 0},
        {"riff head only", Cut(plain, 8), false, 0},
        {"cut inside fmt", Cut(plain, 30), false, 0},
        {"cut before data", Cut(plain, 36), false, 0},
        {"not RIFF", Patched(plain, 0, {'R', 'I', 'F', 'X'}), false, 0},
        {"not WAVE", Patched(plain, 8, {'A', 'V', 'I', ' '}), false, 0},
        {"no data chunk", gen(WavWriter(2, 16).NoData()), false, 0},
        {"fmt shorter than 16", gen(WavWriter(2, 16).FmtSize(14)), false, 0},
        {"chunk size past the end", gen(WavWriter(2, 16).Chunk("JUNK", Bytes(8)).FmtSize(0x7FFFFFF0)), false, 0},
        {"data before fmt", Patched(plain, 12, {'d', 'a', 't', 'a'}), false, 0},
        {"0 channels", gen(WavWriter(0, 16)), false, 0},
        {"3 channels", gen(WavWriter(3, 16)), false, 0},
        {"0 bits", gen(WavWriter(2, 0)), false, 0},
        {"12 bits", gen(WavWriter(2, 12)), false, 0},
        {"32-bit PCM", gen(WavWriter(2, 32)), false, 0},
        {"float format", gen(WavWriter(2, 32).FormatTag(3)), false, 0},
        {"extensible float", gen(WavWriter(2, 32).Extensible(3)), false, 0},
        {"extensible PCM 24-bit", gen(WavWriter(2, 24).Extensible(1)), true, 10},
        {"sample rate 0", gen(WavWriter(2, 16, 0)), false, 0},
        {"sample rate 2 GHz", Patched(plain, 24, {0x00, 0x94, 0x35, 0x77}), false, 0},
        {"sample rate 2^32 - 1", Patched(plain, 24, {0xFF, 0xFF, 0xFF, 0xFF}), false, 0},
        {"sample rate just above 768 kHz", gen(WavWriter(2, 16, 768001)), false, 0},
        {"sample rate 768 kHz", gen(WavWriter(2, 16, 768000)), true, 10},
        {"sample rate 1 Hz", gen(WavWriter(2, 16, 1)), true, 10},
        {"JUNK and bext before fmt", gen(WavWriter(2, 16).Chunk("JUNK", Bytes(28), true).Chunk("bext", Bytes(602, 'b'), true)), true, 10},
        {"odd chunk with pad", gen(WavWriter(2, 16).Chunk("LIST", Bytes(7, 'x'))), true, 10},
        {"odd chunk without pad", gen(WavWriter(2, 16).Chunk("LIST", Bytes(7, 'x'), false, false)), true, 10},
        {"huge data size", gen(WavWriter(2, 16).DataSize(0xFFFFFFF0)), true, 10},
        {"data cut mid-frame", Cut(plain, plain.size() - 3), true, 9},
        {"data size 0", gen(WavWriter(2, 16).DataSize(0)), true, 0},
    };
}

class WaveMalformedTest : public WaveFileTest, public ::testing::WithParamInterface<Malformed> {};

TEST_P(WaveMalformedTest, FailsCleanlyOrReadsWhatIsThere) {
    const Malformed& m = GetParam();
    const auto path = Write(m.bytes);
    KWaveFile wav(&buffer);
    EXPECT_EQ(wav.Open(nullptr, path.c_str(), 0), m.opens);
    std::vector<float> out(64, 5.0f);
    if (!m.opens) {
        EXPECT_EQ(wav.isOpen, 0);
        EXPECT_EQ(wav.file, nullptr);
        EXPECT_EQ(wav.Read(out.data(), 16), 0);
        return;
    }
    EXPECT_EQ(wav.frameCount, m.frames);
    EXPECT_EQ(wav.Read(out.data(), 16), m.frames);
    for (int64_t i = 2 * m.frames; i < 32; ++i) ASSERT_EQ(out[i], 0.0f);
    EXPECT_EQ(out[32], 5.0f);
}

INSTANTIATE_TEST_SUITE_P(Files, WaveMalformedTest, ::testing::ValuesIn(MalformedFiles()),
                         [](const ::testing::TestParamInfo<Malformed>& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p)
                                 n += (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
                             return n;
                         });

struct SmplCase {
    const char* name;
    uint32_t unity;
    std::vector<SmplLoop> loops;
    int64_t declaredCount;
    bool hasLoop;
    int32_t unityNote;
};
void PrintTo(const SmplCase& c, std::ostream* os) { *os << c.name; }


class WaveSmplTest : public WaveFileTest, public ::testing::WithParamInterface<SmplCase> {};

TEST_P(WaveSmplTest, LoopAndUnityNoteAreBelievedOnlyWhenUsable) {
    const SmplCase& s = GetParam();
    const auto path = Write(WavWriter(1, 16).Smpl(s.unity, s.loops, s.declaredCount).Generate(1000, Pattern16).Build());
    KWaveFile wav(&buffer);
    ASSERT_TRUE(wav.Open(nullptr, path.c_str(), 0));
    EXPECT_EQ(wav.hasSmpl, 1);
    EXPECT_EQ(wav.hasLoop, s.hasLoop ? 1 : 0);
    EXPECT_EQ(wav.unityNote, s.unityNote);
    EXPECT_EQ(wav.frameCount, 1000);
}

INSTANTIATE_TEST_SUITE_P(Chunks, WaveSmplTest,
                         ::testing::Values(
                             SmplCase{"plain", 72, {{10, 19}}, -1, true, 72},
                             SmplCase{"no loops", 72, {}, -1, false, 72},
                             SmplCase{"count beyond the chunk", 72, {}, 1000000, false, 72},
                             SmplCase{"count beyond the chunk, one loop", 72, {{10, 19}}, 0x7FFFFFFF, true, 72},
                             SmplCase{"inverted loop", 72, {{500, 100}}, -1, false, 72},
                             SmplCase{"loop past the data", 72, {{10, 1000}}, -1, false, 72},
                             SmplCase{"loop ends at the last frame", 72, {{10, 999}}, -1, true, 72},
                             SmplCase{"unity note above 127", 200, {{10, 19}}, -1, true, 60}),
                         [](const ::testing::TestParamInfo<SmplCase>& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p)
                                 n += (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
                             return n;
                         });

} // namespace
