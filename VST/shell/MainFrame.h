// The standalone host's main window: a fixed-size frame (no resizing, no
// maximising) whose size follows the plug-in's editor.
#pragma once

#include "FrameWnd.h"

class CMainFrame : public CFrameWnd {
public:
    static constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;   // 0x00CA0000

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override {
        cs.style = kStyle;
        return TRUE;
    }
};
