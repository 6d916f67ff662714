#include "Text.h"

#include "InputBox.h"
#include "PanelFont.h"

KText::~KText() { delete font; }

bool KText::Create(const wchar_t* initial, int textId, bool onlyRead, bool smooth, int left, int top, int right,
                   int bottom) {
    text = initial != nullptr ? initial : L"";
    readOnly = onlyRead;
    antialias = smooth;
    delete font;
    font = CreatePanelFont();
    Init(left, top, right, bottom, textId);
    return true;
}

bool KText::Create(int left, int top, int right, int bottom, const wchar_t* initial, int textId, bool onlyRead,
                   bool smooth) {
    return Create(initial, textId, onlyRead, smooth, left, top, right, bottom);
}

void KText::SetText(const wchar_t* newText) {
    text = newText != nullptr ? newText : L"";
    Invalidate();
}

void KText::Draw(Gdiplus::Graphics& graphics) {
    if (font == nullptr || text.empty()) return;
    graphics.SetTextRenderingHint(antialias ? Gdiplus::TextRenderingHintAntiAlias
                                            : Gdiplus::TextRenderingHintSingleBitPerPixelGridFit);
    const Gdiplus::RectF layout(0.0f, 0.0f, static_cast<float>(Width()), static_cast<float>(Height()));
    Gdiplus::SolidBrush ink{Gdiplus::Color(textColor)};
    graphics.DrawString(text.c_str(), static_cast<int>(text.size()), font, layout, nullptr, &ink);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintSystemDefault);
}

void KText::OnLButtonDblClk(int, int, int) {
    if (readOnly) return;
    // The box edits at most kInputBoxChars - 1 characters: a longer text
    // starts cut.
    wchar_t buffer[kInputBoxChars] = {};
    text.copy(buffer, kInputBoxChars - 1);
    // The panel, and the editor that owns this widget, may be gone when the
    // box returns: then nothing of it is touched.
    const HWND panel = GetOwnerWindow();
    if (InputBox(L"Please Input New Text", buffer, panel) != 1 || (panel != nullptr && !::IsWindow(panel))) return;
    buffer[kInputBoxChars - 1] = 0;
    SetText(buffer);
    NotifyOwner();
}
