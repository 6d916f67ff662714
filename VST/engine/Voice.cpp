#include "Voice.h"

#include "Tables.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr size_t kRingBytes = sizeof(float) * 2 * KVoice::kRingFrames;
constexpr double kBendStep = 0.005;
// Targets beyond 1 and 0 make the exponential segments arrive in finite time.
constexpr double kAttackTarget = 1.5873015873015872;
constexpr double kReleaseTarget = -0.5873015873015872;
// A voice of a zone without key tracking ignores the pitch bend.
const double kUnbent = 1.0;
} // namespace

KVoice::KVoice() : ring(new float[2 * kRingFrames]) { LockPages(ring, kRingBytes); }

KVoice::~KVoice() {
    UnlockPages(ring, kRingBytes);
    delete[] ring;
}

bool KVoice::Start(const double* bendFrom, KSampleZone* z, int rate, KEvent* event, int noteTranspose,
                   uint8_t velocity) {
    if (z == nullptr) return false;
    // Odd while the note is written: the acquiring increment keeps the
    // writes below from being seen before it.
    const uint32_t generation = startCount.fetch_add(1, std::memory_order_acquire) + 1;

    sampleRate = rate;
    zone.store(z, std::memory_order_relaxed);
    diskEvent = event;
    bendSource = z->keyTracking ? bendFrom : &kUnbent;
    bend = *bendSource;

    // A start beyond the end plays nothing; an end beyond the data is the
    // data's end.
    const int64_t start = std::max<int64_t>(z->startFrame, 0);
    const int64_t span = std::min<int64_t>(z->endFrame, z->frameCount) - start;
    endMarker = span < 0 ? -kHalfFrames : span < kHalfFrames ? static_cast<int32_t>(span - kHalfFrames) : kEndUnknown;
    preloadPos = 0.0;
    int64_t readFrom = start + kHalfFrames;
    if (z->PreloadWrapsLoop()) {
        // Matches the looping preload: the stream goes on inside the loop.
        readFrom = z->loopStart + (start + kHalfFrames - z->loopEnd) % (z->loopEnd - z->loopStart);
        endMarker = kEndUnknown;
    }
    released.store(0, std::memory_order_relaxed);
    heldByPedal = 0;
    refillRequested.store(0, std::memory_order_relaxed);
    transpose = noteTranspose;
    previousFrame[0] = z->preload[2 * (kHalfFrames - 1)];
    previousFrame[1] = z->preload[2 * (kHalfFrames - 1) + 1];

    const float semitones = static_cast<float>(z->coarseTune + (z->keyTracking ? noteTranspose : 0)) +
                            static_cast<float>(z->fineTune) * 0.01f;
    step = static_cast<double>(SemitoneRatioLookup(semitones)) * z->sampleRate / rate;
    ringPos = 0.0; // set where the advance enters the ring

    ampEnvelope = 0.0;
    filterEnvelope = 0.0;
    ampAttacking = 1;
    filterAttacking = 1;
    cutoffBase = static_cast<float>(z->rootKey + noteTranspose - 60) * z->keyToCutoff + z->cutoff +
                 static_cast<float>(velocity - 80) * z->velocityToCutoff;
    velocityGain = Pow10Lookup((z->volumeDb - (1.0f - velocity / 127.0f) * 24.0f) / 20.0f);
    filter.Reset();
    cutoffIndex_ = -1;

    startFileReadPos.store(readFrom, std::memory_order_relaxed);
    startEndMarker.store(endMarker, std::memory_order_relaxed);
    startCount.store(generation + 1, std::memory_order_release);
    active.store(1, std::memory_order_release);
    return true;
}

void KVoice::RequestRefill() {
    refillRequested.store(1, std::memory_order_release);
    diskEvent->Set();
}

