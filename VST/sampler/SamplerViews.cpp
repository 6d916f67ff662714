// The instrument and zone views: values from the engine's records into the
// controls, edited controls back into the records, and the display's
// following of incoming MIDI.
#include "SamplerGUI.h"

#include "MidiQueue.h"

#include <cstdio>
#include <cwchar>

namespace {

bool Moved(float now, float shown) { return now != shown; }

} // namespace

KInstrument* KSamplerGUI::CurrentInstrument() {
    if (currentSlot < 0 || currentSlot >= kSlots) return nullptr;
    const int slot = plugin->slotMap[currentSlot];
    if (slot < 0 || slot >= KSamplerEngine::kInstruments) return nullptr;
    return plugin->engine.instruments[slot];
}

KSampleZone* KSamplerGUI::SelectedZone() {
    KInstrument* in = CurrentInstrument();
    const int slot = zoneMap.selectedZone;
    if (in == nullptr || slot < 0 || slot >= KInstrument::kZones) return nullptr;
    return in->zones[slot];
}

KSampleZone* KSamplerGUI::FirstZoneOfLayer(KInstrument& instrument) {
    for (KSampleZone* zone : instrument.zones)
        if (zone != nullptr && zone->layer == instrument.currentLayer) return zone;
    return nullptr;
}

void KSamplerGUI::SetComboSilently(KCombo& combo, int index) {
    if (index < 0 || index >= static_cast<int>(combo.itemCount)) return;
    combo.selectedIndex = index;
    combo.Invalidate();
}

void KSamplerGUI::RefreshInstrumentList() {
    for (int i = 0; i < kSlots; ++i) {
        slotToggles[i].SetValueSilently(plugin->slotMap[i] >= 0 ? 1.0f : 0.0f);
        const int slot = plugin->slotMap[i];
        const KInstrument* in = slot >= 0 && slot < KSamplerEngine::kInstruments ? plugin->engine.instruments[slot]
                                                                                : nullptr;
        instrumentList.SetItem(i, in != nullptr ? in->name : L"NULL");
    }
}

void KSamplerGUI::ClearInstrumentView() {
    nameText.SetText(L"NULL");
    zoneMap.instrument = nullptr;
    zoneMap.selectedZone = -1;
    zoneMap.Invalidate();
    ClearZoneView();
}

void KSamplerGUI::ClearZoneView() {
    zoneText.SetText(L"nothing selected");
    waveView.overviewSource = nullptr;
    waveView.lastColumn = KWaveForm::kOverviewColumns;
    waveView.Invalidate();
}

void KSamplerGUI::ShowZoneEnvelopes(const KSampleZone& zone) {
    ampAttackKnob.SetValueSilently(zone.ampAttack);
    ampDecayKnob.SetValueSilently(zone.ampDecay);
    ampSustainKnob.SetValueSilently(zone.ampSustain);
    ampReleaseKnob.SetValueSilently(zone.ampRelease);
    ampAttackDigit.SetValueSilently(zone.ampAttack);
    ampDecayDigit.SetValueSilently(zone.ampDecay);
    ampSustainDigit.SetValueSilently(zone.ampSustain);
    ampReleaseDigit.SetValueSilently(zone.ampRelease);
    filterAttackKnob.SetValueSilently(zone.filterAttack);
    filterDecayKnob.SetValueSilently(zone.filterDecay);
    filterSustainKnob.SetValueSilently(zone.filterSustain);
    filterReleaseKnob.SetValueSilently(zone.filterRelease);
    filterAttackDigit.SetValueSilently(zone.filterAttack);
    filterDecayDigit.SetValueSilently(zone.filterDecay);
    filterSustainDigit.SetValueSilently(zone.filterSustain);
    filterReleaseDigit.SetValueSilently(zone.filterRelease);
    cutoffKnob.SetValueSilently(zone.cutoff);
    resonanceKnob.SetValueSilently(zone.resonance);
    keyToCutoffKnob.SetValueSilently(zone.keyToCutoff);
    velocityToCutoffKnob.SetValueSilently(zone.velocityToCutoff);
}

