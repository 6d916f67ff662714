// The sampler as the host sees it: an 8-output VST 2 synthesizer around one
// engine, with a 512-event MIDI queue, its state chunk and the project
// operations of its editor.
#pragma once

#include "EngineEffect.h"
#include "SamplerEditorHooks.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class KSamplerVST;
// Makes the plug-in's editor (which also answers KSamplerEditorHooks).
using KSamplerEditorFactory = AEffEditor* (*)(KSamplerVST* plugin);

class KSamplerVST : public KEngineEffect {
public:
    static constexpr VstInt32 kNumParams = 304;
    static constexpr int kSlots = 16;
    // The largest project without embedded samples.
    static constexpr int32_t kChunkBufferSize = 3688 + 16 * (6824 + 1024 * 680);

    // Without a factory the sampler has no editor.
    explicit KSamplerVST(audioMasterCallback audioMaster, KSamplerEditorFactory editorFactory = nullptr);
    ~KSamplerVST() override;

    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32, char*) override {}
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 fxIdle() override;

    void NewProject();
    // Checks that the file can be read before the project is touched.
    bool LoadProject(const wchar_t* path, int32_t pathsAsStored, bool keepProject);
    bool SaveProject(const wchar_t* path, int32_t instrumentIndex);

    // This object's own temporary file for the chunk: in the plug-in's
    // folder when that can be written, else in the user's temporary folder.
    std::wstring ChunkFilePath() const;

    bool modified = false;
    uint8_t* chunkBuffer = nullptr;
    float newZoneVolumeDb = 0.0f;
    float newZonePan = 50.0f;
    int32_t newZoneGroup = 0;
    int32_t newZoneLoopMode = 0;
    bool newZoneKeyTracking = true;
    bool newZoneReleaseTrigger = false;
    // Editor slot (row) -> engine instrument slot, -1 empty. The plug-in's
    // parameters and state restore use it, with or without an editor; the
    // host's parameter calls read it from their own threads.
    std::atomic<int32_t> slotMap[kSlots];
    KSamplerEditorHooks* editorHooks = nullptr; // the editor's, or null
    char parameterNames[kNumParams][50] = {};

protected:
    void UpdateOutputMeters(float peakLeft, float peakRight) override;

private:
    // The instrument behind a parameter's group, or null when the group's
    // row is empty (the parameter is inert).
    KInstrument* ParameterInstrument(VstInt32 index);

    std::wstring chunkFileName_;
    // A file is being read into the engine: its prompt's message loop may
    // bring a host call that would replace the project under the load.
    std::atomic<bool> fileLoading_{false};
};
