// The audio-thread cost of host automation of one zone parameter: the
// worst and the mean time of a 64-frame block whose host first sets
// "Amp Attack" of one instrument (as hosts do from the audio thread, right
// before the block), with 16 instruments of 1024 zones on one layer. Not a
// test: run it from an optimised native tree (tools/bench.sh); the zones'
// preloads take 4 GB, more than a 32-bit process has.
#include "SamplerVST.h"

#include "BlockTiming.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kBlock = 64;

VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

} // namespace

int main() {
    TempFolder folder;
    const std::wstring wav = folder.File(L"zone.wav");
    WriteBytes(wav, WavWriter(2, 16).Generate(1000, [](int64_t i, int) { return static_cast<int32_t>(i * 7 % 3000); }).Build());
    KSharedStream* stream = KSharedStream::Open(wav.c_str());
    if (stream == nullptr) return 1;

    KSamplerVST plugin(Host);
    plugin.NewProject();
    KSamplerEngine& engine = plugin.engine;
    int zones = 0;
    for (int row = 0; row < KSamplerEngine::kInstruments; ++row) {
        const int slot = engine.AddInstrument(0, 0);
        plugin.slotMap[row] = slot;
        for (int z = 0; z < KInstrument::kZones; ++z)
            if (engine.instruments[slot]->AddZone(wav.c_str(), 60, z % 128, 127, z % 128, 1, 1, stream, 0) >= 0) ++zones;
    }
    stream->Release();
    engine.UpdateGains();
    plugin.dispatcher(effOpen, 0, 0, nullptr, 0.0f);
    plugin.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);

    std::vector<float> buffers(8 * kBlock);
    float* out[8];
    for (int i = 0; i < 8; ++i) out[i] = buffers.data() + kBlock * i;
    const BlockTiming plain = MeasureBlocks([&](int) { plugin.processReplacing(nullptr, out, kBlock); });
    // "Amp Attack" of the first instrument: parameter 3.
    const BlockTiming automated = MeasureBlocks([&](int b) {
        plugin.setParameter(3, static_cast<float>(b % 100) / 100.0f);
        plugin.processReplacing(nullptr, out, kBlock);
    });
    // A host ramping it several times inside one block.
    const BlockTiming ramped = MeasureBlocks([&](int b) {
        for (int i = 0; i < 8; ++i) plugin.setParameter(3, static_cast<float>((b * 8 + i) % 100) / 100.0f);
        plugin.processReplacing(nullptr, out, kBlock);
    });

    std::printf("%d instruments, %d zones on the current layer; 64-frame block = %.0f us at 44.1 kHz\n",
                engine.instrumentCount, zones, kBlock / 44100.0 * 1e6);
    std::printf("%-52s %10s %10s\n", "", "worst us", "mean us");
    std::printf("%-52s %10.1f %10.1f\n", "block, nothing automated", plain.worstMicroseconds, plain.meanMicroseconds);
    std::printf("%-52s %10.1f %10.1f\n", "block after one Amp Attack write", automated.worstMicroseconds,
                automated.meanMicroseconds);
    std::printf("%-52s %10.1f %10.1f\n", "block after eight Amp Attack writes", ramped.worstMicroseconds,
                ramped.meanMicroseconds);
    return 0;
}
