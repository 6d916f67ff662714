#include "AsioConvert.h"
#include "AsioInterface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

std::vector<uint8_t> FloatBytes(float value) {
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

struct OutputCase {
    int32_t type;
    float sample;
    std::vector<uint8_t> expected;   // little-endian sample bytes
};

TEST(ConvertFloatToOutput, ScalesTruncatesAndClipsEachType) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<OutputCase> cases = {
        {ASIOSTInt16LSB, 1.0f, Bytes({0xFF, 0x7F})},      // 32767
        {ASIOSTInt16LSB, -1.0f, Bytes({0x01, 0x80})},     // -32767
        {ASIOSTInt16LSB, 0.99999f, Bytes({0xFF, 0x7F})},  // 32767
        {ASIOSTInt16LSB, 0.0f, Bytes({0x00, 0x00})},
        {ASIOSTInt16LSB, 2.0f, Bytes({0xFF, 0x7F})},      // clipped, not wrapped
        {ASIOSTInt16LSB, -2.0f, Bytes({0x00, 0x80})},     // -32768
        {ASIOSTInt16LSB, nan, Bytes({0x00, 0x00})},
        {ASIOSTInt24LSB, 0.5f, Bytes({0xFF, 0xFF, 0x3F})},   // 4194303
        {ASIOSTInt24LSB, 1.0f, Bytes({0xFF, 0xFF, 0x7F})},   // 8388607
        {ASIOSTInt24LSB, -1.0f, Bytes({0x01, 0x00, 0x80})},  // -8388607
        {ASIOSTInt24LSB, 1.5f, Bytes({0xFF, 0xFF, 0x7F})},
        {ASIOSTInt24LSB, -1.5f, Bytes({0x00, 0x00, 0x80})},  // -8388608
        // In single precision the factor would be 2^31 and +1.0 would wrap.
        {ASIOSTInt32LSB, 1.0f, Bytes({0xFF, 0xFF, 0xFF, 0x7F})},
        {ASIOSTInt32LSB, -1.0f, Bytes({0x01, 0x00, 0x00, 0x80})},
        {ASIOSTInt32LSB, 0.5f, Bytes({0xFF, 0xFF, 0xFF, 0x3F})},   // 1073741823
        {ASIOSTInt32LSB, 3.0f, Bytes({0xFF, 0xFF, 0xFF, 0x7F})},
        {ASIOSTInt32LSB, -3.0f, Bytes({0x00, 0x00, 0x00, 0x80})},
        {ASIOSTFloat32LSB, 0.25f, FloatBytes(0.25f)},
        {ASIOSTFloat32LSB, 1.5f, FloatBytes(1.5f)},   // floats need no clipping
    };
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << ", sample " << c.sample);
        uint8_t out[8];
        std::memset(out, 0xAB, sizeof out);
        ConvertFloatToOutput(out, &c.sample, 1, c.type);
        EXPECT_EQ(std::vector<uint8_t>(out, out + c.expected.size()), c.expected);
        EXPECT_EQ(out[c.expected.size()], 0xAB) << "wrote past the sample";
    }
}

TEST(ConvertFloatToOutput, FramesLandInOrderAcrossTheFourAtATimeSteps) {
    // Seven frames: one step of four and three single ones.
    const float in[7] = {0.0f, 0.25f, 0.5f, 0.75f, -0.25f, -0.5f, -0.75f};
    int16_t out[8];
    std::memset(out, 0xAB, sizeof out);
    ConvertFloatToOutput(out, in, 7, ASIOSTInt16LSB);
    const int16_t expected[7] = {0, 8191, 16383, 24575, -8191, -16383, -24575};
    for (int n = 0; n < 7; ++n) EXPECT_EQ(out[n], expected[n]) << "frame " << n;
    EXPECT_EQ(static_cast<uint16_t>(out[7]), 0xABAB);
}

struct WriteCase {
    int32_t type;
    int bytesPerFrame;   // 0: the buffer is left untouched
    bool zeros;          // a type the host does not produce: silence
};

