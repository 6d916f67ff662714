// The standalone host's side of the VST 2 interface: loads one plug-in
// library, binds its `main`, reads its capabilities, gathers incoming MIDI as
// VST events and hands them to the plug-in before each block.
#pragma once

#include "SpinLock.h"
#include "VstInterface.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

// MIDI the plug-in sends: (packed message, time ms, isSysex, sysex data,
// sysex length, user).
using KMidiOutHook = void (*)(uint32_t message, uint32_t timeMs, int isSysex, const char* sysex, int32_t length,
                              void* user);
// The plug-in asks for another editor size: (width, height, user).
using KSizeWindowHook = void (*)(int32_t width, int32_t height, void* user);

class CKVST {
public:
    static constexpr uint32_t kMaxEvents = 4000;

    CKVST();
    virtual ~CKVST();
    CKVST(const CKVST&) = delete;
    CKVST& operator=(const CKVST&) = delete;

    // User-interface thread, while nothing renders.
    bool Load(const char* libraryPath);
    void ReadCaps();

    // MIDI input thread: an event for the next block (dropped beyond 4000).
    void AddMidiEvent(uint32_t timestampMs, uint8_t status, uint8_t data1, uint8_t data2, float sampleRate);

    // Audio driver's thread: pending events first, then the block.
    void Process(float** inputs, float** outputs, int32_t frames);
    void ProcessReplacing(float** inputs, float** outputs, int32_t frames);

    void ForwardPluginEvents(VstEvents* events);

    // User-interface thread, while nothing renders: clears `loaded`, closes
    // the plug-in and unloads its library. Nothing to do when none is loaded.
    void Unload();

    static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt);

    int32_t numPrograms = 0;
    int32_t numParams = 0;
    int32_t numInputs = 0;
    int32_t numOutputs = 0;
    int32_t uniqueID = 0;
    int32_t version = 0;
    uint8_t hasEditor = 0;
    uint8_t hasClip = 0;
    uint8_t hasVu = 0;
    uint8_t canMono = 0;
    uint8_t canReplacing = 0;
    uint8_t programChunks = 0;
    uint8_t receivesMidi = 0;
    uint8_t sendsMidi = 0;
    std::atomic<int32_t> loaded{0};
    AEffect* (*mainProc)(audioMasterCallback) = nullptr;
    HMODULE module = nullptr;
    AEffect* effect = nullptr;
    VstEvents* eventList = nullptr;
    VstMidiEvent midiEvents[kMaxEvents];
    // Changed under the event lock; the audio thread reads it first, so it
    // takes the lock only when events wait.
    std::atomic<uint32_t> pendingCount{0};
    uint32_t firstTimestamp = 0;
    VstTimeInfo timeInfo;
    KMidiOutHook midiOutHook = nullptr;
    void* midiOutUser = nullptr;
    KSizeWindowHook sizeWindowHook = nullptr;
    void* sizeWindowUser = nullptr;

private:
    // Hands the pending events over; they wait for the next block when the
    // MIDI thread is appending just now.
    void HandOverEvents();

    // Keeps an append and a hand-over apart.
    CSpinLock eventLock_;
};
