// Panel dialogs under real input: each object gets its own messages, the
// parent's top-level window is disabled while one is up, and a subclass's
// panel is what the dialog shows.
#include "Button.h"
#include "Dialog.h"
#include "PanelTest.h"

#include "DialogFinder.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

// A dialog whose panel is the test background with one button that ends it
// with OK; it notes its closes and, once up, can run another dialog from a
// panel timer (a dialog opened from a dialog).
class PanelDialog : public KDialog {
public:
    PanelDialog(std::wstring title, Gdiplus::Bitmap* background, Gdiplus::Bitmap* buttonImage,
                std::vector<std::pair<PanelDialog*, HWND>>* closes)
        : title_(std::move(title)), background_(background), buttonImage_(buttonImage), closes_(closes) {}
    ~PanelDialog() override { DestroyPanelWindow(&panel); }

    void OnInitDialog() override {
        panel.commandCallback = Command;
        panel.timerCallback = Timer;
        panel.callbackContext = this;
        CreatePanelWindow(&panel, ::GetModuleHandleW(nullptr), DialogWindow(), background_);
        SetWidgetImage(buttonImage_, &ok, kOkId, false, 20, 20);
        AddWidget(panel.model, &ok);
        ::GetWindowRect(DialogWindow(), &placed);
        SizeClientArea(static_cast<int>(background_->GetWidth()), static_cast<int>(background_->GetHeight()));
        ::SetWindowTextW(DialogWindow(), title_.c_str());
        if (inner != nullptr) ::SetTimer(panel.window, kOpenInnerTimer, 10, nullptr);
    }
    void OnClose() override {
        closes_->push_back({this, DialogWindow()});
        KDialog::OnClose();
    }

    static constexpr int kOkId = 5;
    static constexpr UINT_PTR kOpenInnerTimer = 77;
    PanelDescriptor panel = {};
    KButton ok;
    PanelDialog* inner = nullptr; // run from this one once it is up
    RECT placed = {};             // where the dialog was before it sized itself
    INT_PTR innerResult = 0;

private:
    static void Command(int id, void* context) {
        auto* self = static_cast<PanelDialog*>(context);
        if (id == kOkId) ::EndDialog(self->DialogWindow(), 1);
    }
    static void Timer(int id, void* context) {
        auto* self = static_cast<PanelDialog*>(context);
        if (id != static_cast<int>(kOpenInnerTimer)) return;
        ::KillTimer(self->panel.window, kOpenInnerTimer);
        self->innerResult = self->inner->Run(self->DialogWindow());
    }

    std::wstring title_;
    Gdiplus::Bitmap* background_;
    Gdiplus::Bitmap* buttonImage_;
    std::vector<std::pair<PanelDialog*, HWND>>* closes_;
};

using PanelDialogs = PanelTest;

TEST_F(PanelDialogs, ADialogShowsItsOwnPanelDisablesItsParentAndReturnsItsResult) {
    std::vector<std::pair<PanelDialog*, HWND>> closes;
    Gdiplus::Bitmap* background = skins[L"SHOW_BACKGROUND"];
    ASSERT_NE(background, nullptr);
    PanelDialog dialog(L"Panel Dialog", background, skins[skins::kButton2], &closes);
    PanelRig editor(skins[L"BACKGROUND"]);

    struct Seen {
        bool found = false, parentDisabled = false;
        RECT client = {}, frame = {};
        uint32_t backgroundPixel = 0;
    };
    auto user = std::async(std::launch::async, [&] {
        Seen seen;
        HWND window = WaitForDialog(L"Panel Dialog", 10000);
        if (window == nullptr) return seen;
        seen.found = true;
        seen.parentDisabled = !::IsWindowEnabled(editor.host.hwnd());
        ::GetClientRect(window, &seen.client);
        ::GetWindowRect(window, &seen.frame);
        const Capture shot = CaptureWindow(dialog.panel.window);
        seen.backgroundPixel = shot.Rgb(shot.width - 2, shot.height - 2);
        SaveScreenshot(window, L"panelkit-dialog");
        input::Click(dialog.panel.window, 30, 30); // the OK button
        return seen;
    });
    // The panel inside is a child of the editor's panel window: its
    // top-level window is the one a user could close.
    EXPECT_EQ(dialog.Run(editor.panel()), 1);
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.parentDisabled);
    EXPECT_TRUE(::IsWindowEnabled(editor.host.hwnd())) << "enabled again afterwards";
    EXPECT_EQ(seen.client.right, static_cast<LONG>(background->GetWidth()));
    EXPECT_EQ(seen.client.bottom, static_cast<LONG>(background->GetHeight()));
    EXPECT_EQ(seen.frame.left, dialog.placed.left) << "sized without moving its top-left corner";
    EXPECT_EQ(seen.frame.top, dialog.placed.top);
    EXPECT_EQ(seen.backgroundPixel, Rgb(CaptureBitmap(background).Rgb(background->GetWidth() - 2, background->GetHeight() - 2)));
    EXPECT_TRUE(closes.empty());
    EXPECT_EQ(dialog.DialogWindow(), nullptr);
}

TEST_F(PanelDialogs, TheCloseBoxOfADialogOpenedFromADialogClosesThatOneOnly) {
    std::vector<std::pair<PanelDialog*, HWND>> closes;
    PanelDialog outer(L"Outer Dialog", skins[L"BACKGROUND"], skins[skins::kButton2], &closes);
    PanelDialog inner(L"Inner Dialog", skins[L"SHOW_BACKGROUND"], skins[skins::kButton2], &closes);
    outer.inner = &inner;
    PanelRig editor(skins[L"BACKGROUND"]);

    auto user = std::async(std::launch::async, [&] {
        HWND outerWindow = WaitForDialog(L"Outer Dialog", 10000);
        HWND innerWindow = WaitForDialog(L"Inner Dialog", 10000);
        if (outerWindow == nullptr || innerWindow == nullptr) return std::make_pair(outerWindow, innerWindow);
        // The outer one first, while the inner one is up: each close goes
        // to the object of its own window.
        ::PostMessageW(outerWindow, WM_CLOSE, 0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::PostMessageW(innerWindow, WM_CLOSE, 0, 0);
        return std::make_pair(outerWindow, innerWindow);
    });
    EXPECT_EQ(outer.Run(editor.panel()), 2);
    const auto windows = user.get();
    ASSERT_NE(windows.first, nullptr);
    ASSERT_NE(windows.second, nullptr);
    EXPECT_EQ(outer.innerResult, 2);
    const std::vector<std::pair<PanelDialog*, HWND>> expected = {{&outer, windows.first}, {&inner, windows.second}};
    EXPECT_EQ(closes, expected);
}

} // namespace
