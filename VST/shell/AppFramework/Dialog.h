// Dialogs from the program's dialog templates, modal (DoModal) or modeless
// (Create), with data exchange between members and controls.
#pragma once

#include "Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : templateId_(templateId), parent_(parent) {}

    // Runs the dialog owned by its parent's top-level window (the main
    // window without a parent): IDOK, IDCANCEL, or -1 when it cannot be
    // shown.
    INT_PTR DoModal();
    // A modeless dialog; the parent is its parent window (popup templates:
    // its owner).
    bool Create(UINT templateId, CWnd* parent);
    void EndDialog(INT_PTR result);

    // Moves data between members and controls: save reads the controls.
    bool UpdateData(bool save = true);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

protected:
    // The default fills the controls from the members.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    // OK reads the controls and ends with IDOK; Cancel ends with IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    // Messages the dialog does not route itself; a handled one returns true
    // and sets result (for WM_QUERYDRAGICON, the WM_CTLCOLOR family and the
    // other messages answered directly, the answer itself).
    virtual bool DialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND OwnerWindow() const;

    UINT templateId_;
    CWnd* parent_;
    bool modal_ = false;
};

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Small wrappers of standard controls, bound with DDX_Control.
class CComboBox : public CWnd {
public:
    int AddString(const wchar_t* text);
    int AddString(const char* text);
    int GetCount() const;
    int GetCurSel() const;
    // -1 (or an index outside the list) selects nothing.
    int SetCurSel(int index);
    void ResetContent();
};

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int check);
};

class CStatic : public CWnd {};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// The combo box's selection (-1 for none).
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
// A check box: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* dx, int id, int& value);
