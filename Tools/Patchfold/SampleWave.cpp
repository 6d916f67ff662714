#include "SampleWave.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {
void Put16(uint8_t* b, uint32_t v) {
    b[0] = static_cast<uint8_t>(v);
    b[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b + 2, v >> 16);
}
void PutId(uint8_t* b, const char* id) {
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(id[i]);
}

// Frames are read and written a block at a time: a sample of any size needs
// no allocation of its size.
constexpr int64_t kBlockFrames = 32768;

bool CopyFrames(KFile& out, const SfSampleHeader& s, const SfSampleHeader* partner, const SampleData& data) {
    const int64_t frames = static_cast<int64_t>(s.end) - s.start;
    std::vector<uint8_t> first(static_cast<size_t>(kBlockFrames) * 2), second, frame;
    if (partner != nullptr) {
        second.resize(first.size());
        frame.resize(first.size() * 2);
    }
    // This sample comes first when its partner is the right channel.
    const bool selfFirst = partner != nullptr && partner->sampleType == kSfRightSample;
    for (int64_t done = 0; done < frames;) {
        const int64_t n = std::min(kBlockFrames, frames - done);
        const int64_t bytes = n * 2;
        if (data.file->ReadAt(data.start + (static_cast<int64_t>(s.start) + done) * 2, first.data(), bytes) != bytes)
            return false;
        if (partner == nullptr) {
            if (!out.Write(first.data(), bytes)) return false;
        } else {
            if (data.file->ReadAt(data.start + (static_cast<int64_t>(partner->start) + done) * 2, second.data(),
                                  bytes) != bytes)
                return false;
            const uint8_t* left = selfFirst ? first.data() : second.data();
            const uint8_t* right = selfFirst ? second.data() : first.data();
            for (int64_t i = 0; i < n; ++i) {
                frame[4 * i] = left[2 * i];
                frame[4 * i + 1] = left[2 * i + 1];
                frame[4 * i + 2] = right[2 * i];
                frame[4 * i + 3] = right[2 * i + 1];
            }
            if (!out.Write(frame.data(), 2 * bytes)) return false;
        }
        done += n;
    }
    return true;
}
} // namespace

void EncodeWaveHeader(uint8_t* h, int channels, uint32_t sampleRate, uint32_t dataBytes) {
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    PutId(h, "RIFF");
    Put32(h + 4, dataBytes + 36);
    PutId(h + 8, "WAVE");
    PutId(h + 12, "fmt ");
    Put32(h + 16, 16);
    Put16(h + 20, 1);
    Put16(h + 22, static_cast<uint32_t>(channels));
    Put32(h + 24, sampleRate);
    Put32(h + 28, sampleRate * blockAlign);
    Put16(h + 32, blockAlign);
    Put16(h + 34, 16);
    PutId(h + 36, "data");
    Put32(h + 40, dataBytes);
}

bool WriteSampleWave(const wchar_t* path, const Hydra& bank, uint16_t m, const SampleData& data) {
    if (m >= bank.shdrCount || data.file == nullptr) return false;
    const SfSampleHeader& s = bank.shdr[m];
    const SfSampleHeader* partner = nullptr;
    if (s.sampleType != kSfMonoSample) {
        if (s.sampleLink >= bank.shdrCount) return false;
        partner = &bank.shdr[s.sampleLink];
    }
    const int channels = partner != nullptr ? 2 : 1;
    const int64_t channelBytes = (static_cast<int64_t>(s.end) - s.start) * 2;
    const int64_t dataBytes = channelBytes * channels;
    if (channelBytes < 0 || dataBytes + 36 > 0xFFFFFFFFll) return false;
    if (static_cast<int64_t>(s.start) * 2 + channelBytes > data.bytes) return false;
    if (partner != nullptr && static_cast<int64_t>(partner->start) * 2 + channelBytes > data.bytes) return false;

    KFile out;
    if (!out.Create(path)) return false;
    uint8_t header[kWaveHeaderSize];
    EncodeWaveHeader(header, channels, s.sampleRate, static_cast<uint32_t>(dataBytes));
    if (!out.Write(header, kWaveHeaderSize) || !CopyFrames(out, s, partner, data)) {
        // A file that is not all there would play garbage: none is better.
        out.Close();
        RemoveFile(path);
        return false;
    }
    return true;
}
