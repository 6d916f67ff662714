// The editor's construction, window, timers, command dispatch and the
// notifications that come from the audio and disk threads.
#include "SamplerGUI.h"

#include "PanelFont.h"
#include "SkinNames.h"

#include <mmsystem.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// A system cursor (the ids are narrow-string resource numbers).
HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }

constexpr UINT kVoicesTimerMs = 200;
// The MIDI lights' column: the audio thread's one repaint request a block.
constexpr RECT kMidiLightsArea = {788, 75, 796, 315};
constexpr float kEditorFontPoints = 8.0f;
constexpr uint32_t kLightText = 0xFFD0D0D5;
constexpr uint32_t kDarkText = 0xFF19212C;
constexpr uint32_t kHighlight = 0x808DD5FF;
constexpr uint32_t kInvisible = 0x00FFFFFF;

void NumberItems(std::vector<std::wstring>& items, int first, int last) {
    for (int n = first; n <= last; ++n) items.push_back(std::to_wstring(n));
}

void SetComboItems(KCombo& combo, const std::vector<std::wstring>& items) {
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& item : items) pointers.push_back(item.c_str());
    combo.SetItems(pointers.data(), static_cast<uint32_t>(pointers.size()));
}

} // namespace

AEffEditor* CreateSamplerGUI(KSamplerVST* plugin) {
    return new KSamplerGUI(plugin, static_cast<HINSTANCE>(plugin->module));
}

KSamplerGUI::KSamplerGUI(KSamplerVST* owner, HINSTANCE module) : AEffEditor(owner) {
    updateFlag = false;
    font = CreatePanelFont(kEditorFontPoints);

    KSamplerEngine& engine = owner->engine;
    engine.diskBeginCallback = OnDiskActivityStart;
    engine.diskEndCallback = OnDiskActivityEnd;
    engine.midiMonitorCallback = MidiActivityCallback;
    engine.callbackUser = this;

    hInstance = module;
    plugin = owner;
    resourceHolder.module = module;
    LoadSkin();

    for (std::atomic<bool>& lit : midiLedLit) lit = false;
    currentSlot = 0;
    CreateWidgets();
    meterGroup.meters[meterGroup.meterCount++] = &leftMeter;
    meterGroup.meters[meterGroup.meterCount++] = &rightMeter;
    auditionZone = -1;
    ini.SetPath(L"korvosampler.ini");
}

KSamplerGUI::~KSamplerGUI() {
    // The plug-in closes the window first; a host that never did still gets
    // its timers stopped here.
    CloseWindow();
    KSamplerEngine& engine = plugin->engine;
    engine.diskBeginCallback = nullptr;
    engine.diskEndCallback = nullptr;
    engine.midiMonitorCallback = nullptr;
    engine.callbackUser = nullptr;
    delete font;
    FreeSkin();
}

Gdiplus::Bitmap* KSamplerGUI::LoadSkinImage(const wchar_t* name) {
    const HRSRC resource = ::FindResourceW(hInstance, name, L"PNG");
    return resource != nullptr ? LoadPngResource(resource, &resourceHolder) : nullptr;
}

std::array<Gdiplus::Bitmap**, KSamplerGUI::kSkinImages> KSamplerGUI::SkinImages() {
    // In the order of skin::kEditorImages.
    return {&background,  &newImage,        &openImage,      &saveImage,       &saveAsImage,    &optionsImage,
            &exportImage, &knobImage,       &knobPanImage,   &digitsImage,     &meterImage,     &diskLedImage,
            &panicImage,  &moreImage,       &eqImage,        &knobFilterImage, &knobSmallImage, &knobSmall2Image,
            &midiLedImage, &instrumentImage, &scrollbarImage, &browseImage,    &logoImage,      &saveInstrumentImage,
            &loadInstrumentImage, &renameImage};
}

void KSamplerGUI::LoadSkin() {
    static_assert(sizeof skin::kEditorImages / sizeof skin::kEditorImages[0] == kSkinImages, "one image a slot");
    const auto images = SkinImages();
    for (int i = 0; i < kSkinImages; ++i) *images[i] = LoadSkinImage(skin::kEditorImages[i]);
}

void KSamplerGUI::FreeSkin() {
    for (Gdiplus::Bitmap** image : SkinImages()) {
        delete *image;
        *image = nullptr;
    }
}

