// The sampler's state chunk (the whole project as a version-1300 file with
// its paths kept) and the project operations of its editor.
#include "SamplerVST.h"

#include "Platform.h"
#include "PluginPlatform.h"

#include <cstring>

namespace {

// The load's "Can not find samples" prompt, modal to the editor's window
// while it is open, so that the editor takes no input meanwhile.
bool PromptForSamples(void* user, const wchar_t* title, wchar_t* folder, size_t capacity) {
    const auto* plugin = static_cast<const KSamplerVST*>(user);
    void* owner = plugin->editorHooks != nullptr ? plugin->editorHooks->PromptOwner() : nullptr;
    return PromptForFolder(title, folder, capacity, owner);
}

} // namespace

std::wstring KSamplerVST::ChunkFilePath() const {
    // Each object has its own file: objects sharing a folder never meet.
    const std::wstring beside = pluginFolder + chunkFileName_;
    KFile probe;
    if (beside.size() < kPathLength && probe.Create(beside.c_str())) return beside;
    return UserTemporaryFolder() + chunkFileName_;
}

VstInt32 KSamplerVST::getChunk(void** data, bool isPreset) {
    if (isPreset || data == nullptr || chunkBuffer == nullptr) return 0;
    const std::wstring path = ChunkFilePath();
    KFileJob job;
    if (!engine.SaveFile(path.c_str(), job, false, true, -1)) {
        RemoveFile(path.c_str());
        return 0;
    }
    KFile file;
    int64_t size = -1;
    if (file.OpenRead(path.c_str())) size = file.Size();
    // The length of what was written, which the buffer always holds.
    const bool read = size > 0 && size <= kChunkBufferSize && file.ReadAt(0, chunkBuffer, size) == size;
    file.Close();
    RemoveFile(path.c_str());
    if (!read) return 0;
    *data = chunkBuffer;
    return static_cast<VstInt32>(size);
}

VstInt32 KSamplerVST::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    // A restore asked for from a load's own prompt would replace the project
    // under that load: refused, and nothing shown is touched.
    if (isPreset || fileLoading_) return 0;
    // Whatever comes, the project is replaced: nothing shown may point into it.
    if (editorHooks != nullptr) editorHooks->ForgetProject();
    bool loaded = false;
    if (data != nullptr && byteSize > 0 && byteSize <= kChunkBufferSize) {
        const std::wstring path = ChunkFilePath();
        KFile file;
        const bool written = file.Create(path.c_str()) && file.Write(data, byteSize);
        file.Close();
        loaded = written && LoadProject(path.c_str(), 1, false);
        RemoveFile(path.c_str());
    }
    if (!loaded) {
        // What came is no project: an empty one that works.
        NewProject();
        for (auto& slot : slotMap) slot = -1;
    } else {
        for (int row = 0; row < kSlots; ++row) slotMap[row] = engine.instruments[row] != nullptr ? row : -1;
    }
    // Taken or refused, the editor shows the project the engine now holds.
    if (editorHooks != nullptr) {
        editorHooks->RefreshInstrumentList();
        editorHooks->SelectFirstInstrument();
        editorHooks->ScanSampleFolder();
    }
    // The gains and coefficients were recomputed by the load, under its edit.
    return loaded ? 1 : 0;
}

void KSamplerVST::NewProject() {
    if (fileLoading_) return;
    const bool wasBusy = busy.exchange(true);
    {
        // Waits for a block that is already rendering.
        KRenderHold hold(&engine.structure);
        for (int slot = 0; slot < KSamplerEngine::kInstruments; ++slot) engine.DeleteInstrument(slot);
        engine.projectPath[0] = 0;
        engine.UpdateGains();
        engine.ResetInfo();
    }
    if (!wasBusy) busy = false;
}

bool KSamplerVST::LoadProject(const wchar_t* path, int32_t pathsAsStored, bool keepProject) {
    // A file that cannot be read leaves the user's work as it is.
    if (!KSamplerEngine::IsLoadableFile(path)) return false;
    if (fileLoading_) return false;
    busy = true;
    bool loaded;
    {
        // Silence while the project is replaced: a block that is rendering
        // ends first, and host automation waits for the new instruments.
        KRenderHold hold(&engine.structure);
        if (!keepProject) NewProject();
        KFileJob job;
        job.folderPrompt = PromptForSamples;
        job.folderPromptUser = this;
        fileLoading_ = true;
        loaded = engine.LoadFile(path, job, pathsAsStored != 0);
        fileLoading_ = false;
        if (loaded) engine.UpdateGains();
    }
    busy = false;
    if (!loaded) return false;
    modified = false;
    return true;
}

bool KSamplerVST::SaveProject(const wchar_t* path, int32_t instrumentIndex) {
    KFileJob job;
    const bool saved = engine.SaveFile(path, job, false, false, instrumentIndex);
    if (saved) modified = false;
    return saved;
}
