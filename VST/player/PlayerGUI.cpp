// The editor's construction, skin and pictures, window, timers, command
// dispatch and the notifications that come from the audio and disk threads.
#include "PlayerGUI.h"

#include "PlayerAbout.h"
#include "PlayerSkinNames.h"

#include <cmath>
#include <string>
#include <thread>

namespace {

constexpr UINT kVoicesTimerMs = 200;
constexpr uint32_t kNameColor = 0xFFD0D0D5;
constexpr float kMeterFloorDb = -60.0f;
// The MIDI light's place: the audio thread's one paint request a block.
constexpr RECT kMidiLightArea = {373, 65, 381, 73};

// The pictures' rectangles.
constexpr RECT kLogoRect = {125, 0, 305, 45};
constexpr RECT kProductRect = {30, 110, 390, 160};

// The text after the last backslash, or the whole text without one.
std::wstring FileNameFromPath(const wchar_t* path) {
    const std::wstring whole = path;
    const size_t slash = whole.rfind(L'\\');
    return slash == std::wstring::npos ? whole : whole.substr(slash + 1);
}

int RectWidth(const RECT& r) { return r.right - r.left; }
int RectHeight(const RECT& r) { return r.bottom - r.top; }

} // namespace

AEffEditor* CreatePlayerGUI(KPlayerVST* player) {
    return new KPlayerGUI(player, static_cast<HINSTANCE>(player->module));
}

KPlayerGUI::KPlayerGUI(KPlayerVST* owner, HINSTANCE module) : AEffEditor(owner) {
    selectedSlot = 0;
    hInstance = module;
    player = owner;
    resourceHolder.module = module;

    KSamplerEngine& engine = owner->engine;
    engine.diskBeginCallback = OnDiskActivityStart;
    engine.diskEndCallback = OnDiskActivityEnd;
    engine.midiMonitorCallback = MidiActivityCallback;
    engine.callbackUser = this;

    LoadSkin();
    LoadPictures();
    CreateWidgets();
    meterGroup.meters[meterGroup.meterCount++] = &leftMeter;
    meterGroup.meters[meterGroup.meterCount++] = &rightMeter;
}

KPlayerGUI::~KPlayerGUI() {
    // The player closes the window first; a host that never did still gets
    // its timers stopped here.
    CloseWindow();
    KSamplerEngine& engine = player->engine;
    engine.diskBeginCallback = nullptr;
    engine.diskEndCallback = nullptr;
    engine.midiMonitorCallback = nullptr;
    engine.callbackUser = nullptr;
    FreeImages();
}

std::array<Gdiplus::Bitmap**, KPlayerGUI::kSkinImages> KPlayerGUI::SkinImages() {
    // In the order of playerskin::kEditorImages.
    return {&knobImage,    &knobPanImage, &digitImage,      &meterImage, &diskLedImage, &panicImage,
            &midiLedImage, &logoButtonImage, &upImage, &downImage,  &handleImage};
}

Gdiplus::Bitmap* KPlayerGUI::LoadSkinImage(const wchar_t* name) {
    const HRSRC resource = ::FindResourceW(hInstance, name, L"PNG");
    resourceHolder.block = nullptr;
    return resource != nullptr ? LoadPngResource(resource, &resourceHolder) : nullptr;
}

void KPlayerGUI::LoadSkin() {
    static_assert(sizeof playerskin::kEditorImages / sizeof playerskin::kEditorImages[0] == kSkinImages,
                  "one image a slot");
    // A style byte the player does not know (a bank may hold any) shows the
    // default style; so does a style whose background is missing.
    const int32_t style = player->engine.uiStyle;
    shownStyle_ = style >= 0 && style < playerskin::kStyleCount ? style : 0;
    background = LoadSkinImage(playerskin::kBackgrounds[shownStyle_]);
    if (background == nullptr && shownStyle_ != 0) {
        shownStyle_ = 0;
        background = LoadSkinImage(playerskin::kBackgrounds[0]);
    }
    skinBlocks_[0] = background != nullptr ? resourceHolder.block : nullptr;
    const auto images = SkinImages();
    for (int i = 0; i < kSkinImages; ++i) {
        *images[i] = LoadSkinImage(playerskin::kEditorImages[i]);
        skinBlocks_[i + 1] = *images[i] != nullptr ? resourceHolder.block : nullptr;
    }
}

