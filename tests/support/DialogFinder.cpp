#include "DialogFinder.h"

#include <chrono>
#include <thread>

namespace {

struct Search {
    const std::wstring* caption;
    const wchar_t* childClass;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window)) return TRUE;
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (lstrcmpW(className, L"#32770") != 0) return TRUE;
    if (search->caption != nullptr && *search->caption != WindowText(window)) return TRUE;
    if (search->childClass != nullptr && ::FindWindowExW(window, nullptr, search->childClass, nullptr) == nullptr)
        return TRUE;
    search->found = window;
    return FALSE;
}

template <typename Find> HWND Wait(Find find, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (HWND found = find()) return found;
        if (std::chrono::steady_clock::now() > end) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

HWND FindDialog(const std::wstring& caption) {
    Search search{&caption, nullptr, nullptr};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(const std::wstring& caption, int timeoutMs) {
    return Wait([&] { return FindDialog(caption); }, timeoutMs);
}

HWND FindDialogWithChild(const wchar_t* childClass) {
    Search search{nullptr, childClass, nullptr};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialogWithChild(const wchar_t* childClass, int timeoutMs) {
    return Wait([&] { return FindDialogWithChild(childClass); }, timeoutMs);
}
