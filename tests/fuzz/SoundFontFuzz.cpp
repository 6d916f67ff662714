// libFuzzer target: any bytes converted as a SoundFont bank (the reader, the
// zone mapping, the WAV and project writers). KORVO_FUZZ_DIR names a work
// folder; the target writes a seed corpus of good and damaged banks
// (KORVO_FUZZ_DIR/corpus) there before the run.
#include "FuzzWork.h"
#include "MalformedBanks.h"
#include "Patchfold.h"
#include "SoundFontWriter.h"

#include <string>

namespace {

fs::path gWork;
std::wstring gBank, gPrefix;

// The converter's paths are wide with backslashes; the native file layer
// takes those as separators.
std::wstring ConverterPath(const fs::path& path) {
    std::wstring s = path.wstring();
    for (wchar_t& c : s) c = c == L'/' ? L'\\' : c;
    return s;
}

// A bank that uses every generator the converter maps, a global zone and
// a stereo pair, so that the mutations start from all the paths.
Bytes EveryGenerator() {
    SoundFontWriter w;
    std::vector<int16_t> frames(64);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<int16_t>(i * 500);
    w.AddSample("A", frames, 60, 8, 56);
    w.AddStereoPair("S", frames, frames, 67);
    w.AddInstrument("All", {{{34, -1200}, {36, 0}, {37, 100}, {38, 1200}, {54, 1}},
                            {SfRange(43, 0, 63), SfRange(44, 0, 100), {0, 4}, {52, -20}, {58, 62}, {53, 0}},
                            {SfRange(43, 64, 127), {53, 1}},
                            {{53, 2}}});
    w.AddInstrument("Rom", {{{53, 0}}});
    return w.Rom("ROM").Sm24().Build();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gWork = FuzzWorkFolder("korvo-fuzz-soundfont");
    const fs::path corpus = gWork / "corpus";
    fs::create_directories(corpus);
    fs::create_directories(gWork / "out");
    for (const MalformedBank& m : MalformedBanks()) WriteBytes((corpus / (m.name + ".sf2")).wstring(), m.bytes);
    WriteBytes((corpus / "every-generator.sf2").wstring(), EveryGenerator());
    gBank = ConverterPath(gWork / "input.sf2");
    gPrefix = ConverterPath(gWork / "out") + L"\\";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteBytes((gWork / "input.sf2").wstring(), Bytes(data, data + size))) return 0;
    ConvertBank(gBank.c_str(), gPrefix.c_str());
    return 0;
}
