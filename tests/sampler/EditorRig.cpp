#include "EditorRig.h"

#include "StoredFields.h"
#include "WavWriter.h"

#include <chrono>
#include <thread>

namespace {

std::vector<uint32_t> PixelsOf(const Capture& shot, RECT r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels.push_back(shot.Rgb(x, y));
    return pixels;
}

// A zone the read-back refuses (an upside-down range) is left out, as
// missing: no folder picker waits for a user.
bool NoFolder(void*, const wchar_t*, wchar_t*, size_t) { return false; }

} // namespace

std::wstring SamplerDll() { return WinePath(KORVO_SAMPLER_DLL); }

void Load(const std::vector<uint8_t>& chunk, const TempFolder& folder, LoadedChunk& into) {
    const std::wstring file = folder.File(L"read-back.kss");
    WriteBytes(file, chunk);
    KFileJob job;
    job.folderPrompt = NoFolder;
    into.ok = into.engine.LoadFile(file.c_str(), job, true);
}

std::vector<uint8_t> GetChunk(PluginHost& host) {
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || data == nullptr) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

std::vector<std::string> ChangedFields(const LoadedChunk& a, const LoadedChunk& b) {
    std::vector<std::string> changed;
    for (int i = 0; i < KSamplerEngine::kInstruments; ++i) {
        const KInstrument* x = a.engine.instruments[i];
        const KInstrument* y = b.engine.instruments[i];
        if ((x == nullptr) != (y == nullptr)) {
            changed.push_back("instrument " + std::to_string(i));
            continue;
        }
        if (x == nullptr) continue;
        for (const std::string& name : StoredFieldsDiffer(*x, *y)) changed.push_back(name);
        for (int z = 0; z < KInstrument::kZones; ++z) {
            if ((x->zones[z] == nullptr) != (y->zones[z] == nullptr)) {
                changed.push_back("zone " + std::to_string(z));
                continue;
            }
            if (x->zones[z] == nullptr) continue;
            for (const std::string& name : StoredFieldsDiffer(*x->zones[z], *y->zones[z]))
                changed.push_back("zone " + std::to_string(z) + " " + name);
            const KSampleZone &p = *x->zones[z], &q = *y->zones[z];
            if (p.keyLow != q.keyLow || p.keyHigh != q.keyHigh || p.velocityLow != q.velocityLow ||
                p.velocityHigh != q.velocityHigh || p.rootKey != q.rootKey || p.layer != q.layer)
                changed.push_back("zone " + std::to_string(z) + " map");
        }
    }
    return changed;
}

void PumpFor(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<uint32_t> Shown(HWND panel, RECT r) { return PixelsOf(CaptureWindow(panel), r); }
std::vector<uint32_t> ShownNow(HWND panel, RECT r) { return PixelsOf(CaptureWindowAsIs(panel), r); }


HWND SamplerEditor::OpenEditor() {
    EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, window.hwnd()), 1);
    PumpMessages();
    return ::GetWindow(window.hwnd(), GW_CHILD);
}

void SamplerEditor::Restore(const std::vector<uint8_t>& chunk) {
    ASSERT_FALSE(chunk.empty());
    ASSERT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), const_cast<uint8_t*>(chunk.data())), 1);
}
