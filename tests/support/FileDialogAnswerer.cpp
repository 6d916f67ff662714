#include "FileDialogAnswerer.h"

#include "DialogFinder.h"

#include <windows.h>

#include <chrono>

namespace {

// The first edit under a window, at any depth.
HWND EditUnder(HWND window) {
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        ::GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Edit") == 0) return child;
        if (HWND edit = EditUnder(child)) return edit;
    }
    return nullptr;
}

// The file name field: the edit of the dialog's name box (a combo, or a
// combo inside an extended combo), or its plain edit.
HWND FileNameField(HWND dialog) {
    constexpr int kNameCombo = 1148, kNameEdit = 1152;
    if (HWND combo = ::GetDlgItem(dialog, kNameCombo))
        if (HWND edit = EditUnder(combo)) return edit;
    return ::GetDlgItem(dialog, kNameEdit);
}

} // namespace

FileDialogAnswerer::FileDialogAnswerer(std::wstring title, std::wstring answer, unsigned long process)
    : title_(std::move(title)), answer_(std::move(answer)), process_(process != 0 ? process : ::GetCurrentProcessId()) {
    thread_ = std::thread(&FileDialogAnswerer::Watch, this);
}

FileDialogAnswerer::~FileDialogAnswerer() {
    stop_ = true;
    thread_.join();
}

void FileDialogAnswerer::Watch() {
    while (!stop_) {
        HWND dialog = FindDialog(title_, process_);
        if (dialog == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (answer_.empty()) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        } else {
            HWND field = FileNameField(dialog);
            if (field == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer_.c_str()));
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
        ++answered_;
        while (!stop_ && ::IsWindow(dialog)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
