// Voices rendered side by side, one in each SIMD lane: four with SSE2, or
// eight with AVX where the processor has it. The fetch, the interpolation,
// the envelopes, the gains and the filter of a frame run for all lanes at
// once, every lane in exactly the operations of the frame-by-frame render,
// so each voice comes out the same to the bit. The rare frames where
// something happens to a voice (its first frame, the seams of the preload
// and the ring, the end of an attack, its end) take the frame-by-frame
// steps themselves.
#pragma once

#include "LowPassTable.h"
#include "Voice.h"

class KVoiceLanes {
public:
    static constexpr int kMaxLanes = 8;

    // The lanes a group has: 8 where AVX runs, else 4.
    static int Width();
    // Tests: renders with 4 lanes, or with 8 where AVX runs; returns the
    // width in use.
    static int UseWidth(int lanes);

    // Audio thread. Renders `frames` frames of a group of Width() active
    // voices (null for an empty lane) into lane-interleaved arrays: frame f
    // of the voice in lane i, filtered, goes to left[Width() * f + i] and
    // right[Width() * f + i]. counts[i] receives the frames the voice
    // sounded: all of them, or up to and including the one it ended with. A
    // voice whose output stops being finite ends before that frame: counts
    // leaves it and every frame after it out.
    // The filter coefficients come from the table when one is given. With a
    // wait, voices wait for the disk in offline renders (see KStreamWait).
    static void Render(KVoice* const voices[], KLowPassTable* table, KStreamWait* wait, float* left, float* right,
                       int frames, int counts[]);
    // Adds one channel of a rendered group into out, frame by frame in lane
    // order, each lane for the frames it sounded.
    static void Mix(const float* lanes, const int counts[], float* out, int frames);

private:
    template <int N>
    static void RenderGroup(KVoice* const voices[], KLowPassTable* table, KStreamWait* wait, float* left,
                            float* right, int frames, int counts[]);
};
