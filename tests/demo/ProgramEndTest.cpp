// How the test and demonstration programs end: with the code they were given,
// and with everything they printed in their output.
#include "TempFolder.h"
#include "WavWriter.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

struct Ended {
    bool started = false;
    DWORD code = 0;
    std::string output;
};

// The child program, built beside this one.
std::wstring ChildProgram() {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"program_end_child.exe";
}

// Runs the child program with its standard output in a file, as the test
// runner runs programs.
Ended RunChild(const std::wstring& arguments) {
    TempFolder folder;
    const std::wstring log = folder.File(L"out.txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = ::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    Ended ended;
    if (file == INVALID_HANDLE_VALUE) return ended;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = file;
    startup.hStdError = file;
    const std::wstring program = ChildProgram();
    std::wstring command = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    ended.started = ::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                     &process) != FALSE;
    ::CloseHandle(file);
    if (!ended.started) return ended;
    ::WaitForSingleObject(process.hProcess, 30000);
    ::GetExitCodeProcess(process.hProcess, &ended.code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    const Bytes output = ReadBytes(log);
    ended.output.assign(output.begin(), output.end());
    return ended;
}

TEST(EndProgram, EndsWithItsCodeAndAllThatWasPrinted) {
    const struct {
        const wchar_t* arguments;
        DWORD code;
        const char* output;
    } cases[] = {
        {L"0 done", 0, "done"},
        {L"1 \"one failed test\"", 1, "one failed test"},
        {L"137 \"the code a killed program has\"", 137, "the code a killed program has"},
    };
    for (const auto& c : cases) {
        const Ended ended = RunChild(c.arguments);
        ASSERT_TRUE(ended.started) << c.output;
        EXPECT_EQ(ended.code, c.code) << c.output;
        EXPECT_EQ(ended.output, c.output);
    }
}

} // namespace
