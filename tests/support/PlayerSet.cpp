#include "PlayerSet.h"

#include "Platform.h"

#include <cstring>

bool MakePlayerSet(KSamplerEngine& engine, const std::wstring& folder, const std::wstring& playerLibrary,
                   PlayerSet& set) {
    const std::wstring name = engine.libraryName;
    const std::wstring bankFolder = folder + L"\\" + name;
    set.bank = bankFolder + L"\\" + name + L".ksb";
    set.library = folder + L"\\" + name + L".dll";
    CreateFolder(bankFolder.c_str());
    KFileJob job;
    if (!engine.SaveFile(set.bank.c_str(), job, true, false, -1)) return false;
    return CopyFileOver(playerLibrary.c_str(), set.library.c_str()) && StampLibraryCode(set.library, engine.uniqueId);
}

bool StampLibraryCode(const std::wstring& library, const char code[4]) {
    Bytes bytes = ReadBytes(library);
    if (bytes.size() < 0x74) return false;
    std::memcpy(bytes.data() + 0x70, code, 4);
    return WriteBytes(library, bytes);
}

Bytes StandInPlayerLibrary() {
    Bytes bytes(1024, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0x80; // e_lfanew
    const char stub[] = "This program cannot be run in DOS mode.\r\r\n$";
    std::memcpy(bytes.data() + 0x4E, stub, sizeof stub - 1);
    bytes[0x80] = 'P';
    bytes[0x81] = 'E';
    return bytes;
}
