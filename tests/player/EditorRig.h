// The player's editor inside the test program: the program carries the
// player's skin resources, so a player made here gets the editor the library
// makes. What the engine dispatches is recorded on its way to the editor's
// monitor.
#pragma once

#include "PlayerGUI.h"
#include "PlayerRig.h"
#include "WindowRig.h"

#include <cstdint>
#include <memory>
#include <vector>

// Every MIDI message the engine dispatches, in order, still handed to the
// editor (whose disk callbacks share the user pointer).
class MidiRecorder {
public:
    explicit MidiRecorder(KPlayerVST& player) : player_(player) {
        KSamplerEngine& engine = player.engine;
        gui_ = engine.callbackUser;
        engine.callbackUser = this;
        engine.midiMonitorCallback = Record;
        engine.diskBeginCallback = DiskBegin;
        engine.diskEndCallback = DiskEnd;
    }
    ~MidiRecorder() {
        KSamplerEngine& engine = player_.engine;
        engine.callbackUser = gui_;
        engine.midiMonitorCallback = gui_ != nullptr ? KPlayerGUI::MidiActivityCallback : nullptr;
        engine.diskBeginCallback = gui_ != nullptr ? KPlayerGUI::OnDiskActivityStart : nullptr;
        engine.diskEndCallback = gui_ != nullptr ? KPlayerGUI::OnDiskActivityEnd : nullptr;
    }
    MidiRecorder(const MidiRecorder&) = delete;
    MidiRecorder& operator=(const MidiRecorder&) = delete;

    // What one block dispatches of the events queued so far.
    std::vector<std::vector<uint8_t>> Render() {
        messages.clear();
        Outputs out(256);
        player_.processReplacing(nullptr, out.pointers, 256);
        return messages;
    }

    std::vector<std::vector<uint8_t>> messages;

private:
    static void Record(void* user, int message) {
        auto* r = static_cast<MidiRecorder*>(user);
        const auto m = static_cast<uint32_t>(message);
        r->messages.push_back({static_cast<uint8_t>(m), static_cast<uint8_t>(m >> 8), static_cast<uint8_t>(m >> 16)});
        if (r->gui_ != nullptr) KPlayerGUI::MidiActivityCallback(r->gui_, message);
    }
    static void DiskBegin(void* user, int arg) {
        auto* r = static_cast<MidiRecorder*>(user);
        if (r->gui_ != nullptr) KPlayerGUI::OnDiskActivityStart(r->gui_, arg);
    }
    static void DiskEnd(void* user, int arg) {
        auto* r = static_cast<MidiRecorder*>(user);
        if (r->gui_ != nullptr) KPlayerGUI::OnDiskActivityEnd(r->gui_, arg);
    }

    KPlayerVST& player_;
    void* gui_ = nullptr;
};

using Message = std::vector<uint8_t>;
using Messages = std::vector<Message>;

// A player of a library exported by the rig, with the editor of the library,
// switched on (effOpen) so that it renders.
inline std::unique_ptr<KPlayerVST> PlayerWithEditor(const std::wstring& ownFile) {
    auto p = std::make_unique<KPlayerVST>(QuietHost, ownFile, CreatePlayerGUI);
    AEffect* e = p->getAeffect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    return p;
}

inline KPlayerGUI& EditorOf(KPlayerVST& p) { return *dynamic_cast<KPlayerGUI*>(p.editorHooks); }
