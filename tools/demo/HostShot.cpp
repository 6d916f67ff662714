#include "HostShot.h"

#include "DialogFinder.h"
#include "WindowRig.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The window's picture once two looks a moment apart agree.
Capture AtRest(HWND window) {
    Capture last = CaptureWholeWindow(window);
    for (int look = 0; look < 20; ++look) {
        ::Sleep(250);
        Capture now = CaptureWholeWindow(window);
        if (now.pixels == last.pixels) return now;
        last = std::move(now);
    }
    return last;
}

std::wstring BaseName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : name;
}

int Fail(const char* what, HANDLE process) {
    std::printf("%s\n", what);
    if (process != nullptr) ::TerminateProcess(process, 1);
    return 1;
}

} // namespace

int ShootStandaloneHost(const std::wstring& program, const std::wstring& settingsPng, const std::wstring& windowPng) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring command = L"\"" + program + L"\"";
    if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return Fail("the standalone host did not start", nullptr);
    ::CloseHandle(info.hThread);

    HWND settings = WaitForDialog(L"Settings", 60000, info.dwProcessId);
    if (settings == nullptr) return Fail("no Settings dialog at the first start", info.hProcess);
    ::SetForegroundWindow(settings);
    if (!AtRest(settings).SavePng(settingsPng)) return Fail("the Settings picture was not written", info.hProcess);
    ::SendMessageW(::GetDlgItem(settings, IDCANCEL), BM_CLICK, 0, 0);

    const std::wstring title = BaseName(program);
    HWND frame = WaitForWindow(title, 60000, info.dwProcessId);
    if (frame == nullptr) return Fail("the host's window did not show its plug-in", info.hProcess);
    ::SetForegroundWindow(frame);
    if (!AtRest(frame).SavePng(windowPng)) return Fail("the window's picture was not written", info.hProcess);

    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0)
        return Fail("the standalone host did not end when closed", info.hProcess);
    DWORD code = 1;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    if (code != 0) return Fail("the standalone host ended with an error", nullptr);
    std::printf("%ls ran %ls.dll in its window, closed with exit code 0\n", title.c_str(), title.c_str());
    return 0;
}