void KVoice::NextFrame(float& left, float& right) {
    KSampleZone* z = zone.load(std::memory_order_relaxed);
    const double target = *bendSource;
    if (target > bend) bend = target - bend <= kBendStep ? target : bend + kBendStep;
    else if (target < bend) bend = bend - target <= kBendStep ? target : bend - kBendStep;
    const double advance = bend * step;

    const uint32_t note = startCount.load(std::memory_order_relaxed);
    const bool ringFilled = filledCount.load(std::memory_order_acquire) == note;
    if (ringFilled) endMarker = streamEndMarker.load(std::memory_order_relaxed);

    if (preloadPos < kHalfFrames) {
        FetchFrame(true, preloadPos, left, right);
        const bool firstFrame = preloadPos == 0.0;
        preloadPos += advance;
        if (firstFrame && (z->Loops() || endMarker == kEndUnknown)) RequestRefill();
        if (endMarker >= -kHalfFrames && endMarker + kHalfFrames <= preloadPos) active.store(0, std::memory_order_relaxed);
        // Enter the ring exactly where the advance reached.
        if (preloadPos >= kHalfFrames) ringPos = preloadPos - kHalfFrames;
        return;
    }

    // A ring not yet filled for this note holds nothing of it.
    if (ringFilled) FetchFrame(false, ringPos, left, right);
    else left = right = 0.0f;
    const double before = ringPos;
    preloadPos += advance;
    ringPos += advance;
    if (endMarker >= 0 && ringPos >= endMarker && (ringPos < kHalfFrames || endMarker >= kHalfFrames))
        active.store(0, std::memory_order_relaxed);
    if (ringPos >= kRingFrames) {
        ringPos -= kRingFrames;
        previousFrame[0] = ring[2 * (kRingFrames - 1)];
        previousFrame[1] = ring[2 * (kRingFrames - 1) + 1];
        RequestRefill();
    } else if (before < kHalfFrames && ringPos >= kHalfFrames) {
        middleFrame[0] = ring[2 * (kHalfFrames - 1)];
        middleFrame[1] = ring[2 * (kHalfFrames - 1) + 1];
        RequestRefill();
    }
}

void KVoice::Render(float& left, float& right) {
    float l, r;
    NextFrame(l, r);
    ApplyEnvelopes(l, r);
    left += l;
    right += r;
}

void KVoice::FetchFrame(bool fromPreload, double position, float& left, float& right) const {
    const KSampleZone* z = zone.load(std::memory_order_relaxed);
    const float* b = fromPreload ? z->preload : ring;
    const int64_t n = fromPreload ? kHalfFrames : kRingFrames;
    const int64_t i = static_cast<int64_t>(position);
    const double x = position - static_cast<double>(i);
    if (x <= 0.0) {
        left = b[2 * i];
        right = b[2 * i + 1];
        return;
    }
    // Before the first frame: the preload's own first frame, or in the ring
    // the frame that preceded it; after the middle, the first half's last
    // frame as it was before its refill.
    const float* y0 = i >= 1 ? (!fromPreload && i == kHalfFrames ? middleFrame : b + 2 * (i - 1))
                             : fromPreload ? b : previousFrame;
    const float* y1 = b + 2 * i;
    const float* y2 = i + 1 < n ? b + 2 * (i + 1) : y1;
    const float* y3 = i + 2 < n ? b + 2 * (i + 2) : y1;
    left = Interpolate4(x, y0[0], y1[0], y2[0], y3[0]);
    right = z->isMono ? left : Interpolate4(x, y0[1], y1[1], y2[1], y3[1]);
}

float Interpolate4(double x, float y0, float y1, float y2, float y3) {
    const float z = static_cast<float>(x - 0.5);
    const float even1 = y1 + y2, odd1 = y2 - y1;
    const float even2 = y0 + y3, odd2 = y3 - y0;
    const float c0 = static_cast<float>(even1 * 0.45868970870461956 + even2 * 0.04131401926395584);
    const float c1 = static_cast<float>(odd1 * 0.4806802476657843 + odd2 * 0.17577925564495955);
    const float c2 = static_cast<float>(even1 * -0.2461850070199071 + even2 * 0.24614027139700284);
    const float c3 = static_cast<float>(odd1 * -0.36030925263849456 + odd2 * 0.10174985775982505);
    return ((c3 * z + c2) * z + c1) * z + c0;
}

