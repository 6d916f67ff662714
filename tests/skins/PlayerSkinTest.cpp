// The bank player's skin (ksplayer.bin): the background of every UI style
// and the widget images at their sizes and frame layouts, every name its
// editor loads present, and the on-screen keyboard's keys painted where
// the keyboard widget hit-tests them.
#include "PlayerSkinNames.h"
#include "PluginHost.h"
#include "SkinChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <string>

namespace {

const ExpectedImage kPlayerImages[] = {
    {L"BACKGROUND", 593, 242, 1, Layout::Picture},
    {L"BACKGROUNDCH", 593, 242, 1, Layout::Picture},
    {L"BACKGROUND_ARMY", 593, 242, 1, Layout::Picture},
    {L"BACKGROUND_BLACK", 593, 242, 1, Layout::Picture},
    {L"BACKGROUND_WOOD", 593, 242, 1, Layout::Picture},
    {L"BACKGROUND_METAL", 593, 242, 1, Layout::Picture},
    {L"BACKGROUND_BLACKWOOD", 593, 242, 1, Layout::Picture},
    {L"KNOB", 42, 2562, 61, Layout::Knob},
    {L"KNOBPAN", 42, 2562, 61, Layout::Knob},
    {L"DIGIT", 91, 11, 13, Layout::Digits},
    {L"METER", 232, 7, 2, Layout::Switch},
    {L"DISKLED", 14, 7, 2, Layout::Switch},
    {L"BTN_PANIC", 34, 17, 2, Layout::PushButton},
    {L"MIDILED", 16, 8, 2, Layout::Switch},
    {L"BTN_LOGO", 231, 38, 3, Layout::PushButton},
    {L"BTN_UP", 24, 9, 2, Layout::PushButton},
    {L"BTN_DOWN", 24, 9, 2, Layout::PushButton},
    {L"HANDLE", 11, 7, 1, Layout::Thumb},
    {L"ABOUT", 300, 200, 1, Layout::Picture},
};
constexpr size_t kPlayerImageCount = sizeof kPlayerImages / sizeof kPlayerImages[0];

class PlayerSkin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gdi.ok());
        ASSERT_TRUE(library.loaded());
    }
    GdiPlus gdi;
    ResourceLibrary library{WinePath(KORVO_PLAYER_LIBRARY)};
};

std::string Narrow(const wchar_t* s) { return std::string(s, s + std::wcslen(s)); }

TEST_F(PlayerSkin, EveryImageHasItsSizeAndFrames) {
    for (const ExpectedImage& expected : kPlayerImages) ExpectImage(library, expected);
}

TEST_F(PlayerSkin, EveryNameTheEditorLoadsIsThere) {
    EXPECT_EQ(playerskin::kStyleCount, 7) << "one background per UI style 0..6";
    auto expectKnown = [&](const wchar_t* name) {
        SCOPED_TRACE(Narrow(name));
        EXPECT_TRUE(library.Has(name));
        EXPECT_NE(FindExpected(kPlayerImages, kPlayerImageCount, name), nullptr) << "a known image";
    };
    for (const wchar_t* name : playerskin::kBackgrounds) expectKnown(name);
    for (const wchar_t* name : playerskin::kEditorImages) expectKnown(name);
    expectKnown(playerskin::kAboutImage);
}

// Every style is its own material: no two backgrounds look alike, except
// the default and its Chinese version, which differ only in their labels.
TEST_F(PlayerSkin, TheStylesLookDifferent) {
    struct Mean {
        double r = 0, g = 0, b = 0;
    };
    Mean means[playerskin::kStyleCount];
    Pixels images[playerskin::kStyleCount];
    for (int s = 0; s < playerskin::kStyleCount; ++s) {
        images[s] = Decoded(library, playerskin::kBackgrounds[s]);
        for (uint32_t p : images[s].argb) {
            means[s].r += (p >> 16) & 255;
            means[s].g += (p >> 8) & 255;
            means[s].b += p & 255;
        }
        const double n = static_cast<double>(images[s].argb.size());
        means[s] = {means[s].r / n, means[s].g / n, means[s].b / n};
    }
    EXPECT_GT(DifferingPixels(images[0], images[1]), 500) << "the Chinese labels";
    for (int a = 0; a < playerskin::kStyleCount; ++a)
        for (int b = a + 1; b < playerskin::kStyleCount; ++b) {
            if (a == 0 && b == 1) continue;
            const double distance = std::sqrt(std::pow(means[a].r - means[b].r, 2) +
                                              std::pow(means[a].g - means[b].g, 2) +
                                              std::pow(means[a].b - means[b].b, 2));
            EXPECT_GT(distance, 6.0) << Narrow(playerskin::kBackgrounds[a]) << " and "
                                     << Narrow(playerskin::kBackgrounds[b]);
        }
}

// The keyboard widget draws only the tint of held keys: the keys are in
// every background, on its geometry (box 64,182 - 579,239; octaves of 84
// pixels; white keys 12 wide; black keys 9 x 38 at 4, 20, 41, 55, 69).
TEST_F(PlayerSkin, EveryStylePaintsTheKeysWhereTheKeyboardHitsThem) {
    const int left = 64, top = 182;
    const int blackLeft[5] = {4, 20, 41, 55, 69};
    for (const wchar_t* name : playerskin::kBackgrounds) {
        SCOPED_TRACE(Narrow(name));
        const Pixels background = Decoded(library, name);
        ASSERT_EQ(background.width, 593);
        for (int octave = 0; octave < 7; ++octave) {
            for (int white = 0; white < 7 && 84 * octave + 12 * white < 515; ++white) {
                const int x = left + 84 * octave + 12 * white + 6;
                EXPECT_GT(Luma(background.At(x, top + 48)), 170.0) << "white key " << white << " of octave " << octave;
            }
            for (int b = 0; b < 5 && 84 * octave + blackLeft[b] < 515; ++b) {
                const int x = left + 84 * octave + blackLeft[b] + 4;
                EXPECT_LT(Luma(background.At(x, top + 20)), 80.0) << "black key " << b << " of octave " << octave;
                EXPECT_GT(Luma(background.At(x, top + 48)), 120.0) << "below black key " << b << " of octave "
                                                                   << octave << " the white keys go on";
            }
        }
    }
}

} // namespace
