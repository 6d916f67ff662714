// MIDI events waiting for the next block: filled by the plug-in (and the
// editor's keyboard and audition), copied whole into the engine per block.
#pragma once

#include <cstdint>

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
