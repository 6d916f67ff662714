#include "List.h"

#include "PanelFont.h"

KList::~KList() { delete font; }

void KList::Create(int left, int top, int right, int bottom, int listId) {
    delete font;
    font = CreatePanelFont();
    antialias = true;
    Init(left, top, right, bottom, listId);
    UpdateRowCount();
}

float KList::RowPitch() const {
    const float fontHeight = FontHeight96(font);
    // Without a font there are no rows: nothing to divide by.
    return fontHeight > 0.0f ? static_cast<float>(rowSpacing) + fontHeight : 0.0f;
}

void KList::UpdateRowCount() {
    const float pitch = RowPitch();
    visibleRows = pitch > 0.0f && Height() > 0 ? static_cast<uint32_t>(static_cast<float>(Height()) / pitch) : 0;
}

void KList::SetItems(const wchar_t* const* strings, uint32_t count) {
    if (count > kMaxItems) count = kMaxItems;
    for (uint32_t i = 0; i < count; ++i) items[i] = strings != nullptr && strings[i] != nullptr ? strings[i] : L"";
    itemCount = count;
    // The selection follows the items: a row that is gone is no longer
    // selected, so nothing can be reported for it.
    if (!HasSelection()) selectedIndex = -1;
    UpdateRowCount();
    Invalidate();
}

bool KList::HasSelection() const {
    return selectedIndex >= 0 && static_cast<uint32_t>(selectedIndex) < itemCount;
}

void KList::SetItem(int index, const wchar_t* text) {
    if (index < 0 || static_cast<uint32_t>(index) >= itemCount) return;
    items[static_cast<size_t>(index)] = text != nullptr ? text : L"";
    Invalidate();
}

std::wstring KList::GetItem(int index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= itemCount) return std::wstring();
    return items[static_cast<size_t>(index)];
}

int KList::RowAt(int y) const {
    const float pitch = RowPitch();
    if (pitch <= 0.0f) return -1;
    const float row = static_cast<float>(y) / pitch + static_cast<float>(topIndex);
    if (row < 0.0f) return -1;
    const auto index = static_cast<int64_t>(row);
    return index < static_cast<int64_t>(itemCount) ? static_cast<int>(index) : -1;
}

void KList::Draw(Gdiplus::Graphics& graphics) {
    if (font == nullptr) return;
    graphics.SetTextRenderingHint(antialias ? Gdiplus::TextRenderingHintAntiAlias
                                            : Gdiplus::TextRenderingHintSingleBitPerPixelGridFit);
    const float fontHeight = font->GetHeight(&graphics);
    Gdiplus::SolidBrush highlight{Gdiplus::Color(highlightColor)}, ink{Gdiplus::Color(textColor)};
    for (uint32_t row = 0; row < visibleRows; ++row) {
        const int64_t i = static_cast<int64_t>(topIndex) + row;
        if (i < 0) continue;
        if (i >= static_cast<int64_t>(itemCount)) break;
        const Gdiplus::RectF line(0.0f, (static_cast<float>(rowSpacing) + fontHeight) * static_cast<float>(row),
                                  static_cast<float>(Width()), fontHeight);
        if (i == selectedIndex) graphics.FillRectangle(&highlight, line);
        const std::wstring& item = items[static_cast<size_t>(i)];
        graphics.DrawString(item.c_str(), static_cast<int>(item.size()), font, line, nullptr, &ink);
    }
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintSystemDefault);
}

void KList::OnLButtonDown(int, int y, int) {
    const int row = RowAt(y);
    if (row < 0) return;
    selectedIndex = row;
    Invalidate();
    rightClicked = false;
    dropped = false;
    if (!activateByDoubleClick) NotifyOwner();
    if (dragOut) ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
}

void KList::OnLButtonUp(int x, int y, int) {
    if (!dragOut) return;
    ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
    // Without a selected row there is nothing to drop.
    if (!HasSelection()) return;
    dropX = x;
    dropY = y;
    dropped = true;
    NotifyOwner();
}

void KList::OnLButtonDblClk(int, int, int) {
    if (!HasSelection()) return;
    rightClicked = false;
    dropped = false;
    if (activateByDoubleClick) NotifyOwner();
}

void KList::OnRButtonDown(int, int y, int) {
    if (!activateByDoubleClick || itemCount == 0) return;
    const int row = RowAt(y);
    if (row >= 0) {
        selectedIndex = row;
        Invalidate();
    }
    rightClicked = true;
    rightButtonDown = true;
    dropped = false;
    NotifyOwner();
}

void KList::OnRButtonUp(int, int, int) {
    // Reported even when the rows went while the button was held: the owner
    // ends what the press started.
    if (!activateByDoubleClick) return;
    rightClicked = true;
    rightButtonDown = false;
    dropped = false;
    NotifyOwner();
}
