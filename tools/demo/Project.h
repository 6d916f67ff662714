// The converted project in an engine of the demonstration's own: loaded as
// the editor's Open loads it, with its samples found in the "samples" folder
// beside it.
#pragma once

#include "Engine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

// False, with the reason in problem, when the file does not load or a sample
// of it is not found.
bool LoadProject(KSamplerEngine& engine, const std::wstring& path, std::string& problem);

// The project as the sampler's state chunk carries it: full sample paths, so
// that it loads wherever the plug-in writes its chunk file. Empty when it
// cannot be written.
std::vector<uint8_t> StateChunk(KSamplerEngine& engine);

int ZoneCount(const KSamplerEngine& engine);

} // namespace demo
