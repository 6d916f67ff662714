// A voice driven outside the engine's blocks, for tests that follow it: one
// raw frame at a time (the steps the renderer takes at a seam), its
// envelopes and filter on such a frame, a fetch at any position, and a block
// of the voice alone through the renderer's lanes.
#pragma once

#include "Voice.h"
#include "VoiceFrame.h"
#include "VoiceLanes.h"

#include <algorithm>

// One frame as fetched from preload or ring (before envelopes and filter),
// with the advance, the end tests and the refill requests of that frame.
inline void NextFrame(KVoice& v, float& left, float& right) {
    KVoice::Frame k;
    v.Load(k, nullptr);
    const bool alive = VoiceFrame::Advance(k, left, right);
    v.Store(k);
    if (k.wantsRefill) v.RequestRefill(k.pass + 1);
    if (!alive) v.active.store(0, std::memory_order_relaxed);
}

// The envelopes, gains and filter of a frame NextFrame gave.
inline void ApplyEnvelopes(KVoice& v, float& left, float& right) {
    KVoice::Frame k;
    v.Load(k, nullptr);
    int index;
    const bool alive = VoiceFrame::Envelopes(k, left, right, index);
    VoiceFrame::Filter(k, index, left, right, nullptr);
    v.Store(k);
    if (!alive) v.active.store(0, std::memory_order_relaxed);
}

inline void FetchFrame(const KVoice& v, bool fromPreload, double position, float& left, float& right) {
    KVoice::Frame k;
    v.Load(k, nullptr);
    VoiceFrame::Fetch(k, fromPreload, position, left, right);
}

// Adds up to `frames` output frames of the voice alone, rendered in its
// lane as the engine renders it; stops after the frame in which the voice
// ends. Returns the frames rendered.
inline int RenderVoice(KVoice& v, float* left, float* right, int frames) {
    constexpr int kMaxLanes = KVoiceLanes::kMaxLanes;
    constexpr int kPiece = 64;
    const int width = KVoiceLanes::Width();
    alignas(32) float l[kMaxLanes * kPiece], r[kMaxLanes * kPiece];
    KVoice* const lanes[kMaxLanes] = {&v};
    int done = 0;
    while (done < frames) {
        const int n = std::min(kPiece, frames - done);
        int counts[kMaxLanes];
        KVoiceLanes::Render(lanes, nullptr, nullptr, l, r, n, counts);
        for (int f = 0; f < counts[0]; ++f) {
            left[done + f] += l[width * f];
            right[done + f] += r[width * f];
        }
        done += counts[0];
        if (counts[0] < n) break;
    }
    return done;
}
