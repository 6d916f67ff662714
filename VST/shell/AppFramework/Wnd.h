// The window object every framework window derives from: one Win32 window
// and the virtual handlers its messages reach.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    // Binds an existing window (a dialog's control) without taking it over.
    void Attach(HWND window) { m_hWnd = window; }

    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    std::wstring GetWindowText() const;
    void ShowWindow(int how) { ::ShowWindow(m_hWnd, how); }
    BOOL DestroyWindow();

    // Registers (once per name) a window class whose procedure routes to the
    // object created with CreateFramed; icon and menu are resource ids
    // (0: none).
    static bool RegisterClass(const wchar_t* className, UINT iconId, UINT style);

    HWND m_hWnd = nullptr;

protected:
    // Creates the window of a class from RegisterClass bound to this object.
    bool CreateBound(const CREATESTRUCTW& cs);

    // Every message of the window; the default hands it to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND: true when handled.
    virtual bool OnCommand(UINT id, UINT code);
    // After the window's last message: objects that own themselves delete
    // themselves here.
    virtual void PostNcDestroy() {}

private:
    static LRESULT CALLBACK BoundProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
