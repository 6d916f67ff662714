// The document and the view of a single-document program. The view is a
// child window that fills its frame's client area; it owns itself and is
// deleted with its window.
#pragma once

#include "Wnd.h"

class CDocument {
public:
    virtual ~CDocument() = default;
};

class CView : public CWnd {
public:
    bool Create(HWND parent);

    // Once, after the frame and view are made and before the frame shows.
    virtual void OnInitialUpdate() {}
    // WM_COMMAND reaching the view through its frame: true when handled.
    bool RouteCommand(UINT id, UINT code) { return OnCommand(id, code); }

protected:
    virtual void OnDraw(HDC dc) = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override { delete this; }
};
