// A single-document template: the menu and icon resource, the document type
// name, and how its document, frame and view are made. OpenNewDocument makes
// the three, the view filling the frame, and runs the view's initial update;
// the frame stays hidden for the program to show.
#pragma once

#include "FrameWnd.h"
#include "View.h"

#include <memory>
#include <string>

class CSingleDocTemplate {
public:
    using DocumentMaker = CDocument* (*)();
    using FrameMaker = CFrameWnd* (*)();
    using ViewMaker = CView* (*)();

    CSingleDocTemplate(UINT resourceId, DocumentMaker document, FrameMaker frame, ViewMaker view)
        : resourceId_(resourceId), makeDocument_(document), makeFrame_(frame), makeView_(view) {}

    // The type name: the second field of the document string (resource id).
    std::wstring TypeName() const;
    // Null when a window cannot be made.
    CFrameWnd* OpenNewDocument();

private:
    UINT resourceId_;
    DocumentMaker makeDocument_;
    FrameMaker makeFrame_;
    ViewMaker makeView_;
    std::unique_ptr<CDocument> document_;
};

template <typename T, typename Base>
Base* MakeObject() { return new T; }
