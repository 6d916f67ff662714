// The base of a plug-in's editor window as the VST 2 interface sees it; the
// effect forwards the editor opcodes to it and owns it.
#pragma once

#include "VstInterface.h"

class AudioEffect;

// An editor's getRect answer: width x height at 0, 0 in one record for every
// editor of the module (hosts keep the pointer); 0 without a place for it.
inline VstIntPtr ReportEditorRect(ERect** rect, int width, int height) {
    static ERect shared = {0, 0, 0, 0};
    if (rect == nullptr) return 0;
    shared = {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    *rect = &shared;
    return 1;
}

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* owner) : effect(owner) {}
    virtual ~AEffEditor() = default;

    virtual VstIntPtr getRect(ERect** rect) {
        *rect = nullptr;
        return 0;
    }
    virtual VstIntPtr open(void* parent) {
        systemWindow = parent;
        return 0;
    }
    virtual void close() {}
    virtual void idle() {
        if (updateFlag) {
            updateFlag = false;
            update();
        }
    }
    virtual void update() {}
    virtual void postUpdate() { updateFlag = true; }
    virtual VstInt32 onKeyDown(VstKeyCode&) { return -1; }
    virtual VstInt32 onKeyUp(VstKeyCode&) { return -1; }
    virtual VstInt32 setKnobMode(VstInt32) { return 0; }
    virtual bool onWheel(float) { return false; }

    AudioEffect* effect;
    void* systemWindow = nullptr;
    bool updateFlag = false;
};
