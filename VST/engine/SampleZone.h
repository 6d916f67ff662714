// One sample mapped onto a key/velocity rectangle, with everything a voice
// needs to play it: the reader over its file, play and loop range, envelopes,
// filter settings, the in-memory preload of its beginning and the overview
// drawn by the editor's waveform view.
#pragma once

#include "FileRecords.h"
#include "WaveFile.h"

#include <cstdint>

class KSampleZone : public KWaveFile, public KZoneSettings {
public:
    static constexpr int kPreloadFrames = 32768;
    static constexpr int kOverviewColumns = 617;

    // Opens the WAV at path, or inside the given open stream at baseOffset.
    // A zone that did not open (isOpen 0) has no preload and is discarded by
    // its owner. Editor (and the loader).
    KSampleZone(const wchar_t* path, KReadBuffer* readBuffer, KSharedStream* stream,
                int64_t baseOffset);
    ~KSampleZone();

    // Editor: fills the preload in place, before the zone is published (a
    // published zone gets a new one through KInstrument::RefillPreload).
    void FillPreload();
    // Editor: a new preload filled from the zone's start and loop, published
    // in place of the current one, which is returned (null, and nothing
    // changed, when memory is short). Free it with FreePreload once no voice
    // reads it.
    float* ReplacePreload();
    static void FreePreload(float* preload);
    // Editor.
    void BuildOverview();

    // The coefficients UpdateCoefficients works out, one bit each.
    enum Coefficient : uint32_t {
        kAmpAttackCoef = 1u << 0,
        kAmpDecayCoef = 1u << 1,
        kAmpReleaseCoef = 1u << 2,
        kAmpSustainLevel = 1u << 3,
        kFilterAttackCoef = 1u << 4,
        kFilterDecayCoef = 1u << 5,
        kFilterReleaseCoef = 1u << 6,
        kFilterSustainLevel = 1u << 7,
        kPanGains = 1u << 8,
        kAllCoefficients = (1u << 9) - 1,
    };
    // Editor, or the audio thread before a block (host automation): the
    // coefficients named in which, from the zone's settings at this rate.
    void UpdateCoefficients(int rate, uint32_t which = kAllCoefficients);

    // The loop can be played: it is not empty and lies inside the data. A
    // zone whose loop cannot be played plays as a non-looping zone. Any
    // thread, as the three below.
    bool LoopIsPlayable() const;
    // Loop modes 2 and 3 with a playable loop.
    bool Loops() const { return (loopMode == kLoop || loopMode == kLoopUntilRelease) && LoopIsPlayable(); }
    // The loop ends inside the preload, so the preload runs through it (and a
    // voice goes on streaming from inside the loop).
    bool PreloadWrapsLoop() const;

    uint8_t isMono = 0;
    // A zone of the moment (the editor's audition): it plays but is never
    // written into a project, instrument, bank or state chunk.
    uint8_t notSaved = 0;
    // The filter envelope is not stored: every zone starts with these.
    float filterAttack = 0.0f;
    float filterDecay = 0.0f;
    float filterSustain = 100.0f;
    float filterRelease = 3000.0f;
    // kPreloadFrames interleaved stereo frames, locked. Voices take it when
    // they start (LoadShared) and keep it to their end.
    float* preload = nullptr;
    float* overview = nullptr; // kOverviewColumns (maximum, minimum) pairs

    float ampAttackCoef = 1.0f;
    float ampDecayCoef = 0.0f;
    float ampReleaseCoef = 0.0f;
    float ampSustainLevel = 1.0f;
    float panGainLeft = 1.0f;
    float panGainRight = 1.0f;
    float filterAttackCoef = 1.0f;
    float filterDecayCoef = 0.0f;
    float filterReleaseCoef = 0.0f;
    float filterSustainLevel = 1.0f;

private:
    static float* AllocatePreload();
    void FillPreloadInto(float* buffer);
};

// Spreads n mono floats at the start of buffer into n interleaved stereo
// frames, in place.
void MonoToStereo(int64_t frames, float* buffer);
