// Whoever takes the messages that arrive at a MIDI input device.
#pragma once

#include <cstdint>

namespace midi {

// Called on the multimedia system's callback thread: must not block.
// Timestamps are the driver's milliseconds since recording started.
class CMIDIReceiver {
public:
    virtual ~CMIDIReceiver() = default;
    // A system-exclusive message.
    virtual void ReceiveMsg(char* data, uint32_t bytesRecorded, uint32_t timestamp) = 0;
    // A short message: status in the low byte, data 1 in the second, data 2
    // in the third.
    virtual void ReceiveMsg(uint32_t message, uint32_t timestamp) = 0;
    virtual void OnError(char* data, uint32_t bytesRecorded, uint32_t timestamp) = 0;
    virtual void OnError(uint32_t message, uint32_t timestamp) = 0;
};

} // namespace midi
