// The zone map: the zones of one instrument's layer as rectangles on a plane
// of keys 21..108 (left to right, 7 pixels a key) and velocities (bottom to
// top), over an 88-key strip. The mouse selects, moves and stretches zones,
// shifts them with the wheel, sets the root key, deletes and adds zones, and
// plays notes on the strip. The key columns and the piano keys belong to the
// editor's background picture.
//
// Threads: the editor's window thread; heldKeys is also written by the audio
// thread (the editor's MIDI monitor).
#pragma once

#include "Ini.h"
#include "Widget.h"

#include <atomic>
#include <cstdint>

class KInstrument;
class KSampleZone;
class KSamplerVST;

class KMapping : public KWidget {
public:
    static constexpr int kId = 200;
    static constexpr int kKeys = 88;
    static constexpr int kLowestKey = 21, kHighestKey = 108;

    struct HeldKey {
        std::atomic<bool> held{false};
        std::atomic<int32_t> velocity{-1};
    };
    struct Range {
        int32_t keyLow, velocityHigh, keyHigh, velocityLow;
    };

    KMapping();
    ~KMapping() override;

    bool Create(int left, int top, int right, int bottom, KSamplerVST* effect);
    void ReleaseAllKeys();
    RECT ZoneRect(int keyLow, int velocityHigh, int keyHigh, int velocityLow) const;

    void Draw(Gdiplus::Graphics& graphics) override;
    void OnLButtonDown(int x, int y, int keys) override;
    void OnLButtonUp(int x, int y, int keys) override;
    void OnLButtonDblClk(int x, int y, int keys) override;
    void OnRButtonDown(int x, int y, int keys) override;
    void OnRButtonDblClk(int x, int y, int keys) override;
    void OnMouseMove(int x, int y, int keys) override;
    void OnKeyDown(int virtualKey) override;
    void OnMouseWheel(int x, int y, int keys, int delta) override;

    void DrawZone(const KSampleZone& zone, int slot, Gdiplus::Graphics& graphics);
    void SetEdgeCursor();

    KInstrument* instrument = nullptr;
    KSamplerVST* effect = nullptr;
    int32_t currentLayer = 1;
    int32_t selectedZone = -1;
    int32_t dragZone = -1;
    int32_t pressX = 0, pressY = 0;
    Range pressRange = {0, 0, 0, 0};
    HeldKey heldKeys[kKeys];
    int32_t pressedKey = 0;
    int32_t velocityAreaHeight = 167;
    int32_t keyStripHeight = 0;
    float keyWidth = 7.0f;
    float velocityScale = 167.0f / 127.0f;
    int32_t edgeHover = 0; // 0 none, 1 a key edge, 2 a velocity edge
    bool edgeIsFar = false; // right (keyHigh) or bottom (velocityLow) edge
    bool resizing = false;
    CIni ini;

private:
    // The zone of a slot when it holds one (of any layer), else null.
    KSampleZone* ZoneAt(int slot) const;
    // The selected zone when it is of the layer shown, else null.
    KSampleZone* SelectedOfLayer() const;
    RECT RectOf(const KSampleZone& zone) const;
    // The strip index (0..87) of the key column under a widget-local x.
    int KeyIndexAt(int x) const;
    uint8_t NoteOnStatus() const;
    void QueueNote(int key, int velocity);
    void DeleteSelected();
    void MoveZone(KSampleZone& zone, int x, int y);
    void ResizeZone(KSampleZone& zone, int x, int y);
    void TrackEdge(const KSampleZone& zone, int x, int y);

    Gdiplus::Pen* outlinePen_ = nullptr;
    Gdiplus::SolidBrush* zoneBrush_ = nullptr;
    Gdiplus::SolidBrush* selectedBrush_ = nullptr;
    Gdiplus::SolidBrush* nameBrush_ = nullptr;
    Gdiplus::SolidBrush* heldKeyBrush_ = nullptr;
    Gdiplus::SolidBrush* rootKeyBrush_ = nullptr;
    Gdiplus::Font* font_ = nullptr;
};

// A zone added by the editor, before it is published: on the key (or, with
// fileKeyAndLoop, the WAV's own root key and loop), velocities 1..127, the
// plug-in's new-zone defaults, its preload, coefficients and overview.
void SetUpNewZone(KSampleZone& zone, const KSamplerVST& plugin, int key, int layer, bool fileKeyAndLoop);

// The file name of a sample path without its folder and its last four
// characters (the extension); empty when shorter.
std::wstring SampleNameOf(const wchar_t* path);
