#include "FrameWnd.h"

#include "View.h"
#include "WinApp.h"

namespace {
constexpr wchar_t kFrameClass[] = L"KorvoFrame";
}

bool CFrameWnd::LoadFrame(UINT resourceId, const wchar_t* title) {
    if (!RegisterClass(kFrameClass, resourceId, CS_DBLCLKS)) return false;
    CREATESTRUCTW cs = {};
    cs.lpszClass = kFrameClass;
    cs.lpszName = title;
    cs.style = WS_OVERLAPPEDWINDOW;
    cs.x = CW_USEDEFAULT;
    cs.y = CW_USEDEFAULT;
    cs.cx = CW_USEDEFAULT;
    cs.cy = CW_USEDEFAULT;
    cs.hMenu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(resourceId));
    if (!PreCreateWindow(cs)) return false;
    if (CreateBound(cs)) return true;
    if (cs.hMenu != nullptr) ::DestroyMenu(cs.hMenu);
    return false;
}

void CFrameWnd::SetSize(int width, int height) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW&) { return TRUE; }

void CFrameWnd::FitViewToClient() {
    if (activeView_ == nullptr || activeView_->m_hWnd == nullptr) return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    ::MoveWindow(activeView_->m_hWnd, 0, 0, client.right, client.bottom, TRUE);
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        FitViewToClient();
        return 0;
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        if (activeView_ != nullptr && activeView_->RouteCommand(id, HIWORD(wParam))) return 0;
        if (id == ID_APP_EXIT) {
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            return 0;
        }
        if (OnCommand(id, HIWORD(wParam))) return 0;
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->OnCommand(id)) return 0;
        break;
    }
    case WM_SETFOCUS:
        if (activeView_ != nullptr && activeView_->m_hWnd != nullptr) ::SetFocus(activeView_->m_hWnd);
        return 0;
    case WM_DESTROY: {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd == this) ::PostQuitMessage(0);
        break;
    }
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CFrameWnd::PostNcDestroy() {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
    delete this;
}
