#include "SkinnedDialog.h"

#include "PanelFont.h"

#include <objidl.h>

#include <cstring>

namespace {

constexpr float kDialogFontPoints = 8.0f;
constexpr const wchar_t* kCaption = L"Korvo Sampler";
// Families with the Chinese, Japanese and Korean characters, as Windows
// versions and Linux systems under Wine have them.
constexpr const wchar_t* kWideFamilies[] = {L"Microsoft YaHei", L"SimSun", L"MS UI Gothic", L"Malgun Gothic",
                                            L"WenQuanYi Zen Hei", L"Noto Sans CJK SC", L"Arial Unicode MS"};

// Every character of text has a glyph in the font.
bool ShowsAll(const Gdiplus::Font& font, const std::wstring& text) {
    if (text.empty()) return true;
    const HDC dc = ::CreateCompatibleDC(nullptr);
    if (dc == nullptr) return true;
    LOGFONTW logFont = {};
    bool all = true;
    {
        Gdiplus::Graphics graphics(dc);
        if (font.GetLogFontW(&graphics, &logFont) != Gdiplus::Ok) {
            ::DeleteDC(dc);
            return true;
        }
    }
    if (const HFONT handle = ::CreateFontIndirectW(&logFont)) {
        const HGDIOBJ old = ::SelectObject(dc, handle);
        std::vector<WORD> glyphs(text.size());
        const DWORD n = ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                           GGI_MARK_NONEXISTING_GLYPHS);
        if (n != GDI_ERROR)
            for (const WORD glyph : glyphs) all = all && glyph != 0xFFFF;
        ::SelectObject(dc, old);
        ::DeleteObject(handle);
    }
    ::DeleteDC(dc);
    return all;
}

} // namespace

std::unique_ptr<Gdiplus::Bitmap> LoadDialogPicture(HINSTANCE module, const wchar_t* name) {
    const HRSRC resource = ::FindResourceW(module, name, L"PNG");
    if (resource == nullptr) return nullptr;
    const DWORD size = ::SizeofResource(module, resource);
    const HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) return nullptr;
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) return nullptr;
    if (void* copy = ::GlobalLock(block)) {
        std::memcpy(copy, bytes, size);
        ::GlobalUnlock(block);
    } else {
        ::GlobalFree(block);
        return nullptr;
    }
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        ::GlobalFree(block);
        return nullptr;
    }
    std::unique_ptr<Gdiplus::Bitmap> owned;
    {
        // The decoder reads its stream lazily: its pixels are copied out
        // before the stream goes.
        Gdiplus::Bitmap decoded(stream);
        const int w = static_cast<int>(decoded.GetWidth()), h = static_cast<int>(decoded.GetHeight());
        if (decoded.GetLastStatus() == Gdiplus::Ok && w > 0 && h > 0) {
            owned = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppARGB);
            Gdiplus::Rect all(0, 0, w, h);
            Gdiplus::BitmapData from = {}, to = {};
            if (owned->GetLastStatus() != Gdiplus::Ok ||
                decoded.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &from) != Gdiplus::Ok) {
                owned.reset();
            } else {
                if (owned->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &to) == Gdiplus::Ok) {
                    for (int y = 0; y < h; ++y)
                        std::memcpy(static_cast<uint8_t*>(to.Scan0) + static_cast<ptrdiff_t>(y) * to.Stride,
                                    static_cast<const uint8_t*>(from.Scan0) + static_cast<ptrdiff_t>(y) * from.Stride,
                                    static_cast<size_t>(w) * 4);
                    owned->UnlockBits(&to);
                } else {
                    owned.reset();
                }
                decoded.UnlockBits(&from);
            }
        }
    }
    stream->Release(); // frees the block
    return owned;
}

KSkinnedDialog::KSkinnedDialog(HINSTANCE module, HWND parent, const wchar_t* const* pictureNames, size_t count)
    : module_(module), parent_(parent), font_(CreatePanelFont(kDialogFontPoints)) {
    for (size_t i = 0; i < count; ++i) pictures_.push_back(LoadDialogPicture(module, pictureNames[i]));
}

KSkinnedDialog::~KSkinnedDialog() { DestroyPanel(); }

Gdiplus::Bitmap* KSkinnedDialog::Picture(size_t index) const {
    return index < pictures_.size() ? pictures_[index].get() : nullptr;
}

bool KSkinnedDialog::CreatePanel(const wchar_t* title, PanelCommandCallback command) {
    Gdiplus::Bitmap* background = Picture(0);
    panel.commandCallback = command;
    panel.timerCallback = nullptr;
    panel.callbackContext = this;
    // The plug-in's module, not the host program's: the window belongs to
    // the library whose code and pictures it shows.
    CreatePanelWindow(&panel, module_, DialogWindow(), background);
    ::SetWindowTextW(DialogWindow(), title);
    if (background == nullptr || panel.model == nullptr) return false;
    SizeClientArea(static_cast<int>(background->GetWidth()), static_cast<int>(background->GetHeight()));
    return true;
}

void KSkinnedDialog::DestroyPanel() {
    // The dialog's end took the panel's window along with it.
    if (panel.window != nullptr && !::IsWindow(panel.window)) panel.window = nullptr;
    if (panel.model != nullptr || panel.window != nullptr) DestroyPanelWindow(&panel);
}

Gdiplus::Font* KSkinnedDialog::FontFor(const std::wstring& text) const {
    if (font_ == nullptr) return nullptr;
    if (ShowsAll(*font_, text)) return font_->Clone();
    for (const wchar_t* family : kWideFamilies) {
        const Gdiplus::FontFamily candidate(family);
        if (candidate.GetLastStatus() != Gdiplus::Ok || !candidate.IsAvailable()) continue;
        Gdiplus::Font wide(&candidate, kDialogFontPoints, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
        if (wide.GetLastStatus() == Gdiplus::Ok && ShowsAll(wide, text)) return wide.Clone();
    }
    return font_->Clone();
}

void KSkinnedDialog::FitFont(KText& text) const {
    if (Gdiplus::Font* fitting = FontFor(text.text)) {
        delete text.font;
        text.font = fitting;
        text.Invalidate();
    }
}

int KSkinnedDialog::Message(const wchar_t* text, UINT flags) const {
    // Owned by the panel: the dialog stays disabled while the box is up.
    const HWND owner = panel.window != nullptr ? panel.window : DialogWindow();
    return ::MessageBoxW(owner, text, kCaption, flags);
}
