// The instrument's stereo reverb: eight parallel damped combs per side into
// four series all-passes, the right side's delays 23 samples longer than the
// left's for stereo spread. Every delay line lives inside the record, so an
// instrument owns its reverb with no allocation and nothing to free.
#pragma once

constexpr int kReverbCombs = 8;
constexpr int kReverbAllPasses = 4;
inline constexpr int kReverbCombLengths[kReverbCombs] = {1116, 1188, 1277, 1356,
                                                          1422, 1491, 1557, 1617};
inline constexpr int kReverbAllPassLengths[kReverbAllPasses] = {556, 441, 341, 225};
constexpr int kReverbStereoSpread = 23;

// Floats of all the delay lines, both sides.
constexpr int ReverbStorage() {
    int total = 0;
    for (int length : kReverbCombLengths) total += 2 * length + kReverbStereoSpread;
    for (int length : kReverbAllPassLengths) total += 2 * length + kReverbStereoSpread;
    return total;
}

struct KReverbComb {
    float feedback = 0.0f;
    float filterStore = 0.0f;
    float damp1 = 0.0f;
    float damp2 = 0.0f;
    // Where its samples start in the reverb's buffer storage: an offset
    // rather than a pointer, so the reverb stays safe to copy.
    int buffer = 0;
    int length = 0;
    int index = 0;
};

struct KReverbAllPass {
    float feedback = 0.5f;
    int buffer = 0;
    int length = 0;
    int index = 0;
};

class KReverb {
public:
    KReverb();

    // Derives the gains in use from the settings; call after changing any.
    void Update();
    // Clears the delay lines, unless frozen: a frozen reverb holds its sound.
    void Mute();
    // The wet signal only; the caller mixes it with its dry frame.
    void Process(float inLeft, float inRight, float& wetLeft, float& wetRight);
    // The same for `frames` frames at once, exactly as frame by frame.
    void ProcessBlock(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames);

    bool Frozen() const { return mode >= 0.5f; }

    float gain = 0.0f;
    float roomSize = 0.0f;
    float roomSize1 = 0.0f;
    float damp = 0.0f;
    float damp1 = 0.0f;
    float wet = 0.0f;
    float wet1 = 0.0f;
    float wet2 = 0.0f;
    float dry = 0.0f;
    float width = 0.0f;
    float mode = 0.0f;
    KReverbComb combLeft[kReverbCombs];
    KReverbComb combRight[kReverbCombs];
    KReverbAllPass allPassLeft[kReverbAllPasses];
    KReverbAllPass allPassRight[kReverbAllPasses];
    float buffers[ReverbStorage()];

private:
    // A block goes through in chunks no longer than the shortest delay line:
    // within a chunk every line reads only samples written before it.
    static constexpr int kChunk = 128;
    void ProcessChunk(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames);
};
