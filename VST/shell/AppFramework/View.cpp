#include "View.h"

namespace {
constexpr wchar_t kViewClass[] = L"KorvoView";
constexpr UINT kFirstViewId = 0xE900;   // the framework's id of a frame's first pane
}

bool CView::Create(HWND parent) {
    if (!RegisterClass(kViewClass, 0, CS_DBLCLKS)) return false;
    RECT client;
    ::GetClientRect(parent, &client);
    CREATESTRUCTW cs = {};
    cs.lpszClass = kViewClass;
    cs.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    cs.cx = client.right;
    cs.cy = client.bottom;
    cs.hwndParent = parent;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kFirstViewId));
    return CreateBound(cs);
}

LRESULT CView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(m_hWnd, &paint);
        OnDraw(dc);
        ::EndPaint(m_hWnd, &paint);
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
