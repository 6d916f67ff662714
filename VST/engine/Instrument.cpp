#include "Instrument.h"

#include <algorithm>
#include <cmath>
#include <new>

#include <emmintrin.h>

namespace {
constexpr float kGainStep = 0.0001f;

// Moves a gain one step toward its target, arriving exactly.
void Ramp(float& gain, float target) {
    if (target > gain) gain = target - gain <= kGainStep ? target : gain + kGainStep;
    else if (target < gain) gain = gain - target <= kGainStep ? target : gain - kGainStep;
}
} // namespace

KInstrument::KInstrument(int rate, KReadBuffer* buffer) : sampleRate(rate), readBuffer(buffer) {
    ResetReverb();
}

KInstrument::~KInstrument() {
    // Every zone goes with the instrument, also those its own voices still
    // play: the voices go with it too.
    for (KSampleZone*& z : zones) {
        delete z;
        z = nullptr;
    }
    zoneCount = 0;
    for (float* preload : retiredPreloads_) KSampleZone::FreePreload(preload);
}

void KInstrument::ResetReverb() {
    reverb.dry = 0.0f;
    reverb.wet = 1.5f;
    reverb.width = 0.7f;
    reverb.mode = 0.0f;
    // The last guard: whatever wrote the fields, the running reverb takes
    // them only in their range.
    reverb.damp = ReverbSettingInRange(reverbDamp) * 0.4f;
    reverb.roomSize = ReverbSettingInRange(reverbSize) * 0.28f + 0.7f;
    reverb.Update();
}

KSampleZone* KInstrument::OpenZone(const wchar_t* path, KSharedStream* stream, int64_t baseOffset) const {
    KSampleZone* zone = new (std::nothrow) KSampleZone(path, readBuffer, stream, baseOffset);
    if (zone != nullptr && !zone->isOpen) {
        delete zone;
        zone = nullptr;
    }
    return zone;
}

int KInstrument::InsertZone(KSampleZone* zone) {
    // Published whole: a note sees no zone or all of it.
    KStructureEdit edit(gate);
    for (int slot = 0; slot < kZones; ++slot) {
        if (zones[slot] != nullptr) continue;
        PublishShared(zones[slot], zone);
        ++zoneCount;
        return slot;
    }
    delete zone;
    return -1;
}

int KInstrument::AddZone(const wchar_t* path, uint8_t rootKey, int keyLow, int velocityHigh, int keyHigh,
                         int velocityLow, int layer, KSharedStream* stream, int64_t baseOffset) {
    if (zoneCount >= kZones) return -1;
    if (keyHigh < keyLow || velocityHigh < velocityLow || velocityLow <= 0) return -1;
    KSampleZone* zone = OpenZone(path, stream, baseOffset);
    if (zone == nullptr) return -1;
    zone->keyLow = keyLow;
    zone->velocityHigh = velocityHigh;
    zone->keyHigh = keyHigh;
    zone->velocityLow = velocityLow;
    zone->rootKey = rootKey;
    zone->layer = layer;
    zone->FillPreload();
    zone->UpdateCoefficients(sampleRate);
    return InsertZone(zone);
}

bool KInstrument::IsZonePlaying(int slot) const {
    if (slot < 0 || slot >= kZones || zones[slot] == nullptr) return false;
    for (const KVoice& v : voices)
        if (v.active.load(std::memory_order_acquire) && v.zone.load(std::memory_order_relaxed) == zones[slot])
            return true;
    return false;
}

bool KInstrument::DeleteZone(int slot) {
    if (slot < 0 || slot >= kZones) return false;
    KSampleZone* zone;
    {
        KStructureEdit edit(gate);
        zone = zones[slot];
        if (zone == nullptr || IsZonePlaying(slot)) return false;
        // Out of sight of new notes first; a note that found it before that
        // has started by the time the readers have left.
        PublishShared(zones[slot], static_cast<KSampleZone*>(nullptr));
        if (gate != nullptr) gate->WaitForReaders();
        bool playing = false;
        for (const KVoice& v : voices)
            playing = playing || (v.active.load(std::memory_order_acquire) &&
                                  v.zone.load(std::memory_order_relaxed) == zone);
        if (playing) {
            PublishShared(zones[slot], zone);
            return false;
        }
        // A refill that took the zone from a voice just before it ended.
        if (gate != nullptr) gate->WaitForReaders();
        --zoneCount;
        FreeRetiredPreloads();
    }
    delete zone;
    return true;
}

bool KInstrument::RefillPreload(int slot) {
    if (slot < 0 || slot >= kZones) return false;
    KStructureEdit edit(gate);
    KSampleZone* zone = zones[slot];
    if (zone == nullptr) return false;
    float* replaced = zone->ReplacePreload();
    if (replaced == nullptr) return false;
    retiredPreloads_.push_back(replaced);
    FreeRetiredPreloads();
    return true;
}

