#include "PlayerAbout.h"

#include "PlayerSkinNames.h"

CAboutDlg::CAboutDlg(HINSTANCE module) {
    resourceHolder.module = module;
    const HRSRC resource = ::FindResourceW(module, playerskin::kAboutImage, L"PNG");
    picture = resource != nullptr ? LoadPngResource(resource, &resourceHolder) : nullptr;
}

CAboutDlg::~CAboutDlg() {
    DestroyPanelWindow(&panel);
    delete picture;
    // The block behind the picture, which nothing reads any more.
    if (picture != nullptr && resourceHolder.block != nullptr) {
        ::GlobalUnlock(resourceHolder.block);
        ::GlobalFree(resourceHolder.block);
    }
}

void CAboutDlg::OnInitDialog() {
    const HWND dialog = DialogWindow();
    // Registered under the process's module: the dialog is the host's window.
    CreatePanelWindow(&panel, ::GetModuleHandleW(nullptr), dialog, picture);
    ::SetWindowTextW(dialog, L"About Korvo Sampler");
    // The picture's size inside the dialog's frame and caption.
    if (picture != nullptr)
        SizeClientArea(static_cast<int>(picture->GetWidth()), static_cast<int>(picture->GetHeight()));
}

void CAboutDlg::OnClose() {
    DestroyPanelWindow(&panel);
    KDialog::OnClose();
}
