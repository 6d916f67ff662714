// The sampler's editor: one skinned 820 x 610 panel with the 16 instrument
// slots, the current instrument's controls, the zone map, the selected
// zone's controls and waveform, envelopes, filter, reverb, the sample
// browser and the output meters. It lives as long as the plug-in object;
// the host opens and closes its window any number of times in between.
//
// Threads: construction, open, close, the commands and the views run on the
// host's window thread. OnMidiActivity and UpdateOutputMeters run on the
// audio thread: the first only records what the MIDI did, the second asks
// the window once a block at most to show it (the window thread does, when
// it next paints or at its voices tick). The disk callbacks run on the
// engine's disk thread and set the disk light.
#pragma once

#include "AEffEditor.h"
#include "BeforePaint.h"
#include "Button.h"
#include "Combo.h"
#include "Digit.h"
#include "Fader.h"
#include "Ini.h"
#include "Knob.h"
#include "Led.h"
#include "LevelMeter.h"
#include "List.h"
#include "Mapping.h"
#include "MeterTimer.h"
#include "Panel.h"
#include "PngResource.h"
#include "SamplerVST.h"
#include "Text.h"
#include "Toggle.h"
#include "WaveForm.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

class KSamplerGUI : public AEffEditor, public KSamplerEditorHooks {
public:
    static constexpr int kSlots = 16;
    static constexpr int kSkinImages = 26;
    // Used when "BACKGROUND" is missing.
    static constexpr int kDefaultWidth = 820, kDefaultHeight = 610;

    KSamplerGUI(KSamplerVST* plugin, HINSTANCE module);
    ~KSamplerGUI() override;

    VstIntPtr getRect(ERect** rect) override;
    VstIntPtr open(void* parent) override;
    void close() override;

    // The plug-in's calls (KSamplerEditorHooks).
    void RefreshInstrumentList() override;
    void RefreshInstrumentView() override;
    void SelectFirstInstrument() override;
    void ForgetProject() override;
    void* PromptOwner() override;
    void ScanSampleFolder() override;
    void UpdateOutputMeters(float peakLeft, float peakRight) override;
    void CloseWindow() override;

    // Instrument and zone views.
    KInstrument* CurrentInstrument();
    void ClearInstrumentView();
    void RefreshZoneView();
    void ClearZoneView();
    void OnInstrumentListSelect();
    void OnLayerSelect();
    void OnInstrumentControls();
    void OnZoneControls();
    void OnSamplePositions();
    void OnMidiActivity(uint32_t message);
    // Window thread: the lights, held keys, knobs and layer as the MIDI
    // recorded since the last call left them.
    void ShowMidiActivity();

    // Slots, panic, timers.
    void OnInstrumentSlot(int slot);
    void OnPanic();
    void OnTimer(int timerId);
    void OnExport();
    void OnSoundLibraryOptions();
    void OnInstrumentSettings();
    void OnAbout();

    // The project and instrument files. The saves return whether the file
    // was written.
    void OnNewProject();
    void OnOpenProject();
    bool OnSaveProject();
    bool OnSaveProjectAs();
    void OnSaveInstrument();
    void OnLoadInstrument();

    // The sample browser.
    void OnBrowseSampleFolder();
    void UpdateSampleScroll();
    void OnSampleScroll();
    void OnSampleList();
    void OnRenameLayer();
    // The audition's zone goes when no voice plays it any more; until then
    // it is never saved.
    void RemoveAuditionZone();

    static void OnWidgetEvent(int id, void* context);
    static void TimerCallback(int timerId, void* context);
    static void OnDiskActivityStart(void* user, int32_t arg);
    static void OnDiskActivityEnd(void* user, int32_t arg);
    static void MidiActivityCallback(void* user, int32_t message);

    bool IsOpen() const { return panel.window != nullptr; }

    PanelDescriptor panel = {};
    HINSTANCE hInstance = nullptr;
    KSamplerVST* plugin = nullptr;
    PngResourceHolder resourceHolder = {nullptr, nullptr};

