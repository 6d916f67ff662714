// The sampler as the host sees it: an 8-output VST 2 synthesizer around one
// engine, with a 512-event MIDI queue, its state chunk and the project
// operations of its editor.
#pragma once

#include "AudioEffectX.h"
#include "Engine.h"
#include "MidiInbox.h"
#include "MidiQueue.h"
#include "SamplerEditorState.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class KSamplerVST : public AudioEffectX {
public:
    static constexpr VstInt32 kNumParams = 304;
    static constexpr VstInt32 kNumOutputs = 8;
    // The largest project without embedded samples.
    static constexpr int32_t kChunkBufferSize = 3688 + 16 * (6824 + 1024 * 680);

    explicit KSamplerVST(audioMasterCallback audioMaster);
    ~KSamplerVST() override;

    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void open() override;
    void close() override {}
    void suspend() override {}
    void resume() override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32, char*) override {}
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    void setSampleRate(float rate) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 canDo(char* text) override;
    VstInt32 fxIdle() override;

    // Editor thread: an event for the next block (dropped when 512 wait).
    void QueueMidiEvent(const uint8_t midi[3], int32_t deltaFrames);

    void NewProject();
    // Checks that the file can be read before the project is touched.
    bool LoadProject(const wchar_t* path, int32_t pathsAsStored, bool keepProject);
    bool SaveProject(const wchar_t* path, int32_t instrumentIndex);

    // This object's own temporary file for the chunk: in the plug-in's
    // folder when that can be written, else in the user's temporary folder.
    std::wstring ChunkFilePath() const;

    KSamplerEngine engine;
    bool modified = false;
    std::wstring pluginFolder;
    uint8_t* chunkBuffer = nullptr;
    float newZoneVolumeDb = 0.0f;
    float newZonePan = 50.0f;
    int32_t newZoneGroup = 0;
    int32_t newZoneLoopMode = 0;
    bool newZoneKeyTracking = true;
    bool newZoneReleaseTrigger = false;
    void* module = nullptr;
    uintptr_t graphicsToken = 0;
    KMidiQueue midiQueue = {};
    std::unique_ptr<KSamplerEditorState> editorState;
    char programName[24] = "default";
    char parameterNames[kNumParams][50] = {};
    std::atomic<bool> busy{false};

private:
    // The instrument behind a parameter's group, or null when the group's
    // row is empty (the parameter is inert).
    KInstrument* ParameterInstrument(VstInt32 index);
    // Hands the queued events to the engine and renders; the events stay
    // queued when the engine could not render.
    void Render(float** outputs, VstInt32 frames);

    KMidiInbox editorMidi_;
    std::wstring chunkFileName_;
};
