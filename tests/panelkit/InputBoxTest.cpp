// The input box under real keys: what it shows, what it returns, whom it
// disables, and the template patching of InputBoxRun.
#include "DialogTemplate.h"
#include "InputBox.h"

#include "DialogFinder.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

namespace {

constexpr const wchar_t* kCaption = L"Tellurand Panelkit2";

RECT WindowRect(HWND window) {
    RECT r = {};
    ::GetWindowRect(window, &r);
    return r;
}

TEST(InputBoxDialog, ReturnsTheTypedTextOnOkAndTwoOnEveryWayOfCancelling) {
    enum class Finish { Enter, Escape, CancelButton, CloseBox };
    const struct {
        const wchar_t* initial;
        const char* keys; // typed over the selected initial text
        Finish finish;
        int result;
        const wchar_t* buffer;
    } cases[] = {
        {L"Grand Piano", "korvo", Finish::Enter, 1, L"korvo"},
        {L"Grand Piano", "", Finish::Enter, 1, L"Grand Piano"},
        {L"", "x", Finish::CancelButton, 2, L"x"}, // the edit's text, unused by callers
        {L"Strings", "", Finish::Escape, 2, L"Strings"},
        {L"Pads", "", Finish::CloseBox, 2, L"Pads"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[kInputBoxChars] = {};
        lstrcpynW(buffer, c.initial, kInputBoxChars);
        auto user = std::async(std::launch::async, [&] {
            HWND box = WaitForDialog(kCaption, 10000);
            if (box == nullptr) return std::wstring(L"no box");
            const std::wstring shown = WindowText(::GetDlgItem(box, 1001));
            for (const char* k = c.keys; *k != 0; ++k) input::Key(static_cast<WORD>(std::toupper(*k)));
            switch (c.finish) {
            case Finish::Enter: input::Key(VK_RETURN); break;
            case Finish::Escape: input::Key(VK_ESCAPE); break;
            case Finish::CancelButton: {
                const RECT r = WindowRect(::GetDlgItem(box, IDCANCEL));
                POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                ::ScreenToClient(box, &p);
                input::Click(box, p.x, p.y);
                break;
            }
            case Finish::CloseBox: ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); break;
            }
            return shown;
        });
        EXPECT_EQ(InputBox(L"Layer name", buffer), c.result) << c.initial;
        EXPECT_EQ(user.get(), c.initial) << "the box starts with the buffer's text";
        EXPECT_STREQ(buffer, c.buffer);
    }
}

TEST(InputBoxDialog, IsOneLineCentredAndDisablesTheTopLevelWindowOfItsOwner) {
    HostWindow editor(300, 200);
    // The widget asks with its panel, a child window.
    HWND panel = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, editor.hwnd(), nullptr,
                                   nullptr, nullptr);
    wchar_t buffer[kInputBoxChars] = L"60";
    struct Seen {
        bool found = false;
        std::wstring title, prompt, ok, cancel;
        bool multilineVisible = true, editorDisabled = false;
        HWND owner = nullptr;
        RECT box = {}, edit = {};
    };
    auto user = std::async(std::launch::async, [&] {
        Seen seen;
        HWND box = WaitForDialog(kCaption, 10000);
        if (box == nullptr) return seen;
        seen.found = true;
        seen.title = WindowText(box);
        seen.prompt = WindowText(::GetDlgItem(box, 1000));
        seen.ok = WindowText(::GetDlgItem(box, IDOK));
        seen.cancel = WindowText(::GetDlgItem(box, IDCANCEL));
        seen.multilineVisible = ::IsWindowVisible(::GetDlgItem(box, 1002)) != 0;
        seen.owner = ::GetWindow(box, GW_OWNER);
        seen.editorDisabled = !::IsWindowEnabled(editor.hwnd());
        seen.box = WindowRect(box);
        seen.edit = WindowRect(::GetDlgItem(box, 1001));
        SaveScreenshot(box, L"panelkit-input-box");
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return seen;
    });
    EXPECT_EQ(InputBox(L"Please Input New Value (0 to 127)", buffer, panel), 1);
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, kCaption);
    EXPECT_EQ(seen.prompt, L"Please Input New Value (0 to 127)");
    EXPECT_EQ(seen.ok, L"OK");
    EXPECT_EQ(seen.cancel, L"CANCEL");
    EXPECT_FALSE(seen.multilineVisible);
    EXPECT_EQ(seen.owner, editor.hwnd());
    EXPECT_TRUE(seen.editorDisabled) << "the editor cannot be closed under the box";
    EXPECT_TRUE(::IsWindowEnabled(editor.hwnd()));
    EXPECT_EQ(seen.box.bottom, seen.edit.bottom + 5) << "cut below the one-line edit";
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN), screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((seen.box.left + seen.box.right) / 2, screenWidth / 2, 2);
    // Centred before it was cut.
    EXPECT_LT(seen.box.top, screenHeight / 2);
    EXPECT_STREQ(buffer, L"60");
}