void KInstrument::FreeRetiredPreloads() {
    if (retiredPreloads_.empty()) return;
    // A block that started a voice on a replaced preload has ended: the
    // voices' own pointers tell who still reads one.
    if (gate != nullptr) gate->WaitForReaders();
    for (size_t i = 0; i < retiredPreloads_.size();) {
        bool read = false;
        for (const KVoice& v : voices)
            read = read || (v.active.load(std::memory_order_acquire) &&
                            v.preload.load(std::memory_order_relaxed) == retiredPreloads_[i]);
        if (read) {
            ++i;
            continue;
        }
        KSampleZone::FreePreload(retiredPreloads_[i]);
        retiredPreloads_.erase(retiredPreloads_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

KSampleZone* KInstrument::NextZoneForNoteOn(int key, int velocity) {
    while (zoneCursor_ < kZones) {
        KSampleZone* z = LoadShared(zones[zoneCursor_++]);
        if (z != nullptr && !z->releaseTrigger && z->keyLow <= key && key <= z->keyHigh &&
            z->velocityLow <= velocity && velocity <= z->velocityHigh && (playAllLayers || z->layer == currentLayer))
            return z;
    }
    zoneCursor_ = 0;
    return nullptr;
}

KSampleZone* KInstrument::NextReleaseZone(int key) {
    while (releaseCursor_ < kZones) {
        KSampleZone* z = LoadShared(zones[releaseCursor_++]);
        if (z != nullptr && z->releaseTrigger && z->keyLow <= key && key <= z->keyHigh &&
            (playAllLayers || z->layer == currentLayer))
            return z;
    }
    releaseCursor_ = 0;
    return nullptr;
}

KVoice* KInstrument::NextVoiceInGroup(int group) {
    // Does not advance past the voice it returns: the caller releases it,
    // which takes it out of the next answer.
    while (groupCursor_ < kVoices) {
        KVoice& v = voices[groupCursor_];
        const KSampleZone* z = v.zone.load(std::memory_order_relaxed);
        if (v.active.load(std::memory_order_relaxed) && !v.released.load(std::memory_order_relaxed) && z != nullptr &&
            z->exclusiveGroup == group)
            return &v;
        ++groupCursor_;
    }
    groupCursor_ = 0;
    return nullptr;
}

KVoice* KInstrument::NextVoiceForNoteOff(int key) {
    while (noteOffCursor_ < kVoices) {
        KVoice& v = voices[noteOffCursor_++];
        const KSampleZone* z = v.zone.load(std::memory_order_relaxed);
        // By the key that started it: the zone's root key may have been edited
        // since.
        if (v.active.load(std::memory_order_relaxed) && !v.released.load(std::memory_order_relaxed) && z != nullptr &&
            !z->releaseTrigger && z->loopMode != kOneShot && v.key == key)
            return &v;
    }
    noteOffCursor_ = 0;
    return nullptr;
}

KVoice* KInstrument::ChooseVoice(uint32_t now) {
    for (KVoice& v : voices)
        if (!v.active.load(std::memory_order_relaxed)) return &v;
    // Steal the oldest; ages in unsigned arithmetic stay right across the
    // timer's wrap. Ties go to the lowest-numbered voice.
    KVoice* oldest = &voices[0];
    uint32_t oldestAge = now - voices[0].startTime;
    for (KVoice& v : voices) {
        const uint32_t age = now - v.startTime;
        if (age > oldestAge) {
            oldest = &v;
            oldestAge = age;
        }
    }
    oldest->active.store(0, std::memory_order_relaxed);
    return oldest;
}

void KInstrument::StartVoice(KSampleZone* zone, int key, int velocity) {
    const uint32_t now = MilliTime();
    KVoice* v = ChooseVoice(now);
    v->startTime = now;
    v->key = key;
    v->Start(&bendRatio, zone, sampleRate, diskEvent, key - zone->rootKey, static_cast<uint8_t>(velocity));
}

void KInstrument::NoteOn(int key, int velocity) {
    while (KSampleZone* z = NextZoneForNoteOn(key, velocity)) {
        if (z->exclusiveGroup >= 1)
            while (KVoice* v = NextVoiceInGroup(z->exclusiveGroup)) v->released.store(1, std::memory_order_relaxed);
        StartVoice(z, key, velocity);
    }
}

void KInstrument::NoteOff(int key, int velocity) {
    // A pedal the instrument no longer obeys holds nothing.
    const bool pedalHolds = pedalDown.load(std::memory_order_relaxed) && sustainPedalOn;
    while (KVoice* v = NextVoiceForNoteOff(key)) {
        if (!pedalHolds) v->released.store(1, std::memory_order_relaxed);
        else v->heldByPedal = 1;
    }
    while (KSampleZone* z = NextReleaseZone(key)) StartVoice(z, key, velocity == 0 ? 100 : velocity);
}

void KInstrument::LiftPedal() {
    pedalDown.store(0, std::memory_order_relaxed);
    for (KVoice& v : voices)
        if (v.active.load(std::memory_order_relaxed) && v.heldByPedal) v.released.store(1, std::memory_order_relaxed);
}

void KInstrument::Panic() {
    pedalDown.store(0, std::memory_order_relaxed);
    for (KVoice& v : voices)
        if (v.active.load(std::memory_order_acquire)) v.released.store(1, std::memory_order_release);
}

void KInstrument::RefreshStaleCoefficients() {
    if (staleCoefficients_.load(std::memory_order_relaxed) == 0) return;
    const uint32_t which = staleCoefficients_.exchange(0, std::memory_order_acquire);
    for (KSampleZone*& slot : zones)
        if (KSampleZone* z = LoadShared(slot)) z->UpdateCoefficients(sampleRate, which);
}

void KInstrument::UpdateGainTargets() {
    const double v = volume, e = expression, p = pan;
    if (p <= 50.0) {
        targetGainLeft = static_cast<float>(v * e);
        targetGainRight = static_cast<float>(e * v * (p / 50.0));
    } else {
        targetGainLeft = static_cast<float>((100.0 - p) / 50.0 * e * v);
        targetGainRight = static_cast<float>(e * v);
    }
}

int KInstrument::RenderVoices(float* left, float* right, int frames) {
    // The sounding voices a group at a time, in pool order, so each frame
    // still sums its voices in pool order.
    constexpr int kMaxLanes = KVoiceLanes::kMaxLanes;
    const int width = KVoiceLanes::Width();
    float* laneLeft = laneStorage_ + (8 - reinterpret_cast<uintptr_t>(laneStorage_) / sizeof(float) % 8) % 8;
    float* laneRight = laneLeft + kMaxLanes * kStretch;
    KVoice* sounding[kVoices + kMaxLanes] = {};
    int count = 0;
    for (KVoice& v : voices)
        if (v.active.load(std::memory_order_relaxed)) sounding[count++] = &v;
    int last = 0;
    for (int first = 0; first < count; first += width) {
        // The next group's samples on their way while this one renders: each
        // voice's stream starts cold.
        for (int next = first + width; next < first + 2 * width && next < count; ++next) sounding[next]->PrefetchAhead();
        KVoice* const* lanes = sounding + first;
        int counts[kMaxLanes];
        KVoiceLanes::Render(lanes, &filterTable_, streamWait, laneLeft, laneRight, frames, counts);
        KVoiceLanes::Mix(laneLeft, counts, left, frames);
        KVoiceLanes::Mix(laneRight, counts, right, frames);
        // Counted when it sounded in the last frame, ended there or not.
        for (int lane = 0; lane < width && first + lane < count; ++lane) last += counts[lane] == frames ? 1 : 0;
    }
    return last;
}

void KInstrument::RenderBlock(float* left, float* right, int frames) {
    // The pedal option switched off while the pedal was down.
    if (!sustainPedalOn && pedalDown.load(std::memory_order_relaxed)) LiftPedal();
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    int sounding = 0;
    for (int done = 0; done < frames; done += kStretch) {
        const int n = std::min(kStretch, frames - done);
        sounding = RenderVoices(left + done, right + done, n);
    }
    activeVoices.store(sounding, std::memory_order_relaxed);

    int f = 0;
    // While the gains rest on their targets they are constants.
    if (gainLeft == targetGainLeft && gainRight == targetGainRight) {
        const __m128 l = _mm_set1_ps(gainLeft), r = _mm_set1_ps(gainRight);
        for (; f + 4 <= frames; f += 4) {
            _mm_storeu_ps(left + f, _mm_mul_ps(_mm_loadu_ps(left + f), l));
            _mm_storeu_ps(right + f, _mm_mul_ps(_mm_loadu_ps(right + f), r));
        }
    }
    for (; f < frames; ++f) {
        Ramp(gainLeft, targetGainLeft);
        Ramp(gainRight, targetGainRight);
        left[f] *= gainLeft;
        right[f] *= gainRight;
    }
    // A send that is no number would silence the instrument's pair for good.
    const double send = reverbSend;
    if (!reverbOn || !std::isfinite(send)) return;

    for (int done = 0; done < frames; done += kStretch) {
        const int n = std::min(kStretch, frames - done);
        float wetLeft[kStretch], wetRight[kStretch];
        reverb.ProcessBlock(left + done, right + done, wetLeft, wetRight, n);
        // Added in double, rounded once, as frame by frame: two frames at a
        // time.
        const __m128d sendGain = _mm_set1_pd(send);
        const auto two = [](const float* p) {
            return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
        };
        const auto mix = [&](float* dry, const float* wet) {
            const __m128d sum = _mm_add_pd(two(dry), _mm_mul_pd(two(wet), sendGain));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dry), _mm_castps_si128(_mm_cvtpd_ps(sum)));
        };
        int i = 0;
        for (; i + 2 <= n; i += 2) {
            mix(left + done + i, wetLeft + i);
            mix(right + done + i, wetRight + i);
        }
        for (; i < n; ++i) {
            left[done + i] = static_cast<float>(left[done + i] + wetLeft[i] * send);
            right[done + i] = static_cast<float>(right[done + i] + wetRight[i] * send);
        }
    }
}
