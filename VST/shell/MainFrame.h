// The standalone host's main window: a fixed-size frame (no resizing, no
// maximising) whose size follows the plug-in's editor.
#pragma once

#include "FrameWnd.h"
#include "View.h"

class CMainFrame : public CFrameWnd {
public:
    static constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;   // 0x00CA0000
    // Sent to the view when the frame is asked to close, while both still
    // stand (the view's reset message is WM_APP + 1).
    static constexpr UINT kClosingMessage = WM_APP + 2;

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override {
        cs.style = kStyle;
        return TRUE;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CLOSE) {
            // A second close while the view is still answering the first
            // (its message box runs the messages) would pull the window
            // from under it.
            if (closing_) return 0;
            closing_ = true;
            CView* view = GetActiveView();
            if (view != nullptr && view->m_hWnd != nullptr) ::SendMessageW(view->m_hWnd, kClosingMessage, 0, 0);
        }
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }

private:
    bool closing_ = false;
};
