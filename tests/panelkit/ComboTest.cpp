// The combo under real input: its popup menu (columns of 30, the current
// item checked and disabled), choosing an item through the panel, cancelling,
// and indices out of range.
#include "Combo.h"
#include "PanelFont.h"
#include "PanelTest.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace {

// Works the popup menu that the main thread's TrackPopupMenu shows, from a
// second thread: waits for it, reads its items, then clicks one or escapes.
class MenuDriver {
public:
    struct Item {
        RECT rect;
        UINT state;
    };
    // choose: the item to click, or -1 to close the menu with Escape.
    explicit MenuDriver(int choose) : thread_([this, choose] { Drive(choose); }) {}
    ~MenuDriver() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

    std::vector<Item> items;
    std::atomic<bool> found{false};

private:
    static BOOL CALLBACK FindMenu(HWND window, LPARAM context) {
        wchar_t name[16] = {};
        ::GetClassNameW(window, name, 16);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process != ::GetCurrentProcessId() || lstrcmpW(name, L"#32768") != 0 || !::IsWindowVisible(window))
            return TRUE;
        *reinterpret_cast<HWND*>(context) = window;
        return FALSE;
    }

    void Drive(int choose) {
        HWND menuWindow = nullptr;
        for (int i = 0; i < 500 && menuWindow == nullptr; ++i) {
            ::EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&menuWindow));
            if (menuWindow == nullptr) ::Sleep(10);
        }
        if (menuWindow == nullptr) return;
        const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        const int count = ::GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            Item item = {};
            ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &item.rect);
            item.state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            items.push_back(item);
        }
        found = true;
        INPUT events[2] = {};
        if (choose >= 0 && choose < count) {
            const RECT& r = items[static_cast<size_t>(choose)].rect;
            ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            ::Sleep(30);
            events[0].type = events[1].type = INPUT_MOUSE;
            events[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            events[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        } else {
            events[0].type = events[1].type = INPUT_KEYBOARD;
            events[0].ki.wVk = events[1].ki.wVk = VK_ESCAPE;
            events[1].ki.dwFlags = KEYEVENTF_KEYUP;
        }
        ::SendInput(2, events, sizeof events[0]);
    }

    std::thread thread_;
};

class ComboTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        font.reset(CreatePanelFont());
        ASSERT_NE(font, nullptr);
        for (int i = 0; i < 65; ++i) names.push_back(L"Item " + std::to_wstring(i));
        for (const std::wstring& n : names) pointers.push_back(n.c_str());
    }
    // A press on the combo's arrow, with a driver working the menu.
    void OpenAndDrive(PanelRig& rig, KCombo& combo, MenuDriver& driver) {
        const RECT r = combo.GetRect();
        input::Click(rig.panel(), r.right - 5, r.top + combo.height / 2);
        driver.Join();
        PumpMessages();
    }

    std::unique_ptr<Gdiplus::Font> font;
    std::vector<std::wstring> names;
    std::vector<const wchar_t*> pointers;
};

TEST_F(ComboTest, IsSizedByItsFont) {
    KCombo combo;
    EXPECT_FALSE(combo.Create(135, 0xFF202020, 0xFFFFFFFF, 0xFF000000, 0xFFC0C0C0, 0xFF000000, 60, 10, 10, nullptr));
    ASSERT_TRUE(combo.Create(135, 0xFF202020, 0xFFFFFFFF, 0xFF000000, 0xFFC0C0C0, 0xFF000000, 60, 10, 10, font.get()));
    const int h = static_cast<int>(font->GetHeight(96.0f) + 4.0f);
    EXPECT_EQ(combo.height, h);
    EXPECT_EQ(combo.arrowWidth, static_cast<uint32_t>(h / 4 * 2));
    const int e = static_cast<int>(combo.arrowWidth);
    EXPECT_EQ(combo.arrow[0].x, 135 - e - 3);
    EXPECT_EQ(combo.arrow[2].x, 135 - e / 2 - 3);
    EXPECT_EQ(combo.arrow[2].y, h - 4);
    const RECT r = combo.GetRect();
    EXPECT_EQ(r.right - r.left, 135);
    EXPECT_EQ(r.bottom - r.top, h);
}

