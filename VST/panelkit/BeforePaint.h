// Runs a function on a panel's window thread right before each of its
// paints: the editors show there what their audio thread recorded (the
// MIDI monitor), so the audio thread itself asks the window system for no
// more than a paint. Ends with the window.
#pragma once

#include <windows.h>

class KBeforePaint {
public:
    using Callback = void (*)(void* user);

    // Window thread; false when the window could not be hooked.
    bool Attach(HWND window, Callback callback, void* user);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC panelProcedure_ = nullptr;
    Callback callback_ = nullptr;
    void* user_ = nullptr;
};
