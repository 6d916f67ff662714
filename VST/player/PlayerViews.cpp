// The instrument view: the selected instrument's values into the controls,
// moved controls back into the instrument and its zones, the faders' MIDI,
// and the display's following of the MIDI the engine dispatches.
#include "PlayerGUI.h"

#include "MidiQueue.h"

namespace {

// The zones of the instrument's current layer; the first one shows.
template <class Visit>
void ForZonesOfLayer(KInstrument& instrument, int layer, Visit visit) {
    for (KSampleZone* zone : instrument.zones)
        if (zone != nullptr && zone->layer == layer) visit(*zone);
}

KSampleZone* FirstZoneOfLayer(KInstrument& instrument, int layer) {
    for (KSampleZone* zone : instrument.zones)
        if (zone != nullptr && zone->layer == layer) return zone;
    return nullptr;
}

// A digit's value as the whole number it shows.
int Whole(KDigit& digit) { return static_cast<int>(digit.GetValue()); }

} // namespace

KInstrument* KPlayerGUI::SelectedInstrument() {
    if (selectedSlot < 0 || selectedSlot >= KSamplerEngine::kInstruments) return nullptr;
    return player->engine.instruments[selectedSlot];
}

uint8_t KPlayerGUI::StatusOn(const KInstrument& instrument, int kind) {
    const int channel = instrument.midiChannel == 0 ? 15 : (instrument.midiChannel - 1) & 0x0F;
    return static_cast<uint8_t>(kind | channel);
}

void KPlayerGUI::RefreshInstrumentView() {
    KInstrument* in = SelectedInstrument();
    if (in == nullptr) {
        // The other controls keep what they show; writes do nothing.
        nameText.SetText(L"NULL");
        return;
    }
    nameText.SetText(in->name);
    channelDigit.SetValueSilently(static_cast<float>(in->midiChannel));
    outputDigit.SetValueSilently(static_cast<float>(in->outputPair + 1));
    bendRangeDigit.SetValueSilently(static_cast<float>(in->bendRange));
    layerDigit.SetValueSilently(static_cast<float>(in->currentLayer));
    if (const KSampleZone* zone = FirstZoneOfLayer(*in, in->currentLayer)) {
        attackKnob.SetValueSilently(zone->ampAttack);
        decayKnob.SetValueSilently(zone->ampDecay);
        sustainKnob.SetValueSilently(zone->ampSustain);
        releaseKnob.SetValueSilently(zone->ampRelease);
        attackDigit.SetValueSilently(zone->ampAttack);
        decayDigit.SetValueSilently(zone->ampDecay);
        sustainDigit.SetValueSilently(zone->ampSustain);
        releaseDigit.SetValueSilently(zone->ampRelease);
    }
    volumeKnob.SetValueSilently(static_cast<float>(in->volume * 100.0));
    panKnob.SetValueSilently(static_cast<float>(in->pan));
    sendKnob.SetValueSilently(static_cast<float>(in->reverbSend * 100.0));
    keyboard.instrument = in;
    NoteShownControls();
}

KWidget* KPlayerGUI::ShownControl(int control) {
    KWidget* const controls[kShownControls] = {&channelDigit, &outputDigit, &bendRangeDigit, &layerDigit,
                                               &attackKnob,   &decayKnob,   &sustainKnob,    &releaseKnob,
                                               &volumeKnob,   &panKnob,     &sendKnob};
    return controls[control];
}

void KPlayerGUI::NoteShownControls() {
    for (int c = 0; c < kShownControls; ++c) shown_[c].store(ShownControl(c)->GetValue(), std::memory_order_relaxed);
}

void KPlayerGUI::ShowKnobsOnDisplays() {
    attackDigit.SetValueSilently(attackKnob.GetValue());
    decayDigit.SetValueSilently(decayKnob.GetValue());
    sustainDigit.SetValueSilently(sustainKnob.GetValue());
    releaseDigit.SetValueSilently(releaseKnob.GetValue());
}

bool KPlayerGUI::Moved(int control) {
    return ShownControl(control)->GetValue() != shown_[control].load(std::memory_order_relaxed);
}

