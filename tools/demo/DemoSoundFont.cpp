// demo_soundfont <bank.sf2>: writes the demonstration's SoundFont, one
// instrument of the tone samples, each zone looping its sample over its
// keys with a short release.
#include "Phrase.h"
#include "ProgramEnd.h"
#include "SoundFontWriter.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {
// Generators of the SoundFont standard.
constexpr uint16_t kReleaseVolEnv = 38, kKeyRange = 43, kSampleId = 53, kSampleModes = 54;
constexpr int16_t kLoopContinuously = 1;
constexpr int16_t kReleaseTimecents = -3986; // 0.1 s: each note has ended before the next one starts

int Run() {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const std::wstring path = count == 2 ? argv[1] : L"";
    ::LocalFree(argv);
    if (path.empty()) {
        std::printf("usage: demo_soundfont <bank.sf2>\n");
        return 1;
    }

    SoundFontWriter bank;
    bank.Name("Korvo Demo");
    std::vector<std::vector<SfGen>> zones;
    std::string roots;
    for (const demo::ToneSample& tone : demo::ToneSamples()) {
        const int sample = bank.AddSample(tone.name, demo::ToneFrames(tone.rootKey), tone.rootKey, demo::kToneLoopStart,
                                          demo::kToneFrames, demo::kRate);
        zones.push_back({SfRange(kKeyRange, tone.keyLow, tone.keyHigh), {kSampleModes, kLoopContinuously},
                         {kReleaseVolEnv, kReleaseTimecents}, {kSampleId, static_cast<int16_t>(sample)}});
        roots += (roots.empty() ? "" : ", ") + demo::KeyName(tone.rootKey) + " over " + demo::KeyName(tone.keyLow) +
                 ".." + demo::KeyName(tone.keyHigh);
    }
    bank.AddInstrument("Demo Tone", zones);
    if (!WriteBytes(path, bank.Build())) {
        std::printf("the SoundFont cannot be written\n");
        return 1;
    }
    std::printf("one instrument, %zu looped samples (root %s)\n", demo::ToneSamples().size(), roots.c_str());
    return 0;
}

} // namespace

int main() { EndProgram(Run()); }
