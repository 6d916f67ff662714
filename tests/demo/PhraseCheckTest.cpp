// The demonstration fails when a recording is wrong and only then: what its
// listening passes and fails, the WAV files it listens to, and the tone its
// SoundFont is made of.
#include "PhraseCheck.h"
#include "Signal.h"
#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using namespace demo;
constexpr double kPi = 3.14159265358979323846;

// The phrase as a recording: in each note's time a sine of that note's key
// (shifted by cents on the left when asked), silence elsewhere.
Recording Played(const std::function<double(const PhraseNote&)>& leftCents = nullptr,
                 const std::function<float(const PhraseNote&, int channel)>& level = nullptr) {
    Recording r;
    r.left.assign(static_cast<size_t>(PhraseFrames()), 0.0f);
    r.right = r.left;
    for (const PhraseNote& n : Phrase()) {
        for (int channel = 0; channel < 2; ++channel) {
            const double cents = channel == 0 && leftCents ? leftCents(n) : 0.0;
            const double hz = KeyFrequency(n.key) * std::pow(2.0, cents / 1200.0);
            const float gain = level ? level(n, channel) : 0.4f;
            auto& side = channel == 0 ? r.left : r.right;
            for (int f = n.onFrame; f < n.offFrame; ++f)
                side[static_cast<size_t>(f)] = gain * static_cast<float>(std::sin(2 * kPi * hz * (f - n.onFrame) / kRate + 0.3));
        }
    }
    return r;
}

// The problem told for each note, in phrase order.
std::vector<std::string> Problems(const PhraseHeard& heard) {
    std::vector<std::string> problems;
    for (const NoteHeard& n : heard.notes) problems.push_back(n.problem);
    return problems;
}

TEST(PhraseCheck, ThePhraseAtItsPitchesIsRightAndEachNoteIsMeasured) {
    const PhraseHeard heard = ListenTo(Played(), Phrase());
    EXPECT_TRUE(heard.Right()) << heard.Summary();
    ASSERT_EQ(heard.notes.size(), Phrase().size());
    for (const NoteHeard& n : heard.notes) {
        EXPECT_NEAR(n.leftHz, KeyFrequency(n.note.key), KeyFrequency(n.note.key) * 0.0005) << KeyName(n.note.key);
        EXPECT_NEAR(n.rightHz, KeyFrequency(n.note.key), KeyFrequency(n.note.key) * 0.0005) << KeyName(n.note.key);
    }
    EXPECT_EQ(heard.Summary(), "C4 261.6 Hz, E4 329.6 Hz, G4 392.0 Hz, C5 523.3 Hz");
}

TEST(PhraseCheck, ANoteOffItsPitchWithinTheToleranceStillPasses) {
    // Three cents: a resampler's rounding, not a wrong key.
    EXPECT_TRUE(ListenTo(Played([](const PhraseNote&) { return 3.0; }), Phrase()).Right());
}

TEST(PhraseCheck, EachWrongNoteIsToldAloneAndFailsThePhrase) {
    const auto second = [](const PhraseNote& n) { return n.key == Phrase()[1].key; };
    const struct {
        const char* what;
        Recording recording;
        std::string problem; // of the second note; the others are right
    } cases[] = {
        {"a semitone sharp", Played([&](const PhraseNote& n) { return second(n) ? 100.0 : 0.0; }),
         "heard 349.2 Hz on the left, not 329.6 Hz"},
        {"ten cents flat", Played([&](const PhraseNote& n) { return second(n) ? -10.0 : 0.0; }),
         "heard 327.7 Hz on the left, not 329.6 Hz"},
        {"silent", Played(nullptr, [&](const PhraseNote& n, int) { return second(n) ? 0.0f : 0.4f; }),
         "silent on the left"},
        {"only on the left", Played(nullptr, [&](const PhraseNote& n, int c) { return second(n) && c == 1 ? 0.0f : 0.4f; }),
         "silent on the right"},
        {"too quiet to count", Played(nullptr, [&](const PhraseNote& n, int) { return second(n) ? 0.01f : 0.4f; }),
         "silent on the left"},
    };
    for (const auto& c : cases) {
        const PhraseHeard heard = ListenTo(c.recording, Phrase());
        EXPECT_FALSE(heard.Right()) << c.what;
        EXPECT_EQ(Problems(heard), (std::vector<std::string>{"", c.problem, "", ""})) << c.what;
        EXPECT_NE(heard.Summary().find("E4 (" + c.problem + ")"), std::string::npos) << heard.Summary();
    }
}

