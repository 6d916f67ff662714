// Four voices rendered side by side, one in each SSE lane: the fetch, the
// interpolation, the envelopes, the gains and the filter of a frame run for
// the four at once, every lane in exactly the operations of the
// frame-by-frame render, so each voice comes out the same to the bit. The
// rare frames where something happens to a voice (its first frame, the
// seams of the preload and the ring, the end of an attack, its end) take
// the frame-by-frame steps themselves.
#pragma once

#include "LowPassTable.h"
#include "Voice.h"

class KVoiceLanes {
public:
    static constexpr int kLanes = 4;

    // Audio thread. Renders `frames` frames of up to four active voices
    // (null for an empty lane) into lane-interleaved arrays: frame f of the
    // voice in lane i, filtered, goes to left[kLanes * f + i] and
    // right[kLanes * f + i]. counts[i] receives the frames the voice
    // sounded: all of them, or up to and including the one it ended with.
    // The filter coefficients come from the table when one is given.
    static void Render(KVoice* const voices[kLanes], KLowPassTable* table, float* left, float* right, int frames,
                       int counts[kLanes]);
    // Adds one channel of rendered lanes into out, frame by frame in lane
    // order, each lane for the frames it sounded.
    static void Mix(const float* lanes, const int counts[kLanes], float* out, int frames);
};
