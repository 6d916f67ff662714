#include "ZoneMapping.h"

#include <algorithm>
#include <cmath>
#include <string>

float TimecentsToMs(int16_t timecents) {
    const float octaves = static_cast<float>(timecents) / 1200.0f;
    const float ms = std::exp2(octaves) * 1000.0f;
    return ms > 2000.0f ? 1999.0f : ms;
}

float CentibelsToDb(int16_t centibels) {
    const float db = -static_cast<float>(centibels) / 10.0f;
    return db < -29.0f ? -29.0f : db;
}

int ConvertedInstrumentCount(const Hydra& bank) {
    if (bank.instCount == 0) return 0;
    const int n = bank.instCount - 1;
    return n > 16 ? 16 : n;
}

std::vector<uint8_t> UsableSamples(const Hydra& bank, int64_t dataBytes) {
    std::vector<uint8_t> usable(bank.shdrCount, 0);
    const int last = static_cast<int>(bank.shdrCount) - 1; // the terminal header
    for (int m = 0; m < last; ++m) {
        const SfSampleHeader& s = bank.shdr[m];
        if (s.start > s.end || static_cast<int64_t>(s.end) * 2 > dataBytes) continue;
        const int64_t bytes = (static_cast<int64_t>(s.end) - s.start) * 2;
        int64_t waveData = bytes;
        if (s.sampleType != kSfMonoSample) {
            if (s.sampleLink >= last) continue;
            if (static_cast<int64_t>(bank.shdr[s.sampleLink].start) * 2 + bytes > dataBytes) continue;
            waveData = 2 * bytes;
        }
        if (waveData + 36 > 0xFFFFFFFFll) continue;
        usable[m] = 1;
    }
    return usable;
}

namespace {

struct ZoneState {
    int32_t keyLow = 0, keyHigh = 127, velocityLow = 1, velocityHigh = 127;
    float attack = 0.0f, decay = 0.0f, sustain = 0.0f, release = 300.0f;
    int32_t startOffset = 0, fine = 0, rootOverride = 0, loopMode = 0;
    // The partners of the stereo zones written so far whose own zone is still
    // to come: a pair gives one zone, and its second member is skipped
    // wherever it follows, but only it.
    std::vector<uint16_t> partnersToSkip;

    // What a sampleID resets; loop mode and envelope carry over.
    void NextZone() {
        keyLow = 0;
        keyHigh = 127;
        velocityLow = 1;
        velocityHigh = 127;
        rootOverride = 0;
        fine = 0;
        startOffset = 0;
    }
};

bool IsKey(int32_t key) { return key >= 0 && key <= 127; }

// An unpitched sample (originalPitch 255) or any pitch that is no key plays
// from 60, as the SoundFont standard has it; an override that is no key
// leaves the sample's own. 0 is no override.
uint8_t RootKey(int32_t rootOverride, const SfSampleHeader& s) {
    if (rootOverride != 0 && IsKey(rootOverride)) return static_cast<uint8_t>(rootOverride);
    return IsKey(s.originalPitch) ? s.originalPitch : 60;
}

// The sample that the stereo sample m is written with, when the two are
// linked to each other; -1 for a mono sample or a link that is not returned.
int LinkedPartner(const Hydra& bank, uint16_t m) {
    const SfSampleHeader& s = bank.shdr[m];
    if (s.sampleType == kSfMonoSample || s.sampleLink >= bank.shdrCount || s.sampleLink == m) return -1;
    const SfSampleHeader& partner = bank.shdr[s.sampleLink];
    if (partner.sampleType == kSfMonoSample || partner.sampleLink != m) return -1;
    return s.sampleLink;
}

KZoneRecord ZoneFor(const ZoneState& z, const SfSampleHeader& s, uint16_t sample) {
    KZoneRecord r;
    const std::wstring name = std::to_wstring(sample) + L".wav";
    CopyWide(r.samplePath, name.c_str());
    const int64_t frames = static_cast<int64_t>(s.end) - s.start;
    r.embeddedOffset = 0;
    r.embeddedSize = frames * 2;
    r.startFrame = z.startOffset;
    r.endFrame = frames;
    r.loopStart = static_cast<int64_t>(s.startLoop) - s.start;
    r.loopEnd = static_cast<int64_t>(s.endLoop) - s.start;
    r.loopMode = z.loopMode;
    r.keyLow = z.keyLow;
    r.velocityHigh = z.velocityHigh;
    r.keyHigh = z.keyHigh;
    r.velocityLow = z.velocityLow;
    r.volumeDb = 0.0f;
    r.pan = 50.0f;
    r.ampAttack = z.attack;
    r.ampDecay = z.decay;
    r.ampSustain = z.sustain;
    r.ampRelease = z.release;
    r.coarseTune = 0;
    r.fineTune = z.fine;
    r.rootKey = RootKey(z.rootOverride, s);
    r.keyTracking = 1;
    r.layer = 1;
    r.exclusiveGroup = 0;
    r.releaseTrigger = 0;
    return r;
}

} // namespace

