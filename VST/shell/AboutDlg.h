// The standalone host's About box.
#pragma once

#include "Dialog.h"
#include "ShellResources.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
