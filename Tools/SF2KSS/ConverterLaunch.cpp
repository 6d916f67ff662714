#include "ConverterLaunch.h"

#include "Patchfold.h"

#include <windows.h>

namespace {

// The converter writes nothing when one of its output names is longer than
// it allows; refused here, the user learns why. Its sample names are
// counted at their longest (a 5-digit index), since the bank is not read.
bool OutputNamesFit(const std::wstring& bank, const std::wstring& output) {
    const size_t samplesFolder = output.size() + std::wstring(L"\\samples\\").size();
    const size_t longestWave = samplesFolder + std::wstring(L"65535.wav").size();
    const size_t project = output.size() + 1 + BankBaseName(bank).size() + std::wstring(L".kss").size();
    return longestWave <= kMaxOutputPath && project <= kMaxOutputPath;
}

} // namespace

LaunchCheck MakeConverterLaunch(const std::wstring& programPath, const std::wstring& bank, const std::wstring& output,
                                ConverterLaunch& launch) {
    launch = ConverterLaunch();
    const size_t slash = programPath.find_last_of(L'\\');
    if (slash == std::wstring::npos) return LaunchCheck::kProgramFolderTooLong;
    const std::wstring application = programPath.substr(0, slash) + L"\\patchfold.exe";
    if (application.size() >= MAX_PATH) return LaunchCheck::kProgramFolderTooLong;
    if (!OutputNamesFit(bank, output)) return LaunchCheck::kPathsTooLong;
    // Quoted, so that a folder with spaces stays one argument; the doubled
    // backslash before the last quote reaches the converter as one.
    const std::wstring command = L"\"" + application + L"\" \"" + bank + L"\" \"" + output + L"\\\\\"";
    if (command.size() >= kCommandChars) return LaunchCheck::kPathsTooLong;
    launch.application = application;
    launch.commandLine = command;
    launch.project = output + L"\\" + BankBaseName(bank) + L".kss";
    return LaunchCheck::kReady;
}
