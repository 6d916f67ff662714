#include "WaveForm.h"

bool KWaveForm::Create(int left, int top, int right, int bottom, uint32_t wave, uint32_t marker, uint32_t selection) {
    width = right - left;
    height = bottom - top;
    waveColor = wave;
    markerColor = marker;
    selectionColor = selection;
    Init(left, top, right, bottom, 0);
    return true;
}

void KWaveForm::Draw(Gdiplus::Graphics& graphics) {
    if (overviewSource == nullptr || *overviewSource == nullptr) return;
    const float* overview = *overviewSource;
    const float h = static_cast<float>(height);
    Gdiplus::Pen wave(Gdiplus::Color(waveColor), 1.0f);
    for (int i = 0; i < width && i <= lastColumn && i < kOverviewColumns; ++i) {
        const float maximum = overview[2 * i], minimum = overview[2 * i + 1];
        const int top = static_cast<int>(h - h * (maximum + 1.0f) * 0.5f);
        const int bottom = static_cast<int>(h - h * (minimum + 1.0f) * 0.5f - 1.0f);
        graphics.DrawLine(&wave, i, top, i, bottom);
    }
    if (showSelection) {
        Gdiplus::SolidBrush selection{Gdiplus::Color(selectionColor)};
        graphics.FillRectangle(&selection, selectionLeft, 0, selectionRight - selectionLeft - 1, height - 1);
    }
    Gdiplus::Pen marker(Gdiplus::Color(markerColor), 1.0f);
    graphics.DrawLine(&marker, markerStart, 0, markerStart, height - 1);
    graphics.DrawLine(&marker, markerEnd - 1, 0, markerEnd - 1, height - 1);
    KWidget::Draw(graphics);
}
