// One sounding voice: plays a zone at one pitch, first from the zone's
// preload, then from a 65536-frame ring that the disk thread refills half by
// half, with 4-point interpolation, bend glide, amplitude and filter
// envelopes and the resonant low-pass.
//
// Threads: Start, the render and the envelopes run on the audio thread;
// Refill on the disk thread. They meet only through the atomics below.
// Start publishes a new note under `startCount` (odd while it writes). The
// stream after the preload comes in passes of half a ring: pass p lies in
// ring half p & 1. The voice asks for passes up to `wantedPass` and reads a
// half only once the disk thread has published that it holds the pass the
// voice is in, of the voice's current note (`halfFilled`); so no frame is
// read while it is written, and nothing of another pass or note is played.
#pragma once

#include "LowPass.h"
#include "Platform.h"
#include "SampleZone.h"
#include "StreamWait.h"

#include <atomic>
#include <cstdint>

class KVoice {
public:
    static constexpr int kRingFrames = 65536;
    static constexpr int kHalfFrames = 32768;
    // endMarker: not known yet; -32768..-1: the end lies in the preload at
    // endMarker + 32768; 0 and above: ring frame at which the data ends.
    static constexpr int32_t kEndUnknown = -32769;
    // The most a frame advances, bent or not: half a ring. The render's seams
    // (the end of the preload, the middle and the end of the ring) then come
    // one at a time, and a frame enters at most one new ring pass.
    static constexpr double kMaxAdvance = kHalfFrames;
    // The largest step: the bend's top ratio (2, an octave) keeps the
    // advance within kMaxAdvance. Steps this large come only from absurd
    // rates (a zone at 768 kHz played at a host rate of a few Hz); they play
    // nothing recognisable, but stay inside the preload and the ring.
    static constexpr double kMaxStep = kMaxAdvance / 2;

    KVoice();
    ~KVoice();
    KVoice(const KVoice&) = delete;
    KVoice& operator=(const KVoice&) = delete;

    // Frames of the zone advanced per output frame, before the bend: the
    // zone's tuning, the note's transpose where the zone tracks keys, and its
    // file's rate against the host's (a rate below 1 counts as 1), held to
    // kMaxStep. Any thread.
    static double StepFor(const KSampleZone& zone, int transpose, int sampleRate);

    // Audio thread. False for a null zone.
    bool Start(const double* bendSource, KSampleZone* zone, int sampleRate, KEvent* diskEvent,
               int transpose, uint8_t velocity);
    // While no block renders: the voice's rate, a sounding voice keeping its
    // pitch.
    void Retune(int sampleRate);

    // Audio thread: a block's working copy of the voice (see VoiceFrame.h),
    // which the renderer (VoiceLanes.h) steps. Load takes it, with what the
    // disk has published; Store puts it back.
    struct Frame;
    void Load(Frame& frame, KStreamWait* wait) const;
    void Store(const Frame& frame);
    // Which of the halves the frame reads now and next are ready; takes the
    // disk's end marker with a newly ready half. With a wait (offline
    // renders), waits for the halves its next frame needs.
    void CheckHalves(Frame& frame, KStreamWait* wait) const;
    // Asks for passes up to `last`.
    void RequestRefill(uint32_t last);

    // Starts bringing the frames the voice reads next into the cache.
    void PrefetchAhead() const;

    // Disk thread: fills every pass asked for and not yet filled, in order
    // (the first refill of a note: passes 0 and 1, the whole ring).
    void Refill();

    // Either thread: ring half `pass & 1` holds that pass of this note.
    bool HalfHolds(uint32_t note, uint32_t pass) const {
        return halfFilled[pass & 1].load(std::memory_order_acquire) == HalfToken(note, pass);
    }
    static uint64_t HalfToken(uint32_t note, uint32_t pass) { return static_cast<uint64_t>(note) << 32 | pass; }
    // The audio thread reads the tokens in every block: a lock would make it
    // wait for the disk thread (the 32-bit build does it in one SSE2 move).
    static_assert(std::atomic<uint64_t>::is_always_lock_free, "the ring tokens need lock-free 64-bit atomics");
    static_assert(alignof(std::atomic<uint64_t>) == 8, "the ring tokens need 8-byte alignment");

