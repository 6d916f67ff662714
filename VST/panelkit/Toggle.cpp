#include "Toggle.h"

#include "FilmStrip.h"

bool KToggle::Create(KToggle* toggle, Gdiplus::Bitmap* image, int id, int x, int y) {
    if (image == nullptr) return false;
    toggle->image = image;
    toggle->frameWidth = static_cast<int>(image->GetWidth()) / 2;
    toggle->frameHeight = static_cast<int>(image->GetHeight());
    toggle->Init(x, y, x + toggle->frameWidth, y + toggle->frameHeight, id);
    return true;
}

void KToggle::Draw(Gdiplus::Graphics& graphics) {
    DrawFrame(graphics, image, on ? frameWidth : 0, 0, frameWidth, frameHeight);
    KWidget::Draw(graphics);
}

void KToggle::SetValue(float v) {
    SetValueSilently(v);
    NotifyOwner();
}

void KToggle::SetValueSilently(float v) {
    on = v != 0.0f;
    Invalidate();
    value = v;
}

bool KToggle::IsOn() { return on; }

void KToggle::OnLButtonDown(int, int, int) { SetValueSilently(on ? 0.0f : 1.0f); }

// The state taken at the press, once more: the owner hears of it here.
void KToggle::OnLButtonUp(int, int, int) { SetValue(value); }

void KToggle::OnLButtonDblClk(int x, int y, int keys) {
    OnLButtonDown(x, y, keys);
    OnLButtonUp(x, y, keys);
}

void KToggle::OnMidi(int status, int channel, int data1, int data2) {
    KWidget::OnMidi(status, channel, data1, data2);
    if (MatchesLearned(status, data1)) SetValue(on ? 0.0f : 1.0f);
}
