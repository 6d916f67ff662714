#include "ExportDialog.h"

#include "FolderPicker.h"
#include "SkinNames.h"

namespace {

constexpr uint32_t kTextColor = 0xFFD0D0D5;
constexpr float kEmpty = -100.0f; // the bar's floor
constexpr size_t kPictureCount = sizeof skin::kExportDialogImages / sizeof skin::kExportDialogImages[0];

HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }

} // namespace

KExportDlg::KExportDlg(HINSTANCE module, HWND parent, KFileJob* exportJob)
    : KSkinnedDialog(module, parent, skin::kExportDialogImages, kPictureCount), job(exportJob) {
    progressMeter.floorDb = -30.0f;
    progressMeter.levelDb = -120.0f;
    progressMeter.decayDb = 3.0f;
    ini.SetPath(L"korvosampler.ini");
}

KExportDlg::~KExportDlg() { DestroyPanel(); }

void KExportDlg::OnInitDialog() {
    if (!CreatePanel(L"Export VSTi Player", OnCommand)) return;
    // In the order of skin::kExportDialogImages.
    Gdiplus::Bitmap* exportImage = Picture(1);
    Gdiplus::Bitmap* browseImage = Picture(2);
    Gdiplus::Bitmap* closeImage = Picture(3);
    Gdiplus::Bitmap* progressImage = Picture(4);

    SetWidgetImage(exportImage, &exportButton, kExportId, false, 90, 118);
    AddWidget(panel.model, &exportButton);
    folderText.Create(10, 67, 230, 78, folder, 0, true, true);
    folderText.textColor = kTextColor;
    FitFont(folderText);
    AddWidget(panel.model, &folderText);
    SetWidgetImage(browseImage, &browseButton, kBrowseId, false, 242, 63);
    AddWidget(panel.model, &browseButton);
    KLevelMeterH::Create(progressImage, &progressMeter, 5, 100);
    progressMeter.floorDb = kEmpty;
    AddWidget(panel.model, &progressMeter);
    SetWidgetImage(closeImage, &closeButton, kCloseId, false, 160, 118);
    AddWidget(panel.model, &closeButton);
}

void KExportDlg::OnCommand(int id, void* context) {
    auto* self = static_cast<KExportDlg*>(context);
    switch (id) {
    case kCloseId:
        if (!self->busy) ::EndDialog(self->DialogWindow(), 1);
        break;
    case kExportId: self->OnExport(); break;
    case kBrowseId: self->OnBrowse(); break;
    default: break;
    }
}

void KExportDlg::OnBrowse() {
    if (busy) return;
    wchar_t chosen[kPathLength] = {};
    if (!BrowseForFolder(panel.window, folder, chosen)) return;
    CopyWide(folder, chosen);
    folderText.SetText(folder);
    FitFont(folderText);
}

std::wstring KExportDlg::InstallFolder() {
    wchar_t value[kIniReadChars] = {};
    const int length = ini.ReadString(L"path", L"install", L"", value);
    if (length > 0 && length < static_cast<int>(kIniReadChars)) return value;
    wchar_t own[kPathLength] = {};
    const DWORD n = ::GetModuleFileNameW(module_, own, kPathLength);
    if (n == 0 || n >= kPathLength) return {};
    std::wstring path(own, n);
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void KExportDlg::ShowProgress() {
    progressMeter.Invalidate();
    // The bar is on the panel, a child of the dialog: it must be painted
    // now, while the export holds the window thread.
    if (panel.window != nullptr) ::UpdateWindow(panel.window);
}

KExportResult KExportDlg::Export() {
    KExportResult result;
    const std::wstring path = folderText.GetText();
    if (path.empty() || job == nullptr || job->engine == nullptr) {
        result.message = L"Choose the folder to export to.";
        return result;
    }
    busy = true;
    job->progressCallback = OnProgress;
    job->progressUser = this;
    // The meter only rises by itself: a new export starts it empty.
    progressMeter.levelDb = kEmpty;
    ShowProgress();

    result = ExportPlayerFolder(*job->engine, path.c_str(), InstallFolder().c_str(), *job);

    if (result.ok) progressMeter.SetLevel(0.0f);
    else progressMeter.levelDb = kEmpty; // nothing of it was kept
    ShowProgress();
    job->progressCallback = nullptr;
    job->progressUser = nullptr;
    busy = false;
    return result;
}

void KExportDlg::DropPendingInput() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
}

void KExportDlg::OnExport() {
    if (busy) return;
    const HCURSOR previous = ::SetCursor(SystemCursor(IDC_WAIT));
    const KExportResult result = Export();
    ::SetCursor(previous != nullptr ? previous : SystemCursor(IDC_ARROW));
    // The buttons were inert while the export ran.
    DropPendingInput();
    const HWND dialog = DialogWindow();
    if (result.ok) {
        Message(L"Export Succeed!", MB_OK | MB_ICONINFORMATION);
        if (dialog != nullptr && ::IsWindow(dialog)) ::EndDialog(dialog, 1);
        return;
    }
    std::wstring text = L"Export Failed!";
    if (!result.message.empty()) text += L"\n\n" + result.message;
    Message(text.c_str(), MB_OK | MB_ICONERROR);
}

void KExportDlg::OnProgress(void* user, int) {
    auto* self = static_cast<KExportDlg*>(user);
    if (self == nullptr || self->job == nullptr) return;
    float level = static_cast<float>(self->job->progress * 100.0 - 100.0);
    if (level > 0.0f) level = 0.0f; // the sum of the zones' shares may pass 1 by a rounding
    self->progressMeter.SetLevel(level);
    self->ShowProgress();
    // And the dialog's own frame, once.
    MSG message;
    const HWND dialog = self->DialogWindow();
    if (dialog != nullptr && ::PeekMessageW(&message, dialog, WM_PAINT, WM_PAINT, PM_REMOVE)) ::DispatchMessageW(&message);
}
