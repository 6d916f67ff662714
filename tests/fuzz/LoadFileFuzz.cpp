// libFuzzer target: any bytes loaded as a project, instrument or bank file,
// by the sampler's reader and by the player's, each time followed by one
// block rendered with a note. KORVO_FUZZ_DIR names a work folder;
// the target writes its samples and a seed corpus (KORVO_FUZZ_DIR/corpus)
// there before the run.
#include "Engine.h"

#include "WavWriter.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path gWork;
KSamplerEngine* gEngine = nullptr;

bool Cancel(void*, const wchar_t*, wchar_t*, size_t) { return false; }

void WriteSeeds() {
    const fs::path samples = gWork / "samples";
    fs::create_directories(samples);
    fs::create_directories(gWork / "corpus");
    const std::wstring wav = (samples / "a.wav").wstring();
    WriteBytes(wav, WavWriter(2, 16).Smpl(60, {{100, 900}}).Generate(1000, [](int64_t i, int c) {
        return static_cast<int32_t>((i * 31 + c) % 20000);
    }).Build());

    KSamplerEngine source;
    const int slot = source.AddInstrument(0, 0);
    source.instruments[slot]->AddZone(wav.c_str(), 60, 0, 127, 127, 1, 1, nullptr, 0);
    source.instruments[slot]->zones[0]->loopMode = 2;
    source.instruments[slot]->zones[0]->loopStart = 100;
    source.instruments[slot]->zones[0]->loopEnd = 900;
    source.AddInstrument(2, 1);
    source.instruments[1]->AddZone(wav.c_str(), 48, 10, 100, 90, 20, 2, nullptr, 0);
    KFileJob job;
    const fs::path corpus = gWork / "corpus";
    source.SaveFile((corpus / "project.kss").wstring().c_str(), job, false, false, -1);
    source.SaveFile((corpus / "bank.ksb").wstring().c_str(), job, true, false, -1);
    source.SaveFile((corpus / "one.kis").wstring().c_str(), job, false, false, 0);
    source.samplesInRelativePath = 1;
    source.SaveFile((gWork / "relative.kss").wstring().c_str(), job, false, false, -1);
    fs::copy_file(gWork / "relative.kss", corpus / "relative.kss", fs::copy_options::overwrite_existing);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* work = std::getenv("KORVO_FUZZ_DIR");
    gWork = work != nullptr ? fs::path(work) : fs::temp_directory_path() / "korvo-fuzz";
    fs::create_directories(gWork);
    WriteSeeds();
    gEngine = new KSamplerEngine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring input = (gWork / "input.kss").wstring();
    if (!WriteBytes(input, Bytes(data, data + size))) return 0;
    // The sampler's reader and the bank player's, which reads any version.
    for (KSamplerEngine::Reader reader : {KSamplerEngine::Reader::Sampler, KSamplerEngine::Reader::Player}) {
        KFileJob job;
        job.folderPrompt = Cancel;
        gEngine->LoadFile(input.c_str(), job, false, reader);

        std::vector<float> buffers(8 * 128, 0.0f);
        float* out[8];
        for (int i = 0; i < 8; ++i) out[i] = buffers.data() + 128 * i;
        gEngine->events.events[0] = KMidiEvent{0x90, 60, 100, 0};
        gEngine->events.events[1] = KMidiEvent{0x80, 60, 0, 100};
        gEngine->events.count = 2;
        gEngine->Process(out, 128);
        for (int slot = 0; slot < KSamplerEngine::kInstruments; ++slot) gEngine->DeleteInstrument(slot);
        gEngine->ResetInfo();
    }
    return 0;
}
