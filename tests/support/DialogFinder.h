// Finds the dialogs a test provokes: tests that run at the same time show
// theirs on the same desktop, so only this process's count.
#pragma once

#include <windows.h>

#include <string>

// A visible dialog window (class "#32770") of this process with the caption;
// null when there is none now.
HWND FindDialog(const std::wstring& caption);
// Waits up to timeoutMs for one; null when none came.
HWND WaitForDialog(const std::wstring& caption, int timeoutMs);
// A visible dialog of this process that has a child of that class.
HWND FindDialogWithChild(const wchar_t* childClass);
HWND WaitForDialogWithChild(const wchar_t* childClass, int timeoutMs);
// The window's text.
std::wstring WindowText(HWND window);
