// The player's editor made inside the test program, its widgets read
// directly: the faders' MIDI bytes, the display's following of what the
// engine dispatches, the instrument walk, the writes of moved controls into
// the instrument and its zones, the digit strip's glyphs, the skin by UI
// style, and the light's timer handed to the window's thread.
#include "EditorRig.h"
#include "PlayerSkinNames.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

class PlayerGUITest : public ::testing::Test {
protected:
    // The library made so far, exported and played with its editor.
    KPlayerGUI& Make() {
        set = rig.MakeSet();
        player = PlayerWithEditor(set.library);
        recorder = std::make_unique<MidiRecorder>(*player);
        return EditorOf(*player);
    }
    // A library of one instrument on `channel` with one zone on layer 1.
    KPlayerGUI& MakeOne(uint8_t channel) {
        rig.AddInstrument(channel, 0, {1}, rig.Wav(L"one.wav"));
        return Make();
    }
    void Send(uint8_t status, uint8_t d1, uint8_t d2) { SendMidi(player->getAeffect(), status, d1, d2); }

    GdiplusSession gdi;
    PlayerRig rig;
    PlayerSet set;
    std::unique_ptr<KPlayerVST> player;
    std::unique_ptr<MidiRecorder> recorder;
};

TEST_F(PlayerGUITest, TheFadersSendOnTheInstrumentsChannel) {
    KPlayerGUI& gui = MakeOne(0);
    KInstrument& in = *player->engine.instruments[0];
    const struct {
        uint8_t channel;
        float pitch;
        Message bend;
        float modulation;
        Message wheel;
    } cases[] = {
        {0, 50.0f, {0xEF, 0x00, 0x40}, 100.0f, {0xBF, 1, 127}},
        {0, 100.0f, {0xEF, 0x00, 0x80}, 0.0f, {0xBF, 1, 0}},
        {3, 0.0f, {0xE2, 0x00, 0x00}, 50.0f, {0xB2, 1, 63}},
        // 200 = 0xC8: the low byte keeps its top bit, the high byte holds it too.
        {16, 200.0f / 163.84f + 0.0001f, {0xEF, 0xC8, 0x01}, 1.0f, {0xBF, 1, 1}},
    };
    for (const auto& c : cases) {
        in.midiChannel = c.channel;
        gui.pitchFader.SetValue(c.pitch);
        gui.modulationFader.SetValue(c.modulation);
        gui.SendPitchBend();
        gui.SendModWheel();
        EXPECT_EQ(recorder->Render(), (Messages{c.bend, c.wheel})) << int{c.channel} << " " << c.pitch;
    }
}

TEST_F(PlayerGUITest, ReleasingThePitchFaderSendsItsBendThenTheCentre) {
    KPlayerGUI& gui = MakeOne(1);
    HostWindow window(KPlayerGUI::kWidth, KPlayerGUI::kHeight);
    ASSERT_EQ(gui.open(window.hwnd()), 1);
    HWND panel = gui.panel.window;
    // From the thumb (at the centre) to the top of the track.
    input::MoveTo(panel, 15 + 5, 191 + 17 + 3);
    input::LeftDown();
    for (int y = 191 + 17 + 3; y >= 191; y -= 4) input::MoveTo(panel, 20, y);
    const Messages dragged = recorder->Render();
    ASSERT_FALSE(dragged.empty());
    // One bend per step, rising from the centre to the top.
    int last = 8192;
    for (const Message& m : dragged) {
        ASSERT_EQ(m.size(), 3u);
        EXPECT_EQ(m[0], 0xE0) << "only bends on channel 1";
        const int bend = m[1] | m[2] << 7;
        EXPECT_GE(bend, last) << "rising";
        last = bend;
    }
    EXPECT_EQ(dragged.back(), (Message{0xE0, 0x00, 0x80})) << "at the top";
    input::LeftUp();
    // The release sends the bend it was let go at, then the centre.
    EXPECT_EQ(recorder->Render(), (Messages{{0xE0, 0x00, 0x80}, {0xE0, 0x00, 0x40}}));
    EXPECT_EQ(gui.pitchFader.GetValue(), 50.0f);
    input::MoveTo(panel, 20, 200);
    input::Wheel(120);
    EXPECT_EQ(recorder->Render(), Messages{}) << "the wheel does not move it";
    gui.close();
}

