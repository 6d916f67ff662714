#include "Engine.h"

#include "FlushDenormals.h"
#include "Tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {
// The top bend range the pitch table covers.
constexpr int kMaxBendRange = 12;

// Clips to -1..+1; NaN and infinity never reach the host.
float Clip(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    if ((bits & 0x7F800000u) == 0x7F800000u) return 0.0f;
    if (x > 1.0f) return 1.0f;
    if (x < -1.0f) return -1.0f;
    return x;
}
} // namespace

KSamplerEngine::KSamplerEngine() {
    for (int i = 0; i < kPitchTableSize; ++i) {
        const float exponent = static_cast<float>((i - 1200) / 100.0 / 12.0);
        pitchTable[i] = static_cast<float>(std::pow(2.0, static_cast<double>(exponent)));
    }
    pitchTable[1200] = 1.0;
    BuildTables();
    ResetInfo();
    diskThread = std::thread(DiskThreadProc, this);
}

KSamplerEngine::~KSamplerEngine() {
    // The disk thread ends between passes, never inside a refill, before any
    // instrument (and so any voice or zone) is freed.
    StopDiskThread();
    for (KInstrument*& slot : instruments) {
        if (slot == nullptr) continue;
        delete slot;
        slot = nullptr;
        --instrumentCount;
    }
}

void KSamplerEngine::BuildTables() { BuildLookupTables(); }

void DiskThreadProc(KSamplerEngine* engine) { engine->DiskThreadLoop(); }

void KSamplerEngine::DiskThreadLoop() {
    for (;;) {
        diskEvent.Wait();
        // Taken before the scan: a request raised during the pass, also for a
        // voice already visited, sets the event again for the next pass. The
        // quit flag is read after the reset, so a quit is never swallowed.
        diskEvent.Take();
        if (quitRequested.load(std::memory_order_acquire)) return;
        if (diskBeginCallback != nullptr) diskBeginCallback(callbackUser, 0);
        for (int slot = 0; slot < kInstruments; ++slot) {
            for (int v = 0; v < KInstrument::kVoices; ++v) {
                // One refill at a time inside the gate, so an edit waits at most
                // for one read.
                KStructureRead read(&structure);
                KInstrument* instrument = LoadShared(instruments[slot]);
                if (instrument == nullptr) break;
                KVoice& voice = instrument->voices[v];
                // Taken and cleared before the refill, so a request raised while
                // it runs is not lost.
                if (voice.active.load(std::memory_order_acquire) &&
                    voice.refillRequested.exchange(0, std::memory_order_acq_rel)) {
                    voice.Refill();
                    streamWait.Refilled();
                }
            }
        }
        if (diskEndCallback != nullptr) diskEndCallback(callbackUser, 0);
    }
}

bool KSamplerEngine::Process(float** outputs, int frames) {
    peakLeft = 1e-6f;
    peakRight = 1e-6f;
    eventCursor = 0;
    if (frames < 1) return true;
    KStructureRead read(&structure);
    if (read.Held()) return false;
    KScopedFlushDenormals flushDenormals;
    KInstrument* playing[kInstruments];
    for (int slot = 0; slot < kInstruments; ++slot) {
        playing[slot] = LoadShared(instruments[slot]);
        // Host automation since the last block.
        if (playing[slot] != nullptr) playing[slot]->RefreshStaleCoefficients();
    }

    // Events are dispatched before their frame; between two dispatch frames
    // nothing but the voices changes, so each instrument renders that stretch
    // at once (every frame's sum keeps the order of a frame-by-frame render).
    constexpr int kStretch = KInstrument::kStretch;
    float left[kStretch], right[kStretch];
    const int count = std::min(events.count, static_cast<int32_t>(KMidiQueue::kCapacity));
    for (int f = 0; f < frames;) {
        DispatchEvents(f, f == frames - 1);
        int end = frames;
        if (eventCursor < count) end = std::min(std::max(events.events[eventCursor].deltaFrames, f + 1), frames - 1);
        end = std::min(end, f + kStretch);
        const int n = end - f;
        for (KInstrument* instrument : playing) {
            if (instrument == nullptr) continue;
            const int pair = instrument->outputPair < 4 ? instrument->outputPair : 0;
            instrument->RenderBlock(left, right, n);
            float* outLeft = outputs[2 * pair] + f;
            float* outRight = outputs[2 * pair + 1] + f;
            for (int i = 0; i < n; ++i) {
                outLeft[i] += left[i];
                outRight[i] += right[i];
            }
        }
        for (int pair = 0; pair < 4; ++pair) {
            float* outLeft = outputs[2 * pair] + f;
            float* outRight = outputs[2 * pair + 1] + f;
            for (int i = 0; i < n; ++i) {
                outLeft[i] = Clip(outLeft[i]);
                outRight[i] = Clip(outRight[i]);
                peakLeft = std::max(peakLeft, std::fabs(outLeft[i]));
                peakRight = std::max(peakRight, std::fabs(outRight[i]));
            }
        }
        f = end;
    }
    return true;
}

