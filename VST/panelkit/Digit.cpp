#include "Digit.h"

#include "InputBox.h"
#include "ValueRange.h"

#include <cmath>
#include <cstdlib>
#include <cwchar>

KDigit::KDigit() {
    SetResetValue(0);
    SetValueSilently(0.0f);
}

bool KDigit::Create(Gdiplus::Bitmap* strip, int x, int y, uint32_t cellCount, bool displayOnly, int digitId,
                    bool plus) {
    if (strip == nullptr) return false;
    image = strip;
    locked = displayOnly;
    showPlus = plus;
    cells = cellCount;
    glyphWidth = strip->GetWidth() / (plus ? 13 : 12);
    glyphHeight = static_cast<int>(strip->GetHeight());
    Init(x, y, x + static_cast<int>(cells * glyphWidth), y + glyphHeight, digitId);
    return true;
}

void KDigit::SetValueSilently(float v) {
    glyphCount = 0;
    v = ClampToRange(v, static_cast<float>(minimum), static_cast<float>(maximum));
    const float magnitude = std::fabs(v);
    // Below 1 in size (NaN too) the display is a lone 0 without a sign: a
    // value that shows no whole digit shows no sign either.
    if (!(magnitude >= 1.0f)) {
        glyphs[0] = 0;
        glyphCount = 1;
    } else {
        // Clamped to int32 bounds: at most 10 digits.
        auto n = static_cast<int64_t>(magnitude);
        while (n > 0 && glyphCount < kMaxGlyphs - 1) {
            glyphs[glyphCount++] = static_cast<int32_t>(n % 10);
            n /= 10;
        }
        if (v < 0.0f)
            glyphs[glyphCount++] = kGlyphMinus;
        else if (showPlus)
            glyphs[glyphCount++] = kGlyphPlus;
    }
    value = v;
    if (!noAutoRepaint) Invalidate();
}

void KDigit::SetValue(float v) {
    SetValueSilently(v);
    NotifyOwner();
}

void KDigit::SetRange(int newMaximum, int newMinimum) {
    if (!(newMinimum < newMaximum)) return;
    maximum = newMaximum;
    minimum = newMinimum;
    SetResetValue(newMinimum);
    SetValueSilently(static_cast<float>(newMinimum));
}

void KDigit::SetResetValue(int v) {
    if (v >= minimum && v <= maximum) resetValue = v;
}

void KDigit::SetVerticalDrag(bool on) { verticalDrag = on; }
void KDigit::SetShowPlus(bool on) { showPlus = on; }

void KDigit::SetDragParams(int step, float pixels) {
    wheelStep = step;
    dragPixels = pixels;
}

void KDigit::SetNoAutoRepaint(bool on) { noAutoRepaint = on; }
void KDigit::SetTypeIn(bool on) { typeIn = on; }

void KDigit::Draw(Gdiplus::Graphics& graphics) {
    // Right-aligned; with more glyphs than cells the most significant ones
    // do not fit and are left out.
    if (image == nullptr) return;
    const uint32_t shown = glyphCount < cells ? glyphCount : cells;
    const int w = static_cast<int>(glyphWidth);
    int x = 0;
    for (uint32_t i = shown; i < cells; ++i, x += w) {
        graphics.DrawImage(image, Gdiplus::Rect(x, 0, w, glyphHeight), 0, 0, w, glyphHeight, Gdiplus::UnitPixel);
    }
    for (uint32_t i = shown; i-- > 0; x += w) {
        const int source = (glyphs[i] + 1) * w;
        graphics.DrawImage(image, Gdiplus::Rect(x, 0, w, glyphHeight), source, 0, w, glyphHeight, Gdiplus::UnitPixel);
    }
}

void KDigit::OnLButtonDown(int x, int y, int) {
    dragStartValue = GetValue();
    dragStartX = x;
    dragStartY = y;
}

void KDigit::OnMouseMove(int x, int y, int keys) {
    if (locked || keys != MK_LBUTTON || !(dragPixels != 0.0f)) return;
    const int d = verticalDrag ? dragStartY - y : x - dragStartX;
    SetValueSilently(static_cast<float>(d) / dragPixels * static_cast<float>(maximum - minimum) + dragStartValue);
}

void KDigit::OnLButtonUp(int, int, int) { NotifyOwner(); }

void KDigit::OnLButtonDblClk(int, int, int) {
    if (!typeIn) {
        SetValue(static_cast<float>(resetValue));
        return;
    }
    wchar_t text[kInputBoxChars] = {};
    std::swprintf(text, kInputBoxChars, L"%d", static_cast<int>(GetValue()));
    wchar_t prompt[kInputBoxChars] = {};
    std::swprintf(prompt, kInputBoxChars, L"Please Input New Value (%d to %d)", minimum, maximum);
    // The panel, and the editor that owns this widget, may be gone when the
    // box returns: then nothing of it is touched.
    const HWND panel = GetOwnerWindow();
    if (InputBox(prompt, text, panel) != 1 || (panel != nullptr && !::IsWindow(panel))) return;
    // The number at the start of the text, 0 when there is none; clamped.
    const long typed = std::wcstol(text, nullptr, 10);
    SetValue(static_cast<float>(typed));
}

void KDigit::OnMouseWheel(int x, int, int, int delta) {
    if (locked) return;
    const bool down = WheelNotchDelta(delta) <= 0;
    float change = static_cast<float>(wheelStep);
    if (typeIn && glyphWidth > 0) {
        // The place of the cell under the pointer: 0 for the rightmost.
        const int place = static_cast<int>(cells) - x / static_cast<int>(glyphWidth) - 1;
        change = std::pow(10.0f, static_cast<float>(place > 0 ? place : 0));
    }
    SetValue(GetValue() + (down ? -change : change));
}

void KDigit::OnMidi(int status, int channel, int data1, int data2) {
    KWidget::OnMidi(status, channel, data1, data2);
    if (MatchesLearned(status, data1))
        SetValue(static_cast<float>(maximum - minimum) * static_cast<float>(data2) / 127.0f);
}
