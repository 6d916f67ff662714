#include "Dialog.h"

#include "DialogTemplate.h"
#include "Panel.h"

namespace {

// The empty dialog every KDialog starts from.
KDialogTemplate EmptyDialog() {
    const KDialogTemplate::Font font{8, FW_NORMAL, 0, DEFAULT_CHARSET, L"MS Shell Dlg"};
    return KDialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
                           0, 0, 0, 202, 152, L"Dialog", font);
}

} // namespace

INT_PTR KDialog::Run(HWND parent) {
    KDialogTemplate empty = EmptyDialog();
    const INT_PTR result = ::DialogBoxIndirectParamW(PanelCodeModule(), empty.Data(), parent, DialogProc,
                                                     reinterpret_cast<LPARAM>(this));
    dialogWindow = nullptr;
    return result;
}

void KDialog::OnClose() { ::EndDialog(dialogWindow, 2); }

void KDialog::SizeClientArea(int width, int height) {
    RECT frame = {0, 0, width, height};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(dialogWindow, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(dialogWindow, GWL_EXSTYLE)));
    // Where the dialog manager placed the template's dialog it stays: only
    // its size changes.
    ::SetWindowPos(dialogWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK KDialog::DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<KDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->dialogWindow = window;
        dialog->OnInitDialog();
        return TRUE;
    }
    // Messages before WM_INITDIALOG (the font) belong to no object yet.
    auto* dialog = reinterpret_cast<KDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    if (message == WM_CLOSE) {
        dialog->OnClose();
        return TRUE;
    }
    return FALSE;
}
