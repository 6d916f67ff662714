#include "Button.h"

#include "FilmStrip.h"

bool SetWidgetImage(Gdiplus::Bitmap* image, KButton* button, int id, bool threeFrames, int x, int y) {
    if (image == nullptr) return false;
    const int width = static_cast<int>(image->GetWidth());
    button->frameWidth = threeFrames ? width / 3 : width / 2;
    button->image = image;
    button->hoverEnabled = threeFrames;
    button->Init(x, y, x + button->frameWidth, y + static_cast<int>(image->GetHeight()), id);
    return true;
}

void KButton::Draw(Gdiplus::Graphics& graphics) {
    int frame = 0;
    if (pressed)
        frame = 1;
    else if (hover && hoverEnabled)
        frame = 2;
    if (image != nullptr) DrawFrame(graphics, image, frame * frameWidth, 0, frameWidth, static_cast<int>(image->GetHeight()));
    KWidget::Draw(graphics);
}

void KButton::OnLButtonDown(int, int, int) {
    pressed = true;
    hover = false;
    Invalidate();
}

void KButton::OnLButtonUp(int, int, int) {
    pressed = false;
    hover = false;
    Invalidate();
    NotifyOwner();
}

void KButton::OnLButtonDblClk(int x, int y, int keys) {
    // Windows turns the second press into the double click: it fires again.
    OnLButtonDown(x, y, keys);
    OnLButtonUp(x, y, keys);
}

void KButton::OnMouseEnter() {
    if (!hoverEnabled) return;
    hover = true;
    pressed = false;
    Invalidate();
}

void KButton::OnMouseLeave() {
    if (!hoverEnabled) return;
    hover = false;
    pressed = false;
    Invalidate();
}

void KButton::OnMidi(int status, int channel, int data1, int data2) {
    KWidget::OnMidi(status, channel, data1, data2);
    if (MatchesLearned(status, data1)) NotifyOwner();
}
