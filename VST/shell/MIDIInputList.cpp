#include "MIDIInputList.h"

#include "MIDIInException.h"

#include <mmsystem.h>

namespace midi {

UINT CMIDIInputList::Count() const { return ::midiInGetNumDevs(); }

std::string CMIDIInputList::Name(UINT id) const {
    MIDIINCAPSA caps = {};
    const MMRESULT result = ::midiInGetDevCapsA(id, &caps, sizeof caps);
    if (result != MMSYSERR_NOERROR) throw CMIDIInException(result);
    caps.szPname[sizeof caps.szPname - 1] = '\0';
    return caps.szPname;
}

} // namespace midi
