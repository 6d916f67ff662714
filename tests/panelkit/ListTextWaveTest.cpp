// The list (rows, selection, scrolling, the right button, drag-out, no
// font), the text label and its edit, and the waveform view of a real zone.
#include "List.h"
#include "PanelTest.h"
#include "SampleZone.h"
#include "InputBox.h"
#include "InputBoxAnswerer.h"
#include "TempFolder.h"
#include "Text.h"
#include "WaveForm.h"
#include "WavWriter.h"

#include <memory>
#include <string>

namespace {

using ListWidget = PanelTest;
using TextWidget = PanelTest;
using WaveFormView = PanelTest;

constexpr uint32_t kHighlight = 0xFF2050D0;

struct Rows {
    explicit Rows(int count) {
        for (int i = 0; i < count; ++i) names.push_back(L"Sample " + std::to_wstring(i) + L".wav");
        for (const auto& n : names) pointers.push_back(n.c_str());
    }
    std::vector<std::wstring> names;
    std::vector<const wchar_t*> pointers;
};

// The list's row pitch at 96 dpi.
float Pitch(const KList& list) { return static_cast<float>(list.rowSpacing) + list.font->GetHeight(96.0f); }

TEST_F(ListWidget, FitsWholeRowsAndSelectsTheRowUnderAPress) {
    KList list;
    list.Create(20, 20, 200, 170, 70);
    ASSERT_NE(list.font, nullptr);
    EXPECT_TRUE(list.antialias);
    list.rowSpacing = 2;
    list.highlightColor = kHighlight;
    Rows rows(40);
    list.SetItems(rows.pointers.data(), 40);
    EXPECT_EQ(list.visibleRows, static_cast<uint32_t>(150.0f / Pitch(list)));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(list);
    const int row2 = static_cast<int>(Pitch(list) * 2 + 1);
    input::Click(rig.panel(), 40, 20 + row2);
    EXPECT_EQ(list.selectedIndex, 2);
    EXPECT_TRUE(rig.commands.empty()) << "a single press does not notify";
    EXPECT_EQ(rig.ShownAt(list, 175, row2), Rgb(kHighlight)) << "the selected row is highlighted";
    EXPECT_NE(rig.ShownAt(list, 175, static_cast<int>(Pitch(list) * 3 + 1)), Rgb(kHighlight));
    input::DoubleClick(rig.panel(), 40, 20 + row2);
    EXPECT_EQ(rig.commands, std::vector<int>{70}) << "the double click does";
    // Scrolled by the owner: the same press now means a later row.
    list.topIndex = 10;
    list.Invalidate();
    input::Click(rig.panel(), 40, 20 + row2);
    EXPECT_EQ(list.selectedIndex, 12);
    EXPECT_EQ(list.GetItem(12), L"Sample 12.wav");
    EXPECT_EQ(rig.ShownAt(list, 175, row2), Rgb(kHighlight));
}

TEST_F(ListWidget, APressBelowTheLastItemDoesNothingAndSinglePressListsNotify) {
    KList list;
    list.Create(20, 20, 200, 170, 71);
    list.activateByDoubleClick = false;
    Rows rows(3);
    list.SetItems(rows.pointers.data(), 3);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(list);
    input::Click(rig.panel(), 40, 20 + static_cast<int>(Pitch(list) * 5));
    EXPECT_EQ(list.selectedIndex, -1);
    EXPECT_TRUE(rig.commands.empty());
    input::Click(rig.panel(), 40, 22);
    EXPECT_EQ(list.selectedIndex, 0);
    EXPECT_EQ(rig.commands, std::vector<int>{71});
}

TEST_F(ListWidget, TheRightButtonSelectsAndNotifiesAtThePressAndAtTheRelease) {
    KList list;
    list.Create(20, 20, 200, 170, 72);
    Rows rows(10);
    list.SetItems(rows.pointers.data(), 10);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(list);
    input::MoveTo(rig.panel(), 40, 20 + static_cast<int>(Pitch(list) * 4 + 2));
    input::RightDown();
    EXPECT_EQ(list.selectedIndex, 4);
    EXPECT_TRUE(list.rightClicked);
    EXPECT_TRUE(list.rightButtonDown);
    EXPECT_EQ(rig.commands, std::vector<int>{72});
    input::RightUp();
    EXPECT_FALSE(list.rightButtonDown);
    EXPECT_TRUE(list.rightClicked);
    EXPECT_EQ(rig.commands, (std::vector<int>{72, 72}));
    input::Click(rig.panel(), 40, 22);
    EXPECT_FALSE(list.rightClicked) << "a left press clears it";
}

TEST_F(ListWidget, ARowDraggedOutReportsWhereItWasDropped) {
    KList list;
    list.Create(20, 20, 200, 170, 73);
    list.dragOut = true;
    Rows rows(10);
    list.SetItems(rows.pointers.data(), 10);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(list);
    input::MoveTo(rig.panel(), 40, 22);
    input::LeftDown();
    EXPECT_EQ(list.selectedIndex, 0);
    EXPECT_FALSE(list.dropped);
    input::MoveTo(rig.panel(), 260, 210);
    input::LeftUp();
    EXPECT_TRUE(list.dropped);
    EXPECT_EQ(list.GetDropPoint().x, 240);
    EXPECT_EQ(list.GetDropPoint().y, 190);
    EXPECT_EQ(rig.commands, std::vector<int>{73});
    input::DoubleClick(rig.panel(), 40, 22);
    EXPECT_FALSE(list.dropped) << "cleared by the next press";
}

// New items keep a selection only while it names one of them; a list with
// no row selected (an empty one above all) reports no double click and no
// drag, and an empty one takes no press at all.
TEST_F(ListWidget, TheSelectionFollowsTheItemsAndAnEmptyListReportsNothing) {
    const struct {
        int selected, newCount, expected;
    } cases[] = {{7, 3, -1}, {3, 3, -1}, {2, 3, 2}, {9, 10, 9}, {4, 0, -1}, {-1, 5, -1}};
    Rows rows(10);
    for (const auto& c : cases) {
        KList list;
        list.Create(20, 20, 200, 170, 75);
        list.SetItems(rows.pointers.data(), 10);
        list.selectedIndex = c.selected;
        list.SetItems(rows.pointers.data(), static_cast<uint32_t>(c.newCount));
        EXPECT_EQ(list.selectedIndex, c.expected) << "row " << c.selected << " of " << c.newCount << " new items";
    }

    KList list;
    list.Create(20, 20, 200, 170, 76);
    list.dragOut = true;
    list.SetItems(rows.pointers.data(), 10);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(list);
    const int row4 = 20 + static_cast<int>(Pitch(list) * 4 + 2);
    input::MoveTo(rig.panel(), 40, row4);
    input::RightDown(); // an audition starts on row 4 ...
    ASSERT_EQ(rig.commands, std::vector<int>{76});
    list.SetItems(nullptr, 0); // ... and the rows go while it is held
    input::RightUp();
    EXPECT_EQ(rig.commands, (std::vector<int>{76, 76})) << "the release still ends it";
    EXPECT_FALSE(list.rightButtonDown);
    rig.commands.clear();

    input::DoubleClick(rig.panel(), 40, row4);
    input::ForgetClicks();
    input::MoveTo(rig.panel(), 40, 22);
    input::LeftDown();
    input::MoveTo(rig.panel(), 260, 210);
    input::LeftUp();
    input::MoveTo(rig.panel(), 40, 22);
    input::RightDown();
    EXPECT_TRUE(rig.commands.empty()) << "no double click, drag or right press of an empty list";
    EXPECT_FALSE(list.dropped);
    EXPECT_FALSE(list.rightButtonDown);
    EXPECT_EQ(list.selectedIndex, -1);
    input::RightUp();
    rig.commands.clear();

    // Rows again, none selected: a double click or drag that starts below
    // them selects nothing and reports nothing.
    list.SetItems(rows.pointers.data(), 3);
    const int below = 20 + static_cast<int>(Pitch(list) * 6);
    input::DoubleClick(rig.panel(), 40, below);
    input::ForgetClicks();
    input::MoveTo(rig.panel(), 40, below);
    input::LeftDown();
    input::MoveTo(rig.panel(), 260, 210);
    input::LeftUp();
    EXPECT_TRUE(rig.commands.empty());
    EXPECT_EQ(list.selectedIndex, -1);
}

TEST_F(ListWidget, CountsAndIndicesAreBoundedAndAListWithoutAFontIsEmpty) {
    KList list;
    list.Create(20, 20, 200, 170, 74);
    Rows many(KList::kMaxItems + 10);
    list.SetItems(many.pointers.data(), static_cast<uint32_t>(many.names.size()));
    EXPECT_EQ(list.itemCount, KList::kMaxItems);
    list.SetItem(static_cast<int>(KList::kMaxItems), L"beyond");
    list.SetItem(-1, L"before");
    list.SetItem(5, L"five");
    EXPECT_EQ(list.GetItem(5), L"five");
    EXPECT_EQ(list.GetItem(-1), L"");
    EXPECT_EQ(list.GetItem(static_cast<int>(KList::kMaxItems)), L"");
    // The font could not be made: no row height, so no rows at all.
    delete list.font;
    list.font = nullptr;
    list.UpdateRowCount();
    EXPECT_EQ(list.visibleRows, 0u);
    EXPECT_EQ(list.RowAt(30), -1);
    list.topIndex = -3; // an owner scrolled too far
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(list);
    rig.Repaint();
    input::Click(rig.panel(), 40, 30);
    input::MoveTo(rig.panel(), 40, 30);
    input::RightDown();
    input::RightUp();
    EXPECT_EQ(list.selectedIndex, -1);
    EXPECT_EQ(rig.Shot().Rgb(40, 30), Rgb(skins::BackgroundAt(40, 30)));
}

// Pixels of the rectangle that differ from the background: ink.
int Ink(const Capture& shot, const RECT& r) {
    int ink = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) ink += shot.Rgb(x, y) != Rgb(skins::BackgroundAt(x, y));
    return ink;
}

