// One Windows multimedia MIDI input port: opened with a callback function,
// recording on request, every message handed to a receiver. Failures of the
// multimedia calls are raised as CMIDIInException with the system's text.
#pragma once

#include "MIDIHeaderQueue.h"
#include "MIDIInException.h"
#include "MIDIReceiver.h"

#include <atomic>
#include <cstdint>

#include <windows.h>
#include <mmsystem.h>

namespace midi {

class CMIDIInDevice {
public:
    enum : int32_t { kClosed = 0, kOpened = 1, kRecording = 2 };

    // Raises CMIDIInEventFailure when the signalling event cannot be made.
    explicit CMIDIInDevice(CMIDIReceiver* receiver = nullptr);
    ~CMIDIInDevice();
    CMIDIInDevice(const CMIDIInDevice&) = delete;
    CMIDIInDevice& operator=(const CMIDIInDevice&) = delete;

    // A null receiver makes the device drop what arrives.
    void SetReceiver(CMIDIReceiver* receiver);

    // Closes first. The device stays closed when the open fails.
    void Open(UINT deviceId);
    // Nothing to do on a closed device.
    void Close();
    // Only an opened device starts; it stays opened when the start fails.
    void StartRecording();
    int32_t GetState() const { return state.load(); }

    // The multimedia system's callback; instance is the device.
    static void CALLBACK MidiInProc(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                    DWORD_PTR param2);

private:
    // Frees a returned system-exclusive header each time one comes back,
    // away from the callback thread, where unpreparing is not allowed.
    static DWORD WINAPI HeaderWorker(LPVOID device);
    void StopWorker();

    HMIDIIN handle = nullptr;
    HANDLE event = nullptr;
    HANDLE worker = nullptr;
    std::atomic<CMIDIReceiver*> receiver;
    CMIDIHeaderQueue headerQueue;
    std::atomic<int32_t> state{kClosed};
};

} // namespace midi
