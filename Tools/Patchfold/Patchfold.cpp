#include "Patchfold.h"

#include "ByteText.h"
#include "Platform.h"
#include "ProjectWriter.h"
#include "SampleWave.h"
#include "SoundFontReader.h"
#include "ZoneMapping.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Frees the bank on every way out.
struct BankHolder {
    Hydra* bank;
    ~BankHolder() { DeleteHydra(bank); }
};

std::string Format(const char* format, const char* a, const char* b = "") {
    std::string out(std::strlen(format) + std::strlen(a) + std::strlen(b) + 1, '\0');
    const int n = std::snprintf(&out[0], out.size(), format, a, b);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

std::string WavePath(const std::string& samplesFolder, int index) {
    char name[16];
    std::snprintf(name, sizeof name, "%d.wav", index);
    return samplesFolder + name;
}

} // namespace

std::string BankBaseName(const char* bankPath) {
    const char* name = bankPath;
    for (const char* p = bankPath; *p != 0; ++p)
        if (*p == '\\') name = p + 1;
    const size_t length = std::strlen(name);
    return std::string(name, length > 4 ? length - 4 : 0);
}

PatchfoldResult ConvertBank(const char* bankPath, const char* prefix) {
    if (bankPath == nullptr) return PatchfoldResult::kNoArgument;
    if (prefix == nullptr) prefix = "c:\\";
    const std::string samplesFolder = Format("%ssamples\\", prefix);
    const std::string projectPath = Format("%s%s.kss", prefix, BankBaseName(bankPath).c_str());

    SoundFontReader reader;
    BankHolder holder{reader.Load(bankPath)};
    if (holder.bank == nullptr) return PatchfoldResult::kNoBank;
    const Hydra& bank = *holder.bank;
    const int samples = bank.shdrCount > 0 ? bank.shdrCount - 1 : 0;

    // Every name is checked before anything is written: the longest WAV name
    // is the one of the highest index.
    if (samplesFolder.size() > kMaxOutputPath || projectPath.size() > kMaxOutputPath ||
        (samples > 0 && WavePath(samplesFolder, samples - 1).size() > kMaxOutputPath))
        return PatchfoldResult::kPathTooLong;

    RiffWalker data;
    if (data.Open(WidenBytes(bankPath).c_str()) != RiffWalker::kOk) return PatchfoldResult::kNoSampleData;
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

    const std::wstring folder = WidenBytes(samplesFolder.c_str());
    for (int m = 0; m < samples; ++m) {
        if (!usable[static_cast<size_t>(m)]) continue;
        CreateFolder(folder.c_str());
        WriteSampleWave(WidenBytes(WavePath(samplesFolder, m).c_str()).c_str(), bank, static_cast<uint16_t>(m), where);
    }
    data.Close();

    return WriteConvertedProject(projectPath, bank, usable) ? PatchfoldResult::kConverted : PatchfoldResult::kNoProject;
}

int Patchfold(int argc, const char* const* argv) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr) return 0;
    ConvertBank(argv[1], argc > 2 && argv[2] != nullptr ? argv[2] : "c:\\");
    return 0;
}
