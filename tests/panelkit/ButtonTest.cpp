// Buttons, toggles and lamps under real input: the frame each shows and when
// each notifies.
#include "Button.h"
#include "Led.h"
#include "LevelMeter.h"
#include "PanelTest.h"
#include "Toggle.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The colour a panel shows in the middle of a widget.
uint32_t Middle(PanelRig& rig, KWidget& widget) {
    const RECT r = widget.GetRect();
    return rig.ShownAt(widget, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
}

using StripWidgets = PanelTest;

TEST_F(StripWidgets, AThreeFrameButtonShowsNormalPressedAndHover) {
    KButton button;
    ASSERT_TRUE(SetWidgetImage(skins[skins::kButton3], &button, 21, true, 50, 60));
    EXPECT_EQ(button.frameWidth, 40);
    EXPECT_TRUE(button.hoverEnabled);
    const RECT r = button.GetRect();
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 20);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(button);
    rig.Repaint();
    const uint32_t* frames = skins::kButton3Colours;
    EXPECT_EQ(Middle(rig, button), Rgb(frames[0]));
    input::MoveTo(rig.panel(), 60, 65);
    EXPECT_EQ(Middle(rig, button), Rgb(frames[2])) << "hover";
    input::LeftDown();
    EXPECT_EQ(Middle(rig, button), Rgb(frames[1])) << "pressed";
    EXPECT_TRUE(rig.commands.empty()) << "nothing before the release";
    input::LeftUp();
    EXPECT_EQ(Middle(rig, button), Rgb(frames[0])) << "a release ends the hover too";
    EXPECT_EQ(rig.commands, std::vector<int>{21});
    input::MoveTo(rig.panel(), 200, 200);
    input::MoveTo(rig.panel(), 60, 65);
    EXPECT_EQ(Middle(rig, button), Rgb(frames[2]));
    input::MoveTo(rig.panel(), 200, 200);
    EXPECT_EQ(Middle(rig, button), Rgb(frames[0]));
}

TEST_F(StripWidgets, ATwoFrameButtonNeverShowsHoverAndFiresWhenReleasedOutside) {
    KButton button;
    ASSERT_TRUE(SetWidgetImage(skins[skins::kButton2], &button, 22, false, 50, 60));
    EXPECT_EQ(button.frameWidth, 40);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(button);
    rig.Repaint();
    input::MoveTo(rig.panel(), 60, 65);
    EXPECT_EQ(Middle(rig, button), Rgb(skins::kButton2Colours[0]));
    input::LeftDown();
    EXPECT_EQ(Middle(rig, button), Rgb(skins::kButton2Colours[1]));
    input::MoveTo(rig.panel(), 250, 200);
    input::LeftUp();
    EXPECT_EQ(rig.commands, std::vector<int>{22});
    EXPECT_EQ(Middle(rig, button), Rgb(skins::kButton2Colours[0]));
}

TEST_F(StripWidgets, ADoubleClickedButtonFiresTwice) {
    KButton button;
    ASSERT_TRUE(SetWidgetImage(skins[skins::kButton2], &button, 23, false, 50, 60));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(button);
    input::DoubleClick(rig.panel(), 60, 65);
    EXPECT_EQ(rig.commands, (std::vector<int>{23, 23}));
}

TEST_F(StripWidgets, AToggleFlipsAtThePressAndNotifiesOnceAtTheRelease) {
    KToggle toggle;
    ASSERT_TRUE(KToggle::Create(&toggle, skins[skins::kToggle], 31, 100, 100));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(toggle);
    rig.Repaint();
    EXPECT_EQ(Middle(rig, toggle), Rgb(skins::kToggleColours[0]));
    input::MoveTo(rig.panel(), 105, 105);
    input::LeftDown();
    EXPECT_TRUE(toggle.IsOn());
    EXPECT_EQ(Middle(rig, toggle), Rgb(skins::kToggleColours[1]));
    EXPECT_TRUE(rig.commands.empty());
    input::LeftUp();
    EXPECT_EQ(rig.commands, std::vector<int>{31});
    EXPECT_EQ(toggle.GetValue(), 1.0f);
    // A double click flips it twice and notifies twice: it ends as it began.
    rig.commands.clear();
    input::DoubleClick(rig.panel(), 105, 105);
    EXPECT_TRUE(toggle.IsOn());
    EXPECT_EQ(rig.commands, (std::vector<int>{31, 31}));
    EXPECT_EQ(Middle(rig, toggle), Rgb(skins::kToggleColours[1]));
}

TEST_F(StripWidgets, SettingAToggleSilentlyRepaintsWithoutNotifying) {
    KToggle toggle;
    ASSERT_TRUE(KToggle::Create(&toggle, skins[skins::kToggle], 32, 100, 100));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(toggle);
    toggle.SetValueSilently(1.0f);
    PumpMessages();
    EXPECT_EQ(Middle(rig, toggle), Rgb(skins::kToggleColours[1]));
    EXPECT_TRUE(rig.commands.empty());
    toggle.SetValue(0.0f);
    PumpMessages();
    EXPECT_EQ(Middle(rig, toggle), Rgb(skins::kToggleColours[0]));
    EXPECT_EQ(rig.commands, std::vector<int>{32});
}

TEST_F(StripWidgets, LampsAndMetersNeverNotify) {
    KLED led;
    KLevelMeterH meter;
    ASSERT_TRUE(KLED::Create(skins[skins::kLed], &led, 10, 10));
    ASSERT_TRUE(KLevelMeterH::Create(skins[skins::kMeter], &meter, 10, 40));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(led);
    rig.Add(meter);
    led.SetValue(1.0f);
    PumpMessages();
    EXPECT_EQ(Middle(rig, led), Rgb(skins::kLedColours[1]));
    input::Click(rig.panel(), 15, 15);
    input::Click(rig.panel(), 20, 43);
    meter.SetValue(0.5f);
    PumpMessages();
    EXPECT_TRUE(rig.commands.empty());
    led.SetValue(0.0f);
    PumpMessages();
    EXPECT_EQ(Middle(rig, led), Rgb(skins::kLedColours[0]));
}

TEST_F(StripWidgets, AMissingOrBrokenImageLeavesEveryWidgetUnplaced) {
    for (const wchar_t* name : {L"NO_SUCH_IMAGE", L"BROKEN", L"TRUNCATED"}) {
        Gdiplus::Bitmap* image = skins[name];
        EXPECT_EQ(image, nullptr) << "image " << name;
        KButton button;
        KToggle toggle;
        KLED led;
        KLevelMeterH meter;
        EXPECT_FALSE(SetWidgetImage(image, &button, 1, true, 10, 10));
        EXPECT_FALSE(KToggle::Create(&toggle, image, 2, 10, 10));
        EXPECT_FALSE(KLED::Create(image, &led, 10, 10));
        EXPECT_FALSE(KLevelMeterH::Create(image, &meter, 10, 10));
        PanelRig rig(skins[L"BACKGROUND"]);
        for (KWidget* w : {static_cast<KWidget*>(&button), static_cast<KWidget*>(&toggle), static_cast<KWidget*>(&led),
                           static_cast<KWidget*>(&meter)}) {
            EXPECT_FALSE(w->IsPlaced());
            const RECT r = w->GetRect();
            EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0);
            rig.Add(*w);
        }
        // Neither drawn nor hit: painting and clicking where they would be.
        rig.Repaint();
        input::Click(rig.panel(), 15, 15);
        EXPECT_EQ(rig.Shot().Rgb(15, 15), Rgb(skins::BackgroundAt(15, 15)));
        EXPECT_TRUE(rig.commands.empty());
    }
}

} // namespace