void KSamplerGUI::RefreshInstrumentView() {
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) {
        ClearInstrumentView();
        return;
    }
    volumeKnob.SetValueSilently(static_cast<float>(in->volume * 100.0));
    panKnob.SetValueSilently(static_cast<float>(in->pan));
    nameText.SetText(in->name);
    SetComboSilently(channelCombo, in->midiChannel);
    SetComboSilently(outputCombo, in->outputPair);
    SetComboSilently(bendRangeCombo, in->bendRange - 1);

    std::vector<std::wstring> layers;
    std::vector<const wchar_t*> items;
    for (int i = 0; i < KInstrument::kLayers; ++i) {
        wchar_t item[kPathLength + 8];
        std::swprintf(item, sizeof item / sizeof item[0], L"%d:%ls", i + 1, in->layerNames[i]);
        layers.push_back(item);
    }
    for (const std::wstring& layer : layers) items.push_back(layer.c_str());
    layerCombo.SetItems(items.data(), static_cast<uint32_t>(items.size()));
    SetComboSilently(layerCombo, in->currentLayer - 1);
    zoneMap.currentLayer = layerCombo.selectedIndex + 1;
    zoneMap.Invalidate();

    if (const KSampleZone* zone = FirstZoneOfLayer(*in)) {
        ShowZoneEnvelopes(*zone);
    } else {
        // An empty layer: the amp envelope's defaults; the filter stays.
        ampAttackKnob.SetValueSilently(0.0f);
        ampDecayKnob.SetValueSilently(0.0f);
        ampSustainKnob.SetValueSilently(0.0f);
        ampReleaseKnob.SetValueSilently(300.0f);
        ampAttackDigit.SetValueSilently(0.0f);
        ampDecayDigit.SetValueSilently(0.0f);
        ampSustainDigit.SetValueSilently(0.0f);
        ampReleaseDigit.SetValueSilently(300.0f);
    }
    reverbSendKnob.SetValueSilently(static_cast<float>(in->reverbSend * 100.0));
    reverbSizeKnob.SetValueSilently(in->reverbSize * 100.0f);
    reverbDampKnob.SetValueSilently(in->reverbDamp * 100.0f);
    reverbSendDigit.SetValueSilently(reverbSendKnob.GetValue());
    reverbToggle.SetValueSilently(in->reverbOn ? 1.0f : 0.0f);
    NoteShownInstrument();
}

void KSamplerGUI::NoteShownInstrument() {
    ShownInstrument& s = shownInstrument_;
    s.volume = volumeKnob.GetValue();
    s.pan = panKnob.GetValue();
    s.name = nameText.GetText();
    s.channel = channelCombo.selectedIndex;
    s.output = outputCombo.selectedIndex;
    s.bendRange = bendRangeCombo.selectedIndex;
    s.ampAttack = ampAttackKnob.GetValue();
    s.ampDecay = ampDecayKnob.GetValue();
    s.ampSustain = ampSustainKnob.GetValue();
    s.ampRelease = ampReleaseKnob.GetValue();
    s.filterAttack = filterAttackKnob.GetValue();
    s.filterDecay = filterDecayKnob.GetValue();
    s.filterSustain = filterSustainKnob.GetValue();
    s.filterRelease = filterReleaseKnob.GetValue();
    s.cutoff = cutoffKnob.GetValue();
    s.resonance = resonanceKnob.GetValue();
    s.keyToCutoff = keyToCutoffKnob.GetValue();
    s.velocityToCutoff = velocityToCutoffKnob.GetValue();
    s.reverbSend = reverbSendKnob.GetValue();
    s.reverbSize = reverbSizeKnob.GetValue();
    s.reverbDamp = reverbDampKnob.GetValue();
    s.reverbOn = reverbToggle.GetValue();
}

