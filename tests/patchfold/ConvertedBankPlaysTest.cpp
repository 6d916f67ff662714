// End to end: a converted bank loads into the engine and plays at its
// samples' pitch.
#include "ConverterRig.h"
#include "EngineRig.h"
#include "Signal.h"

#include <cmath>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr double kPi = 3.14159265358979323846;

// 441 Hz at 44100 frames a second: a period of exactly 100 frames.
std::vector<int16_t> Sine(int frames, double hz, int rate) {
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i) v.push_back(static_cast<int16_t>(std::lround(16000.0 * std::sin(2 * kPi * hz * i / rate))));
    return v;
}

struct Played {
    std::vector<float> left, right;
};

Played Play(EngineRig& rig, uint8_t status, uint8_t key, int blocks) {
    Played p;
    rig.Queue(status, key, 127);
    for (int b = 0; b < blocks; ++b) {
        EXPECT_TRUE(rig.Render(512));
        p.left.insert(p.left.end(), rig.outputs[0].begin(), rig.outputs[0].end());
        p.right.insert(p.right.end(), rig.outputs[1].begin(), rig.outputs[1].end());
    }
    rig.Queue(static_cast<uint8_t>(status - 0x10), key, 0);
    for (int b = 0; b < 60; ++b) rig.Render(512); // past the release
    return p;
}

// Loads a converted project as the editor's Open does; its samples are in
// the folder beside it, so nobody is asked for them.
bool LoadBesideItsSamples(EngineRig& rig, const std::wstring& project) {
    KFileJob job;
    job.folderPrompt = [](void*, const wchar_t*, wchar_t*, size_t) {
        ADD_FAILURE() << "the samples are beside the project";
        return false;
    };
    return rig.engine.LoadFile(project.c_str(), job, false);
}

TEST(ConvertedBankPlaysTest, ANoteOnTheFirstInstrumentSoundsAtTheSamplePitch) {
    ConverterRig converter;
    SoundFontWriter w;
    w.AddSample("Sine", Sine(20000, 441.0, 44100), 69, 0, 20000, 44100);
    w.AddSample("Low", Sine(20000, 220.5, 22050), 57, 0, 20000, 22050);
    w.AddInstrument("Sine", {{{54, 1}, {38, -1200}}, {{53, 0}}});
    w.AddInstrument("Low", {{{54, 1}, {53, 1}}});
    ASSERT_EQ(converter.Convert(w.Build()), PatchfoldResult::kConverted);

    EngineRig rig;
    ASSERT_TRUE(LoadBesideItsSamples(rig, converter.Out(L"Piano.kss")));
    ASSERT_EQ(rig.engine.instrumentCount, 2);
    const KInstrument& first = *rig.engine.instruments[0];
    EXPECT_EQ(first.midiChannel, 1);
    ASSERT_EQ(first.zoneCount, 1);
    EXPECT_EQ(first.zones[0]->loopMode, 2);
    EXPECT_EQ(first.zones[0]->rootKey, 69);
    EXPECT_EQ(first.zones[0]->ampRelease, 500.0f);

    struct Note {
        uint8_t status, key;
        double hz;
    } notes[] = {
        {0x90, 69, 441.0}, // the root key: the sample's own pitch
        {0x90, 81, 882.0}, // an octave up
        {0x90, 57, 220.5},
        {0x91, 57, 220.5}, // the second instrument, on channel 2, at its own rate
        {0x91, 69, 441.0},
    };
    // 16 blocks: even an octave up the voice stays within the zone's
    // preload, so no disk refill has to keep pace with the test.
    for (const Note& n : notes) {
        const Played p = Play(rig, n.status, n.key, 16);
        float peak = 0.0f;
        for (size_t i = 4096; i < p.left.size(); ++i) peak = std::max(peak, std::fabs(p.left[i]));
        EXPECT_GT(peak, 0.1f) << int(n.key);
        EXPECT_NEAR(ZeroCrossingFrequency(p.left, 4096, 44100), n.hz, n.hz * 0.002) << "status " << int(n.status) << " key " << int(n.key);
        EXPECT_NEAR(ZeroCrossingFrequency(p.right, 4096, 44100), n.hz, n.hz * 0.002);
    }
}

// The program, started with a wide command line as the system starts it,
// on folder and file names outside the system's code page (the test
// prefix's is the western 1252, where an en dash is a byte of its own):
// it finds the bank, writes every file under its own name and the project
// plays. Natively the names reach it as UTF-8.
struct NamedPaths {
    const char* what;
    const wchar_t* bankFolder;
    const wchar_t* bankName;
    const wchar_t* output;
    const wchar_t* project;
};
void PrintTo(const NamedPaths& c, std::ostream* os) { *os << c.what; }

class NamedPathsTest : public ::testing::TestWithParam<NamedPaths> {};

TEST_P(NamedPathsTest, TheProgramConvertsBetweenTheFoldersAndTheProjectPlays) {
#ifdef _WIN32
    EXPECT_EQ(::GetACP(), 1252u) << "the western code page";
#endif
    const NamedPaths& c = GetParam();
    SoundFontWriter w;
    w.AddSample("Sine", Sine(20000, 441.0, 44100), 69, 0, 20000, 44100);
    w.AddInstrument("Sine", {{{54, 1}, {53, 0}}});
    ConverterRig converter;
    // Made by the file layer: the native build's standard library converts
    // wide names through the locale, which may hold no such characters.
    const std::wstring banks = converter.folder.Path() + L"/" + c.bankFolder;
    const std::wstring bank = banks + L"/" + c.bankName;
    const std::wstring output = converter.folder.Path() + L"/" + c.output;
    ASSERT_TRUE(CreateFolder(banks.c_str()));
    ASSERT_TRUE(CreateFolder(output.c_str()));
    ASSERT_TRUE(WriteBytes(bank, w.Build()));

    const std::wstring log = converter.folder.File(L"log.txt");
    const std::wstring prefix = ConverterPath(output) + L"\\";
    EXPECT_EQ(RunProgram({ConverterPath(bank), prefix}, log), 0);
    EXPECT_TRUE(ReadBytes(log).empty());
    EXPECT_EQ(ReadBytes(output + L"/samples/0.wav").size(), 44u + 40000);
    const std::wstring project = output + L"/" + c.project;
    const Bytes stored = ReadBytes(project);
    ASSERT_FALSE(stored.empty()) << "no project";
    EXPECT_EQ(WideTextAt(stored, kProjectHeader), prefix + c.project) << "the project's own path, in UTF-16";

    EngineRig rig;
    ASSERT_TRUE(LoadBesideItsSamples(rig, project));
    ASSERT_EQ(rig.engine.instrumentCount, 1);
    const Played p = Play(rig, 0x90, 69, 16);
    EXPECT_NEAR(ZeroCrossingFrequency(p.left, 4096, 44100), 441.0, 441.0 * 0.002);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NamedPathsTest,
    ::testing::Values(
        NamedPaths{"Cyrillic and Chinese", L"Банк звуков", L"钢琴.sf2", L"Выход 输出", L"钢琴.kss"},
        NamedPaths{"western with en dashes", L"Klänge – Sammlung", L"Flügel – hell.sf2", L"Ausgabe – fertig",
                   L"Flügel – hell.kss"}),
    [](const ::testing::TestParamInfo<NamedPaths>& info) { return CaseName(info.param.what); });

} // namespace
