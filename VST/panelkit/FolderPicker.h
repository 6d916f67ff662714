// The shell's folder browser, tidied: no context-help button, a little
// larger than the system makes it, opened at a start folder, and OK only
// for existing, real folders (not virtual items, not shortcuts).
//
// Threads: the editor's (any thread that may show a modal window).
#pragma once

#include <windows.h>

// Fills output (260 characters) with the chosen folder and returns true;
// false with an empty output on cancel or without an output buffer. An empty
// or null start opens at the current directory. The browser is modal to
// owner's top-level window.
bool BrowseForFolder(HWND owner, const wchar_t* start, wchar_t* output);

// The browser's callback; data is the start folder.
int CALLBACK BrowseCallbackProc(HWND window, UINT message, LPARAM lParam, LPARAM data);
