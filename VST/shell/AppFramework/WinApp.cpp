#include "WinApp.h"

#include <commctrl.h>
#include <ole2.h>

#include <atomic>

namespace {

std::atomic<CWinApp*> gApp{nullptr};

std::wstring RunningProgramPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

HWND MessageBoxOwner() {
    HWND active = ::GetActiveWindow();
    if (active != nullptr) return active;
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->m_pMainWnd != nullptr ? app->m_pMainWnd->m_hWnd : nullptr;
}

} // namespace

CWinApp::CWinApp(const wchar_t* appName, const wchar_t* programPath)
    : appName_(appName), programPath_(programPath != nullptr ? programPath : RunningProgramPath()) {
    gApp = this;
}

CWinApp::~CWinApp() {
    CWinApp* self = this;
    gApp.compare_exchange_strong(self, nullptr);
}

int CWinApp::ExitInstance() {
    if (oleInitialized_) ::OleUninitialize();
    oleInitialized_ = false;
    return 0;
}

int CWinApp::Run() {
    if (!InitInstance()) {
        // A main window made before the failure goes with it.
        if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr) m_pMainWnd->DestroyWindow();
        m_pMainWnd = nullptr;
        ExitInstance();
        return 0;
    }
    MSG message;
    int exitCode = 0;
    while (m_pMainWnd != nullptr) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) break;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    const int result = ExitInstance();
    return exitCode != 0 ? exitCode : result;
}

bool CWinApp::OnCommand(UINT) { return false; }

void CWinApp::InitCommonControls() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_COOL_CLASSES |
                     ICC_INTERNET_CLASSES | ICC_PAGESCROLLER_CLASS | ICC_NATIVEFNTCTL_CLASS | ICC_STANDARD_CLASSES |
                     ICC_LINK_CLASS;
    ::InitCommonControlsEx(&controls);
}

bool CWinApp::InitOle() {
    if (oleInitialized_) return true;
    const HRESULT result = ::OleInitialize(nullptr);
    if (FAILED(result)) return false;
    oleInitialized_ = true;
    return true;
}

CWinApp* AfxGetApp() { return gApp.load(); }

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleW(nullptr); }

int AfxMessageBox(const wchar_t* text, UINT type) {
    CWinApp* app = AfxGetApp();
    return ::MessageBoxW(MessageBoxOwner(), text, app != nullptr ? app->AppName() : L"", type);
}

int AfxMessageBox(const char* text, UINT type) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    return AfxMessageBox(wide.c_str(), type);
}

std::wstring AfxLoadString(UINT id) {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}
