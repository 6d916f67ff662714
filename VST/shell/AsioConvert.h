// Sample conversion between the driver's buffers and the float32 buffers the
// shell renders into.
#pragma once

#include <cstdint>

// Input kinds: the driver's input types Int16LSB, Int24LSB, Int32LSB and
// Float32LSB minus 16. Any other kind gives silence.
enum : int32_t {
    kAsioInputInt16 = 0,
    kAsioInputInt24 = 1,
    kAsioInputInt32 = 2,
    kAsioInputFloat32 = 3,
};

void ConvertInputToFloat(const void* source, float* destination, int32_t frames, int32_t kind);

// Writes frames samples of the given ASIO sample type (0..27) to the
// driver's buffer: integer types are clipped to their range, types the host
// cannot produce get zeros, reserved types are left untouched and types above
// 27 are skipped.
void ConvertFloatToOutput(void* destination, const float* source, int32_t frames, int32_t type);

