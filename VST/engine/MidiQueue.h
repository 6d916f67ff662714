// MIDI events waiting for the next block: filled by the plug-in (and the
// editor's keyboard and audition), copied whole into the engine per block.
#pragma once

#include <cstdint>

// The MIDI numbers the engine answers.
namespace KMidi {
// Status kinds (the high nibble; the low one is the channel).
constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kControlChange = 0xB0;
constexpr int kPitchBend = 0xE0;
// Controllers.
constexpr int kModWheel = 1;
constexpr int kDataEntry = 6;
constexpr int kVolume = 7;
constexpr int kBalance = 8;
constexpr int kPan = 10;
constexpr int kExpression = 11;
constexpr int kSustainPedal = 64;
constexpr int kReverbSend = 91;
constexpr int kParameterNumberLow = 100;
constexpr int kAllSoundOff = 120;
constexpr int kAllNotesOff = 123;
} // namespace KMidi

struct KMidiEvent {
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
    int32_t deltaFrames; // frame offset inside the coming block
};

struct KMidiQueue {
    static constexpr int kCapacity = 512;
    int32_t count;
    KMidiEvent events[kCapacity];
};
