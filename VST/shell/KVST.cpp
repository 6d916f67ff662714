#include "KVST.h"

#include "GuardedCall.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct MainCall {
    AEffect* (*entry)(audioMasterCallback);
    AEffect* effect;
};

void CallMain(void* argument) {
    auto* call = static_cast<MainCall*>(argument);
    call->effect = call->entry(CKVST::HostCallback);
}

} // namespace

CKVST::CKVST() {
    // The count, a reserved word and kMaxEvents pointers.
    const size_t bytes = offsetof(VstEvents, events) + sizeof(VstEvent*) * kMaxEvents;
    eventList = static_cast<VstEvents*>(std::calloc(1, bytes));
    if (eventList != nullptr) {
        auto** pointers = reinterpret_cast<VstEvent**>(reinterpret_cast<uint8_t*>(eventList) + offsetof(VstEvents, events));
        for (uint32_t i = 0; i < kMaxEvents; ++i) pointers[i] = reinterpret_cast<VstEvent*>(&midiEvents[i]);
    }
    std::memset(midiEvents, 0, sizeof midiEvents);
    std::memset(&timeInfo, 0, sizeof timeInfo);
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.smpteFrameRate = 1;
    timeInfo.flags = kVstTempoValid;
}

CKVST::~CKVST() {
    Unload();
    std::free(eventList);
}

void CKVST::Unload() {
    if (loaded.exchange(0) == 0) return;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
    ::FreeLibrary(module);
    module = nullptr;
    mainProc = nullptr;
}

bool CKVST::Load(const char* libraryPath) {
    Unload();
    effect = nullptr;
    HMODULE library = ::LoadLibraryA(libraryPath);
    if (library == nullptr) return false;
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(
        reinterpret_cast<void*>(::GetProcAddress(library, "main")));
    if (entry == nullptr) {
        ::FreeLibrary(library);
        return false;
    }
    MainCall call{entry, nullptr};
    if (!GuardedCall(CallMain, &call)) {
        // Its entry failed half-way: nothing of it is called again, not even
        // its detach code.
        return false;
    }
    if (call.effect == nullptr || call.effect->magic != kEffectMagic) {
        ::FreeLibrary(library);
        return false;
    }
    module = library;
    mainProc = entry;
    effect = call.effect;
    ReadCaps();
    loaded = 1;
    return true;
}

void CKVST::ReadCaps() {
    numPrograms = effect->numPrograms;
    numParams = effect->numParams;
    numInputs = effect->numInputs;
    numOutputs = effect->numOutputs;
    uniqueID = effect->uniqueID;
    version = effect->version;
    const VstInt32 flags = effect->flags;
    hasEditor = (flags & effFlagsHasEditor) ? 1 : 0;
    hasClip = (flags & effFlagsHasClip) ? 1 : 0;
    hasVu = (flags & effFlagsHasVu) ? 1 : 0;
    canMono = (flags & effFlagsCanMono) ? 1 : 0;
    canReplacing = (flags & effFlagsCanReplacing) ? 1 : 0;
    programChunks = (flags & effFlagsProgramChunks) ? 1 : 0;
    char receive[] = "receiveVstMidiEvent";
    char send[] = "sendVstMidiEvent";
    receivesMidi = (flags & effFlagsIsSynth) || effect->dispatcher(effect, effCanDo, 0, 0, receive, 0.0f) == 1 ? 1 : 0;
    sendsMidi = effect->dispatcher(effect, effCanDo, 0, 0, send, 0.0f) == 1 ? 1 : 0;
    effect->user = this;
}

void CKVST::AddMidiEvent(uint32_t timestampMs, uint8_t status, uint8_t data1, uint8_t data2, float sampleRate) {
    eventLock_.Lock();
    const uint32_t pending = pendingCount.load(std::memory_order_relaxed);
    if (pending < kMaxEvents) {
        if (pending == 0) firstTimestamp = timestampMs;
        VstMidiEvent& e = midiEvents[pending];
        std::memset(&e, 0, sizeof e);
        e.type = kVstMidiType;
        e.byteSize = 24;
        // Input threads may deliver a little out of order: an event stamped
        // before the block's first plays with it.
        if (timestampMs != 0 && timestampMs > firstTimestamp)
            e.deltaFrames = static_cast<VstInt32>(sampleRate / 1000.0 * static_cast<double>(timestampMs - firstTimestamp));
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(data1);
        e.midiData[2] = static_cast<char>(data2);
        eventList->numEvents = static_cast<VstInt32>(pending + 1);
        pendingCount.store(pending + 1, std::memory_order_release);
    }
    eventLock_.Unlock();
}

void CKVST::HandOverEvents() {
    if (!receivesMidi || pendingCount.load(std::memory_order_acquire) == 0 || !eventLock_.TryLock()) return;
    effect->dispatcher(effect, effProcessEvents, 0, 0, eventList, 0.0f);
    pendingCount.store(0, std::memory_order_relaxed);
    eventList->numEvents = 0;
    eventLock_.Unlock();
}

void CKVST::Process(float** inputs, float** outputs, int32_t frames) {
    if (loaded.load() == 0) return;
    HandOverEvents();
    effect->process(effect, inputs, outputs, frames);
}

void CKVST::ProcessReplacing(float** inputs, float** outputs, int32_t frames) {
    if (loaded.load() == 0) return;
    HandOverEvents();
    effect->processReplacing(effect, inputs, outputs, frames);
}

void CKVST::ForwardPluginEvents(VstEvents* events) {
    if (midiOutHook == nullptr || events == nullptr) return;
    auto** list = reinterpret_cast<VstEvent**>(reinterpret_cast<uint8_t*>(events) + offsetof(VstEvents, events));
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* e = list[i];
        if (e == nullptr) continue;
        const uint32_t time = static_cast<uint32_t>(static_cast<int64_t>(e->deltaFrames) * 1000 / 44100);
        if (e->type == kVstMidiType) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
            const uint32_t message = static_cast<uint8_t>(midi->midiData[0]) |
                                     static_cast<uint32_t>(static_cast<uint8_t>(midi->midiData[1])) << 8 |
                                     static_cast<uint32_t>(static_cast<uint8_t>(midi->midiData[2])) << 16;
            midiOutHook(message, time, 0, nullptr, 0, midiOutUser);
        } else if (e->type == kVstSysExType) {
            const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(e);
            midiOutHook(0, time, 1, sysex->sysexDump, sysex->dumpBytes, midiOutUser);
        }
    }
}

VstIntPtr CKVST::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
    CKVST* host = effect != nullptr ? static_cast<CKVST*>(effect->user) : nullptr;
    switch (opcode) {
    case audioMasterVersion: return 2;
    case audioMasterCurrentId: return 0;
    case audioMasterIdle: return 1;
    case audioMasterGetTime: return host != nullptr ? reinterpret_cast<VstIntPtr>(&host->timeInfo) : 0;
    case audioMasterProcessEvents:
        if (host != nullptr) host->ForwardPluginEvents(static_cast<VstEvents*>(ptr));
        return 0;
    case audioMasterNeedIdle: return 1;
    case audioMasterSizeWindow:
        if (host == nullptr || host->sizeWindowHook == nullptr) return 0;
        host->sizeWindowHook(index, static_cast<int32_t>(value), host->sizeWindowUser);
        return 1;
    case audioMasterCanDo: return 1;
    default: return 0;
    }
}
