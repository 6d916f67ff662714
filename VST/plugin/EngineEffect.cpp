#include "EngineEffect.h"

#include "PluginPlatform.h"

#include <cstdio>
#include <cstring>

void CopyText(char* to, size_t capacity, const char* from) {
    std::snprintf(to, capacity, "%s", from != nullptr ? from : "");
}

KEngineEffect::KEngineEffect(audioMasterCallback audioMaster, VstInt32 numParams)
    : AudioEffectX(audioMaster, 1, numParams) {
    graphicsToken = StartGraphics();
    midiQueue.count = 0;
    busy = true;
    module = PluginModule();
    programsAreChunks(true);
    curProgram = 0;
    CopyText(programName, sizeof programName, "default");
    setNumInputs(0);
    setNumOutputs(kNumOutputs);
    hasVu(false);
    hasClip(true);
    canProcessReplacing(true);
    isSynth(true);
}

KEngineEffect::~KEngineEffect() { StopGraphics(graphicsToken); }

bool KEngineEffect::RenderUnlessBusy(float** outputs, VstInt32 frames) {
    if (busy.load(std::memory_order_acquire)) return false;
    std::memcpy(&engine.events, &midiQueue, sizeof midiQueue);
    const int fromEditor = editorMidi_.Peek(engine.events);
    if (!engine.Process(outputs, frames)) return true; // an edit holds the engine: next block
    midiQueue.count = 0;
    editorMidi_.Take(fromEditor);
    return true;
}

void KEngineEffect::processReplacing(float**, float** outputs, VstInt32 sampleFrames) {
    for (int i = 0; i < kNumOutputs; ++i)
        std::memset(outputs[i], 0, sizeof(float) * static_cast<size_t>(sampleFrames > 0 ? sampleFrames : 0));
    // A bounce renders faster than the disk streams: asked once a block.
    engine.SetOffline(getCurrentProcessLevel() == kVstProcessLevelOffline);
    if (RenderUnlessBusy(outputs, sampleFrames)) UpdateOutputMeters(engine.peakLeft, engine.peakRight);
}

void KEngineEffect::open() { busy = false; }

void KEngineEffect::resume() { wantEvents(1); }

void KEngineEffect::setProgramName(char* name) { CopyText(programName, sizeof programName, name); }

void KEngineEffect::getProgramName(char* name) { std::strcpy(name, programName); }

void KEngineEffect::setSampleRate(float rate) {
    // No audio rate lies outside these; a host's 0 or NaN is no rate.
    if (!(rate >= 1.0f && rate <= 10000000.0f)) return;
    AudioEffectX::setSampleRate(rate);
    // Envelope times are per-frame steps: they follow the rate. Voices and
    // coefficients change together, apart from any block.
    KRenderHold hold(&engine.structure);
    engine.SetSampleRate(static_cast<int>(rate));
    engine.UpdateGains();
}

VstInt32 KEngineEffect::processEvents(VstEvents* events) {
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

void KEngineEffect::QueueMidiEvent(const uint8_t midi[3], int32_t deltaFrames) {
    editorMidi_.Push(KMidiEvent{midi[0], midi[1], midi[2], deltaFrames});
}

bool KEngineEffect::getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) {
    if (category != 0 || index != 0) return false;
    std::strcpy(text, programName);
    return true;
}

bool KEngineEffect::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    std::snprintf(properties->label, sizeof properties->label, "Korvo Sampler Audio Out %d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

VstInt32 KEngineEffect::canDo(char* text) {
    if (text == nullptr) return 0;
    return std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : 0;
}
