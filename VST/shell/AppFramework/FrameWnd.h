// The main frame: a top-level window with the program's menu and icon whose
// client area is one view. The frame owns itself: it is deleted with its
// window.
#pragma once

#include "Wnd.h"

class CView;

class CFrameWnd : public CWnd {
public:
    // Creates the frame hidden, with menu and icon resourceId.
    bool LoadFrame(UINT resourceId, const wchar_t* title);
    // The view that fills the client area and takes commands first.
    void SetActiveView(CView* view) { activeView_ = view; }
    CView* GetActiveView() const { return activeView_; }

    // Sizes the frame without moving it.
    void SetSize(int width, int height);

protected:
    // The frame's style, position and size before it is made.
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    void FitViewToClient();

    CView* activeView_ = nullptr;
};
