#include "Project.h"

#include "Platform.h"

#include <windows.h>

namespace demo {

namespace {
// The load asks for a folder when a sample is missing: here that is a fault.
bool NoFolder(void* user, const wchar_t*, wchar_t*, size_t) {
    *static_cast<bool*>(user) = true;
    return false;
}
} // namespace

bool LoadProject(KSamplerEngine& engine, const std::wstring& path, std::string& problem) {
    bool missing = false;
    KFileJob job;
    job.folderPrompt = NoFolder;
    job.folderPromptUser = &missing;
    if (!engine.LoadFile(path.c_str(), job, false)) {
        problem = "the project does not load";
        return false;
    }
    if (missing) {
        problem = "a sample of the project is not in the samples folder beside it";
        return false;
    }
    if (ZoneCount(engine) == 0) {
        problem = "the project holds no zones";
        return false;
    }
    return true;
}

std::vector<uint8_t> StateChunk(KSamplerEngine& engine) {
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    if (::GetTempPathW(MAX_PATH, folder) == 0 || ::GetTempFileNameW(folder, L"kss", 0, file) == 0) return {};
    std::vector<uint8_t> bytes;
    KFileJob job;
    KFile f;
    if (engine.SaveFile(file, job, false, true, -1) && f.OpenRead(file)) {
        bytes.resize(static_cast<size_t>(f.Size()));
        if (f.ReadAt(0, bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size()))
            bytes.clear();
    }
    f.Close();
    ::DeleteFileW(file);
    return bytes;
}

int ZoneCount(const KSamplerEngine& engine) {
    int zones = 0;
    for (const KInstrument* in : engine.instruments)
        if (in != nullptr) zones += in->zoneCount;
    return zones;
}

} // namespace demo
