#include "Tables.h"

#include <cmath>
#include <mutex>

namespace {

float gDecibel[kDecibelEntries];
float gSemitone[kSemitoneEntries];
float gCutoff[kCutoffEntries];
std::once_flag gBuilt;

void Build() {
    for (int i = 0; i < kDecibelEntries; ++i) {
        const float exponent = static_cast<float>(i - 270) / 100.0f;
        gDecibel[i] = static_cast<float>(std::pow(10.0, static_cast<double>(exponent)));
    }
    for (int i = 0; i < kSemitoneEntries; ++i) {
        const float exponent = static_cast<float>(i - 730) / 120.0f;
        gSemitone[i] = static_cast<float>(std::pow(2.0, static_cast<double>(exponent)));
    }
    for (int i = 0; i < kCutoffEntries; ++i) {
        const float power = static_cast<float>(std::pow(2.0, i / 1000.0 * 4.25));
        gCutoff[i] = (power - 1.0f) * 1000.0f;
    }
}

} // namespace

void BuildLookupTables() { std::call_once(gBuilt, Build); }

// The negated lower tests also catch NaN, which would otherwise reach the
// truncation and index anywhere.
float Pow10Lookup(float x) {
    if (x > 0.6f) return gDecibel[kDecibelEntries - 1];
    if (!(x >= -2.7f)) return gDecibel[0];
    return gDecibel[270 + static_cast<int>(100.0f * x)];
}

float SemitoneRatioLookup(float x) {
    if (x > 73.0f) return gSemitone[kSemitoneEntries - 1];
    if (!(x >= -73.0f)) return gSemitone[0];
    return gSemitone[730 + static_cast<int>(10.0f * x)];
}

float CutoffCurveHz(int index) {
    if (index == kCutoffAbove) return 20000.0f;
    if (index == kCutoffBelow) return 20.0f;
    if (index < 0 || index >= kCutoffEntries) return gCutoff[0];
    return gCutoff[index];
}
