// What the voice lanes hand to the kernels that run them side by side: the
// state of a group of N lanes, lane i at index i of every array, and the
// kernels of each instruction set (SSE2 with four lanes, AVX with eight).
#pragma once

#include "LowPassTable.h"

#include <cstdint>

template <int N>
struct alignas(32) KLaneState {
    double position[N];   // where the frame is read: the preload or ring position
    double preloadPos[N]; // frames advanced since the start
    double advance[N];    // bend x step, while the bend holds
    double step[N];
    double bend[N];
    double bendTarget[N];
    // A position the advance must stay below for the next frame to need
    // nothing but fetching, interpolating and moving on.
    double limit[N];
    // Each envelope moves by e += (target - e) x coef; a release with no
    // release time sets it to 0; leaving the range (low, high] ends an
    // attack or a voice.
    double amp[N], ampTarget[N], ampCoef[N], ampHigh[N], ampLow[N];
    double filt[N], filtTarget[N], filtCoef[N], filtHigh[N];
    uint64_t ampZero[N], filtZero[N];
    double velocityGain[N], cutoffBase[N];
    float panLeft[N], panRight[N];
    uint32_t mono[N];   // all ones: the right channel is the left one
    float b0[N], b1[N], b2[N], a1[N], a2[N];
    float x1[N], x2[N], y1[N], y2[N];
    int32_t cutoff[N]; // curve entry of the coefficients in use, -1 for none
    float resonance[N];
    int32_t rate[N];
    const float* base[N];
    bool preload[N];
    bool anyMono;
};

// New coefficients for the lanes whose wanted curve entry is not the one in
// use (rare: they need a sine and a cosine, unless the table has them).
template <int N>
void RetuneLanes(KLaneState<N>& s, const int32_t* wanted, KLowPassTable* table);

// The kernels: render frames from f on, up to `frames`, while no voice
// meets a seam, into lane-interleaved arrays; return the frame they stopped
// before. Glide: some bend moves. EnvelopeEnds: some attack or release may
// end.
int RunLanesSse(KLaneState<4>& s, bool glide, bool envelopeEnds, KLowPassTable* table, float* left, float* right,
                int f, int frames);
int RunLanesAvx(KLaneState<8>& s, bool glide, bool envelopeEnds, KLowPassTable* table, float* left, float* right,
                int f, int frames);

// Adds the first `used` lanes of lane-interleaved frames into out, frame by
// frame in lane order, for every frame.
void MixLanesSse(const float* lanes, int used, float* out, int frames);
void MixLanesAvx(const float* lanes, int used, float* out, int frames);
