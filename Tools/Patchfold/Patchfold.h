// The SoundFont converter: one bank into one WAV per sample header in a
// "samples" folder and a version-1000 project that maps them onto keys and
// velocities for up to 16 instruments.
#pragma once

#include <string>

enum class PatchfoldResult {
    kConverted,      // WAVs and project written
    kNoArgument,     // no bank named: nothing written
    kNoBank,         // unreadable or invalid bank: nothing written
    kPathTooLong,    // an output path does not fit: nothing written
    kNoSampleData,   // the bank could not be opened again: nothing written
    kNoProject,      // the project file could not be created: WAVs only
};

// The longest output path, in UTF-16 units: a project stores its own path
// in 255 of them, and no output name is ever cut.
constexpr size_t kMaxOutputPath = 255;

// B of the output names: the bank's file name after its last backslash,
// without its last 4 characters. The front end names the project with it
// too.
inline std::wstring BankBaseName(const std::wstring& bankPath) {
    const size_t slash = bankPath.find_last_of(L'\\');
    const std::wstring name = slash == std::wstring::npos ? bankPath : bankPath.substr(slash + 1);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::wstring();
}

// Paths are wide, as the system gives them: a name in any script reaches
// the file it names. prefix: a folder path ending in a backslash, put in
// front of every output name as it stands.
PatchfoldResult ConvertBank(const wchar_t* bankPath, const wchar_t* prefix);

// The program: argv[1] the bank, argv[2] the output prefix (default "c:\").
// Prints nothing; the result is always 0.
int Patchfold(int argc, const wchar_t* const* argv);
