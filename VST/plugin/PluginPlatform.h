// What the plug-ins need of the system beyond the engine's layer: their own
// module and folder, a writable folder for temporary files, the runtime's
// stream limit, and the GDI+ session of the editors' skins.
#pragma once

#include <cstdint>
#include <string>

// DllMain stores the library's module handle here.
void SetPluginModule(void* module);
void* PluginModule();

// The folder of the plug-in's own file, with a trailing backslash (just a
// backslash when the path has none). The native build uses the program's.
std::wstring PluginFolder();
// The user's temporary folder, with a trailing separator.
std::wstring UserTemporaryFolder();
uint32_t ProcessId();

void RaiseOpenStreamLimit(int streams);

// GDI+ start-up and shut-down (nothing in the native build).
uintptr_t StartGraphics();
void StopGraphics(uintptr_t token);
