#include "AboutDialog.h"

#include "SkinNames.h"

namespace {
constexpr size_t kPictureCount = sizeof skin::kAboutImages / sizeof skin::kAboutImages[0];
} // namespace

KAboutDlg::KAboutDlg(HINSTANCE module, HWND parent) : KSkinnedDialog(module, parent, skin::kAboutImages, kPictureCount) {}

KAboutDlg::~KAboutDlg() { DestroyPanel(); }

void KAboutDlg::OnInitDialog() {
    if (!CreatePanel(L"About Korvo Sampler", OnCommand)) return;
    SetWidgetImage(Picture(1), &okButton, kOkId, false, 125, 220);
    AddWidget(panel.model, &okButton);
}

void KAboutDlg::OnCommand(int id, void* context) {
    if (id == kOkId) ::EndDialog(static_cast<KAboutDlg*>(context)->DialogWindow(), 1);
}
