// The converter front end: an application whose only window is its dialog.
#pragma once

#include "WinApp.h"

class CSF2KSSApp : public CWinApp {
public:
    CSF2KSSApp();
    // Runs the dialog and returns FALSE, so the program ends with it.
    BOOL InitInstance() override;
};