void KSamplerGUI::MakeKnob(KKnob& knob, Gdiplus::Bitmap* image, int x, int y, float minimum, float maximum,
                           float fallback, float start) {
    knob.Create(image, x, y, 1, 61);
    // The range first: a default outside it is refused.
    knob.maximum = maximum;
    knob.minimum = minimum;
    knob.SetDefaultValue(minimum);
    knob.SetValue(minimum);
    knob.SetDefaultValue(fallback);
    knob.SetValue(start);
}

void KSamplerGUI::CreateWidgets() {
    auto digit = [this](KDigit& d, int x, int y, int cells, bool locked, int id, bool showPlus, int minimum,
                        int maximum) {
        d.Create(digitsImage, x, y, static_cast<uint32_t>(cells), locked, id, showPlus);
        d.SetRange(maximum, minimum);
    };
    auto combo = [this](KCombo& c, int x, int y, int width, int id, uint32_t textColor,
                        const std::vector<std::wstring>& items) {
        c.Create(width, kInvisible, kInvisible, kInvisible, textColor, kInvisible, id, x, y, font);
        SetComboItems(c, items);
        c.selectedIndex = 0;
    };

    // Top bar.
    SetWidgetImage(logoImage, &aboutButton, 132, true, 11, 3);
    SetWidgetImage(newImage, &newButton, 123, false, 367, 3);
    SetWidgetImage(openImage, &openButton, 124, false, 367, 23);
    SetWidgetImage(saveImage, &saveButton, 125, false, 435, 3);
    SetWidgetImage(saveAsImage, &saveAsButton, 126, false, 435, 23);
    SetWidgetImage(exportImage, &exportButton, 128, false, 503, 8);
    SetWidgetImage(optionsImage, &optionsButton, 127, false, 571, 8);
    KLevelMeterH::Create(meterImage, &leftMeter, 662, 21);
    KLevelMeterH::Create(meterImage, &rightMeter, 662, 29);
    leftMeter.floorDb = rightMeter.floorDb = -60.0f;
    digit(voicesDigit, 702, 9, 3, true, 0, false, 0, 999);
    KLED::Create(diskLedImage, &diskLed, 767, 11);
    SetWidgetImage(panicImage, &panicButton, 131, false, 780, 20);
    SetWidgetImage(saveInstrumentImage, &saveInstrumentButton, 250, false, 757, 47);
    SetWidgetImage(loadInstrumentImage, &loadInstrumentButton, 251, false, 780, 47);

    // The current instrument.
    nameText.Create(67, 72, 147, 85, L"Blank", 151, false, true);
    nameText.textColor = kLightText;
    std::vector<std::wstring> channels = {L"Omni"};
    NumberItems(channels, 1, 16);
    combo(channelCombo, 210, 70, 45, 151, kLightText, channels);
    std::vector<std::wstring> outputs, bendRanges, layers;
    NumberItems(outputs, 1, 4);
    NumberItems(bendRanges, 1, 12);
    NumberItems(layers, 1, 12);
    combo(outputCombo, 325, 70, 45, 151, kLightText, outputs);
    combo(bendRangeCombo, 404, 70, 45, 151, kLightText, bendRanges);
    MakeKnob(volumeKnob, knobImage, 468, 55, 0.0f, 100.0f, 100.0f, 100.0f);
    MakeKnob(panKnob, knobPanImage, 522, 55, 0.0f, 100.0f, 50.0f, 50.0f);
    SetWidgetImage(moreImage, &settingsButton, 129, false, 570, 54);
    combo(layerCombo, 446, 106, 135, 138, kLightText, layers);
    SetWidgetImage(renameImage, &renameLayerButton, 252, false, 584, 102);

    // Slots.
    instrumentList.Create(677, 72, 800, 315, 152);
    instrumentList.activateByDoubleClick = false;
    instrumentList.dragOut = false;
    instrumentList.antialias = true;
    instrumentList.rowSpacing = 3;
    instrumentList.textColor = kLightText;
    instrumentList.highlightColor = kHighlight;
    for (int i = 0; i < kSlots; ++i) {
        KToggle::Create(&slotToggles[i], instrumentImage, 201 + i, 665, 75 + 15 * i);
        KLED::Create(midiLedImage, &midiLeds[i], 788, 75 + 15 * i);
    }

    // Zone map and the selected zone.
    zoneMap.Create(20, 135, 637, 333, plugin);
    zoneText.Create(74, 350, 212, 365, L"nothing selected", 0, true, true);
    zoneText.textColor = kLightText;
    digit(rootKeyDigit, 247, 351, 3, false, 150, false, 21, 108);
    digit(keyLowDigit, 320, 351, 3, false, 150, false, 21, 108);
    digit(keyHighDigit, 390, 351, 3, false, 150, false, 21, 108);
    digit(velocityLowDigit, 458, 351, 3, false, 150, false, 1, 127);
    digit(velocityHighDigit, 525, 351, 3, false, 150, false, 1, 127);
    digit(groupDigit, 618, 351, 2, false, 150, false, 0, 12);
    digit(zoneVolumeDigit, 58, 369, 3, false, 150, true, -30, 12);
    zoneVolumeDigit.SetResetValue(0);
    digit(zonePanDigit, 145, 369, 3, false, 150, false, 0, 100);
    zonePanDigit.SetResetValue(50);
    digit(coarseTuneDigit, 245, 369, 3, false, 150, true, -12, 12);
    coarseTuneDigit.SetResetValue(0);
    digit(fineTuneDigit, 320, 369, 4, false, 150, true, -100, 100);
    fineTuneDigit.SetResetValue(0);
    for (KDigit* d : {&rootKeyDigit, &keyLowDigit, &keyHighDigit, &velocityLowDigit, &velocityHighDigit, &groupDigit,
                      &zoneVolumeDigit, &zonePanDigit, &coarseTuneDigit, &fineTuneDigit})
        d->SetTypeIn(true);
    combo(keyTrackingCombo, 427, 367, 45, 150, kDarkText, {L"true", L"false"});
    combo(releaseTriggerCombo, 587, 367, 45, 150, kDarkText, {L"true", L"false"});

    // Waveform and play positions.
    waveView.Create(21, 386, 638, 479, 0xFF87CDF5, 0xC8FFFFFF, kHighlight);
    digit(sampleStartDigit, 58, 483, 8, false, 149, false, 0, 99999990);
    digit(sampleEndDigit, 163, 483, 8, false, 149, false, 0, 99999990);
    digit(loopStartDigit, 440, 483, 8, false, 149, false, 0, 99999990);
    digit(loopEndDigit, 576, 483, 8, false, 149, false, 0, 99999990);
    sampleStartDigit.SetDragParams(1, 300.0f);
    sampleEndDigit.SetDragParams(1, 300.0f);
    loopStartDigit.SetDragParams(1, 500.0f);
    loopEndDigit.SetDragParams(1, 500.0f);
    for (KDigit* d : {&sampleStartDigit, &sampleEndDigit, &loopStartDigit, &loopEndDigit}) d->SetTypeIn(true);
    combo(loopModeCombo, 310, 481, 45, 149, kDarkText, {L"no", L"oneshot", L"loop until release"});

    // Envelopes, filter, reverb.
    MakeKnob(ampAttackKnob, knobImage, 58, 507, 0.0f, 2000.0f, 0.0f, 0.0f);
    MakeKnob(ampDecayKnob, knobImage, 159, 507, 0.0f, 2000.0f, 0.0f, 0.0f);
    MakeKnob(ampSustainKnob, knobImage, 260, 507, -30.0f, 0.0f, 0.0f, 0.0f);
    MakeKnob(ampReleaseKnob, knobImage, 361, 507, 0.0f, 2000.0f, 300.0f, 0.0f);
    digit(ampAttackDigit, 107, 530, 4, true, 0, false, 0, 9999);
    digit(ampDecayDigit, 207, 530, 4, true, 0, false, 0, 9999);
    digit(ampSustainDigit, 308, 530, 4, true, 0, true, -30, 0);
    digit(ampReleaseDigit, 408, 530, 4, true, 0, false, 0, 9999);
    MakeKnob(filterAttackKnob, knobFilterImage, 58, 554, 0.0f, 5000.0f, 0.0f, 0.0f);
    MakeKnob(filterDecayKnob, knobFilterImage, 159, 554, 0.0f, 5000.0f, 0.0f, 0.0f);
    MakeKnob(filterSustainKnob, knobFilterImage, 260, 554, 0.0f, 200.0f, 100.0f, 100.0f);
    MakeKnob(filterReleaseKnob, knobFilterImage, 361, 554, 0.0f, 5000.0f, 3000.0f, 3000.0f);
    digit(filterAttackDigit, 107, 577, 4, true, 0, false, 0, 9999);
    digit(filterDecayDigit, 207, 577, 4, true, 0, false, 0, 9999);
    digit(filterSustainDigit, 308, 577, 3, true, 0, false, 0, 200);
    digit(filterReleaseDigit, 408, 577, 4, true, 0, false, 0, 9999);
    MakeKnob(reverbSendKnob, knobImage, 489, 507, 0.0f, 100.0f, 0.0f, 0.0f);
    KToggle::Create(&reverbToggle, eqImage, 151, 469, 530);
    digit(reverbSendDigit, 542, 530, 3, true, 0, false, 0, 100);
    MakeKnob(cutoffKnob, knobFilterImage, 489, 553, 0.0f, 100.0f, 100.0f, 100.0f);
    MakeKnob(resonanceKnob, knobFilterImage, 538, 553, 0.1f, 5.0f, 1.0f, 1.0f);
    MakeKnob(keyToCutoffKnob, knobSmallImage, 588, 555, -10.0f, 10.0f, 0.0f, 0.0f);
    MakeKnob(velocityToCutoffKnob, knobSmallImage, 588, 574, -1.0f, 1.0f, 0.0f, 0.0f);
    MakeKnob(reverbSizeKnob, knobSmall2Image, 587, 508, 0.0f, 100.0f, 50.0f, 50.0f);
    MakeKnob(reverbDampKnob, knobSmall2Image, 587, 526, 0.0f, 100.0f, 100.0f, 100.0f);

    // Sample browser.
    SetWidgetImage(browseImage, &browseButton, 130, false, 753, 320);
    sampleList.Create(662, 348, 792, 590, 153);
    sampleList.activateByDoubleClick = true;
    sampleList.dragOut = true;
    sampleList.antialias = true;
    sampleList.rowSpacing = 3;
    sampleList.textColor = kLightText;
    sampleList.highlightColor = kHighlight;
    sampleScroll.Create(scrollbarImage, 793, 348);

    // The texts and lists own their fonts: each gets a copy of the editor's.
    if (font != nullptr) {
        for (KText* text : {&nameText, &zoneText}) {
            delete text->font;
            text->font = font->Clone();
        }
        for (KList* list : {&instrumentList, &sampleList}) {
            delete list->font;
            list->font = font->Clone();
            list->UpdateRowCount();
        }
    }
    std::vector<const wchar_t*> rows;
    for (int i = 0; i < kSlots; ++i) {
        const KInstrument* in = plugin->engine.instruments[i];
        rows.push_back(in != nullptr ? in->name : L"NULL");
    }
    instrumentList.SetItems(rows.data(), kSlots);
}

