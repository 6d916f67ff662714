#include "LevelMeter.h"

#include "FilmStrip.h"

#include <cmath>

bool KLevelMeterH::Create(Gdiplus::Bitmap* image, KLevelMeterH* meter, int x, int y) {
    if (image == nullptr) return false;
    meter->image = image;
    meter->segments = 0;
    meter->frameWidth = static_cast<int>(image->GetWidth()) / 2;
    meter->frameHeight = static_cast<int>(image->GetHeight());
    meter->Init(x, y, x + meter->frameWidth, y + meter->frameHeight, 0);
    return true;
}

void KLevelMeterH::SetLevel(float dB) {
    if (!(dB >= floorDb && dB <= 0.0f && dB >= levelDb.load(std::memory_order_relaxed))) return;
    levelDb.store(dB, std::memory_order_relaxed);
    MarkFresh();
}

void KLevelMeterH::TakePeak(float peak) {
    if (!(peak > 0.0f && peak <= 1.0f)) return;
    SetLevel(20.0f * std::log10(peak));
}

int KLevelMeterH::UnlitWidth() const {
    const float level = levelDb.load(std::memory_order_relaxed);
    // Both negative: 0 dB leaves nothing unlit, the floor everything.
    int unlit = level <= floorDb ? frameWidth : static_cast<int>(level / floorDb * static_cast<float>(frameWidth));
    if (segments > 0) {
        const int segment = frameWidth / static_cast<int>(segments);
        if (segment > 0) unlit = unlit / segment * segment;
    }
    return unlit;
}

void KLevelMeterH::Draw(Gdiplus::Graphics& graphics) {
    DrawFrame(graphics, image, 0, 0, frameWidth, frameHeight);
    DrawFrame(graphics, image, frameWidth, 0, frameWidth - UnlitWidth(), frameHeight);
    KWidget::Draw(graphics);
}
