// Skin images from PNG resources: every frame of every test strip decodes to
// its colour; missing, broken and cut resources give no image.
#include "PanelRig.h"
#include "PngResource.h"

#include <gtest/gtest.h>

namespace {

TEST(PngResource, EveryFrameOfEveryStripDecodesToItsColour) {
    GdiplusSession gdi;
    ASSERT_TRUE(gdi.ok());
    PngResourceHolder holder = {nullptr, ::GetModuleHandleW(nullptr)};
    for (const skins::Strip& strip : {skins::kButton3, skins::kButton2, skins::kToggle, skins::kLed, skins::kMeter,
                                      skins::kKnob, skins::kKnobgrid, skins::kThumb, skins::kDigits}) {
        const HRSRC resource = ::FindResourceW(holder.module, strip.name, L"PNG");
        ASSERT_NE(resource, nullptr);
        Gdiplus::Bitmap* image = LoadPngResource(resource, &holder);
        ASSERT_NE(image, nullptr);
        EXPECT_NE(holder.block, nullptr) << "the block behind the image";
        const Capture pixels = CaptureBitmap(image);
        EXPECT_EQ(pixels.width, strip.frameWidth * strip.columns);
        EXPECT_EQ(pixels.height, strip.frameHeight * strip.rows);
        for (int frame = 0; frame < strip.columns * strip.rows; ++frame) {
            const int left = frame % strip.columns * strip.frameWidth, top = frame / strip.columns * strip.frameHeight;
            const RECT whole = {left, top, left + strip.frameWidth, top + strip.frameHeight};
            EXPECT_TRUE(pixels.Filled(whole, strip.colours[frame])) << "frame " << frame;
            EXPECT_EQ(pixels.pixels[static_cast<size_t>(top) * pixels.width + left] >> 24, 0xFFu) << "opaque";
        }
        delete image;
    }
}

TEST(PngResource, ResourcesThatDoNotDecodeGiveNoImageAndKeepNoBlock) {
    GdiplusSession gdi;
    ASSERT_TRUE(gdi.ok());
    PngResourceHolder holder = {nullptr, ::GetModuleHandleW(nullptr)};
    EXPECT_EQ(::FindResourceW(holder.module, L"NO_SUCH_IMAGE", L"PNG"), nullptr);
    EXPECT_EQ(LoadPngResource(nullptr, &holder), nullptr);
    for (const wchar_t* name : {L"BROKEN", L"TRUNCATED"}) {
        const HRSRC resource = ::FindResourceW(holder.module, name, L"PNG");
        ASSERT_NE(resource, nullptr) << name;
        EXPECT_EQ(LoadPngResource(resource, &holder), nullptr) << name;
        EXPECT_EQ(holder.block, nullptr) << name;
    }
}

} // namespace
