// The test programs' main: GoogleTest's own, except for how a Windows
// program ends (see ProgramEnd.h). Natively the program returns, so the
// sanitizers' exit checks still run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include "ProgramEnd.h"
#endif

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef _WIN32
    EndProgram(result);
#else
    return result;
#endif
}
