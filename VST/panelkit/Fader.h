// The vertical fader: a thumb image sliding in a track, maximum at the top.
// Grabbed where pressed (no jump); it notifies on every move and once more
// at the release.
#pragma once

#include "Widget.h"

class KFader : public KWidget {
public:
    // The sampler's fader: travel 216, id 154, range 0..100 at 0. False,
    // leaving it unplaced, for a null image.
    bool Create(Gdiplus::Bitmap* thumb, int x, int y);
    // The player's fader: travel 34 and the given id.
    bool Create(Gdiplus::Bitmap* thumb, int x, int y, int id);

    void Draw(Gdiplus::Graphics& graphics) override;
    // Taken only inside the range.
    void SetDefaultValue(float v) override;
    void SetValue(float v) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonUp(int x, int y, int keys) override;
    void OnLButtonDblClk(int x, int y, int keys) override;
    void OnMouseMove(int x, int y, int keys) override;
    void OnMouseWheel(int x, int y, int keys, int delta) override;
    void OnMidi(int status, int channel, int data1, int data2) override;
    // Moves the thumb only: the value is not stored, nothing is posted.
    virtual void SetValueSilently(float v);

    Gdiplus::Bitmap* image = nullptr;
    float maximum = 100.0f;
    float minimum = 0.0f;
    int32_t thumbTop = 0; // 0 at maximum, travel at minimum
    uint32_t travel = 216;
    int32_t grabOffset = 0;
    bool springBack = false; // back to the default at release; no wheel

private:
    bool Place(Gdiplus::Bitmap* thumb, int x, int y, uint32_t trackLength, int id);
};
