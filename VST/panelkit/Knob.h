// The film-strip knob: a grid of equal frames read row by row, the frame
// chosen by the value. 150 pixels of drag cover the range; it notifies on
// every change.
#pragma once

#include "Widget.h"

class KKnob : public KWidget {
public:
    // Binds the strip and places the knob at x, y with id 151 and the range
    // 0..100 at 0. False, leaving it unplaced, for a null image or an empty
    // grid.
    bool Create(Gdiplus::Bitmap* image, int x, int y, uint32_t columns, uint32_t rows);

    void Draw(Gdiplus::Graphics& graphics) override;
    // Taken only inside the range.
    void SetDefaultValue(float v) override;
    void SetValue(float v) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonDblClk(int x, int y, int keys) override;
    void OnMouseMove(int x, int y, int keys) override;
    void OnMouseWheel(int x, int y, int keys, int delta) override;
    void OnMidi(int status, int channel, int data1, int data2) override;
    // As SetValue without notifying; its frame mapping is offset by half a
    // unit of value.
    virtual void SetValueSilently(float v);

    Gdiplus::Bitmap* image = nullptr;
    uint32_t columns = 0;
    uint32_t rows = 0;
    uint32_t frameCount = 0;
    uint32_t frameIndex = 0;
    uint32_t frameWidth = 0;
    uint32_t frameHeight = 0;
    float maximum = 100.0f;
    float minimum = 0.0f;
    float dragStartValue = 0.0f;
    int32_t dragStartX = 0;
    int32_t dragStartY = 0;
    bool verticalDrag = true;

private:
    // The frame of (v - minimum - offset) over the range, 0 below it.
    uint32_t FrameOf(float v, float offset) const;
};
