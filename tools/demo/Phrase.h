// What the demonstration plays and what it listens for: the tone its
// SoundFont is made of, and a phrase of notes at known pitches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

constexpr int kRate = 44100;

// Equal temperament, A4 (key 69) at 440 Hz.
double KeyFrequency(int key);
// "C4", "F#5": the key's name, middle C being C4.
std::string KeyName(int key);

// One sample of the SoundFont: a harmonic tone at the frequency of its root
// key, looped over whole periods so that the loop is seamless.
struct ToneSample {
    const char* name;
    uint8_t rootKey;
    uint8_t keyLow, keyHigh; // the keys its zone maps
};
// Two samples an octave apart, split between E4 and F4: the phrase is heard
// from both.
const std::vector<ToneSample>& ToneSamples();
constexpr int kToneFrames = 22050;
constexpr int kToneLoopStart = 11025;
// The tone's frames at 16 bits: its fundamental with a second and a third
// harmonic small enough to leave one rising zero crossing a period.
std::vector<int16_t> ToneFrames(int rootKey);

struct PhraseNote {
    uint8_t key;
    int onFrame, offFrame;
};
// A C major arpeggio on MIDI channel 1, each note alone.
const std::vector<PhraseNote>& Phrase();
constexpr uint8_t kVelocity = 100;
// The phrase with its last note's release.
int PhraseFrames();

} // namespace demo