TEST_F(PlayerGUITest, TheDisplayFollowsWhatTheEngineDispatches) {
    KPlayerGUI& gui = MakeOne(3);
    KInstrument& in = *player->engine.instruments[0];
    struct Case {
        const char* what;
        std::function<void()> before;
        std::vector<Message> sent;
        std::function<bool()> shown;
    };
    const Case cases[] = {
        {"controller 7 at 64 sets the volume knob to 50", [] {}, {{0xB2, 7, 64}},
         [&] { return gui.volumeKnob.GetValue() == 50.0f; }},
        {"controller 7 at 0 leaves it", [&] { gui.volumeKnob.SetValueSilently(80.0f); }, {{0xB2, 7, 0}},
         [&] { return gui.volumeKnob.GetValue() == 80.0f; }},
        {"pan from 10 and from 8", [] {}, {{0xB2, 10, 32}},
         [&] { return gui.panKnob.GetValue() == 25.0f; }},
        {"balance", [] {}, {{0xB2, 8, 96}}, [&] { return gui.panKnob.GetValue() == 75.0f; }},
        {"send", [] {}, {{0xB2, 91, 16}}, [&] { return gui.sendKnob.GetValue() == 12.5f; }},
        {"modulation", [] {}, {{0xB2, 1, 127}}, [&] { return gui.modulationFader.thumbTop == 0; }},
        {"controllers off: no knob moves",
         [&] {
             in.midiControllersOn = 0;
             gui.volumeKnob.SetValueSilently(80.0f);
             gui.panKnob.SetValueSilently(30.0f);
             gui.sendKnob.SetValueSilently(10.0f);
             gui.modulationFader.SetValueSilently(0.0f);
         },
         {{0xB2, 7, 32}, {0xB2, 10, 100}, {0xB2, 8, 100}, {0xB2, 91, 64}, {0xB2, 1, 127}},
         [&] {
             return gui.volumeKnob.GetValue() == 80.0f && gui.panKnob.GetValue() == 30.0f &&
                    gui.sendKnob.GetValue() == 10.0f && gui.modulationFader.GetValue() == 0.0f;
         }},
        {"a note-on holds its key", [] {}, {{0x92, 60, 100}}, [&] { return gui.keyboard.IsHeld(60); }},
        {"velocity 0 releases it", [] {}, {{0x92, 60, 0}}, [&] { return !gui.keyboard.IsHeld(60); }},
        {"a note-off releases", [] {}, {{0x92, 61, 9}, {0x82, 61, 9}}, [&] { return !gui.keyboard.IsHeld(61); }},
        {"another channel is not shown", [] {}, {{0x90, 62, 100}}, [&] { return !gui.keyboard.IsHeld(62); }},
        {"keys off the keyboard", [] {}, {{0x92, 23, 100}, {0x92, 98, 100}},
         [&] { return !gui.keyboard.IsHeld(23) && !gui.keyboard.IsHeld(98); }},
        {"the pedal let go leaves a held key", [] {}, {{0x92, 64, 100}, {0xB2, 64, 0}},
         [&] { return gui.keyboard.IsHeld(64); }},
        {"controller 123 at 0 leaves the keys", [] {}, {{0xB2, 123, 0}}, [&] { return gui.keyboard.IsHeld(64); }},
        {"controller 123 clears them", [] {}, {{0xB2, 123, 5}}, [&] { return !gui.keyboard.IsHeld(64); }},
        {"controller 120 too, controllers on or off", [&] { in.midiControllersOn = 0; },
         {{0x92, 70, 100}, {0xB2, 120, 1}}, [&] { return !gui.keyboard.IsHeld(70); }},
        {"the bend moves the pitch fader", [] {}, {{0xE2, 0x7F, 0x7F}},
         [&] { return gui.pitchFader.thumbTop == 0; }},
        {"to the centre", [] {}, {{0xE2, 0x00, 0x40}}, [&] { return gui.pitchFader.thumbTop == 17; }},
        {"and to the bottom", [] {}, {{0xE2, 0x00, 0x00}}, [&] { return gui.pitchFader.thumbTop == 34; }},
        {"a key switch shows its layer", [&] { in.keySwitchOn = 1; }, {{0x92, 26, 100}},
         [&] { return gui.layerDigit.GetValue() == 3.0f && in.currentLayer == 3; }},
    };
    for (const Case& c : cases) {
        in.midiControllersOn = 1;
        in.keySwitchOn = 0;
        c.before();
        for (const Message& m : c.sent) Send(m[0], m[1], m[2]);
        recorder->Render();
        EXPECT_TRUE(c.shown()) << c.what;
    }
}

