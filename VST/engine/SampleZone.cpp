#include "SampleZone.h"

#include "Platform.h"
#include "StructureGate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {
constexpr size_t kPreloadBytes = sizeof(float) * 2 * KSampleZone::kPreloadFrames;

// 1 - e^(-1 / frames): the per-frame step of an exponential segment that
// lasts t milliseconds.
float SegmentCoefficient(float milliseconds, int rate, float whenZero) {
    if (milliseconds <= 0.0f) return whenZero;
    return static_cast<float>(1.0 - std::exp(-1.0 / (static_cast<double>(rate) * milliseconds / 1000.0)));
}
} // namespace

KSampleZone::KSampleZone(const wchar_t* zonePath, KReadBuffer* buffer, KSharedStream* stream,
                         int64_t offset)
    : KWaveFile(buffer) {
    if (!Open(stream, zonePath, offset)) return;
    isMono = channels != 2;
    endFrame = frameCount - 1;
    loopEnd = frameCount - 1;
    preload = AllocatePreload();
    overview = new (std::nothrow) float[2 * kOverviewColumns]();
    if (preload == nullptr || overview == nullptr) {
        FreePreload(preload);
        delete[] overview;
        preload = overview = nullptr;
        Close();
        return;
    }
    FillPreload();
}

KSampleZone::~KSampleZone() {
    FreePreload(preload);
    delete[] overview;
    Close();
}

float* KSampleZone::AllocatePreload() {
    float* buffer = new (std::nothrow) float[2 * kPreloadFrames]();
    if (buffer != nullptr) LockPages(buffer, kPreloadBytes);
    return buffer;
}

void KSampleZone::FreePreload(float* buffer) {
    if (buffer == nullptr) return;
    UnlockPages(buffer, kPreloadBytes);
    delete[] buffer;
}

float* KSampleZone::ReplacePreload() {
    if (!isOpen) return nullptr;
    float* fresh = AllocatePreload();
    if (fresh == nullptr) return nullptr;
    FillPreloadInto(fresh);
    float* replaced = preload;
    PublishShared(preload, fresh);
    return replaced;
}

bool KSampleZone::LoopIsPlayable() const {
    return loopStart >= 0 && loopStart < loopEnd && loopEnd <= frameCount;
}

bool KSampleZone::PreloadWrapsLoop() const {
    const int64_t start = std::max<int64_t>(startFrame, 0);
    return Loops() && start < loopEnd && start + kPreloadFrames > loopEnd;
}

void KSampleZone::FillPreload() {
    if (!isOpen) return;
    FillPreloadInto(preload);
}

void KSampleZone::FillPreloadInto(float* buffer) {
    std::memset(buffer, 0, kPreloadBytes);
    const int64_t start = std::max<int64_t>(startFrame, 0);
    // The preload holds the sound as it plays: through the loop when the loop
    // ends inside it.
    if (PreloadWrapsLoop()) {
        ReadLooping(buffer, kPreloadFrames, start, loopStart, loopEnd);
    } else {
        Seek(start);
        Read(buffer, kPreloadFrames);
    }
    if (isMono) MonoToStereo(kPreloadFrames, buffer);
}

void KSampleZone::BuildOverview() {
    if (!isOpen) return;
    const int64_t columnFrames = frameCount / kOverviewColumns;
    const int64_t remainder = frameCount % kOverviewColumns;
    // Columns of long files are read in pieces through a fixed work buffer.
    constexpr int64_t kPiece = 16384;
    std::unique_ptr<float[]> work(new (std::nothrow) float[kPiece * 2]);
    if (!work) return;

    auto scan = [&](int64_t frames, float& high, float& low) {
        while (frames > 0) {
            const int64_t n = std::min(frames, kPiece);
            Read(work.get(), n);
            for (int64_t i = 0; i < n; ++i) {
                const float v = isMono ? work[i] : (work[2 * i] + work[2 * i + 1]) * 0.5f;
                high = std::max(high, v);
                low = std::min(low, v);
            }
            frames -= n;
        }
    };

    Seek(0);
    for (int c = 0; c < kOverviewColumns; ++c) {
        float high = -1.0f, low = 1.0f;
        scan(columnFrames, high, low);
        overview[2 * c] = high;
        overview[2 * c + 1] = low;
    }
    float high = 0.0f, low = 1.0f;
    scan(remainder, high, low);
    float* last = overview + 2 * (kOverviewColumns - 1);
    last[0] = std::max(last[0], high);
    last[1] = std::min(last[1], low);
}

void KSampleZone::UpdateCoefficients(int rate, uint32_t which) {
    if (which & kAmpAttackCoef) ampAttackCoef = SegmentCoefficient(ampAttack, rate, 1.0f);
    if (which & kAmpDecayCoef) ampDecayCoef = SegmentCoefficient(ampDecay, rate, 0.0f);
    if (which & kAmpReleaseCoef) ampReleaseCoef = SegmentCoefficient(ampRelease, rate, 0.0f);
    if (which & kAmpSustainLevel) ampSustainLevel = static_cast<float>(std::pow(10.0, ampSustain / 20.0));
    if (which & kFilterAttackCoef) filterAttackCoef = SegmentCoefficient(filterAttack, rate, 1.0f);
    if (which & kFilterDecayCoef) filterDecayCoef = SegmentCoefficient(filterDecay, rate, 0.0f);
    if (which & kFilterReleaseCoef) filterReleaseCoef = SegmentCoefficient(filterRelease, rate, 0.0f);
    if (which & kFilterSustainLevel) filterSustainLevel = filterSustain / 100.0f;
    if (!(which & kPanGains)) return;
    if (pan <= 50.0f) {
        panGainLeft = 1.0f;
        panGainRight = pan / 50.0f;
    } else {
        panGainLeft = (100.0f - pan) / 50.0f;
        panGainRight = 1.0f;
    }
}

void MonoToStereo(int64_t frames, float* buffer) {
    for (int64_t i = frames - 1; i >= 1; --i) {
        buffer[2 * i] = buffer[i];
        buffer[2 * i + 1] = buffer[i];
    }
    if (frames > 0) buffer[1] = buffer[0];
}
