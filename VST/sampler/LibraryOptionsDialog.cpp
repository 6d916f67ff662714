#include "LibraryOptionsDialog.h"

#include "PlayerExport.h"
#include "SkinNames.h"

#include <commdlg.h>

#include <cstring>

namespace {

constexpr uint32_t kTextColor = 0xFFD0D0D5;
// The picture draws the style box's frame and arrow.
constexpr uint32_t kInvisible = 0x00FFFFFF;
constexpr size_t kPictureCount = sizeof skin::kLibraryOptionsImages / sizeof skin::kLibraryOptionsImages[0];
constexpr const wchar_t* kStyleNames[KSLDlg::kStyles] = {L"Default", L"Default Chinese", L"Army", L"Black",
                                                          L"Wood",    L"Metal",           L"Black Wood"};

} // namespace

std::wstring FileNameFromPath(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

KSLDlg::KSLDlg(HINSTANCE module, HWND parent)
    : KSkinnedDialog(module, parent, skin::kLibraryOptionsImages, kPictureCount) {}

KSLDlg::~KSLDlg() { DestroyPanel(); }

void KSLDlg::MakeText(KText& text, int id, int left, int top, int right, int bottom, const std::wstring& shown,
                      bool editable) {
    text.Create(left, top, right, bottom, shown.c_str(), id, !editable, true);
    text.textColor = kTextColor;
    FitFont(text);
}

void KSLDlg::OnInitDialog() {
    if (!CreatePanel(L"Sound Library Options", OnCommand)) return;
    // In the order of skin::kLibraryOptionsImages.
    Gdiplus::Bitmap* okImage = Picture(1);
    Gdiplus::Bitmap* browseImage = Picture(2);
    Gdiplus::Bitmap* checkImage = Picture(3);

    SetWidgetImage(okImage, &okButton, kOkId, false, 120, 280);
    AddWidget(panel.model, &okButton);
    MakeText(nameText, kNameTextId, 126, 49, 226, 62, libraryName, true);
    AddWidget(panel.model, &nameText);
    MakeText(vendorText, kVendorTextId, 126, 83, 226, 96, vendorName, true);
    AddWidget(panel.model, &vendorText);
    shownId_ = LibraryCodeText(uniqueId);
    MakeText(uniqueIdText, kIdTextId, 126, 116, 227, 130, shownId_, true);
    AddWidget(panel.model, &uniqueIdText);
    MakeText(backgroundText, 0, 125, 219, 232, 232, FileNameFromPath(backgroundPicture), false);
    AddWidget(panel.model, &backgroundText);

    styleCombo.Create(107, kInvisible, kInvisible, kInvisible, kTextColor, kInvisible, 0, 124, 150, font_.get());
    styleCombo.SetItems(kStyleNames, kStyles);
    styleCombo.selectedIndex = uiStyle >= 0 && uiStyle < kStyles ? uiStyle : -1;
    AddWidget(panel.model, &styleCombo);

    MakeText(logoText, 0, 126, 253, 233, 266, FileNameFromPath(logoPicture), false);
    AddWidget(panel.model, &logoText);
    KToggle::Create(&relativePathToggle, checkImage, 0, 214, 184);
    relativePathToggle.SetValueSilently(samplesInRelativePath ? 1.0f : 0.0f);
    AddWidget(panel.model, &relativePathToggle);
    SetWidgetImage(browseImage, &browseLogoButton, kBrowseLogoId, false, 240, 250);
    AddWidget(panel.model, &browseLogoButton);
    SetWidgetImage(browseImage, &browseBackgroundButton, kBrowseBackgroundId, false, 240, 216);
    AddWidget(panel.model, &browseBackgroundButton);
}

void KSLDlg::OnCommand(int id, void* context) {
    auto* self = static_cast<KSLDlg*>(context);
    switch (id) {
    case kOkId: self->OnOK(); break;
    case kBrowseLogoId: self->OnBrowseLogo(); break;
    case kBrowseBackgroundId: self->OnBrowseProduct(); break;
    case kNameTextId: self->FitFont(self->nameText); break;
    case kVendorTextId: self->FitFont(self->vendorText); break;
    case kIdTextId: self->FitFont(self->uniqueIdText); break;
    default: break;
    }
}

void KSLDlg::OnOK() {
    // The code is checked first: a refused one keeps the dialog open with
    // every field as typed.
    const std::wstring idText = uniqueIdText.GetText();
    char code[4];
    std::memcpy(code, uniqueId, 4);
    // An untouched code keeps its bytes, also those this code page cannot
    // show (a bank made on another system).
    if (idText != shownId_) {
        std::wstring problem;
        if (!LibraryCodeFromText(idText, code, problem)) {
            Message(problem.c_str(), MB_OK | MB_ICONERROR);
            return;
        }
    }
    std::memcpy(uniqueId, code, 4);
    uniqueId[4] = 0;
    libraryName = nameText.GetText();
    vendorName = vendorText.GetText();
    samplesInRelativePath = relativePathToggle.IsOn();
    uiStyle = styleCombo.selectedIndex;
    ::EndDialog(DialogWindow(), 1);
}

bool KSLDlg::ChoosePicture(const wchar_t* title, std::wstring& path) {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = DialogWindow();
    dialog.hInstance = module_;
    dialog.lpstrFilter = L"96dpi Picture(*.png;*.jpg;*.bmp;*.gif)\0*.png;*.jpg;*.bmp;*.gif\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    const HWND owner = DialogWindow();
    if (!::GetOpenFileNameW(&dialog) || !::IsWindow(owner)) return false;
    path = file;
    return true;
}

void KSLDlg::OnBrowseLogo() {
    if (!ChoosePicture(L"Select your logo PNG", logoPicture)) return;
    logoText.SetText(FileNameFromPath(logoPicture).c_str());
    FitFont(logoText);
}

void KSLDlg::OnBrowseProduct() {
    if (!ChoosePicture(L"Select your product PNG", backgroundPicture)) return;
    backgroundText.SetText(FileNameFromPath(backgroundPicture).c_str());
    FitFont(backgroundText);
}
