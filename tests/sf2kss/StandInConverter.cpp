// Stands in for the converter where a test must see how the front end
// started it and decide when it ends. It appends how it was started to the
// file named by KORVO_STANDIN_REPORT (one line each: "run", the argument
// count, every argument, the start-up show state or -1), then
// waits until the event named by KORVO_STANDIN_RELEASE is set, and ends.
// Its arguments are read as the converter reads its own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (const char* report = std::getenv("KORVO_STANDIN_REPORT")) {
        if (FILE* file = std::fopen(report, "ab")) {
            STARTUPINFOA startup = {};
            startup.cb = sizeof startup;
            ::GetStartupInfoA(&startup);
            std::fprintf(file, "run\n%d\n", argc);
            for (int i = 0; i < argc; ++i) std::fprintf(file, "%s\n", argv[i]);
            const bool showSet = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
            std::fprintf(file, "%d\n", showSet ? static_cast<int>(startup.wShowWindow) : -1);
            std::fclose(file);
        }
    }
    if (const char* release = std::getenv("KORVO_STANDIN_RELEASE")) {
        if (HANDLE event = ::OpenEventA(SYNCHRONIZE, FALSE, release)) {
            ::WaitForSingleObject(event, 60000);
            ::CloseHandle(event);
        }
    }
    return 0;
}
