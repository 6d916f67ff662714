#include "PanelFont.h"

#include <mutex>

namespace {

// The generic sans-serif family's name, looked up once. A name outlives any
// GDI+ session; the family object GDI+ hands out does not (mingw's
// FontFamily::GenericSansSerif keeps it in a static for good, and a module
// whose session ended and began again would use it still).
std::mutex gFallbackLock;
WCHAR gFallbackName[LF_FACESIZE] = {};

const WCHAR* FallbackFamilyName() {
    std::lock_guard<std::mutex> hold(gFallbackLock);
    if (gFallbackName[0] != 0) return gFallbackName;
    Gdiplus::GpFontFamily* generic = nullptr;
    // GDI+'s own object: the caller does not delete it.
    if (Gdiplus::DllExports::GdipGetGenericFontFamilySansSerif(&generic) != Gdiplus::Ok || generic == nullptr)
        return nullptr;
    WCHAR name[LF_FACESIZE] = {};
    if (Gdiplus::DllExports::GdipGetFamilyName(generic, name, LANG_NEUTRAL) != Gdiplus::Ok || name[0] == 0)
        return nullptr;
    lstrcpynW(gFallbackName, name, LF_FACESIZE);
    return gFallbackName;
}

Gdiplus::Font* NewFont(const WCHAR* family, float points) {
    auto* font = new Gdiplus::Font(family, points, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
    if (font->GetLastStatus() == Gdiplus::Ok) return font;
    delete font;
    return nullptr;
}

} // namespace

Gdiplus::Font* CreatePanelFont(float points) {
    if (Gdiplus::Font* font = NewFont(L"Tohoma", points)) return font;
    const WCHAR* fallback = FallbackFamilyName();
    return fallback != nullptr ? NewFont(fallback, points) : nullptr;
}

float FontHeight96(const Gdiplus::Font* font) {
    if (font == nullptr) return 0.0f;
    const float height = font->GetHeight(96.0f);
    return height > 0.0f ? height : 0.0f;
}