TEST_F(TextWidget, DrawsItsTextAndEditsItOnADoubleClickUnlessReadOnly) {
    KText name, fixed;
    ASSERT_TRUE(name.Create(L"Grand Piano", 80, false, true, 20, 20, 220, 40));
    ASSERT_TRUE(fixed.Create(20, 60, 220, 80, L"Read only", 81, true, false));
    name.textColor = fixed.textColor = 0xFFFFFFFF;
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(name);
    rig.Add(fixed);
    rig.Repaint();
    EXPECT_GT(Ink(rig.Shot(), {20, 20, 220, 40}), 30) << "the text is drawn";
    EXPECT_GT(Ink(rig.Shot(), {20, 60, 220, 80}), 30);

    {
        InputBoxAnswerer user(IDCANCEL, L"ignored");
        input::DoubleClick(rig.panel(), 30, 25);
        EXPECT_EQ(user.Prompts(), std::vector<std::wstring>{L"Please Input New Text"});
        EXPECT_EQ(user.Initials(), std::vector<std::wstring>{L"Grand Piano"}) << "the box starts with the text";
        EXPECT_EQ(name.GetText(), L"Grand Piano") << "cancelled";
        EXPECT_TRUE(rig.commands.empty());
    }
    {
        InputBoxAnswerer user(IDOK, L"Upright");
        input::DoubleClick(rig.panel(), 30, 25);
        EXPECT_EQ(name.GetText(), L"Upright");
        EXPECT_EQ(rig.commands, std::vector<int>{80});
    }
    {
        InputBoxAnswerer user(IDOK, L"changed");
        input::DoubleClick(rig.panel(), 30, 65);
        EXPECT_EQ(fixed.GetText(), L"Read only");
        EXPECT_TRUE(user.Prompts().empty()) << "a read-only text asks nothing";
    }
}

