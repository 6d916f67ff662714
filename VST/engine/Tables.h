// Process-wide lookup tables: gain from a decibel exponent, pitch ratio from
// semitones and cutoff frequency from a 0..100 position. Voices start far too
// often to call pow each time; every engine builds the tables once on
// construction, and a build never rewrites them under a rendering engine.
#pragma once

constexpr int kDecibelEntries = 331;   // exponent -2.70 .. +0.60 in steps of 0.01
constexpr int kSemitoneEntries = 1461; // -73.0 .. +73.0 semitones in steps of 0.1
constexpr int kCutoffEntries = 1001;   // position 0.0 .. 100.0 in steps of 0.1

// Cutoff indices past the curve: above position 100 and below position 0.
constexpr int kCutoffAbove = 1001;
constexpr int kCutoffBelow = 1002;

// Idempotent and safe from several threads at once.
void BuildLookupTables();

// 10 ^ x, with x quantised toward zero to 0.01 and held to -2.7 .. 0.6.
float Pow10Lookup(float x);
// 2 ^ (x / 12), with x quantised toward zero to 0.1 semitone and held to +-73.
float SemitoneRatioLookup(float x);

// The voice memoises its filter coefficients by this index, so the whole
// curve has exactly kCutoffBelow + 1 distinct frequencies.
inline int CutoffCurveIndex(float position) {
    if (position > 100.0f) return kCutoffAbove;
    if (position < 0.0f) return kCutoffBelow;
    if (position != position) return 0; // NaN
    return static_cast<int>(10.0f * position);
}
float CutoffCurveHz(int index);
inline float CutoffCurveLookup(float position) { return CutoffCurveHz(CutoffCurveIndex(position)); }
