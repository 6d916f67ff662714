#include "SkinChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <string>

namespace {

std::string Narrow(const wchar_t* s) {
    std::string out;
    for (; *s != 0; ++s) out.push_back(static_cast<char>(*s));
    return out;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Direction of the knob's pointer (the bright, colourless pixels), degrees
// clockwise from twelve o'clock; NAN when the frame has none.
double PointerAngle(const Pixels& frame) {
    double sx = 0.0, sy = 0.0, weight = 0.0;
    const double cx = frame.width / 2.0, cy = frame.height / 2.0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t p = frame.At(x, y);
            const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            const int spread = std::max({r, g, b}) - std::min({r, g, b});
            const double luma = Luma(p);
            if (luma < 190.0 || spread > 40 || Alpha(p) < 160) continue;
            const double w = (luma - 190.0) * Alpha(p);
            sx += w * (x + 0.5 - cx);
            sy += w * (y + 0.5 - cy);
            weight += w;
        }
    if (weight <= 0.0) return NAN;
    return std::atan2(sx / weight, -sy / weight) * 180.0 / 3.14159265358979;
}

void ExpectKnob(const Pixels& image) {
    const Pixels first = image.Frame(0, 1, 61);
    const RECT body = VisibleBounds(first);
    EXPECT_NEAR((body.left + body.right) / 2.0, first.width / 2.0, 1.0) << "the knob sits in the middle of its cell";
    EXPECT_NEAR((body.top + body.bottom) / 2.0, first.height / 2.0, 1.5) << "the knob sits in the middle of its cell";
    double angles[61];
    for (int k = 0; k < 61; ++k) {
        const Pixels frame = image.Frame(k, 1, 61);
        EXPECT_TRUE(SameRect(VisibleBounds(frame), body)) << "frame " << k << ": the knob does not move";
        if (k > 0) {
            EXPECT_GT(DifferingPixels(frame, image.Frame(k - 1, 1, 61)), 0) << "frame " << k << " is new";
        }
        angles[k] = PointerAngle(frame);
        ASSERT_FALSE(std::isnan(angles[k])) << "frame " << k << " shows a pointer";
    }
    EXPECT_LT(angles[0], -90.0) << "the minimum points to the lower left";
    EXPECT_GT(angles[60], 90.0) << "the maximum points to the lower right";
    EXPECT_NEAR(angles[30], 0.0, 8.0) << "the middle points up";
    for (int k = 5; k < 61; k += 5) {
        EXPECT_GT(angles[k], angles[k - 5]) << "frames " << k - 5 << ".." << k << " turn clockwise";
        EXPECT_LT(angles[k] - angles[k - 5], 40.0) << "frames " << k - 5 << ".." << k << " turn smoothly";
    }
}

void ExpectDigits(const Pixels& image) {
    Pixels glyph[13];
    for (int k = 0; k < 13; ++k) glyph[k] = image.Frame(k, 13, 1);
    for (int a = 0; a < 13; ++a)
        for (int b = a + 1; b < 13; ++b) EXPECT_GT(DifferingPixels(glyph[a], glyph[b]), 0) << a << " and " << b;
    for (int k = 1; k < 13; ++k) EXPECT_LT(Ink(glyph[0]), Ink(glyph[k])) << "the blank glyph first, then " << k;
    // Glyph order: blank, 0..9, minus, plus.
    EXPECT_GT(Ink(glyph[9]), Ink(glyph[2])) << "8 lights more than 1";
    EXPECT_GT(Ink(glyph[9]), Ink(glyph[11])) << "8 lights more than the minus";
    EXPECT_GT(Ink(glyph[12]), Ink(glyph[11])) << "the plus lights more than the minus";
    EXPECT_GT(Ink(glyph[1]), Ink(glyph[2])) << "0 lights more than 1";
}

} // namespace

Pixels Decoded(const ResourceLibrary& library, const wchar_t* name) {
    Pixels image;
    EXPECT_TRUE(library.Has(name)) << Narrow(name) << " is a PNG resource";
    EXPECT_TRUE(DecodePng(library.Bytes(name), &image)) << Narrow(name) << " decodes";
    return image;
}

const ExpectedImage* FindExpected(const ExpectedImage* table, size_t count, const wchar_t* name) {
    for (size_t i = 0; i < count; ++i)
        if (std::wcscmp(table[i].name, name) == 0) return &table[i];
    return nullptr;
}

void ExpectImage(const ResourceLibrary& library, const ExpectedImage& expected) {
    SCOPED_TRACE(Narrow(expected.name));
    const std::vector<uint8_t> bytes = library.Bytes(expected.name);
    ASSERT_FALSE(bytes.empty()) << "missing";
    int headerWidth = 0, headerHeight = 0;
    PngHeaderSize(bytes, &headerWidth, &headerHeight);
    EXPECT_EQ(headerWidth, expected.width) << "a PNG of that width";
    EXPECT_EQ(headerHeight, expected.height) << "a PNG of that height";
    Pixels image;
    ASSERT_TRUE(DecodePng(bytes, &image));
    ASSERT_EQ(image.width, expected.width);
    ASSERT_EQ(image.height, expected.height);

    const int columns = expected.layout == Layout::Knob ? 1 : expected.frames;
    const int rows = expected.layout == Layout::Knob ? expected.frames : 1;
    ASSERT_EQ(image.width % columns, 0);
    ASSERT_EQ(image.height % rows, 0);
    switch (expected.layout) {
    case Layout::Picture:
        EXPECT_TRUE(FullyOpaque(image)) << "a background has no holes";
        break;
    case Layout::Thumb:
        EXPECT_GT(Ink(image), 0.0);
        EXPECT_EQ(VisibleBounds(image).left, 0) << "the thumb fills its width";
        EXPECT_EQ(VisibleBounds(image).right, image.width) << "the thumb fills its width";
        break;
    case Layout::PushButton: {
        const RECT outline = VisibleBounds(image.Frame(0, columns, 1));
        EXPECT_GT(outline.right - outline.left, image.width / columns / 2) << "a button is drawn in the frame";
        for (int a = 0; a < expected.frames; ++a) {
            EXPECT_TRUE(SameRect(VisibleBounds(image.Frame(a, columns, 1)), outline)) << "frame " << a;
            for (int b = a + 1; b < expected.frames; ++b)
                EXPECT_GT(DifferingPixels(image.Frame(a, columns, 1), image.Frame(b, columns, 1)), 0)
                    << "frames " << a << " and " << b << " differ";
        }
        break;
    }
    case Layout::Switch:
        EXPECT_GT(Ink(image.Frame(1, 2, 1)), Ink(image.Frame(0, 2, 1)) * 1.1) << "on lights more than off";
        EXPECT_GT(VisibleBounds(image.Frame(0, 2, 1)).right, 0) << "off is drawn too";
        break;
    case Layout::Knob:
        ExpectKnob(image);
        break;
    case Layout::Digits:
        ExpectDigits(image);
        break;
    }
}
