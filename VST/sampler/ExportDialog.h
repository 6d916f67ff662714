// The dialog "Export VSTi Player": the destination folder, a progress bar,
// and the export of the job's engine as a player set (PlayerExport.h).
//
// Threads: the editor's. The export runs on it: meanwhile the dialog only
// repaints, and what the user clicked during it is dropped.
#pragma once

#include "Button.h"
#include "Ini.h"
#include "LevelMeter.h"
#include "PlayerExport.h"
#include "SkinnedDialog.h"
#include "Text.h"

class KExportDlg : public KSkinnedDialog {
public:
    static constexpr int kCloseId = 122, kExportId = 123, kBrowseId = 124;

    KExportDlg(HINSTANCE module, HWND parent, KFileJob* job);
    ~KExportDlg() override;

    void OnInitDialog() override;
    static void OnCommand(int id, void* context);
    void OnBrowse();
    void OnExport();
    KExportResult Export();
    static void OnProgress(void* user, int arg);

    // ksplayer.bin's folder: "path"/"install" of the settings file, else
    // the plug-in's own folder (where the sampler is installed beside it).
    std::wstring InstallFolder();

    // Written by the caller before the dialog runs, read back afterwards.
    wchar_t folder[kPathLength] = {};
    KButton exportButton, browseButton, closeButton;
    KText folderText;
    KLevelMeterH progressMeter;
    KFileJob* job;
    bool busy = false;
    CIni ini;

private:
    void ShowProgress();
    void DropPendingInput();
};
