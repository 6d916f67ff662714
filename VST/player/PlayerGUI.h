// The bank player's editor: one fixed 593 x 242 panel in the skin of the
// bank's UI style, showing one instrument of the bank at a time. It picks
// the instrument, sets its channel, output pair, layer, bend range, volume,
// pan, send and the current layer's envelope, plays it from the on-screen
// keyboard and the pitch and modulation faders, and shows voices, disk and
// MIDI activity, the output level and the library's two pictures. It lives
// as long as the player object; the host opens and closes its window any
// number of times in between.
//
// Threads: construction, open, close, the commands and the view run on the
// host's window thread. OnMidiActivity and UpdateOutputMeters run on the
// audio thread: the first only records what the MIDI did (the light, held
// keys, the values the controls follow, a layer to show), the second, at the
// end of each block, asks the window once at most to show it; the window's
// thread does, before it paints, on that request or at its voices tick, and
// starts the light's timer. While no window is open the audio thread shows
// the record itself, on widgets that have no window to call. The disk
// callbacks run on the engine's disk thread and set the disk light.
#pragma once

#include "AEffEditor.h"
#include "BeforePaint.h"
#include "Button.h"
#include "Digit.h"
#include "Fader.h"
#include "Keyboard.h"
#include "Knob.h"
#include "Led.h"
#include "LevelMeter.h"
#include "MeterTimer.h"
#include "Panel.h"
#include "Picture.h"
#include "PlayerEditorHooks.h"
#include "PlayerVST.h"
#include "PngResource.h"
#include "Text.h"

#include <array>
#include <atomic>
#include <cstdint>

class KPlayerGUI : public AEffEditor, public KPlayerEditorHooks {
public:
    static constexpr int kSkinImages = 11;
    // Every background's size; used when the style's background is missing.
    static constexpr int kWidth = 593, kHeight = 242;

    // Window timers, and the command by which the audio thread asks the
    // window to show the MIDI it recorded (and to start the light's timer)
    // when a paint it asked for has not come by the next block.
    static constexpr int kVoicesTimer = 1;
    static constexpr int kMidiLightTimer = 2;
    static constexpr int kMidiLightCommand = 300;
    // The light stays lit this long after the note that lit it.
    static constexpr UINT kMidiLightMs = 200;

    // Control ids.
    static constexpr int kPanic = 131, kAbout = 132, kUp = 133, kDown = 134, kPitch = 135, kModulation = 136;
    static constexpr int kControls = 151, kLayer = 152;

    KPlayerGUI(KPlayerVST* player, HINSTANCE module);
    ~KPlayerGUI() override;

    VstIntPtr getRect(ERect** rect) override;
    VstIntPtr open(void* parent) override;
    void close() override;

    // The player's calls (KPlayerEditorHooks).
    void RefreshInstrumentView() override;
    void UpdateOutputMeters(float peakLeft, float peakRight) override;
    void CloseWindow() override;

    // The instrument of the selected slot; null for an empty one.
    KInstrument* SelectedInstrument();
    void WriteControls();
    void OnLayerDigit();
    // Up (1) and down (-1): the next loaded instrument that way, if any.
    void StepSelection(int step);
    void OnPanic();
    void ShowAbout();
    void SendPitchBend();
    void SendModWheel();
    void OnMidiActivity(uint32_t message);
    // Window thread (or the audio thread while no window is open): the
    // light, keys, faders, knobs and layer as the MIDI recorded since the
    // last call left them.
    void ShowMidiActivity();
    void OnTimer(int timerId);

    static void OnWidgetEvent(int id, void* context);
    static void TimerCallback(int timerId, void* context);
    static void OnDiskActivityStart(void* user, int32_t arg);
    static void OnDiskActivityEnd(void* user, int32_t arg);
    static void MidiActivityCallback(void* user, int32_t message);

    bool IsOpen() const { return panel.window != nullptr; }
    // The UI style whose background is shown (0..6): a bank's style outside
    // them shows the default.
    int ShownStyle() const { return shownStyle_; }

    PanelDescriptor panel = {};
    HINSTANCE hInstance = nullptr;
    KPlayerVST* player = nullptr;
    PngResourceHolder resourceHolder = {nullptr, nullptr};

