#include "Recording.h"

#include "ReadBuffer.h"
#include "WavWriter.h"
#include "WaveFile.h"

#include <algorithm>
#include <cmath>

namespace demo {

bool WriteRecording(const std::wstring& path, const Recording& recording) {
    const auto toInt16 = [](float v) {
        return static_cast<int32_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    };
    const Bytes wav = WavWriter(2, 16, recording.rate)
                          .Generate(static_cast<int64_t>(recording.Frames()),
                                    [&](int64_t i, int channel) {
                                        const auto& side = channel == 0 ? recording.left : recording.right;
                                        return toInt16(side[static_cast<size_t>(i)]);
                                    })
                          .Build();
    return WriteBytes(path, wav);
}

bool ReadRecording(const std::wstring& path, Recording& recording, std::string& problem) {
    // The reader the sampler loads its samples with.
    KReadBuffer buffer;
    KWaveFile wav(&buffer);
    if (!wav.Open(nullptr, path.c_str(), 0)) {
        problem = "not a WAV file the engine reads";
        return false;
    }
    std::vector<float> frames(static_cast<size_t>(wav.frameCount * wav.channels));
    const int64_t read = wav.Read(frames.data(), wav.frameCount);
    if (read != wav.frameCount) {
        problem = "its sample data ends early";
        return false;
    }
    recording.rate = wav.sampleRate;
    recording.left.resize(static_cast<size_t>(read));
    recording.right.resize(static_cast<size_t>(read));
    const size_t step = static_cast<size_t>(wav.channels);
    for (size_t i = 0; i < static_cast<size_t>(read); ++i) {
        recording.left[i] = frames[i * step];
        recording.right[i] = frames[i * step + (step > 1 ? 1 : 0)];
    }
    return true;
}

} // namespace demo
