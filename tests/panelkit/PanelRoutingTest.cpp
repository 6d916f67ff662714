// How the panel routes real input to its widgets: press, capture and
// release, double clicks, moves and hover, the wheel, keys, popup-menu ids,
// notifications and timers.
#include "PanelTest.h"
#include "RecordingWidget.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Log = std::vector<std::string>;

using PanelRouting = PanelTest;

TEST_F(PanelRouting, TheCapturedWidgetGetsEveryMoveAndTheReleaseWhereverThePointerGoes) {
    RecordingWidget knob;
    knob.Place(20, 20, 80, 60);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(knob);
    input::MoveTo(rig.panel(), 30, 35);
    input::LeftDown();
    EXPECT_EQ(::GetCapture(), rig.panel());
    EXPECT_EQ(rig.model()->captureIndex, 0);
    // Dragged out of the panel and its host window, and released there.
    input::MoveTo(rig.panel(), -25, 300);
    EXPECT_EQ(knob.lastMove.x, -45);
    EXPECT_EQ(knob.lastMove.y, 280);
    EXPECT_EQ(knob.moveKeys, MK_LBUTTON);
    input::LeftUp();
    EXPECT_EQ(knob.log, (Log{"enter", "ldown 10,15", "lup -45,280"}));
    EXPECT_EQ(rig.model()->captureIndex, -1);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(PanelRouting, APressOutsideEveryWidgetCapturesForNobody) {
    RecordingWidget widget;
    widget.Place(20, 20, 80, 60);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(widget);
    input::MoveTo(rig.panel(), 200, 150);
    input::LeftDown();
    EXPECT_EQ(::GetCapture(), rig.panel()) << "the panel window takes the mouse";
    EXPECT_EQ(rig.model()->captureIndex, -1) << "but no widget does";
    input::MoveTo(rig.panel(), 40, 40);
    input::LeftUp();
    EXPECT_EQ(widget.log, Log{"enter"}) << "the release reaches no widget";
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(PanelRouting, TheLaterAddedOfTwoOverlappingWidgetsIsDrawnOnTopAndHit) {
    RecordingWidget below(0xFFE02020), above(0xFF20E020);
    below.Place(20, 20, 100, 100);
    above.Place(60, 60, 140, 140);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(below);
    rig.Add(above);
    rig.Repaint();
    const Capture shot = rig.Shot();
    EXPECT_EQ(shot.Rgb(80, 80), Rgb(0xFF20E020)) << "the overlap shows the later widget";
    EXPECT_EQ(shot.Rgb(30, 30), Rgb(0xFFE02020));
    EXPECT_EQ(shot.Rgb(130, 130), Rgb(0xFF20E020));
    input::Click(rig.panel(), 80, 80);
    EXPECT_EQ(above.log, (Log{"enter", "ldown 20,20", "lup 20,20"}));
    EXPECT_TRUE(below.log.empty());
    input::Click(rig.panel(), 30, 30);
    EXPECT_EQ(below.log, (Log{"enter", "ldown 10,10", "lup 10,10"}));
}

TEST_F(PanelRouting, AHiddenWidgetIsNotDrawnButTakesClicks) {
    RecordingWidget shown(0xFFE02020), hidden(0xFF2020E0);
    shown.Place(20, 20, 100, 100);
    hidden.Place(20, 20, 100, 100);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(shown);
    rig.Add(hidden);
    hidden.SetVisible(false);
    rig.Repaint();
    EXPECT_EQ(rig.Shot().Rgb(50, 50), Rgb(0xFFE02020));
    EXPECT_EQ(hidden.draws, 0);
    input::Click(rig.panel(), 50, 50);
    EXPECT_EQ(hidden.log, (Log{"enter", "ldown 30,30", "lup 30,30"}));
    EXPECT_TRUE(shown.log.empty());
}

TEST_F(PanelRouting, TheWheelReachesTheWidgetUnderThePointerWithTheUnsignedHighWord) {
    RecordingWidget first, second;
    first.Place(20, 20, 80, 60);
    second.Place(100, 20, 160, 60);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(first);
    rig.Add(second);
    input::MoveTo(rig.panel(), 110, 30);
    input::Wheel(-120);
    input::Wheel(120);
    ASSERT_EQ(second.wheelDeltas, (std::vector<int>{65416, 120}));
    EXPECT_EQ(WheelNotchDelta(second.wheelDeltas[0]), -120) << "widgets read it signed";
    EXPECT_EQ(second.lastWheel.x, 10);
    EXPECT_EQ(second.lastWheel.y, 10);
    EXPECT_TRUE(first.wheelDeltas.empty());
}

TEST_F(PanelRouting, ADoubleClickGoesToTheHitWidgetBetweenThePresses) {
    RecordingWidget widget;
    widget.Place(20, 20, 80, 60);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(widget);
    input::DoubleClick(rig.panel(), 25, 25);
    // The second release finds the capture already ended.
    EXPECT_EQ(widget.log, (Log{"enter", "ldown 5,5", "lup 5,5", "ldbl 5,5"}));
}

TEST_F(PanelRouting, TheRightButtonRoutesLikeTheLeftButLeavesTheFocus) {
    RecordingWidget widget;
    widget.Place(20, 20, 80, 60);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(widget);
    ::SetFocus(rig.host.hwnd());
    input::MoveTo(rig.panel(), 30, 30);
    input::RightDown();
    EXPECT_EQ(rig.model()->captureIndex, 0);
    input::RightUp();
    input::RightDoubleClick(rig.panel(), 30, 30);
    EXPECT_EQ(widget.log, (Log{"enter", "rdown 10,10", "rup 10,10", "rdown 10,10", "rup 10,10", "rdbl 10,10"}));
    EXPECT_EQ(::GetFocus(), rig.host.hwnd());
    input::LeftDown();
    input::LeftUp();
    EXPECT_EQ(::GetFocus(), rig.panel()) << "a left press takes the focus";
}

TEST_F(PanelRouting, HoverFollowsThePointerButNotDuringACapture) {
    Log journal;
    RecordingWidget a("a", &journal), b("b", &journal);
    a.Place(20, 20, 80, 60);
    b.Place(100, 20, 160, 60);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(a);
    rig.Add(b);
    input::MoveTo(rig.panel(), 30, 30);
    input::MoveTo(rig.panel(), 110, 30);
    input::MoveTo(rig.panel(), 200, 150);
    EXPECT_EQ(journal, (Log{"a: enter", "a: leave", "b: enter", "b: leave"}));
    EXPECT_EQ(rig.model()->hoverIndex, -1);

    journal.clear();
    input::MoveTo(rig.panel(), 30, 30);
    input::LeftDown();
    const int movesOfB = b.moves;
    input::MoveTo(rig.panel(), 110, 30);
    EXPECT_EQ(a.lastMove.x, 90) << "moves go to the captured widget only";
    EXPECT_EQ(b.moves, movesOfB);
    EXPECT_EQ(journal, (Log{"a: enter", "a: ldown 10,10"})) << "and no hover changes";
    input::LeftUp();
    EXPECT_EQ(journal[2], "a: lup 90,10");
}

TEST_F(PanelRouting, KeysReachEveryWidgetFromTheLastAddedToTheFirst) {
    Log journal;
    RecordingWidget a("a", &journal), b("b", &journal), c("c", &journal);
    a.Place(0, 0, 10, 10);
    b.Place(20, 0, 30, 10);
    c.Place(40, 0, 50, 10);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(a);
    rig.Add(b);
    rig.Add(c);
    ::SetFocus(rig.panel());
    input::Key('K');
    EXPECT_EQ(journal, (Log{"c: keydown 75", "b: keydown 75", "a: keydown 75", "c: keyup 75", "b: keyup 75",
                            "a: keyup 75"}));
}

TEST_F(PanelRouting, PopupMenuIdsGoToTheWidgetWithItsMenuOpenAndNeverToTheCallback) {
    Log journal;
    RecordingWidget first("first", &journal), second("second", &journal), closed("closed", &journal);
    first.Place(0, 0, 10, 10);
    second.Place(20, 0, 30, 10);
    closed.Place(40, 0, 50, 10);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(first);
    rig.Add(second);
    rig.Add(closed);
    first.SetMenuOpen(true);
    second.SetMenuOpen(true);
    const struct {
        int id;
        bool toCallback;
        const char* menuEntry;
    } cases[] = {
        {8506, true, nullptr},
        {8507, false, "second: menu 0"},
        {10554, false, "second: menu 2047"},
        {10555, true, nullptr},
    };
    for (const auto& c : cases) {
        journal.clear();
        rig.commands.clear();
        ::PostMessageW(rig.panel(), WM_COMMAND, static_cast<WPARAM>(c.id), 0);
        PumpMessages();
        EXPECT_EQ(rig.commands, c.toCallback ? std::vector<int>{c.id} : std::vector<int>{}) << c.id;
        EXPECT_EQ(journal, c.menuEntry != nullptr ? Log{c.menuEntry} : Log{}) << c.id;
    }
    // A press anywhere closes every menu: the next item id goes nowhere.
    input::Click(rig.panel(), 200, 150);
    EXPECT_FALSE(first.IsMenuOpen());
    EXPECT_FALSE(second.IsMenuOpen());
    journal.clear();
    rig.commands.clear();
    ::PostMessageW(rig.panel(), WM_COMMAND, 9000, 0);
    PumpMessages();
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(rig.commands.empty());
}

TEST_F(PanelRouting, AWidgetNotifiesLaterThroughThePanelAndOnlyWithAnId) {
    RecordingWidget silent, speaking, odd;
    silent.Place(0, 0, 10, 10, 0);
    speaking.Place(20, 0, 30, 10, 77);
    odd.Place(40, 0, 50, 10, 9000);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(silent);
    rig.Add(speaking);
    speaking.NotifyOwner();
    silent.NotifyOwner();
    EXPECT_TRUE(rig.commands.empty()) << "posted, not sent";
    PumpMessages();
    EXPECT_EQ(rig.commands, std::vector<int>{77});
    // An id in the popup range never reaches the callback, even from a widget.
    rig.Add(odd);
    rig.commands.clear();
    odd.NotifyOwner();
    PumpMessages();
    EXPECT_TRUE(rig.commands.empty());
}

TEST_F(PanelRouting, WindowTimersReachTheTimerCallback) {
    PanelRig rig(skins[L"BACKGROUND"]);
    ASSERT_NE(::SetTimer(rig.panel(), 5, 10, nullptr), 0u);
    for (int i = 0; i < 100 && rig.timers.empty(); ++i) PumpMessages();
    ::KillTimer(rig.panel(), 5);
    ASSERT_FALSE(rig.timers.empty());
    EXPECT_EQ(rig.timers[0], 5);
}

TEST_F(PanelRouting, A513thWidgetIsIgnored) {
    std::vector<std::unique_ptr<RecordingWidget>> widgets;
    PanelRig rig(skins[L"BACKGROUND"]);
    for (int i = 0; i < kPanelMaxWidgets + 1; ++i) {
        widgets.push_back(std::make_unique<RecordingWidget>());
        widgets.back()->Place(i % 32 * 10, i / 32 * 10, i % 32 * 10 + 10, i / 32 * 10 + 10);
        rig.Add(*widgets.back());
    }
    EXPECT_EQ(rig.model()->widgetCount, kPanelMaxWidgets);
    RecordingWidget& last = *widgets.back();
    EXPECT_EQ(last.GetOwnerWindow(), nullptr);
    EXPECT_EQ(widgets[kPanelMaxWidgets - 1]->GetOwnerWindow(), rig.panel());
    rig.Repaint();
    EXPECT_EQ(last.draws, 0);
    EXPECT_GT(widgets[kPanelMaxWidgets - 1]->draws, 0);
    const RECT r = last.GetRect();
    input::Click(rig.panel(), r.left + 5, r.top + 5);
    EXPECT_TRUE(last.log.empty());
}

TEST_F(PanelRouting, DestroyingThePanelDetachesEveryWidget) {
    RecordingWidget a, b;
    a.Place(0, 0, 10, 10, 3);
    b.Place(20, 0, 30, 10, 4);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(a);
    rig.Add(b);
    const HWND window = rig.panel();
    DestroyPanelWindow(&rig.descriptor);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(a.GetOwnerWindow(), nullptr);
    EXPECT_EQ(b.GetOwnerWindow(), nullptr);
    EXPECT_EQ(rig.descriptor.model, nullptr);
    EXPECT_EQ(rig.descriptor.window, nullptr);
    // What other threads may still call reaches no window.
    a.Invalidate();
    a.NotifyOwner();
    PumpMessages();
    EXPECT_TRUE(rig.commands.empty());
}

} // namespace
