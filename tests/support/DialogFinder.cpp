#include "DialogFinder.h"

#include <chrono>
#include <thread>

namespace {

struct Search {
    const std::wstring* caption;
    const wchar_t* childClass;
    DWORD process;
    HWND found;
    const wchar_t* windowClass = L"#32770";   // null: any top-level window
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process || !::IsWindowVisible(window)) return TRUE;
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (search->windowClass != nullptr && lstrcmpW(className, search->windowClass) != 0) return TRUE;
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

HWND FindDialog(const std::wstring& caption, DWORD process) {
    Search search{&caption, nullptr, process, nullptr};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(const std::wstring& caption, int timeoutMs, DWORD process) {
    return Wait([&] { return FindDialog(caption, process); }, timeoutMs);
}

HWND FindDialogWithChild(const wchar_t* childClass, DWORD process) {
    Search search{nullptr, childClass, process, nullptr};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialogWithChild(const wchar_t* childClass, int timeoutMs, DWORD process) {
    return Wait([&] { return FindDialogWithChild(childClass, process); }, timeoutMs);
}

HWND WaitForWindow(const std::wstring& caption, int timeoutMs, DWORD process) {
    return Wait(
        [&] {
            Search search{&caption, nullptr, process, nullptr, nullptr};
            ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
            return search.found;
        },
        timeoutMs);
}

HWND FindDialog(const std::wstring& caption) { return FindDialog(caption, ::GetCurrentProcessId()); }

HWND WaitForDialog(const std::wstring& caption, int timeoutMs) {
    return WaitForDialog(caption, timeoutMs, ::GetCurrentProcessId());
}

HWND FindDialogWithChild(const wchar_t* childClass) { return FindDialogWithChild(childClass, ::GetCurrentProcessId()); }

HWND WaitForDialogWithChild(const wchar_t* childClass, int timeoutMs) {
    return WaitForDialogWithChild(childClass, timeoutMs, ::GetCurrentProcessId());
}
