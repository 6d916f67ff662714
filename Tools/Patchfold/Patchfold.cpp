#include "Patchfold.h"

#include "Platform.h"
#include "ProjectWriter.h"
#include "SampleWave.h"
#include "SoundFontReader.h"
#include "ZoneMapping.h"

#include <algorithm>
#include <vector>

namespace {

// Frees the bank on every way out.
struct BankHolder {
    Hydra* bank;
    ~BankHolder() { DeleteHydra(bank); }
};

std::wstring WavePath(const std::wstring& samplesFolder, int index) {
    return samplesFolder + std::to_wstring(index) + L".wav";
}

// A path's length as the project stores it: in UTF-16 units, whatever the
// build's wchar_t.
size_t Utf16Length(const std::wstring& path) {
    size_t units = 0;
    for (wchar_t c : path) {
        const unsigned long code = static_cast<unsigned long>(c);
        units += sizeof(wchar_t) > 2 && code >= 0x10000 ? 2 : 1;
    }
    return units;
}

} // namespace

PatchfoldResult ConvertBank(const wchar_t* bankPath, const wchar_t* prefix) {
    if (bankPath == nullptr) return PatchfoldResult::kNoArgument;
    if (prefix == nullptr) prefix = L"c:\\";
    const std::wstring samplesFolder = std::wstring(prefix) + L"samples\\";
    const std::wstring projectPath = std::wstring(prefix) + BankBaseName(bankPath) + L".kss";

    SoundFontReader reader;
    BankHolder holder{reader.Load(bankPath)};
    if (holder.bank == nullptr) return PatchfoldResult::kNoBank;
    const Hydra& bank = *holder.bank;
    const int samples = bank.shdrCount > 0 ? bank.shdrCount - 1 : 0;

    // Every name is checked before anything is written: the longest WAV name
    // is the one of the highest index.
    if (Utf16Length(samplesFolder) > kMaxOutputPath || Utf16Length(projectPath) > kMaxOutputPath ||
        (samples > 0 && Utf16Length(WavePath(samplesFolder, samples - 1)) > kMaxOutputPath))
        return PatchfoldResult::kPathTooLong;

    RiffWalker data;
    if (data.Open(bankPath) != RiffWalker::kOk) return PatchfoldResult::kNoSampleData;
    SampleData where;
    where.file = &data.file;
    // Without a "smpl" chunk there is no sample data, so no sample is usable;
    // a chunk that claims more than the file holds is taken as what is there.
    if (data.FindChunk(kRiffSmpl) == RiffWalker::kOk) {
        where.start = data.dataPos;
        const int64_t inFile = data.FileSize() - data.dataPos;
        where.bytes = std::min<int64_t>(data.size, inFile > 0 ? inFile : 0);
    }
    const std::vector<uint8_t> usable = UsableSamples(bank, where.bytes);

    for (int m = 0; m < samples; ++m) {
        if (!usable[static_cast<size_t>(m)]) continue;
        CreateFolder(samplesFolder.c_str());
        WriteSampleWave(WavePath(samplesFolder, m).c_str(), bank, static_cast<uint16_t>(m), where);
    }
    data.Close();

    return WriteConvertedProject(projectPath, bank, usable) ? PatchfoldResult::kConverted : PatchfoldResult::kNoProject;
}

int Patchfold(int argc, const wchar_t* const* argv) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr) return 0;
    ConvertBank(argv[1], argc > 2 && argv[2] != nullptr ? argv[2] : L"c:\\");
    return 0;
}