TEST_F(TextWidget, ALongTextIsEditedWithinTheBoxsBuffer) {
    KText name;
    const std::wstring longText(300, L'a');
    ASSERT_TRUE(name.Create(longText.c_str(), 82, false, true, 20, 20, 220, 40));
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(name);
    InputBoxAnswerer user(IDOK, L"", true);
    input::DoubleClick(rig.panel(), 30, 25);
    ASSERT_EQ(user.Initials().size(), 1u);
    EXPECT_EQ(user.Initials()[0].size(), kInputBoxChars - 1);
    EXPECT_EQ(name.GetText(), longText.substr(0, kInputBoxChars - 1));
}

class WaveZone : public WaveFormView {
protected:
    // A square wave of 4 periods, +0.5 then -0.5, in a 16-bit mono WAV.
    void SetUp() override {
        WaveFormView::SetUp();
        const int64_t frames = 617 * 40;
        const std::wstring path = folder.File(L"square.wav");
        ASSERT_TRUE(WriteBytes(path, WavWriter(1, 16).Generate(frames, [&](int64_t i, int) {
            return (i / (frames / 8)) % 2 == 0 ? 16384 : -16384;
        }).Build()));
        zone = std::make_unique<KSampleZone>(path.c_str(), &buffer, nullptr, 0);
        ASSERT_TRUE(zone->isOpen);
        zone->BuildOverview();
    }

