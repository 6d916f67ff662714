// The text label, in its own font, wrapped inside its rectangle. Unless read
// only, a double click edits it through the input box.
#pragma once

#include "Widget.h"

#include <string>

class KText : public KWidget {
public:
    ~KText() override;
    bool Create(const wchar_t* text, int id, bool readOnly, bool antialias, int left, int top, int right, int bottom);
    // The player's form: the rectangle first.
    bool Create(int left, int top, int right, int bottom, const wchar_t* text, int id, bool readOnly, bool antialias);
    void SetText(const wchar_t* text);
    std::wstring GetText() const { return text; }

    void Draw(Gdiplus::Graphics& graphics) override;
    void OnLButtonDblClk(int x, int y, int keys) override;

    std::wstring text;
    Gdiplus::Font* font = nullptr; // owned
    uint32_t textColor = 0xFF000000;
    bool antialias = false;
    bool readOnly = true;
};
