// A catalogue of damaged SoundFont banks, one per fault that the converter
// must survive, each with what a conversion makes of it. Shared by the
// converter's tests and the seed corpus of its fuzzer.
#pragma once

#include "WavWriter.h"

#include <string>
#include <vector>

struct MalformedBank {
    std::string name;
    Bytes bytes;
    int status;             // SoundFontReader's status after Load
    int waves;              // WAV files written
    std::vector<int> zones; // zone records of each project instrument
};

// Each is a variant of one good bank: mono A (0), stereo pair L (1) and
// R (2), mono B (3); instrument "Keys" with the zones A, L, R, B and
// instrument "Pad" with the zone B.
std::vector<MalformedBank> MalformedBanks();
