// The sampler's 304 automatable parameters: 16 groups of 19, one group per
// row of the editor's instrument list. Instrument parameters write one field
// of the row's instrument; zone parameters write every zone of its current
// layer and read the first of them.
#include "SamplerVST.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kGroupSize = 19;

// The zone fields the zone parameters drive, with their host-side scale and
// the coefficients that follow from them.
struct ZoneParameter {
    int index;
    float KSampleZone::*field;
    double scale;
    uint32_t coefficients;
};
constexpr ZoneParameter kZoneParameters[] = {
    {3, &KSampleZone::ampAttack, 2000.0, KSampleZone::kAmpAttackCoef},
    {4, &KSampleZone::ampDecay, 2000.0, KSampleZone::kAmpDecayCoef},
    {6, &KSampleZone::ampRelease, 2000.0, KSampleZone::kAmpReleaseCoef},
    {7, &KSampleZone::filterAttack, 5000.0, KSampleZone::kFilterAttackCoef},
    {8, &KSampleZone::filterDecay, 5000.0, KSampleZone::kFilterDecayCoef},
    {9, &KSampleZone::filterSustain, 100.0, KSampleZone::kFilterSustainLevel},
    {10, &KSampleZone::filterRelease, 5000.0, KSampleZone::kFilterReleaseCoef},
    {15, &KSampleZone::cutoff, 100.0, 0},
};

// Sustain 0.0 would be minus infinity dB: a floor that is silence.
constexpr double kSilenceDb = -100.0;
// The editor's smallest resonance: Q 0 has no filter.
constexpr double kLeastResonance = 0.1;

// Host values live in 0..1, whatever a field was edited to elsewhere.
float HostValue(double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); }

// The layer as a host value that selects the same layer when written back:
// layer / 12 rounded to float falls a hair below n/12 for some layers.
float LayerValue(int layer) {
    float v = HostValue(layer / 12.0);
    if (layer > 0 && layer <= 12 && static_cast<int>(static_cast<double>(v) * 12.0) < layer) v = std::nextafter(v, 2.0f);
    return v;
}

// Writes the field; returns the coefficients that follow from it.
uint32_t SetZoneField(KSampleZone& zone, int p, double v) {
    for (const ZoneParameter& z : kZoneParameters)
        if (z.index == p) {
            zone.*z.field = static_cast<float>(v * z.scale);
            return z.coefficients;
        }
    switch (p) {
    case 5:
        zone.ampSustain = static_cast<float>(v > 0.0 ? std::max(20.0 * std::log10(v), kSilenceDb) : kSilenceDb);
        return KSampleZone::kAmpSustainLevel;
    case 16: zone.resonance = static_cast<float>(std::max(v * 5.0, kLeastResonance)); return 0;
    case 17: zone.keyToCutoff = static_cast<float>(20.0 * v - 10.0); return 0;
    case 18: zone.velocityToCutoff = static_cast<float>(2.0 * v - 1.0); return 0;
    default: return 0;
    }
}

float ZoneFieldValue(const KSampleZone& zone, int p) {
    for (const ZoneParameter& z : kZoneParameters)
        if (z.index == p) return HostValue(zone.*z.field / z.scale);
    switch (p) {
    case 5: return HostValue(std::pow(10.0, zone.ampSustain / 20.0));
    case 16: return HostValue(zone.resonance / 5.0);
    case 17: return HostValue((zone.keyToCutoff + 10.0) / 20.0);
    case 18: return HostValue((zone.velocityToCutoff + 1.0) * 0.5);
    default: return 0.0f;
    }
}

bool IsZoneParameter(int p) { return (p >= 3 && p <= 10) || (p >= 15 && p <= 18); }

} // namespace

KInstrument* KSamplerVST::ParameterInstrument(VstInt32 index) {
    if (index < 0 || index >= kNumParams) return nullptr;
    const int32_t slot = slotMap[index / kGroupSize].load();
    if (slot < 0 || slot >= KSamplerEngine::kInstruments) return nullptr;
    return LoadShared(engine.instruments[slot]);
}

// Hosts call these from the audio thread or any other, also while the editor
// deletes an instrument or a zone or a project is replaced: inside the
// structure's read scope nothing they reach is freed. A write that comes
// while a hold is on (a load, a new project) is dropped, as a block is.
void KSamplerVST::setParameter(VstInt32 index, float value) {
    // Host values live in 0..1: beyond is held at the ends, NaN is no value.
    if (std::isnan(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    {
        KStructureRead read(&engine.structure);
        if (read.Held()) return;
        KInstrument* in = ParameterInstrument(index);
        if (in == nullptr) return;
        const int p = index % kGroupSize;
        const double v = value;
        if (IsZoneParameter(p)) {
            // The coefficients once before the next block, however many
            // writes come: not 1024 exponentials per call.
            uint32_t stale = 0;
            for (KSampleZone*& slot : in->zones) {
                KSampleZone* zone = LoadShared(slot);
                if (zone == nullptr || zone->layer != in->currentLayer) continue;
                stale |= SetZoneField(*zone, p, v);
            }
            if (stale != 0) in->MarkCoefficientsStale(stale);
        } else {
            switch (p) {
            case 0: in->volume = v; break;
            case 1: in->pan = v * 100.0; break;
            case 2: in->currentLayer = static_cast<int32_t>(v * 12.0); break;
            case 11: in->reverbOn = value == 1.0f ? 1 : 0; break;
            case 12: in->reverbSend = v; break;
            case 13: in->reverbSize = value; break;
            case 14: in->reverbDamp = value; break;
            default: break;
            }
        }
        in->UpdateGainTargets();
    }
    // Outside the read scope: the host may call back into the plug-in.
    needIdle();
}

float KSamplerVST::getParameter(VstInt32 index) {
    KStructureRead read(&engine.structure);
    const KInstrument* in = ParameterInstrument(index);
    if (in == nullptr) return 0.0f;
    const int p = index % kGroupSize;
    if (IsZoneParameter(p)) {
        for (KSampleZone* const& slot : in->zones) {
            const KSampleZone* zone = LoadShared(slot);
            if (zone != nullptr && zone->layer == in->currentLayer) return ZoneFieldValue(*zone, p);
        }
        return 0.0f;
    }
    switch (p) {
    case 0: return HostValue(in->volume);
    case 1: return HostValue(in->pan / 100.0);
    case 2: return LayerValue(in->currentLayer);
    case 11: return in->reverbOn ? 1.0f : 0.0f;
    case 12: return HostValue(in->reverbSend);
    case 13: return HostValue(in->reverbSize);
    case 14: return HostValue(in->reverbDamp);
    default: return 0.0f;
    }
}

void KSamplerVST::getParameterName(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumParams) return;
    std::strcpy(text, parameterNames[index]);
}
