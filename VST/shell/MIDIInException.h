// The exceptions of the MIDI input device: a failed multimedia call, carrying
// the system's text for its result, and a failed event creation.
#pragma once

#include <exception>

#include <windows.h>
#include <mmsystem.h>

namespace midi {

class CMIDIInException : public std::exception {
public:
    explicit CMIDIInException(MMRESULT result) noexcept;
    const char* what() const noexcept override { return text; }

private:
    char text[128];
};

class CMIDIInEventFailure : public std::exception {
public:
    const char* what() const noexcept override {
        return "Unable to create a signalling event for CMIDIInDevice object.";
    }
};

} // namespace midi
