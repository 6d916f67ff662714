// The on/off switch: two frames (off, on). It flips at the press and
// notifies once, at the release.
#pragma once

#include "Widget.h"

class KToggle : public KWidget {
public:
    // False, leaving the toggle unplaced, when the image is null.
    static bool Create(KToggle* toggle, Gdiplus::Bitmap* image, int id, int x, int y);

    void Draw(Gdiplus::Graphics& graphics) override;
    void SetValue(float v) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonUp(int x, int y, int keys) override;
    void OnLButtonDblClk(int x, int y, int keys) override;
    void OnMidi(int status, int channel, int data1, int data2) override;
    virtual void SetValueSilently(float v);
    virtual bool IsOn();

    Gdiplus::Bitmap* image = nullptr;
    bool on = false;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
};
