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

// The longest output path, in characters: a project stores its own path in
// 255 of them, and no output name is ever cut.
constexpr size_t kMaxOutputPath = 255;

// B of the output names: the bank's file name after its last backslash,
// without its last 4 characters.
std::string BankBaseName(const char* bankPath);

// prefix: a folder path ending in a backslash, put in front of every output
// name as it stands.
PatchfoldResult ConvertBank(const char* bankPath, const char* prefix);

// The program: argv[1] the bank, argv[2] the output prefix (default "c:\").
// Prints nothing; the result is always 0.
int Patchfold(int argc, const char* const* argv);