TEST_F(PlayerGUITest, UpAndDownWalkTheLoadedInstruments) {
    const std::wstring wav = rig.Wav(L"walk.wav");
    for (const wchar_t* name : {L"Alpha", L"Beta", L"Gamma"}) CopyWide(rig.AddInstrument(0, 0, {1}, wav).name, name);
    KPlayerGUI& gui = Make();
    gui.RefreshInstrumentView();
    const struct {
        int id;
        int slot;
        const wchar_t* name;
    } steps[] = {{KPlayerGUI::kDown, 0, L"Alpha"}, {KPlayerGUI::kUp, 1, L"Beta"}, {KPlayerGUI::kUp, 2, L"Gamma"},
                 {KPlayerGUI::kUp, 2, L"Gamma"},   {KPlayerGUI::kDown, 1, L"Beta"}, {KPlayerGUI::kDown, 0, L"Alpha"}};
    for (const auto& s : steps) {
        KPlayerGUI::OnWidgetEvent(s.id, &gui);
        EXPECT_EQ(gui.selectedSlot, s.slot);
        EXPECT_EQ(gui.nameText.GetText(), s.name);
        EXPECT_EQ(gui.keyboard.instrument, player->engine.instruments[s.slot]);
    }
}

TEST_F(PlayerGUITest, UpAndDownLeadBackIntoABankSmallerThanTheSong) {
    // A song saved with the eight-instrument bank selects its seventh; the
    // same code's bank of four then opens it.
    const std::wstring wav = rig.Wav(L"song.wav");
    const wchar_t* const names[] = {L"One", L"Two", L"Three", L"Four", L"Five", L"Six", L"Seven", L"Eight"};
    for (const wchar_t* name : names) CopyWide(rig.AddInstrument(0, 0, {1}, wav).name, name);
    KPlayerGUI& eight = Make();
    for (int i = 0; i < 6; ++i) KPlayerGUI::OnWidgetEvent(KPlayerGUI::kUp, &eight);
    ASSERT_EQ(eight.selectedSlot, 6);
    void* data = nullptr;
    ASSERT_EQ(player->getChunk(&data, false), 3712);
    std::vector<uint8_t> song(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 3712);
    recorder.reset();
    player.reset();
    for (int slot = 4; slot < 8; ++slot) rig.source.DeleteInstrument(slot);

    KPlayerGUI& gui = Make();
    ASSERT_EQ(player->engine.instrumentCount, 4);
    ASSERT_EQ(player->setChunk(song.data(), 3712, false), 1);
    const struct {
        int id; // 0: none, the restore itself
        int slot;
    } steps[] = {{0, 3}, {KPlayerGUI::kDown, 2}, {KPlayerGUI::kUp, 3}, {KPlayerGUI::kUp, 3},
                 {KPlayerGUI::kDown, 2}, {KPlayerGUI::kDown, 1}, {KPlayerGUI::kDown, 0}, {KPlayerGUI::kDown, 0}};
    for (const auto& s : steps) {
        if (s.id != 0) KPlayerGUI::OnWidgetEvent(s.id, &gui);
        EXPECT_EQ(gui.selectedSlot, s.slot) << "after " << s.id;
        EXPECT_EQ(gui.nameText.GetText(), names[s.slot]) << "after " << s.id;
        EXPECT_EQ(gui.keyboard.instrument, player->engine.instruments[s.slot]);
    }
    // The controls act on what is shown.
    gui.volumeKnob.SetValue(30.0f);
    KPlayerGUI::OnWidgetEvent(KPlayerGUI::kControls, &gui);
    EXPECT_DOUBLE_EQ(player->engine.instruments[0]->volume, 0.3);
}

