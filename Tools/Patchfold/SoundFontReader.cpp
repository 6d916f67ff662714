#include "SoundFontReader.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

namespace {

uint16_t U16(const uint8_t* b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }
uint32_t U32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

void Decode(const uint8_t* b, SfPresetHeader& r) {
    std::memcpy(r.presetName, b, 20);
    r.preset = U16(b + 20);
    r.bank = U16(b + 22);
    r.presetBagNdx = U16(b + 24);
    r.library = U32(b + 26);
    r.genre = U32(b + 30);
    r.morphology = U32(b + 34);
}
void Decode(const uint8_t* b, SfBag& r) {
    r.genNdx = U16(b);
    r.modNdx = U16(b + 2);
}
void Decode(const uint8_t* b, SfGenerator& r) {
    r.genOper = U16(b);
    r.genAmount = static_cast<int16_t>(U16(b + 2));
}
void Decode(const uint8_t* b, SfModulator& r) {
    r.srcOper = U16(b);
    r.destOper = U16(b + 2);
    r.amount = static_cast<int16_t>(U16(b + 4));
    r.amtSrcOper = U16(b + 6);
    r.transOper = U16(b + 8);
}
void Decode(const uint8_t* b, SfInstrumentHeader& r) {
    std::memcpy(r.instName, b, 20);
    r.instBagNdx = U16(b + 20);
}
void Decode(const uint8_t* b, SfSampleHeader& r) {
    std::memcpy(r.sampleName, b, 20);
    r.start = U32(b + 20);
    r.end = U32(b + 24);
    r.startLoop = U32(b + 28);
    r.endLoop = U32(b + 32);
    r.sampleRate = U32(b + 36);
    r.originalPitch = b[40];
    r.pitchCorrection = static_cast<int8_t>(b[41]);
    r.sampleLink = U16(b + 42);
    r.sampleType = U16(b + 44);
}

void ReplaceUnknownGenerators(SfGenerator* list, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i)
        if (list[i].genOper > kGenEndOper) list[i].genOper = kGenReserved1;
}

} // namespace

SoundFontReader::~SoundFontReader() {
    FreeTexts();
    delete[] path;
    CloseFile();
}

void SoundFontReader::FreeTexts() {
    for (int i = 0; i < kRiffCodeCount; ++i) {
        delete[] texts[i];
        texts[i] = nullptr;
        textSizes[i] = 0;
    }
}

void SoundFontReader::CloseFile() {
    if (walker.IsOpen()) walker.Close();
    fileOpen = false;
}

Hydra* SoundFontReader::Fail(Hydra* hydra, uint16_t code) {
    DeleteHydra(hydra);
    CloseFile();
    status = code;
    return nullptr;
}

Hydra* SoundFontReader::Load(const wchar_t* file) {
    status = kOk;
    presetCount = 0;
    sampleDataSize = 0;
    FreeTexts();
    delete[] path;
    path = nullptr;
    CloseFile();
    if (file == nullptr) return Fail(nullptr, kNotRiff);
    const size_t length = std::wcslen(file);
    path = new (std::nothrow) wchar_t[length + 1];
    if (path == nullptr) return Fail(nullptr, kOutOfMemory);
    std::wmemcpy(path, file, length + 1);
    if (walker.Open(path) != RiffWalker::kOk) return Fail(nullptr, kNotRiff);
    fileOpen = true;
    return ReadHydra();
}

template <class Record>
bool SoundFontReader::ReadRecords(uint32_t chunkSize, Record*& list, uint16_t& count) {
    // A trailing part of a record is ignored. More records than a uint16
    // count holds cannot be indexed by the bank itself: the list is refused.
    const uint32_t records = chunkSize / static_cast<uint32_t>(Record::kFileSize);
    if (records > 0xFFFF) return false;
    delete[] list;
    list = nullptr;
    count = 0;
    if (records == 0) return true; // an empty list: every later step sees none
    std::vector<uint8_t> bytes;
    const size_t total = static_cast<size_t>(records) * Record::kFileSize;
    bytes.resize(total);
    if (walker.ReadAt(walker.dataPos, bytes.data(), static_cast<int64_t>(total)) != static_cast<int64_t>(total))
        return false;
    list = new (std::nothrow) Record[records];
    if (list == nullptr) return false;
    for (uint32_t i = 0; i < records; ++i) Decode(bytes.data() + i * Record::kFileSize, list[i]);
    count = static_cast<uint16_t>(records);
    return true;
}