void KPlayerGUI::LoadPictures() {
    // The copies that the export put into the bank's folder, under the
    // stored file names.
    const KSamplerEngine& engine = player->engine;
    const std::wstring folder = player->pluginFolder + player->playerName + L"\\";
    auto load = [&](const wchar_t* stored, const RECT& shownIn) -> Gdiplus::Bitmap* {
        const std::wstring name = FileNameFromPath(stored);
        if (name.empty()) return nullptr;
        return LoadPictureFile((folder + name).c_str(), RectWidth(shownIn), RectHeight(shownIn));
    };
    logoImage = load(engine.logoPicture, kLogoRect);
    productImage = load(engine.backgroundPicture, kProductRect);
}

void KPlayerGUI::FreeImages() {
    delete background;
    background = nullptr;
    for (Gdiplus::Bitmap** image : SkinImages()) {
        delete *image;
        *image = nullptr;
    }
    // Nothing reads the blocks once their images are gone.
    for (HGLOBAL& block : skinBlocks_) {
        if (block == nullptr) continue;
        ::GlobalUnlock(block);
        ::GlobalFree(block);
        block = nullptr;
    }
    delete logoImage;
    logoImage = nullptr;
    delete productImage;
    productImage = nullptr;
}

void KPlayerGUI::MakeKnob(KKnob& knob, Gdiplus::Bitmap* image, int x, int y, float minimum, float maximum,
                          float fallback) {
    knob.Create(image, x, y, 1, 61);
    // The range first: a default outside it is refused.
    knob.maximum = maximum;
    knob.minimum = minimum;
    knob.SetDefaultValue(fallback);
    knob.SetValue(fallback);
}

void KPlayerGUI::CreateWidgets() {
    auto digit = [this](KDigit& d, int x, int y, int cells, bool locked, int id, bool showPlus, int minimum,
                        int maximum) {
        d.Create(digitImage, x, y, static_cast<uint32_t>(cells), locked, id, showPlus);
        d.SetRange(maximum, minimum);
    };

    SetWidgetImage(logoButtonImage, &logoButton, kAbout, true, 11, 3);
    SetWidgetImage(panicImage, &panicButton, kPanic, false, 556, 21);
    KLevelMeterH::Create(meterImage, &leftMeter, 438, 22);
    KLevelMeterH::Create(meterImage, &rightMeter, 438, 30);
    leftMeter.floorDb = rightMeter.floorDb = kMeterFloorDb;
    digit(voicesDigit, 476, 8, 3, true, 0, false, 0, 999);
    KLED::Create(diskLedImage, &diskLed, 540, 11);
    KLED::Create(midiLedImage, &midiLed, 373, 65);

    MakeKnob(attackKnob, knobImage, 412, 109, 0.0f, 2000.0f, 0.0f);
    MakeKnob(decayKnob, knobImage, 455, 109, 0.0f, 2000.0f, 0.0f);
    MakeKnob(sustainKnob, knobImage, 498, 109, -30.0f, 0.0f, 0.0f);
    MakeKnob(releaseKnob, knobImage, 541, 109, 0.0f, 2000.0f, 0.0f);
    MakeKnob(volumeKnob, knobImage, 424, 58, 0.0f, 100.0f, 100.0f);
    MakeKnob(panKnob, knobPanImage, 477, 58, 0.0f, 100.0f, 50.0f);
    MakeKnob(sendKnob, knobImage, 530, 58, 0.0f, 100.0f, 0.0f);

    digit(attackDigit, 420, 150, 4, true, 0, false, 0, 9999);
    digit(decayDigit, 462, 150, 4, true, 0, false, 0, 9999);
    digit(sustainDigit, 505, 150, 4, true, 0, true, -30, 0);
    digit(releaseDigit, 547, 150, 4, true, 0, false, 0, 9999);
    // A range starts at its minimum: the displays show their knobs instead
    // (a sustain of -30 under a knob at 0 dB, before any instrument).
    ShowKnobsOnDisplays();
    digit(channelDigit, 84, 84, 2, false, kControls, false, 0, 16);
    digit(outputDigit, 186, 84, 2, false, kControls, false, 1, 4);
    digit(layerDigit, 268, 84, 2, false, kLayer, false, 1, 12);
    digit(bendRangeDigit, 358, 84, 2, false, kControls, false, 1, 12);

    SetWidgetImage(upImage, &upButton, kUp, false, 393, 64);
    SetWidgetImage(downImage, &downButton, kDown, false, 393, 85);

    nameText.Create(91, 63, 364, 76, L"test", kControls, true, true);
    nameText.textColor = kNameColor;

    pitchFader.Create(handleImage, 15, 191, kPitch);
    pitchFader.SetDefaultValue(50.0f);
    pitchFader.SetValue(50.0f);
    pitchFader.springBack = true;
    modulationFader.Create(handleImage, 35, 191, kModulation);

    // A picture whose file did not load is placed all the same and draws
    // nothing.
    logoPicture.Init(kLogoRect.left, kLogoRect.top, kLogoRect.right, kLogoRect.bottom, 0);
    logoPicture.image = logoImage;
    productPicture.Init(kProductRect.left, kProductRect.top, kProductRect.right, kProductRect.bottom, 0);
    productPicture.image = productImage;

    keyboard.Init(64, 182, 579, 239, 0);
    keyboard.effect = player;
}

