// The "Loading..." box shown while the plug-in loads.
#pragma once

#include "Dialog.h"
#include "ShellResources.h"

class CLoadDlg : public CDialog {
public:
    CLoadDlg() : CDialog(IDD_LOADING) {}
};
