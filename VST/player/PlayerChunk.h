// The bank player's state chunk: per engine instrument slot the performance
// settings that the player's editor changes, and the editor's selected slot.
// A stored format (hosts keep it with their songs): every offset below is
// part of it, little-endian with natural alignment, padding explicit.
#pragma once

#include <cstddef>
#include <cstdint>

struct KPlayerSlotState {
    enum Envelope { kAttack, kDecay, kSustain, kRelease };

    uint8_t midiChannel; // 0 omni, 1..16
    uint8_t outputPair;  // 0..3
    uint8_t padding0[2];
    int32_t currentLayer; // 1..12
    double reverbSend;    // 0..1
    double volume;        // 0..1
    double pan;           // 0..100, 50 the centre
    uint8_t bendRange;    // semitones
    uint8_t padding1[3];
    // Layer j (1..12) at [j - 1]: attack ms, decay ms, sustain dB, release ms.
    float layerEnvelopes[12][4];
    int32_t editorSelection; // the editor's selected instrument slot
};

struct KPlayerChunk {
    static constexpr int kSlots = 16;
    KPlayerSlotState slots[kSlots];
};

static_assert(offsetof(KPlayerSlotState, midiChannel) == 0, "stored layout");
static_assert(offsetof(KPlayerSlotState, outputPair) == 1, "stored layout");
static_assert(offsetof(KPlayerSlotState, currentLayer) == 4, "stored layout");
static_assert(offsetof(KPlayerSlotState, reverbSend) == 8, "stored layout");
static_assert(offsetof(KPlayerSlotState, volume) == 16, "stored layout");
static_assert(offsetof(KPlayerSlotState, pan) == 24, "stored layout");
static_assert(offsetof(KPlayerSlotState, bendRange) == 32, "stored layout");
static_assert(offsetof(KPlayerSlotState, layerEnvelopes) == 36, "stored layout");
static_assert(offsetof(KPlayerSlotState, editorSelection) == 228, "stored layout");
static_assert(sizeof(KPlayerSlotState) == 232, "stored layout");
static_assert(sizeof(KPlayerChunk) == 3712, "stored layout");