VstIntPtr KSamplerGUI::getRect(ERect** rect) {
    const int width = background != nullptr ? static_cast<int>(background->GetWidth()) : kDefaultWidth;
    const int height = background != nullptr ? static_cast<int>(background->GetHeight()) : kDefaultHeight;
    return ReportEditorRect(rect, width, height);
}

void KSamplerGUI::AddWidgets() {
    KWidget* const first[] = {
        &newButton, &openButton, &saveButton, &saveAsButton, &exportButton, &optionsButton, &aboutButton,
        &saveInstrumentButton, &loadInstrumentButton, &renameLayerButton,
        &volumeKnob, &panKnob, &diskLed, &leftMeter, &rightMeter,
        &ampAttackKnob, &ampDecayKnob, &ampSustainKnob, &ampReleaseKnob, &filterAttackKnob, &filterDecayKnob,
        &filterSustainKnob, &filterReleaseKnob, &cutoffKnob, &resonanceKnob, &keyToCutoffKnob,
        &velocityToCutoffKnob, &reverbSendKnob, &reverbSizeKnob, &reverbDampKnob,
        &reverbToggle, &settingsButton, &panicButton, &browseButton, &voicesDigit,
        &channelCombo, &outputCombo, &bendRangeCombo, &layerCombo, &keyTrackingCombo, &releaseTriggerCombo,
        &loopModeCombo,
        &nameText, &zoneText, &waveView, &zoneMap, &instrumentList};
    for (KWidget* w : first) AddWidget(panel.model, w);
    for (int i = 0; i < kSlots; ++i) {
        AddWidget(panel.model, &midiLeds[i]);
        midiLedLit[i] = false;
        midiLeds[i].SetValue(0.0f);
        AddWidget(panel.model, &slotToggles[i]);
    }
    KWidget* const last[] = {
        &sampleList, &sampleScroll,
        &ampAttackDigit, &ampDecayDigit, &ampSustainDigit, &ampReleaseDigit, &filterAttackDigit,
        &filterDecayDigit, &filterSustainDigit, &filterReleaseDigit, &reverbSendDigit, &rootKeyDigit,
        &keyLowDigit, &keyHighDigit, &velocityLowDigit, &velocityHighDigit, &groupDigit, &zoneVolumeDigit,
        &zonePanDigit, &coarseTuneDigit, &fineTuneDigit, &sampleStartDigit, &sampleEndDigit, &loopStartDigit,
        &loopEndDigit};
    for (KWidget* w : last) AddWidget(panel.model, w);
}

