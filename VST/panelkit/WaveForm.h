// The waveform view: one vertical line per column between a zone's overview
// maximum and minimum, an optional selection and two marker lines. The owner
// writes the fields and invalidates the view.
#pragma once

#include "Widget.h"

class KWaveForm : public KWidget {
public:
    // The columns of a sample zone's overview: no more are ever read.
    static constexpr int kOverviewColumns = 617;

    bool Create(int left, int top, int right, int bottom, uint32_t waveColor, uint32_t markerColor,
                uint32_t selectionColor);

    // Draws only when the overview is there (no markers either otherwise).
    void Draw(Gdiplus::Graphics& graphics) override;

    int32_t width = 0;
    int32_t height = 0;
    // Through it the view reads the current overview: (maximum, minimum)
    // pairs, each -1..1, kOverviewColumns of them.
    float* const* overviewSource = nullptr;
    int32_t lastColumn = 0;
    uint32_t waveColor = 0xFF000000;
    uint32_t markerColor = 0xFF000000;
    uint32_t selectionColor = 0xFF000000;
    int32_t markerStart = 0;
    int32_t markerEnd = 0;
    int32_t selectionLeft = 0;
    int32_t selectionRight = 0;
    bool showSelection = false;
};