TEST(PhraseCheck, ARecordingThatIsNotThePhrasesFails) {
    Recording cut = Played();
    cut.left.resize(static_cast<size_t>(Phrase().back().offFrame - 1));
    cut.right.resize(cut.left.size());
    EXPECT_EQ(Problems(ListenTo(cut, Phrase())), (std::vector<std::string>{"", "", "", "missing: the recording ends before it"}));

    Recording other = Played();
    other.rate = 48000;
    const PhraseHeard heard = ListenTo(other, Phrase());
    EXPECT_FALSE(heard.Right());
    for (const NoteHeard& n : heard.notes) EXPECT_EQ(n.problem, "recorded at 48000 frames a second, not 44100");

    EXPECT_FALSE(ListenTo(Recording{}, Phrase()).Right()) << "nothing recorded";
}

TEST(PhraseCheck, ARecordingKeepsItsPitchesThroughItsFile) {
    TempFolder folder;
    const std::wstring path = folder.File(L"phrase.wav");
    Recording loud = Played();
    loud.left[100] = 1.5f; // beyond full scale: clipped, never wrapped round
    loud.right[100] = -1.5f;
    ASSERT_TRUE(WriteRecording(path, loud));
    Recording back;
    std::string problem;
    ASSERT_TRUE(ReadRecording(path, back, problem)) << problem;
    EXPECT_EQ(back.rate, kRate);
    ASSERT_EQ(back.Frames(), loud.Frames());
    EXPECT_NEAR(back.left[100], 1.0f, 0.001f);
    EXPECT_NEAR(back.right[100], -1.0f, 0.001f);
    for (size_t i = 1000; i < back.Frames(); i += 997) {
        ASSERT_NEAR(back.left[i], loud.left[i], 1.0 / 32000) << i;
        ASSERT_NEAR(back.right[i], loud.right[i], 1.0 / 32000) << i;
    }
    EXPECT_TRUE(ListenTo(back, Phrase()).Right());

    // A mono file is heard on both channels.
    ASSERT_TRUE(WriteBytes(path, WavWriter(1, 16).Generate(PhraseFrames(), [&](int64_t i, int) {
        return static_cast<int32_t>(std::lround(loud.right[static_cast<size_t>(i)] * 30000));
    }).Build()));
    ASSERT_TRUE(ReadRecording(path, back, problem)) << problem;
    EXPECT_EQ(back.left, back.right);
    EXPECT_TRUE(ListenTo(back, Phrase()).Right());

    ASSERT_TRUE(WriteBytes(path, Bytes{'R', 'I', 'F', 'F', 0, 0}));
    EXPECT_FALSE(ReadRecording(path, back, problem));
    EXPECT_FALSE(problem.empty());
}

TEST(ToneSample, EachSampleSoundsAtItsRootKeyAndLoopsWithoutASeam) {
    for (const ToneSample& tone : ToneSamples()) {
        const std::vector<int16_t> frames = ToneFrames(tone.rootKey);
        ASSERT_EQ(frames.size(), static_cast<size_t>(kToneFrames));
        std::vector<float> signal(frames.begin(), frames.end());
        const double hz = KeyFrequency(tone.rootKey);
        EXPECT_NEAR(ZeroCrossingFrequency(signal, 0, kRate), hz, hz * 0.0005) << tone.name << ": one rising crossing a period";
        // From the loop's end back to its start the tone goes on as it does
        // from one frame to the next.
        const int seam = frames[kToneLoopStart] - frames[kToneFrames - 1];
        const int step = frames[kToneLoopStart] - frames[kToneLoopStart - 1];
        EXPECT_LE(std::abs(seam - step), 2) << tone.name;
        int peak = 0;
        for (int16_t v : frames) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 8000) << tone.name;
        EXPECT_LT(peak, 32767) << tone.name << ": no clipping";
    }
    // The phrase is heard from both samples.
    for (const PhraseNote& n : Phrase()) {
        int zones = 0;
        for (const ToneSample& tone : ToneSamples()) zones += n.key >= tone.keyLow && n.key <= tone.keyHigh;
        EXPECT_EQ(zones, 1) << KeyName(n.key);
    }
    EXPECT_LE(Phrase()[1].key, ToneSamples()[0].keyHigh);
    EXPECT_GE(Phrase()[2].key, ToneSamples()[1].keyLow);
}

} // namespace
