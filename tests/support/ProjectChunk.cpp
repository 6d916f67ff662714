#include "ProjectChunk.h"

#include "WavWriter.h"

std::wstring SquareWav(const TempFolder& folder) {
    const std::wstring wav = folder.File(L"square.wav");
    WriteBytes(wav, WavWriter(1, 16).Generate(40000, [](int64_t i, int) {
        return static_cast<int32_t>(i % 100 < 50 ? 16000 : -16000);
    }).Build());
    return wav;
}

std::vector<uint8_t> ChunkOf(KSamplerEngine& engine, const TempFolder& folder) {
    const std::wstring file = folder.File(L"chunk.kss");
    KFileJob job;
    std::vector<uint8_t> bytes;
    KFile f;
    if (!engine.SaveFile(file.c_str(), job, false, true, -1) || !f.OpenRead(file.c_str())) return bytes;
    bytes.resize(static_cast<size_t>(f.Size()));
    f.ReadAt(0, bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

std::vector<uint8_t> OneZoneChunk(const TempFolder& folder) {
    const std::wstring wav = SquareWav(folder);
    KSamplerEngine engine;
    const int slot = engine.AddInstrument(1, 0);
    if (engine.instruments[slot]->AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0) != 0) return {};
    engine.instruments[slot]->zones[0]->ampRelease = 20.0f;
    return ChunkOf(engine, folder);
}
