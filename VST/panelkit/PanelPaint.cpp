// Painting: every panel of the module draws into one shared 32-bit ARGB back
// buffer, clipped to the update region's box, and copies only that box to
// the screen; background erasing is suppressed by the window procedure.
#include "Panel.h"

namespace {

// Created at the first paint with that panel's size and kept until the
// module's GDI+ session ends (ReleasePanelGraphics). It grows, keeping what
// it holds, when a larger panel paints.
Gdiplus::Bitmap* gBackBuffer = nullptr;

Gdiplus::Bitmap* BackBufferFor(int width, int height) {
    if (gBackBuffer != nullptr) {
        const int oldWidth = static_cast<int>(gBackBuffer->GetWidth());
        const int oldHeight = static_cast<int>(gBackBuffer->GetHeight());
        if (width <= oldWidth && height <= oldHeight) return gBackBuffer;
        const int newWidth = width > oldWidth ? width : oldWidth;
        const int newHeight = height > oldHeight ? height : oldHeight;
        auto* grown = new Gdiplus::Bitmap(newWidth, newHeight, PixelFormat32bppARGB);
        if (grown->GetLastStatus() != Gdiplus::Ok) {
            delete grown;
            return gBackBuffer;
        }
        {
            Gdiplus::Graphics copy(grown);
            copy.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
            copy.DrawImage(gBackBuffer, Gdiplus::Rect(0, 0, oldWidth, oldHeight), 0, 0, oldWidth, oldHeight,
                           Gdiplus::UnitPixel);
        }
        delete gBackBuffer;
        gBackBuffer = grown;
        return gBackBuffer;
    }
    if (width <= 0 || height <= 0) return nullptr;
    auto* created = new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB);
    if (created->GetLastStatus() != Gdiplus::Ok) {
        delete created;
        return nullptr;
    }
    gBackBuffer = created;
    return gBackBuffer;
}

void DrawBackground(Gdiplus::Graphics& graphics, const PanelModel* model, int clientWidth, int clientHeight) {
    Gdiplus::Bitmap* image = model->background;
    if (image == nullptr) return;
    const int w = static_cast<int>(image->GetWidth()), h = static_cast<int>(image->GetHeight());
    if (w <= 0 || h <= 0) return;
    // Destination rectangles, not points: GDI+ would scale by the image's
    // resolution.
    if (!model->tileBackground) {
        graphics.DrawImage(image, Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
        return;
    }
    for (int row = 0; row <= clientHeight / h; ++row)
        for (int column = 0; column <= clientWidth / w; ++column)
            graphics.DrawImage(image, Gdiplus::Rect(column * w, row * h, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
}

} // namespace

Gdiplus::Bitmap* PanelBackBuffer() { return gBackBuffer; }

void ReleasePanelGraphics() {
    delete gBackBuffer;
    gBackBuffer = nullptr;
}

void DrawWidgets(Gdiplus::Graphics& graphics, PanelModel* model) {
    for (int i = 0; i < model->widgetCount; ++i) {
        KWidget* widget = model->widgets[i];
        const RECT r = widget->GetRect();
        graphics.TranslateTransform(static_cast<float>(r.left), static_cast<float>(r.top));
        if (widget->IsPlaced() && widget->IsVisible()) widget->Draw(graphics);
        graphics.TranslateTransform(static_cast<float>(-r.left), static_cast<float>(-r.top));
    }
}

void PaintPanel(HDC dc, PanelModel* model) {
    Gdiplus::Graphics screen(dc);
    RECT client;
    ::GetClientRect(model->window, &client);
    Gdiplus::Bitmap* buffer = BackBufferFor(client.right - client.left, client.bottom - client.top);
    if (buffer == nullptr) return;
    Gdiplus::Graphics back(buffer);
    RECT box;
    const bool clipped = ::GetClipBox(dc, &box) != ERROR && box.right > box.left && box.bottom > box.top;
    const Gdiplus::Rect clip(box.left, box.top, box.right - box.left, box.bottom - box.top);
    if (clipped) {
        screen.SetClip(clip, Gdiplus::CombineModeReplace);
        back.SetClip(clip, Gdiplus::CombineModeReplace);
    }
    back.Clear(Gdiplus::Color(model->clearColor));
    DrawBackground(back, model, client.right - client.left, client.bottom - client.top);
    DrawWidgets(back, model);
    // A plain copy: the buffer's alpha is not blended with the screen.
    screen.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    if (clipped) {
        screen.DrawImage(buffer, clip, clip.X, clip.Y, clip.Width, clip.Height, Gdiplus::UnitPixel);
    } else {
        const int w = static_cast<int>(buffer->GetWidth()), h = static_cast<int>(buffer->GetHeight());
        screen.DrawImage(buffer, Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
    }
}
