// The digit display: the glyphs a value shows, drags that notify only at the
// release, the wheel by cell or by step, locking, reset and type-in.
#include "Digit.h"
#include "PanelTest.h"
#include "InputBox.h"
#include "InputBoxAnswerer.h"

#include <string>

namespace {

using DigitDisplay = PanelTest;

// The glyph codes a display shows, left to right: -1 blank, 0-9, 10 minus,
// 11 plus, read back from the screen by colour.
std::vector<int> ShownGlyphs(PanelRig& rig, KDigit& digit) {
    const Capture shot = rig.Shot();
    const RECT r = digit.GetRect();
    std::vector<int> shown;
    for (uint32_t cell = 0; cell < digit.cells; ++cell) {
        const uint32_t colour = shot.Rgb(r.left + static_cast<int>(cell * digit.glyphWidth) + 3, r.top + 5);
        int code = -100;
        for (int g = 0; g < 13; ++g)
            if (Rgb(skins::kDigitsColours[g]) == colour) code = g - 1;
        shown.push_back(code);
    }
    return shown;
}

constexpr int B = -1, MINUS = 10, PLUS = 11;

TEST_F(DigitDisplay, ShowsSignedClampedValuesRightAligned) {
    KDigit digit, plus;
    ASSERT_TRUE(digit.Create(skins[skins::kDigits], 20, 20, 3, false, 40, false));
    ASSERT_TRUE(plus.Create(skins[skins::kDigits], 20, 50, 3, false, 41, true));
    EXPECT_EQ(digit.glyphWidth, 7u);
    const RECT r = digit.GetRect();
    EXPECT_EQ(r.right - r.left, 21);
    EXPECT_EQ(r.bottom - r.top, 11);
    digit.SetRange(99, -99);
    plus.SetRange(99, -99);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(digit);
    rig.Add(plus);
    const struct {
        float value;
        std::vector<int> plain, signedPlus;
    } cases[] = {
        {-5.0f, {B, MINUS, 5}, {B, MINUS, 5}},
        {42.0f, {B, 4, 2}, {PLUS, 4, 2}},
        {7.9f, {B, B, 7}, {B, PLUS, 7}},
        {0.5f, {B, B, 0}, {B, B, 0}},
        {-0.5f, {B, B, 0}, {B, B, 0}},
        {0.95f, {B, B, 0}, {B, B, 0}},
        {0.0f, {B, B, 0}, {B, B, 0}},
        {150.0f, {B, 9, 9}, {PLUS, 9, 9}},
        {-150.0f, {MINUS, 9, 9}, {MINUS, 9, 9}},
    };
    for (const auto& c : cases) {
        digit.SetValue(c.value);
        plus.SetValue(c.value);
        PumpMessages();
        EXPECT_EQ(ShownGlyphs(rig, digit), c.plain) << c.value;
        EXPECT_EQ(ShownGlyphs(rig, plus), c.signedPlus) << c.value;
    }
    EXPECT_EQ(digit.GetValue(), -99.0f) << "the clamped value is kept";
}

TEST_F(DigitDisplay, MoreGlyphsThanCellsShowWhatFits) {
    KDigit narrow;
    ASSERT_TRUE(narrow.Create(skins[skins::kDigits], 20, 20, 2, false, 40, false));
    narrow.SetRange(99999, -99999);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(narrow);
    narrow.SetValue(-1234.0f);
    PumpMessages();
    EXPECT_EQ(narrow.glyphCount, 5u);
    EXPECT_EQ(ShownGlyphs(rig, narrow), (std::vector<int>{3, 4}));
    EXPECT_EQ(rig.Shot().Rgb(20 + 14, 25), Rgb(skins::BackgroundAt(34, 25))) << "nothing drawn past the cells";
}

TEST(KDigit, RangeAndResetValueAreTakenOnlyWhenTheyMakeSense) {
    KDigit digit;
    EXPECT_EQ(digit.maximum, 9);
    EXPECT_EQ(digit.minimum, 0);
    digit.SetRange(5, 5);
    EXPECT_EQ(digit.maximum, 9) << "an empty range is refused";
    digit.SetRange(20, 10);
    EXPECT_EQ(digit.GetValue(), 10.0f);
    EXPECT_EQ(digit.resetValue, 10);
    digit.SetResetValue(30);
    EXPECT_EQ(digit.resetValue, 10);
    digit.SetResetValue(15);
    EXPECT_EQ(digit.resetValue, 15);
}

TEST_F(DigitDisplay, ADragChangesTheValueSilentlyAndTheReleaseNotifiesOnce) {
    KDigit digit;
    ASSERT_TRUE(digit.Create(skins[skins::kDigits], 100, 100, 3, false, 40, false));
    digit.SetRange(99, -99);
    digit.SetValue(0.0f);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(digit);
    PumpMessages();
    rig.commands.clear();
    input::MoveTo(rig.panel(), 105, 105);
    input::LeftDown();
    for (int i = 1; i <= 5; ++i) input::MoveTo(rig.panel(), 105, 105 - 20 * i);
    EXPECT_FLOAT_EQ(digit.GetValue(), 99.0f) << "100 of 200 pixels over a range of 198";
    EXPECT_TRUE(rig.commands.empty()) << "no notification while dragging";
    EXPECT_EQ(ShownGlyphs(rig, digit), (std::vector<int>{B, 9, 9}));
    input::LeftUp();
    EXPECT_EQ(rig.commands, std::vector<int>{40});
    // Sideways with its own drag length.
    digit.SetVerticalDrag(false);
    digit.SetDragParams(1, 99.0f);
    input::MoveTo(rig.panel(), 105, 105);
    input::LeftDown();
    input::MoveTo(rig.panel(), 105 - 50, 105);
    input::LeftUp();
    EXPECT_NEAR(digit.GetValue(), -1.0f, 1e-4f) << "50 of 99 pixels to the left";
}

TEST_F(DigitDisplay, TheWheelStepsTheCellUnderThePointerOrByItsStep) {
    KDigit typed, stepped;
    ASSERT_TRUE(typed.Create(skins[skins::kDigits], 100, 100, 3, false, 40, false));
    ASSERT_TRUE(stepped.Create(skins[skins::kDigits], 100, 140, 3, false, 41, false));
    typed.SetRange(999, -999);
    typed.SetTypeIn(true);
    typed.SetValue(0.0f);
    stepped.SetRange(999, -999);
    stepped.SetDragParams(5, 200.0f);
    stepped.SetValue(0.0f);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(typed);
    rig.Add(stepped);
    const struct {
        int x;
        int delta;
        float typedAfter;
    } notches[] = {
        {100 + 10, 120, 10.0f},   // middle cell: tens
        {100 + 18, 120, 11.0f},   // rightmost: units
        {100 + 2, 120, 111.0f},   // leftmost: hundreds
        {100 + 10, -120, 101.0f}, // down
    };
    for (const auto& n : notches) {
        input::MoveTo(rig.panel(), n.x, 105);
        input::Wheel(n.delta);
        EXPECT_EQ(typed.GetValue(), n.typedAfter) << n.x;
    }
    input::MoveTo(rig.panel(), 110, 145);
    input::Wheel(120);
    input::Wheel(120);
    input::Wheel(-120);
    EXPECT_EQ(stepped.GetValue(), 5.0f);
    EXPECT_EQ(CountOf(rig.commands, 40), 4);
    EXPECT_EQ(CountOf(rig.commands, 41), 3);
}

TEST_F(DigitDisplay, ALockedDigitIgnoresDragsAndTheWheelButNotifiesAndResets) {
    KDigit locked;
    ASSERT_TRUE(locked.Create(skins[skins::kDigits], 100, 100, 3, true, 42, false));
    locked.SetRange(99, -99);
    locked.SetResetValue(7);
    locked.SetValue(20.0f);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(locked);
    PumpMessages();
    rig.commands.clear();
    input::MoveTo(rig.panel(), 105, 105);
    input::LeftDown();
    input::MoveTo(rig.panel(), 105, 40);
    input::LeftUp();
    input::MoveTo(rig.panel(), 105, 105);
    input::Wheel(120);
    EXPECT_EQ(locked.GetValue(), 20.0f);
    EXPECT_EQ(rig.commands, std::vector<int>{42}) << "the release still notifies";
    input::DoubleClick(rig.panel(), 105, 105);
    EXPECT_EQ(locked.GetValue(), 7.0f) << "the double click resets";
}

TEST_F(DigitDisplay, TypeInReadsTheNumberAtTheStartOfTheAnswer) {
    KDigit digit;
    ASSERT_TRUE(digit.Create(skins[skins::kDigits], 100, 100, 3, false, 43, false));
    digit.SetRange(99, -20);
    digit.SetTypeIn(true);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(digit);
    const struct {
        int button;
        const wchar_t* typed;
        float after;
        bool notifies;
    } answers[] = {
        {IDOK, L"42abc", 42.0f, true},
        {IDOK, L"  -7", -7.0f, true},
        {IDOK, L"5000", 99.0f, true},
        {IDOK, L"abc", 0.0f, true},     // no number: 0
        {IDCANCEL, L"13", 0.0f, false}, // cancelled
    };
    for (const auto& a : answers) {
        InputBoxAnswerer user(a.button, a.typed);
        const std::wstring shownBefore = std::to_wstring(static_cast<int>(digit.GetValue()));
        rig.commands.clear();
        input::DoubleClick(rig.panel(), 105, 105);
        EXPECT_EQ(user.Prompts(), std::vector<std::wstring>{L"Please Input New Value (-20 to 99)"}) << a.typed;
        EXPECT_EQ(user.Initials(), std::vector<std::wstring>{shownBefore});
        EXPECT_EQ(digit.GetValue(), a.after) << a.typed;
        // The first click's release notifies in every case.
        EXPECT_EQ(CountOf(rig.commands, 43), a.notifies ? 2 : 1) << a.typed;
    }
    // Into a range above zero, text without a number is clamped up.
    digit.SetRange(20, 10);
    InputBoxAnswerer user(IDOK, L"x");
    input::DoubleClick(rig.panel(), 105, 105);
    EXPECT_EQ(digit.GetValue(), 10.0f);
}

} // namespace
