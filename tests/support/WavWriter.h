// Builds WAV files for tests: every depth, mono and stereo, extra chunks
// before and after "fmt ", "smpl" loops, odd sizes with or without the pad
// byte, WAVE_FORMAT_EXTENSIBLE, false sizes, and embedding at an offset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct SmplLoop {
    uint32_t start;
    uint32_t end; // inclusive, as the chunk stores it
};

class WavWriter {
public:
    WavWriter(int channels, int bitsPerSample, int sampleRate = 44100);

    // Raw sample values, interleaved: 8-bit 0..255, 16- and 24-bit signed.
    WavWriter& Samples(std::vector<int32_t> samples);
    // frames x channels values from fn(frame, channel).
    template <class F>
    WavWriter& Generate(int64_t frames, F fn) {
        std::vector<int32_t> s;
        s.reserve(static_cast<size_t>(frames * channels_));
        for (int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels_; ++c) s.push_back(fn(i, c));
        return Samples(std::move(s));
    }

    WavWriter& FormatTag(uint16_t tag);
    // WAVE_FORMAT_EXTENSIBLE with the given sub-format (1 PCM, 3 float).
    WavWriter& Extensible(uint16_t subFormat);
    WavWriter& FmtSize(uint32_t declared); // a false "fmt " size
    WavWriter& Chunk(const std::string& id, Bytes body, bool beforeFmt = false, bool pad = true);
    WavWriter& Smpl(uint32_t unityNote, std::vector<SmplLoop> loops, int64_t declaredCount = -1);
    WavWriter& DataSize(uint32_t declared);   // a false "data" size
    WavWriter& Trailer(Bytes after);          // bytes after the "data" chunk
    WavWriter& NoData();                      // leave the "data" chunk out

    Bytes Build() const;

private:
    struct Piece {
        std::string id;
        Bytes body;
        bool pad;
    };
    int channels_;
    int bits_;
    int rate_;
    uint16_t tag_ = 1;
    int subFormat_ = -1;
    int64_t fmtSize_ = -1;
    int64_t dataSize_ = -1;
    bool data_ = true;
    std::vector<int32_t> samples_;
    std::vector<Piece> before_;
    std::vector<Piece> after_;
    Bytes trailer_;
};

// Writes bytes to path, after `offset` filler bytes (a WAV embedded in a
// larger file); false when the file cannot be written.
bool WriteBytes(const std::wstring& path, const Bytes& bytes, int64_t offset = 0,
                const Bytes& tail = {});
// The whole file; empty when it cannot be read.
Bytes ReadBytes(const std::wstring& path);
