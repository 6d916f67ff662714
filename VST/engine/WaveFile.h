// PCM samples from a RIFF/WAVE file, or from a WAV stored inside a larger file
// (a bank) at a byte offset, delivered as float frames: mono one float per
// frame, stereo two interleaved.
#pragma once

#include "ReadBuffer.h"
#include "SharedStream.h"
#include "WideText.h"

#include <cstdint>

class KWaveFile {
public:
    // Rates outside these are a broken header, not a recording: the voice's
    // pitch step grows with the file's rate.
    static constexpr uint32_t kLowestSampleRate = 1;
    static constexpr uint32_t kHighestSampleRate = 768000;

    explicit KWaveFile(KReadBuffer* readBuffer);
    ~KWaveFile();
    KWaveFile(const KWaveFile&) = delete;
    KWaveFile& operator=(const KWaveFile&) = delete;

    // Opens the WAV at path, or inside the given open stream at baseOffset
    // (the stream is then shared, not taken over). Closes first if open.
    // Editor, as Close, Read and Seek.
    bool Open(KSharedStream* stream, const wchar_t* path, int64_t baseOffset);
    void Close();

    // Reads up to count frames from readPos. Destination frames that get no
    // data (end of the "data" chunk, short file) are zero. Returns the
    // frames read.
    int64_t Read(float* destination, int64_t count);
    void Seek(int64_t frame);
    // Reads up to count frames from frame, leaving readPos alone: the disk
    // thread streams through it while the editor may seek and read the same
    // zone. Zero-fills as Read does. Disk thread or editor.
    int64_t ReadAt(float* destination, int64_t frame, int64_t count) const;

    // Reads frames as they play through the loop [loopStart, loopEnd): from
    // position up to loopEnd, then the loop over and over. The loop must lie
    // inside the data; readPos is left alone. Returns the file frame that
    // would be read next. Disk thread or editor.
    int64_t ReadLooping(float* destination, int64_t frames, int64_t position, int64_t loopStart,
                        int64_t loopEnd) const;

    void Convert8(float* destination, const uint8_t* raw, int64_t frames) const;
    void Convert16(float* destination, const uint8_t* raw, int64_t frames) const;
    void Convert24(float* destination, const uint8_t* raw, int64_t frames) const;

    int BytesPerFrame() const { return channels * (bitsPerSample / 8); }

    wchar_t path[kPathLength] = {};
    uint8_t hasSmpl = 0;
    uint8_t hasLoop = 0;
    int32_t smplLoopStart = 0;
    int32_t smplLoopEnd = 0; // exclusive
    int32_t unityNote = 60;
    KSharedStream* file = nullptr;
    int32_t sampleRate = 44100;
    int32_t channels = 2;
    int32_t bitsPerSample = 16;
    int64_t frameCount = 0;
    uint8_t isOpen = 0;
    int64_t dataOffset = 0; // from the RIFF header to the first sample byte
    int64_t dataSize = 0;   // as the "data" chunk declares it
    float scale8 = 0.0078125f;
    float scale24a = 0.00390625f;
    float scale16 = 3.0517578125e-05f;
    float scale24b = 1.1920928955078125e-07f;
    KReadBuffer* readBuffer;
    int64_t readPos = 0;
    int64_t baseOffset = 0;

private:
    bool ReadChunks();
    void ConvertRaw(float* destination, const uint8_t* raw, int64_t frames) const;
};
