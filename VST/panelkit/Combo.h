// The drop-down selector: a bevelled face showing the chosen item and a
// popup menu of up to 2048 items in columns of 30, opened by a press on its
// arrow. The chosen item comes back through the panel (a popup-menu id).
#pragma once

#include "Widget.h"

#include <string>
#include <vector>

class KCombo : public KWidget {
public:
    static constexpr uint32_t kMaxItems = 2048;
    static constexpr uint32_t kRowsPerColumn = 30;

    ~KCombo() override = default;
    // Sizes the combo from the font (height = font height + 4) and places it.
    // The font stays the owner's. False for a null font.
    bool Create(int width, uint32_t background, uint32_t lightEdge, uint32_t darkEdge, uint32_t text, uint32_t arrow,
                int id, int x, int y, Gdiplus::Font* font);
    // Copies the items (at most kMaxItems); no repaint.
    void SetItems(const wchar_t* const* strings, uint32_t count);
    // Selects a valid index (and repaints); notifies in every case.
    void SetSelection(int index);

    void Draw(Gdiplus::Graphics& graphics) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnMenuCommand(int itemIndex) override;

    int32_t selectedIndex = -1;
    uint32_t itemCount = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<std::wstring> items = std::vector<std::wstring>(kMaxItems);
    Gdiplus::Font* font = nullptr;
    uint32_t backgroundColor = 0x00000000;
    uint32_t lightEdgeColor = 0xFFFFFFFF;
    uint32_t darkEdgeColor = 0xFF000000;
    uint32_t textColor = 0xFFC0C0C0;
    uint32_t arrowColor = 0xFF000000;
    POINT arrow[3] = {};
    uint32_t arrowWidth = 6;

private:
    bool Select(int index);
};
