// MIDI from the editor's thread (audition, key strip) to the audio thread:
// a single-writer, single-reader ring, so neither side ever waits and no
// event is lost or half-copied. The host's own events arrive on the audio
// thread and go straight into the plug-in's queue.
#pragma once

#include "MidiQueue.h"

#include <atomic>
#include <cstdint>

class KMidiInbox {
public:
    static constexpr uint32_t kCapacity = KMidiQueue::kCapacity;

    // Editor thread. False (dropped) when full.
    bool Push(const KMidiEvent& event) {
        const uint32_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= kCapacity) return false;
        slots_[head % kCapacity] = event;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Audio thread: copies waiting events after the block's first `count`
    // (up to the block's capacity) without taking them; Take then removes
    // them once the block was rendered.
    int Peek(KMidiQueue& block) const {
        const uint32_t tail = tail_.load(std::memory_order_relaxed);
        const uint32_t head = head_.load(std::memory_order_acquire);
        int copied = 0;
        for (uint32_t i = tail; i != head && block.count < KMidiQueue::kCapacity; ++i, ++copied)
            block.events[block.count++] = slots_[i % kCapacity];
        return copied;
    }
    void Take(int count) { tail_.fetch_add(static_cast<uint32_t>(count), std::memory_order_release); }

private:
    KMidiEvent slots_[kCapacity] = {};
    std::atomic<uint32_t> head_{0};
    std::atomic<uint32_t> tail_{0};
};
