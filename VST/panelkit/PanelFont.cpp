#include "PanelFont.h"

Gdiplus::Font* CreatePanelFont(float points) {
    auto* font = new Gdiplus::Font(L"Tohoma", points, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
    if (font->GetLastStatus() == Gdiplus::Ok) return font;
    delete font;
    const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif();
    if (generic == nullptr || generic->GetLastStatus() != Gdiplus::Ok) return nullptr;
    font = new Gdiplus::Font(generic, points, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
    if (font->GetLastStatus() == Gdiplus::Ok) return font;
    delete font;
    return nullptr;
}

float FontHeight96(const Gdiplus::Font* font) {
    if (font == nullptr) return 0.0f;
    const float height = font->GetHeight(96.0f);
    return height > 0.0f ? height : 0.0f;
}
