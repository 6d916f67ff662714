// Finds the dialogs a test provokes: tests that run at the same time show
// theirs on the same desktop, so only one process's count: this one's, or
// that of a program the test started.
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
// The same, among the windows of another process.
HWND FindDialog(const std::wstring& caption, DWORD process);
HWND WaitForDialog(const std::wstring& caption, int timeoutMs, DWORD process);
HWND FindDialogWithChild(const wchar_t* childClass, DWORD process);
HWND WaitForDialogWithChild(const wchar_t* childClass, int timeoutMs, DWORD process);
// A visible top-level window of any class (a program's main window) of
// that process with the caption, waited for up to timeoutMs.
HWND WaitForWindow(const std::wstring& caption, int timeoutMs, DWORD process);
// The window's text.
std::wstring WindowText(HWND window);
