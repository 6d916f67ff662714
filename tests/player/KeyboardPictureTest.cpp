// The player's two widgets on their own: the keyboard's keys and velocities
// under a point, the notes a press and its release queue (seen as the engine
// dispatches them), the tint of held keys; the picture cut to its rectangle
// and the picture files it is given.
#include "EditorRig.h"
#include "Keyboard.h"
#include "Picture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr uint32_t kGround = 0xFF204060;

// A widget drawn at 0,0 of an image of its size filled with kGround.
Capture Drawn(KWidget& widget, int width, int height) {
    Gdiplus::Bitmap image(width, height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&image);
        graphics.Clear(Gdiplus::Color(kGround));
        widget.Draw(graphics);
    }
    return CaptureBitmap(&image);
}

// One channel of the tint's blend over kGround, as GDI+ blends it.
int Blended(int tint, int ground) { return (tint * 0x78 + ground * (255 - 0x78)) / 255; }

bool IsTinted(uint32_t rgb) {
    const int expected[3] = {Blended(0x87, 0x20), Blended(0xCD, 0x40), Blended(0xF5, 0x60)};
    const int got[3] = {static_cast<int>((rgb >> 16) & 255), static_cast<int>((rgb >> 8) & 255),
                        static_cast<int>(rgb & 255)};
    for (int c = 0; c < 3; ++c)
        if (std::abs(got[c] - expected[c]) > 2) return false;
    return true;
}

// The player's keyboard rectangle.
void Place(KKeyboard& keyboard) { keyboard.Init(64, 182, 579, 239, 0); }

TEST(KKeyboard, FindsTheNoteAndVelocityUnderAPoint) {
    GdiplusSession gdi;
    KKeyboard keyboard;
    Place(keyboard);
    const struct {
        int x, y, note, velocity;
    } cases[] = {
        {0, 0, 24, 1},      {4, 0, 25, 1},        {514, 0, 97, 1},
        {12, 50, 26, 112},  // trunc(50 / 57 x 127 + 1)
        {20, 20, 27, 67},   // a black key: trunc(20 / 38 x 127 + 1)
        {13, 10, 26, 23},   // just right of the first black key
        {20, 38, 26, 85},   // just below a black key: the white key under it
        {39, 10, 29, 23},   {41, 10, 30, 34},   {69, 37, 34, 124}, {83, 56, 35, 125},
        {84, 0, 36, 1},     {84 * 3 + 60, 45, 24 + 36 + 9, 101},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keyboard.NoteFromPoint(c.x, c.y), c.note) << c.x << "," << c.y;
        EXPECT_EQ(keyboard.lastVelocity, c.velocity) << c.x << "," << c.y;
    }
    for (int s = 0; s < 12; ++s) {
        const int expected[12] = {0, 0, 1, 0, 2, 3, 0, 4, 0, 5, 0, 6};
        EXPECT_EQ(KKeyboard::WhiteKeyIndex(s), expected[s]) << s;
    }
}

class KeyboardPlays : public ::testing::Test {
protected:
    // One instrument on `channel`; the keyboard plays it into the player.
    void Make(uint8_t channel) {
        rig.AddInstrument(channel, 0, {1}, rig.Wav(L"k.wav"));
        set = rig.MakeSet();
        player = PlayerRig::Player(set.library);
        AEffect* e = player->getAeffect();
        e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
        recorder = std::make_unique<MidiRecorder>(*player);
        Place(keyboard);
        keyboard.effect = player.get();
        keyboard.instrument = player->engine.instruments[0];
    }

    GdiplusSession gdi;
    PlayerRig rig;
    PlayerSet set;
    std::unique_ptr<KPlayerVST> player;
    std::unique_ptr<MidiRecorder> recorder;
    KKeyboard keyboard;
};

TEST_F(KeyboardPlays, APressAndItsReleaseOnTheInstrumentsChannel) {
    Make(0);
    keyboard.OnLButtonDown(20, 20, MK_LBUTTON);
    EXPECT_EQ(recorder->Render(), (Messages{{0x9F, 27, 67}})) << "omni plays on channel 16";
    EXPECT_FALSE(keyboard.IsHeld(27)) << "a press does not tint: the monitor does";
    // The release goes to the pressed key wherever the pointer is.
    keyboard.OnLButtonUp(400, 5, 0);
    EXPECT_EQ(recorder->Render(), (Messages{{0x8F, 27, 0}}));
    keyboard.OnLButtonUp(400, 5, 0);
    EXPECT_EQ(recorder->Render(), Messages{}) << "one release per press";

    player->engine.instruments[0]->midiChannel = 3;
    keyboard.OnLButtonDown(0, 0, MK_LBUTTON);
    keyboard.OnLButtonUp(0, 0, 0);
    EXPECT_EQ(recorder->Render(), (Messages{{0x92, 24, 1}, {0x82, 24, 0}}));
}

