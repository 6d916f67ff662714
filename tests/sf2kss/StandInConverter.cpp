// Stands in for the converter where a test must see how the front end
// started it and decide when it ends. It appends how it was started to the
// file named by KORVO_STANDIN_REPORT (one line each, in UTF-8: "run", the
// argument count, every argument, the start-up show state or -1), then
// waits until the event named by KORVO_STANDIN_RELEASE is set, writes an
// empty project where the converter writes its own, and ends. Its
// arguments are read as the converter reads its own.
#include "Patchfold.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    const DWORD n = ::GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(value, n) : std::wstring();
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                        static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) return 1;
    const std::wstring report = Environment(L"KORVO_STANDIN_REPORT");
    if (!report.empty()) {
        if (FILE* file = ::_wfopen(report.c_str(), L"ab")) {
            STARTUPINFOW startup = {};
            startup.cb = sizeof startup;
            ::GetStartupInfoW(&startup);
            std::fprintf(file, "run\n%d\n", argc);
            for (int i = 0; i < argc; ++i) std::fprintf(file, "%s\n", Utf8(argv[i]).c_str());
            const bool showSet = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
            std::fprintf(file, "%d\n", showSet ? static_cast<int>(startup.wShowWindow) : -1);
            std::fclose(file);
        }
    }
    const std::wstring release = Environment(L"KORVO_STANDIN_RELEASE");
    if (!release.empty()) {
        if (HANDLE event = ::OpenEventW(SYNCHRONIZE, FALSE, release.c_str())) {
            ::WaitForSingleObject(event, 60000);
            ::CloseHandle(event);
        }
    }
    if (argc > 1) {
        const std::wstring prefix = argc > 2 ? argv[2] : L"c:\\";
        const std::wstring project = prefix + BankBaseName(argv[1]) + L".kss";
        HANDLE file = ::CreateFileW(project.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
    ::LocalFree(argv);
    return 0;
}