void KSamplerGUI::RefreshZoneView() {
    KSampleZone* zone = SelectedZone();
    if (zone == nullptr) {
        ClearZoneView();
        return;
    }
    zoneText.SetText(SampleNameOf(zone->path).c_str());
    rootKeyDigit.SetValueSilently(zone->rootKey);
    keyLowDigit.SetValueSilently(static_cast<float>(zone->keyLow));
    keyHighDigit.SetValueSilently(static_cast<float>(zone->keyHigh));
    velocityHighDigit.SetValueSilently(static_cast<float>(zone->velocityHigh));
    velocityLowDigit.SetValueSilently(static_cast<float>(zone->velocityLow));
    groupDigit.SetValueSilently(static_cast<float>(zone->exclusiveGroup));
    zoneVolumeDigit.SetValueSilently(zone->volumeDb);
    zonePanDigit.SetValueSilently(zone->pan);
    coarseTuneDigit.SetValueSilently(static_cast<float>(zone->coarseTune));
    fineTuneDigit.SetValueSilently(static_cast<float>(zone->fineTune));

    const int64_t length = zone->frameCount;
    const int lastFrame = static_cast<int>(std::min<int64_t>(length - 1, INT32_MAX));
    for (KDigit* d : {&sampleStartDigit, &sampleEndDigit, &loopStartDigit, &loopEndDigit})
        d->SetRange(lastFrame > 0 ? lastFrame : 0, 0);
    sampleStartDigit.SetValueSilently(static_cast<float>(zone->startFrame));
    sampleEndDigit.SetValueSilently(static_cast<float>(zone->endFrame));
    loopStartDigit.SetValueSilently(static_cast<float>(zone->loopStart));
    loopEndDigit.SetValueSilently(static_cast<float>(zone->loopEnd));

    SetComboSilently(keyTrackingCombo, zone->keyTracking ? 0 : 1);
    SetComboSilently(releaseTriggerCombo, zone->releaseTrigger ? 0 : 1);
    SetComboSilently(loopModeCombo, zone->loopMode);

    auto column = [length](int64_t position) {
        return length > 0 ? static_cast<int32_t>(static_cast<double>(position) / static_cast<double>(length) *
                                                 KWaveForm::kOverviewColumns)
                          : 0;
    };
    waveView.markerStart = column(zone->startFrame);
    waveView.markerEnd = column(zone->endFrame);
    waveView.selectionLeft = column(zone->loopStart);
    waveView.selectionRight = column(zone->loopEnd);
    waveView.showSelection = zone->loopMode > 1;
    waveView.Invalidate();
    waveView.overviewSource = &zone->overview;
    waveView.lastColumn = KWaveForm::kOverviewColumns;
    waveView.Invalidate();
    NoteShownZone();
}

void KSamplerGUI::NoteShownZone() {
    ShownZone& s = shownZone_;
    s.rootKey = rootKeyDigit.GetValue();
    s.keyLow = keyLowDigit.GetValue();
    s.keyHigh = keyHighDigit.GetValue();
    s.velocityLow = velocityLowDigit.GetValue();
    s.velocityHigh = velocityHighDigit.GetValue();
    s.group = groupDigit.GetValue();
    s.volumeDb = zoneVolumeDigit.GetValue();
    s.pan = zonePanDigit.GetValue();
    s.coarseTune = coarseTuneDigit.GetValue();
    s.fineTune = fineTuneDigit.GetValue();
    s.startFrame = sampleStartDigit.GetValue();
    s.endFrame = sampleEndDigit.GetValue();
    s.loopStart = loopStartDigit.GetValue();
    s.loopEnd = loopEndDigit.GetValue();
    s.keyTracking = keyTrackingCombo.selectedIndex;
    s.releaseTrigger = releaseTriggerCombo.selectedIndex;
    s.loopMode = loopModeCombo.selectedIndex;
}

void KSamplerGUI::OnInstrumentListSelect() {
    currentSlot = instrumentList.selectedIndex;
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) {
        ClearInstrumentView();
    } else {
        RefreshInstrumentView();
        zoneMap.instrument = in;
        zoneMap.selectedZone = in->zoneCount > 0 ? 0 : -1;
        zoneMap.Invalidate();
        RefreshZoneView();
    }
    zoneMap.ReleaseAllKeys();
}

void KSamplerGUI::OnLayerSelect() {
    plugin->modified = true;
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) return;
    in->currentLayer = layerCombo.selectedIndex + 1;
    RefreshInstrumentView();
}