VstIntPtr KSamplerGUI::open(void* parent) {
    // A host that opens twice: the first window goes with its timers.
    CloseWindow();
    systemWindow = parent;
    // Without "BACKGROUND" there is no panel to show; the rest keeps working.
    CreatePanelWindow(&panel, hInstance, static_cast<HWND>(parent), background);
    ForgetMidiActivity();
    if (panel.window != nullptr) {
        beforePaint_.Attach(panel.window, [](void* user) { static_cast<KSamplerGUI*>(user)->ShowMidiActivity(); }, this);
    }
    panel.commandCallback = OnWidgetEvent;
    panel.timerCallback = TimerCallback;
    panel.callbackContext = this;
    if (panel.model != nullptr) AddWidgets();

    // The 70 ms timer inside a 70 ms resolution request, both its own.
    StartMeterTimer(&meterGroup);
    if (panel.window != nullptr) ::SetTimer(panel.window, kWindowTimerVoices, kVoicesTimerMs, nullptr);

    RefreshInstrumentList();
    instrumentList.selectedIndex = currentSlot;
    if (panel.window != nullptr) ::PostMessageW(panel.window, WM_COMMAND, 152, 0);
    instrumentList.Invalidate();
    return 1;
}

void KSamplerGUI::close() {
    for (int i = 0; i < kSlots; ++i) {
        if (panel.window != nullptr) ::KillTimer(panel.window, static_cast<UINT_PTR>(i));
        midiLedLit[i] = false;
        midiLeds[i].SetValue(0.0f);
    }
    if (panel.window != nullptr) ::KillTimer(panel.window, kWindowTimerVoices);
    StopMeterTimer(&meterGroup);
    DestroyPanelWindow(&panel);
}

