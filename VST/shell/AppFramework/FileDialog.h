// The system's open and save dialogs as one object: a filter written as
// "Name|pattern|Name|pattern||", a default extension, the chosen path.
#pragma once

#include "Wnd.h"

#include <string>

class CFileDialog {
public:
    CFileDialog(bool open, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                const wchar_t* filter, CWnd* parent = nullptr);

    // IDOK when a file was chosen, IDCANCEL otherwise (also when the dialog
    // failed).
    INT_PTR DoModal();
    std::wstring GetPathName() const { return path_; }

private:
    bool open_;
    std::wstring defaultExtension_;
    std::wstring filter_;   // '|' turned into the terminators the system wants
    DWORD flags_;
    CWnd* parent_;
    wchar_t file_[MAX_PATH] = {};
    std::wstring path_;
};
