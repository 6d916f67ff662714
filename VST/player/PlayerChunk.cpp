// The player's state chunk: the fixed KPlayerChunk, filled from and applied
// to the loaded instruments.
#include "PlayerVST.h"

#include <algorithm>
#include <cstring>

namespace {

const KSampleZone* FirstZoneOfLayer(const KInstrument& instrument, int layer) {
    for (const KSampleZone* zone : instrument.zones)
        if (zone != nullptr && zone->layer == layer) return zone;
    return nullptr;
}

void FillSlotState(KPlayerSlotState& state, const KInstrument& instrument) {
    state.midiChannel = instrument.midiChannel;
    state.outputPair = instrument.outputPair;
    state.currentLayer = instrument.currentLayer;
    state.bendRange = instrument.bendRange;
    state.pan = instrument.pan;
    state.volume = instrument.volume;
    state.reverbSend = instrument.reverbSend;
    for (int layer = 1; layer <= KInstrument::kLayers; ++layer) {
        float* envelope = state.layerEnvelopes[layer - 1];
        envelope[KPlayerSlotState::kRelease] = 300.0f;
        if (const KSampleZone* zone = FirstZoneOfLayer(instrument, layer)) {
            envelope[KPlayerSlotState::kAttack] = zone->ampAttack;
            envelope[KPlayerSlotState::kDecay] = zone->ampDecay;
            envelope[KPlayerSlotState::kSustain] = zone->ampSustain;
            envelope[KPlayerSlotState::kRelease] = zone->ampRelease;
        }
    }
}

// A value outside its range keeps what the instrument has: a chunk from
// elsewhere must not put the engine where it cannot go.
template <class T, class V>
void TakeInRange(T& field, V value, V low, V high) {
    if (value >= low && value <= high) field = static_cast<T>(value);
}

// The send knob's range; a value that is no number keeps what the
// instrument has (it would silence the instrument's output pair).
void TakeClamped(double& field, double value, double low, double high) {
    if (value == value) field = std::clamp(value, low, high);
}

void ApplySlotState(KInstrument& instrument, const KPlayerSlotState& state) {
    TakeInRange(instrument.midiChannel, state.midiChannel, uint8_t{0}, uint8_t{16});
    TakeInRange(instrument.outputPair, state.outputPair, uint8_t{0}, uint8_t{3});
    TakeInRange(instrument.currentLayer, state.currentLayer, 1, KInstrument::kLayers);
    TakeInRange(instrument.bendRange, state.bendRange, uint8_t{0}, uint8_t{12});
    instrument.pan = state.pan;
    instrument.volume = state.volume;
    TakeClamped(instrument.reverbSend, state.reverbSend, 0.0, 1.0);
    for (KSampleZone* zone : instrument.zones) {
        if (zone == nullptr || zone->layer < 1 || zone->layer > KInstrument::kLayers) continue;
        const float* envelope = state.layerEnvelopes[zone->layer - 1];
        zone->ampAttack = envelope[KPlayerSlotState::kAttack];
        zone->ampDecay = envelope[KPlayerSlotState::kDecay];
        zone->ampSustain = envelope[KPlayerSlotState::kSustain];
        zone->ampRelease = envelope[KPlayerSlotState::kRelease];
    }
}

} // namespace

VstInt32 KPlayerVST::getChunk(void** data, bool isPreset) {
    if (isPreset || data == nullptr) return 0;
    KPlayerChunk chunk;
    std::memset(&chunk, 0, sizeof chunk);
    for (int slot = 0; slot < KPlayerChunk::kSlots; ++slot) {
        const KInstrument* instrument = engine.instruments[slot];
        if (instrument == nullptr) continue;
        chunk.slots[slot].editorSelection = editorHooks->selectedSlot;
        FillSlotState(chunk.slots[slot], *instrument);
    }
    std::memcpy(chunkBuffer, &chunk, sizeof chunk);
    *data = chunkBuffer;
    return kChunkSize;
}

VstInt32 KPlayerVST::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    if (isPreset || data == nullptr || byteSize <= 0) return 0;
    // A shorter chunk overwrites the start of the buffer, a longer one is
    // cut. The host may hand back the buffer itself.
    std::memmove(chunkBuffer, data, static_cast<size_t>(std::min(byteSize, kChunkSize)));
    KPlayerChunk chunk;
    std::memcpy(&chunk, chunkBuffer, sizeof chunk);
    {
        // Coefficients are rewritten in place: not under a block that reads them.
        KRenderHold hold(&engine.structure);
        for (int slot = 0; slot < KPlayerChunk::kSlots; ++slot) {
            KInstrument* instrument = engine.instruments[slot];
            if (instrument == nullptr) continue;
            const KPlayerSlotState& state = chunk.slots[slot];
            TakeInRange(editorHooks->selectedSlot, state.editorSelection, 0, KPlayerChunk::kSlots - 1);
            ApplySlotState(*instrument, state);
        }
        engine.UpdateGains();
    }
    // A song saved with a larger bank of the same code may select a slot
    // that this bank leaves empty: its last instrument below stands in (or
    // its first one above).
    int32_t& selected = editorHooks->selectedSlot;
    if (LoadedSlotFrom(selected, 1) != selected) {
        int slot = LoadedSlotFrom(selected, -1);
        if (slot < 0) slot = LoadedSlotFrom(selected, 1);
        if (slot >= 0) selected = slot;
    }
    editorHooks->RefreshInstrumentView();
    return 1;
}
