// What the player object keeps of its editor until the editor window exists:
// the selected instrument slot, which the state chunk carries, and the hooks
// the effect calls. The editor grows out of this.
#pragma once

#include <cstdint>

class KPlayerEditorState {
public:
    virtual ~KPlayerEditorState() = default;

    virtual void RefreshInstrumentView() {}
    // Audio thread: the block's output peaks.
    virtual void UpdateOutputMeters(float, float) {}

    // The engine instrument slot shown, 0..15.
    int32_t selectedSlot = 0;
};
