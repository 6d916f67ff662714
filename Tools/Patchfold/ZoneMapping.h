// The mapping of a SoundFont instrument's generators onto the sampler's
// zone records (version 1000 of the project file).
#pragma once

#include "FileRecords.h"
#include "Hydra.h"

#include <cstdint>
#include <vector>

// Envelope times: 1000 x 2^(timecents / 1200) ms, in float steps, held
// below the sampler's 2000 ms.
float TimecentsToMs(int16_t timecents);
// Sustain: an attenuation in centibels as a level in dB, no lower than -29.
float CentibelsToDb(int16_t centibels);

// The SoundFont instruments that become project instruments: all but the
// terminal one, at most 16.
int ConvertedInstrumentCount(const Hydra& bank);

// Which sample headers can be converted: the terminal one never, and a
// sample only when its frames (and its partner's, for a stereo sample) lie
// inside the dataBytes of sample data and its WAV fits a 32-bit RIFF size.
std::vector<uint8_t> UsableSamples(const Hydra& bank, int64_t dataBytes);

// The zone records of instrument `instrument`, in file order. A zone whose
// sample is not usable is left out, and so is an instrument whose bag or
// generator indexes run backwards or out of their lists (it gets no zones).
// A stereo pair linked both ways gives one stereo zone, for whichever member
// comes first; the other member's zone is left out wherever it follows.
std::vector<KZoneRecord> MapInstrumentZones(const Hydra& bank, int instrument, const std::vector<uint8_t>& usable);
