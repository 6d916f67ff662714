#include "InputBox.h"

#include "DialogTemplate.h"

#include <cstring>

namespace {

constexpr int kPromptId = 1000;
constexpr int kLineEditId = 1001;
constexpr int kMultilineEditId = 1002;

KDialogTemplate InputBoxTemplate() {
    const KDialogTemplate::Font font{8, FW_BOLD, 0, ANSI_CHARSET, L"MS Shell Dlg"};
    KDialogTemplate t(WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS, 0, 22, 17, 231, 109,
                      L"Win32InputBox", font);
    t.AddControl(kPromptId, KDialogTemplate::kStatic, L"Prompt:", 6, 4, 157, 33,
                 WS_VISIBLE | WS_CHILD | WS_GROUP | SS_NOPREFIX);
    t.AddControl(kLineEditId, KDialogTemplate::kEdit, L"", 6, 37, 216, 14,
                 WS_VISIBLE | WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL);
    t.AddControl(kMultilineEditId, KDialogTemplate::kEdit, L"", 6, 55, 216, 49,
                 WS_VISIBLE | WS_CHILD | WS_VSCROLL | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL |
                     ES_WANTRETURN);
    t.AddControl(IDOK, KDialogTemplate::kButton, L"OK", 171, 4, 51, 14,
                 WS_VISIBLE | WS_CHILD | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON);
    t.AddControl(IDCANCEL, KDialogTemplate::kButton, L"CANCEL", 171, 21, 51, 14,
                 WS_VISIBLE | WS_CHILD | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON);
    t.AddControl(-1, KDialogTemplate::kStatic, L"", 0, 39, 8, 8, WS_CHILD | WS_GROUP);
    return t;
}

struct InputBoxContext {
    InputBoxParams* params;
    HWND edit;
};

bool IsExtended(const DLGTEMPLATE* data) {
    const auto* words = reinterpret_cast<const uint16_t*>(data);
    return words[0] == 1 && words[1] == 0xFFFF;
}

// Header offsets of a classic template (DLGTEMPLATE).
constexpr size_t kClassicStyleOffset = 0, kClassicExStyleOffset = 4, kClassicXOffset = 10;

template <typename T> T Field(const DLGTEMPLATE* data, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const uint8_t*>(data) + offset, sizeof value);
    return value;
}

template <typename T> void SetField(DLGTEMPLATE* data, size_t offset, T value) {
    std::memcpy(reinterpret_cast<uint8_t*>(data) + offset, &value, sizeof value);
}

void PatchTemplate(const InputBoxParams& p) {
    const bool extended = IsExtended(p.templateData);
    const size_t styleAt = extended ? kDialogExStyleOffset : kClassicStyleOffset;
    const size_t exStyleAt = extended ? kDialogExExStyleOffset : kClassicExStyleOffset;
    const size_t xAt = extended ? kDialogExXOffset : kClassicXOffset;
    uint32_t style = (Field<uint32_t>(p.templateData, styleAt) | p.styleOr) & p.styleAnd;
    if (p.center) style |= DS_CENTER;
    SetField(p.templateData, styleAt, style);
    SetField(p.templateData, exStyleAt, (Field<uint32_t>(p.templateData, exStyleAt) | p.exStyleOr) & p.exStyleAnd);
    if (p.x != -1) SetField(p.templateData, xAt, p.x);
    if (p.y != -1) SetField(p.templateData, xAt + 2, p.y);
}

void Initialise(HWND window, InputBoxContext& context) {
    const InputBoxParams& p = *context.params;
    ::SetDlgItemTextW(window, IDOK, L"OK");
    ::SetDlgItemTextW(window, IDCANCEL, L"CANCEL");
    ::SetWindowTextW(window, p.title);
    ::SetDlgItemTextW(window, kPromptId, p.prompt);
    context.edit = ::GetDlgItem(window, p.multiline ? kMultilineEditId : kLineEditId);
    ::SetWindowTextW(context.edit, p.result);
    if (p.multiline) return;
    // One line: the box ends 5 pixels below its edit.
    RECT box = {}, edit = {};
    ::GetWindowRect(window, &box);
    ::GetWindowRect(context.edit, &edit);
    ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, box.right - box.left, edit.bottom + 5 - box.top,
                   SWP_NOMOVE);
    ::ShowWindow(::GetDlgItem(window, kMultilineEditId), SW_HIDE);
}

} // namespace

int InputBoxRun(InputBoxParams* params) {
    if (params == nullptr || params->result == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (params->templateName != nullptr) {
        const HRSRC resource = ::FindResourceW(params->instance, params->templateName, MAKEINTRESOURCEW(5));
        const HGLOBAL loaded = resource != nullptr ? ::LoadResource(params->instance, resource) : nullptr;
        if (loaded == nullptr) return 0;
        params->templateData = static_cast<DLGTEMPLATE*>(::LockResource(loaded));
        if (params->templateData == nullptr) return 0;
    }
    if (params->templateData == nullptr) return 0;
    PatchTemplate(*params);
    InputBoxContext context{params, nullptr};
    return static_cast<int>(::DialogBoxIndirectParamW(params->instance, params->templateData, params->owner,
                                                      InputBoxProc, reinterpret_cast<LPARAM>(&context)));
}

INT_PTR CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* context = reinterpret_cast<InputBoxContext*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        context->params->dialogWindow = window;
        Initialise(window, *context);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL) return FALSE;
    auto* context = reinterpret_cast<InputBoxContext*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (context == nullptr) return FALSE;
    const InputBoxParams& p = *context->params;
    ::GetWindowTextW(context->edit, p.result, static_cast<int>(p.resultSize));
    ::EndDialog(window, id);
    return TRUE;
}

int InputBox(const wchar_t* prompt, wchar_t* buffer, HWND owner) {
    KDialogTemplate box = InputBoxTemplate();
    InputBoxParams params = {};
    params.multiline = false;
    params.templateData = box.Data();
    params.templateName = nullptr;
    params.center = true;
    params.styleOr = 0;
    params.styleAnd = 0xFFFFFFFFu;
    params.exStyleOr = 0;
    params.exStyleAnd = 0xFFFFFFFFu;
    params.title = L"Tellurand Panelkit2";
    params.prompt = prompt;
    params.result = buffer;
    params.resultSize = static_cast<uint32_t>(kInputBoxChars);
    params.owner = owner != nullptr ? ::GetAncestor(owner, GA_ROOT) : nullptr;
    params.instance = ::GetModuleHandleW(nullptr);
    params.x = -1;
    params.y = -1;
    const int result = InputBoxRun(&params);
    if (buffer != nullptr) buffer[kInputBoxChars - 1] = 0;
    return result;
}
