// A stereo recording of what a plug-in played, and its WAV file (16 bits).
#pragma once

#include <string>
#include <vector>

namespace demo {

struct Recording {
    int rate = 44100;
    std::vector<float> left, right;
    size_t Frames() const { return left.size(); }
};

// Samples beyond full scale are clipped. False when the file cannot be written.
bool WriteRecording(const std::wstring& path, const Recording& recording);
// A mono file gives both channels the same samples. False, with the reason
// in problem, when it is no WAV the engine's reader takes.
bool ReadRecording(const std::wstring& path, Recording& recording, std::string& problem);

} // namespace demo