void KPlayerGUI::WriteControls() {
    KInstrument* in = SelectedInstrument();
    if (in == nullptr) return;
    if (Moved(kChannel)) in->midiChannel = static_cast<uint8_t>(Whole(channelDigit));
    if (Moved(kOutput)) in->outputPair = static_cast<uint8_t>(Whole(outputDigit) - 1);
    if (Moved(kBendRange)) in->bendRange = static_cast<uint8_t>(Whole(bendRangeDigit));
    if (Moved(kLayerShown)) in->currentLayer = Whole(layerDigit);

    struct Envelope {
        int control;
        float KSampleZone::*field;
    };
    const Envelope envelope[] = {{kAttack, &KSampleZone::ampAttack},
                                 {kDecay, &KSampleZone::ampDecay},
                                 {kSustain, &KSampleZone::ampSustain},
                                 {kRelease, &KSampleZone::ampRelease}};
    ForZonesOfLayer(*in, in->currentLayer, [&](KSampleZone& zone) {
        bool wrote = false;
        for (const Envelope& e : envelope) {
            if (!Moved(e.control)) continue;
            zone.*e.field = ShownControl(e.control)->GetValue();
            wrote = true;
        }
        // A sustain below 0 dB needs a decay to get there (as a load makes it).
        if (wrote && zone.ampSustain < 0.0f && zone.ampDecay == 0.0f) zone.ampDecay = 1.0f;
    });

    // The displays show what the knobs now hold, also on a layer without
    // zones, where the refresh below leaves them; a layer's first zone then
    // shows its own values over them.
    ShowKnobsOnDisplays();

    if (Moved(kVolume)) in->volume = volumeKnob.GetValue() / 100.0;
    if (Moved(kPan)) in->pan = panKnob.GetValue();
    if (Moved(kSend)) in->reverbSend = sendKnob.GetValue() / 100.0;
    player->engine.UpdateGains();
    RefreshInstrumentView();
}

void KPlayerGUI::OnLayerDigit() {
    KInstrument* in = SelectedInstrument();
    if (in == nullptr) return;
    in->currentLayer = Whole(layerDigit);
    RefreshInstrumentView();
}

void KPlayerGUI::StepSelection(int step) {
    // The next loaded instrument that way: a selection restored from a larger
    // bank may lie beyond this bank's instruments, and down must still lead
    // back into them.
    const int slot = player->LoadedSlotFrom(selectedSlot + step, step);
    if (slot < 0 || slot == selectedSlot) return;
    selectedSlot = slot;
    // The tints belong to the instrument shown before.
    keyboard.ClearKeys();
    RefreshInstrumentView();
}

void KPlayerGUI::OnPanic() {
    for (KInstrument* in : player->engine.instruments) {
        if (in == nullptr) continue;
        for (KVoice& voice : in->voices)
            if (voice.active.load(std::memory_order_acquire)) voice.released.store(1, std::memory_order_release);
    }
    // No note-offs follow: nothing else would untint the keys.
    keyboard.ClearKeys();
}

void KPlayerGUI::SendPitchBend() {
    KInstrument* in = SelectedInstrument();
    if (in == nullptr) return;
    // 0..16384, 8192 at the centre. The bytes are not cut to 7 bits: the
    // engine reads data1 | data2 << 7 back, so the top (data2 128) is the
    // largest bend up.
    const int v = static_cast<int>(pitchFader.GetValue() / 100.0f * 16384.0f);
    const uint8_t midi[3] = {StatusOn(*in, KMidi::kPitchBend), static_cast<uint8_t>(v & 0xFF),
                             static_cast<uint8_t>(v >> 7)};
    player->QueueMidiEvent(midi, 0);
}

void KPlayerGUI::SendModWheel() {
    KInstrument* in = SelectedInstrument();
    if (in == nullptr) return;
    const uint8_t midi[3] = {StatusOn(*in, KMidi::kControlChange), static_cast<uint8_t>(KMidi::kModWheel),
                             static_cast<uint8_t>(modulationFader.GetValue() / 100.0f * 127.0f)};
    player->QueueMidiEvent(midi, 0);
}

