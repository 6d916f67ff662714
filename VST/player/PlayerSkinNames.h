// Names of the bank player's skin images (PNG resources of ksplayer.bin).
// The background is chosen by the bank's UI style; the editor loads the
// other images in the order of kEditorImages.
#pragma once

namespace playerskin {

// Index = the bank's uiStyle: Default, Default Chinese, Army, Black, Wood,
// Metal, Black Wood.
constexpr const wchar_t* kBackgrounds[] = {
    L"BACKGROUND",      L"BACKGROUNDCH",     L"BACKGROUND_ARMY",      L"BACKGROUND_BLACK",
    L"BACKGROUND_WOOD", L"BACKGROUND_METAL", L"BACKGROUND_BLACKWOOD",
};
constexpr int kStyleCount = sizeof kBackgrounds / sizeof kBackgrounds[0];

constexpr const wchar_t* kEditorImages[] = {
    L"KNOB",    L"KNOBPAN",  L"DIGIT",  L"METER",   L"DISKLED", L"BTN_PANIC",
    L"MIDILED", L"BTN_LOGO", L"BTN_UP", L"BTN_DOWN", L"HANDLE",
};

constexpr const wchar_t* kAboutImage = L"ABOUT";

} // namespace playerskin
