#include "BounceHost.h"

#include "WindowRig.h"

#include <cstddef>
#include <cstring>

namespace demo {

namespace {
// What the window's thread has waiting now (a block's lights and meters),
// without waiting for more: the bounce goes on at its own pace.
void HandleWaitingMessages() {
    MSG message;
    for (int i = 0; i < 64 && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}
} // namespace

BounceHost::BounceHost(const std::wstring& library) {
    module_ = ::LoadLibraryW(library.c_str());
    if (module_ == nullptr) {
        problem_ = "the library does not load (error " + std::to_string(::GetLastError()) + ")";
        return;
    }
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(
        reinterpret_cast<void*>(::GetProcAddress(module_, "main")));
    if (entry == nullptr) {
        problem_ = "the library exports no \"main\"";
        return;
    }
    effect_ = entry(Callback);
    if (effect_ == nullptr || effect_->magic != kEffectMagic) {
        effect_ = nullptr;
        problem_ = "the library's \"main\" made no effect";
    }
}

BounceHost::~BounceHost() {
    if (effect_ != nullptr) {
        CloseEditor();
        Dispatch(effMainsChanged, 0, 0);
        Dispatch(effClose);
    }
    if (module_ != nullptr) ::FreeLibrary(module_);
}

VstIntPtr BounceHost::Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetSampleRate: return kRate;
    case audioMasterGetBlockSize: return kBlock;
    case audioMasterGetCurrentProcessLevel: return kVstProcessLevelOffline;
    default: return 0;
    }
}

VstIntPtr BounceHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect_ != nullptr ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

void BounceHost::Open() {
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    Dispatch(effSetBlockSize, 0, kBlock);
    Dispatch(effMainsChanged, 0, 1);
}

bool BounceHost::SetChunk(std::vector<uint8_t>& chunk) {
    return Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()) == 1;
}

bool BounceHost::EditorSize(int& width, int& height) {
    ERect* rect = nullptr;
    if (effect_ == nullptr || (effect_->flags & effFlagsHasEditor) == 0 || Dispatch(effEditGetRect, 0, 0, &rect) == 0 ||
        rect == nullptr)
        return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0;
}

HWND BounceHost::OpenEditor(HWND parent) {
    if (Dispatch(effEditOpen, 0, 0, parent) == 0) return nullptr;
    editorOpen_ = true;
    PumpMessages();
    return ::GetWindow(parent, GW_CHILD);
}

void BounceHost::CloseEditor() {
    if (!editorOpen_) return;
    Dispatch(effEditClose);
    editorOpen_ = false;
}

void BounceHost::SendEvents(const std::vector<VstMidiEvent>& events) {
    // VstEvents ends in a pointer array as long as its events.
    std::vector<uint8_t> block(offsetof(VstEvents, events) + sizeof(VstEvent*) * events.size());
    auto* list = reinterpret_cast<VstEvents*>(block.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    auto** pointers = reinterpret_cast<VstEvent**>(block.data() + offsetof(VstEvents, events));
    for (size_t i = 0; i < events.size(); ++i)
        pointers[i] = reinterpret_cast<VstEvent*>(const_cast<VstMidiEvent*>(&events[i]));
    Dispatch(effProcessEvents, 0, 0, list);
}

void BounceHost::Render() {
    if (outputs_.empty()) {
        const int channels = effect_->numOutputs > 2 ? effect_->numOutputs : 2;
        outputs_.assign(static_cast<size_t>(channels), std::vector<float>(kBlock));
        for (auto& channel : outputs_) pointers_.push_back(channel.data());
    }
    effect_->processReplacing(effect_, nullptr, pointers_.data(), kBlock);
}

Recording BounceHost::Play(const std::vector<PhraseNote>& phrase, int frames) {
    Recording recording;
    recording.rate = kRate;
    if (effect_ == nullptr) return recording;
    for (int start = 0; start < frames; start += kBlock) {
        std::vector<VstMidiEvent> events;
        const auto add = [&](int frame, uint8_t status, uint8_t key, uint8_t velocity) {
            if (frame < start || frame >= start + kBlock) return;
            VstMidiEvent e;
            std::memset(&e, 0, sizeof e);
            e.type = kVstMidiType;
            e.byteSize = static_cast<VstInt32>(sizeof e - 8); // the record after its type and size
            e.deltaFrames = frame - start;
            e.midiData[0] = static_cast<char>(status);
            e.midiData[1] = static_cast<char>(key);
            e.midiData[2] = static_cast<char>(velocity);
            events.push_back(e);
        };
        for (const PhraseNote& n : phrase) {
            add(n.onFrame, 0x90, n.key, kVelocity);
            add(n.offFrame, 0x80, n.key, 0);
        }
        if (!events.empty()) SendEvents(events);
        Render();
        const std::ptrdiff_t keep = frames - start < kBlock ? frames - start : kBlock;
        recording.left.insert(recording.left.end(), outputs_[0].begin(), outputs_[0].begin() + keep);
        recording.right.insert(recording.right.end(), outputs_[1].begin(), outputs_[1].begin() + keep);
        HandleWaitingMessages();
    }
    return recording;
}

void BounceHost::Idle(int milliseconds) {
    if (effect_ == nullptr) return;
    const DWORD blockMs = 1000 * kBlock / kRate;
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < static_cast<DWORD>(milliseconds);) {
        Render();
        HandleWaitingMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, blockMs, QS_ALLINPUT);
    }
}

} // namespace demo
