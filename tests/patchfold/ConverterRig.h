// A temporary folder with a bank in it, a conversion into its "out" folder
// and the means to read the results back.
#pragma once

#include "ByteFields.h"
#include "Patchfold.h"
#include "SoundFontReader.h"
#include "SoundFontWriter.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

// Converter paths are narrow, with backslashes: the native build's file
// layer takes a backslash as a separator too.
inline std::string ConverterPath(const std::wstring& path) {
    std::string narrow;
    for (wchar_t c : path) narrow += c == L'/' ? '\\' : static_cast<char>(c);
    return narrow;
}

struct ConverterRig {
    ConverterRig() { std::filesystem::create_directories(std::filesystem::path(folder.File(L"out"))); }

    // Writes the bank as name and returns its converter path.
    std::string Bank(const Bytes& bytes, const std::wstring& name = L"Piano.sf2") {
        EXPECT_TRUE(WriteBytes(folder.File(name), bytes));
        return ConverterPath(folder.File(name));
    }
    std::string Prefix() const { return ConverterPath(folder.File(L"out")) + "\\"; }
    PatchfoldResult Convert(const Bytes& bytes, const std::wstring& name = L"Piano.sf2") {
        const std::string bank = Bank(bytes, name);
        const std::string prefix = Prefix();
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
        const std::string path = rig.Bank(bytes);
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
