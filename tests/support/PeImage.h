// Reads the export and import names of a 32-bit Windows PE file (a DLL or
// EXE), so tests can check what a deliverable exposes and depends on.
#pragma once

#include <string>
#include <vector>

struct PeImage {
    bool valid = false;
    std::vector<std::string> exports; // exported names
    std::vector<std::string> imports; // imported DLL names, as written
};

PeImage ReadPeImage(const std::wstring& path);
