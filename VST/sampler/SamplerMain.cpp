// The sampler library's entry points: DllMain, and `main` for the hosts.
#include "PluginPlatform.h"
#include "SamplerVST.h"

#include <windows.h>

#include <new>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    SetPluginModule(module);
    return TRUE;
}

// Exported as `main` (see KorvoSampler.def).
extern "C" AEffect* KorvoSamplerMain(audioMasterCallback audioMaster) {
    RaiseOpenStreamLimit(2048);
    // Asked directly: the getMasterVersion wrapper turns a 0 into 1.
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    KSamplerVST* effect = new (std::nothrow) KSamplerVST(audioMaster);
    return effect != nullptr ? effect->getAeffect() : nullptr;
}
