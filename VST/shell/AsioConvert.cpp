#include "AsioConvert.h"

#include <cmath>
#include <cstring>

namespace {

// What the output conversion does with a sample type.
enum class AsioOutputAction : uint8_t { Untouched, Zeros, Int16, Int24, Int32, Float32 };
struct AsioOutputFormat {
    AsioOutputAction action;
    uint8_t bytesPerFrame;   // 0 for untouched types
};

constexpr int kOutputTypes = 28;

constexpr AsioOutputFormat kOutputFormats[kOutputTypes] = {
    {AsioOutputAction::Zeros, 2},     // 0 Int16MSB
    {AsioOutputAction::Zeros, 3},     // 1 Int24MSB
    {AsioOutputAction::Zeros, 4},     // 2 Int32MSB
    {AsioOutputAction::Zeros, 4},     // 3 Float32MSB
    {AsioOutputAction::Zeros, 8},     // 4 Float64MSB
    {AsioOutputAction::Untouched, 0}, // 5
    {AsioOutputAction::Untouched, 0}, // 6
    {AsioOutputAction::Untouched, 0}, // 7
    {AsioOutputAction::Zeros, 4},     // 8 Int32MSB16
    {AsioOutputAction::Zeros, 4},     // 9 Int32MSB18
    {AsioOutputAction::Zeros, 4},     // 10 Int32MSB20
    {AsioOutputAction::Zeros, 4},     // 11 Int32MSB24
    {AsioOutputAction::Untouched, 0}, // 12
    {AsioOutputAction::Untouched, 0}, // 13
    {AsioOutputAction::Untouched, 0}, // 14
    {AsioOutputAction::Untouched, 0}, // 15
    {AsioOutputAction::Int16, 2},     // 16 Int16LSB
    {AsioOutputAction::Int24, 3},     // 17 Int24LSB
    {AsioOutputAction::Int32, 4},     // 18 Int32LSB
    {AsioOutputAction::Float32, 4},   // 19 Float32LSB
    {AsioOutputAction::Zeros, 8},     // 20 Float64LSB
    {AsioOutputAction::Untouched, 0}, // 21
    {AsioOutputAction::Untouched, 0}, // 22
    {AsioOutputAction::Untouched, 0}, // 23
    {AsioOutputAction::Zeros, 4},     // 24 Int32LSB16
    {AsioOutputAction::Zeros, 4},     // 25 Int32LSB18
    {AsioOutputAction::Zeros, 4},     // 26 Int32LSB20
    {AsioOutputAction::Zeros, 4},     // 27 Int32LSB24
};

// Four samples per step, the rest one by one.
template <typename Step>
inline void ForEachFrame(int32_t frames, Step step) {
    int32_t n = 0;
    for (; n + 4 <= frames; n += 4) {
        step(n);
        step(n + 1);
        step(n + 2);
        step(n + 3);
    }
    for (; n < frames; ++n) step(n);
}

// Scaled in double (single precision would round 2147483647.49999 up to 2^31
// and wrap +1.0 to the most negative value), truncated toward zero and held
// inside the type's range; NaN, which has no integer, becomes silence.
inline int32_t ToInteger(float sample, double scale, double lowest, double highest) {
    const double scaled = static_cast<double>(sample) * scale;
    if (std::isnan(scaled)) return 0;
    if (scaled <= lowest) return static_cast<int32_t>(lowest);
    if (scaled >= highest) return static_cast<int32_t>(highest);
    return static_cast<int32_t>(scaled);
}

inline void StoreLittle(uint8_t* out, int32_t value, int bytes) {
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

AsioOutputFormat AsioOutputFormatOf(int32_t type) {
    if (type < 0 || type >= kOutputTypes) return {AsioOutputAction::Untouched, 0};
    return kOutputFormats[type];
}

} // namespace

void ConvertInputToFloat(const void* source, float* destination, int32_t frames, int32_t kind) {
    if (destination == nullptr || frames <= 0) return;
    const auto* in = static_cast<const uint8_t*>(source);
    if (in == nullptr) kind = -1;
    switch (kind) {
    case kAsioInputInt16:
        ForEachFrame(frames, [&](int32_t n) {
            const uint8_t* s = in + 2 * n;
            const int16_t x = static_cast<int16_t>(static_cast<uint16_t>(s[0] | (s[1] << 8)));
            destination[n] = static_cast<float>(x) * 0.000030517578125f;
        });
        break;
    case kAsioInputInt24:
        ForEachFrame(frames, [&](int32_t n) {
            const uint8_t* s = in + 3 * n;
            // The top byte placed in bits 24..31 carries the sign; the shift
            // back is by a power of two, done as a division.
            const int32_t x = static_cast<int32_t>(static_cast<uint32_t>(s[0] << 8 | s[1] << 16) |
                                                   static_cast<uint32_t>(s[2]) << 24) /
                              256;
            destination[n] = static_cast<float>(x) / 8388608.0f;
        });
        break;
    case kAsioInputInt32:
        ForEachFrame(frames, [&](int32_t n) {
            int32_t x;
            std::memcpy(&x, in + 4 * n, 4);
            destination[n] = static_cast<float>(static_cast<double>(x) / 2147483648.0);
        });
        break;
    case kAsioInputFloat32:
        std::memcpy(destination, in, static_cast<size_t>(frames) * sizeof(float));
        break;
    default:
        std::memset(destination, 0, static_cast<size_t>(frames) * sizeof(float));
        break;
    }
}

void ConvertFloatToOutput(void* destination, const float* source, int32_t frames, int32_t type) {
    if (destination == nullptr || frames <= 0) return;
    const AsioOutputFormat format = AsioOutputFormatOf(type);
    auto* out = static_cast<uint8_t*>(destination);
    AsioOutputAction action = format.action;
    if (source == nullptr && action != AsioOutputAction::Untouched) action = AsioOutputAction::Zeros;
    switch (action) {
    case AsioOutputAction::Untouched:
        break;
    case AsioOutputAction::Zeros:
        std::memset(out, 0, static_cast<size_t>(frames) * format.bytesPerFrame);
        break;
    case AsioOutputAction::Int16:
        ForEachFrame(frames, [&](int32_t n) {
            StoreLittle(out + 2 * n, ToInteger(source[n], 32767.49999, -32768.0, 32767.0), 2);
        });
        break;
    case AsioOutputAction::Int24:
        ForEachFrame(frames, [&](int32_t n) {
            StoreLittle(out + 3 * n, ToInteger(source[n], 8388607.0, -8388608.0, 8388607.0), 3);
        });
        break;
    case AsioOutputAction::Int32:
        ForEachFrame(frames, [&](int32_t n) {
            StoreLittle(out + 4 * n, ToInteger(source[n], 2147483647.49999, -2147483648.0, 2147483647.0), 4);
        });
        break;
    case AsioOutputAction::Float32:
        std::memcpy(out, source, static_cast<size_t>(frames) * sizeof(float));
        break;
    }
}
