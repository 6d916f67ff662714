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

// Copies at most capacity - 1 characters and terminates.
void CopyText(char* to, size_t capacity, const char* from) {
    std::snprintf(to, capacity, "%s", from != nullptr ? from : "");
}

std::atomic<uint32_t> gObjects{0};
} // namespace

KSamplerVST::KSamplerVST(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 1, kNumParams) {
    graphicsToken = StartGraphics();
    midiQueue.count = 0;
    busy = true;
    module = PluginModule();
    pluginFolder = PluginFolder();
    chunkFileName_ = L"temp-" + std::to_wstring(ProcessId()) + L"-" + std::to_wstring(gObjects++) + L".kss";
    chunkBuffer = new (std::nothrow) uint8_t[kChunkBufferSize];
    // The editor window comes later; its instrument rows live here till then.
    editorState = std::make_unique<KSamplerEditorState>();

    programsAreChunks(true);
    curProgram = 0;
    CopyText(programName, sizeof programName, "default");
    modified = false;
    setNumInputs(0);
    setNumOutputs(kNumOutputs);
    hasVu(false);
    hasClip(true);
    canProcessReplacing(true);
    isSynth(true);
    setUniqueID(FourCC("KrvS"));

    engine.SetSampleRate(44100);
    NewProject();
    editorState->slotMap[0] = engine.AddInstrument(1, 0);
    CopyText(programName, sizeof programName, "default");
    setProgram(0);
    editorState->RefreshInstrumentList();

    for (int a = 0; a < kNumParams; ++a)
        std::snprintf(parameterNames[a], sizeof parameterNames[a], "Inst%d:%s", a / 19 + 1, kParameterNames[a % 19]);
}

KSamplerVST::~KSamplerVST() {
    delete[] chunkBuffer;
    StopGraphics(graphicsToken);
}

void KSamplerVST::Render(float** outputs, VstInt32 frames) {
    std::memcpy(&engine.events, &midiQueue, sizeof midiQueue);
    const int fromEditor = editorMidi_.Peek(engine.events);
    if (!engine.Process(outputs, frames)) return; // an edit holds the engine: next block
    midiQueue.count = 0;
    editorMidi_.Take(fromEditor);
}

void KSamplerVST::process(float**, float** outputs, VstInt32 sampleFrames) {
    if (busy.load(std::memory_order_acquire)) return;
    Render(outputs, sampleFrames);
}

void KSamplerVST::processReplacing(float**, float** outputs, VstInt32 sampleFrames) {
    for (int i = 0; i < kNumOutputs; ++i) std::memset(outputs[i], 0, sizeof(float) * static_cast<size_t>(sampleFrames > 0 ? sampleFrames : 0));
    if (busy.load(std::memory_order_acquire)) return;
    Render(outputs, sampleFrames);
    editorState->UpdateOutputMeters(engine.peakLeft, engine.peakRight);
}

void KSamplerVST::open() { busy = false; }

void KSamplerVST::resume() { wantEvents(1); }

void KSamplerVST::setProgramName(char* name) { CopyText(programName, sizeof programName, name); }

void KSamplerVST::getProgramName(char* name) { std::strcpy(name, programName); }

void KSamplerVST::getParameterLabel(VstInt32, char* label) { std::strcpy(label, "%"); }

void KSamplerVST::setSampleRate(float rate) {
    AudioEffectX::setSampleRate(rate);
    // Envelope times are per-frame steps: they follow the rate. Voices and
    // coefficients change together, apart from any block.
    KStructureEdit edit(&engine.structure);
    engine.SetSampleRate(static_cast<int>(rate));
    engine.UpdateGains();
}

VstInt32 KSamplerVST::processEvents(VstEvents* events) {
    if (events == nullptr) return 1;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* e = events->events[i];
        if (e == nullptr || e->type != kVstMidiType) continue;
        if (midiQueue.count >= KMidiQueue::kCapacity) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
        midiQueue.events[midiQueue.count++] =
            KMidiEvent{static_cast<uint8_t>(midi->midiData[0]), static_cast<uint8_t>(midi->midiData[1]),
                       static_cast<uint8_t>(midi->midiData[2]), midi->deltaFrames};
    }
    return 1;
}

void KSamplerVST::QueueMidiEvent(const uint8_t midi[3], int32_t deltaFrames) {
    editorMidi_.Push(KMidiEvent{midi[0], midi[1], midi[2], deltaFrames});
}

bool KSamplerVST::getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) {
    if (category != 0 || index != 0) return false;
    std::strcpy(text, programName);
    return true;
}

bool KSamplerVST::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    std::snprintf(properties->label, sizeof properties->label, "Korvo Sampler Audio Out %d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

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

VstInt32 KSamplerVST::canDo(char* text) {
    if (text == nullptr) return 0;
    return std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : 0;
}

VstInt32 KSamplerVST::fxIdle() {
    editorState->RefreshInstrumentView();
    return 1;
}
