// Knobs and faders under real input: the frame or thumb position a value
// shows, drags, the wheel, double clicks and when each notifies.
#include "Fader.h"
#include "Knob.h"
#include "PanelTest.h"

#include <cmath>

namespace {

using KnobAndFader = PanelTest;

// Drags with the left button held from one point to another in steps of
// `step` pixels along y (and x), each step one mouse move.
int DragBy(HWND window, POINT from, int dx, int dy, int steps) {
    input::MoveTo(window, from.x, from.y);
    input::LeftDown();
    for (int i = 1; i <= steps; ++i) input::MoveTo(window, from.x + dx * i / steps, from.y + dy * i / steps);
    return steps;
}

TEST(KKnob, MapsValuesToFrames) {
    GdiplusSession gdi;
    TestSkins skins;
    KKnob knob;
    ASSERT_TRUE(knob.Create(skins[skins::kKnob], 10, 10, 1, 61));
    EXPECT_EQ(knob.frameCount, 61u);
    EXPECT_EQ(knob.frameWidth, 20u);
    EXPECT_EQ(knob.frameHeight, 20u);
    const RECT r = knob.GetRect();
    EXPECT_EQ(r.right - r.left, 20);
    const struct {
        float value;
        bool silently;
        uint32_t frame;
        float stored;
    } cases[] = {
        {50.0f, false, 30, 50.0f},  {100.0f, false, 60, 100.0f}, {150.0f, false, 60, 100.0f},
        {-5.0f, false, 0, 0.0f},    {99.0f, false, 60, 99.0f},   {1.7f, false, 1, 1.7f},
        // Silently the mapping is half a unit lower.
        {50.0f, true, 30, 50.0f},   {100.0f, true, 60, 100.0f},  {0.0f, true, 0, 0.0f},
        {0.3f, true, 0, 0.3f},      {1.7f, true, 0, 1.7f},       {2.2f, true, 1, 2.2f},
    };
    for (const auto& c : cases) {
        if (c.silently)
            knob.SetValueSilently(c.value);
        else
            knob.SetValue(c.value);
        EXPECT_EQ(knob.frameIndex, c.frame) << c.value << (c.silently ? " silently" : "");
        EXPECT_EQ(knob.GetValue(), c.stored) << c.value;
    }
    knob.minimum = -50.0f;
    knob.maximum = 50.0f;
    knob.SetValue(0.0f);
    EXPECT_EQ(knob.frameIndex, 30u);
    // A default outside the range is refused.
    knob.SetDefaultValue(20.0f);
    knob.SetDefaultValue(80.0f);
    EXPECT_EQ(knob.GetDefaultValue(), 20.0f);
    // An empty grid or no image places nothing.
    KKnob none, empty;
    EXPECT_FALSE(none.Create(nullptr, 0, 0, 1, 61));
    EXPECT_FALSE(empty.Create(skins[skins::kKnob], 0, 0, 0, 61));
    EXPECT_FALSE(none.IsPlaced());
    EXPECT_FALSE(empty.IsPlaced());
}

TEST_F(KnobAndFader, AKnobShowsTheFrameOfItsGridCell) {
    KKnob column, grid;
    ASSERT_TRUE(column.Create(skins[skins::kKnob], 20, 20, 1, 61));
    ASSERT_TRUE(grid.Create(skins[skins::kKnobgrid], 60, 20, 8, 8));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(column);
    rig.Add(grid);
    for (float v : {0.0f, 33.0f, 50.0f, 100.0f}) {
        column.SetValue(v);
        grid.SetValue(v);
        rig.Repaint();
        EXPECT_EQ(rig.ShownAt(column, 10, 10), Rgb(skins::kKnobColours[column.frameIndex])) << v;
        EXPECT_EQ(rig.ShownAt(grid, 8, 8), Rgb(skins::kKnobgridColours[grid.frameIndex])) << v;
    }
    EXPECT_EQ(grid.frameIndex, 63u) << "frame 63 is column 7 of row 7";
}

TEST_F(KnobAndFader, AKnobDraggedUpCoversItsRangeIn150PixelsAndNotifiesOnEveryMove) {
    KKnob knob;
    ASSERT_TRUE(knob.Create(skins[skins::kKnob], 100, 150, 1, 61));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(knob);
    knob.SetValue(20.0f);
    PumpMessages();
    rig.commands.clear();
    const int moves = DragBy(rig.panel(), {110, 160}, 0, -75, 15);
    EXPECT_FLOAT_EQ(knob.GetValue(), 70.0f);
    EXPECT_EQ(static_cast<int>(rig.commands.size()), moves) << "one notification per move";
    EXPECT_EQ(CountOf(rig.commands, 151), moves);
    // Further up it stops at the maximum, outside the panel too.
    input::MoveTo(rig.panel(), 110, -100);
    EXPECT_EQ(knob.GetValue(), 100.0f);
    input::LeftUp();
    EXPECT_EQ(knob.frameIndex, 60u);
    EXPECT_EQ(rig.ShownAt(knob, 10, 10), Rgb(skins::kKnobColours[60]));
    // Down past the start: the minimum.
    DragBy(rig.panel(), {110, 160}, 0, 200, 4);
    input::LeftUp();
    EXPECT_EQ(knob.GetValue(), 0.0f);
}

TEST_F(KnobAndFader, AKnobDragsSidewaysWhenSoSetAndIgnoresMovesWithoutTheButton) {
    KKnob knob;
    ASSERT_TRUE(knob.Create(skins[skins::kKnob], 100, 150, 1, 61));
    knob.verticalDrag = false;
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(knob);
    input::MoveTo(rig.panel(), 105, 155);
    input::MoveTo(rig.panel(), 115, 140);
    EXPECT_EQ(knob.GetValue(), 0.0f) << "hovering changes nothing";
    DragBy(rig.panel(), {110, 160}, 30, -40, 3);
    input::LeftUp();
    EXPECT_FLOAT_EQ(knob.GetValue(), 20.0f) << "30 pixels to the right";
}

TEST_F(KnobAndFader, AKnobTurnsSixPercentPerWheelNotchAndADoubleClickRestoresItsDefault) {
    KKnob knob;
    ASSERT_TRUE(knob.Create(skins[skins::kKnob], 100, 150, 1, 61));
    knob.minimum = -100.0f;
    knob.SetDefaultValue(25.0f);
    knob.SetValue(50.0f);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(knob);
    input::MoveTo(rig.panel(), 110, 160);
    input::Wheel(120);
    EXPECT_FLOAT_EQ(knob.GetValue(), 62.0f) << "6 % of a 200 range";
    input::Wheel(-240);
    EXPECT_FLOAT_EQ(knob.GetValue(), 38.0f);
    EXPECT_EQ(CountOf(rig.commands, 151), 2);
    input::DoubleClick(rig.panel(), 110, 160);
    EXPECT_EQ(knob.GetValue(), 25.0f);
}

TEST(KFader, PlacesTheThumbByValue) {
    GdiplusSession gdi;
    TestSkins skins;
    KFader fader;
    ASSERT_TRUE(fader.Create(skins[skins::kThumb], 10, 10));
    const RECT r = fader.GetRect();
    EXPECT_EQ(r.bottom - r.top, skins::kThumb.frameHeight + 216) << "thumb plus travel";
    EXPECT_EQ(r.right - r.left, skins::kThumb.frameWidth);
    const struct {
        float value;
        int top;
    } cases[] = {{0.0f, 216}, {25.0f, 162}, {50.0f, 108}, {100.0f, 0}, {120.0f, 0}, {-3.0f, 216}, {33.3f, 144}};
    for (const auto& c : cases) {
        fader.SetValue(c.value);
        EXPECT_EQ(fader.thumbTop, c.top) << c.value;
    }
    fader.SetValueSilently(75.0f);
    EXPECT_EQ(fader.thumbTop, 54);
    EXPECT_EQ(fader.GetValue(), 33.3f) << "silently the value is not stored";
    KFader player;
    ASSERT_TRUE(player.Create(skins[skins::kThumb], 0, 0, 135));
    EXPECT_EQ(player.travel, 34u);
    const RECT p = player.GetRect();
    EXPECT_EQ(p.bottom - p.top, skins::kThumb.frameHeight + 34);
    KFader none;
    EXPECT_FALSE(none.Create(nullptr, 0, 0));
}

TEST_F(KnobAndFader, AFaderShowsItsThumbAtMinimumMiddleAndMaximum) {
    KFader fader;
    ASSERT_TRUE(fader.Create(skins[skins::kThumb], 200, 2));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(fader);
    const uint32_t thumb = Rgb(skins::kThumbColours[0]);
    for (float v : {0.0f, 50.0f, 100.0f}) {
        fader.SetValue(v);
        PumpMessages();
        const Capture shot = rig.Shot();
        const int top = 2 + fader.thumbTop;
        EXPECT_EQ(shot.Rgb(205, top), thumb) << v;
        EXPECT_EQ(shot.Rgb(205, top + skins::kThumb.frameHeight - 1), thumb) << v;
        EXPECT_NE(shot.Rgb(205, top + skins::kThumb.frameHeight), thumb) << v;
        if (top > 2) {
            EXPECT_NE(shot.Rgb(205, top - 1), thumb) << v;
        }
    }
}

TEST_F(KnobAndFader, AFaderIsGrabbedWherePressedAndNotifiesOnEveryMoveAndOnceMoreAtTheRelease) {
    KFader fader;
    ASSERT_TRUE(fader.Create(skins[skins::kThumb], 200, 2));
    fader.SetValue(50.0f); // thumb top 108
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(fader);
    PumpMessages();
    rig.commands.clear();
    // Pressed on the track below the thumb: no jump.
    input::MoveTo(rig.panel(), 205, 2 + 180);
    input::LeftDown();
    EXPECT_EQ(fader.GetValue(), 50.0f);
    for (int i = 1; i <= 4; ++i) input::MoveTo(rig.panel(), 205, 2 + 180 - 54 * i / 4);
    EXPECT_FLOAT_EQ(fader.GetValue(), 75.0f) << "54 of 216 pixels up";
    EXPECT_EQ(CountOf(rig.commands, 154), 4);
    input::MoveTo(rig.panel(), 205, 400);
    EXPECT_EQ(fader.GetValue(), 0.0f) << "below the track";
    input::LeftUp();
    EXPECT_EQ(CountOf(rig.commands, 154), 6) << "the release notifies once more";
    input::MoveTo(rig.panel(), 205, 150);
    input::Wheel(120);
    EXPECT_FLOAT_EQ(fader.GetValue(), 6.0f);
}

TEST_F(KnobAndFader, ASpringBackFaderReturnsToItsDefaultAtTheReleaseAndIgnoresTheWheel) {
    KFader pitch;
    ASSERT_TRUE(pitch.Create(skins[skins::kThumb], 200, 2, 136));
    pitch.SetDefaultValue(50.0f);
    pitch.SetValue(50.0f);
    pitch.springBack = true;
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(pitch);
    PumpMessages();
    rig.commands.clear();
    input::MoveTo(rig.panel(), 205, 2 + 17 + 3);
    input::Wheel(120);
    EXPECT_EQ(pitch.GetValue(), 50.0f);
    EXPECT_TRUE(rig.commands.empty());
    input::LeftDown();
    input::MoveTo(rig.panel(), 205, 2 + 3);
    EXPECT_EQ(pitch.GetValue(), 100.0f);
    input::LeftUp();
    EXPECT_EQ(pitch.GetValue(), 50.0f);
    EXPECT_EQ(pitch.thumbTop, 17);
    EXPECT_EQ(rig.commands, (std::vector<int>{136, 136, 136})) << "the move, the release, the return";
    input::DoubleClick(rig.panel(), 205, 10);
    EXPECT_EQ(pitch.GetValue(), 50.0f);
}

} // namespace
