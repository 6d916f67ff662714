#include "PlayerVST.h"

#include "PluginPlatform.h"

namespace {
// The host's text buffers: 32 bytes for the effect name, 64 for vendor and
// product, each with its terminator.
constexpr size_t kEffectNameBytes = 32;
constexpr size_t kVendorBytes = 64;
constexpr size_t kProductBytes = 64;
} // namespace

KPlayerVST::KPlayerVST(audioMasterCallback audioMaster, KPlayerEditorFactory editorFactory)
    : KPlayerVST(audioMaster, PluginFilePath(), editorFactory) {}

KPlayerVST::KPlayerVST(audioMasterCallback audioMaster, const std::wstring& ownFile,
                       KPlayerEditorFactory editorFactory)
    : KEngineEffect(audioMaster, 0) {
    // The paths live in buffers of 260 characters: a longer one is refused,
    // and the player then finds no bank.
    if (ownFile.size() < kPathLength) {
        ownFile_ = ownFile;
        const size_t slash = ownFile.rfind(L'\\');
        const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
        const size_t nameLength = ownFile.size() - nameStart;
        // The file name without its extension ".dll".
        if (nameLength > 4) playerName = ownFile.substr(nameStart, nameLength - 4);
        pluginFolder = (slash == std::wstring::npos ? std::wstring() : ownFile.substr(0, slash)) + L"\\";
        const std::wstring bank = pluginFolder + playerName + L"\\" + playerName + L".ksb";
        if (bank.size() < kPathLength) bankPath = bank;
    }

    KFileJob job;
    LoadBank(bankPath.c_str(), job); // no bank leaves the engine's defaults

    // The code's bytes in their own order in memory: code[0] is the lowest.
    uint32_t id = 0;
    for (int i = 0; i < 4; ++i) id |= static_cast<uint32_t>(static_cast<uint8_t>(engine.uniqueId[i])) << (8 * i);
    setUniqueID(static_cast<VstInt32>(id));

    CheckBankPairing();

    // The editor shows what was read and kept: it comes after the check.
    if (editorFactory != nullptr) {
        AEffEditor* made = editorFactory(this);
        if (auto* hooks = dynamic_cast<KPlayerEditorHooks*>(made)) editorHooks = hooks;
        setEditor(made);
    }
    curProgram = 0;
    engine.UpdateGains();
}

KPlayerVST::~KPlayerVST() {
    // The editor goes first, while everything it shows still exists: its
    // window and timers, then (with the disk thread stopped, so that no
    // engine callback reaches it) the editor with its images, before GDI+
    // shuts down.
    editorHooks->CloseWindow();
    engine.StopDiskThread();
    editorHooks = &noEditor_;
    delete editor;
    editor = nullptr;
}

void KPlayerVST::process(float**, float** outputs, VstInt32 sampleFrames) {
    if (RenderUnlessBusy(outputs, sampleFrames)) UpdateOutputMeters(engine.peakLeft, engine.peakRight);
}

void KPlayerVST::UpdateOutputMeters(float peakLeft, float peakRight) {
    editorHooks->UpdateOutputMeters(peakLeft, peakRight);
}

void KPlayerVST::close() { busy = true; }

bool KPlayerVST::LoadBank(const wchar_t* path, KFileJob& job) {
    return engine.LoadFile(path, job, false, KSamplerEngine::Reader::Player);
}

void KPlayerVST::CheckBankPairing() {
    KFile own;
    if (!own.OpenRead(ownFile_.c_str())) return; // nothing to compare with
    uint8_t stamp[4] = {};
    // A file too short to hold the stamp cannot belong to any bank.
    bool matches = own.ReadAt(kStampOffset, stamp, sizeof stamp) == static_cast<int64_t>(sizeof stamp);
    own.Close();
    for (int i = 0; i < 4 && matches; ++i) matches = stamp[i] == static_cast<uint8_t>(engine.uniqueId[i]);
    if (matches) return;
    ShowErrorMessage(L"Can not find sound library", L"Korvo Sampler Player");
    UnloadAllInstruments();
}

void KPlayerVST::UnloadAllInstruments() {
    for (int slot = 0; slot < KSamplerEngine::kInstruments; ++slot) engine.DeleteInstrument(slot);
}

int KPlayerVST::LoadedSlotFrom(int slot, int step) const {
    constexpr int kLast = KSamplerEngine::kInstruments - 1;
    for (int s = slot < 0 ? 0 : slot > kLast ? kLast : slot; s >= 0 && s <= kLast; s += step)
        if (engine.instruments[s] != nullptr) return s;
    return -1;
}

bool KPlayerVST::getEffectName(char* name) {
    WideToAnsi(engine.libraryName, name, kEffectNameBytes);
    return true;
}

bool KPlayerVST::getVendorString(char* text) {
    WideToAnsi(engine.vendorName, text, kVendorBytes);
    return true;
}

bool KPlayerVST::getProductString(char* text) {
    WideToAnsi(engine.libraryName, text, kProductBytes);
    return true;
}
