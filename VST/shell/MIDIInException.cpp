#include "MIDIInException.h"

namespace midi {

CMIDIInException::CMIDIInException(MMRESULT result) noexcept : text{} {
    ::midiInGetErrorTextA(result, text, sizeof text);
    text[sizeof text - 1] = 0;
}

} // namespace midi
