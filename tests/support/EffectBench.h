// Driving an effect object directly, as a host would through its AEffect:
// a host callback that answers only the version, eight output channels of a
// block, MIDI events, and the unique ID's bytes.
#pragma once

#include "VstInterface.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

inline VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Eight output channels of one block, filled with 7.0 so that untouched
// outputs show.
struct Outputs {
    explicit Outputs(int frames) : data(8, std::vector<float>(static_cast<size_t>(frames), 7.0f)) {
        for (int i = 0; i < 8; ++i) pointers[i] = data[static_cast<size_t>(i)].data();
    }
    float Peak(int channel) const {
        float p = 0;
        for (float v : data[static_cast<size_t>(channel)]) p = std::max(p, std::fabs(v));
        return p;
    }
    float PeakOfAll() const {
        float p = 0;
        for (int c = 0; c < 8; ++c) p = std::max(p, Peak(c));
        return p;
    }
    std::vector<std::vector<float>> data;
    float* pointers[8];
};

inline VstMidiEvent Midi(uint8_t status, uint8_t d1, uint8_t d2, int delta = 0) {
    VstMidiEvent e = {};
    e.type = kVstMidiType;
    e.byteSize = 24;
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(d1);
    e.midiData[2] = static_cast<char>(d2);
    return e;
}

// One event through effProcessEvents.
inline void SendMidi(AEffect* e, uint8_t status, uint8_t d1, uint8_t d2, int delta = 0) {
    VstMidiEvent m = Midi(status, d1, d2, delta);
    VstEvents list = {};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&m);
    e->dispatcher(e, effProcessEvents, 0, 0, &list, 0);
}

// The unique ID's bytes as they lie in memory.
inline std::string IdBytes(const AEffect& e) {
    char bytes[4];
    std::memcpy(bytes, &e.uniqueID, 4);
    return std::string(bytes, 4);
}
