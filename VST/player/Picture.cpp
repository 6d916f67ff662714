#include "Picture.h"

#include <algorithm>

void KPicture::Draw(Gdiplus::Graphics& graphics) {
    if (image == nullptr) return;
    // A smaller picture leaves the rest of the rectangle as it is.
    const int w = std::min<int>(Width(), static_cast<int>(image->GetWidth()));
    const int h = std::min<int>(Height(), static_cast<int>(image->GetHeight()));
    if (w <= 0 || h <= 0) return;
    graphics.DrawImage(image, Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
}

void KPicture::OnLButtonDown(int, int, int) { NotifyOwner(); }

Gdiplus::Bitmap* LoadPictureFile(const wchar_t* path, int width, int height) {
    if (path == nullptr || path[0] == 0 || width <= 0 || height <= 0) return nullptr;
    Gdiplus::Bitmap file(path);
    if (file.GetLastStatus() != Gdiplus::Ok) return nullptr;
    const int w = std::min<int>(width, static_cast<int>(file.GetWidth()));
    const int h = std::min<int>(height, static_cast<int>(file.GetHeight()));
    if (w <= 0 || h <= 0) return nullptr;
    auto* part = new Gdiplus::Bitmap(w, h, PixelFormat32bppARGB);
    if (part->GetLastStatus() != Gdiplus::Ok) {
        delete part;
        return nullptr;
    }
    Gdiplus::Status drawn;
    {
        Gdiplus::Graphics graphics(part);
        // The picture's own alpha, not blended onto the empty image.
        graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        drawn = graphics.DrawImage(&file, Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
    }
    // A file that reads as an image but does not decode.
    if (drawn != Gdiplus::Ok) {
        delete part;
        return nullptr;
    }
    return part;
}
