#include "BeforePaint.h"

namespace {
constexpr const wchar_t* kHookProperty = L"KorvoBeforePaint";
} // namespace

bool KBeforePaint::Attach(HWND window, Callback callback, void* user) {
    if (window == nullptr || ::GetPropW(window, kHookProperty) != nullptr) return false;
    callback_ = callback;
    user_ = user;
    if (!::SetPropW(window, kHookProperty, this)) return false;
    panelProcedure_ =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure)));
    return panelProcedure_ != nullptr;
}

LRESULT CALLBACK KBeforePaint::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* hook = static_cast<KBeforePaint*>(::GetPropW(window, kHookProperty));
    if (hook == nullptr || hook->panelProcedure_ == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC panelProcedure = hook->panelProcedure_;
    if (message == WM_PAINT && hook->callback_ != nullptr) hook->callback_(hook->user_);
    if (message == WM_NCDESTROY) {
        ::RemovePropW(window, kHookProperty);
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(panelProcedure));
        hook->panelProcedure_ = nullptr;
    }
    return ::CallWindowProcW(panelProcedure, window, message, wParam, lParam);
}