void KPlayerGUI::OnMidiActivity(uint32_t message) {
    // Audio thread: records only; ShowMidiActivity shows it.
    const int status = static_cast<int>(message & 0xFF), kind = status & 0xF0, channel = status & 0x0F;
    const int data1 = static_cast<int>((message >> 8) & 0xFF), data2 = static_cast<int>((message >> 16) & 0xFF);
    KInstrument* in = SelectedInstrument();
    if (in == nullptr || (in->midiChannel != 0 && in->midiChannel != channel + 1)) return;

    bool keys = false, recorded = false;
    if (kind == KMidi::kNoteOn && data2 > 0) {
        keys = keyboard.StoreKey(data1, true);
        if (in->keySwitchOn) layerSwitched_ = recorded = true;
        if (!midiLedLit.exchange(true)) {
            // Lit at once; its timer starts on the window's thread.
            midiLed.on.store(true, std::memory_order_relaxed);
            lightRequested_ = recorded = true;
        }
    } else if (kind == KMidi::kNoteOff || kind == KMidi::kNoteOn) {
        keys = keyboard.StoreKey(data1, false);
    } else if (kind == KMidi::kPitchBend) {
        followedBend_ = data1 | data2 << 7;
        recorded = true;
    } else if (kind == KMidi::kControlChange && data2 != 0) {
        // A controller at 0 moves no control.
        if (in->midiControllersOn) {
            std::atomic<int>* followed = data1 == KMidi::kVolume                           ? &followedVolume_
                                         : data1 == KMidi::kBalance || data1 == KMidi::kPan ? &followedPan_
                                         : data1 == KMidi::kReverbSend                       ? &followedSend_
                                         : data1 == KMidi::kModWheel                         ? &followedModulation_
                                                                                             : nullptr;
            if (followed != nullptr) {
                *followed = data2;
                recorded = true;
            }
            if (data1 == KMidi::kModWheel && in->modWheelSelectsLayer) layerFollows_ = true;
        }
        if (data1 == KMidi::kAllSoundOff || data1 == KMidi::kAllNotesOff) {
            keyboard.StoreAllKeysUp();
            keys = true;
        }
    }
    if (keys) keysMoved_ = true;
    if (keys || recorded) midiRecorded_.store(true, std::memory_order_release);
}

void KPlayerGUI::ShowMidiActivity() {
    // Cleared first: what the audio thread records from now on asks again.
    midiRequest_ = kNotAsked;
    if (!midiRecorded_.exchange(false, std::memory_order_acq_rel)) return;
    if (lightRequested_.exchange(false)) {
        // Lit by the audio thread; its timer starts on the window's thread.
        midiLed.SetValue(1.0f);
        if (panel.window != nullptr) ::SetTimer(panel.window, kMidiLightTimer, kMidiLightMs, nullptr);
    }
    if (keysMoved_.exchange(false)) keyboard.Invalidate();
    const int bend = followedBend_.exchange(-1);
    if (bend >= 0) pitchFader.SetValueSilently(static_cast<float>(bend) / 16384.0f * 100.0f);
    // The engine took the controller: the knob follows, and shows what a
    // write need not store.
    auto follow = [this](KKnob& knob, int control, std::atomic<int>& followed) {
        const int v = followed.exchange(-1);
        if (v < 0) return;
        knob.SetValueSilently(static_cast<float>(v) / 128.0f * 100.0f);
        shown_[control].store(knob.GetValue(), std::memory_order_relaxed);
    };
    follow(volumeKnob, kVolume, followedVolume_);
    follow(panKnob, kPan, followedPan_);
    follow(sendKnob, kSend, followedSend_);
    const int modulation = followedModulation_.exchange(-1);
    if (modulation >= 0) modulationFader.SetValueSilently(static_cast<float>(modulation) / 127.0f * 100.0f);
    const bool switched = layerSwitched_.exchange(false), followsWheel = layerFollows_.exchange(false);
    if (KInstrument* in = SelectedInstrument()) {
        // A key switch with notification: the layer's command refreshes the
        // view.
        if (switched) layerDigit.SetValue(static_cast<float>(in->currentLayer));
        else if (followsWheel) layerDigit.SetValueSilently(static_cast<float>(in->currentLayer));
    }
}
