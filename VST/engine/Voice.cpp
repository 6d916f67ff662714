#include "Voice.h"

#include "StructureGate.h"
#include "Tables.h"
#include "VoiceFrame.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <xmmintrin.h>

namespace {
constexpr size_t kRingBytes = sizeof(float) * 2 * KVoice::kRingFrames;
// A voice of a zone without key tracking ignores the pitch bend.
const double kUnbent = 1.0;
} // namespace

KVoice::KVoice() : ring(new float[2 * kRingFrames]) { LockPages(ring, kRingBytes); }

KVoice::~KVoice() {
    UnlockPages(ring, kRingBytes);
    delete[] ring;
}

double KVoice::StepFor(const KSampleZone& z, int noteTranspose, int rate) {
    const float semitones = static_cast<float>(z.coarseTune + (z.keyTracking ? noteTranspose : 0)) +
                            static_cast<float>(z.fineTune) * 0.01f;
    const double step = static_cast<double>(SemitoneRatioLookup(semitones)) * z.sampleRate / std::max(rate, 1);
    return std::min(step, kMaxStep);
}

bool KVoice::Start(const double* bendFrom, KSampleZone* z, int rate, KEvent* event, int noteTranspose,
                   uint8_t velocity) {
    if (z == nullptr) return false;
    // Odd while the note is written: the acquiring increment keeps the
    // writes below from being seen before it.
    const uint32_t generation = startCount.fetch_add(1, std::memory_order_acquire) + 1;

    sampleRate = rate;
    zone.store(z, std::memory_order_relaxed);
    const float* sound = LoadShared(z->preload);
    preload.store(sound, std::memory_order_relaxed);
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
    pass = 0;
    wantedPass.store(1, std::memory_order_relaxed);
    transpose = noteTranspose;
    previousFrame[0] = sound[2 * (kHalfFrames - 1)];
    previousFrame[1] = sound[2 * (kHalfFrames - 1) + 1];

    step = StepFor(*z, noteTranspose, rate);
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

void KVoice::Retune(int rate) {
    const KSampleZone* z = zone.load(std::memory_order_relaxed);
    if (active.load(std::memory_order_relaxed) && z != nullptr) step = StepFor(*z, transpose, rate);
    sampleRate = rate;
}

void KVoice::RequestRefill(uint32_t last) {
    // Released after the last read of the half the voice has left.
    wantedPass.store(last, std::memory_order_release);
    refillRequested.store(1, std::memory_order_release);
    diskEvent->Raise();
}

namespace {
// The interpolation of the frame at this position reaches past the end of
// the preload or of the ring half it lies in, into a part that follows.
bool NearPartEnd(const KVoice::Frame& k) {
    const bool inPreload = k.preloadPos < KVoice::kHalfFrames;
    const double position = inPreload ? k.preloadPos : k.ringPos;
    return position >= VoiceFrame::PartEnd(inPreload, position) - 2 &&
           (!inPreload || VoiceFrame::StreamsAfterPreload(k));
}
} // namespace

void KVoice::CheckHalves(Frame& k, KStreamWait* wait) const {
    const uint32_t note = startCount.load(std::memory_order_relaxed);
    const bool inPreload = k.preloadPos < kHalfFrames;
    const auto ready = [&](uint32_t p, bool waitForIt) {
        if (HalfHolds(note, p)) return true;
        return waitForIt && wait != nullptr && wait->Until([&] { return HalfHolds(note, p); });
    };
    bool arrived = false;
    if (inPreload) {
        k.readyNow = true;
    } else if (!k.readyNow) {
        k.readyNow = arrived = ready(k.pass, true);
    }
    if (!k.readyNext) {
        k.readyNext = ready(inPreload ? 0 : k.pass + 1, NearPartEnd(k));
        arrived = arrived || k.readyNext;
    }
    // Published before the half's token.
    if (arrived) k.endMarker = streamEndMarker.load(std::memory_order_relaxed);
}

void KVoice::Load(Frame& k, KStreamWait* wait) const {
    const KSampleZone& z = *zone.load(std::memory_order_relaxed);
    k.preload = preload.load(std::memory_order_relaxed);
    const bool isReleased = released.load(std::memory_order_relaxed) != 0;
    k.preloadPos = preloadPos;
    k.ringPos = ringPos;
    k.bend = bend;
    k.amp = ampEnvelope;
    k.filt = filterEnvelope;
    k.endMarker = endMarker;
    k.ampAttacking = ampAttacking;
    k.filtAttacking = filterAttacking;
    k.lp = filter;
    k.cutoffIndex = cutoffIndex_;
    k.cutoffQ = cutoffQ_;
    k.cutoffRate = cutoffRate_;
    k.previous[0] = previousFrame[0];
    k.previous[1] = previousFrame[1];
    k.middle[0] = middleFrame[0];
    k.middle[1] = middleFrame[1];
    k.pass = pass;
    k.readyNow = k.readyNext = false;
    k.bendSource = bendSource;
    k.step = step;
    k.ring = ring;
    k.mono = z.isMono != 0;
    k.loops = z.Loops();
    k.released = isReleased;
    k.ampAttack = z.ampAttackCoef;
    k.ampDecay = z.ampDecayCoef;
    k.ampRelease = z.ampReleaseCoef;
    k.ampSustain = z.ampSustainLevel;
    k.filtAttack = z.filterAttackCoef;
    k.filtDecay = z.filterDecayCoef;
    k.filtRelease = z.filterReleaseCoef;
    k.filtSustain = z.filterSustainLevel;
    k.panLeft = z.panGainLeft;
    k.panRight = z.panGainRight;
    k.resonance = z.resonance;
    k.velocityGain = velocityGain;
    k.cutoffBase = cutoffBase;
    k.sampleRate = sampleRate;
    k.wantsRefill = false;
    CheckHalves(k, wait);
}

void KVoice::Store(const Frame& k) {
    preloadPos = k.preloadPos;
    ringPos = k.ringPos;
    bend = k.bend;
    ampEnvelope = k.amp;
    filterEnvelope = k.filt;
    endMarker = k.endMarker;
    ampAttacking = k.ampAttacking;
    filterAttacking = k.filtAttacking;
    filter = k.lp;
    cutoffIndex_ = k.cutoffIndex;
    cutoffQ_ = k.cutoffQ;
    cutoffRate_ = k.cutoffRate;
    previousFrame[0] = k.previous[0];
    previousFrame[1] = k.previous[1];
    middleFrame[0] = k.middle[0];
    middleFrame[1] = k.middle[1];
    pass = k.pass;
}

void KVoice::PrefetchAhead() const {
    const float* sound = preload.load(std::memory_order_relaxed);
    if (sound == nullptr) return;
    const bool fromPreload = preloadPos < kHalfFrames;
    const double position = fromPreload ? preloadPos : ringPos;
    const int frames = fromPreload ? kHalfFrames : kRingFrames;
    if (!(position >= 0.0 && position < frames)) return;
    const float* at = (fromPreload ? sound : ring) + 2 * static_cast<int32_t>(position);
    const float* end = (fromPreload ? sound : ring) + 2 * frames;
    for (int line = 0; line < 8 && at + 16 * line < end; ++line)
        _mm_prefetch(reinterpret_cast<const char*>(at + 16 * line), _MM_HINT_T0);
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
    // Acquired: the halves asked for are no longer read.
    const uint32_t wanted = wantedPass.load(std::memory_order_acquire);
    // A releasing read-modify-write: the reads above complete before it.
    if (startCount.fetch_add(0, std::memory_order_release) != note || z == nullptr) return;

    if (diskNote != note) {
        diskNote = note;
        fileReadPos = readFrom;
        nextPass = 0;
        diskEndMarker = firstMarker;
    }
    // Passes in order, also those the voice has already gone past (a disk
    // slower than the render): the file is read in sequence.
    while (static_cast<int32_t>(wanted - nextPass) >= 0) {
        FillHalf(*z, isReleased);
        // Started again while we read: what we wrote belongs to no note.
        if (startCount.load(std::memory_order_acquire) != note) return;
        streamEndMarker.store(diskEndMarker, std::memory_order_relaxed);
        halfFilled[nextPass & 1].store(HalfToken(note, nextPass), std::memory_order_release);
        ++nextPass;
    }
}

void KVoice::FillHalf(KSampleZone& z, bool isReleased) {
    const int64_t n = kHalfFrames;
    const int64_t writeOffset = (nextPass & 1) * kHalfFrames;
    float* into = ring + 2 * writeOffset;
    int32_t& marker = diskEndMarker;
    // A read writes every frame (zeros past the data's end): the zeroing is
    // for a half the read leaves alone.
    if (marker >= 0 || !z.isOpen) std::memset(into, 0, sizeof(float) * 2 * static_cast<size_t>(n));
    if (marker >= 0) return;

    const bool loopsByMode = z.Loops() && (z.loopMode == kLoop || !isReleased);
    if (loopsByMode && fileReadPos + n > z.loopEnd) {
        fileReadPos = z.ReadLooping(into, n, fileReadPos, z.loopStart, z.loopEnd);
    } else {
        const int64_t from = fileReadPos;
        fileReadPos += z.ReadAt(into, from, n);
        // The end marker is the ring frame just past the zone's end (an end
        // already passed ends the voice at the start of this half).
        const int64_t end = std::min<int64_t>(z.endFrame, z.frameCount);
        if (!loopsByMode && fileReadPos >= end)
            marker = static_cast<int32_t>(writeOffset + std::max<int64_t>(0, end - from));
    }
    if (z.isMono) MonoToStereo(n, into);
}
