// The extended effect base class: dispatcher opcodes 25..76 and the host
// callback wrappers of the 2.x interface.
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}
    ~AudioEffectX() override = default;

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    virtual AEffEditor* getEditor() { return editor; }
    virtual bool wantEvents(VstInt32 filter = 1);
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual VstInt32 tempoAt(VstInt32 pos);
    virtual VstInt32 processEvents(VstEvents* events) = 0;
    virtual VstInt32 getNumAutomatableParameters();
    virtual VstInt32 getParameterQuantization();
    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool string2parameter(VstInt32, char*) { return false; }
    virtual float getChannelParameter(VstInt32, VstInt32) { return 0.0f; }
    virtual VstInt32 getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) = 0;
    virtual bool copyProgram(VstInt32) { return false; }
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);
    virtual double updateSampleRate();
    virtual VstInt32 updateBlockSize();
    virtual VstInt32 getInputLatency();
    virtual VstInt32 getOutputLatency();
    virtual AEffect* getPreviousPlug(VstInt32 input);
    virtual AEffect* getNextPlug(VstInt32 output);
    virtual void inputConnected(VstInt32, bool) {}
    virtual void outputConnected(VstInt32, bool) {}
    virtual bool getInputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool getOutputProperties(VstInt32 index, VstPinProperties* properties) = 0;
    virtual VstInt32 getPlugCategory() { return (cEffect.flags & effFlagsIsSynth) ? 2 : 0; }
    virtual VstInt32 willProcessReplacing();
    virtual VstInt32 getCurrentProcessLevel();
    virtual VstInt32 getAutomationState();
    virtual void wantAsyncOperation(bool state = true) { SetFlag(effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state = true) { SetFlag(effFlagsExtHasBuffer, state); }
    virtual VstInt32 reportCurrentPosition() { return 0; }
    virtual float* reportDestinationBuffer() { return nullptr; }
    virtual bool offlineRead(void* offline, VstInt32 option, bool readSource = true);
    virtual bool offlineWrite(void* offline, VstInt32 option);
    virtual bool offlineStart(void* audioFiles, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles);
    virtual VstInt32 offlineGetCurrentPass();
    virtual VstInt32 offlineGetCurrentMetaPass();
    virtual bool offlineNotify(void*, VstInt32, bool) { return false; }
    virtual bool offlinePrepare(void*, VstInt32) { return false; }
    virtual bool offlineRun(void*, VstInt32) { return false; }
    virtual VstInt32 offlineGetNumPasses() { return 0; }
    virtual VstInt32 offlineGetNumMetaPasses() { return 0; }
    virtual void setOutputSamplerate(float rate);
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual VstInt32 getHostVendorVersion();
    virtual VstIntPtr hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg);
    virtual VstInt32 canHostDo(char* text);
    virtual void isSynth(bool state = true) { SetFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state = true) { SetFlag(effFlagsNoSoundInStop, state); }
    virtual VstInt32 getHostLanguage();
    virtual void* openWindow(void* window);
    virtual bool closeWindow(void* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();
    virtual bool processVariableIo(void*) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
        *input = nullptr;
        *output = nullptr;
        return false;
    }
    virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate) {
        blockSize = size;
        sampleRate = rate;
    }
    virtual bool setBypass(bool) { return false; }
    virtual bool getEffectName(char* name) = 0;
    virtual bool getErrorText(char*) { return false; }
    virtual bool getVendorString(char* text) = 0;
    virtual bool getProductString(char* text) = 0;
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
    virtual VstInt32 canDo(char* text) = 0;
    virtual void* getIcon() { return nullptr; }
    virtual bool setViewPosition(VstInt32, VstInt32) { return false; }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual VstInt32 fxIdle() { return 0; }
    virtual bool getParameterProperties(VstInt32, void*) { return false; }
    virtual bool keysRequired() { return false; }
    virtual VstInt32 getVstVersion() { return kVstVersion; }
    virtual VstInt32 getMidiProgramName(VstInt32, void*) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32, void*) { return -1; }
    virtual VstInt32 getMidiProgramCategory(VstInt32, void*) { return 0; }
    virtual bool hasMidiProgramsChanged(VstInt32) { return false; }
    virtual bool getMidiKeyName(VstInt32, void*) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    virtual bool openFileSelector(void* selector);
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
    virtual VstInt32 getNextShellPlugin(char*) { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual bool setPanLaw(VstInt32, float) { return false; }
    virtual VstInt32 beginLoadBank(void*) { return 0; }
    virtual VstInt32 beginLoadProgram(void*) { return 0; }
    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);
};
