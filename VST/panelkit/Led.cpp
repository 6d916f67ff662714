#include "Led.h"

#include "FilmStrip.h"

bool KLED::Create(Gdiplus::Bitmap* image, KLED* led, int x, int y) {
    if (image == nullptr) return false;
    led->image = image;
    led->frameWidth = static_cast<int>(image->GetWidth()) / 2;
    led->frameHeight = static_cast<int>(image->GetHeight());
    led->Init(x, y, x + led->frameWidth, y + led->frameHeight, 0);
    return true;
}

void KLED::Draw(Gdiplus::Graphics& graphics) {
    DrawFrame(graphics, image, on.load(std::memory_order_relaxed) ? frameWidth : 0, 0, frameWidth, frameHeight);
    KWidget::Draw(graphics);
}

void KLED::SetValue(float v) {
    on.store(v != 0.0f, std::memory_order_relaxed);
    Invalidate();
    value = v;
    NotifyOwner();
}
