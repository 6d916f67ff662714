// What the front end starts: the converter beside the program, and the
// command line of one conversion. Everything is checked against the limits
// of the system and of the converter before it is made, so a path that does
// not fit is refused instead of cut.
#pragma once

#include <cstddef>
#include <string>

// The command line's buffer, in characters with its terminator: room for
// the converter's path, the bank and the output folder, each as long as the
// system lets a path be, and the quotes around them.
constexpr size_t kCommandChars = 3 * 260 + 16;

struct ConverterLaunch {
    std::wstring application;   // the converter's full path
    std::wstring commandLine;   // shorter than kCommandChars
    std::wstring project;       // the project file the converter writes
};

enum class LaunchCheck {
    kReady,
    kProgramFolderTooLong,   // the program's path did not fit, or its converter's does not
    kPathsTooLong,           // an output name or the command line would not fit
};

// programPath: the program's own full path (empty when it did not fit the
// system's buffer). output: the output folder without its trailing
// backslash. The converter gets the bank and the output folder followed by
// exactly one backslash.
LaunchCheck MakeConverterLaunch(const std::wstring& programPath, const std::wstring& bank, const std::wstring& output,
                                ConverterLaunch& launch);