TEST_F(PlayerGUITest, TheEnvelopeDisplaysFollowTheKnobsAlsoOnALayerWithoutZones) {
    KInstrument& source = rig.AddInstrument(0, 0, {1}, rig.Wav(L"env.wav"));
    KSampleZone& zone = *source.zones[0];
    zone.ampAttack = 100.0f;
    zone.ampDecay = 200.0f;
    zone.ampSustain = -6.0f;
    zone.ampRelease = 300.0f;
    KPlayerGUI& gui = Make();
    gui.RefreshInstrumentView();
    KDigit* const displays[] = {&gui.attackDigit, &gui.decayDigit, &gui.sustainDigit, &gui.releaseDigit};
    KKnob* const knobs[] = {&gui.attackKnob, &gui.decayKnob, &gui.sustainKnob, &gui.releaseKnob};
    const struct {
        int layer;
        int knob;
        float value;
    } cases[] = {
        {1, 0, 400.0f}, {1, 3, 900.0f},                                   // the layer's zone takes them
        {2, 0, 700.0f}, {2, 1, 50.0f}, {2, 2, -12.0f}, {2, 3, 1500.0f}, // no zone on layer 2
        {3, 2, -30.0f},
    };
    for (const auto& c : cases) {
        if (static_cast<int>(gui.layerDigit.GetValue()) != c.layer) {
            gui.layerDigit.SetValue(static_cast<float>(c.layer));
            KPlayerGUI::OnWidgetEvent(KPlayerGUI::kLayer, &gui);
        }
        knobs[c.knob]->SetValue(c.value);
        KPlayerGUI::OnWidgetEvent(KPlayerGUI::kControls, &gui);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(displays[k]->GetValue(), knobs[k]->GetValue()) << "layer " << c.layer << ", knob " << c.knob
                                                                     << ": display " << k;
        EXPECT_EQ(displays[c.knob]->GetValue(), c.value);
    }
    const KSampleZone& played = *player->engine.instruments[0]->zones[0];
    EXPECT_EQ(played.ampAttack, 400.0f) << "layer 1's zone only from layer 1";
    EXPECT_EQ(played.ampDecay, 200.0f);
    EXPECT_EQ(played.ampRelease, 900.0f);
}

TEST_F(PlayerGUITest, AWriteStoresTheMovedControlOnly) {
    const std::wstring wav = rig.Wav(L"w.wav");
    KInstrument& source = rig.AddInstrument(7, 2, {1, 2, 1}, wav);
    source.bendRange = 24; // more than the digit shows
    const float envelopes[3][4] = {{5000, 20, -3, 400}, {11, 21, -4, 500}, {12, 0, 0, 600}};
    for (int z = 0; z < 3; ++z) {
        KSampleZone& zone = *source.zones[z];
        zone.ampAttack = envelopes[z][0];
        zone.ampDecay = envelopes[z][1];
        zone.ampSustain = envelopes[z][2];
        zone.ampRelease = envelopes[z][3];
    }
    Make();
    struct Case {
        const char* what;
        std::function<void(KPlayerGUI&)> move;
        std::function<bool(const KInstrument&)> stored;
    };
    auto untouched = [](const KInstrument& in) {
        return in.bendRange == 24 && in.zones[0]->ampAttack == 5000.0f && in.zones[1]->ampAttack == 11.0f;
    };
    const Case cases[] = {
        {"nothing moved", [](KPlayerGUI&) {},
         [&](const KInstrument& in) { return untouched(in) && in.midiChannel == 7 && in.outputPair == 2; }},
        {"output digit 1 is pair 0", [](KPlayerGUI& g) { g.outputDigit.SetValue(1.0f); },
         [&](const KInstrument& in) { return in.outputPair == 0 && untouched(in); }},
        {"channel 0 is omni", [](KPlayerGUI& g) { g.channelDigit.SetValue(0.0f); },
         [&](const KInstrument& in) { return in.midiChannel == 0 && untouched(in); }},
        {"a dragged digit stores its whole part", [](KPlayerGUI& g) { g.bendRangeDigit.SetValue(5.7f); },
         [](const KInstrument& in) { return in.bendRange == 5; }},
        {"volume", [](KPlayerGUI& g) { g.volumeKnob.SetValue(40.0f); },
         [&](const KInstrument& in) { return in.volume == 0.4 && untouched(in); }},
        {"pan", [](KPlayerGUI& g) { g.panKnob.SetValue(20.0f); },
         [](const KInstrument& in) { return in.pan == 20.0; }},
        {"send", [](KPlayerGUI& g) { g.sendKnob.SetValue(25.0f); },
         [](const KInstrument& in) { return in.reverbSend == 0.25; }},
        {"attack: every zone of the current layer", [](KPlayerGUI& g) { g.attackKnob.SetValue(300.0f); },
         [](const KInstrument& in) {
             return in.zones[0]->ampAttack == 300.0f && in.zones[2]->ampAttack == 300.0f &&
                    in.zones[1]->ampAttack == 11.0f && in.zones[0]->ampRelease == 400.0f &&
                    in.zones[2]->ampRelease == 600.0f;
         }},
        {"release", [](KPlayerGUI& g) { g.releaseKnob.SetValue(1000.0f); },
         [](const KInstrument& in) {
             return in.zones[0]->ampRelease == 1000.0f && in.zones[2]->ampRelease == 1000.0f &&
                    in.zones[1]->ampRelease == 500.0f;
         }},
        {"a sustain below 0 dB gets a decay", [](KPlayerGUI& g) { g.sustainKnob.SetValue(-12.0f); },
         [](const KInstrument& in) {
             return in.zones[0]->ampSustain == -12.0f && in.zones[0]->ampDecay == 20.0f &&
                    in.zones[2]->ampSustain == -12.0f && in.zones[2]->ampDecay == 1.0f;
         }},
    };
    for (const Case& c : cases) {
        // A fresh library for each.
        auto p = PlayerWithEditor(set.library);
        KPlayerGUI& gui = EditorOf(*p);
        gui.RefreshInstrumentView();
        c.move(gui);
        KPlayerGUI::OnWidgetEvent(KPlayerGUI::kControls, &gui);
        EXPECT_TRUE(c.stored(*p->engine.instruments[0])) << c.what;
    }

    // The refresh after a write shows the first zone of the layer; the
    // layer digit shows another layer.
    KPlayerGUI& gui = EditorOf(*player);
    gui.RefreshInstrumentView();
    gui.decayKnob.SetValue(100.0f);
    KPlayerGUI::OnWidgetEvent(KPlayerGUI::kControls, &gui);
    EXPECT_EQ(gui.attackKnob.GetValue(), 2000.0f) << "5000 ms shown as far as the knob goes";
    EXPECT_EQ(gui.attackDigit.GetValue(), 5000.0f);
    EXPECT_EQ(gui.decayDigit.GetValue(), 100.0f);
    gui.layerDigit.SetValue(2.0f);
    KPlayerGUI::OnWidgetEvent(KPlayerGUI::kLayer, &gui);
    EXPECT_EQ(player->engine.instruments[0]->currentLayer, 2);
    EXPECT_EQ(gui.attackKnob.GetValue(), 11.0f);
    EXPECT_EQ(gui.releaseDigit.GetValue(), 500.0f);
    EXPECT_EQ(gui.decayKnob.GetValue(), 21.0f) << "layer 2 kept its own decay";
}