    std::atomic<uint8_t> active{0};
    std::atomic<uint8_t> released{0};
    uint8_t heldByPedal = 0;
    std::atomic<KSampleZone*> zone{nullptr};
    // The zone's preload as the note started; kept to its end, also when the
    // zone gets a new one meanwhile.
    std::atomic<const float*> preload{nullptr};
    int32_t key = 0; // the key that started the note
    float* ring;                  // kRingFrames interleaved stereo frames, locked
    std::atomic<uint8_t> refillRequested{0};
    double ringPos = 0.0;
    double preloadPos = 0.0;      // frames advanced since the start
    int32_t endMarker = kEndUnknown;
    int32_t transpose = 0;
    uint32_t startTime = 0;
    KLowPass filter;
    int32_t sampleRate = 44100;
    KEvent* diskEvent = nullptr;
    double step = 1.0;            // frames per output frame without bend
    const double* bendSource = nullptr;
    double bend = 1.0;
    double ampEnvelope = 0.0;
    uint8_t ampAttacking = 0;
    float velocityGain = 0.0f;
    double filterEnvelope = 0.0;
    uint8_t filterAttacking = 0;
    float cutoffBase = 0.0f;
    float previousFrame[2] = {0.0f, 0.0f}; // precedes ring index 0
    // Precedes ring index 32768: the first half is refilled as soon as the
    // voice crosses the middle, while the interpolator still needs its end.
    float middleFrame[2] = {0.0f, 0.0f};

    // The note's generation: odd while Start writes it.
    std::atomic<uint32_t> startCount{0};
    // Published by Start for the note's first refill.
    std::atomic<int64_t> startFileReadPos{0};
    std::atomic<int32_t> startEndMarker{kEndUnknown};
    // Published by the audio thread: the last pass the voice needs.
    std::atomic<uint32_t> wantedPass{0};
    // Published by the disk thread: the note and pass each ring half holds
    // (HalfToken), and the end marker it found, stored before the token.
    std::atomic<uint64_t> halfFilled[2] = {{~uint64_t{0}}, {~uint64_t{0}}};
    std::atomic<int32_t> streamEndMarker{kEndUnknown};
    uint32_t pass = 0; // the pass the voice reads (0 while in the preload)

    // Disk thread only.
    int64_t fileReadPos = 0;     // next file frame to be read into the ring
    uint32_t diskNote = 1;       // the note the disk's stream belongs to (never a real one: odd)
    uint32_t nextPass = 0;       // the pass it fills next
    int32_t diskEndMarker = kEndUnknown;

private:
    // Disk thread: writes pass `nextPass` into its half.
    void FillHalf(KSampleZone& zone, bool isReleased);

    // Coefficients in use: the cutoff takes only 1003 distinct frequencies,
    // so SetCutoff runs only when the curve entry, the resonance or the
    // sample rate changes.
    int cutoffIndex_ = -1;
    float cutoffQ_ = 0.0f;
    int cutoffRate_ = 0;
};

// The optimal 4-point, third-order interpolator for 2x-oversampled signals
// (z-form), every intermediate rounded to float.
inline float Interpolate4(double x, float y0, float y1, float y2, float y3) {
    const float z = static_cast<float>(x - 0.5);
    const float even1 = y1 + y2, odd1 = y2 - y1;
    const float even2 = y0 + y3, odd2 = y3 - y0;
    const float c0 = even1 * 0.45868970870461956f + even2 * 0.04131401926395584f;
    const float c1 = odd1 * 0.4806802476657843f + odd2 * 0.17577925564495955f;
    const float c2 = even1 * -0.2461850070199071f + even2 * 0.24614027139700284f;
    const float c3 = odd1 * -0.36030925263849456f + odd2 * 0.10174985775982505f;
    return ((c3 * z + c2) * z + c1) * z + c0;
}
