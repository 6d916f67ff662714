#include "DocTemplate.h"

#include "WinApp.h"

std::wstring CSingleDocTemplate::TypeName() const {
    // "window title\ndocument name\n..."
    const std::wstring strings = AfxLoadString(resourceId_);
    const size_t first = strings.find(L'\n');
    if (first == std::wstring::npos) return strings;
    const size_t second = strings.find(L'\n', first + 1);
    return strings.substr(first + 1, second == std::wstring::npos ? std::wstring::npos : second - first - 1);
}

CFrameWnd* CSingleDocTemplate::OpenNewDocument() {
    document_.reset(makeDocument_());
    const std::wstring title = L"Untitled - " + TypeName();
    CFrameWnd* frame = makeFrame_();
    if (!frame->LoadFrame(resourceId_, title.c_str())) {
        delete frame;
        return nullptr;
    }
    CView* view = makeView_();
    if (!view->Create(frame->m_hWnd)) {
        delete view;
        frame->DestroyWindow();
        return nullptr;
    }
    frame->SetActiveView(view);
    // Dialogs and message boxes of the initial update are owned by the frame.
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == nullptr) app->m_pMainWnd = frame;
    view->OnInitialUpdate();
    return frame;
}
