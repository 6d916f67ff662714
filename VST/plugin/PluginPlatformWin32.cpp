#include "PluginPlatform.h"

#include <windows.h>
#include <gdiplus.h>

#include <cstdio>

namespace {
HINSTANCE gModule = nullptr;
} // namespace

void SetPluginModule(void* module) { gModule = static_cast<HINSTANCE>(module); }
void* PluginModule() { return gModule; }

std::wstring PluginFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameW(gModule, path, MAX_PATH);
    std::wstring full(path, n);
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

uintptr_t StartGraphics() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 0;
    return token;
}

void StopGraphics(uintptr_t token) {
    if (token != 0) Gdiplus::GdiplusShutdown(token);
}