TEST_F(PlayerGUITest, AControllerTheEngineTookIsNoEditOfTheUser) {
    KPlayerGUI& gui = MakeOne(1);
    KInstrument& in = *player->engine.instruments[0];
    gui.RefreshInstrumentView();
    Send(0xB0, 7, 127);
    recorder->Render();
    EXPECT_EQ(in.volume, 1.0) << "the engine's 127 / 127";
    gui.panKnob.SetValue(10.0f);
    KPlayerGUI::OnWidgetEvent(KPlayerGUI::kControls, &gui);
    EXPECT_EQ(in.pan, 10.0);
    EXPECT_EQ(in.volume, 1.0) << "the knob shows 127 / 128 but was not moved";
}

TEST_F(PlayerGUITest, EveryVoiceCountShowsInFullWithTheStripsGlyphs) {
    const std::wstring wav = rig.Wav(L"v.wav");
    for (int i = 0; i < 16; ++i) rig.AddInstrument(0, 0, {1}, wav);
    KPlayerGUI& gui = Make();
    rig.RemoveSources(); // the player's own copies are enough
    for (int note = 40; note < 72; ++note) Send(0x90, static_cast<uint8_t>(note), 100);
    recorder->Render();
    ASSERT_EQ(player->engine.CountActiveVoices(), 512);
    gui.OnTimer(KPlayerGUI::kVoicesTimer);
    EXPECT_EQ(gui.voicesDigit.GetValue(), 512.0f);

    // The strip is 13 glyphs of 7 pixels (blank, 0-9, minus, plus); a
    // display draws glyph g + 1 for the digit g, right-aligned.
    const Capture strip = CaptureBitmap(gui.digitImage);
    ASSERT_EQ(strip.width, 91);
    ASSERT_EQ(strip.height, 11);
    auto expectShows = [&](KDigit& digit, std::vector<int> cells, const char* what) {
        const int width = 7 * static_cast<int>(cells.size());
        Gdiplus::Bitmap image(width, 11, PixelFormat32bppARGB);
        {
            Gdiplus::Graphics graphics(&image);
            graphics.Clear(Gdiplus::Color(0xFF000000));
            digit.Draw(graphics);
        }
        const Capture shown = CaptureBitmap(&image);
        for (size_t cell = 0; cell < cells.size(); ++cell)
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 7; ++x) {
                    const uint32_t glyph = strip.pixels[static_cast<size_t>(y * 91 + cells[cell] * 7 + x)];
                    // Drawn over black: the glyph's colour scaled by its alpha.
                    const uint32_t a = glyph >> 24;
                    auto over = [a](uint32_t c) { return (c * a + 127) / 255; };
                    const uint32_t expected = over((glyph >> 16) & 255) << 16 | over((glyph >> 8) & 255) << 8 |
                                              over(glyph & 255);
                    const uint32_t got = shown.Rgb(static_cast<int>(cell) * 7 + x, y);
                    for (int shift : {0, 8, 16})
                        ASSERT_NEAR(static_cast<int>((got >> shift) & 255), static_cast<int>((expected >> shift) & 255),
                                    2)
                            << what << " cell " << cell << " at " << x << "," << y;
                }
    };
    expectShows(gui.voicesDigit, {6, 2, 3}, "512");
    gui.sustainDigit.SetValueSilently(-30.0f);
    expectShows(gui.sustainDigit, {0, 11, 4, 1}, "-30");
    gui.attackDigit.SetValueSilently(7.0f);
    expectShows(gui.attackDigit, {0, 0, 0, 8}, "7");
}