void KSamplerGUI::WriteEnvelopes(KInstrument& in) {
    const ShownInstrument& s = shownInstrument_;
    struct Control {
        KKnob& knob;
        float shown;
        float KSampleZone::*field;
        KDigit* display;
    };
    Control controls[] = {
        {ampAttackKnob, s.ampAttack, &KSampleZone::ampAttack, &ampAttackDigit},
        {ampDecayKnob, s.ampDecay, &KSampleZone::ampDecay, &ampDecayDigit},
        {ampSustainKnob, s.ampSustain, &KSampleZone::ampSustain, &ampSustainDigit},
        {ampReleaseKnob, s.ampRelease, &KSampleZone::ampRelease, &ampReleaseDigit},
        {filterAttackKnob, s.filterAttack, &KSampleZone::filterAttack, &filterAttackDigit},
        {filterDecayKnob, s.filterDecay, &KSampleZone::filterDecay, &filterDecayDigit},
        {filterSustainKnob, s.filterSustain, &KSampleZone::filterSustain, &filterSustainDigit},
        {filterReleaseKnob, s.filterRelease, &KSampleZone::filterRelease, &filterReleaseDigit},
        {cutoffKnob, s.cutoff, &KSampleZone::cutoff, nullptr},
        {resonanceKnob, s.resonance, &KSampleZone::resonance, nullptr},
        {keyToCutoffKnob, s.keyToCutoff, &KSampleZone::keyToCutoff, nullptr},
        {velocityToCutoffKnob, s.velocityToCutoff, &KSampleZone::velocityToCutoff, nullptr},
    };
    for (KSampleZone* zone : in.zones) {
        if (zone == nullptr || zone->layer != in.currentLayer) continue;
        bool wrote = false;
        for (Control& c : controls) {
            if (!Moved(c.knob.GetValue(), c.shown)) continue;
            zone->*c.field = c.knob.GetValue();
            wrote = true;
        }
        if (!wrote) continue;
        // A sustain below 0 dB needs a decay to get there.
        if (zone->ampSustain < 0.0f && zone->ampDecay == 0.0f) zone->ampDecay = 1.0f;
        // Never true (the filter sustain is 0..200 %); kept as the rule reads.
        if (zone->filterSustain < 0.0f && zone->filterDecay == 0.0f) zone->filterDecay = 1.0f;
        for (Control& c : controls)
            if (c.display != nullptr) c.display->SetValueSilently(zone->*c.field);
    }
}

void KSamplerGUI::OnInstrumentControls() {
    plugin->modified = true;
    KInstrument* in = CurrentInstrument();
    if (in == nullptr) return;
    const ShownInstrument& s = shownInstrument_;
    if (Moved(volumeKnob.GetValue(), s.volume)) in->volume = volumeKnob.GetValue() / 100.0;
    if (Moved(panKnob.GetValue(), s.pan)) in->pan = panKnob.GetValue();
    if (nameText.GetText() != s.name) {
        std::wstring name = nameText.GetText().substr(0, kPathLength - 1);
        std::wmemcpy(in->name, name.c_str(), name.size() + 1);
    }
    if (channelCombo.selectedIndex != s.channel) in->midiChannel = static_cast<uint8_t>(channelCombo.selectedIndex);
    if (outputCombo.selectedIndex != s.output) in->outputPair = static_cast<uint8_t>(outputCombo.selectedIndex);
    if (bendRangeCombo.selectedIndex != s.bendRange)
        in->bendRange = static_cast<uint8_t>(bendRangeCombo.selectedIndex + 1);
    RefreshInstrumentList();
    in->currentLayer = layerCombo.selectedIndex + 1;
    WriteEnvelopes(*in);
    if (Moved(reverbSendKnob.GetValue(), s.reverbSend)) in->reverbSend = reverbSendKnob.GetValue() / 100.0;
    if (Moved(reverbSizeKnob.GetValue(), s.reverbSize)) in->reverbSize = reverbSizeKnob.GetValue() / 100.0f;
    if (Moved(reverbDampKnob.GetValue(), s.reverbDamp)) in->reverbDamp = reverbDampKnob.GetValue() / 100.0f;
    reverbSendDigit.SetValueSilently(reverbSendKnob.GetValue());
    if (Moved(reverbToggle.GetValue(), s.reverbOn)) in->reverbOn = reverbToggle.GetValue() != 0.0f ? 1 : 0;
    in->ResetReverb();
    plugin->engine.UpdateGains();
    NoteShownInstrument();
}

