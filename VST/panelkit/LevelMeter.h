// The horizontal level meter: an unlit and a lit bar side by side in one
// strip. The audio thread raises it (SetLevel); the meter timer lets it
// fall back (MeterTimer.h).
#pragma once

#include "Widget.h"

class KLevelMeter : public KWidget {};

class KLevelMeterH : public KLevelMeter {
public:
    // False, leaving the meter unplaced, when the image is null.
    static bool Create(Gdiplus::Bitmap* image, KLevelMeterH* meter, int x, int y);

    void Draw(Gdiplus::Graphics& graphics) override;

    // Any thread. Taken only when floorDb <= dB <= 0 and not below the level
    // shown: a meter only rises here. No repaint: the timer repaints.
    void SetLevel(float dB);
    // Any thread: a block's linear peak, as SetLevel of its level in dB; a
    // peak of 0, above 1 or not a number changes nothing.
    void TakePeak(float peak);
    // Pixels of the bar left unlit at the level shown.
    int UnlitWidth() const;

    Gdiplus::Bitmap* image = nullptr;
    uint32_t segments = 0; // nonzero: the lit part grows in whole segments
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    float floorDb = -30.0f; // shown as empty; the lowest level accepted
    std::atomic<float> levelDb{-120.0f};
    float decayDb = 3.0f; // per timer tick
};
