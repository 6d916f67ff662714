// The player library's entry point `main` for the hosts (DllMain is shared).
// Unlike the sampler it leaves the runtime's stream limit alone: its zones
// read through the bank's one stream.
#include "PlayerGUI.h"
#include "PlayerVST.h"
#include "PluginEntry.h"

// Exported as `main` (see ksplayer.def).
extern "C" AEffect* KorvoPlayerMain(audioMasterCallback audioMaster) {
    return CreateEffect<KPlayerVST>(audioMaster, CreatePlayerGUI);
}
