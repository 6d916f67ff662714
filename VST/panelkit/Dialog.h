// The base of the editors' modal dialogs: an empty dialog that a subclass
// fills with a skinned panel in OnInitDialog and ends with EndDialog on its
// own buttons (1 for OK).
//
// Each dialog object is handed to the shared procedure with its window and
// kept there, so two plug-in objects in one host, or a dialog opened from a
// dialog, each get their own messages.
//
// Threads: the editor's (the thread that runs the dialog).
#pragma once

#include <windows.h>

class KDialog {
public:
    KDialog() = default;
    virtual ~KDialog() = default;
    KDialog(const KDialog&) = delete;
    KDialog& operator=(const KDialog&) = delete;

    // Shows the dialog modally over parent (the editor's window: its
    // top-level window is disabled meanwhile) and returns EndDialog's
    // result, or -1 when the dialog could not be made.
    INT_PTR Run(HWND parent);

    // Nothing: subclasses make their panel and widgets, set the title and
    // size the dialog to the panel's picture.
    virtual void OnInitDialog() {}
    // The close box: ends the dialog with result 2.
    virtual void OnClose();

    // The running dialog's window; null outside Run.
    HWND DialogWindow() const { return dialogWindow; }

protected:
    // Sizes the dialog so that its client area is width x height; its
    // top-left corner stays where it is.
    void SizeClientArea(int width, int height);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND dialogWindow = nullptr;
};
