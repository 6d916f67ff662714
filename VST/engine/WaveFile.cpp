#include "WaveFile.h"

#include <algorithm>
#include <cstring>

namespace {
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
bool Is(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM after its first two bytes (the format tag).
constexpr uint8_t kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr int kSmplHeadBytes = 36;
constexpr int kSmplLoopBytes = 24;
} // namespace

KWaveFile::KWaveFile(KReadBuffer* buffer) : readBuffer(buffer) {}

KWaveFile::~KWaveFile() { Close(); }

void KWaveFile::Close() {
    if (file != nullptr) {
        file->Release();
        file = nullptr;
    }
    isOpen = 0;
    hasLoop = 0;
    hasSmpl = 0;
}

bool KWaveFile::Open(KSharedStream* stream, const wchar_t* newPath, int64_t offset) {
    Close();
    baseOffset = offset < 0 ? 0 : offset;
    if (stream != nullptr) {
        stream->AddRef();
        file = stream;
    } else {
        file = KSharedStream::Open(newPath);
    }
    if (file == nullptr) return false;
    CopyWide(path, newPath);
    readPos = 0;
    if (!ReadChunks()) {
        Close(); // also lets go of a file this call opened itself
        return false;
    }
    isOpen = 1;
    return true;
}

// Walks the chunks up to "data". Besides the plain layout it takes what real
// recorders write: chunks before "fmt " (JUNK, bext), WAVE_FORMAT_EXTENSIBLE
// with a PCM sub-format, and the pad byte after odd-sized chunks.
bool KWaveFile::ReadChunks() {
    const int64_t fileEnd = file->Size();
    uint8_t head[12];
    if (file->ReadAt(baseOffset, head, 12) != 12) return false;
    if (!Is(head, "RIFF") || !Is(head + 8, "WAVE")) return false;

    bool haveFormat = false;
    int64_t pos = baseOffset + 12;
    for (;;) {
        uint8_t chunk[8];
        if (pos + 8 > fileEnd || file->ReadAt(pos, chunk, 8) != 8) return false;
        const uint32_t size = U32(chunk + 4);
        const int64_t body = pos + 8;

        if (Is(chunk, "fmt ")) {
            if (size < 16) return false;
            uint8_t fmt[40] = {};
            const int64_t want = std::min<int64_t>(size, sizeof fmt);
            if (file->ReadAt(body, fmt, want) != want) return false;
            uint16_t tag = U16(fmt);
            if (tag == kFormatExtensible) {
                const bool pcm = size >= 40 && U16(fmt + 16) >= 22 && U16(fmt + 24) == kFormatPcm &&
                                 std::memcmp(fmt + 26, kPcmGuidTail, sizeof kPcmGuidTail) == 0;
                if (!pcm) return false;
                tag = kFormatPcm;
            }
            if (tag != kFormatPcm) return false;
            const uint16_t chans = U16(fmt + 2);
            const uint32_t rate = U32(fmt + 4);
            const uint16_t bits = U16(fmt + 14);
            if (chans < 1 || chans > 2 || rate < kLowestSampleRate || rate > kHighestSampleRate) return false;
            if (bits != 8 && bits != 16 && bits != 24) return false;
            channels = chans;
            sampleRate = static_cast<int32_t>(rate);
            bitsPerSample = bits;
            haveFormat = true;
        } else if (Is(chunk, "smpl")) {
            uint8_t smpl[kSmplHeadBytes + kSmplLoopBytes];
            if (size >= kSmplHeadBytes &&
                file->ReadAt(body, smpl, kSmplHeadBytes) == kSmplHeadBytes) {
                hasSmpl = 1;
                const uint32_t note = U32(smpl + 12);
                // A note beyond MIDI's range is no usable root: middle C.
                unityNote = note <= 127 ? static_cast<int32_t>(note) : 60;
                // The loop count is believed only as far as the chunk holds loops.
                const uint32_t room = (size - kSmplHeadBytes) / kSmplLoopBytes;
                const uint32_t loops = std::min(U32(smpl + 28), room);
                if (loops > 0 && file->ReadAt(body + kSmplHeadBytes, smpl + kSmplHeadBytes,
                                              kSmplLoopBytes) == kSmplLoopBytes) {
                    const uint32_t start = U32(smpl + kSmplHeadBytes + 8);
                    const uint32_t end = U32(smpl + kSmplHeadBytes + 12);
                    if (start <= 0x7FFFFFFE && end <= 0x7FFFFFFE) {
                        hasLoop = 1;
                        smplLoopStart = static_cast<int32_t>(start);
                        smplLoopEnd = static_cast<int32_t>(end) + 1;
                    }
                }
            }
        } else if (Is(chunk, "data")) {
            if (!haveFormat) return false;
            dataOffset = body - baseOffset;
            dataSize = size;
            // Only the frames the file really holds count.
            const int64_t present = std::max<int64_t>(0, std::min<int64_t>(size, fileEnd - body));
            frameCount = present / BytesPerFrame();
            if (hasLoop && !(smplLoopStart < smplLoopEnd && smplLoopEnd <= frameCount)) hasLoop = 0;
            return true;
        }

        pos = body + size;
        // An odd-sized chunk is followed by a pad byte, which is zero; a chunk
        // id never starts with zero, so files written without it open too.
        if (size & 1) {
            uint8_t pad = 1;
            if (file->ReadAt(pos, &pad, 1) == 1 && pad == 0) ++pos;
        }
    }
}

void KWaveFile::Seek(int64_t frame) {
    if (!isOpen) return;
    readPos = std::clamp<int64_t>(frame, 0, frameCount);
}

int64_t KWaveFile::Read(float* destination, int64_t count) {
    const int64_t done = ReadAt(destination, readPos, count);
    readPos += done;
    return done;
}

int64_t KWaveFile::ReadAt(float* destination, int64_t frame, int64_t count) const {
    if (!isOpen || count <= 0) return 0;
    const int frameBytes = BytesPerFrame();
    const int64_t from = std::clamp<int64_t>(frame, 0, frameCount);
    const int64_t wanted = std::min<int64_t>(count, frameCount - from);
    const int64_t piece = static_cast<int64_t>(KReadBuffer::kSize) / frameBytes;
    int64_t done = 0;
    while (done < wanted) {
        const int64_t frames = std::min(piece, wanted - done);
        const int64_t at = baseOffset + dataOffset + (from + done) * frameBytes;
        int64_t got;
        {
            std::lock_guard<std::mutex> hold(readBuffer->lock);
            got = file->ReadAt(at, readBuffer->bytes, frames * frameBytes) / frameBytes;
            ConvertRaw(destination + done * channels, readBuffer->bytes, got);
        }
        done += got;
        if (got < frames) break;
    }
    std::fill(destination + done * channels, destination + count * channels, 0.0f);
    return done;
}

int64_t KWaveFile::ReadLooping(float* destination, int64_t frames, int64_t position, int64_t loopStart,
                               int64_t loopEnd) const {
    const int64_t loopLength = loopEnd - loopStart;
    if (frames <= 0 || loopLength <= 0) return position;
    // A position already past the loop end goes straight to the loop start.
    const int64_t head = std::clamp<int64_t>(loopEnd - position, 0, frames);
    ReadAt(destination, position, head);
    const int64_t rest = frames - head;
    if (rest == 0) return position + head;

    // The loop is read once; its repetitions are copies of that read.
    float* firstLoop = destination + head * channels;
    const int64_t firstFrames = std::min(loopLength, rest);
    ReadAt(firstLoop, loopStart, firstFrames);
    int64_t filled = firstFrames;
    while (filled < rest) {
        const int64_t copy = std::min(loopLength, rest - filled);
        std::memcpy(firstLoop + filled * channels, firstLoop, sizeof(float) * copy * channels);
        filled += copy;
    }
    const int64_t partial = rest % loopLength;
    return loopStart + partial;
}

void KWaveFile::ConvertRaw(float* destination, const uint8_t* raw, int64_t frames) const {
    switch (bitsPerSample) {
    case 8: Convert8(destination, raw, frames); break;
    case 16: Convert16(destination, raw, frames); break;
    case 24: Convert24(destination, raw, frames); break;
    default: break;
    }
}

void KWaveFile::Convert8(float* destination, const uint8_t* raw, int64_t frames) const {
    const int64_t n = frames * channels;
    for (int64_t i = 0; i < n; ++i) destination[i] = static_cast<float>(raw[i] - 128) * scale8;
}

void KWaveFile::Convert16(float* destination, const uint8_t* raw, int64_t frames) const {
    const int64_t n = frames * channels;
    for (int64_t i = 0; i < n; ++i) {
        const int16_t x = static_cast<int16_t>(U16(raw + 2 * i));
        destination[i] = static_cast<float>(x) * scale16;
    }
}

void KWaveFile::Convert24(float* destination, const uint8_t* raw, int64_t frames) const {
    const int64_t n = frames * channels;
    for (int64_t i = 0; i < n; ++i) {
        const uint8_t* b = raw + 3 * i;
        const uint32_t bits = static_cast<uint32_t>(b[0]) << 8 | static_cast<uint32_t>(b[1]) << 16 |
                              static_cast<uint32_t>(b[2]) << 24;
        destination[i] = static_cast<float>(static_cast<int32_t>(bits)) * scale24a * scale24b;
    }
}
