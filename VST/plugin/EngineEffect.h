// What both plug-ins are around their engine: an 8-output VST 2 synthesizer
// with one program kept as a chunk, a 512-event MIDI queue handed to the
// engine once per block, and a render gate that keeps the audio thread out
// while the object is not ready.
#pragma once

#include "AudioEffectX.h"
#include "Engine.h"
#include "MidiInbox.h"
#include "MidiQueue.h"

#include <atomic>
#include <cstdint>
#include <string>

class KEngineEffect : public AudioEffectX {
public:
    static constexpr VstInt32 kNumOutputs = 8;

    // Joins the module's GDI+ session (the editors' skins), empties the
    // queue, sets busy and announces 0 inputs, 8 outputs, chunks, clipping,
    // replacing and synth. The destructor leaves the session.
    KEngineEffect(audioMasterCallback audioMaster, VstInt32 numParams);
    ~KEngineEffect() override;

    // Outputs cleared, then rendered unless busy; the peaks go to the meters.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void open() override;
    void resume() override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void setSampleRate(float rate) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 canDo(char* text) override;

    // Editor thread: an event for the next block (dropped when 512 wait).
    void QueueMidiEvent(const uint8_t midi[3], int32_t deltaFrames);

    KSamplerEngine engine;
    std::wstring pluginFolder;
    void* module = nullptr;
    uintptr_t graphicsToken = 0;
    KMidiQueue midiQueue = {};
    char programName[24] = "default";
    std::atomic<bool> busy{false};

protected:
    // Unless busy: hands the queued events to the engine and renders the
    // block (the events stay queued when an edit holds the engine). False
    // when busy, having touched nothing.
    bool RenderUnlessBusy(float** outputs, VstInt32 frames);
    // The block's left and right output peaks, for the editor's meters.
    virtual void UpdateOutputMeters(float peakLeft, float peakRight) = 0;

private:
    KMidiInbox editorMidi_;
};

// Copies at most capacity - 1 characters and terminates.
void CopyText(char* to, size_t capacity, const char* from);
