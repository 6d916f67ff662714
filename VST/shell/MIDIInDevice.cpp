#include "MIDIInDevice.h"

namespace midi {

CMIDIInDevice::CMIDIInDevice(CMIDIReceiver* receiver) : receiver(receiver) {
    event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) throw CMIDIInEventFailure();
}

CMIDIInDevice::~CMIDIInDevice() {
    try {
        Close();
    } catch (const CMIDIInException&) {
        // The port is going away with the device either way.
    }
    ::CloseHandle(event);
    headerQueue.RemoveAll();
}

void CMIDIInDevice::SetReceiver(CMIDIReceiver* next) {
    receiver = next;
}

void CMIDIInDevice::Open(UINT deviceId) {
    Close();
    HMIDIIN opened = nullptr;
    const MMRESULT result =
        ::midiInOpen(&opened, deviceId, reinterpret_cast<DWORD_PTR>(&CMIDIInDevice::MidiInProc),
                     reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) throw CMIDIInException(result);
    handle = opened;
    state = kOpened;
}

void CMIDIInDevice::StopWorker() {
    ::SetEvent(event);
    ::WaitForSingleObject(worker, INFINITE);
    ::CloseHandle(worker);
    worker = nullptr;
}

void CMIDIInDevice::Close() {
    if (state == kClosed) return;
    if (state == kRecording) {
        // The worker ends before the port is reset, so no header is freed twice.
        state = kOpened;
        StopWorker();
        ::midiInReset(handle);
        headerQueue.RemoveAll();
    }
    const MMRESULT result = ::midiInClose(handle);
    if (result != MMSYSERR_NOERROR) throw CMIDIInException(result);
    handle = nullptr;
    state = kClosed;
}

void CMIDIInDevice::StartRecording() {
    if (state != kOpened) return;
    state = kRecording;
    worker = ::CreateThread(nullptr, 0, &CMIDIInDevice::HeaderWorker, this, 0, nullptr);
    if (worker == nullptr) {
        state = kOpened;
        throw CMIDIInException(MMSYSERR_NOMEM);
    }
    const MMRESULT result = ::midiInStart(handle);
    if (result != MMSYSERR_NOERROR) {
        state = kOpened;
        StopWorker();
        throw CMIDIInException(result);
    }
}

DWORD WINAPI CMIDIInDevice::HeaderWorker(LPVOID parameter) {
    auto* device = static_cast<CMIDIInDevice*>(parameter);
    while (device->state == kRecording) {
        ::WaitForSingleObject(device->event, INFINITE);
        if (device->state != kRecording) break;
        device->headerQueue.RemoveOne();
    }
    return 0;
}

void CALLBACK CMIDIInDevice::MidiInProc(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                        DWORD_PTR param2) {
    auto* device = reinterpret_cast<CMIDIInDevice*>(instance);
    if (device == nullptr) return;
    CMIDIReceiver* target = device->receiver;
    if (target == nullptr) return;
    const auto timestamp = static_cast<uint32_t>(param2);
    switch (message) {
    case MIM_DATA:
        target->ReceiveMsg(static_cast<uint32_t>(param1), timestamp);
        break;
    case MIM_ERROR:
        target->OnError(static_cast<uint32_t>(param1), timestamp);
        break;
    case MIM_LONGDATA:
    case MIM_LONGERROR: {
        if (device->state != kRecording) break;
        auto* header = reinterpret_cast<MIDIHDR*>(param1);
        if (message == MIM_LONGDATA)
            target->ReceiveMsg(header->lpData, header->dwBytesRecorded, timestamp);
        else
            target->OnError(header->lpData, header->dwBytesRecorded, timestamp);
        ::SetEvent(device->event);
        break;
    }
    default:
        break;
    }
}

} // namespace midi