VstIntPtr KPlayerGUI::getRect(ERect** rect) {
    const int width = background != nullptr ? static_cast<int>(background->GetWidth()) : kWidth;
    const int height = background != nullptr ? static_cast<int>(background->GetHeight()) : kHeight;
    return ReportEditorRect(rect, width, height);
}

void KPlayerGUI::AddWidgets() {
    // Also the painting order: later ones on top.
    KWidget* const widgets[] = {
        &productPicture, &logoPicture,  &logoButton,   &panicButton,  &leftMeter,      &rightMeter,
        &voicesDigit,    &attackKnob,   &decayKnob,    &sustainKnob,  &releaseKnob,    &volumeKnob,
        &panKnob,        &sendKnob,     &attackDigit,  &decayDigit,   &sustainDigit,   &releaseDigit,
        &upButton,       &downButton,   &nameText,     &diskLed,      &midiLed,        &channelDigit,
        &outputDigit,    &layerDigit,   &bendRangeDigit, &pitchFader, &modulationFader, &keyboard};
    for (KWidget* w : widgets) AddWidget(panel.model, w);
}

VstIntPtr KPlayerGUI::open(void* parent) {
    // A host that opens twice: the first window's timers go with it.
    CloseWindow();
    // The window's thread shows the MIDI from here on; a show that the audio
    // thread began for the closed editor ends first.
    windowOpen_ = true;
    while (midiShowing_) std::this_thread::yield();
    systemWindow = parent;
    // Without a background there is no panel to show; the rest keeps working.
    CreatePanelWindow(&panel, hInstance, static_cast<HWND>(parent), background);
    if (panel.window != nullptr) {
        beforePaint_.Attach(panel.window, [](void* user) { static_cast<KPlayerGUI*>(user)->ShowMidiActivity(); }, this);
    } else {
        windowOpen_ = false;
    }
    panel.commandCallback = OnWidgetEvent;
    panel.timerCallback = TimerCallback;
    panel.callbackContext = this;
    if (panel.model != nullptr) AddWidgets();

    StartMeterTimer(&meterGroup);
    midiLed.SetValue(0.0f);
    midiLedLit = false;
    lightRequested_ = false;
    // A request made to the window before this one is void.
    midiRequest_ = kNotAsked;
    if (panel.window != nullptr) ::SetTimer(panel.window, kVoicesTimer, kVoicesTimerMs, nullptr);
    RefreshInstrumentView();
    return 1;
}

