// One loaded SoundFont bank: the nine record lists of its "pdta" part, its
// name and its version. Every count includes the list's terminal record.
#pragma once

#include <cstddef>
#include <cstdint>

struct SfPresetHeader {
    static constexpr size_t kFileSize = 38;
    char presetName[20];
    uint16_t preset;
    uint16_t bank;
    uint16_t presetBagNdx;
    uint32_t library;
    uint32_t genre;
    uint32_t morphology;
};

// pbag and ibag.
struct SfBag {
    static constexpr size_t kFileSize = 4;
    uint16_t genNdx;
    uint16_t modNdx;
};

// pgen and igen. A range amount holds its low end in the low byte.
struct SfGenerator {
    static constexpr size_t kFileSize = 4;
    uint16_t genOper;
    int16_t genAmount;
    uint8_t RangeLow() const { return static_cast<uint8_t>(static_cast<uint16_t>(genAmount) & 0xFF); }
    uint8_t RangeHigh() const { return static_cast<uint8_t>(static_cast<uint16_t>(genAmount) >> 8); }
};

// pmod and imod.
struct SfModulator {
    static constexpr size_t kFileSize = 10;
    uint16_t srcOper;
    uint16_t destOper;
    int16_t amount;
    uint16_t amtSrcOper;
    uint16_t transOper;
};

struct SfInstrumentHeader {
    static constexpr size_t kFileSize = 22;
    char instName[20];
    uint16_t instBagNdx;
};

struct SfSampleHeader {
    static constexpr size_t kFileSize = 46;
    char sampleName[20];
    uint32_t start;
    uint32_t end;
    uint32_t startLoop;
    uint32_t endLoop;
    uint32_t sampleRate;
    uint8_t originalPitch;
    int8_t pitchCorrection;
    uint16_t sampleLink;
    uint16_t sampleType;
};

// Sample types; bit 15 marks a sample in ROM.
constexpr uint16_t kSfMonoSample = 1;
constexpr uint16_t kSfRightSample = 2;
constexpr uint16_t kSfLeftSample = 4;
constexpr uint16_t kSfLinkedSample = 8;
constexpr uint16_t kSfRomSample = 0x8000;

// Generator numbers the converter uses.
enum SfGeneratorNumber : uint16_t {
    kGenStartAddrsOffset = 0,
    kGenAttackVolEnv = 34,
    kGenDecayVolEnv = 36,
    kGenSustainVolEnv = 37,
    kGenReleaseVolEnv = 38,
    kGenReserved1 = 42,
    kGenKeyRange = 43,
    kGenVelRange = 44,
    kGenFineTune = 52,
    kGenSampleId = 53,
    kGenSampleModes = 54,
    kGenOverridingRootKey = 58,
    kGenEndOper = 60,
};

struct Hydra {
    Hydra() = default;
    ~Hydra() { Clear(); }
    Hydra(const Hydra&) = delete;
    Hydra& operator=(const Hydra&) = delete;

    // Frees every list and the name; counts back to 0.
    void Clear();
    // 0, or 9 when out of memory (the old name is kept).
    int SetBankName(const char* text);

    SfPresetHeader* phdr = nullptr;
    SfBag* pbag = nullptr;
    SfGenerator* pgen = nullptr;
    SfModulator* pmod = nullptr;
    SfInstrumentHeader* inst = nullptr;
    SfBag* ibag = nullptr;
    SfGenerator* igen = nullptr;
    SfModulator* imod = nullptr;
    SfSampleHeader* shdr = nullptr;
    uint16_t phdrCount = 0;
    uint16_t pbagCount = 0;
    uint16_t pgenCount = 0;
    uint16_t pmodCount = 0;
    uint16_t instCount = 0;
    uint16_t ibagCount = 0;
    uint16_t igenCount = 0;
    uint16_t imodCount = 0;
    uint16_t shdrCount = 0;
    char* bankName = nullptr;
    uint16_t versionMajor = 0;
    uint16_t versionMinor = 0;
};

// Frees a bank that SoundFontReader::Load returned; null is fine.
void DeleteHydra(Hydra* hydra);
