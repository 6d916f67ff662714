// A small VST 2 host for tests of the plug-in libraries as a host sees them:
// loads a DLL, binds `main` by name, records the plug-in's host calls and
// drives the dispatcher and the render entries. Windows build only.
#pragma once

#include "VstInterface.h"

#include <array>
#include <string>
#include <vector>

class PluginHost {
public:
    struct Call {
        VstInt32 opcode, index;
        VstIntPtr value;
        float opt;
    };
    struct Midi {
        uint8_t status, data1, data2;
        VstInt32 deltaFrames;
    };

    // Loads the library; effect() is null when it or its `main` failed.
    explicit PluginHost(const std::wstring& library, VstIntPtr versionAnswer = 2400);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    AEffect* effect() const { return effect_; }
    bool libraryLoaded() const { return module_ != nullptr; }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    // The host's open sequence: mains off, open, rate, block size, mains on.
    void Open(float rate = 44100.0f, VstInt32 block = 4096);
    // effClose: the plug-in deletes itself.
    void Close();
    VstIntPtr SendMidi(const std::vector<Midi>& events);
    // One processReplacing block; the result is 8 channels of `frames`.
    const std::vector<std::vector<float>>& Render(int frames);
    float Peak(int channel) const;
    // Peak over both channels of a stereo pair of the last block.
    float PairPeak(int pair) const;
    // Text answers of the string opcodes.
    std::string Text(VstInt32 opcode, VstInt32 index = 0);

    std::vector<Call> calls;

private:
    static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    void* module_ = nullptr;
    AEffect* effect_ = nullptr;
    VstIntPtr versionAnswer_;
    std::vector<std::vector<float>> outputs_;
};

// A Linux path of the build tree as Wine sees it (Z: is the root).
std::wstring WinePath(const std::string& unixPath);