TEST_F(KeyboardPlays, NothingWithoutAnInstrument) {
    Make(1);
    keyboard.instrument = nullptr;
    keyboard.OnLButtonDown(100, 30, MK_LBUTTON);
    keyboard.OnLButtonUp(100, 30, 0);
    EXPECT_EQ(recorder->Render(), Messages{});
}

TEST(KKeyboard, TintsOnlyTheHeldKeys) {
    GdiplusSession gdi;
    KKeyboard keyboard;
    Place(keyboard);
    keyboard.MarkKey(24, true);
    keyboard.MarkKey(97, true);
    keyboard.MarkKey(23, true); // off the keyboard: ignored
    keyboard.MarkKey(98, true);
    Capture shot = Drawn(keyboard, 515, 57);
    EXPECT_TRUE(IsTinted(shot.Rgb(6, 50))) << "the leftmost white key, to its foot";
    EXPECT_TRUE(IsTinted(shot.Rgb(0, 0)));
    EXPECT_TRUE(IsTinted(shot.Rgb(510, 20))) << "the last black key";
    EXPECT_TRUE(IsTinted(shot.Rgb(514, 37)));
    EXPECT_EQ(shot.Rgb(510, 45), Rgb(kGround)) << "a black key is 38 tall";
    EXPECT_EQ(shot.Rgb(18, 50), Rgb(kGround)) << "the next white key";
    EXPECT_EQ(shot.Rgb(300, 30), Rgb(kGround));

    keyboard.MarkKey(24, false);
    shot = Drawn(keyboard, 515, 57);
    EXPECT_EQ(shot.Rgb(6, 50), Rgb(kGround));
    EXPECT_TRUE(IsTinted(shot.Rgb(510, 20)));
    keyboard.ClearKeys();
    shot = Drawn(keyboard, 515, 57);
    EXPECT_TRUE(shot.Filled({0, 0, 515, 57}, kGround));
}

// A solid picture file of a colour.
bool WritePicture(const std::wstring& path, int width, int height, uint32_t argb) {
    Capture c;
    c.width = width;
    c.height = height;
    c.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), argb);
    return c.SavePng(path);
}

TEST(KPicture, ShowsThePictureFromItsCornerCutToItsRectangle) {
    GdiplusSession gdi;
    TempFolder folder;
    const std::wstring small = folder.File(L"small.png"), large = folder.File(L"large.png");
    ASSERT_TRUE(WritePicture(small, 100, 30, 0xFFFF0000));
    ASSERT_TRUE(WritePicture(large, 400, 100, 0xFF00FF00));

    KPicture picture;
    picture.Init(0, 0, 180, 45, 0);
    EXPECT_TRUE(Drawn(picture, 200, 60).Filled({0, 0, 200, 60}, kGround)) << "no image draws nothing";

    Gdiplus::Bitmap* smaller = LoadPictureFile(small.c_str(), 180, 45);
    ASSERT_NE(smaller, nullptr);
    picture.image = smaller;
    Capture shot = Drawn(picture, 200, 60);
    EXPECT_TRUE(shot.Filled({0, 0, 100, 30}, 0xFFFF0000));
    EXPECT_TRUE(shot.Filled({100, 0, 200, 60}, kGround)) << "the rest is left as it was";
    EXPECT_TRUE(shot.Filled({0, 30, 100, 60}, kGround));

    Gdiplus::Bitmap* larger = LoadPictureFile(large.c_str(), 180, 45);
    ASSERT_NE(larger, nullptr);
    EXPECT_EQ(larger->GetWidth(), 180u) << "only the part the widget shows is kept";
    EXPECT_EQ(larger->GetHeight(), 45u);
    picture.image = larger;
    shot = Drawn(picture, 200, 60);
    EXPECT_TRUE(shot.Filled({0, 0, 180, 45}, 0xFF00FF00));
    EXPECT_TRUE(shot.Filled({180, 0, 200, 60}, kGround)) << "cut at the rectangle";
    EXPECT_TRUE(shot.Filled({0, 45, 200, 60}, kGround));
    delete smaller;
    delete larger;
}

TEST(KPicture, AFileThatIsNoPictureGivesNone) {
    GdiplusSession gdi;
    TempFolder folder;
    const std::wstring text = folder.File(L"notes.png"), cut = folder.File(L"cut.png");
    ASSERT_TRUE(WriteBytes(text, Bytes{'h', 'e', 'l', 'l', 'o'}));
    ASSERT_TRUE(WritePicture(cut, 64, 64, 0xFF0000FF));
    Bytes half = ReadBytes(cut);
    half.resize(half.size() / 2);
    ASSERT_TRUE(WriteBytes(cut, half));
    for (const std::wstring& path : {folder.File(L"missing.png"), text, cut, folder.Path(), std::wstring()}) {
        Gdiplus::Bitmap* image = LoadPictureFile(path.c_str(), 180, 45);
        EXPECT_EQ(image, nullptr) << WideToUtf8(path.c_str());
        delete image;
    }
}

} // namespace
