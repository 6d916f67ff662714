// Small plug-in libraries for tests of the standalone host: one that
// records the MIDI it receives, one with a state chunk (of up to 16 MB),
// four inputs and eight accumulating outputs that records the host's calls,
// one with 33 outputs, and some whose entry point fails in each of the ways
// a broken plug-in can (chosen by TEST_PLUGIN_KIND).
#include "PluginState.h"
#include "VstInterface.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#define KIND_RECORDER 1
#define KIND_THROWS 2
#define KIND_FOREIGN_EXCEPTION 3
#define KIND_CRASHES 4
#define KIND_NO_EFFECT 5
#define KIND_WRONG_MAGIC 6
#define KIND_ABORTS 7
#define KIND_CATCHES_OWN 8
#define KIND_STATEFUL 9
#define KIND_WIDE 10

struct RecordedMidi {
    uint8_t status, data1, data2;
    VstInt32 deltaFrames;
};

struct Recording {
    std::atomic<uint32_t> count{0};
    uint32_t blocks = 0;
    RecordedMidi events[1 << 20];
};

namespace {

Recording gRecording;
PluginState gState;
AEffect gEffect;
uint8_t gLargeChunk[kLargeChunkRoom];

void Note(VstInt32 opcode, VstIntPtr value) {
    const int32_t n = gState.opcodeCount.load();
    if (n < 256) {
        gState.opcodes[n] = opcode;
        gState.values[n] = value;
        gState.opcodeCount.store(n + 1);
    }
}

void* GiveChunk() {
    const VstIntPtr size = gState.getChunkSize;
    if (size <= 0) return nullptr;
    if (size <= 64) return gState.getChunk;
    const size_t length = static_cast<size_t>(size) < kLargeChunkRoom ? static_cast<size_t>(size) : kLargeChunkRoom;
    for (size_t i = 0; i < length; ++i) gLargeChunk[i] = LargeChunkByte(gState.getChunkSeed, i);
    return gLargeChunk;
}

VstIntPtr Dispatch(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr value, void* ptr, float opt) {
    if (opcode != effProcessEvents && opcode != effEditIdle) Note(opcode, value);
    switch (opcode) {
    case effMainsChanged:
        if (value == 0) {
            gState.suspended = true;
            if (gState.suspendPauseMs > 0) ::Sleep(static_cast<DWORD>(gState.suspendPauseMs));
        } else {
            gState.suspended = false;
        }
        return 0;
    case effSetSampleRate:
        gState.sampleRate = opt;
        return 0;
    case effSetBlockSize:
        gState.blockSize = value;
        return 0;
    case effGetChunk:
        *static_cast<void**>(ptr) = GiveChunk();
        return gState.getChunkSize;
    case effSetChunk:
        ++gState.setChunkCalls;
        gState.setChunkSize = value;
        if (ptr != nullptr) {
            const size_t length = static_cast<size_t>(value > 0 ? value : 0);
            std::memcpy(gState.setChunk, ptr, length < 64 ? length : 64);
            gState.setChunkHash = ChunkHash(static_cast<const uint8_t*>(ptr), length);
        }
        return 1;
    default:
        break;
    }
    if (opcode == effProcessEvents && ptr != nullptr) {
        auto* list = static_cast<VstEvents*>(ptr);
        auto** events = reinterpret_cast<VstEvent**>(reinterpret_cast<uint8_t*>(list) + offsetof(VstEvents, events));
        uint32_t n = gRecording.count.load();
        for (VstInt32 i = 0; i < list->numEvents && n < (1u << 20); ++i) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(events[i]);
            gRecording.events[n++] = {static_cast<uint8_t>(midi->midiData[0]), static_cast<uint8_t>(midi->midiData[1]),
                                      static_cast<uint8_t>(midi->midiData[2]), midi->deltaFrames};
        }
        gRecording.count.store(n);
        return 1;
    }
    return 0;
}

void Render(AEffect*, float**, float** outputs, VstInt32 frames) {
    for (VstInt32 i = 0; i < frames; ++i) outputs[0][i] = 0.5f;
    ++gRecording.blocks;
}

// Adds its mark, (channel + 1) / 16, into each of its eight outputs, and
// into the first four what its four inputs carry.
void Accumulate(AEffect*, float** inputs, float** outputs, VstInt32 frames) {
    for (VstInt32 c = 0; c < 8; ++c)
        for (VstInt32 i = 0; i < frames; ++i)
            outputs[c][i] += static_cast<float>(c + 1) / 16.0f + (c < 4 ? inputs[c][i] : 0.0f);
    if (gState.suspended.load()) gState.processWhileSuspended.fetch_add(1);
    gState.processCalls.fetch_add(1);
}

} // namespace

extern "C" Recording* RecordedEvents() { return &gRecording; }
extern "C" PluginState* StateOfPlugin() { return &gState; }

extern "C" AEffect* PluginEntry(audioMasterCallback host) {
    host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
#if TEST_PLUGIN_KIND == KIND_THROWS
    throw std::runtime_error("no effect today");
#elif TEST_PLUGIN_KIND == KIND_FOREIGN_EXCEPTION
    // What a C++ throw of another compiler looks like from outside.
    ::RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#elif TEST_PLUGIN_KIND == KIND_CRASHES
    *static_cast<volatile int*>(nullptr) = 1;
#elif TEST_PLUGIN_KIND == KIND_NO_EFFECT
    return nullptr;
#elif TEST_PLUGIN_KIND == KIND_ABORTS
    std::abort();
#elif TEST_PLUGIN_KIND == KIND_CATCHES_OWN
    // An exception the plug-in handles itself is none of the host's business.
    try {
        throw std::runtime_error("handled inside");
    } catch (const std::runtime_error&) {
    }
#endif
    std::memset(&gEffect, 0, sizeof gEffect);
    gEffect.magic = TEST_PLUGIN_KIND == KIND_WRONG_MAGIC ? FourCC("VstQ") : kEffectMagic;
    gEffect.dispatcher = Dispatch;
    gEffect.process = Render;
    gEffect.processReplacing = Render;
    gEffect.numOutputs = 2;
    gEffect.flags = effFlagsIsSynth | effFlagsCanReplacing;
    gEffect.uniqueID = FourCC("TsTp");
#if TEST_PLUGIN_KIND == KIND_STATEFUL
    gEffect.process = Accumulate;
    gEffect.processReplacing = nullptr;
    gEffect.numInputs = 4;
    gEffect.numOutputs = 8;
    gEffect.flags = effFlagsIsSynth | effFlagsProgramChunks;
#elif TEST_PLUGIN_KIND == KIND_WIDE
    gEffect.numOutputs = 33;   // more than a host's 32 render buffers
#endif
    return &gEffect;
}