TEST(ConvertFloatToOutput, WritesEachTypesByteCountOrNothing) {
    const std::vector<WriteCase> cases = {
        {ASIOSTInt16MSB, 2, true},    {ASIOSTInt24MSB, 3, true},    {ASIOSTInt32MSB, 4, true},
        {ASIOSTFloat32MSB, 4, true},  {ASIOSTFloat64MSB, 8, true},  {5, 0, false},
        {6, 0, false},                {7, 0, false},                {ASIOSTInt32MSB16, 4, true},
        {ASIOSTInt32MSB18, 4, true},  {ASIOSTInt32MSB20, 4, true},  {ASIOSTInt32MSB24, 4, true},
        {12, 0, false},               {13, 0, false},               {14, 0, false},
        {15, 0, false},               {ASIOSTInt16LSB, 2, false},   {ASIOSTInt24LSB, 3, false},
        {ASIOSTInt32LSB, 4, false},   {ASIOSTFloat32LSB, 4, false}, {ASIOSTFloat64LSB, 8, true},
        {21, 0, false},               {22, 0, false},               {23, 0, false},
        {ASIOSTInt32LSB16, 4, true},  {ASIOSTInt32LSB18, 4, true},  {ASIOSTInt32LSB20, 4, true},
        {ASIOSTInt32LSB24, 4, true},  {28, 0, false},               {-1, 0, false},
    };
    constexpr int kFrames = 5;
    const float in[kFrames] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type);
        uint8_t out[kFrames * 8 + 8];
        std::memset(out, 0xAB, sizeof out);
        ConvertFloatToOutput(out, in, kFrames, c.type);
        const int written = kFrames * c.bytesPerFrame;
        for (int i = 0; i < static_cast<int>(sizeof out); ++i) {
            if (i >= written) {
                ASSERT_EQ(out[i], 0xAB) << "byte " << i << " changed";
            } else if (c.zeros) {
                ASSERT_EQ(out[i], 0) << "byte " << i;
            }
        }
        if (written > 0 && !c.zeros) {
            EXPECT_NE(out[0], 0xAB) << "nothing written";
        }
    }
}

struct InputCase {
    int32_t kind;
    std::vector<uint8_t> bytes;   // one frame
    float expected;
};

TEST(ConvertInputToFloat, ScalesEachKind) {
    const std::vector<InputCase> cases = {
        {kAsioInputInt16, Bytes({0x00, 0x80}), -1.0f},
        {kAsioInputInt16, Bytes({0xFF, 0x7F}), 32767.0f / 32768.0f},
        {kAsioInputInt16, Bytes({0x00, 0x40}), 0.5f},
        {kAsioInputInt24, Bytes({0x00, 0x00, 0x80}), -1.0f},
        {kAsioInputInt24, Bytes({0xFF, 0xFF, 0x7F}), 8388607.0f / 8388608.0f},
        {kAsioInputInt24, Bytes({0x00, 0x00, 0x40}), 0.5f},
        {kAsioInputInt24, Bytes({0xFF, 0xFF, 0xFF}), -1.0f / 8388608.0f},
        {kAsioInputInt32, Bytes({0x00, 0x00, 0x00, 0x80}), -1.0f},
        {kAsioInputInt32, Bytes({0x00, 0x00, 0x00, 0x40}), 0.5f},
        {kAsioInputFloat32, FloatBytes(-0.375f), -0.375f},
        {kAsioInputFloat32 + 1, Bytes({0x00, 0x00, 0x80, 0x3F}), 0.0f},   // not an input kind: silence
        {-1, Bytes({0x00, 0x00, 0x80, 0x3F}), 0.0f},
    };
    for (const InputCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind);
        float out[2] = {9.0f, 9.0f};
        ConvertInputToFloat(c.bytes.data(), out, 1, c.kind);
        EXPECT_FLOAT_EQ(out[0], c.expected);
        EXPECT_EQ(out[1], 9.0f) << "wrote past the frame";
    }
}

TEST(ConvertInputToFloat, Int24FramesAreThreeBytesApart) {
    // Seven frames: one step of four and three single ones.
    uint8_t in[7 * 3];
    for (int n = 0; n < 7; ++n) {
        const int32_t value = (n - 3) * 1048576;   // -3/8 .. 3/8
        in[3 * n] = static_cast<uint8_t>(value);
        in[3 * n + 1] = static_cast<uint8_t>(value >> 8);
        in[3 * n + 2] = static_cast<uint8_t>(value >> 16);
    }
    float out[7];
    ConvertInputToFloat(in, out, 7, kAsioInputInt24);
    for (int n = 0; n < 7; ++n) EXPECT_FLOAT_EQ(out[n], (n - 3) / 8.0f) << "frame " << n;
}

} // namespace
