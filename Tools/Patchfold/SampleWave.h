// One SoundFont sample as a 16-bit PCM WAV file.
#pragma once

#include "Hydra.h"
#include "Platform.h"

#include <cstdint>

constexpr int kWaveHeaderSize = 44;

// The 44-byte header of a 16-bit PCM WAV of `channels` channels.
void EncodeWaveHeader(uint8_t* header, int channels, uint32_t sampleRate, uint32_t dataBytes);

// Where the bank's sample data lies: its file and the "smpl" bytes in it.
struct SampleData {
    const KFile* file = nullptr;
    int64_t start = 0;
    int64_t bytes = 0;
};

// Writes sample header m to path: mono (type 1) as it stands, any other type
// as a stereo file of it and its sampleLink partner, this sample first when
// the partner is the right channel, else the partner first, so that both
// members give the same file. The sample must be usable (see UsableSamples).
// False, with nothing left at path, when the file cannot be written.
bool WriteSampleWave(const wchar_t* path, const Hydra& bank, uint16_t m, const SampleData& data);
