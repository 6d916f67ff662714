// The numeric display: an integer drawn right-aligned with glyphs from a
// digit strip (blank, 0 to 9, minus, plus). It can be dragged, turned with
// the wheel or typed into; it notifies at the release, not while dragging.
#pragma once

#include "Widget.h"

class KDigit : public KWidget {
public:
    static constexpr int kGlyphMinus = 10;
    static constexpr int kGlyphPlus = 11;
    static constexpr uint32_t kMaxGlyphs = 100;

    KDigit();

    // Binds the strip (13 glyphs with showPlus, else 12) and places `cells`
    // glyphs at x, y. False, leaving it unplaced, for a null image.
    bool Create(Gdiplus::Bitmap* image, int x, int y, uint32_t cells, bool locked, int id, bool showPlus);

    void Draw(Gdiplus::Graphics& graphics) override;
    void SetValue(float v) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonUp(int x, int y, int keys) override;
    void OnLButtonDblClk(int x, int y, int keys) override;
    void OnMouseMove(int x, int y, int keys) override;
    void OnMouseWheel(int x, int y, int keys, int delta) override;
    void OnMidi(int status, int channel, int data1, int data2) override;
    virtual void SetValueSilently(float v);
    // Ignored unless minimum < maximum; the value and reset value become
    // the minimum.
    virtual void SetRange(int maximum, int minimum);
    // Taken only inside the range.
    virtual void SetResetValue(int v);
    virtual void SetVerticalDrag(bool on);
    virtual void SetShowPlus(bool on);
    virtual void SetDragParams(int wheelStep, float dragPixels);
    virtual void SetNoAutoRepaint(bool on);
    virtual void SetTypeIn(bool on);

    Gdiplus::Bitmap* image = nullptr;
    uint32_t glyphWidth = 0;
    int32_t glyphHeight = 0;
    uint32_t cells = 0;
    bool locked = false;
    int32_t glyphs[kMaxGlyphs] = {}; // least significant first: 0-9, 10 minus, 11 plus
    uint32_t glyphCount = 0;
    int32_t maximum = 9;
    int32_t minimum = 0;
    int32_t resetValue = 0;
    float dragStartValue = 0.0f;
    int32_t dragStartX = 0;
    int32_t dragStartY = 0;
    bool verticalDrag = true;
    bool noAutoRepaint = false;
    bool showPlus = false;
    float dragPixels = 200.0f;
    int32_t wheelStep = 1;
    bool typeIn = false;
};
