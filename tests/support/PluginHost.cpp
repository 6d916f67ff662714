#include "PluginHost.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// The host whose library is inside `main` (the effect is not known yet).
thread_local PluginHost* gLoading = nullptr;
} // namespace

std::wstring WinePath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path;
}

PluginHost::PluginHost(const std::wstring& library, VstIntPtr versionAnswer) : versionAnswer_(versionAnswer) {
    HMODULE module = ::LoadLibraryW(library.c_str());
    module_ = module;
    if (module == nullptr) return;
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(
        reinterpret_cast<void*>(::GetProcAddress(module, "main")));
    if (entry == nullptr) return;
    gLoading = this;
    effect_ = entry(Callback);
    gLoading = nullptr;
    if (effect_ != nullptr) effect_->user = this;
}

PluginHost::~PluginHost() {
    Close();
    if (module_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(module_));
}

VstIntPtr PluginHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt) {
    PluginHost* host = effect != nullptr && effect->user != nullptr ? static_cast<PluginHost*>(effect->user) : gLoading;
    if (host == nullptr) return 0;
    host->calls.push_back({opcode, index, value, opt});
    switch (opcode) {
    case audioMasterVersion: return host->versionAnswer_;
    case audioMasterCanDo: return ptr != nullptr ? 1 : 0;
    default: return 0;
    }
}

VstIntPtr PluginHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect_ != nullptr ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

void PluginHost::Open(float rate, VstInt32 block) {
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    Dispatch(effSetBlockSize, 0, block);
    Dispatch(effMainsChanged, 0, 1);
}

void PluginHost::Close() {
    if (effect_ == nullptr) return;
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effClose);
    effect_ = nullptr;
}

VstIntPtr PluginHost::SendMidi(const std::vector<Midi>& events) {
    std::vector<VstMidiEvent> records(events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        VstMidiEvent& e = records[i];
        std::memset(&e, 0, sizeof e);
        e.type = kVstMidiType;
        e.byteSize = 24;
        e.deltaFrames = events[i].deltaFrames;
        e.midiData[0] = static_cast<char>(events[i].status);
        e.midiData[1] = static_cast<char>(events[i].data1);
        e.midiData[2] = static_cast<char>(events[i].data2);
    }
    std::vector<uint8_t> block(offsetof(VstEvents, events) + sizeof(VstEvent*) * (events.size() + 2));
    auto* list = reinterpret_cast<VstEvents*>(block.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    auto** pointers = reinterpret_cast<VstEvent**>(block.data() + offsetof(VstEvents, events));
    for (size_t i = 0; i < records.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&records[i]);
    return Dispatch(effProcessEvents, 0, 0, list);
}

const std::vector<std::vector<float>>& PluginHost::Render(int frames) {
    outputs_.assign(8, std::vector<float>(static_cast<size_t>(frames), 9.0f));
    float* pointers[8];
    for (int i = 0; i < 8; ++i) pointers[i] = outputs_[static_cast<size_t>(i)].data();
    if (effect_ != nullptr) effect_->processReplacing(effect_, nullptr, pointers, frames);
    return outputs_;
}

float PluginHost::Peak(int channel) const {
    float peak = 0.0f;
    for (float v : outputs_.at(static_cast<size_t>(channel))) peak = std::max(peak, std::fabs(v));
    return peak;
}

float PluginHost::PairPeak(int pair) const { return std::max(Peak(2 * pair), Peak(2 * pair + 1)); }

std::string PluginHost::Text(VstInt32 opcode, VstInt32 index) {
    char text[256];
    std::memset(text, 0, sizeof text);
    Dispatch(opcode, index, 0, text);
    return text;
}