std::vector<KZoneRecord> MapInstrumentZones(const Hydra& bank, int instrument, const std::vector<uint8_t>& usable) {
    std::vector<KZoneRecord> zones;
    if (instrument < 0 || instrument + 1 >= bank.instCount) return zones;
    // The generators run from the first bag's genNdx up to the next
    // instrument's first bag's: both bags must exist and run forwards.
    const uint16_t bagBegin = bank.inst[instrument].instBagNdx;
    const uint16_t bagEnd = bank.inst[instrument + 1].instBagNdx;
    if (bagBegin > bagEnd || bagEnd >= bank.ibagCount) return zones;
    const uint16_t genBegin = bank.ibag[bagBegin].genNdx;
    const uint16_t genEnd = bank.ibag[bagEnd].genNdx;
    if (genBegin > genEnd || genEnd > bank.igenCount) return zones;

    ZoneState z;
    for (uint16_t g = genBegin; g < genEnd; ++g) {
        const SfGenerator& gen = bank.igen[g];
        switch (gen.genOper) {
        case kGenStartAddrsOffset: z.startOffset = gen.genAmount; break;
        case kGenAttackVolEnv: z.attack = TimecentsToMs(gen.genAmount); break;
        case kGenDecayVolEnv: z.decay = TimecentsToMs(gen.genAmount); break;
        case kGenReleaseVolEnv: z.release = TimecentsToMs(gen.genAmount); break;
        case kGenSustainVolEnv: z.sustain = CentibelsToDb(gen.genAmount); break;
        case kGenKeyRange:
            z.keyLow = gen.RangeLow();
            z.keyHigh = gen.RangeHigh();
            break;
        case kGenVelRange:
            z.velocityHigh = gen.RangeHigh();
            z.velocityLow = gen.RangeLow() == 0 ? 1 : gen.RangeLow();
            break;
        case kGenFineTune: z.fine = gen.genAmount; break;
        case kGenSampleModes:
            if (gen.genAmount == 0 || gen.genAmount == 2) z.loopMode = kPlayToEnd;
            else if (gen.genAmount == 1 || gen.genAmount == 3) z.loopMode = kLoop;
            break;
        case kGenOverridingRootKey: z.rootOverride = gen.genAmount; break;
        case kGenSampleId: {
            const uint16_t sample = static_cast<uint16_t>(gen.genAmount);
            const bool valid = sample < usable.size() && usable[sample] != 0;
            const auto partner = std::find(z.partnersToSkip.begin(), z.partnersToSkip.end(), sample);
            const bool skipped = valid && partner != z.partnersToSkip.end();
            if (skipped) z.partnersToSkip.erase(partner);
            if (valid && !skipped) {
                zones.push_back(ZoneFor(z, bank.shdr[sample], sample));
                const int other = LinkedPartner(bank, sample);
                if (other >= 0) z.partnersToSkip.push_back(static_cast<uint16_t>(other));
            }
            z.NextZone();
            break;
        }
        default: break;
        }
    }
    return zones;
}
