#include "ShellApp.h"

#include "AboutDlg.h"
#include "MainFrame.h"
#include "ShellDoc.h"
#include "ShellResources.h"
#include "ShellView.h"

CShellApp::CShellApp(const wchar_t* programPath) : CWinApp(L"Korvo Sampler", programPath) {}

BOOL CShellApp::InitInstance() {
    InitCommonControls();
    if (!InitOle()) {
        AfxMessageBox(AfxLoadString(IDP_OLE_INIT_FAILED).c_str(), MB_OK);
        return FALSE;
    }
    SetRegistryKey(L"Local AppWizard-Generated Applications");
    docTemplate_.reset(new CSingleDocTemplate(IDR_MAINFRAME, &MakeObject<CShellDoc, CDocument>,
                                              &MakeObject<CMainFrame, CFrameWnd>, &MakeObject<CShellView, CView>));
    // The program takes no document on its command line: it always starts
    // with its one empty document.
    CFrameWnd* frame = docTemplate_->OpenNewDocument();
    if (frame == nullptr) return FALSE;
    frame->ShowWindow(SW_SHOW);
    // Centred on the screen, at the size the editor gave it.
    RECT bounds;
    ::GetWindowRect(frame->m_hWnd, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    ::SetWindowPos(frame->m_hWnd, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::UpdateWindow(frame->m_hWnd);
    return TRUE;
}

bool CShellApp::OnCommand(UINT id) {
    if (id != ID_APP_ABOUT) return false;
    CAboutDlg about;
    about.DoModal();
    return true;
}
