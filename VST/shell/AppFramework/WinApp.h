// The application object: one per program, its start-up in InitInstance,
// then the message loop of its main window.
#pragma once

#include "FrameworkIds.h"
#include "Wnd.h"

#include <windows.h>

#include <string>

class CWinApp {
public:
    // appName is the caption of the program's message boxes. The program
    // path is the running program's unless one is given (a host that runs
    // the application inside another program names where it stands).
    explicit CWinApp(const wchar_t* appName, const wchar_t* programPath = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // False ends the program before the loop runs.
    virtual BOOL InitInstance() { return TRUE; }
    // Returns the program's exit code.
    virtual int ExitInstance();
    // InitInstance, the message loop while a main window lives, ExitInstance.
    int Run();

    // Commands that no window took (ID_APP_ABOUT): true when handled.
    virtual bool OnCommand(UINT id);

    // All common-control classes.
    static void InitCommonControls();
    // OLE for the program's thread; undone in ExitInstance.
    bool InitOle();
    // The registry key under which the framework would keep its profile;
    // the programs store nothing there themselves.
    void SetRegistryKey(const wchar_t* key) { registryKey_ = key; }
    const std::wstring& RegistryKey() const { return registryKey_; }

    const wchar_t* AppName() const { return appName_.c_str(); }
    const std::wstring& ProgramPath() const { return programPath_; }

    CWnd* m_pMainWnd = nullptr;

private:
    std::wstring appName_;
    std::wstring programPath_;
    std::wstring registryKey_;
    bool oleInitialized_ = false;
};

// The application of this thread's program (one at a time per process).
CWinApp* AfxGetApp();
// The module whose resources the framework loads (the program).
HINSTANCE AfxGetResourceHandle();
// A message box captioned with the application's name, owned by its active
// window.
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK);
int AfxMessageBox(const char* text, UINT type = MB_OK);
// A string resource of the program; empty when missing.
std::wstring AfxLoadString(UINT id);
