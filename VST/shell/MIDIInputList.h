// The system's MIDI input devices as the Settings dialog lists them.
#pragma once

#include <string>

#include <windows.h>

namespace midi {

class CMIDIInputList {
public:
    virtual ~CMIDIInputList() = default;
    virtual UINT Count() const;
    // The product name of device id; raises CMIDIInException with the
    // system's text when the capability query fails.
    virtual std::string Name(UINT id) const;
};

} // namespace midi
