#include "FileDialog.h"

#include "WinApp.h"

#include <commdlg.h>

#include <cwchar>

CFileDialog::CFileDialog(bool open, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, CWnd* parent)
    : open_(open), defaultExtension_(defaultExtension != nullptr ? defaultExtension : L""),
      filter_(filter != nullptr ? filter : L""), flags_(flags), parent_(parent) {
    for (wchar_t& c : filter_)
        if (c == L'|') c = L'\0';
    filter_.push_back(L'\0');
    if (fileName != nullptr && std::wcslen(fileName) < MAX_PATH) std::wcscpy(file_, fileName);
}

INT_PTR CFileDialog::DoModal() {
    HWND owner = parent_ != nullptr ? parent_->m_hWnd : nullptr;
    if (owner == nullptr && AfxGetApp() != nullptr && AfxGetApp()->m_pMainWnd != nullptr)
        owner = AfxGetApp()->m_pMainWnd->m_hWnd;
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter_.size() > 1 ? filter_.c_str() : nullptr;
    request.lpstrFile = file_;
    request.nMaxFile = MAX_PATH;
    request.lpstrDefExt = defaultExtension_.empty() ? nullptr : defaultExtension_.c_str();
    request.Flags = flags_ | OFN_EXPLORER | (open_ ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : OFN_OVERWRITEPROMPT);
    const BOOL chosen = open_ ? ::GetOpenFileNameW(&request) : ::GetSaveFileNameW(&request);
    if (!chosen) return IDCANCEL;
    path_ = file_;
    return IDOK;
}