void KSamplerGUI::OnZoneControls() {
    plugin->modified = true;
    KSampleZone* zone = SelectedZone();
    if (zone == nullptr || zone->layer != zoneMap.currentLayer) return;
    const ShownZone& s = shownZone_;
    auto changed = [](KDigit& d, float shown) { return d.GetValue() != shown; };
    auto whole = [](KDigit& d) { return static_cast<int32_t>(d.GetValue()); };

    if (changed(rootKeyDigit, s.rootKey)) zone->rootKey = static_cast<uint8_t>(whole(rootKeyDigit));
    if (changed(keyLowDigit, s.keyLow) && whole(keyLowDigit) <= zone->keyHigh) zone->keyLow = whole(keyLowDigit);
    if (changed(keyHighDigit, s.keyHigh) && whole(keyHighDigit) >= zone->keyLow) zone->keyHigh = whole(keyHighDigit);
    if (changed(velocityHighDigit, s.velocityHigh) && whole(velocityHighDigit) > zone->velocityLow)
        zone->velocityHigh = whole(velocityHighDigit);
    if (changed(velocityLowDigit, s.velocityLow) && whole(velocityLowDigit) < zone->velocityHigh)
        zone->velocityLow = whole(velocityLowDigit);
    if (changed(groupDigit, s.group)) zone->exclusiveGroup = whole(groupDigit);
    if (changed(zoneVolumeDigit, s.volumeDb)) zone->volumeDb = static_cast<float>(whole(zoneVolumeDigit));
    if (changed(zonePanDigit, s.pan)) zone->pan = static_cast<float>(whole(zonePanDigit));
    if (changed(coarseTuneDigit, s.coarseTune)) zone->coarseTune = whole(coarseTuneDigit);
    if (changed(fineTuneDigit, s.fineTune)) zone->fineTune = whole(fineTuneDigit);

    auto frame = [](KDigit& d) { return static_cast<int64_t>(d.GetValue()); };
    if (changed(sampleStartDigit, s.startFrame) && frame(sampleStartDigit) < zone->endFrame)
        zone->startFrame = frame(sampleStartDigit);
    if (changed(sampleEndDigit, s.endFrame) && frame(sampleEndDigit) > zone->startFrame)
        zone->endFrame = frame(sampleEndDigit);
    if (changed(loopStartDigit, s.loopStart) && frame(loopStartDigit) < zone->loopEnd)
        zone->loopStart = frame(loopStartDigit);
    if (changed(loopEndDigit, s.loopEnd) && frame(loopEndDigit) > zone->loopStart)
        zone->loopEnd = frame(loopEndDigit);

    if (keyTrackingCombo.selectedIndex != s.keyTracking) zone->keyTracking = keyTrackingCombo.selectedIndex == 0;
    if (releaseTriggerCombo.selectedIndex != s.releaseTrigger)
        zone->releaseTrigger = releaseTriggerCombo.selectedIndex == 0;
    if (loopModeCombo.selectedIndex != s.loopMode) zone->loopMode = loopModeCombo.selectedIndex;

    plugin->newZoneVolumeDb = zone->volumeDb;
    plugin->newZonePan = zone->pan;
    plugin->newZoneGroup = zone->exclusiveGroup;
    plugin->newZoneKeyTracking = zone->keyTracking != 0;
    plugin->newZoneReleaseTrigger = zone->releaseTrigger != 0;
    plugin->newZoneLoopMode = zone->loopMode;

    zoneMap.Invalidate();
    plugin->engine.UpdateGains();
    // A refused value springs back in its control.
    RefreshZoneView();
}

void KSamplerGUI::OnSamplePositions() {
    const int slot = zoneMap.selectedZone;
    OnZoneControls();
    KInstrument* in = CurrentInstrument();
    if (in == nullptr || slot < 0 || slot >= KInstrument::kZones || in->zones[slot] == nullptr) return;
    // Sounding notes keep the preload they started with.
    if (in->zones[slot]->layer == zoneMap.currentLayer) in->RefillPreload(slot);
}

