// What every skin image must be, by the kind of strip it is: its size, its
// frames, and what tells its frames apart.
#pragma once

#include "SkinImages.h"

enum class Layout {
    Picture,    // one opaque frame: a panel or dialog background
    Thumb,      // one frame with something drawn in it
    PushButton, // normal, pressed (and hover): the same outline, different faces
    Switch,     // off, on: on lights more than off (toggles, lamps, meters, progress)
    Knob,       // 61 frames in one column: the pointer sweeps clockwise from min to max
    Digits,     // 13 glyphs: blank, 0-9, minus, plus
};

struct ExpectedImage {
    const wchar_t* name;
    int width, height;
    int frames;
    Layout layout;
};

// Checks one image of the library against what it should be (gtest failures).
void ExpectImage(const ResourceLibrary& library, const ExpectedImage& expected);

// What the table expects of name, or null.
const ExpectedImage* FindExpected(const ExpectedImage* table, size_t count, const wchar_t* name);

// Decoded image of name; fails the test when it is missing or broken.
Pixels Decoded(const ResourceLibrary& library, const wchar_t* name);
