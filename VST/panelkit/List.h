// The text list: up to 1024 rows in its own font, one of them selected. It
// notifies on double clicks and the right button (the owner auditions on
// those), or on single presses; with drag-out a release reports where the
// row was dropped. The owner scrolls by writing topIndex. Without a selected
// row a double click or a drag reports nothing, and an empty list takes no
// press.
#pragma once

#include "Widget.h"

#include <string>
#include <vector>

class KList : public KWidget {
public:
    static constexpr uint32_t kMaxItems = 1024;

    ~KList() override;
    // Makes the font (anti-aliased text) and places the list.
    void Create(int left, int top, int right, int bottom, int id);
    // visibleRows from the list's height and the row height at 96 dpi.
    void UpdateRowCount();
    // Copies the items (at most kMaxItems) and repaints; a selection beyond
    // them is cleared.
    void SetItems(const wchar_t* const* strings, uint32_t count);
    // Replaces an existing item (and repaints); other indices do nothing.
    void SetItem(int index, const wchar_t* text);
    // A copy of an item; empty for an index out of range.
    std::wstring GetItem(int index) const;
    POINT GetDropPoint() const { return {dropX, dropY}; }
    // The row under a list-local y, or -1 (no item there, or no font).
    int RowAt(int y) const;
    // selectedIndex names one of the items.
    bool HasSelection() const;

    void Draw(Gdiplus::Graphics& graphics) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonUp(int x, int y, int keys) override;
    void OnLButtonDblClk(int x, int y, int keys) override;
    void OnRButtonDown(int x, int y, int keys) override;
    void OnRButtonUp(int x, int y, int keys) override;

    Gdiplus::Font* font = nullptr; // owned
    bool antialias = false;
    bool activateByDoubleClick = true;
    bool dragOut = false;
    bool dropped = false;
    int32_t dropX = 0;
    int32_t dropY = 0;
    int32_t rowSpacing = 0;
    uint32_t textColor = 0xFF000000;
    uint32_t highlightColor = 0xFF0000FF;
    std::vector<std::wstring> items = std::vector<std::wstring>(kMaxItems);
    uint32_t itemCount = 0;
    uint32_t visibleRows = 0;
    int32_t topIndex = 0;
    int32_t selectedIndex = -1;
    bool rightClicked = false;
    bool rightButtonDown = false;

private:
    // Row pitch at 96 dpi; 0 without a font.
    float RowPitch() const;
};
