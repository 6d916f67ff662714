// What the sampler object keeps of its editor until the editor window
// exists: the rows of its instrument list and the refresh hooks the effect
// calls. The editor grows out of this.
#pragma once

#include <cstdint>

class KSamplerEditorState {
public:
    static constexpr int kRows = 16;

    KSamplerEditorState() {
        for (int32_t& slot : slotMap) slot = -1;
    }
    virtual ~KSamplerEditorState() = default;

    virtual void RefreshInstrumentList() {}
    virtual void RefreshInstrumentView() {}
    virtual void SelectFirstInstrument() {}
    virtual void ScanSampleFolder() {}
    virtual void UpdateOutputMeters(float, float) {}

    // The engine slot shown in each row, or -1.
    int32_t slotMap[kRows];
};
