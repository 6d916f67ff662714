#include "Dialog.h"

#include "WinApp.h"

HWND CDialog::OwnerWindow() const {
    HWND parent = parent_ != nullptr ? parent_->m_hWnd : nullptr;
    if (parent == nullptr) {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this)
            parent = app->m_pMainWnd->m_hWnd;
    }
    return parent != nullptr ? ::GetAncestor(parent, GA_ROOT) : nullptr;
}

INT_PTR CDialog::DoModal() {
    modal_ = true;
    const INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId_), OwnerWindow(),
                                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result;
}

bool CDialog::Create(UINT templateId, CWnd* parent) {
    templateId_ = templateId;
    parent_ = parent;
    modal_ = false;
    HWND window = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId_),
                                       parent != nullptr ? parent->m_hWnd : nullptr, &CDialog::DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (modal_)
        ::EndDialog(m_hWnd, result);
    else
        DestroyWindow();
}

bool CDialog::UpdateData(bool save) {
    CDataExchange exchange(this, save);
    DoDataExchange(&exchange);
    return true;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::DialogMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    if (message != WM_COMMAND) return false;
    result = 0;
    const UINT id = LOWORD(wParam);
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return OnCommand(id, HIWORD(wParam));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = window;
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        return self->OnInitDialog();
    }
    if (self == nullptr) return FALSE;
    INT_PTR result = 0;
    const bool handled = self->DialogMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    // These few answer through the procedure's own result, not the message
    // result (a drag icon, a colour's brush, an item index).
    switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return result;
    default:
        ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

int CComboBox::AddString(const wchar_t* text) {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::AddString(const char* text) {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::GetCount() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }

int CComboBox::GetCurSel() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }

int CComboBox::SetCurSel(int index) {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

void CComboBox::ResetContent() { ::SendMessageW(m_hWnd, CB_RESETCONTENT, 0, 0); }

int CButton::GetCheck() const { return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0)); }

void CButton::SetCheck(int check) { ::SendMessageW(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0); }

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    // Bound anew on every run: a dialog object may be shown again.
    control.Attach(dx->m_pDlgWnd->GetDlgItem(id));
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
    HWND combo = dx->m_pDlgWnd->GetDlgItem(id);
    if (dx->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    HWND button = dx->m_pDlgWnd->GetDlgItem(id);
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(button, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(button, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}
