// What the stateful test plug-in saw of its host and what it answers: shared
// by the plug-in and the tests that read it through its StateOfPlugin export.
#pragma once

#include "VstInterface.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// The largest state the plug-in can give: beyond the largest a host keeps.
constexpr size_t kLargeChunkRoom = 16u << 20;

// Byte i of a state of more than 64 bytes: no period a cut or shift could hide in.
inline uint8_t LargeChunkByte(uint32_t seed, size_t i) {
    const uint32_t x = static_cast<uint32_t>(i) * 2654435761u + seed;
    return static_cast<uint8_t>(x >> 13 ^ x >> 24);
}

// FNV-1a of a block.
inline uint32_t ChunkHash(const uint8_t* bytes, size_t length) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

struct PluginState {
    std::atomic<int32_t> opcodeCount{0};
    VstInt32 opcodes[256];
    VstIntPtr values[256];    // each call's value argument
    float sampleRate;
    VstIntPtr blockSize;
    int32_t setChunkCalls;
    VstIntPtr setChunkSize;
    uint8_t setChunk[64];     // its first bytes
    uint32_t setChunkHash;    // of all its bytes
    VstIntPtr getChunkSize;   // what effGetChunk answers; 0: no state
    uint8_t getChunk[64];     // its bytes, up to 64 of them
    uint32_t getChunkSeed;    // beyond 64 bytes, byte i is LargeChunkByte(seed, i)
    std::atomic<int32_t> processCalls{0};
    // Between effMainsChanged 0 and 1 (and before the first 1).
    std::atomic<bool> suspended{true};
    std::atomic<int32_t> processWhileSuspended{0};
    // How long effMainsChanged 0 holds the caller: time for a host that
    // went on rendering to show it.
    int32_t suspendPauseMs;
};
