// libFuzzer target: any bytes as a sample file, opened as a zone and read
// the ways a voice and the editor read it: the preload, the overview, a
// voice's refills through several ring passes (looping or not, as the
// file's loop says) and a block rendered from them, also at the lowest and
// the highest key. KORVO_FUZZ_DIR names a
// work folder; the target writes a seed corpus (KORVO_FUZZ_DIR/corpus)
// there before the run.
#include "Engine.h"
#include "SampleZone.h"
#include "Voice.h"

#include "FuzzWork.h"
#include "VoiceSteps.h"
#include "WavWriter.h"

#include <string>

namespace {

fs::path gWork;
KReadBuffer* gBuffer = nullptr;
KVoice* gVoice = nullptr;
KEvent* gEvent = nullptr;

void WriteSeeds() {
    const fs::path corpus = gWork / "corpus";
    fs::create_directories(corpus);
    auto ramp = [](int64_t i, int c) { return static_cast<int32_t>((i * 97 + c * 13) % 30000 - 15000); };
    WriteBytes((corpus / "stereo16.wav").wstring(), WavWriter(2, 16).Generate(3000, ramp).Build());
    WriteBytes((corpus / "mono24-loop.wav").wstring(),
               WavWriter(1, 24).Smpl(64, {{100, 2500}}).Generate(3000, ramp).Build());
    WriteBytes((corpus / "mono8.wav").wstring(),
               WavWriter(1, 8, 22050).Generate(500, [](int64_t i, int) { return static_cast<int32_t>(i % 256); }).Build());
    WriteBytes((corpus / "extensible16.wav").wstring(), WavWriter(2, 16).Extensible(1).Generate(700, ramp).Build());
    WriteBytes((corpus / "fast-loop.wav").wstring(),
               WavWriter(2, 16, 768000).Smpl(60, {{10, 1500}}).Generate(2000, ramp).Build());
}

// One note on the zone, the disk's side done as the disk thread does it
// (passes 0 .. 5), and a block rendered from it.
void Play(KSampleZone& zone, int transpose) {
    const double bend = 1.0;
    if (!gVoice->Start(&bend, &zone, 44100, gEvent, transpose, 100)) return;
    gVoice->wantedPass.store(5);
    gVoice->Refill();
    float left[256] = {}, right[256] = {};
    RenderVoice(*gVoice, left, right, 256);
    gVoice->active.store(0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gWork = FuzzWorkFolder("korvo-fuzz-wav");
    WriteSeeds();
    KSamplerEngine::BuildTables();
    gBuffer = new KReadBuffer();
    gVoice = new KVoice();
    gEvent = new KEvent();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring input = (gWork / "input.wav").wstring();
    if (!WriteBytes(input, Bytes(data, data + size))) return 0;
    KSampleZone zone(input.c_str(), gBuffer, nullptr, 0);
    if (!zone.isOpen) return 0;
    zone.BuildOverview();
    // The file's own loop, played in the mode the size picks.
    zone.loopMode = static_cast<int32_t>(size % 4);
    if (zone.smplLoopEnd > zone.smplLoopStart) {
        zone.loopStart = zone.smplLoopStart;
        zone.loopEnd = zone.smplLoopEnd;
    }
    zone.coarseTune = static_cast<int32_t>(size % 25) - 12;
    zone.UpdateCoefficients(44100);
    zone.FillPreload();

    Play(zone, 0);
    // The lowest and the highest key, in the loop modes that stream on
    // after the preload: the file's rate times the widest transposes gives
    // the largest steps a file can bring.
    for (int mode : {kLoop, kLoopUntilRelease, kPlayToEnd}) {
        zone.loopMode = mode;
        zone.FillPreload();
        for (int key : {0, 127}) Play(zone, key - zone.rootKey);
    }
    return 0;
}