TEST_F(ComboTest, ItsMenuHasColumnsOf30AndTheCurrentItemCheckedAndDisabled) {
    KCombo combo;
    ASSERT_TRUE(combo.Create(135, 0xFF202020, 0xFFFFFFFF, 0xFF000000, 0xFFC0C0C0, 0xFF000000, 60, 20, 20, font.get()));
    combo.SetItems(pointers.data(), 65);
    combo.selectedIndex = 3;
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(combo);
    MenuDriver driver(-1);
    OpenAndDrive(rig, combo, driver);
    ASSERT_TRUE(driver.found.load()) << "the menu opened";
    ASSERT_EQ(driver.items.size(), 65u);
    const auto& items = driver.items;
    EXPECT_EQ(items[29].rect.left, items[0].rect.left) << "one column for items 0-29";
    EXPECT_GT(items[29].rect.top, items[0].rect.top);
    EXPECT_GT(items[30].rect.left, items[0].rect.left) << "item 30 starts the second column";
    EXPECT_EQ(items[30].rect.top, items[0].rect.top);
    EXPECT_GT(items[60].rect.left, items[30].rect.left) << "item 60 the third";
    EXPECT_EQ(items[64].rect.left, items[60].rect.left);
    EXPECT_TRUE(items[3].state & MF_CHECKED);
    EXPECT_TRUE(items[3].state & MF_DISABLED);
    EXPECT_FALSE(items[4].state & (MF_CHECKED | MF_DISABLED));
    // Escaped: nothing is sent, and the menu counts as open until the next
    // press on the panel.
    EXPECT_TRUE(rig.commands.empty());
    EXPECT_EQ(combo.selectedIndex, 3);
    EXPECT_TRUE(combo.IsMenuOpen());
    input::Click(rig.panel(), 250, 200);
    EXPECT_FALSE(combo.IsMenuOpen());
}

TEST_F(ComboTest, AnItemChosenInTheMenuIsSelectedShownAndNotified) {
    KCombo combo;
    ASSERT_TRUE(combo.Create(135, 0xFF202020, 0xFFFFFFFF, 0xFF000000, 0xFFC0C0C0, 0xFF000000, 60, 20, 20, font.get()));
    combo.SetItems(pointers.data(), 65);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(combo);
    rig.Repaint();
    const Capture before = rig.Shot();
    MenuDriver driver(42);
    OpenAndDrive(rig, combo, driver);
    ASSERT_TRUE(driver.found.load());
    EXPECT_EQ(combo.selectedIndex, 42);
    EXPECT_EQ(rig.commands, std::vector<int>{60});
    // The menu counts as open until the next press on the panel; a menu
    // item's command after that reaches no widget.
    EXPECT_TRUE(combo.IsMenuOpen());
    input::Click(rig.panel(), 250, 200);
    EXPECT_FALSE(combo.IsMenuOpen());
    ::SendMessageW(rig.panel(), WM_COMMAND, kPopupMenuFirstId + 7, 0);
    EXPECT_EQ(combo.selectedIndex, 42);
    EXPECT_EQ(rig.commands, std::vector<int>{60});
    // The face now shows the item's text.
    const Capture after = rig.Shot();
    int changed = 0;
    for (int y = 21; y < 20 + combo.height - 1; ++y)
        for (int x = 23; x < 100; ++x) changed += after.Rgb(x, y) != before.Rgb(x, y);
    EXPECT_GT(changed, 20);
}

TEST_F(ComboTest, APressLeftOfTheArrowOpensNothing) {
    KCombo combo;
    ASSERT_TRUE(combo.Create(135, 0xFF202020, 0xFFFFFFFF, 0xFF000000, 0xFFC0C0C0, 0xFF000000, 60, 20, 20, font.get()));
    combo.SetItems(pointers.data(), 5);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(combo);
    input::Click(rig.panel(), 20 + 135 - static_cast<int>(combo.arrowWidth) - 3, 25);
    EXPECT_FALSE(combo.IsMenuOpen());
    EXPECT_TRUE(rig.commands.empty());
}

TEST_F(ComboTest, IndicesAndCountsOutOfRangeSelectNothingButStillNotify) {
    KCombo combo;
    ASSERT_TRUE(combo.Create(135, 0xFF202020, 0xFFFFFFFF, 0xFF000000, 0xFFC0C0C0, 0xFF000000, 60, 20, 20, font.get()));
    std::vector<std::wstring> many(KCombo::kMaxItems + 5, L"x");
    std::vector<const wchar_t*> manyPointers;
    for (const auto& m : many) manyPointers.push_back(m.c_str());
    combo.SetItems(manyPointers.data(), static_cast<uint32_t>(many.size()));
    EXPECT_EQ(combo.itemCount, KCombo::kMaxItems) << "bounded by the capacity";
    combo.SetItems(pointers.data(), 5);
    PanelRig rig(skins[L"BACKGROUND"]);
    rig.Add(combo);
    combo.SetSelection(2);
    for (int bad : {5, -1, -2, 100000}) {
        combo.SetSelection(bad);
        combo.OnMenuCommand(bad);
    }
    PumpMessages();
    EXPECT_EQ(combo.selectedIndex, 2);
    EXPECT_EQ(CountOf(rig.commands, 60), 9);
    rig.Repaint(); // draws with the kept selection
}

} // namespace
