// The folder browser, driven by a user thread that finds and answers the
// system's dialog; its callback on its own for the items OK refuses.
#include "FolderPicker.h"

#include "DialogFinder.h"
#include "TempFolder.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <commctrl.h>

#include <chrono>
#include <future>
#include <thread>
#include <string>
#include <vector>

namespace {

RECT ChildRect(HWND parent, HWND child) {
    RECT r = {};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct Browser {
    bool found = false;
    LONG style = 0, exStyle = 0;
    RECT client = {}, ok = {}, cancel = {}, tree = {};
    bool okEnabled = false;
    std::wstring selected;
};

// The label of the tree's selected item.
std::wstring SelectedLabel(HWND tree) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (item.hItem == nullptr || !::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return {};
    return text;
}

// Finds the browser, waits until it shows the folder named `selected` (when
// given), notes what it shows and presses the button.
Browser Answer(int button, const std::wstring& selected = {}) {
    Browser seen;
    HWND window = WaitForDialogWithChild(L"SysTreeView32", 10000);
    if (window == nullptr) return seen;
    seen.found = true;
    HWND tree = ::FindWindowExW(window, nullptr, L"SysTreeView32", nullptr);
    for (int waited = 0; !selected.empty() && waited < 10000; waited += 10) {
        if (lstrcmpiW(SelectedLabel(tree).c_str(), selected.c_str()) == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    seen.selected = SelectedLabel(tree);
    seen.style = ::GetWindowLongW(window, GWL_STYLE);
    seen.exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
    ::GetClientRect(window, &seen.client);
    seen.ok = ChildRect(window, ::GetDlgItem(window, IDOK));
    seen.cancel = ChildRect(window, ::GetDlgItem(window, IDCANCEL));
    seen.tree = ChildRect(window, tree);
    seen.okEnabled = ::IsWindowEnabled(::GetDlgItem(window, IDOK)) != 0;
    SaveScreenshot(window, L"panelkit-folder-picker");
    ::PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(button), 0);
    return seen;
}

std::wstring Leaf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\") + 1); }

// Wine's browser at times selects nothing when a folder is first parsed
// inside it (Windows has no such first time): the tests parse theirs first.
void ParseOnce(const std::wstring& path) {
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(::SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr))) ::CoTaskMemFree(item);
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

class FolderPicker : public ::testing::Test {
protected:
    void SetUp() override { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { ::CoUninitialize(); }
    HostWindow editor{300, 200};
};

TEST_F(FolderPicker, OpensAtTheStartFolderLaidOutAndReturnsTheChoice) {
    TempFolder temp;
    const std::wstring samples = temp.File(L"Samples");
    ASSERT_TRUE(::CreateDirectoryW(samples.c_str(), nullptr));
    wchar_t chosen[MAX_PATH] = L"junk";
    ParseOnce(samples);
    auto user = std::async(std::launch::async, [] { return Answer(IDOK, L"Samples"); });
    EXPECT_TRUE(BrowseForFolder(editor.hwnd(), samples.c_str(), chosen));
    const Browser seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.selected, L"Samples");
    EXPECT_TRUE(SamePath(chosen, samples)) << std::wstring(chosen);
    EXPECT_EQ(seen.style & DS_CONTEXTHELP, 0);
    EXPECT_EQ(seen.exStyle & WS_EX_CONTEXTHELP, 0);
    EXPECT_TRUE(seen.okEnabled);
    // Cancel in the bottom-right corner, OK of its size 10 pixels to its
    // left, the tree above them.
    EXPECT_EQ(seen.cancel.right, seen.client.right - 5);
    EXPECT_EQ(seen.cancel.bottom, seen.client.bottom - 5);
    EXPECT_EQ(seen.ok.right, seen.cancel.left - 10);
    EXPECT_EQ(seen.ok.top, seen.cancel.top);
    EXPECT_EQ(seen.ok.right - seen.ok.left, seen.cancel.right - seen.cancel.left);
    EXPECT_EQ(seen.ok.bottom - seen.ok.top, seen.cancel.bottom - seen.cancel.top);
    const RECT tree = {5, 5, seen.client.right - 5, seen.ok.top - 5};
    EXPECT_TRUE(::EqualRect(&seen.tree, &tree));
}

TEST_F(FolderPicker, WithoutAStartFolderOpensAtTheCurrentDirectory) {
    TempFolder temp;
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(::SetCurrentDirectoryW(temp.Path().c_str()));
    ParseOnce(temp.Path());
    for (const wchar_t* start : {static_cast<const wchar_t*>(nullptr), L""}) {
        wchar_t chosen[MAX_PATH] = {};
        auto user = std::async(std::launch::async, [&] { return Answer(IDOK, Leaf(temp.Path())); });
        EXPECT_TRUE(BrowseForFolder(editor.hwnd(), start, chosen));
        EXPECT_TRUE(user.get().found);
        EXPECT_TRUE(SamePath(chosen, temp.Path())) << std::wstring(chosen);
    }
    ::SetCurrentDirectoryW(before);
}

TEST_F(FolderPicker, CancelAndAMissingOutputGiveFalse) {
    wchar_t chosen[MAX_PATH] = L"junk";
    auto user = std::async(std::launch::async, [] { return Answer(IDCANCEL); });
    EXPECT_FALSE(BrowseForFolder(editor.hwnd(), L"C:\\", chosen));
    EXPECT_TRUE(user.get().found);
    EXPECT_STREQ(chosen, L"") << "cancel leaves an empty output";
    EXPECT_FALSE(BrowseForFolder(editor.hwnd(), L"C:\\", nullptr)) << "no dialog without an output";
}

// A window that stands in for the browser and notes what the callback asks
// of it.
class FakeBrowser {
public:
    FakeBrowser() {
        WNDCLASSW c = {};
        c.lpfnWndProc = Proc;
        c.hInstance = ::GetModuleHandleW(nullptr);
        c.lpszClassName = L"KorvoFakeBrowser";
        ::RegisterClassW(&c);
        window = ::CreateWindowExW(WS_EX_CONTEXTHELP, L"KorvoFakeBrowser", L"", WS_POPUP | DS_CONTEXTHELP, 100,
                                   100, 320, 240, nullptr, nullptr, c.hInstance, nullptr);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~FakeBrowser() { ::DestroyWindow(window); }
    HWND window;
    std::vector<std::pair<UINT, LPARAM>> asked;
    std::wstring selection;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<FakeBrowser*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
        if (self != nullptr && (m == BFFM_ENABLEOK || m == BFFM_SETSELECTIONW)) {
            self->asked.push_back({m, lp});
            if (m == BFFM_SETSELECTIONW) self->selection = reinterpret_cast<const wchar_t*>(lp);
            return 0;
        }
        return ::DefWindowProcW(w, m, wp, lp);
    }
};

LPITEMIDLIST ItemOf(const std::wstring& path) {
    LPITEMIDLIST item = nullptr;
    return SUCCEEDED(::SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr)) ? item : nullptr;
}

bool MakeShortcut(const std::wstring& target, const std::wstring& at) {
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link))))
        return false;
    link->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(at.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

TEST_F(FolderPicker, OkIsRefusedForItemsThatAreNoRealExistingFolder) {
    TempFolder temp;
    const std::wstring folder = temp.File(L"Drums"), gone = temp.File(L"Gone"), shortcut = temp.File(L"Drums.lnk");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(gone.c_str(), nullptr));
    ASSERT_TRUE(MakeShortcut(folder, shortcut));
    LPITEMIDLIST computer = nullptr;
    ASSERT_TRUE(SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer)));
    LPITEMIDLIST goneItem = ItemOf(gone);
    ASSERT_NE(goneItem, nullptr);
    ASSERT_TRUE(::RemoveDirectoryW(gone.c_str()));
    const struct {
        const char* what;
        LPITEMIDLIST item;
        bool refused;
    } cases[] = {
        {"a folder", ItemOf(folder), false},
        {"a shortcut to a folder", ItemOf(shortcut), true},
        {"a virtual item", computer, true},
        {"a folder deleted since", goneItem, true},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.item, nullptr) << c.what;
        FakeBrowser browser;
        EXPECT_EQ(BrowseCallbackProc(browser.window, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(c.item), 0), 0);
        using Asked = std::vector<std::pair<UINT, LPARAM>>;
        const Asked expected = c.refused ? Asked{{BFFM_ENABLEOK, FALSE}} : Asked{};
        EXPECT_EQ(browser.asked, expected) << c.what;
        ::CoTaskMemFree(c.item);
    }
}

TEST_F(FolderPicker, ABrowserWithoutATreeKeepsItsSizeAndLosesItsHelpButton) {
    FakeBrowser browser;
    RECT before = {};
    ::GetWindowRect(browser.window, &before);
    wchar_t start[] = L"C:\\windows";
    EXPECT_EQ(BrowseCallbackProc(browser.window, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(start)), 0);
    RECT after = {};
    ::GetWindowRect(browser.window, &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    EXPECT_EQ(::GetWindowLongW(browser.window, GWL_STYLE) & DS_CONTEXTHELP, 0);
    EXPECT_EQ(::GetWindowLongW(browser.window, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
    EXPECT_EQ(browser.selection, start);
}

} // namespace
