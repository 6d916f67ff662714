#include "Wnd.h"

#include "WinApp.h"

std::wstring CWnd::GetWindowText() const {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(m_hWnd, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

bool CWnd::RegisterClass(const wchar_t* className, UINT iconId, UINT style) {
    HINSTANCE instance = AfxGetResourceHandle();
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(instance, className, &existing)) return true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = &CWnd::BoundProc;
    wc.hInstance = instance;
    wc.hIcon = iconId != 0 ? ::LoadIconW(instance, MAKEINTRESOURCEW(iconId)) : nullptr;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));   // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    return ::RegisterClassExW(&wc) != 0;
}

bool CWnd::CreateBound(const CREATESTRUCTW& cs) {
    HWND window = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x,
                                    cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, AfxGetResourceHandle(), this);
    return window != nullptr;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && OnCommand(LOWORD(wParam), HIWORD(wParam))) return 0;
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

bool CWnd::OnCommand(UINT, UINT) { return false; }

LRESULT CALLBACK CWnd::BoundProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr && message == WM_NCCREATE) {
        self = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hWnd = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = self->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
    }
    return result;
}
