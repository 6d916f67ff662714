// The converter's path and command line: what the converter receives, as
// the system's parser splits the line, and where paths stop fitting.
#include "ConverterLaunch.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// A path of exactly length characters starting with start.
std::wstring PathOf(const std::wstring& start, size_t length) {
    std::wstring path = start;
    path.resize(length, L'x');
    return path;
}

std::vector<std::wstring> Arguments(const std::wstring& commandLine) {
    int count = 0;
    LPWSTR* parts = ::CommandLineToArgvW(commandLine.c_str(), &count);
    std::vector<std::wstring> arguments(parts, parts + (parts != nullptr ? count : 0));
    ::LocalFree(parts);
    return arguments;
}

struct Case {
    const char* what;
    std::wstring program, bank, output;
    LaunchCheck check;
    std::wstring converter, outputArgument;   // when ready
};

TEST(ConverterLaunch, TheConverterGetsTheBankAndTheOutputFolderWithOneBackslash) {
    const std::wstring install = L"C:\\Program Files\\Korvo Sampler";
    const std::wstring bank = L"C:\\Sound Fonts\\Grand Piano.sf2";
    const std::wstring longestFolder = PathOf(L"C:\\Korvo ", 245);   // its converter: 259 characters
    const std::wstring longestOutput = PathOf(L"D:\\Banks ", 237);   // its longest sample name: 255
    const std::wstring shortOutput = L"D:\\Out";
    // The project's name is the bank's without ".sf2": D:\Out\<name>.kss.
    const std::wstring longestName = PathOf(L"", 255 - 6 - 1 - 4);
    const std::vector<Case> cases = {
        {"an installation under Program Files, output C:\\", install + L"\\SF2KSS.exe", bank, L"C:", LaunchCheck::kReady,
         install + L"\\patchfold.exe", L"C:\\"},
        {"an output folder with spaces on another drive", install + L"\\SF2KSS.exe", bank, L"D:\\Converted Banks",
         LaunchCheck::kReady, install + L"\\patchfold.exe", L"D:\\Converted Banks\\"},
        {"a program at a drive's root", L"C:\\SF2KSS.exe", bank, L"D:\\Banks", LaunchCheck::kReady,
         L"C:\\patchfold.exe", L"D:\\Banks\\"},
        {"the longest program folder", longestFolder + L"\\SF2KSS.exe", bank, L"C:", LaunchCheck::kReady,
         longestFolder + L"\\patchfold.exe", L"C:\\"},
        {"a program folder one longer", PathOf(L"C:\\Korvo ", 246) + L"\\SF2KSS.exe", bank, L"C:",
         LaunchCheck::kProgramFolderTooLong, L"", L""},
        {"a program path that did not fit", L"", bank, L"C:", LaunchCheck::kProgramFolderTooLong, L"", L""},
        {"the longest output folder", install + L"\\SF2KSS.exe", bank, longestOutput, LaunchCheck::kReady,
         install + L"\\patchfold.exe", longestOutput + L"\\"},
        {"an output folder one longer", install + L"\\SF2KSS.exe", bank, PathOf(L"D:\\Banks ", 238),
         LaunchCheck::kPathsTooLong, L"", L""},
        {"the longest project name", install + L"\\SF2KSS.exe", L"C:\\" + longestName + L".sf2", shortOutput,
         LaunchCheck::kReady, install + L"\\patchfold.exe", shortOutput + L"\\"},
        {"a project name one longer", install + L"\\SF2KSS.exe", L"C:\\" + longestName + L"y.sf2", shortOutput,
         LaunchCheck::kPathsTooLong, L"", L""},
        {"a bank path longer than a command line holds", install + L"\\SF2KSS.exe",
         PathOf(L"\\\\?\\C:\\", kCommandChars) + L"\\a.sf2", shortOutput, LaunchCheck::kPathsTooLong, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConverterLaunch launch;
        launch.commandLine = L"left from before";
        ASSERT_EQ(MakeConverterLaunch(c.program, c.bank, c.output, launch), c.check);
        if (c.check != LaunchCheck::kReady) {
            EXPECT_TRUE(launch.application.empty());
            EXPECT_TRUE(launch.commandLine.empty()) << "nothing to start";
            continue;
        }
        EXPECT_EQ(launch.application, c.converter);
        EXPECT_LT(launch.commandLine.size(), kCommandChars);
        const std::vector<std::wstring> arguments = Arguments(launch.commandLine);
        ASSERT_EQ(arguments.size(), 3u) << launch.commandLine;
        EXPECT_EQ(arguments[0], c.converter) << "one argument however many spaces";
        EXPECT_EQ(arguments[1], c.bank);
        EXPECT_EQ(arguments[2], c.outputArgument);
    }
}

} // namespace
