// The dialog "Instrument Settings": six playing options of one instrument.
// The caller fills the six fields, and copies them back only on OK.
//
// Threads: the editor's.
#pragma once

#include "Button.h"
#include "SkinnedDialog.h"
#include "Toggle.h"

class KISDlg : public KSkinnedDialog {
public:
    static constexpr int kOkId = 123;

    KISDlg(HINSTANCE module, HWND parent);
    ~KISDlg() override;

    void OnInitDialog() override;
    static void OnCommand(int id, void* context);
    void OnOK();

    // Exchanged with the caller; each mirrors the instrument's field.
    bool pitchBendOn = false;
    bool sustainPedalOn = false;
    bool keySwitchOn = false;
    bool modWheelSelectsLayer = false;
    bool playAllLayers = false;
    bool midiControllersOn = false;

    KButton okButton;
    KToggle pitchBendToggle, sustainPedalToggle, keySwitchToggle, modWheelToggle, playAllLayersToggle,
        controllersToggle;
};
