// The test programs' main: GoogleTest's own, except for how a Windows
// program ends (see ProgramEnd.h). Natively the program returns, so the
// sanitizers' exit checks still run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include "ProgramEnd.h"

#include <windows.h>

#include <cstdio>

namespace {

// A crash on any thread fails the run: under Wine a program that dies of an
// unhandled exception ends with code 0 once the debugger has told of it.
LONG WINAPI Crashed(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception != nullptr ? exception->ExceptionRecord : nullptr;
    std::fprintf(stderr, "Unhandled exception 0x%08lx at %p: the test program crashed\n",
                 record != nullptr ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
                 record != nullptr ? record->ExceptionAddress : nullptr);
    EndProgram(3);
}

} // namespace
#endif

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
#ifdef _WIN32
    ::SetUnhandledExceptionFilter(Crashed);
#endif
    const int result = RUN_ALL_TESTS();
#ifdef _WIN32
    EndProgram(result);
#else
    return result;
#endif
}