void KPlayerGUI::close() {
    if (panel.window != nullptr) {
        ::KillTimer(panel.window, kVoicesTimer);
        ::KillTimer(panel.window, kMidiLightTimer);
    }
    StopMeterTimer(&meterGroup);
    DestroyPanelWindow(&panel);
    // A light lit meanwhile has lost its timer with the window.
    midiLedLit = false;
    midiLed.SetValue(0.0f);
    windowOpen_ = false;
}

void KPlayerGUI::CloseWindow() {
    if (IsOpen() || meterGroup.timerId != 0) close();
}

void KPlayerGUI::OnWidgetEvent(int id, void* context) {
    auto* gui = static_cast<KPlayerGUI*>(context);
    switch (id) {
    case kPanic: gui->OnPanic(); break;
    case kAbout: gui->ShowAbout(); break;
    case kUp: gui->StepSelection(1); break;
    case kDown: gui->StepSelection(-1); break;
    case kPitch: gui->SendPitchBend(); break;
    case kModulation: gui->SendModWheel(); break;
    case kControls: gui->WriteControls(); break;
    case kLayer: gui->OnLayerDigit(); break;
    case kMidiLightCommand: gui->ShowMidiActivity(); break;
    default: break;
    }
}

void KPlayerGUI::TimerCallback(int timerId, void* context) { static_cast<KPlayerGUI*>(context)->OnTimer(timerId); }

void KPlayerGUI::OnTimer(int timerId) {
    if (timerId == kVoicesTimer) {
        // MIDI that no request brought here (one made while the window was
        // coming or going, or a call that failed).
        ShowMidiActivity();
        const int voices = player->engine.CountActiveVoices();
        if (static_cast<int>(voicesDigit.GetValue()) != voices) voicesDigit.SetValue(static_cast<float>(voices));
        return;
    }
    midiLed.SetValue(0.0f);
    if (panel.window != nullptr) ::KillTimer(panel.window, kMidiLightTimer);
    midiLedLit = false;
}

void KPlayerGUI::OnDiskActivityStart(void* user, int32_t) { static_cast<KPlayerGUI*>(user)->diskLed.SetValue(1.0f); }

void KPlayerGUI::OnDiskActivityEnd(void* user, int32_t) { static_cast<KPlayerGUI*>(user)->diskLed.SetValue(0.0f); }

void KPlayerGUI::MidiActivityCallback(void* user, int32_t message) {
    static_cast<KPlayerGUI*>(user)->OnMidiActivity(static_cast<uint32_t>(message));
}

void KPlayerGUI::UpdateOutputMeters(float peakLeft, float peakRight) {
    leftMeter.TakePeak(peakLeft);
    rightMeter.TakePeak(peakRight);
    // The end of a block: its MIDI is shown, or the window asked to show it.
    if (!midiRecorded_.load(std::memory_order_acquire)) return;
    // Without a window nothing paints and nothing can be asked: the widgets,
    // which have no window to call, take the record here. Open waits for
    // the end of such a show, and once it has begun no show starts here.
    midiShowing_ = true;
    if (!windowOpen_) {
        ShowMidiActivity();
        midiShowing_ = false;
        return;
    }
    midiShowing_ = false;
    AskToShowMidiActivity();
}

void KPlayerGUI::AskToShowMidiActivity() {
    // One call a block at most, and none while the window has both requests.
    // A paint is the window's last errand and never comes while it is
    // hidden: a request still unanswered a block later is also posted.
    const HWND window = keyboard.GetOwnerWindow();
    if (window == nullptr) return;
    int asked = kNotAsked;
    if (midiRequest_.compare_exchange_strong(asked, kPaintAsked)) {
        if (!::InvalidateRect(window, &kMidiLightArea, FALSE)) midiRequest_ = kNotAsked;
    } else if (asked == kPaintAsked && midiRequest_.compare_exchange_strong(asked, kCommandPosted)) {
        if (!::PostMessageW(window, WM_COMMAND, kMidiLightCommand, 0)) midiRequest_ = kPaintAsked;
    }
}

void KPlayerGUI::ShowAbout() {
    // Runs modally over the panel; the editor's timers go on meanwhile.
    CAboutDlg about(hInstance);
    about.Run(panel.window);
}
