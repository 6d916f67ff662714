// Checks a SoundFont 2 bank and loads its INFO texts and the record lists of
// its "pdta" part into a Hydra. The sample data stays in the file.
#pragma once

#include "Hydra.h"
#include "RiffWalker.h"

#include <cstdint>

class SoundFontReader {
public:
    // Values of status after Load.
    enum : uint16_t {
        kOk = 0,
        kOutOfMemory = 4, // or a record list could not be read
        kNotRiff = 5,
        kRomMissing = 6,  // ROM samples, and no "irom" names the ROM
        kNotSoundFont = 8, // not an "sfbk" form, or a "pdta" list is missing
        kBadVersion = 10, // no "ifil", or a major version other than 2
    };
    static constexpr uint32_t kMaxTextBytes = 65535;

    SoundFontReader() = default;
    ~SoundFontReader();
    SoundFontReader(const SoundFontReader&) = delete;
    SoundFontReader& operator=(const SoundFontReader&) = delete;

    // The caller owns the bank and frees it with DeleteHydra; null on failure
    // (see status). Each call starts afresh; the file is open only inside it.
    Hydra* Load(const wchar_t* path);
    Hydra* ReadHydra();
    // Reads the record list at the walker's position into list and count;
    // false when it cannot be read or holds more records than a count can.
    template <class Record>
    bool ReadRecords(uint32_t chunkSize, Record*& list, uint16_t& count);
    void ReadInfo();

    // The INFO text of a code-table entry (kRiffIfil .. kRiffIcmt), null when absent.
    const char* Text(int entry) const { return texts[entry]; }

    wchar_t* path = nullptr;
    uint16_t presetCount = 0;
    bool fileOpen = false;
    RiffWalker walker;
    char* texts[kRiffCodeCount] = {};
    uint32_t textSizes[kRiffCodeCount] = {};
    uint32_t sampleDataSize = 0;
    uint16_t status = kOk;

private:
    Hydra* Fail(Hydra* hydra, uint16_t code);
    void CloseFile();
    void FreeTexts();
};
