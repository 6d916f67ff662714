#include "PluginPlatform.h"

#include "Panel.h"

#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace {
HINSTANCE gModule = nullptr;
// The longest path the system hands out.
constexpr DWORD kLongestPath = 32768;
} // namespace

void SetPluginModule(void* module) { gModule = static_cast<HINSTANCE>(module); }
void* PluginModule() { return gModule; }

std::wstring PluginFilePath() {
    std::vector<wchar_t> path(kLongestPath);
    const DWORD n = ::GetModuleFileNameW(gModule, path.data(), kLongestPath);
    // A name that filled the whole buffer was cut.
    if (n == 0 || n >= kLongestPath) return std::wstring();
    return std::wstring(path.data(), n);
}

std::wstring PluginFolder() {
    const std::wstring full = PluginFilePath();
    const size_t slash = full.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring(L"\\") : full.substr(0, slash + 1);
}

std::wstring UserTemporaryFolder() {
    wchar_t path[MAX_PATH + 2] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, path);
    return std::wstring(path, n);
}

uint32_t ProcessId() { return ::GetCurrentProcessId(); }

void RaiseOpenStreamLimit(int streams) { _setmaxstdio(streams); }

namespace {
// One GDI+ session for the module while any of its effects lives. The
// module keeps GDI+ objects of its own (the panels' back buffer), and a host
// may keep the library loaded, remove the last instance and insert a new
// one: those objects go with the session that made them.
std::mutex gGraphicsLock;
int gGraphicsUsers = 0;
ULONG_PTR gGraphicsToken = 0;
} // namespace

uintptr_t StartGraphics() {
    std::lock_guard<std::mutex> hold(gGraphicsLock);
    if (gGraphicsUsers == 0) {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 0;
        gGraphicsToken = token;
    }
    ++gGraphicsUsers;
    return gGraphicsToken;
}

void StopGraphics(uintptr_t token) {
    if (token == 0) return;
    std::lock_guard<std::mutex> hold(gGraphicsLock);
    if (gGraphicsUsers == 0 || --gGraphicsUsers > 0) return;
    ReleasePanelGraphics();
    Gdiplus::GdiplusShutdown(gGraphicsToken);
    gGraphicsToken = 0;
}

void WideToAnsi(const wchar_t* text, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return;
    size_t used = 0;
    // One character at a time, so a cut never splits a multi-byte one.
    for (size_t i = 0; text != nullptr && text[i] != 0;) {
        const int units = IS_HIGH_SURROGATE(text[i]) && IS_LOW_SURROGATE(text[i + 1]) ? 2 : 1;
        char bytes[8];
        const int n = ::WideCharToMultiByte(CP_ACP, 0, text + i, units, bytes, sizeof bytes, nullptr, nullptr);
        if (n <= 0 || used + static_cast<size_t>(n) + 1 > capacity) break;
        std::memcpy(out + used, bytes, static_cast<size_t>(n));
        used += static_cast<size_t>(n);
        i += static_cast<size_t>(units);
    }
    out[used] = 0;
}

void ShowErrorMessage(const wchar_t* text, const wchar_t* caption) {
    ::MessageBoxW(nullptr, text, caption, MB_ICONERROR | MB_OK);
}
