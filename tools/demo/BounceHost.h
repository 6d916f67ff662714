// The demonstration's VST 2 host: loads a plug-in library, opens it as a
// host does and bounces the phrase through it faster than real time. It
// tells the plug-in the render is offline, so that a voice waits for its
// disk stream instead of playing silence.
#pragma once

#include "Phrase.h"
#include "Recording.h"
#include "VstInterface.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

class BounceHost {
public:
    static constexpr VstInt32 kBlock = 512;

    explicit BounceHost(const std::wstring& library);
    ~BounceHost();
    BounceHost(const BounceHost&) = delete;
    BounceHost& operator=(const BounceHost&) = delete;

    // Empty once the library is loaded and its `main` made an effect.
    const std::string& problem() const { return problem_; }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    // Mains off, open, rate, block size, mains on.
    void Open();
    // The plug-in's whole state, as a host restores a song.
    bool SetChunk(std::vector<uint8_t>& chunk);
    // False when the plug-in shows no editor.
    bool EditorSize(int& width, int& height);
    // The editor in parent; returns the panel it made there (null: none).
    HWND OpenEditor(HWND parent);
    void CloseEditor();

    // The phrase on MIDI channel 1 at kVelocity, recorded from the first
    // output pair. The window messages are handled between blocks.
    Recording Play(const std::vector<PhraseNote>& phrase, int frames);
    // Goes on rendering (silence, once the phrase is over) at the pace of
    // real time, as a host does between songs, handling the window's
    // messages: the editor's lights and meters fall back.
    void Idle(int milliseconds);

private:
    static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void SendEvents(const std::vector<VstMidiEvent>& events);
    // One block into the output buffers.
    void Render();

    std::vector<std::vector<float>> outputs_;
    std::vector<float*> pointers_;

    HMODULE module_ = nullptr;
    AEffect* effect_ = nullptr;
    bool editorOpen_ = false;
    std::string problem_;
};

} // namespace demo
