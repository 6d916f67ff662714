#include "ProgramEnd.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

void EndProgram(int code) {
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
    std::_Exit(code);
}
