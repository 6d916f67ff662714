// The export of a project as a player set. For a library named N and a
// folder F: the bank F\N\N.ksb (every sample embedded), F\N.dll (a copy of
// the bank player with the library's code at file offset 0x70), F\N.exe (a
// copy of the standalone host, when it is installed) and the library's two
// pictures in F\N\.
//
// Everything is written under temporary names first and put in place only
// when all of it is complete, the player copy last: a failed export leaves
// the folder as it was, and never a player beside a bank it was not made
// with. The Export dialog runs this; so can a program without the dialog.
//
// Threads: the editor's (the engine keeps rendering meanwhile).
#pragma once

#include "Engine.h"

#include <string>

// Beside the sampler in its install folder.
constexpr const wchar_t* kPlayerFileName = L"ksplayer.bin";
constexpr const wchar_t* kHostFileName = L"korvosampler.exe";
// Where the player reads its library's code back from its own file.
constexpr int64_t kPlayerStampOffset = 0x70;

struct KExportResult {
    bool ok = false;
    // What failed, for the user; empty on success.
    std::wstring message;
    // The set's player copy and bank (filled once the name is accepted).
    std::wstring playerLibrary;
    std::wstring bank;
};

// Writes the engine's project as a player set into folder, taking the player
// and the host program from installFolder. The job's progress callback, when
// set, is called once per zone written.
KExportResult ExportPlayerFolder(KSamplerEngine& engine, const wchar_t* folder, const wchar_t* installFolder,
                                 KFileJob& job);

// Why the library name cannot name the files of a player set (a path, a
// character Windows refuses, a device name, a trailing dot or space); empty
// when it can.
std::wstring LibraryNameProblem(const wchar_t* name);

// The library code: exactly four bytes, each one character of the ANSI code
// page. From the options dialog's text: its first four characters, zeros
// after a shorter one. False, with the reason in problem, when a character
// does not fit one byte.
bool LibraryCodeFromText(const std::wstring& text, char code[4], std::wstring& problem);
// The code's bytes (up to the first zero, at most four) as text.
std::wstring LibraryCodeText(const char* code);
