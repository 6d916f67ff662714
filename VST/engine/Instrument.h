// One of the engine's 16 instruments: up to 1024 zones over 12 layers,
// played by a fixed pool of 32 voices, with its own channel, output pair,
// gains, pitch bend, sustain pedal, layer selection and reverb.
#pragma once

#include "Reverb.h"
#include "SampleZone.h"
#include "StructureGate.h"
#include "Voice.h"
#include "VoiceLanes.h"
#include "WideText.h"

#include <atomic>
#include <cstdint>
#include <vector>

class KInstrument {
public:
    static constexpr int kVoices = 32;
    static constexpr int kZones = 1024;
    static constexpr int kLayers = 12;
    // The most frames rendered in one go (the engine renders no more between
    // two events).
    static constexpr int kStretch = 512;

    KInstrument(int sampleRate, KReadBuffer* readBuffer);
    ~KInstrument();
    KInstrument(const KInstrument&) = delete;
    KInstrument& operator=(const KInstrument&) = delete;

    // Editor thread. Returns the zone slot, or -1 when all slots are taken,
    // the WAV does not open, or the key or velocity range is empty (or the
    // lowest velocity is 0). Rendering goes on.
    int AddZone(const wchar_t* path, uint8_t rootKey, int keyLow, int velocityHigh, int keyHigh,
                int velocityLow, int layer, KSharedStream* stream, int64_t baseOffset);
    // AddZone in two steps, for callers that set a zone up before anything
    // can play it: OpenZone opens the WAV (null when it does not open);
    // InsertZone publishes a zone into the first empty slot (it deletes the
    // zone and returns -1 when all slots are taken).
    KSampleZone* OpenZone(const wchar_t* path, KSharedStream* stream, int64_t baseOffset) const;
    int InsertZone(KSampleZone* zone);
    // Refuses an empty slot and a zone that a voice plays. Waits for a block
    // or refill that may still read the zone; rendering goes on.
    bool DeleteZone(int slot);
    bool IsZonePlaying(int slot) const;
    // Editor, after an edit of a zone's start, loop or loop mode: its preload
    // is built again beside the one its sounding voices read, which they
    // keep until they end; later notes play the new one. False (the old
    // preload stays) when memory is short.
    bool RefillPreload(int slot);
    // Editor: the replaced preloads still kept for the voices that read them.
    int KeptPreloads() const { return static_cast<int>(retiredPreloads_.size()); }
    void ResetReverb();

    // The output gains the instrument ramps to, from volume, expression and
    // pan. Any thread that may write those fields.
    void UpdateGainTargets();
    // Any thread that changed zone fields (host automation): the zones'
    // coefficients named (KSampleZone::Coefficient) are worked out again
    // before the next block, once however many changes came.
    void MarkCoefficientsStale(uint32_t which) { staleCoefficients_.fetch_or(which, std::memory_order_release); }
    // Audio thread, before rendering a block.
    void RefreshStaleCoefficients();

    // Audio thread: the pedal goes up; the voices it held are released.
    void LiftPedal();
    // Editor: every sounding voice released, the pedal up.
    void Panic();

    // Audio thread.
    void NoteOn(int key, int velocity);
    void NoteOff(int key, int velocity);
    // Renders `frames` frames of the instrument: left and right are
    // overwritten.
    void RenderBlock(float* left, float* right, int frames);

    // Iterations: one item per call, null at the end, then from the start
    // again. Callers always run them to null.
    KSampleZone* NextZoneForNoteOn(int key, int velocity);
    KSampleZone* NextReleaseZone(int key);
    KVoice* NextVoiceInGroup(int group);
    KVoice* NextVoiceForNoteOff(int key);

    // The voice for a new note: the lowest idle one, else the oldest at the
    // given millisecond time.
    KVoice* ChooseVoice(uint32_t now);

    wchar_t name[kPathLength] = L"Blank";
    wchar_t layerNames[kLayers][kPathLength] = {};
    uint8_t midiChannel = 0; // 0 omni, n = MIDI channel n
    uint8_t outputPair = 0;
    int32_t zoneCount = 0;
    uint8_t pitchBendOn = 1;
    uint8_t bendRange = 2;
    double bendRatio = 1.0; // voices read it through a pointer
    uint8_t sustainPedalOn = 0;
    std::atomic<uint8_t> pedalDown{0};
    double volume = 1.0;
    double expression = 1.0;
    double pan = 50.0;
    double reverbSend = 0.0;
    uint8_t midiControllersOn = 1;
    int32_t currentLayer = 1;
    uint8_t modWheelSelectsLayer = 0;
    uint8_t keySwitchOn = 0;
    uint8_t playAllLayers = 0;
    float reverbSize = 0.6f;
    float reverbDamp = 1.0f;
    KVoice voices[kVoices];
    KSampleZone* zones[kZones] = {};
    uint8_t reverbOn = 0;
    int32_t sampleRate;
    // Written by the audio thread, read by the editor (the voice count).
    std::atomic<int32_t> activeVoices{0};
    float targetGainLeft = 1.0f;
    float targetGainRight = 1.0f;
    float gainLeft = 1.0f;
    float gainRight = 1.0f;
    KReadBuffer* readBuffer;
    KReverb reverb;

    // Set by the engine that owns the instrument: its structural edits wait
    // for rendering and refills to leave.
    KStructureGate* gate = nullptr;
    // The engine's refill event, handed to every voice it starts.
    KEvent* diskEvent = nullptr;
    // The engine's offline waits for the disk (null: never waits).
    KStreamWait* streamWait = nullptr;

private:
    void StartVoice(KSampleZone* zone, int key, int velocity);
    // Renders the voices' sum of one stretch; returns the voices sounding at
    // its last frame.
    int RenderVoices(float* left, float* right, int frames);
    // Editor: frees the preloads replaced by RefillPreload that no sounding
    // voice reads any more.
    void FreeRetiredPreloads();

    // Audio thread: the filter coefficients of the instrument's voices.
    KLowPassTable filterTable_;
    // Audio thread: a group of voices' frames, lane by lane, both channels,
    // from the first 32-byte boundary on (the 32-bit heap gives 8).
    float laneStorage_[2 * KVoiceLanes::kMaxLanes * kStretch + 8] = {};

    std::atomic<uint32_t> staleCoefficients_{0};
    // Editor: preloads replaced while voices still read them.
    std::vector<float*> retiredPreloads_;

    int zoneCursor_ = 0;
    int releaseCursor_ = 0;
    int groupCursor_ = 0;
    int noteOffCursor_ = 0;
};
