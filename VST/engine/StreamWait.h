// How an offline render waits for the disk. A host that bounces a song
// renders faster than real time; there a voice that reaches a ring half the
// disk thread has not filled yet waits for it instead of playing silence,
// so the bounce equals a real-time render. The wait is bounded: a disk that
// does not answer in time makes the render go on as in real time, and it is
// not waited for again until it has done some refill since. The disk thread
// never waits for anything the render could hold, so waiting cannot hang.
#pragma once

#include "Platform.h"

#include <atomic>
#include <cstdint>
#include <thread>

class KStreamWait {
public:
    static constexpr uint32_t kPatienceMs = 3000;

    // Audio thread, once per block: whether the host renders offline.
    void SetOffline(bool offline) { offline_ = offline; }

    // Disk thread: a voice's refill is done.
    void Refilled() { filled_.fetch_add(1, std::memory_order_release); }

    // Audio thread: waits until ready() holds. False at once in real time,
    // or after the patience.
    template <typename Ready>
    bool Until(Ready ready) {
        if (!offline_) return false;
        const uint32_t filled = filled_.load(std::memory_order_acquire);
        if (gaveUp_ && filled == filledAtGiveUp_) return false;
        gaveUp_ = false;
        const uint32_t since = MilliTime();
        while (!ready()) {
            if (MilliTime() - since >= kPatienceMs) {
                gaveUp_ = true;
                filledAtGiveUp_ = filled_.load(std::memory_order_acquire);
                return false;
            }
            std::this_thread::yield();
        }
        return true;
    }

private:
    bool offline_ = false;
    bool gaveUp_ = false;
    uint32_t filledAtGiveUp_ = 0;
    std::atomic<uint32_t> filled_{0};
};
