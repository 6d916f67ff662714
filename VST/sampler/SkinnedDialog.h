// What the sampler's dialogs share: a KDialog that shows one panel over a
// background picture, with pictures and font of its own.
//
// The pictures come from the plug-in's own module (the host program holds
// none of them) and are copied out of their resource streams, so that each
// dialog frees all it loaded when it goes.
//
// Threads: the editor's.
#pragma once

#include "Dialog.h"
#include "Panel.h"
#include "Text.h"

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

class KSkinnedDialog : public KDialog {
public:
    ~KSkinnedDialog() override;

    // Runs the dialog over the window it was made for (its top-level window
    // is disabled meanwhile); EndDialog's result, -1 when it could not show.
    INT_PTR Show() { return Run(parent_); }

    PanelDescriptor panel = {};

protected:
    // Loads the named pictures; the first is the background. A missing one
    // stays null.
    KSkinnedDialog(HINSTANCE module, HWND parent, const wchar_t* const* pictureNames, size_t count);

    Gdiplus::Bitmap* Picture(size_t index) const;
    // The panel over the background, the title, and the dialog sized to the
    // picture. False without a background (nothing to show).
    bool CreatePanel(const wchar_t* title, PanelCommandCallback command);
    // Subclasses call this first in their destructors: the panel reaches
    // their widgets.
    void DestroyPanel();
    // A copy of the dialog's font for a text widget, which owns its font;
    // for a text with characters that font has no glyph for (a Chinese
    // name), a font that has them, when the system has one: GDI+ draws no
    // other font's glyph in place of a missing one.
    Gdiplus::Font* FontFor(const std::wstring& text) const;
    // The text widget's font chosen again for what it shows now.
    void FitFont(KText& text) const;
    int Message(const wchar_t* text, UINT flags) const;

    HINSTANCE module_;
    HWND parent_;
    std::unique_ptr<Gdiplus::Font> font_; // "Tohoma", 8 points

private:
    std::vector<std::unique_ptr<Gdiplus::Bitmap>> pictures_;
};

// A PNG resource of type "PNG" decoded into a bitmap that owns its pixels;
// null when it is missing or does not decode.
std::unique_ptr<Gdiplus::Bitmap> LoadDialogPicture(HINSTANCE module, const wchar_t* name);
