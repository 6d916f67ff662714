// The audio-thread cost of a volume controller: the worst and the mean time
// of a 64-frame block that carries one CC 7, with 16 instruments of 1024
// zones all listening to every channel, beside the cost of recomputing
// every zone's coefficients once (each instrument a controller reached once
// did that). Not a test: run it from an optimised native tree
// (tools/bench.sh); the zones' preloads take 4 GB, more than a 32-bit
// process has.
#include "Engine.h"

#include "BlockTiming.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kBlock = 64;

} // namespace

int main() {
    TempFolder folder;
    const std::wstring wav = folder.File(L"zone.wav");
    WriteBytes(wav, WavWriter(2, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i * 7 % 3000); }).Build());
    KSharedStream* stream = KSharedStream::Open(wav.c_str());
    if (stream == nullptr) return 1;

    KSamplerEngine engine;
    int zones = 0;
    for (int i = 0; i < KSamplerEngine::kInstruments; ++i) {
        const int slot = engine.AddInstrument(0, 0); // omni: every controller reaches every instrument
        for (int z = 0; z < KInstrument::kZones; ++z)
            if (engine.instruments[slot]->AddZone(wav.c_str(), 60, z % 128, 127, z % 128, 1, 1 + z % 12, stream, 0) >= 0)
                ++zones;
    }
    stream->Release();
    engine.UpdateGains();

    std::vector<float> buffers(8 * kBlock);
    float* out[8];
    for (int i = 0; i < 8; ++i) out[i] = buffers.data() + kBlock * i;
    const BlockTiming controller = MeasureBlocks([&](int b) {
        std::fill(buffers.begin(), buffers.end(), 0.0f);
        engine.events.events[0] = KMidiEvent{0xB0, 7, static_cast<uint8_t>(b % 128), 0};
        engine.events.count = 1;
        engine.Process(out, kBlock);
    });
    const BlockTiming everyZone = MeasureBlocks([&](int) { engine.UpdateGains(); });

    std::printf("%d instruments, %d zones, all omni; 64-frame block = %.0f us at 44.1 kHz\n", engine.instrumentCount,
                zones, kBlock / 44100.0 * 1e6);
    std::printf("%-46s %10s %10s\n", "", "worst us", "mean us");
    std::printf("%-46s %10.1f %10.1f\n", "block with one CC 7", controller.worstMicroseconds,
                controller.meanMicroseconds);
    std::printf("%-46s %10.1f %10.1f\n", "UpdateGains: every zone's coefficients, once", everyZone.worstMicroseconds,
                everyZone.meanMicroseconds);
    return 0;
}
