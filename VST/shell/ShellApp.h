// The standalone host's application object.
#pragma once

#include "DocTemplate.h"
#include "WinApp.h"

#include <memory>

class CShellApp : public CWinApp {
public:
    // The program path names the plug-in and INI file beside it; the
    // running program's when null.
    explicit CShellApp(const wchar_t* programPath = nullptr);

    BOOL InitInstance() override;
    bool OnCommand(UINT id) override;

private:
    std::unique_ptr<CSingleDocTemplate> docTemplate_;
};