void KSamplerGUI::CloseWindow() {
    if (IsOpen() || meterGroup.timerId != 0) close();
}

void KSamplerGUI::OnWidgetEvent(int id, void* context) {
    auto* gui = static_cast<KSamplerGUI*>(context);
    if (id >= 201 && id <= 216) {
        gui->OnInstrumentSlot(id - 201);
        return;
    }
    switch (id) {
    case 123: gui->OnNewProject(); break;
    case 124: gui->OnOpenProject(); break;
    case 125: gui->OnSaveProject(); break;
    case 126: gui->OnSaveProjectAs(); break;
    case 127: gui->OnSoundLibraryOptions(); break;
    case 128: gui->OnExport(); break;
    case 129: gui->OnInstrumentSettings(); break;
    case 130: gui->OnBrowseSampleFolder(); break;
    case 131: gui->OnPanic(); break;
    case 132: gui->OnAbout(); break;
    case 138: gui->OnLayerSelect(); break;
    case 149: gui->OnSamplePositions(); break;
    case 150: gui->OnZoneControls(); break;
    case 151: gui->OnInstrumentControls(); break;
    case 152: gui->OnInstrumentListSelect(); break;
    case 153: gui->OnSampleList(); break;
    case 154: gui->OnSampleScroll(); break;
    case KMapping::kId: gui->RefreshZoneView(); break;
    case 250: gui->OnSaveInstrument(); break;
    case 251: gui->OnLoadInstrument(); break;
    case 252: gui->OnRenameLayer(); break;
    default: break;
    }
}

void KSamplerGUI::TimerCallback(int timerId, void* context) { static_cast<KSamplerGUI*>(context)->OnTimer(timerId); }

