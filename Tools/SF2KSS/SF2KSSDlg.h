// The front end's dialog: a SoundFont file and an output folder, chosen
// through their browse buttons, and Convert, which runs the converter
// hidden and waits for it.
#pragma once

#include "Dialog.h"
#include "SF2KSSResources.h"

#include <string>

class CSF2KSSDlg : public CDialog {
public:
    enum { IDD = IDD_SF2KSS_DIALOG };
    explicit CSF2KSSDlg(CWnd* parent = nullptr);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;
    bool DialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBrowseSoundFont();
    void OnBrowseOutputDir();
    void OnConvert();

private:
    HICON m_hIcon;
    // The dialog's own caption, shown again when a conversion fails.
    std::wstring m_caption;
    // The two paths live only in these texts.
    CStatic m_soundFont;
    CStatic m_outputDir;
};
