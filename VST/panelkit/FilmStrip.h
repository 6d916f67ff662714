// Film strips: the frames of a widget's skin side by side (or in a grid) in
// one image, one of which is drawn at the widget's origin.
#pragma once

#include <windows.h>
#include <gdiplus.h>

// Draws the frame at (sourceX, sourceY) of the strip, width x height, at 0,0,
// pixel for pixel.
inline void DrawFrame(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* strip, int sourceX, int sourceY, int width,
                      int height) {
    if (strip == nullptr || width <= 0 || height <= 0) return;
    graphics.DrawImage(strip, Gdiplus::Rect(0, 0, width, height), sourceX, sourceY, width, height,
                       Gdiplus::UnitPixel);
}