void KSamplerEngine::DispatchEvents(int frame, bool all) {
    const int count = std::min(events.count, static_cast<int32_t>(KMidiQueue::kCapacity));
    while (eventCursor < count) {
        const KMidiEvent& event = events.events[eventCursor];
        if (!all && event.deltaFrames > frame) break;
        Dispatch(event);
        ++eventCursor;
    }
}

void KSamplerEngine::Dispatch(const KMidiEvent& event) {
    const int kind = event.status & 0xF0;
    const uint8_t channel = event.status & 0x0F;
    const int d1 = event.data1;
    const int d2 = event.data2;
    while (KInstrument* instrument = NextInstrumentForChannel(channel)) {
        if (kind == KMidi::kNoteOn && d2 > 0) {
            if (instrument->keySwitchOn && d1 >= 24 && d1 <= 35) instrument->currentLayer = d1 - 23;
            else instrument->NoteOn(d1, d2);
        } else if (kind == KMidi::kNoteOn || kind == KMidi::kNoteOff) {
            instrument->NoteOff(d1, d2);
        } else if (kind == KMidi::kPitchBend) {
            if (instrument->pitchBendOn) {
                const int value = d1 | d2 << 7;
                const float b = value == 8192 ? 0.0f : static_cast<float>(value) / 8192.0f - 1.0f;
                // Ranges above the table's 12 semitones are held at 12.
                const int range = std::min<int>(instrument->bendRange, kMaxBendRange);
                const int index = static_cast<int>(range * b * 100.0f + 1200.0f);
                instrument->bendRatio = pitchTable[std::clamp(index, 0, kPitchTableSize - 1)];
            }
        } else if (kind == KMidi::kControlChange) {
            HandleController(*instrument, d1, d2);
        }
    }
    if (midiMonitorCallback != nullptr) midiMonitorCallback(callbackUser, event.status | d1 << 8 | d2 << 16);
}

void KSamplerEngine::HandleController(KInstrument& instrument, int controller, int value) {
    // The pedal and the all-off controllers are obeyed whatever the switch.
    if (controller == KMidi::kSustainPedal) {
        if (instrument.sustainPedalOn) {
            if (value >= 64) instrument.pedalDown = 1;
            else instrument.LiftPedal();
        }
        return;
    }
    if (controller == KMidi::kAllSoundOff || controller == KMidi::kAllNotesOff) {
        for (KVoice& v : instrument.voices)
            if (v.active.load(std::memory_order_relaxed)) v.released.store(1, std::memory_order_relaxed);
        return;
    }
    if (!instrument.midiControllersOn) return;
    // Volume, pan and expression move the gains alone: the zones' coefficients
    // do not depend on them (recomputing them all here would cost the audio
    // thread milliseconds).
    switch (controller) {
    case KMidi::kVolume:
        if (value / 127.0 <= 1.0) {
            instrument.volume = value / 127.0;
            instrument.UpdateGainTargets();
        }
        break;
    case KMidi::kBalance:
    case KMidi::kPan:
        instrument.pan = value / 127.0 * 100.0;
        instrument.UpdateGainTargets();
        break;
    case KMidi::kExpression:
        instrument.expression = value / 127.0;
        instrument.UpdateGainTargets();
        break;
    case KMidi::kModWheel:
        if (instrument.modWheelSelectsLayer) instrument.currentLayer = static_cast<int>(value / 128.0 * 12.0 + 1.0);
        break;
    case KMidi::kReverbSend:
        instrument.reverbSend = value / 128.0;
        break;
    case KMidi::kDataEntry:
        if (lastController100 == 0) instrument.bendRange = static_cast<uint8_t>(value);
        break;
    case KMidi::kParameterNumberLow:
        lastController100 = value;
        break;
    default:
        break;
    }
}

KInstrument* KSamplerEngine::NextInstrumentForChannel(uint8_t channel) {
    while (channelCursor_ < kInstruments) {
        KInstrument* instrument = LoadShared(instruments[channelCursor_++]);
        if (instrument != nullptr && (instrument->midiChannel == 0 || instrument->midiChannel == channel + 1))
            return instrument;
    }
    channelCursor_ = 0;
    return nullptr;
}

