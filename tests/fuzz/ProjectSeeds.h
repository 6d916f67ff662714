// The seed corpus of the project-file fuzz targets: a project, a bank with
// its samples embedded, an instrument file and a project with relative
// sample paths, saved by the engine itself into work/corpus, with their
// sample in work/samples.
#pragma once

#include "Engine.h"

#include "FuzzWork.h"
#include "WavWriter.h"

#include <string>

inline void WriteProjectSeeds(const fs::path& work) {
    const fs::path samples = work / "samples";
    fs::create_directories(samples);
    fs::create_directories(work / "corpus");
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
    const fs::path corpus = work / "corpus";
    source.SaveFile((corpus / "project.kss").wstring().c_str(), job, false, false, -1);
    source.SaveFile((corpus / "bank.ksb").wstring().c_str(), job, true, false, -1);
    source.SaveFile((corpus / "one.kis").wstring().c_str(), job, false, false, 0);
    source.samplesInRelativePath = 1;
    source.SaveFile((work / "relative.kss").wstring().c_str(), job, false, false, -1);
    fs::copy_file(work / "relative.kss", corpus / "relative.kss", fs::copy_options::overwrite_existing);
}
