// The converter's project file: format version 1000, zone paths relative to
// the "samples" folder beside it.
#pragma once

#include "Hydra.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes the header, the library block and, for each converted instrument,
// its record and zone records. usable: see UsableSamples. False when the
// file cannot be created. The project stores path as its own, in UTF-16.
bool WriteConvertedProject(const std::wstring& path, const Hydra& bank, const std::vector<uint8_t>& usable);