namespace {
// One exponential envelope step; true when a release has fallen to zero.
bool EnvelopeStep(double& e, uint8_t& attacking, bool isReleased, float attackCoef, float decayCoef,
                  float releaseCoef, float sustainLevel) {
    if (isReleased) {
        if (releaseCoef != 0.0f) e += releaseCoef * (-e + kReleaseTarget);
        else e = 0.0;
        return e <= 0.0;
    }
    if (attacking) {
        e += (kAttackTarget - e) * attackCoef;
        if (e > 1.0) {
            e = 1.0;
            attacking = 0;
        }
    } else {
        e += (sustainLevel - e) * decayCoef;
    }
    return false;
}
} // namespace

void KVoice::ApplyEnvelopes(float& left, float& right) {
    const KSampleZone* z = zone.load(std::memory_order_relaxed);
    const bool isReleased = released.load(std::memory_order_relaxed) != 0;
    // A released voice ends when its level reaches zero, also with a release
    // time of 0, where it would otherwise hold its voice silently forever.
    if (EnvelopeStep(ampEnvelope, ampAttacking, isReleased, z->ampAttackCoef, z->ampDecayCoef,
                     z->ampReleaseCoef, z->ampSustainLevel))
        active.store(0, std::memory_order_relaxed);
    const float g = static_cast<float>(velocityGain * ampEnvelope);
    left = g * z->panGainLeft * left;
    right = g * z->panGainRight * right;

    EnvelopeStep(filterEnvelope, filterAttacking, isReleased, z->filterAttackCoef, z->filterDecayCoef,
                 z->filterReleaseCoef, z->filterSustainLevel);
    const float c = static_cast<float>(cutoffBase * filterEnvelope);
    const int index = CutoffCurveIndex(c);
    if (index != cutoffIndex_ || z->resonance != cutoffQ_) {
        filter.SetCutoff(CutoffCurveHz(index), sampleRate, z->resonance);
        cutoffIndex_ = index;
        cutoffQ_ = z->resonance;
    }
    // One filter state serves both channels, left first.
    left = filter.Process(left);
    right = filter.Process(right);
}

void KVoice::Refill() {
    // Read the note as Start published it; a note being started, or started
    // again while we read, is left alone: its own first frame asks again.
    const uint32_t note = startCount.load(std::memory_order_acquire);
    if (note & 1u) return;
    KSampleZone* z = zone.load(std::memory_order_relaxed);
    const int64_t readFrom = startFileReadPos.load(std::memory_order_relaxed);
    const int32_t firstMarker = startEndMarker.load(std::memory_order_relaxed);
    const bool isReleased = released.load(std::memory_order_relaxed) != 0;
    // A releasing read-modify-write: the reads above complete before it.
    if (startCount.fetch_add(0, std::memory_order_release) != note || z == nullptr) return;

    const bool first = filledCount.load(std::memory_order_relaxed) != note;
    int32_t marker = first ? firstMarker : streamEndMarker.load(std::memory_order_relaxed);
    if (first) {
        fileReadPos = readFrom;
        writeOffset = 0;
    }
    const int64_t n = first ? kRingFrames : kHalfFrames;
    float* into = ring + 2 * writeOffset;
    std::memset(into, 0, sizeof(float) * 2 * static_cast<size_t>(n));

    if (marker < 0) {
        const bool loopsByMode = z->Loops() && (z->loopMode == 2 || !isReleased);
        if (loopsByMode && fileReadPos + n > z->loopEnd) {
            fileReadPos = z->ReadLooping(into, n, fileReadPos, z->loopStart, z->loopEnd);
        } else {
            const int64_t from = fileReadPos;
            z->Seek(from);
            fileReadPos += z->Read(into, n);
            // The end marker is the ring frame just past the zone's end (an end
            // already passed ends the voice at the start of this half).
            const int64_t end = std::min<int64_t>(z->endFrame, z->frameCount);
            if (!loopsByMode && fileReadPos >= end)
                marker = static_cast<int32_t>(writeOffset + std::max<int64_t>(0, end - from));
        }
        if (z->isMono) MonoToStereo(n, into);
        if (!first) writeOffset ^= kHalfFrames;
    }

    // Started again while we read: what we wrote belongs to no note.
    if (startCount.load(std::memory_order_acquire) != note) return;
    streamEndMarker.store(marker, std::memory_order_relaxed);
    filledCount.store(note, std::memory_order_release);
}
