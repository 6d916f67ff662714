#include "AudioEffectX.h"

#include <cstdlib>
#include <cstring>

namespace {
VstIntPtr Bool(bool value) { return value ? 1 : 0; }
} // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return Bool(canParameterBeAutomated(index));
    case effString2Parameter: return Bool(string2parameter(index, static_cast<char*>(ptr)));
    case effGetNumProgramCategories: return getNumCategories();
    case effGetProgramNameIndexed:
        return Bool(getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)));
    case effCopyProgram: return Bool(copyProgram(index));
    case effConnectInput: inputConnected(index, value != 0); return 1;
    case effConnectOutput: outputConnected(index, value != 0); return 1;
    case effGetInputProperties: return Bool(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties: return Bool(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory: return getPlugCategory();
    case effGetCurrentPosition: return reportCurrentPosition();
    case effGetDestinationBuffer: return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify: return Bool(offlineNotify(ptr, static_cast<VstInt32>(value), index != 0));
    case effOfflinePrepare: return Bool(offlinePrepare(ptr, static_cast<VstInt32>(value)));
    case effOfflineRun: return Bool(offlineRun(ptr, static_cast<VstInt32>(value)));
    case effProcessVarIo: return Bool(processVariableIo(ptr));
    case effSetSpeakerArrangement:
        return Bool(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                          static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate: setBlockSizeAndSampleRate(static_cast<VstInt32>(value), opt); return 1;
    case effSetBypass: return Bool(setBypass(value != 0));
    case effGetEffectName: return Bool(getEffectName(static_cast<char*>(ptr)));
    case effGetErrorText: return Bool(getErrorText(static_cast<char*>(ptr)));
    case effGetVendorString: return Bool(getVendorString(static_cast<char*>(ptr)));
    case effGetProductString: return Bool(getProductString(static_cast<char*>(ptr)));
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return canDo(static_cast<char*>(ptr));
    case effGetTailSize: return getGetTailSize();
    case effIdle: return fxIdle();
    case effGetIcon: return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition: return Bool(setViewPosition(index, static_cast<VstInt32>(value)));
    case effGetParameterProperties: return Bool(getParameterProperties(index, ptr));
    case effKeysRequired: return keysRequired() ? 0 : 1;
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (editor == nullptr) return 0;
        VstKeyCode key;
        key.character = index;
        key.virt = static_cast<uint8_t>(value);
        key.modifier = static_cast<uint8_t>(static_cast<int>(opt));
        return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case effSetEditKnobMode: return editor != nullptr ? editor->setKnobMode(static_cast<VstInt32>(value)) : 0;
    case effGetMidiProgramName: return getMidiProgramName(index, ptr);
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
    case effGetMidiProgramCategory: return getMidiProgramCategory(index, ptr);
    case effHasMidiProgramsChanged: return Bool(hasMidiProgramsChanged(index));
    case effGetMidiKeyName: return Bool(getMidiKeyName(index, ptr));
    case effBeginSetProgram: return Bool(beginSetProgram());
    case effEndSetProgram: return Bool(endSetProgram());
    case effGetSpeakerArrangement:
        return Bool(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                          static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin: return getNextShellPlugin(static_cast<char*>(ptr));
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<VstInt32>(value));
    case effSetPanLaw: return Bool(setPanLaw(static_cast<VstInt32>(value), opt));
    case effBeginLoadBank: return beginLoadBank(ptr);
    case effBeginLoadProgram: return beginLoadProgram(ptr);
    default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::wantEvents(VstInt32 filter) { return Host(audioMasterWantMidi, 0, filter, nullptr, 0.0f) != 0; }

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(Host(audioMasterGetTime, 0, filter, nullptr, 0.0f));
}

VstInt32 AudioEffectX::tempoAt(VstInt32 pos) { return static_cast<VstInt32>(Host(audioMasterTempoAt, 0, pos, nullptr, 0.0f)); }

VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return static_cast<VstInt32>(Host(audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f));
}

VstInt32 AudioEffectX::getParameterQuantization() {
    return static_cast<VstInt32>(Host(audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f));
}

bool AudioEffectX::ioChanged() { return Host(audioMasterIOChanged, 0, 0, nullptr, 0.0f) != 0; }
bool AudioEffectX::needIdle() { return Host(audioMasterNeedIdle, 0, 0, nullptr, 0.0f) != 0; }

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return Host(audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}

double AudioEffectX::updateSampleRate() {
    const VstIntPtr rate = Host(audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    if (rate > 0) sampleRate = static_cast<float>(rate);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    const VstIntPtr size = Host(audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
    if (size > 0) blockSize = static_cast<VstInt32>(size);
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() {
    return static_cast<VstInt32>(Host(audioMasterGetInputLatency, 0, 0, nullptr, 0.0f));
}

VstInt32 AudioEffectX::getOutputLatency() {
    return static_cast<VstInt32>(Host(audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f));
}

AEffect* AudioEffectX::getPreviousPlug(VstInt32) {
    return reinterpret_cast<AEffect*>(Host(audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f));
}

AEffect* AudioEffectX::getNextPlug(VstInt32) {
    return reinterpret_cast<AEffect*>(Host(audioMasterGetNextPlug, 0, 0, nullptr, 0.0f));
}

VstInt32 AudioEffectX::willProcessReplacing() {
    return static_cast<VstInt32>(Host(audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<VstInt32>(Host(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f));
}

VstInt32 AudioEffectX::getAutomationState() {
    return static_cast<VstInt32>(Host(audioMasterGetAutomationState, 0, 0, nullptr, 0.0f));
}

bool AudioEffectX::offlineRead(void* offline, VstInt32 option, bool readSource) {
    return Host(audioMasterOfflineRead, readSource ? 1 : 0, option, offline, 0.0f) != 0;
}

bool AudioEffectX::offlineWrite(void* offline, VstInt32 option) {
    return Host(audioMasterOfflineWrite, 0, option, offline, 0.0f) != 0;
}

bool AudioEffectX::offlineStart(void* audioFiles, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
    return Host(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, audioFiles, 0.0f) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return Host(audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return Host(audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f) != 0 ? 1 : 0;
}

void AudioEffectX::setOutputSamplerate(float rate) { Host(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate); }

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(Host(audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f));
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(Host(audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0.0f));
}

bool AudioEffectX::getHostVendorString(char* text) { return Host(audioMasterGetVendorString, 0, 0, text, 0.0f) != 0; }
bool AudioEffectX::getHostProductString(char* text) { return Host(audioMasterGetProductString, 0, 0, text, 0.0f) != 0; }

VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(Host(audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f));
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg) {
    return Host(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

VstInt32 AudioEffectX::canHostDo(char* text) { return Host(audioMasterCanDo, 0, 0, text, 0.0f) != 0 ? 1 : 0; }

VstInt32 AudioEffectX::getHostLanguage() {
    return static_cast<VstInt32>(Host(audioMasterGetLanguage, 0, 0, nullptr, 0.0f));
}

void* AudioEffectX::openWindow(void* window) {
    return reinterpret_cast<void*>(Host(audioMasterOpenWindow, 0, 0, window, 0.0f));
}

bool AudioEffectX::closeWindow(void* window) { return Host(audioMasterCloseWindow, 0, 0, window, 0.0f) != 0; }

void* AudioEffectX::getDirectory() { return reinterpret_cast<void*>(Host(audioMasterGetDirectory, 0, 0, nullptr, 0.0f)); }

bool AudioEffectX::updateDisplay() { return Host(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0; }
bool AudioEffectX::beginEdit(VstInt32 index) { return Host(audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0; }
bool AudioEffectX::endEdit(VstInt32 index) { return Host(audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0; }

bool AudioEffectX::openFileSelector(void* selector) {
    return selector != nullptr && Host(audioMasterOpenFileSelector, 0, 0, selector, 0.0f) != 0;
}

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels) {
    if (*arrangement != nullptr) std::free(*arrangement);
    *arrangement = nullptr;
    if (channels < 0) return false;
    const size_t bytes = 8 + sizeof(VstSpeakerProperties) * static_cast<size_t>(channels);
    auto* made = static_cast<VstSpeakerArrangement*>(std::calloc(1, bytes));
    if (made == nullptr) return false;
    made->numChannels = channels;
    *arrangement = made;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    std::free(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (to == nullptr || from == nullptr) return false;
    std::memcpy(to->name, from->name, sizeof to->name);
    to->name[sizeof to->name - 1] = 0;
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof to->future);
    return true;
}

namespace {
// The speakers follow the 8-byte head, as many as numChannels says.
VstSpeakerProperties* Speaker(VstSpeakerArrangement* arrangement, VstInt32 i) {
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) + 8) + i;
}
} // namespace

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (from == nullptr) return false;
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    bool all = true;
    for (VstInt32 i = 0; i < from->numChannels; ++i) all = copySpeaker(Speaker(*to, i), Speaker(from, i)) && all;
    return all;
}