void SoundFontReader::ReadInfo() {
    FreeTexts();
    for (int entry = kFirstInfoCode; entry <= kLastInfoCode; ++entry) {
        uint16_t found = walker.FindChunk(static_cast<RiffCode>(entry));
        if (found != RiffWalker::kOk && entry == kRiffIfil) found = walker.FindChunk(FourCc("IFIL"));
        if (found != RiffWalker::kOk) continue;
        const uint32_t bytes = walker.size < kMaxTextBytes ? walker.size : kMaxTextBytes;
        char* text = new (std::nothrow) char[bytes + 1]();
        if (text == nullptr) continue;
        // A text cut short by the end of the file keeps what is there.
        const int64_t got = bytes > 0 ? walker.ReadAt(walker.dataPos, text, bytes) : 0;
        texts[entry] = text;
        textSizes[entry] = static_cast<uint32_t>(got > 0 ? got : 0);
    }
}

Hydra* SoundFontReader::ReadHydra() {
    Hydra* hydra = new (std::nothrow) Hydra;
    if (hydra == nullptr) return Fail(nullptr, kOutOfMemory);

    walker.Rewind();
    if (walker.ReadChunkHeader() != RiffWalker::kOk || walker.id != walker.codes[kRiffRiff] ||
        (walker.listType != walker.codes[kRiffSfbk] && walker.listType != FourCc("SFBK")))
        return Fail(hydra, kNotSoundFont);

    ReadInfo();
    const char* version = texts[kRiffIfil];
    if (version == nullptr || textSizes[kRiffIfil] < 4) return Fail(hydra, kBadVersion);
    const auto* v = reinterpret_cast<const uint8_t*>(version);
    hydra->versionMajor = U16(v);
    hydra->versionMinor = U16(v + 2);
    if (hydra->versionMajor != 2) return Fail(hydra, kBadVersion);

    const char* name = texts[kRiffInam] != nullptr ? texts[kRiffInam] : "SoundFont Bank";
    if (hydra->SetBankName(name) != 0) return Fail(hydra, kOutOfMemory);

    if (walker.FindChunk(kRiffPdta) != RiffWalker::kOk) return Fail(hydra, kNotSoundFont);
    struct List {
        RiffCode code;
        bool (*read)(SoundFontReader&, Hydra&, uint32_t);
    };
    const List lists[] = {
        {kRiffPhdr, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.phdr, h.phdrCount); }},
        {kRiffPbag, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.pbag, h.pbagCount); }},
        {kRiffPmod, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.pmod, h.pmodCount); }},
        {kRiffPgen, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.pgen, h.pgenCount); }},
        {kRiffInst, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.inst, h.instCount); }},
        {kRiffIbag, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.ibag, h.ibagCount); }},
        {kRiffImod, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.imod, h.imodCount); }},
        {kRiffIgen, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.igen, h.igenCount); }},
        {kRiffShdr, [](SoundFontReader& r, Hydra& h, uint32_t n) { return r.ReadRecords(n, h.shdr, h.shdrCount); }},
    };
    for (const List& list : lists) {
        if (walker.FindChunk(list.code) != RiffWalker::kOk) return Fail(hydra, kNotSoundFont);
        if (!list.read(*this, *hydra, walker.size)) return Fail(hydra, kOutOfMemory);
    }
    presetCount = hydra->phdrCount > 0 ? static_cast<uint16_t>(hydra->phdrCount - 1) : 0;

    sampleDataSize = walker.FindChunk(kRiffSmpl) == RiffWalker::kOk ? walker.size : 0;
    CloseFile();

    ReplaceUnknownGenerators(hydra->pgen, hydra->pgenCount);
    ReplaceUnknownGenerators(hydra->igen, hydra->igenCount);

    if (texts[kRiffIrom] == nullptr) {
        for (uint16_t i = 0; i < hydra->shdrCount; ++i)
            if (hydra->shdr[i].sampleType & kSfRomSample) return Fail(hydra, kRomMissing);
    }
    return hydra;
}