TEST(InputBoxDialog, WithoutAnOwnerNoWindowIsDisabled) {
    HostWindow editor(300, 200);
    wchar_t buffer[kInputBoxChars] = {};
    auto user = std::async(std::launch::async, [&] {
        HWND box = WaitForDialog(kCaption, 10000);
        if (box == nullptr) return std::make_pair(false, false);
        const auto seen = std::make_pair(::GetWindow(box, GW_OWNER) == nullptr, ::IsWindowEnabled(editor.hwnd()) != 0);
        ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        return seen;
    });
    EXPECT_EQ(InputBox(L"Name", buffer), 2);
    const auto seen = user.get();
    EXPECT_TRUE(seen.first) << "no owner";
    EXPECT_TRUE(seen.second) << "the host's window stays enabled";
}

TEST(InputBoxDialog, ANullResultIsAnInvalidParameter) {
    ::SetLastError(0);
    EXPECT_EQ(InputBox(L"Name", nullptr), 0);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    InputBoxParams params = {};
    ::SetLastError(0);
    EXPECT_EQ(InputBoxRun(&params), 0);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// The parameters of a box that InputBoxRun patches into its template.
InputBoxParams PlainBox(KDialogTemplate& t, wchar_t* buffer) {
    InputBoxParams p = {};
    p.templateData = t.Data();
    p.styleAnd = p.exStyleAnd = 0xFFFFFFFFu;
    p.title = L"Patched";
    p.prompt = L"Prompt";
    p.result = buffer;
    p.resultSize = kInputBoxChars;
    p.instance = ::GetModuleHandleW(nullptr);
    p.x = p.y = -1;
    return p;
}

KDialogTemplate OneEditTemplate() {
    KDialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 40, 40, 200, 60, L"Box",
                      {8, FW_NORMAL, 0, DEFAULT_CHARSET, L"MS Shell Dlg"});
    t.AddControl(1001, KDialogTemplate::kEdit, L"", 6, 20, 150, 14, WS_CHILD | WS_VISIBLE | WS_BORDER);
    t.AddControl(IDOK, KDialogTemplate::kButton, L"OK", 160, 4, 30, 14, WS_CHILD | WS_VISIBLE);
    return t;
}

TEST(InputBoxDialog, RunPatchesTheTemplatesStylesAndPosition) {
    const struct {
        uint32_t styleOr, styleAnd, exStyleOr;
        int16_t x, y;
        bool sysMenu, toolWindow;
    } cases[] = {
        {0, 0xFFFFFFFFu, 0, -1, -1, true, false}, // the template as it is
        {0, ~static_cast<uint32_t>(WS_SYSMENU), WS_EX_TOOLWINDOW, 90, 70, false, true},
    };
    for (const auto& c : cases) {
        KDialogTemplate t = OneEditTemplate();
        wchar_t buffer[kInputBoxChars] = L"typed";
        InputBoxParams p = PlainBox(t, buffer);
        p.styleOr = c.styleOr;
        p.styleAnd = c.styleAnd;
        p.exStyleOr = c.exStyleOr;
        p.x = c.x;
        p.y = c.y;
        struct Seen {
            bool found = false;
            LONG style = 0, exStyle = 0;
            RECT client = {}, place = {};
        };
        auto user = std::async(std::launch::async, [&] {
            Seen seen;
            HWND box = WaitForDialog(L"Patched", 10000);
            if (box == nullptr) return seen;
            seen.found = true;
            seen.style = ::GetWindowLongW(box, GWL_STYLE);
            seen.exStyle = ::GetWindowLongW(box, GWL_EXSTYLE);
            POINT origin = {0, 0};
            ::ClientToScreen(box, &origin);
            seen.client = {origin.x, origin.y, 0, 0};
            // The template's (or the given) place of the client area, in this
            // box's units.
            seen.place = {c.x == -1 ? 40 : c.x, c.y == -1 ? 40 : c.y, 0, 0};
            ::MapDialogRect(box, &seen.place);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            return seen;
        });
        EXPECT_EQ(InputBoxRun(&p), IDOK);
        const Seen seen = user.get();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ((seen.style & WS_SYSMENU) != 0, c.sysMenu);
        EXPECT_EQ((seen.exStyle & WS_EX_TOOLWINDOW) != 0, c.toolWindow);
        EXPECT_EQ(seen.client.left, seen.place.left);
        EXPECT_EQ(seen.client.top, seen.place.top);
        EXPECT_STREQ(buffer, L"typed") << "the edit's text came back";
    }
}

TEST(InputBoxDialog, AMissingTemplateResourceShowsNothing) {
    wchar_t buffer[kInputBoxChars] = L"kept";
    InputBoxParams p = {};
    p.templateName = MAKEINTRESOURCEW(4242);
    p.result = buffer;
    p.resultSize = kInputBoxChars;
    p.instance = ::GetModuleHandleW(nullptr);
    EXPECT_EQ(InputBoxRun(&p), 0);
    EXPECT_STREQ(buffer, L"kept");
}

} // namespace
