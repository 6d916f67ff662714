// Little-endian fields for test files: appended by the fixture writers, and
// read back (a whole file, fields at byte offsets) by the tests.
#pragma once

#include "Platform.h"
#include "WavWriter.h"

#include <cstdint>
#include <cstring>
#include <string>

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
// A four-character code, padded with spaces.
inline void PutId(Bytes& b, const std::string& id) {
    for (size_t i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(i < id.size() ? id[i] : ' '));
}

inline uint16_t U16At(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
inline int64_t I64At(const Bytes& b, size_t at) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(b[at + i]) << (8 * i);
    return static_cast<int64_t>(v);
}
inline int32_t I32At(const Bytes& b, size_t at) {
    return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}
inline float F32At(const Bytes& b, size_t at) {
    const uint32_t bits = static_cast<uint32_t>(I32At(b, at));
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline double F64At(const Bytes& b, size_t at) {
    const uint64_t bits = static_cast<uint64_t>(I64At(b, at));
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}
// A UTF-16 text field up to its first zero unit, each unit narrowed to a byte.
inline std::string TextAt(const Bytes& b, size_t at, size_t units = 260) {
    std::string s;
    for (size_t i = 0; i < units && U16At(b, at + 2 * i) != 0; ++i) s += static_cast<char>(U16At(b, at + 2 * i));
    return s;
}