    // The skin, in the order it is loaded (null: the resource is missing).
    Gdiplus::Bitmap* background = nullptr;
    Gdiplus::Bitmap* newImage = nullptr;
    Gdiplus::Bitmap* openImage = nullptr;
    Gdiplus::Bitmap* saveImage = nullptr;
    Gdiplus::Bitmap* saveAsImage = nullptr;
    Gdiplus::Bitmap* optionsImage = nullptr;
    Gdiplus::Bitmap* exportImage = nullptr;
    Gdiplus::Bitmap* knobImage = nullptr;
    Gdiplus::Bitmap* knobPanImage = nullptr;
    Gdiplus::Bitmap* digitsImage = nullptr;
    Gdiplus::Bitmap* meterImage = nullptr;
    Gdiplus::Bitmap* diskLedImage = nullptr;
    Gdiplus::Bitmap* panicImage = nullptr;
    Gdiplus::Bitmap* moreImage = nullptr;
    Gdiplus::Bitmap* eqImage = nullptr;
    Gdiplus::Bitmap* knobFilterImage = nullptr;
    Gdiplus::Bitmap* knobSmallImage = nullptr;
    Gdiplus::Bitmap* knobSmall2Image = nullptr;
    Gdiplus::Bitmap* midiLedImage = nullptr;
    Gdiplus::Bitmap* instrumentImage = nullptr;
    Gdiplus::Bitmap* scrollbarImage = nullptr;
    Gdiplus::Bitmap* browseImage = nullptr;
    Gdiplus::Bitmap* logoImage = nullptr;
    Gdiplus::Bitmap* saveInstrumentImage = nullptr;
    Gdiplus::Bitmap* loadInstrumentImage = nullptr;
    Gdiplus::Bitmap* renameImage = nullptr;

    // Top bar.
    KButton aboutButton, newButton, openButton, saveButton, saveAsButton, exportButton, optionsButton;
    KLevelMeterH leftMeter, rightMeter;
    KDigit voicesDigit;
    KLED diskLed;
    KButton panicButton, saveInstrumentButton, loadInstrumentButton;
    // The current instrument.
    KText nameText;
    KCombo channelCombo, outputCombo, bendRangeCombo, layerCombo;
    KKnob volumeKnob, panKnob;
    KButton settingsButton, renameLayerButton;
    // Slots.
    KList instrumentList;
    KToggle slotToggles[kSlots];
    KLED midiLeds[kSlots];
    // Zone map and the selected zone.
    KMapping zoneMap;
    KText zoneText;
    KDigit rootKeyDigit, keyLowDigit, keyHighDigit, velocityLowDigit, velocityHighDigit, groupDigit;
    KDigit zoneVolumeDigit, zonePanDigit, coarseTuneDigit, fineTuneDigit;
    KCombo keyTrackingCombo, releaseTriggerCombo;
    KWaveForm waveView;
    KDigit sampleStartDigit, sampleEndDigit, loopStartDigit, loopEndDigit;
    KCombo loopModeCombo;
    // Envelopes, filter, reverb.
    KKnob ampAttackKnob, ampDecayKnob, ampSustainKnob, ampReleaseKnob;
    KDigit ampAttackDigit, ampDecayDigit, ampSustainDigit, ampReleaseDigit;
    KKnob filterAttackKnob, filterDecayKnob, filterSustainKnob, filterReleaseKnob;
    KDigit filterAttackDigit, filterDecayDigit, filterSustainDigit, filterReleaseDigit;
    KKnob reverbSendKnob;
    KToggle reverbToggle;
    KDigit reverbSendDigit;
    KKnob cutoffKnob, resonanceKnob, keyToCutoffKnob, velocityToCutoffKnob, reverbSizeKnob, reverbDampKnob;
    // Sample browser.
    KButton browseButton;
    KList sampleList;
    KFader sampleScroll;

    Gdiplus::Font* font = nullptr; // shared by the combos; texts and lists hold copies
    MeterTimerGroup meterGroup = {};
    int32_t currentSlot = 0;
    std::atomic<bool> midiLedLit[kSlots] = {};
    CIni ini;
    int32_t auditionZone = -1;

