// The screenshot people look at to judge the widgets: every kind on one
// panel, drawn with a real skin (the SHOW_ images) and in its states, saved
// into the build tree's screenshots folder.
#include "Button.h"
#include "Combo.h"
#include "Digit.h"
#include "Fader.h"
#include "Knob.h"
#include "Led.h"
#include "LevelMeter.h"
#include "List.h"
#include "PanelFont.h"
#include "PanelRig.h"
#include "Text.h"
#include "Toggle.h"
#include "WaveForm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr uint32_t kLabel = 0xFF9AA3AC, kAccent = 0xFFFF9A2E;

TEST(Screenshots, EveryWidgetKind) {
    GdiplusSession gdi;
    ASSERT_TRUE(gdi.ok());
    TestSkins skins;
    ASSERT_NE(skins[L"SHOW_BACKGROUND"], nullptr);
    std::unique_ptr<Gdiplus::Font> font(CreatePanelFont());
    ASSERT_NE(font, nullptr);

    KText captions[6];
    const struct {
        const wchar_t* text;
        int x, y;
    } places[] = {{L"KNOBS", 18, 14}, {L"DIGITS", 18, 108}, {L"BUTTONS, TOGGLES, LIGHTS", 18, 158},
                  {L"METERS", 18, 222}, {L"PRESET", 280, 14}, {L"WAVEFORM", 280, 182}};
    for (int i = 0; i < 6; ++i) {
        captions[i].Create(places[i].text, 0, true, true, places[i].x, places[i].y, places[i].x + 180, places[i].y + 16);
        captions[i].textColor = kLabel;
    }
    KKnob knobs[4];
    const float knobValues[4] = {0.0f, 35.0f, 70.0f, 100.0f};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(knobs[i].Create(skins[L"SHOW_KNOB"], 22 + 50 * i, 36, 1, 61));
        knobs[i].SetValue(knobValues[i]);
    }
    KFader fader;
    ASSERT_TRUE(fader.Create(skins[L"SHOW_THUMB"], skins::kShowFaderX, skins::kShowFaderY));
    fader.SetValue(72.0f);
    KDigit digits[3];
    const float digitValues[3] = {-5.0f, 42.0f, 127.0f};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(digits[i].Create(skins[L"SHOW_DIGITS"], 22 + 60 * i, 128, 4, false, 0, i == 1));
        digits[i].SetRange(999, -999);
        digits[i].SetValue(digitValues[i]);
    }
    KButton buttons[3];
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(SetWidgetImage(skins[L"SHOW_BUTTON"], &buttons[i], 0, true, 22 + 68 * i, 178));
    buttons[1].pressed = true;
    buttons[2].hover = true;
    KToggle toggles[2];
    KLED leds[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(KToggle::Create(&toggles[i], skins[L"SHOW_TOGGLE"], 0, 22 + 48 * i, 204));
        ASSERT_TRUE(KLED::Create(skins[L"SHOW_LED"], &leds[i], 124 + 22 * i, 207));
    }
    toggles[1].SetValueSilently(1.0f);
    leds[1].SetValue(1.0f);
    KLevelMeterH meters[3];
    const float levels[3] = {-24.0f, -9.0f, -1.0f};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(KLevelMeterH::Create(skins[L"SHOW_METER"], &meters[i], 22, 242 + 12 * i));
        meters[i].levelDb = levels[i];
        meters[i].segments = 29;
    }
    KCombo combo;
    ASSERT_TRUE(combo.Create(140, 0xFF0F1215, 0xFF3A4148, 0xFF050607, 0xFFE6E9EC, kAccent, 0, 280, 30, font.get()));
    const wchar_t* presets[] = {L"Grand Piano", L"Warm Strings", L"Choir Aahs"};
    combo.SetItems(presets, 3);
    combo.selectedIndex = 0;
    KList list;
    list.Create(282, 54, 418, 170, 0);
    list.textColor = 0xFFD8DDE2;
    list.highlightColor = 0xFF8A4A12;
    list.rowSpacing = 2;
    const wchar_t* samples[] = {L"Piano C1.wav", L"Piano F1.wav", L"Piano C2.wav", L"Piano F2.wav",
                                L"Piano C3.wav", L"Piano F3.wav", L"Piano C4.wav", L"Piano F4.wav"};
    list.SetItems(samples, 8);
    list.selectedIndex = 2;
    KWaveForm wave;
    ASSERT_TRUE(wave.Create(282, 202, 418, 268, 0xFF59D98E, kAccent, 0x40FF9A2E));
    // A decaying tone, as a zone's overview holds it.
    std::vector<float> overview(2 * KWaveForm::kOverviewColumns);
    for (int c = 0; c < KWaveForm::kOverviewColumns; ++c) {
        const float envelope = std::exp(-c / 40.0f) * 0.95f;
        const float wobble = 0.8f + 0.2f * std::sin(c * 0.7f);
        overview[2 * c] = envelope * wobble;
        overview[2 * c + 1] = -envelope * wobble;
    }
    float* source = overview.data();
    wave.overviewSource = &source;
    wave.lastColumn = KWaveForm::kOverviewColumns - 1;
    wave.markerStart = 8;
    wave.markerEnd = 120;
    wave.showSelection = true;
    wave.selectionLeft = 40;
    wave.selectionRight = 90;

    PanelRig rig(skins[L"SHOW_BACKGROUND"]);
    for (KText& t : captions) rig.Add(t);
    for (KKnob& k : knobs) rig.Add(k);
    rig.Add(fader);
    for (KDigit& d : digits) rig.Add(d);
    for (KButton& b : buttons) rig.Add(b);
    for (KToggle& t : toggles) rig.Add(t);
    for (KLED& l : leds) rig.Add(l);
    for (KLevelMeterH& m : meters) rig.Add(m);
    rig.Add(combo);
    rig.Add(list);
    rig.Add(wave);
    rig.Repaint();
    ASSERT_TRUE(SaveScreenshot(rig.panel(), L"panelkit-widgets"));
    Gdiplus::Bitmap saved(ScreenshotPath(L"panelkit-widgets").c_str());
    EXPECT_EQ(saved.GetWidth(), skins[L"SHOW_BACKGROUND"]->GetWidth());
    EXPECT_EQ(CaptureBitmap(&saved).Rgb(410, 54 + 2 * static_cast<int>(list.font->GetHeight(96.0f) + 2) + 3),
              Rgb(0xFF8A4A12))
        << "the selected row, as saved";
}

} // namespace
