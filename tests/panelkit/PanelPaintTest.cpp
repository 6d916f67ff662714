// What the panel paints: the clear colour, the background once or tiled, the
// widgets in order, only the clip box of a partial repaint, and a back
// buffer that grows for a larger panel.
#include "PanelTest.h"
#include "RecordingWidget.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using PanelPaint = PanelTest;

TEST_F(PanelPaint, TheBackgroundIsDrawnOnceAndTheWidgetsOverIt) {
    RecordingWidget widget(0xFFF0A000);
    widget.Place(100, 100, 150, 130);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(widget);
    rig.Repaint();
    const Capture shot = rig.Shot();
    ASSERT_EQ(shot.width, skins::kBackgroundWidth);
    ASSERT_EQ(shot.height, skins::kBackgroundHeight);
    for (POINT p : {POINT{0, 0}, POINT{15, 5}, POINT{319, 239}, POINT{99, 99}, POINT{150, 130}})
        EXPECT_EQ(shot.Rgb(p.x, p.y), Rgb(skins::BackgroundAt(p.x, p.y))) << p.x << "," << p.y;
    EXPECT_TRUE(shot.Filled({100, 100, 150, 130}, 0xFFF0A000));
}

TEST_F(PanelPaint, ASmallerBackgroundLeavesTheClearColourAndATiledOneCoversEverything) {
    Gdiplus::Bitmap* tile = skins[L"TILE"];
    ASSERT_NE(tile, nullptr);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.model()->background = tile;
    rig.Repaint();
    Capture shot = rig.Shot();
    EXPECT_EQ(shot.Rgb(10, 10), Rgb(skins::kTileColours[0]));
    EXPECT_EQ(shot.Rgb(skins::kTileWidth, 10), 0xFFFFFFu) << "white beyond the background";
    EXPECT_EQ(shot.Rgb(300, 200), 0xFFFFFFu);

    rig.model()->tileBackground = true;
    rig.Repaint();
    shot = rig.Shot();
    const int w = skins::kTileWidth, h = skins::kTileHeight;
    for (int y : {0, h / 2 - 1, h / 2, h + 1, 239})
        for (int x : {0, w / 2 - 1, w / 2, w + 3, 4 * w + 5, 319}) {
            const int quadrant = (y % h >= h / 2 ? 2 : 0) + (x % w >= w / 2 ? 1 : 0);
            EXPECT_EQ(shot.Rgb(x, y), Rgb(skins::kTileColours[quadrant])) << x << "," << y;
        }
}

TEST_F(PanelPaint, AClipBoxRepaintCopiesOnlyItsRectangle) {
    RecordingWidget widget(0xFF00C000);
    widget.Place(40, 40, 200, 120);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(widget);
    rig.Repaint();
    widget.SetColour(0xFFC000C0);
    const RECT part = {60, 50, 110, 90};
    ::InvalidateRect(rig.panel(), &part, FALSE);
    ::UpdateWindow(rig.panel());
    const Capture shot = rig.Shot();
    EXPECT_TRUE(shot.Filled(part, 0xFFC000C0));
    EXPECT_EQ(shot.Rgb(59, 70), Rgb(0xFF00C000));
    EXPECT_EQ(shot.Rgb(110, 70), Rgb(0xFF00C000));
    EXPECT_EQ(shot.Rgb(80, 49), Rgb(0xFF00C000));
    EXPECT_EQ(shot.Rgb(80, 90), Rgb(0xFF00C000));
    EXPECT_EQ(shot.Rgb(199, 119), Rgb(0xFF00C000));
}

TEST_F(PanelPaint, ALargerPanelGrowsTheBackBufferWhichKeepsWhatItHeld) {
    Gdiplus::Bitmap* big = skins[L"BIGPANEL"];
    ASSERT_NE(big, nullptr);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Repaint();
    ASSERT_NE(PanelBackBuffer(), nullptr);
    // A second, larger panel whose first paint covers only a corner beyond
    // the first panel's size.
    HostWindow host(skins::kBigWidth, skins::kBigHeight);
    PanelDescriptor second = {};
    CreatePanelWindow(&second, ::GetModuleHandleW(nullptr), host.hwnd(), big);
    ASSERT_NE(second.model, nullptr);
    EXPECT_STREQ(second.className, rig.descriptor.className) << "panels of one module share the class";
    ::ValidateRect(second.window, nullptr);
    const RECT corner = {400, 300, skins::kBigWidth, skins::kBigHeight};
    ::InvalidateRect(second.window, &corner, FALSE);
    ::UpdateWindow(second.window);

    Gdiplus::Bitmap* buffer = PanelBackBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_GE(buffer->GetWidth(), static_cast<UINT>(skins::kBigWidth));
    EXPECT_GE(buffer->GetHeight(), static_cast<UINT>(skins::kBigHeight));
    const Capture held = CaptureBitmap(buffer);
    EXPECT_EQ(held.Rgb(15, 5), Rgb(skins::BackgroundAt(15, 5))) << "the first panel's pixels stay";
    EXPECT_EQ(held.Rgb(479, 359), Rgb(skins::kBigColour));
    const Capture shot = CaptureWindow(second.window);
    EXPECT_TRUE(shot.Filled(corner, skins::kBigColour)) << "the corner reached the screen";
    DestroyPanelWindow(&second);
    // The first panel still paints whole from the grown buffer.
    rig.Repaint();
    EXPECT_EQ(rig.Shot().Rgb(319, 239), Rgb(skins::BackgroundAt(319, 239)));
}

TEST_F(PanelPaint, WithoutABackgroundNoPanelIsMade) {
    HostWindow host(100, 100);
    PanelDescriptor descriptor = {};
    CreatePanelWindow(&descriptor, ::GetModuleHandleW(nullptr), host.hwnd(), skins[L"NO_SUCH_IMAGE"]);
    EXPECT_EQ(descriptor.window, nullptr);
    EXPECT_EQ(descriptor.model, nullptr);
    DestroyPanelWindow(&descriptor);
}

TEST_F(PanelPaint, WithoutAModelNothingIsPaintedAndInputIsDropped) {
    RecordingWidget widget;
    widget.Place(10, 10, 60, 60);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(widget);
    PanelModel* model = rig.descriptor.model;
    rig.descriptor.model = nullptr;
    rig.Repaint();
    input::Click(rig.panel(), 20, 20);
    EXPECT_EQ(widget.draws, 0);
    EXPECT_TRUE(widget.log.empty());
    rig.descriptor.model = model;
}

} // namespace
