// What the widgets that edit a number share: clamping into their range and
// the changes a wheel notch and a learned controller make.
#pragma once

#include "Widget.h"

inline float ClampToRange(float v, float minimum, float maximum) {
    if (v < minimum) return minimum;
    if (v > maximum) return maximum;
    return v;
}

// Knobs and faders: 1/2000 of the range per unit of wheel delta (6 % a notch).
inline float WheelChange(float minimum, float maximum, int delta) {
    return (maximum - minimum) * static_cast<float>(WheelNotchDelta(delta)) / 2000.0f;
}

// Knobs and faders: a controller value 0..127 across the range.
inline float ControllerValue(float minimum, float maximum, int data2) {
    return minimum + (maximum - minimum) * static_cast<float>(data2) / 127.0f;
}
