// The effect base class: fills the AEffect record, turns dispatcher opcodes
// 0..24 into virtual operations and wraps the basic host callbacks.
#pragma once

#include "AEffEditor.h"
#include "VstInterface.h"

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    virtual void setParameter(VstInt32 index, float value);
    virtual float getParameter(VstInt32 index);
    virtual void setParameterAutomated(VstInt32 index, float value);
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual void open() {}
    virtual void close() {}
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(VstInt32 index, char* label);
    virtual void getParameterDisplay(VstInt32 index, char* text);
    virtual void getParameterName(VstInt32 index, char* text);
    virtual float getVu() { return 0.0f; }
    virtual VstInt32 getChunk(void** data, bool isPreset = false);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false);
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void hasVu(bool state = true) { SetFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { SetFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { SetFlag(effFlagsCanMono, state); }
    virtual void canProcessReplacing(bool state = true) { SetFlag(effFlagsCanReplacing, state); }
    virtual void programsAreChunks(bool state = true) { SetFlag(effFlagsProgramChunks, state); }
    virtual void setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);
    virtual void dB2string(float value, char* text);
    virtual void Hz2string(float samples, char* text);
    virtual void ms2string(float samples, char* text);
    virtual void float2string(float value, char* text);
    virtual void long2string(long value, char* text);

    AEffect* getAeffect() { return &cEffect; }
    // Attaching sets effFlagsHasEditor, a null editor clears it.
    void setEditor(AEffEditor* newEditor);

    float sampleRate = 44100.0f;
    AEffEditor* editor = nullptr; // owned
    audioMasterCallback audioMaster;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    VstInt32 blockSize = 1024;
    AEffect cEffect;

protected:
    // The host callback, or `otherwise` without one.
    VstIntPtr Host(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt,
                   VstIntPtr otherwise = 0);
    void SetFlag(VstInt32 flag, bool state) {
        if (state) cEffect.flags |= flag;
        else cEffect.flags &= ~flag;
    }

    static VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt);
    static float getParameterClass(AEffect* e, VstInt32 index);
    static void setParameterClass(AEffect* e, VstInt32 index, float value);
    static void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
};