    // The skin (null: the resource is missing), in the order it is loaded
    // after the background.
    Gdiplus::Bitmap* background = nullptr;
    Gdiplus::Bitmap* knobImage = nullptr;
    Gdiplus::Bitmap* knobPanImage = nullptr;
    Gdiplus::Bitmap* digitImage = nullptr;
    Gdiplus::Bitmap* meterImage = nullptr;
    Gdiplus::Bitmap* diskLedImage = nullptr;
    Gdiplus::Bitmap* panicImage = nullptr;
    Gdiplus::Bitmap* midiLedImage = nullptr;
    Gdiplus::Bitmap* logoButtonImage = nullptr;
    Gdiplus::Bitmap* upImage = nullptr;
    Gdiplus::Bitmap* downImage = nullptr;
    Gdiplus::Bitmap* handleImage = nullptr;
    // The library's pictures, from the files beside the bank (null: missing
    // or not an image).
    Gdiplus::Bitmap* logoImage = nullptr;
    Gdiplus::Bitmap* productImage = nullptr;

    KButton panicButton, logoButton, upButton, downButton;
    KKnob volumeKnob, panKnob, sendKnob;
    KKnob attackKnob, decayKnob, sustainKnob, releaseKnob;
    KDigit voicesDigit, attackDigit, decayDigit, sustainDigit, releaseDigit;
    KDigit channelDigit, outputDigit, layerDigit, bendRangeDigit;
    KLED midiLed, diskLed;
    KLevelMeterH leftMeter, rightMeter;
    KText nameText;
    KFader pitchFader, modulationFader;
    KKeyboard keyboard;
    KPicture logoPicture, productPicture;

    MeterTimerGroup meterGroup = {};
    std::atomic<bool> midiLedLit{false};

private:
    std::array<Gdiplus::Bitmap**, kSkinImages> SkinImages();
    Gdiplus::Bitmap* LoadSkinImage(const wchar_t* name);
    void LoadSkin();
    void LoadPictures();
    void FreeImages();
    void CreateWidgets();
    void AddWidgets();
    void MakeKnob(KKnob& knob, Gdiplus::Bitmap* image, int x, int y, float minimum, float maximum, float fallback);
    // The status byte of a kind on the instrument's channel (omni: 16).
    static uint8_t StatusOn(const KInstrument& instrument, int kind);
    void NoteShownControls();
    // The four envelope displays := their knobs.
    void ShowKnobsOnDisplays();
    bool Moved(int control);

    // What the controls showed after the last refresh, or after the MIDI
    // monitor moved them. A write stores only the fields whose control the
    // user moved since, so that what a control cannot show (an attack beyond
    // 2000 ms, a bend range of 24) survives an edit of another control.
    enum Shown { kChannel, kOutput, kBendRange, kLayerShown, kAttack, kDecay, kSustain, kRelease, kVolume, kPan,
                 kSend, kShownControls };
    KWidget* ShownControl(int control);
    // Written by the monitor's show on the audio thread too.
    std::atomic<float> shown_[kShownControls] = {};
    int shownStyle_ = 0;
    // The memory behind each skin image, freed with the images.
    HGLOBAL skinBlocks_[kSkinImages + 1] = {};

    // What the audio thread's MIDI monitor saw, for the window to show: the
    // light lit (its timer yet to start), held keys moved (the keys
    // themselves are in the keyboard), a layer to show with its command (a
    // key switch) or silently (the mod wheel), and the last values the pitch
    // fader (bend, 0..16383), the knobs and the modulation fader (data byte)
    // follow; -1: none.
    std::atomic<bool> lightRequested_{false};
    std::atomic<bool> keysMoved_{false};
    std::atomic<bool> layerSwitched_{false}, layerFollows_{false};
    std::atomic<int> followedBend_{-1}, followedVolume_{-1}, followedPan_{-1}, followedSend_{-1},
        followedModulation_{-1};
    // Something was recorded that has not been shown yet.
    std::atomic<bool> midiRecorded_{false};
    // How far the audio thread has asked the window since its last show: a
    // paint first, then (a block later) the command as well.
    enum MidiRequest { kNotAsked, kPaintAsked, kCommandPosted };
    std::atomic<int> midiRequest_{kNotAsked};
    void AskToShowMidiActivity();
    // From the start of open to the end of close; while it is false the
    // audio thread shows the record itself (midiShowing_ while it does, so
    // that open waits for the end of that show).
    std::atomic<bool> windowOpen_{false};
    std::atomic<bool> midiShowing_{false};

    // Shows what the audio thread recorded before each paint.
    KBeforePaint beforePaint_;
};

// The player's editor factory.
AEffEditor* CreatePlayerGUI(KPlayerVST* player);