void KSamplerGUI::OnMidiActivity(uint32_t message) {
    // Audio thread: records only; the window thread shows it.
    const int status = static_cast<int>(message & 0xFF), kind = status & 0xF0, channel = status & 0x0F;
    const int data1 = static_cast<int>((message >> 8) & 0xFF), data2 = static_cast<int>((message >> 16) & 0xFF);
    bool recorded = false;
    for (int i = 0; i < kSlots; ++i) {
        const int slot = plugin->slotMap[i];
        KInstrument* in = slot >= 0 && slot < KSamplerEngine::kInstruments ? plugin->engine.instruments[slot] : nullptr;
        if (in == nullptr || (in->midiChannel != 0 && in->midiChannel != channel + 1)) continue;
        const bool current = i == currentSlot;
        const bool keyShown = data1 >= KMapping::kLowestKey && data1 <= KMapping::kHighestKey;
        KMapping::HeldKey* key = keyShown ? &zoneMap.heldKeys[data1 - KMapping::kLowestKey] : nullptr;
        if (kind == KMidi::kNoteOn && data2 != 0) {
            if (current && key != nullptr) {
                key->velocity = data2;
                key->held = true;
                keysMoved_ = true;
            }
            if (current && in->keySwitchOn) layerFollows_ = true;
            lightRequested_[i] = true;
            recorded = true;
        } else if (kind == KMidi::kNoteOff || kind == KMidi::kNoteOn) {
            if (current && key != nullptr) {
                key->held = false;
                keysMoved_ = true;
                recorded = true;
            }
        } else if (kind == KMidi::kControlChange && data2 != 0 && current) {
            if (in->midiControllersOn) {
                std::atomic<int>* followed = data1 == KMidi::kVolume                           ? &followedVolume_
                                             : data1 == KMidi::kBalance || data1 == KMidi::kPan ? &followedPan_
                                             : data1 == KMidi::kReverbSend                       ? &followedSend_
                                                                                                 : nullptr;
                if (followed != nullptr) *followed = data2;
                const bool layer = data1 == KMidi::kModWheel && in->modWheelSelectsLayer;
                if (layer) layerFollows_ = true;
                recorded |= followed != nullptr || layer;
            }
            if (data1 == KMidi::kAllSoundOff || data1 == KMidi::kAllNotesOff) {
                for (KMapping::HeldKey& held : zoneMap.heldKeys) {
                    held.held = false;
                    held.velocity = -1;
                }
                keysMoved_ = true;
                recorded = true;
            }
        }
    }
    if (recorded) midiRecorded_.store(true, std::memory_order_release);
}

void KSamplerGUI::ShowMidiActivity() {
    // Cleared first: what the audio thread records from now on asks again.
    midiShowAsked_ = false;
    if (!midiRecorded_.exchange(false, std::memory_order_acq_rel)) return;
    for (int i = 0; i < kSlots; ++i) {
        // A lit light keeps the timer it got when it lit.
        if (!lightRequested_[i].exchange(false) || midiLedLit[i]) continue;
        midiLeds[i].SetValue(1.0f);
        midiLedLit[i] = true;
        if (panel.window != nullptr) ::SetTimer(panel.window, static_cast<UINT_PTR>(i), kMidiLightMs, nullptr);
    }
    if (keysMoved_.exchange(false)) zoneMap.Invalidate();
    auto controller = [](int value) { return static_cast<float>(value) * 0.0078125f * 100.0f; };
    const int volume = followedVolume_.exchange(-1), pan = followedPan_.exchange(-1), send = followedSend_.exchange(-1);
    if (volume >= 0) volumeKnob.SetValueSilently(controller(volume));
    if (pan >= 0) panKnob.SetValueSilently(controller(pan));
    if (send >= 0) {
        reverbSendKnob.SetValueSilently(controller(send));
        reverbSendDigit.SetValueSilently(controller(send));
    }
    if (layerFollows_.exchange(false)) {
        if (KInstrument* in = CurrentInstrument()) layerCombo.SetSelection(in->currentLayer - 1);
    }
}

void KSamplerGUI::ForgetMidiActivity() {
    for (std::atomic<bool>& light : lightRequested_) light = false;
    keysMoved_ = false;
    layerFollows_ = false;
    followedVolume_ = followedPan_ = followedSend_ = -1;
    midiRecorded_ = false;
    midiShowAsked_ = false;
}
