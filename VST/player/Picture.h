// A picture file (the library's logo or product picture) shown unscaled
// from its top-left corner, cut to the widget's rectangle.
#pragma once

#include "Widget.h"

class KPicture : public KWidget {
public:
    void Draw(Gdiplus::Graphics& graphics) override;
    // Notifies its id (the player's pictures have none).
    void OnLButtonDown(int x, int y, int keys) override;

    Gdiplus::Bitmap* image = nullptr; // not owned; null draws nothing
};

// The part of a picture file that a widget of width x height shows, as an
// image of its own (the file is not held open). Null when the file is
// missing or GDI+ cannot decode it.
Gdiplus::Bitmap* LoadPictureFile(const wchar_t* path, int width, int height);
