// What the sampler object asks of its editor. The Windows library's editor
// answers; without one (the native build's tests) nothing is shown and the
// sampler works as before.
#pragma once

class KSamplerEditorHooks {
public:
    // The slot buttons and instrument rows from the slot map.
    virtual void RefreshInstrumentList() = 0;
    // The current instrument into its controls (host idle calls).
    virtual void RefreshInstrumentView() = 0;
    // The first row selected as a click selects it (after a state restore).
    virtual void SelectFirstInstrument() = 0;
    // Before a restore replaces the project: the views let go of every
    // instrument and zone of it (the load's prompt lets the window paint).
    virtual void ForgetProject() = 0;
    // The window that owns the load's prompts: the editor's top-level
    // window while it is open, else null.
    virtual void* PromptOwner() = 0;
    // The sample list from the library's sample folder.
    virtual void ScanSampleFolder() = 0;
    // Audio thread: the block's output peaks.
    virtual void UpdateOutputMeters(float peakLeft, float peakRight) = 0;
    // The window goes, with every timer, before the plug-in frees anything.
    virtual void CloseWindow() = 0;

protected:
    ~KSamplerEditorHooks() = default;
};
