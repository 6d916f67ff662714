// The lamp: two frames (off, on). It never notifies (id 0).
#pragma once

#include "Widget.h"

class KLED : public KWidget {
public:
    // False, leaving the lamp unplaced, when the image is null.
    static bool Create(Gdiplus::Bitmap* image, KLED* led, int x, int y);

    void Draw(Gdiplus::Graphics& graphics) override;
    void SetValue(float v) override;

    Gdiplus::Bitmap* image = nullptr;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    std::atomic<bool> on{false}; // set from the audio thread
};
