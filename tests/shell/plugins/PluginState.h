// What the stateful test plug-in saw of its host and what it answers: shared
// by the plug-in and the tests that read it through its StateOfPlugin export.
#pragma once

#include "VstInterface.h"

#include <atomic>
#include <cstdint>

struct PluginState {
    std::atomic<int32_t> opcodeCount{0};
    VstInt32 opcodes[256];
    VstIntPtr values[256];    // each call's value argument
    float sampleRate;
    VstIntPtr blockSize;
    int32_t setChunkCalls;
    VstIntPtr setChunkSize;
    uint8_t setChunk[64];
    VstIntPtr getChunkSize;   // what effGetChunk answers; 0: no state
    uint8_t getChunk[64];
    std::atomic<int32_t> processCalls{0};
    // Between effMainsChanged 0 and 1 (and before the first 1).
    std::atomic<bool> suspended{true};
    std::atomic<int32_t> processWhileSuspended{0};
    // How long effMainsChanged 0 holds the caller: time for a host that
    // went on rendering to show it.
    int32_t suspendPauseMs;
};
