// The screenshots people look at to judge the widgets: one panel showing
// every kind in its states, saved into the build tree's screenshots folder.
#include "Button.h"
#include "Led.h"
#include "LevelMeter.h"
#include "PanelRig.h"
#include "Toggle.h"

#include <gtest/gtest.h>

namespace {

TEST(Screenshots, ButtonsTogglesLampsAndMeters) {
    GdiplusSession gdi;
    ASSERT_TRUE(gdi.ok());
    TestSkins skins;
    PanelRig rig(skins[L"BACKGROUND"]);
    KButton normal, pressed, hover;
    ASSERT_TRUE(SetWidgetImage(skins[skins::kButton3], &normal, 1, true, 20, 20));
    ASSERT_TRUE(SetWidgetImage(skins[skins::kButton3], &pressed, 2, true, 70, 20));
    ASSERT_TRUE(SetWidgetImage(skins[skins::kButton3], &hover, 3, true, 120, 20));
    pressed.pressed = true;
    hover.hover = true;
    KToggle off, on;
    ASSERT_TRUE(KToggle::Create(&off, skins[skins::kToggle], 4, 20, 60));
    ASSERT_TRUE(KToggle::Create(&on, skins[skins::kToggle], 5, 50, 60));
    on.SetValueSilently(1.0f);
    KLED dark, lit;
    ASSERT_TRUE(KLED::Create(skins[skins::kLed], &dark, 20, 90));
    ASSERT_TRUE(KLED::Create(skins[skins::kLed], &lit, 40, 90));
    lit.SetValue(1.0f);
    KLevelMeterH meters[4];
    const float levels[4] = {-30.0f, -20.0f, -6.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(KLevelMeterH::Create(skins[skins::kMeter], &meters[i], 20, 120 + 14 * i));
        meters[i].levelDb = levels[i];
    }
    meters[3].segments = 4;
    for (KWidget* w : {static_cast<KWidget*>(&normal), static_cast<KWidget*>(&pressed), static_cast<KWidget*>(&hover),
                       static_cast<KWidget*>(&off), static_cast<KWidget*>(&on), static_cast<KWidget*>(&dark),
                       static_cast<KWidget*>(&lit)})
        rig.Add(*w);
    for (KLevelMeterH& m : meters) rig.Add(m);
    rig.Repaint();
    ASSERT_TRUE(SaveScreenshot(rig.panel(), L"panelkit-core"));
    Gdiplus::Bitmap saved(ScreenshotPath(L"panelkit-core").c_str());
    EXPECT_EQ(saved.GetWidth(), static_cast<UINT>(skins::kBackgroundWidth));
    EXPECT_EQ(CaptureBitmap(&saved).Rgb(130, 25), Rgb(skins::kButton3Colours[2]));
}

} // namespace
