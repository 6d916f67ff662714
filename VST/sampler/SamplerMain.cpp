// The sampler library's entry point `main` for the hosts (DllMain is shared).
#include "PluginEntry.h"
#include "PluginPlatform.h"
#include "SamplerGUI.h"
#include "SamplerVST.h"

// Exported as `main` (see KorvoSampler.def).
extern "C" AEffect* KorvoSamplerMain(audioMasterCallback audioMaster) {
    RaiseOpenStreamLimit(2048);
    return CreateEffect<KSamplerVST>(audioMaster, CreateSamplerGUI);
}
