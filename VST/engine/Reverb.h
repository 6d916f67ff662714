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

// An instrument's reverb size or damp held to 0..1, the range of the
// editor's knobs and of the parameters: a size above 1 feeds the combs back
// by more than 1, and their sound grows for ever. NaN gives 0.
inline float ReverbSettingInRange(float value) { return value > 1.0f ? 1.0f : value >= 0.0f ? value : 0.0f; }

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
    // The wet signal only; the caller mixes it with its dry frame. A reverb
    // whose sound is no longer finite (its lines overflowed, or were
    // poisoned) is cleared, frozen or not, and gives silence for that frame:
    // it sounds again with the next input.
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
    // Every line and filter store to zero.
    void Clear();
    // Every line's index `frames` back (at most the shortest line's length).
    void Rewind(int frames);
    // A chunk whose sound was not finite at some frame, done again from
    // there as frame by frame does it.
    void Recover(const float* inLeft, const float* inRight, float* wetLeft, float* wetRight, int frames);
};
