// The system-exclusive input headers given to a MIDI input port, oldest
// first, each with its port. An entry owns its header's data (allocated with
// new[]): removing it unprepares the header and frees the data.
#pragma once

#include "CriticalSection.h"

#include <deque>

#include <windows.h>
#include <mmsystem.h>

namespace midi {

class CMIDIHeaderQueue {
public:
    CMIDIHeaderQueue() = default;
    ~CMIDIHeaderQueue() { RemoveAll(); }
    CMIDIHeaderQueue(const CMIDIHeaderQueue&) = delete;
    CMIDIHeaderQueue& operator=(const CMIDIHeaderQueue&) = delete;

    void Add(HMIDIIN handle, const MIDIHDR& header);
    // Removes the oldest entry, if any.
    void RemoveOne();
    void RemoveAll();
    size_t Count() const;

private:
    struct Entry {
        HMIDIIN handle;
        MIDIHDR header;
    };
    static void Release(Entry& entry);

    std::deque<Entry> entries;
    mutable CCriticalSection lock;
};

} // namespace midi
