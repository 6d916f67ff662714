// Counts an engine's disk-thread passes, so a render can wait until every
// refill asked for so far is done, as a host slower than the disk would.
#pragma once

#include "Engine.h"

#include <atomic>
#include <chrono>
#include <thread>

struct DiskWatch {
    explicit DiskWatch(KSamplerEngine& e) : engine(e) {
        engine.diskBeginCallback = [](void* user, int) { static_cast<DiskWatch*>(user)->begun++; };
        engine.diskEndCallback = [](void* user, int) { static_cast<DiskWatch*>(user)->ended++; };
        engine.callbackUser = this;
    }
    void Settle() {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < limit) {
            // Requests first: a request already taken shows as a pass begun.
            bool pending = false;
            for (const KInstrument* in : engine.instruments)
                if (in != nullptr)
                    for (const KVoice& v : in->voices) pending = pending || v.refillRequested.load();
            const int done = ended.load();
            if (!pending && begun.load() == done) return;
            std::this_thread::yield();
        }
    }
    KSamplerEngine& engine;
    std::atomic<int> begun{0}, ended{0};
};
