#include "Phrase.h"

#include <cmath>

namespace demo {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kNoteFrames = kRate * 4 / 10;   // 0.4 s held
constexpr int kStepFrames = kRate * 6 / 10;   // a new note every 0.6 s
constexpr int kLeadIn = kRate / 10;
constexpr int kTail = kRate / 2;              // the release, and silence after it
} // namespace

double KeyFrequency(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

std::string KeyName(int key) {
    static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return kNames[key % 12] + std::to_string(key / 12 - 1);
}

const std::vector<ToneSample>& ToneSamples() {
    static const std::vector<ToneSample> samples = {
        {"Tone A3", 57, 0, 64},
        {"Tone A4", 69, 65, 127},
    };
    return samples;
}

std::vector<int16_t> ToneFrames(int rootKey) {
    // 220 and 440 Hz make whole periods of both the loop and the sample.
    const double step = 2 * kPi * KeyFrequency(rootKey) / kRate;
    std::vector<int16_t> frames(kToneFrames);
    for (int i = 0; i < kToneFrames; ++i) {
        const double t = step * i;
        const double v = std::sin(t) + 0.25 * std::sin(2 * t) + 0.1 * std::sin(3 * t);
        frames[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(12000.0 * v));
    }
    return frames;
}

const std::vector<PhraseNote>& Phrase() {
    static const std::vector<PhraseNote> notes = [] {
        std::vector<PhraseNote> n;
        const uint8_t keys[] = {60, 64, 67, 72}; // C4 E4 G4 C5
        for (int i = 0; i < 4; ++i) {
            const int on = kLeadIn + i * kStepFrames;
            n.push_back({keys[i], on, on + kNoteFrames});
        }
        return n;
    }();
    return notes;
}

int PhraseFrames() { return Phrase().back().offFrame + kTail; }

} // namespace demo