    static constexpr int kWindowTimerVoices = 16;
    // A MIDI light stays lit this long after the note that lit it.
    static constexpr UINT kMidiLightMs = 200;

private:
    // A folder remembered in the settings file, or fallback; empty when the
    // value is too long to be a folder.
    std::wstring IniFolder(const wchar_t* key, const wchar_t* fallback);
    bool AskForFile(bool save, const wchar_t* filter, const wchar_t* title, const wchar_t* extension,
                    const std::wstring& startFolder, std::wstring& chosen);
    void ShowMessage(const wchar_t* text, UINT icon);
    // Asks to save a modified project: true to go on (saved, or not wanted).
    bool SaveBeforeLeaving();
    void LoadAndShow(const std::wstring& path, bool keepProject, const wchar_t* failure);
    // After a load that failed: the rows, slot buttons and views show exactly
    // the instruments the engine holds.
    void ShowEngineSlots();
    bool SaveTo(const std::wstring& path, int instrumentIndex);
    // The selected row's file; false when there is none or it is too long.
    bool SelectedSamplePath(std::wstring& path);
    void StartAudition(const std::wstring& path);
    void StopAudition();
    static int NextFreeKey(const KInstrument& instrument);
    void AddSampleAtNextKey(const std::wstring& path);
    // The key a drag from the sample list ends on; none outside the zone map.
    std::optional<int> DropKey() const;
    void DropSample(const std::wstring& path);
    void AddNewZone(KInstrument& instrument, const std::wstring& path, int key, bool fileKeyAndLoop);

    std::array<Gdiplus::Bitmap**, kSkinImages> SkinImages();
    void LoadSkin();
    void FreeSkin();
    void CreateWidgets();
    void AddWidgets();
    Gdiplus::Bitmap* LoadSkinImage(const wchar_t* name);
    // The knob made and configured in the editor's way.
    void MakeKnob(KKnob& knob, Gdiplus::Bitmap* image, int x, int y, float minimum, float maximum, float fallback,
                  float start);
    // The selected zone when it exists, else null.
    KSampleZone* SelectedZone();
    KSampleZone* FirstZoneOfLayer(KInstrument& instrument);
    void ShowZoneEnvelopes(const KSampleZone& zone);
    void WriteEnvelopes(KInstrument& instrument);
    void SetComboSilently(KCombo& combo, int index);

    // What the controls showed after the last refresh. A write-back stores
    // only the fields whose control moved since, so a field that a control
    // cannot show (a key below 21, a frame beyond float precision, loop mode
    // 3, a bend range above 12) survives an edit of another control.
    struct ShownInstrument {
        float volume, pan;
        std::wstring name;
        int channel, output, bendRange;
        float ampAttack, ampDecay, ampSustain, ampRelease;
        float filterAttack, filterDecay, filterSustain, filterRelease;
        float cutoff, resonance, keyToCutoff, velocityToCutoff;
        float reverbSend, reverbSize, reverbDamp, reverbOn;
    };
    struct ShownZone {
        float rootKey, keyLow, keyHigh, velocityLow, velocityHigh, group;
        float volumeDb, pan, coarseTune, fineTune;
        float startFrame, endFrame, loopStart, loopEnd;
        int keyTracking, releaseTrigger, loopMode;
    };
    void NoteShownInstrument();
    void NoteShownZone();
    ShownInstrument shownInstrument_ = {};
    ShownZone shownZone_ = {};

    // What the audio thread's MIDI monitor saw, for the window thread to
    // show: the slots whose light a note lit, whether held keys moved,
    // whether the current instrument's layer followed a controller or a
    // keyswitch, the last controller values the knobs follow (-1: none).
    std::atomic<bool> lightRequested_[kSlots] = {};
    std::atomic<bool> keysMoved_{false};
    std::atomic<bool> layerFollows_{false};
    std::atomic<int> followedVolume_{-1}, followedPan_{-1}, followedSend_{-1};
    // Something was recorded that the window has not shown yet.
    std::atomic<bool> midiRecorded_{false};
    // The window was asked to paint and has not shown the record since.
    std::atomic<bool> midiShowAsked_{false};
    void ForgetMidiActivity();

    // Shows what the audio thread recorded before each paint.
    KBeforePaint beforePaint_;
};

// The plug-in's editor factory for KSamplerVST.
AEffEditor* CreateSamplerGUI(KSamplerVST* plugin);
