// The push button: a strip of two frames (normal, pressed) or three (normal,
// pressed, hover). It notifies at the release, wherever the pointer is then.
#pragma once

#include "Widget.h"

class KButton : public KWidget {
public:
    void Draw(Gdiplus::Graphics& graphics) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonUp(int x, int y, int keys) override;
    void OnLButtonDblClk(int x, int y, int keys) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMidi(int status, int channel, int data1, int data2) override;

    Gdiplus::Bitmap* image = nullptr;
    bool pressed = false;
    int32_t frameWidth = 0;
    bool hoverEnabled = false;
    bool hover = false;
};

// Binds a strip to a button and places it at x, y, one frame wide. False,
// leaving the button unplaced, when the image is null.
bool SetWidgetImage(Gdiplus::Bitmap* image, KButton* button, int id, bool threeFrames, int x, int y);
