// Projects for tests of the plug-ins as hosts see them: the bytes of a
// project file as the sampler's state chunk carries them.
#pragma once

#include "Engine.h"
#include "TempFolder.h"

#include <cstdint>
#include <string>
#include <vector>

// A mono square wave of 40000 frames, period 100 frames, at +-16000.
std::wstring SquareWav(const TempFolder& folder);

// The engine's project with sample paths kept, as getChunk makes it.
std::vector<uint8_t> ChunkOf(KSamplerEngine& engine, const TempFolder& folder);

// One instrument on MIDI channel 1 with one zone over SquareWav, keys 0..127,
// release 20 ms.
std::vector<uint8_t> OneZoneChunk(const TempFolder& folder);
