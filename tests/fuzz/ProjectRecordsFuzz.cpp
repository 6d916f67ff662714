// libFuzzer target, the fast one beside load_file: any bytes walked as a
// project, instrument or bank file by the loader's record reader (both the
// sampler's versions and the player's any-version reading), with the WAV
// header of every embedded sample opened inside the file, but no instrument
// built and nothing rendered. KORVO_FUZZ_DIR names a work folder; the target
// writes a seed corpus (KORVO_FUZZ_DIR/corpus) there before the run.
#include "ProjectReader.h"
#include "ReadBuffer.h"
#include "WaveFile.h"

#include "FuzzWork.h"
#include "ProjectSeeds.h"


namespace {
fs::path gWork;
KReadBuffer* gBuffer = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gWork = FuzzWorkFolder("korvo-fuzz-records");
    WriteProjectSeeds(gWork);
    gBuffer = new KReadBuffer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring input = (gWork / "input.kss").wstring();
    if (!WriteBytes(input, Bytes(data, data + size))) return 0;
    KSharedStream* stream = KSharedStream::Open(input.c_str());
    if (stream == nullptr) return 0;
    for (const bool anyVersion : {false, true}) {
        KFileJob job;
        KProjectReader records;
        if (!records.Open(*stream, job, anyVersion)) continue;
        while (records.NextInstrument()) {
            int64_t next;
            while (records.NextZone(next)) {
                if (!records.Embedded()) continue;
                KWaveFile wave(gBuffer);
                if (!wave.Open(stream, input.c_str(), job.zone.embeddedOffset >= 0 ? job.zone.embeddedOffset : next))
                    continue;
                float frames[2 * 64];
                wave.ReadAt(frames, 0, 64);
            }
        }
    }
    stream->Release();
    return 0;
}
