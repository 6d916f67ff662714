#include "SamplerVST.h"

#include "PluginPlatform.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

namespace {
constexpr const char* kParameterNames[19] = {
    "Volume",        "Pan",           "Current Layer",  "Amp Attack",     "Amp Decay",
    "Amp Sustain",   "Amp Release",   "Filter Attack",  "Filter Decay",   "Filter Sustain",
    "Filter Release", "Reverb On/Off", "Reverb Send",   "Reverb Size",    "Reverb Damp",
    "LPF Cutoff",    "LPF Reso",      "LPF Note to Cutoff", "LPF Velo to Cutoff"};

std::atomic<uint32_t> gObjects{0};
} // namespace

KSamplerVST::KSamplerVST(audioMasterCallback audioMaster, KSamplerEditorFactory editorFactory)
    : KEngineEffect(audioMaster, kNumParams) {
    for (auto& slot : slotMap) slot = -1;
    pluginFolder = PluginFolder();
    chunkFileName_ = L"temp-" + std::to_wstring(ProcessId()) + L"-" + std::to_wstring(gObjects++) + L".kss";
    chunkBuffer = new (std::nothrow) uint8_t[kChunkBufferSize];
    if (editorFactory != nullptr) {
        AEffEditor* editor = editorFactory(this);
        editorHooks = dynamic_cast<KSamplerEditorHooks*>(editor);
        setEditor(editor);
    }

    modified = false;
    setUniqueID(FourCC("KrvS"));

    engine.SetSampleRate(44100);
    NewProject();
    slotMap[0] = engine.AddInstrument(1, 0);
    CopyText(programName, sizeof programName, "default");
    setProgram(0);
    if (editorHooks != nullptr) editorHooks->RefreshInstrumentList();

    for (int a = 0; a < kNumParams; ++a)
        std::snprintf(parameterNames[a], sizeof parameterNames[a], "Inst%d:%s", a / 19 + 1, kParameterNames[a % 19]);
}

KSamplerVST::~KSamplerVST() {
    // The editor goes first, while everything it shows still exists: its
    // window and timers, then (with the disk thread stopped, so that no
    // engine callback reaches it) the editor with its images, before GDI+
    // shuts down.
    if (editorHooks != nullptr) editorHooks->CloseWindow();
    engine.StopDiskThread();
    editorHooks = nullptr;
    delete editor;
    editor = nullptr;
    delete[] chunkBuffer;
}

void KSamplerVST::process(float**, float** outputs, VstInt32 sampleFrames) { RenderUnlessBusy(outputs, sampleFrames); }

void KSamplerVST::UpdateOutputMeters(float peakLeft, float peakRight) {
    if (editorHooks != nullptr) editorHooks->UpdateOutputMeters(peakLeft, peakRight);
}

void KSamplerVST::getParameterLabel(VstInt32, char* label) { std::strcpy(label, "%"); }

// The host's buffers are 32 bytes for the name and 64 for vendor and product.
bool KSamplerVST::getEffectName(char* name) {
    CopyText(name, 32, "KorvoSampler");
    return true;
}

bool KSamplerVST::getVendorString(char* text) {
    CopyText(text, 64, "Tellurand");
    return true;
}

bool KSamplerVST::getProductString(char* text) {
    CopyText(text, 64, "KorvoSampler");
    return true;
}

VstInt32 KSamplerVST::fxIdle() {
    if (editorHooks != nullptr) editorHooks->RefreshInstrumentView();
    return 1;
}
