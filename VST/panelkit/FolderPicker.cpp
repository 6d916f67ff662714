#include "FolderPicker.h"

#include <shlobj.h>
#include <shellapi.h>

#include <io.h>

namespace {

constexpr int kStartChars = 520;
constexpr int kGrowWidth = 40, kGrowHeight = 30;
constexpr int kMargin = 5, kButtonGap = 10;

RECT ChildRect(HWND parent, HWND child) {
    RECT r = {};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Larger than the system's, with the buttons in the bottom-right corner and
// the tree above them.
void Enlarge(HWND window, HWND tree) {
    RECT frame = {};
    ::GetWindowRect(window, &frame);
    ::MoveWindow(window, frame.left, frame.top, frame.right - frame.left + kGrowWidth,
                 frame.bottom - frame.top + kGrowHeight, TRUE);
    RECT client = {};
    ::GetClientRect(window, &client);
    const int cw = client.right, ch = client.bottom;
    HWND ok = ::GetDlgItem(window, IDOK), cancel = ::GetDlgItem(window, IDCANCEL);
    int okTop = ch;
    if (cancel != nullptr) {
        const RECT c = ChildRect(window, cancel);
        const int w = c.right - c.left, h = c.bottom - c.top;
        const int x = cw - kMargin - w, y = ch - kMargin - h;
        ::MoveWindow(cancel, x, y, w, h, TRUE);
        okTop = y;
        if (ok != nullptr) ::MoveWindow(ok, x - kButtonGap - w, y, w, h, TRUE);
    } else if (ok != nullptr) {
        okTop = ChildRect(window, ok).top;
    }
    ::MoveWindow(tree, kMargin, kMargin, cw - 2 * kMargin, okTop - 2 * kMargin, TRUE);
}

bool IsUsableFolder(LPCITEMIDLIST item) {
    wchar_t path[MAX_PATH] = {};
    if (item == nullptr || !::SHGetPathFromIDListW(item, path)) return false;
    if (::_waccess(path, 0) != 0) return false;
    SHFILEINFOW info = {};
    info.dwAttributes = SFGAO_LINK;
    if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ATTRIBUTES) &&
        (info.dwAttributes & SFGAO_LINK) != 0)
        return false;
    return true;
}

} // namespace

int CALLBACK BrowseCallbackProc(HWND window, UINT message, LPARAM lParam, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        ::SetWindowLongW(window, GWL_STYLE, ::GetWindowLongW(window, GWL_STYLE) & ~DS_CONTEXTHELP);
        ::SetWindowLongW(window, GWL_EXSTYLE, ::GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
        ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
        if (HWND tree = ::FindWindowExW(window, nullptr, L"SysTreeView32", nullptr)) Enlarge(window, tree);
    } else if (message == BFFM_SELCHANGED) {
        if (!IsUsableFolder(reinterpret_cast<LPCITEMIDLIST>(lParam))) ::SendMessageW(window, BFFM_ENABLEOK, 0, FALSE);
    }
    return 0;
}

bool BrowseForFolder(HWND owner, const wchar_t* start, wchar_t* output) {
    if (output == nullptr) return false;
    output[0] = 0;
    wchar_t startFolder[kStartChars] = {};
    if (start != nullptr && start[0] != 0)
        lstrcpynW(startFolder, start, kStartChars - 1);
    else
        ::GetCurrentDirectoryW(kStartChars, startFolder);

    // The browser needs COM on this thread; an editor's thread may not have it yet.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOW info = {};
    info.hwndOwner = owner != nullptr ? ::GetAncestor(owner, GA_ROOT) : nullptr;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallbackProc;
    info.lParam = reinterpret_cast<LPARAM>(startFolder);
    bool chosen = false;
    if (LPITEMIDLIST item = ::SHBrowseForFolderW(&info)) {
        wchar_t path[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(item, path)) {
            lstrcpynW(output, path, MAX_PATH);
            chosen = true;
        }
        IMalloc* shellMalloc = nullptr;
        if (SUCCEEDED(::SHGetMalloc(&shellMalloc))) {
            shellMalloc->Free(item);
            shellMalloc->Release();
        }
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return chosen;
}
