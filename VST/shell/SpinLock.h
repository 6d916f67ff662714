// A lock for a few instructions' worth of work shared by the MIDI input
// thread and the audio driver's thread. The audio side only ever tries it.
#pragma once

#include <atomic>
#include <thread>

class CSpinLock {
public:
    bool TryLock() { return !held_.exchange(true, std::memory_order_acquire); }
    void Lock() {
        while (!TryLock()) std::this_thread::yield();
    }
    void Unlock() { held_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> held_{false};
};
