// What the plug-ins need of the system beyond the engine's layer: their own
// module, file and folder, a writable folder for temporary files, the
// runtime's stream limit, the GDI+ session of the editors' skins, narrow text
// for the host and the message box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// DllMain stores the library's module handle here.
void SetPluginModule(void* module);
void* PluginModule();

// The full path of the plug-in's own file; empty when the system cannot tell
// it whole. The native build uses the program's.
std::wstring PluginFilePath();
// The folder of the plug-in's own file, with a trailing backslash (just a
// backslash when the path has none).
std::wstring PluginFolder();
// The user's temporary folder, with a trailing separator.
std::wstring UserTemporaryFolder();
uint32_t ProcessId();

void RaiseOpenStreamLimit(int streams);

// The module's one GDI+ session (nothing in the native build): the first
// start begins it, and the stop that matches the last start releases the
// module's own GDI+ objects and ends it. Start gives 0 when GDI+ would not
// start; stopping 0 does nothing.
uintptr_t StartGraphics();
void StopGraphics(uintptr_t token);

// Text for the host's narrow buffers: the system's ANSI code page (UTF-8 in
// the native build), cut at a character boundary so that it fits capacity
// bytes with its terminator.
void WideToAnsi(const wchar_t* text, char* out, size_t capacity);

// An error message box without owner window that waits until the user
// dismisses it (nothing in the native build).
void ShowErrorMessage(const wchar_t* text, const wchar_t* caption);
