// What the player object asks of its editor. The Windows library's editor
// answers; without one (the native build's tests, or an editor that could
// not be made) the player keeps the selection here and shows nothing.
#pragma once

#include <cstdint>

class KPlayerEditorHooks {
public:
    virtual ~KPlayerEditorHooks() = default;

    // The selected instrument into the controls (after a state restore).
    virtual void RefreshInstrumentView() {}
    // Audio thread: the block's output peaks.
    virtual void UpdateOutputMeters(float, float) {}
    // The window goes, with every timer, before the player frees anything.
    virtual void CloseWindow() {}

    // The engine instrument slot shown, 0..15; the state chunk carries it.
    int32_t selectedSlot = 0;
};
