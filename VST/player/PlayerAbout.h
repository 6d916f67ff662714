// The player's About box: the skin's ABOUT picture filling a modal dialog
// captioned "About Korvo Sampler", closed with its close box.
#pragma once

#include "Dialog.h"
#include "Panel.h"
#include "PngResource.h"

class CAboutDlg : public KDialog {
public:
    // The picture comes from the player's module.
    explicit CAboutDlg(HINSTANCE module);
    ~CAboutDlg() override;

    void OnInitDialog() override;
    void OnClose() override;

    PanelDescriptor panel = {};
    PngResourceHolder resourceHolder = {nullptr, nullptr};
    Gdiplus::Bitmap* picture = nullptr; // null when the resource is missing
};