void KSamplerGUI::OnTimer(int timerId) {
    if (timerId >= 0 && timerId < kSlots) {
        midiLeds[timerId].SetValue(0.0f);
        if (panel.window != nullptr) ::KillTimer(panel.window, static_cast<UINT_PTR>(timerId));
        midiLedLit[timerId] = false;
        return;
    }
    // MIDI recorded while the window did not paint (hidden, or a host that
    // renders without the replacing call, which asks for no paint).
    ShowMidiActivity();
    // An audition zone that a voice still played is removed once it is free.
    if (auditionZone >= 0 && !sampleList.rightButtonDown) RemoveAuditionZone();
    const int voices = plugin->engine.CountActiveVoices();
    if (static_cast<int>(voicesDigit.GetValue()) != voices) voicesDigit.SetValue(static_cast<float>(voices));
}

void KSamplerGUI::OnDiskActivityStart(void* user, int32_t) { static_cast<KSamplerGUI*>(user)->diskLed.SetValue(1.0f); }

void KSamplerGUI::OnDiskActivityEnd(void* user, int32_t) { static_cast<KSamplerGUI*>(user)->diskLed.SetValue(0.0f); }

void KSamplerGUI::MidiActivityCallback(void* user, int32_t message) {
    static_cast<KSamplerGUI*>(user)->OnMidiActivity(static_cast<uint32_t>(message));
}

void KSamplerGUI::UpdateOutputMeters(float peakLeft, float peakRight) {
    leftMeter.TakePeak(peakLeft);
    rightMeter.TakePeak(peakRight);
    // The block's MIDI shows at the window's next paint: one request, and
    // none while an earlier one waits.
    if (midiRecorded_.load(std::memory_order_acquire) && !midiShowAsked_.exchange(true)) {
        const HWND window = zoneMap.GetOwnerWindow();
        if (window == nullptr || !::InvalidateRect(window, &kMidiLightsArea, FALSE)) midiShowAsked_ = false;
    }
}

void KSamplerGUI::OnInstrumentSlot(int slot) {
    plugin->modified = true;
    KSamplerEngine& engine = plugin->engine;
    if (plugin->slotMap[slot] < 0) {
        const HCURSOR previous = ::SetCursor(SystemCursor(IDC_WAIT));
        const int engineSlot = engine.AddInstrument(static_cast<uint8_t>(slot + 1), 0);
        plugin->slotMap[slot] = engineSlot;
        if (engineSlot >= 0)
            instrumentList.SetItem(slot, engine.instruments[engineSlot]->name);
        else
            slotToggles[slot].SetValueSilently(0.0f); // all 16 engine slots in use: the slot stays empty
        RefreshZoneView();
        OnInstrumentListSelect();
        ::SetCursor(previous != nullptr ? previous : SystemCursor(IDC_ARROW));
        return;
    }
    const HWND owner = panel.window;
    const int answer = ::MessageBoxW(owner, L"Are you sure to delete this instrument?", L"Korvo Sampler",
                                     MB_YESNO | MB_ICONQUESTION);
    if (owner != nullptr && !::IsWindow(owner)) return;
    if (answer != IDYES) {
        slotToggles[slot].SetValueSilently(1.0f);
        return;
    }
    engine.DeleteInstrument(plugin->slotMap[slot]);
    instrumentList.SetItem(slot, L"NULL");
    plugin->slotMap[slot] = -1;
    RefreshZoneView();
    OnInstrumentListSelect();
}

void KSamplerGUI::OnPanic() {
    // Also lets go of a sustain pedal, which would hold every later note.
    plugin->engine.Panic();
    zoneMap.ReleaseAllKeys();
}

void KSamplerGUI::SelectFirstInstrument() {
    instrumentList.selectedIndex = 0;
    OnInstrumentListSelect();
    instrumentList.Invalidate();
}

void KSamplerGUI::ForgetProject() {
    // As New does: the audition's zone, the rows, the map and the waveform
    // let go of the instruments before they are freed.
    RemoveAuditionZone();
    auditionZone = -1;
    for (auto& slot : plugin->slotMap) slot = -1;
    RefreshInstrumentList();
    ClearInstrumentView();
    zoneMap.ReleaseAllKeys();
}

void* KSamplerGUI::PromptOwner() { return panel.window != nullptr ? ::GetAncestor(panel.window, GA_ROOT) : nullptr; }
