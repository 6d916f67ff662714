// The sampler library's skin as its editor and dialogs will load it: every
// image at its size and frame layout, every name the code loads present,
// and the zone map's keys where the zone map puts them. Built twice: for
// KorvoSampler.dll and, with KORVO_CHINESE_SKIN, for its Chinese build.
#include "PluginHost.h"
#include "SkinChecks.h"
#include "SkinNames.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

// Name, pixels, frames and layout of every image a sampler build may carry.
const ExpectedImage kSamplerImages[] = {
    {L"BACKGROUND", 820, 610, 1, Layout::Picture},
    {L"BACKGROUNDCH", 820, 610, 1, Layout::Picture},
    {L"BTN_NEW", 126, 19, 2, Layout::PushButton},
    {L"BTN_OPEN", 126, 19, 2, Layout::PushButton},
    {L"BTN_SAVE", 126, 19, 2, Layout::PushButton},
    {L"BTN_SAVEAS", 126, 19, 2, Layout::PushButton},
    {L"BTN_EXPORT", 126, 29, 2, Layout::PushButton},
    {L"BTN_OPTIONS", 126, 29, 2, Layout::PushButton},
    {L"BTN_LOGO", 231, 38, 3, Layout::PushButton},
    {L"BTN_MORE", 134, 36, 2, Layout::PushButton},
    {L"BTN_PANIC", 34, 17, 2, Layout::PushButton},
    {L"BTN_BROWSE", 102, 22, 2, Layout::PushButton},
    {L"BTN_S", 44, 20, 2, Layout::PushButton},
    {L"BTN_L", 44, 20, 2, Layout::PushButton},
    {L"BTN_RENAME", 102, 22, 2, Layout::PushButton},
    {L"BTN_EQ", 40, 20, 2, Layout::Switch},
    {L"BTN_INSTRUMENT", 16, 8, 2, Layout::Switch},
    {L"KNOB", 42, 2562, 61, Layout::Knob},
    {L"KNOBPAN", 42, 2562, 61, Layout::Knob},
    {L"KNOB_F", 42, 2562, 61, Layout::Knob},
    {L"KNOB_SMALL", 21, 1281, 61, Layout::Knob},
    {L"KNOB_SMALL2", 21, 1281, 61, Layout::Knob},
    {L"DIGITS", 91, 11, 13, Layout::Digits},
    {L"METER", 232, 7, 2, Layout::Switch},
    {L"DISKLED", 14, 7, 2, Layout::Switch},
    {L"MIDILED", 16, 8, 2, Layout::Switch},
    {L"SCROLLBAR", 6, 23, 1, Layout::Thumb},
    // Dialogs
    {L"BACK_EXPORT", 300, 150, 1, Layout::Picture},
    {L"BACK_EXPORTCH", 300, 150, 1, Layout::Picture},
    {L"BTN_EXPORTSM", 102, 22, 2, Layout::PushButton},
    {L"BTN_CLOSE", 102, 22, 2, Layout::PushButton},
    {L"PROGRESS", 576, 12, 2, Layout::Switch},
    {L"BACK_SL", 300, 311, 1, Layout::Picture},
    {L"BACK_SLCH", 300, 311, 1, Layout::Picture},
    {L"BTN_OK", 102, 22, 2, Layout::PushButton},
    {L"BTN_CHECK", 28, 14, 2, Layout::Switch},
    {L"BACK_IS", 300, 280, 1, Layout::Picture},
    {L"BACK_ISCH", 300, 280, 1, Layout::Picture},
    {L"BACK_ABOUT", 300, 250, 1, Layout::Picture},
};
constexpr size_t kSamplerImageCount = sizeof kSamplerImages / sizeof kSamplerImages[0];

class SamplerSkin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gdi.ok());
        ASSERT_TRUE(library.loaded());
    }
    GdiPlus gdi;
    ResourceLibrary library{WinePath(KORVO_SAMPLER_DLL)};
};

TEST_F(SamplerSkin, EveryImageItCarriesHasItsSizeAndFrames) {
    int carried = 0;
    for (const ExpectedImage& expected : kSamplerImages) {
        if (!library.Has(expected.name)) continue;
        ++carried;
        ExpectImage(library, expected);
    }
    EXPECT_GE(carried, 35) << "the editor's 26 images and the dialogs' 9";
}

TEST_F(SamplerSkin, EveryNameTheEditorAndDialogsLoadIsThere) {
    struct Group {
        const char* what;
        const wchar_t* const* names;
        size_t count;
    };
    const Group groups[] = {
        {"editor", skin::kEditorImages, std::size(skin::kEditorImages)},
        {"export dialog", skin::kExportDialogImages, std::size(skin::kExportDialogImages)},
        {"library options", skin::kLibraryOptionsImages, std::size(skin::kLibraryOptionsImages)},
        {"instrument settings", skin::kInstrumentSettingsImages, std::size(skin::kInstrumentSettingsImages)},
        {"about", skin::kAboutImages, std::size(skin::kAboutImages)},
    };
    EXPECT_EQ(std::size(skin::kEditorImages), 26u);
    for (const Group& group : groups)
        for (size_t i = 0; i < group.count; ++i) {
            const std::wstring name = group.names[i];
            SCOPED_TRACE(std::string(group.what) + " " + std::string(name.begin(), name.end()));
            EXPECT_TRUE(library.Has(group.names[i]));
            EXPECT_NE(FindExpected(kSamplerImages, kSamplerImageCount, group.names[i]), nullptr) << "a known image";
        }
}

TEST_F(SamplerSkin, TheBuildCarriesItsOwnBackgroundsWithTheirSizes) {
#if defined(KORVO_CHINESE_SKIN)
    const wchar_t* const names[] = {L"BACKGROUNDCH", L"BACK_EXPORTCH", L"BACK_ISCH", L"BACK_SLCH"};
#else
    const wchar_t* const names[] = {L"BACKGROUND", L"BACK_EXPORT", L"BACK_IS", L"BACK_SL"};
#endif
    const wchar_t* const loaded[] = {skin::kBackground, skin::kExportBackground, skin::kInstrumentSettingsBackground,
                                     skin::kLibraryOptionsBackground};
    for (size_t i = 0; i < 4; ++i) EXPECT_STREQ(loaded[i], names[i]);
    const Pixels background = Decoded(library, skin::kBackground);
    EXPECT_EQ(background.width, 820) << "the editor's width";
    EXPECT_EQ(background.height, 610) << "the editor's height";
}

// The zone map draws no keys: the background's strip below the velocity
// plane must have them, one 7-pixel column per key 21..108 from x = 20.
TEST_F(SamplerSkin, TheZoneMapsKeyStripLiesOnTheMapsKeyColumns) {
    const Pixels background = Decoded(library, skin::kBackground);
    ASSERT_EQ(background.width, 820);
    const int stripTop = 135 + 167, stripBottom = 333;
    for (int key = 21; key <= 108; ++key) {
        const int semitone = key % 12;
        const bool black = semitone == 1 || semitone == 3 || semitone == 6 || semitone == 8 || semitone == 10;
        const int x = 20 + (key - 21) * 7 + 3;
        const double luma = Luma(background.At(x, (stripTop + stripBottom) / 2));
        if (black) {
            EXPECT_LT(luma, 90.0) << "key " << key << " is a black key";
        } else {
            EXPECT_GT(luma, 150.0) << "key " << key << " is a white key";
        }
    }
    // Above the strip the plane stays dark, so that zones read over it.
    for (int x = 24; x < 637; x += 29) EXPECT_LT(Luma(background.At(x, 140)), 60.0) << "x " << x;
}

} // namespace
