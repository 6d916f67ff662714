// The one-line text prompt the widgets and editors ask the user with, a
// dialog built from a template in memory.
//
// Threads: the editor's.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr size_t kInputBoxChars = 260;

struct InputBoxParams {
    bool multiline;
    DLGTEMPLATE* templateData; // patched in place before use
    LPCWSTR templateName;      // a dialog resource of `instance`; null: templateData
    bool center;
    uint32_t styleOr, styleAnd;
    uint32_t exStyleOr, exStyleAnd;
    const wchar_t* title;
    const wchar_t* prompt;
    wchar_t* result; // the initial text, then the edit's text
    uint32_t resultSize;
    HWND owner;
    HINSTANCE instance;
    int16_t x, y; // -1: the template's
    HWND dialogWindow;
};

// Asks for a text. buffer holds kInputBoxChars characters; its contents are
// the initial text and afterwards the edit's text (always terminated).
// owner is any window of the asking editor: its top-level window is disabled
// while the box is up, so the editor cannot be closed under it. Returns 1
// for OK, 2 for CANCEL (also Escape and the close box), 0 or -1 when no
// dialog could be shown; without a buffer 0 with ERROR_INVALID_PARAMETER.
int InputBox(const wchar_t* prompt, wchar_t* buffer, HWND owner = nullptr);

// Runs the box that params describes (see InputBox for the results).
int InputBoxRun(InputBoxParams* params);
INT_PTR CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
