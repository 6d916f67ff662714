// The plug-in libraries' DllMain: keeps the module handle, from which a
// plug-in finds its own file.
#include "PluginPlatform.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    SetPluginModule(module);
    return TRUE;
}
