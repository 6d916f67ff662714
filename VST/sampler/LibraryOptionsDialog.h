// The dialog "Sound Library Options": what an exported player set carries
// about its library (name, vendor, four-character code, the player's skin,
// its two pictures) and whether the project keeps its samples beside it.
// The caller fills the exchanged fields, and copies them back only on OK.
//
// Threads: the editor's.
#pragma once

#include "Button.h"
#include "Combo.h"
#include "SkinnedDialog.h"
#include "Text.h"
#include "Toggle.h"

#include <string>

class KSLDlg : public KSkinnedDialog {
public:
    static constexpr int kOkId = 123, kBrowseLogoId = 124, kBrowseBackgroundId = 125;
    // The editable texts tell the dialog of an edit, which fits their font.
    static constexpr int kNameTextId = 130, kVendorTextId = 131, kIdTextId = 132;
    static constexpr int kStyles = 7;

    KSLDlg(HINSTANCE module, HWND parent);
    ~KSLDlg() override;

    void OnInitDialog() override;
    static void OnCommand(int id, void* context);
    void OnOK();
    void OnBrowseLogo();
    void OnBrowseProduct();

    // Exchanged with the caller.
    std::wstring libraryName;
    std::wstring vendorName;
    std::wstring logoPicture;
    std::wstring backgroundPicture;
    char uniqueId[5] = {};
    bool samplesInRelativePath = false;
    int32_t uiStyle = -1; // 0..6, -1 none

    KButton okButton;
    KText nameText, vendorText, uniqueIdText, backgroundText, logoText;
    KCombo styleCombo;
    KToggle relativePathToggle;
    KButton browseLogoButton, browseBackgroundButton;

private:
    // An open-file dialog for a picture; false when cancelled.
    bool ChoosePicture(const wchar_t* title, std::wstring& path);
    void MakeText(KText& text, int id, int left, int top, int right, int bottom, const std::wstring& shown,
                  bool editable);

    std::wstring shownId_; // the code's text as the dialog opened
};

// The part of a path after its last backslash, the whole path without one.
std::wstring FileNameFromPath(const std::wstring& path);
