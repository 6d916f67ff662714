#include "AudioEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : audioMaster(master), numPrograms(programs), numParams(params) {
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = FourCC("NoEf");
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    SetFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstIntPtr AudioEffect::Host(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt,
                            VstIntPtr otherwise) {
    return audioMaster != nullptr ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : otherwise;
}

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                           float opt) {
    auto* self = static_cast<AudioEffect*>(e->object);
    if (opcode == effClose) {
        self->dispatcher(opcode, index, value, ptr, opt);
        delete self;
        return 1;
    }
    return self->dispatcher(opcode, index, value, ptr, opt);
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index) {
    return static_cast<AudioEffect*>(e->object)->getParameter(index);
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value) {
    static_cast<AudioEffect*>(e->object)->setParameter(index, value);
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::setParameter(VstInt32, float) {}
float AudioEffect::getParameter(VstInt32) { return 0.0f; }

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    Host(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::processReplacing(float**, float**, VstInt32) {}

void AudioEffect::setProgramName(char* name) { *name = 0; }
void AudioEffect::getProgramName(char* name) { *name = 0; }
void AudioEffect::getParameterLabel(VstInt32, char* label) { *label = 0; }
void AudioEffect::getParameterDisplay(VstInt32, char* text) { *text = 0; }
void AudioEffect::getParameterName(VstInt32, char* text) { *text = 0; }
VstInt32 AudioEffect::getChunk(void**, bool) { return 0; }
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) { return 0; }

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: setProgramName(static_cast<char*>(ptr)); return 0;
    case effGetProgramName: getProgramName(static_cast<char*>(ptr)); return 0;
    case effGetParamLabel: getParameterLabel(index, static_cast<char*>(ptr)); return 0;
    case effGetParamDisplay: getParameterDisplay(index, static_cast<char*>(ptr)); return 0;
    case effGetParamName: getParameterName(index, static_cast<char*>(ptr)); return 0;
    case effGetVu: return static_cast<VstIntPtr>(getVu() * 32767.0f);
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
    case effMainsChanged:
        if (value == 0) suspend();
        else resume();
        return 0;
    case effEditGetRect: return editor != nullptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen: return editor != nullptr ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor != nullptr) editor->close();
        return 0;
    case effEditIdle:
        if (editor != nullptr) editor->idle();
        return 0;
    case effIdentify: return FourCC("NvEf");
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default: return 0;
    }
}

VstInt32 AudioEffect::getMasterVersion() {
    const VstIntPtr version = Host(audioMasterVersion, 0, 0, nullptr, 0.0f, 1);
    return version == 0 ? 1 : static_cast<VstInt32>(version);
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(Host(audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void AudioEffect::masterIdle() { Host(audioMasterIdle, 0, 0, nullptr, 0.0f); }

bool AudioEffect::isInputConnected(VstInt32 input) {
    return Host(audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return Host(audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0;
}

void AudioEffect::dB2string(float value, char* text) {
    if (value <= 0.0f) std::strcpy(text, "-oo");
    else float2string(static_cast<float>(20.0 * std::log10(value)), text);
}

void AudioEffect::Hz2string(float samples, char* text) {
    float2string(samples == 0.0f ? 0.0f : getSampleRate() / samples, text);
}

void AudioEffect::ms2string(float samples, char* text) {
    float2string(static_cast<float>(samples * 1000.0 / getSampleRate()), text);
}

// Eight characters in all: sign, integer digits, point, then as many fraction
// digits as fit.
void AudioEffect::float2string(float value, char* text) {
    if (!(value <= 99999999.0f && value >= -9999999.0f)) { // also NaN
        std::strcpy(text, "Huge!");
        return;
    }
    const bool negative = value < 0.0f;
    const double magnitude = std::fabs(static_cast<double>(value));
    const long integer = static_cast<long>(magnitude);
    char head[32];
    std::snprintf(head, sizeof head, "%s%ld", negative ? "-" : "", integer);
    const int length = static_cast<int>(std::strlen(head));
    if (length >= 8) {
        std::memcpy(text, head, 8);
        text[8] = 0;
        return;
    }
    std::strcpy(text, head);
    text[length] = '.';
    const int digits = 7 - length;
    double scaled = (magnitude - static_cast<double>(integer)) * std::pow(10.0, digits);
    for (int i = digits - 1; i >= 0; --i) {
        text[length + 1 + i] = scaled <= 0.0 ? '0' : static_cast<char>('0' + static_cast<int>(std::fmod(scaled, 10.0)));
        scaled /= 10.0;
    }
    text[8] = 0;
}

void AudioEffect::long2string(long value, char* text) {
    if (value > 99999999) {
        std::strcpy(text, "Huge!");
        return;
    }
    char wide[32];
    std::snprintf(wide, sizeof wide, "%7ld", value);
    wide[8] = 0;
    std::strcpy(text, wide);
}
