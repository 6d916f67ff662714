#include "Fader.h"

#include "ValueRange.h"

namespace {
constexpr int kSamplerFaderId = 154;
constexpr uint32_t kSamplerTravel = 216;
constexpr uint32_t kPlayerTravel = 34;
} // namespace

bool KFader::Create(Gdiplus::Bitmap* thumb, int x, int y) { return Place(thumb, x, y, kSamplerTravel, kSamplerFaderId); }

bool KFader::Create(Gdiplus::Bitmap* thumb, int x, int y, int faderId) {
    return Place(thumb, x, y, kPlayerTravel, faderId);
}

bool KFader::Place(Gdiplus::Bitmap* thumb, int x, int y, uint32_t trackLength, int faderId) {
    if (thumb == nullptr) return false;
    image = thumb;
    maximum = 100.0f;
    minimum = 0.0f;
    travel = trackLength;
    SetDefaultValue(0.0f);
    SetValue(0.0f);
    // As tall as the thumb plus its travel.
    Init(x, y, x + static_cast<int>(thumb->GetWidth()), y + static_cast<int>(thumb->GetHeight() + travel), faderId);
    return true;
}

void KFader::SetValueSilently(float v) {
    v = ClampToRange(v, minimum, maximum);
    const float range = maximum - minimum;
    const float share = range > 0.0f ? (v - minimum) / range : 0.0f;
    const int top = static_cast<int>((1.0f - share) * static_cast<float>(travel));
    if (top != thumbTop) {
        thumbTop = top;
        Invalidate();
    }
}

void KFader::SetValue(float v) {
    v = ClampToRange(v, minimum, maximum);
    SetValueSilently(v);
    value = v;
    NotifyOwner();
}

void KFader::SetDefaultValue(float v) {
    if (v >= minimum && v <= maximum) defaultValue = v;
}

void KFader::Draw(Gdiplus::Graphics& graphics) {
    if (image != nullptr) {
        const int w = static_cast<int>(image->GetWidth()), h = static_cast<int>(image->GetHeight());
        graphics.DrawImage(image, Gdiplus::Rect(0, thumbTop, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
    }
    KWidget::Draw(graphics);
}

void KFader::OnLButtonDown(int, int y, int) { grabOffset = y - thumbTop; }

void KFader::OnMouseMove(int, int y, int keys) {
    if (keys != MK_LBUTTON) return;
    // The pixels between the dragged thumb's top and the bottom of the track.
    const int p = grabOffset + static_cast<int>(travel) - y;
    if (p <= 0 || travel == 0)
        SetValue(minimum);
    else
        SetValue(minimum + (maximum - minimum) * static_cast<float>(p) / static_cast<float>(travel));
}

void KFader::OnLButtonUp(int, int, int) {
    if (!springBack) {
        NotifyOwner();
        return;
    }
    // A posted notification would be read after the return below: the owner
    // must see the released value first (the player's pitch bend, then the
    // centre).
    NotifyOwnerNow();
    SetValue(GetDefaultValue());
}

void KFader::OnLButtonDblClk(int, int, int) { SetValue(GetDefaultValue()); }

void KFader::OnMouseWheel(int, int, int, int delta) {
    if (springBack) return;
    SetValue(GetValue() + WheelChange(minimum, maximum, delta));
}

void KFader::OnMidi(int status, int channel, int data1, int data2) {
    KWidget::OnMidi(status, channel, data1, data2);
    if (MatchesLearned(status, data1)) SetValue(ControllerValue(minimum, maximum, data2));
}