    TempFolder folder;
    KReadBuffer buffer;
    std::unique_ptr<KSampleZone> zone;
};

TEST_F(WaveZone, ASquareWaveShowsItsTwoLevels) {
    KWaveForm view;
    ASSERT_TRUE(view.Create(0, 40, 460, 140, 0xFF00FF80, 0xFFFF4040, 0x8080FFFF));
    view.overviewSource = &zone->overview;
    view.lastColumn = 616;
    view.markerStart = 100;
    view.markerEnd = 401;
    PanelRig rig(skins[L"BIGPANEL"]);
    rig.Add(view);
    rig.Repaint();
    const Capture shot = rig.Shot();
    const uint32_t wave = 0x00FF80;
    // h = 100: +0.5 spans y 25 (its top) and -0.5 reaches y 74 (its bottom).
    const int high = 40 + 25, low = 40 + 74;
    EXPECT_EQ(shot.Rgb(30, high), wave) << "first half period: high";
    EXPECT_NE(shot.Rgb(30, low), wave);
    EXPECT_EQ(shot.Rgb(110, low), wave) << "second half period: low";
    EXPECT_NE(shot.Rgb(110, high), wave);
    EXPECT_NE(shot.Rgb(30, 40 + 10), wave) << "nothing above the level";
    EXPECT_NE(shot.Rgb(110, 40 + 90), wave) << "nothing below";
    EXPECT_EQ(shot.Rgb(100, 40 + 5), 0xFF4040u) << "start marker";
    EXPECT_EQ(shot.Rgb(400, 40 + 95), 0xFF4040u) << "end marker, one left of its end";
}

TEST_F(WaveZone, TheViewStopsAtItsLastColumnAndDrawsNothingWithoutAnOverview) {
    KWaveForm view;
    ASSERT_TRUE(view.Create(0, 40, 460, 140, 0xFF00FF80, 0xFFFF4040, 0xFF4040FF));
    float* none = nullptr;
    view.overviewSource = &none;
    view.markerStart = 100;
    view.markerEnd = 200;
    PanelRig rig(skins[L"BIGPANEL"]);
    rig.Add(view);
    rig.Repaint();
    EXPECT_TRUE(rig.Shot().Filled({0, 40, 460, 140}, skins::kBigColour)) << "not even the markers";
    view.overviewSource = nullptr;
    rig.Repaint();
    EXPECT_TRUE(rig.Shot().Filled({0, 40, 460, 140}, skins::kBigColour));

    view.overviewSource = &zone->overview;
    view.lastColumn = 50;
    view.showSelection = true;
    view.selectionLeft = 300;
    view.selectionRight = 341;
    rig.Repaint();
    const Capture shot = rig.Shot();
    EXPECT_EQ(shot.Rgb(50, 65), 0x00FF80u);
    EXPECT_EQ(shot.Rgb(51, 65), Rgb(skins::kBigColour)) << "columns after the last are not drawn";
    EXPECT_TRUE(shot.Filled({300, 40, 339, 138}, 0xFF4040FF)) << "the selection";
    EXPECT_EQ(shot.Rgb(340, 60), Rgb(skins::kBigColour));
}

} // namespace
