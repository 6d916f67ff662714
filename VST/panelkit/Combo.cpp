#include "Combo.h"

#include "Panel.h"
#include "PanelFont.h"

bool KCombo::Create(int comboWidth, uint32_t background, uint32_t lightEdge, uint32_t darkEdge, uint32_t text,
                    uint32_t arrowFill, int comboId, int x, int y, Gdiplus::Font* itemFont) {
    if (itemFont == nullptr) return false;
    width = comboWidth;
    backgroundColor = background;
    lightEdgeColor = lightEdge;
    darkEdgeColor = darkEdge;
    textColor = text;
    arrowColor = arrowFill;
    font = itemFont;
    height = static_cast<int>(FontHeight96(font) + 4.0f);
    arrowWidth = static_cast<uint32_t>(height / 4 * 2);
    const int e = static_cast<int>(arrowWidth);
    arrow[0] = {width - e - 3, 3};
    arrow[1] = {width - 3, 3};
    arrow[2] = {width - e / 2 - 3, height - 4};
    Init(x, y, x + width, y + height, comboId);
    return true;
}

void KCombo::SetItems(const wchar_t* const* strings, uint32_t count) {
    if (count > kMaxItems) count = kMaxItems;
    for (uint32_t i = 0; i < count; ++i) items[i] = strings != nullptr && strings[i] != nullptr ? strings[i] : L"";
    itemCount = count;
}

bool KCombo::Select(int index) {
    if (index < 0 || static_cast<uint32_t>(index) >= itemCount) return false;
    selectedIndex = index;
    Invalidate();
    return true;
}

void KCombo::SetSelection(int index) {
    Select(index);
    NotifyOwner();
}

void KCombo::OnMenuCommand(int itemIndex) {
    Select(itemIndex);
    NotifyOwner();
}

void KCombo::Draw(Gdiplus::Graphics& graphics) {
    Gdiplus::SolidBrush face{Gdiplus::Color(backgroundColor)};
    graphics.FillRectangle(&face, 0, 0, width, height);
    Gdiplus::Pen light(Gdiplus::Color(lightEdgeColor), 1.0f), dark(Gdiplus::Color(darkEdgeColor), 1.0f);
    graphics.DrawLine(&light, 0, 0, width - 1, 0);
    graphics.DrawLine(&light, 0, 0, 0, height - 1);
    graphics.DrawLine(&dark, 0, height - 1, width - 1, height - 1);
    graphics.DrawLine(&dark, width - 1, 0, width - 1, height - 1);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    const Gdiplus::Point triangle[3] = {{arrow[0].x, arrow[0].y}, {arrow[1].x, arrow[1].y}, {arrow[2].x, arrow[2].y}};
    Gdiplus::SolidBrush arrowBrush{Gdiplus::Color(arrowColor)};
    graphics.FillPolygon(&arrowBrush, triangle, 3);
    if (selectedIndex >= 0 && static_cast<uint32_t>(selectedIndex) < itemCount && font != nullptr) {
        const std::wstring& item = items[static_cast<size_t>(selectedIndex)];
        const Gdiplus::RectF layout(3.0f, 1.0f, static_cast<float>(width - static_cast<int>(arrowWidth) - 3),
                                    static_cast<float>(height - 2));
        Gdiplus::SolidBrush ink{Gdiplus::Color(textColor)};
        graphics.DrawString(item.c_str(), static_cast<int>(item.size()), font, layout, nullptr, &ink);
    }
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeNone);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintSystemDefault);
}

void KCombo::OnLButtonDown(int x, int, int) {
    if (x <= width - static_cast<int>(arrowWidth) - 3) return;
    const HWND owner = GetOwnerWindow();
    const HMENU menu = ::CreatePopupMenu();
    if (menu == nullptr) return;
    for (uint32_t i = 0; i < itemCount; ++i) {
        UINT flags = MF_STRING;
        if (static_cast<int>(i) == selectedIndex) flags |= MF_CHECKED | MF_DISABLED;
        if (i != 0 && i % kRowsPerColumn == 0) flags |= MF_MENUBREAK;
        ::AppendMenuW(menu, flags, kPopupMenuFirstId + i, items[i].c_str());
    }
    POINT corner = {rect.left + 1, rect.bottom};
    ::ClientToScreen(owner, &corner);
    SetMenuOpen(true);
    // The chosen item arrives later as WM_COMMAND, which the panel hands
    // back as OnMenuCommand.
    ::TrackPopupMenu(menu, TPM_LEFTBUTTON, corner.x, corner.y, 0, owner, nullptr);
    ::DestroyMenu(menu);
}
