// A temporary folder with a bank in it, a conversion into its "out" folder
// and the means to read the results back; the converter program run as the
// system starts it.
#pragma once

#include "ByteFields.h"
#include "Patchfold.h"
#include "SoundFontReader.h"
#include "SoundFontWriter.h"
#include "TempFolder.h"
#include "WideText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#endif

// Converter paths are wide, with backslashes: the native build's file
// layer takes a backslash as a separator too.
inline std::wstring ConverterPath(const std::wstring& path) {
    std::wstring out = path;
    for (wchar_t& c : out) c = c == L'/' ? L'\\' : c;
    return out;
}

// A UTF-16 text field of a written record, up to its first zero unit.
inline std::wstring WideTextAt(const Bytes& b, size_t at, size_t units = 260) {
    if (at + 2 * units > b.size()) return {};
    wchar_t text[261] = {};
    Utf16LeToWide(b.data() + at, units, text, 261);
    return text;
}

struct ConverterRig {
    ConverterRig() { std::filesystem::create_directories(std::filesystem::path(folder.File(L"out"))); }

    // Writes the bank as name and returns its converter path.
    std::wstring Bank(const Bytes& bytes, const std::wstring& name = L"Piano.sf2") {
        EXPECT_TRUE(WriteBytes(folder.File(name), bytes));
        return ConverterPath(folder.File(name));
    }
    std::wstring Prefix() const { return ConverterPath(folder.File(L"out")) + L"\\"; }
    PatchfoldResult Convert(const Bytes& bytes, const std::wstring& name = L"Piano.sf2") {
        const std::wstring bank = Bank(bytes, name);
        const std::wstring prefix = Prefix();
        return ConvertBank(bank.c_str(), prefix.c_str());
    }

    std::wstring Out(const std::wstring& name) const { return folder.File(L"out") + L"/" + name; }
    Bytes Wave(int m) const { return ReadBytes(Out(L"samples/" + std::to_wstring(m) + L".wav")); }
    Bytes Project(const std::wstring& name = L"Piano.kss") const { return ReadBytes(Out(name)); }
    int WaveCount() const {
        std::error_code ec;
        int n = 0;
        for (auto it = std::filesystem::directory_iterator(std::filesystem::path(Out(L"samples")), ec);
             !ec && it != std::filesystem::directory_iterator(); ++it)
            ++n;
        return n;
    }
    bool AnythingWritten() const { return !std::filesystem::is_empty(std::filesystem::path(folder.File(L"out"))); }

    TempFolder folder;
};

// The program itself, as built.
inline std::wstring ProgramPath() {
    const std::string narrow = PATCHFOLD_PROGRAM;
    std::wstring path(narrow.begin(), narrow.end());
#ifdef _WIN32
    path = L"Z:" + ConverterPath(path);
#endif
    return path;
}

// One argument as the command line's parser gives it back: on Windows
// backslashes before the closing quote are doubled.
inline std::wstring Quoted(const std::wstring& argument) {
#ifdef _WIN32
    size_t trailing = 0;
    while (trailing < argument.size() && argument[argument.size() - 1 - trailing] == L'\\') ++trailing;
    return L"\"" + argument + std::wstring(trailing, L'\\') + L"\"";
#else
    return L"'" + argument + L"'";
#endif
}

// Started through the shell with a wide command line, as the system starts
// any program: the program reads its arguments from it (natively, UTF-8).
inline int RunProgram(const std::vector<std::wstring>& arguments, const std::wstring& log) {
    std::wstring command = Quoted(ProgramPath());
    for (const std::wstring& a : arguments) command += L" " + Quoted(a);
    command += L" > " + Quoted(log) + L" 2>&1";
#ifdef _WIN32
    // cmd takes the outer quotes off.
    return ::_wsystem((L"\"" + command + L"\"").c_str());
#else
    const int status = std::system(WideToUtf8(command.c_str()).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// A test name from a case's description: its letters and digits.
inline std::string CaseName(const char* what) {
    std::string name;
    for (const char* p = what; *p; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
    return name;
}

// A bank written to a file and loaded by a reader of its own.
struct LoadedBank {
    ConverterRig rig;
    SoundFontReader reader;
    Hydra* bank = nullptr;
    explicit LoadedBank(const Bytes& bytes) {
        const std::wstring path = rig.Bank(bytes);
        bank = reader.Load(path.c_str());
    }
    ~LoadedBank() { DeleteHydra(bank); }
    LoadedBank(const LoadedBank&) = delete;
    LoadedBank& operator=(const LoadedBank&) = delete;
};

// Where the records of a converted project lie.
constexpr size_t kProjectHeader = 20;
constexpr size_t kProjectInfo = 3668;
constexpr size_t kInstrument1000 = 624;
constexpr size_t kZone1000 = 648;
