// libFuzzer target: any bytes loaded as a project, instrument or bank file,
// by the sampler's reader and by the player's, each time followed by one
// block rendered with a note. KORVO_FUZZ_DIR names a work folder;
// the target writes its samples and a seed corpus (KORVO_FUZZ_DIR/corpus)
// there before the run.
#include "Engine.h"

#include "FuzzWork.h"
#include "ProjectSeeds.h"

#include <string>
#include <vector>

namespace {

fs::path gWork;
KSamplerEngine* gEngine = nullptr;

bool Cancel(void*, const wchar_t*, wchar_t*, size_t) { return false; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gWork = FuzzWorkFolder("korvo-fuzz");
    WriteProjectSeeds(gWork);
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
