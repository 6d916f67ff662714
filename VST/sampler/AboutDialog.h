// The About dialog: the product's picture and an OK button.
//
// Threads: the editor's.
#pragma once

#include "Button.h"
#include "SkinnedDialog.h"

class KAboutDlg : public KSkinnedDialog {
public:
    static constexpr int kOkId = 123;

    KAboutDlg(HINSTANCE module, HWND parent);
    ~KAboutDlg() override;

    void OnInitDialog() override;
    static void OnCommand(int id, void* context);

    KButton okButton;
};
