#include "Knob.h"

#include "FilmStrip.h"
#include "ValueRange.h"

namespace {
constexpr int kKnobId = 151;
constexpr float kDragPixelsForRange = 150.0f;
} // namespace

bool KKnob::Create(Gdiplus::Bitmap* strip, int x, int y, uint32_t gridColumns, uint32_t gridRows) {
    if (strip == nullptr || gridColumns == 0 || gridRows == 0) return false;
    image = strip;
    columns = gridColumns;
    rows = gridRows;
    frameWidth = strip->GetWidth() / columns;
    frameHeight = strip->GetHeight() / rows;
    maximum = 100.0f;
    minimum = 0.0f;
    frameCount = columns * rows;
    SetDefaultValue(0.0f);
    SetValue(0.0f); // no owner yet: nothing is posted
    Init(x, y, x + static_cast<int>(frameWidth), y + static_cast<int>(frameHeight), kKnobId);
    return true;
}

uint32_t KKnob::FrameOf(float v, float offset) const {
    const float range = maximum - minimum;
    if (!(range > 0.0f)) return 0;
    const float frame = (v - minimum - offset) / range * static_cast<float>(frameCount);
    return frame > 0.0f ? static_cast<uint32_t>(frame) : 0;
}

void KKnob::SetValue(float v) {
    v = ClampToRange(v, minimum, maximum);
    uint32_t frame = FrameOf(v, 0.0f);
    if (frameCount > 0 && frame >= frameCount) {
        frame = frameCount - 1;
        Invalidate();
    }
    if (frame != frameIndex) {
        frameIndex = frame;
        Invalidate();
    }
    value = v;
    NotifyOwner();
}

void KKnob::SetValueSilently(float v) {
    v = ClampToRange(v, minimum, maximum);
    frameIndex = FrameOf(v, 0.5f);
    if (frameCount > 0 && frameIndex >= frameCount) frameIndex = frameCount - 1;
    Invalidate();
    value = v;
}

void KKnob::SetDefaultValue(float v) {
    if (v >= minimum && v <= maximum) defaultValue = v;
}

void KKnob::Draw(Gdiplus::Graphics& graphics) {
    if (columns > 0) {
        const int column = static_cast<int>(frameIndex % columns), row = static_cast<int>(frameIndex / columns);
        DrawFrame(graphics, image, column * static_cast<int>(frameWidth), row * static_cast<int>(frameHeight),
                  static_cast<int>(frameWidth), static_cast<int>(frameHeight));
    }
    KWidget::Draw(graphics);
}

void KKnob::OnLButtonDown(int x, int y, int) {
    dragStartValue = GetValue();
    dragStartX = x;
    dragStartY = y;
}

void KKnob::OnMouseMove(int x, int y, int keys) {
    if (keys != MK_LBUTTON) return;
    const int d = verticalDrag ? dragStartY - y : x - dragStartX;
    SetValue(dragStartValue + (maximum - minimum) * static_cast<float>(d) / kDragPixelsForRange);
}

void KKnob::OnMouseWheel(int, int, int, int delta) {
    SetValue(GetValue() + WheelChange(minimum, maximum, delta));
}

void KKnob::OnLButtonDblClk(int, int, int) { SetValue(GetDefaultValue()); }

void KKnob::OnMidi(int status, int channel, int data1, int data2) {
    KWidget::OnMidi(status, channel, data1, data2);
    if (MatchesLearned(status, data1)) SetValue(ControllerValue(minimum, maximum, data2));
}