void KSamplerEngine::SetSampleRate(int rate) {
    if (rate < 1) return;
    KRenderHold hold(&structure);
    sampleRate = rate;
    for (KInstrument* instrument : instruments) {
        if (instrument == nullptr) continue;
        instrument->sampleRate = rate;
        for (KVoice& v : instrument->voices) v.Retune(rate);
    }
}

int KSamplerEngine::AddInstrument(uint8_t midiChannel, uint8_t outputPair) {
    if (instrumentCount >= kInstruments) return -1;
    // Built before the edit begins: 32 locked rings take long enough to be
    // heard as a gap if rendering waited for them.
    KInstrument* instrument = new (std::nothrow) KInstrument(sampleRate, &readBuffer);
    if (instrument == nullptr) return -1;
    instrument->midiChannel = midiChannel;
    instrument->outputPair = outputPair;
    instrument->gate = &structure;
    instrument->diskEvent = &diskEvent;
    instrument->streamWait = &streamWait;
    {
        // Published whole: a block sees no instrument or all of it.
        KStructureEdit edit(&structure);
        for (int slot = 0; slot < kInstruments; ++slot) {
            if (instruments[slot] != nullptr) continue;
            PublishShared(instruments[slot], instrument);
            ++instrumentCount;
            return slot;
        }
    }
    delete instrument;
    return -1;
}

bool KSamplerEngine::DeleteInstrument(int slot) {
    if (slot < 0 || slot >= kInstruments) return false;
    KInstrument* instrument;
    {
        KStructureEdit edit(&structure);
        instrument = instruments[slot];
        if (instrument == nullptr) return false;
        PublishShared(instruments[slot], static_cast<KInstrument*>(nullptr));
        --instrumentCount;
        structure.WaitForReaders();
    }
    // Out of every render and refill now: its voices and zones go with it.
    delete instrument;
    return true;
}

int KSamplerEngine::CountActiveVoices() const {
    int n = 0;
    for (const KInstrument* instrument : instruments)
        if (instrument != nullptr) n += instrument->activeVoices.load(std::memory_order_relaxed);
    return n;
}

int KSamplerEngine::CountZones() const {
    int n = 0;
    for (const KInstrument* instrument : instruments)
        if (instrument != nullptr) n += instrument->zoneCount;
    return n;
}

void KSamplerEngine::UpdateGains() {
    for (KInstrument* instrument : instruments) {
        if (instrument == nullptr) continue;
        instrument->UpdateGainTargets();
        for (KSampleZone* zone : instrument->zones)
            if (zone != nullptr) zone->UpdateCoefficients(sampleRate);
    }
}

void KSamplerEngine::Panic() {
    for (KInstrument* instrument : instruments)
        if (instrument != nullptr) instrument->Panic();
}

void KSamplerEngine::StopDiskThread() {
    quitRequested.store(1, std::memory_order_release);
    diskEvent.Set();
    if (diskThread.joinable()) diskThread.join();
}

void KSamplerEngine::ResetInfo() { ApplyInfo(KLibraryInfo()); }

void KSamplerEngine::ApplyInfo(const KLibraryInfo& info) {
    CopyWide(projectPath, info.projectPath);
    CopyWide(libraryName, info.libraryName);
    CopyWide(vendorName, info.vendorName);
    CopyWide(logoPicture, info.logoPicture);
    CopyWide(backgroundPicture, info.backgroundPicture);
    std::memcpy(uniqueId, info.uniqueId, sizeof uniqueId);
    uiStyle = info.uiStyle;
    CopyWide(sampleFolder, info.sampleFolder);
    CopyWide(exportFolder, info.exportFolder);
}

void KSamplerEngine::CaptureInfo(KLibraryInfo& info) const {
    info = KLibraryInfo();
    CopyWide(info.projectPath, projectPath);
    CopyWide(info.libraryName, libraryName);
    CopyWide(info.vendorName, vendorName);
    CopyWide(info.logoPicture, logoPicture);
    CopyWide(info.backgroundPicture, backgroundPicture);
    std::memset(info.uniqueId, 0, sizeof info.uniqueId);
    std::memcpy(info.uniqueId, uniqueId, strnlen(uniqueId, sizeof uniqueId - 1));
    info.uiStyle = uiStyle;
    info.instrumentCount = instrumentCount;
    info.samplesInRelativePath = samplesInRelativePath;
    CopyWide(info.sampleFolder, sampleFolder);
    CopyWide(info.exportFolder, exportFolder);
}
