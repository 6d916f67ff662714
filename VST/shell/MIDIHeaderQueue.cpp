#include "MIDIHeaderQueue.h"

namespace midi {

void CMIDIHeaderQueue::Release(Entry& entry) {
    ::midiInUnprepareHeader(entry.handle, &entry.header, sizeof entry.header);
    delete[] entry.header.lpData;
}

void CMIDIHeaderQueue::Add(HMIDIIN handle, const MIDIHDR& header) {
    CSingleLock hold(lock);
    entries.push_back(Entry{handle, header});
}

void CMIDIHeaderQueue::RemoveOne() {
    CSingleLock hold(lock);
    if (entries.empty()) return;
    Release(entries.front());
    entries.pop_front();
}

void CMIDIHeaderQueue::RemoveAll() {
    CSingleLock hold(lock);
    while (!entries.empty()) {
        Release(entries.front());
        entries.pop_front();
    }
}

size_t CMIDIHeaderQueue::Count() const {
    CSingleLock hold(lock);
    return entries.size();
}

} // namespace midi
