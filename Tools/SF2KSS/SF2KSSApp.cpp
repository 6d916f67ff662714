#include "SF2KSSApp.h"

#include "SF2KSSDlg.h"

CSF2KSSApp::CSF2KSSApp() : CWinApp(L"Korvo Sampler") {}

BOOL CSF2KSSApp::InitInstance() {
    InitCommonControls();
    CWinApp::InitInstance();
    // The shell's folder browser and the file dialog host shell views.
    InitOle();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CSF2KSSDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    // The dialog ends with this scope: the framework must not reach it later.
    m_pMainWnd = nullptr;
    return FALSE;
}
