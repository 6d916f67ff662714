// Names of the sampler's skin images (PNG resources of the library). The
// Chinese build differs from the plain one only in the four pictures that
// carry text: it is compiled with KORVO_CHINESE_SKIN, and the editor and
// its dialogs load through these names so that each build finds its own.
#pragma once

namespace skin {

#if defined(KORVO_CHINESE_SKIN)
constexpr const wchar_t* kBackground = L"BACKGROUNDCH";
constexpr const wchar_t* kExportBackground = L"BACK_EXPORTCH";
constexpr const wchar_t* kInstrumentSettingsBackground = L"BACK_ISCH";
constexpr const wchar_t* kLibraryOptionsBackground = L"BACK_SLCH";
#else
constexpr const wchar_t* kBackground = L"BACKGROUND";
constexpr const wchar_t* kExportBackground = L"BACK_EXPORT";
constexpr const wchar_t* kInstrumentSettingsBackground = L"BACK_IS";
constexpr const wchar_t* kLibraryOptionsBackground = L"BACK_SL";
#endif
constexpr const wchar_t* kAboutBackground = L"BACK_ABOUT";

// The editor's images in the order it loads them; the background comes
// first because the editor takes its size from it.
constexpr const wchar_t* kEditorImages[] = {
    kBackground,    L"BTN_NEW",     L"BTN_OPEN",    L"BTN_SAVE",       L"BTN_SAVEAS",    L"BTN_OPTIONS",
    L"BTN_EXPORT",  L"KNOB",        L"KNOBPAN",     L"DIGITS",         L"METER",         L"DISKLED",
    L"BTN_PANIC",   L"BTN_MORE",    L"BTN_EQ",      L"KNOB_F",         L"KNOB_SMALL",    L"KNOB_SMALL2",
    L"MIDILED",     L"BTN_INSTRUMENT", L"SCROLLBAR", L"BTN_BROWSE",    L"BTN_LOGO",      L"BTN_S",
    L"BTN_L",       L"BTN_RENAME",
};

constexpr const wchar_t* kExportDialogImages[] = {kExportBackground, L"BTN_EXPORTSM", L"BTN_BROWSE", L"BTN_CLOSE",
                                                  L"PROGRESS"};
constexpr const wchar_t* kLibraryOptionsImages[] = {kLibraryOptionsBackground, L"BTN_OK", L"BTN_BROWSE",
                                                    L"BTN_CHECK"};
constexpr const wchar_t* kInstrumentSettingsImages[] = {kInstrumentSettingsBackground, L"BTN_OK", L"BTN_CHECK"};
constexpr const wchar_t* kAboutImages[] = {kAboutBackground, L"BTN_OK"};

} // namespace skin