TEST_F(PlayerGUITest, AStyleOutsideTheSevenShowsTheDefault) {
    const std::wstring wav = rig.Wav(L"s.wav");
    rig.AddInstrument(0, 0, {1}, wav);
    for (int32_t style : {0, 1, 2, 3, 4, 5, 6, 7, 255, -1, 1 << 30}) {
        rig.source.uiStyle = style;
        KPlayerGUI& gui = Make();
        const int expected = style >= 0 && style <= 6 ? style : 0;
        EXPECT_EQ(gui.ShownStyle(), expected) << style;
        ASSERT_NE(gui.background, nullptr) << style;
        ERect* rect = nullptr;
        ASSERT_EQ(gui.getRect(&rect), 1);
        EXPECT_EQ(rect->right, 593) << style;
        EXPECT_EQ(rect->bottom, 242) << style;
        recorder.reset();
        player.reset();
    }
}

TEST_F(PlayerGUITest, TheAudioThreadLightsTheLightAndTheWindowStartsItsTimer) {
    KPlayerGUI& gui = MakeOne(0);
    HostWindow window(KPlayerGUI::kWidth, KPlayerGUI::kHeight);
    ASSERT_EQ(gui.open(window.hwnd()), 1);
    PumpMessages();
    HWND panel = gui.panel.window;
    ::KillTimer(panel, KPlayerGUI::kVoicesTimer); // only the light's timer here
    std::thread audio([&] {
        Send(0x90, 60, 100);
        recorder->Render();
        Send(0x90, 62, 100);
        recorder->Render();
    });
    audio.join();
    EXPECT_TRUE(gui.midiLed.on) << "lit at once";
    MSG waiting;
    ASSERT_TRUE(::PeekMessageW(&waiting, panel, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
    EXPECT_EQ(waiting.wParam, static_cast<WPARAM>(KPlayerGUI::kMidiLightCommand)) << "posted to the window";
    EXPECT_FALSE(::PeekMessageW(&waiting, panel, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "no timer yet";
    ::PeekMessageW(&waiting, panel, WM_COMMAND, WM_COMMAND, PM_REMOVE);
    EXPECT_FALSE(::PeekMessageW(&waiting, panel, WM_COMMAND, WM_COMMAND, PM_NOREMOVE)) << "once while it is lit";
    ::DispatchMessageW(&waiting);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    while (gui.midiLed.on && std::chrono::steady_clock::now() < end) PumpMessages();
    EXPECT_FALSE(gui.midiLed.on) << "out when the window's timer fires";
    EXPECT_FALSE(gui.midiLedLit);
    gui.close();
}

} // namespace
