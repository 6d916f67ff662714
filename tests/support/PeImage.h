// Reads the machine and the export and import names of a Windows PE file (a
// DLL or EXE, 32-bit PE32 or 64-bit PE32+), so tests can check what a
// deliverable exposes and depends on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeImage {
    bool valid = false;
    uint16_t machine = 0;  // 0x014C: x86, 0x8664: x86-64
    bool pe32Plus = false; // the 64-bit optional header
    std::vector<std::string> exports; // exported names
    std::vector<std::string> imports; // imported DLL names, as written
};

PeImage ReadPeImage(const std::wstring& path);

// The machine code of this build's own modules.
constexpr uint16_t kThisMachine = sizeof(void*) == 8 ? 0x8664 : 0x014C;
